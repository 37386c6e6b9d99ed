// Prepares a Wine prefix for the TCP/IP cases of the installation tests:
//   TestTcpipMonitorSetup.exe register          registers TestTcpipMon.dll (already copied
//                                               into the system folder) as the monitor
//                                               "Standard TCP/IP Port"
//   TestTcpipMonitorSetup.exe add-port NAME ADDRESS
//                                               adds a port without a dialog, through the
//                                               same XcvData command as the monitor's wizard
// Prints what it did, or the error, and exits with 0 on success.
#include <windows.h>
#include <winspool.h>

#include <cstdio>

#include "TestTcpipMonitor.h"

namespace {

int registerMonitor() {
    // AddMonitorW only reads the strings it is given.
    wchar_t environment[] = L"Windows NT x86";
    MONITOR_INFO_2W info{const_cast<LPWSTR>(testmon::kMonitorName), environment,
                         const_cast<LPWSTR>(testmon::kMonitorDll)};
    if (!AddMonitorW(nullptr, 2, reinterpret_cast<BYTE*>(&info))) {
        std::printf("AddMonitor failed: %lu\n", GetLastError());
        return 1;
    }
    std::printf("monitor registered\n");
    return 0;
}

int addPort(const wchar_t* name, const wchar_t* address) {
    if (!testmon::validName(name) || !testmon::validName(address)) {
        std::printf("invalid port name or address\n");
        return 2;
    }
    wchar_t object[16 + testmon::kNameChars];
    testmon::xcvObjectName(object, L"XcvMonitor", testmon::kMonitorName);
    PRINTER_DEFAULTSW defaults{nullptr, nullptr, SERVER_ACCESS_ADMINISTER};
    HANDLE monitor = nullptr;
    if (!OpenPrinterW(object, &monitor, &defaults)) {
        std::printf("OpenPrinter(%ls) failed: %lu\n", object, GetLastError());
        return 1;
    }
    wchar_t input[2 * testmon::kNameChars + 1] = L"";
    lstrcpyW(input, name);
    lstrcpyW(input + lstrlenW(name) + 1, address);
    const DWORD chars = static_cast<DWORD>(lstrlenW(name) + 1 + lstrlenW(address) + 2);
    DWORD needed = 0;
    DWORD status = ERROR_SUCCESS;
    const BOOL called = XcvDataW(monitor, testmon::kXcvAddPort, reinterpret_cast<BYTE*>(input),
                                 chars * sizeof(wchar_t), nullptr, 0, &needed, &status);
    const DWORD error = called ? status : GetLastError();
    ClosePrinter(monitor);
    if (error != ERROR_SUCCESS) {
        std::printf("AddPort %ls failed: %lu\n", name, error);
        return 1;
    }
    std::printf("port %ls added (%ls)\n", name, address);
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc == 2 && lstrcmpW(argv[1], L"register") == 0) return registerMonitor();
    if (argc == 4 && lstrcmpW(argv[1], L"add-port") == 0) return addPort(argv[2], argv[3]);
    std::fprintf(stderr, "usage: TestTcpipMonitorSetup register | add-port NAME ADDRESS\n");
    return 2;
}
