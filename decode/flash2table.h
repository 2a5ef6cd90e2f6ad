// The three record decoders: measurement records of the device image into rows of
// their tables. Mode 0 fills a freshly created table; any other value appends and
// keeps only the records later than the last row stored before. Each returns the
// number of rows it added.
#pragma once

#include <cstdint>

#include "core/frontend.h"
#include "core/state.h"
#include "db/dbf_table.h"

namespace kalora {

std::uint32_t flash2table_stat(State& state, Frontend& frontend, std::uint8_t mode);
std::uint32_t flash2table_zond(State& state, Frontend& frontend, std::uint8_t mode);
std::uint32_t flash2table_potok(State& state, Frontend& frontend, std::uint8_t mode);

// Display texts of a heat-flow row (TYPE_1_, TYPE_2_, TYPE_3_, MODE_), filled only
// while calc_enabled is 1 and the table has rows.
void Dbf3CalcFields(const State& state, const db::DbfTable& table, db::CalcFieldSink& sink);
// Makes Dbf3CalcFields the heat-flow table's calculated-fields handler.
void bind_calc_fields(State& state);

}  // namespace kalora
