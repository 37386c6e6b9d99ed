// The main window's template 103 and the application manifest, as the program's resources
// define them, against the layout and the fields they must have.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>

#include "platform/sim/SimDialogTemplate.h"
#include "resources/resource.h"
#include "tests/sim/TemplateChecks.h"

namespace {

std::string resourceFile(const std::string& name) {
    std::ifstream in(std::string(INSTALLER_RESOURCE_DIR) + "/" + name, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

struct MainControl {
    int id;
    const char* className;
    const char* text;
    int x, y, width, height;
    // Every style bit but WS_CHILD and WS_VISIBLE, the kind of button included.
    std::set<std::string> styles;
};

// Styles whose value is 0: writing them or not gives the same template.
const std::set<std::string> kZeroStyles{"BS_PUSHBUTTON", "SS_LEFT", "ES_LEFT"};

std::set<std::string> styleBits(const std::vector<std::string>& styles) {
    std::set<std::string> bits;
    for (const auto& style : styles) {
        if (kZeroStyles.count(style) == 0) bits.insert(style);
    }
    return bits;
}

TEST(MainTemplate, HasItsCaptionFontStylesAndControlsInOrder) {
    const auto& templates = sim::installerDialogTemplates();
    ASSERT_EQ(templates.count(IDD_MAIN_DIALOG), 1u);
    const sim::SimDialogTemplate& t = templates.at(IDD_MAIN_DIALOG);
    EXPECT_EQ(IDD_MAIN_DIALOG, 103);
    EXPECT_EQ(t.caption, "打印机驱动安装");
    EXPECT_EQ(std::vector<int>({t.width, t.height}), std::vector<int>({343, 222}));
    EXPECT_EQ(t.fontName, "宋体");
    EXPECT_EQ(t.fontSize, 11);
    EXPECT_EQ(t.fontCharset, 1);  // DEFAULT_CHARSET
    EXPECT_EQ(styleBits(t.styles), (std::set<std::string>{"WS_POPUP", "WS_VISIBLE", "WS_CAPTION", "WS_SYSMENU",
                                                          "DS_MODALFRAME", "DS_SETFONT"}));
    EXPECT_EQ(t.extendedStyles, std::vector<std::string>{"WS_EX_APPWINDOW"});

    const std::vector<MainControl> expected{
        {2, "Button", "取消", 284, 192, 50, 14, {"WS_TABSTOP"}},
        {1009, "Static", "驱动名称", 20, 8, 34, 8, {"WS_GROUP"}},
        {1000, "ComboBox", "", 58, 6, 105, 68, {"CBS_DROPDOWNLIST", "WS_VSCROLL", "WS_TABSTOP"}},
        {1010, "Static", "打印机名称", 177, 9, 43, 8, {"WS_GROUP"}},
        {1001, "Edit", "", 223, 6, 102, 14, {"ES_AUTOHSCROLL", "WS_BORDER", "WS_TABSTOP"}},
        {1002, "Button", "设置为默认打印机", 7, 22, 92, 10, {"BS_AUTOCHECKBOX", "WS_TABSTOP"}},
        {1008, "Button", "端口选择", 7, 37, 329, 133, {"BS_GROUPBOX"}},
        {1003, "Static", "指定用于连接打印机和计算机的端口\r\n安装过程中程序会帮助您选择和配置打印机端口", 27, 48, 201, 20,
         {"WS_GROUP"}},
        {1004, "SysListView32", "", 10, 71, 320, 97,
         {"LVS_REPORT", "LVS_SINGLESEL", "LVS_SHOWSELALWAYS", "WS_BORDER", "WS_TABSTOP"}},
        {1007, "msctls_progress32", "", 7, 174, 329, 14, {"WS_BORDER"}},
        {1011, "Static", "Driver install Program", 7, 209, 301, 8, {"WS_GROUP"}},
        {1012, "Button", "安装", 217, 192, 50, 14, {"BS_DEFPUSHBUTTON", "WS_TABSTOP", "WS_DISABLED"}},
    };
    expectControlsInOrder(t, expected, [](const sim::SimControl& got, const MainControl& want) {
        EXPECT_EQ(styleBits(got.styles), want.styles);
    });
}

// One element of the manifest: where it stands and its attributes.
struct Element {
    std::string path;  // names from the root, joined by "/"
    std::map<std::string, std::string> attributes;
};

// Enough of XML for the manifest (ASCII): elements and their attributes in document order;
// comments and the declaration are skipped.
std::vector<Element> parseElements(std::string xml) {
    xml = std::regex_replace(xml, std::regex(R"(<!--[\s\S]*?-->|<\?[\s\S]*?\?>)"), "");
    const std::regex tag(R"(<(/?)([A-Za-z][\w:.-]*)([^>]*?)(/?)>)");
    const std::regex attribute(R"re(([A-Za-z][\w:.-]*)\s*=\s*"([^"]*)")re");
    std::vector<Element> elements;
    std::vector<std::string> open;
    for (auto it = std::sregex_iterator(xml.begin(), xml.end(), tag); it != std::sregex_iterator(); ++it) {
        const std::smatch& m = *it;
        if (m[1] == "/") {
            EXPECT_TRUE(!open.empty() && open.back() == m[2]) << "unbalanced </" << m[2] << ">";
            if (!open.empty()) open.pop_back();
            continue;
        }
        Element element;
        for (const auto& parent : open) element.path += parent + "/";
        element.path += m[2];
        const std::string attributes = m[3];
        for (auto a = std::sregex_iterator(attributes.begin(), attributes.end(), attribute);
             a != std::sregex_iterator(); ++a) {
            element.attributes[(*a)[1]] = (*a)[2];
        }
        elements.push_back(element);
        if (m[4] != "/") open.push_back(m[2]);
    }
    EXPECT_TRUE(open.empty()) << "unclosed elements";
    return elements;
}

std::vector<Element> elementsAt(const std::vector<Element>& all, const std::string& path) {
    std::vector<Element> found;
    for (const auto& element : all) {
        if (element.path == path) found.push_back(element);
    }
    return found;
}

TEST(Manifest, AsksForTheHighestRightsCommonControls6AndNamesTheSystemsItKnows) {
    // Resource 1 of type RT_MANIFEST (CREATEPROCESS_MANIFEST_RESOURCE_ID).
    std::istringstream rc(resourceFile("DriverInstaller.rc"));
    std::string line;
    std::string manifestFile;
    while (std::getline(rc, line)) {
        std::istringstream words(line);
        std::string id, type, file;
        if (words >> id >> type >> file && type == "RT_MANIFEST" &&
            (id == "1" || id == "CREATEPROCESS_MANIFEST_RESOURCE_ID")) {
            manifestFile = file.substr(1, file.size() - 2);
        }
    }
    ASSERT_EQ(manifestFile, "DriverInstaller.manifest");

    const auto all = parseElements(resourceFile(manifestFile));
    const auto self = elementsAt(all, "assembly/assemblyIdentity");
    ASSERT_EQ(self.size(), 1u);
    EXPECT_EQ(self[0].attributes.at("version"), "1.0.0.0");
    EXPECT_EQ(self[0].attributes.at("processorArchitecture"), "X86");
    EXPECT_EQ(self[0].attributes.at("type"), "win32");

    const auto level = elementsAt(all, "assembly/trustInfo/security/requestedPrivileges/requestedExecutionLevel");
    ASSERT_EQ(level.size(), 1u);
    EXPECT_EQ(level[0].attributes, (std::map<std::string, std::string>{{"level", "highestAvailable"},
                                                                       {"uiAccess", "false"}}));

    const auto controls = elementsAt(all, "assembly/dependency/dependentAssembly/assemblyIdentity");
    ASSERT_EQ(controls.size(), 1u);
    EXPECT_EQ(controls[0].attributes, (std::map<std::string, std::string>{
                                          {"type", "win32"},
                                          {"name", "Microsoft.Windows.Common-Controls"},
                                          {"version", "6.0.0.0"},
                                          {"processorArchitecture", "X86"},
                                          {"publicKeyToken", "6595b64144ccf1df"},
                                          {"language", "*"},
                                      }));

    const auto compatibility = elementsAt(all, "assembly/compatibility");
    ASSERT_EQ(compatibility.size(), 1u);
    EXPECT_EQ(compatibility[0].attributes.at("xmlns"), "urn:schemas-microsoft-com:compatibility.v1");
    std::set<std::string> systems;
    for (const auto& os : elementsAt(all, "assembly/compatibility/application/supportedOS")) {
        systems.insert(os.attributes.at("Id"));
    }
    EXPECT_EQ(systems, (std::set<std::string>{
                           "{e2011457-1546-43c5-a5fe-008deee3d3f0}",  // Windows Vista
                           "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",  // Windows 7
                           "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",  // Windows 8
                           "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",  // Windows 8.1
                           "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}",  // Windows 10 and 11
                       }));
}

}  // namespace
