// The serial link without an instrument: names, a port that is not there, and on
// POSIX systems a pseudo-terminal for the line settings, the exclusive use and a
// device that goes away.
#include <gtest/gtest.h>

#include <fstream>
#include <memory>

#include "device/posix_serial.h"
#include "device/serial_ports.h"
#include "support/temp_dir.h"

#ifndef _WIN32
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>

#include "device/pseudo_terminal.h"
#endif

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
  EXPECT_FALSE(link.gone());
}

#ifndef _WIN32

TEST(SerialPort, PseudoTerminalSettingsExclusiveUseAndHangUp) {
  auto pty = std::make_unique<PseudoTerminal>();
  ASSERT_TRUE(pty->ok()) << pty->error();
  PosixSerialLink link;
  ASSERT_TRUE(link.open(pty->path()));

  // Another program (or a second link) is refused while the link holds the port.
  PosixSerialLink second;
  EXPECT_FALSE(second.open(pty->path()));
  const int peek = ::open(pty->path().c_str(), O_RDONLY | O_NOCTTY | O_NONBLOCK);
  if (peek < 0) {
    EXPECT_EQ(errno, EBUSY);  // the terminal's exclusive mode
  } else {
    // Privileged users pass the exclusive mode: look at the settings instead.
    termios line{};
    ASSERT_EQ(tcgetattr(peek, &line), 0);
    ::close(peek);
    EXPECT_EQ(cfgetispeed(&line), B9600);
    EXPECT_EQ(cfgetospeed(&line), B9600);
    EXPECT_EQ(line.c_cflag & (CSIZE | CSTOPB | PARENB | CRTSCTS), tcflag_t{CS8 | CSTOPB});
    EXPECT_EQ(line.c_iflag & (IXON | IXOFF), tcflag_t{0});
    EXPECT_EQ(line.c_lflag & (ICANON | ECHO), tcflag_t{0});
  }

  // Both directions, every byte value as it is.
  EXPECT_TRUE(link.send(0x56));
  char got = 0;
  for (int i = 0; i < 100 && ::read(pty->master(), &got, 1) != 1; ++i) usleep(10'000);
  EXPECT_EQ(got, 'V');
  const std::string sent = "S\x01\xEB\xFFP";
  ASSERT_EQ(::write(pty->master(), sent.data(), sent.size()), static_cast<ssize_t>(sent.size()));
  std::vector<std::uint8_t> in;
  for (int i = 0; i < 100 && in.size() < sent.size(); ++i) {
    const auto chunk = link.read_waiting();
    in.insert(in.end(), chunk.begin(), chunk.end());
    usleep(10'000);
  }
  EXPECT_EQ(std::string(in.begin(), in.end()), sent);
  EXPECT_FALSE(link.gone());

  // Closed, the port is free again for the next download.
  link.close();
  ASSERT_TRUE(second.open(pty->path()));

  // The other end going away is the device going away.
  pty.reset();
  for (int i = 0; i < 100 && !second.gone(); ++i) {
    second.read_waiting();
    usleep(10'000);
  }
  EXPECT_TRUE(second.gone());
  EXPECT_TRUE(second.read_waiting().empty());
  EXPECT_FALSE(second.send(0x56));
}

// The system's list from a sysfs tree made here: what a serial port is, and what
// the system says of it.
TEST(SerialPort, ListFromTheSystemsTtyClass) {
  namespace fs = std::filesystem;
  test::TempDir root;
  const fs::path devices = root.path() / "sys/devices";
  const fs::path tty = root.path() / "sys/class/tty";
  fs::create_directories(tty);
  const auto write = [](const fs::path& file, const std::string& text) {
    fs::create_directories(file.parent_path());
    std::ofstream(file) << text;
  };
  struct Port {
    std::string name;
    std::string device;  // the device folder under sys/devices; none when empty
    std::string uart_type;
  };
  const std::vector<Port> ports{
      {"ttyS0", "pnp0/00:01", "4\n"},
      {"ttyS1", "platform/serial8250", "0\n"},  // a name without a UART
      {"ttyS10", "pnp0/00:02", "4"},
      {"ttyUSB1", "usb1/1-2/1-2:1.0/ttyUSB1", ""},
      {"ttyUSB0", "usb1/1-1/1-1:1.0/ttyUSB0", ""},
      {"ttyACM0", "usb1/1-3/1-3:1.0", ""},
      {"tty1", "", ""},
      {"console", "", ""},
      {"ttyUSBx", "usb1/1-1/1-1:1.0/ttyUSB0", ""},
  };
  for (const Port& p : ports) {
    fs::create_directories(tty / p.name);
    if (!p.uart_type.empty()) write(tty / p.name / "type", p.uart_type);
    if (!p.device.empty()) {
      fs::create_directories(devices / p.device);
      fs::create_directory_symlink(devices / p.device, tty / p.name / "device");
    }
  }
  write(devices / "usb1/1-1/idVendor", "0403\n");
  write(devices / "usb1/1-1/product", "FT232R USB UART\n");
  write(devices / "usb1/1-1/manufacturer", "FTDI\n");
  write(devices / "usb1/1-2/idVendor", "1a86\n");  // a maker that says nothing of itself
  write(devices / "usb1/1-3/idVendor", "2341\n");
  write(devices / "usb1/1-3/product", " Uno \n");
  write(devices / "usb1/1-3/1-3:1.0/interface", "CDC Abstract Control Model (ACM)\n");

  const std::string dev = (root.path() / "dev").string() + "/";
  std::vector<std::string> got;
  for (const SerialPortInfo& p : list_serial_ports(root.path())) got.push_back(port_label(p));
  EXPECT_EQ(got, (std::vector<std::string>{dev + "ttyACM0 — Uno", dev + "ttyS0", dev + "ttyS10",
                                           dev + "ttyUSB0 — FT232R USB UART (FTDI)", dev + "ttyUSB1"}));
  // No such tree: no ports, no failure.
  EXPECT_TRUE(list_serial_ports(root.path() / "none").empty());
}

#endif

}  // namespace
}  // namespace kalora
