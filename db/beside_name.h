// The names of the files that live beside a database (its marker, its lock).
#pragma once

#include <string>
#include <string_view>

namespace kalora {

// `db_name` + `suffix`, unless that would pass the 255 bytes a file name may have:
// then the start of the database's file name, "~", eight hex digits of a hash of the
// whole name, and `suffix`, the same every time for one database.
std::string beside_name(const std::string& db_name, std::string_view suffix);

}  // namespace kalora
