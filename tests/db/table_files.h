// Helpers for tests that look at table files byte by byte.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "db/dbf_table.h"
#include "support/temp_dir.h"

namespace kalora::test {

inline std::uint32_t le32(const std::vector<unsigned char>& b, std::size_t at) {
  return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (std::uint32_t{b[at + 3]} << 24);
}
inline std::size_t le16(const std::vector<unsigned char>& b, std::size_t at) { return b[at] | (b[at + 1] << 8); }

// A table of that schema, created and opened in `dir` under `name`.
inline db::DbfTable open_new_table(const TempDir& dir, const db::Schema& schema, const std::string& name) {
  db::DbfTable table(schema);
  table.set_file_name(dir.file(name));
  table.create();
  table.open();
  return table;
}

// The bytes of one stored field of record `record` (0-based) in a table file.
inline std::string field_text(const std::vector<unsigned char>& file, std::size_t record, std::size_t offset,
                              std::size_t width) {
  const std::size_t header = le16(file, 8);
  const std::size_t length = le16(file, 10);
  const std::size_t at = header + record * length + offset;
  return {file.begin() + static_cast<std::ptrdiff_t>(at), file.begin() + static_cast<std::ptrdiff_t>(at + width)};
}

}  // namespace kalora::test
