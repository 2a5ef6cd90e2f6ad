#include "db/leftovers.h"

#include <algorithm>
#include <chrono>
#include <ctime>

#include "core/file_io.h"
#include "db/beside_name.h"
#include "db/container.h"
#include "db/locked_file.h"

namespace kalora {

namespace {

constexpr std::size_t half_buffer = rx_buf_size / 2;

// A regular file under that very name; a link planted there is no copy of ours.
bool is_file(const std::string& path) {
  std::error_code ec;
  return std::filesystem::is_regular_file(std::filesystem::symlink_status(native_path(path), ec));
}

// The stored tables' sizes; all 0 when the container is missing or not one.
std::array<std::uint32_t, 3> stored_sizes(std::FILE* container) {
  std::array<std::uint8_t, container_header_size> header{};
  if (container == nullptr || std::fread(header.data(), 1, header.size(), container) != header.size() ||
      !std::equal(container_magic.begin(), container_magic.end(), header.begin())) {
    return {};
  }
  return stored_table_sizes(header);
}

// Whether the copy holds exactly the stored table's bytes; both move through rx_buf.
bool same_as_stored(State& state, std::FILE* container, std::uint64_t offset, std::uint32_t size,
                    const std::string& copy) {
  std::error_code ec;
  if (size == 0 || container == nullptr || std::filesystem::file_size(native_path(copy), ec) != size || ec)
    return false;
  const FilePtr file = open_file(copy, "rb");
  if (!file || !seek_file(container, offset)) return false;
  std::uint8_t* const stored = state.rx_buf.data();
  std::uint8_t* const copied = stored + half_buffer;
  while (size > 0) {
    const std::size_t block = std::min<std::size_t>(size, half_buffer);
    if (std::fread(stored, 1, block, container) != block || std::fread(copied, 1, block, file.get()) != block ||
        !std::equal(stored, stored + block, copied)) {
      return false;
    }
    size -= static_cast<std::uint32_t>(block);
  }
  return true;
}

std::string marker_operation(const std::string& path) {
  if (!is_file(path)) return {};
  std::array<std::uint8_t, 64> text{};
  const ReadResult read = read_file_into(path, text, true);
  std::string operation(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(read.bytes_read));
  operation.erase(std::find_if(operation.begin(), operation.end(), [](char c) { return c == '\n' || c == '\r'; }),
                  operation.end());
  return operation.empty() ? std::string("?") : operation;
}

}  // namespace

std::string busy_marker(const std::string& db_name) { return beside_name(db_name, ".busy"); }

BusyMarker::BusyMarker(State& state, std::string_view operation) : state_(state), path_(busy_marker(state.db_name)) {
  const std::string text = std::string(operation) + "\n";
  const std::string error = replace_file(path_, {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()});
  if (!error.empty()) throw db::DbfError(error);
}

BusyMarker::~BusyMarker() {
  // What the operation wrote reaches the disk before the marker stops guarding it; a failed
  // flush does not undo the operation, which is complete as far as the program sees.
  for (db::DbfTable* t : {&state_.Dbf1, &state_.Dbf2, &state_.Dbf3}) {
    if (t->is_open()) t->sync_quietly();
  }
  remove_quietly(path_);
}

std::vector<std::string> Leftovers::files(const std::string& db_name) const {
  std::vector<std::string> names;
  for (int n = 1; n <= 3; ++n) {
    if (copy[n - 1]) names.push_back(working_copy_of(db_name, n));
  }
  return names;
}

Leftovers find_leftovers(State& state, const std::string& db_name, bool probe_locks) {
  Leftovers found;
  const FilePtr container = open_file(db_name, "rb");
  const std::array<std::uint32_t, 3> sizes = stored_sizes(container.get());
  std::uint64_t offset = container_header_size;
  for (int n = 1; n <= 3; ++n) {
    const std::string copy = working_copy_of(db_name, n);
    const std::uint32_t size = sizes[n - 1];
    if (is_file(copy)) {
      try {
        if (probe_locks) db::LockedFile::open(copy, false);
        found.copy[n - 1] = true;
        std::error_code ec;
        found.newest = std::max(found.newest, std::filesystem::last_write_time(native_path(copy), ec));
        if (!same_as_stored(state, container.get(), offset, size, copy)) found.unsaved = true;
      } catch (const db::DbfError&) {
        found.held = copy;
      }
    }
    offset += size;
  }
  found.operation = marker_operation(busy_marker(db_name));
  return found;
}

std::vector<std::string> keep_as_bak(const std::string& db_name, Leftovers& found) {
  std::vector<std::string> kept;
  for (int n = 1; n <= 3; ++n) {
    if (!found.copy[n - 1]) continue;
    const std::string copy = working_copy_of(db_name, n);
    if (!rename_file(copy, copy + ".bak")) throw db::DbfError(io_error_text(copy, "не удалось переименовать файл"));
    found.copy[n - 1] = false;
    kept.push_back(copy + ".bak");
  }
  drop_busy_marker(db_name);
  found.operation.clear();
  found.unsaved = false;
  return kept;
}

void drop_busy_marker(const std::string& db_name) { remove_quietly(busy_marker(db_name)); }

void remove_stale_temporaries(const std::string& db_name) {
  const std::filesystem::path path = native_path(db_name);
  const std::string name = utf8_text(path.filename());
  std::vector<std::string> bases{name, name + ".busy"};
  for (int n = 1; n <= 3; ++n) bases.push_back(name + std::to_string(n));
  const auto stale = [&](const std::string& file) {
    constexpr std::size_t tail = 1 + 12 + 4;  // "~", the random part, ".new"
    if (file.size() <= tail || !file.ends_with(".new") || file[file.size() - tail] != '~') return false;
    const std::string_view random = std::string_view(file).substr(file.size() - tail + 1, 12);
    if (random.find_first_not_of("0123456789abcdef") != std::string_view::npos) return false;
    const std::string base = file.substr(0, file.size() - tail);
    return base.size() <= 64 && std::find(bases.begin(), bases.end(), base) != bases.end();
  };
  std::error_code ec;
  const std::filesystem::path folder = path.has_parent_path() ? path.parent_path() : std::filesystem::path(".");
  for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    if (it->is_regular_file(ec) && !it->is_symlink(ec) && stale(utf8_text(it->path().filename()))) {
      remove_quietly(utf8_text(it->path()));
    }
  }
}

bool settle_leftovers(Frontend& frontend, const std::string& db_name, Leftovers& found) {
  // Copies a running program holds are its own, and so is its marker.
  if (!found.held.empty()) return false;
  if (!found.unsaved) {
    drop_busy_marker(db_name);
    found.operation.clear();
    return false;
  }
  const std::string name = file_name_of(db_name);
  if (!found.operation.empty()) {
    const std::string operation = operation_text(found.operation);
    const std::vector<std::string> kept = keep_as_bak(db_name, found);
    frontend.show_error("Работа с базой данных " + name + " была прервана (" + operation +
                        "). Рабочие копии могут быть неполными, они сохранены в файлах " + joined_names(kept) + ".");
    return false;
  }
  if (frontend.ask_yes_no("Найдены несохранённые изменения базы данных " + name + " от " + leftover_time_text(found) +
                          ". Восстановить их?")) {
    return true;
  }
  keep_as_bak(db_name, found);
  return false;
}

std::string file_name_of(const std::string& path) { return utf8_text(native_path(path).filename()); }

std::string leftover_time_text(const Leftovers& found) {
  const auto system = std::chrono::file_clock::to_sys(found.newest);
  const std::time_t seconds =
      std::chrono::system_clock::to_time_t(std::chrono::time_point_cast<std::chrono::system_clock::duration>(system));
  std::tm local{};
#ifdef _WIN32
  localtime_s(&local, &seconds);
#else
  localtime_r(&seconds, &local);
#endif
  std::array<char, 32> text{};
  std::strftime(text.data(), text.size(), "%d.%m.%Y %H:%M:%S", &local);
  return text.data();
}

std::string operation_text(std::string_view operation) {
  static constexpr std::array<std::pair<std::string_view, std::string_view>, 4> names{{
      {"create", "создание базы данных"},
      {"open", "открытие базы данных"},
      {"append", "дополнение"},
      {"delete", "удаление строк"},
  }};
  for (const auto& [key, text] : names) {
    if (key == operation) return std::string(text);
  }
  return "операция " + std::string(operation);
}

std::string joined_names(const std::vector<std::string>& paths) {
  std::string text;
  for (const std::string& p : paths) text += (text.empty() ? "" : ", ") + file_name_of(p);
  return text;
}

}  // namespace kalora
