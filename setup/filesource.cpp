#include "setup/filesource.h"

#include "platform/tempfolder.h"
#include "setup/compressstream.h"

#include <QFile>
#include <QFileInfo>
#include <QTime>
#include <QtEndian>

#include <cerrno>
#include <unistd.h>

namespace qel {

TFileSource::~TFileSource() { DeleteTempFile(); }

void TFileSource::DeleteTempFile() {
  if (FTempOwned && !FPath.isEmpty()) QFile::remove(FPath);
  FTempOwned = false;
}

QString TFileSource::FileName() const {
  return !FPath.isEmpty() && QFileInfo::exists(FPath) ? FPath : QString();
}

void TFileSource::SetFileName(const QString &path) {
  DeleteTempFile();
  FPath = path;
  const QString suffix = QFileInfo(path).suffix();
  Extension = suffix.isEmpty() ? QString() : "." + suffix;
}

void TFileSource::WriteFileData(QIODevice &target) const {
  QFile f(FPath);
  if (FPath.isEmpty() || !QFileInfo::exists(FPath))
    throw EFileSource((Name + " cannot store file: " + FPath + " (file is missing)").toStdString());
  if (!f.open(QIODevice::ReadOnly))
    throw EFileSource((Name + " cannot store file: " + FPath + " (" + f.errorString() + ")").toStdString());
  const qint64 size = f.size();
  try {
    if (FCompress) {
      TCompressStream().PackStream(f, target, size);
      return;
    }
  } catch (const ECompressStream &e) {
    throw EFileSource((Name + " cannot store file: " + FPath + " (").toStdString() + e.what() + ")");
  }
  if (size > 0xFFFFFFFFll) throw EFileSource((Name + " cannot store file: " + FPath + " (too large)").toStdString());
  char n[4];
  qToLittleEndian(quint32(size), n);
  const QByteArray bytes = f.readAll();
  if (bytes.size() != size)
    throw EFileSource((Name + " cannot store file: " + FPath + " (short read)").toStdString());
  if (target.write(n, 4) != 4 || target.write(bytes) != bytes.size()) throw EFileSource("Write error");
}

QString TFileSource::MakeTempName(int &fd) const {
  const QString base = TempFolderPath() + "~fs" + QString::number(QTime::currentTime().second());
  for (int n = 0; n < 100000; ++n) {
    const QString path = base + QString::number(n) + Extension;
    fd = CreateExclusiveFile(path);
    if (fd >= 0) return path;
    if (errno != EEXIST && errno != ELOOP) break;
  }
  throw EFileSource("Cannot create a temporary file");
}

void TFileSource::ReadFileData(QIODevice &source) {
  int fd = -1;
  const QString path = MakeTempName(fd);
  DeleteTempFile();
  FPath = path;
  FTempOwned = true;
  QFile out;
  if (!out.open(fd, QIODevice::WriteOnly, QFileDevice::AutoCloseHandle)) {
    ::close(fd);
    DeleteTempFile();
    FPath.clear();
    throw EFileSource("Cannot write a temporary file");
  }
  try {
    if (FCompress) {
      TCompressStream().UnpackStream(source, out);
    } else {
      const QByteArray n = source.read(4);
      if (n.size() != 4) throw EFileSource("Stream read error");
      const qint64 size = qFromLittleEndian<quint32>(n.constData());
      const QByteArray bytes = source.read(size);
      if (bytes.size() != size) throw EFileSource("Stream read error");
      if (out.write(bytes) != size) throw EFileSource("Write error");
    }
    if (!out.flush()) throw EFileSource("Write error");
  } catch (const std::exception &e) {
    // A damaged payload must leave no half-written file behind a FileName.
    out.close();
    DeleteTempFile();
    FPath.clear();
    throw EFileSource(e.what());
  }
  out.close();
}

QByteArray TFileSource::EncodeBinaryProperty(const QByteArray &bytes) {
  QByteArray r(5, '\0');
  r[0] = char(0x0A);
  qToLittleEndian(quint32(bytes.size()), r.data() + 1);
  return r + bytes;
}

QByteArray TFileSource::DecodeBinaryProperty(const QByteArray &data, qsizetype &pos) {
  if (pos < 0 || data.size() - pos < 5 || quint8(data[pos]) != 0x0A) throw EFileSource("Invalid property value");
  const quint32 n = qFromLittleEndian<quint32>(data.constData() + pos + 1);
  if (quint64(n) > quint64(data.size() - pos - 5)) throw EFileSource("Stream read error");
  QByteArray r = data.mid(pos + 5, n);
  pos += 5 + qsizetype(n);
  return r;
}

}  // namespace qel
