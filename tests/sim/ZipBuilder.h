#pragma once
// Builds small ZIP archives (stored entries) in memory for tests.
#include <zlib.h>

#include <cstdint>
#include <string>
#include <vector>

class ZipBuilder {
public:
    ZipBuilder& add(const std::string& name, const std::string& data) {
        entries_.push_back({name, data, static_cast<std::uint32_t>(local_.size())});
        const auto crc = crcOf(data);
        put32(local_, 0x04034b50);
        put16(local_, 20);
        put16(local_, 0);  // flags
        put16(local_, 0);  // stored
        put32(local_, 0);  // time, date
        put32(local_, crc);
        put32(local_, static_cast<std::uint32_t>(data.size()));
        put32(local_, static_cast<std::uint32_t>(data.size()));
        put16(local_, static_cast<std::uint16_t>(name.size()));
        put16(local_, 0);
        local_ += name + data;
        return *this;
    }

    std::string build() const {
        std::string central;
        for (const auto& e : entries_) {
            put32(central, 0x02014b50);
            put16(central, 20);
            put16(central, 20);
            put16(central, 0);
            put16(central, 0);
            put32(central, 0);
            put32(central, crcOf(e.data));
            put32(central, static_cast<std::uint32_t>(e.data.size()));
            put32(central, static_cast<std::uint32_t>(e.data.size()));
            put16(central, static_cast<std::uint16_t>(e.name.size()));
            put16(central, 0);
            put16(central, 0);
            put16(central, 0);
            put16(central, 0);
            put32(central, e.name.back() == '/' ? 0x10 : 0);
            put32(central, e.offset);
            central += e.name;
        }
        std::string end;
        put32(end, 0x06054b50);
        put16(end, 0);
        put16(end, 0);
        put16(end, static_cast<std::uint16_t>(entries_.size()));
        put16(end, static_cast<std::uint16_t>(entries_.size()));
        put32(end, static_cast<std::uint32_t>(central.size()));
        put32(end, static_cast<std::uint32_t>(local_.size()));
        put16(end, 0);
        return local_ + central + end;
    }

private:
    struct Entry {
        std::string name;
        std::string data;
        std::uint32_t offset;
    };
    static std::uint32_t crcOf(const std::string& data) {
        return static_cast<std::uint32_t>(
            crc32(0, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size())));
    }
    static void put16(std::string& out, std::uint16_t v) {
        out += static_cast<char>(v & 0xFF);
        out += static_cast<char>(v >> 8);
    }
    static void put32(std::string& out, std::uint32_t v) {
        put16(out, static_cast<std::uint16_t>(v & 0xFFFF));
        put16(out, static_cast<std::uint16_t>(v >> 16));
    }

    std::vector<Entry> entries_;
    std::string local_;
};
