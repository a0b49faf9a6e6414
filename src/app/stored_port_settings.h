// The port settings stored with the main window's form, for the window and the headless run.
#pragma once

namespace kestrova {

class TCustomComPort;

// Loads the stored settings of the window's ComPort1 into a closed port, inside its loading
// bracket: "COM2", 4800 baud, 8 data bits, no parity, 2 stop bits, all ten events, no flow
// control, no synchronisation. Connected is not stored, so the port stays closed.
void LoadStoredPortSettings(TCustomComPort& port);

}  // namespace kestrova
