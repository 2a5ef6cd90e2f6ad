// The version record of our program file. On Windows it is the VERSIONINFO
// resource; on ELF systems the same queries are answered from a section of our
// own, ".kalora_version", holding entries of the form
//   [u16 key length][key][u16 value length][value] ... [u16 0]
// (little-endian), with the keys the Windows queries use.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kalora::app::version_record {

inline constexpr std::string_view section_name = ".kalora_version";
inline constexpr std::string_view translation_key = "\\VarFileInfo\\Translation";

struct Entry {
  std::string_view key;
  std::string_view value;
};

template <std::size_t N>
constexpr std::size_t encoded_size(const std::array<Entry, N>& entries) {
  std::size_t size = 2;
  for (const auto& e : entries) size += 4 + e.key.size() + e.value.size();
  return size;
}

template <std::size_t Size, std::size_t N>
constexpr std::array<unsigned char, Size> encode(const std::array<Entry, N>& entries) {
  std::array<unsigned char, Size> out{};
  std::size_t pos = 0;
  const auto put_text = [&](std::string_view text) {
    out[pos++] = static_cast<unsigned char>(text.size() & 0xFF);
    out[pos++] = static_cast<unsigned char>(text.size() >> 8);
    for (const char c : text) out[pos++] = static_cast<unsigned char>(c);
  };
  for (const auto& e : entries) {
    put_text(e.key);
    put_text(e.value);
  }
  return out;  // the last two bytes stay 0: the end mark
}

// The value stored under the key, or nothing. Never reads outside the record.
std::optional<std::span<const unsigned char>> find(std::span<const unsigned char> record, std::string_view key);

// The bytes of the ".kalora_version" section of an ELF file, empty when the file
// is no little-endian ELF file or has no such section.
std::vector<unsigned char> read_elf_section(const std::string& path);

}  // namespace kalora::app::version_record
