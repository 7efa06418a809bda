#pragma once
// Small helpers shared by the two engines: wildcard matching, suffix lists,
// and a buffered writer with a known position for building archives.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qel::engine {

bool hasWildcards(std::string_view s);
// "*" matches any run of characters (also "/"), "?" one character; "*.*"
// matches every name, as users of the old systems expect.
bool wildMatch(std::string_view pattern, std::string_view name);

// A list such as ".gif:.png:.zip" (":" or ";" between items), matched at the
// end of a name without regard to letter case.
bool hasListedSuffix(std::string_view name, std::string_view list);

// The last part of a path, "/" and "\" both counting as separators.
std::string_view lastPathPart(std::string_view path);

// Writes to a descriptor through a large buffer and keeps the position, so
// headers can be patched in place once their values are known.
class OutFile {
public:
  explicit OutFile(int fd, std::uint64_t start = 0) : fd_(fd), filePos_(start) { buf_.reserve(kBufSize); }
  bool write(const void *data, std::size_t n);
  bool flush();
  bool writeAt(std::uint64_t offset, const void *data, std::size_t n);  // flushes first
  bool readAt(std::uint64_t offset, void *data, std::size_t n);         // flushes first
  // Drops everything from `offset` on (a file that had to be left out).
  bool truncateTo(std::uint64_t offset);
  std::uint64_t pos() const { return filePos_ + buf_.size(); }
  bool failed() const { return failed_; }
private:
  static constexpr std::size_t kBufSize = 1 << 20;
  int fd_;
  std::uint64_t filePos_;
  std::vector<unsigned char> buf_;
  bool failed_ = false;
};

bool preadAll(int fd, std::uint64_t offset, void *out, std::size_t n);
bool pwriteAll(int fd, std::uint64_t offset, const void *data, std::size_t n);

} // namespace qel::engine
