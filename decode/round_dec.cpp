#include <cmath>
#include <cstdint>
#include <limits>

#include "decode/fields.h"

namespace kalora {

namespace detail {

double rounded_quotient_exact(double x, double f) {
  if (x == 0.0 || !std::isfinite(x) || !std::isfinite(f) || f == 0.0) {
    return static_cast<double>(static_cast<long double>(x) / f);
  }
  const bool negative = std::signbit(x) != std::signbit(f);
  int ex = 0;
  int ef = 0;
  // x = mx * 2^(ex - 53), f = mf * 2^(ef - 53), with 2^52 <= mx, mf < 2^53
  const auto mx = static_cast<std::uint64_t>(std::ldexp(std::frexp(std::fabs(x), &ex), 53));
  const auto mf = static_cast<std::uint64_t>(std::ldexp(std::frexp(std::fabs(f), &ef), 53));
  // Normalise so that 1 <= r / mf < 2; the quotient is then (r / mf) * 2^e.
  std::uint64_t r = mx;
  int e = ex - ef;
  if (r < mf) {
    r <<= 1;
    e -= 1;
  }
  // 64 quotient bits by long division: q = floor(r * 2^63 / mf), value q * 2^(e - 63).
  std::uint64_t q = 0;
  for (int i = 0; i < 64; ++i) {
    q <<= 1;
    if (r >= mf) {
      q |= 1;
      r -= mf;
    }
    r <<= 1;
  }
  // r is now twice the remainder: round the 64-bit significand to nearest, ties to even.
  const bool half = r >= mf;
  const bool sticky = (half ? r - mf : r) != 0;
  if (half && (sticky || (q & 1))) {
    ++q;
    if (q == 0) {  // carried out of 64 bits
      q = std::uint64_t{1} << 63;
      e += 1;
    }
  }
  // Round q * 2^(e - 63) to an integer, ties to even.
  const int shift = 63 - e;
  double n = 0.0;
  if (shift <= 0) {
    n = std::ldexp(static_cast<double>(q), -shift);
  } else if (shift > 64) {
    n = 0.0;
  } else {
    const std::uint64_t whole = shift == 64 ? 0 : q >> shift;
    const std::uint64_t rest = shift == 64 ? q : q & ((std::uint64_t{1} << shift) - 1);
    const std::uint64_t halfway = std::uint64_t{1} << (shift - 1);
    std::uint64_t rounded = whole;
    if (rest > halfway || (rest == halfway && (whole & 1))) ++rounded;
    n = static_cast<double>(rounded);
  }
  return negative ? -n : n;
}

}  // namespace detail

namespace {

double nearest_power_of_ten(int d) {
  switch (d) {
    case 1: return 0.1;
    case 2: return 0.01;
    default: return 0.001;
  }
}

double rounded_quotient(double x, double f) {
  if constexpr (std::numeric_limits<long double>::digits == 64) {
    // The 80-bit format: its division rounds the quotient to a 64-bit significand.
    return static_cast<double>(std::nearbyintl(static_cast<long double>(x) / static_cast<long double>(f)));
  } else {
    return detail::rounded_quotient_exact(x, f);
  }
}

}  // namespace

double round_dec(double x, int d) {
  const double f = nearest_power_of_ten(d);
  return rounded_quotient(x, f) * f;
}

}  // namespace kalora
