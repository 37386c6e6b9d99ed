#pragma once
// Little-endian field reader over a bounded byte range. Reading past the end yields zeros and
// clears ok(), so a parser checks once after a group of fields instead of before each one.
#include <cstdint>
#include <span>
#include <string_view>

namespace archive {

class ByteCursor {
public:
    explicit ByteCursor(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

    bool ok() const { return ok_; }
    std::size_t remaining() const { return bytes_.size() - pos_; }

    std::uint8_t u8() { return static_cast<std::uint8_t>(take(1)); }
    std::uint16_t u16() { return static_cast<std::uint16_t>(take(2)); }
    std::uint32_t u32() { return static_cast<std::uint32_t>(take(4)); }
    std::uint64_t u64() { return take(8); }

    std::span<const std::uint8_t> bytes(std::size_t count) {
        if (!ok_ || count > remaining()) {
            ok_ = false;
            return {};
        }
        auto part = bytes_.subspan(pos_, count);
        pos_ += count;
        return part;
    }
    std::string_view text(std::size_t count) {
        auto part = bytes(count);
        return {reinterpret_cast<const char*>(part.data()), part.size()};
    }

private:
    std::uint64_t take(std::size_t width) {
        auto part = bytes(width);
        std::uint64_t value = 0;
        for (std::size_t i = part.size(); i > 0; --i) value = (value << 8) | part[i - 1];
        return value;
    }

    std::span<const std::uint8_t> bytes_;
    std::size_t pos_ = 0;
    bool ok_ = true;
};

}  // namespace archive
