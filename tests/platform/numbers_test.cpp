#include "platform/datetime.h"

#include <QLocale>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace qel;

TEST(Numbers, FloatToStr) {
  QLocale saved;
  QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
  const std::pair<double, const char *> cases[] = {
      {0.0, "0"},
      {1.0, "1"},
      {-2.5, "-2.5"},
      {0.1 + 0.2, "0.3"},
      {1.0 / 3, "0.333333333333333"},
      {2.0 / 3, "0.666666666666667"},
      {123456789012345.0, "123456789012345"},
      {1e15, "1E15"},
      {1234567890123456.0, "1.23456789012346E15"},
      {0.0001, "0.0001"},
      {0.00015, "0.00015"},
      {0.00001, "1E-5"},
      {-1.25e-10, "-1.25E-10"},
      {1e100, "1E100"},
      {72.5, "72.5"},
      {1000000, "1000000"},
      {std::numeric_limits<double>::infinity(), "INF"},
      {std::nan(""), "NAN"},
  };
  for (auto [value, expected] : cases) EXPECT_EQ(FloatToStr(value), QString::fromLatin1(expected)) << expected;
  QLocale::setDefault(saved);
}

TEST(Numbers, DecimalCommaLocaleAffectsOnlyFloatToStr) {
  QLocale saved;
  QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
  EXPECT_EQ(FloatToStr(1.5), QStringLiteral("1,5"));
  EXPECT_EQ(FloatToStr(-0.00025), QStringLiteral("-0,00025"));
  EXPECT_EQ(FloatToStr(2.5e20), QStringLiteral("2,5E20"));
  EXPECT_EQ(FloatToFixed(1.5, 2), QStringLiteral("1.50"));
  EXPECT_EQ(FloatToFixed(1234.5678, 3), QStringLiteral("1234.568"));
  QLocale::setDefault(saved);
}

TEST(Numbers, FloatToFixed) {
  struct Case {
    double value;
    int decimals;
    const char *expected;
  } cases[] = {
      {3.14159, 2, "3.14"},  {2.5, 0, "3"},     {-2.5, 0, "-3"},   {1.005, 2, "1.01"}, // rounded as written
      {0.125, 2, "0.13"},    {0.004, 2, "0.00"}, {-0.004, 2, "0.00"}, {0.005, 2, "0.01"},
      {99.999, 2, "100.00"}, {0.0, 3, "0.000"}, {7.0, 0, "7"},     {1e20, 1, "100000000000000000000.0"},
      {0.6, 0, "1"},         {-1e-30, 2, "0.00"},
  };
  for (const Case &c : cases) EXPECT_EQ(FloatToFixed(c.value, c.decimals), QString::fromLatin1(c.expected)) << c.expected;
}

TEST(Numbers, StrToInt) {
  struct Case {
    const char *text;
    bool ok;
    int value;
  } cases[] = {
      {"0", true, 0},
      {"42", true, 42},
      {"-42", true, -42},
      {"+7", true, 7},
      {"  12", true, 12},
      {"007", true, 7},
      {"2147483647", true, 2147483647},
      {"-2147483648", true, std::numeric_limits<int>::min()},
      {"2147483648", false, 0},
      {"-2147483649", false, 0},
      {"99999999999999999999", false, 0},
      {"$10", true, 16},
      {"$ff", true, 255},
      {"$7FFFFFFF", true, 2147483647},
      {"$FFFFFFFF", true, -1},
      {"-$10", true, -16},
      {"$100000000", false, 0},
      {"$", false, 0},
      {"$G", false, 0},
      {"", false, 0},
      {"-", false, 0},
      {"12 ", false, 0},
      {"1.5", false, 0},
      {"0x10", false, 0},
      {"1e3", false, 0},
      {"\u0661", false, 0}, // a non-ASCII digit
  };
  for (const Case &c : cases) {
    int value = 12345;
    EXPECT_EQ(TryStrToInt(QString::fromUtf8(c.text), value), c.ok) << c.text;
    if (c.ok) {
      EXPECT_EQ(value, c.value) << c.text;
    }
    EXPECT_EQ(StrToIntDef(QString::fromUtf8(c.text), -99), c.ok ? c.value : -99) << c.text;
  }
}
