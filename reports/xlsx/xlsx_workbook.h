// The same one-sheet workbook as the .xls writer's, stored in the 2007 format (.xlsx).
#pragma once

#include <string>

#include "reports/xls/workbook.h"

namespace kalora::xlsx {

// Writes `sheet` under `path`, replacing a file of that name only once the new one
// is complete. Returns the user's message on failure, empty on success; a failure
// leaves whatever was under `path` untouched.
std::string save_workbook(const xls::Sheet& sheet, const std::string& path);

}  // namespace kalora::xlsx
