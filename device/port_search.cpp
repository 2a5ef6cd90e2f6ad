#include "device/port_search.h"

#include <algorithm>
#include <cctype>

namespace kalora {

namespace {

constexpr std::string_view device_prefix = "\\\\.\\";

std::string port_key(std::string_view name) {
  std::string key(port_display_name(name));
#ifdef _WIN32
  std::transform(key.begin(), key.end(), key.begin(), [](unsigned char c) { return std::toupper(c); });
#endif
  return key;
}

}  // namespace

std::string port_display_name(std::string_view name) {
  if (name.starts_with(device_prefix)) name.remove_prefix(device_prefix.size());
  return std::string(name);
}

bool same_port(std::string_view a, std::string_view b) { return port_key(a) == port_key(b); }

std::vector<std::string> ports_to_ask(const PortChoice& choice, const std::vector<SerialPortInfo>& listed) {
  std::vector<std::string> order;
  const auto add = [&order](const std::string& name) {
    if (name.empty()) return;
    if (std::none_of(order.begin(), order.end(), [&](const std::string& o) { return same_port(o, name); }))
      order.push_back(name);
  };
  if (!choice.automatic) {
    add(choice.first);
    return order;
  }
  add(choice.remembered);
  add(choice.first);
  add(choice.second);
  for (const SerialPortInfo& port : listed) add(port.name);
  return order;
}

std::string port_label(const SerialPortInfo& port) {
  std::string label = port_display_name(port.name);
  std::string known = port.description;
  // A maker the description already names is not repeated.
  if (!port.maker.empty() && known.find(port.maker) == std::string::npos)
    known += known.empty() ? port.maker : " (" + port.maker + ")";
  if (!known.empty()) label += " — " + known;
  return label;
}

}  // namespace kalora
