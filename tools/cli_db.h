#pragma once

#include <span>
#include <string>

namespace kalora {

// bin2db IMAGE.bin OUT.db
int cli_bin2db(std::span<const std::string> args);
// append DB.db IMAGE.bin
int cli_append(std::span<const std::string> args);
// dump DB.db 1|2|3
int cli_dump(std::span<const std::string> args);

}  // namespace kalora
