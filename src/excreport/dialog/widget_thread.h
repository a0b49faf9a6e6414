// Where Qt widgets may be made: the GUI thread of a QApplication.
#pragma once

namespace kestrova {

// Whether a QApplication exists and the caller runs on its thread. Unlike OnGuiThread (the
// application object's thread, also of a QCoreApplication), this is where widgets may be made.
bool OnWidgetThread();

}  // namespace kestrova
