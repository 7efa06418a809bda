#pragma once
// The PDF judges of the print tests: poppler's pdfinfo and pdftotext.

#include <QList>
#include <QProcess>
#include <QRectF>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QString>
#include <QStringList>
#include <QXmlStreamReader>

namespace qel::test {

inline bool havePdfTools() {
  return !QStandardPaths::findExecutable(QStringLiteral("pdfinfo")).isEmpty() &&
         !QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty();
}

inline QString runTool(const QString &program, const QStringList &args) {
  QProcess p;
  p.start(program, args);
  p.waitForFinished(30000);
  return QString::fromUtf8(p.readAllStandardOutput());
}

// Page count, -1 when pdfinfo does not read the file.
inline int pdfPages(const QString &pdf) {
  const QString info = runTool(QStringLiteral("pdfinfo"), {pdf});
  const auto m = QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)")).match(info);
  return m.hasMatch() ? m.captured(1).toInt() : -1;
}

// Page size in points.
inline QSizeF pdfPageSize(const QString &pdf) {
  const QString info = runTool(QStringLiteral("pdfinfo"), {pdf});
  const auto m = QRegularExpression(QStringLiteral("Page size:\\s+([\\d.]+) x ([\\d.]+) pts")).match(info);
  return m.hasMatch() ? QSizeF(m.captured(1).toDouble(), m.captured(2).toDouble()) : QSizeF();
}

// The text of one page (1-based), or of all pages with page = 0.
inline QString pdfText(const QString &pdf, int page = 0) {
  QStringList args{QStringLiteral("-layout")};
  if (page > 0) args << QStringLiteral("-f") << QString::number(page) << QStringLiteral("-l") << QString::number(page);
  args << pdf << QStringLiteral("-");
  return runTool(QStringLiteral("pdftotext"), args);
}

struct PdfWord {
  int page = 0;
  QString text;
  QRectF box;  // points, from the page's top left
};

inline QList<PdfWord> pdfWords(const QString &pdf) {
  const QString xml = runTool(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), pdf, QStringLiteral("-")});
  QList<PdfWord> words;
  QXmlStreamReader r(xml);
  int page = 0;
  while (!r.atEnd()) {
    r.readNext();
    if (!r.isStartElement()) continue;
    if (r.name() == QLatin1String("page")) ++page;
    if (r.name() != QLatin1String("word")) continue;
    const auto a = r.attributes();
    PdfWord w;
    w.page = page;
    const double x0 = a.value(QLatin1String("xMin")).toDouble(), y0 = a.value(QLatin1String("yMin")).toDouble();
    w.box = QRectF(QPointF(x0, y0), QPointF(a.value(QLatin1String("xMax")).toDouble(), a.value(QLatin1String("yMax")).toDouble()));
    w.text = r.readElementText();
    words.append(w);
  }
  return words;
}

inline const PdfWord *findWord(const QList<PdfWord> &words, const QString &text, int page = 0) {
  for (const PdfWord &w : words)
    if (w.text == text && (page == 0 || w.page == page)) return &w;
  return nullptr;
}

} // namespace qel::test
