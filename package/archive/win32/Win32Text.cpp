#include "package/archive/ArchiveFiles.h"

#include <windows.h>

#include <string>

namespace archive {

bool cp936ToUtf8(std::string_view bytes, std::string& utf8) {
    utf8.clear();
    if (bytes.empty()) return true;
    constexpr UINT kCodePage = 936;
    const int size = static_cast<int>(bytes.size());
    const int wideLength = MultiByteToWideChar(kCodePage, MB_ERR_INVALID_CHARS, bytes.data(), size, nullptr, 0);
    if (wideLength <= 0) return false;
    std::wstring wide(static_cast<std::size_t>(wideLength), L'\0');
    if (MultiByteToWideChar(kCodePage, MB_ERR_INVALID_CHARS, bytes.data(), size, wide.data(), wideLength) != wideLength)
        return false;
    const int length = WideCharToMultiByte(CP_UTF8, 0, wide.data(), wideLength, nullptr, 0, nullptr, nullptr);
    if (length <= 0) return false;
    utf8.resize(static_cast<std::size_t>(length));
    return WideCharToMultiByte(CP_UTF8, 0, wide.data(), wideLength, utf8.data(), length, nullptr, nullptr) == length;
}

}  // namespace archive
