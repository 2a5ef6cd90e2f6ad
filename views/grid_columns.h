// The designed columns of the five grids, in grid order.
#pragma once

#include <array>
#include <span>
#include <string_view>
#include <vector>

namespace kalora::views {

enum class Align { left, centre, right };

struct GridColumn {
  std::string_view field;
  std::string_view title_1;
  std::string_view title_2;  // second title line, empty when the title has one line
  int width = 0;             // pixels, before a stored layout is applied
  Align align = Align::left;
  std::string_view format;  // number display pattern, empty for "as stored"
  bool editable = false;
  int level = 0;  // line of the record a heat-flow column is stacked on
};

inline constexpr int grid_count = 5;

// Grid 1 to 5 (DBGridPro1 .. DBGridPro5).
std::span<const GridColumn> grid_columns(int grid);
// The table a grid shows: 1 stationary, 2 probe, 3 heat flow.
constexpr int grid_table(int grid) { return grid < 3 ? grid : 3; }

// A column group of a heat-flow grid: a level 0 column and the level 1 and 2
// columns stacked under it (indexes into the grid's columns, -1 where none).
// A group holding only its level 0 column spans the record's height.
struct ColumnGroup {
  std::array<int, 3> at{-1, -1, -1};
  bool spans() const { return at[1] < 0 && at[2] < 0; }
};
std::vector<ColumnGroup> column_groups(std::span<const GridColumn> columns);

// Lines a record takes in the grid: 3 in the heat-flow grids, 1 in the others.
int record_lines(std::span<const GridColumn> columns);

// The columns of heat-flow channel n (1..3) that the main window hides when the
// channel does not exist: TYPE_n_, POTOK_n, RES_n, T_IN_n, T_EXT_n, COMMENT_n.
bool is_channel_column(std::string_view field, int channel);

}  // namespace kalora::views
