// Record order, filter, locate and calculated fields of an open table.
#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "db/dbf_table.h"
#include "support/temp_dir.h"
#include "tests/db/table_files.h"

namespace kalora {
namespace {

struct Row {
  int n;
  std::optional<int> measur;
  const char* date;
};

// Heat-flow rows: N, MEASUR, DATE.
db::DbfTable potok_table(const test::TempDir& dir, const std::vector<Row>& rows) {
  db::DbfTable table = test::open_new_table(dir, db::potok_schema, "t.db3");
  for (const Row& r : rows) {
    table.append();
    table.set_number("N", r.n);
    if (r.measur) table.set_number("MEASUR", *r.measur);
    table.set_text("DATE", r.date);
    table.post();
  }
  return table;
}

std::vector<int> shown_n(db::DbfTable& table) {
  std::vector<int> n;
  for (table.first(); !table.eof(); table.next()) n.push_back(static_cast<int>(*table.number("N")));
  return n;
}

const std::vector<Row> sample{
    {1, 2, "03.01.2006"}, {2, 0, "01.02.2006"}, {3, 2, "02.01.2006"}, {4, std::nullopt, "05.01.2006"},
    {5, 1, "01.01.2007"}, {6, 2, "04.01.2006"},
};

TEST(DbfOrder, SortIndexOverOneFieldAscendingOrDescending) {
  struct Case {
    const char* field;
    bool descending;
    std::vector<int> order;
  };
  const std::vector<Case> cases{
      {"N", true, {6, 5, 4, 3, 2, 1}},
      {"N", false, {1, 2, 3, 4, 5, 6}},
      // An empty field sorts below every number; equal keys keep the natural order.
      {"MEASUR", false, {4, 2, 5, 1, 3, 6}},
      {"MEASUR", true, {1, 3, 6, 5, 2, 4}},
      // Dates sort as the stored text, day first.
      {"DATE", false, {5, 2, 3, 1, 6, 4}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.field) + (c.descending ? " descending" : " ascending"));
    test::TempDir dir;
    db::DbfTable table = potok_table(dir, sample);
    table.add_index("db3", c.field, c.descending);
    EXPECT_EQ(shown_n(table), (std::vector<int>{1, 2, 3, 4, 5, 6}));  // made, not yet active
    ASSERT_TRUE(table.set_index("db3"));
    EXPECT_EQ(shown_n(table), c.order);
    table.close();
    table.open();  // the index outlives a close of the same working copy
    EXPECT_EQ(shown_n(table), c.order);
    EXPECT_TRUE(table.drop_index("db3"));
    EXPECT_FALSE(table.drop_index("db3"));  // not there any more: not an error
    EXPECT_EQ(shown_n(table), (std::vector<int>{1, 2, 3, 4, 5, 6}));
  }
}

TEST(DbfOrder, RowsAddedOrDeletedUnderAnIndexTakeTheirPlace) {
  test::TempDir dir;
  db::DbfTable table = potok_table(dir, sample);
  table.add_index("db3", "N", true);
  table.set_index("db3");
  table.append();
  table.set_number("N", 0);
  table.post();
  EXPECT_EQ(table.recno(), 7u);
  EXPECT_EQ(shown_n(table), (std::vector<int>{6, 5, 4, 3, 2, 1, 0}));
  table.first();
  table.next();  // N = 5
  table.delete_record();
  EXPECT_EQ(*table.number("N"), 4);
  table.pack();
  EXPECT_EQ(shown_n(table), (std::vector<int>{6, 4, 3, 2, 1, 0}));
  EXPECT_TRUE(table.set_index(""));
  EXPECT_EQ(shown_n(table), (std::vector<int>{1, 2, 3, 4, 6, 0}));
  EXPECT_FALSE(table.set_index("db9"));
}

TEST(DbfOrder, FilterFieldEqualsInteger) {
  struct Case {
    const char* expression;
    std::vector<int> shown;
  };
  const std::vector<Case> cases{
      {"MEASUR=2", {1, 3, 6}}, {"MEASUR=0", {2}}, {" MEASUR = 1 ", {5}}, {"MEASUR=-3", {}}, {"N=4", {4}},
  };
  test::TempDir dir;
  db::DbfTable table = potok_table(dir, sample);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.expression);
    table.set_filtered(false);
    table.set_filter(c.expression);
    table.set_filtered(true);
    EXPECT_EQ(shown_n(table), c.shown);
    EXPECT_EQ(table.record_count(), c.shown.size());
  }
  // Sorted and filtered at once.
  table.set_filter("MEASUR=2");
  table.add_index("db3", "DATE", false);
  table.set_index("db3");
  EXPECT_EQ(shown_n(table), (std::vector<int>{3, 1, 6}));
  EXPECT_FALSE(table.go_to(2));  // filtered out
  table.set_filtered(false);
  EXPECT_EQ(shown_n(table), (std::vector<int>{5, 2, 3, 1, 6, 4}));
}

TEST(DbfOrder, FilterOfAnotherFormIsRefused) {
  test::TempDir dir;
  db::DbfTable table = potok_table(dir, sample);
  for (const char* bad : {"MEASUR", "MEASUR=", "MEASUR=x", "MEASUR=2.5", "NOSUCH=1", "DATE=1", "TYPE_1_=1"}) {
    SCOPED_TRACE(bad);
    table.set_filter(bad);
    EXPECT_THROW(table.set_filtered(true), db::DbfError);
    EXPECT_FALSE(table.filtered());
    EXPECT_EQ(table.record_count(), sample.size());
  }
}

TEST(DbfOrder, EmptyFilterShowsEveryRow) {
  // Closing a database clears the filter of a filtered table before switching it off.
  test::TempDir dir;
  db::DbfTable table = potok_table(dir, sample);
  table.set_filter("MEASUR=2");
  table.set_filtered(true);
  for (const char* empty : {"", "  "}) {
    SCOPED_TRACE(empty);
    EXPECT_NO_THROW(table.set_filter(empty));
    EXPECT_EQ(table.record_count(), sample.size());
    EXPECT_NO_THROW(table.set_filtered(true));
    EXPECT_EQ(table.record_count(), sample.size());
  }
  table.set_filtered(false);
  EXPECT_EQ(table.record_count(), sample.size());
}

TEST(DbfOrder, LocateFindsTheFirstRowInTheCurrentOrder) {
  test::TempDir dir;
  db::DbfTable table = potok_table(dir, sample);
  EXPECT_TRUE(table.locate("MEASUR", 2));
  EXPECT_EQ(table.recno(), 1u);
  EXPECT_TRUE(table.locate("MEASUR", 1));
  EXPECT_EQ(table.recno(), 5u);
  EXPECT_FALSE(table.locate("MEASUR", 3));
  table.add_index("db3", "N", true);
  table.set_index("db3");
  EXPECT_TRUE(table.locate("MEASUR", 2));
  EXPECT_EQ(table.recno(), 6u);
}

TEST(DbfOrder, CalculatedFieldsComeFromTheCallbackAndStayOutOfTheFile) {
  test::TempDir dir;
  db::DbfTable table = potok_table(dir, sample);
  EXPECT_EQ(table.text("MODE_"), "");  // no handler yet
  table.set_calc_fields([](const db::DbfTable& t, db::CalcFieldSink& sink) {
    sink.set("MODE_", "N=" + t.text("N"));
    sink.set("TYPE_1_", "x");
  });
  table.go_to(3);
  EXPECT_EQ(table.text("MODE_"), "N=3");
  EXPECT_EQ(table.text("TYPE_1_"), "x");
  EXPECT_EQ(table.text("TYPE_2_"), "");
  EXPECT_THROW(table.set_text("MODE_", "y"), std::invalid_argument);
  EXPECT_THROW(table.add_index("db3", "MODE_", true), std::invalid_argument);
}

}  // namespace
}  // namespace kalora
