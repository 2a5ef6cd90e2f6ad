#include "analysis/plot_painter.h"

#include <QFontMetricsF>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>
#include <limits>

#include "analysis/plot_scale.h"

namespace kalora::plot {

namespace {

constexpr double y_room = 0.05;  // of the lines' range, above and below
const QColor grid_color(0xdd, 0xdd, 0xdd);
const QColor major_grid_color(0xa0, 0xa0, 0xa0);
const QColor axis_color(0x40, 0x40, 0x40);
constexpr int band_alpha = 50;
constexpr int span_alpha = 28;

QString qs(const std::string& s) { return QString::fromStdString(s); }

QColor color_of(Rgb rgb, int alpha = 255) {
  QColor c(static_cast<int>(rgb >> 16 & 0xff), static_cast<int>(rgb >> 8 & 0xff), static_cast<int>(rgb & 0xff));
  c.setAlpha(alpha);
  return c;
}

Qt::PenStyle style_of(Dash d) {
  switch (d) {
    case Dash::solid: return Qt::SolidLine;
    case Dash::dash: return Qt::DashLine;
    case Dash::dot: return Qt::DotLine;
    case Dash::dash_dot: return Qt::DashDotLine;
  }
  return Qt::SolidLine;
}

struct Range {
  double low = std::numeric_limits<double>::infinity();
  double high = -std::numeric_limits<double>::infinity();
  void add(double v) {
    if (!std::isfinite(v)) return;
    low = std::min(low, v);
    high = std::max(high, v);
  }
  bool empty() const { return low > high; }
};

// What the axes have to show: every line and band; spans and marks along x.
std::pair<Range, Range> extent(const Plot& p) {
  Range x, y;
  for (const Line& l : p.lines)
    for (const Point& pt : l.points)
      if (std::isfinite(pt.y)) x.add(pt.x), y.add(pt.y);
  for (const Band& b : p.bands) x.add(b.x0), x.add(b.x1), y.add(b.low), y.add(b.high);
  for (const Area& a : p.areas)
    for (const auto* side : {&a.low, &a.high})
      for (const Point& pt : *side)
        if (std::isfinite(pt.y)) x.add(pt.x), y.add(pt.y);
  for (const Span& s : p.spans) x.add(s.x0), x.add(s.x1);
  for (const Mark& m : p.marks) x.add(m.x);
  return {x, y};
}

Scale scale_of(const Axis& axis, Range data, double room, int max_ticks) {
  if (data.empty()) data = {0, 1};
  const double margin = axis.kind == AxisKind::value ? (data.high - data.low) * room : 0;
  return axis_scale(axis.kind, axis.low.value_or(data.low - margin), axis.high.value_or(data.high + margin),
                    max_ticks);
}

// One legend entry: a short sample of the line, or a shaded square, then the name.
struct Entry {
  QString name;
  QPen pen;
  QBrush brush;
};

std::vector<Entry> legend_of(const Plot& p) {
  std::vector<Entry> entries;
  for (const Line& l : p.lines)
    if (!l.name.empty()) {
      QPen pen(color_of(l.color), l.dots ? 4 : std::max(l.width, 1.5), style_of(l.dash));
      if (l.dots) pen.setCapStyle(Qt::RoundCap);
      entries.push_back({qs(l.name), pen, Qt::NoBrush});
    }
  for (const Band& b : p.bands)
    if (!b.name.empty()) entries.push_back({qs(b.name), Qt::NoPen, color_of(b.color, band_alpha)});
  for (const Area& a : p.areas)
    if (!a.name.empty()) entries.push_back({qs(a.name), Qt::NoPen, color_of(a.color, band_alpha)});
  for (const Span& s : p.spans)
    if (!s.name.empty()) entries.push_back({qs(s.name), Qt::NoPen, color_of(s.color, span_alpha * 2)});
  return entries;
}

class Painter {
 public:
  Painter(QPainter& painter, const QFont& font) : p_(painter), font_(font), fm_(font, painter.device()) {}

  std::optional<XPlace> paint(const QRectF& area, const Plot& plot) {
    const double line = fm_.height();
    const double gap = line * 0.4;
    QRectF rest = area.adjusted(gap, gap / 2, -gap, -gap / 2);

    if (!plot.title.empty()) {
      QFont bold = font_;
      bold.setBold(true);
      p_.setFont(bold);
      p_.setPen(Qt::black);
      p_.drawText(QRectF(rest.left(), rest.top(), rest.width(), line), Qt::AlignHCenter | Qt::AlignVCenter,
                  qs(plot.title));
      rest.setTop(rest.top() + line + gap / 2);
    }
    p_.setFont(font_);

    const std::vector<Entry> entries = legend_of(plot);
    const std::vector<int> rows = legend_rows(entries, rest.width());
    const double legend_height = rows.empty() ? 0 : (rows.back() + 1) * line + gap;
    const QRectF legend(rest.left(), rest.bottom() - legend_height + gap, rest.width(), legend_height - gap);
    rest.setBottom(rest.bottom() - legend_height);

    // The y axis' title above the plot, its tick labels at the left, the x axis' labels below.
    if (!plot.y.title.empty()) rest.setTop(rest.top() + line * 1.5);
    rest.setBottom(rest.bottom() - line - gap / 2);
    const auto [x_data, y_data] = extent(plot);
    const Scale y = scale_of(plot.y, y_data, y_room, std::max(1, static_cast<int>(rest.height() / (line * 2.2))));
    double label_width = 0;
    for (const Tick& t : y.ticks) label_width = std::max(label_width, fm_.horizontalAdvance(qs(t.label)));
    QRectF frame = rest.adjusted(label_width + gap, 0, 0, 0);
    const double x_title_width = plot.x.title.empty() ? 0 : fm_.horizontalAdvance(qs(plot.x.title)) + gap;
    frame.setRight(frame.right() - fm_.horizontalAdvance(QStringLiteral("00:00")) / 2 - x_title_width);
    const double label_room = fm_.horizontalAdvance(plot.x.kind == AxisKind::value ? QStringLiteral("−0000,0")
                                                                                    : QStringLiteral("00:00"));
    // A little room at both ends of a value axis, so that no point sits on the frame.
    const Scale x = scale_of(plot.x, x_data, 0.03, std::max(1, static_cast<int>(frame.width() / (label_room * 1.6))));
    if (frame.width() <= 1 || frame.height() <= 1) return std::nullopt;
    x_ = x, y_ = y, frame_ = frame, left_ = rest.left();

    draw_grid();
    p_.save();
    p_.setClipRect(frame);
    for (const Span& s : plot.spans) shade(s.x0, s.x1, y_.low, y_.high, color_of(s.color, span_alpha));
    for (const Band& b : plot.bands) shade(b.x0, b.x1, b.low, b.high, color_of(b.color, band_alpha));
    for (const Area& a : plot.areas) shade(a);
    for (const Line& l : plot.lines) draw_line(l);
    for (const Mark& m : plot.marks) draw_mark(m);
    p_.restore();
    draw_axes(plot);
    if (plot.lines.empty() && !plot.empty_text.empty()) {
      p_.setPen(axis_color);
      p_.drawText(frame, Qt::AlignCenter, qs(plot.empty_text));
    }
    draw_legend(entries, rows, legend);
    return XPlace{frame.left(), frame.width(), x_.low, x_.high};
  }

 private:
  QPointF at(double x, double y) const {
    return {frame_.left() + (x - x_.low) / (x_.high - x_.low) * frame_.width(),
            frame_.bottom() - (y - y_.low) / (y_.high - y_.low) * frame_.height()};
  }

  void draw_grid() {
    for (const Tick& t : y_.ticks) {
      p_.setPen(QPen(grid_color, 0));
      p_.drawLine(at(x_.low, t.at), at(x_.high, t.at));
    }
    for (const Tick& t : x_.ticks) {
      p_.setPen(QPen(t.major ? major_grid_color : grid_color, 0));
      p_.drawLine(at(t.at, y_.low), at(t.at, y_.high));
    }
  }

  void shade(double x0, double x1, double low, double high, const QColor& color) {
    p_.fillRect(QRectF(at(std::min(x0, x1), std::max(low, high)), at(std::max(x0, x1), std::min(low, high))), color);
  }

  // Each unbroken run of the area as one polygon: along its low side, back along its high one.
  void shade(const Area& a) {
    const std::size_t n = std::min(a.low.size(), a.high.size());
    const auto whole = [&](std::size_t i) { return std::isfinite(a.low[i].y) && std::isfinite(a.high[i].y); };
    p_.setPen(Qt::NoPen);
    p_.setBrush(color_of(a.color, band_alpha));
    for (std::size_t from = 0; from < n;) {
      if (!whole(from)) {
        ++from;
        continue;
      }
      std::size_t to = from;
      while (to < n && whole(to)) ++to;
      QPolygonF polygon;
      for (std::size_t i = from; i < to; ++i) polygon << at(a.low[i].x, a.low[i].y);
      for (std::size_t i = to; i-- > from;) polygon << at(a.high[i].x, a.high[i].y);
      p_.drawPolygon(polygon);
      from = to;
    }
    p_.setBrush(Qt::NoBrush);
  }

  void draw_line(const Line& l) {
    if (l.dots) {
      p_.setPen(QPen(color_of(l.color), std::max(l.width * 2, 3.0), Qt::SolidLine, Qt::RoundCap));
      for (const Point& pt : l.points)
        if (std::isfinite(pt.x) && std::isfinite(pt.y)) p_.drawPoint(at(pt.x, pt.y));
      return;
    }
    QPainterPath path;
    bool open = false;
    for (const Point& pt : l.points) {
      if (!std::isfinite(pt.x) || !std::isfinite(pt.y)) {
        open = false;
        continue;
      }
      if (open)
        path.lineTo(at(pt.x, pt.y));
      else
        path.moveTo(at(pt.x, pt.y));
      open = true;
    }
    QPen pen(color_of(l.color), l.width, style_of(l.dash), Qt::RoundCap, Qt::RoundJoin);
    p_.setPen(pen);
    p_.setBrush(Qt::NoBrush);
    p_.drawPath(path);
  }

  void draw_mark(const Mark& m) {
    p_.setPen(QPen(color_of(m.color), 1.2, style_of(m.dash)));
    const QPointF top = at(m.x, y_.high);
    p_.drawLine(top, at(m.x, y_.low));
    if (m.name.empty()) return;
    p_.setPen(color_of(m.color));
    p_.drawText(QRectF(top.x() + 3, top.y() + 1, fm_.horizontalAdvance(qs(m.name)) + 2, fm_.height()),
                Qt::AlignLeft | Qt::AlignTop, qs(m.name));
  }

  void draw_axes(const Plot& plot) {
    const double line = fm_.height();
    p_.setPen(QPen(axis_color, 0));
    p_.setBrush(Qt::NoBrush);
    p_.drawRect(frame_);
    const double tick = line * 0.25;
    for (const Tick& t : y_.ticks) {
      const QPointF a = at(x_.low, t.at);
      p_.drawLine(a, a - QPointF(tick, 0));
      p_.drawText(QRectF(frame_.left() - 200 - tick * 1.5, a.y() - line / 2, 200, line),
                  Qt::AlignRight | Qt::AlignVCenter, qs(t.label));
    }
    // Labels of the x axis that would run into the previous one are left out.
    double free_from = -std::numeric_limits<double>::infinity();
    for (const Tick& t : x_.ticks) {
      const QPointF a = at(t.at, y_.low);
      p_.drawLine(a, a + QPointF(0, tick));
      const QString label = qs(t.label);
      const double w = fm_.horizontalAdvance(label);
      if (a.x() - w / 2 < free_from) continue;
      free_from = a.x() + w / 2 + tick * 2;
      QFont f = font_;
      f.setBold(t.major);
      p_.setFont(f);
      p_.drawText(QRectF(a.x() - w, a.y() + tick, 2 * w, line), Qt::AlignHCenter | Qt::AlignTop, label);
      p_.setFont(font_);
    }
    // The x axis' title past the last label, the y axis' title above its labels.
    if (!plot.x.title.empty())
      p_.drawText(QRectF(std::max(frame_.right(), free_from) + tick * 2, frame_.bottom() + tick, 400, line),
                  Qt::AlignLeft | Qt::AlignTop, qs(plot.x.title));
    if (!plot.y.title.empty())
      p_.drawText(QRectF(left_, frame_.top() - line * 1.5, 400, line), Qt::AlignLeft | Qt::AlignVCenter,
                  qs(plot.y.title));
  }

  double entry_width(const Entry& e) const { return fm_.height() * 2.6 + fm_.horizontalAdvance(e.name); }

  // The row each entry goes on, entries in order, as many on a row as fit.
  std::vector<int> legend_rows(const std::vector<Entry>& entries, double width) const {
    std::vector<int> rows;
    double used = 0;
    int row = 0;
    for (const Entry& e : entries) {
      const double w = entry_width(e);
      if (used > 0 && used + w > width) ++row, used = 0;
      rows.push_back(row);
      used += w;
    }
    return rows;
  }

  void draw_legend(const std::vector<Entry>& entries, const std::vector<int>& rows, const QRectF& area) {
    const double line = fm_.height();
    std::vector<double> row_width(rows.empty() ? 0 : static_cast<std::size_t>(rows.back() + 1), 0);
    for (std::size_t i = 0; i < entries.size(); ++i) row_width[static_cast<std::size_t>(rows[i])] += entry_width(entries[i]);
    double x = 0;
    int row = -1;
    for (std::size_t i = 0; i < entries.size(); ++i) {
      const auto r = static_cast<std::size_t>(rows[i]);
      if (rows[i] != row) row = rows[i], x = area.left() + (area.width() - row_width[r]) / 2;
      const double y = area.top() + row * line;
      const Entry& e = entries[i];
      const QRectF sample(x, y + line * 0.2, line * 1.6, line * 0.6);
      if (e.brush.style() != Qt::NoBrush)
        p_.fillRect(sample, e.brush);
      else {
        p_.setPen(e.pen);
        if (e.pen.widthF() >= 4)
          p_.drawPoint(sample.center());
        else
          p_.drawLine(QPointF(sample.left(), sample.center().y()), QPointF(sample.right(), sample.center().y()));
      }
      p_.setPen(Qt::black);
      p_.drawText(QRectF(x + line * 2, y, entry_width(e), line), Qt::AlignLeft | Qt::AlignVCenter, e.name);
      x += entry_width(e);
    }
  }

  QPainter& p_;
  QFont font_;
  QFontMetricsF fm_;
  Scale x_, y_;
  QRectF frame_;
  double left_ = 0;
};

}  // namespace

std::optional<XPlace> paint_plot(QPainter& painter, const QRectF& area, const Plot& plot, const QFont& font) {
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing);
  const auto place = Painter(painter, font).paint(area, plot);
  painter.restore();
  return place;
}

PlotView::PlotView(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMinimumSize(200, 120);
}

void PlotView::set_plot(Plot plot) {
  plot_ = std::move(plot);
  update();
}

void PlotView::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), Qt::white);
  x_place_ = paint_plot(painter, rect(), plot_, font());
  if (drag_from_ && drag_to_) {
    const double a = std::min(*drag_from_, *drag_to_), b = std::max(*drag_from_, *drag_to_);
    painter.fillRect(QRectF(a, 0, b - a, height()), QColor(31, 95, 191, 50));
  }
}

void PlotView::mousePressEvent(QMouseEvent* event) {
  const double px = event->position().x();
  if (event->button() != Qt::LeftButton || !x_place_ || plot_.lines.empty() || px < x_place_->left ||
      px > x_place_->left + x_place_->width)
    return QWidget::mousePressEvent(event);
  drag_from_ = drag_to_ = px;
}

void PlotView::mouseMoveEvent(QMouseEvent* event) {
  if (!drag_from_) return QWidget::mouseMoveEvent(event);
  drag_to_ = std::clamp(event->position().x(), x_place_->left, x_place_->left + x_place_->width);
  update();
}

void PlotView::mouseReleaseEvent(QMouseEvent* event) {
  if (!drag_from_) return QWidget::mouseReleaseEvent(event);
  const double a = std::min(*drag_from_, *drag_to_), b = std::max(*drag_from_, *drag_to_);
  drag_from_.reset(), drag_to_.reset();
  update();
  // A click is no range.
  if (b - a >= 3 && x_dragged) x_dragged(x_place_->value_at(a), x_place_->value_at(b));
}

}  // namespace kalora::plot
