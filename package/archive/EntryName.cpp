#include "package/archive/EntryName.h"

#include "package/archive/ArchiveFiles.h"

#include <array>
#include <cstdint>

namespace archive {
namespace {

// Decodes one UTF-8 sequence at pos; returns false for malformed, overlong or surrogate
// sequences, which Windows would turn into replacement characters and so into other names.
bool nextCodePoint(std::string_view text, std::size_t& pos, char32_t& cp) {
    const auto lead = static_cast<unsigned char>(text[pos]);
    std::size_t extra = 0;
    char32_t minimum = 0;
    if (lead < 0x80) {
        cp = lead;
        ++pos;
        return true;
    } else if ((lead & 0xE0) == 0xC0) {
        extra = 1, minimum = 0x80, cp = lead & 0x1Fu;
    } else if ((lead & 0xF0) == 0xE0) {
        extra = 2, minimum = 0x800, cp = lead & 0x0Fu;
    } else if ((lead & 0xF8) == 0xF0) {
        extra = 3, minimum = 0x10000, cp = lead & 0x07u;
    } else {
        return false;
    }
    if (text.size() - pos <= extra) return false;
    for (std::size_t i = 1; i <= extra; ++i) {
        const auto next = static_cast<unsigned char>(text[pos + i]);
        if ((next & 0xC0) != 0x80) return false;
        cp = (cp << 6) | (next & 0x3Fu);
    }
    if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
    pos += extra + 1;
    return true;
}

bool isAscii(std::string_view text) {
    for (char c : text)
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    return true;
}

char asciiUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

bool equalsIgnoreCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (asciiUpper(a[i]) != asciiUpper(b[i])) return false;
    return true;
}

// Windows opens a device instead of a file for these names, whatever the folder and whatever
// follows the first dot ("nul.txt", "COM1 .log"); newer systems add the superscript digits.
bool isDeviceName(std::string_view component) {
    std::string_view base = component.substr(0, component.find('.'));
    while (!base.empty() && base.back() == ' ') base.remove_suffix(1);
    static constexpr std::array<std::string_view, 6> fixed{"CON", "PRN", "AUX", "NUL", "CONIN$",
                                                           "CONOUT$"};
    for (auto name : fixed)
        if (equalsIgnoreCase(base, name)) return true;
    if (base.size() < 4) return false;
    const auto prefix = base.substr(0, 3);
    if (!equalsIgnoreCase(prefix, "COM") && !equalsIgnoreCase(prefix, "LPT")) return false;
    const auto digit = base.substr(3);
    if (digit.size() == 1) return digit[0] >= '1' && digit[0] <= '9';
    // U+00B9, U+00B2, U+00B3 in UTF-8.
    return digit == "\xC2\xB9" || digit == "\xC2\xB2" || digit == "\xC2\xB3";
}

bool checkComponent(std::string_view component, std::string& why) {
    if (component == "..") {
        why = "parent folder component";
        return false;
    }
    // Windows drops trailing dots and spaces, so "a." would land on "a" and "..." on "".
    if (component.back() == '.' || component.back() == ' ') {
        why = "name ends with a dot or space";
        return false;
    }
    if (isDeviceName(component)) {
        why = "device name";
        return false;
    }
    return true;
}

}  // namespace

bool isValidUtf8(std::string_view text) {
    std::size_t pos = 0;
    char32_t cp = 0;
    while (pos < text.size())
        if (!nextCodePoint(text, pos, cp)) return false;
    return true;
}

NameOrigin nameOrigin(unsigned versionMadeBy) {
    // 3 is Unix and 19 OS X in the host-system table of the format.
    const auto host = versionMadeBy >> 8;
    return host == 3 || host == 19 ? NameOrigin::Unix : NameOrigin::Windows;
}

bool decodeEntryName(std::string_view stored, bool utf8Flag, std::string_view unicodePath, NameOrigin origin,
                     std::string& utf8, std::string& why) {
    if (utf8Flag || !unicodePath.empty()) {
        const auto text = utf8Flag ? stored : unicodePath;
        if (!isValidUtf8(text)) {
            why = "name is not valid UTF-8";
            return false;
        }
        utf8.assign(text);
        return true;
    }
    if (isAscii(stored) || (origin == NameOrigin::Unix && isValidUtf8(stored))) {
        utf8.assign(stored);
        return true;
    }
    if (!cp936ToUtf8(stored, utf8)) {
        why = "name is not valid code page 936 text";
        return false;
    }
    return true;
}

bool toEntryPath(std::string_view utf8, EntryPath& path, std::string& why) {
    path.components.clear();
    path.directory = false;
    if (utf8.empty()) {
        why = "empty name";
        return false;
    }
    if (utf8.front() == '/' || utf8.front() == '\\') {
        why = "absolute path";
        return false;
    }
    std::size_t pos = 0;
    char32_t cp = 0;
    while (pos < utf8.size()) {
        if (!nextCodePoint(utf8, pos, cp)) {
            why = "name is not valid UTF-8";
            return false;
        }
        if (cp < 0x20 || (cp >= 0x7F && cp <= 0x9F)) {
            why = "control character in name";
            return false;
        }
        // ':' covers drive letters and NTFS alternate streams; the rest are not file name
        // characters on Windows and must not reach CreateFileW as wildcards or pipes.
        switch (cp) {
        case ':':
        case '<':
        case '>':
        case '"':
        case '|':
        case '?':
        case '*':
            why = "character not allowed in a Windows file name";
            return false;
        default:
            break;
        }
    }
    if (utf8.back() == '/' || utf8.back() == '\\') {
        path.directory = true;
        utf8.remove_suffix(1);
    }
    std::size_t start = 0;
    while (true) {
        const auto end = utf8.find_first_of("/\\", start);
        const auto component = utf8.substr(start, end == std::string_view::npos ? end : end - start);
        if (!component.empty() && component != ".") {
            if (!checkComponent(component, why)) return false;
            path.components.emplace_back(component);
        }
        if (end == std::string_view::npos) break;
        start = end + 1;
    }
    if (path.components.empty() && !path.directory) {
        why = "no file name";
        return false;
    }
    return true;
}

}  // namespace archive
