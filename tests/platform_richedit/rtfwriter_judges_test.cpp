// Our RTF read by outside programs: pandoc and unrtf must find the fixture
// card's text and its formatting.

#include "platform/richedit/rtfwriter.h"
#include "tests/platform_richedit/rtfwriter_fixture.h"
#include "tests/support/testenv.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTextDocumentFragment>

using namespace qel;

namespace {

QString writeFixtureFile() {
  QTextDocument doc;
  test::buildFixture(doc);
  const QString path = test::freshDir(QStringLiteral("judges")) + QStringLiteral("/fixture.rtf");
  QFile f(path);
  EXPECT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(re::writeRtf(doc));
  f.close();
  const QByteArray dump = qgetenv("QEL_RTF_DUMP");
  if (!dump.isEmpty()) QFile::copy(path, QString::fromLocal8Bit(dump));
  return path;
}

// Runs a judge; empty optional when the program is not installed.
std::optional<QByteArray> run(const QString &program, const QStringList &args) {
  if (QStandardPaths::findExecutable(program).isEmpty()) return std::nullopt;
  QProcess p;
  // unrtf writes the pictures it finds into the current folder.
  p.setWorkingDirectory(test::freshDir(QStringLiteral("judge-run")));
  p.start(program, args);
  if (!p.waitForFinished(60000)) return std::nullopt;
  EXPECT_EQ(p.exitCode(), 0) << program.toStdString() << ": " << p.readAllStandardError().constData();
  return p.readAllStandardOutput();
}

// The fixture's text as lines of words: pictures and bullets are formatting,
// not text, and the tools lay out spaces and tabs each their own way. pandoc
// has no page breaks: it joins the text around one.
QStringList words(QString text) {
  text.replace(QChar(0xFFFC), QChar(' '));
  text.replace(QChar(0x0C), QString());
  QStringList lines;
  for (const QString &line : text.split(QChar('\n'))) {
    const QString simple = line.simplified();
    if (!simple.isEmpty()) lines << simple;
  }
  return lines;
}

// pandoc 2.17 reads \uN one UTF-16 unit at a time and gives U+FFFD for each
// half of a surrogate pair; the pair itself is in our output (checked in the
// output tests, and through unrtf and LibreOffice below).
QString pandocSurrogates(const QString &expected) {
  QString s;
  for (QChar c : expected) s += c.isSurrogate() ? QChar(0xFFFD) : c;
  return s;
}

} // namespace

TEST(RtfWriterJudges, PandocPlainTextAndFormats) {
  const QString path = writeFixtureFile();
  const auto plain = run(QStringLiteral("pandoc"), {"-f", "rtf", "-t", "plain", "--wrap=none", path});
  if (!plain) GTEST_SKIP() << "pandoc not installed";
  QString text = QString::fromUtf8(*plain);
  // Markup of the plain writer: ~~strike~~, ^(super)^, _(sub), "-   " list items.
  text.replace(QStringLiteral("~~"), QString());
  // Digits it can, it writes as superscript and subscript characters.
  const QString supers = QStringLiteral("\u2070\u00b9\u00b2\u00b3\u2074\u2075\u2076\u2077\u2078\u2079");
  for (int d = 0; d < 10; ++d) {
    text.replace(supers[d], QChar('0' + d));
    text.replace(QChar(0x2080 + d), QChar('0' + d));
  }
  text.replace(QRegularExpression(QStringLiteral("[\\^_]\\(([^)]*)\\)")), QStringLiteral("\\1"));
  text.replace(QRegularExpression(QStringLiteral("(^|\\n)-   \u00b7 ")), QStringLiteral("\\1"));
  text.replace(QRegularExpression(QStringLiteral("(^|\\n)\\[image\\]")), QStringLiteral("\\1"));
  const QStringList got = words(text);
  EXPECT_TRUE(got == words(test::fixtureText()) || got == words(pandocSurrogates(test::fixtureText())))
      << plain->constData();

  const auto json = run(QStringLiteral("pandoc"), {"-f", "rtf", "-t", "json", path});
  ASSERT_TRUE(json);
  const QByteArray j = *json;
  for (const char *kind : {"\"Strong\"", "\"Emph\"", "\"Strikeout\"", "\"Superscript\"", "\"Subscript\"",
                           "\"Underline\"", "\"BulletList\"", "\"Image\""})
    EXPECT_TRUE(j.contains(kind)) << kind;
  // Each kind holds the right words.
  const QJsonDocument d = QJsonDocument::fromJson(j);
  ASSERT_TRUE(d.isObject());
  const QString compact = QString::fromUtf8(QJsonDocument(d.object().value("blocks").toArray()).toJson(QJsonDocument::Compact));
  for (const char *e : {R"({"c":[{"c":"bold","t":"Str"}],"t":"Strong"})", R"({"c":[{"c":"italic","t":"Str"}],"t":"Emph"})",
                        R"({"c":[{"c":"strike","t":"Str"}],"t":"Strikeout"})",
                        R"({"c":"x","t":"Str"},{"c":[{"c":"2","t":"Str"}],"t":"Superscript"})",
                        R"({"c":"H","t":"Str"},{"c":[{"c":"2","t":"Str"}],"t":"Subscript"},{"c":"O","t":"Str"})"})
    EXPECT_TRUE(compact.contains(QString::fromUtf8(e))) << e << "\n" << compact.toStdString();
  EXPECT_TRUE(compact.contains(QRegularExpression(QStringLiteral(R"(\{"c":\[\[\{"c":\[[^\]]*"First","t":"Str"\},\{"t":"Space"\},\{"c":"bullet","t":"Str"\}\],"t":"Para"\}\],\[\{"c":\[[^\]]*"Second","t":"Str"\},\{"t":"Space"\},\{"c":"bullet","t":"Str"\}\],"t":"Para"\}\]\],"t":"BulletList"\})"))))
      << compact.toStdString();
}

TEST(RtfWriterJudges, UnrtfText) {
  const QString path = writeFixtureFile();
  const auto out = run(QStringLiteral("unrtf"), {"--text", path});
  if (!out) GTEST_SKIP() << "unrtf not installed";
  // unrtf's text mode prints its own banner lines starting with "###", the
  // bullet text of each list paragraph, and has no Unicode output: characters
  // outside Latin-1 come out as one or two placeholder bytes. The words of
  // ASCII text must be exact.
  QString text = QString::fromLatin1(*out);
  const qsizetype body = text.indexOf(QStringLiteral("-----------------\n"));
  ASSERT_GE(body, 0) << out->constData();
  text = text.mid(body + 18);
  // It also breaks the line after each tab; compare the words.
  QStringList got;
  for (const QString &line : text.split(QChar('\n'))) {
    const QString simple = line.simplified();
    if (simple.isEmpty() || simple.startsWith(QStringLiteral("###")) || simple == QStringLiteral("\"") ||
        simple == QStringLiteral("pict001.png"))
      continue;
    got << simple;
  }
  QString expected = test::fixtureText();
  expected.replace(QChar(0xFFFC), QChar(' '));
  expected.replace(QChar(0x0C), QChar(' '));
  expected = expected.simplified();
  QString pattern;
  for (qsizetype i = 0; i < expected.size(); ++i) {
    const QChar c = expected[i];
    if (c.isLowSurrogate()) continue;
    if (c.isHighSurrogate() || c.unicode() > 0x7F) pattern += QStringLiteral(".{1,2}");
    else pattern += QRegularExpression::escape(QString(c));
  }
  const QString all = got.join(QChar(' '));
  EXPECT_TRUE(QRegularExpression(QStringLiteral("^") + pattern + QStringLiteral("$")).match(all).hasMatch())
      << "expected " << expected.toStdString() << "\n     got " << all.toStdString();

  // The HTML mode writes every character as an entity: the full text is there,
  // surrogate pairs included.
  const auto html = run(QStringLiteral("unrtf"), {"--html", path});
  ASSERT_TRUE(html);
  const QString decoded = QTextDocumentFragment::fromHtml(QString::fromUtf8(*html)).toPlainText();
  for (const QString &s : {QStringLiteral("P\u0159\u00edli\u0161"), QStringLiteral("\u4f60\u597d\u4e16\u754c"),
                           QStringLiteral("\U0001F600\U0001D11E")})
    EXPECT_TRUE(decoded.contains(s)) << s.toStdString();
}

// LibreOffice is optional on the test machines.
TEST(RtfWriterJudges, LibreOfficeText) {
  QString office = QStandardPaths::findExecutable(QStringLiteral("soffice"));
  if (office.isEmpty()) office = QStandardPaths::findExecutable(QStringLiteral("libreoffice"));
  if (office.isEmpty()) GTEST_SKIP() << "LibreOffice not installed";
  const QString path = writeFixtureFile();
  const QString outDir = test::freshDir(QStringLiteral("office-out"));
  QProcess p;
  p.setWorkingDirectory(outDir);
  p.start(office, {"--headless", "-env:UserInstallation=file://" + test::freshDir(QStringLiteral("office-profile")),
                   "--convert-to", "txt:Text (encoded):UTF8", "--outdir", outDir, path});
  ASSERT_TRUE(p.waitForFinished(180000));
  QFile f(outDir + QStringLiteral("/fixture.txt"));
  ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << p.readAllStandardError().constData();
  QString text = QString::fromUtf8(f.readAll());
  if (text.startsWith(QChar(0xFEFF))) text.remove(0, 1);
  // The bullets come out as text of their own in front of the items.
  text.replace(QRegularExpression(QStringLiteral("(^|\\n)[ \\t]*[\u00b7\u2022\uf0b7]\\s*")), QStringLiteral("\\1"));
  EXPECT_EQ(words(text), words(test::fixtureText())) << text.toStdString();
}
