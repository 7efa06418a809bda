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
  tQelfileSpec probed;
  QFileInfo info(fileName);
  if (!info.isFile()) return probed;
  QFile file(fileName);
  if (!file.open(QIODevice::ReadOnly)) return probed;
  probed.FileName = fileName;
  const QByteArray line = firstLine(file);
  file.close();
  if (!line.startsWith("PK")) {
    if (line.contains(kOldHeader)) probed.Kind = KindOldText;
    return probed;
  }

  zip.SetZipFileName(fileName);
  for (const ZipDirEntry &entry : zip.ZipContents()) {
    const QString ext = extensionOf(entry.FileName);
    if (ext.toUpper() == QLatin1String(".TMP") || ext == QLatin1String(".~QE")) probed.Kind = KindOldArchive;
    if (ext == QLatin1String(".~QE") || ext == QLatin1String(".~p")) probed.Protected = true;
    if (ext == QLatin1String(".~i")) {
      probed.Kind = KindVersion3;
      probed.IndexEntry = entry.FileName;
    }
    if (ext == QLatin1String(".~h")) probed.BodyEntry = entry.FileName;
    if (ext == QLatin1String(".~p")) probed.PassEntry = entry.FileName;
  }
  return probed;
}

} // namespace qel
