#include "views/db_grid.h"

#include <QApplication>
#include <QEvent>
#include <QHeaderView>
#include <QHelpEvent>
#include <QLineEdit>
#include <QPainter>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QToolTip>
#include <QValidator>
#include <algorithm>
#include <set>
#include <utility>

#include "views/comment_text.h"
#include "views/grid_header.h"
#include "views/grid_layout.h"
#include "views/numeric_vision.h"

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

// Typing refuses characters the table's Windows-1251 text cannot hold.
class Cp1251Validator : public QValidator {
 public:
  using QValidator::QValidator;
  State validate(QString& input, int&) const override {
    for (const QChar ch : input)
      if (!comment_char_allowed(QString(ch).toStdString())) return Invalid;
    return Acceptable;
  }
};

// How the grids mark where the user is, the same whether the window or the grid has
// the focus and whatever the system's style: its own pale selection and dotted focus
// frame were lost beside coloured columns and after a sort.
constexpr QRgb selected_fill = 0x2f6bc4;
constexpr QRgb selected_text = 0xffffff;
constexpr QRgb current_frame = 0x000000;
constexpr int current_frame_width = 2;

// Draws the cells: selected records in plain colours and the current cell framed;
// gives the comment cells their editor (no more characters than the field holds).
class GridDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;

  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    QStyleOptionViewItem look = option;
    look.state &= ~QStyle::State_HasFocus;
    QStyledItemDelegate::paint(painter, look, index);
    if (!current(option, index)) return;
    const int w = current_frame_width;
    painter->save();
    painter->setPen(QPen(QColor(current_frame), w, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    painter->setBrush(Qt::NoBrush);
    painter->drawRect(QRectF(option.rect).adjusted(w / 2.0, w / 2.0, -w / 2.0, -w / 2.0));
    painter->restore();
  }

  QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    QWidget* editor = QStyledItemDelegate::createEditor(parent, option, index);
    if (auto* line = qobject_cast<QLineEdit*>(editor)) {
      line->setMaxLength(static_cast<int>(comment_width));
      line->setValidator(new Cp1251Validator(line));
    }
    return editor;
  }

 protected:
  // A selected cell is painted as a plain one in the selection's colours, so that every
  // system's style draws it alike; the current cell keeps its own look inside its frame.
  void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
    QStyledItemDelegate::initStyleOption(option, index);
    if (!(option->state & QStyle::State_Selected)) return;
    option->state &= ~QStyle::State_Selected;
    if (current(*option, index)) {
      if (option->backgroundBrush.style() == Qt::NoBrush) option->backgroundBrush = option->palette.base();
      return;
    }
    option->backgroundBrush = QColor(selected_fill);
    option->palette.setColor(QPalette::Text, QColor(selected_text));
  }

 private:
  static bool current(const QStyleOptionViewItem& option, const QModelIndex& index) {
    const auto* view = qobject_cast<const QAbstractItemView*>(option.widget);
    return view && view->currentIndex() == index;
  }
};

}  // namespace

// --- model ---

GridModel::GridModel(int grid, QObject* parent)
    : QAbstractTableModel(parent),
      grid_(grid),
      columns_(grid_columns(grid)),
      groups_(column_groups(columns_)),
      marks_(columns_.size()),
      hidden_(columns_.size(), false) {
  for (std::size_t i = 0; i < columns_.size(); ++i) {
    ColumnLayout c;
    c.field = columns_[i].field;
    c.width = columns_[i].width;
    c.level = columns_[i].level;
    c.index = static_cast<int>(i);
    c.alignment = columns_[i].align;
    layout_.push_back(std::move(c));
  }
  update_levels();
}

void GridModel::bind(State& state) {
  state_ = &state;
  table_ = &table_of(state);
  refresh();
}

db::DbfTable& GridModel::table_of(State& state) const {
  const int t = grid_table(grid_);
  return t == 1 ? state.Dbf1 : t == 2 ? state.Dbf2 : state.Dbf3;
}

void GridModel::set_table(db::DbfTable* table) {
  table_ = table;
  refresh();
}

void GridModel::refresh() {
  beginResetModel();
  rows_.clear();
  const std::uint32_t physical = table_ && table_->is_open() ? table_->physical_count() : 0;
  renumbered_ = physical < physical_count_;
  physical_count_ = physical;
  if (table_ && table_->is_open()) {
    const std::uint32_t current = table_->recno();
    for (table_->first(); !table_->eof(); table_->next()) rows_.push_back(table_->recno());
    if (current == 0 || !table_->go_to(current)) table_->first();
  }
  endResetModel();
  emit rows_reset();
}

void GridModel::refresh_after_edit() {
  if (!std::exchange(refresh_due_, false)) return;
  keep_place_ = true;
  refresh();
  keep_place_ = false;
}

// A line of a record is shown while one of its stacked columns is.
void GridModel::update_levels() {
  levels_.clear();
  for (int level = 0; level < record_lines(columns_); ++level) {
    const bool shown = record_lines(columns_) == 1 || std::any_of(groups_.begin(), groups_.end(), [&](const auto& g) {
                         const int c = g.at[static_cast<std::size_t>(level)];
                         return !g.spans() && c >= 0 && !hidden_[static_cast<std::size_t>(c)];
                       });
    if (shown) levels_.push_back(level);
  }
  if (levels_.empty()) levels_.push_back(0);
}

void GridModel::set_hidden(int column, bool hidden) {
  if (column < 0 || column >= static_cast<int>(hidden_.size())) return;
  if (hidden_[static_cast<std::size_t>(column)] == hidden) return;
  beginResetModel();
  hidden_[static_cast<std::size_t>(column)] = hidden;
  update_levels();
  endResetModel();
  emit rows_reset();
}

bool GridModel::group_hidden(int group) const {
  const ColumnGroup& g = groups_[static_cast<std::size_t>(group)];
  return std::all_of(g.at.begin(), g.at.end(), [&](int c) { return c < 0 || hidden_[static_cast<std::size_t>(c)]; });
}

void GridModel::look_changed() {
  if (rowCount() > 0 && columnCount() > 0) emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
  emit headerDataChanged(Qt::Horizontal, 0, columnCount() - 1);
}

std::uint32_t GridModel::recno(int row) const {
  const auto record = static_cast<std::size_t>(row) / levels_.size();
  return row >= 0 && record < rows_.size() ? rows_[record] : 0;
}

int GridModel::place_of(std::uint32_t recno) const {
  const auto found = std::find(rows_.begin(), rows_.end(), recno);
  return found == rows_.end() ? -1 : static_cast<int>(found - rows_.begin());
}

int GridModel::column_at(int row, int group) const {
  if (row < 0 || group < 0 || group >= static_cast<int>(groups_.size())) return -1;
  const ColumnGroup& g = groups_[static_cast<std::size_t>(group)];
  if (g.spans()) return g.at[0];
  return g.at[static_cast<std::size_t>(levels_[static_cast<std::size_t>(row) % levels_.size()])];
}

int GridModel::column_of(std::string_view field) const {
  for (std::size_t i = 0; i < columns_.size(); ++i)
    if (columns_[i].field == field) return static_cast<int>(i);
  return -1;
}

int GridModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(rows_.size() * levels_.size());
}

int GridModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(groups_.size());
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
      shown =
          QString::fromStdString(column.format.empty() && def->decimals == 0 ? std::to_string(static_cast<long>(*value))
                                                                             : numeric_vision(*value, column.format));
  } else {
    shown = QString::fromStdString(table_->text(column.field));
  }
  if (current != 0) table_->go_to(current);
  return shown;
}

QVariant GridModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid()) return {};
  const int c = column_at(index.row(), index.column());
  if (c < 0) return {};
  const auto column = static_cast<std::size_t>(c);
  switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
      return hidden_[column] ? QVariant() : QVariant(text(recno(index.row()), columns_[column]));
    case Qt::TextAlignmentRole:
      return QVariant::fromValue(qt_alignment(layout_[column].alignment));
    case Qt::BackgroundRole:
      if (layout_[column].color == no_color) return {};
      return qcolor(layout_[column].color);
    case field_role:
      return qs(columns_[column].field);
    case column_role:
      return c;
    default:
      return {};
  }
}

Qt::ItemFlags GridModel::flags(const QModelIndex& index) const {
  Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
  const int c = column_at(index.row(), index.column());
  if (c >= 0 && columns_[static_cast<std::size_t>(c)].editable && !hidden_[static_cast<std::size_t>(c)] && table_ &&
      table_->is_open())
    f |= Qt::ItemIsEditable;
  return f;
}

// A comment typed into a cell goes into the record at once and marks the database changed.
bool GridModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  if (role != Qt::EditRole || !(flags(index) & Qt::ItemIsEditable)) return false;
  const GridColumn& column = columns_[static_cast<std::size_t>(column_at(index.row(), index.column()))];
  const auto typed = comment_text(value.toString().toStdString());
  if (!typed) return false;
  const std::uint32_t record = recno(index.row());
  const std::uint32_t current = table_->recno();
  if (!table_->go_to(record)) return false;
  if (const std::string old_text = table_->text(column.field); old_text != *typed) {
    try {
      table_->set_text(column.field, *typed);
      table_->post();
    } catch (const std::exception& e) {
      table_->cancel();
      if (current != 0) table_->go_to(current);
      if (write_failed) write_failed(e.what());
      return false;
    }
    if (state_) {
      state_->tables_modified = true;
      state_->edits.edited(grid_table(grid_), record, std::string(column.field), old_text);
    }
  }
  if (current != 0) table_->go_to(current);
  emit dataChanged(index, index);
  // Sorted, the record may have moved: the rows are read again once the editor is gone.
  if (!table_->active_index().empty()) {
    refresh_due_ = true;
    QMetaObject::invokeMethod(this, &GridModel::refresh_after_edit, Qt::QueuedConnection);
  }
  return true;
}

QVariant GridModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || section < 0 || section >= columnCount()) return {};
  const ColumnGroup& g = groups_[static_cast<std::size_t>(section)];
  switch (role) {
    case Qt::DisplayRole: {
      QStringList titles;
      for (const int level : levels_) {
        const int c = g.at[static_cast<std::size_t>(level)];
        if (c < 0 || hidden_[static_cast<std::size_t>(c)]) continue;
        const GridColumn& column = columns_[static_cast<std::size_t>(c)];
        titles << (column.title_2.empty() ? qs(column.title_1) : qs(column.title_1) + '\n' + qs(column.title_2));
      }
      return titles.join('\n');
    }
    case Qt::TextAlignmentRole:
      return QVariant::fromValue(Qt::Alignment(Qt::AlignCenter));
    case field_role:
      return qs(columns_[static_cast<std::size_t>(g.at[0])].field);
    default:
      return {};
  }
}

// --- view ---

DBGridPro::DBGridPro(int grid, QWidget* parent)
    : QTableView(parent), grid_(grid), model_(new GridModel(grid, this)), header_(new GridHeader(*model_, this)) {
  setObjectName(QStringLiteral("DBGridPro%1").arg(grid));
  setHorizontalHeader(header_);
  setModel(model_);
  setItemDelegate(new GridDelegate(this));
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setSelectionMode(QAbstractItemView::ExtendedSelection);
  setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                  QAbstractItemView::AnyKeyPressed);
  setContextMenuPolicy(Qt::CustomContextMenu);
  setWordWrap(false);
  setCornerButtonEnabled(false);
  setShowGrid(true);
  setGridStyle(Qt::SolidLine);
  setStyleSheet(QStringLiteral("QTableView { gridline-color: silver; }"));
  setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
  verticalHeader()->hide();
  verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  header_->setSectionResizeMode(QHeaderView::Interactive);
  header_->setStretchLastSection(false);
  header_->setSectionsMovable(grid == 1 || grid == 2 || grid == 5);
  header_->setMinimumSectionSize(4);

  connect(header_, &GridHeader::title_clicked, this, &DBGridPro::click_title);
  connect(header_, &QHeaderView::sectionResized, this, &DBGridPro::section_resized);
  connect(model_, &QAbstractItemModel::modelAboutToBeReset, this, &DBGridPro::remember_focus);
  connect(model_, &GridModel::rows_reset, this, &DBGridPro::lay_spans);
  connect(model_, &GridModel::rows_reset, this, &DBGridPro::restore_focus);
  connect(selectionModel(), &QItemSelectionModel::selectionChanged, this, &DBGridPro::select_whole_records);
  lay_spans();
}

void DBGridPro::set_field_hidden(std::string_view field, bool hidden) { model_->set_hidden(column_of(field), hidden); }

bool DBGridPro::is_field_hidden(std::string_view field) const {
  const int c = column_of(field);
  return c >= 0 && model_->hidden(c);
}

int DBGridPro::column_width(int column) const { return model_->layout()[static_cast<std::size_t>(column)].width; }

void DBGridPro::set_column_width(int column, int width) {
  if (column >= 0 && column < static_cast<int>(model_->layout().size()))
    model_->layout()[static_cast<std::size_t>(column)].width = std::max(0, width);
}

void DBGridPro::set_auto_column_fit(bool on) {
  auto_fit_ = on;
  apply_widths();
}

void DBGridPro::apply_widths() {
  const auto& groups = model_->groups();
  std::vector<int> shown;  // groups shown, in the header's visual order
  for (int visual = 0; visual < static_cast<int>(groups.size()); ++visual) {
    const int g = header_->logicalIndex(visual);
    if (g >= 0 && !model_->group_hidden(g)) shown.push_back(g);
  }
  std::vector<int> widths;
  for (const int g : shown) widths.push_back(column_width(groups[static_cast<std::size_t>(g)].at[0]));
  if (auto_fit_) widths = stretch_widths(widths, viewport()->width());
  laying_widths_ = true;
  for (std::size_t i = 0; i < shown.size(); ++i) header_->resizeSection(shown[i], widths[i]);
  laying_widths_ = false;
  fit_header();
}

// Narrow titles take a third line, a sort mark a band above the titles.
void DBGridPro::fit_header() {
  if (header_->height() == header_->sizeHint().height()) return;
  header_->setFixedHeight(header_->sizeHint().height());
  updateGeometries();
}

void DBGridPro::fit_columns() {
  fit_content_ = false;
  fit_now();
  fit_pending_ = true;
  if (isVisible()) fit_once_laid_out();
}

void DBGridPro::fit_to_content() {
  fit_content_ = true;
  fit_content_now();
  fit_pending_ = true;
  if (isVisible()) fit_once_laid_out();
}

void DBGridPro::fit_content_now() {
  const QFontMetrics values(font());
  const QFontMetrics titles(header_->font());
  const auto& groups = model_->groups();
  const auto& columns = model_->columns();
  const int levels = static_cast<int>(model_->shown_levels().size());
  constexpr int cell_room = 8;       // the cell's margins and its grid line
  constexpr int title_room = 6;      // the title's margins
  constexpr int values_read = 2000;  // enough records to find the widest value of a column
  // Per group: its widest value, and the title widths in two and in three lines.
  std::vector<int> value(groups.size(), 0), two(groups.size(), 0), three(groups.size(), 0);
  for (std::size_t g = 0; g < groups.size(); ++g) {
    for (const int c : groups[g].at) {
      if (c < 0) continue;
      const QStringList title = title_lines_of(columns[static_cast<std::size_t>(c)]);
      const int lines = groups[g].spans() ? 2 * levels : 2;
      two[g] = std::max(two[g], title_width(titles, title, lines));
      three[g] = std::max(three[g], title_width(titles, title, groups[g].spans() ? 3 * levels : 3));
    }
  }
  const int rows = std::min(model_->rowCount(), values_read * levels);
  for (int r = 0; r < rows; ++r) {
    for (int g = 0; g < static_cast<int>(groups.size()); ++g) {
      const int c = model_->column_at(r, g);
      // A remark is cut short with its whole text as a tool tip: its title decides.
      if (c < 0 || columns[static_cast<std::size_t>(c)].editable) continue;
      const QString text = model_->data(model_->index(r, g), Qt::DisplayRole).toString();
      value[static_cast<std::size_t>(g)] =
          std::max(value[static_cast<std::size_t>(g)], values.horizontalAdvance(text) + cell_room);
    }
  }
  const int available = viewport()->width();
  const auto widths = [&](const std::vector<int>& title, int room) {
    std::vector<int> w(groups.size());
    int sum = 0;
    for (std::size_t g = 0; g < groups.size(); ++g) {
      w[g] = std::max(title[g] + room, value[g]);
      if (!model_->group_hidden(static_cast<int>(g))) sum += w[g];
    }
    return std::pair(w, sum);
  };
  // Two title lines if the grid is wide enough for them, else three.
  auto chosen = widths(two, title_room);
  if (chosen.second > available) chosen = widths(three, title_room);
  auto_fit_ = false;
  for (std::size_t g = 0; g < groups.size(); ++g)
    for (const int c : groups[g].at)
      if (c >= 0) set_column_width(c, chosen.first[g]);
  set_auto_column_fit(true);
  viewport()->update();
}

// Layout requests posted before this call are handled first: the grid has its width then.
void DBGridPro::fit_once_laid_out() {
  QMetaObject::invokeMethod(
      this,
      [this] {
        if (!fit_pending_ || !isVisible()) return;
        fit_pending_ = false;
        if (fit_content_)
          fit_content_now();
        else
          fit_now();
        emit columns_fitted(this);
      },
      Qt::QueuedConnection);
}

void DBGridPro::fit_now() {
  auto_fit_ = false;
  const int columns = static_cast<int>(model_->columns().size());
  const int width = fitted_width(this->width(), columns);
  for (int c = 0; c < columns; ++c) set_column_width(c, width);
  set_auto_column_fit(true);
  viewport()->update();
}

// The user dragged a column edge to `shown` pixels. The widths kept are design widths,
// stretched to the grid: the dragged group's one is chosen so that, stretched with the
// others, it comes out at the width dragged to, and the others share the rest.
void DBGridPro::section_resized(int group, int, int shown) {
  const auto& groups = model_->groups();
  if (laying_widths_ || group < 0 || group >= static_cast<int>(groups.size())) return;
  fit_pending_ = false;
  int width = shown;
  const int available = viewport()->width();
  if (auto_fit_ && available > 0) {
    long long others = 0;
    for (int g = 0; g < static_cast<int>(groups.size()); ++g)
      if (g != group && !model_->group_hidden(g)) others += column_width(groups[static_cast<std::size_t>(g)].at[0]);
    const int kept = std::min(shown, available - 1);
    if (others > 0) width = static_cast<int>((kept * others + (available - kept) / 2) / (available - kept));
  }
  for (const int c : groups[static_cast<std::size_t>(group)].at)
    if (c >= 0) set_column_width(c, width);
  if (auto_fit_) apply_widths();
}

void DBGridPro::lay_spans() {
  clearSpans();
  const auto lines = static_cast<int>(model_->shown_levels().size());
  verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
  const auto& groups = model_->groups();
  for (int g = 0; g < static_cast<int>(groups.size()); ++g) {
    setColumnHidden(g, model_->group_hidden(g));
    if (lines < 2 || !groups[static_cast<std::size_t>(g)].spans()) continue;
    for (int r = 0; r < static_cast<int>(model_->record_count()); ++r) setSpan(r * lines, g, lines, 1);
  }
  header_->setFixedHeight(header_->sizeHint().height());
  apply_widths();
}

// Selecting a line of a stacked record selects the record.
void DBGridPro::select_whole_records() {
  const auto lines = static_cast<int>(model_->shown_levels().size());
  if (lines < 2 || selecting_) return;
  selecting_ = true;
  QItemSelection whole;
  for (const QModelIndex& i : selectionModel()->selectedRows()) {
    const int top = i.row() / lines * lines;
    whole.select(model_->index(top, 0), model_->index(top + lines - 1, model_->columnCount() - 1));
  }
  selectionModel()->select(whole, QItemSelectionModel::Select | QItemSelectionModel::Rows);
  selecting_ = false;
}

void DBGridPro::remember_focus() {
  const QModelIndex i = currentIndex();
  focus_ = {};
  if (!i.isValid()) return;
  const auto lines = static_cast<int>(model_->shown_levels().size());
  focus_.column = model_->column_at(i.row(), i.column());
  focus_.group = i.column();
  focus_.line = i.row() % lines;
  focus_.record = model_->recno(i.row());
  focus_.place = i.row() / lines;
  focus_.top = rowViewportPosition(i.row());
}

// The focused cell comes back in its column, on its record while the grid still lists
// it (else on the record now at its place), and at the same height on the screen.
void DBGridPro::restore_focus() {
  const Focus focus = std::exchange(focus_, {});
  const auto records = static_cast<int>(model_->record_count());
  if (focus.place < 0 || records == 0) return;
  const auto lines = static_cast<int>(model_->shown_levels().size());
  int place = model_->renumbered() || model_->keeps_place() ? -1 : model_->place_of(focus.record);
  if (place < 0) place = std::min(focus.place, records - 1);
  QModelIndex target = model_->index(place * lines + std::min(focus.line, lines - 1), focus.group);
  for (int line = 0; line < lines; ++line)
    for (int g = 0; g < model_->columnCount(); ++g)
      if (focus.column >= 0 && model_->column_at(place * lines + line, g) == focus.column)
        target = model_->index(place * lines + line, g);
  selectionModel()->setCurrentIndex(target, QItemSelectionModel::NoUpdate);
  updateGeometries();
  const int line_height = std::max(1, verticalHeader()->defaultSectionSize());
  const int top_line = target.row() - focus.top / line_height;
  verticalScrollBar()->setValue(verticalScrollMode() == ScrollPerItem ? top_line : top_line * line_height);
}

QPoint DBGridPro::context_menu_point() const {
  const QRect cell = visualRect(currentIndex());
  return viewport()->mapToGlobal(cell.isValid() ? cell.center() : QPoint(0, 0));
}

int DBGridPro::current_column() const {
  const QModelIndex i = currentIndex();
  return i.isValid() ? model_->column_at(i.row(), i.column()) : -1;
}

std::vector<std::uint32_t> DBGridPro::selected_records() const {
  std::set<int> rows;
  for (const QModelIndex& i : selectionModel()->selectedIndexes()) rows.insert(i.row());
  std::vector<std::uint32_t> records;
  for (const int row : rows)
    if (const auto r = model_->recno(row); r != 0 && std::find(records.begin(), records.end(), r) == records.end())
      records.push_back(r);
  return records;
}

void DBGridPro::click_title(int column, bool ctrl) {
  if (column < 0 || column >= static_cast<int>(model_->marks().size())) return;
  model_->marks().click(static_cast<std::size_t>(column), ctrl);
  fit_header();
  header_->viewport()->update();
  emit title_state_changed(this, column);
}

void DBGridPro::clear_sort_marks() {
  model_->marks().clear();
  fit_header();
  header_->viewport()->update();
}

void DBGridPro::show_sort_mark(std::string_view field, SortMark mark) {
  model_->marks().clear();
  if (const int c = column_of(field); c >= 0) model_->marks().set(static_cast<std::size_t>(c), mark);
  fit_header();
  header_->viewport()->update();
}

void DBGridPro::resizeEvent(QResizeEvent* event) {
  QTableView::resizeEvent(event);
  apply_widths();
}

void DBGridPro::showEvent(QShowEvent* event) {
  QTableView::showEvent(event);
  if (fit_pending_) fit_once_laid_out();
  apply_widths();
}

void DBGridPro::changeEvent(QEvent* event) {
  QTableView::changeEvent(event);
  if (event->type() == QEvent::FontChange) lay_spans();
}

bool DBGridPro::viewportEvent(QEvent* event) {
  if (event->type() != QEvent::ToolTip) return QTableView::viewportEvent(event);
  const auto* help = static_cast<QHelpEvent*>(event);
  const QModelIndex at = indexAt(help->pos());
  const QString text = at.data(Qt::DisplayRole).toString();
  const int c = model_->column_at(at.row(), at.column());
  const bool cut = c >= 0 && model_->columns()[static_cast<std::size_t>(c)].editable &&
                   fontMetrics().horizontalAdvance(text) > visualRect(at).width() - 8;
  if (cut)
    QToolTip::showText(help->globalPos(), text, viewport(), visualRect(at));
  else
    QToolTip::hideText();
  return true;
}

void DBGridPro::closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) {
  QTableView::closeEditor(editor, hint);
  model_->refresh_after_edit();
}

bool DBGridPro::commit_editor() {
  if (state() != EditingState) return true;
  const QModelIndex at = currentIndex();
  auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
  if (!editor || editor->parentWidget() != viewport()) {
    const auto editors = viewport()->findChildren<QLineEdit*>(Qt::FindDirectChildrenOnly);
    editor = editors.isEmpty() ? nullptr : editors.constFirst();
  }
  if (!editor) return true;
  const bool stored = model_->setData(at, editor->text(), Qt::EditRole);
  closeEditor(editor, QAbstractItemDelegate::NoHint);
  return stored;
}

// Only the stationary grid finds a row by typing its first characters.
void DBGridPro::keyboardSearch(const QString& search) {
  if (grid_ == 1) QTableView::keyboardSearch(search);
}

}  // namespace kalora::views
