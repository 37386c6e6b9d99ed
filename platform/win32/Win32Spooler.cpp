#include "platform/win32/Win32Spooler.h"

#include <windows.h>
#include <winspool.h>

#include <vector>

namespace win32 {
namespace {

std::string orEmpty(const char* text) { return text != nullptr ? std::string(text) : std::string(); }

// A port added between the sizing call and the filling call makes the exact-size buffer too
// small. That is a race with another process, not a failure of ours, so size again; a bound
// keeps a machine whose ports churn from holding us forever.
constexpr int kEnumAttempts = 4;

}  // namespace

long Win32Spooler::enumPorts(std::vector<platform::PortInfo2>& ports) {
    ports.clear();
    DWORD needed = 0;
    DWORD returned = 0;
    if (EnumPortsA(nullptr, 2, nullptr, 0, &needed, &returned)) return ERROR_SUCCESS;  // no ports at all
    DWORD error = GetLastError();
    for (int attempt = 0; attempt < kEnumAttempts && error == ERROR_INSUFFICIENT_BUFFER; ++attempt) {
        // Operator new's alignment suits the PORT_INFO_2A records at the start of the buffer.
        std::vector<BYTE> buffer(needed);
        const DWORD size = needed;
        returned = 0;
        if (EnumPortsA(nullptr, 2, buffer.data(), size, &needed, &returned)) {
            const auto* entries = reinterpret_cast<const PORT_INFO_2A*>(buffer.data());
            ports.reserve(returned);
            for (DWORD i = 0; i < returned; ++i) {
                ports.push_back(platform::PortInfo2{orEmpty(entries[i].pPortName), orEmpty(entries[i].pMonitorName),
                                                    orEmpty(entries[i].pDescription), entries[i].fPortType});
            }
            return ERROR_SUCCESS;
        }
        error = GetLastError();
    }
    return static_cast<long>(error);
}

}  // namespace win32
