// Seed inputs for the fuzz targets, made from the sample images:
//   make_fuzz_seeds OUT_DIR SAMPLES_DIR
// writes OUT_DIR/<target>/<name> for every target.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "core/file_io.h"
#include "db/container.h"
#include "decode/check_flash.h"
#include "decode/flash2table.h"
#include "device/sim_instrument.h"
#include "fuzz/fuzz_support.h"

namespace {

using namespace kalora;
using Bytes = std::vector<std::uint8_t>;
namespace fs = std::filesystem;

Bytes read_all(const fs::path& path) {
  Bytes bytes(1 << 20);
  const ReadResult r = read_file_into(path.string(), bytes);
  if (!r.ok) throw std::runtime_error(r.error);
  bytes.resize(r.bytes_read);
  return bytes;
}

void put(const fs::path& dir, const std::string& name, const Bytes& bytes) {
  fs::create_directories(dir);
  fuzz::write_file((dir / name).string(), bytes);
}

// Two images in one input: the first padded to the size of flash.
Bytes pair(Bytes first, const Bytes& second) {
  first.resize(flash_size, 0xFF);
  first.insert(first.end(), second.begin(), second.end());
  return first;
}

// The tables the decoders make of an image; one of them sorted, so its index flag is set.
void tables_of(const Bytes& image, const fs::path& dir, const std::string& stem) {
  const auto owned = std::make_unique<State>();
  State& state = *owned;
  test::RecordingFrontend frontend;
  std::copy(image.begin(), image.end(), state.flash.begin());
  check_flash(state, frontend);
  const std::uint8_t present[3] = {state.stat_present, state.zond_present, state.potok_present};
  std::uint32_t (*decoders[3])(State&, Frontend&, std::uint8_t) = {flash2table_stat, flash2table_zond,
                                                                   flash2table_potok};
  for (int n = 1; n <= 3; ++n) {
    if (present[n - 1] == 0) continue;
    const std::string path = fuzz::work_file(stem + std::to_string(n));
    fuzz::create_table(state, n, path);
    decoders[n - 1](state, frontend, 0);
    if (n == 1) fuzz::table_of(state, n).add_index("db1", "HEAT", true);
    fuzz::table_of(state, n).close();
    put(dir, stem + ".db" + std::to_string(n), read_all(path));
  }
}

// The container a new database of the image is saved as, and the same with its
// heat-flow table (if any) sorted before the save.
void container_of(const Bytes& image, const fs::path& dir, const std::string& stem) {
  const auto owned = std::make_unique<State>();
  State& state = *owned;
  test::RecordingFrontend frontend;
  std::copy(image.begin(), image.end(), state.flash.begin());
  check_flash(state, frontend);
  const std::string name = fuzz::work_file(stem + ".db");
  Create_DB(state, frontend, name);
  put(dir, stem + ".db", read_all(name));
  for (int n = 1; n <= 3; ++n) {
    if (fuzz::table_of(state, n).is_open()) fuzz::table_of(state, n).add_index("db", "N", true);
  }
  Save_DB(state, frontend);
  put(dir, stem + "-sorted.db", read_all(name));
  Close_DB(state, frontend);
}

// The instrument's side of a download, in chunks with events between them.
Bytes line_of(const Bytes& image, bool silent_first_port) {
  SimInstrument instrument(image, {});
  Bytes out;
  if (silent_first_port) out.push_back(0xF1);  // the reply timer: on to the second port
  const std::string reply = instrument.identification();
  out.insert(out.end(), reply.begin(), reply.end());
  out.push_back(0xF0);
  const std::string dump = instrument.dump_stream();
  for (std::size_t at = 0; at < dump.size(); at += 97) {
    const std::string piece = dump.substr(at, 97);
    out.insert(out.end(), piece.begin(), piece.end());
    out.push_back(0xF0);
  }
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: make_fuzz_seeds OUT_DIR SAMPLES_DIR\n");
    return 2;
  }
  const fs::path out = argv[1];
  std::vector<std::pair<std::string, Bytes>> samples;
  for (const char* kind : {"stat", "zond", "both", "flow"}) {
    samples.emplace_back(kind, read_all(fs::path(argv[2]) / (std::string(kind) + ".bin")));
  }
  for (const auto& [kind, image] : samples) {
    put(out / "fuzz_image", kind + ".bin", image);
    tables_of(image, out / "fuzz_dbf", kind);
    container_of(image, out / "fuzz_container", kind);
    put(out / "fuzz_download", kind + ".line", line_of(image, false));
    put(out / "fuzz_download", kind + "-second-port.line", line_of(image, true));
  }
  const std::string layout =
      "KALORA-LAYOUT 1\r\nFieldName=N;Width=80;TitleState=1;SortOrder=0\r\n"
      "FieldName=HEAT;Width=77;Color=$00FF00;LayoutIndex=2\r\nFieldName=COMMENT;Width=150\r\n";
  put(out / "fuzz_layout", "layout.txt", Bytes(layout.begin(), layout.end()));
  put(out / "fuzz_image", "stat-then-both.bin", pair(samples[0].second, samples[2].second));
  put(out / "fuzz_image", "flow-then-flow.bin", pair(samples[3].second, samples[3].second));
  return 0;
}
