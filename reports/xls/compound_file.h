// The compound-file container a classic workbook lives in: one stream named
// "Workbook" in 512-byte sectors, with its allocation table and directory.
#pragma once

#include <optional>
#include <span>
#include <string>

#include "reports/xls/byte_writer.h"

namespace kalora::xls {

// The container holding `stream` under `name`, or nothing when the stream is too
// large for a file without an extended allocation table (about 6.8 MB).
std::optional<ByteVector> compound_file(std::span<const std::uint8_t> stream, const std::u16string& name);

}  // namespace kalora::xls
