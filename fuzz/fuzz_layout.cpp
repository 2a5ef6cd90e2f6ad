// A stored grid layout of arbitrary text, as the settings may hold after another
// program or a damaged file wrote it: read, written again and read back.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "views/column_layout.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace kalora::views;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const auto columns = layout_from_text(text);
  if (!columns) return 0;
  // What we write from a layout we accepted is always ours again, column for column.
  const auto again = layout_from_text(layout_to_text(*columns));
  if (!again || again->size() != columns->size()) std::abort();
  return 0;
}
