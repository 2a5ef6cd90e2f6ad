#include "protocol/particulars.h"

#include <stdexcept>

namespace kalora::protocol {

namespace {

constexpr std::string_view blank = "________________________";

std::string filled(const std::string& value) { return value.empty() ? std::string(blank) : value; }

}  // namespace

std::size_t field_index(std::string_view key) {
  for (std::size_t i = 0; i < fields.size(); ++i)
    if (fields[i].key == key) return i;
  return fields.size();
}

const std::string& Particulars::operator[](std::string_view key) const {
  const std::size_t i = field_index(key);
  if (i == fields.size()) throw std::logic_error("no protocol field " + std::string(key));
  return values[i];
}

std::string& Particulars::operator[](std::string_view key) {
  return const_cast<std::string&>(static_cast<const Particulars&>(*this)[key]);
}

std::string protocol_heading(const Particulars& p) {
  return "ПРОТОКОЛ ИСПЫТАНИЙ № " + filled(p["protocol_number"]) + " от " + filled(p["protocol_date"]);
}

std::vector<std::string> particulars_lines(const Particulars& p) {
  std::vector<std::string> lines;
  for (std::size_t i = 0; i < fields.size(); ++i)
    if (fields[i].key != "protocol_number" && fields[i].key != "protocol_date")
      lines.push_back(std::string(fields[i].label) + ": " + filled(p.values[i]));
  return lines;
}

std::vector<std::string> signature_lines(const Particulars& p) {
  const std::string name = p["operator"].empty() ? std::string(blank) : p["operator"];
  return {"Исполнитель ________________ / " + name + " /",
          "Руководитель испытательной лаборатории ________________ / " + std::string(blank) + " /"};
}

}  // namespace kalora::protocol
