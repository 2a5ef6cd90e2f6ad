// The serial line for kalora-cli: termios on POSIX systems, at the instrument's
// settings (9600 baud, eight data bits, no parity, two stop bits, RTS on, DTR off,
// no flow control).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "device/download.h"

namespace kalora {

class PosixSerialLink : public SerialLink {
 public:
  PosixSerialLink() = default;
  ~PosixSerialLink() override { close(); }
  PosixSerialLink(const PosixSerialLink&) = delete;
  PosixSerialLink& operator=(const PosixSerialLink&) = delete;

  bool open(const std::string& name) override;
  void close() override;
  bool send(std::uint8_t byte) override;

  bool is_open() const { return fd_ >= 0; }
  // Every byte waiting in the input queue, at once; empty when none or closed.
  std::vector<std::uint8_t> read_waiting();

 private:
  int fd_ = -1;
};

}  // namespace kalora
