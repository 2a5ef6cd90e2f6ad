// What the fuzz targets share: a folder for their working files, a frontend that
// records, and walks that read every row and field of a table.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "core/state.h"
#include "support/recording_frontend.h"

namespace kalora::fuzz {

using Input = std::span<const std::uint8_t>;

// A private folder of this process (in memory where the system has /dev/shm),
// removed at exit.
const std::string& work_dir();
std::string work_file(const std::string& name);
void write_file(const std::string& path, Input bytes);

// Reads every field of every row shown, in the table's current order; returns the
// length of all the texts read.
std::size_t read_rows(db::DbfTable& table);

// Numbered tables of the state (1 stationary, 2 probe, 3 heat flow).
db::DbfTable& table_of(State& state, int n);

// Opens table n of the state on a fresh working copy, as a new database makes it.
void create_table(State& state, int n, const std::string& path);

// Sorts on `field` both ways, filters the heat-flow kinds, and reads the rows
// each time; the table ends in natural order, unfiltered.
void sort_and_filter(db::DbfTable& table, std::uint8_t choice);

}  // namespace kalora::fuzz
