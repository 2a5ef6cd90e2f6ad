// The grid widget over real tables: stacked heat-flow records, number formats,
// comment editing, sort marks, column fitting, colours and stored layouts.
#include <gtest/gtest.h>

#include <QApplication>

#include <QImage>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTest>

#include "app/qt_app.h"
#include "core/state.h"
#include "support/temp_dir.h"
#include "views/db_grid.h"
#include "views/grid_header.h"
#include "views/grid_layout.h"

namespace kalora::views {
namespace {

class GridOverTables : public ::testing::Test {
 protected:
  GridOverTables() {
    test::qt_app();
    make(state.Dbf1, "stat.dbf", 3, [](db::DbfTable& t, int n) {
      t.set_number("N", n);
      t.set_number("HEAT", n == 1 ? 1.234 : 0.5 * n);
      t.set_number("T_UP", n == 1 ? 5.2 : -5.2);
      t.set_number("Q", 12.5);
      t.set_text("DATE", "06.05.2010");
    });
    make(state.Dbf3, "potok.dbf", 4, [](db::DbfTable& t, int n) {
      t.set_number("N", n);
      t.set_number("MODE", 4 - n);
      t.set_number("MEASUR", n % 2);
      t.set_number("POTOK_1", 10.0 * n);
      t.set_number("POTOK_3", 30.0 * n);
    });
  }
  template <typename Fill>
  void make(db::DbfTable& table, const std::string& name, int count, Fill fill) {
    table.set_file_name(dir.file(name));
    table.create();
    table.open();
    for (int n = 1; n <= count; ++n) {
      table.append();
      fill(table, n);
      table.post();
    }
  }
  static QString cell(const DBGridPro& grid, int record, std::string_view field, int line = 0) {
    const auto& m = *grid.grid_model();
    const int lines = static_cast<int>(m.shown_levels().size());
    for (int g = 0; g < m.columnCount(); ++g)
      for (int l = 0; l < lines; ++l)
        if (m.column_at(record * lines + l, g) == m.column_of(field) && (line < 0 || l == line || lines == 1))
          return m.data(m.index(record * lines + l, g), Qt::DisplayRole).toString();
    return QStringLiteral("<none>");
  }
  std::vector<int> order(const DBGridPro& grid) {
    std::vector<int> ns;
    for (std::size_t r = 0; r < grid.grid_model()->record_count(); ++r)
      ns.push_back(cell(grid, static_cast<int>(r), "N").toInt());
    return ns;
  }

  static QString qs_title(const GridColumn& c) {
    const QString first = QString::fromUtf8(c.title_1.data(), static_cast<qsizetype>(c.title_1.size()));
    return c.title_2.empty()
               ? first
               : first + ' ' + QString::fromUtf8(c.title_2.data(), static_cast<qsizetype>(c.title_2.size()));
  }

  test::TempDir dir;
  State state;
};

TEST_F(GridOverTables, NumbersShowByTheirPatterns) {
  DBGridPro grid(1);
  grid.grid_model()->bind(state);
  const struct {
    int record;
    std::string_view field;
    QString shown;
  } cells[] = {
      {0, "HEAT", "1.234"}, {0, "T_UP", "05.2"},       {1, "T_UP", "-05.2"}, {0, "Q", "012.5"},
      {0, "N", "1"},        {0, "DATE", "06.05.2010"}, {0, "THICK", ""},     {2, "HEAT", "1.500"},
  };
  for (const auto& c : cells) EXPECT_EQ(cell(grid, c.record, c.field), c.shown) << c.field;
  const auto alignment = [&](std::string_view field) {
    return grid.grid_model()->data(grid.grid_model()->index(0, grid.column_of(field)), Qt::TextAlignmentRole);
  };
  EXPECT_EQ(alignment("N").value<Qt::Alignment>(), Qt::AlignRight | Qt::AlignVCenter);
  EXPECT_EQ(alignment("DATE").value<Qt::Alignment>(), Qt::Alignment(Qt::AlignCenter));
  EXPECT_EQ(grid.grid_model()->headerData(3, Qt::Horizontal, Qt::DisplayRole).toString(),
            QStringLiteral("Теплопроводность\nҐ, Вт/м·К"));
}

TEST_F(GridOverTables, HeatFlowRecordsStackTheirChannels) {
  DBGridPro grid(3);
  grid.grid_model()->bind(state);
  const GridModel& m = *grid.grid_model();
  EXPECT_EQ(m.columnCount(), 7);
  EXPECT_EQ(m.rowCount(), 12);
  EXPECT_EQ(grid.rowSpan(3, 0), 3);  // N spans its record
  EXPECT_EQ(grid.rowSpan(3, 5), 1);
  EXPECT_EQ(cell(grid, 1, "POTOK_1", 0), "020.0");
  EXPECT_EQ(cell(grid, 1, "POTOK_3", 2), "060.0");
  EXPECT_EQ(m.recno(5), 2u);
  const int three_lines = grid.header()->sizeHint().height();

  grid.set_field_hidden("POTOK_2", true);
  EXPECT_EQ(m.rowCount(), 12);  // TYPE_2_ and COMMENT_2 still show the second line
  for (const auto field : {"TYPE_2_", "COMMENT_2"}) grid.set_field_hidden(field, true);
  EXPECT_EQ(m.rowCount(), 8);
  EXPECT_EQ(grid.rowSpan(2, 0), 2);
  EXPECT_EQ(cell(grid, 1, "POTOK_3", 1), "060.0");
  EXPECT_LT(grid.header()->sizeHint().height(), three_lines);
  EXPECT_FALSE(grid.isColumnHidden(5));
  for (const auto field : {"POTOK_1", "POTOK_3"}) grid.set_field_hidden(field, true);
  EXPECT_TRUE(grid.isColumnHidden(5));  // a group with every channel hidden goes
}

TEST_F(GridOverTables, SelectingALineSelectsTheWholeRecord) {
  DBGridPro grid(3);
  grid.grid_model()->bind(state);
  grid.resize(780, 300);
  grid.selectRow(4);  // second line of record 2
  grid.selectionModel()->select(grid.grid_model()->index(9, 0),
                                QItemSelectionModel::Select | QItemSelectionModel::Rows);
  EXPECT_EQ(grid.selected_records(), (std::vector<std::uint32_t>{2, 4}));
  EXPECT_TRUE(grid.selectionModel()->isRowSelected(3, {}));
  EXPECT_TRUE(grid.selectionModel()->isRowSelected(5, {}));
}

TEST_F(GridOverTables, OnlyCommentsAcceptTypingAndAnEditMarksTheDatabase) {
  DBGridPro grid(3);
  grid.grid_model()->bind(state);
  GridModel& m = *grid.grid_model();
  const auto at = [&](int record, std::string_view field) {
    for (int g = 0; g < m.columnCount(); ++g)
      for (int l = 0; l < 3; ++l)
        if (m.column_at(record * 3 + l, g) == m.column_of(field)) return m.index(record * 3 + l, g);
    return QModelIndex();
  };
  EXPECT_FALSE(m.flags(at(0, "POTOK_1")) & Qt::ItemIsEditable);
  EXPECT_FALSE(m.setData(at(0, "POTOK_1"), "1", Qt::EditRole));
  ASSERT_TRUE(m.flags(at(1, "COMMENT_3")) & Qt::ItemIsEditable);

  EXPECT_TRUE(m.setData(at(1, "COMMENT_3"), m.data(at(1, "COMMENT_3"), Qt::EditRole), Qt::EditRole));
  EXPECT_FALSE(state.tables_modified);  // nothing changed, nothing to save

  const struct {
    QString typed;
    bool accepted;
  } edits[] = {
      {QStringLiteral("образец влажный, №2"), true},
      {QString(51, QChar(0x0436)), false},
      {QStringLiteral("中文"), false},
  };
  for (const auto& e : edits) EXPECT_EQ(m.setData(at(1, "COMMENT_3"), e.typed, Qt::EditRole), e.accepted);
  EXPECT_TRUE(state.tables_modified);
  state.Dbf3.close();
  state.Dbf3.open();
  state.Dbf3.go_to(2);
  EXPECT_EQ(state.Dbf3.text("COMMENT_3"), "образец влажный, №2");
  EXPECT_EQ(state.Dbf3.recno(), 2u);

  grid.grid_model()->refresh();
  grid.resize(780, 300);
  grid.show();
  grid.setCurrentIndex(at(1, "COMMENT_3"));
  grid.edit(at(1, "COMMENT_3"));
  auto* editor = grid.findChild<QLineEdit*>();
  ASSERT_NE(editor, nullptr);
  EXPECT_EQ(editor->maxLength(), 50);
  editor->clear();
  for (const QString& typed : {QStringLiteral("a"), QStringLiteral("ж"), QStringLiteral("中"), QStringLiteral("c")}) {
    QKeyEvent key(QEvent::KeyPress, 0, Qt::NoModifier, typed);
    QApplication::sendEvent(editor, &key);
  }
  EXPECT_EQ(editor->text(), QStringLiteral("aжc"));
}

TEST_F(GridOverTables, CommentEditUnderACommentSortMovesTheRecord) {
  DBGridPro grid(1);
  grid.grid_model()->bind(state);
  title_state_change(state.Dbf1, "db1", "COMMENT", TitleState::tsSortedDown);  // ascending comments
  grid.grid_model()->refresh();
  const QModelIndex first(grid.grid_model()->index(0, grid.column_of("COMMENT")));
  ASSERT_TRUE(grid.grid_model()->setData(first, QStringLiteral("я последний"), Qt::EditRole));
  QCoreApplication::processEvents();
  EXPECT_EQ(order(grid), (std::vector{2, 3, 1}));
}

TEST_F(GridOverTables, TitleClicksCycleTheMarkAndSortTheSharedTable) {
  DBGridPro flow(3), rk(4);
  flow.grid_model()->bind(state);
  rk.grid_model()->bind(state);
  std::vector<int> raised;
  QObject::connect(&rk, &DBGridPro::title_state_changed, [&](DBGridPro* g, int column) {
    raised.push_back(column);
    const auto field = g->grid_model()->columns()[static_cast<std::size_t>(column)].field;
    title_state_change(state.Dbf3, sort_index_name(g->grid()), field,
                       g->grid_model()->marks()[static_cast<std::size_t>(column)].state);
    flow.grid_model()->refresh();
    rk.grid_model()->refresh();
  });
  const int mode = rk.column_of("MODE_");
  rk.click_title(mode, false);  // descending MODE: N ascending
  EXPECT_EQ(order(flow), (std::vector{1, 2, 3, 4}));
  rk.click_title(mode, false);
  EXPECT_EQ(order(flow), (std::vector{4, 3, 2, 1}));
  EXPECT_EQ(rk.grid_model()->marks()[static_cast<std::size_t>(mode)].state, TitleState::tsSortedDown);
  rk.click_title(rk.column_of("N"), true);
  EXPECT_EQ(rk.grid_model()->marks()[static_cast<std::size_t>(mode)].state, TitleState::tsSortedDown);
  EXPECT_EQ(raised.size(), 3u);
  rk.clear_sort_marks();
  EXPECT_EQ(rk.grid_model()->marks()[static_cast<std::size_t>(mode)].state, TitleState::tsSortedNone);

  // A click on the header's third line of the POTOK group marks POTOK_3.
  rk.resize(900, 300);
  rk.show();
  GridHeader& header = *rk.header();
  const int group = 5;
  const QPoint third(header.sectionViewportPosition(group) + 5, header.height() - 3);
  EXPECT_EQ(header.column_at(third), rk.column_of("POTOK_3"));
  QTest::mouseClick(header.viewport(), Qt::LeftButton, Qt::ControlModifier, third);
  EXPECT_EQ(raised.back(), rk.column_of("POTOK_3"));
}

// The selected records stand out from the others and the current cell has a dark frame
// around its own light face, in a stacked grid too, whether the window is active or not.
TEST_F(GridOverTables, SelectionAndCurrentCellArePlainInEveryWindowState) {
  for (const int g : {1, 3}) {
    DBGridPro grid(g);
    grid.grid_model()->bind(state);
    grid.resize(780, 300);
    grid.show();
    const GridModel& m = *grid.grid_model();
    const int lines = static_cast<int>(m.shown_levels().size());
    const auto group_of = [&](std::string_view field) {  // the view's column that shows it on a record's first line
      for (int c = 0; c < m.columnCount(); ++c)
        if (m.column_at(0, c) == m.column_of(field)) return c;
      return -1;
    };
    const int n = group_of("N"), other = group_of(g == 1 ? "HEAT" : "POTOK_1");
    grid.selectRow(lines);  // the second record
    grid.selectionModel()->setCurrentIndex(m.index(lines, other), QItemSelectionModel::NoUpdate);
    for (const bool active : {true, false}) {
      QApplication::setActiveWindow(active ? &grid : nullptr);
      const QImage shown = grid.viewport()->grab().toImage();
      // Lightness at a cell's left edge, or a few pixels in, where no text of a short value reaches.
      const auto at = [&](int row, int column, int in = 4) {
        const QRect r = grid.visualRect(grid.grid_model()->index(row, column));
        return shown.pixelColor(r.left() + in, r.center().y()).lightness();
      };
      SCOPED_TRACE(std::to_string(g) + (active ? " active" : " inactive"));
      EXPECT_GT(at(0, n) - at(lines, n), 80);  // a selected cell against one not selected
      EXPECT_GT(at(lines, other), 200);        // the current cell keeps a light face
      EXPECT_LT(at(lines, other, 0), 60);      // within a dark frame
    }
  }
}

// The mark's pixels in the band the titles leave above their text while a column is
// marked, every grid, stacked titles included: in the titles' colour, at least 9 pixels
// wide. No text reaches into the band, whatever the font.
TEST_F(GridOverTables, SortMarkIsDrawnInTheMarkedTitle) {
  const std::pair<int, std::string_view> marked[] = {{1, "HEAT"}, {2, "SHEAT"}, {3, "POTOK_3"}, {4, "RES_2"}, {5, "N"}};
  constexpr int band = 6;
  for (const auto& [g, field] : marked) {
    DBGridPro grid(g);
    grid.grid_model()->bind(state);
    grid.resize(1200, 300);
    grid.show();
    const int column = grid.column_of(field);
    grid.click_title(column, false);
    const QImage shown = grid.header()->grab().toImage();
    const QColor ink = grid.header()->palette().color(QPalette::ButtonText);
    int count = 0, left = shown.width(), right = 0;
    for (int y = 0; y < shown.height(); ++y)
      for (int x = 0; x < shown.width(); ++x)
        if (shown.pixelColor(x, y) == ink && grid.header()->column_at({x, y}) == column &&
            (y < band || grid.header()->column_at({x, y - band}) != column)) {
          ++count;
          left = std::min(left, x);
          right = std::max(right, x);
        }
    EXPECT_GE(count, 25) << g << ' ' << field;  // the triangle's five rows: 9 + 7 + 5 + 3 + 1
    EXPECT_GE(right - left + 1, 9) << g << ' ' << field;
  }
}

// At the window's designed width no title loses its start or its channel number, and a
// title drawn shortened gives its whole text as a tool tip.
TEST_F(GridOverTables, TitlesThatDoNotFitWrapOrLoseTheirEnd) {
  for (int g = 1; g <= grid_count; ++g) {
    DBGridPro grid(g);
    grid.grid_model()->bind(state);
    grid.resize(784, 300);
    grid.show();
    const GridHeader& header = *grid.header();
    const auto& columns = grid.grid_model()->columns();
    for (int c = 0; c < static_cast<int>(columns.size()); ++c) {
      const QStringList shown = header.shown_title(c);
      const QString whole = qs_title(columns[static_cast<std::size_t>(c)]);
      const QString drawn = shown.join(' ');
      const auto group =
          std::find_if(grid.grid_model()->groups().begin(), grid.grid_model()->groups().end(),
                       [&](const ColumnGroup& gr) { return gr.at[0] == c || gr.at[1] == c || gr.at[2] == c; });
      const int width = header.sectionSize(static_cast<int>(group - grid.grid_model()->groups().begin()));
      for (const QString& line : shown) EXPECT_LE(header.fontMetrics().horizontalAdvance(line), width) << g << ' ' << c;
      EXPECT_LE(shown.size(), 3);
      // What is drawn is the title, or its beginning before an ellipsis.
      EXPECT_TRUE(drawn == whole || whole.startsWith(drawn.left(drawn.indexOf(QChar(0x2026))))) << drawn.toStdString();
      if (const auto n = whole.indexOf(QStringLiteral("№")); n >= 0) {
        EXPECT_TRUE(drawn.contains(whole.mid(n, 2))) << drawn.toStdString();
      }
      const int x = header.sectionViewportPosition(static_cast<int>(group - grid.grid_model()->groups().begin())) + 2;
      int y = 0;
      while (y < header.height() && header.column_at({x, y}) != c) ++y;
      EXPECT_EQ(header.tool_tip_at({x, y}).replace('\n', ' '), drawn == whole ? QString() : whole);
    }
  }
  const QFontMetrics metrics(QApplication::font());
  EXPECT_EQ(fit_title(metrics, {QStringLiteral("R, кв.м·К/Вт")}, metrics.horizontalAdvance("кв.м·К/Вт"), 2),
            (QStringList{"R,", QStringLiteral("кв.м·К/Вт")}));
}

// A drag of a column edge by 40 pixels makes that column 40 pixels wider on the screen,
// the grid still fills its width, and the design widths of the others stay as they were.
TEST_F(GridOverTables, DraggingAnEdgeWidensTheColumnByTheDrag) {
  DBGridPro grid(1);
  grid.grid_model()->bind(state);
  grid.resize(784, 300);
  grid.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&grid));
  GridHeader& header = *grid.header();
  const int n = grid.column_of("N");
  const int before = header.sectionSize(n);
  const QPoint edge(header.sectionViewportPosition(n) + before - 1, header.height() / 2);
  QTest::mousePress(header.viewport(), Qt::LeftButton, {}, edge);
  for (int step = 10; step <= 40; step += 10) {
    QMouseEvent move(QEvent::MouseMove, edge + QPoint(step, 0), header.viewport()->mapToGlobal(edge + QPoint(step, 0)),
                     Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(header.viewport(), &move);
  }
  QTest::mouseRelease(header.viewport(), Qt::LeftButton, {}, edge + QPoint(40, 0));
  const auto shown_total = [&] {
    int total = 0;
    for (int g = 0; g < header.count(); ++g) total += header.sectionSize(g);
    return total;
  };
  EXPECT_NEAR(header.sectionSize(n), before + 40, 1);
  EXPECT_EQ(shown_total(), grid.viewport()->width());
  grid.resize(1000, 300);
  grid.resize(784, 300);
  EXPECT_NEAR(header.sectionSize(n), before + 40, 1);
  EXPECT_EQ(grid.column_width(grid.column_of("DATE")), 77);
  EXPECT_TRUE(layout_text(grid).contains("FieldName=DATE;Width=77"));
}

TEST_F(GridOverTables, FittingGivesEqualWidthsThenStretches) {
  DBGridPro grid(3);
  grid.grid_model()->bind(state);
  grid.resize(780, 300);
  fit_columns(grid);
  for (int c = 0; c < 13; ++c) EXPECT_EQ(grid.column_width(c), 60) << c;
  EXPECT_TRUE(grid.auto_column_fit());
  int shown = 0;
  for (int g = 0; g < 7; ++g) shown += grid.columnWidth(g);
  EXPECT_EQ(shown, grid.viewport()->width());
}

TEST_F(GridOverTables, LayoutCarriesWidthsColoursAndMarksToAnotherGrid) {
  DBGridPro first(1), second(1);
  first.grid_model()->bind(state);
  first.show();
  first.setCurrentIndex(first.grid_model()->index(0, first.column_of("HEAT")));
  EXPECT_TRUE(set_current_color(first, 0x0000FF));
  first.set_column_width(first.column_of("THICK"), 33);
  first.click_title(first.column_of("DATE"), false);
  const QString text = layout_text(first);

  EXPECT_FALSE(apply_layout(second, QStringLiteral("<foreign/>")));
  EXPECT_EQ(second.column_width(second.column_of("THICK")), 77);
  ASSERT_TRUE(apply_layout(second, text));
  EXPECT_EQ(second.column_width(second.column_of("THICK")), 33);
  EXPECT_EQ(second.grid_model()->marks()[1].state, TitleState::tsSortedUp);
  const QModelIndex heat = second.grid_model()->index(0, second.column_of("HEAT"));
  EXPECT_EQ(second.grid_model()->data(heat, Qt::BackgroundRole), QVariant());  // no table: no rows
  EXPECT_EQ(second.grid_model()->layout()[3].color, 0x0000FFu);
  EXPECT_EQ(qcolor(0x0000FF), QColor(Qt::red));

  clear_colors(second);
  for (const auto& c : second.grid_model()->layout()) EXPECT_EQ(c.color, no_color);
}

TEST_F(GridOverTables, MovedColumnsComeBackToTheirPlaceInGridsThatMoveThem) {
  DBGridPro moved(1);
  moved.grid_model()->bind(state);
  moved.show();
  const int date = moved.column_of("DATE");
  moved.header()->moveSection(moved.header()->visualIndex(date), 0);
  const QString text = layout_text(moved);

  DBGridPro reopened(1);
  reopened.grid_model()->bind(state);
  ASSERT_TRUE(apply_layout(reopened, text));
  EXPECT_EQ(reopened.header()->visualIndex(date), 0);
  EXPECT_EQ(reopened.header()->logicalIndex(1), moved.header()->logicalIndex(1));

  // The heat-flow grids 3 and 4 keep their order whatever a layout says.
  DBGridPro flow(3);
  flow.grid_model()->bind(state);
  QString swapped = layout_text(flow);
  swapped.replace(QStringLiteral("FieldName=N;"), QStringLiteral("FieldName=N;LayoutIndex=9;"));
  ASSERT_TRUE(apply_layout(flow, swapped));
  for (int v = 0; v < flow.header()->count(); ++v) EXPECT_EQ(flow.header()->logicalIndex(v), v);
}

TEST_F(GridOverTables, TypeAheadAndColumnMovingBelongToSomeGrids) {
  for (int g = 1; g <= 5; ++g) {
    DBGridPro grid(g);
    EXPECT_EQ(grid.header()->sectionsMovable(), g == 1 || g == 2 || g == 5) << g;
  }
  DBGridPro stat(1), flow(3);
  for (DBGridPro* grid : {&stat, &flow}) {
    grid->grid_model()->bind(state);
    grid->setCurrentIndex(grid->grid_model()->index(0, 0));
    grid->keyboardSearch(QStringLiteral("3"));
  }
  EXPECT_EQ(stat.currentIndex().row(), 2);
  EXPECT_EQ(flow.currentIndex().row(), 0);
}

}  // namespace
}  // namespace kalora::views
