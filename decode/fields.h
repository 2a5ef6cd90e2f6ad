// Little-endian words, signed temperatures, date and time texts, rounding and the
// timestamp comparison shared by every decoder. The caller guarantees that pos
// plus the field's width lies inside the buffer.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace kalora {

using Bytes = std::span<const std::uint8_t>;
using MutableBytes = std::span<std::uint8_t>;

std::uint16_t get_u16(Bytes buffer, std::size_t pos);
std::uint32_t get_u32(Bytes buffer, std::size_t pos);
void put_u16(MutableBytes buffer, std::size_t pos, std::uint32_t value);
void put_u32(MutableBytes buffer, std::size_t pos, std::uint32_t value);

// Bit 15 the sign, bits 0..14 hundredths of a degree; one decimal. A set sign bit
// with a magnitude that rounds to zero gives a negative zero.
double get_temp(Bytes buffer, std::size_t pos);

// hh:mm:ss from the bytes seconds, minutes, hours; always 8 characters.
std::string time_text(Bytes buffer, std::size_t pos);
// dd.mm.yyyy from the bytes day, month, year - 2000; always 10 characters.
std::string date_text(Bytes buffer, std::size_t pos);

// x rounded to d decimals (1, 2 or 3): the quotient x / f (f the double nearest
// 10^-d) taken in 80-bit extended precision, rounded to an integer n half-to-even,
// and n × f rounded to a double.
double round_dec(double x, int d);

// True when the timestamp `newer` (dd.mm.yyyyhh:mm:ss) is strictly later than `old`.
bool later_than(std::string_view old, std::string_view newer);

// Whether a timestamp (dd.mm.yyyyhh:mm:ss) is one the instrument can have written:
// day 1..31, month 1..12, year 2000..2254 (2255 is the year byte of erased memory),
// hours below 24, minutes and seconds below 60.
bool possible_timestamp(std::string_view text);

inline constexpr std::string_view earliest_timestamp = "00.00.000000:00:00";

namespace detail {
// x / f rounded to a 64-bit significand (to nearest, ties to even) and then to an
// integer (ties to even), in integer arithmetic: the rule of round_dec on machines
// whose long double is not the 80-bit format.
double rounded_quotient_exact(double x, double f);
}  // namespace detail

}  // namespace kalora
