// The import readers: ".crd" files built from the card-index layout in the
// test, and the delimited and paragraph rules as tables.

#include "cards/carderror.h"
#include "cards/textimport.h"
#include "platform/codepage.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace qel;

namespace {

struct CrdCard {
  QByteArray title;
  QByteArray text;
  QByteArray picture = {};  // empty: no picture
};

void put16(QByteArray &d, int v) {
  d.append(char(v & 0xFF));
  d.append(char((v >> 8) & 0xFF));
}

void put32(QByteArray &d, quint32 v) {
  for (int i = 0; i < 4; ++i) d.append(char((v >> (8 * i)) & 0xFF));
}

// A ".crd" file as the card-index program writes it; `count` overrides the stored count.
QByteArray crd(const QList<CrdCard> &cards, int count = -1) {
  QByteArray d("MGC");
  put16(d, count < 0 ? int(cards.size()) : count);
  quint32 offset = quint32(5 + 52 * cards.size());
  QByteArray data;
  for (const CrdCard &c : cards) {
    d.append(QByteArray(6, '\0'));
    put32(d, offset + quint32(data.size()));
    d.append('\0');
    QByteArray title = c.title.left(40);
    title.append(QByteArray(41 - title.size(), '\0'));
    d.append(title);
    put16(data, int(c.picture.size()));
    if (!c.picture.isEmpty()) {
      for (int v : {32, 16, 4, 5}) put16(data, v);
      data.append(c.picture);
    }
    put16(data, int(c.text.size()));
    data.append(c.text);
  }
  return d + data;
}

QList<TImportCard> cards(std::initializer_list<std::pair<const char *, const char *>> list) {
  QList<TImportCard> out;
  for (const auto &[t, b] : list) out.append({QString::fromUtf8(t), QString::fromUtf8(b)});
  return out;
}

TEST(CrdImport, ReadsCardsAsTheLayoutHoldsThem) {
  EXPECT_TRUE(ParseMGCData(crd({}), "empty.crd").isEmpty());
  EXPECT_EQ(ParseMGCData(crd({{"Same", "one\r\ntwo"}, {"Same", "three"}}), "f.crd"),
            cards({{"Same", "one\r\ntwo"}, {"Same", "three"}}));
  // A picture is skipped and the card's text read; text ends at a zero byte.
  EXPECT_EQ(ParseMGCData(crd({{"Pic", "after picture", QByteArray(300, '\x7F')}, {"Z", QByteArray("ab\0cd", 5)}}), "f.crd"),
            cards({{"Pic", "after picture"}, {"Z", "ab"}}));
  // Titles and text in the legacy code page.
  EXPECT_EQ(ParseMGCData(crd({{"\x80 \xC4", "\xDF"}}), "f.crd"), cards({{"\u20AC \u00C4", "\u00DF"}}));
}

TEST(CrdImport, ABadFileIsNamedAndGivesNothing) {
  const QByteArray good = crd({{"a", "text a"}, {"b", "text b"}});
  QByteArray pastEnd = good;
  pastEnd[5 + 52 + 9] = char(0x7F);  // the second card's offset far past the end
  QByteArray textTooLong = crd({{"a", "xyz"}});
  textTooLong.chop(1);
  QByteArray pictureTooLong = crd({{"a", "t", QByteArray(10, 'p')}});
  pictureTooLong.truncate(5 + 52 + 2 + 8 + 5);
  // Every card pointing at the first one's text: each lies within the file,
  // but together they would read as far more than the file holds.
  const QByteArray text(200, 't');
  QByteArray shared = crd({{"a", text}, {"b", text}, {"c", text}});
  for (int i : {1, 2})
    for (int k = 0; k < 4; ++k) shared[5 + 52 * i + 6 + k] = shared[5 + 6 + k];
  shared.truncate(5 + 3 * 52 + 2 + 2 + 200);
  const struct {
    const char *name;
    QByteArray data;
  } bad[] = {
      {"short header", QByteArray("MGC\x01")},
      {"no signature", QByteArray("XYZ\0\0", 5)},
      {"count larger than the file", crd({{"a", "b"}}, 3)},
      {"offset past the end", pastEnd},
      {"truncated text", textTooLong},
      {"truncated picture", pictureTooLong},
      {"truncated index", good.left(5 + 52 + 20)},
      {"cards sharing their text", shared},
  };
  for (const auto &b : bad) {
    try {
      ParseMGCData(b.data, "/x/cards.crd");
      ADD_FAILURE() << b.name << ": read";
    } catch (const ECardError &e) {
      EXPECT_TRUE(e.message().contains("/x/cards.crd")) << b.name;
    }
  }
}

TEST(CrdImport, FilesAreReadReadOnly) {
  QTemporaryDir dir;
  const QString path = dir.filePath("ro.crd");
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(crd({{"a", "b"}}));
  f.close();
  QFile::setPermissions(path, QFile::ReadOwner);
  EXPECT_TRUE(IsMGCFile(path));
  EXPECT_EQ(ReadMGCFile(path), cards({{"a", "b"}}));
  EXPECT_FALSE(IsMGCFile(dir.filePath("missing.crd")));
  EXPECT_THROW(ReadMGCFile(dir.filePath("missing.crd")), ECardError);
}

TEST(TextImport, Delimited) {
  const struct {
    const char *line;
    const char *delimiter;
    const char *title;
    const char *body;
  } cases[] = {
      {"a,b,c", ",", "a", "b\r\nc"},
      {"AXbxc", "x", "A", "b\r\nc"},      // found without regard to case
      {"AxbXc", "x", "A", "bXc"},         // replaced exactly
      {"no delimiter", ",", "no delimiter", ""},
      {"", ",", "", ""},
      {",body", ",", "", "body"},
      {"t\tb1\tb2", "\t", "t", "b1\r\nb2"},
      {"a::b::c", "::", "a", "b\r\nc"},
      {"whole line", "", "whole line", ""},
  };
  for (const auto &c : cases) {
    const QList<TImportCard> got = ParseDelimitedText({QString::fromUtf8(c.line)}, QString::fromUtf8(c.delimiter));
    ASSERT_EQ(got.size(), 1);
    EXPECT_EQ(got[0].Title, c.title) << c.line;
    EXPECT_EQ(got[0].Body, c.body) << c.line;
  }
}

TEST(TextImport, Paragraphs) {
  EXPECT_EQ(ParseParagraphText({"T1", "b1", "", "T2", "b2", "b3"}),
            cards({{"T1", "T1\r\nb1"}, {"T2", "T2\r\nb2\r\nb3"}}));  // the last one without a blank line after it
  // Two blank lines in a row: a card titled by the second, with an empty body.
  EXPECT_EQ(ParseParagraphText({"T1", "", " \t", "T2"}), cards({{"T1", "T1"}, {" \t", ""}, {"T2", "T2"}}));
  // A file starting blank: a first card with a blank title and an empty body.
  EXPECT_EQ(ParseParagraphText({"", "T"}), cards({{"", ""}, {"T", "T"}}));
  EXPECT_TRUE(ParseParagraphText({}).isEmpty());
}

TEST(TextImport, EncodingsAndLines) {
  EXPECT_EQ(DecodeTextFile("\xEF\xBB\xBF\xE2\x82\xAC \xCE\xA9"), "\u20AC \u03A9");
  EXPECT_EQ(DecodeTextFile("\xE2\x82\xAC \xCE\xA9"), "\u20AC \u03A9");
  EXPECT_EQ(DecodeTextFile("\x80 \xC4"), "\u20AC \u00C4");  // not UTF-8: the legacy code page
  EXPECT_EQ(DecodeTextFile("plain"), "plain");
  EXPECT_EQ(TextFileLines("a\r\nb\nc\rd\r\n"), (QStringList{"a", "b", "c", "d"}));
  EXPECT_EQ(TextFileLines("a\r\n\r\nb"), (QStringList{"a", "", "b"}));
  EXPECT_TRUE(TextFileLines("").isEmpty());
}

} // namespace
