#pragma once

#include <span>
#include <string>

namespace kalora {

// download OUT.bin [PORT1 [PORT2] | auto]
int cli_download(std::span<const std::string> args);
// ports
int cli_ports(std::span<const std::string> args);

}  // namespace kalora
