#include "views/db_grid.h"

#include <QHeaderView>
#include <algorithm>

#include "reports/number_format.h"

namespace kalora::views {

namespace {

QString qs(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

Qt::Alignment qt_alignment(Align a) {
  switch (a) {
    case Align::centre:
      return Qt::AlignCenter;
    case Align::right:
      return Qt::AlignRight | Qt::AlignVCenter;
    case Align::left:
      break;
  }
  return Qt::AlignLeft | Qt::AlignVCenter;
}

}  // namespace

GridModel::GridModel(int grid, QObject* parent) : QAbstractTableModel(parent), columns_(grid_columns(grid)) {}

void GridModel::set_table(db::DbfTable* table) {
  table_ = table;
  refresh();
}

void GridModel::refresh() {
  beginResetModel();
  rows_.clear();
  if (table_ && table_->is_open()) {
    const std::uint32_t current = table_->recno();
    for (table_->first(); !table_->eof(); table_->next()) rows_.push_back(table_->recno());
    if (current == 0 || !table_->go_to(current)) table_->first();
  }
  endResetModel();
}

std::uint32_t GridModel::recno(int row) const {
  return row >= 0 && static_cast<std::size_t>(row) < rows_.size() ? rows_[static_cast<std::size_t>(row)] : 0;
}

int GridModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

// The field as the grid shows it; the table's current row is left where it was.
QString GridModel::text(std::uint32_t recno, const GridColumn& column) const {
  if (!table_ || !table_->is_open()) return {};
  const std::uint32_t current = table_->recno();
  if (!table_->go_to(recno)) return {};
  QString shown;
  const auto& fields = table_->schema().fields;
  const auto def = std::find_if(fields.begin(), fields.end(), [&](const auto& f) { return f.name == column.field; });
  if (def != fields.end() && def->type == 'N' && !def->calculated) {
    if (const auto value = table_->number(column.field))
      shown = QString::fromStdString(def->decimals == 0 ? std::to_string(static_cast<long>(*value))
                                                        : reports::format_number(*value, column.format));
  } else {
    shown = QString::fromStdString(table_->text(column.field));
  }
  if (current != 0) table_->go_to(current);
  return shown;
}

int GridModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(columns_.size());
}

QVariant GridModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.column() >= columnCount()) return {};
  const GridColumn& c = columns_[static_cast<std::size_t>(index.column())];
  switch (role) {
    case Qt::DisplayRole:
      return text(recno(index.row()), c);
    case Qt::TextAlignmentRole:
      return QVariant::fromValue(qt_alignment(c.align));
    case field_role:
      return qs(c.field);
    default:
      return {};
  }
}

QVariant GridModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || section < 0 || section >= columnCount()) return {};
  const GridColumn& c = columns_[static_cast<std::size_t>(section)];
  switch (role) {
    case Qt::DisplayRole:
      return c.title_2.empty() ? qs(c.title_1) : qs(c.title_1) + '\n' + qs(c.title_2);
    case Qt::TextAlignmentRole:
      return QVariant::fromValue(Qt::Alignment(Qt::AlignCenter));
    case field_role:
      return qs(c.field);
    default:
      return {};
  }
}

DBGridPro::DBGridPro(int grid, QWidget* parent) : QTableView(parent), grid_(grid), model_(new GridModel(grid, this)) {
  setObjectName(QStringLiteral("DBGridPro%1").arg(grid));
  setModel(model_);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setSelectionMode(QAbstractItemView::ExtendedSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setContextMenuPolicy(Qt::CustomContextMenu);
  verticalHeader()->hide();
  const auto columns = model_->columns();
  for (std::size_t i = 0; i < columns.size(); ++i) setColumnWidth(static_cast<int>(i), columns[i].width);
}

// The shown columns keep their proportions and together fill the grid's width.
void DBGridPro::stretch_columns() {
  const int count = model_->columnCount();
  int total = 0;
  for (int c = 0; c < count; ++c)
    if (!isColumnHidden(c)) total += columnWidth(c);
  const int room = viewport()->width();
  if (total <= 0 || room <= 0 || total == room) return;
  int left = room, last = -1;
  for (int c = 0; c < count; ++c) {
    if (isColumnHidden(c)) continue;
    const int w = std::max(1, static_cast<int>(static_cast<long long>(columnWidth(c)) * room / total));
    setColumnWidth(c, w);
    left -= w;
    last = c;
  }
  if (last >= 0) setColumnWidth(last, std::max(1, columnWidth(last) + left));
}

void DBGridPro::resizeEvent(QResizeEvent* event) {
  QTableView::resizeEvent(event);
  stretch_columns();
}

void DBGridPro::showEvent(QShowEvent* event) {
  QTableView::showEvent(event);
  stretch_columns();
}

int DBGridPro::column_of(std::string_view field) const {
  const auto columns = model_->columns();
  for (std::size_t i = 0; i < columns.size(); ++i)
    if (columns[i].field == field) return static_cast<int>(i);
  return -1;
}

void DBGridPro::set_field_hidden(std::string_view field, bool hidden) {
  if (const int c = column_of(field); c >= 0 && isColumnHidden(c) != hidden) {
    setColumnHidden(c, hidden);
    if (isVisible()) stretch_columns();
  }
}

bool DBGridPro::is_field_hidden(std::string_view field) const {
  const int c = column_of(field);
  return c >= 0 && isColumnHidden(c);
}

}  // namespace kalora::views
