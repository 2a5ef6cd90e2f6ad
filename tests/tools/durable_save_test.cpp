// The order in which a replaced file reaches the disk, watched with strace: the new
// file is forced to the disk before it is renamed over the old one, and the folder
// is forced after the rename, so a power cut leaves the old file or the new one.
#include <gtest/gtest.h>

#include <regex>
#include <sstream>

#include "support/run_program.h"
#include "support/temp_dir.h"
#include "tests/db/db_fixture.h"

namespace kalora {
namespace {

struct Call {
  std::string name, args, result;
};

std::vector<Call> read_trace(const std::string& path) {
  const auto bytes = test::read_bytes(path);
  std::istringstream in(std::string(bytes.begin(), bytes.end()));
  const std::regex line(R"(^(?:\d+\s+)?(\w+)\((.*)\)\s+=\s+(-?\d+).*$)");
  std::vector<Call> calls;
  for (std::string text; std::getline(in, text);) {
    std::smatch m;
    if (std::regex_match(text, m, line)) calls.push_back({m[1], m[2], m[3]});
  }
  return calls;
}

// Index of the first call at or after `from` that matches; calls.size() when none.
template <typename Match>
std::size_t find_call(const std::vector<Call>& calls, std::size_t from, Match match) {
  while (from < calls.size() && !match(calls[from])) ++from;
  return from;
}

TEST(DurableSave, NewFileFlushedBeforeTheRenameAndTheFolderAfterIt) {
  if (std::system("strace -V >/dev/null 2>&1") != 0) GTEST_SKIP() << "strace is not installed: save order not checked";
  test::TempDir dir;
  const std::string image = dir.file("a.bin");
  test::write_bytes(image, test::meter_image(3, 2).file_bytes());
  const std::string db = dir.file("meas.db");
  ASSERT_EQ(test::run_program(KALORA_CLI, {"bin2db", image, db}).exit_code, 0);

  struct Case {
    std::vector<std::string> args;
    std::string target;
  };
  const std::vector<Case> cases{
      {{"bin2db", "--force", image, db}, db},                          // a container over an old one
      {{"report", db, "stat", dir.file("r.xls")}, dir.file("r.xls")},  // an exported workbook
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.target);
    // LeakSanitizer cannot run under a tracer: a sanitizer build leaves leak checks to its other runs.
    std::vector<std::string> args{"-f", "-qq", "-e", "trace=openat,fsync,fdatasync,rename,renameat,renameat2",
                                  "-E", "ASAN_OPTIONS=detect_leaks=0", "-o", dir.file("trace"), KALORA_CLI};
    args.insert(args.end(), c.args.begin(), c.args.end());
    ASSERT_EQ(test::run_program("strace", args).exit_code, 0);
    const auto calls = read_trace(dir.file("trace"));
    // A fresh name beside the target, created exclusively and never through a link.
    const std::regex temp_name("\"(" + std::regex_replace(c.target, std::regex(R"([.^$|()\[\]{}*+?\\])"), R"(\$&)") +
                               "~[0-9a-f]{12}\\.new)\"");
    std::string temp;
    const std::size_t opened = find_call(calls, 0, [&](const Call& k) {
      std::smatch m;
      if (k.name != "openat" || !std::regex_search(k.args, m, temp_name)) return false;
      temp = "\"" + m[1].str() + "\"";
      return true;
    });
    ASSERT_LT(opened, calls.size()) << "the new file is not written beside the target";
    for (const char* flag : {"O_CREAT", "O_EXCL", "O_NOFOLLOW"})
      EXPECT_NE(calls[opened].args.find(flag), std::string::npos) << flag;
    const std::string fd = calls[opened].result;
    const std::size_t renamed = find_call(calls, opened, [&](const Call& k) {
      return k.name.starts_with("rename") && k.args.find(temp + ", ") != std::string::npos;
    });
    ASSERT_LT(renamed, calls.size()) << "no rename of the new file";
    const std::size_t flushed = find_call(
        calls, opened, [&](const Call& k) { return (k.name == "fsync" || k.name == "fdatasync") && k.args == fd; });
    EXPECT_LT(flushed, renamed) << "the new file is not flushed before the rename";
    const std::size_t folder = find_call(calls, renamed, [&](const Call& k) {
      return k.name == "openat" && k.args.find("\"" + dir.path().string() + "\"") != std::string::npos &&
             k.args.find("O_DIRECTORY") != std::string::npos;
    });
    ASSERT_LT(folder, calls.size()) << "the folder is not opened after the rename";
    const std::size_t folder_flushed =
        find_call(calls, folder, [&](const Call& k) { return k.name == "fsync" && k.args == calls[folder].result; });
    EXPECT_LT(folder_flushed, calls.size()) << "the folder is not flushed after the rename";
  }
}

}  // namespace
}  // namespace kalora
