// Unpacking DriverData.Drv from the current directory at start-up, and removing what it left
// when the window goes.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/WinConstants.h"
#include "tests/sim/InstallerHarness.h"
#include "tests/sim/ZipBuilder.h"

namespace {

const std::string kPrompt = "请选择打印机型号";

std::string samplePackage() {
    return ZipBuilder()
        .add("DriverName.cfg", "[Model01]\r\nPrintName1=小票打印机\r\n")
        .add("Ticket/x86/TRG101.GPD", "*GPDFileVersion: \"1.0\"\r\n")
        .add("Ticket/x64/TRG101.GPD", "*GPDFileVersion: \"1.0\"\r\n")
        .add("Barcode/Common/TLBL01.DAT", "label data")
        .build();
}

std::vector<std::string> comboItems(InstallerRun& run) {
    std::vector<std::string> items;
    run.onWindow([&](MainDialog&, sim::SimDialog& window) { items = window.control(IDC_MODEL_COMBO).items; });
    return items;
}

TEST(DriverPackage, UnpacksIntoDriveCAndLoadsTheLibraryOnlyMeanwhile) {
    sim::SimMachine machine;
    machine.files.setCurrentDirectory("C:\\Setup Files");
    machine.files.writeFile("C:\\Setup Files\\DriverData.Drv", samplePackage());
    std::string statusDuringExtraction;
    machine.archives.onSevenZip([&] {
        machine.ui.asUser([&](sim::SimDialog& window) { statusDuringExtraction = window.control(IDC_STATUS).text; });
    });
    InstallerRun run(machine);
    ASSERT_TRUE(run.waitForStartup());

    EXPECT_EQ(machine.archives.commands(),
              std::vector<std::string>{"x -y \"C:\\Setup Files\\DriverData.Drv\" -o\"C:\\\" -hide"});
    EXPECT_EQ(statusDuringExtraction, "正在整理驱动文件...");
    EXPECT_EQ(machine.archives.loadedNow(), 0);
    EXPECT_EQ(machine.files.readFile("C:\\Ticket\\x64\\TRG101.GPD"), "*GPDFileVersion: \"1.0\"\r\n");
    EXPECT_EQ(comboItems(run), (std::vector<std::string>{kPrompt, "小票打印机"}));
}

TEST(DriverPackage, NoPackageNoLibraryOrADamagedPackageLeaveOnlyThePrompt) {
    enum class Problem { NoPackage, NoLibrary, Damaged };
    for (Problem problem : {Problem::NoPackage, Problem::NoLibrary, Problem::Damaged}) {
        SCOPED_TRACE(static_cast<int>(problem));
        sim::SimMachine machine;
        machine.files.setCurrentDirectory("C:\\Setup");
        std::string package = samplePackage();
        if (problem == Problem::Damaged) package[40] = static_cast<char>(package[40] ^ 0x55);  // inside the first entry's data
        if (problem != Problem::NoPackage) machine.files.writeFile("C:\\Setup\\DriverData.Drv", package);
        if (problem == Problem::NoLibrary) machine.archives.removeLibrary();
        InstallerRun run(machine);
        ASSERT_TRUE(run.waitForStartup());
        EXPECT_EQ(comboItems(run), std::vector<std::string>{kPrompt});
        EXPECT_FALSE(machine.files.exists("C:\\DriverName.cfg"));
        // Without a package the library is not even asked.
        if (problem != Problem::Damaged) {
            EXPECT_TRUE(machine.archives.commands().empty());
        }
    }
}

// What the package holds, as paths on drive C:.
const std::vector<std::string> kPackagePaths{"C:\\DriverName.cfg", "C:\\Ticket\\x86", "C:\\Ticket\\x64",
                                             "C:\\Barcode\\Common"};

std::vector<std::string> packageLeft(sim::SimMachine& machine) {
    std::vector<std::string> left;
    for (const auto& path : kPackagePaths) {
        if (machine.files.exists(path)) left.push_back(path);
    }
    return left;
}

TEST(DriverPackage, ClosingRemovesWhatTheUnpackingWroteAndKeepsTheUsersOwnFiles) {
    sim::SimMachine machine;
    machine.files.setCurrentDirectory("C:\\Setup");
    machine.files.writeFile("C:\\Setup\\DriverData.Drv", samplePackage());
    // A till's own ticket archive and label list, and a stale copy of a package file, which
    // the unpacking overwrites: that one is the package's now.
    machine.files.writeFile("C:\\Ticket\\Reports\\day.txt", "ticket 1");
    machine.files.writeFile("C:\\Barcode\\labels.txt", "label 1");
    machine.files.writeFile("C:\\Barcode\\x64\\deep\\er\\file.dll", "x");
    machine.files.writeFile("C:\\Ticket\\x86\\TRG101.GPD", "old copy");
    machine.files.setReadOnly("C:\\Ticket\\x86\\TRG101.GPD", true);  // "-y" replaces it all the same
    {
        InstallerRun run(machine);
        ASSERT_TRUE(run.waitForStartup());
        EXPECT_EQ(machine.files.readFile("C:\\Ticket\\x86\\TRG101.GPD"), "*GPDFileVersion: \"1.0\"\r\n");
        EXPECT_EQ(run.close(), win::IDCANCEL);
    }
    EXPECT_EQ(machine.files.readFile("C:\\Ticket\\Reports\\day.txt"), "ticket 1");
    EXPECT_EQ(machine.files.readFile("C:\\Barcode\\labels.txt"), "label 1");
    EXPECT_EQ(machine.files.readFile("C:\\Barcode\\x64\\deep\\er\\file.dll"), "x");
    EXPECT_EQ(packageLeft(machine), std::vector<std::string>{});
    // The overwritten file went, and its folder with it; the user's folders stay.
    EXPECT_FALSE(machine.files.exists("C:\\Ticket\\x86\\TRG101.GPD"));
    // The package itself is not the installer's to delete.
    EXPECT_TRUE(machine.files.exists("C:\\Setup\\DriverData.Drv"));
}

TEST(DriverPackage, WhenNothingOrOnlyPartWasUnpackedClosingDeletesOnlyThatPart) {
    enum class Problem { NoPackage, NoLibrary, DamagedFirstEntry, DamagedLastEntry };
    for (Problem problem : {Problem::NoPackage, Problem::NoLibrary, Problem::DamagedFirstEntry,
                            Problem::DamagedLastEntry}) {
        SCOPED_TRACE(static_cast<int>(problem));
        sim::SimMachine machine;
        machine.files.setCurrentDirectory("C:\\Setup");
        std::string package = samplePackage();
        if (problem == Problem::DamagedFirstEntry) package[40] = static_cast<char>(package[40] ^ 0x55);
        if (problem == Problem::DamagedLastEntry) {
            package = ZipBuilder()
                          .add("Ticket/x86/TRG101.GPD", "*GPDFileVersion: \"1.0\"\r\n")
                          .add("Barcode/Common/TLBL01.DAT", "label data")
                          .build();
            const std::size_t data = package.find("label data");
            package[data] = static_cast<char>(package[data] ^ 0x55);
        }
        if (problem != Problem::NoPackage) machine.files.writeFile("C:\\Setup\\DriverData.Drv", package);
        if (problem == Problem::NoLibrary) machine.archives.removeLibrary();
        // The user's files, one of them under a name the package uses.
        machine.files.writeFile("C:\\DriverName.cfg", "[Model01]\r\nPrintName1=Own\r\n");
        machine.files.writeFile("C:\\Ticket\\x64\\TRG101.GPD", "own");
        machine.files.writeFile("C:\\Barcode\\Common\\kept.dat", "own");
        {
            InstallerRun run(machine);
            ASSERT_TRUE(run.waitForStartup());
            EXPECT_EQ(run.close(), win::IDCANCEL);
        }
        EXPECT_EQ(machine.files.readFile("C:\\DriverName.cfg"), "[Model01]\r\nPrintName1=Own\r\n");
        EXPECT_EQ(machine.files.readFile("C:\\Ticket\\x64\\TRG101.GPD"), "own");
        EXPECT_EQ(machine.files.readFile("C:\\Barcode\\Common\\kept.dat"), "own");
        // What the damaged package wrote before its damage was found is gone again.
        EXPECT_FALSE(machine.files.exists("C:\\Ticket\\x86"));
    }
}

TEST(DriverPackage, ALeftoverOfAnEarlierRunIsRemovedWithItsFolders) {
    sim::SimMachine machine;
    machine.files.setCurrentDirectory("C:\\Setup");
    machine.files.writeFile("C:\\Setup\\DriverData.Drv", samplePackage());
    // An earlier run ended without its clean-up.
    machine.files.writeFile("C:\\DriverName.cfg", "[Model01]\r\nPrintName1=小票打印机\r\n");
    machine.files.writeFile("C:\\Ticket\\x86\\TRG101.GPD", "stale");
    machine.files.writeFile("C:\\Ticket\\x64\\TRG101.GPD", "stale");
    machine.files.writeFile("C:\\Barcode\\Common\\TLBL01.DAT", "stale");
    {
        InstallerRun run(machine);
        ASSERT_TRUE(run.waitForStartup());
    }
    EXPECT_FALSE(machine.files.exists("C:\\Ticket"));
    EXPECT_FALSE(machine.files.exists("C:\\Barcode"));
    EXPECT_FALSE(machine.files.exists("C:\\DriverName.cfg"));
}

TEST(DriverPackage, AReadOnlyFileStaysAndSoDoesItsFolder) {
    sim::SimMachine machine;
    machine.files.setCurrentDirectory("C:\\Setup");
    machine.files.writeFile("C:\\Setup\\DriverData.Drv", samplePackage());
    {
        InstallerRun run(machine);
        ASSERT_TRUE(run.waitForStartup());
        machine.files.setReadOnly("C:\\Ticket\\x86\\TRG101.GPD", true);
    }
    EXPECT_TRUE(machine.files.exists("C:\\Ticket\\x86\\TRG101.GPD"));
    EXPECT_FALSE(machine.files.exists("C:\\Ticket\\x64"));
    EXPECT_FALSE(machine.files.exists("C:\\Barcode"));
}

TEST(DriverPackage, LinksAreNeverFollowedAndOnlyThoseInTheUnpackedFoldersGo) {
    sim::SimMachine machine;
    machine.files.setCurrentDirectory("C:\\Setup");
    machine.files.writeFile("C:\\Setup\\DriverData.Drv", samplePackage());
    // Files outside the drive under the names the package uses.
    const std::filesystem::path outside = std::filesystem::temp_directory_path() / "installer-link-target";
    std::filesystem::remove_all(outside);
    std::filesystem::create_directories(outside / "sub");
    std::ofstream(outside / "TRG101.GPD") << "keep me";
    std::ofstream(outside / "sub" / "TRG101.GPD") << "keep me too";
    // A junction planted in place of C:\Barcode before the run: the unpacking refuses to
    // write through it and the clean-up leaves it. While the installer runs, an unpacked
    // folder becomes a junction, a link goes into another, and a link to a file replaces an
    // unpacked file: the clean-up removes those links alone.
    machine.files.makeSymlink("C:\\Barcode", outside);
    {
        InstallerRun run(machine);
        ASSERT_TRUE(run.waitForStartup());
        ASSERT_EQ(machine.files.deleteFile("C:\\Ticket\\x64\\TRG101.GPD"), 0);
        ASSERT_EQ(machine.files.removeDirectory("C:\\Ticket\\x64"), 0);
        machine.files.makeSymlink("C:\\Ticket\\x64", outside);
        machine.files.makeSymlink("C:\\Ticket\\x86\\elsewhere", outside / "sub");
        ASSERT_EQ(machine.files.deleteFile("C:\\Ticket\\x86\\TRG101.GPD"), 0);
        machine.files.makeSymlink("C:\\Ticket\\x86\\TRG101.GPD", outside / "sub" / "TRG101.GPD");
    }
    EXPECT_EQ(machine.files.fileAttributes("C:\\Barcode") & platform::FILE_ATTRIBUTE_REPARSE_POINT_BIT,
              platform::FILE_ATTRIBUTE_REPARSE_POINT_BIT);
    EXPECT_FALSE(machine.files.exists("C:\\Ticket"));
    EXPECT_FALSE(machine.files.exists("C:\\DriverName.cfg"));
    EXPECT_TRUE(std::filesystem::exists(outside / "TRG101.GPD"));
    EXPECT_TRUE(std::filesystem::exists(outside / "sub" / "TRG101.GPD"));
    EXPECT_FALSE(std::filesystem::exists(outside / "Common"));
    std::filesystem::remove_all(outside);
}

// The names FindFirstFileA reports in one folder of the drive.
std::vector<std::string> namesIn(sim::SimMachine& machine, const std::string& folder) {
    std::vector<std::string> names;
    platform::FindData entry;
    if (auto search = machine.files.findFirst(folder + "\\*", entry)) {
        do {
            if (entry.name != "." && entry.name != "..") names.push_back(entry.name);
        } while (search->next(entry));
    }
    return names;
}

// Windows compares names without case: entries that spell a folder differently land in the
// one folder that the first of them created, and a Chinese name is the code page 936 name
// FindFirstFileA shows (its last trail byte is 0x5C, the byte of "\").
TEST(DriverPackage, EntriesInAnyCaseShareOneFolderWhichClosingRemovesWhole) {
    sim::SimMachine machine;
    machine.files.setCurrentDirectory("C:\\Setup");
    machine.files.writeFile("C:\\Setup\\DriverData.Drv", ZipBuilder()
                                                             .add("Ticket/x86/a.dll", "a")
                                                             .add("TICKET/x64/b.dll", "b")
                                                             .add("ticket/说明/读我琝.txt", "c")
                                                             .build());
    {
        InstallerRun run(machine);
        ASSERT_TRUE(run.waitForStartup());
        EXPECT_EQ(namesIn(machine, "C:"), (std::vector<std::string>{"Setup", "Ticket", "Windows"}));
        EXPECT_EQ(namesIn(machine, "C:\\Ticket"), (std::vector<std::string>{"x64", "x86", "说明"}));
        EXPECT_EQ(machine.files.readFile("C:\\Ticket\\x64\\b.dll"), "b");
        EXPECT_EQ(namesIn(machine, "C:\\Ticket\\说明"), std::vector<std::string>{"读我琝.txt"});
        EXPECT_EQ(machine.files.readFile("C:\\TICKET\\说明\\读我琝.txt"), "c");
        EXPECT_EQ(run.close(), win::IDCANCEL);
    }
    EXPECT_FALSE(machine.files.exists("C:\\Ticket"));
}

TEST(DriverPackage, AFolderOfTheUsersInAnotherCaseIsUnpackedIntoAndKeepsItsFiles) {
    sim::SimMachine machine;
    machine.files.setCurrentDirectory("C:\\Setup");
    machine.files.writeFile("C:\\Setup\\DriverData.Drv", samplePackage());
    machine.files.writeFile("C:\\TICKET\\Reports\\day.txt", "ticket 1");
    // A stale copy of a package file in another case is replaced, not joined by a second file.
    machine.files.writeFile("C:\\TICKET\\x64\\trg101.gpd", "stale");
    {
        InstallerRun run(machine);
        ASSERT_TRUE(run.waitForStartup());
        EXPECT_EQ(namesIn(machine, "C:\\TICKET"), (std::vector<std::string>{"Reports", "x64", "x86"}));
        EXPECT_EQ(namesIn(machine, "C:\\TICKET\\x64").size(), 1u);
        EXPECT_EQ(machine.files.readFile("C:\\TICKET\\x64\\trg101.gpd"), "*GPDFileVersion: \"1.0\"\r\n");
        EXPECT_EQ(run.close(), win::IDCANCEL);
    }
    EXPECT_EQ(namesIn(machine, "C:"), (std::vector<std::string>{"Setup", "TICKET", "Windows"}));
    EXPECT_EQ(namesIn(machine, "C:\\TICKET"), std::vector<std::string>{"Reports"});
    EXPECT_EQ(machine.files.readFile("C:\\TICKET\\Reports\\day.txt"), "ticket 1");
}

}  // namespace

namespace {

std::string readHostFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST(DriverPackage, TheDemoPackageStartsUpToEveryDisplayNameInFileOrder) {
    sim::SimMachine machine;
    machine.files.setCurrentDirectory("C:\\Demo");
    machine.files.writeFile("C:\\Demo\\DriverData.Drv", readHostFile(DEMO_PACKAGE_ARCHIVE));
    InstallerRun run(machine);
    ASSERT_TRUE(run.waitForStartup());
    const auto items = comboItems(run);
    // 52 display names in 38 sections, after the prompt.
    ASSERT_EQ(items.size(), 53u);
    EXPECT_EQ(items[0], kPrompt);
    EXPECT_EQ(items[1], "热敏小票打印机 R58-A");
    EXPECT_EQ(items.back(), "L108-E Barcode Printer");
    EXPECT_TRUE(machine.files.exists("C:\\Barcode\\x64\\tvkMon64.dll"));
    EXPECT_TRUE(machine.files.exists("C:\\Ticket\\x86\\TRG2RESA.DLL"));
    EXPECT_EQ(run.close(), win::IDCANCEL);
    EXPECT_FALSE(machine.files.exists("C:\\Ticket"));
    EXPECT_FALSE(machine.files.exists("C:\\Barcode"));
    EXPECT_FALSE(machine.files.exists("C:\\DriverName.cfg"));
}

}  // namespace
