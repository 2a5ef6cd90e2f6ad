// The process-wide state of the program in one struct. The main window (or
// kalora-cli) owns exactly one; every routine gets it by reference, so a test can
// make a fresh one per case.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "db/database_lock.h"
#include "db/dbf_table.h"
#include "db/edit_history.h"

namespace kalora {

inline constexpr std::size_t flash_size = 8192;
inline constexpr std::size_t rx_buf_size = 16384;
inline constexpr std::uint16_t format_version = 100;

struct State {
  // Device image: nine-byte header, then the instrument memory. Never cleared.
  std::array<std::uint8_t, flash_size> flash{};
  // Received transfer characters of a download stage; block buffer of the container
  // routines. Never cleared.
  std::array<std::uint8_t, rx_buf_size> rx_buf{};

  std::uint8_t dev_type = 0;
  std::uint8_t dev_subtype = 0;

  // Results of check_flash (and of opening a database).
  std::uint8_t stat_present = 0;
  std::uint8_t zond_present = 0;
  std::uint8_t potok_present = 0;
  std::uint8_t data_present = 0;
  std::uint16_t stat_count = 0;
  std::uint16_t zond_count = 0;
  std::uint16_t potok_count = 0;
  std::array<std::uint8_t, 3> channel_type{};
  std::uint16_t channel_mask = 0;

  // Lets the heat-flow table fill its display texts.
  std::uint8_t calc_enabled = 0;

  // The open database.
  std::string db_name;
  bool db_open = false;
  bool tables_modified = false;
  std::array<std::uint32_t, 3> table_size{};
  // Bytes the container holds after its last table (not the program's): kept at the
  // end of the file by every save.
  std::uint64_t trailing_bytes = 0;
  // Held from the moment a database is opened or created for changing until it is
  // closed, so no other program changes it meanwhile.
  db::DatabaseLock db_lock;

  // The measurement tables: 1 stationary, 2 probe, 3 heat flow.
  db::DbfTable Dbf1{db::stat_schema};
  db::DbfTable Dbf2{db::zond_schema};
  db::DbfTable Dbf3{db::potok_schema};
  // Stored tables that would not open: their working copies go into every save
  // unchanged, so no save loses their measurements.
  std::array<bool, 3> table_kept{};
  // Deletions and comment edits since the last save, for "Отменить".
  EditHistory edits;

  // The folder the file dialogs start in.
  std::string default_dir;
};

}  // namespace kalora
