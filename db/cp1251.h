// Text of the table files is Windows-1251; inside the program it is UTF-8.
#pragma once

#include <string>
#include <string_view>

namespace kalora::db {

// Characters Windows-1251 cannot hold (and broken UTF-8) become '?'.
std::string utf8_to_cp1251(std::string_view utf8);
std::string cp1251_to_utf8(std::string_view bytes);

// Appends the UTF-8 form of a code point of the Basic Multilingual Plane.
void append_utf8(std::string& out, char32_t c);

}  // namespace kalora::db
