// Telling what an extraction wrote from what was on the drive before, by two snapshots and the
// library's report.
#include <gtest/gtest.h>

#include "package/UnpackRecord.h"
#include "platform/WinConstants.h"
#include "platform/sim/SimFileSystem.h"

namespace {

const std::vector<std::string> kPlaces{"Ticket", "Barcode", "DriverName.cfg"};

TreeSnapshot snapshot(sim::SimFileSystem& files) { return TreeSnapshot::take(files, "C:\\", kPlaces); }

TEST(UnpackRecord, KeysFoldAsciiLettersAndLeaveDoubleByteCharactersWhole) {
    EXPECT_EQ(pathKey("C:\\Ticket\\X86\\"), "c:\\ticket\\x86");
    EXPECT_EQ(pathKey("c:\\Barcode//Common"), "c:\\barcode\\common");
    // Trail bytes 'A' and '\': neither folded, nor a separator, nor cut off at the end.
    EXPECT_EQ(pathKey("C:\\\x81\x41" "B"), "c:\\\x81\x41" "b");
    EXPECT_EQ(pathKey("C:\\\x95\\"), "c:\\\x95\\");
    EXPECT_EQ(pathKey("C:\\\x95\\\\A"), "c:\\\x95\\\\a");
}

// A folder whose listing failed in the first snapshot may hold the user's files: none of them
// may look new. New files count only when the library's report may be incomplete.
TEST(UnpackRecord, OnlyWhatSurelyWasNotThereBeforeCountsAsNew) {
    sim::SimFileSystem files;
    files.writeFile("C:\\Ticket\\Reports\\day.txt", "ticket");
    files.failPath("C:\\Ticket\\Reports", win::ERROR_ACCESS_DENIED);
    const TreeSnapshot before = snapshot(files);
    files.failPath("C:\\Ticket\\Reports", 0);
    files.writeFile("C:\\Ticket\\Reports\\x86\\new.gpd", "new");
    files.writeFile("C:\\Ticket\\x86\\new.gpd", "new");
    files.writeFile("C:\\Barcode\\Common\\new.dat", "new");
    const TreeSnapshot after = snapshot(files);

    const UnpackRecord unreported = compareSnapshots(before, after, {}, false);
    EXPECT_EQ(unreported.files, (std::set<std::string>{"c:\\barcode\\common\\new.dat", "c:\\ticket\\x86\\new.gpd"}));
    EXPECT_EQ(unreported.folders,
              (std::set<std::string>{"c:\\barcode", "c:\\barcode\\common", "c:\\ticket\\x86"}));

    const UnpackRecord reported = compareSnapshots(before, after, {"Ticket\\x86\\new.gpd"}, true);
    EXPECT_EQ(reported.files, std::set<std::string>{"c:\\ticket\\x86\\new.gpd"});
    EXPECT_TRUE(reported.reaches("c:\\ticket"));
    EXPECT_FALSE(reported.reaches("c:\\ticket\\reports\\day.txt"));
}

TEST(UnpackRecord, ALeftoverHeldNothingButWhatWasWrittenAgain) {
    sim::SimFileSystem files;
    files.writeFile("C:\\DriverName.cfg", "[Model01]");
    files.writeFile("C:\\Ticket\\x86\\a.gpd", "stale");
    files.writeFile("C:\\Ticket\\x64\\sub\\a.gpd", "stale");
    files.makeDirectory("C:\\Ticket\\Own");
    files.writeFile("C:\\Barcode\\Common\\t.dat", "stale");
    files.writeFile("C:\\Barcode\\mine.txt", "own");
    files.makeDirectory("C:\\Barcode\\Empty");
    const TreeSnapshot before = snapshot(files);
    const UnpackRecord record =
        compareSnapshots(before, snapshot(files),
                         {"DriverName.cfg", "Ticket\\x86\\a.gpd", "Ticket\\x64\\sub\\a.gpd", "Barcode\\Common\\t.dat",
                          "Windows\\win.ini"},
                         true);
    EXPECT_EQ(record.files, (std::set<std::string>{"c:\\barcode\\common\\t.dat", "c:\\drivername.cfg",
                                                   "c:\\ticket\\x64\\sub\\a.gpd", "c:\\ticket\\x86\\a.gpd"}));
    EXPECT_EQ(record.folders, (std::set<std::string>{"c:\\barcode\\common", "c:\\ticket\\x64", "c:\\ticket\\x64\\sub",
                                                     "c:\\ticket\\x86"}));
}

}  // namespace
