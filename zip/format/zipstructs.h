#pragma once
// The on-disk ZIP structures shared by the archive component and the two
// engine libraries: local and central headers, the end-of-central-directory
// record and data descriptors, with little-endian, bounds-checked readers and
// writers. Pure C++: no Qt, so the engines stay free of it.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace qel::zipfmt {

constexpr std::uint32_t kLocalSig = 0x04034B50;
constexpr std::uint32_t kCentralSig = 0x02014B50;
constexpr std::uint32_t kEndSig = 0x06054B50;
constexpr std::uint32_t kDescriptorSig = 0x08074B50;  // also the spanned-set marker
constexpr std::uint32_t kSpanSig = 0x08074B50;

constexpr std::size_t kLocalSize = 30;
constexpr std::size_t kCentralSize = 46;
constexpr std::size_t kEndSize = 22;
constexpr std::size_t kDescriptorSize = 16;  // with its signature
constexpr std::size_t kMaxCommentSize = 65535;
// How far from the end an end record can start: its own size plus the longest comment.
constexpr std::size_t kEndSearchSpan = kEndSize + kMaxCommentSize;

// General purpose flag bits.
constexpr std::uint16_t kFlagEncrypted = 0x0001;
constexpr std::uint16_t kFlagDescriptor = 0x0008;
constexpr std::uint16_t kFlagUtf8 = 0x0800;

constexpr std::uint16_t kMethodStored = 0;
constexpr std::uint16_t kMethodDeflated = 8;

// Little-endian access to a byte buffer. Every read checks its bounds.
inline std::uint16_t getLe16(const unsigned char *p) { return std::uint16_t(p[0] | (p[1] << 8)); }
inline std::uint32_t getLe32(const unsigned char *p) {
  return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) | (std::uint32_t(p[3]) << 24);
}
inline void putLe16(unsigned char *p, std::uint16_t v) { p[0] = v & 0xFF; p[1] = (v >> 8) & 0xFF; }
inline void putLe32(unsigned char *p, std::uint32_t v) {
  p[0] = v & 0xFF; p[1] = (v >> 8) & 0xFF; p[2] = (v >> 16) & 0xFF; p[3] = (v >> 24) & 0xFF;
}

// A read cursor over a byte range; a read past the end fails and leaves the cursor failed.
class ByteReader {
public:
  ByteReader(const void *data, std::size_t size) : p_(static_cast<const unsigned char *>(data)), size_(size) {}
  bool ok() const { return ok_; }
  std::size_t pos() const { return pos_; }
  std::size_t remaining() const { return ok_ ? size_ - pos_ : 0; }
  std::uint8_t u8();
  std::uint16_t u16();
  std::uint32_t u32();
  // Copies n bytes out; on failure nothing is copied and the reader fails.
  bool bytes(void *out, std::size_t n);
  bool skip(std::size_t n);
private:
  bool need(std::size_t n);
  const unsigned char *p_;
  std::size_t size_;
  std::size_t pos_ = 0;
  bool ok_ = true;
};

// Appends little-endian values to a byte vector.
class ByteWriter {
public:
  explicit ByteWriter(std::vector<unsigned char> &out) : out_(out) {}
  void u16(std::uint16_t v) { unsigned char b[2]; putLe16(b, v); out_.insert(out_.end(), b, b + 2); }
  void u32(std::uint32_t v) { unsigned char b[4]; putLe32(b, v); out_.insert(out_.end(), b, b + 4); }
  void bytes(const void *data, std::size_t n) {
    auto *c = static_cast<const unsigned char *>(data);
    out_.insert(out_.end(), c, c + n);
  }
private:
  std::vector<unsigned char> &out_;
};

struct LocalHeader {
  std::uint16_t versionNeeded = 20;
  std::uint16_t flags = 0;
  std::uint16_t method = 0;
  std::uint16_t dosTime = 0;
  std::uint16_t dosDate = 0;
  std::uint32_t crc = 0;
  std::uint32_t compressedSize = 0;
  std::uint32_t uncompressedSize = 0;
  std::uint16_t nameLength = 0;
  std::uint16_t extraLength = 0;

  // Reads the fixed 30 bytes (signature included); false on a short buffer or wrong signature.
  bool read(const unsigned char *data, std::size_t size);
  void write(std::vector<unsigned char> &out) const;  // the fixed 30 bytes
};

// The 42 bytes of a central header after its signature, in stored order.
struct CentralFields {
  std::uint16_t versionMadeBy = 0;
  std::uint16_t versionNeeded = 0;
  std::uint16_t flags = 0;
  std::uint16_t method = 0;
  std::uint16_t dosTime = 0;
  std::uint16_t dosDate = 0;
  std::uint32_t crc = 0;
  std::uint32_t compressedSize = 0;
  std::uint32_t uncompressedSize = 0;
  std::uint16_t nameLength = 0;
  std::uint16_t extraLength = 0;
  std::uint16_t commentLength = 0;
  std::uint16_t diskNumberStart = 0;
  std::uint16_t internalAttributes = 0;
  std::uint32_t externalAttributes = 0;
  std::uint32_t localHeaderOffset = 0;

  std::uint8_t hostSystem() const { return std::uint8_t(versionMadeBy >> 8); }
  // Bytes of name, extra field and comment that follow the fixed header.
  std::size_t variableSize() const { return std::size_t(nameLength) + extraLength + commentLength; }
};

struct CentralHeader : CentralFields {
  // Reads the fixed 46 bytes (signature included); false on a short buffer or wrong signature.
  bool read(const unsigned char *data, std::size_t size);
  void write(std::vector<unsigned char> &out) const;  // the fixed 46 bytes
};

struct EndRecord {
  std::uint16_t diskNumber = 0;
  std::uint16_t directoryDisk = 0;
  std::uint16_t entriesOnDisk = 0;
  std::uint16_t totalEntries = 0;
  std::uint32_t directorySize = 0;
  std::uint32_t directoryOffset = 0;
  std::uint16_t commentLength = 0;

  bool read(const unsigned char *data, std::size_t size);  // 22 bytes, signature included
  void write(std::vector<unsigned char> &out) const;
};

struct DataDescriptor {
  std::uint32_t crc = 0;
  std::uint32_t compressedSize = 0;
  std::uint32_t uncompressedSize = 0;
  void write(std::vector<unsigned char> &out) const;  // 16 bytes, signature included
  // Reads a descriptor with or without its signature; `consumed` tells how many bytes it took.
  bool read(const unsigned char *data, std::size_t size, std::size_t &consumed);
};

// Finds the end record in the tail of a file. `tail` holds the last
// `tailSize` bytes of the file (all of it, or at least kEndSearchSpan bytes).
// A candidate counts where its 22 bytes plus its comment fit before the end
// of the file (bytes may follow it: some tools pad their output), and where
// its directory size fits before it when the tail is the whole file. A
// candidate inside the comment of an earlier candidate never counts, so an
// end signature hidden in an archive comment cannot win. Of the rest, one
// whose comment reaches the end of the file comes first, then the others
// backwards from the end.
// Returns the candidates' offsets within `tail`, best first (empty when none).
// `directoryMustFit` false drops the directory check (the last volume of a
// spanned set holds only the end of its directory).
std::vector<std::size_t> endRecordCandidates(const unsigned char *tail, std::size_t tailSize, bool directoryMustFit = true);
// The best candidate, or -1 when there is none.
long long findEndRecord(const unsigned char *tail, std::size_t tailSize);

// ZIP64: an end record of its own with 64-bit counts and offsets, found
// through a locator right in front of the classic end record.
constexpr std::uint32_t kZip64EndSig = 0x06064B50;
constexpr std::uint32_t kZip64LocatorSig = 0x07064B50;
constexpr std::size_t kZip64EndSize = 56;      // without its extensible data
constexpr std::size_t kZip64LocatorSize = 20;
constexpr std::uint16_t kZip64ExtraTag = 0x0001;

struct Zip64EndRecord {
  std::uint64_t recordSize = 0;   // bytes after the size field
  std::uint32_t diskNumber = 0;
  std::uint32_t directoryDisk = 0;
  std::uint64_t entriesOnDisk = 0;
  std::uint64_t totalEntries = 0;
  std::uint64_t directorySize = 0;
  std::uint64_t directoryOffset = 0;
  bool read(const unsigned char *data, std::size_t size);  // 56 bytes, signature included
};

struct Zip64Locator {
  std::uint32_t endDisk = 0;
  std::uint64_t endOffset = 0;
  std::uint32_t totalDisks = 0;
  bool read(const unsigned char *data, std::size_t size);  // 20 bytes, signature included
};

// The 64-bit values of an entry: the central header's, with those it marks
// with all ones taken from the ZIP64 extra field, in the format's order.
struct Entry64 {
  std::uint64_t uncompressedSize = 0;
  std::uint64_t compressedSize = 0;
  std::uint64_t localHeaderOffset = 0;
  bool zip64 = false;  // some value came from the ZIP64 extra field
};
// False when a marked value is missing from the extra field (or it is damaged).
bool readEntry64(const CentralFields &h, const unsigned char *extra, std::size_t extraSize, Entry64 &out);

// Where an archive's central directory is, from its end record(s).
struct DirectoryLocation {
  EndRecord end;                   // the classic end record as stored
  std::uint64_t endPos = 0;        // its offset in the file
  bool zip64 = false;              // a ZIP64 end record was found and is used
  std::uint32_t diskNumber = 0;    // disk of the end record
  std::uint32_t directoryDisk = 0; // disk on which the directory starts
  std::uint64_t totalEntries = 0;  // as recorded (16 bits of it without ZIP64)
  std::uint64_t directorySize = 0;
  std::uint64_t directoryOffset = 0;  // as recorded
  std::uint64_t directoryStart = 0;   // where it really is: it ends where the end record(s) start
  std::uint64_t directoryEnd = 0;
  std::int64_t shift = 0;             // real minus recorded offsets (bytes in front of the archive)
  // Whether `count` entries read from the directory agree with the recorded
  // count: exactly with ZIP64, else in the 16 bits a classic record holds
  // (tools that write more than 65,535 entries without ZIP64 let it wrap).
  bool countAgrees(std::uint64_t count) const {
    return zip64 ? count == totalEntries : (count & 0xFFFF) == totalEntries;
  }
};

enum class LocateResult {
  Found,
  ReadError,        // the tail could not be read
  NotAnArchive,     // no end record
  DirectoryTooLarge,// the directory does not fit before the end record
  Zip64Damaged,     // a ZIP64 locator points at no ZIP64 end record
};

// Reads `n` bytes at `offset`; false when they are not all there.
using ReadAtFunc = bool (*)(void *context, std::uint64_t offset, void *out, std::size_t n);

// Finds the end record (the best candidate whose directory starts with a
// central header, else the best candidate), reads the ZIP64 end record
// through its locator where there is one, and works out where the directory
// really is. One reader of the end records for the component and the engines.
LocateResult locateDirectory(std::uint64_t fileSize, ReadAtFunc read, void *context, DirectoryLocation &out);

// CRC-32 as ZIP uses it (zlib's crc32: pre- and post-inverted).
std::uint32_t crc32Update(std::uint32_t crc, const void *data, std::size_t size);
inline std::uint32_t crc32Of(const void *data, std::size_t size) { return crc32Update(0, data, size); }

// DOS date and time packing of a local time.
struct DosDateTime {
  std::uint16_t time = 0;
  std::uint16_t date = 0;
};
DosDateTime toDosDateTime(int year, int month, int day, int hour, int minute, int second);
DosDateTime dosDateTimeFromUnix(long long unixSeconds);  // local time
long long unixFromDosDateTime(std::uint16_t dosDate, std::uint16_t dosTime);  // local time, -1 when invalid

} // namespace qel::zipfmt
