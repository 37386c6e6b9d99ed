// Reading profile files the way the model catalogue reads C:\DriverName.cfg: the section names
// into a 3,000-byte buffer, each value into a 128-byte buffer. The files are odd on purpose,
// as files edited by hand are. These tests run unchanged against the simulated machine and,
// cross-compiled, against Wine; the few places where Wine is known to read differently from
// Windows are pinned in WhereWineDepartsFromWindows.
#include <gtest/gtest.h>

#include <fstream>
#include <ostream>
#include <vector>

#include "platform/WinConstants.h"
#include "tests/contract/ContractPlatform.h"

namespace {

const std::string kRoot = "C:\\DriverInstallerContract";
const std::string kFolder = kRoot + "\\Profiles";

struct Read {
    std::uint32_t result = 0;
    std::string value;
    bool operator==(const Read&) const = default;
    friend void PrintTo(const Read& read, std::ostream* out) { *out << read.result << " \"" << read.value << '"'; }
};

// Each name followed by its NUL.
std::string joined(const std::vector<std::string>& names) {
    std::string bytes;
    for (const auto& name : names) bytes += name + '\0';
    return bytes;
}

class ProfileContract : public ::testing::Test {
protected:
    void SetUp() override {
        files.createDirectory(kRoot);
        files.createDirectory(kFolder);
    }
    void TearDown() override {
        for (const auto& path : written_) files.deleteFile(path);
        files.removeDirectory(kFolder);
        files.removeDirectory(kRoot);
    }

    // Writes a file of the test folder byte for byte and returns its Windows path.
    std::string write(const std::string& name, const std::string& bytes) {
        const std::string path = kFolder + "\\" + name;
        std::ofstream out(contractHostPath(path), std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        out.close();
        EXPECT_TRUE(out.good()) << path;
        written_.push_back(path);
        return path;
    }

    Read get(const std::string& file, const std::string& section, const std::string& key, std::uint32_t size = 128,
             const std::string& fallback = "") {
        Read read;
        read.result = profiles.getString(section, key, fallback, size, read.value, file);
        return read;
    }

    // The section names and the call's result, with the buffer's bytes as the call left them.
    struct Names {
        std::uint32_t result = 0;
        std::string buffer;
    };
    Names names(const std::string& file) {
        Names found;
        found.result = profiles.sectionNames(file, 3000, found.buffer);
        EXPECT_EQ(found.buffer.size(), 3000u);
        return found;
    }

    // A list that fits: each name with its NUL, one more NUL, the rest of the buffer as it was
    // (cleared); the result counts all but the last NUL.
    void expectNames(const std::string& file, const std::vector<std::string>& expected) {
        const Names found = names(file);
        const std::string bytes = joined(expected) + '\0';
        EXPECT_EQ(found.result, bytes.size() - 1);
        EXPECT_EQ(found.buffer, bytes + std::string(3000 - bytes.size(), '\0'));
    }

    platform::FileSystem& files = contractPlatform().files;
    platform::ProfileReader& profiles = contractPlatform().profiles;

private:
    std::vector<std::string> written_;
};


TEST_F(ProfileContract, NamesIgnoreCaseAndTheBlanksAroundThem) {
    const std::string file = write("Blanks.cfg",
                                   "  [ Receipt Models ]\t\r\n"
                                   "PrintName1 =  TM-80  \r\n"
                                   "\tprintname2=\tSecond Name\r\n"
                                   "[label]\r\n"
                                   "PRINTNAME1=L-1\r\n");
    expectNames(file, {"Receipt Models", "label"});
    EXPECT_EQ(get(file, "RECEIPT MODELS", "printname1"), (Read{5, "TM-80"}));
    // Spaces around the names asked for are dropped too.
    EXPECT_EQ(get(file, "  Receipt Models ", " PrintName2  "), (Read{11, "Second Name"}));
    EXPECT_EQ(get(file, "Label", "PrintName1"), (Read{3, "L-1"}));
}

TEST_F(ProfileContract, DuplicateSectionsAreListedEachTimeButOnlyTheFirstIsRead) {
    const std::string file = write("Duplicates.cfg",
                                   "[Models]\r\nPrintName1=first\r\nPrintName1=shadowed\r\n"
                                   "[Other]\r\nPrintName1=other\r\n"
                                   "[MODELS]\r\nPrintName1=later\r\nPrintName2=only later\r\n");
    expectNames(file, {"Models", "Other", "MODELS"});
    EXPECT_EQ(get(file, "Models", "PrintName1"), (Read{5, "first"}));
    EXPECT_EQ(get(file, "MODELS", "PrintName2", 128, "none"), (Read{4, "none"}));
}

TEST_F(ProfileContract, BlankCommentAndBareLinesHoldNoValue) {
    const std::string file = write("Lines.cfg",
                                   "\r\n"
                                   "[Models]\r\n"
                                   "; PrintName1=commented out\r\n"
                                   "   \r\n"
                                   "PrintName1\r\n"
                                   "PrintName2=\r\n"
                                   "PrintName3 = ;not a comment\r\n"
                                   "[Empty]\r\n");
    expectNames(file, {"Models", "Empty"});
    EXPECT_EQ(get(file, "Models", "PrintName1", 128, "dflt"), (Read{4, "dflt"}));
    // Present but empty is not missing: the catalogue's list ends on either, by the result 0.
    EXPECT_EQ(get(file, "Models", "PrintName2", 128, "dflt"), (Read{0, ""}));
    EXPECT_EQ(get(file, "Models", "PrintName3"), (Read{14, ";not a comment"}));
    EXPECT_EQ(get(file, "Empty", "PrintName1"), (Read{0, ""}));
}

TEST_F(ProfileContract, OneMatchingPairOfQuotesAroundAValueIsDropped) {
    const std::string file = write("Quotes.cfg",
                                   "[Q]\r\n"
                                   "Double=  \"  spaced  \"  \r\n"
                                   "Single='x'\r\n"
                                   "Mixed=\"x'\r\n"
                                   "Nested=\"'x'\"\r\n"
                                   "Empty=\"\"\r\n"
                                   "Lone=\"\r\n");
    EXPECT_EQ(get(file, "Q", "Double"), (Read{10, "  spaced  "}));
    EXPECT_EQ(get(file, "Q", "Single"), (Read{1, "x"}));
    EXPECT_EQ(get(file, "Q", "Mixed"), (Read{3, "\"x'"}));
    EXPECT_EQ(get(file, "Q", "Nested"), (Read{3, "'x'"}));
    EXPECT_EQ(get(file, "Q", "Empty"), (Read{0, ""}));
    EXPECT_EQ(get(file, "Q", "Lone"), (Read{1, "\""}));
}

TEST_F(ProfileContract, ValuesAndDefaultsAreCutToTheBufferLessOne) {
    const std::string fits(127, 'a');
    const std::string file = write("Long.cfg", "[Long]\r\nFits=" + fits + "\r\nOver=" + std::string(128, 'b') +
                                                   "\r\nFar=" + std::string(300, 'c') + "\r\n");
    EXPECT_EQ(get(file, "Long", "Fits"), (Read{127, fits}));
    // A cut value reports the buffer size less one: the caller cannot tell it from a value
    // of exactly 127 bytes.
    EXPECT_EQ(get(file, "Long", "Over"), (Read{127, std::string(127, 'b')}));
    EXPECT_EQ(get(file, "Long", "Far"), (Read{127, std::string(127, 'c')}));
    EXPECT_EQ(get(file, "Long", "Fits", 5), (Read{4, "aaaa"}));
    EXPECT_EQ(get(file, "Long", "Fits", 1), (Read{0, ""}));
    EXPECT_EQ(get(file, "Long", "Fits", 0), (Read{0, ""}));
    EXPECT_EQ(get(file, "Long", "Missing", 4, "default"), (Read{3, "def"}));
    // Only trailing spaces of a default go.
    EXPECT_EQ(get(file, "Long", "Missing", 128, "  dflt \t  "), (Read{8, "  dflt \t"}));
}

TEST_F(ProfileContract, SectionNamesLongerThan99BytesAreReadWhole) {
    const std::string longName = "Model " + std::string(150, 'N');
    const std::string file = write("LongName.cfg", "[" + longName + "]\r\nPrintName1=long\r\n[Next]\r\n");
    expectNames(file, {longName, "Next"});
    EXPECT_EQ(get(file, longName, "PrintName1"), (Read{4, "long"}));
}

TEST_F(ProfileContract, LinesEndAtCarriageReturnsAloneAndTheLastNeedsNoEnd) {
    const std::string file = write("Endings.cfg", "[A]\rPrintName1=x\r[B]\nPrintName1=y\n\n[C]\r\nPrintName1=z");
    expectNames(file, {"A", "B", "C"});
    EXPECT_EQ(get(file, "A", "PrintName1"), (Read{1, "x"}));
    EXPECT_EQ(get(file, "C", "PrintName1"), (Read{1, "z"}));
}

TEST_F(ProfileContract, MissingAndEmptyFilesHaveNoSections) {
    const std::string empty = write("Empty.cfg", "");
    for (const std::string& file : {kFolder + "\\Missing.cfg", empty, kFolder + "\\No Folder\\Missing.cfg"}) {
        SCOPED_TRACE(file);
        expectNames(file, {});
        EXPECT_EQ(get(file, "Models", "PrintName1", 128, "dflt"), (Read{4, "dflt"}));
    }
}

// `prefix` and a two-digit number, filled up to `length` bytes.
std::string numbered(const char* prefix, int number, std::size_t length, char fill) {
    std::string name(prefix);
    name += std::to_string(number);
    name.resize(length, fill);
    return name;
}

// Names of 99 bytes and one whose length makes the list (each name with its NUL) total
// `total` bytes.
std::vector<std::string> namesTotalling(std::size_t total) {
    std::vector<std::string> names;
    for (int i = 0; i < 29; ++i) names.push_back(numbered("Model", 10 + i, 99, '-'));
    names.push_back(numbered("Last", 10, total - 29 * 100 - 1, '+'));
    return names;
}

std::string profileOf(const std::vector<std::string>& names) {
    std::string text;
    for (const auto& name : names) text += "[" + name + "]\r\nPrintName1=x\r\n";
    return text;
}

TEST_F(ProfileContract, SectionListOfManyNamesIsLimitedByTheBufferNotByACount) {
    std::vector<std::string> forty;
    for (int i = 1; i <= 40; ++i) forty.push_back(numbered("Model", 10 + i, 7, ' '));
    expectNames(write("Forty.cfg", profileOf(forty)), forty);

    // Names with their NULs totalling 2,998 bytes fit with the list's final NUL. At 2,999 the
    // list fills the buffer exactly and is still reported as not fitting, with the result a
    // list of 2,998 bytes also has; at 3,000 the last name loses its last byte.
    for (std::size_t total : {2998u, 2999u, 3000u}) {
        SCOPED_TRACE(total);
        const std::vector<std::string> expected = namesTotalling(total);
        const Names found = names(write("Total" + std::to_string(total) + ".cfg", profileOf(expected)));
        EXPECT_EQ(found.result, 2998u);
        std::string bytes = joined(expected);
        if (total == 3000) bytes.erase(bytes.size() - 2, 1);
        bytes.resize(3000, '\0');
        EXPECT_EQ(found.buffer, bytes);
    }

    // 40 names of 80 bytes: 37 whole names fill 2,997 bytes; of the 38th only its first byte
    // fits before the closing pair of NULs, a fragment that names no section.
    std::vector<std::string> wide;
    for (int i = 1; i <= 40; ++i) wide.push_back(numbered("W", 10 + i, 80, 'w'));
    const Names cut = names(write("Wide.cfg", profileOf(wide)));
    EXPECT_EQ(cut.result, 2998u);
    EXPECT_EQ(cut.buffer, joined({wide.begin(), wide.begin() + 37}) + std::string("W\0\0", 3));
}

TEST_F(ProfileContract, ChineseNamesAndValuesKeepTheirBytes) {
    if (contractAnsiCodePage() != 936) GTEST_SKIP() << "the ANSI code page is " << contractAnsiCodePage();
    std::string sixtyFour;
    for (int i = 0; i < 64; ++i) sixtyFour += "汉";
    // Trail bytes that are "A", "a" and "]" must neither fold nor end the name.
    const std::string upperA = "\xB0\x41";
    const std::string lowerA = "\xB0\x61";
    const std::string bracket = "\x81\x5D";
    const std::string file = write("Chinese.cfg", "[热敏打印机]\r\nPrintName1=小票打印机 80毫米\r\nWide=" + sixtyFour +
                                                      "\r\n[" + upperA + "]\r\nK=upper\r\n[" + lowerA +
                                                      "]\r\nK=lower\r\n[" + bracket + "]\r\nK=bracket\r\n");
    expectNames(file, {"热敏打印机", upperA, lowerA, bracket});
    EXPECT_EQ(get(file, "热敏打印机", "PrintName1"), (Read{17, "小票打印机 80毫米"}));
    EXPECT_EQ(get(file, upperA, "K"), (Read{5, "upper"}));
    EXPECT_EQ(get(file, lowerA, "K"), (Read{5, "lower"}));
    EXPECT_EQ(get(file, bracket, "K"), (Read{7, "bracket"}));
    // 128 bytes into 128: the last character no longer fits whole and goes entirely, yet the
    // result is still the buffer size less one.
    EXPECT_EQ(get(file, "热敏打印机", "Wide"), (Read{127, sixtyFour.substr(0, 126)}));
}

TEST_F(ProfileContract, WhereWineDepartsFromWindows) {
    const bool wine = contractIsWine();

    // Windows knows no UTF-8 byte-order mark: its bytes start the first line, which then holds
    // no section header. Wine reads the file as UTF-8.
    const std::string marked = write("Marked.cfg", "\xEF\xBB\xBF[First]\r\nPrintName1=one\r\n[Second]\r\nPrintName1=two\r\n");
    expectNames(marked, wine ? std::vector<std::string>{"First", "Second"} : std::vector<std::string>{"Second"});
    EXPECT_EQ(get(marked, "First", "PrintName1", 128, "none"), wine ? (Read{3, "one"}) : (Read{4, "none"}));
    EXPECT_EQ(get(marked, "Second", "PrintName1"), (Read{3, "two"}));

    // Windows ends a header at its first "]", or at the end of the line without one; Wine at
    // its last "]", and a line without one is no header.
    const std::string brackets = write("Brackets.cfg", "[A]B]\r\nPrintName1=ab\r\n[Open\r\nPrintName1=open\r\n");
    expectNames(brackets, wine ? std::vector<std::string>{"A]B"} : std::vector<std::string>{"A", "Open"});
    EXPECT_EQ(get(brackets, wine ? "A]B" : "A", "PrintName1"), (Read{2, "ab"}));
    EXPECT_EQ(get(brackets, "Open", "PrintName1", 128, "none"), wine ? (Read{4, "none"}) : (Read{4, "open"}));

    // Keys before the first header belong to no section on Windows, and "" names a "[]"
    // section; Wine finds the leading keys under "". Windows skips comment lines; Wine keeps
    // them as keys whose names start with ";".
    const std::string orphans = write("Orphans.cfg", "PrintName1=orphan\r\n[]\r\nPrintName1=nameless\r\n"
                                                     "[S]\r\n; PrintName1=comment\r\n");
    EXPECT_EQ(get(orphans, "", "PrintName1"), wine ? (Read{6, "orphan"}) : (Read{8, "nameless"}));
    EXPECT_EQ(get(orphans, "S", "; PrintName1", 128, "none"), wine ? (Read{7, "comment"}) : (Read{4, "none"}));

    // Windows trims only spaces from the names asked for, Wine all white space. A quoted value
    // whose quotes and text just fill the buffer loses one more byte in Wine (its closing quote
    // is dropped after the cut); Windows' own answer there is assumed, not observed.
    const std::string quoted = write("Quoted.cfg", "[Q]\r\nTab=tab\r\nFull=\"" + std::string(127, 'q') + "\"\r\n");
    EXPECT_EQ(get(quoted, "Q", "\tTab\t", 128, "none"), wine ? (Read{3, "tab"}) : (Read{4, "none"}));
    EXPECT_EQ(get(quoted, "Q", "Full"), wine ? (Read{126, std::string(126, 'q')}) : (Read{127, std::string(127, 'q')}));
}

}  // namespace
