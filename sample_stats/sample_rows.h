// The rows of the stationary or probe table that the results per sample are made
// from: each row's values and its comment, in the order the table's view shows them.
#pragma once

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "db/dbf_table.h"

namespace kalora::samples {

enum class Method { stationary = 1, probe = 2 };  // the table's number

struct SampleRow {
  std::uint32_t recno = 0;    // the row's record in its table
  std::optional<double> n;    // N as the table stores it
  std::string date;
  std::string time;
  std::optional<double> lambda;  // HEAT, W/(m·K)
  // Stationary table.
  std::optional<double> thick;   // H, mm
  std::optional<double> t_up;    // Tн, °C
  std::optional<double> t_down;  // Tх, °C
  std::optional<double> r;       // m²·K/W
  std::optional<double> q;       // W/m²
  // Probe table.
  std::optional<double> c;    // SHEAT, kJ/(kg·K)
  std::optional<double> rho;  // THICK, kg/m³
  std::string comment;

  // The sample's mean temperature (Tн + Tх)/2; empty unless both are there.
  std::optional<double> t_mean() const;
};

// Every row the table shows (its order and filter), or only those whose record is
// in `only` when that is given. The table's current row is kept.
std::vector<SampleRow> read_sample_rows(db::DbfTable& table, Method method,
                                        const std::set<std::uint32_t>* only = nullptr);

}  // namespace kalora::samples
