#pragma once
// The output side of the simulated archive library: a folder of the simulated drive C:
// written as 7-zip32.dll writes a folder of a Windows drive. Each component of an entry's path
// is found as Windows finds it (without case, so "Ticket/" goes into an existing C:\TICKET and
// the first spelling of a folder is the one that stays), names reach the drive in code page
// 936, the bytes FindFirstFileA shows there, and a reparse point below the output folder is
// never entered.
#include <memory>
#include <string>

#include "package/archive/ArchiveFiles.h"
#include "platform/sim/SimFileSystem.h"

namespace sim {

// The output folder `windowsFolder` of `drive`, created when missing; null with the reason in
// `error` when it is off the drive or not a folder. The folder itself is the caller's choice and
// may be reached through a reparse point.
std::unique_ptr<archive::OutputTree> openOutputTree(SimFileSystem& drive, const std::string& windowsFolder,
                                                    std::string& error);

// UTF-8 text in code page 936; false for text with a character that code page 936 lacks
// (which WideCharToMultiByte would replace by a stand-in).
bool utf8ToAnsi(const std::string& utf8, std::string& ansi);

}  // namespace sim
