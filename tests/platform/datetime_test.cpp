#include "platform/datetime.h"

#include <QLocale>
#include <gtest/gtest.h>

using namespace qel;

namespace {

// Runs a test body under one locale and restores the default afterwards.
struct LocaleScope {
  QLocale saved;
  explicit LocaleScope(const QLocale &l) { QLocale::setDefault(l); }
  ~LocaleScope() { QLocale::setDefault(saved); }
};

TDateTime at(int y, int mo, int d, int h = 0, int mi = 0, int s = 0, int ms = 0) {
  return DateTimeFromQt(QDateTime(QDate(y, mo, d), QTime(h, mi, s, ms)));
}

} // namespace

TEST(DateTime, DaysSinceTheBaseDay) {
  EXPECT_DOUBLE_EQ(at(1899, 12, 30), 0.0);
  EXPECT_DOUBLE_EQ(at(1900, 1, 1), 2.0);
  EXPECT_DOUBLE_EQ(at(2000, 1, 1), 36526.0);
  EXPECT_DOUBLE_EQ(at(2000, 1, 1, 18), 36526.75);
  // Before the base day the fraction still counts forward from midnight.
  EXPECT_DOUBLE_EQ(at(1899, 12, 29, 6), -1.25);

  const QDateTime cases[] = {
      QDateTime(QDate(2026, 3, 5), QTime(14, 7, 9, 45)), QDateTime(QDate(1899, 12, 29), QTime(6, 0)),
      QDateTime(QDate(1752, 9, 14), QTime(23, 59, 59, 999)), QDateTime(QDate(9999, 12, 31), QTime(12, 0))};
  for (const QDateTime &dt : cases) EXPECT_EQ(DateTimeToQt(DateTimeFromQt(dt)), dt) << dt.toString().toStdString();

  // A value a hair before midnight rounds into the next day, not to 24:00.
  EXPECT_EQ(DateTimeToQt(36526.0 - 1e-10), QDateTime(QDate(2000, 1, 1), QTime(0, 0)));
  EXPECT_FALSE(DateTimeToQt(std::numeric_limits<double>::quiet_NaN()).isValid());
  EXPECT_FALSE(DateTimeToQt(1e12).isValid());
  EXPECT_EQ(FormatDateTime(QStringLiteral("yyyy"), 1e12), QString());

  TDateTime before = DateTimeFromQt(QDateTime::currentDateTime());
  TDateTime now = Now();
  EXPECT_GE(now, before);
  EXPECT_LT(now - before, 1.0 / 86400); // within a second
}

TEST(DateTime, FormatPatterns) {
  LocaleScope scope(QLocale(QLocale::English, QLocale::UnitedStates));
  const TDateTime afternoon = at(2026, 3, 5, 14, 7, 9, 45); // a Thursday
  const TDateTime morning = at(2005, 11, 20, 0, 30, 0);     // a Sunday
  struct Case {
    const char *pattern;
    TDateTime value;
    const char *expected;
  } cases[] = {
      {"yyyy-mm-dd hh:nn:ss", afternoon, "2026-03-05 14:07:09"},
      {"d/m/yy", afternoon, "5/3/26"},
      {"dd.mm.yyyy", morning, "20.11.2005"},
      {"y yy yyy", morning, "05 05 2005"},
      {"h:m", afternoon, "14:7"},            // m after h is the minute
      {"hh:mm:ss", afternoon, "14:07:09"},
      {"hh 'h' mm", afternoon, "14 h 07"},   // still the minute across quoted text
      {"h d m", afternoon, "14 5 3"},        // after d it is the month again
      {"m/d h:n:s.zzz", afternoon, "3/5 14:7:9.045"},
      {"h:mm am/pm", afternoon, "2:07 pm"},
      {"h:mm AM/PM", morning, "12:30 AM"},
      {"hh a/p", afternoon, "02 p"},
      {"h ampm", morning, "12 AM"},
      {"ddd dddd", afternoon, "Thu Thursday"},
      {"mmm mmmm", morning, "Nov November"},
      {"\"Day\" d", afternoon, "Day 5"},
      {"'yyyy' yyyy", afternoon, "yyyy 2026"},
      {"ddddd", afternoon, "3/5/26"},
      {"dddddd", afternoon, "Thursday, March 5, 2026"},
      {"ddddd t", afternoon, "3/5/26 2:07 PM"},
      {"", morning, "11/20/05 12:30:00 AM"},
      {"", at(2005, 11, 20), "11/20/05"},
      {"[x] #", afternoon, "[x] #"},
  };
  for (const Case &c : cases)
    EXPECT_EQ(FormatDateTime(QString::fromUtf8(c.pattern), c.value), QString::fromUtf8(c.expected)) << c.pattern;
}

TEST(DateTime, FormatFollowsTheLocale) {
  LocaleScope scope(QLocale(QLocale::German, QLocale::Germany));
  const TDateTime value = at(2026, 3, 5, 14, 7, 9);
  EXPECT_EQ(FormatDateTime(QStringLiteral("ddddd"), value), QStringLiteral("05.03.26"));
  EXPECT_EQ(FormatDateTime(QStringLiteral("dddddd"), value), QString::fromUtf8("Donnerstag, 5. März 2026"));
  EXPECT_EQ(FormatDateTime(QStringLiteral("d/m/yyyy hh:nn"), value), QStringLiteral("5.3.2026 14:07"));
  EXPECT_EQ(FormatDateTime(QStringLiteral("mmmm dddd"), value), QString::fromUtf8("März Donnerstag"));
}
