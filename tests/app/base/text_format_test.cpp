// Numbers written into JSON and for people, whatever their size: every digit, never a byte
// of anything else, and null (JSON) for what is not a number.
#include "app/base/text_format.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdlib>
#include <string>

#include "app/visuals/replay_page.h"

namespace {

bool IsDecimal(const std::string &text) {
  return !text.empty() &&
         text.find_first_not_of("0123456789.", text[0] == '-') == std::string::npos;
}

TEST(Numbers, AnySizeIsWrittenInFullAndReadsBack) {
  for (const double value :
       {0.0, -0.0, 1.5, -3.0, 1e17, 1e300, -1e300, DBL_MAX, -DBL_MAX, DBL_MIN, 123456789.125}) {
    SCOPED_TRACE(value);
    for (const int decimals : {0, 2, 3, 4}) {
      std::string json = "[";
      app::AppendFixed(json, value, decimals);
      const std::string number = json.substr(1);
      EXPECT_TRUE(IsDecimal(number)) << number;
      const double scale = std::pow(10.0, -decimals);
      EXPECT_NEAR(std::strtod(number.c_str(), nullptr), value,
                  std::max(scale, std::abs(value) * 1e-15));

      const std::string people = app::Fixed(value, decimals, true);
      EXPECT_NEAR(std::strtod(people.c_str(), nullptr), value,
                  std::max(scale, std::abs(value) * 1e-15))
          << people;
      EXPECT_EQ(app::FormatFixed(value, decimals).size(),
                static_cast<size_t>(std::snprintf(nullptr, 0, "%.*f", decimals, value)));
    }
  }
}

// The pages' numbers: no trailing zeros, but never a zero of the integer part taken away,
// and no sign on a value that rounds to zero.
TEST(Numbers, PagesGetTheShortestFixedForm) {
  const struct {
    double value;
    int decimals;
    const char *json;
  } cases[] = {{1.5, 3, "1.5"},  {-3.0, 2, "-3"},      {100.0, 0, "100"},   {120.0, 2, "120"},
               {-0.001, 2, "0"}, {0.1049, 3, "0.105"}, {2.0e-3, 3, "0.002"}};
  for (const auto &c : cases) {
    std::string json;
    app::AppendFixed(json, c.value, c.decimals);
    EXPECT_EQ(json, c.json) << c.value;
  }
}

TEST(Numbers, WhatIsNotFiniteIsNullInJson) {
  for (const double value : {INFINITY, -INFINITY, NAN}) {
    std::string fixed, shortest;
    app::AppendFixed(fixed, value, 2);
    app::AppendNumber(shortest, value, "null");
    EXPECT_EQ(fixed, "null");
    EXPECT_EQ(shortest, "null");
  }
  EXPECT_EQ(app::Fixed(-INFINITY, 1), "-inf");
  EXPECT_EQ(app::Fixed(NAN, 1), "nan");
}

}  // namespace
