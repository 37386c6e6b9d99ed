// What only the simulated drive can show: reparse points made from host links, paths that
// Wine's drive under test would not hold, failures injected per path, and the host folder's
// own lifetime.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "platform/WinConstants.h"
#include "install/SpoolerService.h"
#include "platform/sim/SimFileSystem.h"
#include "platform/sim/SimMachine.h"
#include "platform/sim/SimProfileReader.h"
#include "tests/sim/StandInDriver.h"

namespace {

using platform::FILE_ATTRIBUTE_DIRECTORY_BIT;
using platform::FILE_ATTRIBUTE_REPARSE_POINT_BIT;
using platform::INVALID_FILE_ATTRIBUTES_VALUE;

std::map<std::string, std::uint32_t> list(sim::SimFileSystem& files, const std::string& pattern) {
    std::map<std::string, std::uint32_t> entries;
    platform::FindData entry;
    if (auto search = files.findFirst(pattern, entry)) {
        do entries[entry.name] = entry.attributes;
        while (search->next(entry));
    }
    return entries;
}

TEST(SimFileSystemTest, LinksAreReparsePointsRemovedWithoutTouchingWhatTheyLeadTo) {
    sim::SimFileSystem outside;
    outside.writeFile("C:\\Victim\\keep.txt", "keep");
    sim::SimFileSystem files;
    files.makeDirectory("C:\\Ticket");
    files.makeSymlink("C:\\Ticket\\FolderLink", outside.hostPath("C:\\Victim"));
    files.makeSymlink("C:\\Ticket\\FileLink.txt", outside.hostPath("C:\\Victim\\keep.txt"));

    const auto entries = list(files, "C:\\Ticket//*.*");
    EXPECT_EQ(entries.size(), 4u);  // ".", "..", both links; nothing of the folder behind one
    EXPECT_EQ(entries.at("FolderLink"), FILE_ATTRIBUTE_REPARSE_POINT_BIT | FILE_ATTRIBUTE_DIRECTORY_BIT);
    EXPECT_EQ(entries.at("FileLink.txt") & (FILE_ATTRIBUTE_REPARSE_POINT_BIT | FILE_ATTRIBUTE_DIRECTORY_BIT),
              FILE_ATTRIBUTE_REPARSE_POINT_BIT);
    EXPECT_EQ(files.fileAttributes("C:\\Ticket\\FolderLink"), entries.at("FolderLink"));

    EXPECT_EQ(files.deleteFile("C:\\Ticket\\FolderLink"), win::ERROR_ACCESS_DENIED);
    EXPECT_EQ(files.deleteFile("C:\\Ticket\\FileLink.txt"), win::ERROR_SUCCESS);
    // A link to a folder that is not empty goes as a link.
    EXPECT_EQ(files.removeDirectory("C:\\Ticket\\FolderLink"), win::ERROR_SUCCESS);
    EXPECT_EQ(files.removeDirectory("C:\\Ticket"), win::ERROR_SUCCESS);
    EXPECT_EQ(outside.readFile("C:\\Victim\\keep.txt"), "keep");
}

TEST(SimFileSystemTest, PathsResolveAgainstTheCurrentDirectoryAndOnlyDriveC) {
    sim::SimFileSystem files;
    files.writeFile("C:\\Installer\\DriverData.Drv", "zip");
    files.setCurrentDirectory("c:\\INSTALLER\\.\\");
    EXPECT_EQ(files.currentDirectory(260), "C:\\INSTALLER");
    for (const char* path : {"DriverData.Drv", "..\\Installer\\driverdata.drv", "\\installer\\DriverData.Drv",
                             "C:DriverData.Drv", "C:\\..\\Installer\\DriverData.Drv"}) {
        EXPECT_NE(files.fileAttributes(path), INVALID_FILE_ATTRIBUTES_VALUE) << path;
    }
    EXPECT_EQ(files.fileAttributes("D:\\Installer\\DriverData.Drv"), INVALID_FILE_ATTRIBUTES_VALUE);
    EXPECT_EQ(files.deleteFile("\\\\server\\share\\file"), win::ERROR_PATH_NOT_FOUND);
    EXPECT_THROW(files.hostPath("D:\\x"), std::invalid_argument);
    // Existing components as stored, new ones as written.
    EXPECT_EQ(files.hostPath("C:\\INSTALLER\\New\\file"), files.driveRoot() / "Installer" / "New" / "file");
    // The process holds its current directory.
    files.deleteFile("DriverData.Drv");
    EXPECT_EQ(files.removeDirectory("C:\\Installer"), win::ERROR_SHARING_VIOLATION);
}

TEST(SimFileSystemTest, DoubleByteNamesNeitherSplitNorFold) {
    sim::SimFileSystem files;
    // 0x95 0x5C is one character whose trail byte is "\"; 0xB0 0x41 and 0xB0 0x61 are two
    // characters whose trail bytes differ only as "A" and "a" do.
    const std::string backslash = "C:\\\x95\x5C.txt";
    files.writeFile(backslash, "1");
    files.writeFile("C:\\\xB0\x41.txt", "upper");
    files.writeFile("C:\\\xB0\x61.txt", "lower");
    EXPECT_EQ(list(files, "C:\\*").size(), 3u);
    EXPECT_NE(files.fileAttributes(backslash), INVALID_FILE_ATTRIBUTES_VALUE);
    EXPECT_EQ(files.deleteFile("C:\\\xB0\x41.TXT"), win::ERROR_SUCCESS);
    EXPECT_EQ(files.readFile("C:\\\xB0\x61.txt"), "lower");
}

TEST(SimFileSystemTest, InjectedFailuresHitOnlyTheirPathUntilLifted) {
    sim::SimFileSystem files;
    files.writeFile("C:\\Ticket\\x86\\a.dll", "a");
    files.failPath("c:\\ticket\\X86\\A.DLL", win::ERROR_SHARING_VIOLATION);
    EXPECT_EQ(files.deleteFile("C:\\Ticket\\x86\\a.dll"), win::ERROR_SHARING_VIOLATION);
    EXPECT_EQ(list(files, "C:\\Ticket\\x86\\*").count("a.dll"), 1u);
    files.failPath("C:\\Ticket\\x86", win::ERROR_ACCESS_DENIED);
    platform::FindData entry;
    EXPECT_EQ(files.findFirst("C:\\Ticket\\x86//*.*", entry), nullptr);
    files.failPath("C:\\Ticket\\x86", 0);
    files.failPath("C:\\Ticket\\x86\\a.dll", 0);
    EXPECT_EQ(files.deleteFile("C:\\Ticket\\x86\\a.dll"), win::ERROR_SUCCESS);

    // An unreadable profile reads as a missing one.
    files.writeFile("C:\\DriverName.cfg", "[A]\r\nPrintName1=a\r\n");
    files.failPath("C:\\DriverName.cfg", win::ERROR_ACCESS_DENIED);
    sim::SimProfileReader profiles(files);
    std::string value;
    EXPECT_EQ(profiles.getString("A", "PrintName1", "", 128, value, "C:\\DriverName.cfg"), 0u);
}

TEST(SimFileSystemTest, TheTemporaryDriveGoesWithItsOwnerButNotWhatItLinksTo) {
    sim::SimFileSystem outside;
    outside.writeFile("C:\\keep.txt", "keep");
    std::filesystem::path root;
    {
        sim::SimFileSystem files;
        root = files.driveRoot();
        files.makeSymlink("C:\\Out", outside.driveRoot());
        platform::FindData entry;
        auto search = files.findFirst("C:\\*", entry);
        EXPECT_EQ(files.openSearches(), 1);
        search.reset();
        EXPECT_EQ(files.openSearches(), 0);
    }
    EXPECT_FALSE(std::filesystem::exists(root));
    EXPECT_EQ(outside.readFile("C:\\keep.txt"), "keep");
}

// A DLL the running spooler has loaded is held as Windows holds a mapped image: it can be read,
// not overwritten or deleted, until the spooler lets go of it.
TEST(SimFileSystemTest, TheSpoolersLoadedDllsAreHeldUntilItLetsGo) {
    sim::SimMachine machine;
    machine.installDefaultPorts();
    platform::FileSystem& files = machine.files;
    const std::string dll = "C:\\Windows\\system32\\mon.dll";
    machine.files.writeFile(dll, sim::peDllImage(sim::PeMachine::Amd64));
    ASSERT_EQ(machine.spooler.addMonitor({"Mon", "Windows x64", dll}), 0);
    EXPECT_EQ(files.copyFile(dll, "c:/windows/SYSTEM32/MON.DLL", false), win::ERROR_SHARING_VIOLATION);
    EXPECT_EQ(files.copyFile(dll, "C:\\copy.dll", false), 0);
    // Deleting the monitor is not enough: the DLL stays loaded until the spooler restarts.
    ASSERT_EQ(machine.spooler.deleteMonitor("Windows x64", "Mon"), 0);
    EXPECT_EQ(files.deleteFile(dll), win::ERROR_SHARING_VIOLATION);
    SpoolerService::control(machine.platform(), nullptr, "Spooler", SpoolerService::MODE_RESTART);
    EXPECT_EQ(files.copyFile("C:\\copy.dll", dll, false), 0);

    // A driver's files while a printer uses the driver, until the spooler stops.
    const std::string& folder = kStandInDriverFolder;
    const platform::DriverInfo3 driver = standInDriver(machine, "MZ");
    ASSERT_EQ(machine.spooler.addPrinterDriverEx(driver, platform::APD_COPY_ALL_FILES_FLAG), 0);
    platform::PrinterHandlePtr printer;
    ASSERT_EQ(machine.spooler.addPrinter({"P", "COM1:", "D", "WinPrint", "RAW"}, printer), 0);
    EXPECT_EQ(files.deleteFile(folder + "3\\d.dll"), win::ERROR_SHARING_VIOLATION);
    // The spooler itself replaces the files of a driver in use.
    EXPECT_EQ(machine.spooler.addPrinterDriverEx(driver, platform::APD_COPY_ALL_FILES_FLAG), 0);
    machine.services.configure("Spooler", [](sim::SimServices::Service& s) { s.state = platform::SERVICE_STOPPED_STATE; });
    EXPECT_EQ(files.deleteFile(folder + "3\\d.dll"), 0);
}

}  // namespace
