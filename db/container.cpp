#include "db/container.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <optional>

#include "core/file_io.h"
#include "core/texts.h"
#include "db/db_texts.h"
#include "db/leftovers.h"
#include "db/locked_file.h"
#include "db/tables.h"
#include "decode/fields.h"
#include "decode/flash2table.h"

namespace kalora {

namespace {

constexpr std::size_t short_header = 10;  // magic, count, version, channel mask

void show_title(State& state, Frontend& frontend) {
  frontend.set_title(utf8_text(native_path(state.db_name).stem()) + std::string(db::texts::title_suffix));
}

std::uint64_t file_length(const std::string& path) {
  std::error_code ec;
  const auto length = std::filesystem::file_size(native_path(path), ec);
  if (ec) throw db::DbfError(io_error_text(path, "не удалось прочитать файл"));
  return length;
}

// The length of the file opened, not of whatever bears its name by now: a save may
// have put a new container there since.
std::uint64_t open_file_length(std::FILE* file, const std::string& path) {
  const std::optional<std::uint64_t> length = length_of(file);
  if (!length) throw db::DbfError(io_error_text(path, "не удалось прочитать файл"));
  return *length;
}

// Runs `open` (an open or a create) under the database's lock; the lock stays only
// when a database is open afterwards.
template <typename Open>
DbResult under_lock(State& state, Frontend& frontend, const std::string& name, Open open) {
  if (const DbResult locked = lock_database(state, frontend, name); locked != DbResult::ok) return locked;
  const DbResult result = open();
  if (!state.db_open) state.db_lock.release();
  return result;
}

// A table of a database that ends: closed, and on no working copy any more, so its
// sort indexes go with the database.
void release(db::DbfTable& t) {
  t.close();
  t.set_file_name({});
}

// Closes the open tables for as long as it lives, so that their files are complete
// and free to read, and opens them again afterwards. A table that will not open
// again is kept for the next save like one that would not open from the container.
class TablesClosed {
 public:
  explicit TablesClosed(State& state) : state_(state) {
    for (int n = 1; n <= 3; ++n) was_open_[n - 1] = table(state, n).is_open();
    try {
      for (int n = 1; n <= 3; ++n) table(state, n).close();
    } catch (...) {
      reopen();
      throw;
    }
  }
  ~TablesClosed() { reopen(); }
  TablesClosed(const TablesClosed&) = delete;
  TablesClosed& operator=(const TablesClosed&) = delete;
  bool was_open(int n) const { return was_open_[n - 1]; }

 private:
  void reopen() noexcept {
    for (int n = 1; n <= 3; ++n) {
      if (!was_open_[n - 1] || table(state_, n).is_open()) continue;
      try {
        table(state_, n).open();
      } catch (...) {
        state_.table_kept[n - 1] = true;
      }
    }
  }

  State& state_;
  std::array<bool, 3> was_open_{};
};

void write_container(State& state, const std::array<bool, 3>& stored) {
  std::uint16_t count = 0;
  for (int n = 1; n <= 3; ++n) {
    state.table_size[n - 1] = stored[n - 1] ? static_cast<std::uint32_t>(file_length(working_copy(state, n))) : 0;
    if (stored[n - 1]) ++count;
  }
  const MutableBytes header(state.rx_buf.data(), container_header_size);
  std::copy(container_magic.begin(), container_magic.end(), header.begin());
  put_u16(header, 4, count);
  put_u16(header, 6, format_version);
  put_u16(header, 8, state.channel_mask);
  for (int n = 1; n <= 3; ++n) put_u32(header, 6 + 4 * n, state.table_size[n - 1]);

  // What followed the tables in the old container stays at the end of the new one.
  FilePtr old_container;
  if (state.trailing_bytes > 0) {
    old_container = open_file(state.db_name, "rb");
    const std::uint64_t length = old_container ? open_file_length(old_container.get(), state.db_name) : 0;
    if (!old_container || length < container_header_size + state.trailing_bytes ||
        !seek_file(old_container.get(), length - state.trailing_bytes)) {
      throw db::DbfError(io_error_text(state.db_name, "не удалось прочитать файл"));
    }
  }
  const std::string error = replace_file(state.db_name, [&](std::FILE* file) {
    if (!write_bytes(file, header)) return false;
    for (int n = 1; n <= 3; ++n) {
      if (stored[n - 1]) file2db(state, file, working_copy(state, n), state.table_size[n - 1]);
    }
    for (std::uint64_t left = state.trailing_bytes; left > 0;) {
      const std::size_t block = static_cast<std::size_t>(std::min<std::uint64_t>(left, rx_buf_size));
      if (std::fread(state.rx_buf.data(), 1, block, old_container.get()) != block) {
        throw db::DbfError(io_error_text(state.db_name, "не удалось прочитать файл"));
      }
      if (!write_bytes(file, {state.rx_buf.data(), block})) return false;
      left -= block;
    }
    // Windows cannot rename over a file that is still open.
    old_container.reset();
    return true;
  });
  if (!error.empty()) throw db::DbfError(error);
}

// What check_flash found in the image, as Create_DB needs it.
struct ImageCheck {
  std::uint8_t dev_type, dev_subtype, stat_present, zond_present, potok_present, data_present;
  std::uint16_t stat_count, zond_count, potok_count;

  static ImageCheck of(const State& s) {
    return {s.dev_type,     s.dev_subtype, s.stat_present, s.zond_present, s.potok_present,
            s.data_present, s.stat_count,  s.zond_count,   s.potok_count};
  }
  void restore(State& s) const {
    s.dev_type = dev_type;
    s.dev_subtype = dev_subtype;
    s.stat_present = stat_present;
    s.zond_present = zond_present;
    s.potok_present = potok_present;
    s.data_present = data_present;
    s.stat_count = stat_count;
    s.zond_count = zond_count;
    s.potok_count = potok_count;
  }
};

struct ContainerHeader {
  std::uint16_t channel_mask = 0;
  std::array<std::uint32_t, 3> sizes{};
  std::uint64_t trailing = 0;  // bytes after the last table
};

// Bytes a stored table may hold past what its own dBase header accounts for: its end
// mark, a record half written when a disk ran full, a little more.
constexpr std::uint64_t table_slack = 512;

// Whether each stored table's claimed size is about what its own header accounts for
// (header and records). A claim far beyond it is no table of ours: nothing that size
// is read, allocated or extracted. The file is left at the first table.
bool claims_fit_tables(std::FILE* file, const std::array<std::uint32_t, 3>& sizes) {
  std::uint64_t offset = container_header_size;
  for (const std::uint32_t size : sizes) {
    std::array<std::uint8_t, 12> head{};
    if (size >= head.size()) {
      if (!seek_file(file, offset) || std::fread(head.data(), 1, head.size(), file) != head.size()) return false;
      const std::uint64_t header_length = get_u16(head, 8);
      const std::uint64_t record_length = get_u16(head, 10);
      const std::uint64_t accounted = header_length + std::uint64_t{get_u32(head, 4)} * record_length;
      if (size > accounted + record_length + table_slack) return false;
    }
    offset += size;
  }
  return seek_file(file, container_header_size);
}

// Reads and judges the header; every refusal is told to the user.
std::optional<ContainerHeader> read_header(State& state, Frontend& frontend, std::FILE* file, const std::string& name,
                                           DbResult& result) {
  const std::uint64_t length = open_file_length(file, name);
  const Bytes header(state.rx_buf.data(), container_header_size);
  const std::size_t got = std::fread(state.rx_buf.data(), 1, container_header_size, file);
  result = DbResult::refused;
  if (got < short_header || !std::equal(container_magic.begin(), container_magic.end(), header.begin())) {
    frontend.show_error(db::texts::damaged_database);
    return std::nullopt;
  }
  if (get_u16(header, 6) > format_version) {
    frontend.show_error(db::texts::unknown_database);
    return std::nullopt;
  }
  ContainerHeader h;
  h.channel_mask = get_u16(header, 8);
  std::uint64_t claimed = container_header_size;
  if (got == container_header_size) h.sizes = stored_table_sizes(header);
  for (const std::uint32_t size : h.sizes) claimed += size;
  if (got < container_header_size || length < claimed || !claims_fit_tables(file, h.sizes)) {
    frontend.show_error(db::texts::damaged_database);
    return std::nullopt;
  }
  h.trailing = length - claimed;
  result = DbResult::ok;
  return h;
}

// A shell that tells nobody: for a container read only for what it stores.
class SilentFrontend : public Frontend {
 public:
  void show_error(std::string_view) override {}
  void show_information(std::string_view) override {}
  bool ask_yes_no(std::string_view) override { return false; }
};

// Opens the database `name`: each table on its working copy where `on_copies` says
// so, the others extracted from the container. Recovered copies are unsaved changes.
DbResult open_tables(State& state, Frontend& frontend, const std::string& name, const ContainerHeader& header,
                     std::FILE* file, const std::array<bool, 3>& on_copies, bool recovered) {
  state.channel_mask = header.channel_mask;
  state.table_size = header.sizes;
  state.trailing_bytes = header.trailing;
  state.db_name = name;
  for (int n = 1; n <= 3; ++n) release(table(state, n));
  bind_calc_fields(state);
  std::optional<BusyMarker> extracting;
  std::uint64_t offset = container_header_size;
  for (int n = 1; n <= 3; ++n) {
    const std::uint32_t size = state.table_size[n - 1];
    const std::uint64_t at = offset;
    offset += size;
    if (size == 0 && !on_copies[n - 1]) continue;
    db::DbfTable& t = table(state, n);
    try {
      if (!on_copies[n - 1]) {
        if (!extracting) extracting.emplace(state, "open");
        if (!seek_file(file, at)) {
          throw db::DbfError(io_error_text(name, "не удалось прочитать файл"));
        }
        db2file(state, file, working_copy(state, n), size);
      }
    } catch (const db::DbfError& e) {
      // The copies extracted before go too; the one that failed is not ours to remove
      // when another program holds it, nor are copies a run left here.
      for (int k = 1; k < n; ++k) {
        table(state, k).close_quietly();
        if (state.table_size[k - 1] != 0 && !on_copies[k - 1]) remove_quietly(working_copy(state, k));
      }
      state.table_kept = {};
      frontend.show_error(e.what());
      return DbResult::io_error;
    }
    t.set_file_name(working_copy(state, n));
    if (n == 3) {
      // The page filter goes: the whole table is opened, saved and closed.
      t.set_filtered(false);
      t.set_filter("");
    }
    try {
      t.open();
      present_flag(state, n) = 1;
    } catch (const db::DbfError&) {
      state.table_kept[n - 1] = true;
      frontend.show_error("Не удалось открыть таблицу " + std::string(db::texts::table_of[n - 1]) +
                          ": она останется в базе данных без изменений");
    }
  }
  extracting.reset();
  state.db_open = true;
  state.calc_enabled = 1;
  if (recovered) state.tables_modified = true;
  frontend.set_visible();
  frontend.load_layout_all();
  frontend.en_but();
  show_title(state, frontend);
  return DbResult::ok;
}

// The container opened for reading; null (and the message shown) when it cannot be
// opened or names a folder.
FilePtr open_container(Frontend& frontend, const std::string& name) {
  FilePtr file = open_file(name, "rb");
  std::error_code ec;
  if (!file || std::filesystem::is_directory(native_path(name), ec)) {
    frontend.show_error(io_error_text(name, "не удалось открыть файл"));
    return nullptr;
  }
  return file;
}

DbResult create_locked(State& state, Frontend& frontend, const std::string& name);
DbResult open_locked(State& state, Frontend& frontend, const std::string& name);

}  // namespace

std::array<std::uint32_t, 3> stored_table_sizes(std::span<const std::uint8_t> header) {
  std::array<std::uint32_t, 3> sizes{};
  for (int n = 1; n <= 3; ++n) sizes[n - 1] = get_u32(header, 6 + 4 * n);
  return sizes;
}

std::string working_copy_of(const std::string& db_name, int n) { return db_name + std::to_string(n); }

std::string working_copy(const State& state, int n) { return working_copy_of(state.db_name, n); }

void file2db(State& state, std::FILE* container, const std::string& name, std::uint32_t size) {
  const FilePtr source = open_file(name, "rb");
  if (!source) throw db::DbfError(io_error_text(name, "не удалось открыть файл"));
  while (size > 0) {
    const std::size_t block = std::min<std::size_t>(size, rx_buf_size);
    if (std::fread(state.rx_buf.data(), 1, block, source.get()) != block) {
      throw db::DbfError(io_error_text(name, "не удалось прочитать файл"));
    }
    if (!write_bytes(container, {state.rx_buf.data(), block})) {
      throw db::DbfError(io_error_text(state.db_name, "не удалось записать файл"));
    }
    size -= static_cast<std::uint32_t>(block);
  }
}

void db2file(State& state, std::FILE* container, const std::string& name, std::uint32_t size) {
  // Through the table lock: a working copy another program holds is never overwritten.
  db::LockedFile target = db::LockedFile::open(name, true);
  try {
    std::uint64_t at = 0;
    while (size > 0) {
      const std::size_t block = std::min<std::size_t>(size, rx_buf_size);
      if (std::fread(state.rx_buf.data(), 1, block, container) != block) {
        throw db::DbfError(io_error_text(state.db_name, "не удалось прочитать файл"));
      }
      target.write_at(at, {state.rx_buf.data(), block});
      at += block;
      size -= static_cast<std::uint32_t>(block);
    }
  } catch (const db::DbfError&) {
    // Our own half-written copy goes; nothing half-extracted stays behind.
    target.close();
    remove_quietly(name);
    throw;
  }
}

DbResult Create_DB(State& state, Frontend& frontend, const std::string& name) {
  if (state.data_present == 0) return DbResult::ok;
  if (state.dev_type != 5) {
    frontend.show_error(kalora::texts::wrong_device_type);
    return DbResult::refused;
  }
  if (state.dev_subtype > 2) {
    frontend.show_error(kalora::texts::unknown_subtype);
    return DbResult::refused;
  }
  if (state.db_open) {
    // Closing clears the image check's results, and the new database is made from them.
    const ImageCheck checked = ImageCheck::of(state);
    if (!Close_DB(state, frontend)) return DbResult::refused;
    checked.restore(state);
  }
  return under_lock(state, frontend, name, [&] { return create_locked(state, frontend, name); });
}

namespace {

DbResult create_locked(State& state, Frontend& frontend, const std::string& name) {
  // Working copies a run left under this name are not created over unasked.
  Leftovers found = find_leftovers(state, name);
  try {
    if (settle_leftovers(frontend, name, found)) return open_leftovers(state, frontend, name, found.copy);
  } catch (const db::DbfError& e) {
    frontend.show_error(e.what());
    return DbResult::io_error;
  }
  state.db_name = name;
  state.trailing_bytes = 0;
  bind_calc_fields(state);
  using Decoder = std::uint32_t (*)(State&, Frontend&, std::uint8_t);
  constexpr std::array<Decoder, 3> decoders{flash2table_stat, flash2table_zond, flash2table_potok};
  std::optional<BusyMarker> creating;
  try {
    creating.emplace(state, "create");
    for (int n = 1; n <= 3; ++n) {
      if (present_flag(state, n) == 0) continue;
      db::DbfTable& t = table(state, n);
      t.close();
      t.set_file_name(working_copy(state, n));
      t.create();
      t.open();
      decoders[n - 1](state, frontend, 0);
    }
  } catch (const db::DbfError& e) {
    // No half-made database stays behind.
    for (int n = 1; n <= 3; ++n) {
      if (!table(state, n).is_open()) continue;
      table(state, n).close_quietly();
      remove_quietly(working_copy(state, n));
    }
    frontend.show_error(e.what());
    return DbResult::io_error;
  }
  state.db_open = true;
  state.calc_enabled = 1;
  frontend.set_visible();
  frontend.load_layout_all();
  const DbResult saved = Save_DB(state, frontend);
  creating.reset();
  frontend.en_but();
  show_title(state, frontend);
  return saved;
}

DbResult open_locked(State& state, Frontend& frontend, const std::string& name) {
  const FilePtr file = open_container(frontend, name);
  if (!file) return DbResult::io_error;
  DbResult result = DbResult::ok;
  std::optional<ContainerHeader> header;
  try {
    header = read_header(state, frontend, file.get(), name, result);
  } catch (const db::DbfError& e) {
    frontend.show_error(e.what());
    return DbResult::io_error;
  }
  if (!header) return result;

  // Working copies a run left here are never extracted over.
  Leftovers found = find_leftovers(state, name);
  if (!found.held.empty()) {
    frontend.show_error(io_error_text(found.held, "файл занят другой программой"));
    return DbResult::io_error;
  }
  bool recovered = false;
  try {
    recovered = settle_leftovers(frontend, name, found);
  } catch (const db::DbfError& e) {
    frontend.show_error(e.what());
    return DbResult::io_error;
  }
  return open_tables(state, frontend, name, *header, file.get(), found.copy, recovered);
}

}  // namespace

DbResult Save_DB(State& state, Frontend& frontend) {
  if (!state.db_open) return DbResult::ok;
  try {
    // Records deleted since the last save leave the tables now; nothing of them can be taken back after.
    state.edits.clear();
    for (int n = 1; n <= 3; ++n)
      if (table(state, n).is_open() && !table(state, n).is_in_memory() && table(state, n).has_deleted())
        table(state, n).pack();
    TablesClosed closed(state);
    std::array<bool, 3> stored{};
    for (int n = 1; n <= 3; ++n) stored[n - 1] = closed.was_open(n) || state.table_kept[n - 1];
    write_container(state, stored);
    remove_stale_temporaries(state.db_name);
  } catch (const std::exception& e) {
    const auto* io = dynamic_cast<const db::DbfError*>(&e);
    frontend.show_error(std::string(io ? io->what() : io_error_text(state.db_name, "не удалось записать файл")) +
                        ". Прежний файл базы данных не изменён.");
    return DbResult::io_error;
  }
  state.tables_modified = false;
  return DbResult::ok;
}

DbResult Open_DB(State& state, Frontend& frontend, const std::string& name) {
  if (state.db_open && !Close_DB(state, frontend)) return DbResult::refused;
  return under_lock(state, frontend, name, [&] { return open_locked(state, frontend, name); });
}

DbResult lock_database(State& state, Frontend& frontend, const std::string& name) {
  switch (state.db_lock.take(name)) {
    case db::DatabaseLock::Outcome::taken:
      return DbResult::ok;
    case db::DatabaseLock::Outcome::held_by_other:
      frontend.show_error(std::string(db::texts::database_in_use) + name);
      return DbResult::refused;
    case db::DatabaseLock::Outcome::failed:
      break;
  }
  frontend.show_error(io_error_text(db::lock_file_of(name), "не удалось создать файл"));
  return DbResult::io_error;
}

DbResult read_saved_db(State& state, Frontend& frontend, const std::string& name) {
  if (state.db_open) Close_DB(state, frontend);
  const FilePtr file = open_container(frontend, name);
  if (!file) return DbResult::io_error;
  DbResult result = DbResult::ok;
  try {
    const auto header = read_header(state, frontend, file.get(), name, result);
    if (!header) return result;
    state.channel_mask = header->channel_mask;
    state.table_size = header->sizes;
    state.trailing_bytes = header->trailing;
    state.db_name = name;
    bind_calc_fields(state);
    for (int n = 1; n <= 3; ++n) {
      const std::uint32_t size = state.table_size[n - 1];
      if (size == 0) continue;
      std::vector<std::uint8_t> bytes(size);
      if (std::fread(bytes.data(), 1, size, file.get()) != size) {
        throw db::DbfError(io_error_text(name, "не удалось прочитать файл"));
      }
      db::DbfTable& t = table(state, n);
      release(t);
      t.set_file_name(working_copy(state, n));
      if (n == 3) {
        t.set_filtered(false);
        t.set_filter("");
      }
      try {
        t.open_in_memory(std::move(bytes));
        present_flag(state, n) = 1;
      } catch (const db::DbfError&) {
        frontend.show_error("Не удалось открыть таблицу " + std::string(db::texts::table_of[n - 1]) +
                            ": она повреждена");
      }
    }
  } catch (const db::DbfError& e) {
    for (int n = 1; n <= 3; ++n) release(table(state, n));
    frontend.show_error(e.what());
    return DbResult::io_error;
  }
  state.db_open = true;
  state.calc_enabled = 1;
  return DbResult::ok;
}

DbResult open_leftovers(State& state, Frontend& frontend, const std::string& name, const std::array<bool, 3>& copies) {
  ContainerHeader header{state.channel_mask, {}};
  const FilePtr file = open_file(name, "rb");
  if (file) {
    // A container that is missing or damaged stores nothing; the copies are all there is.
    SilentFrontend silent;
    DbResult result = DbResult::ok;
    try {
      if (const auto stored = read_header(state, silent, file.get(), name, result)) header = *stored;
    } catch (const db::DbfError&) {
    }
  }
  state.stat_present = state.zond_present = state.potok_present = 0;
  return open_tables(state, frontend, name, header, file.get(), copies, true);
}

bool Close_DB(State& state, Frontend& frontend) {
  bool keep_copies = false;
  if (state.tables_modified) {
    const Frontend::SaveAnswer answer = frontend.ask_save(db::texts::save_question);
    if (answer == Frontend::SaveAnswer::cancel) return false;
    // A failed save leaves the working copies on the disk rather than losing them.
    if (answer == Frontend::SaveAnswer::yes) keep_copies = Save_DB(state, frontend) != DbResult::ok;
  }
  frontend.save_layout_all();
  for (int n = 1; n <= 3; ++n) {
    db::DbfTable& t = table(state, n);
    if (n == 3) {
      // The page filter goes: the whole table is opened, saved and closed.
      t.set_filtered(false);
      t.set_filter("");
    }
    // A table read into memory has no working copy; the files beside it are not its own.
    const bool had_copy = (t.is_open() && !t.is_in_memory()) || state.table_kept[n - 1];
    bool closed = true;
    try {
      release(t);
    } catch (const db::DbfError& e) {
      // A row being edited could not be written: the copy stays, as after a failed save.
      t.close_quietly();
      t.set_file_name({});
      frontend.show_error(e.what());
      closed = false;
    }
    if (had_copy && closed && !keep_copies) remove_quietly(working_copy(state, n));
  }
  state.stat_present = state.zond_present = state.potok_present = 0;
  state.dev_type = state.dev_subtype = 0;
  state.stat_count = state.zond_count = state.potok_count = 0;
  state.data_present = 0;
  state.db_open = false;
  state.calc_enabled = 0;
  state.tables_modified = false;
  state.edits.clear();
  state.table_size = {};
  state.trailing_bytes = 0;
  state.table_kept = {};
  state.db_lock.release();
  frontend.show_empty_state();
  frontend.set_title(kalora::texts::program_title);
  return true;
}

}  // namespace kalora
