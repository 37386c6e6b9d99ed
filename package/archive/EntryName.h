#pragma once
// Turning a stored entry name into a path below the output folder, or refusing it.
#include <string>
#include <string_view>
#include <vector>

namespace archive {

enum class NameOrigin { Windows, Unix };

struct EntryPath {
    std::vector<std::string> components;  // UTF-8, never empty, never "." or ".."
    bool directory = false;
};

// The host system in the "version made by" field decides how an unflagged name is read.
NameOrigin nameOrigin(unsigned versionMadeBy);

// The name as text: UTF-8 when the entry says so (flag bit 11, or an Info-ZIP Unicode path
// field whose checksum matches the stored name), code page 936 otherwise. unicodePath is that
// field's UTF-8 text, already matched against the stored name, or empty.
// Unix archivers (Info-ZIP zip among them) store the bytes of the file system's names, UTF-8
// on any current system, without setting the flag; such a name is taken as UTF-8 when it is
// valid UTF-8, which code page 936 text with non-ASCII characters almost never is.
bool decodeEntryName(std::string_view stored, bool utf8Flag, std::string_view unicodePath, NameOrigin origin,
                     std::string& utf8, std::string& why);

// Splits a decoded name on '/' and '\' and refuses anything that could leave the output folder
// or means something else to Windows than a plain file name. "." and empty components are
// dropped, as other extractors do ("./a" is "a"); a folder entry may end up with none.
bool toEntryPath(std::string_view utf8, EntryPath& path, std::string& why);

bool isValidUtf8(std::string_view text);

}  // namespace archive
