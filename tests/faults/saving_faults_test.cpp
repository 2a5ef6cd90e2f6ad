// Every way of writing a file fails in turn, one operation at a time, while the
// program saves, creates, opens, appends to, thins out and closes a database and
// exports a report: the user is told each time, the last saved container stays
// byte for byte as it was, no half-written file is left about, and what was saved
// before can still be opened.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "db/commands.h"
#include "db/container.h"
#include "decode/check_flash.h"
#include "device/image_save.h"
#include "faults/fault_plan.h"
#include "reports/exp2excel.h"
#include "support/image_builder.h"
#include "support/recording_frontend.h"
#include "support/temp_dir.h"

namespace kalora {
namespace {

class DialogFrontend : public test::RecordingFrontend {
 public:
  std::string chosen;  // the file every dialog picks
  std::string choose_file(const FileDialogRequest&) override { return chosen; }
  bool ask_yes_no_default_no(std::string_view) override { return true; }  // the old export is replaced
  bool errors() const {
    return std::any_of(messages.begin(), messages.end(), [](const auto& m) { return m.kind == test::Message::error; });
  }
};

// An image of the heat-conductivity meter with measurements newer than the samples'.
std::array<std::uint8_t, flash_size> newer_image() {
  const test::Timestamp later{1, 2, 30, 9, 15, 0};
  test::ImageBuilder image(1);
  image.methods(3).stat_count(2).zond_count(1);
  image.stat_record(0, 412, 250, 0x8100, 0x8250, later).stat_record(1, 415, 250, 0x8100, 0x8250, later);
  image.zond_record(0, 320, 900, 1200, later);
  return image.bytes;
}

// A database made from the sample with both tables, saved once.
struct Database {
  test::TempDir dir;
  std::unique_ptr<State> state = std::make_unique<State>();
  DialogFrontend frontend;
  std::string name = dir.file("замеры.db");
  std::string report_name;  // of an export's file
  std::size_t rows[2] = {};

  Database() {
    std::array<std::uint8_t, flash_size> image{};
    const ReadResult read = read_file_into(std::string(KALORA_SAMPLES) + "/both.bin", image);
    EXPECT_TRUE(read.ok) << read.error;
    state->flash = image;
    check_flash(*state, frontend);
    EXPECT_EQ(Create_DB(*state, frontend, name), DbResult::ok);
    rows[0] = state->Dbf1.record_count();
    rows[1] = state->Dbf2.record_count();
    frontend.messages.clear();
  }
  ~Database() { Close_DB(*state, frontend); }
};

struct Scenario {
  const char* name;
  std::function<void(Database&)> prepare;  // runs without faults
  std::function<void(Database&)> act;      // every file operation of it fails in turn
  std::size_t rows_lost = 0;               // rows the scenario deletes on purpose
};

std::string report_file(const Database& db) { return db.dir.file(db.report_name); }

// The export writes each of its kinds of file over an old one.
std::vector<Scenario> with_exports(std::vector<Scenario> list) {
  std::vector<const char*> names{"отчёт.xls", "записи.csv"};
#ifdef KALORA_HAVE_XLSX
  names.push_back("отчёт.xlsx");
#endif
  for (const char* name : names) {
    list.push_back({name,
                    [name](Database& db) {
                      db.report_name = name;
                      test::write_bytes(report_file(db), {'o', 'l', 'd'});
                      db.frontend.chosen = report_file(db);
                    },
                    [](Database& db) {
                      reports::TfrOLEExcelExport exporter;
                      reports::exp2excel(*db.state, db.frontend, reports::ReportId::stat, exporter);
                    }});
  }
  return list;
}

const std::vector<Scenario>& scenarios() {
  static const std::vector<Scenario> list = with_exports({
      {"Сохранить после правки примечания",
       [](Database& db) {
         db.state->Dbf1.first();
         db.state->Dbf1.set_text("COMMENT", "образец треснул");
         db.state->Dbf1.post();
       },
       [](Database& db) { command_save(*db.state, db.frontend); }},
      {"Создать поверх сохранённой базы", [](Database&) {},
       [](Database& db) {
         check_flash(*db.state, db.frontend);
         Create_DB(*db.state, db.frontend, db.name);
       }},
      {"Открыть", [](Database& db) { Close_DB(*db.state, db.frontend); },
       [](Database& db) { Open_DB(*db.state, db.frontend, db.name); }},
      {"Дополнить", [](Database&) {},
       [](Database& db) {
         command_append(*db.state, db.frontend, [&db] {
           db.state->flash = newer_image();
           return ModalResult::ok;
         });
       }},
      {"Удалить строки", [](Database&) {},
       [](Database& db) {
         const std::uint32_t selected[] = {1, 3};
         delete_rows(*db.state, db.frontend, db.state->Dbf1, selected);
       },
       2},
      {"Закрыть с сохранением удалённых строк",
       [](Database& db) {
         const std::uint32_t selected[] = {2};
         delete_rows(*db.state, db.frontend, db.state->Dbf2, selected);
         db.frontend.answers = {true};
       },
       [](Database& db) { Close_DB(*db.state, db.frontend); }, 1},
  });
  return list;
}

bool half_written(const std::filesystem::path& file) {
  const std::string name = file.filename().string();
  for (const char* suffix : {".new", ".part", ".tmp"}) {
    if (name.find(suffix) != std::string::npos) return true;
  }
  return false;
}

// What is in the container now opens, with every table and no fewer rows than saved.
void expect_container_opens(Database& db, std::size_t rows_lost) {
  Close_DB(*db.state, db.frontend);
  DialogFrontend quiet;
  ASSERT_EQ(Open_DB(*db.state, quiet, db.name), DbResult::ok);
  // Working copies a failed save at close kept on purpose are offered back, nothing else is said.
  for (const auto& m : quiet.messages) {
    EXPECT_TRUE(m.kind == test::Message::question && m.text.starts_with("Найдены несохранённые изменения")) << m.text;
  }
  ASSERT_TRUE(db.state->Dbf1.is_open());
  ASSERT_TRUE(db.state->Dbf2.is_open());
  EXPECT_GE(db.state->Dbf1.record_count() + db.state->Dbf2.record_count() + rows_lost, db.rows[0] + db.rows[1]);
}

TEST(SavingFaults, EveryFailedFileOperationIsToldAndLosesNothingSaved) {
  for (const Scenario& s : scenarios()) {
    SCOPED_TRACE(s.name);
    int operations = 0;
    {
      Database db;
      s.prepare(db);
      const test::FaultPlan count(0);
      s.act(db);
      operations = count.seen();
      EXPECT_FALSE(db.frontend.errors());
      expect_container_opens(db, s.rows_lost);
    }
    EXPECT_GT(operations, 0);
    for (int n = 1; n <= operations; ++n) {
      Database db;
      s.prepare(db);
      const std::vector<unsigned char> saved = test::read_bytes(db.name);
      const bool exporting = !db.frontend.chosen.empty();
      const std::vector<unsigned char> report = exporting ? test::read_bytes(report_file(db)) : saved;
      db.frontend.messages.clear();
      std::optional<FileOp> failed;
      {
        const test::FaultPlan plan(n);
        s.act(db);
        failed = plan.failed();
      }
      ASSERT_TRUE(failed.has_value()) << "operation " << n << " of " << operations;
      SCOPED_TRACE(std::string("operation ") + std::to_string(n) + ", a " + test::op_name(*failed));
      EXPECT_TRUE(db.frontend.errors());
      EXPECT_EQ(test::read_bytes(db.name), saved);
      if (exporting) {
        EXPECT_EQ(test::read_bytes(report_file(db)), report);
      }
      for (const auto& file : std::filesystem::directory_iterator(db.dir.path())) {
        EXPECT_FALSE(half_written(file.path())) << file.path();
      }
      expect_container_opens(db, s.rows_lost);
      if (::testing::Test::HasFailure()) return;  // one failing step tells enough
    }
  }
}

TEST(SavingFaults, DeviceImageFileKeepsItsOldContents) {
  test::TempDir dir;
  const std::string path = dir.file("образ.bin");
  test::write_bytes(path, {'o', 'l', 'd'});
  const std::vector<std::uint8_t> image(5166, 0x5A);
  int operations = 0;
  {
    const test::FaultPlan count(0);
    std::string error;
    ASSERT_TRUE(save_bin_file(dir.file("другой.bin"), image, error)) << error;
    operations = count.seen();
  }
  for (int n = 1; n <= operations; ++n) {
    SCOPED_TRACE(n);
    std::string error;
    {
      const test::FaultPlan plan(n);
      EXPECT_FALSE(save_bin_file(path, image, error));
    }
    EXPECT_NE(error.find("Ошибка ввода-вывода"), std::string::npos) << error;
    EXPECT_EQ(test::read_bytes(path), (std::vector<unsigned char>{'o', 'l', 'd'}));
    EXPECT_FALSE(std::filesystem::exists(path + ".new"));
  }
}

}  // namespace
}  // namespace kalora
