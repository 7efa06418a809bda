#include "zip/engine/engineutil.h"

#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace qel::engine {

bool hasWildcards(std::string_view s) { return s.find_first_of("*?") != std::string_view::npos; }

bool wildMatch(std::string_view pattern, std::string_view name) {
  if (pattern == "*.*") return true;
  std::size_t p = 0, n = 0, starP = std::string_view::npos, starN = 0;
  while (n < name.size()) {
    if (p < pattern.size() && pattern[p] == '*') {
      starP = p++;
      starN = n;
    } else if (p < pattern.size() && (pattern[p] == '?' || pattern[p] == name[n])) {
      ++p;
      ++n;
    } else if (starP != std::string_view::npos) {
      p = starP + 1;
      n = ++starN;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

static char lowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }

bool hasListedSuffix(std::string_view name, std::string_view list) {
  std::size_t start = 0;
  while (start <= list.size()) {
    std::size_t end = list.find_first_of(":;", start);
    if (end == std::string_view::npos) end = list.size();
    std::string_view suffix = list.substr(start, end - start);
    if (!suffix.empty() && suffix.size() <= name.size()) {
      std::string_view tail = name.substr(name.size() - suffix.size());
      bool same = true;
      for (std::size_t i = 0; i < suffix.size() && same; ++i) same = lowerAscii(tail[i]) == lowerAscii(suffix[i]);
      if (same) return true;
    }
    start = end + 1;
  }
  return false;
}

std::string_view lastPathPart(std::string_view path) {
  std::size_t cut = path.find_last_of("/\\");
  return cut == std::string_view::npos ? path : path.substr(cut + 1);
}

bool preadAll(int fd, std::uint64_t offset, void *out, std::size_t n) {
  auto *p = static_cast<unsigned char *>(out);
  while (n > 0) {
    ssize_t got = pread(fd, p, n, static_cast<off_t>(offset));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return false;
    p += got;
    n -= static_cast<std::size_t>(got);
    offset += static_cast<std::uint64_t>(got);
  }
  return true;
}

bool pwriteAll(int fd, std::uint64_t offset, const void *data, std::size_t n) {
  auto *p = static_cast<const unsigned char *>(data);
  while (n > 0) {
    ssize_t put = pwrite(fd, p, n, static_cast<off_t>(offset));
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) return false;
    p += put;
    n -= static_cast<std::size_t>(put);
    offset += static_cast<std::uint64_t>(put);
  }
  return true;
}

bool OutFile::write(const void *data, std::size_t n) {
  if (failed_) return false;
  if (buf_.size() + n > kBufSize) {
    if (!flush()) return false;
    if (n >= kBufSize) {
      if (!pwriteAll(fd_, filePos_, data, n)) return !(failed_ = true);
      filePos_ += n;
      return true;
    }
  }
  auto *c = static_cast<const unsigned char *>(data);
  buf_.insert(buf_.end(), c, c + n);
  return true;
}

bool OutFile::flush() {
  if (failed_) return false;
  if (buf_.empty()) return true;
  if (!pwriteAll(fd_, filePos_, buf_.data(), buf_.size())) return !(failed_ = true);
  filePos_ += buf_.size();
  buf_.clear();
  return true;
}

bool OutFile::writeAt(std::uint64_t offset, const void *data, std::size_t n) {
  if (!flush()) return false;
  if (!pwriteAll(fd_, offset, data, n)) return !(failed_ = true);
  return true;
}

bool OutFile::readAt(std::uint64_t offset, void *data, std::size_t n) {
  if (!flush()) return false;
  if (!preadAll(fd_, offset, data, n)) return !(failed_ = true);
  return true;
}

bool OutFile::truncateTo(std::uint64_t offset) {
  if (!flush()) return false;
  if (ftruncate(fd_, static_cast<off_t>(offset)) != 0) return !(failed_ = true);
  filePos_ = offset;
  return true;
}

} // namespace qel::engine
