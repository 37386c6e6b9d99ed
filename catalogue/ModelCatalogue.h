#pragma once
// The models the installer knows, by catalogue row. Row N is section N of
// C:\DriverName.cfg, which supplies the names the user sees; these tables supply the names
// the spooler sees and the driver files that are copied.
#include <array>
#include <cstdint>
#include <string>

namespace ModelCatalogue {

constexpr int RECEIPT_GROUP_1_SIZE = 15;
constexpr int RECEIPT_GROUP_2_SIZE = 7;
constexpr int RECEIPT_GROUP_3_SIZE = 5;
constexpr int RECEIPT_GROUP_4_SIZE = 6;
constexpr int RECEIPT_ROW_COUNT = RECEIPT_GROUP_1_SIZE + RECEIPT_GROUP_2_SIZE + RECEIPT_GROUP_3_SIZE + RECEIPT_GROUP_4_SIZE;
constexpr int LABEL_ROW_COUNT = 5;
constexpr int ROW_COUNT = RECEIPT_ROW_COUNT + LABEL_ROW_COUNT;
constexpr int RECEIPT_GROUP_COUNT = 4;

struct ReceiptRow {
    const char* modelName;  // the driver's name with the spooler
    const char* gpdBase;    // the GPD file, without ".GPD"
    bool oemPlugin;         // adds TOEMUNI.ini and TOEMUNI.dll to the dependent files
};

struct LabelRow {
    const char* modelName;      // the driver's name with the spooler
    const char* labelFileBase;  // the .BA0, .DAT and .PP0 files of C:\Barcode\Common
};

// Receipt rows of one group (0-based group index), in row order.
const ReceiptRow* receiptGroupRows(int group);
int receiptGroupSize(int group);
// Base name of the group's model resource DLL (".DLL" is appended when it is used).
const char* receiptGroupResourceDll(int group);
// Receipt group 2 uses another resource DLL for the model of its fifth row.
constexpr int ALTERNATIVE_DLL_GROUP = 1;
constexpr int ALTERNATIVE_DLL_ROW = 4;
const char* alternativeResourceDll();

const std::array<LabelRow, LABEL_ROW_COUNT>& labelRows();

// The Unidrv files every receipt driver copies, in this order.
const std::array<const char*, 6>& unidrvFiles();

// The 30 files of the label drivers: monitor, driver, configuration DLL, 27 languages.
const std::array<std::string, 30>& labelFiles32();
const std::array<std::string, 30>& labelFiles64();

}  // namespace ModelCatalogue
