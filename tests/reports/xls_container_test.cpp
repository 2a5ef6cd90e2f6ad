// The compound-file container and the UTF-8 to UTF-16 conversion under the writer.
#include <gtest/gtest.h>

#include <vector>

#include "reports/xls/compound_file.h"

namespace kalora::xls {
namespace {

std::uint32_t u32_at(const ByteVector& b, std::size_t pos) {
  return b[pos] | b[pos + 1] << 8 | b[pos + 2] << 16 | static_cast<std::uint32_t>(b[pos + 3]) << 24;
}

TEST(CompoundFile, SectorsTableAndDirectoryFitTheStream) {
  struct Case {
    std::size_t stream_bytes;
    std::size_t stream_sectors;  // a short stream is padded to 4096 bytes
    std::size_t fat_sectors;
  };
  const std::vector<Case> cases{{10, 8, 1},      {4096, 8, 1},        {4097, 9, 1},
                                {70000, 137, 2}, {126 * 512, 126, 1}, {127 * 512, 127, 2}};
  for (const Case& c : cases) {
    std::vector<std::uint8_t> stream(c.stream_bytes);
    for (std::size_t i = 0; i < stream.size(); ++i) stream[i] = static_cast<std::uint8_t>(i * 7);
    const auto file = compound_file(stream, u"Workbook");
    ASSERT_TRUE(file) << c.stream_bytes;
    const ByteVector& f = *file;
    ASSERT_EQ(f.size(), 512 * (1 + c.stream_sectors + 1 + c.fat_sectors)) << c.stream_bytes;
    EXPECT_EQ(u32_at(f, 0), 0xE011CFD0u);
    EXPECT_EQ(u32_at(f, 4), 0xE11AB1A1u);
    EXPECT_EQ(f[0x1E], 9);  // 512-byte sectors
    EXPECT_EQ(u32_at(f, 0x2C), c.fat_sectors);
    const std::size_t directory = c.stream_sectors;
    EXPECT_EQ(u32_at(f, 0x30), directory);
    for (std::size_t k = 0; k < 109; ++k) {
      EXPECT_EQ(u32_at(f, 0x4C + 4 * k), k < c.fat_sectors ? directory + 1 + k : 0xFFFFFFFFu);
    }
    // The stream's bytes sit unchanged from sector 0.
    EXPECT_TRUE(std::equal(stream.begin(), stream.end(), f.begin() + 512)) << c.stream_bytes;
    const std::size_t fat = 512 * (2 + directory);
    for (std::size_t s = 0; s + 1 < c.stream_sectors; ++s) ASSERT_EQ(u32_at(f, fat + 4 * s), s + 1);
    EXPECT_EQ(u32_at(f, fat + 4 * (c.stream_sectors - 1)), 0xFFFFFFFEu);
    EXPECT_EQ(u32_at(f, fat + 4 * directory), 0xFFFFFFFEu);
    for (std::size_t k = 0; k < c.fat_sectors; ++k) EXPECT_EQ(u32_at(f, fat + 4 * (directory + 1 + k)), 0xFFFFFFFDu);
    for (std::size_t s = directory + 1 + c.fat_sectors; s < 128 * c.fat_sectors; ++s) {
      ASSERT_EQ(u32_at(f, fat + 4 * s), 0xFFFFFFFFu);
    }
    // Directory: root, then the stream with its first sector and length.
    const std::size_t dir = 512 * (1 + directory);
    EXPECT_EQ(f[dir], 'R');
    EXPECT_EQ(f[dir + 0x40], 22);  // "Root Entry" and its zero, in bytes
    EXPECT_EQ(f[dir + 0x42], 5);
    EXPECT_EQ(u32_at(f, dir + 0x4C), 1u);  // child: the stream
    EXPECT_EQ(f[dir + 128], 'W');
    EXPECT_EQ(f[dir + 128 + 0x42], 2);
    EXPECT_EQ(u32_at(f, dir + 128 + 0x74), 0u);
    EXPECT_EQ(u32_at(f, dir + 128 + 0x78), std::max<std::size_t>(c.stream_bytes, 4096));
  }
}

TEST(CompoundFile, RefusesStreamsBeyondOneHeaderOfTableSectors) {
  EXPECT_FALSE(compound_file(std::vector<std::uint8_t>(109 * 128 * 512), u"Workbook"));
  EXPECT_TRUE(compound_file(std::vector<std::uint8_t>(108 * 127 * 512), u"Workbook"));
  EXPECT_FALSE(compound_file(std::vector<std::uint8_t>(10), std::u16string(32, u'x')));
}

TEST(Utf16, ConvertsAndMarksMalformedBytes) {
  struct Case {
    std::string in;
    std::u16string out;
  };
  const std::vector<Case> cases{
      {"", u""},
      {"N", u"N"},
      {"Стр. λγτ °·", u"Стр. λγτ °·"},
      {"\xF0\x9F\x98\x80", u"\U0001F600"},
      {"a\xFF"
       "b",
       u"a\uFFFDb"},
      {"\xD0", u"\uFFFD"},  // cut short at the end
      {"\xD0"
       "A",
       u"\uFFFDA"},                                       // continuation byte missing
      {"\xC0\x80", u"\uFFFD\uFFFD"},                      // overlong
      {"\xE0\x80\x80", u"\uFFFD\uFFFD\uFFFD"},            // overlong
      {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},            // surrogate half
      {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},  // beyond U+10FFFF
  };
  for (const Case& c : cases) EXPECT_EQ(utf8_to_utf16(c.in), c.out) << c.in;
}

}  // namespace
}  // namespace kalora::xls
