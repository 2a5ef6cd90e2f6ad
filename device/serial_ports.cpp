#include "device/serial_ports.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <tuple>

#ifdef _WIN32
#include <windows.h>
// windows.h first
#include <devguid.h>
#include <setupapi.h>
#endif

namespace kalora {

namespace {

// "ttyUSB10" → ("ttyUSB", 10): ports sort by kind, then by number.
std::tuple<std::string, long, std::string> sort_key(const std::string& name) {
  std::size_t digits = name.size();
  while (digits > 0 && std::isdigit(static_cast<unsigned char>(name[digits - 1]))) --digits;
  const std::string number = name.substr(digits);
  return {name.substr(0, digits), number.empty() || number.size() > 9 ? -1 : std::stol(number), name};
}

void sort_ports(std::vector<SerialPortInfo>& ports, bool by_display_name) {
  std::sort(ports.begin(), ports.end(), [by_display_name](const SerialPortInfo& a, const SerialPortInfo& b) {
    const auto key = [by_display_name](const SerialPortInfo& p) {
      return sort_key(by_display_name ? port_display_name(p.name) : std::filesystem::path(p.name).filename().string());
    };
    return key(a) < key(b);
  });
}

}  // namespace

#ifdef _WIN32

namespace {

std::string utf8(const wchar_t* text) {
  const int n = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  if (n <= 1) return {};
  std::string out(static_cast<std::size_t>(n - 1), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), n, nullptr, nullptr);
  return out;
}

bool is_com_port(const std::string& name) {
  return name.size() > 3 && (name.compare(0, 3, "COM") == 0 || name.compare(0, 3, "com") == 0);
}

std::string device_property(HDEVINFO set, SP_DEVINFO_DATA& device, DWORD property) {
  wchar_t text[256] = {};
  DWORD type = 0;
  if (!SetupDiGetDeviceRegistryPropertyW(set, &device, property, &type, reinterpret_cast<BYTE*>(text),
                                         sizeof text - sizeof(wchar_t), nullptr) ||
      type != REG_SZ)
    return {};
  return utf8(text);
}

// The ports of the device manager's "Ports" class, with what it knows of them.
void add_device_manager_ports(std::vector<SerialPortInfo>& ports) {
  const HDEVINFO set = SetupDiGetClassDevsW(&GUID_DEVCLASS_PORTS, nullptr, nullptr, DIGCF_PRESENT);
  if (set == INVALID_HANDLE_VALUE) return;
  SP_DEVINFO_DATA device{};
  device.cbSize = sizeof device;
  for (DWORD i = 0; SetupDiEnumDeviceInfo(set, i, &device); ++i) {
    const HKEY key = SetupDiOpenDevRegKey(set, &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_READ);
    if (key == INVALID_HANDLE_VALUE) continue;
    wchar_t name[64] = {};
    DWORD size = sizeof name - sizeof(wchar_t);
    DWORD type = 0;
    const bool named = RegQueryValueExW(key, L"PortName", nullptr, &type, reinterpret_cast<BYTE*>(name), &size) ==
                           ERROR_SUCCESS &&
                       type == REG_SZ;
    RegCloseKey(key);
    const std::string port = named ? utf8(name) : std::string();
    if (!is_com_port(port)) continue;  // printer ports share the class
    ports.push_back({port, device_property(set, device, SPDRP_DEVICEDESC), device_property(set, device, SPDRP_MFG)});
  }
  SetupDiDestroyDeviceInfoList(set);
}

// Every port the serial drivers have made, known to the device manager or not.
void add_registry_ports(std::vector<SerialPortInfo>& ports) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_READ, &key) != ERROR_SUCCESS)
    return;
  for (DWORD i = 0;; ++i) {
    wchar_t value_name[256] = {};
    wchar_t data[64] = {};
    DWORD name_size = 255;
    DWORD data_size = sizeof data - sizeof(wchar_t);
    DWORD type = 0;
    const LONG r = RegEnumValueW(key, i, value_name, &name_size, nullptr, &type, reinterpret_cast<BYTE*>(data),
                                 &data_size);
    if (r == ERROR_NO_MORE_ITEMS) break;
    if (r != ERROR_SUCCESS || type != REG_SZ) continue;
    const std::string port = utf8(data);
    if (!is_com_port(port)) continue;
    if (std::none_of(ports.begin(), ports.end(), [&](const SerialPortInfo& p) { return same_port(p.name, port); }))
      ports.push_back({port, {}, {}});
  }
  RegCloseKey(key);
}

}  // namespace

std::vector<SerialPortInfo> list_serial_ports(const std::filesystem::path&) {
  std::vector<SerialPortInfo> ports;
  add_device_manager_ports(ports);
  add_registry_ports(ports);
  sort_ports(ports, true);
  return ports;
}

#else

namespace {

namespace fs = std::filesystem;

// The first line of a sysfs attribute, without surrounding blanks; empty when absent.
std::string attribute(const fs::path& file) {
  std::ifstream in(file);
  std::string line;
  std::getline(in, line);
  const auto blank = [](unsigned char c) { return std::isspace(c) != 0; };
  while (!line.empty() && blank(static_cast<unsigned char>(line.back()))) line.pop_back();
  const auto first = std::find_if_not(line.begin(), line.end(), blank);
  return std::string(first, line.end());
}

// The USB device above a port's device (the one with a vendor number): its product and maker.
void add_usb_names(const fs::path& tty, SerialPortInfo& port) {
  std::error_code ec;
  fs::path dir = fs::canonical(tty / "device", ec);
  if (ec) return;
  std::string interface;
  for (int up = 0; up < 4 && dir.has_relative_path(); ++up, dir = dir.parent_path()) {
    if (interface.empty()) interface = attribute(dir / "interface");
    if (!fs::exists(dir / "idVendor", ec)) continue;
    port.description = attribute(dir / "product");
    port.maker = attribute(dir / "manufacturer");
    break;
  }
  if (port.description.empty()) port.description = interface;
}

}  // namespace

std::vector<SerialPortInfo> list_serial_ports(const fs::path& root) {
  std::vector<SerialPortInfo> ports;
  std::error_code ec;
  for (const fs::directory_entry& entry : fs::directory_iterator(root / "sys/class/tty", ec)) {
    const std::string name = entry.path().filename().string();
    const auto numbered = [&name](std::string_view kind) {
      return name.size() > kind.size() && name.starts_with(kind) &&
             std::all_of(name.begin() + static_cast<std::ptrdiff_t>(kind.size()), name.end(),
                         [](unsigned char c) { return std::isdigit(c) != 0; });
    };
    SerialPortInfo port{(root / "dev" / name).string(), {}, {}};
    if (numbered("ttyUSB") || numbered("ttyACM")) {
      add_usb_names(entry.path(), port);
    } else if (numbered("ttyS")) {
      // The kernel keeps ttyS names for UARTs that are not there: their type is 0.
      const std::string type = attribute(entry.path() / "type");
      if (type.empty() || type == "0") continue;
    } else {
      continue;
    }
    ports.push_back(std::move(port));
  }
  sort_ports(ports, false);
  return ports;
}

#endif

}  // namespace kalora
