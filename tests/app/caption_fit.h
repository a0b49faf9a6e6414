// Checks that the captions of a form are shown whole in the fonts the machine has.
#pragma once

#include <QWidget>

namespace kestrova::testing {

// The pixels a control's caption needs beyond the room its style gives the text (margins and
// indicator taken off); 0 or less when it fits, and 0 for a control without a caption.
int CaptionOverflow(const QWidget& control);

// Every named control of the form shows its whole caption, and none overlaps a named sibling
// (controls grown to fit their captions must stay clear of their neighbours).
void ExpectCaptionsFit(const QWidget& form);

}  // namespace kestrova::testing
