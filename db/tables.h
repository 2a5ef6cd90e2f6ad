// The three tables and their presence flags by number (1 stationary, 2 probe,
// 3 heat flow), the order of every operation on them.
#pragma once

#include "core/state.h"

namespace kalora {

inline db::DbfTable& table(State& state, int n) { return n == 1 ? state.Dbf1 : n == 2 ? state.Dbf2 : state.Dbf3; }

inline int number_of(const State& state, const db::DbfTable& t) {
  return &t == &state.Dbf1 ? 1 : &t == &state.Dbf2 ? 2 : 3;
}

inline std::uint8_t& present_flag(State& state, int n) {
  return n == 1 ? state.stat_present : n == 2 ? state.zond_present : state.potok_present;
}

}  // namespace kalora
