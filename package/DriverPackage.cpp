// Unpacking the driver package into C:\ at start-up, and removing what it left at the end.
#include "app/MainDialog.h"

namespace {

constexpr std::uint32_t MAX_PATH_BYTES = 260;

bool isDotEntry(const std::string& name) { return name == "." || name == ".."; }

}  // namespace

void MainDialog::unpackDriverPackage() {
    statusText = "正在整理驱动文件...";
    sendUpdateData();
    archive.setOwnerWindow(window_->nativeHandle());
    const std::string currentDirectory = platform_.files.currentDirectory(MAX_PATH_BYTES);
    // Without its folder the path would name "\DriverData.Drv" on whatever drive is current.
    if (!currentDirectory.empty()) archive.extract(currentDirectory + "\\DriverData.Drv", "C:\\");
    archive.unload();
}

bool MainDialog::deleteTree(const std::string& path) {
    platform::FileSystem& files = platform_.files;
    // A junction or symbolic link planted in place of the folder is removed, never entered:
    // entering it would delete whatever it points at.
    const std::uint32_t attributes = files.fileAttributes(path);
    if (attributes != platform::INVALID_FILE_ATTRIBUTES_VALUE &&
        (attributes & platform::FILE_ATTRIBUTE_REPARSE_POINT_BIT) != 0) {
        return files.removeDirectory(path) == 0;
    }
    platform::FindData entry;
    platform::FileSearchHandle search = files.findFirst(path + "//*.*", entry);
    if (search != nullptr) {
        do {
            if (isDotEntry(entry.name)) continue;
            const std::string child = path + "//" + entry.name;
            // The A functions take MAX_PATH bytes; a longer name cannot be deleted through them.
            if (child.size() >= MAX_PATH_BYTES) continue;
            const bool directory = (entry.attributes & platform::FILE_ATTRIBUTE_DIRECTORY_BIT) != 0;
            const bool link = (entry.attributes & platform::FILE_ATTRIBUTE_REPARSE_POINT_BIT) != 0;
            if (directory && link) {
                files.removeDirectory(child);
            } else if (directory) {
                deleteTree(child);
            } else {
                files.deleteFile(child);
            }
        } while (search->next(entry));
        search.reset();
    }
    return files.removeDirectory(path) == 0;
}

void MainDialog::removeUnpackedPackage() {
    deleteTree("c:\\Barcode");
    deleteTree("c:\\Ticket");
    platform_.files.deleteFile("c:\\DriverName.cfg");
}
