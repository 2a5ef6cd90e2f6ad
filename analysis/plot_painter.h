// Draws a plot (plot.h) with QPainter: the same drawing on a screen widget, a printed
// page and a PDF page, where it stays vector. Title on top, the value axis on the left
// with its title above it, the x axis below with its title at the right end, the
// legend at the bottom.
#pragma once

#include <QFont>
#include <QRectF>
#include <QWidget>
#include <functional>
#include <optional>

#include "analysis/plot.h"

class QPainter;

namespace kalora::plot {

// Where the x axis was drawn: its frame's left edge and width, and the values there.
struct XPlace {
  double left = 0, width = 0;
  double low = 0, high = 0;

  double value_at(double px) const { return low + (px - left) / width * (high - low); }
};

// Draws `plot` into `area` of the painter's coordinates, lettering in `font` (its
// size in those coordinates); the painter's state is left as it was. Nothing is
// returned when the area is too small for a frame.
std::optional<XPlace> paint_plot(QPainter& painter, const QRectF& area, const Plot& plot, const QFont& font);

// A widget that shows one plot, drawn again whenever it is resized. A drag across
// the frame with the left button chooses a range of x, told to `x_dragged` (low, high).
class PlotView : public QWidget {
  Q_OBJECT
 public:
  explicit PlotView(QWidget* parent = nullptr);
  void set_plot(Plot plot);
  const Plot& plot() const { return plot_; }
  QSize sizeHint() const override { return {480, 240}; }

  std::function<void(double, double)> x_dragged;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  Plot plot_;
  std::optional<XPlace> x_place_;              // as last drawn
  std::optional<double> drag_from_, drag_to_;  // pixels
};

}  // namespace kalora::plot
