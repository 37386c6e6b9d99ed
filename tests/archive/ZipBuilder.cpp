#include "tests/archive/ZipBuilder.h"

#include <zlib.h>

#include <fstream>
#include <map>
#include <random>
#include <sstream>
#include <stdexcept>

namespace archive::test {
namespace {

template <int Bytes>
void put(std::string& out, std::uint64_t v) {
    for (int i = 0; i < Bytes; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
}
constexpr auto put16 = put<2>;
constexpr auto put32 = put<4>;
constexpr auto put64 = put<8>;

std::uint32_t crcOf(const std::string& s) {
    return static_cast<std::uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(s.data()), static_cast<uInt>(s.size())));
}

std::string deflateRaw(const std::string& data) {
    z_stream z{};
    if (deflateInit2(&z, 6, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK) throw std::runtime_error("deflate");
    std::string out(deflateBound(&z, static_cast<uLong>(data.size())), '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    z.avail_in = static_cast<uInt>(data.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

}  // namespace

std::string buildZip(const std::vector<TestEntry>& entries, bool zip64End) {
    std::string archive;
    std::string central;
    std::vector<std::uint64_t> offsets;
    for (const auto& e : entries) {
        const std::string packed = e.compressed ? *e.compressed : e.method == 8 ? deflateRaw(e.data) : e.data;
        const std::uint64_t size = e.declaredSize.value_or(e.data.size());
        const std::uint32_t crc = e.crc.value_or(crcOf(e.data));
        const std::uint16_t flags = static_cast<std::uint16_t>(e.flags | (e.descriptor ? 0x0008 : 0));
        const std::uint64_t offset = e.sameDataAs ? offsets.at(*e.sameDataAs) : archive.size();
        offsets.push_back(offset);
        const auto fixedPart = [&](std::string& out, std::uint32_t headerCrc, bool local) {
            put16(out, 20);
            put16(out, flags);
            put16(out, e.method);
            put32(out, 0x00210000);  // 1980-01-01 00:00
            const bool hide = local && e.descriptor;
            put32(out, hide ? 0 : headerCrc);
            put32(out, hide ? 0 : e.zip64 ? 0xFFFFFFFF : packed.size());
            put32(out, hide ? 0 : e.zip64 ? 0xFFFFFFFF : size);
            put16(out, e.name.size());
        };
        std::string extra;
        if (e.zip64) {
            put16(extra, 0x0001);
            put16(extra, 16);
            put64(extra, size);
            put64(extra, packed.size());
        }
        if (!e.unicodePath.empty()) {
            put16(extra, 0x7075);
            put16(extra, 5 + e.unicodePath.size());
            extra += '\x01';
            put32(extra, crcOf(e.name));
            extra += e.unicodePath;
        }
        if (!e.sameDataAs) {
            put32(archive, 0x04034b50);
            fixedPart(archive, e.localCrc.value_or(crc), true);
            put16(archive, extra.size());
            archive += e.name + extra + packed;
            if (e.descriptor) {
                put32(archive, 0x08074b50);
                put32(archive, crc);
                if (e.zip64) {
                    put64(archive, packed.size());
                    put64(archive, size);
                } else {
                    put32(archive, packed.size());
                    put32(archive, size);
                }
            }
        }
        std::string centralExtra = extra;
        if (e.zip64) {
            centralExtra.replace(2, 2, std::string("\x18\x00", 2));
            centralExtra.insert(20, std::string(8, '\0'));
            for (int i = 0; i < 8; ++i) centralExtra[20 + i] = static_cast<char>((offset >> (8 * i)) & 0xFF);
        }
        put32(central, 0x02014b50);
        put16(central, e.madeBy);
        fixedPart(central, crc, false);
        put16(central, centralExtra.size());
        put16(central, 0);  // comment
        put16(central, 0);  // disk
        put16(central, 0);  // internal attributes
        put32(central, e.externalAttributes);
        put32(central, e.zip64 ? 0xFFFFFFFF : offset);
        central += e.name + centralExtra;
    }
    const std::uint64_t cdOffset = archive.size();
    archive += central;
    if (zip64End) {
        const std::uint64_t recordOffset = archive.size();
        put32(archive, 0x06064b50);
        put64(archive, 44);
        put16(archive, 45);
        put16(archive, 45);
        put32(archive, 0);
        put32(archive, 0);
        put64(archive, entries.size());
        put64(archive, entries.size());
        put64(archive, central.size());
        put64(archive, cdOffset);
        put32(archive, 0x07064b50);
        put32(archive, 0);
        put64(archive, recordOffset);
        put32(archive, 1);
    }
    put32(archive, 0x06054b50);
    put32(archive, 0);
    put16(archive, zip64End ? 0xFFFF : entries.size());
    put16(archive, zip64End ? 0xFFFF : entries.size());
    put32(archive, zip64End ? 0xFFFFFFFF : central.size());
    put32(archive, zip64End ? 0xFFFFFFFF : cdOffset);
    put16(archive, 0);
    return archive;
}

bool MemorySource::readExact(std::uint64_t offset, std::span<std::uint8_t> buffer) {
    if (offset > bytes_.size() || bytes_.size() - offset < buffer.size()) return false;
    std::copy_n(bytes_.data() + offset, buffer.size(), reinterpret_cast<char*>(buffer.data()));
    return true;
}

TempDir::TempDir() {
    // create_directory reports whether it made the folder, so a name in use is never shared.
    static std::random_device seed;
    std::mt19937_64 random(seed());
    for (int attempt = 0; attempt < 100; ++attempt) {
        path_ = std::filesystem::temp_directory_path() / ("archive-test-" + std::to_string(random()));
        if (std::filesystem::create_directory(path_)) return;
    }
    throw std::runtime_error("cannot create a temporary folder");
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void writeFile(const std::filesystem::path& path, const std::string& data) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << data;
}

std::map<std::string, std::string> snapshot(const std::filesystem::path& root) {
    std::map<std::string, std::string> tree;
    for (auto it = std::filesystem::recursive_directory_iterator(root); it != std::filesystem::end(it); ++it) {
        const auto name = it->path().lexically_relative(root).generic_u8string();
        const std::string relative(name.begin(), name.end());
        if (it->is_symlink())
            tree[relative] = "<link>";
        else if (it->is_directory())
            tree[relative] = "<dir>";
        else
            tree[relative] = readFile(it->path());
    }
    return tree;
}

}  // namespace archive::test
