// The demo driver package in the source tree: every file the installers copy, for every
// catalogue row and both architectures, and a model list the installer reads as one section
// per row. The package folder stands for drive C: after unpacking.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "catalogue/ModelCatalogue.h"
#include "platform/sim/SimFileSystem.h"
#include "platform/sim/SimProfileReader.h"

namespace {

namespace fs = std::filesystem;
namespace mc = ModelCatalogue;

const fs::path kPackage{DEMO_PACKAGE_DIR};

// Names are checked as written: the archive stores them so, and a case-sensitive host
// (the native archive tests, unzip) must find them too.
std::vector<std::string> missingFiles(const std::string& folder, const std::vector<std::string>& names) {
    std::vector<std::string> missing;
    for (const auto& name : names)
        if (!fs::is_regular_file(kPackage / folder / name)) missing.push_back(folder + "/" + name);
    return missing;
}

TEST(DemoPackage, HoldsEveryReceiptFileForEveryRowInBothArchitectures) {
    std::vector<std::string> needed{std::string(mc::alternativeResourceDll()) + ".DLL", "TOEMUNI.dll", "TOEMUNI.ini"};
    for (const char* name : mc::unidrvFiles()) needed.emplace_back(name);
    for (int group = 0; group < mc::RECEIPT_GROUP_COUNT; ++group) {
        needed.push_back(std::string(mc::receiptGroupResourceDll(group)) + ".DLL");
        for (int row = 0; row < mc::receiptGroupSize(group); ++row)
            needed.push_back(std::string(mc::receiptGroupRows(group)[row].gpdBase) + ".GPD");
    }
    EXPECT_EQ(missingFiles("Ticket/x86", needed), std::vector<std::string>{});
    EXPECT_EQ(missingFiles("Ticket/x64", needed), std::vector<std::string>{});
}

TEST(DemoPackage, HoldsEveryLabelFileForEveryRowInBothArchitectures) {
    const auto& list32 = mc::labelFiles32();
    const auto& list64 = mc::labelFiles64();
    EXPECT_EQ(missingFiles("Barcode/x86", {list32.begin(), list32.end()}), std::vector<std::string>{});
    EXPECT_EQ(missingFiles("Barcode/x64", {list64.begin(), list64.end()}), std::vector<std::string>{});
    std::vector<std::string> common{"THERMAL.chm"};
    for (const auto& row : mc::labelRows())
        for (const char* extension : {".BA0", ".DAT", ".PP0"}) common.push_back(std::string(row.labelFileBase) + extension);
    EXPECT_EQ(missingFiles("Barcode/Common", common), std::vector<std::string>{});
}

// Read as the installer reads C:\DriverName.cfg: the 3,000-byte section list, 128-byte values.
TEST(DemoPackage, ModelListGivesEveryRowUniqueDisplayNamesInCodePage936) {
    sim::SimFileSystem drive(kPackage);
    sim::SimProfileReader profiles(drive);
    const std::string file = "C:\\DriverName.cfg";
    std::string buffer;
    profiles.sectionNames(file, 3000, buffer);
    std::vector<std::string> sections;
    std::size_t start = 0;
    while (start < buffer.size() && buffer[start] != '\0') {
        const auto end = std::min(buffer.find('\0', start), buffer.size());
        sections.push_back(buffer.substr(start, end - start));
        start = end + 1;
    }
    ASSERT_EQ(sections.size(), static_cast<std::size_t>(mc::ROW_COUNT));

    std::set<std::string> seen;
    std::vector<std::vector<std::string>> names(sections.size());
    for (std::size_t row = 0; row < sections.size(); ++row) {
        for (int n = 1; n <= 50; ++n) {
            std::string value;
            const auto length = profiles.getString(sections[row], "PrintName" + std::to_string(n), "", 128, value, file);
            if (length == 0) break;
            EXPECT_LT(length, 127u) << value << " may have been cut";
            EXPECT_TRUE(seen.insert(value).second) << value << " is listed twice";
            names[row].push_back(value);
        }
        EXPECT_FALSE(names[row].empty()) << "section " << sections[row] << " offers no model";
    }
    // A UTF-8 file would give other bytes than this literal, which the build encodes for code page 936.
    EXPECT_EQ(names[0].at(0), "热敏小票打印机 R58-A");
    // The alternative resource DLL is reachable: the fifth row of group 2 offers its model name.
    const auto alternativeRow = static_cast<std::size_t>(mc::RECEIPT_GROUP_1_SIZE + mc::ALTERNATIVE_DLL_ROW);
    const std::string alternativeModel = mc::receiptGroupRows(mc::ALTERNATIVE_DLL_GROUP)[mc::ALTERNATIVE_DLL_ROW].modelName;
    const auto& offered = names[alternativeRow];
    EXPECT_TRUE(std::find(offered.begin(), offered.end(), alternativeModel) != offered.end())
        << "section " << sections[alternativeRow] << " does not offer " << alternativeModel;
}

}  // namespace
