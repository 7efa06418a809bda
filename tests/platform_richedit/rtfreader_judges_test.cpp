// The reader's text of real-world RTF judged by outside readers: unrtf and
// pandoc. Both have defects of their own (unrtf prints non-ASCII letters as
// '?' and a hyperlink's target instead of its text, pandoc's reader drops
// letters after \uN in some files), so the comparison is on the sequence of
// ASCII words, after removing the judges' own decorations; the non-ASCII text
// is checked against the files' sources.

#include "tests/platform_richedit/rtfreader_helpers.h"
#include "tests/support/testenv.h"

#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>

using namespace qel;

namespace {

// The judge's output, or a null string when the judge is not installed.
QString judge(const QString &program, const QStringList &args, const char *fixture, bool latin1 = false) {
  if (QStandardPaths::findExecutable(program).isEmpty()) return {};
  QProcess p;
  // unrtf writes the pictures it finds into its working folder.
  p.setWorkingDirectory(test::freshDir(QStringLiteral("judge")));
  p.start(program, args + QStringList{QStringLiteral(QEL_TEST_DATA_DIR "/") + QLatin1String(fixture)});
  EXPECT_TRUE(p.waitForFinished(60000));
  const QByteArray out = p.readAllStandardOutput();
  return latin1 ? QString::fromLatin1(out) : QString::fromUtf8(out);
}

// unrtf writes Latin-1, with '?' for what Latin-1 lacks.
QString unrtf(const char *fixture) { return judge(QStringLiteral("unrtf"), {QStringLiteral("--text")}, fixture, true); }
QString pandoc(const char *fixture) {
  return judge(QStringLiteral("pandoc"), {QStringLiteral("-f"), QStringLiteral("rtf"), QStringLiteral("-t"),
                                          QStringLiteral("plain"), QStringLiteral("--wrap=none")},
               fixture);
}

// Removes a judge's decorations: unrtf's "###" notes and picture file names,
// list markers at line starts, pandoc's table rules.
QString undecorate(const QString &text) {
  static const QRegularExpression note(QStringLiteral("###.*$"));
  static const QRegularExpression pictureFile(QStringLiteral("^pict\\d+\\.\\w+$"));
  static const QRegularExpression marker(QStringLiteral("^\\s*([-*\"?\u2022\u00b7\u2013]|\\d+[.)]|[a-z][.)])(\\s+|$)"));
  static const QRegularExpression rule(QStringLiteral("^\\s*[-+|= ]+$"));
  QStringList out;
  for (QString line : text.split(QLatin1Char('\n'))) {
    if (line.startsWith(QLatin1String("-----------------"))) {  // end of unrtf's header
      out.clear();
      continue;
    }
    line.remove(note);
    if (pictureFile.match(line.trimmed()).hasMatch() || rule.match(line).hasMatch()) continue;
    line.remove(marker);
    out << line;
  }
  return out.join(QLatin1Char('\n'));
}

QStringList asciiWords(const QString &text) {
  static const QRegularExpression word(QStringLiteral("[A-Za-z0-9]+"));
  QStringList words;
  for (auto it = word.globalMatch(text); it.hasNext();) words << it.next().captured();
  return words;
}

QString ours(const char *fixture) {
  QString text = test::textOf(test::readFixture(fixture));
  text.remove(QChar::ObjectReplacementCharacter);
  return text;
}

struct Fixup {
  QString from, to;
};

void expectJudged(const char *fixture, const QString &judged, const std::vector<Fixup> &judgeDefects = {}) {
  if (judged.isNull()) GTEST_SKIP() << "judge not installed";
  QString j = undecorate(judged);
  for (const Fixup &f : judgeDefects) {
    EXPECT_TRUE(j.contains(f.from)) << "judge defect no longer there: " << f.from.toStdString();
    j.replace(f.from, f.to);
  }
  const QStringList mine = asciiWords(undecorate(ours(fixture)));
  const QStringList theirs = asciiWords(j);
  EXPECT_EQ(mine, theirs) << fixture << "\nours:  " << mine.join(' ').toStdString()
                          << "\njudge: " << theirs.join(' ').toStdString();
}

TEST(RtfReaderJudges, WindowsControlBody) {
  expectJudged("rtfread_wincontrol_1252.rtf", pandoc("rtfread_wincontrol_1252.rtf"));
  expectJudged("rtfread_wincontrol_1252.rtf", unrtf("rtfread_wincontrol_1252.rtf"),
               {{QStringLiteral("price 10EUR"), QStringLiteral("price 10 EUR")}});
  const QString text = ours("rtfread_wincontrol_1252.rtf");
  EXPECT_TRUE(text.startsWith(QStringLiteral("Caf\u00e9 na\u00efve r\u00e9sum\u00e9 \u2013 Stra\u00dfe M\u00fcller\n")));
  EXPECT_TRUE(text.contains(QStringLiteral("\u2018quoted\u2019 and \u201cdouble\u201d \u2014 price 10\u00a0EUR \u20ac total")));
}

TEST(RtfReaderJudges, WindowsControlBodyInCodePage1250) {
  // Neither judge applies \fcharset238, so the text is checked as written.
  EXPECT_EQ(ours("rtfread_wincontrol_1250.rtf"),
            QStringLiteral("P\u0159\u00edli\u0161 \u017elu\u0165ou\u010dk\u00fd k\u016f\u0148 \u00fap\u011bl "
                           "\u010f\u00e1belsk\u00e9 \u00f3dy.\n"
                           "Tu\u010dn\u00e9, kurz\u00edva, podtr\u017een\u00e9, p\u0159e\u0161krtnut\u00e9, "
                           "modr\u00e1 Times.\n"
                           "Prvn\u00ed odr\u00e1\u017eka\nDruh\u00e1 odr\u00e1\u017eka\n"
                           "\u010d\u00edslo jedna\n\u010d\u00edslo dv\u011b\n"
                           "Chr\u00e1n\u011bn\u00fd \u010derven\u00fd text a zv\u00fdrazn\u011bn\u00fd text.\n"
                           "Obr\u00e1zek: \nObjekt: \nOdsazen\u00fd\todstavec\tvpravo\n"
                           "x2 H2O \u20ac euro\nnov\u00fd \u0159\u00e1dek"));
}

const QString kSourceAccents = QStringLiteral(
    "Accents: P\u0159\u00edli\u0161 \u017elu\u0165ou\u010dk\u00fd k\u016f\u0148, \u0395\u03bb\u03bb\u03b7\u03bd\u03b9"
    "\u03ba\u03ac, \u0420\u0443\u0441\u0441\u043a\u0438\u0439, \u65e5\u672c\u8a9e and \U0001F600 smile.");

TEST(RtfReaderJudges, PandocOutput) {
  expectJudged("rtfread_pandoc.rtf", unrtf("rtfread_pandoc.rtf"),
               {{QStringLiteral("\"https://example.com/page\""), QStringLiteral("our site")}});
  const QString text = ours("rtfread_pandoc.rtf");
  EXPECT_TRUE(text.contains(kSourceAccents));
  EXPECT_TRUE(text.contains(QStringLiteral("Call Mr.\u00a0Nov\u00e1k at the office")));
  EXPECT_TRUE(text.contains(QStringLiteral("Name\tPhone\nAnna\t555-0101\nBen\t555-0202\n")));
}

TEST(RtfReaderJudges, LibreOfficeOutput) {
  // unrtf turns the \u353 of "Příliš" into "a".
  expectJudged("rtfread_libreoffice.rtf", unrtf("rtfread_libreoffice.rtf"),
               {{QStringLiteral("\u00edlia "), QStringLiteral("\u00edli ")}});
  const QString text = ours("rtfread_libreoffice.rtf");
  EXPECT_TRUE(text.contains(kSourceAccents));
  EXPECT_TRUE(text.contains(QStringLiteral("Name\tPhone\nAnna\t555-0101\nBen\t555-0202\n")));
  // Its lists are \ls lists: numbering on the paragraphs, no list text in them.
  auto doc = test::load(test::readFixture("rtfread_libreoffice.rtf"));
  int bullets = 0, numbers = 0;
  for (QTextBlock b = doc->begin(); b.isValid(); b = b.next()) {
    const int n = b.blockFormat().intProperty(re::ParaNumbering);
    if (n == re::PFN_BULLET) ++bullets;
    if (n == re::PFN_ARABIC) ++numbers;
  }
  EXPECT_EQ(bullets, 3);
  EXPECT_EQ(numbers, 3);
  EXPECT_TRUE(text.contains(QStringLiteral("\nfirst bullet\n")));
}

} // namespace
