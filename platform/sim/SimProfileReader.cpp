// Where Wine (8.0, observed) reads profiles differently from Windows, and what is done here:
// - A UTF-8 byte-order mark: Wine decodes the file as UTF-8 and hands back code page 936
//   text; Windows knows no such mark, so its three bytes start the first line and the section
//   header on that line is lost. Here: Windows.
// - A section header ends at the first "]" on Windows and at the last one in Wine; a header
//   without "]" names a section on Windows and is an ordinary line in Wine. Here: Windows.
// - Keys before the first section: Wine finds them under the section name "", Windows never
//   does (it finds the keys of a "[]" section under ""). Here: Windows.
// - Comment lines (";" first): Windows ignores them; Wine keeps them as keys, so a key name
//   that starts with ";" finds them. Here: Windows.
// - Section and key names passed in: Windows trims only spaces, Wine all white space. Here:
//   Windows.
// - A quoted value whose text and quotes just fill the buffer: Wine cuts it, then drops the
//   last character as if it were the closing quote (127 quoted bytes in 128 read as 126).
//   Here: the value is unquoted before it is cut.
// - Truncation is counted in bytes here. Wine counts characters in its Unicode core and then
//   converts into the byte buffer, so double-byte text that fits the character count but not
//   the bytes is cut where the bytes run out, at a character boundary, with only the buffer's
//   last byte set to NUL. Where that cut falls short of the last byte, a cleared buffer gives
//   the same result as here: a value of nSize - 1 (its last, partial character gone), a list
//   of names of nSize - 2 ending in two NULs.
// - A NUL byte in the file: Wine keeps every section name, key name and value as a
//   NUL-terminated string, so the byte ends the name or value it falls in (after the blanks
//   around it are trimmed). Windows hands back NUL-terminated text too, and is taken to cut
//   there alike. The names and default passed in end at their first NUL on both, being C
//   strings. Here: as Wine.
// Not modelled: UTF-16 files (both read them), letters outside ASCII folding case (both fold
// them).
#include "platform/sim/SimProfileReader.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "platform/WinConstants.h"
#include "platform/CodePage936.h"

namespace sim {

namespace {

struct Key {
    std::string name;
    std::optional<std::string> value;  // none for a line without "="
};

struct Section {
    std::string name;
    std::vector<Key> keys;
};

// Windows trims space, tab and vertical tab around what it reads; Wine also form feed,
// carriage return and ^Z (the MS-DOS end of file), which no Windows file should hold anyway.
bool isBlank(char c) { return (c >= 0x09 && c <= 0x0D) || c == 0x1A || c == ' '; }

std::string trimmed(const std::string& text, bool (*blank)(char)) {
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && blank(text[begin])) ++begin;
    while (end > begin && blank(text[end - 1])) --end;
    return text.substr(begin, end - begin);
}

std::string trimmedBlanks(const std::string& text) { return trimmed(text, isBlank); }

std::string trimmedSpaces(const std::string& text) {
    return trimmed(text, [](char c) { return c == ' '; });
}

std::string cutAtNul(std::string text) {
    text.resize(std::min(text.size(), text.find('\0')));
    return text;
}

// A name or value as read from the file: blanks trimmed, then ended at a NUL byte.
std::string fileText(const std::string& text) { return cutAtNul(trimmedBlanks(text)); }

std::vector<Section> parse(const std::string& text) {
    std::vector<Section> sections;
    std::size_t pos = 0;
    while (pos < text.size()) {
        // A line ends at a carriage return or a line feed, each alone or in any run.
        std::size_t end = text.find_first_of("\r\n", pos);
        if (end == std::string::npos) end = text.size();
        const std::string line = trimmedBlanks(text.substr(pos, end - pos));
        pos = text.find_first_not_of("\r\n", end);
        if (pos == std::string::npos) pos = text.size();

        if (line.empty() || line[0] == ';') continue;
        if (line[0] == '[') {
            const std::size_t close = cp936::find(line, ']', 1);
            const std::size_t length = close == std::string::npos ? std::string::npos : close - 1;
            sections.push_back({fileText(line.substr(1, length)), {}});
            continue;
        }
        if (sections.empty()) continue;
        // "=" (0x3D) is never the trail byte of a double-byte character.
        const std::size_t equals = line.find('=');
        if (equals == std::string::npos) {
            sections.back().keys.push_back({cutAtNul(line), std::nullopt});
        } else {
            sections.back().keys.push_back({fileText(line.substr(0, equals)), fileText(line.substr(equals + 1))});
        }
    }
    return sections;
}

// The file is read anew for every value, as Windows reads it; the same bytes parse to the same
// sections, and a catalogue read value by value would otherwise be parsed a hundred times.
const std::vector<Section>& parsed(const std::string& text) {
    thread_local std::string lastText;
    thread_local std::vector<Section> lastSections;
    if (lastSections.empty() || text != lastText) {
        lastSections = parse(text);
        lastText = text;
    }
    return lastSections;
}

// One pair of matching quotes around the whole value goes; anything else stays.
std::string unquoted(const std::string& value) {
    if (value.size() >= 2 && (value[0] == '"' || value[0] == '\'') && value.back() == value[0]) {
        return value.substr(1, value.size() - 2);
    }
    return value;
}

// Fills a buffer of `bufferSize` bytes with `text` and its NUL: a text that does not fit is cut
// to what fits before the NUL, never inside a character, and the result is then bufferSize - 1.
std::uint32_t copyString(const std::string& text, std::uint32_t bufferSize, std::string& out) {
    if (bufferSize == 0) {
        out.clear();
        return 0;
    }
    if (text.size() <= bufferSize - 1) {
        out = text;
        return static_cast<std::uint32_t>(text.size());
    }
    out = text.substr(0, cp936::fittingPrefix(text, bufferSize - 1));
    return bufferSize - 1;
}

// A bare file name lives in the Windows folder; anything with a folder or drive in it is a
// path, relative ones starting at the current directory.
std::string profilePath(const std::string& file) {
    if (file.find_first_of("\\/:") == std::string::npos) return "C:\\Windows\\" + file;
    return file;
}

}  // namespace

std::uint32_t SimProfileReader::sectionNames(const std::string& file, std::uint32_t bufferSize,
                                             std::string& buffer) {
    buffer.assign(bufferSize, '\0');
    std::string text;
    if (bufferSize < 2 || files_.loadFile(profilePath(file), text) != win::ERROR_SUCCESS) return 0;

    std::size_t pos = 0;
    std::size_t room = bufferSize - 1;  // the list's closing NUL is always kept free
    for (const Section& section : parsed(text)) {
        // An empty name would read as the end of the list.
        if (section.name.empty()) continue;
        const std::size_t entry = section.name.size() + 1;
        if (entry >= room) {
            // The name that does not fit is cut so that the list still ends in two NULs; a list
            // that fits exactly is reported the same way (as Windows and Wine both do).
            const std::size_t kept = cp936::fittingPrefix(section.name, room - 1);
            buffer.replace(pos, kept, section.name, 0, kept);
            return bufferSize - 2;
        }
        buffer.replace(pos, entry - 1, section.name);
        pos += entry;
        room -= entry;
    }
    return static_cast<std::uint32_t>(pos);
}

std::uint32_t SimProfileReader::getString(const std::string& section, const std::string& key,
                                          const std::string& defaultValue, std::uint32_t bufferSize,
                                          std::string& value, const std::string& file) {
    // Trailing spaces of the default are dropped, as documented; Wine also unquotes it.
    std::string fallback = cutAtNul(defaultValue);
    fallback.erase(fallback.find_last_not_of(' ') + 1);
    fallback = unquoted(fallback);

    std::string text;
    if (files_.loadFile(profilePath(file), text) != win::ERROR_SUCCESS) return copyString(fallback, bufferSize, value);

    const std::string sectionName = cp936::foldCase(trimmedSpaces(cutAtNul(section)));
    const std::string keyName = cp936::foldCase(trimmedSpaces(cutAtNul(key)));
    const std::vector<Section>& sections = parsed(text);
    for (const Section& candidate : sections) {
        if (cp936::foldCase(candidate.name) != sectionName) continue;
        // Only the first section of a name counts, and in it the first key of a name.
        for (const Key& entry : candidate.keys) {
            if (cp936::foldCase(entry.name) != keyName) continue;
            if (!entry.value) break;
            return copyString(unquoted(*entry.value), bufferSize, value);
        }
        break;
    }
    return copyString(fallback, bufferSize, value);
}

}  // namespace sim
