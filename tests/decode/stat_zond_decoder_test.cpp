#include <gtest/gtest.h>

#include <random>

#include "tests/decode/decoder_fixture.h"

namespace kalora {
namespace {

using test::DecoderFixture;
using test::ImageBuilder;
using test::Message;
using test::Timestamp;

constexpr Timestamp t0{10, 5, 6, 12, 0, 0};

TEST(StatDecoder, FillModeStoresValuesAndDerivedQuantities) {
  DecoderFixture f;
  f.state.calc_enabled = 1;
  ImageBuilder image(1);
  image.methods(1).stat_count(5);
  image.stat_record(0, 1234, 500, 0x07D0, 0x0FA0, {31, 12, 5, 14, 30, 0});
  image.stat_record(1, 1234, 500, 0x8000 | 500, 0x0FA0, t0);  // cooler at -5.0
  image.stat_record(2, 0, 500, 0x07D0, 0x0FA0, t0);           // no conductivity: R undefined
  image.stat_record(3, 1000, 0, 0x07D0, 0x0FA0, t0);          // no thickness: Q undefined
  image.stat_record(4, 65535, 1, 0x0000, 0x7FFF, t0);         // Q too long for its field
  f.load(image);
  flash2table_stat(f.state, f.frontend, 0);

  using Row = std::vector<std::string>;
  const std::vector<Row> expected{
      {"1", "1.234000000", "50.000000000", "40.000000000", "20.000000000", "31.12.2005", "14:30:00", "0.041000000",
       "493.600000000", ""},
      {"2", "1.234000000", "50.000000000", "40.000000000", "-5.000000000", "10.05.2006", "12:00:00", "0.041000000",
       "1110.600000000", ""},
      {"3", "0.000000000", "50.000000000", "40.000000000", "20.000000000", "10.05.2006", "12:00:00", "", "0.000000000",
       ""},
      {"4", "1.000000000", "0.000000000", "40.000000000", "20.000000000", "10.05.2006", "12:00:00", "0.000000000", "",
       ""},
      {"5", "65.535000000", "0.100000000", "327.700000000", "0.000000000", "10.05.2006", "12:00:00", "0.000000000", "",
       ""},
  };
  EXPECT_EQ(test::rows(f.state.Dbf1, {"N", "HEAT", "THICK", "T_UP", "T_DOWN", "DATE", "TIME", "R", "Q", "COMMENT"}),
            expected);
  // 65.535 × 327.7 ÷ 0.1 × 1000 needs 19 places: left empty and reported, never cut.
  EXPECT_EQ(f.frontend.messages,
            (std::vector<Message>{{Message::error, "Значения, которые не помещаются в поле таблицы, не записаны: 1"}}));
  EXPECT_TRUE(f.frontend.effects.empty());
  EXPECT_EQ(f.state.calc_enabled, 0);
  EXPECT_EQ(f.state.Dbf1.recno(), 5u);
}

struct AppendCase {
  const char* name;
  std::vector<Timestamp> stored;  // rows already in the table
  std::vector<Timestamp> image;
  std::vector<std::string> n_after;  // N of every row afterwards
  std::string message;
};

ImageBuilder stat_image(const std::vector<Timestamp>& stamps) {
  ImageBuilder image(1);
  image.methods(1).stat_count(static_cast<std::uint16_t>(stamps.size()));
  for (std::size_t i = 0; i < stamps.size(); ++i) image.stat_record(i, 1000, 100, 0, 0, stamps[i]);
  return image;
}

std::vector<Timestamp> minutes(int from, int count) {
  std::vector<Timestamp> out;
  for (int m = from; m < from + count; ++m) out.push_back({10, 5, 6, 12, static_cast<std::uint8_t>(m), 0});
  return out;
}

TEST(StatDecoder, AppendModeKeepsOnlyRecordsLaterThanTheLastStoredRow) {
  const std::string msg = "Добавлено записей в стационарный метод: ";
  const std::vector<AppendCase> cases{
      {"empty table keeps everything", {}, minutes(0, 3), {"1", "2", "3"}, msg + "3"},
      {"older, equal and one second later",
       {{10, 5, 6, 12, 0, 0}},
       {{9, 5, 6, 23, 0, 0}, {10, 5, 6, 12, 0, 0}, {10, 5, 6, 12, 0, 1}},
       {"1", "3"},
       msg + "1"},
      {"no records", minutes(0, 2), {}, {"1", "2"}, msg + "0"},
      {"14 records, the first 10 stored already",
       minutes(0, 10),
       minutes(0, 14),
       {"1", "2", "3", "4", "5", "6", "7", "8", "9", "10", "11", "12", "13", "14"},
       msg + "4"},
      {"4 newer records keep their own numbers",
       minutes(0, 14),
       minutes(20, 4),
       {"1", "2", "3", "4", "5", "6", "7", "8", "9", "10", "11", "12", "13", "14", "1", "2", "3", "4"},
       msg + "4"},
      // Each new row is compared with the old last row only, not with the other new ones.
      {"new rows out of order",
       {{10, 5, 6, 12, 0, 0}},
       {{1, 1, 7, 0, 0, 0}, {11, 5, 6, 0, 0, 0}, {1, 1, 5, 0, 0, 0}},
       {"1", "1", "2"},
       msg + "2"},
  };
  for (const AppendCase& c : cases) {
    SCOPED_TRACE(c.name);
    DecoderFixture f;
    f.load(stat_image(c.stored));
    flash2table_stat(f.state, f.frontend, 0);
    f.load(stat_image(c.image));
    flash2table_stat(f.state, f.frontend, 1);
    EXPECT_EQ(test::column(f.state.Dbf1, "N"), c.n_after);
    EXPECT_EQ(f.frontend.messages, (std::vector<Message>{{Message::information, c.message}}));
    EXPECT_EQ(f.frontend.effects, (std::vector<std::string>{"hide", "show"}));
    EXPECT_TRUE(f.state.Dbf1.is_open());
    EXPECT_EQ(f.state.Dbf1.physical_count(), c.n_after.size());  // packed
  }
}

TEST(ZondDecoder, FillAndAppend) {
  DecoderFixture f;
  ImageBuilder image(1);
  image.methods(2).zond_count(3);
  image.zond_record(0, 250, 84, 1800, {31, 12, 5, 14, 30, 0});
  image.zond_record(1, 65535, 65535, 9999, t0);
  image.zond_record(2, 1, 1, 12000, t0);  // a density that needs five places
  f.load(image);
  flash2table_zond(f.state, f.frontend, 0);
  using Row = std::vector<std::string>;
  EXPECT_EQ(test::rows(f.state.Dbf2, {"N", "HEAT", "SHEAT", "THICK", "TIME", "COMMENT", "DATE"}),
            (std::vector<Row>{
                {"1", "0.250000000", "0.840000000", "1800", "14:30:00", "", "31.12.2005"},
                {"2", "65.535000000", "655.350000000", "9999", "12:00:00", "", "10.05.2006"},
                {"3", "0.001000000", "0.010000000", "", "12:00:00", "", "10.05.2006"},
            }));
  EXPECT_EQ(f.frontend.messages,
            (std::vector<Message>{{Message::error, "Значения, которые не помещаются в поле таблицы, не записаны: 1"}}));

  // Both records older than the last stored row: nothing changes, 0 reported.
  f.frontend.messages.clear();
  ImageBuilder older(1);
  older.methods(2).zond_count(2);
  older.zond_record(0, 5, 5, 5, {1, 1, 5, 0, 0, 0});
  older.zond_record(1, 5, 5, 5, {10, 5, 6, 11, 59, 59});
  f.load(older);
  const auto before = test::read_bytes(f.dir.file("meas.db2"));
  flash2table_zond(f.state, f.frontend, 1);
  EXPECT_EQ(f.frontend.messages,
            (std::vector<Message>{{Message::information, "Добавлено записей в зондовый метод: 0"}}));
  auto after = test::read_bytes(f.dir.file("meas.db2"));
  std::copy_n(before.begin() + 1, 3, after.begin() + 1);  // the header's date of last change may differ
  EXPECT_EQ(after, before);
}

TEST(Decoders, CountsBeyondTheirAreaAreCutToItsRoomAndReported) {
  struct Case {
    const char* name;
    ImageBuilder image;
    std::uint32_t (*decode)(State&, Frontend&, std::uint8_t);
    db::DbfTable State::*table;
    std::size_t rows;
    std::string message;
  };
  const std::string skipped = "Ошибочные данные в памяти прибора: пропущено записей: ";
  std::vector<Case> cases{
      {"stationary 65535", ImageBuilder(1).methods(1).stat_count(65535), flash2table_stat, &State::Dbf1, 105,
       skipped + "65430"},
      {"stationary 106", ImageBuilder(1).methods(1).stat_count(106), flash2table_stat, &State::Dbf1, 105,
       skipped + "1"},
      {"probe 552 fits exactly", ImageBuilder(1).methods(2).zond_count(552), flash2table_zond, &State::Dbf2, 552, ""},
      {"probe 600", ImageBuilder(1).methods(2).zond_count(600), flash2table_zond, &State::Dbf2, 552, skipped + "48"},
  };
  for (Case& c : cases) {
    SCOPED_TRACE(c.name);
    DecoderFixture f;
    f.load(c.image);
    c.decode(f.state, f.frontend, 0);
    EXPECT_EQ((f.state.*c.table).record_count(), c.rows);
    if (c.message.empty()) {
      EXPECT_TRUE(f.frontend.messages.empty());
    } else {
      EXPECT_EQ(f.frontend.messages, (std::vector<Message>{{Message::error, c.message}}));
    }
  }
}

TEST(Decoders, DoNothingWhileTheirTableIsClosed) {
  for (auto decode : {flash2table_stat, flash2table_zond, flash2table_potok}) {
    for (std::uint8_t mode : {0, 1}) {
      DecoderFixture f;
      f.state.Dbf1.close();
      f.state.Dbf2.close();
      f.state.Dbf3.close();
      f.state.calc_enabled = 1;
      ImageBuilder image(decode == flash2table_potok ? 2 : 1);
      image.methods(3).stat_count(2).zond_count(2).channel_types(1, 1, 1).potok_count(2).slot_index(0, 1).slot_index(1,
                                                                                                                     2);
      f.load(image);
      decode(f.state, f.frontend, mode);
      EXPECT_TRUE(f.frontend.messages.empty());
      EXPECT_TRUE(f.frontend.effects.empty());
      EXPECT_EQ(f.state.calc_enabled, 1);
      EXPECT_FALSE(f.state.Dbf1.is_open() || f.state.Dbf2.is_open() || f.state.Dbf3.is_open());
    }
  }
}

}  // namespace
}  // namespace kalora

namespace kalora {
namespace {

// Random memory of both kinds: whatever the counts and slot numbers say, the rows
// stay within the areas' room and every message is one of the decoders' own.
TEST(Decoders, RandomImagesDecodeWithinTheirAreas) {
  std::mt19937 random(20061005);
  for (int run = 0; run < 40; ++run) {
    test::DecoderFixture f;
    test::ImageBuilder image(static_cast<std::uint8_t>(1 + run % 2));
    for (std::size_t i = 9; i < image.bytes.size(); ++i) image.bytes[i] = static_cast<std::uint8_t>(random());
    image.methods(3);
    f.load(image);
    for (std::uint8_t mode : {0, 1}) {
      flash2table_stat(f.state, f.frontend, mode);
      flash2table_zond(f.state, f.frontend, mode);
      flash2table_potok(f.state, f.frontend, mode);
    }
    EXPECT_LE(f.state.Dbf1.record_count(), 2u * 105);
    EXPECT_LE(f.state.Dbf2.record_count(), 2u * 552);
    EXPECT_LE(f.state.Dbf3.record_count(), 2u * 200);
    for (const auto& m : f.frontend.messages) {
      EXPECT_TRUE(m.text.starts_with("Добавлено записей") || m.text.starts_with("Ошибочные данные") ||
                  m.text.starts_with("Значения"))
          << m.text;
    }
  }
}

}  // namespace
}  // namespace kalora
