#include "platform/sim/SimMachine.h"
#include "tests/contract/ContractPlatform.h"

platform::Platform& contractPlatform() {
    // A fresh desktop, as the machine under Wine is one.
    static sim::SimMachine machine;
    static const bool ready = (machine.installDefaultPorts(), true);
    (void)ready;
    return machine.platform();
}

bool contractIsWin32() { return false; }
