#include "package/archive/SevenZipCommand.h"

#include <gtest/gtest.h>

namespace archive {
namespace {

TEST(SevenZipCommand, ReadsTheInstallersCommand) {
    SevenZipCommand command;
    std::string why;
    // The installer's own format: the output folder "C:\" ends in a backslash before the quote.
    ASSERT_TRUE(parseSevenZipCommand(R"(x -y "D:\Setup Files\DriverData.Drv" -o"C:\" -hide)", command, why)) << why;
    EXPECT_EQ(command.archive, R"(D:\Setup Files\DriverData.Drv)");
    EXPECT_EQ(command.outputFolder, R"(C:\)");

    ASSERT_TRUE(parseSevenZipCommand("  X   -Y  -o\"C:\\out dir\"\t-HIDE D:\\a.zip ", command, why)) << why;
    EXPECT_EQ(command.archive, "D:\\a.zip");
    EXPECT_EQ(command.outputFolder, "C:\\out dir");
}

TEST(SevenZipCommand, RefusesEverythingElse) {
    for (const char* text : {
             "", "e -y \"a.zip\" -o\"C:\\\" -hide",         // other command
             "x -y \"a.zip\" -o\"C:\\\"",                     // no -hide
             "x \"a.zip\" -o\"C:\\\" -hide",                  // no -y: would need to ask
             "x -y -o\"C:\\\" -hide",                         // no archive
             "x -y \"a.zip\" -hide",                          // no output folder
             "x -y \"a.zip\" -o\"\" -hide",                   // empty output folder
             "x -y \"a.zip\" \"b.zip\" -o\"C:\\\" -hide",     // two archives
             "x -y \"a.zip\" -o\"C:\\\" -o\"D:\\\" -hide",    // two outputs
             "x -y \"a.zip\" -o\"C:\\\" -hide -p secret",     // unknown switch
             "x -y \"a.zip -o\"C:\\\" -hide",                 // unbalanced quotes
             "x -y \"\" -o\"C:\\\" -hide",                    // empty archive name
         }) {
        SevenZipCommand command;
        std::string why;
        EXPECT_FALSE(parseSevenZipCommand(text, command, why)) << "accepted: " << text;
    }
}

}  // namespace
}  // namespace archive
