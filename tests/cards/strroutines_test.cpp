#include "cards/strroutines.h"

#include <gtest/gtest.h>

using namespace qel;

namespace {
const CharSet kSpaces{QChar(' '), QChar(','), QChar('.')};
}

TEST(StrRoutines, PosFrom) {
  struct Case {
    const char *sub, *s;
    bool ignoreCase;
    int from, expected;
  } cases[] = {
      {"ab", "xxabxxab", false, 0, 3}, {"ab", "xxabxxab", false, 1, 3}, {"ab", "xxabxxab", false, 4, 7},
      {"ab", "xxabxxab", false, 8, 0}, {"AB", "xxabxxab", false, 0, 0}, {"AB", "xxabxxab", true, 0, 3},
      {"", "abc", false, 0, 0},        {"abc", "ab", false, 0, 0},     {"ab", "xxabxxab", false, 99, 0},
  };
  for (const Case &c : cases)
    EXPECT_EQ(PosFrom(QString::fromUtf8(c.sub), QString::fromUtf8(c.s), c.ignoreCase, c.from), c.expected)
        << c.sub << " in " << c.s << " from " << c.from;
  // Letter case folding keeps positions where upper-casing would not ("ß" -> "SS").
  EXPECT_EQ(PosFrom(QStringLiteral("x"), QStringLiteral("ßßx"), true, 0), 3);
}

TEST(StrRoutines, FindWholeWord) {
  struct Case {
    const char *sub, *s;
    int expected;
  } cases[] = {
      {"ab", "ab", 1},         {"ab", "ab cd", 1},      {"cd", "ab cd", 4},   {"ab", "abc ab", 5},
      {"ab", "xab", 0},        {"ab", "abx", 0},        {"ab", "x ab,y", 3},  {"ab", "xxxxxxab ab", 10},
      {"a a", "xa a a", 4},    {"AB", "ab", 0},         {"", "ab", 0},
      // The search goes on right after a rejected occurrence, not a whole
      // search text further: the two blanks at 4 stand between delimiters.
      {"  ", "aa   ", 4},
  };
  for (const Case &c : cases)
    EXPECT_EQ(FindWholeWord(QString::fromUtf8(c.sub), QString::fromUtf8(c.s), kSpaces), c.expected)
        << c.sub << " in " << c.s;
}

TEST(StrRoutines, Replacements) {
  EXPECT_EQ(ReplaceText("&p", "{$PAGE}", "Page &p of &p"), "Page {$PAGE} of {$PAGE}");
  // Inserted text is never searched again.
  EXPECT_EQ(ReplaceText("a", "aa", "aXa"), "aaXaa");
  EXPECT_EQ(ReplaceText("x", "y", "abc"), "abc");
  EXPECT_EQ(ReplaceText("", "y", "abc"), "abc");
  EXPECT_EQ(ReplaceAll("a;b;c", ";", "\r\n"), "a\r\nb\r\nc");
  // No length limit.
  QString longText = QString(70000, QChar('x')) + "&";
  EXPECT_EQ(ReplaceAll(longText, "&", "&&").size(), 70002);
  EXPECT_EQ(EscapeAmpersands("Tom & Jerry &"), "Tom && Jerry &&");
  EXPECT_EQ(EscapeAmpersands("&&"), "&&&&");
  EXPECT_EQ(ReplaceTextEx("cat", "dog", "Cat concat cat", true, true, kSpaces), "dog concat dog");
  EXPECT_EQ(ReplaceTextEx("cat", "dog", "concat", false, true, CharSet()), "condog");
}

TEST(StrRoutines, TextBeforeAndAfter) {
  EXPECT_EQ(TextBefore("Title;body;more", ";"), "Title");
  EXPECT_EQ(TextAfter("Title;body;more", ";"), "body;more");
  EXPECT_EQ(TextBefore("nameTABvalue", "tab"), "name");
  EXPECT_EQ(TextAfter("Tel: 555", "TEL: "), "555");
  EXPECT_EQ(TextBefore("no key", ";"), "");
  EXPECT_EQ(TextAfter("no key", ";"), "");
  EXPECT_EQ(TextAfter("ends;", ";"), "");
}

TEST(StrRoutines, Lines) {
  EXPECT_EQ(StringsByteSize({}), 0);
  EXPECT_EQ(StringsByteSize({"ab", "", "c"}), 9);
  EXPECT_EQ(JoinLines({"ab", "", "c"}), QByteArray("ab\r\n\r\nc\r\n"));
  struct Case {
    QByteArray text;
    ByteLines lines;
  } cases[] = {
      {"", {}},
      {"a", {"a"}},
      {"a\r\n", {"a"}},
      {"a\r\nb", {"a", "b"}},
      {"a\nb\rc\r\n\r\n", {"a", "b", "c", ""}},
      {"\r\n", {""}},
      {"\n\r", {"", ""}},
  };
  for (const Case &c : cases) EXPECT_EQ(SplitLines(c.text), c.lines) << c.text.toStdString();
}
