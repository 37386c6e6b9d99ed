#pragma once
// What the Windows loader reads of a module file before it maps it: the DOS header's "MZ",
// the offset of the PE header at 0x3C, the "PE\0\0" signature and the file header's Machine
// field. That is enough to tell a module from any other file, and a 32-bit module from a
// 64-bit one, which is all the simulated spooler asks of a DLL it loads.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace sim {

enum class PeMachine : std::uint16_t {
    I386 = 0x014C,   // IMAGE_FILE_MACHINE_I386
    Amd64 = 0x8664,  // IMAGE_FILE_MACHINE_AMD64
};

namespace pe_detail {
constexpr std::size_t kLfanewOffset = 0x3C;
constexpr std::size_t kPeOffset = 0x40;
constexpr std::size_t kFileHeaderSize = 20;
constexpr std::uint16_t kDllCharacteristics = 0x2102;  // executable, 32-bit words, DLL

inline std::uint32_t readLe(std::string_view bytes, std::size_t at, std::size_t width) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < width; ++i) {
        value |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + i])) << (8 * i);
    }
    return value;
}
inline void writeLe(std::string& bytes, std::size_t at, std::uint32_t value, std::size_t width) {
    for (std::size_t i = 0; i < width; ++i) bytes[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}
}  // namespace pe_detail

// The smallest file the checks above take for a DLL of `machine`, followed by `body`, so that
// stand-ins for different DLLs still differ in their bytes.
inline std::string peDllImage(PeMachine machine, std::string_view body = {}) {
    using namespace pe_detail;
    std::string image(kPeOffset + 4 + kFileHeaderSize, '\0');
    image[0] = 'M';
    image[1] = 'Z';
    writeLe(image, kLfanewOffset, kPeOffset, 4);
    image.replace(kPeOffset, 4, std::string("PE\0\0", 4));
    writeLe(image, kPeOffset + 4, static_cast<std::uint16_t>(machine), 2);
    writeLe(image, kPeOffset + 4 + 18, kDllCharacteristics, 2);
    image.append(body);
    return image;
}

// The Machine field of a module file, or nothing when the bytes are not a module at all.
inline std::optional<std::uint16_t> peMachine(std::string_view bytes) {
    using namespace pe_detail;
    if (bytes.size() < kLfanewOffset + 4 || bytes.substr(0, 2) != "MZ") return std::nullopt;
    const std::size_t pe = readLe(bytes, kLfanewOffset, 4);
    if (pe > bytes.size() || bytes.size() - pe < 4 + kFileHeaderSize) return std::nullopt;
    if (bytes.substr(pe, 4) != std::string_view("PE\0\0", 4)) return std::nullopt;
    return static_cast<std::uint16_t>(readLe(bytes, pe + 4, 2));
}

}  // namespace sim
