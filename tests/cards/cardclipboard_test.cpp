#include "cardtestutil.h"

#include "cards/cardclipboard.h"
#include "cards/carderror.h"
#include "platform/tempfolder.h"

#include <QDir>
#include <QFileInfo>

#include <sys/stat.h>
#include <unistd.h>

using namespace qel;
using qel::test::CardStoreTest;

namespace {

class CardClipboardTest : public CardStoreTest {
protected:
  void TearDown() override {
    DeleteClipboardFile();
    CardStoreTest::TearDown();
  }
};

std::vector<const TCrd *> ptrs(const std::vector<TCrdPtr> &cards) {
  std::vector<const TCrd *> out;
  for (const auto &c : cards) out.push_back(c.get());
  return out;
}

} // namespace

TEST(CardClipboardFormat, RealNumbersInTheTextFileForm) {
  struct Case {
    double value;
    const char *text;
  } cases[] = {
      {39455.5, " 3.94555000000000E+0004"},
      {0, " 0.00000000000000E+0000"},
      {-1.25, "-1.25000000000000E+0000"},
      {0.000123, " 1.23000000000000E-0004"},
      {45000.123456789012, " 4.50001234567890E+0004"},
  };
  for (const Case &c : cases) {
    EXPECT_EQ(FormatTextFileReal(c.value), QByteArray(c.text)) << c.value;
    EXPECT_EQ(FormatTextFileReal(c.value).size(), 23);
  }
}

TEST_F(CardClipboardTest, TagLinesOfTwoCards) {
  auto a = card("First", "{\\rtf1 a\\par\r\n}\r\n", 45001.75);
  a->Color = 255;
  a->Created = 39455.5;
  a->Phone = "555-1234";
  auto b = card("Second", "plain\r\n");  // no colour, no phone, LastOpen 0
  b->Created = 0;
  auto c = card("Third", "x\r\n");
  c->Color = -16777201;  // a system colour: negative, written signed

  WriteCardClipboard(ptrs({a, b, c}));
  EXPECT_EQ(QFileInfo(ClipboardFileName()).fileName(), "qel_clipboard.clp");
  EXPECT_TRUE(ClipboardFileName().startsWith(TempFolderPath()));
  const QByteArray expected = "<TITLE>First\r\n"
                              "<COLOR>255\r\n"
                              "<CREATED> 3.94555000000000E+0004\r\n"
                              "<LAST OPEN> 4.50017500000000E+0004\r\n"
                              "<PHONE>555-1234\r\n"
                              "{\\rtf1 a\\par\r\n"
                              "}\r\n"
                              "<TITLE>Second\r\n"
                              "plain\r\n"
                              "<TITLE>Third\r\n"
                              "<COLOR>-16777201\r\n"
                              "<CREATED>" +
                              FormatTextFileReal(c->Created) +
                              "\r\n"
                              "x\r\n";
  EXPECT_EQ(fileBytes(ClipboardFileName()), expected);
  // Only the file itself is left in the folder: the temporary name was renamed over it.
  QStringList left = QDir(TempFolderPath()).entryList({"qel_clipboard*"}, QDir::Files | QDir::Hidden);
  EXPECT_EQ(left, QStringList{"qel_clipboard.clp"});
  struct stat st;
  ASSERT_EQ(::stat(QFile::encodeName(ClipboardFileName()).constData(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST_F(CardClipboardTest, NoCardsLeaveAnEmptyFileThatPastesNothing) {
  WriteCardClipboard({});
  ASSERT_TRUE(ClipboardFileExists());
  EXPECT_EQ(fileBytes(ClipboardFileName()), QByteArray());
  EXPECT_TRUE(ReadCardClipboard().cards.empty());
  DeleteClipboardFile();
  EXPECT_FALSE(ClipboardFileExists());
  EXPECT_TRUE(ReadCardClipboard().cards.empty());  // no file: nothing, no error
}

TEST_F(CardClipboardTest, RoundTripKeepsBodyLinesThatLookLikeTags) {
  // Plain bodies may hold lines that begin like the tags; they stay body text.
  const QByteArray body = "<TITLE>not a card\r\n<PHONE>not a phone\r\n<<double\r\n<b>\r\nend\r\n";
  auto a = card("One", body);
  auto b = card(QString::fromUtf8("Zo\u0142\u0107"), QByteArray());  // outside the code page; empty body
  b->Phone = QString::fromUtf8("\u00e9t\u00e9");
  WriteCardClipboard(ptrs({a, b}));
  ClipboardContents got = ReadCardClipboard();
  ASSERT_EQ(got.cards.size(), 2u);
  EXPECT_EQ(got.cards[0].title, "One");
  EXPECT_EQ(got.cards[0].body, body);
  EXPECT_EQ(got.cards[1].title, QString::fromUtf8("Zo\u0142\u0107"));
  EXPECT_EQ(got.cards[1].phone, QString::fromUtf8("\u00e9t\u00e9"));

  // Pasted: new cards whose bodies are whole (the empty one as the 3-byte empty body).
  TCrdList list;
  auto added = AddClipboardCards(list, got, 46000.25);
  ASSERT_EQ(added.size(), 2u);
  EXPECT_EQ(list.Count(), 2);
  EXPECT_EQ(added[0]->BodyBytes(), body);
  EXPECT_EQ(added[1]->BodyBytes(), EmptyBody());
  EXPECT_EQ(added[1]->SIZ, 3);
  EXPECT_EQ(added[0]->LastOpen, 46000.25);
}

// Bodies cross the card clipboard byte for byte: rich text holding binary
// picture data (lone LF and CR bytes, any byte at all), and bodies that do
// not end with a line break. Bodies made of CR LF lines stay lines.
TEST_F(CardClipboardTest, BodiesArePastedByteForByte) {
  QByteArray binary("{\\rtf1\\ansi{\\pict\\wmetafile8\\bin12 ");
  binary += QByteArray("\x00\n\x01\r\x02\r\n<TITLE>\xff", 14);
  binary += "}\\par}";
  const QByteArray bodies[] = {
      binary,
      binary + "\r\n",
      "no final line break",
      "lone\nline feed\r\n",
      "lone\rcarriage return\r\n",
      "\r\n\r\n",
      "\n",
      "ends in CR\r",
      "plain lines\r\n<TITLE>in the body\r\n",
  };
  std::vector<TCrdPtr> cards;
  int i = 0;
  for (const QByteArray &body : bodies) cards.push_back(card(QStringLiteral("Card %1").arg(i++), body));
  WriteCardClipboard(ptrs(cards));

  const QByteArray file = fileBytes(ClipboardFileName());
  EXPECT_TRUE(file.contains("plain lines\r\n<<TITLE>in the body\r\n")) << "lines stay lines";
  const ClipboardContents got = ReadCardClipboard();
  ASSERT_EQ(got.cards.size(), std::size(bodies));
  TCrdList list;
  const auto added = AddClipboardCards(list, got, 46000.25);
  ASSERT_EQ(added.size(), std::size(bodies));
  for (size_t k = 0; k < std::size(bodies); ++k) {
    EXPECT_EQ(got.cards[k].title, QStringLiteral("Card %1").arg(k));
    EXPECT_EQ(added[k]->BodyBytes(), bodies[k]) << k;
  }
}

// Titles and phones are decoded by one rule for the whole file, as the index
// is: legacy text whose bytes also read as UTF-8 stays legacy text.
TEST_F(CardClipboardTest, TextFieldsAreDecodedByOneRulePerFile) {
  // Written and read back: the writer keeps such text from passing for UTF-8.
  auto a = card(QString::fromUtf8("\u00c3\u00a9 caf\u00c3\u00a9"), "body\r\n");
  a->Phone = QString::fromUtf8("\u00c3\u00a9");
  auto b = card("plain", "x\r\n");
  WriteCardClipboard(ptrs({a, b}));
  ClipboardContents got = ReadCardClipboard();
  ASSERT_EQ(got.cards.size(), 2u);
  EXPECT_EQ(got.cards[0].title, a->Title);
  EXPECT_EQ(got.cards[0].phone, a->Phone);
  EXPECT_EQ(got.cards[1].title, "plain");

  // Files as another writer left them.
  struct Case {
    QByteArray bytes;
    QString first, firstPhone, second;
  } cases[] = {
      // A legacy field elsewhere in the file: C3 A9 is legacy text too.
      {"<TITLE>Caf\xe9\r\n<TITLE>\xc3\xa9\r\n", QString::fromUtf8("Caf\u00e9"), "", QString::fromUtf8("\u00c3\u00a9")},
      {"<TITLE>a\r\n<PHONE>\xe9\r\n<TITLE>\xc3\xa9\r\n", "a", QString::fromUtf8("\u00e9"), QString::fromUtf8("\u00c3\u00a9")},
      // Every field valid UTF-8: the file's fields are UTF-8.
      {"<TITLE>Caf\xc3\xa9\r\n<TITLE>\xce\xb1\r\n", QString::fromUtf8("Caf\u00e9"), "", QString::fromUtf8("\u03b1")},
      // A body byte that is not UTF-8 is not a text field and decides nothing.
      {"<TITLE>\xce\xb1\r\n\xe9\r\n<TITLE>b\r\n", QString::fromUtf8("\u03b1"), "", "b"},
  };
  for (const Case &c : cases) {
    const ClipboardContents parsed = ParseCardClipboard(c.bytes);
    ASSERT_EQ(parsed.cards.size(), 2u) << c.bytes.constData();
    EXPECT_EQ(parsed.cards[0].title, c.first) << c.bytes.constData();
    EXPECT_EQ(parsed.cards[0].phone, c.firstPhone) << c.bytes.constData();
    EXPECT_EQ(parsed.cards[1].title, c.second) << c.bytes.constData();
  }
}

// A title or phone line longer than any card's is damage: nothing is pasted.
// Body lines may be long (pictures in RTF).
TEST_F(CardClipboardTest, OverlongTitleOrPhoneIsRefusedLongBodyLinesAreNot) {
  const QString path = dir + "/clip.clp";
  const QByteArray longLine(kMaxFieldLineBytes * 4, 'b');
  writeBytes(path, "<TITLE>pic\r\n{\\rtf1 " + longLine + "}\r\n");
  ClipboardContents fine = ReadCardClipboardFrom(path);
  ASSERT_EQ(fine.cards.size(), 1u);
  EXPECT_EQ(fine.cards[0].body.size(), longLine.size() + 10);
  for (const QByteArray &bad : {"<TITLE>" + longLine + "\r\nbody\r\n", "<TITLE>a\r\n<PHONE>" + longLine + "\r\n"}) {
    writeBytes(path, bad);
    EXPECT_THROW(ReadCardClipboardFrom(path), ECardError);
    EXPECT_TRUE(ParseCardClipboard(bad).overlongField);
  }
}

TEST(CardClipboardParse, HostileAndOddInput) {
  struct Case {
    const char *name;
    QByteArray bytes;
    int cards;
    QString firstTitle;
    qint32 firstColor;
    const char *firstPhone;
    QByteArray firstBody;
    int cardsExpected;
  } cases[] = {
      {"empty", "", 0, "", kNoColor, "", "", 0},
      {"lines before the first title are ignored", "junk\r\n<PHONE>1\r\n<TITLE>T\r\nb\r\n", 1, "T", kNoColor, "",
       "b\r\n", 0},
      {"colour not decimal", "<TITLE>T\r\n<COLOR>$FF\r\n", 1, "T", kNoColor, "", "", 0},
      {"colour out of range", "<TITLE>T\r\n<COLOR>99999999999\r\n", 1, "T", kNoColor, "", "", 0},
      {"colour negative", "<TITLE>T\r\n<COLOR>-2147483648\r\n", 1, "T", qint32(0x80000000u), "", "", 0},
      {"times ignored, phone kept", "<TITLE>T\r\n<CREATED>garbage\r\n<LAST OPEN> 1E+9999\r\n<PHONE>+1 (2)\r\n", 1,
       "T", kNoColor, "+1 (2)", "", 0},
      {"cards count, invalid gives 1", "<TITLE>T\r\n<CARDS>x\r\n", 1, "T", kNoColor, "", "", 1},
      {"cards count", "<TITLE>T\r\n<CARDS>7\r\nline\r\n", 1, "T", kNoColor, "", "line\r\n", 7},
      {"hand-made tag line in a body splits the card", "<TITLE>A\r\nx\r\n<TITLE>B\r\n", 2, "A", kNoColor, "",
       "x\r\n", 0},
      {"bare LF and CR line ends", "<TITLE>A\nx\ry\n", 1, "A", kNoColor, "", "x\r\ny\r\n", 0},
      {"empty title", "<TITLE>\r\n", 1, "", kNoColor, "", "", 0},
      {"NUL bytes and high bytes", QByteArray("<TITLE>\x80\x00z\r\n\x00\xff\r\n", 16), 1, QString::fromUtf8("\u20ac") + QChar(0) + "z", kNoColor,
       "", QByteArray("\x00\xff\r\n", 4), 0},
      {"no final line break", "<TITLE>A\r\nlast", 1, "A", kNoColor, "", "last\r\n", 0},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    ClipboardContents got = ParseCardClipboard(c.bytes);
    ASSERT_EQ(int(got.cards.size()), c.cards);
    EXPECT_EQ(got.cardsExpected, c.cardsExpected);
    if (c.cards == 0) continue;
    EXPECT_EQ(got.cards[0].title, c.firstTitle);
    EXPECT_EQ(got.cards[0].color, c.firstColor);
    EXPECT_EQ(got.cards[0].phone, QString::fromUtf8(c.firstPhone));
    EXPECT_EQ(got.cards[0].body, c.firstBody);
  }
}

TEST_F(CardClipboardTest, ReadRefusesWhatIsNotARegularFile) {
  // A link or a folder under the clipboard name is refused with a message, never followed.
  const QString target = dir + "/elsewhere.txt";
  writeBytes(target, "<TITLE>secret\r\n");
  ASSERT_EQ(::symlink(QFile::encodeName(target).constData(), QFile::encodeName(ClipboardFileName()).constData()), 0);
  EXPECT_FALSE(ClipboardFileExists());
  EXPECT_THROW(ReadCardClipboard(), ECardError);
  // Writing replaces the link itself, not the file it points at.
  auto a = card("A", "a\r\n");
  WriteCardClipboard(ptrs({a}));
  EXPECT_EQ(fileBytes(target), QByteArray("<TITLE>secret\r\n"));
  EXPECT_TRUE(ClipboardFileExists());
  EXPECT_EQ(ReadCardClipboard().cards.at(0).title, "A");
}

TEST_F(CardClipboardTest, FailedWriteKeepsTheOldFile) {
  auto a = card("A", "a\r\n");
  WriteCardClipboard(ptrs({a}));
  const QByteArray before = fileBytes(ClipboardFileName());
  // A card whose body lies outside the body file cannot be read: nothing is replaced.
  auto broken = NewCrd();
  broken->Title = "broken";
  broken->ADR = 1 << 30;
  broken->SIZ = 10;
  EXPECT_THROW(WriteCardClipboard(ptrs({a, broken})), ECardError);
  EXPECT_EQ(fileBytes(ClipboardFileName()), before);
  QStringList left = QDir(TempFolderPath()).entryList({"qel_clipboard*"}, QDir::Files | QDir::Hidden);
  EXPECT_EQ(left, QStringList{"qel_clipboard.clp"});
}
