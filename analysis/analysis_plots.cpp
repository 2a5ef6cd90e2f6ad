#include "analysis/analysis_plots.h"

#include <QAreaSeries>
#include <QChart>
#include <QLegend>
#include <QLegendMarker>
#include <QLineSeries>
#include <QPen>
#include <QValueAxis>
#include <algorithm>
#include <cmath>
#include <limits>

namespace kalora::analysis {

namespace {

const QColor channel_colors[] = {QColor(0x1f, 0x5f, 0xbf), QColor(0x2e, 0x8b, 0x3a), QColor(0xc0, 0x39, 0x2b)};

QColor color_of(const ChannelResult& c, bool lighter = false) {
  const QColor base = channel_colors[static_cast<std::size_t>(c.channel - 1)];
  return lighter ? base.lighter(160) : base;
}

QString channel_name(const ChannelResult& c, const char* what) {
  return QString::fromUtf8(what) + QStringLiteral(" (канал %1)").arg(c.channel);
}

// Hours from the series' first row to the channel's first row used.
double start_hours(const SeriesResult& s, const ChannelResult& c) {
  return static_cast<double>(c.start - s.first) / 3600;
}

class Builder {
 public:
  Builder(const SeriesResult& s, QChart* chart) : s_(s), chart_(chart) {}

  template <typename Value>
  QLineSeries* line(const ChannelResult& c, const QString& name, const QColor& color, Value value) {
    auto* series = new QLineSeries;
    series->setName(name);
    series->setPen(QPen(color, 1.5));
    const double start = start_hours(s_, c);
    QList<QPointF> points;
    points.reserve(static_cast<qsizetype>(c.records()));
    for (std::size_t j = 0; j < c.records(); ++j)
      if (const std::optional<double> v = value(j)) points.append({start + c.seconds[j] / 3600, *v});
    series->replace(points);
    add(series);
    return series;
  }

  QLineSeries* segment(const QString& name, QPointF a, QPointF b, const QColor& color, Qt::PenStyle style) {
    auto* series = new QLineSeries;
    series->setName(name);
    series->setPen(QPen(color, 1, style));
    series->append(a);
    series->append(b);
    add(series, false);
    return series;
  }

  void band(const QString& name, double x0, double x1, double low, double high, const QColor& color) {
    auto* upper = new QLineSeries(chart_);
    auto* lower = new QLineSeries(chart_);
    upper->append({{x0, high}, {x1, high}});
    lower->append({{x0, low}, {x1, low}});
    auto* area = new QAreaSeries(upper, lower);
    area->setName(name);
    QColor fill = color;
    fill.setAlpha(50);
    area->setBrush(fill);
    area->setPen(Qt::NoPen);
    add(area, false);
  }

  void finish(const QString& title, const QString& y_title) {
    chart_->setTitle(title);
    auto* x = new QValueAxis;
    x->setTitleText(QStringLiteral("ч"));
    x->setLabelFormat(QStringLiteral("%.0f"));
    // Marks every 6 hours up to a few days, then every day.
    const double step = s_.hours() <= 96 ? 6 : 24;
    x->setRange(0, std::max(step, std::ceil(s_.hours() / step) * step));
    x->setTickType(QValueAxis::TicksDynamic);
    x->setTickAnchor(0);
    x->setTickInterval(step);
    auto* y = new QValueAxis;
    y->setTitleText(y_title);
    chart_->addAxis(x, Qt::AlignBottom);
    chart_->addAxis(y, Qt::AlignLeft);
    double low = std::numeric_limits<double>::max();
    double high = std::numeric_limits<double>::lowest();
    for (QAbstractSeries* series : chart_->series()) {
      series->attachAxis(x);
      series->attachAxis(y);
      const auto widen = [&](const QList<QPointF>& points) {
        for (const QPointF& p : points) {
          low = std::min(low, p.y());
          high = std::max(high, p.y());
        }
      };
      if (auto* l = qobject_cast<QLineSeries*>(series)) widen(l->points());
      if (auto* a = qobject_cast<QAreaSeries*>(series)) widen(a->upperSeries()->points() + a->lowerSeries()->points());
    }
    if (low > high) low = 0, high = 1;
    const double margin = std::max((high - low) * 0.05, 1e-3);
    y->setRange(low - margin, high + margin);
    y->applyNiceNumbers();
    chart_->legend()->setAlignment(Qt::AlignBottom);
  }

 private:
  // Marks and bands stay out of the legend, which names the measured lines.
  void add(QAbstractSeries* series, bool in_legend = true) {
    chart_->addSeries(series);
    if (!in_legend)
      for (QLegendMarker* marker : chart_->legend()->markers(series)) marker->setVisible(false);
  }

  const SeriesResult& s_;
  QChart* chart_;
};

}  // namespace

std::unique_ptr<QChart> make_chart(const SeriesResult& s, Plot plot) {
  auto chart = std::make_unique<QChart>();
  chart->setMargins(QMargins(4, 4, 4, 4));
  Builder b(s, chart.get());
  switch (plot) {
    case Plot::flux:
      for (const ChannelResult& c : s.channels)
        b.line(c, channel_name(c, "q"), color_of(c), [&](std::size_t j) { return std::optional(c.q[j]); });
      b.finish(QStringLiteral("Тепловой поток"), QStringLiteral("Вт/м²"));
      break;
    case Plot::temperatures:
      for (const ChannelResult& c : s.channels) {
        b.line(c, channel_name(c, "tв"), color_of(c), [&](std::size_t j) { return std::optional(c.t_in[j]); });
        b.line(c, channel_name(c, "tн"), color_of(c, true), [&](std::size_t j) { return std::optional(c.t_ext[j]); });
      }
      b.finish(QStringLiteral("Температуры"), QStringLiteral("°C"));
      break;
    case Plot::resistance:
      for (const ChannelResult& c : s.channels) {
        const double start = start_hours(s, c);
        const double end = start + c.hours;
        if (c.R) b.band(channel_name(c, "R ± 5 %"), start, end, *c.R * 0.95, *c.R * 1.05, color_of(c));
        b.line(c, channel_name(c, "R"), color_of(c), [&](std::size_t j) { return c.running[j]; });
        if (c.R24) {
          const double mark = end - 24;
          b.segment(channel_name(c, "24 ч"), {mark, *c.R * 0.9}, {mark, *c.R * 1.1}, color_of(c), Qt::DashLine);
        }
        if (c.R_first && c.R_last) {
          const double window = static_cast<double>(c.m_days) * 24;
          b.segment(channel_name(c, "R первых 2/3"), {start, *c.R_first}, {start + window, *c.R_first},
                    color_of(c, true), Qt::DotLine);
          b.segment(channel_name(c, "R последних 2/3"), {end - window, *c.R_last}, {end, *c.R_last}, color_of(c, true),
                    Qt::DashDotLine);
        }
      }
      b.finish(QStringLiteral("Сопротивление теплопередаче нарастающим итогом"), QStringLiteral("м²·К/Вт"));
      break;
  }
  return chart;
}

}  // namespace kalora::analysis
