// Every text cell of a workbook's first sheet, row by row, left to right, as xlrd
// (a reader we did not write) sees them, after any complaint xlrd has about the file.
#pragma once

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "support/run_program.h"

namespace kalora::test {

inline std::vector<std::string> workbook_texts(const std::string& python, const std::string& path) {
  const auto r = run_program(python, {"-c", R"(
import io, sys, xlrd
log = io.StringIO()
sheet = xlrd.open_workbook(sys.argv[1], formatting_info=True, logfile=log, verbosity=1).sheet_by_index(0)
for line in log.getvalue().splitlines():
    if 'NOTE' in line or 'WARN' in line:
        print(line)
for r in range(sheet.nrows):
    for c in range(sheet.ncols):
        if sheet.cell_type(r, c) == xlrd.XL_CELL_TEXT:
            print(sheet.cell_value(r, c))
)",
                                      path});
  EXPECT_EQ(r.exit_code, 0) << r.err;
  std::vector<std::string> lines;
  std::istringstream in(r.out);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

}  // namespace kalora::test
