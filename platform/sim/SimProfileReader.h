#pragma once
// Profile (INI) files on the simulated drive, read the way Windows reads an ANSI file. Where
// Windows' behaviour is known (its documentation, and the published observations of it that
// Wine's conformance tests encode) this follows Windows; where only Wine's is known, Wine's.
// The places where Wine departs from Windows are listed in SimProfileReader.cpp.
#include "platform/Profile.h"
#include "platform/sim/SimFileSystem.h"

namespace sim {

class SimProfileReader : public platform::ProfileReader {
public:
    explicit SimProfileReader(SimFileSystem& files) : files_(files) {}

    std::uint32_t sectionNames(const std::string& file, std::uint32_t bufferSize, std::string& buffer) override;
    std::uint32_t getString(const std::string& section, const std::string& key, const std::string& defaultValue,
                            std::uint32_t bufferSize, std::string& value, const std::string& file) override;

private:
    SimFileSystem& files_;
};

}  // namespace sim
