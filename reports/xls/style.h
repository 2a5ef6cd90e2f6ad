// How a worksheet cell looks: font, alignment, frame lines and fill.
#pragma once

#include <compare>
#include <cstdint>
#include <optional>
#include <string>

namespace kalora::xls {

struct Font {
  std::string name = "Arial";
  int size_pt = 10;
  bool bold = false;
  bool italic = false;
  auto operator<=>(const Font&) const = default;
};

// Values as the workbook stores them.
enum class HAlign : std::uint8_t { general = 0, left = 1, center = 2, right = 3 };
enum class VAlign : std::uint8_t { top = 0, center = 1, bottom = 2 };
enum class Line : std::uint8_t { none = 0, thin = 1, medium = 2, thick = 5 };

struct Borders {
  Line left = Line::none;
  Line right = Line::none;
  Line top = Line::none;
  Line bottom = Line::none;
  auto operator<=>(const Borders&) const = default;
};

struct CellStyle {
  Font font;
  HAlign horizontal = HAlign::general;
  VAlign vertical = VAlign::bottom;
  bool wrap = false;
  Borders borders;
  std::optional<std::uint32_t> fill_rgb;  // 0xRRGGBB; none leaves the cell unfilled
  // How a number cell shows its value ("000.0", "0.000"; the point stands for the
  // reader's decimal separator); empty for the general format.
  std::string number_format;
  auto operator<=>(const CellStyle&) const = default;
};

}  // namespace kalora::xls
