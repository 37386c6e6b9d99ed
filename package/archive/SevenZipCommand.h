#pragma once
// The command line that 7-zip32.dll's SevenZip entry point accepts. Only extraction with
// stored paths, forced overwrite and no window is offered: x -y "ARCHIVE" -o"DIR" -hide.
#include <string>
#include <string_view>

namespace archive {

struct SevenZipCommand {
    std::string archive;
    std::string outputFolder;
};

// Double quotes group text containing spaces and may appear anywhere in a word (-o"C:\out").
// A backslash is an ordinary character: the installer passes -o"C:\", and Windows paths
// cannot contain quotes, so there is nothing to escape.
bool parseSevenZipCommand(std::string_view text, SevenZipCommand& command, std::string& why);

}  // namespace archive
