// DBGridPro: one grid over a measurement table. The model reads the table's rows in
// the table's own order and filter (no copy of the fields); a heat-flow record takes
// three lines, its channel columns stacked under their group.
#pragma once

#include <QAbstractTableModel>
#include <QTableView>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/state.h"
#include "views/column_layout.h"
#include "views/grid_columns.h"
#include "views/sort_marks.h"

namespace kalora::views {

class GridModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  static constexpr int field_role = Qt::UserRole + 1;   // field name of the cell
  static constexpr int column_role = Qt::UserRole + 2;  // index of the cell's grid column, -1 for none

  explicit GridModel(int grid, QObject* parent = nullptr);

  // The table of this grid in the state; edits mark the state's tables modified.
  void bind(State& state);
  // A table alone (no edit marks the database), for callers without a state.
  void set_table(db::DbfTable* table);
  db::DbfTable* table() const { return table_; }
  void refresh();  // re-reads the rows in the table's order and under its filter
  // The re-read due after a comment went into a sorted table (nothing when none is due):
  // the focused cell keeps its place, not its record, which may have moved away.
  void refresh_after_edit();
  bool keeps_place() const { return keep_place_; }

  std::span<const GridColumn> columns() const { return columns_; }
  const std::vector<ColumnGroup>& groups() const { return groups_; }
  // Lines each record takes now: the levels that have a column shown.
  const std::vector<int>& shown_levels() const { return levels_; }
  std::size_t record_count() const { return rows_.size(); }
  // Physical record number of a model row, 0 when there is none.
  std::uint32_t recno(int row) const;
  // Place of a record in the grid's order, -1 when the grid does not list it.
  int place_of(std::uint32_t recno) const;
  // The last re-read found records packed away: record numbers name other records now.
  bool renumbered() const { return renumbered_; }
  // Grid column (index into columns()) of a cell, -1 when the cell shows none.
  int column_at(int row, int group) const;
  int column_of(std::string_view field) const;

  // The layout properties of every column, in grid order.
  std::vector<ColumnLayout>& layout() { return layout_; }
  const std::vector<ColumnLayout>& layout() const { return layout_; }
  SortMarks& marks() { return marks_; }
  const SortMarks& marks() const { return marks_; }
  void set_hidden(int column, bool hidden);
  bool hidden(int column) const { return hidden_[static_cast<std::size_t>(column)]; }
  bool group_hidden(int group) const;
  void look_changed();  // colours or alignment changed: repaint every cell

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  bool setData(const QModelIndex& index, const QVariant& value, int role) override;
  // Told when a typed comment could not be stored (the edit is undone); the editor is no place to throw from.
  std::function<void(const std::string& message)> write_failed;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

 signals:
  void rows_reset();  // the rows were read again; spans must be laid anew

 private:
  QString text(std::uint32_t recno, const GridColumn& column) const;
  void update_levels();
  db::DbfTable& table_of(State& state) const;

  int grid_;
  std::span<const GridColumn> columns_;
  std::vector<ColumnGroup> groups_;
  std::vector<ColumnLayout> layout_;
  SortMarks marks_;
  std::vector<bool> hidden_;
  std::vector<int> levels_;
  State* state_ = nullptr;
  db::DbfTable* table_ = nullptr;
  std::vector<std::uint32_t> rows_;
  std::uint32_t physical_count_ = 0;
  bool renumbered_ = false;
  bool refresh_due_ = false;
  bool keep_place_ = false;
};

class GridHeader;

class DBGridPro : public QTableView {
  Q_OBJECT
 public:
  DBGridPro(int grid, QWidget* parent = nullptr);

  int grid() const { return grid_; }
  GridModel* grid_model() const { return model_; }
  GridHeader* header() const { return header_; }
  // Column of the field, -1 when the grid has none.
  int column_of(std::string_view field) const { return model_->column_of(field); }
  void set_field_hidden(std::string_view field, bool hidden);
  bool is_field_hidden(std::string_view field) const;
  // Width properties of the columns (before AutoColumnFit stretches them).
  int column_width(int column) const;
  void set_column_width(int column, int width);
  bool auto_column_fit() const { return auto_fit_; }
  void set_auto_column_fit(bool on);
  // Lays the widths onto the shown columns, stretched when AutoColumnFit is on.
  void apply_widths();
  // fit_columns: equal widths of the grid's width. Until a grid is shown and its window
  // laid out its width is not yet its own: it is fitted again then, and says so by
  // columns_fitted.
  void fit_columns();
  // The first layout of a grid: each column as wide as its title (two lines, three
  // when two do not fit the grid) and its widest value need, then stretched. Fitted
  // again once the grid is shown at its own width, as fit_columns is.
  void fit_to_content();
  // Widths came from elsewhere (a stored layout): no fitting is due any more.
  void drop_pending_fit() { fit_pending_ = false; }

  // Where a context menu asked for by the keyboard opens: at the focused cell.
  QPoint context_menu_point() const;
  // The column of the focused cell, -1 when no cell is focused.
  int current_column() const;
  // Physical record numbers of the selected records, in the grid's order.
  std::vector<std::uint32_t> selected_records() const;

  // A click on a column title as the user makes it (Ctrl held or not).
  void click_title(int column, bool ctrl);
  void clear_sort_marks();
  // The rows were ordered elsewhere by that field: only its column carries the mark.
  void show_sort_mark(std::string_view field, SortMark mark);
  // A comment being typed goes into its record now, as Return would put it (the
  // editor closes). False when the text could not be stored.
  bool commit_editor();
  // Type-ahead: only the stationary grid finds a row by its first characters.
  void keyboardSearch(const QString& search) override;

 signals:
  // OnTitleStateChange: raised after a click changed the column's sort mark.
  void title_state_changed(kalora::views::DBGridPro* grid, int column);
  // The columns were fitted at the width the grid was first shown with.
  void columns_fitted(kalora::views::DBGridPro* grid);

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void changeEvent(QEvent* event) override;
  bool viewportEvent(QEvent* event) override;  // a comment cut short shows whole as a tool tip
  // The editor is gone: a sorted table is read again now, before the next key reaches the grid.
  void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override;

 private:
  void lay_spans();
  void section_resized(int group, int old_size, int new_size);
  void select_whole_records();
  void fit_now();
  void fit_content_now();
  void fit_header();
  void fit_once_laid_out();
  void remember_focus();
  void restore_focus();

  int grid_;
  GridModel* model_;
  GridHeader* header_;
  bool auto_fit_ = true;
  bool laying_widths_ = false;
  bool selecting_ = false;
  bool fit_pending_ = false;
  bool fit_content_ = false;  // the pending fit is fit_to_content, not equal shares
  // The focused cell before the rows are read again: its column, its record, the record's
  // place in the grid's order, and where on the screen its line was.
  struct Focus {
    int column = -1;
    int group = 0;
    int line = 0;
    std::uint32_t record = 0;
    int place = -1;
    int top = 0;
  } focus_;
};

}  // namespace kalora::views
