// The old 1.x and 2.x card file formats: the texts as the old versions wrote
// them, the tolerant reader, and the 2.x archive through the real engines,
// judged by unzip and 7z.

#include "cards/carderror.h"
#include "cards/cardclipboard.h"
#include "cards/oldformat.h"
#include "cards/qelfilespec.h"
#include "tests/cards/cardtestutil.h"
#include "tests/support/scriptedui.h"
#include "tests/support/wrongpassword.h"
#include "tests/zip/ziptestutil.h"
#include "zip/ziparchiver.h"

#include <QDialog>
#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>
#include <gtest/gtest.h>

using namespace qel;
using namespace qel::ziptest;

namespace {

const QString kEngineDir = QStringLiteral(QEL_PROGRAM_DIR);

bool enginesBuilt() {
  return QFileInfo::exists(kEngineDir + "/libzipdll.so") && QFileInfo::exists(kEngineDir + "/libunzdll.so");
}

const QByteArray kRtf = "{\\rtf1\\ansi{\\colortbl;\\red255\\green0\\blue0;}\r\n\\cf1 red\\par\r\n}\r\n";

QStringList plainOf(const TCrd &card) {
  QStringList lines;
  for (const QByteArray &l : card.BodyLines()) lines << QString::fromLatin1(l);
  return lines;
}

class OldFormat : public test::CardStoreTest {
protected:
  void addCards() {
    auto rich = card("Rich", kRtf, 39455.5);
    rich->Color = 255;
    rich->Created = 39000.25;
    rich->Phone = "+1 555 0100";
    AllCards.AddCrd(rich);
    auto plain = card("Plain", "first line\r\n\r\nthird line\r\n");
    plain->Color = -1;
    plain->Created = 0;
    AllCards.AddCrd(plain);
    auto empty = card("Empty", QByteArray());
    empty->Created = 0;
    AllCards.AddCrd(empty);
  }
  // The cards of a parsed text as they become cards of a fresh list.
  TCrdList convert(const OldCardsText &read) {
    TCrdList list;
    AppendOldCards(list, read.cards, CurrentBodyFile());
    return list;
  }
};

} // namespace

TEST(OldFormatReal, WrittenInTheTextFileFormAndReadBackTolerantly) {
  EXPECT_EQ(FormatTextFileReal(39455.5), " 3.94555000000000E+0004");
  EXPECT_EQ(FormatTextFileReal(-0.125), "-1.25000000000000E-0001");
  EXPECT_EQ(FormatTextFileReal(0), " 0.00000000000000E+0000");
  for (double v : {39455.5, 45123.123456789012, -0.125, 1e-300, 0.0}) {
    double back = -1;
    ASSERT_TRUE(TryStrToFloat(FormatTextFileReal(v), back)) << v;
    EXPECT_DOUBLE_EQ(back, v);
  }
  struct Case {
    const char *text;
    bool ok;
    double value;
  } cases[] = {
      {" 3.94555000000000E+0004", true, 39455.5}, {"39455.5", true, 39455.5}, {"  +12 ", true, 12},
      {"-1.5e2", true, -150},  {".5", true, 0.5},       {"7.", true, 7},        {"1E5", true, 1e5},
      {"", false, 0},         {"   ", false, 0},       {"abc", false, 0},      {"1,5", false, 0},
      {"1.5x", false, 0},     {"E5", false, 0},        {"1e", false, 0},       {"+-1", false, 0},
      {"1e999", false, 0},    {".", false, 0},         {"0x10", false, 0},     {"nan", false, 0},
  };
  for (const Case &c : cases) {
    double v = -7;
    EXPECT_EQ(TryStrToFloat(c.text, v), c.ok) << c.text;
    EXPECT_EQ(v, c.ok ? c.value : -7) << c.text;
  }
}

// The exact bytes the old versions read: signature, count, tag order, the
// 23-character reals, CR LF everywhere, one empty line after each body and
// one at the end.
TEST_F(OldFormat, Version2TextHasTheOldLayout) {
  addCards();
  const QByteArray expected = "VR3KT Another moravine - RTF\r\n"
                              "<CARDS>3\r\n"
                              "<TITLE>Rich\r\n"
                              "<COLOR>255\r\n"
                              "<CREATED> 3.90002500000000E+0004\r\n"
                              "<LAST OPEN> 3.94555000000000E+0004\r\n"
                              "<PHONE>+1 555 0100\r\n" +
                              kRtf + "\r\n"
                              "<TITLE>Plain\r\n"
                              "<COLOR>-1\r\n"
                              "first line\r\n\r\nthird line\r\n\r\n"
                              "<TITLE>Empty\r\n"
                              "\r\n"
                              "\r\n";
  EXPECT_EQ(Version2Text(AllCards, CurrentBodyFile(), false), expected);
  EXPECT_TRUE(Version2Text(AllCards, CurrentBodyFile(), true).startsWith("VR3KT Another moravine - text\r\n<CARDS>3\r\n"));

  // Bodies stored with LF or CR line ends are written with CR LF.
  TCrdList lf;
  auto c = card("LF", "a\nb\rc");
  c->Created = 0;
  lf.AddCrd(c);
  EXPECT_EQ(Version2Text(lf, CurrentBodyFile(), true),
            "VR3KT Another moravine - text\r\n<CARDS>1\r\n<TITLE>LF\r\na\r\nb\r\nc\r\n\r\n\r\n");
}

TEST_F(OldFormat, Version2RoundTripKeepsBodiesAndAttributes) {
  addCards();
  const OldCardsText read = ParseOldCardsText(Version2Text(AllCards, CurrentBodyFile(), false));
  ASSERT_EQ(read.status, OldCardsText::Read);
  EXPECT_EQ(read.cardsExpected, 3);
  TCrdList back = convert(read);
  ASSERT_EQ(back.Count(), 3);
  for (int i = 0; i < 3; ++i) {
    const TCrd &a = *AllCards.Objects(i), &b = *back.Objects(i);
    EXPECT_EQ(back.Strings(i), AllCards.Strings(i));
    EXPECT_EQ(b.Color, a.Color) << i;
    if (a.Created != 0) {
      EXPECT_EQ(b.Created, a.Created) << i;
    }
    EXPECT_EQ(b.LastOpen, a.LastOpen) << i;
    EXPECT_EQ(b.Phone, a.Phone) << i;
    EXPECT_NE(b.UID, a.UID);  // a new card, with its own identifier
  }
  EXPECT_EQ(back.Objects(0)->BodyBytes(), kRtf);
  EXPECT_FALSE(back.Objects(0)->IsPlainText());
  EXPECT_EQ(back.Objects(1)->BodyBytes(), "first line\r\n\r\nthird line\r\n");
  EXPECT_EQ(back.Objects(2)->BodyBytes(), "\r\n");  // one empty line
  // A card written without a creation time is created when read.
  EXPECT_GT(back.Objects(1)->Created, 40000);

  // Titles and phones the code page cannot hold are written as UTF-8 and read back.
  TCrdList intl;
  auto greek = card(QString::fromUtf8("\u039a\u03ac\u03c1\u03c4\u03b1"), "x\r\n");
  greek->Phone = QString::fromUtf8("\u20ac 5");
  intl.AddCrd(greek);
  intl.AddCrd(card(QString::fromUtf8("Caf\u00e9"), "y\r\n"));
  TCrdList intlBack = convert(ParseOldCardsText(Version2Text(intl, CurrentBodyFile(), true)));
  ASSERT_EQ(intlBack.Count(), 2);
  EXPECT_EQ(intlBack.Strings(0), greek->Title);
  EXPECT_EQ(intlBack.Objects(0)->Phone, greek->Phone);
  EXPECT_EQ(intlBack.Strings(1), QString::fromUtf8("Caf\u00e9"));
}

// 1.x keeps titles and plain bodies only.
TEST_F(OldFormat, Version1TextKeepsTitlesAndPlainBodies) {
  addCards();
  const QByteArray text = Version1Text(AllCards, plainOf);
  EXPECT_EQ(text, QByteArray("VR3KT Another moravine - text\r\n") + "<TITLE>Rich\r\n" + kRtf + "<TITLE>Plain\r\n" +
                      "first line\r\n\r\nthird line\r\n<TITLE>Empty\r\n\r\n");
  TCrdList back = convert(ParseOldCardsText(text));
  ASSERT_EQ(back.Count(), 3);
  EXPECT_EQ(back.Strings(1), "Plain");
  EXPECT_EQ(back.Objects(1)->BodyBytes(), "first line\r\n\r\nthird line\r\n");
  EXPECT_EQ(back.Objects(1)->Color, kNoColor);
  EXPECT_EQ(back.Objects(0)->Phone, QString());
  EXPECT_EQ(back.Objects(0)->LastOpen, 0);
  EXPECT_EQ(back.Objects(2)->BodyBytes(), "\r\n");
}

TEST_F(OldFormat, ReaderEdgeCases) {
  const QByteArray sig = "VR3KT Another moravine - text\r\n";
  struct Case {
    const char *what;
    QByteArray text;
    QStringList titles;           // the cards read
    QList<QByteArray> lastBody;   // the last card's body lines
    int expected;                 // cardsExpected
  } cases[] = {
      {"cards line without a number", sig + "<CARDS>many\r\n<TITLE>a\r\nx\r\n\r\n\r\n", {"a"}, {"x"}, 1},
      {"cards line inside a card changes only the count", sig + "<CARDS>2\r\n<TITLE>a\r\n<CARDS>9\r\nx\r\n\r\n\r\n",
       {"a"}, {"x"}, 9},
      {"no count line", sig + "<TITLE>a\r\nx\r\n\r\n", {"a"}, {"x"}, 300},
      {"a card without body lines", sig + "<CARDS>2\r\n<TITLE>a\r\n<TITLE>b\r\n<PHONE>1\r\n\r\n", {"a", "b"}, {""}, 2},
      {"a title as the very last line", sig + "<TITLE>a\r\nx\r\n<TITLE>b", {"a"}, {"x"}, 300},
      {"a title before the final empty line", sig + "<TITLE>a\r\n\r\n", {"a"}, {""}, 300},
      {"the last line without an empty line after it", sig + "<TITLE>a\r\nx\r\nlast", {"a"}, {"x", "last"}, 300},
      {"lines before the first title", sig + "junk\r\n<COLOR>5\r\n<TITLE>a\r\nx\r\n\r\n", {"a"}, {"x"}, 300},
      {"LF line ends", "VR3KT Another moravine - RTF\n<CARDS>1\n<TITLE>a\nx\n\n\n", {"a"}, {"x"}, 1},
      {"a body line with a tag is that tag", sig + "<TITLE>a\r\n<PHONE>in body\r\n<TITLE>b\r\nx\r\n\r\n", {"a", "b"},
       {"x"}, 300},
      {"signature only", sig, {}, {}, 300},
      {"signature anywhere in the first line", "xx VR3KT Another moravine\r\n<TITLE>a\r\n", {}, {}, 300},
  };
  for (const Case &c : cases) {
    const OldCardsText read = ParseOldCardsText(c.text);
    ASSERT_EQ(read.status, OldCardsText::Read) << c.what;
    QStringList titles;
    for (const TCard &card : read.cards) titles << card.ID;
    EXPECT_EQ(titles, c.titles) << c.what;
    EXPECT_EQ(read.cardsExpected, c.expected) << c.what;
    if (!read.cards.empty()) {
      EXPECT_EQ(read.cards.back().SL, c.lastBody) << c.what;
    }
  }

  // Colour, times and phone of one card; values that do not parse give the defaults.
  const OldCardsText attrs = ParseOldCardsText(sig + "<TITLE>a\r\n<COLOR>123\r\n<CREATED> 3.94555000000000E+0004\r\n"
                                                     "<LAST OPEN>45000.25\r\n<PHONE>555\r\nb\r\n<TITLE>c\r\n"
                                                     "<COLOR>red\r\n<CREATED>yesterday\r\n<LAST OPEN>\r\n\r\n");
  ASSERT_EQ(attrs.cards.size(), 2u);
  EXPECT_EQ(attrs.cards[0].Color, 123);
  EXPECT_EQ(attrs.cards[0].CreatedAt, 39455.5);
  EXPECT_EQ(attrs.cards[0].LastOpenAt, 45000.25);
  EXPECT_EQ(attrs.cards[0].PhoneNr, "555");
  EXPECT_EQ(attrs.cards[1].Color, kNoColor);
  EXPECT_EQ(attrs.cards[1].CreatedAt, 0);
  EXPECT_EQ(attrs.cards[1].LastOpenAt, 0);

  // Not an old file; a damaged one.
  EXPECT_EQ(ParseOldCardsText("<~QEL MORAVINE QEL FILE VERSION~>3\r\n").status, OldCardsText::NotOldFile);
  EXPECT_EQ(ParseOldCardsText("").status, OldCardsText::NotOldFile);
  EXPECT_EQ(ParseOldCardsText("\r\nVR3KT Another moravine\r\n").status, OldCardsText::NotOldFile);
  const OldCardsText damaged = ParseOldCardsText(sig + "<TITLE>" + QByteArray(kMaxFieldLineBytes, 'x') + "\r\nb\r\n");
  EXPECT_EQ(damaged.status, OldCardsText::Damaged);
  EXPECT_TRUE(damaged.cards.empty());
  // A long body line is no tag line: it is read.
  const OldCardsText longBody = ParseOldCardsText(sig + "<TITLE>a\r\n" + QByteArray(kMaxFieldLineBytes + 10, 'x') + "\r\n");
  ASSERT_EQ(longBody.status, OldCardsText::Read);
  EXPECT_EQ(longBody.cards[0].SL[0].size(), kMaxFieldLineBytes + 10);
}

TEST_F(OldFormat, AppendOldCardsMakesNewCardsWithOneWrite) {
  TCardList old(2);
  old[0].ID = "one";
  old[0].SL = {"a", "b"};
  old[0].CreatedAt = 40000.5;
  old[1].ID = "one";  // duplicate titles are kept
  old[1].SL = {""};
  AllCards.AddCrd(card("existing", "e\r\n"));
  const qint64 before = CurrentBodyFile().size();
  AppendOldCards(AllCards, old, CurrentBodyFile());
  ASSERT_EQ(AllCards.Count(), 3);
  EXPECT_EQ(AllCards.Objects(1)->BodyBytes(), "a\r\nb\r\n");
  EXPECT_EQ(AllCards.Objects(1)->Created, 40000.5);
  EXPECT_EQ(AllCards.Objects(1)->ADR, before);
  EXPECT_EQ(AllCards.Objects(2)->BodyBytes(), "\r\n");
  EXPECT_EQ(AllCards.Strings(2), "one");
  EXPECT_EQ(AllCards.Objects(0)->BodyBytes(), "e\r\n");
}

class OldArchive : public OldFormat {
protected:
  void SetUp() override {
    OldFormat::SetUp();
    if (!enginesBuilt()) GTEST_SKIP() << "engine libraries not built";
    zip.SetDLLDirectory(kEngineDir);
  }
  TZipArchiver zip;
};

TEST_F(OldArchive, ExportAndReadBackPlainAndProtected) {
  addCards();
  const QString target = dir + "/old.qel";
  ExportVersion2File(AllCards, CurrentBodyFile(), target, zip, false);
  TZipArchiver probeZip;
  probeZip.SetDLLDirectory(kEngineDir);
  const tQelfileSpec spec = ProbeCardsFile(target, probeZip);
  EXPECT_EQ(spec.Kind, KindOldArchive);
  EXPECT_FALSE(spec.Protected);
  ASSERT_EQ(probeZip.ZipContents().size(), 1u);
  EXPECT_EQ(probeZip.ZipContents()[0].FileName, "old.tmp");
  EXPECT_FALSE(probeZip.ZipContents()[0].Encrypted);
  QByteArray out;
  ASSERT_EQ(run("unzip", {"-p", target}, dir, &out), 0) << out.constData();
  EXPECT_EQ(out, Version2Text(AllCards, CurrentBodyFile(), false));
  // Nothing is left beside the target.
  EXPECT_EQ(QDir(dir).entryList(QDir::Files | QDir::Hidden), QStringList{"old.qel"});

  // A file beside it named like its entry stays where it is.
  writeBytes(dir + "/old.tmp", "the user's own file");
  TZipArchiver readZip;
  readZip.SetDLLDirectory(kEngineDir);
  const OldCardsText read = ReadOldVersionFile(target, true, readZip);
  ASSERT_EQ(read.status, OldCardsText::Read);
  ASSERT_EQ(read.cards.size(), 3u);
  EXPECT_EQ(JoinLines(read.cards[0].SL), kRtf);
  EXPECT_EQ(fileBytes(dir + "/old.tmp"), "the user's own file");

  // Protected: one ".~QE" entry, encrypted, that unzip and 7z open with the password.
  zip.SetPassword("s3cret");
  zip.AddOptions = {AddEncrypt};
  const QString locked = dir + "/locked.qel";
  ExportVersion2File(AllCards, CurrentBodyFile(), locked, zip, true);
  const tQelfileSpec lockedSpec = ProbeCardsFile(locked, probeZip);
  EXPECT_EQ(lockedSpec.Kind, KindOldArchive);
  EXPECT_TRUE(lockedSpec.Protected);
  ASSERT_EQ(probeZip.ZipContents().size(), 1u);
  EXPECT_EQ(probeZip.ZipContents()[0].FileName, "locked.~QE");
  EXPECT_TRUE(probeZip.ZipContents()[0].Encrypted);
  out.clear();
  ASSERT_EQ(run("unzip", {"-P", "s3cret", "-p", locked}, dir, &out), 0) << out.constData();
  EXPECT_TRUE(out.startsWith("VR3KT Another moravine - text\r\n<CARDS>3\r\n")) << out.left(80).constData();
  if (run("7z", {"--help"}, dir) == 0) {
    out.clear();
    EXPECT_EQ(run("7z", {"x", "-so", "-ps3cret", locked}, dir, &out), 0);
    EXPECT_TRUE(out.startsWith("VR3KT Another moravine - text\r\n")) << out.left(80).constData();
  }
  readZip.SetPassword("s3cret");
  EXPECT_EQ(ReadOldVersionFile(locked, true, readZip).cards.size(), 3u);

  // A wrong password extracts nothing, after the component asked once more.
  test::ScriptedUi ui;
  ui.answer(test::Answer::dialog(QDialog::Rejected));
  readZip.SetPassword(test::WrongPasswordFor(locked));
  EXPECT_EQ(ReadOldVersionFile(locked, true, readZip).status, OldCardsText::NotOldFile);
  // Nothing was extracted anywhere visible.
  EXPECT_EQ(QDir(dir).entryList(QDir::Files | QDir::Hidden).size(), 3);
}

// An export that runs out of room keeps the old target whole and leaves nothing behind.
TEST_F(OldArchive, ExportIntoFullFileSystemKeepsOldTarget) {
  const QString mnt = dir + "/small";
  ASSERT_TRUE(QDir().mkpath(mnt));
  QByteArray out;
  const bool mounted = run("mount", {"-t", "tmpfs", "-o", "size=256k", "tmpfs", mnt}, dir, &out) == 0;
  struct Unmount {
    QString path;
    bool on;
    ~Unmount() {
      if (on) run("umount", {path}, QDir::tempPath());
    }
  } unmount{mnt, mounted};
  if (!mounted) GTEST_SKIP() << "no tmpfs can be mounted here: " << out.constData();

  addCards();
  const QString v2 = mnt + "/old2.qel", v1 = mnt + "/old1.qel";
  ExportVersion2File(AllCards, CurrentBodyFile(), v2, zip, false);
  WriteVersion1File(v1, Version1Text(AllCards, plainOf));
  const QByteArray before2 = fileBytes(v2), before1 = fileBytes(v1);

  // About a megabyte of hex text that deflates to more than the room left.
  QRandomGenerator rng(11);
  QByteArray noise(512 * 1024, Qt::Uninitialized);
  rng.fillRange(reinterpret_cast<quint32 *>(noise.data()), noise.size() / 4);
  AllCards.AddCrd(card("Noise", noise.toHex()));
  EXPECT_THROW(ExportVersion2File(AllCards, CurrentBodyFile(), v2, zip, false), ECardError);
  EXPECT_THROW(WriteVersion1File(v1, Version1Text(AllCards, plainOf)), ECardError);
  EXPECT_EQ(fileBytes(v2), before2);
  EXPECT_EQ(fileBytes(v1), before1);
  QStringList left = QDir(mnt).entryList(QDir::Files | QDir::Hidden);
  left.sort();
  EXPECT_EQ(left, (QStringList{"old1.qel", "old2.qel"}));
}
