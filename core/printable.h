// Text from a file someone else made, fit to print on a terminal: control
// characters, which could drive the terminal, are shown as their pictures.
#pragma once

#include <string>
#include <string_view>

namespace kalora {

// Every byte below 0x20 and 0x7F shown as its Unicode control picture (U+2400 +
// code, ␡ for 0x7F); line breaks too unless `keep_line_breaks`.
std::string printable(std::string_view utf8, bool keep_line_breaks = false);

}  // namespace kalora
