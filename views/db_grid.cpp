#include "views/db_grid.h"

#include <QHeaderView>

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

void GridModel::set_source(RowSource source) {
  beginResetModel();
  source_ = std::move(source);
  endResetModel();
}

void GridModel::refresh() {
  beginResetModel();
  endResetModel();
}

int GridModel::rowCount(const QModelIndex& parent) const {
  if (parent.isValid() || !source_.count) return 0;
  return source_.count();
}

int GridModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(columns_.size());
}

QVariant GridModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.column() >= columnCount()) return {};
  const GridColumn& c = columns_[static_cast<std::size_t>(index.column())];
  switch (role) {
    case Qt::DisplayRole:
      return source_.text ? source_.text(index.row(), c.field) : QString();
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

int DBGridPro::column_of(std::string_view field) const {
  const auto columns = model_->columns();
  for (std::size_t i = 0; i < columns.size(); ++i)
    if (columns[i].field == field) return static_cast<int>(i);
  return -1;
}

void DBGridPro::set_field_hidden(std::string_view field, bool hidden) {
  if (const int c = column_of(field); c >= 0) setColumnHidden(c, hidden);
}

bool DBGridPro::is_field_hidden(std::string_view field) const {
  const int c = column_of(field);
  return c >= 0 && isColumnHidden(c);
}

}  // namespace kalora::views
