// kalora-cli's exit codes: the one contract every command keeps.
#pragma once

namespace kalora {

constexpr int exit_ok = 0;
constexpr int exit_refused = 1;      // the program refused the input; its message is on stderr
constexpr int exit_usage_or_io = 2;  // wrong usage or an I/O error

}  // namespace kalora
