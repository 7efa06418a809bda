// Whatever RTF comes in, what we write is RTF of our shape (ASCII, CR LF, no
// line starting with '<'), and reading and writing it again gives the same
// bytes from the second save on.
#include "platform/richedit/rtfreader.h"
#include "platform/richedit/rtfwriter.h"

#include <QFile>
#include <QGuiApplication>
#include <QTextDocument>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  // Never destroyed: torn down at exit, it would leave Qt's font engine
  // caches (filled by drawing an object's text) unreachable, and the leak
  // check at exit would blame them on no input.
  new QGuiApplication(*argc, *argv);
  return 0;
}

namespace {

[[noreturn]] void fail(const QByteArray &rtf) {
  // QEL_FUZZ_DUMP names a file that gets the offending output.
  const QByteArray dump = qgetenv("QEL_FUZZ_DUMP");
  if (!dump.isEmpty()) {
    QFile f(QString::fromLocal8Bit(dump));
    if (f.open(QIODevice::WriteOnly)) f.write(rtf);
  }
  std::abort();
}

void checkShape(const QByteArray &rtf) {
  if (!rtf.startsWith("{\\rtf1")) fail(rtf);
  for (qsizetype i = 0; i < rtf.size(); ++i) {
    const unsigned char c = (unsigned char)rtf[i];
    if (c == '\n' && i + 1 < rtf.size() && rtf[i + 1] == '<') fail(rtf);
    if (c == '\r' && (i + 1 >= rtf.size() || rtf[i + 1] != '\n')) fail(rtf);
  }
}

QByteArray cycle(const QByteArray &rtf) {
  QTextDocument doc;
  if (!qel::re::readRtf(rtf, &doc)) std::abort();  // our own output always reads
  return qel::re::writeRtf(doc);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  const QByteArray input(reinterpret_cast<const char *>(data), qsizetype(size));
  QTextDocument doc;
  if (!qel::re::readRtf(input, &doc)) return 0;
  const QByteArray first = qel::re::writeRtf(doc);
  checkShape(first);
  qel::re::RtfWriteOptions part;
  part.selectionOnly = true;
  part.selectionStart = int(size % 7);
  part.selectionEnd = int(size % 13);
  checkShape(qel::re::writeRtf(doc, part));
  const QByteArray second = cycle(first);
  const QByteArray third = cycle(second);
  if (second != third) {
    const QByteArray dump = qgetenv("QEL_FUZZ_DUMP");
    if (!dump.isEmpty()) {
      QFile f(QString::fromLocal8Bit(dump) + QStringLiteral(".third"));
      if (f.open(QIODevice::WriteOnly)) f.write(third);
    }
    fail(second);
  }
  return 0;
}
