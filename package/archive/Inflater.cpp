#include "package/archive/Inflater.h"

namespace archive {

Inflater::Inflater() {
    // Negative window bits: ZIP entries are raw deflate, without zlib's header and trailer.
    ready_ = inflateInit2(&stream_, -MAX_WBITS) == Z_OK;
}

Inflater::~Inflater() {
    if (ready_) inflateEnd(&stream_);
}

bool Inflater::reset() {
    stream_.avail_in = 0;
    stream_.next_in = Z_NULL;
    return ready_ && inflateReset(&stream_) == Z_OK;
}

void Inflater::feed(std::span<const std::uint8_t> input) {
    // zlib never writes through next_in; the cast only satisfies its pre-const API.
    stream_.next_in = const_cast<Bytef*>(input.data());
    stream_.avail_in = static_cast<uInt>(input.size());
}

Inflater::Step Inflater::run(std::span<std::uint8_t> output, std::size_t& produced) {
    stream_.next_out = output.data();
    stream_.avail_out = static_cast<uInt>(output.size());
    const int result = inflate(&stream_, Z_NO_FLUSH);
    produced = output.size() - stream_.avail_out;
    switch (result) {
    case Z_STREAM_END:
        return Step::End;
    case Z_OK:
        return Step::Progress;
    case Z_BUF_ERROR:
        // No progress was possible: with output room left that can only mean no input.
        return stream_.avail_in == 0 ? Step::NeedInput : Step::Damaged;
    default:
        return Step::Damaged;
    }
}

}  // namespace archive
