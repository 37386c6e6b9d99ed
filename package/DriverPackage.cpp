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
    if (!currentDirectory.empty()) {
        archive.extract(currentDirectory + "\\DriverData.Drv", "C:\\", {"Ticket", "Barcode", "DriverName.cfg"});
        unpacked = archive.written();
    }
    archive.unload();
}

bool MainDialog::deleteTree(const std::string& path) {
    platform::FileSystem& files = platform_.files;
    const std::string key = pathKey(path);
    // Nothing of the package here (none was unpacked, or the folder is the user's alone):
    // the machine is not even asked.
    if (!unpacked.reaches(key)) return false;
    // A junction or symbolic link is never entered: that would reach whatever it points at.
    // One that took the place of a folder the unpacking created is removed itself.
    const std::uint32_t attributes = files.fileAttributes(path);
    if (attributes == platform::INVALID_FILE_ATTRIBUTES_VALUE ||
        (attributes & platform::FILE_ATTRIBUTE_DIRECTORY_BIT) == 0) {
        return false;
    }
    if ((attributes & platform::FILE_ATTRIBUTE_REPARSE_POINT_BIT) != 0) {
        return unpacked.folders.count(key) != 0 && files.removeDirectory(path) == 0;
    }
    platform::FindData entry;
    platform::FileSearchHandle search = files.findFirst(path + "//*.*", entry);
    if (search != nullptr) {
        do {
            if (isDotEntry(entry.name)) continue;
            const std::string child = path + "//" + entry.name;
            // The A functions take MAX_PATH bytes; a longer name cannot be deleted through them.
            if (child.size() >= MAX_PATH_BYTES) continue;
            const std::string childKey = pathKey(child);
            const bool directory = (entry.attributes & platform::FILE_ATTRIBUTE_DIRECTORY_BIT) != 0;
            const bool link = (entry.attributes & platform::FILE_ATTRIBUTE_REPARSE_POINT_BIT) != 0;
            if (link) {
                // A link in the unpacking's own place (a folder it created, or where it wrote)
                // appeared during the run and would keep the folder; removing it removes the
                // link alone. Any other link, like the user's files, stays.
                const bool ours = unpacked.folders.count(key) != 0 || unpacked.files.count(childKey) != 0 ||
                                  unpacked.folders.count(childKey) != 0;
                if (ours && directory) files.removeDirectory(child);
                if (ours && !directory) files.deleteFile(child);
            } else if (directory) {
                if (unpacked.reaches(childKey)) deleteTree(child);
            } else if (unpacked.files.count(childKey) != 0) {
                files.deleteFile(child);
            }
        } while (search->next(entry));
        search.reset();
    }
    // RemoveDirectoryA refuses a folder that still holds something: a read-only file, a file
    // or a link of the user's. That is what "left empty" means.
    if (unpacked.folders.count(key) == 0) return false;
    return files.removeDirectory(path) == 0;
}

void MainDialog::removeUnpackedPackage() {
    deleteTree("c:\\Barcode");
    deleteTree("c:\\Ticket");
    const std::string modelList = "c:\\DriverName.cfg";
    if (unpacked.files.count(pathKey(modelList)) == 0) return;
    const std::uint32_t attributes = platform_.files.fileAttributes(modelList);
    constexpr std::uint32_t notAFile = platform::FILE_ATTRIBUTE_REPARSE_POINT_BIT | platform::FILE_ATTRIBUTE_DIRECTORY_BIT;
    if (attributes != platform::INVALID_FILE_ATTRIBUTES_VALUE && (attributes & notAFile) == 0) {
        platform_.files.deleteFile(modelList);
    }
}
