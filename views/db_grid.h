// DBGridPro: the table view of one grid, with its designed columns.
#pragma once

#include <QAbstractTableModel>
#include <QTableView>
#include <functional>

#include "views/grid_columns.h"

namespace kalora::views {

// What a grid reads its rows from: the number of records shown and the display
// text of one field of one of them. Empty while the grid's table is closed.
struct RowSource {
  std::function<int()> count;
  std::function<QString(int row, std::string_view field)> text;
};

class GridModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  static constexpr int field_role = Qt::UserRole + 1;

  explicit GridModel(int grid, QObject* parent = nullptr);

  void set_source(RowSource source);
  void refresh();  // re-reads the rows
  std::span<const GridColumn> columns() const { return columns_; }

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

 private:
  std::span<const GridColumn> columns_;
  RowSource source_;
};

class DBGridPro : public QTableView {
  Q_OBJECT
 public:
  DBGridPro(int grid, QWidget* parent = nullptr);

  int grid() const { return grid_; }
  GridModel* grid_model() const { return model_; }
  // Column of the field, -1 when the grid has none.
  int column_of(std::string_view field) const;
  void set_field_hidden(std::string_view field, bool hidden);
  bool is_field_hidden(std::string_view field) const;

 private:
  int grid_;
  GridModel* model_;
};

}  // namespace kalora::views
