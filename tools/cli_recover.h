// kalora-cli and the working copies a run left beside a database when it ended
// without closing: changing commands refuse, reading commands warn, recover decides.
#pragma once

#include <span>
#include <string>

namespace kalora {

// recover [--discard] DB.db
int cli_recover(std::span<const std::string> args);

// For a command that would change the database: false (and the message on stderr)
// when unsaved working copies lie beside it.
bool no_unsaved_leftovers(const std::string& db_name);

// For a command that only reads: the container's name to open. With unsaved working
// copies beside the database, one warning line on stderr and a private copy of the
// container in a temporary folder, so that the saved state is read and the copies
// are left alone; the folder goes with the object.
class SavedDatabase {
 public:
  explicit SavedDatabase(const std::string& db_name);
  ~SavedDatabase();
  SavedDatabase(const SavedDatabase&) = delete;
  SavedDatabase& operator=(const SavedDatabase&) = delete;
  const std::string& name() const { return name_; }

 private:
  std::string folder_;
  std::string name_;
};

}  // namespace kalora
