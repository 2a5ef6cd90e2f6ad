#include "db/commands.h"

#include <gtest/gtest.h>

#include "tests/db/db_fixture.h"
#include "tests/decode/decoder_fixture.h"

namespace kalora {
namespace {

using test::DbFixture;
using test::Message;
using Bytes_ = std::vector<unsigned char>;
using Kind = FileDialogRequest::Kind;

// The download step: counts its calls and leaves `image` in flash, or cancels.
struct FakeDownload {
  State& state;
  std::optional<test::ImageBuilder> image;
  int calls = 0;
  ModalResult operator()() {
    ++calls;
    if (!image) return ModalResult::cancel;
    state.flash = image->bytes;
    return ModalResult::ok;
  }
};

DownloadStep step(FakeDownload& d) {
  return [&d] { return d(); };
}

const test::ScriptedFrontend::Request open_db{Kind::open, "Базы данных|*.db", "db", "/start"};
const test::ScriptedFrontend::Request save_db{Kind::save, "Базы данных|*.db", "db", "/start"};
const test::ScriptedFrontend::Request open_bin{Kind::open, "Двоичные файлы|*.bin", "bin", "/start"};

TEST(Commands, CreateAsksForTheNameAfterTheDownloadAndRemembersItsFolder) {
  DbFixture f;
  f.state.default_dir = "/start";
  FakeDownload cancelled{f.state, std::nullopt};
  command_create(f.state, f.frontend, step(cancelled));
  EXPECT_EQ(cancelled.calls, 1);
  EXPECT_TRUE(f.frontend.requests.empty());

  FakeDownload download{f.state, test::meter_image(2, 0)};
  f.frontend.files = {f.db};
  command_create(f.state, f.frontend, step(download));
  EXPECT_EQ(f.frontend.requests, (std::vector<test::ScriptedFrontend::Request>{save_db}));
  EXPECT_TRUE(f.state.db_open);
  EXPECT_EQ(f.state.default_dir, f.dir.path().string());
  EXPECT_EQ(f.state.Dbf1.record_count(), 2u);

  // A refused image ends the command after the old database was closed.
  FakeDownload foreign{f.state, test::ImageBuilder(1, 4)};
  command_create(f.state, f.frontend, step(foreign));
  EXPECT_FALSE(f.state.db_open);
  EXPECT_EQ(f.frontend.messages, (std::vector<Message>{{Message::error, "Ошибочные данные или неверный тип прибора"}}));
  EXPECT_EQ(f.frontend.requests.size(), 1u);
}

TEST(Commands, OpenKeepsTheOpenDatabaseWhenCancelled) {
  DbFixture f;
  f.state.default_dir = "/start";
  f.create(test::meter_image(2, 0), f.db);
  f.frontend.effects.clear();
  command_open(f.state, f.frontend);
  EXPECT_EQ(f.frontend.requests, (std::vector<test::ScriptedFrontend::Request>{open_db}));
  EXPECT_TRUE(f.state.db_open && f.state.Dbf1.is_open());
  EXPECT_TRUE(f.frontend.effects.empty());

  f.frontend.files = {f.db};
  command_open(f.state, f.frontend);
  EXPECT_TRUE(f.state.db_open && f.state.Dbf1.is_open());
  EXPECT_EQ(f.state.default_dir, f.dir.path().string());
}

TEST(Commands, AppendWithoutDatabaseAsksAndStopsWhenCancelled) {
  DbFixture f;
  f.state.default_dir = "/start";
  FakeDownload download{f.state, test::meter_image(2, 0)};
  command_append(f.state, f.frontend, step(download));
  EXPECT_EQ(download.calls, 0);
  EXPECT_EQ(f.frontend.requests, (std::vector<test::ScriptedFrontend::Request>{open_db}));

  // Answered: opened here, the next dialog starts in its folder, then appended and saved.
  DbFixture made;
  made.create(test::meter_image(2, 0), made.db);
  Close_DB(made.state, made.frontend);
  f.frontend.files = {made.db};
  download.image = test::meter_image(4, 0);
  command_append(f.state, f.frontend, step(download));
  EXPECT_EQ(download.calls, 1);
  EXPECT_EQ(f.state.default_dir, made.dir.path().string());
  EXPECT_EQ(f.frontend.messages,
            (std::vector<Message>{{Message::information, "Добавлено записей в стационарный метод: 2"}}));
  EXPECT_EQ(test::read_bytes(made.db).size(), 22u + 353 + 4 * 181 + 1);
}

TEST(Commands, AppendChecksTheInstrumentAgainstTheOpenDatabase) {
  struct Case {
    const char* name;
    test::ImageBuilder database, image;
    std::vector<Message> messages;
    bool saved;
  };
  const std::string mismatch = "Тип прибора и открытая база не совпадают!";
  const std::vector<Case> cases{
      {"probe-only database, conductivity meter",
       test::meter_image(0, 2),
       test::meter_image(3, 3),
       {{Message::error, mismatch}},
       false},
      {"heat-flow database, conductivity meter",
       test::flow_image(2),
       test::meter_image(3, 3),
       {{Message::error, mismatch}},
       false},
      {"stationary database, heat-flow meter",
       test::meter_image(2, 0),
       test::flow_image(3),
       {{Message::error, mismatch}},
       false},
      {"subtype 3", test::meter_image(2, 0), test::ImageBuilder(3), {{Message::error, mismatch}}, false},
      // Subtype 0 passes; the image check finds nothing and the command ends silently.
      {"subtype 0", test::meter_image(2, 0), test::ImageBuilder(0).methods(3).stat_count(3), {}, false},
      // Nothing added: the container is not touched.
      {"heat flow, all records older",
       test::flow_image(4, 10),
       test::flow_image(4, 0),
       {{Message::information, "Добавлено записей: 0"}},
       false},
      {"probe area without a probe table",
       test::meter_image(2, 0),
       test::meter_image(3, 3, 1),
       {{Message::information, "Добавлено записей в стационарный метод: 2"},
        {Message::error, "В открытой базе данных нет таблицы зондового метода: эти записи не добавлены"},
        {Message::error,
         "В базе данных сохранены новые записи таблиц стационарного метода; записи таблиц "
         "зондового метода не добавлены"}},
       true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    DbFixture f;
    f.create(c.database, f.db);
    const Bytes_ stored = test::read_bytes(f.db);
    Bytes_ marked = stored;
    marked.push_back('!');  // tells whether the command saved
    test::write_bytes(f.db, marked);
    FakeDownload download{f.state, c.image};
    command_append(f.state, f.frontend, step(download));
    EXPECT_EQ(f.frontend.messages, c.messages);
    const Bytes_ after = test::read_bytes(f.db);
    if (c.saved) {
      EXPECT_NE(after, marked);
    } else {
      EXPECT_EQ(after, marked);
    }
    EXPECT_TRUE(f.state.db_open);
    EXPECT_FALSE(std::filesystem::exists(f.db + "2") && !f.state.Dbf2.is_open());
    // The flags tell the tables of the database, not those of the image.
    EXPECT_EQ(f.state.stat_present, f.state.Dbf1.is_open() ? 1 : 0);
    EXPECT_EQ(f.state.zond_present, f.state.Dbf2.is_open() ? 1 : 0);
    EXPECT_EQ(f.state.potok_present, f.state.Dbf3.is_open() ? 1 : 0);
  }
}

// The database keeps its channels and gains the image's, in memory and in the saved
// header; whatever the outcome, the window shows the open tables again.
TEST(Commands, AppendJoinsTheChannelsAndShowsTheOpenTablesAfterwards) {
  struct Case {
    const char* name;
    std::optional<test::ImageBuilder> image;
    std::uint16_t mask;
  };
  const Case cases[] = {
      {"channels 1 and 2 added to 1 and 3", test::flow_image(5).channel_types(3, 4, 0), 7},
      {"same channels", test::flow_image(5), 5},
      {"another instrument", test::meter_image(2, 0), 5},
      {"download cancelled", std::nullopt, 5},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    DbFixture f;
    f.create(test::flow_image(3), f.db);  // channels 1 and 3
    ASSERT_EQ(f.state.channel_mask, 5);
    f.frontend.effects.clear();
    FakeDownload download{f.state, c.image};
    command_append(f.state, f.frontend, step(download));
    EXPECT_EQ(f.state.channel_mask, c.mask);
    const Bytes_ stored = test::read_bytes(f.db);
    ASSERT_GE(stored.size(), 10u);
    EXPECT_EQ(stored[8] | stored[9] << 8, c.mask);
    ASSERT_FALSE(f.frontend.effects.empty());
    EXPECT_EQ(f.frontend.effects.back(), "set_visible");
    EXPECT_EQ(f.state.potok_present, 1);
    EXPECT_EQ(f.state.stat_present, 0);
  }
}

TEST(Commands, AppendDropsEverySortFirst) {
  DbFixture f;
  f.create(test::flow_image(3), f.db);
  f.state.Dbf3.add_index("db3", "N", true);
  f.state.Dbf3.set_index("db3");
  f.frontend.hidden_grids = {4};
  f.frontend.effects.clear();
  FakeDownload download{f.state, test::flow_image(5)};
  command_append(f.state, f.frontend, step(download));
  EXPECT_EQ(f.frontend.effects, (std::vector<std::string>{"clear_sort_marks 3", "clear_sort_marks 5", "set_visible"}));
  EXPECT_EQ(f.state.Dbf3.active_index(), "");
  EXPECT_EQ(test::column(f.state.Dbf3, "N"), (std::vector<std::string>{"1", "2", "3", "4", "5"}));
  EXPECT_EQ(f.state.potok_present, 1);
  EXPECT_EQ(f.state.calc_enabled, 1);
}

TEST(Commands, LoadBinFileMakesADatabaseAndEachDialogStartsWhereTheLastWent) {
  DbFixture f;
  f.state.default_dir = "/start";
  f.frontend.files = {f.dir.file("missing.bin")};
  command_load_bin(f.state, f.frontend);
  ASSERT_EQ(f.frontend.messages.size(), 1u);
  EXPECT_EQ(f.frontend.messages[0].kind, Message::error);
  EXPECT_EQ(f.frontend.requests, (std::vector<test::ScriptedFrontend::Request>{open_bin}));

  EXPECT_EQ(f.state.default_dir, f.dir.path().string());  // went there, though the file was missing
  f.state.default_dir = "/start";
  f.frontend.messages.clear();
  f.frontend.requests.clear();
  test::write_bytes(f.dir.file("image.bin"), test::flow_image(3).file_bytes());
  f.frontend.files = {f.dir.file("image.bin"), f.db};
  command_load_bin(f.state, f.frontend);
  EXPECT_TRUE(f.frontend.messages.empty());
  auto save_here = save_db;
  save_here.initial_dir = f.dir.path().string();
  EXPECT_EQ(f.frontend.requests, (std::vector<test::ScriptedFrontend::Request>{open_bin, save_here}));
  EXPECT_TRUE(f.state.db_open);
  EXPECT_EQ(f.state.Dbf3.record_count(), 3u);
  EXPECT_EQ(f.state.default_dir, f.dir.path().string());
}

TEST(Commands, DeleteRowsOnAFilteredPageTouchesOnlyTheSelectedRecords) {
  DbFixture f;
  f.create(test::flow_image(9), f.db);  // kinds 0, 1, 2, 0, 1, 2, ...
  f.state.Dbf3.set_filter("MEASUR=1");
  f.state.Dbf3.set_filtered(true);
  ASSERT_EQ(test::column(f.state.Dbf3, "N"), (std::vector<std::string>{"2", "5", "8"}));
  const std::array<std::uint32_t, 3> selected{8, 2, 5};
  delete_rows(f.state, f.frontend, f.state.Dbf3, selected);
  EXPECT_TRUE(f.state.tables_modified);
  EXPECT_EQ(f.state.Dbf3.record_count(), 0u);
  f.state.Dbf3.set_filtered(false);
  EXPECT_EQ(test::column(f.state.Dbf3, "N"), (std::vector<std::string>{"1", "3", "4", "6", "7", "9"}));
  EXPECT_EQ(f.state.Dbf3.physical_count(), 9u);  // marked only: the save packs, "Отменить" may bring them back

  // Nothing selected still marks the tables modified; a closed table does nothing.
  f.state.tables_modified = false;
  delete_rows(f.state, f.frontend, f.state.Dbf3, {});
  EXPECT_TRUE(f.state.tables_modified);
  f.state.tables_modified = false;
  delete_rows(f.state, f.frontend, f.state.Dbf1, selected);
  EXPECT_FALSE(f.state.tables_modified);
}

TEST(Commands, SaveAndCloseWithoutDatabaseDoNothingHarmful) {
  DbFixture f;
  command_save(f.state, f.frontend);
  EXPECT_TRUE(f.files_in_dir().empty());
  command_close(f.state, f.frontend);
  EXPECT_EQ(f.frontend.effects, (std::vector<std::string>{"save_layout_all", "show_empty_state", "title КАЛОРА-5"}));
  EXPECT_TRUE(f.frontend.messages.empty());
}

}  // namespace
}  // namespace kalora

namespace kalora {
namespace {

// A stored row with a date the instrument cannot have written (erased memory's year
// 2255, a day or an hour that does not exist) stays, but later records still count as new.
TEST(Commands, AnImpossibleDateIsNoReferenceForNewRecords) {
  const std::pair<const char*, const char*> stamps[] = {
      {"01.01.2255", "10:00:00"}, {"00.05.2024", "10:00:00"}, {"01.05.2024", "25:00:00"}, {"xx.05.2024", "10:00:00"}};
  for (const auto& [date, time] : stamps) {
    SCOPED_TRACE(std::string(date) + " " + time);
    DbFixture f;
    f.create(test::meter_image(3, 0), f.db);
    f.state.Dbf1.last();
    f.state.Dbf1.set_text("DATE", date);
    f.state.Dbf1.set_text("TIME", time);
    f.state.Dbf1.post();
    FakeDownload later{f.state, test::meter_image(5, 0, 10)};
    f.frontend.messages.clear();
    EXPECT_EQ(command_append(f.state, f.frontend, step(later)), DbResult::ok);
    EXPECT_EQ(f.frontend.messages.back().text, "Добавлено записей в стационарный метод: 5");
    EXPECT_EQ(f.state.Dbf1.record_count(), 8u);
    Close_DB(f.state, f.frontend);
  }
}

}  // namespace
}  // namespace kalora
