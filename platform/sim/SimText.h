#pragma once
#include <string>

namespace sim {

// Windows folds only ASCII letters when it compares the names the installer deals with.
inline std::string asciiLower(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return text;
}

}  // namespace sim
