// The records running instances keep of each other: any bytes in a record of
// a live instance (its lock held) are read without harm, and a record either
// is taken whole or ignored.
#include "platform/instances.h"

#include <QFile>

#include <cstdint>
#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

struct Setup {
  Setup() {
    folder = qel::InstanceFolderPath();
    if (folder.isEmpty()) std::abort();
    // An instance that stays alive for the whole run: its lock is held.
    lockFd = ::open(QFile::encodeName(folder + QStringLiteral("fuzz.lock")).constData(), O_RDWR | O_CREAT, 0600);
    if (lockFd < 0 || ::flock(lockFd, LOCK_EX) != 0) std::abort();
  }
  QString folder;
  int lockFd = -1;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  static Setup setup;
  {
    QFile f(setup.folder + QStringLiteral("fuzz.rec"));
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) return 0;
    f.write(reinterpret_cast<const char *>(data), qint64(size));
  }
  for (const qel::InstanceRecord &r : qel::ListInstances()) {
    if (r.id != QStringLiteral("fuzz")) continue;
    // What a caller does with a record it found.
    (void)qel::FindInstanceByFileKey(r.fileKey);
    for (const QString &item : r.tempItems) (void)item.size();
  }
  return 0;
}
