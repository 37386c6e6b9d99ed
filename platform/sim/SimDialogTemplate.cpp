#include "platform/sim/SimDialogTemplate.h"

#include <iconv.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace sim {

std::string utf8ToCp936(const std::string& utf8) {
    iconv_t cd = iconv_open("CP936", "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1)) throw std::runtime_error("iconv: no CP936");
    std::string in = utf8;
    std::string out(in.size() * 2 + 4, '\0');
    char* inPtr = in.data();
    std::size_t inLeft = in.size();
    char* outPtr = out.data();
    std::size_t outLeft = out.size();
    const std::size_t rc = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
    iconv_close(cd);
    if (rc == static_cast<std::size_t>(-1)) throw std::runtime_error("iconv: text not representable in CP936");
    out.resize(out.size() - outLeft);
    return out;
}

namespace {

std::string trim(const std::string& s) {
    const auto begin = s.find_first_not_of(" \t\r\n");
    if (begin == std::string::npos) return {};
    const auto end = s.find_last_not_of(" \t\r\n");
    return s.substr(begin, end - begin + 1);
}

// Splits at top-level commas; quoted strings keep their commas.
std::vector<std::string> splitArgs(const std::string& s) {
    std::vector<std::string> args;
    std::string current;
    bool quoted = false;
    for (std::size_t i = 0; i < s.size(); ++i) {
        const char c = s[i];
        if (c == '"') quoted = !quoted;
        if (c == ',' && !quoted) {
            args.push_back(trim(current));
            current.clear();
        } else {
            current += c;
        }
    }
    args.push_back(trim(current));
    return args;
}

std::string unquote(const std::string& s) {
    std::string t = trim(s);
    if (t.size() < 2 || t.front() != '"' || t.back() != '"') return t;
    std::string out;
    for (std::size_t i = 1; i + 1 < t.size(); ++i) {
        if (t[i] == '\\' && i + 2 < t.size()) {
            const char e = t[++i];
            out += e == 'r' ? '\r' : e == 'n' ? '\n' : e == 't' ? '\t' : e;
        } else {
            out += t[i];
        }
    }
    return out;
}

std::vector<std::string> splitStyles(const std::string& s) {
    std::vector<std::string> styles;
    std::stringstream in(s);
    std::string part;
    while (std::getline(in, part, '|')) {
        part = trim(part);
        if (!part.empty()) styles.push_back(part);
    }
    return styles;
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

}  // namespace

std::map<int, SimDialogTemplate> parseDialogTemplates(const std::string& rcText, const std::string& headerText) {
    std::map<std::string, int> symbols{{"IDOK", 1}, {"IDCANCEL", 2}, {"IDC_STATIC", -1}};
    {
        std::istringstream in(headerText);
        std::string line;
        while (std::getline(in, line)) {
            std::istringstream words(line);
            std::string directive, name, value;
            if (words >> directive >> name >> value && directive == "#define") symbols[name] = std::stoi(value);
        }
    }
    auto number = [&](const std::string& token) {
        const std::string t = trim(token);
        auto it = symbols.find(t);
        return it != symbols.end() ? it->second : std::stoi(t, nullptr, 0);
    };

    std::map<int, SimDialogTemplate> templates;
    SimDialogTemplate* current = nullptr;
    std::istringstream in(rcText);
    std::string line;
    while (std::getline(in, line)) {
        line = trim(line);
        if (line.empty() || line.rfind("//", 0) == 0) continue;
        std::istringstream words(line);
        std::string first, second;
        words >> first >> second;
        if (second == "DIALOGEX") {
            const int id = number(first);
            current = &templates[id];
            current->id = id;
            std::string rest;
            std::getline(words, rest);
            const auto box = splitArgs(rest);
            if (box.size() == 4) {
                current->x = number(box[0]);
                current->y = number(box[1]);
                current->width = number(box[2]);
                current->height = number(box[3]);
            }
        } else if (current == nullptr) {
            continue;
        } else if (first == "STYLE") {
            current->styles = splitStyles(line.substr(5));
        } else if (first == "EXSTYLE") {
            current->extendedStyles = splitStyles(line.substr(7));
        } else if (first == "CAPTION") {
            current->caption = utf8ToCp936(unquote(line.substr(7)));
        } else if (first == "FONT") {
            const auto args = splitArgs(line.substr(4));
            current->fontSize = number(args.at(0));
            current->fontName = utf8ToCp936(unquote(args.at(1)));
            if (args.size() >= 5) current->fontCharset = number(args[4]);
        } else if (first == "CONTROL") {
            const auto args = splitArgs(line.substr(7));
            if (args.size() < 8) throw std::runtime_error("CONTROL line with too few fields: " + line);
            SimControl control;
            control.text = utf8ToCp936(unquote(args[0]));
            control.id = number(args[1]);
            control.className = unquote(args[2]);
            control.styles = splitStyles(args[3]);
            control.x = number(args[4]);
            control.y = number(args[5]);
            control.width = number(args[6]);
            control.height = number(args[7]);
            control.enabled = !control.hasStyle("WS_DISABLED");
            current->controls.push_back(control);
        } else if (first == "END") {
            current = nullptr;
        }
    }
    return templates;
}

const std::map<int, SimDialogTemplate>& installerDialogTemplates() {
    static const std::map<int, SimDialogTemplate> templates =
        parseDialogTemplates(readFile(INSTALLER_RESOURCE_DIR "/DriverInstaller.rc"),
                             readFile(INSTALLER_RESOURCE_DIR "/resource.h"));
    return templates;
}

}  // namespace sim
