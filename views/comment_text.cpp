#include "views/comment_text.h"

#include "db/cp1251.h"

namespace kalora::views {

std::optional<std::string> comment_text(std::string_view utf8, std::size_t width) {
  const std::string bytes = db::utf8_to_cp1251(utf8);
  // A character without a Windows-1251 form comes back as '?', so the round trip differs.
  if (db::cp1251_to_utf8(bytes) != utf8 || bytes.size() > width) return std::nullopt;
  for (const char c : bytes) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return std::nullopt;
  }
  return std::string(utf8);
}

bool comment_char_allowed(std::string_view utf8_char) {
  const std::string bytes = db::utf8_to_cp1251(utf8_char);
  return bytes.size() == 1 && static_cast<unsigned char>(bytes[0]) >= 0x20 && bytes[0] != 0x7F &&
         db::cp1251_to_utf8(bytes) == utf8_char;
}

}  // namespace kalora::views
