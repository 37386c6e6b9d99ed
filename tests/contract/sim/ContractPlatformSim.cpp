#include <fstream>
#include <iterator>

#include "platform/sim/SimMachine.h"
#include "tests/contract/ContractPlatform.h"

namespace {

sim::SimMachine& machine() {
    // A fresh desktop, as the machine under Wine is one.
    static sim::SimMachine instance;
    static const bool ready = (instance.installDefaultPorts(), true);
    (void)ready;
    return instance;
}

}  // namespace

platform::Platform& contractPlatform() { return machine().platform(); }

bool contractIsWin32() { return false; }

std::string contractHostPath(const std::string& windowsPath) { return machine().files.hostPath(windowsPath).string(); }

void contractSetReadOnly(const std::string& windowsPath, bool readOnly) {
    machine().files.setReadOnly(windowsPath, readOnly);
}

unsigned contractAnsiCodePage() { return 936; }

bool contractIsWine() { return false; }

std::string contractModulePath(const std::string& name) {
    const std::string arch = name == "tvkMon64.dll" ? "x64" : "x86";
    std::ifstream in(std::string(DEMO_PACKAGE_DIR) + "/Barcode/" + arch + "/" + name, std::ios::binary);
    const std::string path = "C:\\ContractModules\\" + name;
    machine().files.writeFile(path, std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()));
    return path;
}
