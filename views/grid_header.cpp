#include "views/grid_header.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include "views/db_grid.h"

namespace kalora::views {

namespace {

QString title(const GridColumn& c) {
  const QString first = QString::fromUtf8(c.title_1.data(), static_cast<qsizetype>(c.title_1.size()));
  if (c.title_2.empty()) return first;
  return first + '\n' + QString::fromUtf8(c.title_2.data(), static_cast<qsizetype>(c.title_2.size()));
}

// A small triangle at the right of the title: up for tsSortedUp, down for tsSortedDown.
void draw_mark(QPainter& painter, const QRect& rect, TitleState state) {
  if (state == TitleState::tsSortedNone) return;
  const int x = rect.right() - 9;
  const int y = rect.center().y();
  QPainterPath path;
  if (state == TitleState::tsSortedUp) {
    path.moveTo(x, y + 2);
    path.lineTo(x + 6, y + 2);
    path.lineTo(x + 3, y - 2);
  } else {
    path.moveTo(x, y - 2);
    path.lineTo(x + 6, y - 2);
    path.lineTo(x + 3, y + 2);
  }
  path.closeSubpath();
  painter.fillPath(path, Qt::darkGray);
}

}  // namespace

GridHeader::GridHeader(GridModel& model, QWidget* parent) : QHeaderView(Qt::Horizontal, parent), model_(model) {
  setSectionsClickable(true);
  setSortIndicatorShown(false);
  setHighlightSections(false);
  setDefaultAlignment(Qt::AlignCenter);
  connect(this, &QHeaderView::sectionClicked, this, [this](int) {
    if (const int c = column_at(pressed_at_); c >= 0) emit title_clicked(c, ctrl_);
  });
}

int GridHeader::title_height() const { return 2 * fontMetrics().height() + 4; }

QSize GridHeader::sizeHint() const {
  QSize size = QHeaderView::sizeHint();
  size.setHeight(title_height() * static_cast<int>(model_.shown_levels().size()));
  return size;
}

int GridHeader::column_at(QPoint at) const {
  const int group = logicalIndexAt(at);
  if (group < 0 || group >= static_cast<int>(model_.groups().size())) return -1;
  const ColumnGroup& g = model_.groups()[static_cast<std::size_t>(group)];
  if (g.spans()) return g.at[0];
  const auto& levels = model_.shown_levels();
  const int line = std::clamp(at.y() / std::max(1, title_height()), 0, static_cast<int>(levels.size()) - 1);
  return g.at[static_cast<std::size_t>(levels[static_cast<std::size_t>(line)])];
}

void GridHeader::mousePressEvent(QMouseEvent* event) {
  pressed_at_ = event->position().toPoint();
  ctrl_ = event->modifiers().testFlag(Qt::ControlModifier);
  QHeaderView::mousePressEvent(event);
}

void GridHeader::paintSection(QPainter* painter, const QRect& rect, int logical) const {
  if (logical < 0 || logical >= static_cast<int>(model_.groups().size())) return;
  const ColumnGroup& g = model_.groups()[static_cast<std::size_t>(logical)];
  const auto& levels = model_.shown_levels();
  const auto columns = model_.columns();
  const int lines = g.spans() ? 1 : static_cast<int>(levels.size());
  const int height = g.spans() ? rect.height() : title_height();
  for (int line = 0; line < lines; ++line) {
    const int c = g.spans() ? g.at[0] : g.at[static_cast<std::size_t>(levels[static_cast<std::size_t>(line)])];
    const QRect cell(rect.left(), rect.top() + line * height, rect.width(), height);
    painter->save();
    painter->setFont(font());  // the titles' symbols come from the grid font
    QStyleOptionHeader option;
    initStyleOption(&option);
    option.rect = cell;
    option.section = logical;
    option.textAlignment = Qt::AlignCenter;
    option.text = c >= 0 && !model_.hidden(c) ? title(columns[static_cast<std::size_t>(c)]) : QString();
    style()->drawControl(QStyle::CE_Header, &option, painter, this);
    if (c >= 0) draw_mark(*painter, cell, model_.marks()[static_cast<std::size_t>(c)].state);
    painter->restore();
  }
}

}  // namespace kalora::views
