#pragma once
// Extends the 32-bit tick count to 64 bits. `seen` holds the wraps counted so far in its high
// half and the last reading in its low half; a reading below the last one is one more wrap.
#include <cstdint>

namespace win32 {

constexpr std::uint64_t foldTickCount(std::uint64_t seen, std::uint32_t now) {
    std::uint64_t wraps = seen >> 32;
    if (now < static_cast<std::uint32_t>(seen)) ++wraps;
    return (wraps << 32) | now;
}

}  // namespace win32
