// Draws a plot (plot.h) with QPainter: the same drawing on a screen widget, a printed
// page and a PDF page, where it stays vector. Title on top, the value axis on the left
// with its title above it, the x axis below with its title at the right end, the
// legend at the bottom.
#pragma once

#include <QFont>
#include <QRectF>
#include <QWidget>

#include "analysis/plot.h"

class QPainter;

namespace kalora::plot {

// Draws `plot` into `area` of the painter's coordinates, lettering in `font` (its
// size in those coordinates); the painter's state is left as it was.
void paint_plot(QPainter& painter, const QRectF& area, const Plot& plot, const QFont& font);

// A widget that shows one plot, drawn again whenever it is resized.
class PlotView : public QWidget {
  Q_OBJECT
 public:
  explicit PlotView(QWidget* parent = nullptr);
  void set_plot(Plot plot);
  const Plot& plot() const { return plot_; }
  QSize sizeHint() const override { return {480, 240}; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  Plot plot_;
};

}  // namespace kalora::plot
