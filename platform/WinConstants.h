#pragma once
// Windows numbers the logic depends on, under their published names in namespace win. The
// logic never includes <windows.h>, yet its behaviour hinges on these exact values (error
// codes shown to the user, message box results, list-view states). <windows.h> defines the
// same names as macros: a file that includes it must not include this one.
#include <cstdint>

namespace win {

// Error codes (GetLastError / LSTATUS).
constexpr long ERROR_SUCCESS = 0;
constexpr long ERROR_FILE_NOT_FOUND = 2;
constexpr long ERROR_PATH_NOT_FOUND = 3;
constexpr long ERROR_ACCESS_DENIED = 5;
constexpr long ERROR_INVALID_HANDLE = 6;
constexpr long ERROR_NO_MORE_FILES = 18;
constexpr long ERROR_SHARING_VIOLATION = 32;
constexpr long ERROR_NOT_SUPPORTED = 50;
constexpr long ERROR_ADAP_HDW_ERR = 57;
constexpr long ERROR_FILE_EXISTS = 80;
constexpr long ERROR_INVALID_PARAMETER = 87;
constexpr long ERROR_INSUFFICIENT_BUFFER = 122;
constexpr long ERROR_MOD_NOT_FOUND = 126;
constexpr long ERROR_DIR_NOT_EMPTY = 145;
constexpr long ERROR_BUSY = 170;
constexpr long ERROR_ALREADY_EXISTS = 183;
constexpr long ERROR_MORE_DATA = 234;
constexpr long ERROR_NO_MORE_ITEMS = 259;
constexpr long ERROR_DIRECTORY = 267;
constexpr long ERROR_DEPENDENT_SERVICES_RUNNING = 1051;
constexpr long ERROR_SERVICE_ALREADY_RUNNING = 1056;
constexpr long ERROR_SERVICE_DISABLED = 1058;
constexpr long ERROR_SERVICE_DOES_NOT_EXIST = 1060;
constexpr long ERROR_SERVICE_CANNOT_ACCEPT_CTRL = 1061;
constexpr long ERROR_SERVICE_NOT_ACTIVE = 1062;
constexpr long ERROR_SERVICE_DEPENDENCY_FAIL = 1068;
constexpr long ERROR_CANCELLED = 1223;
constexpr long ERROR_INVALID_WINDOW_HANDLE = 1400;
constexpr long ERROR_INVALID_PRINTER_NAME = 1801;
constexpr long ERROR_UNKNOWN_PRINT_MONITOR = 3000;

// Registry value types and access rights.
constexpr uint32_t REG_NONE = 0;
constexpr uint32_t REG_SZ = 1;
constexpr uint32_t REG_BINARY = 3;
constexpr uint32_t REG_DWORD = 4;
constexpr uint32_t KEY_QUERY_VALUE = 0x0001;
constexpr uint32_t KEY_SET_VALUE = 0x0002;
constexpr uint32_t KEY_CREATE_SUB_KEY = 0x0004;
constexpr uint32_t KEY_ENUMERATE_SUB_KEYS = 0x0008;
constexpr uint32_t KEY_READ = 0x20019;
constexpr uint32_t KEY_WRITE = 0x20006;
constexpr uint32_t KEY_ALL_ACCESS = 0xF003F;

// Dialog results and standard command ids.
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDABORT = 3;
constexpr int IDRETRY = 4;
constexpr int IDIGNORE = 5;
constexpr int IDYES = 6;
constexpr int IDNO = 7;

// Message box types and icons.
constexpr unsigned MB_OK = 0x0;
constexpr unsigned MB_OKCANCEL = 0x1;
constexpr unsigned MB_RETRYCANCEL = 0x5;
constexpr unsigned MB_YESNO = 0x4;
constexpr unsigned MB_ICONERROR = 0x10;
constexpr unsigned MB_ICONQUESTION = 0x20;
constexpr unsigned MB_ICONWARNING = 0x30;
constexpr unsigned MB_ICONINFORMATION = 0x40;
constexpr unsigned MB_TYPEMASK = 0xF;

// Notification codes carried by WM_COMMAND.
constexpr int BN_CLICKED = 0;
constexpr int CBN_SELCHANGE = 1;

// Check box states.
constexpr int BST_UNCHECKED = 0;
constexpr int BST_CHECKED = 1;

// List-view item states, extended styles and column formats.
constexpr uint32_t LVIS_FOCUSED = 0x0001;
constexpr uint32_t LVIS_SELECTED = 0x0002;
constexpr uint32_t LVS_EX_GRIDLINES = 0x0001;
constexpr uint32_t LVS_EX_TRACKSELECT = 0x0008;
constexpr uint32_t LVS_EX_FULLROWSELECT = 0x0020;
constexpr int LVCFMT_LEFT = 0;

// Combo box results.
constexpr int CB_ERR = -1;

}  // namespace win
