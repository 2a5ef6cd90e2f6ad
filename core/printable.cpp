#include "core/printable.h"

namespace kalora {

std::string printable(std::string_view utf8, bool keep_line_breaks) {
  std::string text;
  text.reserve(utf8.size());
  for (const char c : utf8) {
    const auto byte = static_cast<unsigned char>(c);
    if ((byte >= 0x20 && byte != 0x7F) || (keep_line_breaks && c == '\n')) {
      text += c;
      continue;
    }
    // U+2400..U+241F and U+2421 in UTF-8: E2 90 80+code, E2 90 A1.
    const unsigned picture = byte == 0x7F ? 0xA1 : 0x80 + byte;
    text += "\xE2\x90";
    text += static_cast<char>(picture);
  }
  return text;
}

}  // namespace kalora
