// A state whose three tables are open on fresh working copies, and a frontend that
// also records the tab control being hidden and shown.
#pragma once

#include <string>
#include <vector>

#include "core/state.h"
#include "decode/check_flash.h"
#include "decode/flash2table.h"
#include "support/image_builder.h"
#include "support/recording_frontend.h"
#include "support/temp_dir.h"

namespace kalora::test {

class PagesFrontend : public RecordingFrontend {
 public:
  std::vector<std::string> effects;
  void hide_pages() override { effects.push_back("hide"); }
  void show_pages() override { effects.push_back("show"); }
};

struct DecoderFixture {
  TempDir dir;
  State state;
  PagesFrontend frontend;

  DecoderFixture() {
    int n = 1;
    for (db::DbfTable* t : {&state.Dbf1, &state.Dbf2, &state.Dbf3}) {
      t->set_file_name(dir.file("meas.db" + std::to_string(n++)));
      t->create();
      t->open();
    }
    bind_calc_fields(state);
  }

  void load(const ImageBuilder& image) {
    state.flash = image.bytes;
    check_flash(state, frontend);
  }
};

// The listed fields of every row shown, as stored text.
inline std::vector<std::vector<std::string>> rows(db::DbfTable& table, const std::vector<std::string>& fields) {
  std::vector<std::vector<std::string>> out;
  for (table.first(); !table.eof(); table.next()) {
    std::vector<std::string> row;
    for (const auto& f : fields) row.push_back(table.text(f));
    out.push_back(std::move(row));
  }
  return out;
}

inline std::vector<std::string> column(db::DbfTable& table, const std::string& field) {
  std::vector<std::string> out;
  for (const auto& r : rows(table, {field})) out.push_back(r[0]);
  return out;
}

}  // namespace kalora::test
