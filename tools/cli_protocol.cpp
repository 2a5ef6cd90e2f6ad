#include "tools/cli_protocol.h"

#include <cstdint>
#include <iostream>
#include <vector>

#include "core/file_io.h"

namespace kalora {

std::optional<protocol::Particulars> read_protocol_file(const std::string& path) {
  std::vector<std::uint8_t> bytes(64 * 1024);  // far more than thirteen lines of text
  const ReadResult read = read_file_into(path, bytes);
  if (!read.ok) {
    std::cerr << "--protocol " << path << ": " << read.error << '\n';
    return std::nullopt;
  }
  const auto parsed =
      protocol::parse_particulars_json(std::string_view(reinterpret_cast<const char*>(bytes.data()), read.bytes_read));
  if (!parsed.error.empty()) {
    std::cerr << "--protocol " << path << ": " << parsed.error << '\n';
    return std::nullopt;
  }
  return parsed.particulars;
}

}  // namespace kalora
