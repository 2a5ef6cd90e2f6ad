// The serial ports the system reports. On Linux the serial devices under
// /sys/class/tty: ttyS with a real UART behind it, ttyUSB and ttyACM, with the USB
// product and maker from sysfs; on Windows the ports of the device manager
// (SetupAPI: description and maker) and any other port of the SERIALCOMM registry
// key. Pseudo-terminals are not serial ports and are never listed.
#pragma once

#include <filesystem>
#include <vector>

#include "device/port_search.h"

namespace kalora {

// root: where the system's /sys and /dev are found ("/" for the real ones; a test
// builds a tree of its own). Ignored on Windows. Sorted by kind, then number.
std::vector<SerialPortInfo> list_serial_ports(const std::filesystem::path& root = "/");

}  // namespace kalora
