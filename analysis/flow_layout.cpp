#include "analysis/flow_layout.h"

#include <QWidget>
#include <algorithm>

namespace kalora::analysis {

FlowLayout::FlowLayout(QWidget* parent, int spacing) : QLayout(parent), spacing_(spacing) {
  setContentsMargins(0, 0, 0, 0);
}

FlowLayout::~FlowLayout() {
  while (QLayoutItem* item = takeAt(0)) delete item;
}

void FlowLayout::addItem(QLayoutItem* item) { items_.append(item); }

QLayoutItem* FlowLayout::takeAt(int index) {
  return index >= 0 && index < items_.size() ? items_.takeAt(index) : nullptr;
}

QSize FlowLayout::sizeHint() const {
  int width = 0, height = 0;
  for (const QLayoutItem* item : items_) {
    width += item->sizeHint().width() + spacing_;
    height = std::max(height, item->sizeHint().height());
  }
  return {width, height};
}

// As narrow as the widest item.
QSize FlowLayout::minimumSize() const {
  QSize size;
  for (const QLayoutItem* item : items_) size = size.expandedTo(item->minimumSize());
  const QMargins m = contentsMargins();
  return size + QSize(m.left() + m.right(), m.top() + m.bottom());
}

void FlowLayout::setGeometry(const QRect& rect) {
  QLayout::setGeometry(rect);
  arrange(rect, true);
}

int FlowLayout::arrange(const QRect& rect, bool place) const {
  const QRect area = rect.marginsRemoved(contentsMargins());
  int x = area.x(), y = area.y(), row_height = 0;
  for (QLayoutItem* item : items_) {
    if (item->widget() && item->widget()->isHidden()) continue;
    const QSize size = item->sizeHint().boundedTo(QSize(area.width(), QWIDGETSIZE_MAX));
    if (x > area.x() && x + size.width() > area.right() + 1) {
      x = area.x();
      y += row_height + spacing_;
      row_height = 0;
    }
    if (place) item->setGeometry(QRect(QPoint(x, y), size));
    x += size.width() + spacing_;
    row_height = std::max(row_height, size.height());
  }
  return y + row_height - rect.y() + contentsMargins().bottom();
}

}  // namespace kalora::analysis
