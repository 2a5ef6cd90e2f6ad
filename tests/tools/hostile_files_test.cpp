// kalora-cli against outputs that are no plain files, disks that run full at every
// moment of a save, and containers whose claims do not match what they hold.
#include <gtest/gtest.h>

#include <filesystem>

#include "db/container.h"
#include "db/tables.h"
#include "support/recording_frontend.h"
#include "support/run_program.h"
#include "support/temp_dir.h"
#include "tests/db/db_fixture.h"

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace kalora {
namespace {

namespace fs = std::filesystem;

struct Folder {
  test::TempDir dir;
  std::string image = dir.file("a.bin"), db = dir.file("m.db");
  Folder() {
    test::write_bytes(image, test::meter_image(30, 20).file_bytes());
    EXPECT_EQ(run({"bin2db", image, db}).exit_code, 0);
  }
  test::RunResult run(const std::vector<std::string>& args) const { return test::run_program(KALORA_CLI, args); }
};

// Values a foreign file may hold in numeric fields (not a finite number the field can
// hold) are empty everywhere, and its control characters never reach the terminal.
TEST(ForeignValues, AreEmptyAndControlCharactersShown) {
  test::TempDir dir;
  struct Cell {
    int table;
    std::uint32_t row;
    const char* field;
    const char* foreign;
  };
  const Cell cells[] = {{1, 1, "HEAT", "nan"},     {1, 2, "HEAT", "inf"},    {1, 3, "HEAT", "1e300"},
                        {1, 4, "R", "-1e300"},     {3, 1, "POTOK_1", "nan"}, {3, 2, "T_IN_1", "1e300"},
                        {3, 3, "T_EXT_3", "-inf"}, {3, 4, "POTOK_3", "1e+2"}};
  // The same database twice: once with the foreign texts, once with those cells blank.
  const auto make = [&](const std::string& name, bool foreign) {
    const std::string db = dir.file(name);
    State state;
    test::RecordingFrontend frontend;
    state.flash = test::meter_image(12, 0).bytes;
    check_flash(state, frontend);
    EXPECT_EQ(Create_DB(state, frontend, db + "m"), DbResult::ok);
    Close_DB(state, frontend);
    state.flash = test::flow_image(12).bytes;
    check_flash(state, frontend);
    EXPECT_EQ(Create_DB(state, frontend, db + "f"), DbResult::ok);
    Close_DB(state, frontend);
    for (const char* kind : {"m", "f"}) {
      EXPECT_EQ(Open_DB(state, frontend, db + kind), DbResult::ok);
      for (const Cell& c : cells) {
        db::DbfTable& t = table(state, c.table);
        if (!t.is_open() || !t.go_to(c.row)) continue;
        t.set_text(c.field, foreign ? c.foreign : "");
        t.set_text(c.table == 1 ? "COMMENT" : "COMMENT_1", "образец \x1b]0;x\x07\x1b[2J\x7f");
        t.post();
      }
      EXPECT_EQ(Save_DB(state, frontend), DbResult::ok);
      Close_DB(state, frontend);
    }
    return db;
  };
  const std::string foreign = make("foreign", true), blank = make("blank", false);
  const std::vector<std::vector<std::string>> commands{{"m", "dump", "1"},
                                                       {"m", "samples", "1"},
                                                       {"m", "samples", "1", "--json"},
                                                       {"f", "dump", "3"},
                                                       {"f", "analyze", "--json"}};
  for (const auto& command : commands) {
    SCOPED_TRACE(command[1]);
    std::vector<std::string> args{command[1], foreign + command[0]};
    args.insert(args.end(), command.begin() + 2, command.end());
    const auto from_foreign = test::run_program(KALORA_CLI, args);
    args[1] = blank + command[0];
    const auto from_blank = test::run_program(KALORA_CLI, args);
    EXPECT_EQ(from_foreign.exit_code, 0) << from_foreign.err;
    EXPECT_EQ(from_foreign.out, from_blank.out);
    EXPECT_EQ(from_foreign.out.find_first_of("\x1b\x07\x7f"), std::string::npos);
  }
  EXPECT_NE(test::run_program(KALORA_CLI, {"dump", foreign + "m", "1"}).out.find("образец ␛]0;x␇␛[2J␡"),
            std::string::npos);
  // comment refuses what the grid refuses.
  for (const char* text : {"a\x1b[2Jb", "a\tb", "a\x7f", "a\nb"}) {
    const auto r = test::run_program(KALORA_CLI, {"comment", blank + "m", "1", "1", text});
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_EQ(r.err, "Примечание не может содержать управляющие символы\n");
  }
}

// What killed saves left beside a database goes with its next save or recover; files
// of other names stay.
TEST(KilledSaves, LeaveNothingForLong) {
  Folder f;
  const std::string later = f.dir.file("later.bin");
  test::write_bytes(later, test::meter_image(3, 2, 40).file_bytes());
  const std::vector<std::string> stale{"m.db~0123456789ab.new", "m.db.busy~00000000ffff.new", "m.db3~abcdefabcdef.new"};
  std::vector<std::string> others{"m.dbx~0123456789ab.new", "m.db~0123456789ab.new.keep", "n.db~0123456789ab.new"};
#ifndef _WIN32
  // Only where names differ by case: on Windows this is the stale file itself.
  others.push_back("m.db~0123456789AB.new");
#endif
  for (const std::vector<std::string>& command : std::vector<std::vector<std::string>>{
           {"recover", f.db}, {"comment", f.db, "1", "1", "x"}, {"append", f.db, later}}) {
    SCOPED_TRACE(command[0]);
    for (const auto& name : stale) test::write_bytes(f.dir.file(name), {1, 2, 3});
    for (const auto& name : others) test::write_bytes(f.dir.file(name), {1, 2, 3});
    EXPECT_EQ(f.run(command).exit_code, 0);
    for (const auto& name : stale) EXPECT_FALSE(fs::exists(f.dir.file(name))) << name;
    for (const auto& name : others) EXPECT_TRUE(fs::exists(f.dir.file(name))) << name;
  }
}

// The same rule on every system; on Windows its device names are devices.
TEST(Outputs, FoldersAndDevicesAreNeverReplaced) {
  Folder f;
  fs::create_directory(test::utf8_path(f.dir.file("folder.csv")));
  std::vector<std::pair<std::vector<std::string>, std::string>> cases{
      {{"report", f.db, "stat", f.dir.file("folder.csv")}, "папка"}};
#ifdef _WIN32
  cases.push_back({{"report", f.db, "stat", "NUL.csv"}, "устройство"});
  cases.push_back({{"bin2db", "--force", f.image, "COM1"}, "устройство"});
#endif
  for (const auto& [args, kind] : cases) {
    const auto r = f.run(args);
    EXPECT_EQ(r.exit_code, 2);
    EXPECT_EQ(r.err, "Файл \"" + args.back() + "\" не перезаписывается: это " + kind + ", а не обычный файл\n");
  }
  EXPECT_TRUE(fs::is_directory(test::utf8_path(f.dir.file("folder.csv"))));
}

#ifndef _WIN32

// Database names up to 254 bytes (Linux: Windows limits whole paths) (a working copy adds one) work through every
// command that changes them; the marker and the lock get shorter names where needed.
TEST(LongNames, WorkUpToTheLongestWorkingCopy) {
  Folder f;
  for (const std::size_t length : {250u, 251u, 254u}) {
    SCOPED_TRACE(length);
    const std::string db = f.dir.file(std::string(length - 3, 'x') + ".db");
    for (const std::vector<std::string>& command : std::vector<std::vector<std::string>>{
             {"bin2db", f.image, db}, {"comment", db, "1", "1", "x"}, {"recover", db}}) {
      const auto r = f.run(command);
      EXPECT_EQ(r.exit_code, 0) << command[0] << ": " << r.err;
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(f.dir.path()), fs::directory_iterator()), 3);
    fs::remove(db);
  }
}

// A container whose table claims a gigabyte of a sparse file is refused at once,
// within a quarter of that in memory, and nothing is extracted beside it.
TEST(SparseClaims, AreRefusedWithoutReadingThem) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "AddressSanitizer reserves far more address space than the limit this test sets";
#endif
  Folder f;
  auto bytes = test::read_bytes(f.db);
  const std::uint32_t gigabyte = 1u << 30;
  for (int i = 0; i < 4; ++i) bytes[10 + i] = static_cast<unsigned char>(gigabyte >> (8 * i));
  for (int i = 14; i < 22; ++i) bytes[static_cast<std::size_t>(i)] = 0;
  const std::string sparse = f.dir.file("sparse.db");
  test::write_bytes(sparse, bytes);
  fs::resize_file(sparse, 22 + std::uintmax_t{gigabyte});
  for (const std::vector<std::string>& command :
       std::vector<std::vector<std::string>>{{"dump", sparse, "1"},
                                             {"samples", sparse, "1"},
                                             {"report", sparse, "stat", f.dir.file("r.csv")},
                                             {"comment", sparse, "1", "1", "x"},
                                             {"append", sparse, f.image}}) {
    SCOPED_TRACE(command[0]);
    std::vector<std::string> args{"-c", "ulimit -v 262144 && exec \"$@\"", "sh", KALORA_CLI};
    args.insert(args.end(), command.begin(), command.end());
    const auto r = test::run_program("sh", args);
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_EQ(r.err, "База данных повреждена !\n");
  }
  EXPECT_FALSE(fs::exists(sparse + "1"));
}

// A table that truly is as long as its header says (a sparse file of 128 MiB) is read
// within a few times its size: no second copy of it, no pages laid out for a CSV.
TEST(SparseClaims, AWholeTableIsReadWithinAFewTimesItsSize) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "AddressSanitizer reserves far more address space than the limit this test sets";
#endif
  Folder f;
  const auto bytes = test::read_bytes(f.db);
  const auto u16 = [&](std::size_t at) { return std::uint32_t{bytes[at]} | std::uint32_t{bytes[at + 1]} << 8; };
  const auto put32 = [](std::vector<unsigned char>& to, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) to[at + static_cast<std::size_t>(i)] = static_cast<unsigned char>(v >> (8 * i));
  };
  const std::size_t table = 22;  // the stationary table comes first
  const std::uint32_t header = u16(table + 8), record = u16(table + 10);
  const std::uint32_t records = ((128u << 20) - header) / record, size = header + records * record + 1;
  std::vector<unsigned char> head(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(table + header));
  for (int n = 0; n < 3; ++n) put32(head, 10 + 4 * static_cast<std::size_t>(n), n == 0 ? size : 0);
  put32(head, table + 4, records);
  const std::string whole = f.dir.file("whole.db");
  test::write_bytes(whole, head);
  fs::resize_file(whole, table + size);
  for (const std::vector<std::string>& command :
       std::vector<std::vector<std::string>>{{"dump", whole, "1"}, {"report", whole, "stat", f.dir.file("r.csv")}}) {
    SCOPED_TRACE(command[0]);
    std::vector<std::string> args{"-c", "ulimit -v 655360 && exec \"$@\" >/dev/null", "sh", KALORA_CLI};
    args.insert(args.end(), command.begin(), command.end());
    const auto r = test::run_program("sh", args);
    EXPECT_EQ(r.exit_code, 0) << r.err;
  }
}

// The .xlsx book is made in the temporary folder first; a missing one is named.
TEST(TemporaryFolder, AMissingOneIsNamed) {
  Folder f;
  const auto r = test::run_program(
      "sh", {"-c", R"(TMPDIR=/nonexistent/t exec "$0" report "$1" stat "$2")", KALORA_CLI, f.db, f.dir.file("r.xlsx")});
  EXPECT_EQ(r.exit_code, 2);
  EXPECT_EQ(r.err, "Ошибка ввода-вывода: нет временной папки \"/nonexistent/t\"\n");
}

// Only a regular file or nothing is replaced; what lies there otherwise, also at the
// end of a link, stays as it was and the command says what it is.
TEST(Outputs, OnlyRegularFilesAreReplaced) {
  Folder f;
  ASSERT_EQ(::mkfifo(f.dir.file("fifo").c_str(), 0600), 0);
  fs::create_directory(f.dir.file("folder"));
  const std::pair<const char*, const char*> kinds[] = {
      {"fifo", "канал"}, {"/dev/null", "устройство"}, {"/dev/stdout", "устройство"}, {"folder", "папка"}};
  for (const auto& [target, kind] : kinds) {
    const std::string at = target[0] == '/' ? target : f.dir.file(target);
    const std::string link = f.dir.file("link"), csv = f.dir.file("link.csv"), pdf = f.dir.file("link.pdf");
    for (const std::string& name : {link, csv, pdf}) {
      fs::remove(name);
      fs::create_symlink(at, name);
    }
    const std::vector<std::vector<std::string>> commands{{"bin2db", "--force", f.image, at},
                                                         {"download", "--force", at},
                                                         {"bin2db", "--force", f.image, link},
                                                         {"report", f.db, "stat", csv},
                                                         {"samples", f.db, "1", "--pdf", pdf}};
    for (const auto& args : commands) {
      SCOPED_TRACE(args[0] + " " + args.back());
      const auto r = f.run(args);
      EXPECT_EQ(r.exit_code, 2);
      EXPECT_EQ(r.err, "Файл \"" + args.back() + "\" не перезаписывается: это " + kind + ", а не обычный файл\n");
    }
    for (const std::string& name : {link, csv, pdf}) EXPECT_TRUE(fs::is_symlink(name)) << name;
  }
  EXPECT_EQ(fs::status(f.dir.file("fifo")).type(), fs::file_type::fifo);
  // samples writes its two formats under their own extensions only: never over a database.
  const auto before = test::read_bytes(f.db);
  for (const auto& [option, out] : {std::pair{"--pdf", "other.db"}, {"--xlsx", "other.db"}, {"--xlsx", "out.xls"}}) {
    fs::copy_file(f.db, f.dir.file("other.db"), fs::copy_options::overwrite_existing);
    const auto r = f.run({"samples", f.db, "1", option, f.dir.file(out)});
    EXPECT_EQ(r.exit_code, 2) << option << " " << out;
    EXPECT_EQ(test::read_bytes(f.dir.file("other.db")), before);
    EXPECT_FALSE(fs::exists(f.dir.file("out.xls")));
  }
}

// A disk that runs full at any moment of bin2db --force: exit 0 with the new database,
// or exit 2 with the old one whole, and nothing of the attempt left beside it.
TEST(FullDisk, EveryFillLevelLeavesTheOldDatabaseOrTheNew) {
  if (test::run_program("unshare", {"-m", "true"}).exit_code != 0)
    GTEST_SKIP() << "no mount namespace here (unshare -m): the full disks are not arranged";
  Folder f;
  const auto old = test::read_bytes(f.db);
  test::write_bytes(f.image, test::meter_image(105, 100).file_bytes());
  // A file system of 192 KiB holding the old database and `$1` KiB of filler.
  const std::string script =
      R"(mount -t tmpfs -o size=192k tmpfs "$0" && cp "$2" "$0/m.db" && (head -c "$1"k /dev/zero > "$0/fill" 2>/dev/null; true) && )"
      R"("$3" bin2db --force "$4" "$0/m.db"; code=$?; rm "$0/fill"; ls -A "$0" > "$0.left"; )"
      R"(cmp -s "$0/m.db" "$2" && echo old >> "$0.left"; exit $code)";
  fs::create_directory(f.dir.file("disk"));
  for (int fill = 0; fill <= 180; fill += 6) {
    SCOPED_TRACE("filler KiB " + std::to_string(fill));
    const auto r = test::run_program(
        "unshare", {"-m", "sh", "-c", script, f.dir.file("disk"), std::to_string(fill), f.db, KALORA_CLI, f.image});
    ASSERT_TRUE(r.exit_code == 0 || r.exit_code == 2) << r.exit_code << " " << r.err;
    const auto left = test::read_bytes(f.dir.file("disk.left"));
    EXPECT_EQ(std::string(left.begin(), left.end()), r.exit_code == 0 ? "m.db\n" : "m.db\nold\n") << r.err;
  }
  EXPECT_EQ(test::read_bytes(f.db), old);
}

#endif

}  // namespace
}  // namespace kalora
