#include "platform/sim/SimArchiveLibrary.h"

#include <algorithm>
#include <cstring>

#include "package/archive/Extractor.h"
#include "package/archive/SevenZipCommand.h"
#include "package/archive/posix/PosixFiles.h"
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
        const std::string message = run(command);
        output = message.substr(0, outputSize > 0 ? outputSize - 1 : 0);
        return message.empty() ? 0 : 1;
    }

    int setOwnerWindowEx(std::uintptr_t, platform::ArchiveProgressCallback) override {
        return hasEntryPoint("SevenZipSetOwnerWindowEx") ? 1 : -1;
    }
    int killOwnerWindowEx(std::uintptr_t) override { return hasEntryPoint("SevenZipKillOwnerWindowEx") ? 1 : -1; }

private:
    // Empty on success, else what went wrong.
    std::string run(const std::string& commandText) {
        archive::SevenZipCommand command;
        std::string why;
        if (!archive::parseSevenZipCommand(commandText, command, why)) return why;
        std::string archivePath;
        std::string outputPath;
        try {
            archivePath = loader_.files_.hostPath(command.archive).string();
            outputPath = loader_.files_.hostPath(command.outputFolder).string();
        } catch (const std::exception& e) {
            return e.what();
        }
        std::string error;
        auto source = archive::PosixArchiveSource::open(archivePath, error);
        if (!source) return error;
        auto output = archive::PosixOutputTree::open(outputPath, error);
        if (!output) return error;
        const archive::ExtractResult result = archive::extractArchive(*source, *output);
        if (result.status == archive::ExtractStatus::Ok) return {};
        return result.message.empty() ? "extraction failed" : result.message;
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
