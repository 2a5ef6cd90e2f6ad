// What kalora-cli writes and reads where others may have put things: links planted
// at every name a writer uses, outputs that name an input, existing outputs, folders
// the user may not write to, full disks, databases another program holds, and the
// exit codes of all of it.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>

#include "db/commands.h"
#include "support/run_program.h"
#include "support/temp_dir.h"
#include "tests/db/db_fixture.h"

namespace kalora {
namespace {

namespace fs = std::filesystem;
using Bytes_ = std::vector<unsigned char>;

struct Folder {
  test::TempDir dir;
  std::string image, flow_image, meter_db, flow_db;
  Folder() {
    image = dir.file("a.bin");
    flow_image = dir.file("flow.bin");
    test::write_bytes(image, test::meter_image(3, 2).file_bytes());
    test::write_bytes(flow_image, test::flow_image(6).file_bytes());
    meter_db = dir.file("m.db");
    flow_db = dir.file("w.db");
    EXPECT_EQ(run({"bin2db", image, meter_db}).exit_code, 0);
    EXPECT_EQ(run({"bin2db", flow_image, flow_db}).exit_code, 0);
  }
  test::RunResult run(const std::vector<std::string>& args) const { return test::run_program(KALORA_CLI, args); }
};

#ifndef _WIN32

// Links planted at the writer's names lead to victims that must stay as they are.
TEST(PlantedLinks, WritersNeverWriteThroughThem) {
  struct Case {
    std::vector<std::string> args;  // "@" stands for the folder
    std::vector<std::string> links;
    int code;
  };
  const std::vector<Case> cases{
      // The old fixed temporary name, the marker and the target itself.
      {{"bin2db", "--force", "@/a.bin", "@/new.db"}, {"new.db.new", "new.db.busy", "new.db"}, 0},
      {{"bin2db", "@/a.bin", "@/new.db"}, {"new.db1", "new.db2"}, 2},  // working copies: refused
      {{"append", "@/m.db", "@/later.bin"}, {"m.db.new", "m.db.busy"}, 0},
      {{"append", "@/m.db", "@/later.bin"}, {"m.db1"}, 2},
      {{"report", "@/m.db", "stat", "@/r.xls"}, {"r.xls.new", "r.xls"}, 0},
      {{"report", "@/m.db", "zond", "@/r.xlsx"}, {"r.xlsx.new", "r.xlsx"}, 0},
      {{"report", "@/m.db", "stat", "@/r.csv"}, {"r.csv.new", "r.csv"}, 0},
      {{"report", "@/m.db", "stat", "@/r.pdf"}, {"r.pdf.new", "r.pdf"}, 0},
      {{"analyze", "@/w.db", "--pdf", "@/an.pdf"}, {"an.pdf.new", "an.pdf"}, 0},
      // A name at the system's limit of 255 bytes still takes a temporary name beside it.
      {{"report", "@/m.db", "stat", "@/" + std::string(251, 'x') + ".csv"}, {}, 0},
  };
  for (const Case& c : cases) {
    Folder f;
    test::write_bytes(f.dir.file("later.bin"), test::meter_image(5, 4).file_bytes());
    std::vector<std::string> args;
    for (const std::string& a : c.args) args.push_back(a.starts_with("@") ? f.dir.file(a.substr(2)) : a);
    SCOPED_TRACE(c.args[0] + " " + c.args.back());
    for (const std::string& link : c.links) {
      fs::remove(f.dir.file(link));
      test::write_bytes(f.dir.file("victim-" + link), {'k', 'e', 'e', 'p'});
      fs::create_symlink(f.dir.file("victim-" + link), f.dir.file(link));
    }
    const auto r = f.run(args);
    EXPECT_EQ(r.exit_code, c.code) << r.err;
    for (const std::string& link : c.links) {
      EXPECT_EQ(test::read_bytes(f.dir.file("victim-" + link)), (Bytes_{'k', 'e', 'e', 'p'})) << link;
      if (f.dir.file(link) == args.back() && c.code == 0) {
        EXPECT_FALSE(fs::is_symlink(args.back()));
      }
    }
    if (c.code == 0 && c.args[0] != "append") {
      EXPECT_GT(fs::file_size(args.back()), 0u);
    }
  }
}

#endif

// An output that is the same file as an input is refused before anything is written.
TEST(OutputsNamingInputs, AreRefusedNamingBoth) {
  Folder f;
  fs::copy_file(f.meter_db, f.dir.file("a.csv"));  // a database under a report's name
  fs::copy_file(f.flow_db, f.dir.file("w.pdf"));
  const std::string image = f.image, csv = f.dir.file("a.csv"), pdf = f.dir.file("w.pdf");
  struct Case {
    std::vector<std::string> args;
    std::string input, output;
  };
  const std::vector<Case> cases{
      {{"bin2db", image, image}, image, image},
      {{"bin2db", "--force", image, f.dir.file(".") + "/a.bin"}, image, image},
      {{"report", csv, "stat", csv}, csv, csv},
      {{"analyze", pdf, "--pdf", pdf}, pdf, pdf},
      {{"append", f.meter_db, f.meter_db}, f.meter_db, f.meter_db},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args[0] + " " + c.args.back());
    const Bytes_ before = test::read_bytes(c.input);
    const auto r = f.run(c.args);
    EXPECT_EQ(r.exit_code, 2);
    EXPECT_NE(r.err.find("Выходной файл " + c.args.back()), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("входной файл " + c.input), std::string::npos) << r.err;
    EXPECT_EQ(test::read_bytes(c.input), before);
  }
  // --pdf takes only a PDF file's name.
  EXPECT_EQ(f.run({"analyze", f.flow_db, "--pdf", f.flow_db}).exit_code, 2);
  EXPECT_EQ(f.run({"analyze", f.flow_db, "--pdf", f.dir.file("an.txt")}).exit_code, 2);
  EXPECT_FALSE(fs::exists(f.dir.file("an.txt")));
}

// The exit codes: 0 success, 1 refused input, 2 usage or an I/O error.
TEST(ExitCodes, FollowTheContract) {
  struct Case {
    const char* name;
    std::function<void(Folder&)> prepare;
    std::vector<std::string> args;  // "@" stands for the folder
    int code;
    std::string err_has;
  };
  const auto damage_table_1 = [](Folder& f) {
    Bytes_ db = test::read_bytes(f.meter_db);
    db[22] = 0x02;  // the stationary table's version byte: not a table any more
    test::write_bytes(f.meter_db, db);
  };
  const std::vector<Case> cases{
      {"existing output", nullptr, {"bin2db", "@/a.bin", "@/m.db"}, 1, "уже существует"},
      {"existing output forced", nullptr, {"bin2db", "--force", "@/a.bin", "@/m.db"}, 0, ""},
      {"existing download", nullptr, {"download", "@/a.bin", "@/no-port"}, 1, "уже существует"},
      {"recover, only the option", nullptr, {"recover", "--discard"}, 2, "usage: kalora-cli recover"},
      {"recover, two names", nullptr, {"recover", "@/m.db", "@/w.db"}, 2, "usage: kalora-cli recover"},
      {"recover, missing database", nullptr, {"recover", "@/none.db"}, 2, "none.db"},
      {"dump of a whole table beside a damaged one", damage_table_1, {"dump", "@/m.db", "2"}, 0, "повреждена"},
      {"dump of the damaged table", damage_table_1, {"dump", "@/m.db", "1"}, 1, "повреждена"},
      {"append of a probe area to a database without that table",
       [](Folder& f) {
         test::write_bytes(f.dir.file("b.bin"), test::meter_image(2, 0).file_bytes());
         ASSERT_EQ(f.run({"bin2db", f.dir.file("b.bin"), f.dir.file("only-stat.db")}).exit_code, 0);
       },
       {"append", "@/only-stat.db", "@/a.bin"},
       1,
       "сохранены новые записи таблиц стационарного метода; записи таблиц зондового метода не добавлены"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Folder f;
    if (c.prepare) c.prepare(f);
    std::vector<std::string> args;
    for (const std::string& a : c.args) args.push_back(a.starts_with("@") ? f.dir.file(a.substr(2)) : a);
    const Bytes_ before = test::read_bytes(f.meter_db);
    const auto r = f.run(args);
    EXPECT_EQ(r.exit_code, c.code) << r.err;
    EXPECT_NE(r.err.find(c.err_has), std::string::npos) << r.err;
    if (c.code == 1 && c.args[0] == "bin2db") {
      EXPECT_EQ(test::read_bytes(f.meter_db), before);
    }
  }
}

// An append that adds nothing leaves the container as it was, its time included;
// bytes after the tables are reported by every reading command and kept by a save.
TEST(Container, UnchangedByAnEmptyAppendAndItsTailKept) {
  Folder f;
  const auto stamp = fs::last_write_time(f.meter_db) - std::chrono::hours(1);
  fs::last_write_time(f.meter_db, stamp);
  const Bytes_ before = test::read_bytes(f.meter_db);
  auto r = f.run({"append", f.meter_db, f.image});  // the same records again
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(test::read_bytes(f.meter_db), before);
  EXPECT_EQ(fs::last_write_time(f.meter_db), stamp);

  Bytes_ tail = before;
  for (const char c : std::string("not ours")) tail.push_back(static_cast<unsigned char>(c));
  test::write_bytes(f.meter_db, tail);
  const std::string warning = "Внимание: после таблиц в файле " + f.meter_db + " лишних байт: 8\n";
  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
           {"dump", f.meter_db, "1"}, {"report", f.meter_db, "stat", f.dir.file("r.csv")}, {"analyze", f.meter_db}}) {
    r = f.run(args);
    EXPECT_NE(r.err.find(warning), std::string::npos) << args[0] << ": " << r.err;
  }
  test::write_bytes(f.dir.file("later.bin"), test::meter_image(5, 4).file_bytes());
  ASSERT_EQ(f.run({"append", f.meter_db, f.dir.file("later.bin")}).exit_code, 0);
  const Bytes_ after = test::read_bytes(f.meter_db);
  EXPECT_GT(after.size(), tail.size());
  EXPECT_TRUE(std::equal(tail.end() - 8, tail.end(), after.end() - 8));
  r = f.run({"dump", f.meter_db, "1"});
  EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 1 + 5);
  EXPECT_NE(r.err.find(warning), std::string::npos) << r.err;
}

#ifndef _WIN32

// dump, report and analyze create nothing beside the database: they work in a folder
// nobody may write to, on a full disk, and while another program holds the database.
TEST(ReadingCommands, NeedNothingButTheSavedContainer) {
  if (test::run_program("unshare", {"-m", "true"}).exit_code != 0)
    GTEST_SKIP() << "no mount namespace here (unshare -m): read-only folder and full disk not arranged";
  Folder f;
  fs::create_directory(f.dir.file("db"));
  fs::copy_file(f.flow_db, f.dir.file("db/w.db"));
  const std::string db = f.dir.file("db/w.db"), out = f.dir.file("r.csv");
  // The folder made read-only, or a full file system of its own holding a copy.
  const std::string read_only = R"(mount --bind -o ro "$0" "$0" && exec "$@")";
  const std::string full_disk =
      R"(cp "$0/w.db" "$0.copy" && mount -t tmpfs -o size=64k tmpfs "$0" && cp "$0.copy" "$0/w.db" && )"
      R"(rm "$0.copy" && (head -c 1M /dev/zero > "$0/fill" 2>/dev/null; true) && exec "$@")";
  const std::vector<std::vector<std::string>> commands{
      {"dump", db, "3"}, {"report", db, "rk", out}, {"analyze", db, "--json"}};
  for (const auto& [setting, script] : {std::pair{"read-only", read_only}, {"full disk", full_disk}}) {
    for (const auto& command : commands) {
      SCOPED_TRACE(std::string(setting) + ": " + command[0]);
      std::vector<std::string> args{"-m", "sh", "-c", script, f.dir.file("db"), KALORA_CLI};
      args.insert(args.end(), command.begin(), command.end());
      const auto r = test::run_program("unshare", args);
      EXPECT_EQ(r.exit_code, 0) << r.err;
      EXPECT_EQ(r.err, "");
    }
  }
  // A full disk refuses the append: an input/output error, the container unchanged.
  const Bytes_ before = test::read_bytes(db);
  const auto r = test::run_program(
      "unshare", {"-m", "sh", "-c", full_disk, f.dir.file("db"), KALORA_CLI, "append", db, f.flow_image});
  EXPECT_EQ(r.exit_code, 2) << r.err;

  // Held by another program: the saved state, with one warning line.
  State state;
  test::RecordingFrontend frontend;
  ASSERT_EQ(Open_DB(state, frontend, db), DbResult::ok);
  for (const auto& command : commands) {
    SCOPED_TRACE("held: " + command[0]);
    const auto held = f.run(command);
    EXPECT_EQ(held.exit_code, 0) << held.err;
    EXPECT_EQ(held.err, "Внимание: рядом с базой данных " + db + " есть рабочие копии (" + db +
                            "3): база данных открыта другой программой или не была закрыта; показано сохранённое "
                            "содержимое\n");
  }
  EXPECT_TRUE(state.Dbf3.is_open());
  EXPECT_EQ(test::read_bytes(db), before);
  Close_DB(state, frontend);
  EXPECT_EQ(std::distance(fs::directory_iterator(f.dir.file("db")), fs::directory_iterator()), 1);
}

#endif

}  // namespace
}  // namespace kalora
