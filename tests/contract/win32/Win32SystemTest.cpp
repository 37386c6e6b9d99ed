// The services, system, spooler and archive-library wrappers where they add to the calls
// they make: buffer sizes, structure sizes, handle ownership and where a library is looked
// for. Runs under Wine or Windows.
#include <gtest/gtest.h>
#include <windows.h>
#include <winspool.h>

#include <string>
#include <vector>

#include "platform/win32/TickCountFold.h"
#include "platform/win32/Win32ArchiveLibrary.h"
#include "tests/contract/ContractPlatform.h"

namespace {

TEST(Win32SystemInfo, FolderBuffersAreExactlyTheGivenSize) {
    platform::SystemInfo& system = contractPlatform().system;
    for (const bool systemFolder : {true, false}) {
        const auto read = [&](std::uint32_t size) {
            return systemFolder ? system.systemDirectory(size) : system.windowsDirectory(size);
        };
        const std::string full = read(MAX_PATH);
        ASSERT_FALSE(full.empty());
        const auto length = static_cast<std::uint32_t>(full.size());
        // The path and its NUL just fit; one byte less does not.
        EXPECT_EQ(full, read(length + 1)) << full;
        EXPECT_EQ("", read(length)) << full;
        EXPECT_EQ("", read(0)) << full;
    }
    EXPECT_EQ(0u, system.systemDirectory(MAX_PATH).rfind(system.windowsDirectory(MAX_PATH), 0));
}

TEST(Win32SystemInfo, VersionAcceptsBothStructureSizesOnly) {
    platform::SystemInfo& system = contractPlatform().system;
    platform::OsVersion extended;
    platform::OsVersion plain;
    ASSERT_TRUE(system.getVersionEx(156, extended));
    ASSERT_TRUE(system.getVersionEx(148, plain));
    EXPECT_EQ(static_cast<std::uint32_t>(VER_PLATFORM_WIN32_NT), extended.platformId);
    EXPECT_EQ(extended.majorVersion, plain.majorVersion);
    EXPECT_EQ(extended.minorVersion, plain.minorVersion);
    platform::OsVersion untouched;
    EXPECT_FALSE(system.getVersionEx(100, untouched));
    EXPECT_FALSE(system.getVersionEx(4096, untouched));
    EXPECT_EQ(0u, untouched.majorVersion);
}

TEST(Win32SystemInfo, Wow64AnswerMatchesTheDirectCall) {
    platform::SystemInfo& system = contractPlatform().system;
    ASSERT_TRUE(system.hasIsWow64Process());  // every system served has it
    std::int32_t wow64 = -1;
    system.isWow64Process(wow64);
    BOOL direct = FALSE;
    ASSERT_TRUE(IsWow64Process(GetCurrentProcess(), &direct));
    EXPECT_EQ(direct, wow64);
}

TEST(Win32Services, OpensQueriesAndRefusesUnknownServices) {
    platform::Services& services = contractPlatform().services;
    platform::ServiceHandlePtr manager;
    ASSERT_EQ(0, services.openManager(SC_MANAGER_CONNECT, manager));
    ASSERT_NE(nullptr, manager);
    platform::ServiceHandlePtr missing;
    EXPECT_EQ(ERROR_SERVICE_DOES_NOT_EXIST,
              services.openService(*manager, "NoSuchServiceForTheInstallerTest", SERVICE_QUERY_STATUS, missing));
    EXPECT_EQ(nullptr, missing);
    platform::ServiceHandlePtr rpc;
    ASSERT_EQ(0, services.openService(*manager, "RpcSs", SERVICE_QUERY_STATUS, rpc));
    ASSERT_NE(nullptr, rpc);
    std::uint32_t state = 0;
    ASSERT_EQ(0, services.queryStatus(*rpc, state));
    EXPECT_GE(state, static_cast<std::uint32_t>(SERVICE_STOPPED));
    EXPECT_LE(state, static_cast<std::uint32_t>(SERVICE_PAUSED));
    // Opened for querying only: a stop request must be refused, not carried out, and the
    // refusal must carry Windows' error.
    EXPECT_EQ(ERROR_ACCESS_DENIED, services.control(*rpc, SERVICE_CONTROL_STOP, state));
}

TEST(Win32Services, ListsTheServicesThatDependOnOne) {
    platform::Services& services = contractPlatform().services;
    platform::ServiceHandlePtr manager, rpc;
    ASSERT_EQ(0, services.openManager(SC_MANAGER_CONNECT, manager));
    ASSERT_EQ(0, services.openService(*manager, "RpcSs", SERVICE_ENUMERATE_DEPENDENTS, rpc));
    // Windows lists many services that need RPC (Wine may list none): each must name a service.
    std::vector<platform::DependentService> dependents{{"stale", 0}};
    ASSERT_EQ(0, services.enumDependents(*rpc, SERVICE_STATE_ALL, dependents));
    for (const auto& dependent : dependents) {
        platform::ServiceHandlePtr handle;
        EXPECT_EQ(0, services.openService(*manager, dependent.name, SERVICE_QUERY_STATUS, handle)) << dependent.name;
    }
}

TEST(Win32Spooler, DriverFolderBufferAndMissingPrinters) {
    platform::Spooler& spooler = contractPlatform().spooler;
    std::string folder;
    ASSERT_EQ(0, spooler.printerDriverDirectory("Windows NT x86", MAX_PATH, folder));
    ASSERT_FALSE(folder.empty());
    std::string exact;
    const auto exactSize = static_cast<std::uint32_t>(folder.size()) + 1;
    EXPECT_EQ(0, spooler.printerDriverDirectory("Windows NT x86", exactSize, exact));
    EXPECT_EQ(folder, exact);
    std::string cut = "stale";
    EXPECT_EQ(ERROR_INSUFFICIENT_BUFFER,
              spooler.printerDriverDirectory("Windows NT x86", static_cast<std::uint32_t>(folder.size()), cut));
    EXPECT_EQ("", cut);

    platform::PrinterHandlePtr printer;
    EXPECT_NE(0, spooler.openPrinter("No Such Printer For The Installer Test", {"RAW", PRINTER_ACCESS_USE}, printer));
    EXPECT_EQ(nullptr, printer);
    std::vector<platform::PrinterEntry> printers{{"stale", "stale", "stale"}};
    EXPECT_EQ(0, spooler.enumPrinters(PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS, printers));
    for (const auto& entry : printers) EXPECT_NE("stale", entry.printerName);
    EXPECT_NE(0, spooler.deleteMonitor("Windows NT x86", "No Such Monitor For The Installer Test"));
    std::vector<platform::DriverInfo3> drivers(1);
    EXPECT_NE(0, spooler.enumPrinterDrivers("Windows 3.11", drivers));
    EXPECT_TRUE(drivers.empty());
    EXPECT_NE(0, spooler.deletePrinterDriver("Windows NT x86", "No Such Driver For The Installer Test"));
}

std::string programFolder() {
    char path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path, length);
    return folder.substr(0, folder.rfind('\\') + 1);
}

// Both ways of keeping the search to the program's and the system folder: the search flags,
// and the full paths that systems without them (XP, 7 without KB2533623) get.
class Win32ArchiveLibrary : public ::testing::TestWithParam<win32::Win32ArchiveLibraryLoader::Search> {
protected:
    win32::Win32ArchiveLibraryLoader loader{GetParam()};
};

INSTANTIATE_TEST_SUITE_P(Search, Win32ArchiveLibrary,
                         ::testing::Values(win32::Win32ArchiveLibraryLoader::Search::Detect,
                                           win32::Win32ArchiveLibraryLoader::Search::FullPaths));

TEST_P(Win32ArchiveLibrary, LoadsFromTheProgramFolderAndCallsTheExports) {
    std::unique_ptr<platform::ArchiveLibrary> library = loader.load("7-zip32.dll");
    ASSERT_NE(nullptr, library);
    for (const char* name : {"SevenZip", "SevenZipSetOwnerWindowEx", "SevenZipKillOwnerWindowEx", "SevenZipGetRunning"})
        EXPECT_TRUE(library->hasEntryPoint(name)) << name;
    // A failing command's message is cut to the size given, with room kept for its NUL.
    std::string output = "stale";
    EXPECT_NE(0, library->sevenZip(0, "x \"C:\\no\\such\\archive.zip\" -o\"C:\\no\\such\" -y", output, 8));
    EXPECT_FALSE(output.empty());
    EXPECT_LE(output.size(), 7u);
    EXPECT_NE(0, library->setOwnerWindowEx(0, [](std::uintptr_t, unsigned, unsigned, void*) { return 1; }));
    EXPECT_NE(0, library->killOwnerWindowEx(0));

    std::unique_ptr<platform::ArchiveLibrary> other = loader.load("kernel32.dll");
    ASSERT_NE(nullptr, other);
    EXPECT_FALSE(other->hasEntryPoint("SevenZip"));
    EXPECT_EQ(-1, other->sevenZip(0, "x a.zip", output, 64));
}

TEST_P(Win32ArchiveLibrary, IgnoresACopyPlantedInTheCurrentDirectory) {
    char temp[MAX_PATH] = {};
    ASSERT_NE(0u, GetTempPathA(MAX_PATH, temp));
    const std::string folder = std::string(temp) + "InstallerPlantedDll";
    CreateDirectoryA(folder.c_str(), nullptr);
    const std::string planted = folder + "\\planted7z.dll";
    ASSERT_TRUE(CopyFileA((programFolder() + "7-zip32.dll").c_str(), planted.c_str(), FALSE));
    char previous[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, previous);
    ASSERT_TRUE(SetCurrentDirectoryA(folder.c_str()));

    std::unique_ptr<platform::ArchiveLibrary> library = loader.load("planted7z.dll");
    const bool loaded = library != nullptr;
    library.reset();

    SetCurrentDirectoryA(previous);
    DeleteFileA(planted.c_str());
    RemoveDirectoryA(folder.c_str());
    EXPECT_FALSE(loaded);
}

// The 64-bit tick count the thread runtime gets on XP, from GetTickCount: each wrap of the
// 32-bit count carries into the high half, so the count never runs backwards.
TEST(TickCountFold, CarriesEachWrapAndNothingElse) {
    using win32::foldTickCount;
    EXPECT_EQ(foldTickCount(0, 5), 5u);
    EXPECT_EQ(foldTickCount(0xFFFFFFF0u, 0xFFFFFFF0u), 0xFFFFFFF0u);
    EXPECT_EQ(foldTickCount(0xFFFFFFF0u, 0xFFFFFFFFu), 0xFFFFFFFFu);
    const std::uint64_t wrapped = foldTickCount(0xFFFFFFF0u, 0x10);
    EXPECT_EQ(wrapped, 0x100000010u);
    EXPECT_EQ(foldTickCount(wrapped, 0x20), 0x100000020u);
    EXPECT_EQ(foldTickCount(0x2FFFFFFFFu, 1), 0x300000001u);
}

}  // namespace
