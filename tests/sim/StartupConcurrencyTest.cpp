// The start-up worker against a window that closes while it runs: early, while the spooler is
// slow to list its ports, and while the driver package is still being unpacked. Wherever the
// close falls, the window is never used after it went, the dialog ends, the worker stops at
// its next step and the unpacked package is removed. Built with the native-tsan preset, these
// runs also show any unordered access of two threads to the same memory.
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <iterator>

#include "platform/WinConstants.h"
#include "tests/sim/InstallerHarness.h"

namespace {

using namespace std::chrono_literals;

// The demo package in the current directory: unpacking it takes long enough to be caught
// in the middle.
void putDemoPackage(sim::SimMachine& machine) {
    std::ifstream in(DEMO_PACKAGE_ARCHIVE, std::ios::binary);
    machine.files.setCurrentDirectory("C:\\Setup");
    machine.files.writeFile("C:\\Setup\\DriverData.Drv",
                            std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()));
}

// Waits until the dialog has ended, seen from outside the window thread.
void waitEnded(sim::SimMachine& machine) {
    while (!machine.ui.dialogs().front()->ended()) std::this_thread::sleep_for(1ms);
}

// What every close during start-up must leave, read once the window thread has ended.
void expectCleanEnd(sim::SimMachine& machine, int result = win::IDCANCEL) {
    EXPECT_TRUE(machine.threads.allFinished());
    EXPECT_EQ(machine.ui.callsAfterDestroy(), 0);
    ASSERT_EQ(machine.ui.dialogs().size(), 1u);
    EXPECT_TRUE(machine.ui.dialogs().front()->destroyed());
    EXPECT_EQ(machine.ui.dialogs().front()->result(), result);
    EXPECT_EQ(machine.archives.loadedNow(), 0);
    EXPECT_FALSE(machine.files.exists("C:\\Ticket"));
    EXPECT_FALSE(machine.files.exists("C:\\Barcode"));
    EXPECT_FALSE(machine.files.exists("C:\\DriverName.cfg"));
    // The package itself is not the installer's to delete.
    EXPECT_TRUE(machine.files.exists("C:\\Setup\\DriverData.Drv"));
}

// The close box, the Cancel button, Escape or Enter, after a delay, with the spooler's port
// listing or the unpacking slowed down or neither: the close lands in every step of the
// start-up somewhere. Enter presses the button with the focus, which is 取消 from the start
// (the template's first tab stop), so it ends the dialog as Cancel does.
TEST(StartupConcurrency, ClosingAtAnyMomentOfStartUpLeavesNothingBehind) {
    enum class Slow { Nothing, Spooler, Extraction };
    enum class Close { Box, CancelButton, Escape, Enter };
    const std::chrono::microseconds delays[] = {0us, 1000us, 4000us, 15000us};
    for (const Slow slow : {Slow::Nothing, Slow::Spooler, Slow::Extraction}) {
        for (const auto delay : delays) {
            for (const Close close : {Close::Box, Close::CancelButton, Close::Escape, Close::Enter}) {
                SCOPED_TRACE(testing::Message() << "slow " << static_cast<int>(slow) << ", close after "
                                                << delay.count() << " us by " << static_cast<int>(close));
                const int result = win::IDCANCEL;
                sim::SimMachine machine;
                machine.installDefaultPorts();
                putDemoPackage(machine);
                if (slow == Slow::Spooler) machine.spooler.onEnumPorts([] { std::this_thread::sleep_for(5ms); });
                if (slow == Slow::Extraction) machine.archives.onSevenZip([] { std::this_thread::sleep_for(5ms); });
                {
                    InstallerRun installer(machine);
                    std::this_thread::sleep_for(delay);
                    machine.ui.asUser([&](sim::SimDialog& window) {
                        switch (close) {
                            case Close::Box: window.userCloseBox(); break;
                            case Close::CancelButton: window.userClick(win::IDCANCEL); break;
                            case Close::Escape: window.userPressEscape(); break;
                            case Close::Enter: window.userPressEnter(); break;
                        }
                    });
                    EXPECT_EQ(installer.join(), result);
                }
                expectCleanEnd(machine, result);
            }
        }
    }
}

// The worker is inside the spooler's port listing when the window closes: the close waits for
// it, and once released it takes no further step, so the package is never even unpacked.
TEST(StartupConcurrency, ClosingWhileTheSpoolerListsItsPortsStopsBeforeTheNextStep) {
    sim::SimMachine machine;
    machine.installDefaultPorts();
    putDemoPackage(machine);
    Gate gate;
    machine.spooler.onEnumPorts([&] { gate.wait(); });
    InstallerRun run(machine);
    gate.waitEntered();

    // The close waits for the worker while still serving it; release the worker only after
    // the close is under way.
    std::thread closer([&] { EXPECT_EQ(run.close(), win::IDCANCEL); });
    waitEnded(machine);
    gate.open();
    closer.join();

    expectCleanEnd(machine);
    EXPECT_TRUE(machine.archives.commands().empty());
    const sim::SimDialog& window = *machine.ui.dialogs().front();
    // The inventory step finished and chose the serial kind; the prompt step never ran.
    EXPECT_EQ(window.control(IDC_CONNECTION_LIST).rows.at(PORT_KIND_SERIAL).state & win::LVIS_SELECTED,
              win::LVIS_SELECTED);
    EXPECT_TRUE(window.control(IDC_MODEL_COMBO).items.empty());
}

// The worker is inside the archive library when the window closes. The closing window still
// serves what the worker sends it, the model list is never filled, and the clean-up waits for
// the unpacking: run any earlier, it would leave the files written after it.
TEST(StartupConcurrency, ClosingDuringTheUnpackingStillRemovesEverythingUnpacked) {
    sim::SimMachine machine;
    machine.installDefaultPorts();
    putDemoPackage(machine);
    Gate gate;
    std::string statusSeenWhileClosing;
    bool servedWhileClosing = false;
    machine.archives.onSevenZip([&] {
        gate.wait();
        servedWhileClosing = machine.ui.asUser(
            [&](sim::SimDialog& window) { statusSeenWhileClosing = window.control(IDC_STATUS).text; });
    });
    InstallerRun run(machine);
    gate.waitEntered();

    std::thread closer([&] { EXPECT_EQ(run.close(), win::IDCANCEL); });
    waitEnded(machine);
    gate.open();
    closer.join();

    expectCleanEnd(machine);
    EXPECT_TRUE(servedWhileClosing);
    EXPECT_EQ(statusSeenWhileClosing, "正在整理驱动文件...");
    EXPECT_EQ(machine.archives.commands().size(), 1u);
    EXPECT_TRUE(machine.ui.dialogs().front()->control(IDC_MODEL_COMBO).items.empty());
}

}  // namespace
