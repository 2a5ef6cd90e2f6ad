// The grids in the main window: sorting by title clicks, the shared heat-flow order,
// colours kept from one database to the next, column fitting, page filters,
// comment editing and row deletion, with databases made from the sample images.
#include <gtest/gtest.h>

#include <QAction>
#include <functional>
#include <QItemSelectionModel>
#include <QScrollBar>
#include <QSettings>
#include <QTabWidget>

#include "faults/fault_plan.h"
#include "views/db_grid.h"
#include "views/grid_header.h"
#include "views/grid_layout.h"
#include "window_fixture.h"

namespace kalora::test {
namespace {

std::string sample(const char* kind) { return std::string(KALORA_SAMPLES) + "/" + kind + ".bin"; }

class GridWindow : public WindowTest {
 protected:
  app::TForm1& open_sample(const char* kind, const std::string& db_name = "wall.db") {
    auto& w = window ? *window : start();
    dialogs.files = {sample(kind), dir.file(db_name)};
    w.bin1Click();
    EXPECT_TRUE(dialogs.messages.empty());
    return w;
  }
  // A field of every record the grid lists, in the grid's order.
  std::vector<double> listed(int g, std::string_view field) {
    const views::GridModel& m = *window->grid(g)->grid_model();
    db::DbfTable& table = *m.table();
    const std::uint32_t current = table.recno();
    std::vector<double> values;
    const int lines = static_cast<int>(m.shown_levels().size());
    for (std::size_t r = 0; r < m.record_count(); ++r) {
      table.go_to(m.recno(static_cast<int>(r) * lines));
      values.push_back(table.number(field).value_or(-1));
    }
    table.go_to(current);
    return values;
  }
  void click(int g, std::string_view field, bool ctrl = false) {
    window->grid(g)->click_title(window->grid(g)->column_of(field), ctrl);
  }
  static bool descending(const std::vector<double>& v) { return std::is_sorted(v.rbegin(), v.rend()); }
  static bool ascending(const std::vector<double>& v) { return std::is_sorted(v.begin(), v.end()); }
};

TEST_F(GridWindow, TitleClicksSortTheStationaryGridAndResetRestoresTheTableOrder) {
  auto& w = open_sample("both");
  ASSERT_EQ(w.active_grid(), 1);
  const auto file_order = listed(1, "N");
  ASSERT_GT(file_order.size(), 3u);
  click(1, "N");
  EXPECT_TRUE(descending(listed(1, "N")));
  click(1, "N");
  EXPECT_TRUE(ascending(listed(1, "N")));
  click(1, "N", true);
  EXPECT_EQ(w.grid(1)->grid_model()->marks()[0].state, views::TitleState::tsSortedNone);
  EXPECT_TRUE(ascending(listed(1, "N")));
  click(1, "HEAT");
  EXPECT_TRUE(descending(listed(1, "HEAT")));
  w.ToolButton7Click();  // Убрать сортировку
  EXPECT_EQ(listed(1, "N"), file_order);
  EXPECT_EQ(w.grid(1)->grid_model()->marks()[3].state, views::TitleState::tsSortedNone);
  EXPECT_EQ(w.state().Dbf1.active_index(), "");
}

TEST_F(GridWindow, HeatFlowPagesShareOneOrderAndDisplayTextsSortByCode) {
  auto& w = open_sample("flow");
  const auto show_page = [&](int page) { w.PageControl2->setCurrentIndex(page); };
  show_page(1);  // Rк
  ASSERT_EQ(w.active_grid(), 4);
  click(4, "N");
  EXPECT_TRUE(descending(listed(4, "N")));
  for (const int page : {0, 2}) {
    show_page(page);
    EXPECT_TRUE(descending(listed(page + 3, "N"))) << page;
    EXPECT_EQ(w.grid(page + 3)->grid_model()->marks()[0].state, views::TitleState::tsSortedUp) << page;
  }
  show_page(0);
  const std::pair<std::string_view, std::string_view> by_code[] = {
      {"MODE_", "MODE"}, {"TYPE_1_", "TYPE_1"}, {"TYPE_3_", "TYPE_3"}};
  for (const auto& [column, code] : by_code) {
    click(3, column);
    EXPECT_TRUE(descending(listed(3, code))) << column;
    click(3, column);
    EXPECT_TRUE(ascending(listed(3, code))) << column;
  }
  const auto modes = listed(3, "MODE");
  EXPECT_NE(*std::min_element(modes.begin(), modes.end()), *std::max_element(modes.begin(), modes.end()))
      << "both modes are listed, so their order says something";
}

// A title shows a mark exactly while the rows are in its order: not after reopening,
// not after "Убрать сортировку" on another heat-flow page, not on a new database.
TEST_F(GridWindow, SortMarksAreShownOnlyWhileTheRowsAreSorted) {
  auto& w = open_sample("flow");
  const auto marked = [&](int g) {
    for (std::size_t c = 0; c < w.grid(g)->grid_model()->marks().size(); ++c)
      if (w.grid(g)->grid_model()->marks()[c].state != views::TitleState::tsSortedNone) return true;
    return false;
  };
  const struct {
    const char* step;
    std::function<void()> run;
    bool marked;
  } steps[] = {
      {"sorted on Rк", [&] { click(4, "TIME"); }, true},
      {"reopened", [&] { w.N5Click(); dialogs.files = {dir.file("wall.db")}; w.N3Click(); }, false},
      {"sorted again", [&] { click(4, "DATE"); }, true},
      {"reset on Тепловой поток", [&] { w.PageControl2->setCurrentIndex(0); w.ToolButton7Click(); }, false},
      {"sorted, then a new database", [&] { click(3, "N"); w.N5Click(); open_sample("flow", "new.db"); }, false},
  };
  for (const auto& s : steps) {
    s.run();
    for (const int g : {3, 4, 5}) EXPECT_EQ(marked(g), s.marked) << s.step << " grid " << g;
  }
}

TEST_F(GridWindow, EachInnerPageListsOnlyItsKind) {
  auto& w = open_sample("flow");
  const std::pair<int, double> pages[] = {{2, 0}, {0, 2}, {1, 1}};  // page, MEASUR
  for (const auto& [page, measur] : pages) {
    w.PageControl2->setCurrentIndex(page);
    const auto kinds = listed(page + 3, "MEASUR");
    ASSERT_FALSE(kinds.empty()) << page;
    EXPECT_TRUE(std::all_of(kinds.begin(), kinds.end(), [&](double k) { return k == measur; })) << page;
  }
}

TEST_F(GridWindow, FittingAHeatFlowGridOf780Pixels) {
  auto& w = open_sample("flow");
  w.PageControl2->setCurrentIndex(0);
  views::DBGridPro& grid = *w.grid(3);
  grid.resize(780, 300);
  w.N33Click();  // Выровнять столбцы
  for (int c = 0; c < 13; ++c) EXPECT_EQ(grid.column_width(c), 60) << c;
  EXPECT_TRUE(grid.auto_column_fit());
}

// With no stored layouts each grid, a heat-flow page first shown later too, is fitted at
// the width it is shown with in the 800×592 window: every title is drawn whole within its
// cell (measured with the header's font), every value other than a remark whole too, and
// the layout stores the widths the grid got.
TEST_F(GridWindow, AtTheDesignedWindowSizeEveryTitleAndValueIsWhole) {
  auto& w = start();
  w.showNormal();
  w.resize(800, 592);
  w.show();
  QCoreApplication::processEvents();
  const struct {
    const char* sample;
    int outer;  // the page of PageControl1
    int inner;  // of PageControl2, -1 for none
    int grid;
  } pages[] = {{"both", 0, -1, 1}, {"both", 1, -1, 2}, {"flow", 2, 0, 3}, {"flow", 2, 1, 4}, {"flow", 2, 2, 5}};
  std::string opened;
  for (const auto& p : pages) {
    SCOPED_TRACE(p.grid);
    if (opened != p.sample) {
      if (!opened.empty()) w.N5Click();
      open_sample(p.sample, std::string(p.sample) + ".db");
      opened = p.sample;
    }
    w.PageControl1->setCurrentIndex(p.outer);
    if (p.inner >= 0) w.PageControl2->setCurrentIndex(p.inner);
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    views::DBGridPro& grid = *w.grid(p.grid);
    const views::GridHeader& header = *grid.header();
    const QFontMetrics titles = header.fontMetrics();
    const QFontMetrics values = grid.fontMetrics();
    const views::GridModel& m = *grid.grid_model();
    EXPECT_EQ(grid.horizontalScrollBar()->maximum(), 0);
    EXPECT_EQ(w.width(), 800);
    for (int g = 0; g < m.columnCount(); ++g) {
      if (grid.isColumnHidden(g)) continue;
      const int width = header.sectionSize(g);
      for (const int c : m.groups()[static_cast<std::size_t>(g)].at) {
        if (c < 0 || m.hidden(c)) continue;
        const QStringList shown = header.shown_title(c);
        const auto& column = m.columns()[static_cast<std::size_t>(c)];
        EXPECT_EQ(shown.join(' ').simplified(), views::title_lines_of(column).join(' ').simplified()) << column.field;
        for (const QString& line : shown) EXPECT_LE(titles.horizontalAdvance(line), width - 6) << column.field;
      }
      for (int r = 0; r < std::min(m.rowCount(), 30); ++r) {
        const int c = m.column_at(r, g);
        if (c < 0 || m.columns()[static_cast<std::size_t>(c)].editable) continue;
        EXPECT_LE(values.horizontalAdvance(m.data(m.index(r, g), Qt::DisplayRole).toString()), width - 6)
            << m.columns()[static_cast<std::size_t>(c)].field << " row " << r;
      }
    }
    QSettings stored(settings_file(), QSettings::IniFormat);
    EXPECT_TRUE(stored.value(QStringLiteral("Table_%1").arg(p.grid))
                    .toString()
                    .contains(QStringLiteral("FieldName=N;Width=%1").arg(grid.column_width(grid.column_of("N")))));
  }
}

// The focused cell stays in its column and on its record through every re-read of the
// rows, so "Задать цвет" after a sort colours the column the user was in; a deletion
// leaves the focus on the record now at the deleted one's place, at the same height.
TEST_F(GridWindow, FocusedCellOutlivesSortsPageSwitchesEditsAndDeletions) {
  auto& w = start();
  w.resize(800, 592);
  w.show();
  open_sample("both");
  views::DBGridPro& stat = *w.grid(1);
  QCoreApplication::processEvents();
  const auto focus = [&](views::DBGridPro& grid, int record, std::string_view field) {
    grid.setCurrentIndex(cell(grid, record, field));
    return grid.grid_model()->recno(grid.currentIndex().row());
  };
  const auto focused_record = [](views::DBGridPro& grid) {
    return grid.grid_model()->recno(grid.currentIndex().row());
  };

  std::uint32_t record = focus(stat, 3, "HEAT");
  click(1, "N");
  EXPECT_EQ(stat.current_column(), stat.column_of("HEAT"));
  EXPECT_EQ(focused_record(stat), record);
  w.ColorDialog1 = [](const QColor&) -> std::optional<QColor> { return QColor(Qt::green); };
  w.Pflfnmwdtn1Click();  // Задать цвет
  EXPECT_EQ(stat.grid_model()->layout()[static_cast<std::size_t>(stat.column_of("HEAT"))].color,
            views::layout_color(Qt::green));

  click(1, "COMMENT");
  record = focus(stat, 1, "COMMENT");
  ASSERT_TRUE(stat.grid_model()->setData(stat.currentIndex(), QStringLiteral("яя в конец"), Qt::EditRole));
  QCoreApplication::processEvents();
  EXPECT_EQ(stat.current_column(), stat.column_of("COMMENT"));
  // The edited record moved to its sorted place; the cursor stays on the line the user sees.
  EXPECT_NE(focused_record(stat), record);
  EXPECT_EQ(stat.currentIndex().row(), 1);

  const int place = 2;
  focus(stat, place, "DATE");
  const int height = stat.rowViewportPosition(place);
  const QVariant next_n = stat.grid_model()->data(cell(stat, place + 1, "N"), Qt::DisplayRole);
  stat.selectionModel()->select(stat.grid_model()->index(place, 0),
                                QItemSelectionModel::Select | QItemSelectionModel::Rows);
  dialogs.answers = {true};
  w.N9Click();  // Удалить строки
  EXPECT_EQ(stat.currentIndex().row(), place);
  EXPECT_EQ(stat.rowViewportPosition(place), height);
  EXPECT_EQ(stat.current_column(), stat.column_of("DATE"));
  EXPECT_EQ(stat.grid_model()->data(cell(stat, place, "N"), Qt::DisplayRole), next_n);

  dialogs.answers = {false};
  w.N5Click();
  dialogs.messages.clear();
  open_sample("flow", "flow.db");
  views::DBGridPro& flow = *w.grid(3);
  w.PageControl2->setCurrentIndex(0);
  record = focus(flow, 2, "POTOK_1");
  w.PageControl2->setCurrentIndex(1);
  w.PageControl2->setCurrentIndex(0);
  EXPECT_EQ(flow.current_column(), flow.column_of("POTOK_1"));
  EXPECT_EQ(focused_record(flow), record);
}

TEST_F(GridWindow, ColourOfTheProbeGridOutlivesItsDatabase) {
  auto& w = open_sample("both", "first.db");
  w.PageControl1->setCurrentIndex(1);
  ASSERT_EQ(w.active_grid(), 2);
  views::DBGridPro& probe = *w.grid(2);
  const int heat = probe.column_of("HEAT");
  probe.setCurrentIndex(cell(probe, 1, "HEAT"));
  std::vector<QColor> offered;
  w.ColorDialog1 = [&](const QColor& initial) -> std::optional<QColor> {
    offered.push_back(initial);
    return offered.size() == 2 ? std::nullopt : std::optional(QColor(Qt::yellow));
  };
  w.Pflfnmwdtn1Click();
  w.Pflfnmwdtn1Click();  // cancelled: the colour stays
  ASSERT_EQ(offered.size(), 2u);
  EXPECT_EQ(offered[1], QColor(Qt::yellow));  // the dialog reopens on the last colour
  EXPECT_EQ(probe.grid_model()->data(cell(probe, 0, "HEAT"), Qt::BackgroundRole).value<QColor>(), QColor(Qt::yellow));

  w.N5Click();
  open_sample("both", "second.db");
  EXPECT_EQ(w.grid(2)->grid_model()->layout()[static_cast<std::size_t>(heat)].color, views::layout_color(Qt::yellow));
  w.PageControl1->setCurrentIndex(1);
  w.grid(2)->setCurrentIndex(cell(*w.grid(2), 0, "HEAT"));
  w.N19Click();  // Убрать цвет
  EXPECT_EQ(w.grid(2)->grid_model()->layout()[static_cast<std::size_t>(heat)].color, views::no_color);
}

TEST_F(GridWindow, ForeignLayoutValueIsIgnoredAndReplacedAtClose) {
  {
    QSettings stored(settings_file(), QSettings::IniFormat);
    stored.setValue("Table_2", "<Columns><N Width=999/></Columns>");
  }
  auto& w = open_sample("both");
  views::DBGridPro& probe = *w.grid(2);
  EXPECT_EQ(probe.column_width(probe.column_of("N")), 110);  // the designed width, untouched
  {
    QSettings stored(settings_file(), QSettings::IniFormat);
    const QString fitted = stored.value("Table_1").toString();  // none stored: fitted and written at once
    EXPECT_TRUE(fitted.startsWith("KALORA-LAYOUT 1\r\n")) << fitted.toStdString();
  }
  w.N5Click();
  QSettings stored(settings_file(), QSettings::IniFormat);
  EXPECT_TRUE(stored.value("Table_2").toString().contains("\r\nFieldName=N;Width=110"))
      << stored.value("Table_2").toString().toStdString();
}

TEST_F(GridWindow, TypedCommentIsSavedAndAnEditAsksAtClose) {
  auto& w = open_sample("both");
  const std::string db = dir.file("wall.db");
  views::DBGridPro& stat = *w.grid(1);
  EXPECT_FALSE(w.state().tables_modified);
  ASSERT_TRUE(stat.grid_model()->setData(cell(stat, 2, "COMMENT"), QStringLiteral("стена, угол №2"), Qt::EditRole));
  EXPECT_TRUE(w.state().tables_modified);
  w.N12Click();  // Сохранить
  EXPECT_FALSE(w.state().tables_modified);
  w.N5Click();
  EXPECT_TRUE(dialogs.messages.empty());

  dialogs.files = {db};
  w.N3Click();
  EXPECT_EQ(stat.grid_model()->data(cell(stat, 2, "COMMENT"), Qt::DisplayRole).toString(),
            QStringLiteral("стена, угол №2"));

  ASSERT_TRUE(stat.grid_model()->setData(cell(stat, 0, "COMMENT"), QStringLiteral("ещё"), Qt::EditRole));
  dialogs.answers = {false};
  w.N5Click();
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_EQ(dialogs.messages[0].text, "Сохранить изменения в таблицах ?");
}

TEST_F(GridWindow, DeletingThreeSelectedRecordsOfTheRkPage) {
  auto& w = open_sample("flow");
  w.PageControl2->setCurrentIndex(1);
  ASSERT_EQ(w.active_grid(), 4);
  views::DBGridPro& rk = *w.grid(4);
  const auto before = listed(4, "N");
  ASSERT_GE(before.size(), 5u);
  const int lines = static_cast<int>(rk.grid_model()->shown_levels().size());
  for (const int record : {0, 2, 4})
    rk.selectionModel()->select(rk.grid_model()->index(record * lines + lines - 1, 0),
                                QItemSelectionModel::Select | QItemSelectionModel::Rows);
  dialogs.answers = {true};
  w.N9Click();  // Удалить строки
  auto expected = before;
  for (const int record : {4, 2, 0}) expected.erase(expected.begin() + record);
  EXPECT_EQ(listed(4, "N"), expected);
  EXPECT_TRUE(w.state().tables_modified);
}

// A file operation failing under a title click or a typed comment is told; nothing is thrown out of the slot.
TEST_F(GridWindow, FailingFileUnderAGridHandlerIsToldAndTheProgramGoesOn) {
  struct Case {
    const char* sample;
    int grid;
    bool comment;  // a comment typed instead of a title click
  };
  for (const Case& c :
       {Case{"both", 1, false}, Case{"both", 2, false}, Case{"flow", 3, false}, Case{"both", 1, true}}) {
    SCOPED_TRACE(c.sample + std::string(" grid ") + std::to_string(c.grid) + (c.comment ? " comment" : ""));
    window.reset();  // ends without closing: the old working copies stay, so every case has a name of its own
    dialogs.messages.clear();
    open_sample(c.sample, std::to_string(c.grid) + (c.comment ? "c" : "") + ".db");
    views::GridModel& model = *window->grid(c.grid)->grid_model();
    const FaultPlan every_write_fails(1);
    if (c.comment) {
      EXPECT_FALSE(model.setData(cell(*window->grid(c.grid), 0, "COMMENT"), QStringLiteral("угол"), Qt::EditRole));
      EXPECT_FALSE(window->state().tables_modified);
    } else {
      EXPECT_NO_THROW(click(c.grid, "N"));
    }
    ASSERT_TRUE(every_write_fails.failed().has_value());
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].kind, Message::error);
  }
}

}  // namespace
}  // namespace kalora::test
