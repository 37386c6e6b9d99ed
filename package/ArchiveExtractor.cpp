#include "package/ArchiveExtractor.h"

#include <cstdio>
#include <vector>

namespace {

constexpr std::size_t kCommandSize = 1024;
constexpr std::uint32_t kOutputSize = 16384;

}  // namespace

ArchiveExtractor::ArchiveExtractor(platform::ArchiveLibraryLoader& loader, platform::SystemInfo& system,
                                   platform::FileSystem& files)
    : loader_(loader), system_(system), files_(files) {}

ArchiveExtractor::~ArchiveExtractor() { unload(); }

int ArchiveExtractor::loadLibrary() {
    unload();
    library_ = loader_.load("7-zip32.dll");
    return library_ != nullptr ? 1 : 0;
}

void ArchiveExtractor::unload() { library_.reset(); }

int ArchiveExtractor::progressCallback(std::uintptr_t, unsigned, unsigned, void*) { return 1; }

int ArchiveExtractor::extract(const std::string& archivePath, const std::string& outputDirectory) {
    loadLibrary();
    system_.sleep(10);
    if (library_ == nullptr || files_.fileAttributes(archivePath) == platform::INVALID_FILE_ATTRIBUTES_VALUE) {
        return 0;
    }
    std::vector<char> command(kCommandSize, '\0');
    const int length = std::snprintf(command.data(), command.size(), "x -y \"%s\" -o\"%s\" -hide",
                                     archivePath.c_str(), outputDirectory.c_str());
    // A cut command would name another archive or folder, or drop -hide.
    if (length < 0 || static_cast<std::size_t>(length) >= command.size()) return 0;

    library_->setOwnerWindowEx(ownerWindow_, &ArchiveExtractor::progressCallback);
    system_.sleep(100);
    std::string output;
    const int result = library_->sevenZip(ownerWindow_, command.data(), output, kOutputSize);
    library_->killOwnerWindowEx(ownerWindow_);
    system_.sleep(10);
    return result == 0 ? 2 : 0;
}
