// What a comment cell accepts: text the table can store as typed.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kalora::views {

// The comment fields hold 50 Windows-1251 characters.
inline constexpr std::size_t comment_width = 50;

// The text itself when every character has a Windows-1251 form, none is a control
// character (below 0x20, 0x7F) and it fits the field's width; nothing otherwise, so a comment is never stored mangled or cut unseen.
std::optional<std::string> comment_text(std::string_view utf8, std::size_t width = comment_width);

// Whether one character (UTF-8) can be stored in a comment.
bool comment_char_allowed(std::string_view utf8_char);

}  // namespace kalora::views
