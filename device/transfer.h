// The transfer encoding (each byte as two characters '0'..'?', low nibble first)
// and the assembly of a device image from a received dump stream.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "core/state.h"

namespace kalora {

inline constexpr std::uint8_t dump_start = 'S';
inline constexpr std::uint8_t dump_end = 'P';
inline constexpr std::size_t image_header_size = 9;
inline constexpr std::size_t max_payload = flash_size - image_header_size;  // 8183

// The byte carried by buffer[pos] (low nibble) and buffer[pos + 1] (high nibble).
// The characters are not checked against the alphabet.
std::uint8_t decode_pair(std::span<const std::uint8_t> buffer, std::size_t pos);

// Index of the first byte equal to value in the whole of rx_buf, rx_buf_size when
// there is none.
std::size_t find_char(const State& state, std::uint8_t value);

// Writes the nine-byte header into flash[0..8]: "kLr!b", type, subtype, format_version.
void write_image_header(State& state);

struct AssembledImage {
  std::size_t length = 0;  // image length L: 9 + payload bytes written
  // False when the stream was damaged: a marker missing, 'P' before 'S', an odd
  // character count, or more payload than flash holds. The complete pairs that
  // fit were still written.
  bool intact = false;
};

// What is wrong with the dump among the first `received` characters of rx_buf, in
// the user's words; empty when it may become an image: an 'S', then exactly
// `expected_characters` characters of the transfer alphabet ('0' to '?'), then 'P'.
std::string dump_damage(const State& state, std::size_t received, std::size_t expected_characters);
inline constexpr std::string_view dump_damage_no_start = "нет начала передачи";

// Builds the device image in flash from the characters between the first 'S' and
// the first 'P' of rx_buf, with dev_type and dev_subtype in the header. Reads only
// inside rx_buf and writes at most max_payload bytes after the header; an odd last
// character (half a byte) is dropped. Flash past the image's end is set to 0.
AssembledImage assemble_image(State& state);

}  // namespace kalora
