#include "views/grid_layout.h"

#include <algorithm>
#include <vector>

#include "views/db_grid.h"
#include "views/grid_header.h"

namespace kalora::views {

QColor qcolor(std::uint32_t color) { return QColor(color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF); }

std::uint32_t layout_color(const QColor& color) {
  return static_cast<std::uint32_t>(color.red()) | static_cast<std::uint32_t>(color.green()) << 8 |
         static_cast<std::uint32_t>(color.blue()) << 16;
}

QString layout_text(const DBGridPro& grid) {
  const GridModel& model = *grid.grid_model();
  std::vector<ColumnLayout> columns = model.layout();
  const auto& groups = model.groups();
  for (std::size_t g = 0; g < groups.size(); ++g) {
    for (const int c : groups[g].at) {
      if (c < 0) continue;
      auto& column = columns[static_cast<std::size_t>(c)];
      column.sort = model.marks()[static_cast<std::size_t>(c)];
      column.index = grid.header()->visualIndex(static_cast<int>(g));
    }
  }
  return QString::fromStdString(layout_to_text(columns));
}

namespace {

// Puts the column groups of a grid whose columns the user may move back where the
// stored layout had them. A group goes by the stored place of its first column.
void restore_column_places(DBGridPro& grid) {
  QHeaderView& header = *grid.header();
  const GridModel& model = *grid.grid_model();
  const auto& groups = model.groups();
  if (!header.sectionsMovable() || header.count() != static_cast<int>(groups.size())) return;
  std::vector<int> order(groups.size());
  std::vector<int> place(groups.size(), 0);
  for (std::size_t g = 0; g < groups.size(); ++g) {
    order[g] = static_cast<int>(g);
    for (const int c : groups[g].at) {
      if (c < 0) continue;
      place[g] = model.layout()[static_cast<std::size_t>(c)].index;
      break;
    }
  }
  std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return place[a] < place[b]; });
  for (int visual = 0; visual < static_cast<int>(order.size()); ++visual) {
    header.moveSection(header.visualIndex(order[static_cast<std::size_t>(visual)]), visual);
  }
}

}  // namespace

bool apply_layout(DBGridPro& grid, const QString& text) {
  const auto stored = layout_from_text(text.toStdString());
  if (!stored) return false;
  GridModel& model = *grid.grid_model();
  for (const ColumnLayout& s : *stored) {
    const int c = model.column_of(s.field);
    if (c < 0) continue;
    ColumnLayout& column = model.layout()[static_cast<std::size_t>(c)];
    // The stacking of the columns is the grid's own, whatever was stored.
    const int level = column.level;
    column = s;
    column.level = level;
    model.marks().set(static_cast<std::size_t>(c), s.sort);
  }
  grid.drop_pending_fit();
  model.look_changed();
  restore_column_places(grid);
  grid.header()->viewport()->update();
  grid.apply_widths();
  return true;
}

void fit_columns(DBGridPro& grid) { grid.fit_columns(); }

bool set_current_color(DBGridPro& grid, std::uint32_t color) {
  const int c = grid.current_column();
  if (c < 0) return false;
  grid.grid_model()->layout()[static_cast<std::size_t>(c)].color = color;
  grid.grid_model()->look_changed();
  return true;
}

void clear_colors(DBGridPro& grid) {
  for (auto& column : grid.grid_model()->layout()) column.color = no_color;
  grid.grid_model()->look_changed();
}

}  // namespace kalora::views
