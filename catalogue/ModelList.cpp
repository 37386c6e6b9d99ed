// Filling the model drop-down from C:\DriverName.cfg and mapping a display name back to its
// catalogue row.
#include <cstdio>

#include "app/MainDialog.h"
#include "catalogue/ModelCatalogue.h"

namespace {

const std::string kCatalogueFile = "C:\\DriverName.cfg";
constexpr std::uint32_t kSectionNamesSize = 3000;
// Only the bytes before the last one are scanned: the list's final NUL sits there at most.
constexpr std::size_t kSectionNamesScanned = kSectionNamesSize - 1;
constexpr std::uint32_t kValueSize = 128;
constexpr int kMaxDisplayNamesPerSection = 50;

}  // namespace

void MainDialog::forEachDisplayName(const std::function<void(int row, const std::string& name)>& visit) {
    std::string buffer;
    // A list that did not fit ends in a cut name, which names no section of the file.
    const bool cut = platform_.profiles.sectionNames(kCatalogueFile, kSectionNamesSize, buffer) >=
                     kSectionNamesSize - 2;
    // An empty list starts with its terminating NUL: there is no section to read.
    if (buffer.empty() || buffer[0] == '\0') return;
    int row = -1;
    std::size_t start = 0;
    for (std::size_t pos = 0; pos < kSectionNamesScanned && pos < buffer.size(); ++pos) {
        if (buffer[pos] != '\0') continue;
        const std::string section = buffer.substr(start, pos - start);
        ++row;
        const bool last = pos + 1 >= buffer.size() || buffer[pos + 1] == '\0';
        // Rows past the built-in tables have nothing to install; their names are not offered.
        if (row < ModelCatalogue::ROW_COUNT && !(last && cut)) {
            for (int n = 1; n <= kMaxDisplayNamesPerSection; ++n) {
                char key[16];
                std::snprintf(key, sizeof key, "PrintName%d", n);
                std::string value;
                if (platform_.profiles.getString(section, key, "", kValueSize, value, kCatalogueFile) == 0) break;
                visit(row, value);
            }
        }
        if (last) break;
        start = pos + 1;
    }
}

void MainDialog::fillModelCatalogue() {
    modelCombo.resetContent();
    forEachDisplayName([&](int, const std::string& name) { modelCombo.addString(name); });
    modelCombo.setCurSel(0);
    showModelChoice();
    sendUpdateData();
}

void MainDialog::onModelChanged() {
    if (!startupEnded_) modelPickedDuringStartup_ = true;
    showModelChoice();
}

void MainDialog::showModelChoice() {
    // Position 0 is the prompt; with nothing selected (an empty list) there is no model either.
    installButton.enable(startupEnded_ && modelCombo.curSel() > 0);
    window_->setItemText(IDC_PRINTER_NAME, window_->itemText(IDC_MODEL_COMBO));
}

int MainDialog::findModelRow(bool* listed) {
    int result = modelCombo.curSel();
    const std::string text = window_->itemText(IDC_MODEL_COMBO);
    bool found = false;
    // The last section that lists the name wins.
    forEachDisplayName([&](int row, const std::string& name) {
        if (name != text) return;
        result = row;
        found = true;
    });
    if (listed != nullptr) *listed = found;
    return result;
}
