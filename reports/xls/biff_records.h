// One function per workbook record: each returns the whole record, its four-byte
// header (type, length) included, ready to be appended to the "Workbook" stream.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "reports/xls/byte_writer.h"
#include "reports/xls/style.h"

namespace kalora::xls {

namespace record_type {
inline constexpr std::uint16_t bof = 0x0809;
inline constexpr std::uint16_t eof = 0x000A;
inline constexpr std::uint16_t codepage = 0x0042;
inline constexpr std::uint16_t window1 = 0x003D;
inline constexpr std::uint16_t font = 0x0031;
inline constexpr std::uint16_t xf = 0x00E0;
inline constexpr std::uint16_t format = 0x041E;
inline constexpr std::uint16_t style = 0x0293;
inline constexpr std::uint16_t palette = 0x0092;
inline constexpr std::uint16_t boundsheet = 0x0085;
inline constexpr std::uint16_t sst = 0x00FC;
inline constexpr std::uint16_t extsst = 0x00FF;
inline constexpr std::uint16_t continue_ = 0x003C;
inline constexpr std::uint16_t dimensions = 0x0200;
inline constexpr std::uint16_t colinfo = 0x007D;
inline constexpr std::uint16_t row = 0x0208;
inline constexpr std::uint16_t labelsst = 0x00FD;
inline constexpr std::uint16_t number = 0x0203;
inline constexpr std::uint16_t blank = 0x0201;
inline constexpr std::uint16_t mergecells = 0x00E5;
inline constexpr std::uint16_t window2 = 0x023E;
inline constexpr std::uint16_t header = 0x0014;
inline constexpr std::uint16_t footer = 0x0015;
inline constexpr std::uint16_t setup = 0x00A1;
inline constexpr std::uint16_t left_margin = 0x0026;
inline constexpr std::uint16_t right_margin = 0x0027;
inline constexpr std::uint16_t top_margin = 0x0028;
inline constexpr std::uint16_t bottom_margin = 0x0029;
inline constexpr std::uint16_t delta = 0x0010;
inline constexpr std::uint16_t guts = 0x0080;
inline constexpr std::uint16_t default_row_height = 0x0225;
inline constexpr std::uint16_t calc_mode = 0x000D;
inline constexpr std::uint16_t calc_count = 0x000C;
inline constexpr std::uint16_t ref_mode = 0x000F;
inline constexpr std::uint16_t iteration = 0x0011;
inline constexpr std::uint16_t save_recalc = 0x005F;
inline constexpr std::uint16_t print_headers = 0x002A;
inline constexpr std::uint16_t print_gridlines = 0x002B;
inline constexpr std::uint16_t gridset = 0x0082;
inline constexpr std::uint16_t wsbool = 0x0081;
inline constexpr std::uint16_t hcenter = 0x0083;
inline constexpr std::uint16_t vcenter = 0x0084;
inline constexpr std::uint16_t default_col_width = 0x0055;
inline constexpr std::uint16_t date1904 = 0x0022;
inline constexpr std::uint16_t precision = 0x000E;
inline constexpr std::uint16_t horizontal_page_breaks = 0x001B;
}  // namespace record_type

// Most data a record may carry; longer contents go on in CONTINUE records.
inline constexpr std::size_t max_record_data = 8224;

ByteVector record(std::uint16_t type, const ByteVector& data);
// A record whose data is one 16-bit word (flags, counts, modes).
ByteVector word_record(std::uint16_t type, std::uint16_t value);
ByteVector double_record(std::uint16_t type, double value);

enum class Substream : std::uint16_t { globals = 0x0005, worksheet = 0x0010 };
ByteVector bof(Substream kind);
ByteVector eof();
ByteVector codepage_utf16();
ByteVector window1();
ByteVector font(const Font& f);

// A cell format. `font_index` and the colour indexes are those of the workbook's
// font list and palette.
struct XfFields {
  std::uint16_t font_index = 0;
  std::uint16_t format_index = 0;  // 0 "General", 164 and up the workbook's own formats
  bool style_xf = false;
  HAlign horizontal = HAlign::general;
  VAlign vertical = VAlign::bottom;
  bool wrap = false;
  Borders borders;
  std::uint8_t border_colour = 8;           // palette index of the frame lines
  std::optional<std::uint8_t> fill_colour;  // palette index of a solid fill
  // Which attribute groups the format sets itself (number, font, alignment, frame,
  // fill, protection: bits 2 to 7); a style format's set bits mean "not given".
  std::uint8_t attributes = 0xFC;
};
ByteVector xf(const XfFields& f);
// A number format of the workbook: index 164 and up, its code as the reader parses it.
inline constexpr std::uint16_t first_custom_format = 164;
ByteVector number_format(std::uint16_t index, const std::u16string& code);
ByteVector style_normal();
// Colours of palette indexes 8 to 63, 0xRRGGBB each.
ByteVector palette(const std::vector<std::uint32_t>& colours);
ByteVector boundsheet(std::uint32_t bof_position, const std::u16string& name);

// Shared strings: the SST record and as many CONTINUE records as it takes. The
// EXTSST that follows needs where each bucket's first string starts.
struct SstBlock {
  ByteVector bytes;
  struct Anchor {
    std::uint32_t offset_in_block;   // where the string starts, from the SST's first byte
    std::uint16_t offset_in_record;  // the same, from the first byte of its own record
  };
  std::vector<Anchor> bucket_starts;
  std::uint16_t strings_per_bucket = 8;
};
SstBlock sst(const std::vector<std::u16string>& strings, std::uint32_t total_uses);
ByteVector extsst(const SstBlock& block, std::uint32_t block_position);

ByteVector dimensions(std::uint32_t first_row, std::uint32_t rows_end, std::uint16_t first_col, std::uint16_t cols_end);
// width in 1/256 of the width of the digit zero of the standard font
ByteVector colinfo(std::uint16_t first_col, std::uint16_t last_col, std::uint16_t width, std::uint16_t xf_index);
ByteVector row(std::uint16_t index, std::uint16_t first_col, std::uint16_t cols_end, std::uint16_t height_twips);
ByteVector labelsst(std::uint16_t row, std::uint16_t col, std::uint16_t xf_index, std::uint32_t string_index);
ByteVector number(std::uint16_t row, std::uint16_t col, std::uint16_t xf_index, double value);
ByteVector blank(std::uint16_t row, std::uint16_t col, std::uint16_t xf_index);

// Rows in 32 bits, as a 2007 sheet counts them; the records here store them in 16.
struct Range {
  std::uint32_t first_row, last_row;
  std::uint16_t first_col, last_col;
};
// As many MERGECELLS records as the ranges need.
ByteVector mergecells(const std::vector<Range>& ranges);
ByteVector window2();
// Page header and footer text with the workbook's codes (&L &C &R, &P page, &N pages).
ByteVector header_footer(std::uint16_t type, const std::u16string& text);

struct PageSetup {
  std::uint16_t paper = 9;  // A4
  bool landscape = true;
  double header_margin_in = 0.3;
  double footer_margin_in = 0.3;
  bool fit_width = false;  // scaled to one page wide, as many pages high as it takes
};
ByteVector setup(const PageSetup& p);
// Manual page breaks above the given rows (ascending, at most 1026).
inline constexpr std::size_t max_page_breaks = 1026;
ByteVector horizontal_page_breaks(const std::vector<std::uint16_t>& rows);

}  // namespace kalora::xls
