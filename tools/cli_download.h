#pragma once

#include <span>
#include <string>

namespace kalora {

// download OUT.bin [PORT1 [PORT2]]
int cli_download(std::span<const std::string> args);

}  // namespace kalora
