// A grid's stored column layout: the properties kept from one run to the next,
// and the text they are stored as in the settings store.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "views/grid_columns.h"
#include "views/sort_marks.h"

namespace kalora::views {

// Color value of a column without a colour of its own (the grid's colour is used).
inline constexpr std::uint32_t no_color = 0x1FFFFFFF;

struct ColumnLayout {
  std::string field;  // FieldName
  int width = 64;
  int level = 0;  // LayoutLevel
  int index = 0;  // LayoutIndex: the column's place in the grid
  SortMark sort;  // TitleState, SortOrder
  int footer_state = 0;
  std::uint32_t options_visual = 0;
  std::uint32_t color = no_color;  // 0x00BBGGRR
  Align alignment = Align::left;
  std::string font;

  bool operator==(const ColumnLayout&) const = default;
};

// First line of every layout this program writes; a value without it is not ours.
inline constexpr std::string_view layout_signature = "KALORA-LAYOUT 1";

// One line per column with its field, its width and the properties that differ from their defaults
// ("FieldName=N;Width=80;Color=$00FF00"), lines separated by CR LF.
std::string layout_to_text(const std::vector<ColumnLayout>& columns);
// The stored columns in stored order; nothing when the text is not a layout of
// ours. Lines and properties that cannot be read are skipped.
std::optional<std::vector<ColumnLayout>> layout_from_text(std::string_view text);

// fit_columns: the equal width of every column, hidden and stacked ones included.
constexpr int fitted_width(int grid_width, int columns) { return columns > 0 ? grid_width / columns : 0; }

// AutoColumnFit: the widths stretched (or shrunk) in proportion so that they fill
// `available` pixels exactly; the rounding remainder goes to the last columns.
std::vector<int> stretch_widths(const std::vector<int>& widths, int available);

}  // namespace kalora::views
