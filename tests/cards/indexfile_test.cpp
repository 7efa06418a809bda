#include "cardtestutil.h"

#include "cards/carderror.h"
#include "cards/indexfile.h"
#include "platform/codepage.h"
#include "tests/support/scriptedui.h"

#include <QLocale>
#include <clocale>

using namespace qel;
using qel::test::CardStoreTest;
using qel::test::ScriptedUi;

namespace {

const QByteArray kHeader = "<~QEL MORAVINE QEL FILE VERSION~>3\r\n";

TCrdPtr plainCard(const QString &title) {
  auto c = std::make_shared<TCrd>(0.0, QStringLiteral("45000-5"));
  c->Title = title;
  c->ADR = 10;
  c->SIZ = 20;
  return c;
}

// Reads `text` as an opened file; `messages` receives the messages shown.
TCrdList readIndex(const QByteArray &text, QStringList *messages = nullptr, int expectedMessages = 0) {
  ScriptedUi ui;
  for (int i = 0; i < expectedMessages; ++i) ui.answerButton(IDOK);
  TCrdList list;
  ReadIndexText(list, text, nullptr, -1);
  if (messages) *messages = ui.messageTexts();
  return list;
}

} // namespace

TEST(IndexText, HeaderVersions) {
  struct Case {
    const char *line;
    int version;
  } cases[] = {
      {"<~QEL MORAVINE QEL FILE VERSION~>3", 3},
      {"<~QEL MORAVINE QEL FILE VERSION~>2", 2},
      {"<~QEL MORAVINE QEL FILE VERSION~>$10", 16},
      {"<~QEL MORAVINE QEL FILE VERSION~>x", 0},
      {"<~QEL MORAVINE QEL FILE VERSION~>", 0},
      {"VR3KT Another moravine - text", 2},
      {"VR3KT Another moravine \t ", 1},
      {"VR3KT Another moravine", 1},
      {"<~TITLE~>x", 0},
      {"", 0},
  };
  for (const Case &c : cases) EXPECT_EQ(FileVersionOfHeader(QString::fromLatin1(c.line)), c.version) << c.line;
}

TEST(IndexText, MinimalBlockHasFiveLines) {
  TCrdList list;
  list.AddCrd(plainCard("Hello"));
  EXPECT_EQ(IndexText(list), kHeader + "<~TITLE~>Hello\r\n<~UID~>45000-5\r\n<~ADR~>10\r\n<~SIZ~>20\r\n\r\n");
}

TEST(IndexText, FullBlockUnderADecimalCommaLocale) {
  QLocale saved;
  QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
  const char *cLocale = std::setlocale(LC_ALL, "de_DE.UTF-8");
  auto c = plainCard("Tom & Jerry");
  c->PUID = "P-1";
  c->ADR = -5;
  c->SIZ = 123;
  c->Color = 16777215;
  c->Created = 39345.5;
  c->LastOpen = 39345.75;
  c->Phone = "+1 555";
  TCrdList list;
  list.AddCrd(c);
  const QByteArray expected = kHeader +
                              "<~TITLE~>Tom & Jerry\r\n<~UID~>45000-5\r\n<~PUID~>P-1\r\n<~ADR~>-5\r\n<~SIZ~>123\r\n"
                              "<~COLOR~>16777215\r\n<~CREATED~>39345.5000000000\r\n<~LAST OPEN~>39345.7500000000\r\n"
                              "<~PHONE~>+1 555\r\n\r\n";
  EXPECT_EQ(IndexText(list), expected);
  // And it reads back the same under that locale.
  TCrdList back = readIndex(expected);
  ASSERT_EQ(back.Count(), 1);
  EXPECT_EQ(back.Objects(0)->Created, 39345.5);
  EXPECT_EQ(back.Objects(0)->LastOpen, 39345.75);
  if (cLocale) std::setlocale(LC_ALL, "C");
  QLocale::setDefault(saved);
}

TEST(IndexText, RoundTripOfEveryField) {
  TCrdList list;
  for (int i = 0; i < 3; ++i) {
    auto c = NewCrd();
    c->Title = QStringLiteral("<~UID~>card %1").arg(i);  // a title that looks like a tag
    c->PUID = i == 1 ? "puid" : "";
    c->ADR = i * 100;
    c->SIZ = 100;
    c->Color = i == 2 ? -2147483647 - 1 : kNoColor;
    c->LastOpen = i == 0 ? 0 : 45123.0123456789;
    c->Phone = i == 2 ? "555-1234" : "";
    list.AddCrd(c);
  }
  TCrdList back = readIndex(IndexText(list));
  ASSERT_EQ(back.Count(), 3);
  for (int i = 0; i < 3; ++i) {
    const TCrd &a = *list.Objects(i), &b = *back.Objects(i);
    EXPECT_EQ(back.Strings(i), a.Title);
    EXPECT_EQ(b.Title, a.Title);
    EXPECT_EQ(b.UID, a.UID);
    EXPECT_EQ(b.PUID, a.PUID);
    EXPECT_EQ(b.ADR, a.ADR);
    EXPECT_EQ(b.SIZ, a.SIZ);
    EXPECT_EQ(b.Color, a.Color);
    EXPECT_NEAR(b.Created, a.Created, 1e-10);
    EXPECT_NEAR(b.LastOpen, a.LastOpen, 1e-10);
    EXPECT_EQ(b.Phone, a.Phone);
  }
}

TEST(IndexText, TextFieldsBeyondTheCodePage) {
  struct Case {
    QString title;
    bool utf8;
  } cases[] = {
      {QString::fromUtf8("Café €"), false},
      {QString::fromUtf8("Καλημέρα"), true},
      {QString::fromUtf8("Ã©"), true},  // legacy bytes that would pass for UTF-8
      {QStringLiteral("plain"), false},
  };
  for (const Case &c : cases) {
    TCrdList list;
    list.AddCrd(plainCard("ascii"));
    list.AddCrd(plainCard(c.title));
    list.Objects(0)->Phone = QString::fromUtf8("№ 5");  // fits only when the file is UTF-8
    if (!c.utf8) list.Objects(0)->Phone = QStringLiteral("5");
    const QByteArray text = IndexText(list);
    EXPECT_EQ(isUtf8WithNonAscii(text), c.utf8) << c.title.toStdString();
    if (!c.utf8 && c.title != "plain") {
      EXPECT_TRUE(text.contains(encodeLegacy(c.title))) << c.title.toStdString();
    }
    TCrdList back = readIndex(text);
    ASSERT_EQ(back.Count(), 2);
    EXPECT_EQ(back.Objects(1)->Title, c.title);
    EXPECT_EQ(back.Strings(1), c.title);
    EXPECT_EQ(back.Objects(0)->Phone, list.Objects(0)->Phone);
  }
}

// Legacy text whose bytes are valid UTF-8 ("\u00c3\u00a9" is C3 A9), with no
// other field that needs UTF-8: the file is written as UTF-8 so that it does
// not read back as "\u00e9".
TEST(IndexText, LegacyTextThatLooksLikeUtf8ReadsBackUnchanged) {
  TCrdList list;
  list.AddCrd(plainCard(QString::fromUtf8("\u00c3\u00a9 caf\u00c3\u00a9")));
  list.Objects(0)->Phone = QString::fromUtf8("\u00c3\u00a9");
  list.AddCrd(plainCard("plain"));
  const QByteArray text = IndexText(list);
  TCrdList back = readIndex(text);
  ASSERT_EQ(back.Count(), 2);
  EXPECT_EQ(back.Objects(0)->Title, list.Objects(0)->Title);
  EXPECT_EQ(back.Objects(0)->Phone, list.Objects(0)->Phone);
  EXPECT_EQ(back.Objects(1)->Title, "plain");
}

// No line of card-file text may be longer than a field can be; line ends
// are CR LF, LF or CR alone.
// Read in pieces, the text is still judged whole: bytes beyond ASCII in one
// piece decide how every piece's fields read, and a line too long in a late
// piece is named by its number in the whole text.
TEST(IndexText, PiecesAreJudgedAsOneText) {
  ScriptedUi ui;
  auto text = [](const QByteArray &firstTitle, const QByteArray &lastTitle, const QByteArray &lateLine) {
    QByteArray t = kHeader;
    for (int i = 0; i < 300; ++i) {
      const QByteArray title = i == 0 ? firstTitle : i == 299 ? lastTitle : "card " + QByteArray::number(i);
      t += "<~TITLE~>" + title + "\r\n<~SIZ~>1\r\n" + (i == 250 ? lateLine : QByteArray()) + "\r\n";
    }
    return t;
  };
  const QString cafe = QString::fromUtf8("caf\xC3\xA9");
  struct Case {
    QByteArray first, last;
    QString firstRead, lastRead;
  } cases[] = {
      {"card 0", "caf\xC3\xA9", "card 0", cafe},                                          // UTF-8 in the last piece only
      {"caf\xE9", "caf\xC3\xA9", cafe, QString::fromUtf8("caf\xC3\x83\xC2\xA9")},  // legacy first: all legacy
  };
  for (const Case &c : cases)
    for (qsizetype chunk : {qsizetype(0), qsizetype(97)}) {
      TCrdList list;
      ReadIndexText(list, text(c.first, c.last, {}), nullptr, MergeAdd, chunk);
      ASSERT_EQ(list.Count(), 300);
      EXPECT_EQ(list.Strings(0), c.firstRead) << chunk;
      EXPECT_EQ(list.Strings(299), c.lastRead) << chunk;
    }
  for (qsizetype chunk : {qsizetype(0), qsizetype(97)}) {
    TCrdList list;
    try {
      ReadIndexText(list, text("a", "b", "<~PHONE~>" + QByteArray(kMaxFieldLineBytes + 1, '5') + "\n"), nullptr,
                    MergeAdd, chunk);
      ADD_FAILURE() << "read in pieces of " << chunk;
    } catch (const ECardError &e) {
      EXPECT_EQ(e.message(), "The index is damaged: its line 754 is longer than 65536 bytes.") << chunk;
    }
  }
}

TEST(IndexText, OverlongLinesAreFoundWhateverTheLineEnds) {
  const QByteArray full(kMaxFieldLineBytes, 'x'), over(kMaxFieldLineBytes + 1, 'x');
  struct Case {
    QByteArray text;
    qsizetype line;
  } cases[] = {
      {"", 0},
      {"a\r\nb\nc\rd", 0},
      {full, 0},
      {over, 1},
      {"a\r\n" + full + "\r\n" + full, 0},
      {"a\r\nb\r\n" + over + "\r\nc", 3},
      {"a\nb\n" + over, 3},
      {"a\rb\r" + over + "\rc", 3},  // CR alone inside what LF would make one long line
      {"a\r\n\r\n\n\r" + over, 5},
  };
  for (const Case &c : cases)
    EXPECT_EQ(FirstOverlongLine(c.text.constData(), c.text.size()), c.line) << c.text.left(20).constData();
}

// A title line of many megabytes is damage: the index is refused with a
// message naming the line, before any card is built from it.
TEST(IndexText, IndexWithAnOverlongLineIsRefused) {
  TCrdList list;
  list.AddCrd(plainCard("fine"));
  QByteArray text = IndexText(list);
  text += "<~TITLE~>" + QByteArray(8 << 20, 'T') + "\r\n<~SIZ~>1\r\n\r\n";
  TCrdList back;
  try {
    ReadIndexText(back, text, nullptr, MergeAdd);
    FAIL() << "read";
  } catch (const ECardError &e) {
    EXPECT_EQ(e.message(), "The index is damaged: its line 7 is longer than 65536 bytes.");
  }
  EXPECT_EQ(back.Count(), 0);
}

TEST(IndexText, LineBreaksInsideTextFieldsCannotForgeTags) {
  TCrdList list;
  list.AddCrd(plainCard("evil\r\n<~SIZ~>0"));
  TCrdList back = readIndex(IndexText(list));
  ASSERT_EQ(back.Count(), 1);
  EXPECT_EQ(back.Objects(0)->SIZ, 20);
  EXPECT_EQ(back.Objects(0)->Title, "evil  <~SIZ~>0");
}

TEST(IndexText, ReadingRules) {
  const QByteArray text = kHeader +
                          "stray line before any card\r\n<~SIZ~>99\r\n"
                          // Later duplicates win; LF-only and CR-only line ends count.
                          "<~TITLE~>first\n<~SIZ~>5\n<~SIZ~>7\r<~ADR~>$10\r\n<~COLOR~>red\r\n"
                          "<~CREATED~> 1.5e1 \r\n<~LAST OPEN~>12,5\r\n<~UNKNOWN~>x\r\n\r\n"
                          // No SIZ: dropped. SIZ 0 and negative: dropped.
                          "<~TITLE~>no size\r\n<~ADR~>3\r\n\r\n"
                          "<~TITLE~>zero\r\n<~SIZ~>0\r\n\r\n"
                          "<~TITLE~>negative\r\n<~SIZ~>-4\r\n\r\n"
                          // Malformed numbers take the defaults.
                          "<~TITLE~>bad numbers\r\n<~ADR~>12x\r\n<~SIZ~>3\r\n<~COLOR~>\r\n<~PUID~>\r\n"
                          "<~CREATED~>abc\r\n<~LAST OPEN~>1e999\r\n\r\n"
                          // The last block needs no separator line.
                          "<~TITLE~><~UID~>tagged title\r\n<~SIZ~>1";
  const TDateTime before = Now();
  TCrdList list = readIndex(text);
  ASSERT_EQ(list.Count(), 3);

  const TCrd &first = *list.Objects(0);
  EXPECT_EQ(first.Title, "first");
  EXPECT_EQ(first.SIZ, 7);
  EXPECT_EQ(first.ADR, 16);
  EXPECT_EQ(first.Color, kNoColor);
  EXPECT_EQ(first.Created, 15.0);
  EXPECT_EQ(first.LastOpen, 0);
  EXPECT_FALSE(first.UID.isEmpty());  // made when read

  const TCrd &bad = *list.Objects(1);
  EXPECT_EQ(bad.ADR, 0);
  EXPECT_EQ(bad.SIZ, 3);
  EXPECT_EQ(bad.Color, kNoColor);
  EXPECT_EQ(bad.Created, 0);
  EXPECT_EQ(bad.LastOpen, 0);

  const TCrd &tagged = *list.Objects(2);
  EXPECT_EQ(tagged.Title, "<~UID~>tagged title");
  EXPECT_EQ(tagged.ADR, 1);
  // Without a CREATED line the card was stamped when it was read.
  EXPECT_GE(tagged.Created, before - 1e-6);
  EXPECT_LE(tagged.Created, Now() + 1e-6);
  EXPECT_EQ(tagged.UID, StampToUID(tagged.Created));
  EXPECT_NE(first.UID, tagged.UID);
}

TEST(IndexText, WrongOrMissingVersion) {
  const QByteArray block = "<~TITLE~>card\r\n<~SIZ~>4\r\n\r\n";
  struct Case {
    QByteArray text;
    bool message;
    int cards;
  } cases[] = {
      {kHeader + block, false, 1},
      {"<~QEL MORAVINE QEL FILE VERSION~>2\r\n" + block, true, 1},
      {block, true, 1},  // the first line is a title line: read as a card too
      {"garbage\r\n" + block, true, 1},
      {"", true, 0},     // no line at all
      {"\r\n", true, 0},
  };
  for (const Case &c : cases) {
    QStringList messages;
    TCrdList list = readIndex(c.text, &messages, c.message ? 1 : 0);
    EXPECT_EQ(messages, c.message ? QStringList{"incorrect file version"} : QStringList()) << c.text.toStdString();
    EXPECT_EQ(list.Count(), c.cards) << c.text.toStdString();
  }
}

TEST_F(CardStoreTest, IndexFileWriteReadAndMerge) {
  // Opening: the written file reads back; merging: cards go through the merge rule.
  TCrdList list;
  for (const char *title : {"alpha", "beta"}) {
    auto c = card(title, QByteArray("body of ") + title);
    c->LastOpen = 100;
    list.AddCrd(c);
  }
  const QString index = dir + "/cards.~i";
  WriteIndexFile(list, index);
  EXPECT_EQ(fileBytes(index), IndexText(list));
  TCrdList opened;
  EXPECT_EQ(ReadIndexFile(opened, index, nullptr, -1), 3);
  ASSERT_EQ(opened.Count(), 2);
  EXPECT_EQ(opened.Objects(1)->BodyBytes(), "body of beta");

  // Merge into a list holding "ALPHA" (newer) with the body file as source.
  TBodyFile source(dir + "/merged.~h");
  ASSERT_TRUE(QFile::copy(CurrentBodyFileName(), source.path()));
  TCrdList target;
  auto mine = card("ALPHA", "mine");
  mine->LastOpen = 200;
  target.AddCrd(mine);
  ReadIndexFile(target, index, &source, MergeKeepRecent);
  ASSERT_EQ(target.Count(), 2);
  EXPECT_EQ(target.Objects(0), mine.get());
  EXPECT_EQ(target.Objects(1)->Title, "beta");
  EXPECT_EQ(target.Objects(1)->BodyBytes(), "body of beta");

  EXPECT_THROW(ReadIndexFile(opened, dir + "/missing.~i", nullptr, -1), ECardError);
  EXPECT_THROW(WriteIndexFile(list, dir + "/no/such/dir/x.~i"), ECardError);
}

TEST(IndexText, TimesAreWrittenAsFloatToFixedWritesThem) {
  for (double v : {39345.5, 39345.75, 45123.0123456789, -1.25, -1e-12, 1e-12, 0.99999999999, 2958465.9999999999,
                   123456789012.5, 1e250}) {
    auto c = plainCard("t");
    c->Created = v;
    QByteArray entry;
    WriteIndexEntry(*c, entry, false);
    EXPECT_TRUE(entry.contains("\r\n<~CREATED~>" + FloatToFixed(v, 10).toLatin1() + "\r\n")) << v;
  }
}

TEST_F(CardStoreTest, MergeOfADamagedFileIsRefusedWhole) {
  TBodyFile source(dir + "/merged.~h");
  source.reset();
  qint32 adr, siz;
  source.append("0123456789", adr, siz);
  TCrdList target;
  target.AddCrd(card("mine", "mine"));
  const QByteArray text = kHeader +
                          "<~TITLE~>good\r\n<~ADR~>0\r\n<~SIZ~>4\r\n\r\n"
                          "<~TITLE~>bad\r\n<~ADR~>8\r\n<~SIZ~>4\r\n\r\n";
  EXPECT_THROW(ReadIndexText(target, text, &source, MergeAddAsNew), ECardError);
  ASSERT_EQ(target.Count(), 1);
  EXPECT_EQ(target.Strings(0), "mine");
  const qint64 bodySize = CurrentBodyFile().size();
  // With the bad block fixed the merge goes through and copies the bytes.
  ReadIndexText(target, QByteArray(text).replace("<~ADR~>8", "<~ADR~>6"), &source, MergeAddAsNew);
  ASSERT_EQ(target.Count(), 3);
  EXPECT_EQ(target.Objects(2)->BodyBytes(), "6789");
  EXPECT_EQ(CurrentBodyFile().size(), bodySize + 8);
}

TEST(IndexText, ParseIndexLine) {
  TCrd c(1.0, "u");
  ParseIndexLine(c, QString::fromUtf8("<~TITLE~>Καλημέρα"));
  ParseIndexLine(c, "<~SIZ~>12");
  ParseIndexLine(c, "<~COLOR~>$FF");
  ParseIndexLine(c, "<~LAST OPEN~>2.25");
  ParseIndexLine(c, " <~ADR~>5");  // a tag counts only at the line's start
  ParseIndexLine(c, "");
  EXPECT_EQ(c.Title, QString::fromUtf8("Καλημέρα"));
  EXPECT_EQ(c.SIZ, 12);
  EXPECT_EQ(c.Color, 255);
  EXPECT_EQ(c.LastOpen, 2.25);
  EXPECT_EQ(c.ADR, 1);
  EXPECT_EQ(c.UID, "u");
}

// An index read in many pieces side by side gives the cards and fields that
// reading it front to back gives, whatever the line ends, for blocks without
// UID or with SIZ 0, tags inside lines, and text before the first block; the
// stamp counter ends where it would.
TEST(IndexText, ReadInPiecesEqualsReadWhole) {
  QByteArray text = kHeader + "stray line\r\n<~SIZ~>99\r\n";
  const char *ends[] = {"\r\n", "\n", "\r"};
  for (int i = 0; i < 600; ++i) {
    const char *eol = ends[i % 3];
    text += "<~TITLE~>card " + QByteArray::number(i) + (i % 7 == 0 ? " <~TITLE~>inside" : "") + eol;
    if (i % 5) text += "<~UID~>45000-" + QByteArray::number(i) + eol;
    text += "<~ADR~>" + QByteArray::number(i * 10) + eol;
    text += "<~SIZ~>" + QByteArray::number(i % 11 == 0 ? 0 : 10) + eol;
    if (i % 3 == 0) text += "<~CREATED~>30000." + QByteArray::number(i) + eol;
    text += eol;
  }
  // Stamps hold the time of the reading: only the fields read from the text are compared.
  auto fields = [](const TCrdList &list) {
    QStringList out;
    for (const auto &item : list.Items()) {
      const TCrd &c = *item.card;
      out << QStringLiteral("%1|%2|%3|%4|%5")
                 .arg(c.Title, c.UID.startsWith(QLatin1String("45000-")) ? c.UID : QString())
                 .arg(c.ADR)
                 .arg(c.SIZ)
                 .arg(c.Created < 40000 ? c.Created : 0, 0, 'g', 17);
    }
    return out;
  };
  ScriptedUi ui;
  SetStampCounter(9990);
  TCrdList whole;
  ReadIndexText(whole, text, nullptr, -1, 0);
  const qint32 counterAfterWhole = StampCounter();
  EXPECT_EQ(whole.Count(), 600 - 55);
  EXPECT_EQ(whole.Strings(0), QStringLiteral("card 1"));
  for (qsizetype chunk : {qsizetype(1), qsizetype(97), qsizetype(4096)}) {
    SetStampCounter(9990);
    TCrdList pieces;
    ReadIndexText(pieces, text, nullptr, -1, chunk);
    EXPECT_EQ(StampCounter(), counterAfterWhole) << chunk;
    EXPECT_EQ(fields(pieces), fields(whole)) << chunk;
  }
}
