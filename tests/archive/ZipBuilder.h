#pragma once
// Writes ZIP archives for the tests, including the malformed and hostile ones no archiver
// would produce. Each field the tests need to falsify can be overridden per entry.
#include "package/archive/ArchiveFiles.h"

#include <cstdint>
#include <filesystem>
#include <map>
#include <algorithm>
#include <optional>
#include <string>
#include <vector>

namespace archive::test {

struct TestEntry {
    std::string name{};
    std::string data{};
    std::uint16_t method = 8;
    std::uint16_t flags = 0;
    std::uint16_t madeBy = 0x0314;                      // Unix host
    std::uint32_t externalAttributes = 0100644u << 16;  // regular file
    bool zip64 = false;                                 // sizes and offset through zip64 fields
    bool descriptor = false;                            // sizes after the data (flag bit 3)
    std::string unicodePath{};                            // Info-ZIP Unicode path field
    std::optional<std::string> compressed{};              // replaces the compressed bytes
    std::optional<std::uint64_t> declaredSize{};          // replaces the uncompressed size everywhere
    std::optional<std::uint32_t> crc{};                   // replaces the checksum everywhere
    std::optional<std::uint32_t> localCrc{};              // replaces it in the local header only
    std::optional<std::size_t> sameDataAs{};              // central entry points at an earlier entry's local header
};

// zip64End: write the zip64 end records even when nothing needs them.
std::string buildZip(const std::vector<TestEntry>& entries, bool zip64End = false);

class MemorySource final : public ArchiveSource {
public:
    explicit MemorySource(std::string bytes) : bytes_(std::move(bytes)) {}
    std::uint64_t size() const override { return bytes_.size(); }
    bool readExact(std::uint64_t offset, std::span<std::uint8_t> buffer) override;
    // Copies out of bytes nobody changes.
    bool concurrentReads() const override { return true; }

private:
    std::string bytes_;
};

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

std::string readFile(const std::filesystem::path& path);
void writeFile(const std::filesystem::path& path, const std::string& data);

// Every entry below root: relative path -> contents, "<dir>" for folders, "<link>" for links.
std::map<std::string, std::string> snapshot(const std::filesystem::path& root);

inline std::string utf8(const char8_t* text) { return reinterpret_cast<const char*>(text); }
// Names in the tests are UTF-8 on every system.
inline std::filesystem::path u8path(const std::string& text) { return std::u8string(text.begin(), text.end()); }

}  // namespace archive::test
