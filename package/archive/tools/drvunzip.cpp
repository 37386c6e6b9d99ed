// drvunzip ARCHIVE DIR: the extraction engine on the command line, for tests and for
// measuring it against unzip and bsdtar.
#include "package/archive/Extractor.h"
#include "package/archive/posix/PosixFiles.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <thread>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: drvunzip ARCHIVE DIR\n");
        return 2;
    }
    std::string error;
    auto source = archive::PosixArchiveSource::open(argv[1], error);
    auto output = source ? archive::PosixOutputTree::open(argv[2], error) : nullptr;
    if (!source || !output) {
        std::fprintf(stderr, "drvunzip: %s\n", error.c_str());
        return 1;
    }
    // Entries are independent: one writer per core, up to four.
    const unsigned workers = std::clamp(std::thread::hardware_concurrency(), 1u, 4u);
    const auto result = archive::extractArchive(*source, *output, {}, workers);
    if (result.status != archive::ExtractStatus::Ok) {
        std::fprintf(stderr, "drvunzip: %s\n", result.message.c_str());
        return 1;
    }
    return 0;
}
