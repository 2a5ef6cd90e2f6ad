#include "db/beside_name.h"

#include <cstdint>
#include <filesystem>

#include "core/file_io.h"

namespace kalora {

std::string beside_name(const std::string& db_name, std::string_view suffix) {
  constexpr std::size_t longest = 255;
  const std::filesystem::path path = native_path(db_name);
  std::string name = utf8_text(path.filename());
  if (name.size() + suffix.size() <= longest) return db_name + std::string(suffix);
  std::uint32_t hash = 2166136261u;  // FNV-1a
  for (const char c : name) hash = (hash ^ static_cast<unsigned char>(c)) * 16777619u;
  static constexpr char digits[] = "0123456789abcdef";
  std::string tail = "~";
  for (int shift = 28; shift >= 0; shift -= 4) tail += digits[(hash >> shift) & 0xF];
  std::size_t cut = longest - tail.size() - suffix.size();
  while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80) --cut;
  name.resize(cut);
  return utf8_text(path.parent_path() / native_path(name + tail + std::string(suffix)));
}

}  // namespace kalora
