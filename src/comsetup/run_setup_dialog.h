// The port setup dialog's entry points.
#pragma once

namespace kestrova {

class TCustomComPort;

// Shows the setup dialog for Port modally and returns when it has closed. It opens with the
// port's six values selected (a port name that is not listed selects nothing); OK writes all six
// selections to the port inside one BeginSettingsChange / EndSettingsChange bracket, so a
// connected port gets them in one pass; any other close changes nothing. Other windows' timers
// keep running meanwhile. Port enumeration failing (EComPort code 15) ends the call before the
// dialog shows; an exception of the port while applying passes to the caller with the bracket
// closed and the dialog freed. When the port is destroyed while the dialog is open, nothing is
// applied. GUI thread only.
void RunSetupDialog(TCustomComPort& Port);

// Makes every port's ShowSettingsDialog run RunSetupDialog. Call once at start-up.
void InstallSetupDialog();

}  // namespace kestrova
