// The language monitor DLL (tvkMonNT.dll, copied beside this program by the build): loaded
// the way the spooler loads it, driven against a recording port monitor, and registered
// with the real spooler (Wine's, or Windows' when run as an administrator).
#include <gtest/gtest.h>
#include <windows.h>
#include <winspool.h>
#include <winsplp.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

using InitializeFn = LPMONITOR2(WINAPI*)(PMONITORINIT, PHANDLE);

std::string besideProgram(const char* name) {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string dir(path);
    return dir.substr(0, dir.find_last_of("\\/") + 1) + name;
}

// What the port monitor below was given; its handles are recognisable values.
struct Recorded {
    HANDLE monitor = nullptr;
    std::wstring portName;
    std::vector<std::string> calls;
    HANDLE port = nullptr;
    std::wstring printerName;
    DWORD jobId = 0;
    std::vector<unsigned char> written;
    BOOL openResult = TRUE;
};
Recorded recorded;
HANDLE const kPortMonitorHandle = reinterpret_cast<HANDLE>(0x5150);
HANDLE const kPortHandle = reinterpret_cast<HANDLE>(0x7070);
const unsigned char kStatus[] = {0x10, 0x04, 0x12};

BOOL WINAPI fakeOpenPort(HANDLE monitor, LPWSTR name, PHANDLE handle) {
    recorded.monitor = monitor;
    recorded.portName = name;
    recorded.calls.push_back("open");
    if (!recorded.openResult) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return FALSE;
    }
    *handle = kPortHandle;
    return TRUE;
}
BOOL WINAPI fakeStartDoc(HANDLE port, LPWSTR printer, DWORD job, DWORD, LPBYTE) {
    recorded.port = port;
    recorded.printerName = printer;
    recorded.jobId = job;
    recorded.calls.push_back("start");
    return TRUE;
}
BOOL WINAPI fakeWrite(HANDLE port, LPBYTE data, DWORD size, LPDWORD written) {
    recorded.port = port;
    recorded.written.insert(recorded.written.end(), data, data + size);
    *written = size;
    recorded.calls.push_back("write");
    return TRUE;
}
BOOL WINAPI fakeRead(HANDLE port, LPBYTE data, DWORD size, LPDWORD read) {
    recorded.port = port;
    *read = std::min<DWORD>(size, sizeof(kStatus));
    std::copy(kStatus, kStatus + *read, data);
    recorded.calls.push_back("read");
    return TRUE;
}
BOOL WINAPI fakeEndDoc(HANDLE port) {
    recorded.port = port;
    recorded.calls.push_back("end");
    return TRUE;
}
BOOL WINAPI fakeClose(HANDLE port) {
    recorded.port = port;
    recorded.calls.push_back("close");
    SetLastError(ERROR_BUSY);
    return FALSE;
}

class LanguageMonitorTest : public ::testing::Test {
protected:
    void SetUp() override {
        recorded = Recorded{};
        portMonitor_.cbSize = MONITOR2_SIZE_WIN2K;  // an older, shorter table must do
        portMonitor_.pfnOpenPort = fakeOpenPort;
        portMonitor_.pfnStartDocPort = fakeStartDoc;
        portMonitor_.pfnWritePort = fakeWrite;
        portMonitor_.pfnReadPort = fakeRead;
        portMonitor_.pfnEndDocPort = fakeEndDoc;
        portMonitor_.pfnClosePort = fakeClose;

        dll_ = LoadLibraryA(besideProgram("tvkMonNT.dll").c_str());
        ASSERT_NE(nullptr, dll_) << "error " << GetLastError();
        auto initialize = reinterpret_cast<InitializeFn>(
            reinterpret_cast<void*>(GetProcAddress(dll_, "InitializePrintMonitor2")));
        ASSERT_NE(nullptr, initialize) << "InitializePrintMonitor2 is not exported by its plain name";
        MONITORINIT init{};
        init.cbSize = sizeof(init);
        init.bLocal = TRUE;
        monitor_ = initialize(&init, &handle_);
        ASSERT_NE(nullptr, monitor_);
        ASSERT_NE(nullptr, handle_);
    }
    void TearDown() override {
        if (monitor_ != nullptr && monitor_->pfnShutdown != nullptr) monitor_->pfnShutdown(handle_);
        if (dll_ != nullptr) FreeLibrary(dll_);
    }

    HMODULE dll_ = nullptr;
    LPMONITOR2 monitor_ = nullptr;
    HANDLE handle_ = nullptr;
    MONITOR2 portMonitor_{};
};

TEST_F(LanguageMonitorTest, PassesAJobThroughUnchanged) {
    wchar_t portName[] = L"COM1:";
    wchar_t printerName[] = L"Label printer";
    HANDLE port = nullptr;
    ASSERT_TRUE(monitor_->pfnOpenPortEx(handle_, kPortMonitorHandle, portName, printerName, &port, &portMonitor_));
    EXPECT_EQ(kPortMonitorHandle, recorded.monitor);
    EXPECT_EQ(L"COM1:", recorded.portName);

    ASSERT_TRUE(monitor_->pfnStartDocPort(port, printerName, 42, 1, nullptr));
    EXPECT_EQ(kPortHandle, recorded.port);
    EXPECT_EQ(L"Label printer", recorded.printerName);
    EXPECT_EQ(42u, recorded.jobId);

    // Every byte value, NULs and escapes included, reaches the port as it was sent.
    std::vector<unsigned char> job(256 * 2);
    for (size_t i = 0; i < job.size(); ++i) job[i] = static_cast<unsigned char>(i);
    DWORD written = 0;
    ASSERT_TRUE(monitor_->pfnWritePort(port, job.data(), 256, &written));
    ASSERT_TRUE(monitor_->pfnWritePort(port, job.data() + 256, 256, &written));
    EXPECT_EQ(256u, written);
    EXPECT_EQ(job, recorded.written);

    unsigned char status[8] = {};
    DWORD read = 0;
    ASSERT_TRUE(monitor_->pfnReadPort(port, status, sizeof(status), &read));
    EXPECT_EQ(std::vector<unsigned char>(kStatus, kStatus + sizeof(kStatus)), std::vector<unsigned char>(status, status + read));

    ASSERT_TRUE(monitor_->pfnEndDocPort(port));
    recorded.port = nullptr;
    // The port monitor's failure and error code come back from ClosePort unchanged.
    SetLastError(0);
    EXPECT_FALSE(monitor_->pfnClosePort(port));
    EXPECT_EQ(static_cast<DWORD>(ERROR_BUSY), GetLastError());
    EXPECT_EQ(kPortHandle, recorded.port);
    EXPECT_EQ((std::vector<std::string>{"open", "start", "write", "write", "read", "end", "close"}), recorded.calls);
}

TEST_F(LanguageMonitorTest, ReportsWhatThePortMonitorCannotDo) {
    wchar_t portName[] = L"USB001";
    HANDLE port = nullptr;
    recorded.openResult = FALSE;
    EXPECT_FALSE(monitor_->pfnOpenPortEx(handle_, kPortMonitorHandle, portName, portName, &port, &portMonitor_));
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), GetLastError());

    recorded.openResult = TRUE;
    ASSERT_TRUE(monitor_->pfnOpenPortEx(handle_, kPortMonitorHandle, portName, portName, &port, &portMonitor_));
    ASSERT_NE(nullptr, monitor_->pfnGetPrinterDataFromPort);
    wchar_t out[16] = {};
    DWORD returned = 0;
    EXPECT_FALSE(monitor_->pfnGetPrinterDataFromPort(port, 1, nullptr, nullptr, 0, out, sizeof(out), &returned));
    EXPECT_EQ(static_cast<DWORD>(ERROR_NOT_SUPPORTED), GetLastError());
    monitor_->pfnClosePort(port);
}

// What the installer does with the DLL: the spooler must load it and accept it as a monitor.
TEST(LanguageMonitorRegistration, SpoolerAcceptsAndRemovesIt) {
    BOOL wow64 = FALSE;
    if (IsWow64Process(GetCurrentProcess(), &wow64) && wow64) {
        GTEST_SKIP() << "a 64-bit spooler does not load the 32-bit DLL";
    }
    char system[MAX_PATH] = {};
    ASSERT_NE(0u, GetSystemDirectoryA(system, MAX_PATH));
    const std::string installed = std::string(system) + "\\tvkMonNT.dll";
    if (!CopyFileA(besideProgram("tvkMonNT.dll").c_str(), installed.c_str(), FALSE)) {
        GTEST_SKIP() << "cannot write " << installed << " (error " << GetLastError() << "), not an administrator";
    }
    char name[] = "Advanced Language Monitor (test)";
    char environment[] = "Windows NT x86";
    std::vector<char> path(installed.begin(), installed.end());
    path.push_back('\0');
    MONITOR_INFO_2A info{name, environment, path.data()};
    const BOOL added = AddMonitorA(nullptr, 2, reinterpret_cast<BYTE*>(&info));
    const DWORD error = added ? 0 : GetLastError();
    EXPECT_TRUE(added || error == ERROR_PRINT_MONITOR_ALREADY_INSTALLED) << "AddMonitorA error " << error;
    EXPECT_TRUE(DeleteMonitorA(nullptr, environment, name)) << "DeleteMonitorA error " << GetLastError();
    DeleteFileA(installed.c_str());
}

}  // namespace
