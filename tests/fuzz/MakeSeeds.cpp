// make_fuzz_seeds DIR: writes the archives of the archive fuzzer's seed corpus that no archiver
// would make: every entry layout the reader knows, hostile names and attributes, entries aimed
// at the links the fuzzer plants, and overlapping entries. tests/fuzz/make-seeds.sh runs it.
#include "tests/archive/ZipBuilder.h"

#include <cstdio>
#include <string>
#include <vector>

namespace {

using archive::test::TestEntry;
using archive::test::buildZip;
using archive::test::utf8;

std::string text(std::size_t size, char first) {
    std::string data;
    for (std::size_t i = 0; data.size() < size; ++i) data += static_cast<char>(first + i % 7), data += ' ';
    data.resize(size);
    return data;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_fuzz_seeds DIR\n");
        return 2;
    }
    const std::filesystem::path dir = argv[1];
    const std::vector<TestEntry> layouts{
        {.name = "Ticket/", .data = "", .method = 0, .externalAttributes = 040755u << 16},
        {.name = "Ticket/x86/stored.gpd", .data = "*GPDFileVersion: \"1.0\"\r\n", .method = 0},
        {.name = "Ticket/x86/deflated.gpd", .data = text(600, 'a')},
        {.name = "Ticket/x64/zip64.dll", .data = text(300, 'M'), .zip64 = true},
        {.name = "Barcode/Common/later.dat", .data = text(200, 'd'), .descriptor = true},
        {.name = "Barcode/x64/later64.dat", .data = text(200, 'e'), .zip64 = true, .descriptor = true},
        {.name = "Barcode/empty.txt", .data = ""},
        {.name = "\xC7\xFD\xB6\xAF.cfg", .data = "gbk", .madeBy = 0x0014, .externalAttributes = 0x20},
        {.name = utf8(u8"标签/说明.txt"), .data = "utf8", .flags = 0x0800},
        {.name = "stale-name.txt", .data = "field", .unicodePath = utf8(u8"字段.txt")},
    };
    const struct {
        const char* file;
        std::string bytes;
    } seeds[] = {
        {"layouts.zip", buildZip(layouts)},
        {"layouts-zip64-end.zip", buildZip(layouts, true)},
        {"planted-links.zip",
         buildZip({{.name = "planted.cfg", .data = "[Model01]\r\nPrintName1=x\r\n"},
                   {.name = "planted/x86/TRG101.GPD", .data = text(100, 'g')}})},
        {"planted-folder.zip",
         buildZip({{.name = "planted/x64/", .data = "", .method = 0, .externalAttributes = 040755u << 16}})},
        {"hostile-names.zip", buildZip({{.name = "Ticket/ok.txt", .data = "ok"},
                                        {.name = "../escape.txt", .data = "x"},
                                        {.name = "Ticket/../../../escape.txt", .data = "x"},
                                        {.name = "C:\\Windows\\evil.dll", .data = "x"},
                                        {.name = "Ticket/CON.gpd", .data = "x"}})},
        {"hostile-kinds.zip",
         buildZip({{.name = "link", .data = "/etc/passwd", .externalAttributes = 0120777u << 16},
                   {.name = "junction", .data = "x", .madeBy = 0x0A14, .externalAttributes = 0x410},
                   {.name = "secret.txt", .data = "x", .flags = 0x0001},
                   {.name = "bzip2.txt", .data = "x", .method = 12, .compressed = "x"}})},
        {"overlap.zip", buildZip({{.name = "same", .data = text(300, 'o')},
                                  {.name = "same", .data = text(300, 'o'), .sameDataAs = 0}})},
        {"same-name-twice.zip",
         buildZip({{.name = "DriverName.cfg", .data = "first"}, {.name = "driverName.cfg", .data = "second"},
                   {.name = "DriverName.cfg", .data = "third", .method = 0}})},
        {"file-then-folder.zip", buildZip({{.name = "Ticket", .data = "file"}, {.name = "Ticket/x86/a", .data = "x"}})},
    };
    for (const auto& seed : seeds) archive::test::writeFile(dir / seed.file, seed.bytes);
    return 0;
}
