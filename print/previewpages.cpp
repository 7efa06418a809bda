#include "print/previewpages.h"

#include "platform/tempfolder.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QPicture>
#include <QSaveFile>

#include <zlib.h>

namespace qel {

TPreviewPageStore::TPreviewPageStore(bool compress)
    : folder_(CreatePrivateSubFolder(QStringLiteral("preview-"))), compress_(compress) {}

TPreviewPageStore::~TPreviewPageStore() {
  if (!folder_.isEmpty()) QDir(folder_).removeRecursively();
}

QString TPreviewPageStore::fileName(int index) const {
  QString name = folder_ + QStringLiteral("PreviewMetafile") + QString::number(index);
  if (compress_) name += QStringLiteral(".CPR");
  return name;
}

bool TPreviewPageStore::store(const QPicture &page) {
  if (!ok()) return false;
  QByteArray data(page.data(), qsizetype(page.size()));
  if (compress_) data = deflatePage(data);
  if (data.isEmpty()) return false;
  QSaveFile f(fileName(count_));
  if (!f.open(QIODevice::WriteOnly) || f.write(data) != data.size() || !f.commit()) return false;
  ++count_;
  return true;
}

bool TPreviewPageStore::load(int index, QPicture &page) const {
  if (index < 0 || index >= count_) return false;
  QFile f(fileName(index));
  if (!f.open(QIODevice::ReadOnly)) return false;
  QByteArray data = f.readAll();
  if (compress_) {
    QByteArray plain;
    if (!inflatePage(data, plain)) return false;
    data = std::move(plain);
  }
  if (!data.startsWith("QPIC")) return false;
  QPicture p;
  p.setData(data.constData(), uint(data.size()));
  if (p.isNull()) return false;
  page = p;
  return true;
}

QByteArray deflatePage(const QByteArray &data) {
  uLongf size = compressBound(uLong(data.size()));
  QByteArray out(qsizetype(size), Qt::Uninitialized);
  if (compress2(reinterpret_cast<Bytef *>(out.data()), &size, reinterpret_cast<const Bytef *>(data.constData()),
                uLong(data.size()), Z_BEST_SPEED) != Z_OK)
    return QByteArray();
  out.truncate(qsizetype(size));
  return out;
}

bool inflatePage(const QByteArray &data, QByteArray &out, qint64 limit) {
  z_stream z{};
  if (inflateInit(&z) != Z_OK) return false;
  z.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(data.constData()));
  z.avail_in = uInt(data.size());
  out.clear();
  char chunk[4096];
  int rc = Z_OK;
  while (rc == Z_OK) {
    z.next_out = reinterpret_cast<Bytef *>(chunk);
    z.avail_out = sizeof chunk;
    rc = inflate(&z, Z_NO_FLUSH);
    if (rc != Z_OK && rc != Z_STREAM_END) break;
    out.append(chunk, qsizetype(sizeof chunk - z.avail_out));
    if (out.size() > limit) { rc = Z_DATA_ERROR; break; }
    if (rc == Z_OK && z.avail_in == 0 && z.avail_out != 0) { rc = Z_DATA_ERROR; break; }  // truncated
  }
  inflateEnd(&z);
  if (rc != Z_STREAM_END) out.clear();
  return rc == Z_STREAM_END;
}

} // namespace qel
