#pragma once

#include "MLModemLines.h"

#include <memory>

class MLSerialPort;

// The class-level registry of live ports, and the services ports use; within
// the serial layer only.
namespace MLSerialPortRegistry {

void add(const std::shared_ptr<MLSerialPort> &port);
// From the port's destructor: by address, since no shared_ptr to it is left.
void remove(const MLSerialPort *port);
// The modem lines for a port that opens now (ioctl unless replaced).
std::shared_ptr<MLModemLines> currentModemLines();

} // namespace MLSerialPortRegistry
