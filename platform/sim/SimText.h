#pragma once
#include <string>

#include "platform/CodePage936.h"

namespace sim {

// Windows folds only ASCII letters when it compares the names the installer deals with, and
// never the trail byte of a double-byte character (B0 41 and B0 61 are two characters).
inline std::string asciiLower(const std::string& text) { return cp936::foldCase(text); }

}  // namespace sim
