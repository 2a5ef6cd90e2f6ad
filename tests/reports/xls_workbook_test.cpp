// Whole workbooks read back by xlrd and openpyxl, independent readers, and by LibreOffice
// where it is installed; saving replaces a file only when the new one is complete.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#ifdef _WIN32
#include <windows.h>
#endif

#include "reports/xls/workbook.h"
#include "core/file_io.h"
#include "reports/xlsx/xlsx_workbook.h"
#include "support/run_program.h"
#include "support/temp_dir.h"

namespace kalora::xls {
namespace {

using test::TempDir;

// Prints what xlrd finds: one line per cell with its value and looks, then merges,
// column widths, row heights.
constexpr const char* describe_script = R"(
import io, sys, xlrd
log = io.StringIO()
book = xlrd.open_workbook(sys.argv[1], formatting_info=True, logfile=log, verbosity=1)
for line in log.getvalue().splitlines():
    if 'NOTE' in line or 'WARN' in line:
        print(line)
sheet = book.sheet_by_index(0)
print('sheet', sheet.name, sheet.nrows, sheet.ncols)
for r in range(sheet.nrows):
    for c in range(sheet.ncols):
        cell = sheet.cell(r, c)
        if cell.ctype == xlrd.XL_CELL_EMPTY:
            continue
        xf = book.xf_list[cell.xf_index]
        font = book.font_list[xf.font_index]
        b = xf.border
        fill = ''
        if xf.background.fill_pattern == 1:
            fill = ' fill=%02X%02X%02X' % book.colour_map[xf.background.pattern_colour_index]
        value = repr(cell.value) if cell.ctype == xlrd.XL_CELL_NUMBER else cell.value
        code = book.format_map[xf.format_key].format_str
        print('%d,%d %s | %s %d%s%s h%d v%d%s frame=%d%d%d%d%s%s' % (r, c, value, font.name, font.height // 20,
              ' bold' if font.weight >= 700 else '', ' italic' if font.italic else '',
              xf.alignment.hor_align, xf.alignment.vert_align, ' wrap' if xf.alignment.text_wrapped else '',
              b.left_line_style, b.right_line_style, b.top_line_style, b.bottom_line_style, fill,
              '' if code == 'General' else ' format=' + code))
print('merged', sorted(sheet.merged_cells))
print('widths', sorted((c, i.width) for c, i in sheet.colinfo_map.items()))
print('heights', sorted((r, i.height) for r, i in sheet.rowinfo_map.items() if i.height != 255))
# Footer and page setup, which xlrd leaves alone: walk the records of the stream.
import struct
from xlrd import compdoc
stream = compdoc.CompDoc(open(sys.argv[1], 'rb').read()).get_named_stream('Workbook')
pos = 0
while pos + 4 <= len(stream):
    kind, length = struct.unpack_from('<HH', stream, pos)
    data = stream[pos + 4:pos + 4 + length]
    if kind == 0x15 and length:
        print('footer', data[3:].decode('utf-16-le'))
    if kind == 0xA1:
        paper, flags = struct.unpack_from('<H', data, 0)[0], struct.unpack_from('<H', data, 10)[0]
        print('paper', paper, 'landscape' if flags & 6 == 0 else 'portrait')
    pos += 4 + length
)";

// The same from openpyxl for a .xlsx file, in the same words (no column widths:
// the two formats round them to pixels differently).
constexpr const char* describe_xlsx_script = R"(
import sys, openpyxl
sheet = openpyxl.load_workbook(sys.argv[1]).worksheets[0]
print('sheet', sheet.title)
H = {None: 0, 'general': 0, 'left': 1, 'center': 2, 'right': 3}
V = {'top': 0, 'center': 1, 'bottom': 2, None: 2}
L = {None: 0, 'thin': 1, 'medium': 2, 'thick': 5}
for (r, c) in sorted(sheet._cells):
    cell = sheet._cells[(r, c)]
    if isinstance(cell, openpyxl.cell.cell.MergedCell):
        continue  # openpyxl's stand-in for the cells a merged area covers
    value = '' if cell.value is None else repr(cell.value) if cell.data_type == 'n' else cell.value
    f, a, b = cell.font, cell.alignment, cell.border
    fill = ' fill=' + cell.fill.fgColor.rgb[2:] if cell.fill.fill_type == 'solid' else ''
    code = cell.number_format
    print('%d,%d %s | %s %d%s%s h%d v%d%s frame=%d%d%d%d%s%s' % (r - 1, c - 1, value, f.name, int(f.sz),
          ' bold' if f.b else '', ' italic' if f.i else '', H[a.horizontal], V[a.vertical],
          ' wrap' if a.wrap_text else '', L[b.left.style], L[b.right.style], L[b.top.style], L[b.bottom.style],
          fill, '' if code == 'General' else ' format=' + code))
print('merged', sorted((m.min_row - 1, m.max_row, m.min_col - 1, m.max_col) for m in sheet.merged_cells.ranges))
print('heights', sorted((r - 1, round(d.height * 20)) for r, d in sheet.row_dimensions.items() if d.height))
footer = sheet.oddFooter
print('footer', ''.join(code + part.text for code, part in (('&L', footer.left), ('&C', footer.center),
                                                            ('&R', footer.right)) if part.text))
print('paper', sheet.page_setup.paperSize, sheet.page_setup.orientation)
)";

std::string describe(const std::string& path) {
  const bool xlsx = path.ends_with(".xlsx");
  const auto r = test::run_program(KALORA_PYTHON, {"-c", xlsx ? describe_xlsx_script : describe_script, path});
  EXPECT_EQ(r.exit_code, 0) << r.err;
  return r.out;
}

Sheet sample_sheet() {
  Sheet s;
  CellStyle title;
  title.font.size_pt = 14;
  title.font.bold = true;
  CellStyle heading;
  heading.font.size_pt = 12;
  heading.font.bold = true;
  heading.horizontal = HAlign::center;
  heading.vertical = VAlign::center;
  heading.wrap = true;
  heading.borders = {Line::thin, Line::thin, Line::thin, Line::thin};
  heading.fill_rgb = 0xFFCC99;
  CellStyle symbol = heading;
  symbol.horizontal = HAlign::right;
  symbol.borders.right = Line::none;
  symbol.font.italic = true;
  CellStyle number;
  number.horizontal = HAlign::left;
  number.vertical = VAlign::top;
  number.borders.bottom = Line::medium;
  CellStyle padded = number;
  padded.number_format = "000.0";
  s.cells = {
      {0, 0, std::string("КАЛОРА-5"), title},
      {1, 0, std::string("λ"), symbol},
      {1, 1, std::string("Вт/м·К"), heading},
      {1, 2, std::monostate{}, heading},
      {2, 0, 12.5, number},
      {2, 1, -0.001, number},
      {2, 2, 5.25, padded},
      {3, 3, std::string("Tн, °C"), heading},
      {5, 0, std::string("итог"), title},
  };
  s.merges = {{1, 1, 1, 2}, {5, 6, 0, 4}};  // the second reaches past every cell
  s.column_widths = {{0, 2000}, {1, 5000}};
  s.row_heights = {{0, 960}, {1, 840}};
  s.footer = "&RСтр. &P из &N";
  return s;
}

TEST(XlsWorkbook, XlrdAndOpenpyxlReadValuesLooksMergesAndSizes) {
  KALORA_NEEDS_LINUX_TOOL("python3 with xlrd and openpyxl");
  const std::string head =
      "0,0 КАЛОРА-5 | Arial 14 bold h0 v2 frame=0000\n"
      "1,0 λ | Arial 12 bold italic h3 v1 wrap frame=1011 fill=FFCC99\n"
      "1,1 Вт/м·К | Arial 12 bold h2 v1 wrap frame=1111 fill=FFCC99\n";
  const std::string covered = "1,2  | Arial 12 bold h2 v1 wrap frame=1111 fill=FFCC99\n";  // openpyxl hides it
  const std::string cells =
      "2,0 12.5 | Arial 10 h1 v0 frame=0002\n"
      "2,1 -0.001 | Arial 10 h1 v0 frame=0002\n"
      "2,2 5.25 | Arial 10 h1 v0 frame=0002 format=000.0\n"
      "3,3 Tн, °C | Arial 12 bold h2 v1 wrap frame=1111 fill=FFCC99\n"
      "5,0 итог | Arial 14 bold h0 v2 frame=0000\n"
      "merged [(1, 2, 1, 3), (5, 7, 0, 5)]\n";
  const std::string page =
      "heights [(0, 960), (1, 840)]\n"
      "footer &RСтр. &P из &N\n";
  TempDir dir;
  const std::string xls = dir.file("отчёт.xls"), xlsx = dir.file("отчёт.xlsx");
  ASSERT_EQ(save_workbook(sample_sheet(), xls), "");
  ASSERT_EQ(xlsx::save_workbook(sample_sheet(), xlsx), "");
  // Column widths as the file stores them, the padding counted in.
  EXPECT_EQ(describe(xls), "sheet Лист1 7 5\n" + head + covered + cells + "widths [(0, 2183), (1, 5183)]\n" + page +
                               "paper 9 landscape\n");
  EXPECT_EQ(describe(xlsx), "sheet Лист1\n" + head + cells + page + "paper 9 landscape\n");
}

TEST(XlsWorkbook, ManyLongStringsAndCellsSurviveRecordSplitting) {
  KALORA_NEEDS_LINUX_TOOL("python3 with xlrd");
  Sheet s;
  for (std::uint16_t r = 0; r < 2000; ++r) {
    s.cells.push_back({r, 0, "Примечание " + std::to_string(r) + std::string(40, 'x'), {}});
    s.cells.push_back({r, 1, static_cast<double>(r) / 8, {}});
    if (r % 2 == 0) s.merges.push_back({r, r, 2, 3});
  }
  s.cells.push_back({5, 4, std::string(20000, 'y'), {}});
  TempDir dir;
  const std::string path = dir.file("big.xls");
  ASSERT_EQ(save_workbook(s, path), "");
  const auto r = test::run_program(KALORA_PYTHON, {"-c", R"(
import sys, xlrd
book = xlrd.open_workbook(sys.argv[1], formatting_info=True)
sh = book.sheet_by_index(0)
bad = [r for r in range(2000) if sh.cell_value(r, 0) != 'Примечание %d' % r + 'x' * 40 or sh.cell_value(r, 1) != r / 8]
print(sh.nrows, len(sh.merged_cells), len(sh.cell_value(5, 4)), bad[:3])
)",
                                                   path});
  EXPECT_EQ(r.out, "2000 1000 20000 []\n") << r.err;
}

TEST(XlsWorkbook, RefusesWhatASheetCannotHold) {
  struct Case {
    const char* name;
    Sheet sheet;
  };
  Sheet wide;
  wide.cells.push_back({0, 256, 1.0, {}});
  Sheet long_text;
  long_text.cells.push_back({0, 0, std::string(32768, 'a'), {}});
  Sheet bad_merge;
  bad_merge.merges.push_back({3, 2, 0, 0});
  Sheet long_footer;
  long_footer.footer = std::string(256, 'f');
  Sheet tall;
  tall.cells.push_back({xls_rows, 0, 1.0, {}});
  Sheet colourful;
  for (std::uint16_t i = 0; i < 60; ++i) {
    CellStyle style;
    style.fill_rgb = 0x010101u * i + 7;
    colourful.cells.push_back({i, 0, 1.0, style});
  }
  const std::vector<Case> cases{{"257 columns", wide},          {"text over 32767", long_text},
                                {"inverted merge", bad_merge},  {"footer over 255", long_footer},
                                {"60 fill colours", colourful}, {"65537 rows", tall}};
  for (const Case& c : cases) {
    const BuiltWorkbook built = build_workbook(c.sheet);
    EXPECT_NE(built.error, "") << c.name;
    EXPECT_TRUE(built.bytes.empty()) << c.name;
  }
}

// A 2007 book takes every row its format has, and pages past the 1023 breaks it keeps.
TEST(XlsWorkbook, XlsxHoldsAMillionRows) {
  KALORA_NEEDS_LINUX_TOOL("python3 with openpyxl");
  TempDir dir;
  Sheet tall;
  tall.cells = {{xls_rows, 0, 1.5, {}}, {xlsx_rows - 1, 1, std::string("низ"), {}}};
  for (std::uint32_t r = 40; r < 80000; r += 40) tall.page_breaks.push_back(r);
  const std::string path = dir.file("tall.xlsx");
  ASSERT_EQ(xlsx::save_workbook(tall, path), "");
  const std::string cells = describe(path);
  EXPECT_NE(cells.find("\n65536,0 1.5 |"), std::string::npos) << cells;
  EXPECT_NE(cells.find("\n1048575,1 низ |"), std::string::npos) << cells;
  tall.cells.push_back({xlsx_rows, 0, 2.0, {}});
  EXPECT_EQ(xlsx::save_workbook(tall, dir.file("taller.xlsx")), too_many_rows(xlsx_rows));
  EXPECT_FALSE(std::filesystem::exists(dir.file("taller.xlsx")));
}

TEST(XlsWorkbook, SavingReplacesOnlyWithACompleteFile) {
  KALORA_NEEDS_LINUX_TOOL("python3 with xlrd");
  TempDir dir;
  const std::string target = dir.file("report.xls");
  test::write_bytes(target, {'o', 'l', 'd'});

  // A file that happens to have the name of the temporary one is left alone.
  test::write_bytes(target + ".tmp", {'m', 'i', 'n', 'e'});

  // Replaces an existing file, leaving nothing else behind.
  ASSERT_EQ(save_workbook(sample_sheet(), target), "");
  EXPECT_NE(describe(target).find("КАЛОРА-5"), std::string::npos);
  EXPECT_EQ(test::read_bytes(target + ".tmp"), (std::vector<unsigned char>{'m', 'i', 'n', 'e'}));
  std::filesystem::remove(target + ".tmp");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);

  // A sheet that cannot be stored: the message, and the old file stays as it was.
  const auto before = test::read_bytes(target);
  Sheet wide;
  wide.cells.push_back({0, 300, 1.0, {}});
  EXPECT_NE(save_workbook(wide, target), "");
  EXPECT_EQ(test::read_bytes(target), before);

  // A folder that does not exist, and a name taken by a folder: a message naming
  // the file, and no stray file.
  const std::string missing = dir.file("нет/report.xls");
  const std::string error = save_workbook(sample_sheet(), missing);
  EXPECT_NE(error.find(missing), std::string::npos) << error;
  std::filesystem::create_directory(dir.file("taken.xls"));
  EXPECT_NE(save_workbook(sample_sheet(), dir.file("taken.xls")), "");
  EXPECT_TRUE(std::filesystem::is_directory(dir.file("taken.xls")));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 2);
}

// Points the system's temporary folder (TMP on Windows, TMPDIR elsewhere) at another
// folder while it lives.
class TemporaryFolderAt {
 public:
  explicit TemporaryFolderAt(const std::filesystem::path& folder) {
#ifdef _WIN32
    wchar_t old[MAX_PATH + 1];
    const DWORD n = GetEnvironmentVariableW(L"TMP", old, MAX_PATH + 1);
    had_ = n > 0 && n <= MAX_PATH;
    if (had_) old_ = old;
    SetEnvironmentVariableW(L"TMP", folder.c_str());
#else
    const char* old = std::getenv("TMPDIR");
    had_ = old != nullptr;
    if (had_) old_ = old;
    setenv("TMPDIR", folder.c_str(), 1);
#endif
  }
  ~TemporaryFolderAt() {
#ifdef _WIN32
    SetEnvironmentVariableW(L"TMP", had_ ? old_.c_str() : nullptr);
#else
    had_ ? setenv("TMPDIR", old_.c_str(), 1) : unsetenv("TMPDIR");
#endif
  }
  TemporaryFolderAt(const TemporaryFolderAt&) = delete;
  TemporaryFolderAt& operator=(const TemporaryFolderAt&) = delete;

 private:
  bool had_ = false;
  std::filesystem::path::string_type old_;
};

// The .xlsx book is made in the temporary folder first: a user's folder named in
// Cyrillic (a Cyrillic user name puts it there on Windows) still gets the book, and
// nothing is left behind in it.
TEST(XlsWorkbook, XlsxIsSavedWhateverTheTemporaryFolderIsNamed) {
  TempDir dir;
  for (const char* name : {"temp", "Временные файлы Ивана"}) {
    SCOPED_TRACE(name);
    const std::filesystem::path temp = test::utf8_path(dir.file(name));
    std::filesystem::create_directory(temp);
    const std::string target = dir.file(std::string(name) + ".xlsx");
    {
      const TemporaryFolderAt at(temp);
      ASSERT_EQ(std::filesystem::temp_directory_path() / "", temp / "");
      // On Linux the book has no name there even while it is written, so a kill leaves nothing.
      bool named_meanwhile = false;
      set_file_fault_hook([&](FileOp) { return named_meanwhile |= !std::filesystem::is_empty(temp), 0; });
      EXPECT_EQ(xlsx::save_workbook(sample_sheet(), target), "");
      set_file_fault_hook({});
#ifdef __linux__
      EXPECT_FALSE(named_meanwhile);
#endif
    }
    const auto bytes = test::read_bytes(target);
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()).substr(0, 4), std::string("PK\x03\x04", 4));
    EXPECT_TRUE(std::filesystem::is_empty(temp));
  }
}

TEST(XlsWorkbook, LibreOfficeConvertsItToCsv) {
  KALORA_NEEDS_LIBREOFFICE();
  TempDir dir;
  const std::string path = dir.file("report.xls");
  ASSERT_EQ(save_workbook(sample_sheet(), path), "");
  const auto r =
      test::run_program("soffice", {"--headless", "-env:UserInstallation=file://" + dir.file("profile"), "--convert-to",
                                    "csv:Text - txt - csv (StarCalc):44,34,76", "--outdir", dir.path().string(), path});
  ASSERT_EQ(r.exit_code, 0) << r.err;
  const auto csv = test::read_bytes(dir.file("report.csv"));
  const std::string text(csv.begin(), csv.end());
  EXPECT_NE(text.find("КАЛОРА-5"), std::string::npos) << text;
  EXPECT_NE(text.find("Вт/м·К"), std::string::npos) << text;
  EXPECT_NE(text.find("12.5"), std::string::npos) << text;
}

}  // namespace
}  // namespace kalora::xls
