#pragma once
// The component's private state while a spanned set is written or joined.

#include "zip/ziparchiver.h"

#include <QDateTime>
#include <QFile>
#include <QString>

namespace qel {

struct TZipArchiver::SpanState {
  QString drive;                  // folder of the volumes, ending in "/"
  VolumeKind driveKind = VolumeKind::Fixed;
  int volumeNumber = 0;           // 0-based; -1 while the last volume is looked for
  int lastVolumeNumber = 0;
  bool newVolumeWanted = false;
  qint64 bytesOnVolume = 0;
  qint64 freeOnVolume = 0;
  qint64 volumeSize = -1;
  QString volumeLabel;
  QString inFileName, outFileName;
  QFile in, out;
  QDateTime archiveDate;
  qint64 archiveSize = 0;
  bool showProgress = false;
  bool writing = false;
  TZipDiskStatus diskStatus = 0;
  TZipDiskAction diskAction = zdaOk;
};

} // namespace qel
