#include "zip/zipdatalist.h"

#include "zip/ziparchiver.h"

#include <cstring>
#include <stdexcept>

namespace qel {

TMZipDataList::TMZipDataList(int count) { items_.resize(std::size_t(std::max(count, 0))); }

TMZipDataRecord &TMZipDataList::Items(int index) {
  if (index < 0 || index >= Count())
    throw std::out_of_range(QStringLiteral("Index (%1) outside range 1..%2").arg(index).arg(Count() - 1).toStdString());
  return items_[std::size_t(index)];
}

int TMZipDataList::IndexOfName(const QByteArray &name) const {
  for (std::size_t i = 0; i < items_.size(); ++i)
    if (items_[i].FileName.compare(name, Qt::CaseInsensitive) == 0) return int(i);
  throw EZipArchiver::CreateFromId(DS_LOHNotFound, true);
}

int TMZipDataList::IndexOfOffset(std::uint16_t disk, std::uint64_t offset) const {
  for (std::size_t i = 0; i < items_.size(); ++i)
    if (items_[i].SourceDisk == disk && items_[i].SourceOffset == offset) return int(i);
  throw EZipArchiver::CreateFromId(DS_LOHNotFound, true);
}

void TZipStream::SetSize(qint64 size) {
  external_ = nullptr;
  externalSize_ = 0;
  owned_.resize(qsizetype(size));
  if (position_ > size) position_ = size;
}

bool TZipStream::Seek(qint64 position) {
  if (position < 0) return false;
  position_ = position;
  return true;
}

qint64 TZipStream::Read(char *out, qint64 count) {
  const qint64 n = std::max<qint64>(0, std::min(count, size() - position_));
  if (n > 0) std::memcpy(out, data() + position_, std::size_t(n));
  position_ += n;
  return n;
}

qint64 TZipStream::Write(const char *in, qint64 count) {
  if (count <= 0) return 0;
  if (!external_ && position_ + count > owned_.size()) owned_.resize(qsizetype(position_ + count));
  const qint64 n = std::max<qint64>(0, std::min(count, size() - position_));
  if (n > 0) std::memcpy(data() + position_, in, std::size_t(n));
  position_ += n;
  return n;
}

void TZipStream::SetPointer(char *memory, qint64 size) {
  owned_.clear();
  external_ = memory;
  externalSize_ = memory ? size : 0;
  position_ = 0;
}

} // namespace qel
