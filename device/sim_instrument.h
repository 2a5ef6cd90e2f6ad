// The instrument as kalora-sim plays it: answers to the command letters, the
// stream of a dump, and the pace of a 9600-baud line with two stop bits.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kalora {

// 9600 baud, one start bit, eight data bits, two stop bits.
inline constexpr double line_chars_per_second = 9600.0 / 11.0;

struct SimOptions {
  std::array<std::uint8_t, 3> version{14, 2, 1};  // in the order the program prints them
  std::optional<std::uint8_t> type;               // instead of the image's type byte
  std::optional<char> subtype_char;               // instead of the image's subtype digit
  long restart_after = -1;                        // restart byte after this many dump characters, once
  bool silent = false;                            // answers nothing at all
  bool no_end = false;                            // the dump lacks its closing 'P'
  long corrupt_at = -1;     // this character of the dump ('S' is 0) arrives as '*'
  long corrupt_dumps = -1;  // in this many dumps, then whole ones; every dump when negative
};

class SimInstrument {
 public:
  // image: a whole device image (header and payload), as in a ".bin" file.
  SimInstrument(std::span<const std::uint8_t> image, SimOptions options);

  // What the instrument sends back for one byte from the program.
  std::string answer(std::uint8_t command);

  // The nine characters of the identification.
  std::string identification() const;
  // 'S', the payload two characters per byte, 'P'.
  std::string dump_stream() const;

 private:
  std::vector<std::uint8_t> image_;
  SimOptions options_;
  bool restarted_ = false;
  long corrupted_ = 0;
};

// Characters queued for the line and released at its pace (or at once when the
// rate is 0).
class PacedQueue {
 public:
  explicit PacedQueue(double chars_per_second) : rate_(chars_per_second) {}

  void push(std::string_view chars, double now);
  // The characters that may go out at time now.
  std::string_view ready(double now) const;
  void consumed(std::size_t n);
  bool empty() const { return sent_ == queue_.size(); }
  // Seconds from now until the next character is due; 0 when one is due now.
  double wait(double now) const;

 private:
  std::size_t allowed(double now) const;

  double rate_;
  std::string queue_;
  std::size_t sent_ = 0;
  double start_ = 0;  // when the current run of characters began
};

}  // namespace kalora
