#include "zip/engine/archivedir.h"

#include "zip/engine/engineutil.h"
#include "zip/format/cp437.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace qel::engine {

using namespace qel::zipfmt;

FileSource::FileSource(int fd) : fd_(fd) {
  struct stat st {};
  if (fstat(fd, &st) == 0 && st.st_size > 0) size_ = static_cast<std::uint64_t>(st.st_size);
}

bool FileSource::read(std::uint64_t offset, void *out, std::size_t n) {
  if (offset > size_ || n > size_ - offset) return false;
  return preadAll(fd_, offset, out, n);
}

bool MemorySource::read(std::uint64_t offset, void *out, std::size_t n) {
  if (offset > size_ || n > size_ - offset) return false;
  if (n) std::memcpy(out, data_ + offset, n);
  return true;
}

std::string entryDisplayName(const CentralHeader &h, const std::string &raw) {
  std::string name;
  if ((h.flags & kFlagUtf8) || isAscii(raw)) {
    name = raw;
  } else {
    std::uint8_t host = h.hostSystem();
    bool dosLike = host == 0 || host == 6 || host == 11 || host == 14;
    name = dosLike ? cp437ToUtf8(raw) : raw;
  }
  std::replace(name.begin(), name.end(), '\\', '/');
  return name;
}

namespace {

// Fills the fields that the central header marks with all ones from the ZIP64
// extra field (tag 1), in the order the format gives them.
bool applyZip64(DirEntry &e, const unsigned char *extra, std::size_t size) {
  ByteReader r(extra, size);
  while (r.remaining() >= 4) {
    std::uint16_t tag = r.u16();
    std::uint16_t len = r.u16();
    if (r.remaining() < len) return false;
    if (tag != 1) {
      r.skip(len);
      continue;
    }
    ByteReader f(extra + r.pos(), len);
    auto next64 = [&f](std::uint64_t &v) {
      std::uint32_t lo = f.u32(), hi = f.u32();
      v = (std::uint64_t(hi) << 32) | lo;
      return f.ok();
    };
    if (e.header.uncompressedSize == 0xFFFFFFFFu && !next64(e.uncompressedSize)) return false;
    if (e.header.compressedSize == 0xFFFFFFFFu && !next64(e.compressedSize)) return false;
    if (e.header.localHeaderOffset == 0xFFFFFFFFu && !next64(e.localOffset)) return false;
    return true;
  }
  return false;
}

} // namespace

bool readArchiveDir(ByteSource &src, ArchiveDir &dir, std::string &error) {
  dir = ArchiveDir{};
  const std::uint64_t fileSize = src.size();
  if (fileSize < kEndSize) {
    error = "This archive is not a valid Zip archive";
    return false;
  }
  std::size_t tailSize = static_cast<std::size_t>(std::min<std::uint64_t>(fileSize, kEndSearchSpan));
  std::vector<unsigned char> tail(tailSize);
  if (!src.read(fileSize - tailSize, tail.data(), tailSize)) {
    error = "Error while reading the End Of Central Directory";
    return false;
  }
  long long at = findEndRecord(tail.data(), tailSize);
  if (at < 0) {
    error = "This archive is not a valid Zip archive";
    return false;
  }
  EndRecord end;
  end.read(tail.data() + at, tailSize - static_cast<std::size_t>(at));
  const std::uint64_t endPos = fileSize - tailSize + static_cast<std::uint64_t>(at);
  dir.comment.assign(reinterpret_cast<const char *>(tail.data() + at + kEndSize), end.commentLength);

  if (end.diskNumber != 0 || end.directoryDisk != 0 || end.entriesOnDisk != end.totalEntries) {
    error = "Archives spread over several disks are not supported";
    return false;
  }
  // 0xFFFF entries is a real count unless a ZIP64 locator sits in front of the end record.
  unsigned char locator[4] = {};
  const bool zip64Locator = endPos >= 20 && src.read(endPos - 20, locator, 4) && getLe32(locator) == 0x07064B50u;
  if (zip64Locator || end.directorySize == 0xFFFFFFFFu || end.directoryOffset == 0xFFFFFFFFu) {
    error = "ZIP64 archives are not supported";
    return false;
  }
  if (end.directorySize > endPos) {
    error = "A central header signature is wrong";
    return false;
  }
  // Where the directory really is; bytes put in front of an archive (a
  // self-extractor stub, for instance) shift every recorded offset by as much.
  dir.directoryStart = endPos - end.directorySize;
  const std::int64_t shift = static_cast<std::int64_t>(dir.directoryStart) - static_cast<std::int64_t>(end.directoryOffset);

  std::vector<unsigned char> cd(end.directorySize);
  if (!src.read(dir.directoryStart, cd.data(), cd.size())) {
    error = "Error while reading a central header";
    return false;
  }
  std::size_t pos = 0;
  dir.entries.reserve(end.totalEntries);
  for (unsigned i = 0; i < end.totalEntries; ++i) {
    DirEntry e;
    if (!e.header.read(cd.data() + pos, cd.size() - pos)) {
      error = "A central header signature is wrong";
      return false;
    }
    std::size_t recordSize = kCentralSize + e.header.variableSize();
    if (recordSize > cd.size() - pos) {
      error = "Error while reading a central header";
      return false;
    }
    const unsigned char *var = cd.data() + pos + kCentralSize;
    e.rawName.assign(reinterpret_cast<const char *>(var), e.header.nameLength);
    e.name = entryDisplayName(e.header, e.rawName);
    e.central.assign(cd.data() + pos, cd.data() + pos + recordSize);
    e.compressedSize = e.header.compressedSize;
    e.uncompressedSize = e.header.uncompressedSize;
    e.localOffset = e.header.localHeaderOffset;
    if (e.header.compressedSize == 0xFFFFFFFFu || e.header.uncompressedSize == 0xFFFFFFFFu ||
        e.header.localHeaderOffset == 0xFFFFFFFFu) {
      e.zip64 = true;
      if (!applyZip64(e, var + e.header.nameLength, e.header.extraLength)) {
        error = "A ZIP64 extra field is damaged";
        return false;
      }
    }
    std::int64_t real = static_cast<std::int64_t>(e.localOffset) + shift;
    if (real < 0 || static_cast<std::uint64_t>(real) + kLocalSize > dir.directoryStart) {
      error = "Warning - Error in zip structure!";
      return false;
    }
    e.localOffset = static_cast<std::uint64_t>(real);
    pos += recordSize;
    dir.entries.push_back(std::move(e));
  }
  dir.prefixSize = dir.directoryStart;
  for (const DirEntry &e : dir.entries) dir.prefixSize = std::min(dir.prefixSize, e.localOffset);
  return true;
}

} // namespace qel::engine
