#include "views/grid_header.h"

#include <QMouseEvent>
#include <QPainter>
#include <QRegularExpression>
#include <QToolTip>
#include <algorithm>
#include <limits>

#include "views/db_grid.h"

namespace kalora::views {

namespace {

constexpr int text_margin = 3;  // pixels kept free at either side of a title
constexpr int mark_band = 6;    // the band above the titles where a sort mark is drawn

QString qs(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

// A triangle above the middle of the title, 9 pixels wide, in the titles' colour: up
// for tsSortedUp, down for tsSortedDown. It takes no width from the title.
void draw_mark(QPainter& painter, const QRect& rect, TitleState state, const QColor& colour) {
  if (state == TitleState::tsSortedNone) return;
  const int x = rect.center().x() - 4;
  const int y = rect.top() + 3;
  // Five rows, 9 pixels at the base down to 1 at the tip, with no blending at the edges.
  for (int k = 0; k < 5; ++k) {
    const int row = state == TitleState::tsSortedUp ? y + 2 - k : y - 2 + k;
    painter.fillRect(QRect(x + k, row, 9 - 2 * k, 1), colour);
  }
}

// A line too wide loses the end of its text, not the channel number that closes it.
QString fit_line(const QFontMetrics& metrics, const QString& line, int width) {
  if (metrics.horizontalAdvance(line) <= width) return line;
  static const QRegularExpression channel(QStringLiteral(" №\\d+$"));
  const QRegularExpressionMatch found = channel.match(line);
  const QString tail = found.hasMatch() ? found.captured() : QString();
  const QString head = line.left(line.size() - tail.size());
  return metrics.elidedText(head, Qt::ElideRight, std::max(0, width - metrics.horizontalAdvance(tail))) + tail;
}

// A one-line title split at the space that gives the narrowest two lines.
QStringList wrapped(const QFontMetrics& metrics, const QString& line) {
  int best = -1;
  int best_width = std::numeric_limits<int>::max();
  for (qsizetype i = line.indexOf(' '); i >= 0; i = line.indexOf(' ', i + 1)) {
    const int w = std::max(metrics.horizontalAdvance(line.left(i)), metrics.horizontalAdvance(line.mid(i + 1)));
    if (w < best_width) {
      best = static_cast<int>(i);
      best_width = w;
    }
  }
  if (best < 0) return {line};
  return {line.left(best), line.mid(best + 1)};
}

// The words of a title laid into lines no wider than `width`, as many as it takes.
QStringList lay_words(const QFontMetrics& metrics, const QStringList& title, int width) {
  QStringList lines;
  for (const QString& word : title.join(' ').split(' ', Qt::SkipEmptyParts)) {
    if (!lines.isEmpty() && metrics.horizontalAdvance(lines.back() + ' ' + word) <= width)
      lines.back() += ' ' + word;
    else
      lines << word;
  }
  return lines;
}

bool fits(const QFontMetrics& metrics, const QStringList& lines, int width, int most) {
  return lines.size() <= most && std::all_of(lines.begin(), lines.end(), [&](const QString& line) {
           return metrics.horizontalAdvance(line) <= width;
         });
}

}  // namespace

QStringList title_lines_of(const GridColumn& c) {
  if (c.title_2.empty()) return {qs(c.title_1)};
  return {qs(c.title_1), qs(c.title_2)};
}

QStringList fit_title(const QFontMetrics& metrics, const QStringList& title, int width, int lines) {
  if (fits(metrics, title, width, lines)) return title;
  if (title.size() == 1 && lines >= 2) {
    if (const QStringList split = wrapped(metrics, title.front()); fits(metrics, split, width, lines)) return split;
  }
  // Lines of the design too wide: the words laid anew, when they fit the lines there are.
  if (const QStringList laid = lay_words(metrics, title, width); fits(metrics, laid, width, lines)) return laid;
  QStringList parts = title;
  if (parts.size() == 1 && lines >= 2 && metrics.horizontalAdvance(parts.front()) > width)
    parts = wrapped(metrics, parts.front());
  QStringList shown;
  for (const QString& part : parts.mid(0, std::max(1, lines))) shown << fit_line(metrics, part, width);
  return shown;
}

int title_width(const QFontMetrics& metrics, const QStringList& title, int lines) {
  int low = 1;
  int high = 1;
  for (const QString& line : title) high = std::max(high, metrics.horizontalAdvance(line));
  const QString whole = title.join(' ');
  // The narrowest width at which the title is drawn whole.
  while (low < high) {
    const int mid = (low + high) / 2;
    if (fit_title(metrics, title, mid, lines).join(' ') == whole)
      high = mid;
    else
      low = mid + 1;
  }
  return high;
}

GridHeader::GridHeader(GridModel& model, QWidget* parent) : QHeaderView(Qt::Horizontal, parent), model_(model) {
  setSectionsClickable(true);
  setSortIndicatorShown(false);
  setHighlightSections(false);
  setDefaultAlignment(Qt::AlignCenter);
  connect(this, &QHeaderView::sectionClicked, this, [this](int) {
    if (const int c = column_at(pressed_at_); c >= 0) emit title_clicked(c, ctrl_);
  });
}

// Two lines per title; three when a title shown needs them at its width.
int GridHeader::title_lines() const {
  const auto& groups = model_.groups();
  const int levels = static_cast<int>(model_.shown_levels().size());
  // Asked for at every point of the header: worked out again only when widths, marks or columns change.
  std::vector<int> key{levels, fontMetrics().height()};
  for (std::size_t g = 0; g < groups.size(); ++g)
    key.push_back(isSectionHidden(static_cast<int>(g)) ? -1 : sectionSize(static_cast<int>(g)));
  for (std::size_t c = 0; c < model_.columns().size(); ++c)
    key.push_back((model_.hidden(static_cast<int>(c)) ? 4 : 0) + static_cast<int>(model_.marks()[c].state));
  if (key == lines_key_) return lines_;
  lines_key_ = key;
  lines_ = 2;
  for (std::size_t g = 0; g < groups.size(); ++g) {
    if (isSectionHidden(static_cast<int>(g))) continue;
    // A title spanning a heat-flow record has two lines per channel line.
    const int lines = groups[g].spans() ? 2 * levels : 2;
    for (const int c : groups[g].at) {
      if (c < 0 || model_.hidden(c)) continue;
      const QStringList title = title_lines_of(model_.columns()[static_cast<std::size_t>(c)]);
      if (fit_title(fontMetrics(), title, text_width(c, sectionSize(static_cast<int>(g))), lines).join(' ') !=
          title.join(' '))
        return lines_ = 3;
    }
  }
  return lines_;
}

int GridHeader::title_height() const { return title_lines() * fontMetrics().height() + 4 + marks_band(); }

// While a column is marked the titles leave a band above them for the mark.
int GridHeader::marks_band() const {
  for (std::size_t c = 0; c < model_.marks().size(); ++c)
    if (model_.marks()[c].state != TitleState::tsSortedNone && !model_.hidden(static_cast<int>(c))) return mark_band;
  return 0;
}

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

int GridHeader::text_width(int, int section_width) const { return section_width - 2 * text_margin; }

QStringList GridHeader::shown_title(int column) const {
  const auto& groups = model_.groups();
  for (std::size_t g = 0; g < groups.size(); ++g) {
    if (std::find(groups[g].at.begin(), groups[g].at.end(), column) == groups[g].at.end()) continue;
    const int height = groups[g].spans() ? sizeHint().height() : title_height();
    return fit_title(fontMetrics(), title_lines_of(model_.columns()[static_cast<std::size_t>(column)]),
                     text_width(column, sectionSize(static_cast<int>(g))),
                     (height - 4 - marks_band()) / fontMetrics().height());
  }
  return {};
}

QString GridHeader::tool_tip_at(QPoint at) const {
  const int c = column_at(at);
  if (c < 0 || model_.hidden(c)) return {};
  const QStringList whole = title_lines_of(model_.columns()[static_cast<std::size_t>(c)]);
  return shown_title(c).join(' ') == whole.join(' ') ? QString() : whole.join('\n');
}

bool GridHeader::viewportEvent(QEvent* event) {
  if (event->type() != QEvent::ToolTip) return QHeaderView::viewportEvent(event);
  const auto* help = static_cast<QHelpEvent*>(event);
  if (const QString tip = tool_tip_at(help->pos()); !tip.isEmpty())
    QToolTip::showText(help->globalPos(), tip, viewport());
  else
    QToolTip::hideText();
  return true;
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
    style()->drawControl(QStyle::CE_Header, &option, painter, this);
    // The style hands the painter back clipped to the region it found, which may be nothing at all.
    painter->setClipRect(cell);
    if (c >= 0 && !model_.hidden(c)) {
      const int free = text_width(c, cell.width());
      const int band = marks_band();
      const QRect text(cell.left() + text_margin, cell.top() + band, free, cell.height() - band);
      painter->setPen(option.palette.color(QPalette::ButtonText));
      painter->drawText(text, Qt::AlignCenter, shown_title(c).join('\n'));
      draw_mark(*painter, cell, model_.marks()[static_cast<std::size_t>(c)].state,
                option.palette.color(QPalette::ButtonText));
    }
    painter->restore();
  }
}

}  // namespace kalora::views
