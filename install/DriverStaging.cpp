#include "install/DriverStaging.h"

#include "app/MainDialog.h"
#include "platform/WinConstants.h"

namespace DriverStaging {

std::string environmentFor(bool wow64) { return wow64 ? "Windows x64" : "Windows NT x86"; }

long stage(MainDialog& dialog, const std::string& source, const std::string& destination) {
    const long error = dialog.platform().files.copyFile(source, destination, false);
    dialog.showStatus(destination);
    return error;
}

std::uint32_t driverVersion(platform::SystemInfo& system) { return getWindowsVersionClass(system) == 4 ? 2 : 3; }

void reportDriverFailure(MainDialog& dialog, long error, const std::string& caption) {
    const std::string text = "添加驱动失败 " + std::to_string(error) +
                             "\r\n\r\n点击重试：可重新安装\r\n点击取消：退出安装程序";
    if (dialog.messageBox(text, caption, win::MB_RETRYCANCEL) == win::IDRETRY) {
        dialog.finishWithButton("重新安装");
        dialog.progressBar.setPos(0);
    } else {
        dialog.onOK();
    }
}

}  // namespace DriverStaging
