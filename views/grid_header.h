// The column titles of a grid: two lines per column, stacked like the cells in the
// heat-flow grids, with the sort mark drawn beside the title.
#pragma once

#include <QHeaderView>
#include <QStringList>
#include <vector>

#include "views/grid_columns.h"

class QFontMetrics;

namespace kalora::views {

class GridModel;

// The lines a title is drawn in, at most `lines` of them, each no wider than `width`:
// a line that fits stays whole, a one-line title wraps at a space, a line that still
// does not fit is elided at its end, keeping a channel number "№n" that ends it.
QStringList fit_title(const QFontMetrics& metrics, const QStringList& title, int width, int lines);
// The narrowest width at which fit_title draws the title whole in `lines` lines.
int title_width(const QFontMetrics& metrics, const QStringList& title, int lines);
// A column's title lines as designed.
QStringList title_lines_of(const GridColumn& column);

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
  int title_lines() const;   // lines of one column's title: 2, or 3 where a title needs them
  int title_height() const;  // one column's title lines, and the marks' band
  int marks_band() const;
  int text_width(int column, int section_width) const;

  GridModel& model_;
  mutable std::vector<int> lines_key_;  // what title_lines was last worked out for
  mutable int lines_ = 2;
  QPoint pressed_at_;
  bool ctrl_ = false;
};

}  // namespace kalora::views
