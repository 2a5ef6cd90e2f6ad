// The table files as other dBase programs see them: headers, descriptors, records.
#include <gtest/gtest.h>

#include <filesystem>
#include <tuple>
#include <vector>

#include "db/dbf_table.h"
#include "faults/fault_plan.h"
#include "support/temp_dir.h"
#include "tests/db/table_files.h"

namespace kalora {
namespace {

using test::le16;
using test::le32;

struct Descriptor {
  std::string name;
  char type;
  int width, decimals;
};

struct SchemaCase {
  const db::Schema* schema;
  std::size_t header_length, record_length;
  std::vector<Descriptor> fields;
};

const Descriptor small(const char* n) { return {n, 'N', 4, 0}; }
const Descriptor real(const char* n) { return {n, 'N', 18, 9}; }
const Descriptor text(const char* n, int w) { return {n, 'C', w, 0}; }

const std::vector<SchemaCase>& schema_cases() {
  static const std::vector<SchemaCase> cases{
      {&db::stat_schema,
       353,
       181,
       {small("N"), real("HEAT"), real("THICK"), real("T_UP"), real("T_DOWN"), text("DATE", 10), text("TIME", 8),
        real("R"), real("Q"), text("COMMENT", 50)}},
      {&db::zond_schema,
       257,
       113,
       {small("N"), real("HEAT"), real("SHEAT"), small("THICK"), text("TIME", 8), text("COMMENT", 50),
        text("DATE", 10)}},
      {&db::potok_schema, 769, 409, {small("N"),
                                     small("MODE"),
                                     small("MEASUR"),
                                     text("DATE", 10),
                                     text("TIME", 8),
                                     small("TYPE_1"),
                                     real("POTOK_1"),
                                     real("RES_1"),
                                     real("T_IN_1"),
                                     real("T_EXT_1"),
                                     small("TYPE_2"),
                                     real("POTOK_2"),
                                     real("RES_2"),
                                     real("T_IN_2"),
                                     real("T_EXT_2"),
                                     small("TYPE_3"),
                                     real("POTOK_3"),
                                     real("RES_3"),
                                     real("T_IN_3"),
                                     real("T_EXT_3"),
                                     text("COMMENT_1", 50),
                                     text("COMMENT_2", 50),
                                     text("COMMENT_3", 50)}},
  };
  return cases;
}

TEST(DbfFile, CreatedTablesHaveTheirHeadersAndDescriptors) {
  for (const SchemaCase& c : schema_cases()) {
    SCOPED_TRACE(std::string(c.schema->design_name));
    test::TempDir dir;
    db::DbfTable table(*c.schema);
    table.set_file_name(dir.file("meas.db1"));
    test::write_bytes(dir.file("meas.db1"), std::vector<unsigned char>(5000, 'x'));  // replaced without a question
    table.create();
    const auto file = test::read_bytes(dir.file("meas.db1"));
    ASSERT_EQ(file.size(), c.header_length + 1);
    EXPECT_EQ(file[0], 0x03);
    EXPECT_EQ(le32(file, 4), 0u);
    EXPECT_EQ(le16(file, 8), c.header_length);
    EXPECT_EQ(le16(file, 10), c.record_length);
    EXPECT_EQ(file[28], 0);
    EXPECT_EQ(file[29], 0xC9);
    ASSERT_EQ(32 + 32 * c.fields.size() + 1, c.header_length);
    for (std::size_t i = 0; i < c.fields.size(); ++i) {
      const std::size_t at = 32 + 32 * i;
      const std::string name(reinterpret_cast<const char*>(&file[at]));
      EXPECT_EQ(name, c.fields[i].name);
      for (std::size_t k = name.size(); k < 11; ++k) EXPECT_EQ(file[at + k], 0);
      EXPECT_EQ(file[at + 11], c.fields[i].type) << name;
      EXPECT_EQ(file[at + 16], c.fields[i].width) << name;
      EXPECT_EQ(file[at + 17], c.fields[i].decimals) << name;
    }
    EXPECT_EQ(file[c.header_length - 1], 0x0D);
    EXPECT_EQ(file.back(), 0x1A);  // end-of-file mark after the (no) records
  }
}

TEST(DbfFile, NumbersAreRightAlignedFixedPointAndEmptyIsBlank) {
  struct Case {
    const char* field;  // of the heat-flow table: MODE is N 4.0, POTOK_1 is N 18.9
    std::optional<double> value;
    bool fits;
    std::string stored;
    std::optional<double> read_back;
  };
  const std::vector<Case> cases{
      {"POTOK_1", 1.234, true, "       1.234000000", 1.234},
      {"POTOK_1", -12.3, true, "     -12.300000000", -12.3},
      {"POTOK_1", 0.041, true, "       0.041000000", 0.041},
      {"POTOK_1", -0.0, true, "       0.000000000", 0.0},
      {"POTOK_1", 1e-10, true, "       0.000000000", 0.0},
      {"POTOK_1", 99999999.999999999, false, "", std::nullopt},           // the nearest double needs 19 places
      {"POTOK_1", 99999999.99, true, "99999999.989999995", 99999999.99},  // the double, to 9 places
      {"POTOK_1", -9999999.5, true, "-9999999.500000000", -9999999.5},
      {"POTOK_1", 429477000.1, false, "", std::nullopt},
      {"POTOK_1", std::nullopt, true, "", std::nullopt},
      {"MODE", 0, true, "   0", 0},
      {"MODE", 9999, true, "9999", 9999},
      {"MODE", -999, true, "-999", -999},
      {"MODE", 12000, false, "", std::nullopt},
      {"MODE", -1000, false, "", std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.field) + " " + (c.value ? std::to_string(*c.value) : "empty"));
    test::TempDir dir;
    db::DbfTable table = test::open_new_table(dir, db::potok_schema, "t.db3");
    table.append();
    const bool fits = table.set_number(c.field, c.value);
    EXPECT_EQ(fits, c.fits);
    table.post();
    EXPECT_EQ(table.number(c.field), c.read_back);
    const auto file = test::read_bytes(dir.file("t.db3"));
    const std::size_t offset = std::string_view(c.field) == "MODE" ? 5 : 35;
    const std::size_t width = std::string_view(c.field) == "MODE" ? 4 : 18;
    const std::string expected = c.stored.empty() ? std::string(width, ' ') : c.stored;
    EXPECT_EQ(test::field_text(file, 0, offset, width), expected);
  }
}

TEST(DbfFile, TextIsWindows1251BlankPaddedAndCutToItsWidth) {
  test::TempDir dir;
  db::DbfTable table = test::open_new_table(dir, db::stat_schema, "t.db1");
  const std::string long_note(60, 'z');
  const std::vector<std::pair<std::string, std::string>> cases{
      {"Кирпич ёлка №5",
       "\xCA\xE8\xF0\xEF\xE8\xF7 \xB8\xEB\xEA\xE0 \xB9"
       "5"},
      {"日本", "??"},
      {long_note, std::string(50, 'z')},
      {"", ""},
  };
  for (const auto& [utf8, cp1251] : cases) {
    table.append();
    table.set_text("COMMENT", utf8);
    table.post();
  }
  const auto file = test::read_bytes(dir.file("t.db1"));
  const std::size_t comment_offset = 1 + 4 + 18 * 4 + 10 + 8 + 18 * 2;
  for (std::size_t i = 0; i < cases.size(); ++i) {
    std::string expected = cases[i].second;
    expected.resize(50, ' ');
    EXPECT_EQ(test::field_text(file, i, comment_offset, 50), expected) << i;
    ASSERT_TRUE(table.go_to(static_cast<std::uint32_t>(i + 1)));
    EXPECT_EQ(table.text("COMMENT"), i == 1 ? "??" : (i == 2 ? std::string(50, 'z') : cases[i].first));
  }
}

TEST(DbfFile, PostedRowsDeletionMarksAndPackReachTheFileAtOnce) {
  test::TempDir dir;
  const std::string path = dir.file("t.db2");
  db::DbfTable table = test::open_new_table(dir, db::zond_schema, "t.db2");
  for (int n = 1; n <= 4; ++n) {
    table.append();
    table.set_number("N", n);
    table.post();
    // The table is still open: what a crash would leave is already complete.
    const auto file = test::read_bytes(path);
    EXPECT_EQ(le32(file, 4), static_cast<std::uint32_t>(n));
    EXPECT_EQ(file.size(), 257u + 113u * n + 1);
    EXPECT_EQ(file[257 + 113 * (n - 1)], ' ');
    EXPECT_EQ(test::field_text(file, n - 1, 1, 4), "   " + std::to_string(n));
  }
  ASSERT_TRUE(table.go_to(2));
  table.delete_record();
  EXPECT_EQ(table.recno(), 3u);  // the row that followed
  ASSERT_TRUE(table.go_to(4));
  table.delete_record();
  auto file = test::read_bytes(path);
  EXPECT_EQ(le32(file, 4), 4u);
  EXPECT_EQ(file[257 + 113 * 1], '*');
  EXPECT_EQ(file[257 + 113 * 3], '*');
  EXPECT_EQ(table.record_count(), 2u);

  table.pack();
  file = test::read_bytes(path);
  EXPECT_EQ(le32(file, 4), 2u);
  EXPECT_EQ(file.size(), 257u + 2 * 113 + 1);
  EXPECT_EQ(test::field_text(file, 0, 1, 4), "   1");
  EXPECT_EQ(test::field_text(file, 1, 1, 4), "   3");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);  // nothing left beside it

  // Editing a row writes it in place.
  table.first();
  table.set_text("COMMENT", "note");
  table.post();
  table.close();
  file = test::read_bytes(path);
  EXPECT_EQ(test::field_text(file, 0, 1 + 4 + 18 + 18 + 4 + 8, 4), "note");
}

TEST(DbfFile, FailedPackKeepsTheTableAndLeavesNothingBesideIt) {
  // Each step of writing the packed file fails in turn: creating, emptying,
  // writing (a full disk), flushing, renaming it over the table.
  for (int step = 1; step <= 5; ++step) {
    SCOPED_TRACE(step);
    test::TempDir dir;
    const std::string path = dir.file("t.db2");
    db::DbfTable table = test::open_new_table(dir, db::zond_schema, "t.db2");
    for (int n = 1; n <= 3; ++n) {
      table.append();
      table.set_number("N", n);
      table.post();
    }
    ASSERT_TRUE(table.go_to(2));
    table.delete_record();
    const auto before = test::read_bytes(path);
    {
      const test::FaultPlan plan(step);
      EXPECT_THROW(table.pack(), db::DbfError);
      EXPECT_TRUE(plan.failed().has_value());
    }
    EXPECT_EQ(test::read_bytes(path), before);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
    EXPECT_EQ(table.record_count(), 2u);
    table.pack();  // and it packs once the disk lets it
    EXPECT_EQ(test::read_bytes(path).size(), 257u + 2 * 113 + 1);
  }
}

TEST(DbfFile, SecondOpenOfAHeldTableFails) {
  test::TempDir dir;
  db::DbfTable first = test::open_new_table(dir, db::stat_schema, "t.db1");
  first.append();
  first.set_number("N", 7);
  first.post();
  const auto before = test::read_bytes(dir.file("t.db1"));

  db::DbfTable second(db::stat_schema);
  second.set_file_name(dir.file("t.db1"));
  EXPECT_THROW(second.open(), db::DbfError);
  EXPECT_FALSE(second.is_open());
  EXPECT_THROW(second.create(), db::DbfError);
  EXPECT_EQ(test::read_bytes(dir.file("t.db1")), before);  // not emptied by the refused create

  first.close();
  EXPECT_NO_THROW(second.open());
  EXPECT_EQ(second.record_count(), 1u);
  EXPECT_THROW(first.open(), db::DbfError);
}

TEST(DbfFile, OpenRefusesFilesThatAreNotTablesOfItsSchema) {
  test::TempDir dir;
  {
    db::DbfTable stat = test::open_new_table(dir, db::stat_schema, "stat.db1");
    stat.append();
    stat.post();
  }
  const auto good = test::read_bytes(dir.file("stat.db1"));
  auto claims_more = good;
  claims_more[4] = 2;
  auto renamed_field = good;
  renamed_field[32 + 32] = 'X';
  auto wider_field = good;
  wider_field[32 + 16] = 5;
  const std::vector<std::tuple<const char*, const db::Schema*, std::vector<unsigned char>>> cases{
      {"probe schema over a stationary file", &db::zond_schema, good},
      {"count beyond the file", &db::stat_schema, claims_more},
      {"other field name", &db::stat_schema, renamed_field},
      {"other width", &db::stat_schema, wider_field},
      {"short garbage", &db::stat_schema, {1, 2, 3}},
      {"empty file", &db::stat_schema, {}},
  };
  for (const auto& [name, schema, bytes] : cases) {
    SCOPED_TRACE(name);
    test::write_bytes(dir.file("x"), bytes);
    db::DbfTable table(*schema);
    table.set_file_name(dir.file("x"));
    EXPECT_THROW(table.open(), db::DbfError);
    EXPECT_FALSE(table.is_open());
    EXPECT_EQ(test::read_bytes(dir.file("x")), bytes);
  }
  db::DbfTable missing(db::stat_schema);
  missing.set_file_name(dir.file("missing"));
  EXPECT_THROW(missing.open(), db::DbfError);
}

TEST(DbfFile, IndexFlagIsSetBySortingAndClearedWhenTheIndexIsMissing) {
  test::TempDir dir;
  db::DbfTable table = test::open_new_table(dir, db::stat_schema, "t.db1");
  table.add_index("db1", "N", true);
  EXPECT_EQ(test::read_bytes(dir.file("t.db1"))[28], 1);
  table.close();
  table.open();  // the same table keeps its index, and the flag with it
  EXPECT_EQ(test::read_bytes(dir.file("t.db1"))[28], 1);
  table.close();

  // As stored in a container: copied, flag set, no index beside it.
  std::filesystem::copy_file(dir.file("t.db1"), dir.file("copy.db1"));
  db::DbfTable copy(db::stat_schema);
  copy.set_file_name(dir.file("copy.db1"));
  ASSERT_NO_THROW(copy.open());
  EXPECT_EQ(test::read_bytes(dir.file("copy.db1"))[28], 0);
}

}  // namespace
}  // namespace kalora
