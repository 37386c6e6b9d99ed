#include "package/archive/EntryName.h"
#include "tests/archive/ZipBuilder.h"

#include <gtest/gtest.h>

namespace archive {
namespace {

using test::utf8;

std::string decode(std::string_view stored, bool flag, std::string_view unicodePath = {},
                   NameOrigin origin = NameOrigin::Windows) {
    std::string text, why;
    return decodeEntryName(stored, flag, unicodePath, origin, text, why) ? text : "<refused: " + why + ">";
}

TEST(EntryName, RefusesNamesThatLeaveTheFolderOrMeanSomethingElseToWindows) {
    const char* refused[] = {
        "../evil.txt", "a/../../evil.txt", "a\\..\\evil.txt", "..",                    // parent folders
        "/etc/passwd", "\\Windows\\evil.dll", "C:/evil.txt", "c:evil.txt", "a/b:c",  // roots, drives, streams
        "CON", "con.txt", "Ticket/NUL", "aux.dll", "COM1", "lpt9.log", "COM1 .txt",  // devices
        "CONIN$", "a/b/prn.gpd",
        "a\x01.txt", "tab\there", "del\x7f",  // control characters
        "a*.txt", "a?.txt", "pipe|name", "q\"uote", "<a>",
        "trailing.", "trailing ", "a/.../b", "",
    };
    for (const char* name : refused) {
        EntryPath path;
        std::string why;
        EXPECT_FALSE(toEntryPath(name, path, why)) << "accepted: " << name;
    }
    EntryPath path;
    std::string why;
    EXPECT_FALSE(toEntryPath(std::string_view("a\0b", 3), path, why));
    EXPECT_FALSE(toEntryPath(utf8(u8"COM\u00B9.txt"), path, why));
    EXPECT_FALSE(toEntryPath(utf8(u8"a\u0085b"), path, why));  // C1 control
}

TEST(EntryName, AcceptsOrdinaryNamesAndSplitsThem) {
    EntryPath path;
    std::string why;
    ASSERT_TRUE(toEntryPath("Ticket\\x64/./unidrv.dll", path, why)) << why;
    EXPECT_EQ(path.components, (std::vector<std::string>{"Ticket", "x64", "unidrv.dll"}));
    EXPECT_FALSE(path.directory);

    ASSERT_TRUE(toEntryPath("Barcode/Common/", path, why)) << why;
    EXPECT_EQ(path.components, (std::vector<std::string>{"Barcode", "Common"}));
    EXPECT_TRUE(path.directory);

    for (const char* fine : {"CONSOLE.txt", "COM10", "LPT0.txt", "nul_file", ".hidden", "a..b", "com"}) {
        EXPECT_TRUE(toEntryPath(fine, path, why)) << fine << ": " << why;
    }
}

TEST(EntryName, DecodesByFlagFieldAndOrigin) {
    const std::string chinese = utf8(u8"驱动/数据.gpd");
    const std::string gbk = "\xC7\xFD\xB6\xAF/\xCA\xFD\xBE\xDD.gpd";
    EXPECT_EQ(decode(gbk, false), chinese);
    EXPECT_EQ(decode(chinese, true), chinese);
    EXPECT_EQ(decode(gbk, true), "<refused: name is not valid UTF-8>");
    // An unflagged name from a Unix archiver is UTF-8 when it can be, code page 936 otherwise.
    EXPECT_EQ(decode(chinese, false, {}, NameOrigin::Unix), chinese);
    EXPECT_EQ(decode(gbk, false, {}, NameOrigin::Unix), chinese);
    // The Unicode path field wins over the stored bytes.
    EXPECT_EQ(decode("old-name.gpd", false, chinese), chinese);
    // Overlong and surrogate encodings would become other names on Windows.
    EXPECT_EQ(decode("\xC0\xAF", true), "<refused: name is not valid UTF-8>");
    EXPECT_EQ(decode("\xED\xA0\x80", true), "<refused: name is not valid UTF-8>");
}

// In code page 936 the second byte of a character may be 0x5C, the backslash: splitting the
// stored bytes before decoding would cut such a character in two.
TEST(EntryName, SecondByteBackslashIsPartOfTheCharacter) {
    const std::string text = decode("Ticket/\x81\x5C.gpd", false);
    EXPECT_EQ(text, utf8(u8"Ticket/乗.gpd"));
    EntryPath path;
    std::string why;
    ASSERT_TRUE(toEntryPath(text, path, why)) << why;
    EXPECT_EQ(path.components.size(), 2u);
}

}  // namespace
}  // namespace archive
