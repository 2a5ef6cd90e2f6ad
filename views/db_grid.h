// DBGridPro: the table view of one grid, with its designed columns.
#pragma once

#include <QAbstractTableModel>
#include <QTableView>
#include <cstdint>
#include <vector>

#include "db/dbf_table.h"
#include "views/grid_columns.h"

namespace kalora::views {

class GridModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  static constexpr int field_role = Qt::UserRole + 1;

  explicit GridModel(int grid, QObject* parent = nullptr);

  // The table the grid shows; its rows are shown while it is open.
  void set_table(db::DbfTable* table);
  void refresh();  // re-reads the rows in the table's order and under its filter
  // Physical record number of a row, 0 when there is none.
  std::uint32_t recno(int row) const;
  std::span<const GridColumn> columns() const { return columns_; }

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

 private:
  QString text(std::uint32_t recno, const GridColumn& column) const;

  std::span<const GridColumn> columns_;
  db::DbfTable* table_ = nullptr;
  std::vector<std::uint32_t> rows_;
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
  // Columns stretched to fill the grid's width (done on every resize).
  void stretch_columns();

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  int grid_;
  GridModel* model_;
};

}  // namespace kalora::views
