#pragma once
// PORT_DATA_1, the record the "Standard TCP/IP Port" monitor takes with XcvData "AddPort" and
// "ConfigPort". The MinGW headers have no tcpxcv.h, so the layout is written here from the
// WDK's documentation of the structure and the print protocol's description of its wire form
// (a 128-byte port name, a 98-byte host address, 540 reserved bytes, alignment before the port
// number); the checks below hold it to that.
#include <windows.h>

#include <cstddef>

namespace win32 {

constexpr DWORD PORT_DATA_1_VERSION = 1;
constexpr DWORD PROTOCOL_RAWTCP_TYPE_VALUE = 1;
constexpr DWORD PROTOCOL_LPR_TYPE_VALUE = 2;
constexpr std::size_t MAX_PORTNAME_CHARS = 64;      // MAX_PORTNAME_LEN, NUL included
constexpr std::size_t MAX_NETWORKNAME_CHARS = 49;   // MAX_NETWORKNAME_LEN
constexpr std::size_t MAX_SNMP_COMMUNITY_CHARS = 33;
constexpr std::size_t MAX_QUEUENAME_CHARS = 33;
constexpr std::size_t MAX_IPADDR_STR_CHARS = 16;

struct PortData1 {
    WCHAR sztPortName[MAX_PORTNAME_CHARS];
    DWORD dwVersion;
    DWORD dwProtocol;
    DWORD cbSize;
    DWORD dwReserved;
    WCHAR sztHostAddress[MAX_NETWORKNAME_CHARS];
    WCHAR sztSNMPCommunity[MAX_SNMP_COMMUNITY_CHARS];
    DWORD dwDoubleSpool;
    WCHAR sztQueue[MAX_QUEUENAME_CHARS];
    WCHAR sztIPAddress[MAX_IPADDR_STR_CHARS];
    BYTE Reserved[540];
    DWORD dwPortNumber;
    DWORD dwSNMPEnabled;
    DWORD dwSNMPDevIndex;
};

static_assert(sizeof(WCHAR) == 2);
static_assert(offsetof(PortData1, dwVersion) == 128);
static_assert(offsetof(PortData1, sztHostAddress) == 144);
static_assert(offsetof(PortData1, sztSNMPCommunity) == 242);
static_assert(offsetof(PortData1, dwDoubleSpool) == 308);
static_assert(offsetof(PortData1, sztQueue) == 312);
static_assert(offsetof(PortData1, sztIPAddress) == 378);
static_assert(offsetof(PortData1, Reserved) == 410);
static_assert(offsetof(PortData1, dwPortNumber) == 952);
static_assert(offsetof(PortData1, dwSNMPDevIndex) == 960);
static_assert(sizeof(PortData1) == 964);

}  // namespace win32
