#include "richedit/rtfroutines.h"

#include "platform/codepage.h"

#include <gtest/gtest.h>

#include <QRandomGenerator>

using namespace qel;

namespace {

// The line-by-line conversion the whole-file command used to do: split the
// stored bytes into lines, RTFToPlainLines, encode each line, store each with
// CR LF. Returns false (with the plain lines) when a character does not fit.
bool lineByLine(const QByteArray &stored, QByteArray &body, QStringList &plain) {
  QList<QByteArray> lines;
  qsizetype start = 0;
  for (qsizetype i = 0; i < stored.size(); ++i) {
    const char c = stored[i];
    if (c != '\r' && c != '\n') continue;
    lines << stored.mid(start, i - start);
    if (c == '\r' && i + 1 < stored.size() && stored[i + 1] == '\n') ++i;
    start = i + 1;
  }
  if (start < stored.size()) lines << stored.mid(start);
  RTFToPlainLines(lines, plain);
  bool fits = true;
  body.clear();
  for (const QString &line : plain) {
    bool lineFits = true;
    body += encodeLegacy(line, &lineFits);
    body += "\r\n";
    fits = fits && lineFits;
  }
  return fits;
}

void expectSame(const QByteArray &stored) {
  SCOPED_TRACE(stored.toStdString());
  QByteArray oldBody, newBody = "kept";
  QStringList oldLines, newLines;
  const bool oldFits = lineByLine(stored, oldBody, oldLines);
  const bool newFits = RTFBodyToPlainBody(stored.constData(), stored.size(), newBody, newLines);
  ASSERT_EQ(newFits, oldFits);
  if (oldFits) {
    EXPECT_EQ(newBody, "kept" + oldBody);  // appended to what was there
  } else {
    EXPECT_EQ(newBody, "kept");
    EXPECT_EQ(newLines, oldLines);
  }
}

} // namespace

TEST(PlainBody, SameBytesAsLineByLine) {
  const char *const cases[] = {
      "{\\rtf1\\ansi plain\\par\r\n}\r\n",
      "{\\rtf1\\ansi plain\\par\r\n}",                       // no final break
      "{\\rtf1\\ansi one\\par\ntwo\\par\n}\n",               // LF only
      "{\\rtf1\\ansi one\\par\rtwo\\par\r}\r",               // CR only
      "{\\rtf1\\ansi one\\par\r\n\r\n\n\rtwo}",              // mixed, blank lines
      "{\\rtf1\\ansi a\\line b\\par\\par\\par c}",           // line break, empty paragraphs
      "{\\rtf1\\ansi a\\\r\nb\\\nc}\r\n",                    // backslash before a line break
      "{\\rtf1\\ansi}",                                       // no text at all
      "{\\rtf1\\ansi \\par}",                                  // one empty paragraph
      "{\\rtf1\\ansi x\\tab y\\'e9\\u233?\\'80\\par}",         // code page characters
      "{\\rtf1\\ansi Zo\\u322?\\u263?\\par}",                  // no byte in the code page
      "{\\rtf1\\ansi a\\u55357?\\u56832?b}",                   // a surrogate pair
      "{\\rtf1\\ansi a{\\pict\\pngblip 89504e47}b\\par}",      // picture leaves nothing
      "{\\rtf1\\ansi a{\\object{\\objdata 0102}{\\result{\\pict\\wmetafile8 00}}}b}",
      "{\\rtf1\\ansi a{\\*\\unknown skipped}b}",
      "{\\rtf1\\ansi a\\bin4 \r\n\r\nb}",                      // binary data with line breaks
      "{\\rtf1\\ansi a\\bin3 \r\nb}\r\n",
      "{\\rtf1\\ansi x\\bin2 \na\nb}",                     // binary data counts the bytes as read
      "{\\rtf1\\ansi x\\bin1 \rab}",
      "{\\rtf1\\ansi cut short \\b bold",                      // truncated
      "{\\rtf1\\ansi done}} trailing\r\ntext",                 // after the end
      "{\\rtf1\\ansi \xe9\xfc raw\\par}",                      // raw 8-bit bytes
      "{\\rtf1\\ansi a\\u10?b\\u13?c}",                        // break characters by number
      "{\\rtf1\\ansi nul \0 inside}",
      "{\\rtf1",
      "{\\rtf",
  };
  for (const char *c : cases) expectSame(QByteArray(c));
  expectSame(QByteArray("{\\rtf1\\ansi nul \0 inside}", 25));
}

TEST(PlainBody, SameBytesOnGeneratedBodies) {
  const char *const pieces[] = {"\r\n", "\n", "\r", "\\par ", "\\line ", "\\par\r\n", "\\tab ", "text ", "word",
                                "\\b ", "\\b0 ", "{\\i italic}", "\\'e9", "\\'81", "\\u322?", "\\u233?", "\\u8364?",
                                "{\\pict\\pngblip 00}", "\\\r\n", "\\\n", "}", "{", "\\bin2 \r\n", "\\bin2 \n", "\\bin1 ", "\\~", "\\-",
                                "{\\*\\x y}", "\\emdash ", "\\'0d", "\\'0a"};
  QRandomGenerator rng(20261210);
  for (int n = 0; n < 2000; ++n) {
    QByteArray body = "{\\rtf1\\ansi ";
    const int count = int(rng.bounded(12));
    for (int k = 0; k < count; ++k) body += pieces[rng.bounded(int(std::size(pieces)))];
    if (rng.bounded(2)) body += "}";
    if (rng.bounded(2)) body += "\r\n";
    expectSame(body);
  }
}
