#include "platform/sim/SimArchiveLibrary.h"

#include <algorithm>
#include <cstring>

#include "package/archive/Extractor.h"
#include "package/archive/SevenZipCommand.h"
#include "package/archive/posix/PosixFiles.h"
#include "platform/CodePage936.h"
#include "platform/sim/SimOutputTree.h"
#include "platform/sim/SimText.h"

namespace sim {

class SimArchiveLibrary : public platform::ArchiveLibrary {
public:
    explicit SimArchiveLibrary(SimArchiveLibraryLoader& loader) : loader_(loader) { ++loader_.loaded_; }
    ~SimArchiveLibrary() override { --loader_.loaded_; }

    bool hasEntryPoint(const std::string& name) const override {
        std::lock_guard lock(loader_.mutex_);
        const auto& missing = loader_.missingEntryPoints_;
        return std::find(missing.begin(), missing.end(), name) == missing.end();
    }

    int sevenZip(std::uintptr_t, const std::string& command, std::string& output, std::uint32_t outputSize) override {
        if (!hasEntryPoint("SevenZip")) return -1;
        std::function<void()> hook;
        {
            std::lock_guard lock(loader_.mutex_);
            loader_.commands_.push_back(command);
            hook = loader_.hook_;
        }
        if (hook) hook();
        std::vector<std::string> written;
        std::string message;
        const bool ok = run(command, message, written);
        output = report(message, written, outputSize);
        return ok ? 0 : 1;
    }

    int setOwnerWindowEx(std::uintptr_t, platform::ArchiveProgressCallback) override {
        return hasEntryPoint("SevenZipSetOwnerWindowEx") ? 1 : -1;
    }
    int killOwnerWindowEx(std::uintptr_t) override { return hasEntryPoint("SevenZipKillOwnerWindowEx") ? 1 : -1; }

private:
    // What 7-zip32.dll writes into the caller's buffer: the summary, then, when it fits whole,
    // one line per file written (backslashes, relative to the output folder), as many whole
    // lines as fit in outputSize bytes with the NUL. The names are the entries' own, in code
    // page 936 as the DLL converts them; one without a code page 936 form is left out.
    static std::string report(const std::string& summary, const std::vector<std::string>& written,
                              std::uint32_t outputSize) {
        if (outputSize == 0) return {};
        const std::size_t room = outputSize - 1;
        std::string text = summary.substr(0, cp936::fittingPrefix(summary, room));
        if (text.size() != summary.size() || text.size() + 2 > room) return text;
        text += "\r\n";
        for (const std::string& path : written) {
            // Before the conversion, which is where a trail byte of 0x5C may appear.
            std::string backslashed = path;
            std::replace(backslashed.begin(), backslashed.end(), '/', '\\');
            std::string line;
            if (!utf8ToAnsi(backslashed, line)) continue;
            line += "\r\n";
            if (text.size() + line.size() > room) break;
            text += line;
        }
        return text;
    }

    // False with what went wrong in `message` on failure; `written` lists the files
    // committed either way.
    bool run(const std::string& commandText, std::string& message, std::vector<std::string>& written) {
        archive::SevenZipCommand command;
        if (!archive::parseSevenZipCommand(commandText, command, message)) return false;
        std::string archivePath;
        try {
            archivePath = loader_.files_.hostPath(command.archive).string();
        } catch (const std::exception& e) {
            message = e.what();
            return false;
        }
        auto source = archive::PosixArchiveSource::open(archivePath, message);
        if (!source) return false;
        // Written under the drive's own rules, not the host's: names without case, in code
        // page 936, no reparse point entered.
        auto output = openOutputTree(loader_.files_, command.outputFolder, message);
        if (!output) return false;
        archive::ExtractResult result = archive::extractArchive(*source, *output);
        written = std::move(result.written);
        message = result.message;
        if (result.status == archive::ExtractStatus::Ok) return true;
        if (message.empty()) message = "extraction failed";
        return false;
    }

    SimArchiveLibraryLoader& loader_;
};

std::unique_ptr<platform::ArchiveLibrary> SimArchiveLibraryLoader::load(const std::string& fileName) {
    if (!present_ || asciiLower(fileName) != "7-zip32.dll") return nullptr;
    ++loads_;
    return std::make_unique<SimArchiveLibrary>(*this);
}

void SimArchiveLibraryLoader::dropEntryPoint(const std::string& name) {
    std::lock_guard lock(mutex_);
    missingEntryPoints_.push_back(name);
}

void SimArchiveLibraryLoader::onSevenZip(std::function<void()> hook) {
    std::lock_guard lock(mutex_);
    hook_ = std::move(hook);
}

std::vector<std::string> SimArchiveLibraryLoader::commands() const {
    std::lock_guard lock(mutex_);
    return commands_;
}

}  // namespace sim
