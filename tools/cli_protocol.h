// kalora-cli's --protocol FILE.json: the particulars of the test protocol that
// analyze --pdf and samples --pdf/--xlsx print.
#pragma once

#include <optional>
#include <string>

#include "protocol/particulars.h"

namespace kalora {

// The file's particulars; nothing, with the reason on stderr naming the file, when it
// cannot be read or is not an object of the known keys with string values.
std::optional<protocol::Particulars> read_protocol_file(const std::string& path);

}  // namespace kalora
