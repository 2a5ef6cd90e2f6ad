// kalora-cli and the working copies a run left beside a database when it ended
// without closing: changing commands refuse, reading commands warn, recover decides.
#pragma once

#include <functional>
#include <span>
#include <string>

#include "core/frontend.h"
#include "core/state.h"
#include "db/container.h"

namespace kalora {

// recover [--discard] DB.db
int cli_recover(std::span<const std::string> args);

// For a command that changes the database: its lock taken for `state` before
// anything beside it is looked at (Open_DB and Create_DB keep it, Close_DB lets
// go). exit_ok, else the exit code with the message on stderr.
int lock_for_change(State& state, Frontend& frontend, const std::string& db_name);

// For a command that would change the database: false (and the message on stderr)
// when unsaved working copies lie beside it.
bool no_unsaved_leftovers(const std::string& db_name);

// For a command that only reads: the saved container read into memory
// (read_saved_db), nothing created beside it. Working copies beside the database
// (another program has it open, or a run ended without closing) get one warning
// line on stderr, bytes after the tables another.
DbResult read_database(State& state, Frontend& frontend, const std::string& db_name);

// A reading command's whole run: the database read into memory (read_database),
// `run` on it, the database closed. The exit code `run` returns; exit_refused or
// exit_usage_or_io when the database cannot be read, exit_usage_or_io when `run`
// throws (its message on stderr).
int with_database(const std::string& db_name, const std::function<int(State&)>& run);

// For a command that writes `output`: false (and the message on stderr) when it is
// the same file as the input `input`, or something other than a regular file
// (output_refusal).
bool output_is_not_input(const std::string& output, const std::string& input);

}  // namespace kalora
