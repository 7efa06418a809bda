#include "cards/qelfilespec.h"

#include "cards/indexfile.h"
#include "zip/ziparchiver.h"

#include <QFile>
#include <QFileInfo>

namespace qel {

namespace {

// The first line is only looked at for a signature: a bounded read keeps a
// huge file without line breaks cheap.
constexpr qint64 kFirstLineLimit = 64 * 1024;

QByteArray firstLine(QFile &file) {
  QByteArray head = file.read(kFirstLineLimit);
  qsizetype end = head.size();
  for (qsizetype i = 0; i < head.size(); ++i) {
    if (head[i] == '\r' || head[i] == '\n') { end = i; break; }
  }
  head.truncate(end);
  return head;
}

// The entry name's extension as stored: from the last "." of its last path element.
QString extensionOf(const QString &entryName) {
  const qsizetype slash = qMax(entryName.lastIndexOf(QLatin1Char('/')), entryName.lastIndexOf(QLatin1Char('\\')));
  const qsizetype dot = entryName.lastIndexOf(QLatin1Char('.'));
  return dot > slash ? entryName.mid(dot) : QString();
}

} // namespace

tQelfileSpec ProbeCardsFile(const QString &fileName, TZipArchiver &zip) {
  tQelfileSpec spec;
  QFileInfo info(fileName);
  if (!info.isFile()) return spec;
  QFile file(fileName);
  if (!file.open(QIODevice::ReadOnly)) return spec;
  spec.FileName = fileName;
  const QByteArray line = firstLine(file);
  file.close();
  if (!line.startsWith("PK")) {
    if (line.contains(kOldHeader)) spec.Kind = KindOldText;
    return spec;
  }

  zip.SetZipFileName(fileName);
  for (const ZipDirEntry &entry : zip.ZipContents()) {
    const QString ext = extensionOf(entry.FileName);
    if (ext.toUpper() == QLatin1String(".TMP") || ext == QLatin1String(".~QE")) spec.Kind = KindOldArchive;
    if (ext == QLatin1String(".~QE") || ext == QLatin1String(".~p")) spec.Protected = true;
    if (ext == QLatin1String(".~i")) {
      spec.Kind = KindVersion3;
      spec.IndexEntry = entry.FileName;
    }
    if (ext == QLatin1String(".~h")) spec.BodyEntry = entry.FileName;
    if (ext == QLatin1String(".~p")) spec.PassEntry = entry.FileName;
  }
  return spec;
}

} // namespace qel
