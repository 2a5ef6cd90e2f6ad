// Ordinary slips that must not lose the user's work: an export named as the open
// database, leaving with a comment still in its editor, typing down a grid sorted by
// comment, Del pressed by mistake, windows larger than the screen, Return in a text
// field of a window with a print button.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QPrinterInfo>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QTest>
#include <QToolButton>
#include <cstdlib>
#include <set>

#include "analysis/analysis_window.h"
#include "analysis/plot_painter.h"
#include "db/leftovers.h"
#include "reports/report_preview.h"
#include "sample_stats/samples_window.h"
#include "support/temp_dir.h"
#include "views/db_grid.h"
#include "window_fixture.h"

namespace kalora::test {
namespace {

class Slips : public WindowTest {
 protected:
  // A new window with the sample image as a new database, shown and active.
  app::TForm1& open_sample(const char* kind) {
    window.reset();
    auto& w = start();
    w.show();
    w.activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(&w));
    db = dir.file(std::string(kind) + ".db");
    std::filesystem::remove(db);
    dialogs.files = {std::string(KALORA_SAMPLES) + "/" + kind + ".bin", db};
    w.bin1Click();
    dialogs.messages.clear();
    return w;
  }
  void key(Qt::Key k, Qt::KeyboardModifiers m = Qt::NoModifier) {
    QTest::keyClick(QApplication::focusWidget(), k, m);
    QCoreApplication::processEvents();
  }
  void type(const QString& text) {
    for (const QChar ch : text) key(static_cast<Qt::Key>(ch.toUpper().unicode()));
  }
  // The comment of a record as the table holds it.
  std::string comment(std::uint32_t record) {
    db::DbfTable& t = window->state().Dbf1;
    const std::uint32_t current = t.recno();
    const std::string text = t.go_to(record) ? t.text("COMMENT") : "(not listed)";
    t.go_to(current);
    return text;
  }
  std::uint32_t record_at_cursor(views::DBGridPro& grid) { return grid.grid_model()->recno(grid.currentIndex().row()); }
  void type_comment(views::DBGridPro& grid, int place, const QString& text) {
    grid.setFocus();
    grid.setCurrentIndex(cell(grid, place, "COMMENT"));
    type(text);
  }
  std::string db;
};

TEST_F(Slips, NoOutputReplacesTheOpenDatabase) {
  auto& w = open_sample("samples");
  const auto saved = read_bytes(db);
  struct Case {
    const char* name;
    std::function<void()> command;
    std::string answer;
  };
  const std::vector<Case> cases{
      {"Экспорт в Excel", [&] { w.findChild<QAction*>(QStringLiteral("Excel1"))->trigger(); }, db},
      {"PDF of the results per sample",
       [&] {
         w.findChild<QAction*>(QStringLiteral("Samples1"))->trigger();
         QTest::mouseClick(w.samples_window->pdf_button, Qt::LeftButton);
       },
       db + "1"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    dialogs.messages.clear();
    dialogs.files = {c.answer};  // then the dialog comes again and is cancelled
    const std::size_t asked = dialogs.dialogs.size();
    c.command();
    EXPECT_EQ(dialogs.dialogs.size(), asked + 2);
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text.rfind("Файл " + file_name_of(c.answer) + " - это открытая база данных", 0), 0u);
    EXPECT_EQ(read_bytes(db), saved);
  }
}

// A comment still in its editor goes into the table before any way out; leaving then asks.
TEST_F(Slips, EveryWayOutStoresTheCommentBeingTyped) {
  struct Case {
    const char* name;
    std::function<void(app::TForm1&)> leave;
    bool asks;      // the save question; "Отмена" keeps the program running
    bool modified;  // the comment is not saved yet
  };
  const std::vector<Case> cases{
      {"Ctrl+Q", [&](app::TForm1&) { key(Qt::Key_Q, Qt::ControlModifier); }, true, true},
      {"Alt+X", [&](app::TForm1&) { key(Qt::Key_X, Qt::AltModifier); }, true, true},
      {"Ctrl+W", [&](app::TForm1&) { key(Qt::Key_W, Qt::ControlModifier); }, true, true},
      {"close box", [](app::TForm1& w) { w.close(); }, true, true},
      {"Ctrl+Tab to the next page", [&](app::TForm1&) { key(Qt::Key_Tab, Qt::ControlModifier); }, false, true},
      {"toolbar Сохранить",
       [](app::TForm1& w) { QTest::mouseClick(w.findChild<QToolButton*>("ToolButton3"), Qt::LeftButton); }, false,
       false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto& w = open_sample("stat");
    views::DBGridPro& grid = *w.grid(1);
    type_comment(grid, 1, QStringLiteral("kept"));
    ASSERT_NE(qobject_cast<QLineEdit*>(QApplication::focusWidget()), nullptr);
    const std::uint32_t record = record_at_cursor(grid);
    dialogs.cancel_saves = 1;
    c.leave(w);
    EXPECT_EQ(comment(record), "kept");
    EXPECT_EQ(dialogs.messages.size(), c.asks ? 1u : 0u);
    EXPECT_EQ(w.state().tables_modified, c.modified);
    EXPECT_TRUE(w.state().db_open);
  }
}

TEST_F(Slips, TypingDownAGridSortedByCommentFillsTheRowsTyped) {
  auto& w = open_sample("stat");
  views::DBGridPro& grid = *w.grid(1);
  grid.setFocus();
  grid.setCurrentIndex(cell(grid, 0, "COMMENT"));
  key(Qt::Key_F6);  // sorted by comment, descending: each new comment moves to the top
  std::vector<std::uint32_t> typed_into;
  for (int i = 0; i < 6; ++i) {
    const int place = grid.currentIndex().row();
    typed_into.push_back(record_at_cursor(grid));
    type(QStringLiteral("zz %1").arg(i));
    key(Qt::Key_Return);
    EXPECT_EQ(grid.currentIndex().row(), place) << i;  // the cursor stays where the user sees it
    key(Qt::Key_Down);
  }
  for (int i = 0; i < 6; ++i) EXPECT_EQ(comment(typed_into[static_cast<std::size_t>(i)]), "zz " + std::to_string(i));
  std::sort(typed_into.begin(), typed_into.end());
  EXPECT_EQ(std::unique(typed_into.begin(), typed_into.end()), typed_into.end());
}

TEST_F(Slips, DelAsksAndCtrlZTakesBackUntilTheSave) {
  auto& w = open_sample("stat");
  views::DBGridPro& grid = *w.grid(1);
  const auto listed = [&] {
    std::vector<std::uint32_t> r;
    for (std::size_t i = 0; i < grid.grid_model()->record_count(); ++i)
      r.push_back(grid.grid_model()->recno(static_cast<int>(i)));
    return r;
  };
  const auto all = listed();
  type_comment(grid, 3, QStringLiteral("first"));
  key(Qt::Key_Return);
  const auto select = [&](std::initializer_list<int> places) {
    grid.setFocus();
    grid.clearSelection();
    for (const int p : places)
      grid.selectionModel()->select(grid.grid_model()->index(p, 0),
                                    QItemSelectionModel::Select | QItemSelectionModel::Rows);
  };
  struct Step {
    const char* what;
    std::function<void()> act;
    std::deque<bool> answers;
    std::vector<Message> asked;
    std::size_t records;
    std::string comment_3;
  };
  const auto del = [&] { key(Qt::Key_Delete); };
  const auto undo = [&] { key(Qt::Key_Z, Qt::ControlModifier); };
  const std::vector<Step> steps{
      {"Del, Нет",
       [&] {
         select({0, 2});
         del();
       },
       {false},
       {{Message::question, "Удалить 2 записи?"}},
       all.size(),
       "first"},
      {"Del, Да",
       [&] {
         select({0, 2});
         del();
       },
       {true},
       {{Message::question, "Удалить 2 записи?"}},
       all.size() - 2,
       "first"},
      {"Del of one",
       [&] {
         select({0});
         del();
       },
       {true},
       {{Message::question, "Удалить 1 запись?"}},
       all.size() - 3,
       "first"},
      {"a comment changed",
       [&] {
         type_comment(grid, 0, QStringLiteral("second"));
         key(Qt::Key_Return);
       },
       {},
       {},
       all.size() - 3,
       "second"},
      {"Ctrl+Z: the comment", undo, {}, {}, all.size() - 3, "first"},
      {"Ctrl+Z: the single deletion", undo, {}, {}, all.size() - 2, "first"},
      {"Ctrl+Z: the pair", undo, {}, {}, all.size(), "first"},
      {"Ctrl+Z: nothing left but the first comment", undo, {}, {}, all.size(), ""},
      {"Del, Да, saved",
       [&] {
         select({5});
         del();
         key(Qt::Key_S, Qt::ControlModifier);
       },
       {true},
       {{Message::question, "Удалить 1 запись?"}},
       all.size() - 1,
       ""},
      {"Ctrl+Z after the save", undo, {}, {}, all.size() - 1, ""},
  };
  for (const Step& s : steps) {
    SCOPED_TRACE(s.what);
    dialogs.messages.clear();
    dialogs.answers = s.answers;
    s.act();
    EXPECT_EQ(dialogs.messages, s.asked);
    EXPECT_EQ(grid.grid_model()->record_count(), s.records);
    EXPECT_EQ(comment(all[3]), s.comment_3);
  }
  EXPECT_EQ(w.state().Dbf1.physical_count(), all.size() - 1);  // the save packed the table
}

// Each window opens within the screen; at 800×592 its content scrolls so that every
// button can be reached and its plots are drawn, Return in a text field presses no
// button, and it opens again at the size and place it was left.
TEST_F(Slips, WindowsFitTheScreenAndReturnPrintsNothing) {
  const QSize screen = QGuiApplication::primaryScreen()->availableGeometry().size();
  const auto check = [&](QWidget& window, const char* field) {
    SCOPED_TRACE(window.objectName().toStdString());
    EXPECT_LE(window.width(), screen.width());
    EXPECT_LE(window.height(), screen.height());
    window.resize(800, 592);
    window.show();
    QCoreApplication::processEvents();
    // KALORA_SHOTS=FOLDER keeps what the window looks like at 800×592, to be looked at.
    if (const char* shots = std::getenv("KALORA_SHOTS"))
      window.grab().save(QString::fromLocal8Bit(shots) + '/' + window.objectName() + QStringLiteral(".png"));
    auto* scroll = window.findChild<QScrollArea*>(QStringLiteral("scroll"));
    ASSERT_NE(scroll, nullptr);
    for (QPushButton* b : window.findChildren<QPushButton*>()) {
      EXPECT_FALSE(b->isDefault() || b->autoDefault()) << b->text().toStdString();
      scroll->ensureWidgetVisible(b, 0, 0);
      const QRect at(b->mapTo(scroll->viewport(), QPoint(0, 0)), b->size());
      EXPECT_TRUE(scroll->viewport()->rect().contains(at)) << b->text().toStdString();
    }
    for (plot::PlotView* p : window.findChildren<plot::PlotView*>()) {
      const QImage drawn = p->grab().toImage();
      std::set<QRgb> colours;
      for (int y = 0; y < drawn.height(); y += 3)
        for (int x = 0; x < drawn.width(); x += 3) colours.insert(drawn.pixel(x, y));
      EXPECT_GT(colours.size(), 3u) << p->objectName().toStdString() << " is blank at " << p->width() << "x"
                                    << p->height();
    }
    if (!field) return;
    auto* edit = window.findChild<QLineEdit*>(QString::fromLatin1(field));
    ASSERT_NE(edit, nullptr);
    edit->setFocus();
    key(Qt::Key_Return);
    EXPECT_TRUE(dialogs.messages.empty());  // neither printed nor told that there is no printer
    EXPECT_TRUE(window.isVisible());
  };

  auto& w = open_sample("wall");
  w.findChild<QAction*>(QStringLiteral("Analysis1"))->trigger();
  check(*w.analysis_window, "layers");
  w.analysis_window->setGeometry(40, 50, 700, 500);
  const std::string samples_db = dir.file("samples.db");
  std::filesystem::copy_file(std::string(KALORA_SAMPLES) + "/samples.db", samples_db);
  dialogs.files = {samples_db};
  w.N3Click();
  w.findChild<QAction*>(QStringLiteral("Samples1"))->trigger();
  check(*w.samples_window, nullptr);  // its record's particulars are typed in a dialog of their own
  QSize preview_size;
  w.report_commands->run_dialog = [&](QDialog& d) {
    preview_size = d.size();
    if (const char* shots = std::getenv("KALORA_SHOTS")) {
      d.resize(800, 592);
      d.show();
      QCoreApplication::processEvents();
      d.grab().save(QString::fromLocal8Bit(shots) + QStringLiteral("/ReportPreview.png"));
      d.hide();
    }
    return 0;
  };
  w.findChild<QAction*>(QStringLiteral("N10"))->trigger();
  EXPECT_LE(preview_size.width(), screen.width());
  EXPECT_LE(preview_size.height(), screen.height());

  ASSERT_TRUE(w.close());
  window.reset();
  auto& again = start();
  dialogs.files = {db};
  again.N3Click();
  again.findChild<QAction*>(QStringLiteral("Analysis1"))->trigger();
  EXPECT_EQ(again.analysis_window->size(), QSize(700, 500));
}

}  // namespace
}  // namespace kalora::test
