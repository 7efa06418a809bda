#include "platform/codepage.h"

#include <gtest/gtest.h>

using namespace qel;

TEST(CodePage, EveryByteRoundTrips) {
  for (int b = 0; b < 256; ++b) {
    char16_t ch = legacyToUnicode(static_cast<unsigned char>(b));
    unsigned char back = 0;
    ASSERT_TRUE(unicodeToLegacy(ch, back)) << b;
    EXPECT_EQ(back, b);
  }
}

TEST(CodePage, UndefinedBytesMapToC1Controls) {
  const std::pair<unsigned char, char16_t> cases[] = {
      {0x81, 0x0081}, {0x8D, 0x008D}, {0x8F, 0x008F}, {0x90, 0x0090}, {0x9D, 0x009D},
      {0x80, 0x20AC}, {0x9F, 0x0178}, {0xE9, 0x00E9}};
  for (auto [b, ch] : cases) EXPECT_EQ(legacyToUnicode(b), ch) << int(b);
}

TEST(CodePage, EncodeReportsWhatDidNotFit) {
  bool fitted = false;
  EXPECT_EQ(encodeLegacy(QStringLiteral("Caf\u00e9 \u20ac"), &fitted), QByteArray("Caf\xe9 \x80"));
  EXPECT_TRUE(fitted);
  EXPECT_EQ(encodeLegacy(QStringLiteral("\u039a\u03b1"), &fitted), QByteArray("??"));
  EXPECT_FALSE(fitted);
  EXPECT_EQ(encodeLegacy(QString::fromUtf8("\xF0\x9F\x98\x80"), &fitted), QByteArray("?"));
  EXPECT_FALSE(fitsLegacy(QStringLiteral("\u039a")));
}

TEST(CodePage, Utf8Detection) {
  const std::pair<QByteArray, bool> cases[] = {
      {"plain ascii", false},
      {"Caf\xc3\xa9", true},
      {"Caf\xe9", false},                 // legacy byte
      {"\xc0\xaf", false},                // overlong
      {"\xed\xa0\x80", false},            // surrogate
      {"\xf0\x9f\x98\x80", true},
      {"\xe2\x82", false},                // truncated
  };
  for (const auto &[bytes, expected] : cases) EXPECT_EQ(isUtf8WithNonAscii(bytes), expected) << bytes.toStdString();
  EXPECT_EQ(decodeTextField("Caf\xc3\xa9"), QStringLiteral("Caf\u00e9"));
  EXPECT_EQ(decodeTextField("Caf\xe9"), QStringLiteral("Caf\u00e9"));
}
