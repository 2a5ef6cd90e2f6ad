// The largest databases the instrument can fill: bin2db (check, create, fill,
// save), open + save + close, and an append that keeps nothing (every row
// decoded, compared, deleted and packed away).
#include <benchmark/benchmark.h>

#include <filesystem>
#include <random>

#include "core/frontend.h"
#include "db/commands.h"
#include "db/container.h"
#include "decode/check_flash.h"
#include "tests/support/image_builder.h"

namespace {

using kalora::test::ImageBuilder;

class QuietFrontend : public kalora::Frontend {
 public:
  void show_error(std::string_view) override {}
  void show_information(std::string_view) override {}
  bool ask_yes_no(std::string_view) override { return false; }
};

ImageBuilder largest_meter() {
  ImageBuilder image(1);
  image.methods(3).stat_count(105).zond_count(552);
  for (std::size_t i = 0; i < 105; ++i) {
    image.stat_record(i, static_cast<std::uint16_t>(100 + i), 500, 0x07D0, 0x0FA0,
                      {1, 1, 6, static_cast<std::uint8_t>(i / 60), static_cast<std::uint8_t>(i % 60), 0});
  }
  for (std::size_t i = 0; i < 552; ++i) {
    image.zond_record(i, static_cast<std::uint16_t>(200 + i), 84, 1800,
                      {1, 1, 6, static_cast<std::uint8_t>(i / 60), static_cast<std::uint8_t>(i % 60), 0});
  }
  return image;
}

ImageBuilder largest_flow() {
  ImageBuilder image(2);
  image.channel_types(1, 2, 3).potok_count(200);
  for (std::size_t k = 0; k < 200; ++k) {
    const auto slot = static_cast<std::uint8_t>(k + 1);
    image.slot_index(k, slot);
    image.slot(slot, 7, static_cast<std::uint8_t>(k % 3),
               {1, 1, 6, static_cast<std::uint8_t>(k / 60), static_cast<std::uint8_t>(k % 60), 0},
               {{{1000, 250, 2000, 500}, {1100, 260, 2100, 600}, {1200, 270, 2200, 700}}});
  }
  return image;
}

struct Folder {
  std::filesystem::path path;
  Folder() {
    std::random_device rd;
    path = std::filesystem::temp_directory_path() / ("kalora-bench-" + std::to_string(rd()));
    std::filesystem::create_directories(path);
  }
  ~Folder() { std::filesystem::remove_all(path); }
  std::string db() const { return (path / "meas.db").string(); }
};

void make_database(kalora::State& s, kalora::Frontend& frontend, const ImageBuilder& image, const std::string& name) {
  s.flash = image.bytes;
  kalora::check_flash(s, frontend);
  kalora::Create_DB(s, frontend, name);
}

void BM_bin2db(benchmark::State& state, const ImageBuilder& image) {
  Folder folder;
  QuietFrontend frontend;
  for (auto _ : state) {
    kalora::State s;
    make_database(s, frontend, image, folder.db());
    kalora::Close_DB(s, frontend);
  }
}
BENCHMARK_CAPTURE(BM_bin2db, meter_105_552, largest_meter())->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_bin2db, flow_200, largest_flow())->Unit(benchmark::kMillisecond);

void BM_open_save_close(benchmark::State& state, const ImageBuilder& image) {
  Folder folder;
  QuietFrontend frontend;
  {
    kalora::State s;
    make_database(s, frontend, image, folder.db());
    kalora::Close_DB(s, frontend);
  }
  for (auto _ : state) {
    kalora::State s;
    kalora::Open_DB(s, frontend, folder.db());
    kalora::Save_DB(s, frontend);
    kalora::Close_DB(s, frontend);
  }
}
BENCHMARK_CAPTURE(BM_open_save_close, meter_105_552, largest_meter())->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_open_save_close, flow_200, largest_flow())->Unit(benchmark::kMillisecond);

void BM_append_nothing_new(benchmark::State& state, const ImageBuilder& image) {
  Folder folder;
  QuietFrontend frontend;
  kalora::State s;
  make_database(s, frontend, image, folder.db());
  for (auto _ : state) {
    kalora::command_append(s, frontend, [&] {
      s.flash = image.bytes;
      return kalora::ModalResult::ok;
    });
  }
  kalora::Close_DB(s, frontend);
}
BENCHMARK_CAPTURE(BM_append_nothing_new, meter_105_552, largest_meter())->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_append_nothing_new, flow_200, largest_flow())->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
