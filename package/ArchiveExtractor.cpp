#include "package/ArchiveExtractor.h"

#include <cstdio>
#include <vector>

namespace {

constexpr std::size_t kCommandSize = 1024;
constexpr std::uint32_t kOutputSize = 16384;
constexpr std::size_t MAX_PATH_BYTES = 260;

// The library's text: a one-line summary, then one line per file written, each ended by
// "\r\n" (CR and LF are never a trail byte of code page 936). A line without its end was cut
// and names nothing. The report is whole when the library stopped with room left for any
// line the A functions could use; otherwise it may have run out of buffer.
std::vector<std::string> writtenFiles(const std::string& output, bool& complete) {
    std::vector<std::string> files;
    std::size_t start = output.find("\r\n");
    complete = start != std::string::npos && output.size() + MAX_PATH_BYTES + 2 <= kOutputSize - 1;
    if (start == std::string::npos) return files;
    for (start += 2;;) {
        const std::size_t end = output.find("\r\n", start);
        if (end == std::string::npos) break;
        if (end > start) files.push_back(output.substr(start, end - start));
        start = end + 2;
    }
    return files;
}

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

int ArchiveExtractor::extract(const std::string& archivePath, const std::string& outputDirectory,
                              const std::vector<std::string>& watched) {
    written_ = {};
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
    // Before and after, so that the record tells the files and folders the library made
    // from those that were there; the library's own report adds the files it overwrote.
    const TreeSnapshot before = watched.empty() ? TreeSnapshot{} : TreeSnapshot::take(files_, outputDirectory, watched);
    const int result = library_->sevenZip(ownerWindow_, command.data(), output, kOutputSize);
    if (!watched.empty()) {
        const TreeSnapshot after = TreeSnapshot::take(files_, outputDirectory, watched);
        bool complete = false;
        const std::vector<std::string> listed = writtenFiles(output, complete);
        written_ = compareSnapshots(before, after, listed, complete);
    }
    library_->killOwnerWindowEx(ownerWindow_);
    system_.sleep(10);
    return result == 0 ? 2 : 0;
}
