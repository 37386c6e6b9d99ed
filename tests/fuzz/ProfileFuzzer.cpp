// Each input is the bytes of C:\DriverName.cfg on the simulated drive. The section names are
// read into buffers of every size around the list's own length and of a few odd sizes, and the
// keys the file appears to hold are read the same way. The run aborts when a result breaks
// what the call promises: the count against the buffer, the terminating NULs, a cut list or
// value that is not a prefix of the whole one, or a value holding a NUL.
#include "platform/sim/SimFileSystem.h"
#include "platform/sim/SimProfileReader.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

namespace {

const std::string kFile = "C:\\DriverName.cfg";
// Every read loads and parses the whole file again: a few reads of each kind keep the target
// fast enough to explore.
constexpr std::size_t kMaxSections = 2;
constexpr std::size_t kMaxKeys = 6;
const std::uint32_t kOddSizes[] = {0, 1, 2, 3, 128};

[[noreturn]] void fault(const std::string& what) {
    std::fprintf(stderr, "profile fuzzer: %s\n", what.c_str());
    std::fflush(stderr);
    std::abort();
}

std::string printable(const std::string& text) {
    std::string out;
    for (unsigned char c : text) {
        if (c >= 0x20 && c < 0x7F) {
            out += static_cast<char>(c);
        } else {
            char hex[5];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            out += hex;
        }
    }
    return out;
}

void checkSectionNames(sim::SimProfileReader& reader, std::size_t fileSize, std::vector<std::string>& names) {
    // Large enough for any list the file can give: each name is shorter than its line.
    std::string full;
    const auto size = static_cast<std::uint32_t>(fileSize + 8);
    const std::uint32_t count = reader.sectionNames(kFile, size, full);
    if (count + 2 > size) fault("a list that fits reported as cut");
    if (full[count] != '\0' || (count > 0 && full[count - 1] != '\0')) fault("a whole list not ending in two NULs");
    for (std::size_t start = 0; start < count;) {
        const std::size_t end = full.find('\0', start);
        if (end == start) fault("an empty name inside the list");
        names.push_back(full.substr(start, end - start));
        start = end + 1;
    }

    std::set<std::uint32_t> sizes(std::begin(kOddSizes), std::end(kOddSizes));
    // Around the whole list's length: room for it and its final NUL, one byte less, exactly.
    for (std::uint32_t delta = 1; delta <= 3; ++delta) sizes.insert(count + delta);
    std::uint32_t offset = 0;
    for (std::size_t i = 0; i < names.size() && i < kMaxSections; ++i) {
        offset += static_cast<std::uint32_t>(names[i].size() + 1);
        for (std::uint32_t delta = 0; delta <= 2; ++delta) sizes.insert(offset + delta);
    }
    for (const std::uint32_t n : sizes) {
        std::string buffer;
        const std::uint32_t result = reader.sectionNames(kFile, n, buffer);
        const std::string where = " (buffer of " + std::to_string(n) + ", list of " + std::to_string(count) + ")";
        if (buffer.size() != n) fault("the buffer changed its size" + where);
        if (n < 2) {
            if (result != 0) fault("a list in a buffer too small for one" + where);
            continue;
        }
        if (result > n - 2) fault("a count beyond the buffer" + where);
        if (buffer[result] != '\0' || buffer[n - 1] != '\0') fault("a list without its final NULs" + where);
        // A list that fits is copied whole; one that does not (or just fits) is reported as
        // nSize - 2 and is the whole list's beginning, its last name cut.
        const std::uint32_t expected = count < n - 2 ? count : (count == 0 ? 0 : n - 2);
        if (result != expected) fault("count " + std::to_string(result) + " instead of " + std::to_string(expected) + where);
        std::string kept = buffer.substr(0, result);
        while (!kept.empty() && kept.back() == '\0') kept.pop_back();
        if (full.compare(0, kept.size(), kept) != 0) fault("a cut list that is not the whole list's beginning" + where);
        if (result == count && buffer.compare(0, count + 1, full, 0, count + 1) != 0) fault("a list not copied whole" + where);
    }
}

struct KeyGuess {
    std::string section;
    std::string key;
};

// The file's keys as a quick reading sees them, each with the section above it. The reader's
// own rules (trimming, double-byte characters) may disagree; a wrong guess reads the default.
std::vector<KeyGuess> guessKeys(const std::string& text) {
    std::vector<KeyGuess> keys;
    std::string section;
    std::size_t pos = 0;
    while (pos < text.size() && keys.size() < kMaxKeys) {
        std::size_t end = text.find_first_of("\r\n", pos);
        if (end == std::string::npos) end = text.size();
        const std::string line = text.substr(pos, end - pos);
        pos = end + 1;
        const std::size_t first = line.find_first_not_of(" \t");
        if (first == std::string::npos) continue;
        if (line[first] == '[') {
            section = line.substr(first + 1, line.find(']', first) - first - 1);
        } else {
            keys.push_back({section, line.substr(0, line.find('='))});
        }
    }
    return keys;
}

void checkValue(sim::SimProfileReader& reader, const std::string& section, const std::string& key,
                const std::string& fallback) {
    std::string whole;
    const std::uint32_t large = 1 << 24;
    const std::uint32_t count = reader.getString(section, key, fallback, large, whole, kFile);
    const std::string what = " for [" + printable(section) + "] " + printable(key);
    if (count != whole.size()) fault("a count that is not the value's length" + what);
    if (whole.find('\0') != std::string::npos) fault("a value holding a NUL" + what);

    std::set<std::uint32_t> sizes{0, 1, 2, count, count + 1};
    for (const std::uint32_t n : sizes) {
        std::string value = "not cleared";
        const std::uint32_t result = reader.getString(section, key, fallback, n, value, kFile);
        const std::string where = what + " (buffer of " + std::to_string(n) + ")";
        if (n == 0) {
            if (result != 0 || !value.empty()) fault("a value in a buffer of none" + where);
            continue;
        }
        if (value.compare(0, std::string::npos, whole, 0, value.size()) != 0)
            fault("a value that is not the whole value's beginning" + where);
        if (count < n) {
            if (result != count || value != whole) fault("a value that fits was cut" + where);
        } else if (result != n - 1 || value.size() + 2 < n) {
            // Cut: nSize - 1, with at most the last, partial double-byte character dropped.
            fault("a cut value of " + std::to_string(value.size()) + " bytes counted " + std::to_string(result) + where);
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static sim::SimFileSystem files;
    const std::string text(reinterpret_cast<const char*>(data), size);
    files.writeFile(kFile, text);
    sim::SimProfileReader reader(files);

    std::vector<std::string> names;
    checkSectionNames(reader, size, names);
    for (std::size_t i = 0; i < names.size() && i < kMaxSections; ++i) checkValue(reader, names[i], "PrintName1", "");
    for (const KeyGuess& guess : guessKeys(text)) checkValue(reader, guess.section, guess.key, "default");
    // A missing file and a missing section read the default, trailing spaces gone.
    checkValue(reader, "no such section \x01", "PrintName1", "\"quoted default\"  ");
    return 0;
}
