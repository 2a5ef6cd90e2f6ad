#include "core/json_writer.h"

#include <charconv>
#include <cmath>

namespace kalora {

void JsonWriter::key(std::string_view name) {
  string(name);
  text += ": ";
  need_comma_ = false;
}

void JsonWriter::open(char c) {
  separate();
  text += c;
  need_comma_ = false;
}

void JsonWriter::close(char c) {
  text += c;
  need_comma_ = true;
}

void JsonWriter::number(std::optional<double> v) {
  if (!v || !std::isfinite(*v)) return null();
  char buffer[32];
  raw(std::string_view(buffer, static_cast<std::size_t>(std::to_chars(buffer, buffer + sizeof buffer, *v).ptr - buffer)));
}

void JsonWriter::integer(std::int64_t v) { raw(std::to_string(v)); }

void JsonWriter::boolean(std::optional<bool> v) { raw(!v ? "null" : *v ? "true" : "false"); }

void JsonWriter::null() { raw("null"); }

void JsonWriter::string(std::string_view s) {
  std::string quoted = "\"";
  for (const char c : s) {
    const auto u = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      quoted += '\\';
      quoted += c;
    } else if (u < 0x20 || u == 0x7F) {  // no control character reaches a terminal raw
      static constexpr char hex[] = "0123456789abcdef";
      quoted += "\\u00";
      quoted += hex[u >> 4];
      quoted += hex[u & 15];
    } else {
      quoted += c;
    }
  }
  quoted += '"';
  raw(quoted);
}

void JsonWriter::separate() {
  if (need_comma_) text += ", ";
}

void JsonWriter::raw(std::string_view s) {
  separate();
  text += s;
  need_comma_ = true;
}

}  // namespace kalora
