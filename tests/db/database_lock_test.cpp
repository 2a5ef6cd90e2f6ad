#include "db/database_lock.h"

#include <gtest/gtest.h>

#include "core/file_io.h"
#include "db/commands.h"
#include "db/db_texts.h"
#include "tests/db/db_fixture.h"

namespace kalora {
namespace {

using test::DbFixture;
using test::ScriptedFrontend;

struct ShortLockWait {
  ShortLockWait() { db::set_database_lock_wait(std::chrono::milliseconds(10)); }
  ~ShortLockWait() { db::set_database_lock_wait(std::chrono::milliseconds(3000)); }
};

std::uint32_t stored_rows(const std::string& db) {
  State state;
  ScriptedFrontend quiet;
  if (read_saved_db(state, quiet, db) != DbResult::ok) return 0;
  return state.Dbf1.record_count();
}

// What a second program does while the first is inside its append: every writer is
// refused with one message and touches nothing; a reader sees one whole container.
struct Intruder {
  const char* what;
  bool writes;
  std::function<DbResult(State&, ScriptedFrontend&, const std::string&)> run;
};

TEST(DatabaseLock, ASecondProgramInsideAnotherSaveLosesNothingReported) {
  const ShortLockWait wait;
  DbFixture f;
  f.create(test::meter_image(2, 1), f.db);
  Close_DB(f.state, f.frontend);
  const auto original = test::read_bytes(f.db);
  const std::vector<Intruder> intruders{
      {"open", true, [](State& s, ScriptedFrontend& fe, const std::string& db) { return Open_DB(s, fe, db); }},
      {"create", true,
       [](State& s, ScriptedFrontend& fe, const std::string& db) {
         s.flash = test::meter_image(5, 0).bytes;
         check_flash(s, fe);
         return Create_DB(s, fe, db);
       }},
      {"read", false, [](State& s, ScriptedFrontend& fe, const std::string& db) { return read_saved_db(s, fe, db); }},
  };
  // The first program's append, with the hook asked at each of its file operations.
  const auto append = [&](State& first, ScriptedFrontend& frontend, const FileFaultHook& hook) {
    test::write_bytes(f.db, original);
    EXPECT_EQ(Open_DB(first, frontend, f.db), DbResult::ok);
    set_file_fault_hook(hook);
    const DbResult appended = command_append(first, frontend, [&] {
      first.flash = test::meter_image(3, 1, 10).bytes;
      return ModalResult::ok;
    });
    set_file_fault_hook({});
    return appended;
  };
  int operations = 0;
  {
    State counted;
    append(counted, f.frontend, [&](FileOp) { return ++operations, 0; });
    Close_DB(counted, f.frontend);
  }
  ASSERT_GT(operations, 10);
  for (int run = 0; run < 50; ++run) {
    const Intruder& intruder = intruders[static_cast<std::size_t>(run) % intruders.size()];
    const int at = run * operations / 50 + 1;
    SCOPED_TRACE(std::string(intruder.what) + " at file operation " + std::to_string(at));
    State first, second;
    ScriptedFrontend first_frontend, second_frontend;
    std::optional<DbResult> second_result;
    int step = 0;
    const DbResult appended = append(first, first_frontend, [&](FileOp) {
      if (++step == at) second_result = intruder.run(second, second_frontend, f.db);
      return 0;
    });
    ASSERT_TRUE(second_result.has_value());
    EXPECT_EQ(appended, DbResult::ok);
    if (intruder.writes) {
      EXPECT_EQ(*second_result, DbResult::refused);
      ASSERT_EQ(second_frontend.messages.size(), 1u);
      EXPECT_EQ(second_frontend.messages[0].text, std::string(db::texts::database_in_use) + f.db);
    } else {
      EXPECT_EQ(*second_result, DbResult::ok);
      EXPECT_TRUE(second_frontend.messages.empty());
      EXPECT_EQ(second.trailing_bytes, 0u);
    }
    Close_DB(second, second_frontend);
    Close_DB(first, first_frontend);
    EXPECT_EQ(stored_rows(f.db), 5u);
    EXPECT_EQ(f.files_in_dir(), std::vector<std::string>{"meas.db"});
    // Once the first has closed, the second writer gets in.
    EXPECT_EQ(Open_DB(second, second_frontend, f.db), DbResult::ok);
    Close_DB(second, second_frontend);
  }
}

}  // namespace
}  // namespace kalora
