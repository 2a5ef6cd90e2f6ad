// The ".db" container: a 22-byte header and the three table files one after the
// other, and the life of the database built on it. While a database is open its
// tables live as working copies db_name + "1", "2", "3" beside the container.
#pragma once

#include <array>
#include <cstdint>
#include <cstdio>
#include <span>
#include <string>

#include "core/frontend.h"
#include "core/state.h"

namespace kalora {

// The header: "kLr!", table count, format version, channel mask, three table sizes.
inline constexpr std::size_t container_header_size = 22;
inline constexpr std::array<char, 4> container_magic{'k', 'L', 'r', '!'};
// The stored tables' sizes from a whole header.
std::array<std::uint32_t, 3> stored_table_sizes(std::span<const std::uint8_t> header);

enum class DbResult {
  ok,
  refused,   // the file is not a database this program can open; the user was told
  io_error,  // a file could not be read or written; the user was told
};

// Takes the lock of the database `name` for this state (kept until Close_DB), waiting
// a short while for another program to let go. refused when another program holds
// it, io_error when the lock file cannot be made; the user is told either way.
DbResult lock_database(State& state, Frontend& frontend, const std::string& name);

// Builds a new database from the image check_flash has just accepted: creates the
// tables of the areas present, fills them, shows them and saves the container.
DbResult Create_DB(State& state, Frontend& frontend, const std::string& name);

// Writes the container of the open database. The new container is written
// completely beside the old one and then takes its place: a failed save leaves the
// old container whole. Tables that would not open are carried over unchanged.
DbResult Save_DB(State& state, Frontend& frontend);

// Closes the open database and opens the container. A file that cannot be read,
// is too short for its header or its sizes, or is not a container is refused with a
// message, and nothing is extracted.
DbResult Open_DB(State& state, Frontend& frontend, const std::string& name);

// Opens the container for reading only: its tables are read into memory, and nothing
// is created, locked or changed beside it, so it works in a folder the user may not
// write to and while another program has the database open. Refusals as Open_DB.
DbResult read_saved_db(State& state, Frontend& frontend, const std::string& name);

// Opens the database on the working copies a run left beside it (the tables it has
// no copy of come from the container, when that is readable), with the tables marked
// modified, so that closing asks to save them.
DbResult open_leftovers(State& state, Frontend& frontend, const std::string& name, const std::array<bool, 3>& copies);

// Ends the open database (asking to save unsaved deletions), removes the working
// copies and returns the window to its empty state. Harmless with none open.
// False when the user answered the save question with "Отмена": the database
// stays open with its changes, and the command that closes it stops.
bool Close_DB(State& state, Frontend& frontend);

// Copy `size` bytes between a working copy and the open container file through
// rx_buf, in blocks of at most 16384 bytes. Throw db::DbfError on failure.
void file2db(State& state, std::FILE* container, const std::string& name, std::uint32_t size);
void db2file(State& state, std::FILE* container, const std::string& name, std::uint32_t size);

// The working copy of table n (1..3).
std::string working_copy(const State& state, int n);
std::string working_copy_of(const std::string& db_name, int n);

}  // namespace kalora
