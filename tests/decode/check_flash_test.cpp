#include "decode/check_flash.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <vector>

#include "support/image_builder.h"
#include "support/recording_frontend.h"

namespace kalora {
namespace {

using test::ImageBuilder;
using test::Message;
using test::RecordingFrontend;

struct Expected {
  std::uint8_t stat = 0, zond = 0, potok = 0, data = 0;
  std::uint16_t stat_count = 0, zond_count = 0, potok_count = 0;
  std::array<std::uint8_t, 3> channel_type{};
  std::uint16_t channel_mask = 0;
  std::optional<std::string> error;
};

struct Case {
  const char* name;
  ImageBuilder image;
  Expected expected;
};

// Counts, channel types and the mask start from values an earlier image left, so
// the test sees which branch writes which of them.
constexpr std::uint16_t old_count = 77;
constexpr std::uint16_t old_mask = 6;
const std::array<std::uint8_t, 3> old_types{9, 9, 9};

State state_with_old_values() {
  State s;
  s.stat_count = s.zond_count = s.potok_count = old_count;
  s.channel_mask = old_mask;
  s.channel_type = old_types;
  s.stat_present = s.zond_present = s.potok_present = s.data_present = 1;
  return s;
}

TEST(CheckFlash, JudgesTypeSubtypeAndMethodFlags) {
  const std::vector<Case> cases{
      {"type 4", ImageBuilder(1, 4).methods(3),
       {0, 0, 0, 0, old_count, old_count, old_count, old_types, old_mask, "Ошибочные данные или неверный тип прибора"}},
      {"subtype 3", ImageBuilder(3).methods(3),
       {0, 0, 0, 0, old_count, old_count, old_count, old_types, old_mask,
        "Ошибочные данные или неизвестный подтип тепломера"}},
      {"subtype 200", ImageBuilder(200), {0, 0, 0, 0, old_count, old_count, old_count, old_types, old_mask,
                                          "Ошибочные данные или неизвестный подтип тепломера"}},
      {"subtype 0", ImageBuilder(0).methods(3),
       {0, 0, 0, 0, old_count, old_count, old_count, old_types, old_mask, std::nullopt}},
      {"subtype 1, no methods", ImageBuilder(1).methods(0xFC).stat_count(3).zond_count(4),
       {0, 0, 0, 0, old_count, old_count, old_count, old_types, old_mask, std::nullopt}},
      {"subtype 1, stationary", ImageBuilder(1).methods(1).stat_count(3).zond_count(4),
       {1, 0, 0, 1, 3, old_count, old_count, old_types, 0, std::nullopt}},
      {"subtype 1, probe only keeps the mask", ImageBuilder(1).methods(2).stat_count(3).zond_count(4),
       {0, 1, 0, 1, old_count, 4, old_count, old_types, old_mask, std::nullopt}},
      {"subtype 1, both", ImageBuilder(1).methods(3).stat_count(105).zond_count(552),
       {1, 1, 0, 1, 105, 552, old_count, old_types, 0, std::nullopt}},
      {"subtype 2, channels 3 0 5", ImageBuilder(2).channel_types(3, 0, 5).potok_count(12).methods(3),
       {0, 0, 1, 1, old_count, old_count, 12, {3, 0, 5}, 5, std::nullopt}},
      {"subtype 2, no channels", ImageBuilder(2).channel_types(0, 0, 0).potok_count(0),
       {0, 0, 1, 1, old_count, old_count, 0, {0, 0, 0}, 0, std::nullopt}},
      {"subtype 2, huge count", ImageBuilder(2).channel_types(1, 2, 4).potok_count(65535),
       {0, 0, 1, 1, old_count, old_count, 65535, {1, 2, 4}, 7, std::nullopt}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    State state = state_with_old_values();
    std::copy(c.image.bytes.begin(), c.image.bytes.end(), state.flash.begin());
    RecordingFrontend frontend;
    check_flash(state, frontend);
    const Expected& e = c.expected;
    EXPECT_EQ(state.dev_type, c.image.bytes[5]);
    EXPECT_EQ(state.dev_subtype, c.image.bytes[6]);
    EXPECT_EQ(state.stat_present, e.stat);
    EXPECT_EQ(state.zond_present, e.zond);
    EXPECT_EQ(state.potok_present, e.potok);
    EXPECT_EQ(state.data_present, e.data);
    EXPECT_EQ(state.stat_count, e.stat_count);
    EXPECT_EQ(state.zond_count, e.zond_count);
    EXPECT_EQ(state.potok_count, e.potok_count);
    EXPECT_EQ(state.channel_type, e.channel_type);
    EXPECT_EQ(state.channel_mask, e.channel_mask);
    if (e.error) {
      EXPECT_EQ(frontend.messages, (std::vector<Message>{{Message::error, *e.error}}));
    } else {
      EXPECT_TRUE(frontend.messages.empty());
    }
  }
}

}  // namespace
}  // namespace kalora
