#include <gtest/gtest.h>

#include "tests/decode/decoder_fixture.h"

namespace kalora {
namespace {

using test::Channel;
using test::DecoderFixture;
using test::ImageBuilder;
using test::Message;
using test::Timestamp;

using Row = std::vector<std::string>;
const std::vector<std::string> channel_fields{"TYPE_1", "POTOK_1", "RES_1", "T_IN_1", "T_EXT_1",
                                              "TYPE_2", "POTOK_2", "RES_2", "T_IN_2", "T_EXT_2",
                                              "TYPE_3", "POTOK_3", "RES_3", "T_IN_3", "T_EXT_3"};
const std::vector<std::string> display_fields{"TYPE_1_", "TYPE_2_", "TYPE_3_", "MODE_"};

// Channel 3's small values round to zero; its negative zero is stored as zero.
const std::array<Channel, 3> values{{{12345, 250, 0x04D2, 0x84D2}, {100, 100, 100, 100}, {5, 1, 0x8003, 0x0005}}};

TEST(PotokDecoder, ChannelsKindsAndModes) {
  struct Case {
    const char* name;
    std::uint8_t channels, kind_mode;
    Row head;     // N, MEASUR, MODE
    Row channel;  // the fifteen channel fields
    Row display;  // with calc_enabled 1
  };
  const std::vector<Case> cases{
      {"kind 1, observation mode, channels 1 to 3 set",
       0x07,
       0x81,
       {"1", "1", "1"},
       {"2", "123.400000000", "2.500000000", "12.300000000", "-12.300000000", "", "", "", "", "", "5", "0.000000000",
        "0.010000000", "0.000000000", "0.000000000"},
       {"12X80", "НЕТ", "110X110", "Наблюдения"}},
      {"kind 2: heat flux only",
       0x07,
       0x02,
       {"1", "2", "0"},
       {"2", "123.400000000", "", "", "", "", "", "", "", "", "5", "0.000000000", "", "", ""},
       {"12X80", "НЕТ", "110X110", "Оперативный"}},
      {"kind 127: also heat flux only",
       0x01,
       0x7F,
       {"1", "127", "0"},
       {"2", "123.400000000", "", "", "", "", "", "", "", "", "", "", "", "", ""},
       {"12X80", "НЕТ", "НЕТ", "Оперативный"}},
      {"kind 0, only channel 3 took part",
       0xFC,
       0x00,
       {"1", "0", "0"},
       {"", "", "", "", "", "", "", "", "", "", "5", "0.000000000", "0.010000000", "0.000000000", "0.000000000"},
       {"НЕТ", "НЕТ", "110X110", "Оперативный"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    DecoderFixture f;
    f.state.calc_enabled = 1;
    ImageBuilder image(2);
    image.channel_types(2, 0, 5).potok_count(1).slot_index(0, 7).slot(7, c.channels, c.kind_mode, {1, 2, 6, 3, 4, 5},
                                                                      values);
    f.load(image);
    flash2table_potok(f.state, f.frontend, 0);
    db::DbfTable& t = f.state.Dbf3;
    ASSERT_EQ(t.record_count(), 1u);
    EXPECT_EQ(test::rows(t, {"N", "MEASUR", "MODE"})[0], c.head);
    EXPECT_EQ(test::rows(t, channel_fields)[0], c.channel);
    EXPECT_EQ(test::rows(t, {"DATE", "TIME"})[0], (Row{"01.02.2006", "03:04:05"}));
    EXPECT_EQ(test::rows(t, display_fields)[0], c.display);
    EXPECT_TRUE(f.frontend.messages.empty());
  }
}

TEST(PotokDecoder, DisplayTexts) {
  struct Case {
    std::uint8_t t1, t2, t3, calc_enabled;
    Row display;
  };
  const std::vector<Case> cases{
      {1, 3, 4, 1, {"диам. 27 мм", "20X80", "40X80", "Оперативный"}},
      // Codes the instrument does not have show as their number, not as a mode text.
      {6, 7, 255, 1, {"6", "7", "255", "Оперативный"}},
      {1, 3, 4, 0, {"", "", "", ""}},
  };
  for (const Case& c : cases) {
    DecoderFixture f;
    ImageBuilder image(2);
    image.channel_types(c.t1, c.t2, c.t3).potok_count(1).slot_index(0, 1).slot(1, 7, 0, {});
    f.load(image);
    flash2table_potok(f.state, f.frontend, 0);
    f.state.calc_enabled = c.calc_enabled;
    EXPECT_EQ(test::rows(f.state.Dbf3, display_fields)[0], c.display);
  }
  DecoderFixture empty;
  empty.state.calc_enabled = 1;
  EXPECT_EQ(empty.state.Dbf3.text("MODE_"), "");
}

TEST(PotokDecoder, RecordsFollowTheSlotIndexAndBadSlotsAreLeftOut) {
  struct Case {
    const char* name;
    std::uint16_t count;
    std::vector<std::uint8_t> index;
    Row n, minute;  // per row: N and the minute that tells the slot
    std::string message;
  };
  const std::string skipped = "Ошибочные данные в памяти прибора: пропущено записей: ";
  const std::vector<Case> cases{
      {"index 3 then 1", 2, {3, 1}, {"1", "2"}, {"03", "01"}, ""},
      {"slots 0, 201, 254 and 255", 6, {0, 2, 201, 254, 255, 200}, {"2", "6"}, {"02", "20"}, skipped + "4"},
      {"count beyond the 200 slots", 300, {}, Row(200, "x"), Row(200, "01"), skipped + "100"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    DecoderFixture f;
    ImageBuilder image(2);
    image.channel_types(1, 1, 1).potok_count(c.count);
    for (std::uint8_t s = 1; s <= 200; ++s) image.slot(s, 1, 2, {1, 1, 6, 0, static_cast<std::uint8_t>(s % 60), 0});
    for (std::size_t k = 0; k < 1718; ++k) image.slot_index(k, k < c.index.size() ? c.index[k] : 1);
    f.load(image);
    flash2table_potok(f.state, f.frontend, 0);
    if (c.n[0] != "x") {
      EXPECT_EQ(test::column(f.state.Dbf3, "N"), c.n);
    }
    EXPECT_EQ(f.state.Dbf3.record_count(), c.n.size());
    Row minutes;
    for (const auto& time : test::column(f.state.Dbf3, "TIME")) minutes.push_back(time.substr(3, 2));
    EXPECT_EQ(minutes, c.minute);
    if (c.message.empty()) {
      EXPECT_TRUE(f.frontend.messages.empty());
    } else {
      EXPECT_EQ(f.frontend.messages, (std::vector<Message>{{Message::error, c.message}}));
    }
  }
}

TEST(PotokDecoder, AppendModeClearsTheFilterAndReportsTheRowsThatRemain) {
  DecoderFixture f;
  ImageBuilder first(2);
  first.channel_types(1, 0, 0).potok_count(2).slot_index(0, 1).slot_index(1, 2);
  first.slot(1, 1, 2, {10, 5, 6, 12, 0, 0}).slot(2, 1, 0, {10, 5, 6, 13, 0, 0});
  f.load(first);
  flash2table_potok(f.state, f.frontend, 0);
  f.state.Dbf3.set_filter("MEASUR=2");
  f.state.Dbf3.set_filtered(true);
  ASSERT_EQ(f.state.Dbf3.record_count(), 1u);

  ImageBuilder second(2);
  second.channel_types(1, 0, 0).potok_count(3).slot_index(0, 5).slot_index(1, 6).slot_index(2, 7);
  second.slot(5, 1, 2, {10, 5, 6, 12, 30, 0}).slot(6, 1, 1, {10, 5, 6, 13, 0, 1}).slot(7, 1, 0, {11, 5, 6, 0, 0, 0});
  f.load(second);
  flash2table_potok(f.state, f.frontend, 1);
  EXPECT_FALSE(f.state.Dbf3.filtered());
  EXPECT_EQ(f.state.Dbf3.filter(), "");
  EXPECT_EQ(test::rows(f.state.Dbf3, {"N", "MEASUR", "TIME"}),
            (std::vector<Row>{
                {"1", "2", "12:00:00"}, {"2", "0", "13:00:00"}, {"2", "1", "13:00:01"}, {"3", "0", "00:00:00"}}));
  EXPECT_EQ(f.frontend.messages, (std::vector<Message>{{Message::information, "Добавлено записей: 2"}}));
  EXPECT_EQ(f.frontend.effects, (std::vector<std::string>{"hide", "show"}));
}

}  // namespace
}  // namespace kalora
