#include "zip/engine/archivedir.h"

#include "zip/engine/engineutil.h"
#include "zip/format/zipnames.h"

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

std::string entryDisplayName(const CentralHeader &h, const std::string &raw, NameCodePage codePage,
                             std::string_view extra) {
  std::string name = decodeEntryName(raw, h.flags, h.versionMadeBy, codePage, extra);
  std::replace(name.begin(), name.end(), '\\', '/');
  return name;
}

bool DirEntry::isDir() const { return isFolderEntryName(name); }

namespace {

bool readSource(void *context, std::uint64_t offset, void *out, std::size_t n) {
  return static_cast<ByteSource *>(context)->read(offset, out, n);
}

} // namespace

bool readArchiveDir(ByteSource &src, ArchiveDir &dir, std::string &error, NameCodePage codePage) {
  dir = ArchiveDir{};
  DirectoryLocation where;
  switch (locateDirectory(src.size(), &readSource, &src, where)) {
  case LocateResult::Found: break;
  case LocateResult::ReadError:
    error = "Error while reading the End Of Central Directory";
    return false;
  case LocateResult::Zip64Damaged:
    error = "The ZIP64 end record is damaged";
    return false;
  case LocateResult::NotAnArchive:
  case LocateResult::DirectoryTooLarge:
    error = "This archive is not a valid Zip archive";
    return false;
  }
  dir.comment.resize(where.end.commentLength);
  if (!src.read(where.endPos + kEndSize, dir.comment.data(), dir.comment.size())) {
    error = "Error while reading the archive comment";
    return false;
  }
  if (where.diskNumber != 0 || where.directoryDisk != 0 || (!where.zip64 && where.end.entriesOnDisk != where.end.totalEntries)) {
    error = "Archives spread over several disks are not supported";
    return false;
  }
  // Where the directory really is; bytes put in front of an archive (a
  // self-extractor stub, for instance) shift every recorded offset by as much.
  dir.directoryStart = where.directoryStart;
  const std::int64_t shift = where.shift;
  if (where.directorySize > src.size()) {
    error = "A central header signature is wrong";
    return false;
  }
  std::vector<unsigned char> cd(static_cast<std::size_t>(where.directorySize));
  if (!src.read(dir.directoryStart, cd.data(), cd.size())) {
    error = "Error while reading a central header";
    return false;
  }
  // Every entry the directory holds is read; their number must agree with
  // the recorded count, so an archive is never handled incomplete.
  std::size_t pos = 0;
  dir.entries.reserve(std::min<std::size_t>(static_cast<std::size_t>(where.totalEntries), cd.size() / kCentralSize + 1));
  while (pos < cd.size()) {
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
    e.name = entryDisplayName(e.header, e.rawName, codePage,
                              std::string_view(reinterpret_cast<const char *>(var) + e.header.nameLength,
                                               e.header.extraLength));
    e.central.assign(cd.data() + pos, cd.data() + pos + recordSize);
    Entry64 full;
    if (!readEntry64(e.header, var + e.header.nameLength, e.header.extraLength, full)) {
      error = "A ZIP64 extra field is damaged";
      return false;
    }
    e.compressedSize = full.compressedSize;
    e.uncompressedSize = full.uncompressedSize;
    e.zip64 = full.zip64;
    if (full.localHeaderOffset > (std::uint64_t(1) << 62)) {
      error = "Warning - Error in zip structure!";
      return false;
    }
    std::int64_t real = static_cast<std::int64_t>(full.localHeaderOffset) + shift;
    if (real < 0 || static_cast<std::uint64_t>(real) + kLocalSize > dir.directoryStart) {
      error = "Warning - Error in zip structure!";
      return false;
    }
    e.localOffset = static_cast<std::uint64_t>(real);
    pos += recordSize;
    dir.entries.push_back(std::move(e));
  }
  if (!where.countAgrees(dir.entries.size())) {
    error = "The number of entries does not agree with the central directory (" + std::to_string(dir.entries.size()) +
            " found, " + std::to_string(where.totalEntries) + " recorded)";
    return false;
  }
  // Each entry's data belongs to it alone. Entries that share a local header
  // or reach into the next one would let a small archive expand without limit.
  std::vector<const DirEntry *> byOffset;
  byOffset.reserve(dir.entries.size());
  for (const DirEntry &e : dir.entries) byOffset.push_back(&e);
  std::sort(byOffset.begin(), byOffset.end(), [](const DirEntry *a, const DirEntry *b) { return a->localOffset < b->localOffset; });
  for (std::size_t i = 0; i < byOffset.size(); ++i) {
    const DirEntry &e = *byOffset[i];
    const std::uint64_t limit = i + 1 < byOffset.size() ? byOffset[i + 1]->localOffset : dir.directoryStart;
    if (e.compressedSize > dir.directoryStart || e.localOffset + kLocalSize + e.compressedSize > limit) {
      error = "Entries overlap in the archive (refused): " + e.name;
      return false;
    }
  }
  dir.prefixSize = dir.directoryStart;
  for (const DirEntry &e : dir.entries) dir.prefixSize = std::min(dir.prefixSize, e.localOffset);
  return true;
}

} // namespace qel::engine
