#include "db/commands.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <optional>

#include "core/file_io.h"
#include "db/container.h"
#include "db/db_texts.h"
#include "db/leftovers.h"
#include "db/tables.h"
#include "decode/check_flash.h"
#include "decode/flash2table.h"
#include "device/image_file.h"

namespace kalora {

namespace {

std::string folder_of(const std::string& path) {
  const std::u8string folder = std::filesystem::u8path(path).parent_path().u8string();
  return {folder.begin(), folder.end()};
}

std::string ask_for_file(State& state, Frontend& frontend, FileDialogRequest::Kind kind, std::string_view filter,
                         std::string_view extension) {
  // The next dialog starts where the user went this time.
  std::string chosen = frontend.choose_file({kind, filter, extension, state.default_dir});
  if (!chosen.empty()) state.default_dir = folder_of(chosen);
  return chosen;
}

std::string ask_for_database(State& state, Frontend& frontend) {
  return ask_for_file(state, frontend, FileDialogRequest::Kind::open, db::texts::databases_filter, "db");
}

// The name of a new database; a file already there is replaced only after "Да",
// "Нет" asks for the name again. Empty when the dialog is cancelled.
std::string ask_for_new_database(State& state, Frontend& frontend) {
  for (;;) {
    std::string name = ask_for_file(state, frontend, FileDialogRequest::Kind::save, db::texts::databases_filter, "db");
    std::error_code ec;
    if (name.empty() || !std::filesystem::exists(std::filesystem::symlink_status(native_path(name), ec))) return name;
    if (frontend.ask_yes_no_default_no("Файл " + file_name_of(name) + " уже существует. Заменить его?")) return name;
  }
}

// The subtype of the new image must fit the tables of the open database.
bool image_fits_database(const State& state) { return append_refusal(state, state.flash[6]).empty(); }

void reset_all_sorts(State& state, Frontend& frontend) {
  if (state.Dbf1.is_open()) reset_sort(frontend, 1, state.Dbf1, "db1");
  if (state.Dbf2.is_open()) reset_sort(frontend, 2, state.Dbf2, "db2");
  if (!state.Dbf3.is_open()) return;
  for (int grid = 3; grid <= 5; ++grid) {
    if (frontend.grid_page_visible(grid)) reset_sort(frontend, grid, state.Dbf3, "db3");
  }
}

class FlagsOfOpenTables {
 public:
  explicit FlagsOfOpenTables(State& state) : state_(state) {}
  ~FlagsOfOpenTables() {
    for (int n = 1; n <= 3; ++n) present_flag(state_, n) = table(state_, n).is_open() ? 1 : 0;
  }
  FlagsOfOpenTables(const FlagsOfOpenTables&) = delete;
  FlagsOfOpenTables& operator=(const FlagsOfOpenTables&) = delete;

 private:
  State& state_;
};

// Once the command is over, the pages show the open tables and channels again:
// the download shows the pages of the methods it finds, whatever the database holds.
class PagesOfOpenTables {
 public:
  explicit PagesOfOpenTables(Frontend& frontend) : frontend_(frontend) {}
  ~PagesOfOpenTables() { frontend_.set_visible(); }
  PagesOfOpenTables(const PagesOfOpenTables&) = delete;
  PagesOfOpenTables& operator=(const PagesOfOpenTables&) = delete;

 private:
  Frontend& frontend_;
};

}  // namespace

void reset_sort(Frontend& frontend, int grid, db::DbfTable& table, std::string_view index_name) {
  frontend.clear_sort_marks(grid);
  if (!table.is_open()) return;
  table.set_index("");
  table.drop_index(index_name);
  table.refresh();
}

namespace {

// The download runs while the open database stays open: one that fails or is
// cancelled leaves it as it was, its pages and flags included.
bool downloaded_beside(State& state, Frontend& frontend, const DownloadStep& download) {
  if (!state.db_open) return download() != ModalResult::cancel;
  const PagesOfOpenTables pages(frontend);
  const FlagsOfOpenTables restore(state);
  return download() != ModalResult::cancel;
}

}  // namespace

void command_create(State& state, Frontend& frontend, const DownloadStep& download) {
  if (!downloaded_beside(state, frontend, download)) return;
  if (state.db_open && !Close_DB(state, frontend)) return;
  check_flash(state, frontend);
  if (state.data_present == 0) return;
  std::string name;
  // A download is not thrown away without a question: "Нет" asks for the name again.
  while ((name = ask_for_new_database(state, frontend)).empty()) {
    if (frontend.ask_yes_no_default_no(db::texts::drop_download_question)) return;
  }
  Create_DB(state, frontend, name);
}

void command_open(State& state, Frontend& frontend) {
  const std::string name = ask_for_database(state, frontend);
  if (name.empty()) return;
  if (state.db_open && !Close_DB(state, frontend)) return;
  Open_DB(state, frontend, name);
}

std::string_view append_refusal(const State& state, std::uint8_t dev_subtype) {
  const bool fits = dev_subtype == 1   ? state.stat_present != 0
                    : dev_subtype == 2 ? state.potok_present != 0
                                       : dev_subtype == 0;
  return fits ? std::string_view() : db::texts::type_mismatch;
}

DbResult command_append(State& state, Frontend& frontend, const DownloadStep& download) {
  if (!state.db_open) {
    const std::string name = ask_for_database(state, frontend);
    if (!name.empty()) Open_DB(state, frontend, name);
  }
  if (!state.db_open) return DbResult::refused;
  // Adding packs the tables and saves: what was deleted cannot come back after it.
  state.edits.clear();
  const PagesOfOpenTables pages(frontend);
  // Whatever happens next, the flags describe the open database again afterwards,
  // not the image: the next type check and the window rely on them.
  const FlagsOfOpenTables restore(state);
  if (download() == ModalResult::cancel) return DbResult::refused;
  reset_all_sorts(state, frontend);
  if (!image_fits_database(state)) {
    frontend.show_error(db::texts::type_mismatch);
    return DbResult::refused;
  }
  // The database keeps its channels and gains the image's.
  const std::uint16_t database_channels = state.channel_mask;
  check_flash(state, frontend);
  state.channel_mask |= database_channels;
  if (state.data_present == 0) return DbResult::refused;

  using Decoder = std::uint32_t (*)(State&, Frontend&, std::uint8_t);
  constexpr std::array<Decoder, 3> decoders{flash2table_stat, flash2table_zond, flash2table_potok};
  std::uint32_t added = 0;
  std::string saved_tables, skipped_tables;
  // The decoders append, thin out and pack the working copies; the save ends the step.
  std::optional<BusyMarker> appending;
  try {
    appending.emplace(state, "append");
    for (int n = 1; n <= 3; ++n) {
      if (present_flag(state, n) == 0) continue;
      const std::string name(db::texts::table_of[n - 1]);
      if (!table(state, n).is_open()) {
        // The open database has no table for this area of the image.
        frontend.show_error("В открытой базе данных нет таблицы " + name + ": эти записи не добавлены");
        skipped_tables += (skipped_tables.empty() ? "" : ", ") + name;
        continue;
      }
      const std::uint32_t n_added = decoders[n - 1](state, frontend, 1);
      added += n_added;
      if (n_added > 0) saved_tables += (saved_tables.empty() ? "" : ", ") + name;
    }
  } catch (const db::DbfError& e) {
    frontend.show_error(e.what());
    return DbResult::io_error;
  }
  state.db_open = true;
  state.calc_enabled = 1;
  if (added == 0) {
    // Nothing new: the container stays as it was, byte for byte and its time.
    state.channel_mask = database_channels;
    return skipped_tables.empty() ? DbResult::ok : DbResult::refused;
  }
  if (const DbResult saved = Save_DB(state, frontend); saved != DbResult::ok) return saved;
  if (skipped_tables.empty()) return DbResult::ok;
  frontend.show_error("В базе данных сохранены новые записи таблиц " + saved_tables + "; записи таблиц " +
                      skipped_tables + " не добавлены");
  return DbResult::refused;
}

void command_save(State& state, Frontend& frontend) {
  if (state.db_open) Save_DB(state, frontend);
}

bool command_close(State& state, Frontend& frontend) { return Close_DB(state, frontend); }

void command_load_bin(State& state, Frontend& frontend) {
  if (state.db_open && !Close_DB(state, frontend)) return;
  const std::string image =
      ask_for_file(state, frontend, FileDialogRequest::Kind::open, db::texts::images_filter, "bin");
  if (image.empty()) return;
  if (load_bin_file(state, image, frontend) != BinLoad::loaded) return;
  check_flash(state, frontend);
  if (state.data_present == 0) return;
  const std::string name = ask_for_new_database(state, frontend);
  if (name.empty()) return;
  Create_DB(state, frontend, name);
}

std::string delete_question(std::size_t records) {
  const std::size_t last_two = records % 100, last = records % 10;
  const char* noun = (last_two >= 11 && last_two <= 14) || last == 0 || last >= 5 ? "записей"
                     : last == 1                                                  ? "запись"
                                                                                  : "записи";
  return "Удалить " + std::to_string(records) + " " + noun + "?";
}

void delete_rows(State& state, Frontend& frontend, db::DbfTable& table, std::span<const std::uint32_t> selected) {
  if (!table.is_open()) return;
  state.tables_modified = true;
  try {
    const BusyMarker deleting(state, "delete");
    table.post();
    std::vector<std::uint32_t> records(selected.begin(), selected.end());
    std::sort(records.begin(), records.end());
    std::vector<std::uint32_t> deleted;
    for (auto r = records.rbegin(); r != records.rend(); ++r) {
      if (!table.go_to(*r)) continue;
      table.delete_record();
      deleted.push_back(*r);
    }
    // The records stay in the file, marked, until the save packs the table: "Отменить" can bring them back.
    state.edits.deleted(number_of(state, table), std::move(deleted));
    table.refresh();
  } catch (const db::DbfError& e) {
    frontend.show_error(e.what());
  }
}

}  // namespace kalora
