// Small pictures of the report dialog: one per kind of call stack entry, and the error sign.
#pragma once

#include <QIcon>
#include <QPixmap>

#include "excreport/dialog/stack_entry_picture.h"

namespace kestrova {

// A 16 x 16 picture drawn for the kind: a page for the program's own code, a window for the
// toolkit, a brick for a library, a parcel for the run-time. GUI thread only.
QIcon StackEntryIcon(StackEntryPicture picture);

// The error sign beside the message, `size` pixels square: a red disc with a white cross.
QPixmap ErrorPicture(int size);

}  // namespace kestrova
