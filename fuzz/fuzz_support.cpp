#include "fuzz/fuzz_support.h"

#include <cstdio>
#include <filesystem>
#include <memory>
#include <unistd.h>

#include "core/file_io.h"

namespace kalora::fuzz {

namespace {

class WorkDir {
 public:
  WorkDir() {
    std::error_code ec;
    const std::filesystem::path shm = "/dev/shm";
    const auto base = std::filesystem::is_directory(shm, ec) ? shm : std::filesystem::temp_directory_path();
    path_ = (base / ("kalora-fuzz-" + std::to_string(::getpid()))).string();
    std::filesystem::create_directories(path_);
  }
  ~WorkDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  WorkDir(const WorkDir&) = delete;
  WorkDir& operator=(const WorkDir&) = delete;
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

}  // namespace

const std::string& work_dir() {
  static const WorkDir dir;
  return dir.path();
}

std::string work_file(const std::string& name) { return work_dir() + "/" + name; }

void write_file(const std::string& path, Input bytes) {
  const FilePtr out = open_file(path, "wb");
  if (out && !bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), out.get());
}

std::size_t read_rows(db::DbfTable& table) {
  if (!table.is_open()) return 0;
  std::size_t total = 0;
  for (table.first(); !table.eof(); table.next()) {
    for (const db::FieldDef& f : table.schema().fields) {
      total += table.text(f.name).size();
      if (f.type == 'N' && !f.calculated) total += table.number(f.name).has_value();
    }
    total += table.recno();
  }
  return total;
}

db::DbfTable& table_of(State& state, int n) { return n == 1 ? state.Dbf1 : n == 2 ? state.Dbf2 : state.Dbf3; }

void create_table(State& state, int n, const std::string& path) {
  db::DbfTable& t = table_of(state, n);
  t.close();
  t.set_file_name(path);
  t.create();
  t.open();
}

void sort_and_filter(db::DbfTable& table, std::uint8_t choice) {
  if (!table.is_open()) return;
  const auto& fields = table.schema().fields;
  const db::FieldDef& field = fields[choice % fields.size()];
  if (!field.calculated) {
    for (const bool descending : {false, true}) {
      table.add_index("sort", field.name, descending);
      table.set_index("sort");
      read_rows(table);
    }
    table.set_index("");
    table.drop_index("sort");
  }
  if (&table.schema() == &db::potok_schema) {
    for (const char* kind : {"MEASUR=0", "MEASUR=1", "MEASUR=2"}) {
      table.set_filter(kind);
      table.set_filtered(true);
      read_rows(table);
      if (table.locate("MEASUR", choice % 3)) read_rows(table);
    }
    table.set_filter("");
    table.set_filtered(false);
  }
  read_rows(table);
}

}  // namespace kalora::fuzz
