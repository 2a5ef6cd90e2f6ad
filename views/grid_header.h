// The column titles of a grid: two lines per column, stacked like the cells in the
// heat-flow grids, with the sort mark drawn beside the title.
#pragma once

#include <QHeaderView>

namespace kalora::views {

class GridModel;

class GridHeader : public QHeaderView {
  Q_OBJECT
 public:
  explicit GridHeader(GridModel& model, QWidget* parent = nullptr);

  // Grid column whose title is at this point of the header, -1 when none.
  int column_at(QPoint at) const;
  QSize sizeHint() const override;

 signals:
  void title_clicked(int column, bool ctrl);

 protected:
  void paintSection(QPainter* painter, const QRect& rect, int logical) const override;
  void mousePressEvent(QMouseEvent* event) override;

 private:
  int title_height() const;  // one column's two lines

  GridModel& model_;
  QPoint pressed_at_;
  bool ctrl_ = false;
};

}  // namespace kalora::views
