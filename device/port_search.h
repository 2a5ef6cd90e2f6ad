// Which serial ports a download asks, and in what order: the chosen port alone,
// or with "Автоматически" the port where the instrument last answered, the first
// and the second port, then every other port the system lists, each once.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace kalora {

// A serial port as the system reports it; description and maker are empty when
// the system does not know them.
struct SerialPortInfo {
  std::string name;  // what the port is opened by: "COM3", "/dev/ttyUSB0"
  std::string description;
  std::string maker;
};

// The system's serial ports, asked afresh on each call (tests give their own).
using PortLister = std::function<std::vector<SerialPortInfo>()>;

struct PortChoice {
  bool automatic = true;
  std::string first;       // the chosen port; in a search the first port asked after the remembered one
  std::string second;      // the second port of a search
  std::string remembered;  // where the instrument last answered
};

// The ports a download asks, in order; empty names are left out.
std::vector<std::string> ports_to_ask(const PortChoice& choice, const std::vector<SerialPortInfo>& listed);

// The name a user knows a port by: "COM3" for "\\.\COM3", other names as they are.
std::string port_display_name(std::string_view name);
// Whether two names open the same port ("\\.\COM3", "COM3" and "com3" on Windows).
bool same_port(std::string_view a, std::string_view b);
// "COM3 — USB-SERIAL CH340 (wch.cn)": the name with what the system knows of the port.
std::string port_label(const SerialPortInfo& port);

}  // namespace kalora
