#include "zip/format/zipstructs.h"

#include <cstring>
#include <ctime>
#include <zlib.h>

namespace qel::zipfmt {

bool ByteReader::need(std::size_t n) {
  if (!ok_ || n > size_ - pos_) {
    ok_ = false;
    return false;
  }
  return true;
}

std::uint8_t ByteReader::u8() {
  if (!need(1)) return 0;
  return p_[pos_++];
}

std::uint16_t ByteReader::u16() {
  if (!need(2)) return 0;
  std::uint16_t v = getLe16(p_ + pos_);
  pos_ += 2;
  return v;
}

std::uint32_t ByteReader::u32() {
  if (!need(4)) return 0;
  std::uint32_t v = getLe32(p_ + pos_);
  pos_ += 4;
  return v;
}

bool ByteReader::bytes(void *out, std::size_t n) {
  if (!need(n)) return false;
  if (n) std::memcpy(out, p_ + pos_, n);
  pos_ += n;
  return true;
}

bool ByteReader::skip(std::size_t n) {
  if (!need(n)) return false;
  pos_ += n;
  return true;
}

bool LocalHeader::read(const unsigned char *data, std::size_t size) {
  ByteReader r(data, size);
  if (r.u32() != kLocalSig) return false;
  versionNeeded = r.u16();
  flags = r.u16();
  method = r.u16();
  dosTime = r.u16();
  dosDate = r.u16();
  crc = r.u32();
  compressedSize = r.u32();
  uncompressedSize = r.u32();
  nameLength = r.u16();
  extraLength = r.u16();
  return r.ok();
}

void LocalHeader::write(std::vector<unsigned char> &out) const {
  ByteWriter w(out);
  w.u32(kLocalSig);
  w.u16(versionNeeded);
  w.u16(flags);
  w.u16(method);
  w.u16(dosTime);
  w.u16(dosDate);
  w.u32(crc);
  w.u32(compressedSize);
  w.u32(uncompressedSize);
  w.u16(nameLength);
  w.u16(extraLength);
}

bool CentralHeader::read(const unsigned char *data, std::size_t size) {
  ByteReader r(data, size);
  if (r.u32() != kCentralSig) return false;
  versionMadeBy = r.u16();
  versionNeeded = r.u16();
  flags = r.u16();
  method = r.u16();
  dosTime = r.u16();
  dosDate = r.u16();
  crc = r.u32();
  compressedSize = r.u32();
  uncompressedSize = r.u32();
  nameLength = r.u16();
  extraLength = r.u16();
  commentLength = r.u16();
  diskNumberStart = r.u16();
  internalAttributes = r.u16();
  externalAttributes = r.u32();
  localHeaderOffset = r.u32();
  return r.ok();
}

void CentralHeader::write(std::vector<unsigned char> &out) const {
  ByteWriter w(out);
  w.u32(kCentralSig);
  w.u16(versionMadeBy);
  w.u16(versionNeeded);
  w.u16(flags);
  w.u16(method);
  w.u16(dosTime);
  w.u16(dosDate);
  w.u32(crc);
  w.u32(compressedSize);
  w.u32(uncompressedSize);
  w.u16(nameLength);
  w.u16(extraLength);
  w.u16(commentLength);
  w.u16(diskNumberStart);
  w.u16(internalAttributes);
  w.u32(externalAttributes);
  w.u32(localHeaderOffset);
}

bool EndRecord::read(const unsigned char *data, std::size_t size) {
  ByteReader r(data, size);
  if (r.u32() != kEndSig) return false;
  diskNumber = r.u16();
  directoryDisk = r.u16();
  entriesOnDisk = r.u16();
  totalEntries = r.u16();
  directorySize = r.u32();
  directoryOffset = r.u32();
  commentLength = r.u16();
  return r.ok();
}

void EndRecord::write(std::vector<unsigned char> &out) const {
  ByteWriter w(out);
  w.u32(kEndSig);
  w.u16(diskNumber);
  w.u16(directoryDisk);
  w.u16(entriesOnDisk);
  w.u16(totalEntries);
  w.u32(directorySize);
  w.u32(directoryOffset);
  w.u16(commentLength);
}

void DataDescriptor::write(std::vector<unsigned char> &out) const {
  ByteWriter w(out);
  w.u32(kDescriptorSig);
  w.u32(crc);
  w.u32(compressedSize);
  w.u32(uncompressedSize);
}

bool DataDescriptor::read(const unsigned char *data, std::size_t size, std::size_t &consumed) {
  ByteReader r(data, size);
  std::uint32_t first = r.u32();
  if (!r.ok()) return false;
  if (first == kDescriptorSig) {
    crc = r.u32();
  } else {
    crc = first;
  }
  compressedSize = r.u32();
  uncompressedSize = r.u32();
  if (!r.ok()) return false;
  consumed = r.pos();
  return true;
}

long long findEndRecord(const unsigned char *tail, std::size_t tailSize) {
  if (!tail || tailSize < kEndSize) return -1;
  // The earliest position whose comment can still reach the end.
  const std::size_t first = tailSize > kEndSearchSpan ? tailSize - kEndSearchSpan : 0;
  for (std::size_t i = first; i + kEndSize <= tailSize; ++i) {
    if (getLe32(tail + i) != kEndSig) continue;
    const std::size_t commentLength = getLe16(tail + i + 20);
    if (i + kEndSize + commentLength != tailSize) continue;
    // Where the tail is the whole file, the directory must fit before the record.
    const std::size_t directorySize = getLe32(tail + i + 12);
    if (tailSize < kEndSearchSpan && directorySize > i) continue;
    return static_cast<long long>(i);
  }
  return -1;
}

std::uint32_t crc32Update(std::uint32_t crc, const void *data, std::size_t size) {
  auto *p = static_cast<const Bytef *>(data);
  uLong c = crc;
  while (size > 0) {
    uInt chunk = size > 0x40000000u ? 0x40000000u : static_cast<uInt>(size);
    c = ::crc32(c, p, chunk);
    p += chunk;
    size -= chunk;
  }
  return static_cast<std::uint32_t>(c);
}

DosDateTime toDosDateTime(int year, int month, int day, int hour, int minute, int second) {
  DosDateTime d;
  if (year < 1980) { year = 1980; month = 1; day = 1; hour = 0; minute = 0; second = 0; }
  if (year > 2107) { year = 2107; month = 12; day = 31; hour = 23; minute = 59; second = 58; }
  d.date = std::uint16_t(((year - 1980) << 9) | (month << 5) | day);
  d.time = std::uint16_t((hour << 11) | (minute << 5) | (second / 2));
  return d;
}

DosDateTime dosDateTimeFromUnix(long long unixSeconds) {
  std::time_t t = static_cast<std::time_t>(unixSeconds);
  std::tm tmv{};
  if (!localtime_r(&t, &tmv)) return toDosDateTime(1980, 1, 1, 0, 0, 0);
  return toDosDateTime(tmv.tm_year + 1900, tmv.tm_mon + 1, tmv.tm_mday, tmv.tm_hour, tmv.tm_min, tmv.tm_sec);
}

long long unixFromDosDateTime(std::uint16_t dosDate, std::uint16_t dosTime) {
  int day = dosDate & 0x1F, month = (dosDate >> 5) & 0x0F, year = 1980 + (dosDate >> 9);
  int second = (dosTime & 0x1F) * 2, minute = (dosTime >> 5) & 0x3F, hour = dosTime >> 11;
  if (day < 1 || month < 1 || month > 12 || hour > 23 || minute > 59 || second > 59) return -1;
  std::tm tmv{};
  tmv.tm_year = year - 1900;
  tmv.tm_mon = month - 1;
  tmv.tm_mday = day;
  tmv.tm_hour = hour;
  tmv.tm_min = minute;
  tmv.tm_sec = second;
  tmv.tm_isdst = -1;
  return static_cast<long long>(std::mktime(&tmv));
}

} // namespace qel::zipfmt
