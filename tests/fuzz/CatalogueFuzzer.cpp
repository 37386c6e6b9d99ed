// Each input is the bytes of C:\DriverName.cfg on a fresh simulated machine without a driver
// package; the installer starts, fills its model list from the file and is closed. The run
// aborts when the list breaks what the file's reading allows (more names than rows and names
// per row, a name longer than its buffer or holding a NUL, a name that maps to no catalogue
// row), or when the window is used after it went or the file, which no package wrote, does
// not survive the window.
#include "catalogue/ModelCatalogue.h"
#include "tests/sim/InstallerHarness.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

const std::string kFile = "C:\\DriverName.cfg";
constexpr std::size_t kMaxNamesPerRow = 50;
constexpr std::size_t kValueBuffer = 128;

[[noreturn]] void fault(const std::string& what) {
    std::fprintf(stderr, "catalogue fuzzer: %s\n", what.c_str());
    std::fflush(stderr);
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    sim::SimMachine machine;
    machine.installDefaultPorts();
    machine.files.writeFile(kFile, std::string(reinterpret_cast<const char*>(data), size));
    {
        InstallerRun run(machine);
        if (!run.waitForStartup()) fault("start-up did not end");
        run.onWindow([](MainDialog& dialog, sim::SimDialog& window) {
            const std::vector<std::string> items = window.control(IDC_MODEL_COMBO).items;
            // The prompt comes first.
            if (items.empty()) fault("an empty model list");
            if (items.size() - 1 > ModelCatalogue::ROW_COUNT * kMaxNamesPerRow) fault("more names than rows allow");
            for (std::size_t i = 1; i < items.size(); ++i) {
                if (items[i].empty()) fault("an empty display name");
                if (items[i].size() >= kValueBuffer) fault("a display name longer than its buffer");
                if (items[i].find('\0') != std::string::npos) fault("a display name holding a NUL");
            }
            // A look-up reads the whole file again, so only the last name is looked up: it is
            // the one most likely to meet a section the list cut or skipped.
            if (items.size() > 1) {
                window.userSelectCombo(IDC_MODEL_COMBO, static_cast<int>(items.size() - 1));
                const int row = dialog.findModelRow();
                if (row < 0 || row >= ModelCatalogue::ROW_COUNT)
                    fault("the last display name maps to row " + std::to_string(row));
            }
        });
        run.close();
    }
    if (machine.ui.callsAfterDestroy() != 0) fault("the window was used after it was destroyed");
    // No package was unpacked, so the file is the machine's own: closing must leave it.
    if (!machine.files.exists(kFile)) fault("closing deleted a model list no package wrote");
    return 0;
}
