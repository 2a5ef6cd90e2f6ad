// kalora-cli's serial port without a port: names and a port that is not there.
// The line settings themselves need a real port and are not tested here.
#include <gtest/gtest.h>

#include "device/posix_serial.h"

namespace kalora {
namespace {

TEST(SerialPort, NamesAndAMissingPort) {
#ifdef _WIN32
  const bool windows = true;
#else
  const bool windows = false;
#endif
  struct Case {
    std::string given;
    std::string on_windows;
  };
  const std::vector<Case> cases{
      {"COM3", "\\\\.\\COM3"}, {"com12", "\\\\.\\COM12"}, {"\\\\.\\COM1", "\\\\.\\COM1"},
      {"COM", "COM"},          {"COMX", "COMX"},          {"/dev/ttyS0", "/dev/ttyS0"},
  };
  for (const Case& c : cases) EXPECT_EQ(system_port_name(c.given), windows ? c.on_windows : c.given) << c.given;

  PosixSerialLink link;
  EXPECT_FALSE(link.open(windows ? "COM250" : "/dev/no-such-port"));
  EXPECT_FALSE(link.is_open());
  EXPECT_FALSE(link.send(0x56));
  EXPECT_TRUE(link.read_waiting().empty());
}

}  // namespace
}  // namespace kalora
