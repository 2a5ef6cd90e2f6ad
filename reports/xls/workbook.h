// A one-sheet classic workbook (.xls) built from cells with their looks, merged
// ranges, column widths, row heights and page settings.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <variant>
#include <vector>

#include "reports/xls/biff_records.h"
#include "reports/xls/style.h"

namespace kalora::xls {

// Empty: a cell that only carries its looks (a frame line inside a merged range).
using CellValue = std::variant<std::monostate, double, std::string>;

// The largest sheet each format holds.
inline constexpr std::uint32_t xls_rows = 65536;
inline constexpr std::uint32_t xlsx_rows = 1048576;

struct SheetCell {
  std::uint32_t row = 0;  // from 0; a classic book holds fewer rows than a 2007 one
  std::uint16_t col = 0;
  CellValue value;
  CellStyle style;
};

struct Margins {  // inches
  double left = 0.4;
  double right = 0.4;
  double top = 0.4;
  double bottom = 0.6;
};

struct Sheet {
  std::string name = "Лист1";
  std::vector<SheetCell> cells;
  std::vector<Range> merges;
  // 1/256 of a digit's width, without the padding every column has besides
  std::map<std::uint16_t, std::uint16_t> column_widths;
  std::map<std::uint32_t, std::uint16_t> row_heights;  // twips
  PageSetup page;
  std::vector<std::uint32_t> page_breaks;  // rows that start a new printed page, ascending
  Margins margins;
  std::string header;  // texts with the codes &L &C &R, &P page, &N pages
  std::string footer;
};

struct BuiltWorkbook {
  ByteVector bytes;   // the whole file
  std::string error;  // the user's message when the sheet cannot be stored
};

BuiltWorkbook build_workbook(const Sheet& sheet);

// The last row anything of the sheet takes, its looks and page breaks included.
std::uint32_t last_row(const Sheet& sheet);
// The user's message for a report longer than a sheet of `rows` rows.
std::string too_many_rows(std::uint32_t rows);

// Writes the workbook under `path`, replacing a file of that name only once the new
// one is complete. Returns the user's message on failure, empty on success; a
// failure leaves whatever was under `path` untouched.
std::string save_workbook(const Sheet& sheet, const std::string& path);

}  // namespace kalora::xls
