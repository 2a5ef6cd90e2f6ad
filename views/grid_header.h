// The column titles of a grid: two lines per column, stacked like the cells in the
// heat-flow grids, with the sort mark drawn beside the title.
#pragma once

#include <QHeaderView>
#include <QStringList>

class QFontMetrics;

namespace kalora::views {

class GridModel;

// The lines a title is drawn in, at most `lines` of them, each no wider than `width`:
// a line that fits stays whole, a one-line title wraps at a space, a line that still
// does not fit is elided at its end, keeping a channel number "№n" that ends it.
QStringList fit_title(const QFontMetrics& metrics, const QStringList& title, int width, int lines);

class GridHeader : public QHeaderView {
  Q_OBJECT
 public:
  explicit GridHeader(GridModel& model, QWidget* parent = nullptr);

  // Grid column whose title is at this point of the header, -1 when none.
  int column_at(QPoint at) const;
  // The title lines of a grid column as they are drawn now.
  QStringList shown_title(int column) const;
  // The whole title at this point when it is drawn shortened, else empty.
  QString tool_tip_at(QPoint at) const;
  QSize sizeHint() const override;

 signals:
  void title_clicked(int column, bool ctrl);

 protected:
  void paintSection(QPainter* painter, const QRect& rect, int logical) const override;
  void mousePressEvent(QMouseEvent* event) override;
  bool viewportEvent(QEvent* event) override;

 private:
  int title_height() const;  // one column's two lines
  int text_width(int column, int section_width) const;

  GridModel& model_;
  QPoint pressed_at_;
  bool ctrl_ = false;
};

}  // namespace kalora::views
