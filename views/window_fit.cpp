#include "views/window_fit.h"

#include <QEvent>
#include <QGuiApplication>
#include <QLayout>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QVBoxLayout>
#include <QWidget>
#include <algorithm>

namespace kalora::views {

namespace {

QRect available_area(const QWidget& window) {
  const QScreen* screen = window.screen() ? window.screen() : QGuiApplication::primaryScreen();
  return screen ? screen->availableGeometry() : QRect(0, 0, 800, 592);
}

// Within the available area, with room for the frame the window system adds.
void clamp_to_screen(QWidget& window) {
  const QRect area = available_area(window);
  const QSize frame = window.frameGeometry().size() - window.geometry().size();
  const QSize most = (area.size() - frame).expandedTo(window.minimumSize());
  const QSize size = window.size().boundedTo(most);
  if (size != window.size()) window.resize(size);
  const QRect outer(window.frameGeometry().topLeft(), size + frame);
  QPoint at = outer.topLeft();
  at.setX(std::clamp(at.x(), area.left(), std::max(area.left(), area.right() + 1 - outer.width())));
  at.setY(std::clamp(at.y(), area.top(), std::max(area.top(), area.bottom() + 1 - outer.height())));
  if (at != outer.topLeft()) window.move(at);
}

// A dialog makes its first push button the default one, and Return anywhere in it
// presses that: printing, say, when the user meant to finish typing a name.
class WindowRules : public QObject {
 public:
  using QObject::QObject;
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Show && watched == parent()) {
      auto& window = *static_cast<QWidget*>(watched);
      for (QPushButton* b : window.findChildren<QPushButton*>()) {
        b->setAutoDefault(false);
        b->setDefault(false);
      }
      clamp_to_screen(window);
    }
    return false;
  }
};

}  // namespace

void fit_window(QWidget& window, QSize wanted, Scroll scroll) {
  if (QLayout* built = window.layout(); built && scroll == Scroll::content) {
    auto* content = new QWidget;
    content->setObjectName(QStringLiteral("content"));
    content->setLayout(built);  // takes the layout and its widgets from the window
    auto* area = new QScrollArea;
    area->setObjectName(QStringLiteral("scroll"));
    area->setWidgetResizable(true);
    area->setFrameShape(QFrame::NoFrame);
    area->setWidget(content);
    auto* outer = new QVBoxLayout(&window);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(area);
  }
  window.installEventFilter(new WindowRules(&window));
  window.resize(wanted.boundedTo(available_area(window).size()));
}

QString window_place(const QWidget& window) { return QString::fromLatin1(window.saveGeometry().toBase64()); }

bool restore_window_place(QWidget& window, const QString& text) {
  if (text.isEmpty() || !window.restoreGeometry(QByteArray::fromBase64(text.toLatin1()))) return false;
  clamp_to_screen(window);
  return true;
}

}  // namespace kalora::views
