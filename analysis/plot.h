// A plot as plain data, drawn by the plot painter (plot_painter.h) on a screen
// widget, a printed page or a PDF page with the same code (vector on paper).
//
//   plot::Plot p;
//   p.title = "Тепловой поток";
//   p.x.kind = plot::AxisKind::hours;
//   p.x.title = "ч";
//   p.y.title = "Вт/м²";
//   p.lines.push_back({"q (канал 1)", {{0, 10.5}, {0.5, 11.2}}, 0x1f5fbf});
//   p.bands.push_back({"", 0, 72, 2.6, 2.9, 0x1f5fbf});   // shaded y range over an x range
//   p.areas.push_back({"90 %", {{12, 2.5}, {24, 2.6}}, {{12, 3.1}, {24, 2.9}}, 0x1f5fbf});  // shaded between two lines
//   p.spans.push_back({"2/3", 0, 48, 0xc0392b});          // shaded x range, full height
//   p.marks.push_back({"24 ч", 49, 0x1f5fbf, plot::Dash::dash});  // vertical line
//   view->set_plot(std::move(p));                        // or paint_plot(painter, rect, p, font)
//
// Axes fit the lines and bands (with a little room) unless `low` and `high` are set;
// ticks fall on nice steps (axis_scale in plot_scale.h). Lines, bands, areas and spans
// with a name are listed in the legend, in that order; a mark's name is written at its top.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kalora::plot {

using Rgb = std::uint32_t;  // 0xRRGGBB

enum class Dash { solid, dash, dot, dash_dot };

enum class AxisKind {
  value,  // plain numbers, decimal comma
  hours,  // hours elapsed: steps of 1, 2, 3, 6, 12 hours, then whole days
  clock,  // seconds of a clock since 01.01.1970 (no zone): hh:mm, dd.mm at midnight
};

struct Axis {
  AxisKind kind = AxisKind::value;
  std::string title;  // drawn beside the axis: a unit or a short name
  std::optional<double> low, high;
};

struct Point {
  double x = 0;
  double y = 0;  // not finite: a gap in the line
};

struct Line {
  std::string name;
  std::vector<Point> points;  // in the order they are joined
  Rgb color = 0;
  Dash dash = Dash::solid;
  double width = 1.5;
  bool dots = false;  // each point a dot, none joined
};

// The y range [low, high] shaded over the x range [x0, x1].
struct Band {
  std::string name;
  double x0 = 0, x1 = 0, low = 0, high = 0;
  Rgb color = 0;
};

// The region between a lower and an upper boundary, shaded: a band that follows x.
// A point whose low or high is not finite breaks it.
struct Area {
  std::string name;
  std::vector<Point> low, high;  // at the same x, in order of x
  Rgb color = 0;
};

// The x range [x0, x1] shaded over the whole height.
struct Span {
  std::string name;
  double x0 = 0, x1 = 0;
  Rgb color = 0;
};

// A vertical line over the whole height; its name is written at its top.
struct Mark {
  std::string name;
  double x = 0;
  Rgb color = 0;
  Dash dash = Dash::dash;
};

struct Plot {
  std::string title;
  Axis x, y;
  std::vector<Line> lines;
  std::vector<Band> bands;
  std::vector<Area> areas;
  std::vector<Span> spans;
  std::vector<Mark> marks;
  std::string empty_text = "Нет данных";  // shown when there is no line
};

}  // namespace kalora::plot
