#include "reports/xls/compound_file.h"

#include <array>

namespace kalora::xls {

namespace {

constexpr std::size_t sector_size = 512;
constexpr std::size_t entries_per_fat_sector = sector_size / 4;
constexpr std::size_t header_fat_slots = 109;
// Streams shorter than this would belong in the mini stream; the workbook stream
// is padded up to it so that every byte lives in ordinary sectors.
constexpr std::size_t mini_stream_cutoff = 4096;

constexpr std::uint32_t free_sector = 0xFFFFFFFF;
constexpr std::uint32_t end_of_chain = 0xFFFFFFFE;
constexpr std::uint32_t fat_sector = 0xFFFFFFFD;
constexpr std::uint32_t no_stream = 0xFFFFFFFF;

constexpr std::array<std::uint8_t, 8> signature = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};

std::size_t sectors_for(std::size_t bytes) { return (bytes + sector_size - 1) / sector_size; }

void pad_to_sector(ByteWriter& w) {
  const std::size_t rest = w.size() % sector_size;
  if (rest != 0) w.zeros(sector_size - rest);
}

enum class EntryType : std::uint8_t { empty = 0, stream = 2, root = 5 };

void directory_entry(ByteWriter& w, const std::u16string& name, EntryType type, std::uint32_t child,
                     std::uint32_t start, std::uint32_t size) {
  w.utf16(name);
  w.zeros(64 - name.size() * 2);
  w.u16(name.empty() ? 0 : static_cast<std::uint32_t>((name.size() + 1) * 2));  // with the terminating zero
  w.u8(static_cast<std::uint8_t>(type));
  w.u8(type == EntryType::empty ? 0 : 1);  // black in the red-black tree
  w.u32(no_stream);                        // left sibling
  w.u32(no_stream);                        // right sibling
  w.u32(child);
  w.zeros(16 + 4 + 8 + 8);  // class id, state bits, creation and modification times
  w.u32(start);
  w.u32(size);
  w.u32(0);
}

}  // namespace

std::optional<ByteVector> compound_file(std::span<const std::uint8_t> stream, const std::u16string& name) {
  if (name.size() > 31) return std::nullopt;
  const std::size_t stream_bytes = std::max(stream.size(), mini_stream_cutoff);
  const std::size_t stream_sectors = sectors_for(stream_bytes);
  const std::size_t directory_sector = stream_sectors;
  // The allocation table must also cover its own sectors.
  std::size_t fat_sectors = 1;
  while (fat_sectors * entries_per_fat_sector < stream_sectors + 1 + fat_sectors) ++fat_sectors;
  if (fat_sectors > header_fat_slots || stream_bytes > 0xFFFFFFFFu) return std::nullopt;
  const std::size_t first_fat_sector = directory_sector + 1;

  ByteWriter w;
  w.bytes().reserve(sector_size * (1 + stream_sectors + 1 + fat_sectors));
  w.append(signature);
  w.zeros(16);    // class id
  w.u16(0x003E);  // minor version
  w.u16(0x0003);  // major version: 512-byte sectors
  w.u16(0xFFFE);  // little-endian
  w.u16(9);       // sector size 2^9
  w.u16(6);       // mini sector size 2^6
  w.zeros(6);
  w.u32(0);  // directory sectors (always 0 in version 3)
  w.u32(static_cast<std::uint32_t>(fat_sectors));
  w.u32(static_cast<std::uint32_t>(directory_sector));
  w.u32(0);  // transaction signature
  w.u32(mini_stream_cutoff);
  w.u32(end_of_chain);  // no mini allocation table
  w.u32(0);
  w.u32(end_of_chain);  // no extra allocation-table index sectors
  w.u32(0);
  for (std::size_t i = 0; i < header_fat_slots; ++i) {
    w.u32(i < fat_sectors ? static_cast<std::uint32_t>(first_fat_sector + i) : free_sector);
  }

  w.append(stream);
  w.zeros(stream_bytes - stream.size());
  pad_to_sector(w);

  directory_entry(w, u"Root Entry", EntryType::root, 1, end_of_chain, 0);
  directory_entry(w, name, EntryType::stream, no_stream, 0, static_cast<std::uint32_t>(stream_bytes));
  directory_entry(w, u"", EntryType::empty, no_stream, 0, 0);
  directory_entry(w, u"", EntryType::empty, no_stream, 0, 0);

  for (std::size_t s = 0; s < fat_sectors * entries_per_fat_sector; ++s) {
    if (s + 1 < stream_sectors) {
      w.u32(static_cast<std::uint32_t>(s + 1));
    } else if (s + 1 == stream_sectors || s == directory_sector) {
      w.u32(end_of_chain);
    } else if (s >= first_fat_sector && s < first_fat_sector + fat_sectors) {
      w.u32(fat_sector);
    } else {
      w.u32(free_sector);
    }
  }
  return w.take();
}

}  // namespace kalora::xls
