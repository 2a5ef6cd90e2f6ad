#pragma once

#include <span>
#include <string>

namespace kalora::app {

// The FileVersion text of the program file's version record, "0.0.0.0" when the
// file has no record, no translation table or no FileVersion.
std::string get_file_version(const std::string& path);

// The same answer from the bytes of one of our ELF version records.
std::string file_version_from_record(std::span<const unsigned char> record);

}  // namespace kalora::app
