// Archives written by other archivers at test time extract to the same tree, byte for byte,
// as unzip gives. An archiver that is not installed is skipped with a message; the project's
// install script installs them all (zip unzip libarchive-tools 7zip python3).
#include "tests/archive/ZipBuilder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <random>

namespace archive {
namespace {

namespace fs = std::filesystem;
using test::utf8;

bool installed(const std::string& tool) { return std::system(("command -v " + tool + " >/dev/null 2>&1").c_str()) == 0; }

std::string quoted(const fs::path& path) { return "'" + path.string() + "'"; }

std::string binary(std::size_t size, unsigned seed) {
    std::mt19937 random(seed);
    std::string data(size, '\0');
    // Half random, half repeated records: compresses about 2:1, like a DLL.
    for (std::size_t i = 0; i < size; ++i) data[i] = static_cast<char>(i % 512 < 256 ? random() : i % 251);
    return data;
}

void makePackage(const fs::path& root) {
    std::string gpd;
    for (int i = 0; gpd.size() < 300000; ++i) gpd += "*Option: Resolution" + std::to_string(i) + "\n{\n  *Name: \"203 dpi\"\n}\n";
    test::writeFile(root / "DriverName.cfg", "[0]\r\nPrintName1=Model 58\r\n");
    test::writeFile(root / "Ticket/x86/model58.gpd", gpd);
    test::writeFile(root / "Ticket/x64/unidrv.dll", binary(600000, 1));
    test::writeFile(root / "Ticket/x64/small.ini", "x");
    test::writeFile(root / "Barcode/Common/empty.dat", "");
    test::writeFile(root / "Barcode/x86/deep/er/still/file.bin", binary(70000, 2));
    test::writeFile(root / utf8(u8"Barcode/语言/简体 中文.dll"), binary(5000, 3));
    fs::create_directories(root / "Barcode/x64/empty folder");
}

struct Archiver {
    const char* label;
    std::string tool;
    std::string command;  // run inside the package folder; ARCHIVE stands for the archive's path
};

// Names the case in test listings instead of dumping the structure's bytes.
void PrintTo(const Archiver& archiver, std::ostream* out) { *out << archiver.label; }

class Compatibility : public ::testing::TestWithParam<Archiver> {};

TEST_P(Compatibility, ExtractsTheSameTreeAsUnzip) {
    const auto& [label, tool, command] = GetParam();
    if (!installed("unzip")) GTEST_SKIP() << "unzip is not installed";
    if (!installed(tool)) GTEST_SKIP() << tool << " is not installed";
    test::TempDir work;
    const auto source = work.path() / "package";
    const auto archive = work.path() / "package.zip";
    makePackage(source);
    std::string line = command;
    line.replace(line.find("ARCHIVE"), 7, quoted(archive));
    ASSERT_EQ(std::system(("cd " + quoted(source) + " && " + line + " >/dev/null").c_str()), 0) << line;
    ASSERT_EQ(std::system(("unzip -q -o " + quoted(archive) + " -d " + quoted(work.path() / "unzip")).c_str()), 0);
    ASSERT_EQ(std::system((std::string(DRVUNZIP) + " " + quoted(archive) + " " + quoted(work.path() / "ours")).c_str()), 0);
    const auto expected = test::snapshot(work.path() / "unzip");
    EXPECT_EQ(expected, test::snapshot(source)) << "unzip itself lost something";
    EXPECT_EQ(test::snapshot(work.path() / "ours"), expected);
}

const std::string sevenZip = installed("7zz") ? "7zz" : "7z";
// zipfile writes folders only when asked, so the scripts add them; the second streams entries
// through ZipFile.open with zip64 records forced.
const std::string pythonWalk = R"(python3 -c "
import os, sys, zipfile
with open(sys.argv[1], 'wb') as raw, zipfile.ZipFile(raw, 'w', zipfile.ZIP_DEFLATED) as z:
    for top, folders, files in sorted(os.walk('.')):
        for name in sorted(folders): z.write(os.path.join(top, name))
        for name in sorted(files):
            path = os.path.join(top, name)
            if STREAMED:
                with open(path, 'rb') as f, z.open(path[2:], 'w', force_zip64=True) as out: out.write(f.read())
            else: z.write(path)
" ARCHIVE)";

std::string python(bool streamed) {
    std::string script = pythonWalk;
    script.replace(script.find("STREAMED"), 8, streamed ? "True" : "False");
    return script;
}

INSTANTIATE_TEST_SUITE_P(
    Archivers, Compatibility,
    ::testing::Values(Archiver{"InfoZip", "zip", "zip -q -r ARCHIVE ."},
                      Archiver{"InfoZipStoredZip64", "zip", "zip -q -r -0 -fz ARCHIVE ."},
                      Archiver{"Bsdtar", "bsdtar", "bsdtar --format zip -cf ARCHIVE ."},
                      Archiver{"BsdtarStored", "bsdtar", "bsdtar --format zip --options zip:compression=store -cf ARCHIVE ."},
                      Archiver{"SevenZip", sevenZip, sevenZip + " a -tzip -bso0 -bsp0 ARCHIVE ."},
                      Archiver{"SevenZipStored", sevenZip, sevenZip + " a -tzip -mm=Copy -bso0 -bsp0 ARCHIVE ."},
                      Archiver{"PythonZipfile", "python3", python(false)},
                      Archiver{"PythonZipfileStreamedZip64", "python3", python(true)}),
    [](const auto& param) { return std::string(param.param.label); });

}  // namespace
}  // namespace archive
