// Every kind of file a user takes into a spreadsheet, opened in LibreOffice as that user
// would: each column's numbers add up there to what the program wrote, so no number
// arrives as text and none is lost.
#include <gtest/gtest.h>

#include <filesystem>

#include "db/container.h"
#include "support/recording_frontend.h"
#include "support/run_program.h"
#include "support/temp_dir.h"

namespace kalora {
namespace {

// A heat-flow database's table 3 as the program keeps it while the database is open.
std::string dbase_table(const std::string& db, const std::string& out) {
  State state;
  test::RecordingFrontend frontend;
  EXPECT_EQ(Open_DB(state, frontend, db), DbResult::ok);
  std::filesystem::copy_file(test::utf8_path(state.Dbf3.file_name()), test::utf8_path(out));
  Close_DB(state, frontend);
  return out;
}

TEST(LibreOffice, EveryExportsColumnSumsAsWritten) {
  KALORA_NEEDS_LIBREOFFICE();
  test::TempDir dir;
  const std::string db = dir.file("flow.db");
  ASSERT_EQ(test::run_program(KALORA_CLI, {"bin2db", std::string(KALORA_SAMPLES) + "/flow.bin", db}).exit_code, 0);
  for (const char* kind : {"xls", "xlsx", "csv", "dbf"}) {
    SCOPED_TRACE(kind);
    const std::string file = dir.file(std::string("flow.") + kind);
    if (kind == std::string("dbf")) {
      dbase_table(db, file);
    } else {
      const auto made = test::run_program(KALORA_CLI, {"report", db, "flow", file});
      ASSERT_EQ(made.exit_code, 0) << made.err;
    }
    const auto r = test::run_program(KALORA_PYTHON, {KALORA_LIBREOFFICE_SUMS_SCRIPT, file, dir.file(kind)});
    EXPECT_EQ(r.exit_code, 0) << r.out << r.err;
    EXPECT_NE(r.out.find("numbers)"), std::string::npos) << "no numeric column: " << r.out;
  }
}

}  // namespace
}  // namespace kalora
