#include "catalogue/ModelCatalogue.h"

namespace ModelCatalogue {

namespace {

constexpr std::array<ReceiptRow, RECEIPT_GROUP_1_SIZE> kGroup1{{
    {"Thermal Receipt G1-01", "TRG101", false}, {"Thermal Receipt G1-02", "TRG102", false},
    {"Thermal Receipt G1-03", "TRG103", false}, {"Thermal Receipt G1-04", "TRG104", false},
    {"Thermal Receipt G1-05", "TRG105", false}, {"Thermal Receipt G1-06", "TRG106", false},
    {"Thermal Receipt G1-07", "TRG107", false}, {"Thermal Receipt G1-08", "TRG108", false},
    {"Thermal Receipt G1-09", "TRG109", false}, {"Thermal Receipt G1-10", "TRG110", false},
    {"Thermal Receipt G1-11", "TRG111", false}, {"Thermal Receipt G1-12", "TRG112", false},
    {"Thermal Receipt G1-13", "TRG113", false}, {"Thermal Receipt G1-14", "TRG114", false},
    {"Thermal Receipt G1-15", "TRG115", false},
}};

constexpr std::array<ReceiptRow, RECEIPT_GROUP_2_SIZE> kGroup2{{
    {"Thermal Receipt G2-01", "TRG201", false}, {"Thermal Receipt G2-02", "TRG202", false},
    {"Thermal Receipt G2-03", "TRG203", false}, {"Thermal Receipt G2-04", "TRG204", false},
    {"Thermal Receipt G2-05", "TRG205", false}, {"Thermal Receipt G2-06", "TRG206", false},
    {"Thermal Receipt G2-07", "TRG207", false},
}};

constexpr std::array<ReceiptRow, RECEIPT_GROUP_3_SIZE> kGroup3{{
    {"Thermal Receipt G3-01", "TRG301", false}, {"Thermal Receipt G3-02", "TRG302", false},
    {"Thermal Receipt G3-03", "TRG303", false}, {"Thermal Receipt G3-04", "TRG304", false},
    {"Thermal Receipt G3-05", "TRG305", false},
}};

constexpr std::array<ReceiptRow, RECEIPT_GROUP_4_SIZE> kGroup4{{
    {"Thermal Receipt G4-01", "TRG401", false}, {"Thermal Receipt G4-02", "TRG402", false},
    {"Thermal Receipt G4-03", "TRG403", false}, {"Thermal Receipt G4-04", "TRG404", true},
    {"Thermal Receipt G4-05", "TRG405", false}, {"Thermal Receipt G4-06", "TRG406", true},
}};

constexpr std::array<const char*, RECEIPT_GROUP_COUNT> kResourceDlls{"TRG1RES", "TRG2RES", "TRG3RES", "TRG4RES"};

constexpr std::array<LabelRow, LABEL_ROW_COUNT> kLabelRows{{
    {"Thermal Label L-01", "TLBL01"},
    {"Thermal Label L-02", "TLBL02"},
    {"Thermal Label L-03", "TLBL03"},
    {"Thermal Label L-04", "TLBL04"},
    {"Thermal Label L-05", "TLBL05"},
}};

constexpr std::array<const char*, 6> kUnidrvFiles{"uniDRVui.DLL", "uniDRV.DLL",  "UNIDRV.HLP",
                                                  "UNIRES.DLL",   "TTFSUB.GPD", "STDNAMES.GPD"};

constexpr std::array<const char*, 27> kLanguages{"ENG", "SLO", "CRO", "GER", "DAN", "FRA", "SPA", "ITA", "FIN",
                                                 "DUT", "CZE", "POL", "HUN", "RUS", "TUR", "SWE", "HEB", "SVK",
                                                 "LIT", "CHI", "SCH", "TAI", "KOR", "JAP", "UKR", "NOR", "PBR"};

std::array<std::string, 30> labelFiles(const char* monitor, const char* suffix) {
    std::array<std::string, 30> files;
    files[0] = monitor;
    files[1] = std::string("KTXDRV") + suffix + ".DLL";
    files[2] = std::string("KTXUI") + suffix + ".DLL";
    for (std::size_t i = 0; i < kLanguages.size(); ++i) files[3 + i] = std::string("KTX") + kLanguages[i] + suffix + ".DLL";
    return files;
}

}  // namespace

const ReceiptRow* receiptGroupRows(int group) {
    switch (group) {
        case 0: return kGroup1.data();
        case 1: return kGroup2.data();
        case 2: return kGroup3.data();
        case 3: return kGroup4.data();
        default: return nullptr;
    }
}

int receiptGroupSize(int group) {
    switch (group) {
        case 0: return RECEIPT_GROUP_1_SIZE;
        case 1: return RECEIPT_GROUP_2_SIZE;
        case 2: return RECEIPT_GROUP_3_SIZE;
        case 3: return RECEIPT_GROUP_4_SIZE;
        default: return 0;
    }
}

const char* receiptGroupResourceDll(int group) {
    return group >= 0 && group < RECEIPT_GROUP_COUNT ? kResourceDlls[static_cast<std::size_t>(group)] : nullptr;
}

const char* alternativeResourceDll() { return "TRG2RESA"; }

const std::array<LabelRow, LABEL_ROW_COUNT>& labelRows() { return kLabelRows; }

const std::array<const char*, 6>& unidrvFiles() { return kUnidrvFiles; }

const std::array<std::string, 30>& labelFiles32() {
    static const std::array<std::string, 30> files = labelFiles("tvkMonNT.dll", "50");
    return files;
}

const std::array<std::string, 30>& labelFiles64() {
    static const std::array<std::string, 30> files = labelFiles("tvkMon64.dll", "56");
    return files;
}

}  // namespace ModelCatalogue
