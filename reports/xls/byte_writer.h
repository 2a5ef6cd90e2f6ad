// Little-endian byte appending for the workbook and compound-file writers.
#pragma once

#include <bit>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kalora::xls {

using ByteVector = std::vector<std::uint8_t>;

class ByteWriter {
 public:
  void u8(std::uint32_t v) { bytes_.push_back(static_cast<std::uint8_t>(v)); }
  void u16(std::uint32_t v) {
    u8(v);
    u8(v >> 8);
  }
  void u32(std::uint32_t v) {
    u16(v);
    u16(v >> 16);
  }
  void f64(double v) {
    const auto bits = std::bit_cast<std::uint64_t>(v);
    u32(static_cast<std::uint32_t>(bits));
    u32(static_cast<std::uint32_t>(bits >> 32));
  }
  void zeros(std::size_t n) { bytes_.insert(bytes_.end(), n, 0); }
  void append(std::span<const std::uint8_t> data) { bytes_.insert(bytes_.end(), data.begin(), data.end()); }
  void utf16(const std::u16string& text) {
    for (const char16_t c : text) u16(c);
  }

  std::size_t size() const { return bytes_.size(); }
  ByteVector& bytes() { return bytes_; }
  ByteVector take() { return std::move(bytes_); }

 private:
  ByteVector bytes_;
};

// UTF-8 to UTF-16; a malformed sequence becomes U+FFFD instead of being dropped,
// so a damaged note still shows where it was.
std::u16string utf8_to_utf16(std::string_view text);

}  // namespace kalora::xls
