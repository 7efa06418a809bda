#include "zip/format/zipstructs.h"

#include <algorithm>
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

std::vector<std::size_t> endRecordCandidates(const unsigned char *tail, std::size_t tailSize, bool directoryMustFit) {
  std::vector<std::size_t> uncovered;
  if (!tail || tailSize < kEndSize) return uncovered;
  std::size_t coveredUntil = 0;  // end of the furthest comment of the candidates so far
  long long exactEnd = -1;       // the first uncovered candidate whose comment reaches the end
  for (std::size_t i = 0; i + kEndSize <= tailSize; ++i) {
    if (getLe32(tail + i) != kEndSig) continue;
    const std::size_t commentLength = getLe16(tail + i + 20);
    if (commentLength > tailSize - i - kEndSize) continue;
    // Where the tail is the whole file, the directory must fit before the
    // record; all ones leave its size to the ZIP64 end record.
    const std::size_t directorySize = getLe32(tail + i + 12);
    if (directoryMustFit && tailSize < kEndSearchSpan && directorySize != 0xFFFFFFFFu && directorySize > i) continue;
    const bool inComment = i < coveredUntil;
    coveredUntil = std::max(coveredUntil, i + kEndSize + commentLength);
    if (inComment) continue;
    if (exactEnd < 0 && i + kEndSize + commentLength == tailSize) exactEnd = static_cast<long long>(i);
    uncovered.push_back(i);
  }
  // A record that ends the file comes first; then backwards from the end.
  std::vector<std::size_t> out;
  if (exactEnd >= 0) out.push_back(static_cast<std::size_t>(exactEnd));
  for (auto it = uncovered.rbegin(); it != uncovered.rend(); ++it)
    if (static_cast<long long>(*it) != exactEnd) out.push_back(*it);
  return out;
}

long long findEndRecord(const unsigned char *tail, std::size_t tailSize) {
  const std::vector<std::size_t> all = endRecordCandidates(tail, tailSize);
  return all.empty() ? -1 : static_cast<long long>(all.front());
}

bool Zip64EndRecord::read(const unsigned char *data, std::size_t size) {
  ByteReader r(data, size);
  if (r.u32() != kZip64EndSig) return false;
  auto u64 = [&r] {
    std::uint64_t lo = r.u32(), hi = r.u32();
    return (hi << 32) | lo;
  };
  recordSize = u64();
  r.skip(4);  // versions made by and needed
  diskNumber = r.u32();
  directoryDisk = r.u32();
  entriesOnDisk = u64();
  totalEntries = u64();
  directorySize = u64();
  directoryOffset = u64();
  return r.ok();
}

bool Zip64Locator::read(const unsigned char *data, std::size_t size) {
  ByteReader r(data, size);
  if (r.u32() != kZip64LocatorSig) return false;
  endDisk = r.u32();
  std::uint64_t lo = r.u32(), hi = r.u32();
  endOffset = (hi << 32) | lo;
  totalDisks = r.u32();
  return r.ok();
}

bool readEntry64(const CentralFields &h, const unsigned char *extra, std::size_t extraSize, Entry64 &out) {
  out.uncompressedSize = h.uncompressedSize;
  out.compressedSize = h.compressedSize;
  out.localHeaderOffset = h.localHeaderOffset;
  out.zip64 = false;
  const bool wantU = h.uncompressedSize == 0xFFFFFFFFu, wantC = h.compressedSize == 0xFFFFFFFFu,
             wantO = h.localHeaderOffset == 0xFFFFFFFFu;
  if (!wantU && !wantC && !wantO) return true;
  ByteReader r(extra, extraSize);
  while (r.remaining() >= 4) {
    const std::uint16_t tag = r.u16();
    const std::uint16_t len = r.u16();
    if (r.remaining() < len) return false;
    if (tag != kZip64ExtraTag) {
      r.skip(len);
      continue;
    }
    ByteReader f(extra + r.pos(), len);
    auto next64 = [&f](std::uint64_t &v) {
      std::uint64_t lo = f.u32(), hi = f.u32();
      v = (hi << 32) | lo;
      return f.ok();
    };
    if (wantU && !next64(out.uncompressedSize)) return false;
    if (wantC && !next64(out.compressedSize)) return false;
    if (wantO && !next64(out.localHeaderOffset)) return false;
    out.zip64 = true;
    return true;
  }
  return false;
}

namespace {

// Fills `out` from the end record at `endPos` (and its ZIP64 record); false
// with a reason when the two do not make a directory that fits the file.
LocateResult locateFrom(std::uint64_t fileSize, ReadAtFunc read, void *context, const unsigned char *record,
                        std::uint64_t endPos, DirectoryLocation &out) {
  out = DirectoryLocation{};
  out.end.read(record, kEndSize);
  out.endPos = endPos;
  out.diskNumber = out.end.diskNumber;
  out.directoryDisk = out.end.directoryDisk;
  out.totalEntries = out.end.totalEntries;
  out.directorySize = out.end.directorySize;
  out.directoryOffset = out.end.directoryOffset;
  out.directoryEnd = endPos;

  unsigned char loc[kZip64LocatorSize];
  Zip64Locator locator;
  if (endPos >= kZip64LocatorSize && read(context, endPos - kZip64LocatorSize, loc, sizeof loc) &&
      locator.read(loc, sizeof loc)) {
    // The ZIP64 end record ends where the locator starts; bytes in front of
    // the archive move it from its recorded offset, so both places are tried.
    const std::uint64_t locatorPos = endPos - kZip64LocatorSize;
    Zip64EndRecord z;
    std::uint64_t zPos = 0;
    bool found = false;
    const std::uint64_t tries[2] = {locator.endOffset, locatorPos >= kZip64EndSize ? locatorPos - kZip64EndSize : ~std::uint64_t(0)};
    for (std::uint64_t at : tries) {
      unsigned char zb[kZip64EndSize];
      if (at >= locatorPos || locatorPos - at < kZip64EndSize || !read(context, at, zb, sizeof zb) || !z.read(zb, sizeof zb))
        continue;
      if (z.recordSize < kZip64EndSize - 12 || z.recordSize + 12 != locatorPos - at) continue;
      zPos = at;
      found = true;
      break;
    }
    if (!found) return LocateResult::Zip64Damaged;
    out.zip64 = true;
    out.diskNumber = z.diskNumber;
    out.directoryDisk = z.directoryDisk;
    out.totalEntries = z.totalEntries;
    out.directorySize = z.directorySize;
    out.directoryOffset = z.directoryOffset;
    out.directoryEnd = zPos;
  }
  if (out.directorySize > out.directoryEnd || out.directoryEnd > fileSize) return LocateResult::DirectoryTooLarge;
  out.directoryStart = out.directoryEnd - out.directorySize;
  out.shift = static_cast<std::int64_t>(out.directoryStart) - static_cast<std::int64_t>(out.directoryOffset);
  return LocateResult::Found;
}

} // namespace

LocateResult locateDirectory(std::uint64_t fileSize, ReadAtFunc read, void *context, DirectoryLocation &out) {
  out = DirectoryLocation{};
  if (fileSize < kEndSize) return LocateResult::NotAnArchive;
  const std::size_t tailSize = static_cast<std::size_t>(std::min<std::uint64_t>(fileSize, kEndSearchSpan));
  std::vector<unsigned char> tail(tailSize);
  if (!read(context, fileSize - tailSize, tail.data(), tailSize)) return LocateResult::ReadError;
  const std::vector<std::size_t> candidates = endRecordCandidates(tail.data(), tailSize);
  if (candidates.empty()) return LocateResult::NotAnArchive;
  // The best candidate whose directory starts with a central header (or is
  // empty) wins; where none does, the best one stands, to be reported.
  LocateResult firstResult = LocateResult::NotAnArchive;
  DirectoryLocation first;
  for (std::size_t k = 0; k < candidates.size(); ++k) {
    DirectoryLocation loc;
    const LocateResult r =
        locateFrom(fileSize, read, context, tail.data() + candidates[k], fileSize - tailSize + candidates[k], loc);
    if (k == 0) {
      firstResult = r;
      first = loc;
    }
    if (r != LocateResult::Found) continue;
    unsigned char sig[4];
    const bool plausible = (loc.directorySize == 0 && loc.totalEntries == 0) ||
                           (loc.directorySize >= 4 && read(context, loc.directoryStart, sig, 4) && getLe32(sig) == kCentralSig);
    if (plausible) {
      out = loc;
      return r;
    }
  }
  out = first;
  return firstResult;
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
