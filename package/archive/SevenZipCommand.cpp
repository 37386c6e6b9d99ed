#include "package/archive/SevenZipCommand.h"

#include <utility>
#include <vector>

namespace archive {
namespace {

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

bool equalsIgnoreCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

bool splitWords(std::string_view text, std::vector<std::string>& words) {
    bool quoted = false;
    bool inWord = false;
    std::string word;
    for (char c : text) {
        if (c == '"') {
            quoted = !quoted;
            inWord = true;
        } else if (!quoted && isBlank(c)) {
            if (inWord) words.push_back(std::move(word));
            word.clear();
            inWord = false;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (inWord) words.push_back(std::move(word));
    return !quoted;
}

}  // namespace

bool parseSevenZipCommand(std::string_view text, SevenZipCommand& command, std::string& why) {
    std::vector<std::string> words;
    if (!splitWords(text, words)) {
        why = "unbalanced quotes in command";
        return false;
    }
    if (words.empty() || !equalsIgnoreCase(words[0], "x")) {
        why = "only the x command is supported";
        return false;
    }
    bool yes = false;
    bool hide = false;
    bool haveOutput = false;
    bool haveArchive = false;
    for (std::size_t i = 1; i < words.size(); ++i) {
        const std::string& word = words[i];
        bool repeated = false;
        if (equalsIgnoreCase(word, "-y")) {
            repeated = std::exchange(yes, true);
        } else if (equalsIgnoreCase(word, "-hide")) {
            repeated = std::exchange(hide, true);
        } else if (word.size() >= 2 && equalsIgnoreCase(word.substr(0, 2), "-o")) {
            repeated = std::exchange(haveOutput, true);
            command.outputFolder = word.substr(2);
            if (command.outputFolder.empty()) {
                why = "empty output folder";
                return false;
            }
        } else if (!word.empty() && word[0] == '-') {
            why = "unsupported switch " + word;
            return false;
        } else {
            repeated = std::exchange(haveArchive, true);
            command.archive = word;
            if (command.archive.empty()) {
                why = "empty archive name";
                return false;
            }
        }
        if (repeated) {
            why = "repeated argument " + word;
            return false;
        }
    }
    if (!yes || !hide || !haveOutput || !haveArchive) {
        why = "expected: x -y \"ARCHIVE\" -o\"FOLDER\" -hide";
        return false;
    }
    return true;
}

}  // namespace archive
