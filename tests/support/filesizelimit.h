#pragma once
// A disk that fills up, for fault tests that also run as the superuser: while
// the object lives, no file of this process may grow past `bytes` (a write
// beyond fails with EFBIG, as one on a full disk fails with ENOSPC), and the
// signal such a write raises is ignored.

#include <csignal>
#include <sys/resource.h>

namespace qel::test {

class FileSizeLimit {
public:
  explicit FileSizeLimit(rlim_t bytes) {
    ::getrlimit(RLIMIT_FSIZE, &saved_);
    oldHandler_ = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit limit = saved_;
    limit.rlim_cur = bytes;
    ok_ = ::setrlimit(RLIMIT_FSIZE, &limit) == 0;
  }
  ~FileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &saved_);
    std::signal(SIGXFSZ, oldHandler_);
  }
  FileSizeLimit(const FileSizeLimit &) = delete;
  FileSizeLimit &operator=(const FileSizeLimit &) = delete;
  bool active() const { return ok_; }

private:
  struct rlimit saved_ {};
  void (*oldHandler_)(int) = nullptr;
  bool ok_ = false;
};

} // namespace qel::test
