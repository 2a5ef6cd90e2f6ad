#include "app/keyboard.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QShortcut>
#include <QTabWidget>
#include <vector>

#include "app/main_window.h"
#include "views/db_grid.h"

namespace kalora::app {

QString with_accelerator(const QString& text, QString& used) {
  if (const qsizetype at = text.indexOf('&'); at >= 0 && at + 1 < text.size()) {
    used += text.at(at + 1).toLower();
    return text;
  }
  const auto free = [&](qsizetype i) { return text.at(i).isLetter() && !used.contains(text.at(i).toLower()); };
  qsizetype chosen = -1;
  for (qsizetype i = 0; i < text.size() && chosen < 0; ++i)
    if ((i == 0 || text.at(i - 1) == ' ') && free(i)) chosen = i;
  for (qsizetype i = 0; i < text.size() && chosen < 0; ++i)
    if (free(i)) chosen = i;
  if (chosen < 0) return text;
  used += text.at(chosen).toLower();
  return text.left(chosen) + '&' + text.mid(chosen);
}

// The grid pages in the order Ctrl+Tab walks them: the outer pages, "Поток" by its inner ones.
void TForm1::switch_page(int step) {
  std::vector<const Page*> shown;
  for (const Page& p : pages)
    if (p.grid > 0 && page_visible(p) && (p.control == Control::outer || page_visible(potok_page))) shown.push_back(&p);
  if (shown.empty()) return;
  const Page* now = shown_page();
  std::size_t at = 0;
  for (std::size_t i = 0; i < shown.size(); ++i)
    if (shown[i] == now) at = i;
  const auto count = static_cast<long>(shown.size());
  const Page& next = *shown[static_cast<std::size_t>(((static_cast<long>(at) + step) % count + count) % count)];
  if (next.control == Control::inner) {
    PageControl2->setCurrentIndex(next.index);
    PageControl1->setCurrentIndex(potok_page.index);
  } else {
    PageControl1->setCurrentIndex(next.index);
  }
  grid(next.grid)->setFocus(Qt::TabFocusReason);
}

void TForm1::build_keyboard() {
  const auto shortcut = [this](const QKeySequence& keys, auto run) {
    auto* s = new QShortcut(keys, this);
    s->setContext(Qt::WindowShortcut);
    connect(s, &QShortcut::activated, this, [this, run] { user_command(run); });
  };
  // F10 opens the menu bar at its first menu.
  shortcut(QKeySequence(Qt::Key_F10), [this] {
    if (!menuBar()->actions().isEmpty()) menuBar()->setActiveAction(menuBar()->actions().first());
  });
  for (const QKeySequence& next : {QKeySequence(Qt::CTRL | Qt::Key_Tab), QKeySequence(Qt::CTRL | Qt::Key_PageDown)})
    shortcut(next, [this] { switch_page(1); });
  for (const QKeySequence& previous :
       {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Tab),
        QKeySequence(Qt::CTRL | Qt::Key_PageUp)})
    shortcut(previous, [this] { switch_page(-1); });

  for (views::DBGridPro* g : grids_) {
    // Tab leaves the grid for the next control; the arrows walk the cells.
    g->setTabKeyNavigation(false);
    auto* menu_key = new QShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F10), g);
    menu_key->setContext(Qt::WidgetWithChildrenShortcut);
    connect(menu_key, &QShortcut::activated, this, [this, g] { PopupMenu1->popup(g->context_menu_point()); });
    // F6 sorts by the current column as a click on its title does, Ctrl+F6 as a Ctrl+click.
    for (const bool ctrl : {false, true}) {
      auto* sort_key = new QShortcut(QKeySequence(ctrl ? Qt::CTRL | Qt::Key_F6 : QKeyCombination(Qt::Key_F6)), g);
      sort_key->setContext(Qt::WidgetWithChildrenShortcut);
      connect(sort_key, &QShortcut::activated, this, [g, ctrl] {
        if (const int c = g->current_column(); c >= 0) g->click_title(c, ctrl);
      });
    }
  }
}

}  // namespace kalora::app
