#include "tests/archive/ZipBuilder.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <fstream>

namespace archive {
namespace {

namespace fs = std::filesystem;
using test::TestEntry;
using test::utf8;

using SevenZipProc = int(WINAPI*)(HWND, LPCSTR, LPSTR, DWORD);
using SetOwnerProc = BOOL(WINAPI*)(HWND, LPARAM);
using KillOwnerProc = BOOL(WINAPI*)(HWND);
using GetRunningProc = BOOL(WINAPI*)();

class Library {
public:
    Library() : module_(LoadLibraryW(L"7-zip32.dll")) {}
    ~Library() {
        if (module_) FreeLibrary(module_);
    }
    Library(const Library&) = delete;
    Library& operator=(const Library&) = delete;
    template <typename Proc>
    Proc get(const char* name) const {
        return module_ ? reinterpret_cast<Proc>(reinterpret_cast<void*>(GetProcAddress(module_, name))) : nullptr;
    }

private:
    HMODULE module_;
};

std::string ansi(const fs::path& path) {
    const std::wstring wide = path.wstring();
    const int size = WideCharToMultiByte(CP_ACP, 0, wide.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_ACP, 0, wide.c_str(), -1, text.data(), size, nullptr, nullptr);
    text.pop_back();
    return text;
}

struct Call {
    int result;
    std::string message;
};

// The call sequence of the installer: owner window, extraction, release of the owner.
Call extract(const Library& library, const std::string& command, DWORD outputSize = 16384) {
    std::string output(outputSize + 16, 'Z');
    library.get<SetOwnerProc>("SevenZipSetOwnerWindowEx")(nullptr, 0);
    const int result = library.get<SevenZipProc>("SevenZip")(nullptr, command.c_str(), output.data(), outputSize);
    library.get<KillOwnerProc>("SevenZipKillOwnerWindowEx")(nullptr);
    EXPECT_EQ(output.substr(outputSize), std::string(16, 'Z')) << "wrote past the announced size";
    return {result, output.substr(0, output.find('\0'))};
}

std::string command(const fs::path& archive, const fs::path& out) {
    return "x -y \"" + ansi(archive) + "\" -o\"" + ansi(out) + "\\\" -hide";
}

fs::path writeArchive(const test::TempDir& work, const std::vector<TestEntry>& entries) {
    const auto path = work.path() / "Driver Data.Drv";
    std::ofstream(path, std::ios::binary) << test::buildZip(entries);
    return path;
}

TEST(SevenZipDll, ExportsTheFourEntryPointsByName) {
    Library library;
    EXPECT_NE(library.get<SevenZipProc>("SevenZip"), nullptr);
    EXPECT_NE(library.get<SetOwnerProc>("SevenZipSetOwnerWindowEx"), nullptr);
    EXPECT_NE(library.get<KillOwnerProc>("SevenZipKillOwnerWindowEx"), nullptr);
    ASSERT_NE(library.get<GetRunningProc>("SevenZipGetRunning"), nullptr);
    EXPECT_FALSE(library.get<GetRunningProc>("SevenZipGetRunning")());
}

// Names in code page 936 and in UTF-8 become the same wide names; a second run overwrites,
// read-only files included.
TEST(SevenZipDll, ExtractsWideNamesAndOverwrites) {
    Library library;
    test::TempDir work;
    const auto out = work.path() / "out";
    const std::vector<TestEntry> entries{
        {.name = "Ticket/x86/", .data = "", .method = 0, .madeBy = 0x0014, .externalAttributes = 0x10},
        {.name = "Ticket/x86/model.gpd", .data = std::string(100000, 'g'), .madeBy = 0x0014, .externalAttributes = 0x20},
        {.name = "\xC7\xFD\xB6\xAF.cfg", .data = "gbk", .madeBy = 0x0014, .externalAttributes = 0x20},
        {.name = utf8(u8"标签/说明.txt"), .data = "utf8", .flags = 0x0800},
    };
    const auto archive = writeArchive(work, entries);
    for (int run = 0; run < 2; ++run) {
        const auto call = extract(library, command(archive, out));
        ASSERT_EQ(call.result, 0) << call.message;
        EXPECT_EQ(test::readFile(out / "Ticket/x86/model.gpd"), entries[1].data);
        EXPECT_EQ(test::readFile(out / test::u8path(utf8(u8"驱动.cfg"))), "gbk");
        EXPECT_EQ(test::readFile(out / test::u8path(utf8(u8"标签/说明.txt"))), "utf8");
        SetFileAttributesW((out / "Ticket/x86/model.gpd").c_str(), FILE_ATTRIBUTE_READONLY);
    }
}

// After its one-line summary the library lists every file it wrote, also when a later entry
// fails: relative to the output folder, with backslashes, each line ended by CR LF. A buffer
// too small for them all gets whole lines only.
TEST(SevenZipDll, ListsTheFilesItWroteInWholeLines) {
    Library library;
    test::TempDir work;
    const auto out = work.path() / "out";
    const auto archive = writeArchive(work, {{.name = "Ticket/x86/a.gpd", .data = "a"},
                                             {.name = "DriverName.cfg", .data = "c"},
                                             {.name = "Barcode/bad.dll", .data = "data", .crc = 1}});
    const auto whole = extract(library, command(archive, out));
    EXPECT_NE(whole.result, 0);
    const std::size_t summaryEnd = whole.message.find("\r\n");
    ASSERT_NE(summaryEnd, std::string::npos) << whole.message;
    const std::string summary = whole.message.substr(0, summaryEnd);
    EXPECT_NE(summary.find("bad.dll"), std::string::npos) << summary;
    EXPECT_EQ(whole.message, summary + "\r\nTicket\\x86\\a.gpd\r\nDriverName.cfg\r\n");

    // Room for the first line and most of the second, with the NUL.
    const auto size = static_cast<DWORD>(summary.size() + 2 + 18 + 10 + 1);
    EXPECT_EQ(extract(library, command(archive, out), size).message, summary + "\r\nTicket\\x86\\a.gpd\r\n");
}

TEST(SevenZipDll, FailuresReturnNonZeroWithinTheOutputBuffer) {
    Library library;
    test::TempDir work;
    const auto out = work.path() / "out";
    EXPECT_NE(extract(library, "x -y a.zip", 5).result, 0);
    EXPECT_NE(extract(library, command(work.path() / "missing.Drv", out)).result, 0);

    const auto hostile = writeArchive(work, {{.name = "ok.txt", .data = "ok"}, {.name = "..\\evil.txt", .data = "x"}});
    const auto refused = extract(library, command(hostile, out));
    EXPECT_NE(refused.result, 0);
    EXPECT_FALSE(refused.message.empty());
    EXPECT_FALSE(fs::exists(work.path() / "evil.txt"));
    EXPECT_FALSE(fs::exists(out / "ok.txt"));

    const auto damaged = writeArchive(work, {{.name = "bad.dll", .data = "data", .crc = 1}});
    EXPECT_NE(extract(library, command(damaged, out)).result, 0);
    EXPECT_TRUE(fs::is_empty(out));
}

TEST(SevenZipDll, RefusesAFolderLinkPlantedBeforeTheRun) {
    Library library;
    test::TempDir work;
    test::TempDir outside;
    const auto out = work.path() / "out";
    fs::create_directory(out);
    // Creating links needs a privilege on Windows; Wine's CreateSymbolicLinkW reports success
    // and creates nothing.
    CreateSymbolicLinkW((out / "Ticket").c_str(), outside.path().c_str(), SYMBOLIC_LINK_FLAG_DIRECTORY);
    const DWORD attributes = GetFileAttributesW((out / "Ticket").c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_REPARSE_POINT))
        GTEST_SKIP() << "cannot create a directory link here";
    const auto archive = writeArchive(work, {{.name = "Ticket/x86/unidrv.dll", .data = "payload"}});
    const auto call = extract(library, command(archive, out));
    EXPECT_NE(call.result, 0);
    EXPECT_TRUE(fs::is_empty(outside.path())) << call.message;
}

}  // namespace
}  // namespace archive
