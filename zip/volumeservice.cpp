#include "zip/volumeservice.h"

#include <QFileInfo>
#include <QStorageInfo>

namespace qel {

namespace {

bool isNetworkFileSystem(const QByteArray &type) {
  static const char *const kNetwork[] = {"nfs", "nfs4", "cifs", "smb3", "smbfs", "fuse.sshfs", "9p", "afs", "ceph",
                                         "glusterfs", "fuse.glusterfs", "davfs", "fuse.davfs2", "ncpfs"};
  for (const char *n : kNetwork)
    if (type == n) return true;
  return false;
}

QStorageInfo storageOf(const QString &drive) { return QStorageInfo(drive); }

} // namespace

VolumeKind SystemVolumes::kind(const QString &drive) {
  if (!QFileInfo(drive).isDir()) return VolumeKind::NoRoot;
  const QStorageInfo s = storageOf(drive);
  if (!s.isValid()) return VolumeKind::Unknown;
  return isNetworkFileSystem(s.fileSystemType()) ? VolumeKind::Network : VolumeKind::Fixed;
}

bool SystemVolumes::present(const QString &drive) { return QFileInfo(drive).isDir() && storageOf(drive).isReady(); }

QString SystemVolumes::label(const QString &drive) { return storageOf(drive).name(); }

qint64 SystemVolumes::freeBytes(const QString &drive) {
  const QStorageInfo s = storageOf(drive);
  return s.isValid() ? s.bytesAvailable() : -1;
}

qint64 SystemVolumes::totalBytes(const QString &drive) {
  const QStorageInfo s = storageOf(drive);
  return s.isValid() ? s.bytesTotal() : -1;
}

SystemVolumes &systemVolumes() {
  static SystemVolumes volumes;
  return volumes;
}

} // namespace qel
