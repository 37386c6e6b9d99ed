#pragma once
// Dialog templates of the simulated machine, read from the program's own resource script
// so that the simulated dialogs have exactly the controls, texts and styles of the real ones.
#include <map>
#include <string>
#include <vector>

#include "platform/DialogControls.h"

namespace sim {

// A control of a template: its line of the script, and the state it holds once shown.
using SimControl = platform::ControlState;

struct SimDialogTemplate {
    int id = 0;
    std::string caption;  // code page 936
    int x = 0, y = 0, width = 0, height = 0;
    std::vector<std::string> styles;
    std::vector<std::string> extendedStyles;
    std::string fontName;  // code page 936
    int fontSize = 0;
    int fontCharset = -1;  // the FONT statement's character set, -1 when it gives none
    std::vector<SimControl> controls;
};

// Parses the DIALOGEX templates of a resource script (UTF-8, one CONTROL per line) and the
// #define lines of the header it names for symbolic ids. Texts are converted to code page 936.
std::map<int, SimDialogTemplate> parseDialogTemplates(const std::string& rcText, const std::string& headerText);

// Reads resources/DriverInstaller.rc and resources/resource.h of the source tree.
const std::map<int, SimDialogTemplate>& installerDialogTemplates();

// UTF-8 to code page 936.
std::string utf8ToCp936(const std::string& utf8);

}  // namespace sim
