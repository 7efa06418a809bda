// RTF reader under hostile input: never a crash, a hang or an out-of-bounds
// access, and the direct plain-text path always gives the document's text.

#include "platform/richedit/rtfreader.h"

#include <QGuiApplication>
#include <QTextCursor>
#include <QTextDocument>

#include <cstdio>
#include <cstdlib>

namespace {
int argc = 1;
char arg0[] = "fuzz_rtfreader";
char *argv[] = {arg0, nullptr};
} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  // Never destroyed: the application outlives every input and exit handler.
  new QGuiApplication(argc, argv);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
  QString plain;
  const bool isRtf = qel::re::rtfToPlainText(bytes, plain);

  QTextDocument doc;
  const bool loaded = qel::re::readRtf(bytes, &doc);
  if (isRtf != loaded) std::abort();
  if (loaded && qel::re::documentPlainText(&doc) != plain) {
    std::fprintf(stderr, "plain text differs from the document's text\n");
    std::abort();
  }

  // Pasting into text that is already there.
  QTextDocument target;
  QTextCursor cursor(&target);
  cursor.insertText(QStringLiteral("before after"));
  cursor.setPosition(6);
  qel::re::insertRtf(bytes, cursor);
  return 0;
}
