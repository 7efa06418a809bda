#pragma once
// TMZipDataList: one record per archive entry while a spanned set is written
// or joined; TZipStream: the component's memory stream.

#include <QByteArray>

#include <cstdint>
#include <memory>
#include <vector>

namespace qel {

struct TMZipDataRecord {
  std::uint16_t DiskStart = 0;     // volume that holds the entry's local header
  std::uint32_t RelOffLocal = 0;   // offset of the local header within that volume (or the joined file)
  std::uint16_t FileNameLen = 0;
  QByteArray FileName;             // as stored, whole (never cut to a fixed width)
  std::uint32_t ComprSize = 0;     // from the entry's central header
  // Where the header was found in the source (volume and offset): how central
  // headers are matched to local headers, whatever their names.
  std::uint16_t SourceDisk = 0;
  std::uint64_t SourceOffset = 0;
};

class TMZipDataList {
public:
  explicit TMZipDataList(int count);
  int Count() const { return int(items_.size()); }
  // Raises std::out_of_range with "Index (%d) outside range 1..%d" beyond the count.
  TMZipDataRecord &Items(int index);
  // The first record with this name, without regard to letter case; raises
  // EZipArchiver 11026 when there is none.
  int IndexOfName(const QByteArray &name) const;
  // The record whose source header sits at this volume and offset; raises 11026 when none.
  int IndexOfOffset(std::uint16_t disk, std::uint64_t offset) const;

private:
  std::vector<TMZipDataRecord> items_;
};

// A memory stream that owns its bytes, or uses a block given by SetPointer
// without copying it.
class TZipStream {
public:
  TZipStream() = default;
  virtual ~TZipStream() = default;
  char *data() { return external_ ? external_ : owned_.data(); }
  qint64 size() const { return external_ ? externalSize_ : owned_.size(); }
  // Resizes its own block (dropping any block given by SetPointer).
  void SetSize(qint64 size);
  qint64 Position() const { return position_; }
  bool Seek(qint64 position);
  qint64 Read(char *out, qint64 count);
  qint64 Write(const char *in, qint64 count);  // grows its own block; a given block does not grow
  virtual void SetPointer(char *memory, qint64 size);

private:
  QByteArray owned_;
  char *external_ = nullptr;
  qint64 externalSize_ = 0;
  qint64 position_ = 0;
};

} // namespace qel
