#include "app/InstallerApp.h"

#include "app/MainDialog.h"

InstallerApp::InstallerApp(platform::Platform& platform)
    : platform_(platform), updateDataMessage_(platform.ui.registerWindowMessage("MyUpdateData")) {}

bool InstallerApp::initInstance() {
    // ActiveX hosting and the 3-D look need nothing here: common controls 6, named in the
    // manifest, give dialogs their look, and the dialogs host no ActiveX control.
    MainDialog dialog(platform_, updateDataMessage_);
    dialog.doModal();
    return false;
}
