// The file calls the unpacking and clean-up of the driver package rely on: listing a folder
// with "%s//*.*", deleting files and folders, and the errors that leave a file in place. They
// run unchanged against the simulated drive and, cross-compiled, against Wine's.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <map>
#include <vector>

#include "platform/WinConstants.h"
#include "tests/contract/ContractPlatform.h"

namespace {

using platform::FILE_ATTRIBUTE_DIRECTORY_BIT;
using platform::FILE_ATTRIBUTE_READONLY_BIT;
using platform::INVALID_FILE_ATTRIBUTES_VALUE;

const std::string kRoot = "C:\\DriverInstallerContract";
const std::string kFolder = kRoot + "\\Files";

class FileSystemContract : public ::testing::Test {
protected:
    void SetUp() override {
        files.createDirectory(kRoot);
        ASSERT_EQ(files.createDirectory(kFolder), win::ERROR_SUCCESS);
    }
    void TearDown() override {
        removeTree(kFolder);
        files.removeDirectory(kRoot);
    }

    // Writes a file below the test folder and returns its Windows path.
    std::string write(const std::string& relative, const std::string& bytes) {
        const std::string path = kFolder + "\\" + relative;
        std::ofstream out(contractHostPath(path), std::ios::binary | std::ios::trunc);
        out << bytes;
        out.close();
        EXPECT_TRUE(out.good()) << path;
        return path;
    }

    std::string read(const std::string& path) {
        std::ifstream in(contractHostPath(path), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

    // Every entry a search reports, by name.
    std::map<std::string, std::uint32_t> list(const std::string& pattern) {
        std::map<std::string, std::uint32_t> entries;
        platform::FindData entry;
        platform::FileSearchHandle search = files.findFirst(pattern, entry);
        if (!search) return entries;
        do {
            EXPECT_TRUE(entries.emplace(entry.name, entry.attributes).second) << "twice: " << entry.name;
        } while (search->next(entry));
        // The end stays the end.
        EXPECT_FALSE(search->next(entry));
        return entries;
    }

    // Clean-up of whatever a test left, read-only files included.
    void removeTree(const std::string& folder) {
        for (const auto& [name, attributes] : list(folder + "\\*")) {
            if (name == "." || name == "..") continue;
            const std::string path = folder + "\\" + name;
            if (attributes & FILE_ATTRIBUTE_DIRECTORY_BIT) {
                removeTree(path);
            } else {
                contractSetReadOnly(path, false);
                files.deleteFile(path);
            }
        }
        files.removeDirectory(folder);
    }

    platform::FileSystem& files = contractPlatform().files;
};

TEST_F(FileSystemContract, ListingShowsBothDotEntriesAndMarksFolders) {
    ASSERT_EQ(files.createDirectory(kFolder + "\\Sub"), win::ERROR_SUCCESS);
    write("a.txt", "a");
    write("noextension", "b");
    // The clean-up's own pattern, with its doubled forward slash, and the usual ones.
    for (const std::string& pattern : {kFolder + "//*.*", kFolder + "\\*", kFolder + "\\*.*"}) {
        SCOPED_TRACE(pattern);
        const auto entries = list(pattern);
        std::vector<std::string> names;
        for (const auto& [name, attributes] : entries) {
            names.push_back(name);
            const bool folder = name == "." || name == ".." || name == "Sub";
            EXPECT_EQ((attributes & FILE_ATTRIBUTE_DIRECTORY_BIT) != 0, folder) << name;
        }
        EXPECT_EQ(names, (std::vector<std::string>{".", "..", "Sub", "a.txt", "noextension"}));
    }
    platform::FindData entry;
    EXPECT_EQ(files.findFirst(kFolder + "\\Missing\\*.*", entry), nullptr);
    EXPECT_EQ(files.findFirst(kFolder + "\\Sub\\*.txt", entry), nullptr);
}

TEST_F(FileSystemContract, ReadOnlyFilesRefuseDeletion) {
    const std::string path = write("locked.dll", "x");
    contractSetReadOnly(path, true);
    EXPECT_NE(files.fileAttributes(path) & FILE_ATTRIBUTE_READONLY_BIT, 0u);
    EXPECT_EQ(files.deleteFile(path), win::ERROR_ACCESS_DENIED);
    EXPECT_NE(files.fileAttributes(path), INVALID_FILE_ATTRIBUTES_VALUE);
    // The folder that holds it cannot go either.
    EXPECT_EQ(files.removeDirectory(kFolder), win::ERROR_DIR_NOT_EMPTY);

    contractSetReadOnly(path, false);
    EXPECT_EQ(files.deleteFile(path), win::ERROR_SUCCESS);
    EXPECT_EQ(files.deleteFile(path), win::ERROR_FILE_NOT_FOUND);
}

TEST_F(FileSystemContract, FoldersGoOnlyWhenEmptyAndOnlyAsFolders) {
    const std::string sub = kFolder + "\\Sub";
    EXPECT_EQ(files.createDirectory(sub), win::ERROR_SUCCESS);
    EXPECT_EQ(files.createDirectory(sub), win::ERROR_ALREADY_EXISTS);
    EXPECT_EQ(files.createDirectory(kFolder + "\\No\\Sub"), win::ERROR_PATH_NOT_FOUND);
    const std::string inner = write("Sub\\inner.txt", "x");

    EXPECT_EQ(files.removeDirectory(sub), win::ERROR_DIR_NOT_EMPTY);
    EXPECT_EQ(files.deleteFile(sub), win::ERROR_ACCESS_DENIED);
    EXPECT_EQ(files.removeDirectory(inner), win::ERROR_DIRECTORY);
    EXPECT_EQ(files.deleteFile(inner), win::ERROR_SUCCESS);
    EXPECT_EQ(files.removeDirectory(sub), win::ERROR_SUCCESS);
    EXPECT_EQ(files.fileAttributes(sub), INVALID_FILE_ATTRIBUTES_VALUE);
    EXPECT_EQ(files.removeDirectory(sub), win::ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(files.removeDirectory(kFolder + "\\No\\Sub"), win::ERROR_PATH_NOT_FOUND);
    EXPECT_EQ(files.deleteFile(kFolder + "\\No\\file"), win::ERROR_PATH_NOT_FOUND);
}

TEST_F(FileSystemContract, NamesIgnoreCaseAndDoubledSeparatorsCollapse) {
    write("Mixed.Case.TXT", "x");
    const std::uint32_t attributes = files.fileAttributes(kFolder + "\\mixed.case.txt");
    ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES_VALUE);
    EXPECT_EQ(attributes & FILE_ATTRIBUTE_DIRECTORY_BIT, 0u);
    EXPECT_EQ(files.fileAttributes("c:\\driverinstallercontract//FILES\\\\MIXED.case.txt"), attributes);
    // A search for the name reports it as stored.
    EXPECT_EQ(list(kFolder + "\\MIXED.CASE.TXT").count("Mixed.Case.TXT"), 1u);
    EXPECT_EQ(files.deleteFile(kFolder + "//mixed.CASE.txt"), win::ERROR_SUCCESS);
    EXPECT_EQ(files.fileAttributes(kFolder + "\\Mixed.Case.TXT"), INVALID_FILE_ATTRIBUTES_VALUE);
}

TEST_F(FileSystemContract, CopyOverwritesOnlyWhenAllowed) {
    const std::string source = write("source.dll", "new");
    const std::string target = write("target.dll", "old");
    EXPECT_EQ(files.copyFile(source, target, true), win::ERROR_FILE_EXISTS);
    EXPECT_EQ(read(target), "old");
    EXPECT_EQ(files.copyFile(source, target, false), win::ERROR_SUCCESS);
    EXPECT_EQ(read(target), "new");
    EXPECT_EQ(files.copyFile(kFolder + "\\missing.dll", target, false), win::ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(files.copyFile(source, kFolder + "\\No\\target.dll", false), win::ERROR_PATH_NOT_FOUND);

    // The read-only attribute travels with the copy and then guards the target on Windows.
    // Wine keeps the attribute in the host's permission bits, which do not stop root: run as
    // root, Wine overwrites the copy.
    contractSetReadOnly(source, true);
    const std::string copy = kFolder + "\\copy.dll";
    EXPECT_EQ(files.copyFile(source, copy, false), win::ERROR_SUCCESS);
    EXPECT_NE(files.fileAttributes(copy) & FILE_ATTRIBUTE_READONLY_BIT, 0u);
    if (!contractIsWine()) {
        EXPECT_EQ(files.copyFile(target, copy, false), win::ERROR_ACCESS_DENIED);
    }
}

TEST_F(FileSystemContract, CurrentDirectoryNeedsRoomForItsNul) {
    const std::string full = files.currentDirectory(260);
    ASSERT_FALSE(full.empty());
    EXPECT_EQ(full[1], ':');
    EXPECT_NE(files.fileAttributes(full) & FILE_ATTRIBUTE_DIRECTORY_BIT, 0u);
    const auto size = static_cast<std::uint32_t>(full.size());
    EXPECT_EQ(files.currentDirectory(size + 1), full);
    EXPECT_EQ(files.currentDirectory(size), "");
}

}  // namespace
