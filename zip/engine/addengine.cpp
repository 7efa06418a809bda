// The adding engine: finds the files a job names, compresses and encrypts
// them into a new archive beside the old one (keeping the old one's other
// entries byte for byte), and puts the new archive in place only when whole.

#include "zip/engine/archivedir.h"
#include "zip/engine/enginecore.h"
#include "zip/engine/engineutil.h"

#include "zip/format/cp437.h"
#include "zip/format/zipcipher.h"
#include "zip/format/zipstructs.h"
#include "platform/parallel.h"
#include "platform/tempname.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <map>
#include <memory>
#include <set>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

namespace qel::engine {

using namespace qel::zipfmt;

namespace {

constexpr std::uint64_t kMax32 = 0xFFFFFFFFull;
constexpr std::size_t kMaxEntries = 65535;
constexpr std::size_t kChunk = 1 << 20;
// The window deflate looks back over: each compressed block starts with the
// input before it as its dictionary, so blocks lose nothing by standing apart.
constexpr std::size_t kWindow = 32768;

// One block of an entry's data and what deflate made of it. The blocks of an
// entry are compressed side by side, each on a stream of its own that starts
// with the window before the block as its dictionary and ends on a byte
// boundary (a sync flush, or the finish for the last block), so the blocks'
// outputs written one after another are one deflate stream. The blocks are
// always kChunk bytes (but the last), so the archive does not depend on the
// number of threads.
struct DeflateBlock {
  z_stream z{};
  bool ready = false;
  int level = -1;
  std::vector<unsigned char> in, out;
  std::size_t inSize = 0, outSize = 0;
  std::uint32_t crc = 0;
  bool last = false;
  bool failed = false;

  DeflateBlock() = default;
  DeflateBlock(const DeflateBlock &) = delete;
  DeflateBlock &operator=(const DeflateBlock &) = delete;
  ~DeflateBlock() {
    if (ready) deflateEnd(&z);
  }

  void compress(int wantedLevel, const unsigned char *dict, std::size_t dictSize) {
    failed = true;
    outSize = 0;
    if (ready && level != wantedLevel) {
      deflateEnd(&z);
      ready = false;
    }
    if (!ready) {
      z = z_stream{};
      if (deflateInit2(&z, wantedLevel, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK) return;
      ready = true;
      level = wantedLevel;
    } else if (deflateReset(&z) != Z_OK) {
      return;
    }
    if (dictSize > 0 && deflateSetDictionary(&z, dict, static_cast<uInt>(dictSize)) != Z_OK) return;
    crc = crc32Update(0, in.data(), inSize);
    // Room for the worst case and the flush marker; grown should it not do.
    out.resize(deflateBound(&z, static_cast<uLong>(inSize)) + 64);
    z.next_in = in.data();
    z.avail_in = static_cast<uInt>(inSize);
    for (;;) {
      z.next_out = out.data() + outSize;
      z.avail_out = static_cast<uInt>(out.size() - outSize);
      const int rc = deflate(&z, last ? Z_FINISH : Z_SYNC_FLUSH);
      outSize = out.size() - z.avail_out;
      if (rc == Z_STREAM_ERROR) return;
      const bool done = last ? rc == Z_STREAM_END : (z.avail_in == 0 && z.avail_out != 0);
      if (done) break;
      out.resize(out.size() * 2);
    }
    failed = false;
  }
};

struct FoundFile {
  std::string path;        // to open
  std::string storedName;  // as written into the archive
  bool encrypt = false;
  bool isDir = false;      // a folder entry (name ends in "/")
  std::string password;
  struct stat st {};
};

struct NewEntry {
  CentralHeader header;
  std::string name;
  std::string path;
};

std::string joinPath(const std::string &dir, const std::string &name) {
  if (dir.empty() || dir == ".") return name;
  if (dir.back() == '/') return dir + name;
  return dir + "/" + name;
}

// The name an entry gets: the path as the caller gave it, without anything
// that would make it leave a folder when extracted ("/", ".", "..").
std::string storedNameFor(const std::string &relPath, bool junkDirs) {
  if (junkDirs) return std::string(lastPathPart(relPath));
  std::string out;
  std::size_t start = 0;
  while (start <= relPath.size()) {
    std::size_t end = relPath.find('/', start);
    if (end == std::string::npos) end = relPath.size();
    std::string part = relPath.substr(start, end - start);
    if (!part.empty() && part != "." && part != "..") {
      if (!out.empty()) out += '/';
      out += part;
    }
    start = end + 1;
  }
  return out;
}

std::uint32_t dosStamp(const CentralFields &h) { return (std::uint32_t(h.dosDate) << 16) | h.dosTime; }

class Adder {
public:
  Adder(const AddJob &job, EngineEvents &ev) : job_(job), ev_(ev) {}
  ~Adder();
  int run();

private:
  // Finding files.
  void collect();
  void collectRequest(const AddRequest &request);
  void walk(const std::string &dirPath, const std::string &relDir, const std::string &pattern, bool recurse,
            const AddRequest &request);
  void consider(const std::string &path, const std::string &relPath, const struct stat &st, bool fromPattern,
                const AddRequest &request);
  void considerFolder(const std::string &path, const std::string &relPath, const struct stat &st);
  bool excluded(const std::string &relPath) const;

  // Writing.
  bool openOld();
  bool openTemp();
  bool copyRange(std::uint64_t from, std::uint64_t size);
  enum class Outcome { Added, Skipped, Failed };
  Outcome addFile(const FoundFile &f);
  Outcome addFolder(const FoundFile &f);
  bool finish();
  void abandon();
  bool say(int error, const std::string &text) { return ev_.message(error, text); }

  const AddJob &job_;
  EngineEvents &ev_;
  std::vector<FoundFile> found_;
  std::set<std::string> foundNames_;

  std::string target_;      // the archive path, links resolved
  int oldFd_ = -1;
  struct stat oldSt_ {};
  bool haveOld_ = false;
  ArchiveDir old_;
  std::string tempPath_;
  int tempFd_ = -1;
  std::unique_ptr<OutFile> out_;
  std::vector<NewEntry> written_;       // kept and new entries, central order
  std::vector<std::vector<unsigned char>> keptCentral_;
  std::vector<unsigned char> buf_;
  std::vector<std::unique_ptr<DeflateBlock>> blocks_;  // one per thread, kept between entries
};

Adder::~Adder() {
  abandon();
  if (oldFd_ >= 0) close(oldFd_);
}

void Adder::abandon() {
  out_.reset();
  if (tempFd_ >= 0) {
    close(tempFd_);
    tempFd_ = -1;
  }
  if (!tempPath_.empty()) {
    unlink(tempPath_.c_str());
    tempPath_.clear();
  }
}

bool Adder::excluded(const std::string &relPath) const {
  std::string_view base = lastPathPart(relPath);
  for (const std::string &pattern : job_.excludes) {
    if (pattern.empty()) continue;
    if (wildMatch(pattern, relPath) || wildMatch(pattern, base)) return true;
  }
  return false;
}

void Adder::consider(const std::string &path, const std::string &relPath, const struct stat &st, bool fromPattern,
                     const AddRequest &request) {
  if (!S_ISREG(st.st_mode)) return;
  std::string_view base = lastPathPart(relPath);
  if (fromPattern && !job_.includeHidden && !base.empty() && base.front() == '.') return;
  if (excluded(relPath)) return;
  if (oldFd_ >= 0 && st.st_dev == oldSt_.st_dev && st.st_ino == oldSt_.st_ino) return;  // the archive itself
  if (job_.fromDateSet && static_cast<long long>(st.st_mtime) < job_.fromTime) return;
  FoundFile f;
  f.path = path;
  f.storedName = storedNameFor(relPath, job_.junkDirs);
  if (f.storedName.empty()) return;
  if (!foundNames_.insert(f.storedName).second) {
    say(kErrNone, "Duplicate name left out: " + path);
    return;
  }
  f.encrypt = request.encrypt;
  f.password = request.encrypt ? request.password : std::string();
  f.st = st;
  found_.push_back(std::move(f));
}

void Adder::considerFolder(const std::string &path, const std::string &relPath, const struct stat &st) {
  if (job_.noDirEntries || job_.junkDirs || excluded(relPath)) return;
  FoundFile f;
  f.path = path;
  f.storedName = storedNameFor(relPath, false);
  if (f.storedName.empty()) return;
  f.storedName += '/';
  if (!foundNames_.insert(f.storedName).second) return;
  f.isDir = true;
  f.st = st;
  found_.push_back(std::move(f));
}

void Adder::walk(const std::string &dirPath, const std::string &relDir, const std::string &pattern, bool recurse,
                 const AddRequest &request) {
  DIR *d = opendir(dirPath.empty() ? "." : dirPath.c_str());
  if (!d) {
    say(kErrRead, "Cannot read folder " + (dirPath.empty() ? std::string(".") : dirPath));
    return;
  }
  std::vector<std::string> names;
  while (dirent *de = readdir(d)) {
    std::string n = de->d_name;
    if (n != "." && n != "..") names.push_back(std::move(n));
  }
  closedir(d);
  std::sort(names.begin(), names.end());
  std::vector<std::string> subdirs;
  for (const std::string &n : names) {
    std::string path = joinPath(dirPath, n);
    std::string rel = relDir.empty() ? n : relDir + "/" + n;
    struct stat lst {};
    if (lstat(path.c_str(), &lst) != 0) continue;
    if (S_ISDIR(lst.st_mode)) {
      // Folders reached through links are not entered: they can loop.
      if (recurse && (job_.includeHidden || n.front() != '.')) subdirs.push_back(n);
      continue;
    }
    if (!wildMatch(pattern, n)) continue;
    struct stat st {};
    if (stat(path.c_str(), &st) != 0) continue;
    consider(path, rel, st, true, request);
  }
  for (const std::string &n : subdirs) {
    std::string path = joinPath(dirPath, n), rel = relDir.empty() ? n : relDir + "/" + n;
    struct stat st {};
    if (stat(path.c_str(), &st) == 0) considerFolder(path, rel, st);
    walk(path, rel, pattern, recurse, request);
  }
}

void Adder::collectRequest(const AddRequest &request) {
  if (request.path.empty()) return;
  const bool relative = request.path.front() != '/';
  const std::string path = (relative && !request.rootDir.empty()) ? joinPath(request.rootDir, request.path) : request.path;
  // The stored path is the request as given (relative to the root folder).
  const std::string rel = request.path;
  struct stat st {};
  if (stat(path.c_str(), &st) == 0) {
    if (S_ISREG(st.st_mode)) {
      consider(path, rel, st, false, request);
    } else if (S_ISDIR(st.st_mode)) {
      if (request.recurse) {
        considerFolder(path, rel, st);
        walk(path, storedNameFor(rel, false), "*", true, request);
      }
      else say(kErrNone, "Folder left out (not recursing): " + path);
    }
    return;
  }
  std::string_view last = lastPathPart(path);
  if (!hasWildcards(last)) {
    say(kErrRead, "File not found: " + path);
    return;
  }
  std::size_t cut = path.size() - last.size();
  std::string dir = path.substr(0, cut);
  std::string relDir = rel.substr(0, rel.size() - std::min(rel.size(), last.size()));
  while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
  walk(dir, storedNameFor(relDir, false), std::string(last), request.recurse, request);
}

void Adder::collect() {
  for (const AddRequest &request : job_.requests) collectRequest(request);
}

bool Adder::openOld() {
  target_ = job_.archivePath;
  char resolved[PATH_MAX];
  struct stat lst {};
  if (lstat(target_.c_str(), &lst) == 0 && S_ISLNK(lst.st_mode) && realpath(target_.c_str(), resolved))
    target_ = resolved;
  oldFd_ = open(target_.c_str(), O_RDONLY | O_CLOEXEC);
  if (oldFd_ < 0) {
    if (errno == ENOENT) return true;
    say(kErrRead, "Cannot open the archive " + job_.archivePath + ": " + std::strerror(errno));
    return false;
  }
  if (fstat(oldFd_, &oldSt_) != 0 || !S_ISREG(oldSt_.st_mode)) {
    say(kErrRead, "Not a file: " + job_.archivePath);
    return false;
  }
  if (oldSt_.st_size == 0) return true;  // an empty file becomes the archive
  FileSource src(oldFd_);
  std::string error;
  if (!readArchiveDir(src, old_, error)) {
    say(kErrBadArchive, error + ": " + job_.archivePath);
    return false;
  }
  haveOld_ = true;
  return true;
}

bool Adder::openTemp() {
  std::size_t slash = target_.rfind('/');
  std::string dir = slash == std::string::npos ? std::string() : target_.substr(0, slash + 1);
  std::string base = slash == std::string::npos ? target_ : target_.substr(slash + 1);
  for (int attempt = 0; attempt < 16; ++attempt) {
    unsigned char rnd[6];
    if (!secureRandomBytes(rnd, sizeof rnd)) break;
    static const char digits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    std::string suffix;
    for (unsigned char c : rnd) suffix += digits[c % 36];
    std::string path = dir + qel::TempNameBeside(base, suffix);
    int fd = open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd >= 0) {
      tempFd_ = fd;
      tempPath_ = path;
      out_ = std::make_unique<OutFile>(fd);
      return true;
    }
    if (errno != EEXIST) break;
  }
  say(kErrWrite, "Cannot create a temporary file beside " + job_.archivePath + ": " + std::strerror(errno));
  return false;
}

bool Adder::copyRange(std::uint64_t from, std::uint64_t size) {
  buf_.resize(kChunk);
  while (size > 0) {
    std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(size, kChunk));
    if (!preadAll(oldFd_, from, buf_.data(), n)) {
      say(kErrRead, "Error while reading the archive " + job_.archivePath);
      return false;
    }
    if (!out_->write(buf_.data(), n)) return false;
    from += n;
    size -= n;
  }
  return true;
}

Adder::Outcome Adder::addFolder(const FoundFile &f) {
  const std::uint64_t headerPos = out_->pos();
  if (headerPos > kMax32) {
    say(kErrTooLarge, "Archive too large (over 4 GiB): " + job_.archivePath);
    return Outcome::Failed;
  }
  if (!ev_.fileStarts(f.path, 0)) return Outcome::Failed;
  CentralHeader h;
  h.versionMadeBy = (3 << 8) | 20;
  h.versionNeeded = 10;
  if (!isAscii(f.storedName) && isValidUtf8(f.storedName)) h.flags |= kFlagUtf8;
  DosDateTime dt = dosDateTimeFromUnix(static_cast<long long>(f.st.st_mtime));
  h.dosTime = dt.time;
  h.dosDate = dt.date;
  h.nameLength = static_cast<std::uint16_t>(f.storedName.size());
  h.externalAttributes = (std::uint32_t(f.st.st_mode & 0xFFFF) << 16) | 0x10u;  // the DOS folder bit too
  h.localHeaderOffset = static_cast<std::uint32_t>(headerPos);
  LocalHeader lh;
  lh.versionNeeded = h.versionNeeded;
  lh.flags = h.flags;
  lh.dosTime = h.dosTime;
  lh.dosDate = h.dosDate;
  lh.nameLength = h.nameLength;
  std::vector<unsigned char> local;
  lh.write(local);
  local.insert(local.end(), f.storedName.begin(), f.storedName.end());
  if (!out_->write(local.data(), local.size())) return Outcome::Failed;
  written_.push_back(NewEntry{h, f.storedName, std::string()});
  if (!ev_.fileEnds()) return Outcome::Failed;
  return Outcome::Added;
}

Adder::Outcome Adder::addFile(const FoundFile &f) {
  if (f.isDir) return addFolder(f);
  // Non-blocking, so a file swapped for a pipe since it was found cannot hang the run.
  int fd = open(f.path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) {
    say(kErrRead, "Cannot open " + f.path + ": " + std::strerror(errno));
    return Outcome::Skipped;
  }
  struct FdCloser {
    int fd;
    ~FdCloser() { close(fd); }
  } closer{fd};
  struct stat st {};
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    say(kErrRead, "Cannot read " + f.path);
    return Outcome::Skipped;
  }
  if (static_cast<std::uint64_t>(st.st_size) > kMax32) {
    say(kErrTooLarge, "File too large for a ZIP entry (over 4 GiB), left out: " + f.path);
    return Outcome::Skipped;
  }
  const bool encrypt = f.encrypt;
  const bool store = job_.level <= 0 || hasListedSuffix(f.storedName, job_.storeSuffixes);
  const int level = std::min(job_.level, 9);

  if (!ev_.fileStarts(f.path, static_cast<std::uint64_t>(st.st_size))) return Outcome::Failed;

  const std::uint64_t headerPos = out_->pos();
  if (headerPos > kMax32) {
    say(kErrTooLarge, "Archive too large (over 4 GiB): " + job_.archivePath);
    return Outcome::Failed;
  }
  CentralHeader h;
  h.versionMadeBy = (3 << 8) | 20;  // Unix host
  h.versionNeeded = (store && !encrypt) ? 10 : 20;
  h.flags = 0;
  if (encrypt) h.flags |= kFlagEncrypted;
  if (!isAscii(f.storedName) && isValidUtf8(f.storedName)) h.flags |= kFlagUtf8;
  if (!store) {
    if (level >= 8) h.flags |= 0x0002;
    else if (level == 2) h.flags |= 0x0004;
    else if (level == 1) h.flags |= 0x0006;
  }
  h.method = store ? kMethodStored : kMethodDeflated;
  DosDateTime dt = dosDateTimeFromUnix(static_cast<long long>(st.st_mtime));
  h.dosTime = dt.time;
  h.dosDate = dt.date;
  h.nameLength = static_cast<std::uint16_t>(f.storedName.size());
  h.externalAttributes = (std::uint32_t(st.st_mode & 0xFFFF) << 16) | ((st.st_mode & 0200) ? 0u : 1u);
  h.localHeaderOffset = static_cast<std::uint32_t>(headerPos);

  std::vector<unsigned char> local;
  LocalHeader lh;
  lh.versionNeeded = h.versionNeeded;
  lh.flags = h.flags;
  lh.method = h.method;
  lh.dosTime = h.dosTime;
  lh.dosDate = h.dosDate;
  lh.nameLength = h.nameLength;
  lh.write(local);
  local.insert(local.end(), f.storedName.begin(), f.storedName.end());
  if (encrypt) local.resize(local.size() + kCipherHeaderSize, 0);
  if (!out_->write(local.data(), local.size())) return Outcome::Failed;
  const std::uint64_t dataPos = out_->pos();

  auto giveUp = [&](Outcome o) {
    if (!out_->truncateTo(headerPos)) return Outcome::Failed;
    return o;
  };

  std::uint32_t crc = 0;
  std::uint64_t inTotal = 0, outTotal = 0;
  bool eof = false;
  // Reads up to `size` bytes (less only at the end of the file); false on a read error.
  auto readFull = [&](unsigned char *into, std::size_t size, std::size_t &got) {
    got = 0;
    while (got < size) {
      const ssize_t n = read(fd, into + got, size - got);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) {
        say(kErrRead, "Error while reading " + f.path + ": " + std::strerror(errno));
        return false;
      }
      if (n == 0) {
        eof = true;
        break;
      }
      got += static_cast<std::size_t>(n);
    }
    return true;
  };
  auto tooLarge = [&] {
    say(kErrTooLarge, "File too large for a ZIP entry (over 4 GiB), left out: " + f.path);
    return giveUp(Outcome::Skipped);
  };
  auto compressedTooLarge = [&] {
    return outTotal + (encrypt ? kCipherHeaderSize : 0) > kMax32;
  };
  if (store) {
    buf_.resize(kChunk);
    while (!eof) {
      std::size_t got = 0;
      if (!readFull(buf_.data(), buf_.size(), got)) return giveUp(Outcome::Skipped);
      inTotal += got;
      if (inTotal > kMax32) return tooLarge();
      crc = crc32Update(crc, buf_.data(), got);
      if (got > 0 && !out_->write(buf_.data(), got)) return Outcome::Failed;
      outTotal += got;
      if (compressedTooLarge()) {
        say(kErrTooLarge, "Compressed data too large for a ZIP entry (over 4 GiB), left out: " + f.path);
        return giveUp(Outcome::Skipped);
      }
      if (got > 0 && !ev_.bytesDone(got)) return Outcome::Failed;
    }
  } else {
    const std::size_t workers = ParallelWorkers();
    while (blocks_.size() < workers) blocks_.push_back(std::make_unique<DeflateBlock>());
    // The end of the input so far: the first block of the next round looks back on it.
    std::vector<unsigned char> window;
    bool finished = false;
    while (!finished) {
      // A round: as many blocks as threads read in turn, compressed side by
      // side, written in order.
      std::size_t used = 0;
      while (used < workers && !eof) {
        DeflateBlock &b = *blocks_[used];
        b.in.resize(kChunk);
        if (!readFull(b.in.data(), kChunk, b.inSize)) return giveUp(Outcome::Skipped);
        if (b.inSize == 0) break;
        b.last = false;
        inTotal += b.inSize;
        if (inTotal > kMax32) return tooLarge();
        ++used;
      }
      if (eof) {
        if (used == 0) {
          // The input ended on a round: an empty last block ends the stream.
          blocks_[0]->inSize = 0;
          used = 1;
        }
        blocks_[used - 1]->last = true;
        finished = true;
      }
      RunInParallel(used, workers, [&](std::size_t i) {
        const unsigned char *dict = nullptr;
        std::size_t dictSize = 0;
        if (i > 0) {
          const DeflateBlock &before = *blocks_[i - 1];
          dictSize = std::min(kWindow, before.inSize);
          dict = before.in.data() + before.inSize - dictSize;
        } else {
          dictSize = window.size();
          dict = window.data();
        }
        blocks_[i]->compress(level, dict, dictSize);
      });
      for (std::size_t i = 0; i < used; ++i) {
        const DeflateBlock &b = *blocks_[i];
        if (b.failed) {
          say(kErrWrite, "Compression failed for " + f.path);
          return giveUp(Outcome::Skipped);
        }
        crc = static_cast<std::uint32_t>(crc32_combine(crc, b.crc, static_cast<z_off_t>(b.inSize)));
        if (b.outSize && !out_->write(b.out.data(), b.outSize)) return Outcome::Failed;
        outTotal += b.outSize;
        if (compressedTooLarge()) {
          say(kErrTooLarge, "Compressed data too large for a ZIP entry (over 4 GiB), left out: " + f.path);
          return giveUp(Outcome::Skipped);
        }
        if (b.inSize > 0 && !ev_.bytesDone(b.inSize)) return Outcome::Failed;
      }
      if (!finished) {
        // Every block of a round that is not the last is whole.
        const DeflateBlock &b = *blocks_[used - 1];
        window.assign(b.in.begin() + std::ptrdiff_t(b.inSize - kWindow), b.in.begin() + std::ptrdiff_t(b.inSize));
      }
    }
  }
  if (out_->failed()) return Outcome::Failed;

  h.crc = crc;
  h.uncompressedSize = static_cast<std::uint32_t>(inTotal);
  h.compressedSize = static_cast<std::uint32_t>(outTotal + (encrypt ? kCipherHeaderSize : 0));

  if (encrypt) {
    // The header's check byte is the CRC's high byte, so encryption runs
    // over the compressed data once the CRC is known (no data descriptor).
    ZipCipher cipher(f.password);
    unsigned char head[kCipherHeaderSize];
    if (!makeCipherHeader(cipher, cipherCheckByte(h.flags, crc, h.dosTime), head)) {
      say(kErrWrite, "No random source for encryption; left out: " + f.path);
      return giveUp(Outcome::Skipped);
    }
    if (!out_->writeAt(dataPos - kCipherHeaderSize, head, kCipherHeaderSize)) return Outcome::Failed;
    std::uint64_t at = dataPos, left = outTotal;
    buf_.resize(kChunk);
    while (left > 0) {
      std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(left, buf_.size()));
      if (!out_->readAt(at, buf_.data(), n)) return Outcome::Failed;
      cipher.encrypt(buf_.data(), n);
      if (!out_->writeAt(at, buf_.data(), n)) return Outcome::Failed;
      at += n;
      left -= n;
    }
  }
  lh.crc = h.crc;
  lh.compressedSize = h.compressedSize;
  lh.uncompressedSize = h.uncompressedSize;
  std::vector<unsigned char> fixed;
  lh.write(fixed);
  if (!out_->writeAt(headerPos, fixed.data(), fixed.size())) return Outcome::Failed;

  written_.push_back(NewEntry{h, f.storedName, f.path});
  if (!ev_.fileEnds()) return Outcome::Failed;
  return Outcome::Added;
}

bool Adder::finish() {
  const std::uint64_t cdStart = out_->pos();
  std::vector<unsigned char> rec;
  for (std::size_t i = 0; i < written_.size(); ++i) {
    rec.clear();
    if (i < keptCentral_.size()) {
      rec = keptCentral_[i];
      putLe32(rec.data() + 42, written_[i].header.localHeaderOffset);
    } else {
      written_[i].header.write(rec);
      rec.insert(rec.end(), written_[i].name.begin(), written_[i].name.end());
    }
    if (!out_->write(rec.data(), rec.size())) return false;
  }
  const std::uint64_t cdEnd = out_->pos();
  if (cdStart > kMax32 || cdEnd - cdStart > kMax32) {
    say(kErrTooLarge, "Archive too large (over 4 GiB): " + job_.archivePath);
    return false;
  }
  EndRecord end;
  end.entriesOnDisk = end.totalEntries = static_cast<std::uint16_t>(written_.size());
  end.directorySize = static_cast<std::uint32_t>(cdEnd - cdStart);
  end.directoryOffset = static_cast<std::uint32_t>(cdStart);
  std::string comment = job_.hasComment ? job_.comment : old_.comment;
  if (comment.size() > kMaxCommentSize) comment.resize(kMaxCommentSize);
  end.commentLength = static_cast<std::uint16_t>(comment.size());
  rec.clear();
  end.write(rec);
  rec.insert(rec.end(), comment.begin(), comment.end());
  if (!out_->write(rec.data(), rec.size()) || !out_->flush()) return false;
  if (haveOld_ || oldFd_ >= 0) fchmod(tempFd_, oldSt_.st_mode & 07777);
  if (fsync(tempFd_) != 0) {
    say(kErrWrite, "Error while writing the archive " + job_.archivePath + ": " + std::strerror(errno));
    return false;
  }
  out_.reset();
  if (close(tempFd_) != 0) {
    tempFd_ = -1;
    say(kErrWrite, "Error while writing the archive " + job_.archivePath + ": " + std::strerror(errno));
    return false;
  }
  tempFd_ = -1;
  if (rename(tempPath_.c_str(), target_.c_str()) != 0) {
    say(kErrWrite, "Cannot replace the archive " + job_.archivePath + ": " + std::strerror(errno));
    return false;
  }
  tempPath_.clear();
  return true;
}

int Adder::run() {
  if (job_.archivePath.empty()) {
    say(kErrWrite, "Error - no zip file specified!");
    return 0;
  }
  if (!openOld()) return 0;
  collect();

  // Which of the found files go in (update and freshen look at the old entries).
  std::vector<const FoundFile *> todo;
  std::set<std::string> replaced;
  std::map<std::string, const DirEntry *> oldByName;
  for (const DirEntry &e : old_.entries) oldByName[e.rawName] = &e;
  for (const FoundFile &f : found_) {
    auto it = oldByName.find(f.storedName);
    const DirEntry *same = it == oldByName.end() ? nullptr : it->second;
    if (job_.freshen || job_.update) {
      if (!same && job_.freshen) continue;
      DosDateTime fileTime = dosDateTimeFromUnix(f.st.st_mtime);
      if (same && dosStamp(same->header) >= ((std::uint32_t(fileTime.date) << 16) | fileTime.time)) continue;
    }
    todo.push_back(&f);
    if (same) replaced.insert(f.storedName);
  }
  if (todo.empty()) {
    say(kErrNothingToDo, "Nothing to do: no files found for " + job_.archivePath);
    return 0;
  }
  std::size_t kept = 0;
  for (const DirEntry &e : old_.entries)
    if (!replaced.count(e.rawName)) ++kept;
  if (kept + todo.size() > kMaxEntries) {
    say(kErrTooLarge, "Too many entries for a ZIP archive (over 65,535): " + job_.archivePath);
    return 0;
  }

  std::vector<FoundFile> prepared;
  prepared.reserve(todo.size());
  std::uint64_t total = 0;
  bool needPassword = false;
  for (const FoundFile *f : todo) {
    total += static_cast<std::uint64_t>(f->st.st_size);
    needPassword |= f->encrypt && !f->isDir && f->password.empty();
    prepared.push_back(*f);
  }
  // Encryption asked for without a password: ask once for the whole run. With
  // no answer nothing is added, rather than writing the files in the clear.
  if (needPassword) {
    PasswordReply reply = ev_.askPassword(job_.archivePath, true, 1);
    if (ev_.cancelled()) return 0;
    if (!reply.given || reply.password.empty()) {
      say(kErrPassword, "Error - no add password given; nothing added to " + job_.archivePath);
      return 0;
    }
    for (FoundFile &f : prepared)
      if (f.encrypt && f.password.empty()) f.password = reply.password;
  }

  if (!ev_.fileCount(prepared.size()) || !ev_.totalSize(total)) return 0;
  if (!openTemp()) return 0;

  // Bytes in front of the first entry (a self-extractor, say) stay, then the kept entries.
  if (haveOld_) {
    if (!copyRange(0, old_.prefixSize)) return 0;
    std::vector<std::uint64_t> starts;
    for (const DirEntry &e : old_.entries) starts.push_back(e.localOffset);
    std::sort(starts.begin(), starts.end());
    for (const DirEntry &e : old_.entries) {
      if (replaced.count(e.rawName)) continue;
      if (e.zip64) {
        say(kErrBadArchive, "ZIP64 entries cannot be kept: " + job_.archivePath);
        return 0;
      }
      auto next = std::upper_bound(starts.begin(), starts.end(), e.localOffset);
      std::uint64_t end = next == starts.end() ? old_.directoryStart : *next;
      unsigned char lhBytes[kLocalSize];
      LocalHeader lh;
      if (!preadAll(oldFd_, e.localOffset, lhBytes, kLocalSize) || !lh.read(lhBytes, kLocalSize) ||
          e.localOffset + kLocalSize + lh.nameLength + lh.extraLength + e.compressedSize > end) {
        say(kErrBadArchive, "Warning - Error in zip structure!: " + job_.archivePath);
        return 0;
      }
      NewEntry keptEntry{e.header, e.rawName, std::string()};
      if (out_->pos() > kMax32) {
        say(kErrTooLarge, "Archive too large (over 4 GiB): " + job_.archivePath);
        return 0;
      }
      keptEntry.header.localHeaderOffset = static_cast<std::uint32_t>(out_->pos());
      if (!copyRange(e.localOffset, end - e.localOffset)) return 0;
      written_.push_back(std::move(keptEntry));
      keptCentral_.push_back(e.central);
    }
  }

  int added = 0;
  for (const FoundFile &f : prepared) {
    Outcome o = addFile(f);
    if (o == Outcome::Failed || ev_.cancelled()) {
      if (out_ && out_->failed())
        say(kErrWrite, "Error while writing the archive " + job_.archivePath + ": " + std::strerror(errno));
      return 0;
    }
    if (o == Outcome::Added) ++added;
  }
  if (added == 0) return 0;
  if (!finish()) return 0;
  if (job_.move) {
    for (const NewEntry &e : written_)
      if (!e.path.empty()) unlink(e.path.c_str());
  }
  return added;
}

} // namespace

int runAdd(const AddJob &job, EngineEvents &events) {
  Adder adder(job, events);
  return adder.run();
}

} // namespace qel::engine
