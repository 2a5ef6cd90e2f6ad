#include "views/grid_layout.h"

#include <QStringList>

#include "views/db_grid.h"

namespace kalora::views {

QString layout_text(const DBGridPro& grid) {
  QStringList lines;
  const auto columns = grid.grid_model()->columns();
  for (std::size_t i = 0; i < columns.size(); ++i) {
    const QString field = QString::fromUtf8(columns[i].field.data(), static_cast<qsizetype>(columns[i].field.size()));
    lines << QStringLiteral("FieldName=%1;Width=%2").arg(field).arg(grid.columnWidth(static_cast<int>(i)));
  }
  return lines.join(QStringLiteral("\r\n"));
}

void apply_layout(DBGridPro& grid, const QString& text) {
  QString normalised = text;
  normalised.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  for (const QString& line : normalised.split('\n', Qt::SkipEmptyParts)) {
    QString field;
    int width = -1;
    for (const QString& item : line.split(';')) {
      const auto key = item.section('=', 0, 0);
      const auto value = item.section('=', 1);
      if (key == QLatin1String("FieldName")) field = value;
      if (key == QLatin1String("Width")) width = value.toInt();
    }
    const int column = grid.column_of(field.toStdString());
    if (column >= 0 && width > 0 && width < 10000) grid.setColumnWidth(column, width);
  }
}

void fit_columns(DBGridPro& grid) {
  const int count = grid.grid_model()->columnCount();
  if (count == 0) return;
  const int width = grid.viewport()->width() / count;
  for (int c = 0; c < count; ++c) grid.setColumnWidth(c, width);
  grid.stretch_columns();
}

}  // namespace kalora::views
