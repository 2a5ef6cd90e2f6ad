// What the three decoders share: fill or append their rows, and in append mode
// take out again the rows that are not later than the last stored one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>

#include "core/frontend.h"
#include "core/state.h"
#include "db/dbf_table.h"
#include "decode/fields.h"

namespace kalora {

struct RecordReader {
  // Records the image's count claims, and how many of them its area has room for.
  std::size_t claimed = 0;
  std::size_t room = 0;
  // Image offset of record k (0-based); nullopt for a record that cannot be where
  // the image says.
  std::function<std::optional<std::size_t>(std::size_t k)> offset;
  // Sets the fields after N of the row being appended from the record at `at`;
  // returns how many values did not fit their fields (left empty).
  std::function<std::size_t(Bytes image, std::size_t at, db::DbfTable& row)> fill;
  // Start of the closing message; the number of added rows follows.
  std::string_view message;
};

// Returns the number of rows that stay added.
std::uint32_t append_records(State& state, Frontend& frontend, db::DbfTable& table, const RecordReader& reader,
                             std::uint8_t mode);

}  // namespace kalora
