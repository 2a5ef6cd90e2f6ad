// The three measurement tables: their fields in stored order, as dBase IV wants them.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace kalora::db {

struct FieldDef {
  std::string_view name;
  char type;           // 'N' numeric, 'C' text
  std::uint8_t width;  // bytes in the record (display width of a calculated field)
  std::uint8_t decimals;
  bool calculated = false;  // display text of the heat-flow table, never in the file
};

struct Schema {
  std::string_view design_name;
  std::span<const FieldDef> fields;  // every field, calculated ones in their place
};

extern const Schema stat_schema;   // table 1, stationary method
extern const Schema zond_schema;   // table 2, probe method
extern const Schema potok_schema;  // table 3, heat flow

}  // namespace kalora::db
