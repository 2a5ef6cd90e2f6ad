// Every record of the workbook writer against bytes worked out by hand from the
// published layout of the 97-2003 workbook format.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "reports/xls/biff_records.h"

namespace kalora::xls {
namespace {

std::string hex(const ByteVector& bytes) {
  std::string out;
  char buf[4];
  for (const std::uint8_t b : bytes) {
    std::snprintf(buf, sizeof buf, "%02X ", b);
    out += buf;
  }
  if (!out.empty()) out.pop_back();
  return out;
}

TEST(XlsRecords, EachRecordIsByteExact) {
  Font bold_italic;
  bold_italic.size_pt = 14;
  bold_italic.bold = true;
  bold_italic.italic = true;
  XfFields framed;
  framed.font_index = 5;
  framed.horizontal = HAlign::center;
  framed.vertical = VAlign::center;
  framed.wrap = true;
  framed.borders = {Line::thin, Line::thin, Line::thin, Line::thin};
  framed.fill_colour = 10;
  XfFields left_frame_only;
  left_frame_only.font_index = 6;
  left_frame_only.horizontal = HAlign::right;
  left_frame_only.vertical = VAlign::top;
  left_frame_only.borders.left = Line::medium;
  XfFields normal_style;
  normal_style.style_xf = true;
  normal_style.attributes = 0;

  struct Case {
    const char* name;
    ByteVector bytes;
    std::string expected;
  };
  const std::vector<Case> cases{
      {"bof globals", bof(Substream::globals), "09 08 10 00 00 06 05 00 BB 0D CC 07 00 00 00 00 06 00 00 00"},
      {"bof sheet", bof(Substream::worksheet), "09 08 10 00 00 06 10 00 BB 0D CC 07 00 00 00 00 06 00 00 00"},
      {"eof", eof(), "0A 00 00 00"},
      {"codepage", codepage_utf16(), "42 00 02 00 B0 04"},
      {"window1", window1(), "3D 00 12 00 00 00 00 00 98 3A 28 23 38 00 00 00 00 00 01 00 58 02"},
      {"font Arial 10", font(Font{}),
       "31 00 1A 00 C8 00 00 00 FF 7F 90 01 00 00 00 00 CC 00 05 01 41 00 72 00 69 00 61 00 6C 00"},
      {"font bold italic 14", font(bold_italic),
       "31 00 1A 00 18 01 03 00 FF 7F BC 02 00 00 00 00 CC 00 05 01 41 00 72 00 69 00 61 00 6C 00"},
      {"xf framed, filled, wrapped", xf(framed),
       "E0 00 14 00 05 00 00 00 01 00 1A 00 00 FC 11 11 08 04 08 04 00 04 8A 20"},
      {"xf one medium left line", xf(left_frame_only),
       "E0 00 14 00 06 00 00 00 01 00 03 00 00 FC 02 00 08 00 00 00 00 00 C0 20"},
      {"xf normal style", xf(normal_style), "E0 00 14 00 00 00 00 00 F5 FF 20 00 00 00 00 00 00 00 00 00 00 00 C0 20"},
      {"style normal", style_normal(), "93 02 04 00 00 80 00 FF"},
      {"palette", palette({0x000000, 0xFFCC99}), "92 00 0A 00 02 00 00 00 00 00 FF CC 99 00"},
      {"boundsheet", boundsheet(0x1234, u"Лист1"), "85 00 12 00 34 12 00 00 00 00 05 01 1B 04 38 04 41 04 42 04 31 00"},
      {"sst", sst({u"a", u"λ"}, 3).bytes, "FC 00 12 00 03 00 00 00 02 00 00 00 01 00 01 61 00 01 00 01 BB 03"},
      {"extsst", extsst(sst({u"a", u"λ"}, 3), 100), "FF 00 0A 00 08 00 70 00 00 00 0C 00 00 00"},
      {"dimensions", dimensions(0, 3, 0, 2), "00 02 0E 00 00 00 00 00 03 00 00 00 00 00 02 00 00 00"},
      {"colinfo", colinfo(1, 1, 0x0E00, 15), "7D 00 0C 00 01 00 01 00 00 0E 0F 00 02 00 00 00"},
      {"row", row(2, 0, 3, 400), "08 02 10 00 02 00 00 00 03 00 90 01 00 00 00 00 40 01 0F 00"},
      {"labelsst", labelsst(1, 2, 16, 5), "FD 00 0A 00 01 00 02 00 10 00 05 00 00 00"},
      {"number", number(0, 0, 15, 1.5), "03 02 0E 00 00 00 00 00 0F 00 00 00 00 00 00 00 F8 3F"},
      {"blank", blank(3, 4, 17), "01 02 06 00 03 00 04 00 11 00"},
      {"mergecells", mergecells({{0, 0, 0, 2}, {1, 3, 5, 5}}),
       "E5 00 12 00 02 00 00 00 00 00 00 00 02 00 01 00 03 00 05 00 05 00"},
      {"no merges, no record", mergecells({}), ""},
      {"window2", window2(), "3E 02 12 00 B6 06 00 00 00 00 40 00 00 00 00 00 00 00 00 00 00 00"},
      {"footer", header_footer(record_type::footer, u"&RСтр. &P"),
       "15 00 15 00 09 00 01 26 00 52 00 21 04 42 04 40 04 2E 00 20 00 26 00 50 00"},
      {"empty header", header_footer(record_type::header, u""), "14 00 00 00"},
      {"setup A4 landscape", setup(PageSetup{}),
       "A1 00 22 00 09 00 64 00 01 00 01 00 01 00 00 00 58 02 58 02 33 33 33 33 33 33 D3 3F 33 33 33 33 33 33 D3 3F "
       "01 00"},
      {"setup fitted to the width", setup(PageSetup{9, false, 0.5, 0.25, true}),
       "A1 00 22 00 09 00 64 00 01 00 01 00 00 00 02 00 58 02 58 02 00 00 00 00 00 00 E0 3F 00 00 00 00 00 00 D0 3F "
       "01 00"},
      {"page breaks", horizontal_page_breaks({40, 80}), "1B 00 0E 00 02 00 28 00 00 00 FF 00 50 00 00 00 FF 00"},
      {"no page breaks, no record", horizontal_page_breaks({}), ""},
      {"word record", word_record(record_type::gridset, 1), "82 00 02 00 01 00"},
      {"double record", double_record(record_type::delta, 0.001), "10 00 08 00 FC A9 F1 D2 4D 62 50 3F"},
  };
  for (const Case& c : cases) EXPECT_EQ(hex(c.bytes), c.expected) << c.name;
}

TEST(XlsRecords, LongSharedStringsGoOnInContinueRecords) {
  const std::u16string long_text(5000, u'ж');
  const SstBlock block = sst({u"x", long_text, u"y"}, 3);
  const ByteVector& b = block.bytes;
  // SST: counts, "x", then the long string's header and as many characters as fit.
  const std::size_t sst_length = b[2] | b[3] << 8;
  ASSERT_EQ(sst_length, 8u + 5u + 3u + 2u * 4104u);
  const std::size_t next = 4 + sst_length;
  EXPECT_EQ(b[next], 0x3C);
  EXPECT_EQ(b[next + 1], 0x00);
  const std::size_t continue_length = b[next + 2] | b[next + 3] << 8;
  // The rest of the characters after a fresh UTF-16 flag byte, then "y" whole.
  EXPECT_EQ(continue_length, 1u + 2u * (5000u - 4104u) + 5u);
  EXPECT_EQ(b[next + 4], 0x01);
  EXPECT_EQ(b.size(), next + 4 + continue_length);
}

TEST(XlsRecords, ExtsstPointsAtEveryEighthString) {
  std::vector<std::u16string> strings;
  for (int i = 0; i < 20; ++i) strings.push_back(u"s" + std::u16string(1, static_cast<char16_t>(u'a' + i)));
  const SstBlock block = sst(strings, 20);
  ASSERT_EQ(block.bucket_starts.size(), 3u);
  // Each string is 3 header bytes and 2 characters of 2 bytes.
  for (std::size_t k = 0; k < 3; ++k) {
    const std::uint32_t at = 12 + static_cast<std::uint32_t>(k * 8 * 7);
    EXPECT_EQ(block.bucket_starts[k].offset_in_block, at);
    EXPECT_EQ(block.bucket_starts[k].offset_in_record, at);
    EXPECT_EQ(block.bytes[at], 2) << "length of string " << k * 8;
  }
}

}  // namespace
}  // namespace kalora::xls
