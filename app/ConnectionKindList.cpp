#include <array>

#include "app/MainDialog.h"

namespace {

struct ConnectionKindRow {
    const char* port;
    const char* description;
};

constexpr std::array<ConnectionKindRow, 4> kConnectionKindRows{{
    {"串口(COM)", "安装过程中将为您选择一个默认的串行端口"},
    {"USB口", "安装过程中将为您选择一个默认的USB端口"},
    {"并口(LPT)", "安装之前程序会提示您选择一个LPT端口"},
    {"TCP/IP", "安装之前程序会提示您选择或者配置一个TCP/IP端口"},
}};

}  // namespace

void MainDialog::applyConnectionKindListStyle() { connectionKindList.applyGridStyle(); }

void MainDialog::fillConnectionKindList() {
    connectionKindList.removeAllRowsAndColumns();

    applyConnectionKindListStyle();

    connectionKindList.insertColumn(0, "端口", win::LVCFMT_LEFT);
    connectionKindList.insertColumn(1, "说明", win::LVCFMT_LEFT);
    connectionKindList.setColumnWidth(0, 110);
    connectionKindList.setColumnWidth(1, 525);

    for (int row = 0; row < static_cast<int>(kConnectionKindRows.size()); ++row) {
        connectionKindList.insertItem(row, kConnectionKindRows[row].port);
        connectionKindList.setItemText(row, 1, kConnectionKindRows[row].description);
    }
    connectionKindList.selectRow(0);
}
