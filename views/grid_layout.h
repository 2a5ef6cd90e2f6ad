// The stored column layout of a grid: one line per column, "FIELD=N;Width=80",
// lines separated by CR LF. Only this program reads it.
#pragma once

#include <QString>

namespace kalora::views {

class DBGridPro;

QString layout_text(const DBGridPro& grid);
// Columns are matched by field name; stored columns the grid lacks and lines that
// cannot be read are skipped, grid columns without a line keep what they have.
void apply_layout(DBGridPro& grid, const QString& text);
// Every column, hidden ones included, gets the same share of the grid's width.
void fit_columns(DBGridPro& grid);

}  // namespace kalora::views
