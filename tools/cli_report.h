#pragma once

#include <span>
#include <string>

namespace kalora {

// report DB.db stat|zond|flow|rk|ro OUT.pdf|OUT.xls
int cli_report(std::span<const std::string> args);

}  // namespace kalora
