// The keyboard: accelerators on every menu entry, page switching, leaving the grid
// with Tab, the grids' keys, and keys that must not collide with typing a comment.
#include <gtest/gtest.h>

#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QTabWidget>
#include <QTest>
#include <filesystem>

#include "app/help_window.h"
#include "app/keyboard.h"
#include "window_fixture.h"

namespace kalora::test {
namespace {

// The letter after the one '&' of a text, or a null character when there is not exactly one.
QChar accelerator(const QString& text) {
  const QString plain = QString(text).replace(QStringLiteral("&&"), QString());
  return plain.count('&') == 1 && plain.indexOf('&') + 1 < plain.size() ? plain.at(plain.indexOf('&') + 1).toLower()
                                                                        : QChar();
}

void expect_own_accelerators(const QList<QAction*>& actions, const QString& where) {
  QString used;
  for (const QAction* a : actions) {
    if (a->isSeparator()) continue;
    const QChar letter = accelerator(a->text());
    EXPECT_TRUE(letter.isLetter()) << where.toStdString() << ": " << a->text().toStdString();
    EXPECT_FALSE(used.contains(letter)) << where.toStdString() << ": " << a->text().toStdString();
    used += letter;
  }
}

TEST(Accelerators, TextsWithoutOneGetTheFirstFreeLetter) {
  const struct {
    const char* text;
    const char* used;
    const char* want;
  } cases[] = {
      {"Открыть", "", "&Открыть"},
      {"Со&хранить", "с", "Со&хранить"},
      {"Порт прибора…", "п", "П&орт прибора…"},
      {"Результаты по образцам", "р", "Результаты &по образцам"},
      {"42", "", "42"},
  };
  for (const auto& c : cases) {
    QString used = QString::fromUtf8(c.used);
    EXPECT_EQ(app::with_accelerator(QString::fromUtf8(c.text), used), QString::fromUtf8(c.want)) << c.text;
  }
}

class Keyboard : public WindowTest {
 protected:
  app::TForm1& open_sample(const char* kind) {
    auto& w = start();
    w.resize(800, 592);
    w.show();
    w.activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(&w));
    dialogs.files = {std::string(KALORA_SAMPLES) + "/" + kind + ".bin", dir.file(std::string(kind) + ".db")};
    std::filesystem::remove(dir.file(std::string(kind) + ".db"));  // a new database each time, asked nothing
    w.bin1Click();
    QCoreApplication::processEvents();
    return w;
  }
  void key(Qt::Key k, Qt::KeyboardModifiers m = Qt::NoModifier) {
    QTest::keyClick(QApplication::focusWidget(), k, m);
    QCoreApplication::processEvents();
  }
};

TEST_F(Keyboard, EveryMenuAndEntryHasItsOwnAccelerator) {
  auto& w = start();
  expect_own_accelerators(w.menuBar()->actions(), QStringLiteral("menu bar"));
  for (QAction* m : w.menuBar()->actions()) expect_own_accelerators(m->menu()->actions(), m->text());
  expect_own_accelerators(w.PopupMenu1->actions(), QStringLiteral("context menu"));
  w.show();
  w.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
  QTest::keyClick(&w, Qt::Key_F10);
  EXPECT_EQ(w.menuBar()->activeAction(), w.menuBar()->actions().first());
}

TEST_F(Keyboard, CtrlTabWalksThePagesOuterAndInner) {
  const struct {
    const char* sample;
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
    std::vector<int> grids;  // the active grid after each key, from the one shown first
  } cases[] = {
      {"both", Qt::Key_Tab, Qt::ControlModifier, {1, 2, 1}},
      {"both", Qt::Key_PageUp, Qt::ControlModifier, {1, 2, 1}},
      {"flow", Qt::Key_Tab, Qt::ControlModifier, {5, 3, 4, 5}},
      {"flow", Qt::Key_PageDown, Qt::ControlModifier, {5, 3, 4}},
      {"flow", Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier, {5, 4, 3, 5}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.sample + std::string(" key ") + std::to_string(c.key));
    window.reset();
    auto& w = open_sample(c.sample);
    EXPECT_EQ(w.active_grid(), c.grids.front());
    for (std::size_t i = 1; i < c.grids.size(); ++i) {
      key(c.key, c.modifiers);
      EXPECT_EQ(w.active_grid(), c.grids[i]) << i;
      EXPECT_EQ(QApplication::focusWidget(), w.grid(c.grids[i])) << i;
    }
  }
}

TEST_F(Keyboard, GridKeysTabLeavesAndDelDoesNotCollideWithTyping) {
  auto& w = open_sample("both");
  views::DBGridPro& grid = *w.grid(1);
  const auto records = [&] { return grid.grid_model()->record_count(); };
  const std::size_t all = records();
  grid.setFocus();
  grid.setCurrentIndex(cell(grid, 2, "COMMENT"));

  // Typing into a comment: Del deletes a character, not the rows.
  key(Qt::Key_F2);
  auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
  ASSERT_NE(editor, nullptr);
  editor->setText(QStringLiteral("аб"));
  editor->setCursorPosition(1);
  key(Qt::Key_Delete);
  EXPECT_EQ(editor->text(), QStringLiteral("а"));
  EXPECT_EQ(records(), all);
  key(Qt::Key_Return);
  EXPECT_EQ(grid.grid_model()->data(cell(grid, 2, "COMMENT"), Qt::DisplayRole).toString(), QStringLiteral("а"));

  // F6 sorts by the current column as a title click does; Ctrl+F6 takes the mark away.
  grid.setCurrentIndex(cell(grid, 0, "N"));
  key(Qt::Key_F6);
  EXPECT_EQ(grid.grid_model()->marks()[0].state, views::TitleState::tsSortedUp);
  key(Qt::Key_F6, Qt::ControlModifier);
  EXPECT_EQ(grid.grid_model()->marks()[0].state, views::TitleState::tsSortedNone);

  // Shift+F10 opens the context menu at the focused cell.
  key(Qt::Key_F10, Qt::ShiftModifier);
  EXPECT_TRUE(w.PopupMenu1->isVisible());
  w.PopupMenu1->close();

  // Tab leaves the grid with its current cell where it was.
  grid.setFocus();
  const QModelIndex current = grid.currentIndex();
  key(Qt::Key_Tab);
  EXPECT_NE(QApplication::focusWidget(), &grid);
  EXPECT_EQ(grid.currentIndex(), current);

  // Del on the grid deletes the selected row.
  grid.setFocus();
  grid.selectRow(0);
  dialogs.answers = {true};
  key(Qt::Key_Delete);
  EXPECT_EQ(records(), all - 1);

  // Escape closes the help.
  w.N17Click();
  ASSERT_TRUE(w.help_window->isVisible());
  ASSERT_TRUE(QTest::qWaitForWindowActive(w.help_window));
  QCoreApplication::processEvents();
  key(Qt::Key_Escape);
  EXPECT_FALSE(w.help_window->isVisible());
}

// A remark typed into channel 1 and then into channel 3 of one record on "Rк" (the
// channels' lines stacked, channel 2 missing) lands in each channel's own field, however
// the first edit is ended and whether the rows are sorted or not.
TEST_F(Keyboard, RemarksTypedIntoStackedChannelsLandInTheirOwnField) {
  auto& w = open_sample("flow");
  w.PageControl2->setCurrentIndex(1);
  views::DBGridPro& grid = *w.grid(4);
  ASSERT_EQ(w.active_grid(), 4);
  const struct {
    bool sorted;
    Qt::Key end;  // how the first edit is ended
  } cases[] = {{false, Qt::Key_Return}, {false, Qt::Key_Down}, {false, Qt::Key_Tab},
               {true, Qt::Key_Return},  {true, Qt::Key_Down},  {true, Qt::Key_Up}};
  int n = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(n));
    if (c.sorted) grid.click_title(grid.column_of("DATE"), false);
    QCoreApplication::processEvents();
    const std::uint32_t record = grid.grid_model()->recno(cell(grid, 1, "COMMENT_1").row());
    const auto type_into = [&](std::string_view field, const QString& text, Qt::Key end) {
      grid.setFocus();
      grid.setCurrentIndex(cell(grid, 1, field));
      for (const QChar ch : text)
        key(static_cast<Qt::Key>(ch.toUpper().unicode()), ch.isUpper() ? Qt::ShiftModifier : Qt::NoModifier);
      key(end);
      QCoreApplication::processEvents();
    };
    const QString first = QStringLiteral("first%1").arg(n), third = QStringLiteral("third%1").arg(n);
    type_into("COMMENT_1", first, c.end);
    type_into("COMMENT_3", third, Qt::Key_Return);
    db::DbfTable& table = w.state().Dbf3;
    ASSERT_TRUE(table.go_to(record));
    EXPECT_EQ(table.text("COMMENT_1"), first.toStdString());
    EXPECT_EQ(table.text("COMMENT_3"), third.toStdString());
    ++n;
  }
}

}  // namespace
}  // namespace kalora::test
