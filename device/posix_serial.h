// The serial line to the instrument, for kalora-cli and the desktop program alike:
// termios on POSIX systems, the communications API on Windows, at the instrument's
// settings (9600 baud, eight data bits, no parity, two stop bits, RTS on, DTR off,
// no flow control). A port another program holds is refused, as is a second open
// of the same port.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "device/download.h"

namespace kalora {

// The name the system opens: on Windows "COM3" (any case) becomes "\\.\COM3",
// which is the only form from COM10 on; every other name is kept as given.
std::string system_port_name(const std::string& name);

class PosixSerialLink : public SerialLink {
 public:
  PosixSerialLink() = default;
  ~PosixSerialLink() override { close(); }
  PosixSerialLink(const PosixSerialLink&) = delete;
  PosixSerialLink& operator=(const PosixSerialLink&) = delete;

  bool open(const std::string& name) override;
  void close() override;
  bool send(std::uint8_t byte) override;

  bool is_open() const;
  // Every byte waiting in the input queue, at once; empty when none or closed.
  std::vector<std::uint8_t> read_waiting();
  // The port reported that the device went away (an adapter unplugged, the other
  // end of a terminal closed): nothing more will arrive until it is opened again.
  bool gone() const { return gone_; }

 private:
#ifdef _WIN32
  void* handle_ = nullptr;
#else
  int fd_ = -1;
#endif
  bool gone_ = false;
};

}  // namespace kalora
