// Tables written by the decoders, read back by an independent dBase reader.
#include <gtest/gtest.h>

#include <charconv>
#include <sstream>

#include "support/run_program.h"
#include "tests/decode/decoder_fixture.h"

namespace kalora {
namespace {

using test::ImageBuilder;

struct Cell {
  std::string name;
  char kind;
  std::string value;
};

std::vector<std::vector<Cell>> read_with_dbfread(const std::string& path, std::string& first_line) {
  const test::RunResult run = test::run_program(KALORA_PYTHON, {KALORA_DBFREAD_SCRIPT, path});
  EXPECT_EQ(run.exit_code, 0) << run.err;
  std::istringstream lines(run.out);
  std::getline(lines, first_line);
  std::vector<std::vector<Cell>> records;
  for (std::string line; std::getline(lines, line);) {
    std::vector<Cell> record;
    std::istringstream cells(line);
    for (std::string c; std::getline(cells, c, '\t');) {
      const auto eq = c.find('=');
      record.push_back({c.substr(0, eq), c[eq + 1], c.substr(eq + 3)});
    }
    records.push_back(std::move(record));
  }
  return records;
}

// Every stored value of every row, compared with what our engine reads.
void expect_same_values(db::DbfTable& table, const std::string& expected_first_line) {
  const std::string path = table.file_name();
  std::vector<std::vector<std::string>> ours;
  std::vector<std::vector<std::optional<double>>> our_numbers;
  for (table.first(); !table.eof(); table.next()) {
    ours.emplace_back();
    our_numbers.emplace_back();
    for (const db::FieldDef& f : table.schema().fields) {
      if (f.calculated) continue;
      ours.back().push_back(table.text(f.name));
      our_numbers.back().push_back(f.type == 'N' ? table.number(f.name) : std::nullopt);
    }
  }
  table.close();  // let the reader see the finished file (it needs no lock, but be fair)
  std::string first_line;
  const auto records = read_with_dbfread(path, first_line);
  EXPECT_EQ(first_line, expected_first_line);
  ASSERT_EQ(records.size(), ours.size());
  for (std::size_t r = 0; r < records.size(); ++r) {
    std::size_t i = 0;
    for (const db::FieldDef& f : table.schema().fields) {
      if (f.calculated) continue;
      SCOPED_TRACE("record " + std::to_string(r + 1) + " field " + std::string(f.name));
      const Cell& cell = records[r][i];
      EXPECT_EQ(cell.name, f.name);
      if (f.type == 'C') {
        EXPECT_EQ(cell.kind, 's');
        EXPECT_EQ(cell.value, ours[r][i]);
      } else if (!our_numbers[r][i]) {
        EXPECT_EQ(cell.kind, 'n');
      } else {
        // Small integers come back as integers, the others as floating point.
        EXPECT_EQ(cell.kind, f.decimals == 0 ? 'i' : 'f');
        double theirs = 0;
        std::from_chars(cell.value.data(), cell.value.data() + cell.value.size(), theirs);
        EXPECT_EQ(theirs, *our_numbers[r][i]);
      }
      ++i;
    }
  }
  table.open();
}

TEST(Dbfread, ReadsEveryValueOfTheThreeTables) {
  KALORA_NEEDS_LINUX_TOOL("python3 with dbfread");
  test::DecoderFixture f;
  ImageBuilder meter(1);
  meter.methods(3).stat_count(3).zond_count(2);
  meter.stat_record(0, 1234, 500, 0x07D0, 0x0FA0, {31, 12, 5, 14, 30, 0});
  meter.stat_record(1, 0, 500, 0x8000 | 1234, 0x0FA0, {1, 1, 6, 0, 0, 1});
  meter.stat_record(2, 65535, 65535, 0xFFFF, 0x7FFF, {31, 2, 255, 23, 59, 59});
  meter.zond_record(0, 250, 84, 1800, {31, 12, 5, 14, 30, 0});
  meter.zond_record(1, 65535, 65535, 0, {0, 13, 6, 24, 60, 60});
  f.load(meter);
  flash2table_stat(f.state, f.frontend, 0);
  flash2table_zond(f.state, f.frontend, 0);
  f.state.Dbf1.first();
  f.state.Dbf1.set_text("COMMENT", "Пенобетон, образец №3 «сухой»");
  f.state.Dbf1.post();

  ImageBuilder flow(2);
  flow.channel_types(2, 0, 5).potok_count(3).slot_index(0, 3).slot_index(1, 1).slot_index(2, 200);
  flow.slot(3, 7, 0x81, {1, 2, 6, 3, 4, 5},
            {{{12345, 250, 0x04D2, 0x84D2}, {1, 1, 1, 1}, {65535, 65535, 0x7FFF, 0xFFFF}}});
  flow.slot(1, 5, 0x02, {2, 2, 6, 3, 4, 5}, {{{1, 2, 3, 4}, {}, {5, 6, 7, 8}}});
  flow.slot(200, 1, 0x00, {3, 2, 6, 3, 4, 5}, {{{100, 100, 100, 100}, {}, {}}});
  f.load(flow);
  flash2table_potok(f.state, f.frontend, 0);
  f.state.Dbf3.last();
  f.state.Dbf3.set_text("COMMENT_2", "Стена, канал 2");
  f.state.Dbf3.set_text("COMMENT_3", "ёЁ");
  f.state.Dbf3.post();

  expect_same_values(f.state.Dbf1, "cp1251 3 N,HEAT,THICK,T_UP,T_DOWN,DATE,TIME,R,Q,COMMENT");
  expect_same_values(f.state.Dbf2, "cp1251 2 N,HEAT,SHEAT,THICK,TIME,COMMENT,DATE");
  expect_same_values(f.state.Dbf3,
                     "cp1251 3 N,MODE,MEASUR,DATE,TIME,TYPE_1,POTOK_1,RES_1,T_IN_1,T_EXT_1,TYPE_2,POTOK_2,RES_2,"
                     "T_IN_2,T_EXT_2,TYPE_3,POTOK_3,RES_3,T_IN_3,T_EXT_3,COMMENT_1,COMMENT_2,COMMENT_3");

  // Deleted rows are marked so that the reader skips them too.
  f.state.Dbf3.first();
  f.state.Dbf3.delete_record();
  expect_same_values(f.state.Dbf3,
                     "cp1251 2 N,MODE,MEASUR,DATE,TIME,TYPE_1,POTOK_1,RES_1,T_IN_1,T_EXT_1,TYPE_2,POTOK_2,RES_2,"
                     "T_IN_2,T_EXT_2,TYPE_3,POTOK_3,RES_3,T_IN_3,T_EXT_3,COMMENT_1,COMMENT_2,COMMENT_3");
}

}  // namespace
}  // namespace kalora
