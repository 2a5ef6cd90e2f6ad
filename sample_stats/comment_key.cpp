#include "sample_stats/comment_key.h"

#include "db/cp1251.h"

namespace kalora::samples {

namespace {

bool blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// The lower-case partner of an upper-case letter of the alphabets a Windows-1251
// comment can hold; other code points are their own.
char32_t lower(char32_t c) {
  if (c >= U'A' && c <= U'Z') return c + 0x20;
  if (c >= 0x0410 && c <= 0x042F) return c + 0x20;  // А..Я
  if (c >= 0x0400 && c <= 0x040F) return c + 0x50;  // Ѐ..Џ (Ё, Є, І, Ї, Ў, ...)
  if (c == 0x0490) return 0x0491;                   // Ґ
  return c;
}

}  // namespace

std::string_view trimmed(std::string_view s) {
  while (!s.empty() && blank(s.front())) s.remove_prefix(1);
  while (!s.empty() && blank(s.back())) s.remove_suffix(1);
  return s;
}

std::string comment_key(std::string_view utf8) {
  const std::string_view s = trimmed(utf8);
  std::string key;
  key.reserve(s.size());
  for (std::size_t i = 0; i < s.size();) {
    const auto b = static_cast<unsigned char>(s[i]);
    // Two-byte sequences hold every letter that changes; anything else is copied.
    if ((b & 0xE0) == 0xC0 && i + 1 < s.size() && (static_cast<unsigned char>(s[i + 1]) & 0xC0) == 0x80) {
      const char32_t c = (static_cast<char32_t>(b & 0x1F) << 6) | (static_cast<unsigned char>(s[i + 1]) & 0x3F);
      db::append_utf8(key, lower(c));
      i += 2;
    } else {
      key += b < 0x80 ? static_cast<char>(lower(b)) : s[i];
      ++i;
    }
  }
  return key;
}

}  // namespace kalora::samples
