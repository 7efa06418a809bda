// Build tool: turns the readable sample cards (sample-cards.txt) into the card
// file "sample.qel" that is shipped beside the program.
//
//   qel-make-sample SOURCE TARGET ENGINE_FOLDER

#include "cards/bodyfile.h"
#include "cards/carderror.h"
#include "cards/cardfile.h"
#include "cards/crd.h"
#include "platform/tempfolder.h"
#include "zip/ziparchiver.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTextStream>

#include <cstdio>

namespace {

struct SampleCard {
  QString title;
  QString phone;
  qint32 color = qel::kNoColor;
  QStringList lines;
};

void fail(const QString &message) {
  std::fprintf(stderr, "qel-make-sample: %s\n", qPrintable(message));
}

// RTF text of one run: the special characters escaped, anything beyond ASCII as \uN.
QByteArray rtfText(const QString &text) {
  QByteArray out;
  for (QChar ch : text) {
    const char16_t c = ch.unicode();
    if (c == '\\' || c == '{' || c == '}') {
      out += '\\';
      out += char(c);
    } else if (c < 0x80) {
      out += char(c);
    } else {
      out += "\\u" + QByteArray::number(qint16(c)) + '?';
    }
  }
  return out;
}

// "**bold**" and "//italic//" inside a line.
QByteArray rtfInline(const QString &line) {
  static const QRegularExpression marks(QStringLiteral("(\\*\\*|//)"));
  QByteArray out;
  bool bold = false, italic = false;
  qsizetype pos = 0;
  auto it = marks.globalMatch(line);
  while (it.hasNext()) {
    const auto m = it.next();
    out += rtfText(line.mid(pos, m.capturedStart() - pos));
    if (m.captured() == QLatin1String("**")) {
      bold = !bold;
      out += bold ? "\\b " : "\\b0 ";
    } else {
      italic = !italic;
      out += italic ? "\\i " : "\\i0 ";
    }
    pos = m.capturedEnd();
  }
  out += rtfText(line.mid(pos));
  if (bold) out += "\\b0 ";
  if (italic) out += "\\i0 ";
  return out;
}

QByteArray cardRtf(const SampleCard &card) {
  QByteArray rtf = "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fswiss\\fcharset0 Arial;}"
                   "{\\f1\\fnil\\fcharset2 Symbol;}}\r\n"
                   "{\\colortbl ;\\red0\\green0\\blue128;}\r\n"
                   "\\viewkind4\\uc1\\pard\\f0\\fs20 ";
  QStringList lines = card.lines;
  while (!lines.isEmpty() && lines.last().trimmed().isEmpty()) lines.removeLast();
  for (const QString &line : lines) {
    if (line.startsWith(QLatin1String("! "))) {
      rtf += "\\pard\\sa120\\cf1\\b\\fs28 " + rtfInline(line.mid(2)) + "\\cf0\\b0\\fs20\\par\r\n";
    } else if (line.startsWith(QLatin1String("- "))) {
      rtf += "\\pard{\\pntext\\f1\\'B7\\tab}{\\*\\pn\\pnlvlblt\\pnf1\\pnindent360{\\pntxtb\\'B7}}"
             "\\fi-360\\li360\\sa60 " +
             rtfInline(line.mid(2)) + "\\par\r\n";
    } else {
      rtf += "\\pard\\sa120 " + rtfInline(line) + "\\par\r\n";
    }
  }
  rtf += "\\pard}\r\n";
  return rtf;
}

bool readCards(const QString &source, QList<SampleCard> &cards) {
  QFile file(source);
  if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
    fail(QStringLiteral("cannot read ") + source);
    return false;
  }
  QTextStream in(&file);
  in.setEncoding(QStringConverter::Utf8);
  int number = 0;
  bool inHeader = false;
  while (!in.atEnd()) {
    const QString line = in.readLine();
    ++number;
    if (line.startsWith(QLatin1Char('#'))) continue;
    if (line.startsWith(QLatin1String("== "))) {
      SampleCard card;
      card.title = line.mid(3).trimmed();
      cards.append(card);
      inHeader = true;
      continue;
    }
    if (cards.isEmpty()) {
      if (line.trimmed().isEmpty()) continue;
      fail(QStringLiteral("%1:%2: text before the first card").arg(source).arg(number));
      return false;
    }
    SampleCard &card = cards.last();
    if (inHeader && line.startsWith(QLatin1String("phone:"))) {
      card.phone = line.mid(6).trimmed();
      continue;
    }
    if (inHeader && line.startsWith(QLatin1String("color:"))) {
      const QString hex = line.mid(6).trimmed();
      bool ok = false;
      const uint rgb = hex.startsWith(QLatin1Char('#')) ? hex.mid(1).toUInt(&ok, 16) : 0;
      if (!ok || hex.size() != 7) {
        fail(QStringLiteral("%1:%2: colour is not #RRGGBB").arg(source).arg(number));
        return false;
      }
      // Card colours are 0x00BBGGRR.
      card.color = qint32(((rgb & 0xFF) << 16) | (rgb & 0xFF00) | ((rgb >> 16) & 0xFF));
      continue;
    }
    inHeader = false;
    if (card.lines.isEmpty() && line.trimmed().isEmpty()) continue;
    card.lines.append(line);
  }
  if (cards.isEmpty()) {
    fail(source + QStringLiteral(": no cards"));
    return false;
  }
  return true;
}

} // namespace

int main(int argc, char **argv) {
  // The card library's ZIP component lives among widgets; no screen is needed.
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const QStringList args = QApplication::arguments();
  if (args.size() != 4) {
    fail(QStringLiteral("usage: qel-make-sample SOURCE TARGET ENGINE_FOLDER"));
    return 2;
  }
  const QString source = args.at(1);
  const QString target = QFileInfo(args.at(2)).absoluteFilePath();

  QList<SampleCard> cards;
  if (!readCards(source, cards)) return 1;

  const QString work = qel::CreatePrivateSubFolder(QStringLiteral("make-sample"));
  if (work.isEmpty()) {
    fail(QStringLiteral("cannot make a temporary folder"));
    return 1;
  }
  int status = 0;
  {
    qel::TBodyFile body(QDir(work).filePath(QStringLiteral("sample.body")));
    qel::TCrdList list;
    try {
      body.reset();
      for (const SampleCard &c : std::as_const(cards)) {
        auto card = qel::NewCrd();
        card->Title = c.title;
        card->Phone = c.phone;
        card->Color = c.color;
        qel::AppendBody(*card, body, cardRtf(c));
        list.AddCrd(card);
      }
      qel::TZipArchiver zip;
      zip.Unattended = true;
      zip.SetDLLDirectory(args.at(3));
      qel::SaveCardsArchive(list, body, target, zip);
    } catch (const qel::ECardError &e) {
      fail(e.message());
      status = 1;
    }
    body.remove();
  }
  QDir(work).removeRecursively();
  if (status == 0 && !QFileInfo(target).isFile()) {
    fail(target + QStringLiteral(" was not written"));
    status = 1;
  }
  return status;
}
