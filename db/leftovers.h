// Working copies that a run left beside its database when it ended without closing
// (a crash, a power cut, a forced logout), and the marker that tells an operation
// cut short from a run that ended while idle.
#pragma once

#include <array>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "core/frontend.h"
#include "core/state.h"

namespace kalora {

// "<name>.db.busy", naming the operation: it is on the disk before an operation
// changes the working copies in several steps, and goes once they are complete.
std::string busy_marker(const std::string& db_name);

class BusyMarker {
 public:
  // Throws db::DbfError when the marker cannot be written; the operation must not start then.
  BusyMarker(State& state, std::string_view operation);
  // The working copies of the open tables forced to the disk, then the marker removed.
  ~BusyMarker();
  BusyMarker(const BusyMarker&) = delete;
  BusyMarker& operator=(const BusyMarker&) = delete;

 private:
  State& state_;
  std::string path_;
};

struct Leftovers {
  std::array<bool, 3> copy{};  // table n has a working copy that no running program holds
  bool unsaved = false;        // one of them differs from the stored table, or the container has no such table
  std::string held;            // a working copy that a running program holds; empty when none
  std::string operation;       // the marker's operation; empty without a marker
  std::filesystem::file_time_type newest = std::filesystem::file_time_type::min();  // of the newest copy

  bool any() const { return copy[0] || copy[1] || copy[2]; }
  // The copies' paths, in table order.
  std::vector<std::string> files(const std::string& db_name) const;
};

// Looks beside the container for working copies and the marker and compares the
// copies with the stored tables. Never throws; an unreadable container stores nothing.
// Without `probe_locks` no copy is locked, not even for a moment, so a running
// program is never disturbed; `held` then stays empty.
Leftovers find_leftovers(State& state, const std::string& db_name, bool probe_locks = true);

// Every leftover copy renamed to "<copy>.bak" (an older one replaced) and the marker
// removed; returns the new names. Throws db::DbfError when a copy cannot be renamed.
std::vector<std::string> keep_as_bak(const std::string& db_name, Leftovers& found);

// The marker removed when no copy needs it any more.
void drop_busy_marker(const std::string& db_name);

// Removes what saves of this database left when they were cut short: the files
// "<name>~<12 hex digits>.new" of the container, its marker and its working copies.
// Only for a caller that holds the database's lock, so no save of it is running.
// Names longer than the 64 bytes such a file keeps are left alone: the start of
// another database's name could be the same.
void remove_stale_temporaries(const std::string& db_name);

// The desktop's rules for what find_leftovers found where a database is opened or
// created: consistent unsaved copies are offered for recovery, copies of an operation
// cut short are set aside as .bak with a message, identical ones are used as they are.
// True when the database is to be opened on the copies (the user answered "Да").
bool settle_leftovers(Frontend& frontend, const std::string& db_name, Leftovers& found);

// Messages about leftovers, shared with kalora-cli.
std::string file_name_of(const std::string& path);
std::string leftover_time_text(const Leftovers& found);
std::string operation_text(std::string_view operation);
std::string joined_names(const std::vector<std::string>& paths);

}  // namespace kalora
