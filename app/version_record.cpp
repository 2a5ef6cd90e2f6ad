#include "app/version_record.h"

#include "core/file_io.h"

namespace kalora::app::version_record {

namespace {

std::uint64_t get_le(std::span<const unsigned char> bytes, std::size_t pos, std::size_t width) {
  std::uint64_t v = 0;
  for (std::size_t i = 0; i < width; ++i) v |= std::uint64_t{bytes[pos + i]} << (8 * i);
  return v;
}

// Reads `size` bytes at `offset`; empty when the file is shorter.
std::vector<unsigned char> read_at(std::FILE* f, std::uint64_t offset, std::uint64_t size) {
  constexpr std::uint64_t sane_limit = 64u << 20;
  if (size == 0 || size > sane_limit) return {};
  std::vector<unsigned char> out(static_cast<std::size_t>(size));
  if (std::fseek(f, static_cast<long>(offset), SEEK_SET) != 0) return {};
  if (std::fread(out.data(), 1, out.size(), f) != out.size()) return {};
  return out;
}

struct SectionHeader {
  std::uint64_t name = 0, offset = 0, size = 0;
};

}  // namespace

std::optional<std::span<const unsigned char>> find(std::span<const unsigned char> record, std::string_view key) {
  std::size_t pos = 0;
  const auto take = [&](std::span<const unsigned char>& out) {
    if (record.size() - pos < 2) return false;
    const std::size_t len = static_cast<std::size_t>(get_le(record, pos, 2));
    pos += 2;
    if (record.size() - pos < len) return false;
    out = record.subspan(pos, len);
    pos += len;
    return true;
  };
  for (;;) {
    std::span<const unsigned char> k, v;
    if (!take(k) || k.empty() || !take(v)) return std::nullopt;
    if (std::string_view(reinterpret_cast<const char*>(k.data()), k.size()) == key) return v;
  }
}

std::vector<unsigned char> read_elf_section(const std::string& path) {
  const FilePtr f = open_file(path, "rb");
  if (!f) return {};
  const auto ident = read_at(f.get(), 0, 64);
  if (ident.size() < 64 || ident[0] != 0x7F || ident[1] != 'E' || ident[2] != 'L' || ident[3] != 'F') return {};
  const bool wide = ident[4] == 2;
  if ((ident[4] != 1 && !wide) || ident[5] != 1) return {};  // little-endian ELF32 or ELF64 only

  const std::uint64_t table_offset = wide ? get_le(ident, 0x28, 8) : get_le(ident, 0x20, 4);
  const std::size_t entry_size = static_cast<std::size_t>(get_le(ident, wide ? 0x3A : 0x2E, 2));
  const std::size_t count = static_cast<std::size_t>(get_le(ident, wide ? 0x3C : 0x30, 2));
  const std::size_t names_index = static_cast<std::size_t>(get_le(ident, wide ? 0x3E : 0x32, 2));
  if (entry_size < (wide ? 64u : 40u) || names_index >= count) return {};
  const auto table = read_at(f.get(), table_offset, std::uint64_t{entry_size} * count);
  if (table.empty()) return {};

  const auto header = [&](std::size_t i) {
    const std::size_t p = i * entry_size;
    SectionHeader h;
    h.name = get_le(table, p, 4);
    h.offset = wide ? get_le(table, p + 0x18, 8) : get_le(table, p + 0x10, 4);
    h.size = wide ? get_le(table, p + 0x20, 8) : get_le(table, p + 0x14, 4);
    return h;
  };
  const SectionHeader names_header = header(names_index);
  const auto names = read_at(f.get(), names_header.offset, names_header.size);
  for (std::size_t i = 0; i < count; ++i) {
    const SectionHeader h = header(i);
    if (h.name >= names.size() || names.size() - h.name <= section_name.size()) continue;
    const std::string_view name(reinterpret_cast<const char*>(names.data() + h.name), section_name.size() + 1);
    if (name.substr(0, section_name.size()) == section_name && name.back() == '\0')
      return read_at(f.get(), h.offset, h.size);
  }
  return {};
}

}  // namespace kalora::app::version_record
