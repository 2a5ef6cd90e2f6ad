#pragma once

#include <span>
#include <string>

namespace kalora {

// samples DB.db 1|2 [--json | --pdf OUT.pdf | --xlsx OUT.xlsx]
int cli_samples(std::span<const std::string> args);

// comment DB.db 1|2 ROW TEXT: the comment of a stationary or probe row (its place
// in the table's stored order, from 1, as dump lists them), then saved.
int cli_comment(std::span<const std::string> args);

}  // namespace kalora
