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
constexpr long ERROR_ACCESS_DENIED = 5;
constexpr long ERROR_INVALID_HANDLE = 6;
constexpr long ERROR_NOT_SUPPORTED = 50;
constexpr long ERROR_INVALID_PARAMETER = 87;
constexpr long ERROR_INSUFFICIENT_BUFFER = 122;
constexpr long ERROR_MOD_NOT_FOUND = 126;
constexpr long ERROR_MORE_DATA = 234;
constexpr long ERROR_NO_MORE_ITEMS = 259;
constexpr long ERROR_INVALID_WINDOW_HANDLE = 1400;

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
