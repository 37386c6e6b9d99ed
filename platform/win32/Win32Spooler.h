#pragma once
// The local print spooler through winspool.
#include "platform/Spooler.h"

namespace win32 {

class Win32Spooler final : public platform::Spooler {
public:
    long enumPorts(std::vector<platform::PortInfo2>& ports) override;
};

}  // namespace win32
