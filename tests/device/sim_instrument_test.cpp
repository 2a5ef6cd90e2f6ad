#include "device/sim_instrument.h"

#include <gtest/gtest.h>

#include <set>

#include "core/state.h"
#include "decode/check_flash.h"
#include "device/sample_images.h"
#include "download_fakes.h"
#include "support/recording_frontend.h"
#include "support/temp_dir.h"

namespace kalora {
namespace {

using test::encode;

std::vector<std::uint8_t> small_image(std::uint8_t subtype) {
  std::vector<std::uint8_t> image{'k', 'L', 'r', '!', 'b', 5, subtype, 100, 0};
  for (int i = 0; i < 40; ++i) image.push_back(static_cast<std::uint8_t>(i * 37));
  return image;
}

TEST(SimInstrument, AnswersTheCommands) {
  const std::vector<std::uint8_t> image = small_image(1);
  const std::string payload = encode({image.begin() + 9, image.end()});
  struct Case {
    const char* name;
    SimOptions options;
    std::string v, f, second_f;
  };
  auto with = [](auto change) {
    SimOptions o;
    change(o);
    return o;
  };
  const std::vector<Case> cases{
      {"plain", {}, "5011020>0", "S" + payload + "P", "S" + payload + "P"},
      {"version", with([](SimOptions& o) {
         o.version = {3, 200, 0};
       }),
       "501008<30", "S" + payload + "P", ""},
      {"wrong type and subtype", with([](SimOptions& o) {
         o.type = 4;
         o.subtype_char = '3';
       }),
       "4031020>0", "S" + payload + "P", ""},
      {"no end", with([](SimOptions& o) { o.no_end = true; }), "5011020>0", "S" + payload, ""},
      {"restart once", with([](SimOptions& o) { o.restart_after = 21; }), "5011020>0",
       "S" + payload.substr(0, 20) + "\xEB", "S" + payload + "P"},
      {"restart beyond the stream", with([](SimOptions& o) { o.restart_after = 500; }), "5011020>0",
       "S" + payload + "P\xEB", "S" + payload + "P"},
      {"silent", with([](SimOptions& o) { o.silent = true; }), "", "", ""},
      {"one character damaged in every dump", with([](SimOptions& o) { o.corrupt_at = 3; }), "5011020>0",
       "S" + payload.substr(0, 2) + "*" + payload.substr(3) + "P", "S" + payload.substr(0, 2) + "*" + payload.substr(3) + "P"},
      {"damaged in the first dump only", with([](SimOptions& o) {
         o.corrupt_at = 0;
         o.corrupt_dumps = 1;
       }),
       "5011020>0", "*" + payload + "P", "S" + payload + "P"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SimInstrument sim(image, c.options);
    EXPECT_EQ(sim.answer('V'), c.v);
    EXPECT_EQ(sim.answer('F'), c.f);
    if (!c.second_f.empty()) {
      EXPECT_EQ(sim.answer('F'), c.second_f);
    }
    EXPECT_EQ(sim.answer('x'), "");
  }
}

TEST(SimInstrument, ServedStreamDownloadsToTheSameImage) {
  for (const SampleKind kind : {SampleKind::both, SampleKind::flow}) {
    const std::vector<std::uint8_t> image = make_sample_image(kind);
    SimOptions options;
    options.restart_after = 3001;
    SimInstrument sim(image, options);
    test::Bench b;
    b.download.open();
    // Each answer goes out in the line's 44-character chunks, the host's next
    // command in turn.
    for (std::size_t sent = 0; sent < b.link.sent().size() && sent < 10; ++sent) {
      b.feed_in_chunks(sim.answer(static_cast<std::uint8_t>(b.link.sent()[sent])), 44);
    }
    ASSERT_EQ(b.view.result, ModalResult::ok);
    EXPECT_EQ(b.link.sent(), "VFVF");
    ASSERT_EQ(b.download.image_length(), image.size());
    EXPECT_TRUE(std::equal(image.begin(), image.end(), b.state.flash.begin()));
  }
}

TEST(PacedQueue, KeepsThePaceOfTheLine) {
  PacedQueue line(line_chars_per_second);
  EXPECT_TRUE(line.empty());
  line.push(std::string(13334, '1'), 10.0);
  EXPECT_EQ(line.ready(10.0).size(), 1u);
  EXPECT_EQ(line.ready(11.0).size(), 873u);  // 9600 / 11 characters a second
  line.consumed(873);
  EXPECT_TRUE(line.ready(11.0).empty());
  EXPECT_NEAR(line.wait(11.0), 873 / line_chars_per_second - 1.0, 1e-9);
  EXPECT_EQ(line.ready(10.0 + 13333 / line_chars_per_second - 1e-6).size(), 13333u - 873u);
  EXPECT_EQ(line.ready(10.0 + 13333 / line_chars_per_second + 1e-6).size(), 13334u - 873u);
  line.consumed(20000);
  EXPECT_TRUE(line.empty());

  // A new answer starts its own run.
  line.push("abc", 100.0);
  EXPECT_EQ(line.ready(100.0), "a");

  PacedQueue fast(0);
  fast.push("SP", 0);
  EXPECT_EQ(fast.ready(0), "SP");
  EXPECT_EQ(fast.wait(0), 0);
}

TEST(SampleImages, AreImagesTheProgramAccepts) {
  struct Case {
    const char* name;
    std::size_t length;
    std::uint8_t subtype, stat, zond, potok;
    std::uint16_t stat_count, zond_count, potok_count, channel_mask;
  };
  const std::vector<Case> cases{
      {"stat", 5166, 1, 1, 0, 0, 12, 0, 0, 0},
      {"zond", 5166, 1, 0, 1, 0, 0, 15, 0, 0},
      {"both", 5166, 1, 1, 1, 0, 14, 20, 0, 0},
      {"flow", 6674, 2, 0, 0, 1, 0, 0, 30, 5},
      {"wall", 6674, 2, 0, 0, 1, 0, 0, 200, 5},
      {"samples", 5166, 1, 1, 1, 0, 22, 15, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::vector<std::uint8_t> image = make_sample_image(*sample_kind(c.name));
    EXPECT_EQ(image, make_sample_image(*sample_kind(c.name)));
    ASSERT_EQ(image.size(), c.length);
    State state;
    std::copy(image.begin(), image.end(), state.flash.begin());
    test::RecordingFrontend frontend;
    check_flash(state, frontend);
    EXPECT_TRUE(frontend.messages.empty());
    EXPECT_EQ(state.dev_subtype, c.subtype);
    EXPECT_EQ(state.stat_present, c.stat);
    EXPECT_EQ(state.zond_present, c.zond);
    EXPECT_EQ(state.potok_present, c.potok);
    if (c.stat) {
      EXPECT_EQ(state.stat_count, c.stat_count);
    }
    if (c.zond) {
      EXPECT_EQ(state.zond_count, c.zond_count);
    }
    if (c.potok) {
      EXPECT_EQ(state.potok_count, c.potok_count);
      EXPECT_EQ(state.channel_mask, c.channel_mask);
      // Every record lies in a slot of the area, and each slot is used once.
      std::set<int> slots;
      for (std::size_t k = 0; k < c.potok_count; ++k) slots.insert(image[6474 + k]);
      EXPECT_EQ(slots.size(), c.potok_count);
      EXPECT_GE(*slots.begin(), 1);
      EXPECT_LE(*slots.rbegin(), 200);
    }
    // The files shipped in samples/ are what the simulator writes today.
    EXPECT_EQ(test::read_bytes(std::string(KALORA_SAMPLES) + "/" + c.name + ".bin"),
              std::vector<unsigned char>(image.begin(), image.end()));
  }
  EXPECT_FALSE(sample_kind("other"));
}

}  // namespace
}  // namespace kalora
