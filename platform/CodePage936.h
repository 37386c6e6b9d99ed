#pragma once
// Walking code page 936 text one character at a time. Windows converts ANSI names to Unicode
// before it looks at them, so a trail byte is never a separator, a bracket or a letter to fold:
// the trail byte of a double-byte character may well be 0x5C ('\'), 0x5D (']') or 'A'..'Z'.
#include <cstddef>
#include <string>

namespace cp936 {

inline bool isLeadByte(unsigned char c) { return c >= 0x81 && c <= 0xFE; }
inline bool isTrailByte(unsigned char c) { return c >= 0x40 && c <= 0xFE && c != 0x7F; }

// Bytes taken by the character at `pos`: 2 for a lead byte with a valid trail byte, else 1.
inline std::size_t charLength(const std::string& text, std::size_t pos) {
    if (pos + 1 < text.size() && isLeadByte(static_cast<unsigned char>(text[pos])) &&
        isTrailByte(static_cast<unsigned char>(text[pos + 1]))) {
        return 2;
    }
    return 1;
}

// How many characters the text holds: what its UTF-16 form counts.
inline std::size_t characterCount(const std::string& text) {
    std::size_t characters = 0;
    for (std::size_t pos = 0; pos < text.size(); pos += charLength(text, pos)) ++characters;
    return characters;
}

// The longest prefix of at most `limit` bytes that does not end inside a character.
inline std::size_t fittingPrefix(const std::string& text, std::size_t limit) {
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t next = pos + charLength(text, pos);
        if (next > limit) break;
        pos = next;
    }
    return pos;
}

// Position of the first single-byte character `c` at or after `from`, or npos.
inline std::size_t find(const std::string& text, char c, std::size_t from = 0) {
    for (std::size_t pos = from; pos < text.size(); pos += charLength(text, pos)) {
        if (text[pos] == c) return pos;
    }
    return std::string::npos;
}

// Folds the ASCII letters, leaving double-byte characters as they are.
inline std::string foldCase(const std::string& text) {
    std::string folded = text;
    for (std::size_t pos = 0; pos < folded.size();) {
        const std::size_t length = charLength(folded, pos);
        char& c = folded[pos];
        if (length == 1 && c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        pos += length;
    }
    return folded;
}

}  // namespace cp936
