// Where Qt widgets may be made: the GUI thread of a QApplication.
#pragma once

namespace kestrova {

// Whether a QApplication exists and the caller runs on its thread.
bool OnGuiThread();

}  // namespace kestrova
