// The code page table judged by the system's iconv.
#include "platform/codepage.h"

#include <QProcess>
#include <gtest/gtest.h>

using namespace qel;

namespace {

bool isUndefined(int b) { return b == 0x81 || b == 0x8D || b == 0x8F || b == 0x90 || b == 0x9D; }

// Runs iconv on `input`; false when iconv is missing or refuses the input.
bool iconv(const QStringList &args, const QByteArray &input, QByteArray &output) {
  QProcess p;
  p.start(QStringLiteral("iconv"), args);
  if (!p.waitForStarted(5000)) return false;
  p.write(input);
  p.closeWriteChannel();
  if (!p.waitForFinished(10000)) return false;
  output = p.readAllStandardOutput();
  return p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

} // namespace

TEST(CodePageIconv, DefinedBytesAgreeBothWays) {
  QByteArray defined;
  for (int b = 0; b < 256; ++b)
    if (!isUndefined(b)) defined += char(b);
  QByteArray utf8;
  ASSERT_TRUE(iconv({QStringLiteral("-f"), QStringLiteral("WINDOWS-1252"), QStringLiteral("-t"), QStringLiteral("UTF-8")},
                    defined, utf8))
      << "iconv is needed for this test";
  const QString theirs = QString::fromUtf8(utf8);
  const QString ours = decodeLegacy(defined);
  ASSERT_EQ(theirs.size(), defined.size());
  for (qsizetype i = 0; i < defined.size(); ++i)
    EXPECT_EQ(ours[i].unicode(), theirs[i].unicode()) << "byte " << int(uchar(defined[i]));

  bool fitted = false;
  EXPECT_EQ(encodeLegacy(theirs, &fitted), defined);
  EXPECT_TRUE(fitted);
  QByteArray back;
  ASSERT_TRUE(iconv({QStringLiteral("-f"), QStringLiteral("UTF-8"), QStringLiteral("-t"), QStringLiteral("WINDOWS-1252")},
                    ours.toUtf8(), back));
  EXPECT_EQ(back, defined);
}

TEST(CodePageIconv, IconvLeavesExactlyOurFiveBytesUndefined) {
  QByteArray undefined;
  for (int b = 0x80; b < 0xA0; ++b)
    if (isUndefined(b)) undefined += char(b);
  ASSERT_EQ(undefined.size(), 5);
  for (char b : undefined) {
    QByteArray out;
    EXPECT_FALSE(iconv({QStringLiteral("-f"), QStringLiteral("WINDOWS-1252"), QStringLiteral("-t"), QStringLiteral("UTF-8")},
                       QByteArray(1, b), out))
        << int(uchar(b));
  }
}
