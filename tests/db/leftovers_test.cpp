// Working copies left by a run that ended without closing: found when the database
// is opened again, offered back, set aside as .bak or used as they are.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>

#include "db/commands.h"
#include "db/container.h"
#include "db/leftovers.h"
#include "tests/db/db_fixture.h"

namespace kalora::test {
namespace {

bool exists(const std::string& path) { return std::filesystem::exists(path); }

TEST(Leftovers, OpenAfterACrashOffersSetsAsideOrUsesTheCopies) {
  struct Case {
    const char* name;
    bool edit;           // a comment typed before the crash
    const char* marker;  // an operation cut short, or null
    bool answer;         // to the recovery question
    bool asked, told, comment_back, bak;
  };
  const Case cases[] = {
      {"comment, Да", true, nullptr, true, true, false, true, false},
      {"comment, Нет", true, nullptr, false, true, false, false, true},
      {"append cut short", true, "append", true, false, true, false, true},
      {"copies as saved", false, nullptr, true, false, false, false, false},
      {"copies as saved, stale marker", false, "delete", true, false, false, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    DbFixture f;
    {
      auto crashed = std::make_unique<State>();
      ScriptedFrontend quiet;
      crashed->flash = meter_image(3, 1).bytes;
      check_flash(*crashed, quiet);
      ASSERT_EQ(Create_DB(*crashed, quiet, f.db), DbResult::ok);
      if (c.edit) {
        crashed->Dbf1.first();
        crashed->Dbf1.set_text("COMMENT", "трещина");
        crashed->Dbf1.post();
      }
      if (c.marker) write_bytes(busy_marker(f.db), std::vector<unsigned char>(c.marker, c.marker + 6));
    }  // the run ends without Close_DB: its copies stay, unlocked
    f.frontend.answers = {c.answer};
    ASSERT_EQ(Open_DB(f.state, f.frontend, f.db), DbResult::ok);
    const bool asked = !f.frontend.messages.empty() && f.frontend.messages[0].kind == Message::question;
    const bool told = !f.frontend.messages.empty() && f.frontend.messages[0].kind == Message::error;
    EXPECT_EQ(asked, c.asked);
    EXPECT_EQ(told, c.told);
    if (asked) {
      EXPECT_TRUE(f.frontend.messages[0].text.starts_with("Найдены несохранённые изменения базы данных meas.db от "));
      EXPECT_TRUE(f.frontend.messages[0].text.ends_with(". Восстановить их?"));
    }
    if (told) {
      EXPECT_NE(f.frontend.messages[0].text.find("meas.db1.bak, meas.db2.bak"), std::string::npos);
    }
    f.state.Dbf1.first();
    EXPECT_EQ(f.state.Dbf1.text("COMMENT") == "трещина", c.comment_back);
    EXPECT_EQ(f.state.tables_modified, c.comment_back);
    EXPECT_EQ(exists(f.db + "1.bak"), c.bak);
    EXPECT_FALSE(exists(busy_marker(f.db)));
    // After "Да" closing asks to save, and a Yes keeps the comment for good.
    f.frontend.answers = {true};
    Close_DB(f.state, f.frontend);
    ASSERT_EQ(Open_DB(f.state, f.frontend, f.db), DbResult::ok);
    f.state.Dbf1.first();
    EXPECT_EQ(f.state.Dbf1.text("COMMENT") == "трещина", c.comment_back);
    Close_DB(f.state, f.frontend);
  }
}

TEST(Leftovers, HeldCopiesAndTablesTheContainerLacks) {
  DbFixture f;
  f.create(meter_image(2, 0), f.db);  // a stationary table only
  // Another program has the database open: the open is refused and nothing is overwritten.
  State other;
  f.frontend.messages.clear();
  EXPECT_EQ(Open_DB(other, f.frontend, f.db), DbResult::refused);
  ASSERT_EQ(f.frontend.messages.size(), 1u);
  EXPECT_EQ(f.frontend.messages[0].text, "База данных открыта другой программой: " + f.db);
  EXPECT_TRUE(f.state.Dbf1.is_open());
  Close_DB(f.state, f.frontend);

  // A probe table's copy that the container does not store counts as unsaved.
  {
    auto crashed = std::make_unique<State>();
    ScriptedFrontend quiet;
    crashed->flash = meter_image(0, 2).bytes;
    check_flash(*crashed, quiet);
    ASSERT_EQ(Create_DB(*crashed, quiet, f.dir.file("probe.db")), DbResult::ok);
  }
  std::filesystem::copy_file(f.dir.file("probe.db2"), f.db + "2");
  f.frontend.messages.clear();
  f.frontend.answers = {true};
  ASSERT_EQ(Open_DB(f.state, f.frontend, f.db), DbResult::ok);
  EXPECT_EQ(f.frontend.messages.size(), 1u);
  EXPECT_TRUE(f.state.Dbf1.is_open());
  EXPECT_TRUE(f.state.Dbf2.is_open());
  EXPECT_EQ(f.state.Dbf2.record_count(), 2u);
  EXPECT_TRUE(f.state.tables_modified);
  f.frontend.answers = {false};
  Close_DB(f.state, f.frontend);
}

}  // namespace
}  // namespace kalora::test
