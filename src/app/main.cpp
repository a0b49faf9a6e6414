// Process entry of Kestrova: the application object, the main window, the message loop.
#include "app/application.h"
#include "app/main_form.h"
#include "comsetup/run_setup_dialog.h"

int main(int argc, char** argv) {
  kestrova::TApplication application(argc, argv);
  // Lets every port's ShowSettingsDialog run the setup dialog.
  kestrova::InstallSetupDialog();
  // The main window; destroying it on the way out closes its port if a tick left it open.
  kestrova::TFMain FMain(application);
  FMain.show();
  return kestrova::TApplication::exec();
}
