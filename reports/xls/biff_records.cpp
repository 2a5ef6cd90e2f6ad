#include "reports/xls/biff_records.h"

#include <algorithm>

namespace kalora::xls {

namespace {

constexpr std::uint16_t biff8_version = 0x0600;
constexpr std::uint8_t no_fill_fore = 0x40;  // the system's window text and background colours
constexpr std::uint8_t no_fill_back = 0x41;
constexpr std::uint8_t russian_charset = 204;

// Text with a one-byte length, always stored as UTF-16.
void short_unicode_string(ByteWriter& w, const std::u16string& text) {
  w.u8(static_cast<std::uint8_t>(text.size()));
  w.u8(1);
  w.utf16(text);
}

std::uint8_t line_colour(Line line, std::uint8_t colour) { return line == Line::none ? 0 : colour; }

}  // namespace

ByteVector record(std::uint16_t type, const ByteVector& data) {
  ByteWriter w;
  w.u16(type);
  w.u16(static_cast<std::uint16_t>(data.size()));
  w.append(data);
  return w.take();
}

ByteVector word_record(std::uint16_t type, std::uint16_t value) {
  ByteWriter w;
  w.u16(value);
  return record(type, w.take());
}

ByteVector double_record(std::uint16_t type, double value) {
  ByteWriter w;
  w.f64(value);
  return record(type, w.take());
}

ByteVector bof(Substream kind) {
  ByteWriter w;
  w.u16(biff8_version);
  w.u16(static_cast<std::uint16_t>(kind));
  w.u16(0x0DBB);  // build and year of the writing application, as the 97 format expects
  w.u16(0x07CC);
  w.u32(0);
  w.u32(0x00000006);  // lowest version able to read the file: BIFF8
  return record(record_type::bof, w.take());
}

ByteVector eof() { return record(record_type::eof, {}); }

ByteVector codepage_utf16() { return word_record(record_type::codepage, 1200); }

ByteVector window1() {
  ByteWriter w;
  w.u16(0);       // left
  w.u16(0);       // top
  w.u16(0x3A98);  // width and height in twips
  w.u16(0x2328);
  w.u16(0x0038);  // scroll bars and sheet tabs shown
  w.u16(0);       // active sheet
  w.u16(0);       // first visible tab
  w.u16(1);       // selected sheets
  w.u16(600);     // tab bar share, per mille
  return record(record_type::window1, w.take());
}

ByteVector font(const Font& f) {
  ByteWriter w;
  w.u16(static_cast<std::uint32_t>(f.size_pt * 20));
  w.u16((f.bold ? 0x0001 : 0) | (f.italic ? 0x0002 : 0));  // bit 0 repeats the weight for older readers
  w.u16(0x7FFF);                                           // automatic colour
  w.u16(f.bold ? 700 : 400);
  w.u16(0);  // no super- or subscript
  w.u8(0);   // no underline
  w.u8(0);   // family not specified
  w.u8(russian_charset);
  w.u8(0);
  short_unicode_string(w, utf8_to_utf16(f.name));
  return record(record_type::font, w.take());
}

ByteVector xf(const XfFields& f) {
  ByteWriter w;
  w.u16(f.font_index);
  w.u16(f.format_index);
  w.u16(f.style_xf ? 0xFFF5 : 0x0001);  // locked; a cell format inherits from style 0
  w.u8(static_cast<std::uint8_t>(f.horizontal) | (f.wrap ? 0x08 : 0) | (static_cast<std::uint8_t>(f.vertical) << 4));
  w.u8(0);  // no rotation
  w.u8(0);  // no indent
  w.u8(f.attributes);
  const Borders& b = f.borders;
  w.u32(static_cast<std::uint32_t>(b.left) | static_cast<std::uint32_t>(b.right) << 4 |
        static_cast<std::uint32_t>(b.top) << 8 | static_cast<std::uint32_t>(b.bottom) << 12 |
        std::uint32_t{line_colour(b.left, f.border_colour)} << 16 |
        std::uint32_t{line_colour(b.right, f.border_colour)} << 23);
  const std::uint32_t pattern = f.fill_colour ? 1 : 0;
  w.u32(std::uint32_t{line_colour(b.top, f.border_colour)} |
        std::uint32_t{line_colour(b.bottom, f.border_colour)} << 7 | pattern << 26);
  w.u16(std::uint32_t{f.fill_colour.value_or(no_fill_fore)} | std::uint32_t{no_fill_back} << 7);
  return record(record_type::xf, w.take());
}

ByteVector number_format(std::uint16_t index, const std::u16string& code) {
  ByteWriter w;
  w.u16(index);
  w.u16(static_cast<std::uint16_t>(code.size()));
  w.u8(1);  // UTF-16
  w.utf16(code);
  return record(record_type::format, w.take());
}

ByteVector style_normal() {
  ByteWriter w;
  w.u16(0x8000);  // built-in style on format 0
  w.u8(0);        // "Normal"
  w.u8(0xFF);
  return record(record_type::style, w.take());
}

ByteVector palette(const std::vector<std::uint32_t>& colours) {
  ByteWriter w;
  w.u16(static_cast<std::uint16_t>(colours.size()));
  for (const std::uint32_t rgb : colours) {
    w.u8(rgb >> 16);
    w.u8(rgb >> 8);
    w.u8(rgb);
    w.u8(0);
  }
  return record(record_type::palette, w.take());
}

ByteVector boundsheet(std::uint32_t bof_position, const std::u16string& name) {
  ByteWriter w;
  w.u32(bof_position);
  w.u8(0);  // visible
  w.u8(0);  // worksheet
  short_unicode_string(w, name);
  return record(record_type::boundsheet, w.take());
}

SstBlock sst(const std::vector<std::u16string>& strings, std::uint32_t total_uses) {
  SstBlock block;
  block.strings_per_bucket = static_cast<std::uint16_t>(std::max<std::size_t>(8, (strings.size() + 127) / 128));
  ByteWriter out;
  ByteVector data;
  std::size_t record_start = 0;  // where the record being filled starts in `out`
  std::uint16_t type = record_type::sst;
  auto flush = [&] {
    const ByteVector whole = record(type, data);
    out.append(whole);
    data.clear();
    record_start = out.size();
    type = record_type::continue_;
  };
  auto put16 = [&](std::uint32_t v) {
    data.push_back(static_cast<std::uint8_t>(v));
    data.push_back(static_cast<std::uint8_t>(v >> 8));
  };
  put16(total_uses);
  put16(total_uses >> 16);
  put16(static_cast<std::uint32_t>(strings.size()));
  put16(static_cast<std::uint32_t>(strings.size() >> 16));
  for (std::size_t i = 0; i < strings.size(); ++i) {
    const std::u16string& s = strings[i];
    // The three-byte string header and its first character never part.
    const std::size_t head = s.empty() ? 3 : 5;
    if (data.size() + head > max_record_data) flush();
    if (i % block.strings_per_bucket == 0) {
      block.bucket_starts.push_back(
          {static_cast<std::uint32_t>(record_start + 4 + data.size()), static_cast<std::uint16_t>(4 + data.size())});
    }
    put16(static_cast<std::uint32_t>(s.size()));
    data.push_back(1);
    for (const char16_t c : s) {
      if (data.size() + 2 > max_record_data) {
        flush();
        data.push_back(1);  // the continued characters are UTF-16 too
      }
      put16(c);
    }
  }
  flush();
  block.bytes = out.take();
  return block;
}

ByteVector extsst(const SstBlock& block, std::uint32_t block_position) {
  ByteWriter w;
  w.u16(block.strings_per_bucket);
  for (const auto& anchor : block.bucket_starts) {
    w.u32(block_position + anchor.offset_in_block);
    w.u16(anchor.offset_in_record);
    w.u16(0);
  }
  return record(record_type::extsst, w.take());
}

ByteVector dimensions(std::uint32_t first_row, std::uint32_t rows_end, std::uint16_t first_col,
                      std::uint16_t cols_end) {
  ByteWriter w;
  w.u32(first_row);
  w.u32(rows_end);
  w.u16(first_col);
  w.u16(cols_end);
  w.u16(0);
  return record(record_type::dimensions, w.take());
}

ByteVector colinfo(std::uint16_t first_col, std::uint16_t last_col, std::uint16_t width, std::uint16_t xf_index) {
  ByteWriter w;
  w.u16(first_col);
  w.u16(last_col);
  w.u16(width);
  w.u16(xf_index);
  w.u16(0x0002);  // width set by the user, not by fitting
  w.u16(0);
  return record(record_type::colinfo, w.take());
}

ByteVector row(std::uint16_t index, std::uint16_t first_col, std::uint16_t cols_end, std::uint16_t height_twips) {
  ByteWriter w;
  w.u16(index);
  w.u16(first_col);
  w.u16(cols_end);
  w.u16(height_twips);
  w.u16(0);
  w.u16(0);
  w.u16(0x0140);  // the height is its own, not the font's
  w.u16(0x000F);
  return record(record_type::row, w.take());
}

ByteVector labelsst(std::uint16_t row, std::uint16_t col, std::uint16_t xf_index, std::uint32_t string_index) {
  ByteWriter w;
  w.u16(row);
  w.u16(col);
  w.u16(xf_index);
  w.u32(string_index);
  return record(record_type::labelsst, w.take());
}

ByteVector number(std::uint16_t row, std::uint16_t col, std::uint16_t xf_index, double value) {
  ByteWriter w;
  w.u16(row);
  w.u16(col);
  w.u16(xf_index);
  w.f64(value);
  return record(record_type::number, w.take());
}

ByteVector blank(std::uint16_t row, std::uint16_t col, std::uint16_t xf_index) {
  ByteWriter w;
  w.u16(row);
  w.u16(col);
  w.u16(xf_index);
  return record(record_type::blank, w.take());
}

ByteVector mergecells(const std::vector<Range>& ranges) {
  constexpr std::size_t per_record = 1026;
  ByteWriter out;
  for (std::size_t start = 0; start < ranges.size(); start += per_record) {
    const std::size_t n = std::min(per_record, ranges.size() - start);
    ByteWriter w;
    w.u16(static_cast<std::uint16_t>(n));
    for (std::size_t i = start; i < start + n; ++i) {
      w.u16(static_cast<std::uint16_t>(ranges[i].first_row));
      w.u16(static_cast<std::uint16_t>(ranges[i].last_row));
      w.u16(ranges[i].first_col);
      w.u16(ranges[i].last_col);
    }
    out.append(record(record_type::mergecells, w.take()));
  }
  return out.take();
}

ByteVector window2() {
  ByteWriter w;
  w.u16(0x06B6);  // grid, headings, zeros, outline symbols; selected and shown
  w.u16(0);       // top row
  w.u16(0);       // left column
  w.u16(0x40);    // automatic grid colour
  w.u16(0);
  w.u16(0);  // zoom: default
  w.u16(0);
  w.u16(0);
  w.u16(0);
  return record(record_type::window2, w.take());
}

ByteVector header_footer(std::uint16_t type, const std::u16string& text) {
  if (text.empty()) return record(type, {});
  ByteWriter w;
  w.u16(static_cast<std::uint16_t>(text.size()));
  w.u8(1);
  w.utf16(text);
  return record(type, w.take());
}

ByteVector setup(const PageSetup& p) {
  ByteWriter w;
  w.u16(p.paper);
  w.u16(100);                  // scale, per cent
  w.u16(1);                    // first page number
  w.u16(1);                    // fit to one page wide
  w.u16(p.fit_width ? 0 : 1);  // pages high when fitting is on: 0 is as many as needed
  w.u16(p.landscape ? 0x0000 : 0x0002);
  w.u16(600);  // resolution, dots per inch
  w.u16(600);
  w.f64(p.header_margin_in);
  w.f64(p.footer_margin_in);
  w.u16(1);  // copies
  return record(record_type::setup, w.take());
}

ByteVector horizontal_page_breaks(const std::vector<std::uint16_t>& rows) {
  if (rows.empty()) return {};
  ByteWriter w;
  w.u16(static_cast<std::uint16_t>(rows.size()));
  for (const std::uint16_t r : rows) {
    w.u16(r);
    w.u16(0);  // across every column
    w.u16(255);
  }
  return record(record_type::horizontal_page_breaks, w.take());
}

}  // namespace kalora::xls
