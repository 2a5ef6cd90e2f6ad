// round_dec against an exact rational model of its rule: the quotient x / f rounded
// to a 64-bit significand (nearest, ties to even), then to an integer (ties to
// even), then n × f rounded once to a double.
#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "decode/fields.h"

namespace kalora {
namespace {

using u128 = unsigned __int128;

double step(int d) { return d == 1 ? 0.1 : d == 2 ? 0.01 : 0.001; }

// Rounds value * 2^-shift to an integer, ties to even; `inexact_below` says the
// true value is a little above value * 2^-shift (a remainder was cut off before).
u128 round_shift_half_even(u128 value, int shift, bool inexact_below) {
  if (shift <= 0) return value << -shift;
  if (shift >= 127) return 0;
  const u128 whole = value >> shift;
  const u128 rest = value & ((u128{1} << shift) - 1);
  const u128 half = u128{1} << (shift - 1);
  const bool above = rest > half || (rest == half && inexact_below);
  const bool tie = rest == half && !inexact_below;
  return (above || (tie && (whole & 1))) ? whole + 1 : whole;
}

struct Model {
  u128 n = 0;  // |integer quotient|
  bool negative = false;
  double result = 0.0;
};

Model model_round_dec(double x, int d) {
  const double f = step(d);
  Model m;
  m.negative = std::signbit(x);
  if (x == 0.0) {
    m.result = std::copysign(0.0, x);
    return m;
  }
  int ex = 0;
  int ef = 0;
  const auto X = static_cast<std::uint64_t>(std::ldexp(std::frexp(std::fabs(x), &ex), 53));
  const auto F = static_cast<std::uint64_t>(std::ldexp(std::frexp(f, &ef), 53));
  // |x| / f = (X << 74) / F * 2^(ex - ef - 74), the integer quotient has 74 or 75 bits.
  const u128 num = u128{X} << 74;
  const u128 quotient = num / F;
  const bool remainder = num % F != 0;
  int bits = 0;
  for (u128 q = quotient; q != 0; q >>= 1) ++bits;
  const int drop = bits - 64;
  const u128 significand = round_shift_half_even(quotient, drop, remainder);
  const int scale = ex - ef - 74 + drop;  // |x| / f in extended = significand * 2^scale
  m.n = round_shift_half_even(significand, -scale, false);
  const u128 product = m.n * F;           // n × f exactly, times 2^(53 - ef)
  const double magnitude = std::ldexp(static_cast<double>(product), ef - 53);
  m.result = m.negative ? -magnitude : magnitude;
  return m;
}

void expect_same(double actual, double expected, double x, int d) {
  ASSERT_EQ(std::bit_cast<std::uint64_t>(actual), std::bit_cast<std::uint64_t>(expected))
      << "round_dec(" << x << ", " << d << ") = " << actual << ", model " << expected;
}

void expect_matches_model(double x, int d) {
  const Model m = model_round_dec(x, d);
  expect_same(round_dec(x, d), m.result, x, d);
  const double n = detail::rounded_quotient_exact(x, step(d));
  ASSERT_EQ(std::fabs(n), static_cast<double>(m.n)) << "integer quotient of " << x << " at " << d;
}

TEST(RoundDec, WorkedExamples) {
  // The product n × f can sit one unit in the last place beside the decimal's own
  // double (6 × 0.1 is 0.6000000000000001); both store as the same 9-decimal text.
  struct Case {
    double x;
    int d;
    double expected;
  };
  const std::vector<Case> cases{{0.05, 1, 0.0},      {0.15, 1, 0.1},
                                {0.25, 1, 0.2},      {0.55, 1, 0.6},
                                {2.45, 1, 2.5},      {50.0 / 1.234 / 1000, 3, 0.041},
                                {1.234 * 20.0 / 50.0 * 1000, 1, 493.6},
                                {12345 / 100.0, 1, 123.4}, {250 / 100.0, 2, 2.5}};
  for (const Case& c : cases) EXPECT_DOUBLE_EQ(round_dec(c.x, c.d), c.expected) << c.x << " at " << c.d;
  EXPECT_TRUE(std::signbit(round_dec(-0.04, 1)));
}

TEST(RoundDec, EveryTemperatureMagnitudeMatchesTheModel) {
  for (int w = 0; w < 0x8000; ++w) {
    const double x = w / 100.0;
    expect_matches_model(x, 1);
    const std::array<std::uint8_t, 4> buf{static_cast<std::uint8_t>(w), static_cast<std::uint8_t>(w >> 8),
                                          static_cast<std::uint8_t>(w),
                                          static_cast<std::uint8_t>((w >> 8) | 0x80)};
    expect_same(get_temp(buf, 0), model_round_dec(x, 1).result, x, 1);
    expect_same(get_temp(buf, 2), -model_round_dec(x, 1).result, -x, 1);
  }
}

TEST(RoundDec, EveryRawWordOfTheProbeAndHeatFlowScalingsMatchesTheModel) {
  for (int raw = 0; raw < 0x10000; ++raw) {
    for (const double scaled : {raw / 100.0, raw / 1000.0}) {
      for (int d = 1; d <= 3; ++d) expect_matches_model(scaled, d);
    }
    // A whole number of hundredths keeps its number of hundredths at two decimals.
    ASSERT_EQ(detail::rounded_quotient_exact(raw / 100.0, 0.01), raw) << raw;
    ASSERT_DOUBLE_EQ(round_dec(raw / 100.0, 2), raw / 100.0) << raw;
  }
}

TEST(RoundDec, ArbitraryValuesOfEitherSignMatchTheModel) {
  std::mt19937_64 random(20061205);
  std::uniform_real_distribution<double> values(-1e7, 1e7);
  std::uniform_real_distribution<double> small(-2.0, 2.0);
  for (int i = 0; i < 100000; ++i) {
    for (int d = 1; d <= 3; ++d) {
      expect_matches_model(values(random), d);
      expect_matches_model(small(random), d);
    }
  }
  // Halves near the decision point, from both sides.
  for (int k = -2000; k <= 2000; ++k) {
    for (int d = 1; d <= 3; ++d) {
      const double half = (k + 0.5) * step(d);
      expect_matches_model(half, d);
      expect_matches_model(std::nextafter(half, 0.0), d);
      expect_matches_model(std::nextafter(half, 1e9), d);
    }
  }
}

}  // namespace
}  // namespace kalora
