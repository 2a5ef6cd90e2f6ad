#include "reports/number_format.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace kalora::reports {
namespace {

TEST(NumberFormat, PatternsRoundHalfAwayFromZeroWithAComma) {
  struct Case {
    double value;
    const char* pattern;
    std::string text;
  };
  const std::vector<Case> cases{
      {12.3456, "0.000", "12,346"},
      {5.2, "000.0", "005,2"},
      {12.3455, "0.000", "12,346"},  // the stored decimal, not its binary neighbour, is rounded
      {0.125, "0.00", "0,13"},
      {2.5, "0", "3"},
      {-2.5, "0", "-3"},
      {999.96, "000.0", "1000,0"},  // the carry adds a digit
      {9.9996, "0.000", "10,000"},
      {-5.25, "00.0", "-05,3"},
      {-0.04, "0.0", "0,0"},  // no minus on a printed zero
      {-0.0, "0.00", "0,00"},
      {0, "000.0", "000,0"},
      {1e-10, "0.000", "0,000"},
      {123456789.123456789, "0.00", "123456789,12"},
      {37, "0", "37"},
      {20.0, "0.0", "20,0"},
      {12, "", "12"},  // no pattern: the value as stored
      {1.5, "", "1,5"},
      {-0.25, "", "-0,25"},
      {std::numeric_limits<double>::quiet_NaN(), "0.0", ""},
      {std::numeric_limits<double>::infinity(), "0.0", ""},
      {1e300, "0", "1" + std::string(300, '0')},
  };
  for (const Case& c : cases) EXPECT_EQ(format_number(c.value, c.pattern), c.text) << c.value << " " << c.pattern;
}

}  // namespace
}  // namespace kalora::reports
