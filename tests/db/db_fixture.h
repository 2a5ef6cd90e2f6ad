// A state, a frontend that answers dialogs from a script and records the window
// effects, and sample images of both instrument kinds.
#pragma once

#include <deque>
#include <filesystem>
#include <string>
#include <vector>

#include "core/state.h"
#include "db/container.h"
#include "decode/check_flash.h"
#include "support/image_builder.h"
#include "support/recording_frontend.h"
#include "support/temp_dir.h"

namespace kalora::test {

class ScriptedFrontend : public RecordingFrontend {
 public:
  std::deque<std::string> files;  // answers of the file dialogs; cancelled when empty
  struct Request {
    FileDialogRequest::Kind kind;
    std::string filter, extension, initial_dir;
    bool operator==(const Request&) const = default;
  };
  std::vector<Request> requests;
  std::vector<std::string> effects;
  std::vector<int> hidden_grids;

  std::string choose_file(const FileDialogRequest& r) override {
    requests.push_back({r.kind, std::string(r.filter), std::string(r.default_extension), r.initial_dir});
    if (files.empty()) return {};
    std::string answer = files.front();
    files.pop_front();
    return answer;
  }
  void set_visible() override { effects.push_back("set_visible"); }
  void load_layout_all() override { effects.push_back("load_layout_all"); }
  void save_layout_all() override { effects.push_back("save_layout_all"); }
  void en_but() override { effects.push_back("en_but"); }
  void show_empty_state() override { effects.push_back("show_empty_state"); }
  void set_title(std::string_view title) override { effects.push_back("title " + std::string(title)); }
  void clear_sort_marks(int grid) override { effects.push_back("clear_sort_marks " + std::to_string(grid)); }
  bool grid_page_visible(int grid) override {
    return std::find(hidden_grids.begin(), hidden_grids.end(), grid) == hidden_grids.end();
  }
};

// A heat-conductivity meter image: `stat` stationary and `zond` probe records, one
// minute apart from `minute` on.
inline ImageBuilder meter_image(std::uint16_t stat, std::uint16_t zond, std::uint8_t minute = 0) {
  ImageBuilder image(1);
  image.methods(static_cast<std::uint8_t>((stat ? 1 : 0) | (zond ? 2 : 0))).stat_count(stat).zond_count(zond);
  for (std::uint16_t i = 0; i < stat; ++i) {
    image.stat_record(i, static_cast<std::uint16_t>(100 + i), 500, 0x07D0, 0x0FA0,
                      {10, 5, 6, 12, static_cast<std::uint8_t>(minute + i), 0});
  }
  for (std::uint16_t i = 0; i < zond; ++i) {
    image.zond_record(i, static_cast<std::uint16_t>(200 + i), 84, 1800,
                      {10, 5, 6, 13, static_cast<std::uint8_t>(minute + i), 0});
  }
  return image;
}

// A heat-flow meter image with channels 1 and 3 fitted; record k has kind k % 3.
inline ImageBuilder flow_image(std::uint16_t count, std::uint8_t minute = 0) {
  ImageBuilder image(2);
  image.channel_types(3, 0, 5).potok_count(count);
  for (std::uint16_t k = 0; k < count; ++k) {
    const auto slot = static_cast<std::uint8_t>(k + 1);
    image.slot_index(k, slot);
    image.slot(slot, 7, static_cast<std::uint8_t>(k % 3), {10, 5, 6, 14, static_cast<std::uint8_t>(minute + k), 0},
               {{{1000, 250, 2000, 0x8000 | 1000}, {}, {1200, 300, 2100, 500}}});
  }
  return image;
}

struct DbFixture {
  TempDir dir;
  State state;
  ScriptedFrontend frontend;
  std::string db = dir.file("meas.db");

  void load(const ImageBuilder& image) {
    state.flash = image.bytes;
    check_flash(state, frontend);
  }
  // A saved database from the image, left open.
  void create(const ImageBuilder& image, const std::string& name) {
    load(image);
    Create_DB(state, frontend, name);
  }
  std::vector<std::string> files_in_dir() const {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir.path())) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }
};

}  // namespace kalora::test
