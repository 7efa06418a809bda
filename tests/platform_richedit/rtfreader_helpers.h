#pragma once
// Shared helpers of the RTF reader tests: load RTF both ways and insist the
// direct plain-text path gives the document's text.

#include "platform/richedit/formatrecords.h"
#include "platform/richedit/rtfreader.h"
#include "platform/richedit/textprops.h"

#include <QFile>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFragment>
#include <QTextImageFormat>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace qel::test {

inline QByteArray readFixture(const char *name) {
  QFile f(QStringLiteral(QEL_TEST_DATA_DIR "/") + QLatin1String(name));
  EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << name;
  return f.readAll();
}

// Loads into a fresh document and checks both text paths agree.
inline std::unique_ptr<QTextDocument> load(const QByteArray &rtf) {
  auto doc = std::make_unique<QTextDocument>();
  EXPECT_TRUE(re::readRtf(rtf, doc.get())) << rtf.left(80).constData();
  QString plain;
  EXPECT_TRUE(re::rtfToPlainText(rtf, plain));
  EXPECT_EQ(plain, re::documentPlainText(doc.get())) << rtf.left(200).constData();
  return doc;
}

inline QString textOf(const QByteArray &rtf) { return re::documentPlainText(load(rtf).get()); }

// Fragments of the document in order (pictures are one fragment each).
inline std::vector<QTextFragment> fragments(const QTextDocument &doc) {
  std::vector<QTextFragment> out;
  for (QTextBlock b = doc.begin(); b.isValid(); b = b.next())
    for (auto it = b.begin(); !it.atEnd(); ++it) out.push_back(it.fragment());
  return out;
}

// The character record at a position (the character after `pos`).
inline re::CharFormat charAt(const QTextDocument &doc, int pos) {
  QTextBlock b = doc.findBlock(pos);
  for (auto it = b.begin(); !it.atEnd(); ++it) {
    const QTextFragment f = it.fragment();
    if (pos >= f.position() && pos < f.position() + f.length()) return re::charFormatFromQt(f.charFormat());
  }
  ADD_FAILURE() << "no fragment at " << pos;
  return {};
}

inline re::CharFormat charOf(const QTextDocument &doc, const QString &text) {
  const int pos = int(re::documentPlainText(&doc).indexOf(text));
  EXPECT_GE(pos, 0) << text.toStdString();
  return charAt(doc, std::max(pos, 0));
}

inline re::ParaFormat paraOf(const QTextDocument &doc, int block) {
  return re::paraFormatFromQt(doc.findBlockByNumber(block).blockFormat());
}

// The image formats of the document's pictures and objects, in order.
inline std::vector<QTextImageFormat> images(const QTextDocument &doc) {
  std::vector<QTextImageFormat> out;
  for (const QTextFragment &f : fragments(doc))
    if (f.charFormat().isImageFormat()) out.push_back(f.charFormat().toImageFormat());
  return out;
}

inline QImage imageOf(const QTextDocument &doc, const QTextImageFormat &f) {
  return doc.resource(QTextDocument::ImageResource, QUrl(f.name())).value<QImage>();
}

} // namespace qel::test
