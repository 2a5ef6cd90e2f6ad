#include "analysis/analysis_plots.h"

#include <limits>
#include <string>

namespace kalora::analysis {

namespace {

// Per channel: the colour of its main line and a lighter one for its second line.
constexpr plot::Rgb channel_colors[] = {0x1f5fbf, 0x2e8b3a, 0xc0392b};
constexpr plot::Rgb light_colors[] = {0x6f9be6, 0x6cc67a, 0xe9857a};

plot::Rgb color_of(const ChannelResult& c, bool lighter = false) {
  const auto i = static_cast<std::size_t>(c.channel - 1);
  return lighter ? light_colors[i] : channel_colors[i];
}

std::string channel_name(const ChannelResult& c, const char* what) {
  return std::string(what) + " (канал " + std::to_string(c.channel) + ")";
}

// Hours from the series' first row to the channel's first row used.
double start_hours(const SeriesResult& s, const ChannelResult& c) {
  return static_cast<double>(c.start - s.first) / 3600;
}

// A line of one value per record; a record without a value leaves a gap.
template <typename Value>
plot::Line line(const SeriesResult& s, const ChannelResult& c, std::string name, plot::Rgb color, Value value) {
  plot::Line l{std::move(name), {}, color};
  const double start = start_hours(s, c);
  l.points.reserve(c.records());
  for (std::size_t j = 0; j < c.records(); ++j)
    if (const std::optional<double> v = value(j)) l.points.push_back({start + c.seconds[j] / 3600, *v});
  return l;
}

// A level over a stretch of hours, out of the legend.
plot::Line level(double x0, double x1, double y, plot::Rgb color, plot::Dash dash) {
  return {"", {{x0, y}, {x1, y}}, color, dash, 1.2};
}

}  // namespace

plot::Plot make_plot(const SeriesResult& s, SeriesPlot which) {
  plot::Plot p;
  if (s.channels.empty()) p.empty_text = "Нет каналов с двумя и более записями: строить нечего";
  p.x.kind = plot::AxisKind::hours;
  p.x.title = "ч";
  switch (which) {
    case SeriesPlot::flux:
      p.title = "Тепловой поток";
      p.y.title = "Вт/м²";
      for (const ChannelResult& c : s.channels)
        p.lines.push_back(line(s, c, channel_name(c, "q"), color_of(c), [&](std::size_t j) { return std::optional(c.q[j]); }));
      break;
    case SeriesPlot::temperatures:
      p.title = "Температуры";
      p.y.title = "°C";
      for (const ChannelResult& c : s.channels) {
        p.lines.push_back(
            line(s, c, channel_name(c, "tв"), color_of(c), [&](std::size_t j) { return std::optional(c.t_in[j]); }));
        p.lines.push_back(line(s, c, channel_name(c, "tн"), color_of(c, true),
                               [&](std::size_t j) { return std::optional(c.t_ext[j]); }));
      }
      break;
    case SeriesPlot::resistance:
      p.title = "R нарастающим итогом";
      p.y.title = "м²·К/Вт";
      for (const ChannelResult& c : s.channels) {
        const double start = start_hours(s, c);
        const double end = start + c.hours;
        // The band, the mark and the windows are named once, for the first channel.
        const bool first = &c == &s.channels.front();
        if (c.R) p.bands.push_back({first ? "±5 % от R" : "", start, end, *c.R * 0.95, *c.R * 1.05, color_of(c)});
        p.lines.push_back(line(s, c, channel_name(c, "R"), color_of(c), [&](std::size_t j) { return c.running[j]; }));
        if (c.R24) {
          p.marks.push_back({"24 ч", end - 24, color_of(c), plot::Dash::dash});
          if (first) p.lines.push_back({"за 24 ч до конца", {}, color_of(c), plot::Dash::dash, 1.2});
        }
        if (c.R_first && c.R_last) {
          const double window = static_cast<double>(c.m_days) * 24;
          if (first) {
            p.spans.push_back({"первые 2/3", start, start + window, light_colors[1]});
            p.spans.push_back({"последние 2/3", end - window, end, light_colors[2]});
          }
          p.lines.push_back(level(start, start + window, *c.R_first, color_of(c, true), plot::Dash::dot));
          p.lines.push_back(level(end - window, end, *c.R_last, color_of(c, true), plot::Dash::dash_dot));
        }
      }
      break;
    case SeriesPlot::model:
      p.title = "q измеренный и по динамической модели";
      p.y.title = "Вт/м²";
      for (const ChannelResult& c : s.channels) {
        if (!c.dynamic) continue;
        const DynamicResult& d = *c.dynamic;
        const std::size_t first_row = d.p + 1;
        p.lines.push_back(line(s, c, channel_name(c, "q"), color_of(c), [&](std::size_t j) {
          return j >= first_row ? std::optional(c.q[j]) : std::nullopt;
        }));
        plot::Line model = line(s, c, channel_name(c, "модель"), color_of(c, true), [&](std::size_t j) {
          return j >= first_row ? std::optional(d.q_model[j - first_row]) : std::nullopt;
        });
        model.dash = plot::Dash::dash;
        p.lines.push_back(std::move(model));
      }
      if (p.lines.empty() && !s.channels.empty()) p.empty_text = "Динамический метод не дал результата";
      break;
    case SeriesPlot::growth:
      p.title = "R рекомендуемое по мере роста серии (через каждые 12 ч)";
      p.y.title = "м²·К/Вт";
      p.x.low = 0;  // the first step is 12 h in: the axis still starts with the series
      for (const ChannelResult& c : s.channels) {
        const double start = start_hours(s, c);
        plot::Line l{channel_name(c, "R"), {}, color_of(c)};
        plot::Area band{&c == &s.channels.front() ? "90 % интервал" : "", {}, {}, color_of(c)};
        constexpr double none = std::numeric_limits<double>::quiet_NaN();
        for (const ChannelResult::GrowthStep& g : c.growth) {
          l.points.push_back({start + g.hours, g.R});
          band.low.push_back({start + g.hours, g.R_lo.value_or(none)});
          band.high.push_back({start + g.hours, g.R_hi.value_or(none)});
        }
        if (l.points.empty()) continue;
        if (l.points.size() == 1) l.dots = true;
        p.lines.push_back(std::move(l));
        p.areas.push_back(std::move(band));
      }
      if (p.lines.empty() && !s.channels.empty()) p.empty_text = "R рекомендуемое не определено";
      break;
  }
  return p;
}

}  // namespace kalora::analysis
