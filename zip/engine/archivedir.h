#pragma once
// Reading an archive's central directory (for extracting, and for growing an
// archive), through a byte source that is either a file or a memory block.

#include "zip/format/zipnames.h"
#include "zip/format/zipstructs.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace qel::engine {

class ByteSource {
public:
  virtual ~ByteSource() = default;
  virtual std::uint64_t size() const = 0;
  // Reads exactly n bytes at offset; false when they are not all there.
  virtual bool read(std::uint64_t offset, void *out, std::size_t n) = 0;
};

class FileSource : public ByteSource {
public:
  explicit FileSource(int fd);  // does not take the descriptor
  std::uint64_t size() const override { return size_; }
  bool read(std::uint64_t offset, void *out, std::size_t n) override;
private:
  int fd_;
  std::uint64_t size_ = 0;
};

class MemorySource : public ByteSource {
public:
  MemorySource(const void *data, std::size_t size) : data_(static_cast<const unsigned char *>(data)), size_(size) {}
  std::uint64_t size() const override { return size_; }
  bool read(std::uint64_t offset, void *out, std::size_t n) override;
private:
  const unsigned char *data_;
  std::size_t size_;
};

struct DirEntry {
  zipfmt::CentralHeader header;       // as stored
  std::string rawName;                // name bytes as stored
  std::string name;                   // UTF-8, "\" turned into "/"
  std::vector<unsigned char> central; // the whole central record, verbatim
  std::uint64_t compressedSize = 0;   // from the ZIP64 extra field where needed
  std::uint64_t uncompressedSize = 0;
  std::uint64_t localOffset = 0;      // where the local header really is
  bool zip64 = false;                 // some field lives in the ZIP64 extra field
  bool isDir() const;  // a folder entry (see isFolderEntryName)
};

struct ArchiveDir {
  std::vector<DirEntry> entries;      // in directory order
  std::uint64_t directoryStart = 0;   // where the central directory really is
  std::uint64_t prefixSize = 0;       // bytes before the first local header
  std::string comment;
};

// Reads the directory; false with a message in `error` for anything that is not
// a readable archive. Every size and offset is checked against the source.
// Refuses archives whose entries overlap, and ones whose directory holds a
// different number of entries than recorded.
bool readArchiveDir(ByteSource &src, ArchiveDir &dir, std::string &error,
                    zipfmt::NameCodePage codePage = zipfmt::NameCodePage::Auto);

// The entry's name as a caller sees it: the listing's decoding (its Unicode
// path field, in `extra`, included), with "\" as a folder separator turned into "/".
std::string entryDisplayName(const zipfmt::CentralHeader &h, const std::string &raw,
                             zipfmt::NameCodePage codePage = zipfmt::NameCodePage::Auto, std::string_view extra = {});

} // namespace qel::engine
