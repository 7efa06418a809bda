#pragma once
// The drive services spanning needs, behind one interface: what kind of
// volume holds a set's folder, whether a disk is there, its label, its free
// and total bytes, and formatting. Here a "drive" is the folder of the set
// (ending in "/").

#include <QString>

namespace qel {

// The system's drive kinds, by their numbers.
enum class VolumeKind : int { Unknown = 0, NoRoot = 1, Removable = 2, Fixed = 3, Network = 4, CdRom = 5 };

class VolumeService {
public:
  virtual ~VolumeService() = default;
  virtual VolumeKind kind(const QString &drive) = 0;
  // A disk is in the drive (and readable).
  virtual bool present(const QString &drive) = 0;
  virtual QString label(const QString &drive) = 0;
  virtual bool setLabel(const QString &drive, const QString &label) = 0;
  // Bytes the caller may still write, and the volume's size; -1 when unknown.
  virtual qint64 freeBytes(const QString &drive) = 0;
  virtual qint64 totalBytes(const QString &drive) = 0;
  // Formats the disk; -3 when formatting is not possible here.
  virtual int format(const QString &drive) = 0;
};

// Folders of the real system: fixed, or network for network file systems;
// never removable, so sets are numbered files and nothing is prompted for.
// Labels cannot be written and disks cannot be formatted without
// administrator rights: setLabel fails and format answers -3.
class SystemVolumes : public VolumeService {
public:
  VolumeKind kind(const QString &drive) override;
  bool present(const QString &drive) override;
  QString label(const QString &drive) override;
  bool setLabel(const QString &, const QString &) override { return false; }
  qint64 freeBytes(const QString &drive) override;
  qint64 totalBytes(const QString &drive) override;
  int format(const QString &) override { return -3; }
};

SystemVolumes &systemVolumes();

} // namespace qel
