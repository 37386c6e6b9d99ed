#include "package/archive/ArchiveFiles.h"

#include <iconv.h>

#include <cerrno>
#include <vector>

namespace archive {
namespace {

class IconvHandle {
public:
    IconvHandle(const char* to, const char* from) : handle_(iconv_open(to, from)) {}
    ~IconvHandle() {
        if (valid()) iconv_close(handle_);
    }
    IconvHandle(const IconvHandle&) = delete;
    IconvHandle& operator=(const IconvHandle&) = delete;
    bool valid() const { return handle_ != reinterpret_cast<iconv_t>(-1); }
    iconv_t get() const { return handle_; }

private:
    iconv_t handle_;
};

}  // namespace

bool cp936ToUtf8(std::string_view bytes, std::string& utf8) {
    IconvHandle converter("UTF-8", "CP936");
    if (!converter.valid()) return false;
    // A code page 936 character is one or two bytes and at most three in UTF-8.
    std::vector<char> input(bytes.begin(), bytes.end());
    std::vector<char> output(bytes.size() * 3 + 1);
    char* in = input.data();
    std::size_t inLeft = input.size();
    char* out = output.data();
    std::size_t outLeft = output.size();
    if (iconv(converter.get(), &in, &inLeft, &out, &outLeft) == static_cast<std::size_t>(-1) || inLeft != 0)
        return false;
    utf8.assign(output.data(), output.size() - outLeft);
    return true;
}

}  // namespace archive
