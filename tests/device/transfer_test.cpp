#include "device/transfer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace kalora {
namespace {

std::string encode(const std::vector<std::uint8_t>& bytes) {
  std::string text;
  for (std::uint8_t b : bytes) {
    text += static_cast<char>(0x30 + (b & 0x0F));
    text += static_cast<char>(0x30 + (b >> 4));
  }
  return text;
}

void put_stream(State& state, const std::string& text, std::size_t at = 0) {
  std::copy(text.begin(), text.end(), state.rx_buf.begin() + static_cast<std::ptrdiff_t>(at));
}

TEST(Transfer, DecodePairTakesLowNibbleFirst) {
  const std::uint8_t chars[] = {'0', '?', '?', '0', '5', '0', ':', '5'};
  EXPECT_EQ(decode_pair(chars, 0), 0xF0);
  EXPECT_EQ(decode_pair(chars, 2), 0x0F);
  EXPECT_EQ(decode_pair(chars, 4), 5);
  EXPECT_EQ(decode_pair(chars, 6), 0x5A);
  for (int b = 0; b < 256; ++b) {
    const std::string text = encode({static_cast<std::uint8_t>(b)});
    const std::uint8_t pair[] = {static_cast<std::uint8_t>(text[0]), static_cast<std::uint8_t>(text[1])};
    ASSERT_EQ(decode_pair(pair, 0), b);
    ASSERT_TRUE(pair[0] >= 0x30 && pair[0] <= 0x3F && pair[1] >= 0x30 && pair[1] <= 0x3F);
  }
}

TEST(Transfer, FindCharScansTheWholeBuffer) {
  State state;
  EXPECT_EQ(find_char(state, 'S'), rx_buf_size);
  state.rx_buf[0] = 'S';
  EXPECT_EQ(find_char(state, 'S'), 0u);
  state.rx_buf[rx_buf_size - 1] = 'P';
  EXPECT_EQ(find_char(state, 'P'), rx_buf_size - 1);
}

TEST(Transfer, AssemblesHeaderAndPayload) {
  State state;
  state.dev_type = 5;
  state.dev_subtype = 2;
  std::vector<std::uint8_t> payload(6665);
  for (std::size_t i = 0; i < payload.size(); ++i) payload[i] = static_cast<std::uint8_t>(i * 7 + 3);
  put_stream(state, "xx:5S" + encode(payload) + "P");  // noise before 'S' plays no part
  const AssembledImage image = assemble_image(state);
  EXPECT_TRUE(image.intact);
  EXPECT_EQ(image.length, 6674u);
  const std::uint8_t header[] = {'k', 'L', 'r', '!', 'b', 5, 2, 0x64, 0x00};
  EXPECT_TRUE(std::equal(std::begin(header), std::end(header), state.flash.begin()));
  EXPECT_TRUE(std::equal(payload.begin(), payload.end(), state.flash.begin() + 9));
}

TEST(Transfer, DamagedStreamsStayInsideTheBuffers) {
  struct Case {
    const char* name;
    std::string stream;
    std::size_t at;
    std::size_t length;
    bool intact;
  };
  const std::string full(rx_buf_size - 2, '1');  // 8191 pairs: more than flash holds
  const std::vector<Case> cases{
      {"empty payload", "SP", 0, 9, true},
      {"odd count drops the half byte", "S123P", 0, 10, false},
      {"P before S", "P1234S5678", 0, 9, false},
      {"no S", "123456P", 0, 9, false},
      {"no P runs to the end of rx_buf", "S1111", rx_buf_size - 5, 11, false},
      {"S as the last character", "S", rx_buf_size - 1, 9, false},
      {"payload larger than flash", "S" + full + "P", 0, flash_size, false},
      {"payload larger than flash, no P", "S" + full + "1", 0, flash_size, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    State state;
    state.flash.fill(0xAA);
    put_stream(state, c.stream, c.at);
    const AssembledImage image = assemble_image(state);
    EXPECT_EQ(image.length, c.length);
    EXPECT_EQ(image.intact, c.intact);
    // Nothing of the earlier image is left after the new one.
    EXPECT_TRUE(std::all_of(state.flash.begin() + static_cast<std::ptrdiff_t>(image.length), state.flash.end(),
                            [](std::uint8_t b) { return b == 0; }));
  }
}

TEST(Transfer, OddStreamKeepsTheCompletePairs) {
  State state;
  put_stream(state, "S" + encode({0x12, 0x34}) + "7P");
  const AssembledImage image = assemble_image(state);
  EXPECT_EQ(image.length, 11u);
  EXPECT_EQ(state.flash[9], 0x12);
  EXPECT_EQ(state.flash[10], 0x34);
}

}  // namespace
}  // namespace kalora
