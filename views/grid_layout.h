// What the commands of the "Вид" menu and the settings store do to a grid: its
// stored layout, equal column widths, column colours.
#pragma once

#include <QColor>
#include <QString>
#include <cstdint>

namespace kalora::views {

class DBGridPro;

// Colours as the layout keeps them: 0x00BBGGRR.
QColor qcolor(std::uint32_t color);
std::uint32_t layout_color(const QColor& color);

// The text save_layout stores.
QString layout_text(const DBGridPro& grid);
// Columns are matched by field name; stored columns the grid lacks and properties
// that cannot be read are skipped, grid columns without a line keep what they have.
// A value that is not a layout of this program changes nothing (false).
bool apply_layout(DBGridPro& grid, const QString& text);

// fit_columns: every column, hidden and stacked ones included, gets the same share
// of the grid's width; AutoColumnFit then stretches them to the width.
void fit_columns(DBGridPro& grid);

// Colour of the column of the focused cell; false when no cell is focused.
bool set_current_color(DBGridPro& grid, std::uint32_t color);
// clear_colors: no column keeps a colour of its own, hidden ones included.
void clear_colors(DBGridPro& grid);

}  // namespace kalora::views
