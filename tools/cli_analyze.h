#pragma once

#include <span>
#include <string>

namespace kalora {

// analyze DB.db [--max-gap S] [--surface sp50|iso6946] [--rsi X] [--rse X] [--whole-days] [--json|--pdf OUT.pdf]
int cli_analyze(std::span<const std::string> args);

}  // namespace kalora
