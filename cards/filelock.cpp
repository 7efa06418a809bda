#include "cards/filelock.h"

#include "platform/fileutil.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace qel {

namespace {

struct HeldLock {
  int fd = -1;
  QString fileName;
  ~HeldLock() {
    if (fd >= 0) ::close(fd);
  }
};

HeldLock &held() {
  static HeldLock lock;
  return lock;
}

int openNoFollow(const QString &fileName, int flags) {
  int fd;
  do {
    fd = ::open(QFile::encodeName(fileName).constData(), flags | O_CLOEXEC | O_NONBLOCK);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

int flockRetry(int fd, int op) {
  int rc;
  do {
    rc = ::flock(fd, op);
  } while (rc != 0 && errno == EINTR);
  return rc;
}

} // namespace

bool LockDataFile(const QString &fileName) {
  UnlockDataFile();
  const int fd = openNoFollow(fileName, O_RDONLY);
  if (fd < 0) return false;
  // Shared: readers may still open it, but no one may take it for writing.
  if (flockRetry(fd, LOCK_SH | LOCK_NB) != 0) {
    ::close(fd);
    return false;
  }
  held().fd = fd;
  held().fileName = fileName;
  return true;
}

void UnlockDataFile() {
  HeldLock &h = held();
  if (h.fd >= 0) ::close(h.fd);  // closing the descriptor drops its flock
  h.fd = -1;
  h.fileName.clear();
}

QString LockedDataFile() { return held().fileName; }

bool IsFileInUse(const QString &fileName) {
  // Read-only counts for the superuser too, whom open() would let write.
  if (IsFileReadOnly(fileName)) return true;
  const int fd = openNoFollow(fileName, O_RDWR);
  if (fd < 0) return true;
  const bool locked = flockRetry(fd, LOCK_EX | LOCK_NB) != 0;
  ::close(fd);
  return locked;
}

} // namespace qel
