#include <gtest/gtest.h>

#include <set>
#include <sstream>

#include "device/image_save.h"
#include "support/run_program.h"
#include "support/temp_dir.h"
#include "tests/db/db_fixture.h"

namespace kalora {
namespace {

using test::ImageBuilder;
using test::run_program;

std::vector<std::string> split_lines(const std::string& text) {
  std::vector<std::string> out;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) out.push_back(line);
  return out;
}

struct Tool {
  test::TempDir dir;
  std::string image(const std::string& name, const ImageBuilder& b) {
    const std::string path = dir.file(name);
    test::write_bytes(path, b.file_bytes());
    return path;
  }
  test::RunResult run(const std::vector<std::string>& args) { return run_program(KALORA_CLI, args); }
};

TEST(CliDb, ConductivityMeterRoundTrip) {
  Tool t;
  const std::string db = t.dir.file("meas.db");
  ImageBuilder first = test::meter_image(2, 1);
  auto r = t.run({"bin2db", t.image("a.bin", first), db});
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(r.out, "");

  r = t.run({"dump", db, "1"});
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(split_lines(r.out),
            (std::vector<std::string>{
                "N,HEAT,THICK,T_UP,T_DOWN,DATE,TIME,R,Q,COMMENT",
                "1,0.100000000,50.000000000,40.000000000,20.000000000,10.05.2006,12:00:00,0.500000000,40.000000000,",
                "2,0.101000000,50.000000000,40.000000000,20.000000000,10.05.2006,12:01:00,0.495000000,40.400000000,",
            }));
  r = t.run({"dump", db, "2"});
  EXPECT_EQ(split_lines(r.out), (std::vector<std::string>{"N,HEAT,SHEAT,THICK,TIME,COMMENT,DATE",
                                                          "1,0.200000000,0.840000000,1800,13:00:00,,10.05.2006"}));
  r = t.run({"dump", db, "3"});
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "В базе данных нет таблицы теплового потока\n");

  r = t.run({"append", db, t.image("b.bin", test::meter_image(4, 3))});
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(r.out, "Добавлено записей в стационарный метод: 2\nДобавлено записей в зондовый метод: 2\n");
  EXPECT_EQ(split_lines(t.run({"dump", db, "1"}).out).size(), 5u);
  const auto probe = split_lines(t.run({"dump", db, "2"}).out);
  ASSERT_EQ(probe.size(), 4u);
  EXPECT_EQ(probe[3], "3,0.202000000,0.840000000,1800,13:02:00,,10.05.2006");

  // A heat-flow image does not fit this database; nothing changes.
  const auto before = test::read_bytes(db);
  r = t.run({"append", db, t.image("c.bin", test::flow_image(2))});
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_EQ(r.err, "Тип прибора и открытая база не совпадают!\n");
  EXPECT_EQ(test::read_bytes(db), before);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(t.dir.path()), {}), 4);  // no working copies left
}

TEST(CliDb, HeatFlowMeterRoundTrip) {
  Tool t;
  const std::string db = t.dir.file("flow.db");
  auto r = t.run({"bin2db", t.image("a.bin", test::flow_image(2)), db});
  EXPECT_EQ(r.exit_code, 0) << r.err;
  const std::string header =
      "N,MODE,MEASUR,DATE,TIME,TYPE_1,POTOK_1,RES_1,T_IN_1,T_EXT_1,TYPE_2,POTOK_2,RES_2,T_IN_2,T_EXT_2,TYPE_3,POTOK_3,"
      "RES_3,T_IN_3,T_EXT_3,COMMENT_1,COMMENT_2,COMMENT_3,TYPE_1_,TYPE_2_,TYPE_3_,MODE_";
  r = t.run({"dump", db, "3"});
  EXPECT_EQ(split_lines(r.out),
            (std::vector<std::string>{
                header,
                "1,0,0,10.05.2006,14:00:00,3,10.000000000,2.500000000,20.000000000,-10.000000000,,,,,,5,12.000000000,"
                "3.000000000,21.000000000,5.000000000,,,,20X80,НЕТ,110X110,Оперативный",
                "2,0,1,10.05.2006,14:01:00,3,10.000000000,2.500000000,20.000000000,-10.000000000,,,,,,5,12.000000000,"
                "3.000000000,21.000000000,5.000000000,,,,20X80,НЕТ,110X110,Оперативный",
            }));
  r = t.run({"append", db, t.image("b.bin", test::flow_image(5))});
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(r.out, "Добавлено записей: 3\n");
  const auto rows = split_lines(t.run({"dump", db, "3"}).out);
  ASSERT_EQ(rows.size(), 6u);
  EXPECT_EQ(rows[5].substr(0, 30), "5,0,1,10.05.2006,14:04:00,3,10");
  EXPECT_EQ(rows[3].find(",,,,,,,,,,,,,,,,,,,"), std::string::npos);
  EXPECT_NE(rows[3].find("3,0,2,10.05.2006,14:02:00,3,10.000000000,,,,,,,,,5,12.000000000,,,,,,,20X80"),
            std::string::npos);
}

TEST(CliDb, RefusalsAndErrorsHaveTheirExitCodes) {
  Tool t;
  const std::string db = t.dir.file("meas.db");
  test::write_bytes(t.dir.file("junk.db"), std::vector<unsigned char>(40, 'j'));
  test::write_bytes(t.dir.file("0.bin"), {});
  test::write_bytes(t.dir.file("5.bin"), {'k', 'L', 'r', '!', 'b'});
  struct Case {
    std::vector<std::string> args;
    int exit_code;
    std::string err;
  };
  const std::vector<Case> cases{
      {{"bin2db", t.dir.file("missing.bin"), db}, 2, ""},
      {{"bin2db", t.dir.file("0.bin"), db}, 1, ""},
      {{"bin2db", t.dir.file("5.bin"), db}, 1, ""},
      {{"bin2db", t.image("type4.bin", ImageBuilder(1, 4).methods(1)), db},
       1,
       "Ошибочные данные или неверный тип прибора\n"},
      {{"bin2db", t.image("empty.bin", ImageBuilder(1)), db}, 1, "В образе нет измерений\n"},
      {{"dump", t.dir.file("junk.db"), "1"}, 1, "База данных повреждена !\n"},
      {{"dump", t.dir.file("missing.db"), "1"}, 2, ""},
      {{"dump", t.dir.file("junk.db"), "4"}, 2, ""},
      {{"dump", t.dir.file("junk.db")}, 2, ""},
      {{"append", t.dir.file("junk.db"), t.dir.file("missing.bin")}, 1, "База данных повреждена !\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args[0] + " " + c.args[1]);
    const auto r = t.run(c.args);
    EXPECT_EQ(r.exit_code, c.exit_code) << r.err;
    if (!c.err.empty()) {
      EXPECT_EQ(r.err, c.err);
    }
    EXPECT_FALSE(r.err.empty());
    EXPECT_FALSE(std::filesystem::exists(db));
  }
}

// The lock rule, the same on Linux and Windows: a database in use may be read by
// others (its saved container, with a warning), but a second writer is refused.
TEST(CliDb, ADatabaseOpenInAnotherProgramIsLeftAlone) {
  test::DbFixture f;
  f.create(test::meter_image(2, 1), f.db);
  const auto container = test::read_bytes(f.db);
  const auto copy = test::read_bytes(f.db + "1");
  const std::pair<std::vector<std::string>, int> cases[] = {
      {{"dump", f.db, "1"}, 0},
      {{"bin2db", "--force", f.dir.file("x.bin"), f.db}, 1},
      {{"append", f.db, f.dir.file("x.bin")}, 1},
      {{"recover", "--discard", f.db}, 1}};
  for (const auto& [args, code] : cases) {
    SCOPED_TRACE(args[0]);
    test::write_bytes(f.dir.file("x.bin"), test::meter_image(3, 3).file_bytes());
    const auto r = run_program(KALORA_CLI, args);
    EXPECT_EQ(r.exit_code, code);
    if (code == 0) {
      EXPECT_NE(r.err.find("база данных открыта другой программой"), std::string::npos) << r.err;
    } else {
      EXPECT_EQ(r.err, "База данных открыта другой программой: " + f.db + "\n");
    }
    EXPECT_EQ(test::read_bytes(f.db), container);
    EXPECT_EQ(test::read_bytes(f.db + "1"), copy);
  }
  EXPECT_EQ(f.state.Dbf1.record_count(), 2u);
}

// Windows reads narrow paths in its ANSI code page; every file the program makes
// or replaces must keep Cyrillic folder and file names, and the output has no CR.
TEST(CliDb, CyrillicFolderAndFileNamesThroughEveryCommand) {
  Tool t;
  const std::string folder = t.dir.file("Замеры Ивана");
  std::filesystem::create_directory(test::utf8_path(folder));
  const std::string db = folder + "/база.db";
  const std::string xls = folder + "/отчёт.xls";
  const std::string copy = folder + "/образ копия.bin";
  const std::string first = t.image("Замеры Ивана/образ.bin", test::meter_image(2, 1));
  const std::string second = t.image("Замеры Ивана/второй.bin", test::meter_image(3, 2, 5));

  const std::vector<std::vector<std::string>> commands{
      {"bin2db", first, db},       {"bin2db", "--force", first, db}, {"append", db, second},
      {"report", db, "stat", xls}, {"report", db, "stat", xls},      {"dump", db, "1"},
  };
  test::RunResult r;
  for (const auto& args : commands) {
    r = t.run(args);
    EXPECT_EQ(r.exit_code, 0) << args[0] << ": " << r.err;
  }
  EXPECT_EQ(split_lines(r.out).size(), 1u + 2 + 3);  // the heading, the first image and the second
  EXPECT_EQ(r.out.find('\r'), std::string::npos);

  std::string error;
  const auto image = test::read_bytes(first);
  EXPECT_TRUE(save_bin_file(copy, std::span(image.data(), image.size()), error)) << error;
  EXPECT_TRUE(save_bin_file(copy, std::span(image.data(), image.size()), error)) << error;
  EXPECT_EQ(test::read_bytes(copy), image);

  std::set<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(test::utf8_path(folder))) {
    names.insert(test::utf8_string(entry.path().filename()));
  }
  EXPECT_EQ(names, (std::set<std::string>{"база.db", "отчёт.xls", "образ.bin", "второй.bin", "образ копия.bin"}));
}

}  // namespace
}  // namespace kalora

namespace kalora {
namespace {

// Working copies left beside a database: changing commands refuse, reading ones warn,
// recover saves them or (after an operation cut short) only --discard sets them aside.
TEST(CliDb, LeftoverWorkingCopies) {
  Tool t;
  const std::string db = t.dir.file("meas.db");
  const std::string image = t.image("a.bin", test::meter_image(2, 1));
  ASSERT_EQ(t.run({"bin2db", image, db}).exit_code, 0);
  const auto saved = test::read_bytes(db);
  // A copy with a record fewer than stored, as a run that deleted a row and died leaves it.
  ASSERT_EQ(t.run({"bin2db", t.image("b.bin", test::meter_image(1, 1)), t.dir.file("less.db")}).exit_code, 0);
  const auto extract = [&] {  // the smaller stationary table, as the working copy of meas.db
    const auto bytes = test::read_bytes(t.dir.file("less.db"));
    const std::uint32_t size = bytes[10] | bytes[11] << 8 | bytes[12] << 16 | bytes[13] << 24;
    test::write_bytes(db + "1", std::vector<unsigned char>(bytes.begin() + 22, bytes.begin() + 22 + size));
  };
  struct Case {
    const char* marker;
    std::vector<std::string> args;
    int code;
    const char* err_has;
  };
  const std::vector<Case> cases{
      {nullptr, {"append", db, image}, 1, "kalora-cli recover --discard"},
      {nullptr, {"bin2db", image, db}, 1, "несохранённые рабочие копии ("},
      {nullptr, {"dump", db, "1"}, 0, "Внимание: рядом с базой данных"},
      {"append", {"recover", db}, 1, "была прервана (дополнение)"},
      {"append", {"recover", "--discard", db}, 0, ""},
      {nullptr, {"recover", db}, 0, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args[0] + " " + c.args[1]);
    test::write_bytes(db, saved);
    extract();
    if (c.marker) test::write_bytes(db + ".busy", {'a', 'p', 'p', 'e', 'n', 'd'});
    const auto r = t.run(c.args);
    EXPECT_EQ(r.exit_code, c.code) << r.err;
    EXPECT_NE(r.err.find(c.err_has), std::string::npos) << r.err;
    if (c.args[0] == "dump") {
      EXPECT_EQ(split_lines(r.out).size(), 3u);  // the saved rows, not the copy's
    }
    if (c.args[0] != "recover") continue;
    const bool discarded = c.args[1] == "--discard";
    if (c.code == 0) {
      EXPECT_FALSE(std::filesystem::exists(db + "1"));
      EXPECT_FALSE(std::filesystem::exists(db + ".busy"));
      EXPECT_EQ(std::filesystem::exists(db + "1.bak"), discarded);
      EXPECT_EQ(t.run({"append", db, image}).exit_code, 0);
      EXPECT_EQ(split_lines(t.run({"dump", db, "1"}).out).size(), 3u);
    }
    std::filesystem::remove(db + "1");
    std::filesystem::remove(db + "1.bak");
    std::filesystem::remove(db + ".busy");
  }
}

}  // namespace
}  // namespace kalora
