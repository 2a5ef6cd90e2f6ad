#include "decode/fields.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <vector>

namespace kalora {
namespace {

TEST(LittleEndian, WordsRoundTripAndKeepLowBits) {
  std::array<std::uint8_t, 8> buf{};
  put_u16(buf, 1, 0x1234);
  EXPECT_EQ(buf[1], 0x34);
  EXPECT_EQ(buf[2], 0x12);
  EXPECT_EQ(get_u16(buf, 1), 0x1234);
  put_u16(buf, 3, 0x5ABCD);  // only the low 16 bits are stored
  EXPECT_EQ(get_u16(buf, 3), 0xABCD);
  EXPECT_EQ(buf[5], 0);
  put_u32(buf, 4, 0xDEADBEEF);
  EXPECT_EQ(get_u32(buf, 4), 0xDEADBEEFu);
  EXPECT_EQ(buf[4], 0xEF);
  EXPECT_EQ(buf[7], 0xDE);
}

TEST(Temperature, SignMagnitudeAndRounding) {
  struct Case {
    std::uint16_t word;
    double value;
  };
  const std::vector<Case> cases{
      {0x04D2, 12.3}, {0x84D2, -12.3}, {0x8000 + 1234, -12.3}, {0x07D0, 20.0}, {0x0FA0, 40.0},
      {5, 0.0},       {15, 0.1},       {25, 0.2},              {55, 0.6},      {245, 2.5},
      {0x7FFF, 327.7}};
  for (const Case& c : cases) {
    const std::array<std::uint8_t, 2> buf{static_cast<std::uint8_t>(c.word), static_cast<std::uint8_t>(c.word >> 8)};
    // n × 0.1 may be one unit in the last place off the decimal's nearest double
    EXPECT_DOUBLE_EQ(get_temp(buf, 0), c.value) << "word " << c.word;
  }
}

TEST(Temperature, SmallNegativeMagnitudeIsNegativeZero) {
  for (std::uint16_t word : {0x8000, 0x8003, 0x8005}) {
    const std::array<std::uint8_t, 2> buf{static_cast<std::uint8_t>(word), static_cast<std::uint8_t>(word >> 8)};
    const double t = get_temp(buf, 0);
    EXPECT_EQ(t, 0.0) << word;
    EXPECT_TRUE(std::signbit(t)) << word;
  }
  const std::array<std::uint8_t, 2> positive{3, 0};
  EXPECT_FALSE(std::signbit(get_temp(positive, 0)));
}

TEST(TimeText, SubstitutesOutOfRangeFieldsAndKeepsEightCharacters) {
  struct Case {
    std::uint8_t s, m, h;
    const char* text;
  };
  const std::vector<Case> cases{{7, 5, 9, "09:05:07"},   {0, 0, 0, "00:00:00"},    {59, 59, 23, "23:59:59"},
                                {0, 30, 24, "00:30:00"}, {1, 60, 10, "10:00:01"},  {60, 1, 1, "01:01:00"},
                                {255, 255, 255, "00:00:00"}};
  for (const Case& c : cases) {
    const std::array<std::uint8_t, 3> buf{c.s, c.m, c.h};
    EXPECT_EQ(time_text(buf, 0), c.text);
  }
  for (int v = 0; v < 256; ++v) {
    const std::array<std::uint8_t, 3> buf{static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(255 - v),
                                          static_cast<std::uint8_t>(v)};
    EXPECT_EQ(time_text(buf, 0).size(), 8u);
  }
}

TEST(DateText, SubstitutesOutOfRangeFieldsAndKeepsTenCharacters) {
  struct Case {
    std::uint8_t d, m, y;
    const char* text;
  };
  const std::vector<Case> cases{{0, 13, 6, "01.01.2006"},   {5, 3, 255, "05.03.2255"}, {31, 2, 0, "31.02.2000"},
                                {31, 12, 5, "31.12.2005"},  {32, 0, 10, "01.01.2010"}, {1, 12, 99, "01.12.2099"}};
  for (const Case& c : cases) {
    const std::array<std::uint8_t, 3> buf{c.d, c.m, c.y};
    EXPECT_EQ(date_text(buf, 0), c.text);
  }
  for (int v = 0; v < 256; ++v) {
    const std::array<std::uint8_t, 3> buf{static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v),
                                          static_cast<std::uint8_t>(v)};
    EXPECT_EQ(date_text(buf, 0).size(), 10u);
  }
}

TEST(LaterThan, ComparesYearMonthDayThenTime) {
  struct Case {
    const char* old;
    const char* newer;
    bool later;
  };
  const std::vector<Case> cases{
      {"10.05.200612:00:00", "10.05.200612:00:00", false},
      {"31.12.200523:59:59", "01.01.200600:00:00", true},
      {"01.01.200600:00:00", "31.12.200523:59:59", false},
      {"10.05.200612:00:00", "10.05.200612:00:01", true},
      {"10.05.200612:00:00", "09.05.200612:00:00", false},
      {"10.05.200612:00:00", "10.06.200600:00:00", true},
      {"10.05.200612:00:00", "10.05.200611:59:59", false},
      {"00.00.000000:00:00", "01.01.200000:00:00", true},
      {"00.00.000000:00:00", "00.00.000000:00:00", false},
      // damaged texts still compare without reading past their end
      {"", "01.01.200000:00:00", true},
      {"01.01.2000", "01.01.200000:00:01", true},
      {"xx.01.200000:00:00", "01.01.200000:00:00", true},
  };
  for (const Case& c : cases) EXPECT_EQ(later_than(c.old, c.newer), c.later) << c.old << " vs " << c.newer;
}

}  // namespace
}  // namespace kalora
