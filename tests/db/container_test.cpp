#include <gtest/gtest.h>

#include <cerrno>

#include "core/file_io.h"
#include "db/commands.h"
#include "db/container.h"
#include "db/locked_file.h"
#include "support/run_program.h"
#include "tests/db/db_fixture.h"
#include "tests/db/table_files.h"

namespace kalora {
namespace {

using test::DbFixture;
using test::Message;
using Bytes_ = std::vector<unsigned char>;

Bytes_ container_header(std::uint16_t count, std::uint16_t version, std::uint16_t mask,
                        std::array<std::uint32_t, 3> sizes) {
  Bytes_ h{'k', 'L', 'r', '!'};
  for (std::uint32_t v : {std::uint32_t{count}, std::uint32_t{version}, std::uint32_t{mask}}) {
    h.push_back(static_cast<unsigned char>(v));
    h.push_back(static_cast<unsigned char>(v >> 8));
  }
  for (std::uint32_t v : sizes) {
    for (int i = 0; i < 4; ++i) h.push_back(static_cast<unsigned char>(v >> (8 * i)));
  }
  return h;
}

TEST(Container, ProbeOnlyDatabaseLayout) {
  DbFixture f;
  f.state.channel_mask = 6;  // a probe-only image leaves the mask as it was
  f.create(test::meter_image(0, 3), f.db);
  EXPECT_TRUE(f.state.db_open);
  EXPECT_EQ(f.state.calc_enabled, 1);
  EXPECT_EQ(f.frontend.effects,
            (std::vector<std::string>{"set_visible", "load_layout_all", "en_but", "title meas - КАЛОРА-5"}));
  const Bytes_ copy = test::read_bytes(f.db + "2");
  ASSERT_EQ(copy.size(), 257u + 3 * 113 + 1);
  const Bytes_ file = test::read_bytes(f.db);
  ASSERT_EQ(file.size(), 22 + copy.size());
  const Bytes_ header(file.begin(), file.begin() + 22);
  EXPECT_EQ(header, container_header(1, 100, 6, {0, static_cast<std::uint32_t>(copy.size()), 0}));
  EXPECT_EQ(Bytes_(file.begin() + 22, file.end()), copy);
  EXPECT_EQ(f.files_in_dir(), (std::vector<std::string>{"meas.db", "meas.db.lock", "meas.db2"}));
  EXPECT_TRUE(f.frontend.messages.empty());

  Close_DB(f.state, f.frontend);
  EXPECT_EQ(f.files_in_dir(), (std::vector<std::string>{"meas.db"}));
  EXPECT_EQ(f.state.channel_mask, 6);
  EXPECT_EQ(f.state.db_name, f.db);
}

TEST(Container, SaveAndReopenGiveIdenticalWorkingCopiesAndMask) {
  struct Case {
    const char* name;
    test::ImageBuilder image;
    std::vector<int> tables;
    std::uint16_t mask;
  };
  const std::vector<Case> cases{
      {"stationary and probe", test::meter_image(4, 5), {1, 2}, 0},
      {"heat flow", test::flow_image(6), {3}, 5},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    DbFixture f;
    f.create(c.image, f.db);
    std::vector<Bytes_> copies;
    for (int n : c.tables) copies.push_back(test::read_bytes(f.db + std::to_string(n)));
    Close_DB(f.state, f.frontend);
    f.state.channel_mask = 0;
    ASSERT_EQ(Open_DB(f.state, f.frontend, f.db), DbResult::ok);
    EXPECT_EQ(f.state.channel_mask, c.mask);
    for (std::size_t i = 0; i < c.tables.size(); ++i) {
      EXPECT_EQ(test::read_bytes(f.db + std::to_string(c.tables[i])), copies[i]);
    }
    EXPECT_EQ(f.state.stat_present, c.tables[0] == 1 ? 1 : 0);
    EXPECT_EQ(f.state.potok_present, c.tables[0] == 3 ? 1 : 0);
    const Bytes_ container = test::read_bytes(f.db);
    Save_DB(f.state, f.frontend);
    EXPECT_EQ(test::read_bytes(f.db), container);
    EXPECT_TRUE(f.frontend.messages.empty());
  }
}

TEST(Container, SortedTableIsStoredWithItsIndexFlagAndOpensWithoutTheIndex) {
  DbFixture f;
  f.create(test::meter_image(3, 0), f.db);
  f.state.Dbf1.add_index("db1", "N", true);
  f.state.Dbf1.set_index("db1");
  ASSERT_EQ(Save_DB(f.state, f.frontend), DbResult::ok);
  EXPECT_EQ(f.state.Dbf1.active_index(), "db1");  // the save keeps the grid's order
  EXPECT_EQ(test::read_bytes(f.db)[22 + 28], 1);
  Close_DB(f.state, f.frontend);
  ASSERT_EQ(Open_DB(f.state, f.frontend, f.db), DbResult::ok);
  EXPECT_TRUE(f.state.Dbf1.is_open());
  EXPECT_EQ(f.state.Dbf1.active_index(), "");
  EXPECT_EQ(test::read_bytes(f.db + "1")[28], 0);
  EXPECT_TRUE(f.frontend.messages.empty());
}

TEST(Container, DatabaseWithoutTablesOpensSavesAndCloses) {
  DbFixture f;
  const Bytes_ empty = container_header(0, 100, 3, {0, 0, 0});
  test::write_bytes(f.db, empty);
  ASSERT_EQ(Open_DB(f.state, f.frontend, f.db), DbResult::ok);
  EXPECT_TRUE(f.state.db_open);
  EXPECT_FALSE(f.state.Dbf1.is_open() || f.state.Dbf2.is_open() || f.state.Dbf3.is_open());
  std::filesystem::remove(f.db);
  ASSERT_EQ(Save_DB(f.state, f.frontend), DbResult::ok);
  EXPECT_EQ(test::read_bytes(f.db), empty);
  Close_DB(f.state, f.frontend);
  EXPECT_FALSE(f.state.db_open);
  EXPECT_TRUE(f.frontend.messages.empty());
}

TEST(Container, TablesMoveThroughTheBufferInBlocks) {
  for (const std::uint32_t size : {0u, 1u, 16384u, 16385u, 40000u}) {
    SCOPED_TRACE(size);
    DbFixture f;
    Bytes_ bytes(size);
    for (std::uint32_t i = 0; i < size; ++i) bytes[i] = static_cast<unsigned char>(i * 7 + i / 251);
    test::write_bytes(f.dir.file("in"), bytes);
    f.state.rx_buf.fill(0xEE);
    {
      const FilePtr container = open_file(f.dir.file("out"), "wb");
      file2db(f.state, container.get(), f.dir.file("in"), size);
    }
    EXPECT_EQ(test::read_bytes(f.dir.file("out")), bytes);
    // The last block starts at a multiple of 16384 and lies at the buffer's start.
    if (size > 0) {
      EXPECT_EQ(f.state.rx_buf[0], bytes[(size - 1) / 16384 * 16384]);
    }
    if (size == 16385) {  // left from the first block
      EXPECT_EQ(f.state.rx_buf[1], bytes[1]);
    }
    if (size == 0) {
      EXPECT_EQ(f.state.rx_buf[0], 0xEE);
    }

    f.state.rx_buf.fill(0xEE);
    {
      const FilePtr container = open_file(f.dir.file("out"), "rb");
      db2file(f.state, container.get(), f.dir.file("back"), size);
    }
    EXPECT_EQ(test::read_bytes(f.dir.file("back")), bytes);
    if (size > 0) {
      EXPECT_EQ(f.state.rx_buf[0], bytes[(size - 1) / 16384 * 16384]);
    }
  }
}

TEST(Container, RefusedFilesLeaveNoDatabaseAndNoWorkingCopies) {
  DbFixture source;
  source.create(test::meter_image(3, 2), source.db);
  Close_DB(source.state, source.frontend);
  const Bytes_ good = test::read_bytes(source.db);
  const auto with = [&](std::size_t at, std::initializer_list<unsigned char> bytes) {
    Bytes_ b = good;
    std::copy(bytes.begin(), bytes.end(), b.begin() + static_cast<std::ptrdiff_t>(at));
    return b;
  };
  const std::string damaged = "База данных повреждена !";
  const std::string unknown = "Неизвестная база данных !";
  struct Case {
    const char* name;
    Bytes_ bytes;
    std::string message;
  };
  const std::vector<Case> cases{
      {"empty file", {}, damaged},
      {"nine bytes", Bytes_(good.begin(), good.begin() + 9), damaged},
      {"ten bytes", Bytes_(good.begin(), good.begin() + 10), damaged},
      {"header cut short", Bytes_(good.begin(), good.begin() + 21), damaged},
      {"last table cut short", Bytes_(good.begin(), good.end() - 1), damaged},
      {"size beyond 4 GB of file", with(18, {0xFF, 0xFF, 0xFF, 0xFF}), damaged},
      {"wrong magic", with(0, {'k', 'L', 'r', '?'}), damaged},
      {"version 101", with(6, {101, 0}), unknown},
      {"version 65535", with(6, {0xFF, 0xFF}), unknown},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    DbFixture f;
    test::write_bytes(f.db, c.bytes);
    EXPECT_EQ(Open_DB(f.state, f.frontend, f.db), DbResult::refused);
    EXPECT_EQ(f.frontend.messages, (std::vector<Message>{{Message::error, c.message}}));
    EXPECT_FALSE(f.state.db_open);
    EXPECT_EQ(f.files_in_dir(), (std::vector<std::string>{"meas.db"}));
    EXPECT_EQ(test::read_bytes(f.db), c.bytes);
  }
  for (const std::string version : {"0", "100"}) {
    DbFixture f;
    test::write_bytes(f.db, with(6, {static_cast<unsigned char>(std::stoi(version)), 0}));
    EXPECT_EQ(Open_DB(f.state, f.frontend, f.db), DbResult::ok) << version;
    EXPECT_TRUE(f.state.Dbf1.is_open() && f.state.Dbf2.is_open());
  }
  for (const bool directory : {false, true}) {
    DbFixture f;
    if (directory) std::filesystem::create_directory(f.db);
    EXPECT_EQ(Open_DB(f.state, f.frontend, f.db), DbResult::io_error);
    ASSERT_EQ(f.frontend.messages.size(), 1u);
    EXPECT_NE(f.frontend.messages[0].text.find("не удалось открыть файл"), std::string::npos);
    EXPECT_FALSE(f.state.db_open);
  }
}

TEST(Container, StoredTableThatWillNotOpenIsReportedAndKept) {
  DbFixture source;
  source.create(test::meter_image(3, 0), source.db);
  Close_DB(source.state, source.frontend);
  const Bytes_ good = test::read_bytes(source.db);
  const std::uint32_t stat_size = static_cast<std::uint32_t>(good.size() - 22);
  Bytes_ garbage(100);
  for (std::size_t i = 0; i < garbage.size(); ++i) garbage[i] = static_cast<unsigned char>(i * 13);
  Bytes_ container = container_header(2, 100, 0, {stat_size, 100, 0});
  container.insert(container.end(), good.begin() + 22, good.end());
  container.insert(container.end(), garbage.begin(), garbage.end());

  DbFixture f;
  test::write_bytes(f.db, container);
  ASSERT_EQ(Open_DB(f.state, f.frontend, f.db), DbResult::ok);
  EXPECT_EQ(
      f.frontend.messages,
      (std::vector<Message>{
          {Message::error, "Не удалось открыть таблицу зондового метода: она останется в базе данных без изменений"}}));
  EXPECT_TRUE(f.state.Dbf1.is_open());
  EXPECT_FALSE(f.state.Dbf2.is_open());
  EXPECT_EQ(f.state.stat_present, 1);
  EXPECT_EQ(f.state.zond_present, 0);

  // Deleting a row and saving keeps the probe table's bytes as they were.
  const std::array<std::uint32_t, 1> first{1};
  delete_rows(f.state, f.frontend, f.state.Dbf1, first);
  ASSERT_EQ(Save_DB(f.state, f.frontend), DbResult::ok);
  const Bytes_ saved = test::read_bytes(f.db);
  EXPECT_EQ(Bytes_(saved.begin(), saved.begin() + 22), container_header(2, 100, 0, {stat_size - 181, 100, 0}));
  EXPECT_EQ(Bytes_(saved.end() - 100, saved.end()), garbage);
  Close_DB(f.state, f.frontend);
  EXPECT_EQ(f.files_in_dir(), (std::vector<std::string>{"meas.db"}));
}

TEST(Container, FailedSaveLeavesTheOldContainerWhole) {
  DbFixture f;
  f.create(test::meter_image(3, 0), f.db);
  const Bytes_ before = test::read_bytes(f.db);
  const std::array<std::uint32_t, 1> first{1};
  delete_rows(f.state, f.frontend, f.state.Dbf1, first);
  // The new container cannot be created.
  set_file_fault_hook([](FileOp op) { return op == FileOp::create ? EACCES : 0; });
  EXPECT_EQ(Save_DB(f.state, f.frontend), DbResult::io_error);
  ASSERT_EQ(f.frontend.messages.size(), 1u);
  EXPECT_NE(f.frontend.messages[0].text.find("Прежний файл базы данных не изменён."), std::string::npos);
  EXPECT_EQ(test::read_bytes(f.db), before);
  EXPECT_TRUE(f.state.tables_modified);
  EXPECT_TRUE(f.state.Dbf1.is_open());

  // Closing with Yes: the save fails again, and the working copy stays on the disk.
  f.frontend.answers = {true};
  Close_DB(f.state, f.frontend);
  set_file_fault_hook({});
  EXPECT_EQ(test::read_bytes(f.db), before);
  EXPECT_TRUE(std::filesystem::exists(f.db + "1"));
}

TEST(Container, CloseAsksToSaveOnlyAfterDeletions) {
  for (const bool yes : {false, true}) {
    SCOPED_TRACE(yes ? "Yes" : "No");
    DbFixture f;
    f.create(test::meter_image(3, 0), f.db);
    const Bytes_ before = test::read_bytes(f.db);
    const std::array<std::uint32_t, 2> rows{1, 3};
    delete_rows(f.state, f.frontend, f.state.Dbf1, rows);
    f.frontend.answers = {yes};
    Close_DB(f.state, f.frontend);
    EXPECT_EQ(f.frontend.messages, (std::vector<Message>{{Message::question, "Сохранить изменения в таблицах ?"}}));
    const Bytes_ after = test::read_bytes(f.db);
    EXPECT_EQ(after.size(), yes ? before.size() - 2 * 181 : before.size());
    if (!yes) {
      EXPECT_EQ(after, before);
    }
    EXPECT_EQ(f.files_in_dir(), (std::vector<std::string>{"meas.db"}));

    // Another database opened and closed asks nothing.
    f.frontend.messages.clear();
    f.create(test::flow_image(2), f.dir.file("other.db"));
    Close_DB(f.state, f.frontend);
    EXPECT_TRUE(f.frontend.messages.empty());
  }
}

TEST(Container, HeatFlowTableLeftFilteredByItsPageClosesAndOpensAgain) {
  DbFixture f;
  f.create(test::flow_image(6), f.db);
  f.state.Dbf3.set_filter("MEASUR=1");
  f.state.Dbf3.set_filtered(true);
  ASSERT_EQ(f.state.Dbf3.record_count(), 2u);
  Close_DB(f.state, f.frontend);
  EXPECT_FALSE(f.state.Dbf3.filtered());
  EXPECT_EQ(f.files_in_dir(), (std::vector<std::string>{"meas.db"}));

  f.state.Dbf3.set_filter("MEASUR=2");
  f.state.Dbf3.set_filtered(true);
  ASSERT_EQ(Open_DB(f.state, f.frontend, f.db), DbResult::ok);
  EXPECT_EQ(f.state.Dbf3.record_count(), 6u);
  EXPECT_TRUE(f.frontend.messages.empty());
  Close_DB(f.state, f.frontend);
}

TEST(Container, CreateReplacesAnExistingFileAndRefusesAHeldWorkingCopy) {
  DbFixture f;
  test::write_bytes(f.db, Bytes_(100000, 'x'));
  f.create(test::meter_image(1, 1), f.db);
  EXPECT_TRUE(f.frontend.messages.empty());
  EXPECT_EQ(test::read_bytes(f.db).size(), 22u + 353 + 181 + 1 + 257 + 113 + 1);
  Close_DB(f.state, f.frontend);

  // Another program has this database open: its working copy stays untouched.
  DbFixture g;
  test::write_bytes(g.db + "2", Bytes_(10, 'y'));
  db::LockedFile held = db::LockedFile::open(g.db + "2", false);
  g.create(test::meter_image(1, 1), g.db);
  EXPECT_FALSE(g.state.db_open);
  ASSERT_EQ(g.frontend.messages.size(), 1u);
  EXPECT_EQ(g.frontend.messages[0].kind, Message::error);
  EXPECT_EQ(test::read_bytes(g.db + "2"), Bytes_(10, 'y'));
  EXPECT_EQ(g.files_in_dir(), (std::vector<std::string>{"meas.db2"}));

  // Made while another database is open: that one closes, and the new one still
  // gets the tables of the image.
  DbFixture k;
  k.create(test::flow_image(2), k.dir.file("old.db"));
  k.load(test::meter_image(3, 2));
  ASSERT_EQ(Create_DB(k.state, k.frontend, k.db), DbResult::ok);
  EXPECT_TRUE(k.state.Dbf1.is_open());
  EXPECT_TRUE(k.state.Dbf2.is_open());
  EXPECT_FALSE(k.state.Dbf3.is_open());
  EXPECT_EQ(k.state.Dbf1.record_count(), 3u);
  EXPECT_EQ(k.state.Dbf2.record_count(), 2u);
  EXPECT_EQ(test::read_bytes(k.db).size(), 22u + 353 + 3 * 181 + 1 + 257 + 2 * 113 + 1);
  Close_DB(k.state, k.frontend);

  // Nothing is made from an image without data.
  DbFixture h;
  h.load(test::ImageBuilder(0));
  Create_DB(h.state, h.frontend, h.db);
  EXPECT_TRUE(h.files_in_dir().empty());
}

}  // namespace
}  // namespace kalora
