#include "platform/sim/SimMachine.h"

namespace sim {

void SimMachine::installDefaultPorts() {
    spooler.addPort("COM1:");
    spooler.addPort("LPT1:");
    spooler.addPort("FILE:");
    registry.setString("HKLM\\HARDWARE\\DEVICEMAP\\SERIALCOMM", "\\Device\\Serial0", "COM1");
}

}  // namespace sim
