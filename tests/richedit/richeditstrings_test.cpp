#include "richedit/richeditstrings.h"

#include "platform/richedit/formatrecords.h"
#include "platform/richedit/richeditcontrol.h"
#include "platform/richedit/rtfreader.h"
#include "tests/support/testenv.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QFile>
#include <QTextBlock>

using namespace qel;
using namespace qel::re;

namespace {

void installReader() {
  RichEditControl::setRtfReader([](const QByteArray &rtf, QTextCursor &c) { return insertRtf(rtf, c); },
                                [](const QByteArray &rtf, QTextDocument *d) { return readRtf(rtf, d); });
}

const QByteArray kBoldRtf = "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\pard\\plain a {\\b bold} word\\par\r\n}\r\n";

struct Editor {
  Editor() : lines(control) { installReader(); }
  bool firstCharBold(int pos) {
    control.setSel(pos, pos + 1);
    return (control.charFormat(SCF_SELECTION).effects & CFE_BOLD) != 0;
  }
  RichEditControl control;
  TRichEditStrings lines;
};

// Hands out the stream in pieces of a fixed size.
class SmallChunks : public TConversion {
public:
  explicit SmallChunks(qint64 size) : size_(size) {}
  qint64 ConvertReadStream(QIODevice &stream, char *buffer, qint64 size) override {
    return TConversion::ConvertReadStream(stream, buffer, qMin(size, size_));
  }

private:
  qint64 size_;
};

class Failing : public TConversion {
public:
  qint64 ConvertReadStream(QIODevice &, char *, qint64) override { throw std::runtime_error("broken"); }
  qint64 ConvertWriteStream(QIODevice &, const char *, qint64) override { return 0; }
};

} // namespace

TEST(RichEditStrings, LoadsInTheOtherFormatWhenTheFirstFails) {
  struct Case {
    TRichStreamFormat format;
    TRichStreamModes mode;
    QByteArray data;
    bool rich;
    QString text;
  };
  const Case cases[] = {
      {TRichStreamFormat::sfDefault, 0, kBoldRtf, true, "a bold word\r\n"},
      {TRichStreamFormat::sfPlainText, 0, kBoldRtf, true, "a bold word\r\n"},       // RTF stays RTF
      {TRichStreamFormat::sfPlainText, smUnicode, kBoldRtf, true, "a bold word\r\n"},
      {TRichStreamFormat::sfRichText, smPlainRtf, "plain {\\b text}\r\n", false, "plain {\\b text}\r\n"},
      // A plain body that mentions "{\rtf" is not RTF.
      {TRichStreamFormat::sfRichText, 0, "see {\\rtf1 here\r\n", false, "see {\\rtf1 here\r\n"},
      {TRichStreamFormat::sfDefault, 0, " {\\rtf1 x}", false, " {\\rtf1 x}\r\n"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.data.constData());
    Editor e;
    e.lines.SetStreamFormat(c.format);
    e.lines.SetStreamMode(c.mode);
    e.lines.LoadFromBytes(c.data);
    int s = -1, end = -1;
    e.control.getSel(s, end);
    EXPECT_EQ(s, 0);
    EXPECT_EQ(end, 0);
    EXPECT_EQ(e.lines.Text(), c.text);
    EXPECT_EQ(e.firstCharBold(2), c.rich);
    EXPECT_EQ(e.lines.StreamFormat(), c.format);  // the retry leaves the format alone
  }
}

TEST(RichEditStrings, PlainTextLineBreaksBecomeCrLf) {
  struct Case {
    QByteArray data;
    int count;
    QString text;
    QByteArray saved;
  };
  const Case cases[] = {
      {"a\nb\nc", 3, "a\r\nb\r\nc\r\n", "a\r\nb\r\nc"},
      {"a\rb\rc\r", 3, "a\r\nb\r\nc\r\n", "a\r\nb\r\nc\r\n"},
      {"a\r\n\r\nb\n\rc", 5, "a\r\n\r\nb\r\n\r\nc\r\n", "a\r\n\r\nb\r\n\r\nc"},
      {QByteArray("\0\r\n", 3), 0, "", ""},  // the stored empty body
      {QByteArray("a\0b\r\n", 5), 1, "ab\r\n", "ab\r\n"},
      {"", 0, "", ""},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.data.toHex().constData());
    Editor e;
    e.lines.SetStreamFormat(TRichStreamFormat::sfPlainText);
    e.lines.LoadFromBytes(c.data);
    EXPECT_EQ(e.lines.Count(), c.count);
    EXPECT_EQ(e.lines.Text(), c.text);
    EXPECT_EQ(e.lines.SaveToBytes(), c.saved);
  }
  EXPECT_EQ(NormalizePlainText("a\rb\nc\r\nd"), "a\r\nb\r\nc\r\nd");
  const QString utf16 = QStringLiteral("x\ry\n\u010d");
  const QByteArray u(reinterpret_cast<const char *>(utf16.utf16()), utf16.size() * 2);
  const QString back = QString::fromUtf16(reinterpret_cast<const char16_t *>(NormalizePlainTextUtf16(u).constData()),
                                          NormalizePlainTextUtf16(u).size() / 2);
  EXPECT_EQ(back, QStringLiteral("x\r\ny\r\n\u010d"));
}

TEST(RichEditStrings, CrLfSplitByAChunkBoundaryStaysOneBreak) {
  for (qint64 chunk : {1, 2, 3}) {
    Editor e;
    e.lines.SetConverter(std::make_unique<SmallChunks>(chunk));
    e.lines.SetStreamFormat(TRichStreamFormat::sfPlainText);
    e.lines.LoadFromBytes("ab\r\ncd\r\nef\r\n");
    EXPECT_EQ(e.lines.Count(), 3) << chunk;
    EXPECT_EQ(e.lines.Text(), "ab\r\ncd\r\nef\r\n");
    // RTF read in pieces is the same RTF.
    e.lines.SetStreamFormat(TRichStreamFormat::sfRichText);
    e.lines.LoadFromBytes(kBoldRtf);
    EXPECT_TRUE(e.firstCharBold(2));
  }
}

TEST(RichEditStrings, StreamErrors) {
  Editor e;
  e.lines.SetConverter(std::make_unique<Failing>());
  try {
    e.lines.LoadFromBytes(kBoldRtf);
    FAIL() << "no error";
  } catch (const EOutOfResources &x) {
    EXPECT_EQ(x.message(), QStringLiteral("Failed to Load Stream"));
  }
  e.lines.SetConverter(nullptr);
  e.lines.LoadFromBytes("text");
  e.lines.SetConverter(std::make_unique<Failing>());
  try {
    e.lines.SaveToBytes();
    FAIL() << "no error";
  } catch (const EOutOfResources &x) {
    EXPECT_EQ(x.message(), QStringLiteral("Failed to Save Stream"));
  }
}

TEST(RichEditStrings, SaveFormatsAndModes) {
  Editor e;
  e.lines.LoadFromBytes(kBoldRtf);
  EXPECT_TRUE(e.lines.SaveToBytes().startsWith("{\\rtf1"));
  e.lines.SetStreamFormat(TRichStreamFormat::sfPlainText);
  EXPECT_EQ(e.lines.SaveToBytes(), "a bold word");  // one paragraph: no break after it
  e.lines.SetStreamMode(smUnicode);
  const QString u = QStringLiteral("a bold word");
  EXPECT_EQ(e.lines.SaveToBytes(), QByteArray(reinterpret_cast<const char *>(u.utf16()), u.size() * 2));
  e.lines.SetStreamMode(smSelection);
  e.control.setSel(2, 6);
  EXPECT_EQ(e.lines.SaveToBytes(), "bold");
  e.lines.SetStreamFormat(TRichStreamFormat::sfRichText);
  const QByteArray sel = e.lines.SaveToBytes();
  EXPECT_TRUE(sel.contains("\\b bold}") && !sel.contains("word")) << sel.constData();

  // Flags of the transfer.
  e.lines.SetStreamMode(smSelection | smPlainRtf | smNoObjects);
  EXPECT_EQ(e.lines.StreamFlags(false), SF_RTF | SFF_SELECTION | SFF_PLAINRTF);
  EXPECT_EQ(e.lines.StreamFlags(true), SF_RTFNOOBJS | SFF_SELECTION | SFF_PLAINRTF);
  e.lines.SetStreamFormat(TRichStreamFormat::sfDefault);
  e.lines.SetStreamMode(smUnicode | smNoObjects);
  EXPECT_EQ(e.lines.StreamFlags(true), SF_RTFNOOBJS);
  e.lines.SetStreamFormat(TRichStreamFormat::sfPlainText);
  EXPECT_EQ(e.lines.StreamFlags(true), SF_TEXT | SF_UNICODE);
  e.lines.SetVersion(1);
  EXPECT_EQ(e.lines.StreamFlags(true), SF_TEXT);
}

TEST(RichEditStrings, StoredCardReloadsToTheSameBytes) {
  Editor a, b;
  a.lines.LoadFromBytes(kBoldRtf);
  const QByteArray saved = a.lines.SaveToBytes();
  b.lines.LoadFromBytes(saved);
  EXPECT_EQ(b.lines.SaveToBytes(), saved);
  EXPECT_TRUE(b.firstCharBold(2));
  EXPECT_EQ(b.lines.Count(), 1);
}

TEST(RichEditStrings, FilesByExtension) {
  const QString dir = test::freshDir(QStringLiteral("lines-files"));
  Editor e;
  e.lines.LoadFromBytes(kBoldRtf);
  e.lines.SaveToFile(dir + "/card.RTF");
  e.lines.SaveToFile(dir + "/card.txt");
  e.lines.SaveToFile(dir + "/card.other");  // unknown: the current format (RTF here)
  EXPECT_EQ(e.lines.StreamFormat(), TRichStreamFormat::sfDefault);
  auto read = [&](const QString &name) {
    QFile f(dir + "/" + name);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly));
    return f.readAll();
  };
  EXPECT_TRUE(read("card.RTF").startsWith("{\\rtf1"));
  EXPECT_EQ(read("card.txt"), "a bold word");
  EXPECT_TRUE(read("card.other").startsWith("{\\rtf1"));
  EXPECT_NE(e.lines.Converter(), nullptr);  // kept from the first file format

  Editor f;
  f.lines.LoadFromFile(dir + "/card.txt");
  EXPECT_EQ(f.lines.Text(), "a bold word\r\n");
  EXPECT_FALSE(f.firstCharBold(2));
  f.lines.LoadFromFile(dir + "/card.RTF");
  EXPECT_TRUE(f.firstCharBold(2));
  EXPECT_THROW(f.lines.LoadFromFile(dir + "/missing.txt"), EFileStreamError);
  EXPECT_EQ(f.lines.Converter(), nullptr);  // dropped by the failure
  EXPECT_THROW(f.lines.SaveToFile(dir + "/no/such/folder/x.txt"), EFileStreamError);
  EXPECT_FALSE(QFile::exists(dir + "/no/such/folder/x.txt"));
  EXPECT_EQ(f.lines.StreamFormat(), TRichStreamFormat::sfDefault);
}

TEST(RichEditStrings, LineOperations) {
  Editor e;
  EXPECT_EQ(e.lines.Count(), 0);
  e.lines.Add("one");
  e.lines.Add("two");
  EXPECT_EQ(e.lines.ToStringList(), QStringList({"one", "two"}));
  e.lines.Insert(0, "zero");
  e.lines.Insert(3, "three");  // past the last line: appended
  EXPECT_EQ(e.lines.ToStringList(), QStringList({"zero", "one", "two", "three"}));
  e.lines.Put(1, "ONE");
  e.lines.Delete(2);
  EXPECT_EQ(e.lines.ToStringList(), QStringList({"zero", "ONE", "three"}));
  e.lines.Delete(2);  // the last line
  EXPECT_EQ(e.lines.ToStringList(), QStringList({"zero", "ONE"}));
  e.lines.Insert(9, "far");  // neither the line nor the one before it: nothing
  e.lines.Put(9, "far");
  e.lines.Delete(9);
  EXPECT_EQ(e.lines.Count(), 2);

  // No length limit on a line.
  const QString longLine(10000, QChar('x'));
  e.lines.Put(0, longLine);
  EXPECT_EQ(e.lines.Get(0), longLine);

  e.lines.SetText("a\r\nb\r\n");
  EXPECT_EQ(e.lines.Count(), 2);  // the empty last line is not counted
  EXPECT_EQ(e.lines.Get(1), "b");
  e.lines.AddStrings({"c", "d"});
  EXPECT_EQ(e.lines.Text(), "a\r\nb\r\nc\r\nd\r\n");

  e.control.setModified(true);
  e.lines.Clear();
  EXPECT_EQ(e.lines.Count(), 0);
  EXPECT_FALSE(e.control.isModified());

  // The old library inserts with CR LF and checks where the caret ended.
  e.lines.SetVersion(1);
  e.lines.Add("v1");
  e.lines.Add("v1b");
  EXPECT_EQ(e.lines.ToStringList(), QStringList({"v1", "v1b"}));
}

TEST(RichEditStrings, LinesUpdatingHookBracketsReplacements) {
  Editor e;
  QList<bool> calls;
  e.lines.SetLinesUpdatingHook([&](bool on) { calls << on; });
  e.lines.Add("x");
  e.lines.Put(0, "y");
  e.lines.Delete(0);
  EXPECT_EQ(calls, QList<bool>({true, false, true, false, true, false}));
}

// A converter of its own, registered for an extension of its own.
class Rot13 : public TConversion {
public:
  static char rot(char c) {
    if (c >= 'a' && c <= 'z') return char('a' + (c - 'a' + 13) % 26);
    return c;
  }
  qint64 ConvertReadStream(QIODevice &stream, char *buffer, qint64 size) override {
    const qint64 n = TConversion::ConvertReadStream(stream, buffer, size);
    for (qint64 i = 0; i < n; ++i) buffer[i] = rot(buffer[i]);
    return n;
  }
  qint64 ConvertWriteStream(QIODevice &stream, const char *buffer, qint64 size) override {
    QByteArray b(buffer, size);
    for (char &c : b) c = rot(c);
    return TConversion::ConvertWriteStream(stream, b.constData(), size);
  }
};

TEST(RichEditStrings, RegisteredConversionFormat) {
  RegisterConversionFormat(QStringLiteral("R13"), true, [] { return std::make_unique<Rot13>(); });
  ASSERT_NE(FindConversionFormat(QStringLiteral("r13")), nullptr);
  EXPECT_TRUE(FindConversionFormat(QStringLiteral("txt"))->plainText);
  EXPECT_FALSE(FindConversionFormat(QStringLiteral("RTF"))->plainText);
  EXPECT_EQ(FindConversionFormat(QStringLiteral("doc")), nullptr);

  const QString dir = test::freshDir(QStringLiteral("lines-r13"));
  Editor e;
  e.lines.SetText(QStringLiteral("hello"));
  e.lines.SaveToFile(dir + "/a.r13");
  QFile f(dir + "/a.r13");
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_EQ(f.readAll(), "uryyb");
  Editor g;
  g.lines.LoadFromFile(dir + "/a.r13");
  EXPECT_EQ(g.lines.Text(), QStringLiteral("hello\r\n"));
}
