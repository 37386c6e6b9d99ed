#pragma once
// Owner of one zlib raw-deflate stream, reused from entry to entry so that each entry costs a
// reset instead of an allocation. zlib keeps pointers into the z_stream, so it never moves.
#include <zlib.h>

#include <cstdint>
#include <span>

namespace archive {

class Inflater {
public:
    enum class Step { Progress, End, NeedInput, Damaged };

    Inflater();
    ~Inflater();
    Inflater(const Inflater&) = delete;
    Inflater& operator=(const Inflater&) = delete;

    bool ready() const { return ready_; }
    bool reset();

    void feed(std::span<const std::uint8_t> input);
    std::size_t pendingInput() const { return stream_.avail_in; }
    // Inflates into output; produced tells how much of it was filled.
    Step run(std::span<std::uint8_t> output, std::size_t& produced);

private:
    z_stream stream_{};
    bool ready_ = false;
};

}  // namespace archive
