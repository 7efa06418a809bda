// The extracting engine: reads an archive's directory, decides for each
// entry where it may go, and writes it through a temporary file in the target
// folder that is renamed into place only when the data checked out. Folders
// are opened one by one without following links, so nothing lands outside
// the base folder and nothing is written through a link.

#include "zip/engine/archivedir.h"
#include "zip/engine/enginecore.h"
#include "zip/engine/engineutil.h"

#include "zip/format/zipcipher.h"
#include "zip/format/zipstructs.h"

#include <algorithm>
#include <cstdint>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>
#include <zlib.h>

namespace qel::engine {

using namespace qel::zipfmt;

namespace {

constexpr std::size_t kInChunk = 256 * 1024;
constexpr std::size_t kOutChunk = 1 << 20;
constexpr std::uint16_t kMethodAes = 99;

class Fd {
public:
  explicit Fd(int fd = -1) : fd_(fd) {}
  ~Fd() { reset(); }
  Fd(Fd &&o) noexcept : fd_(o.release()) {}
  Fd &operator=(Fd &&o) noexcept {
    if (this != &o) {
      reset();
      fd_ = o.release();
    }
    return *this;
  }
  int get() const { return fd_; }
  int release() {
    int f = fd_;
    fd_ = -1;
    return f;
  }
  void reset() {
    if (fd_ >= 0) close(fd_);
    fd_ = -1;
  }
private:
  int fd_;
};

// Splits an entry name into the folder parts and the file name it may be
// written as; false (with a reason) for names that would leave the base folder.
bool safeParts(const std::string &name, bool keepDirs, std::vector<std::string> &parts, std::string &why) {
  parts.clear();
  if (name.find('\0') != std::string::npos) {
    why = "name holds a zero byte";
    return false;
  }
  if (!keepDirs) {
    std::string leaf(lastPathPart(name));
    if (leaf == "." || leaf == "..") {
      why = "name is a folder reference";
      return false;
    }
    if (!leaf.empty()) parts.push_back(leaf);
    return true;
  }
  if (!name.empty() && name.front() == '/') {
    why = "absolute path";
    return false;
  }
  if (name.size() >= 2 && name[1] == ':' &&
      ((name[0] >= 'A' && name[0] <= 'Z') || (name[0] >= 'a' && name[0] <= 'z'))) {
    why = "drive prefix";
    return false;
  }
  std::size_t start = 0;
  while (start <= name.size()) {
    std::size_t end = name.find('/', start);
    if (end == std::string::npos) end = name.size();
    std::string part = name.substr(start, end - start);
    if (part == "..") {
      why = "path leads out of the target folder";
      return false;
    }
    if (!part.empty() && part != ".") parts.push_back(std::move(part));
    start = end + 1;
  }
  return true;
}

class Extractor {
public:
  Extractor(const ExtractJob &job, EngineEvents &ev, ByteSource &src) : job_(job), ev_(ev), src_(src) {}
  ~Extractor() {
    if (zReady_) inflateEnd(&z_);
  }
  int run();

private:
  enum class Result { Done, Skipped, Stop };
  Result extractEntry(const DirEntry &e, std::size_t index);
  const ExtractRequest *matchingRequest(const DirEntry &e) const;
  static bool requestMatches(const ExtractRequest &r, const DirEntry &e);
  bool openBase();
  // Opens (creating where missing) the folders of `parts` but the last; -1 when one is not a real folder.
  Fd openFolders(const std::vector<std::string> &parts, std::size_t count, std::string &why);
  bool unlockEntry(const DirEntry &e, const ExtractRequest *request, const unsigned char head[kCipherHeaderSize],
                   ZipCipher &cipher);
  Result skip(const DirEntry &e, SkipKind kind, int error, const std::string &text) {
    if (!text.empty() && !ev_.message(error, text + ": " + e.name)) return Result::Stop;
    if (!ev_.skipped(e.name, kind, error)) return Result::Stop;
    return ev_.cancelled() ? Result::Stop : Result::Skipped;
  }

  const ExtractJob &job_;
  EngineEvents &ev_;
  ByteSource &src_;
  ArchiveDir dir_;
  Fd base_;
  std::vector<std::string> knownPasswords_;
  bool stopAsking_ = false;
  z_stream z_{};
  bool zReady_ = false;
  std::vector<unsigned char> in_, out_;
};

bool Extractor::requestMatches(const ExtractRequest &r, const DirEntry &e) {
  std::string pattern = r.path;
  std::replace(pattern.begin(), pattern.end(), '\\', '/');
  return wildMatch(pattern, e.name);
}

const ExtractRequest *Extractor::matchingRequest(const DirEntry &e) const {
  for (const ExtractRequest &r : job_.requests)
    if (requestMatches(r, e)) return &r;
  return nullptr;
}

bool Extractor::openBase() {
  std::string path = job_.baseDir.empty() ? std::string(".") : job_.baseDir;
  int fd = open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0 && errno == ENOENT) {
    // The caller's own folder may be missing yet: make it, parents first.
    for (std::size_t i = 1; i <= path.size(); ++i) {
      if (i == path.size() || path[i] == '/') mkdir(path.substr(0, i).c_str(), 0777);
    }
    fd = open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  }
  if (fd < 0) {
    ev_.message(kErrWrite, "Cannot open the target folder " + path + ": " + std::strerror(errno));
    return false;
  }
  base_ = Fd(fd);
  return true;
}

Fd Extractor::openFolders(const std::vector<std::string> &parts, std::size_t count, std::string &why) {
  Fd cur(fcntl(base_.get(), F_DUPFD_CLOEXEC, 0));
  for (std::size_t i = 0; i < count && cur.get() >= 0; ++i) {
    const char *p = parts[i].c_str();
    int next = openat(cur.get(), p, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (next < 0 && errno == ENOENT) {
      if (mkdirat(cur.get(), p, 0777) != 0 && errno != EEXIST) {
        why = std::string("cannot create folder: ") + std::strerror(errno);
        return Fd();
      }
      next = openat(cur.get(), p, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    }
    if (next < 0) {
      why = errno == ELOOP || errno == ENOTDIR ? "a folder on its path is a link or a file"
                                               : std::string("cannot open folder: ") + std::strerror(errno);
      return Fd();
    }
    cur = Fd(next);
  }
  return cur;
}

bool Extractor::unlockEntry(const DirEntry &e, const ExtractRequest *request, const unsigned char head[kCipherHeaderSize],
                            ZipCipher &cipher) {
  const std::uint8_t check = cipherCheckByte(e.header.flags, e.header.crc, e.header.dosTime);
  auto tryPassword = [&](const std::string &pw) {
    cipher.init(pw);
    return checkCipherHeader(cipher, check, head);
  };
  // A password with characters beyond ASCII has two spellings in bytes:
  // the legacy code page (Windows tools, and what we write) and UTF-8 (most
  // other tools today). Both are tried before the password counts as wrong.
  std::vector<std::string> candidates;
  if (request && !request->password.empty()) candidates.push_back(request->password);
  if (!job_.password.empty()) candidates.push_back(job_.password);
  if (!job_.altPassword.empty()) candidates.push_back(job_.altPassword);
  candidates.insert(candidates.end(), knownPasswords_.begin(), knownPasswords_.end());
  for (const std::string &pw : candidates)
    if (tryPassword(pw)) return true;
  for (int left = job_.passwordRequests; left > 0 && !stopAsking_; --left) {
    PasswordReply reply = ev_.askPassword(e.name, false, left);
    if (reply.stopAsking) stopAsking_ = true;
    if (ev_.cancelled() || !reply.given) break;
    for (const std::string *pw : {&reply.password, &reply.altPassword}) {
      if (pw->empty() || !tryPassword(*pw)) continue;
      knownPasswords_.push_back(*pw);
      return true;
    }
  }
  return false;
}

Extractor::Result Extractor::extractEntry(const DirEntry &e, std::size_t index) {
  const CentralHeader &h = e.header;
  const std::uint32_t unixMode = h.hostSystem() == 3 ? (h.externalAttributes >> 16) : 0;
  if (unixMode && S_ISLNK(unixMode)) return skip(e, kSkipGeneralError, kErrLink, "Link entries are not extracted");
  // Strong encryption (flag bit 6) and AES (method 99) are encryption
  // methods of their own, not compression methods.
  if ((h.flags & 0x0040) || h.method == kMethodAes)
    return skip(e, kSkipNoEncryption, kErrPassword, "Encrypted with a method that is not supported");
  if (h.method != kMethodStored && h.method != kMethodDeflated)
    return skip(e, kSkipCompressionUnknown, kErrMethod, "Compression method " + std::to_string(h.method) + " not supported");

  // Where the data is: behind the local header, and wholly before the directory.
  unsigned char lhBytes[kLocalSize];
  LocalHeader lh;
  if (!src_.read(e.localOffset, lhBytes, kLocalSize) || !lh.read(lhBytes, kLocalSize))
    return skip(e, kSkipFormatWrong, kErrBadArchive, "A local header is damaged");
  const std::uint64_t dataPos = e.localOffset + kLocalSize + lh.nameLength + lh.extraLength;
  if (dataPos > dir_.directoryStart || e.compressedSize > dir_.directoryStart - dataPos)
    return skip(e, kSkipFormatWrong, kErrBadArchive, "Entry data lies outside the archive");

  const ExtractRequest *request = job_.requests.empty() ? nullptr : matchingRequest(e);
  const bool encrypted = h.flags & kFlagEncrypted;
  std::uint64_t csize = e.compressedSize;
  std::uint64_t readPos = dataPos;
  ZipCipher cipher;
  if (encrypted) {
    unsigned char head[kCipherHeaderSize];
    if (csize < kCipherHeaderSize || !src_.read(dataPos, head, kCipherHeaderSize))
      return skip(e, kSkipFormatWrong, kErrBadArchive, "Encrypted entry is too short");
    if (!unlockEntry(e, request, head, cipher)) {
      if (ev_.cancelled()) return Result::Stop;
      return skip(e, kSkipBadPassword, kErrPassword, "Wrong or no password, entry skipped");
    }
    csize -= kCipherHeaderSize;
    readPos += kCipherHeaderSize;
  }
  if (h.method == kMethodStored && csize != e.uncompressedSize)
    return skip(e, kSkipFormatWrong, kErrBadArchive, "Stored entry sizes disagree");

  // Where it goes, and whether it may replace what is there.
  Fd folder;
  std::string leaf, tempName;
  if (!job_.testOnly) {
    std::vector<std::string> parts;
    std::string why;
    if (!safeParts(e.name, job_.keepDirs, parts, why)) return skip(e, kSkipGeneralError, kErrUnsafeName, "Unsafe name refused (" + why + ")");
    if (parts.empty()) return Result::Skipped;
    folder = openFolders(parts, parts.size() - 1, why);
    if (folder.get() < 0) return skip(e, kSkipGeneralError, kErrUnsafeName, "Not extracted (" + why + ")");
    leaf = parts.back();
    struct stat st {};
    const long long entryTime = unixFromDosDateTime(h.dosDate, h.dosTime);
    if (fstatat(folder.get(), leaf.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
      if (S_ISDIR(st.st_mode)) return skip(e, kSkipFileExists, kErrWrite, "A folder of that name exists");
      const bool older = entryTime >= 0 && static_cast<long long>(st.st_mtime) < entryTime;
      if ((job_.update || job_.freshen) && !older) return skip(e, kSkipOnFreshen, 0, "");
      const bool dflt = job_.overwrite || job_.update || job_.freshen;
      bool yes = ev_.askOverwrite(e.name, older, dflt, static_cast<int>(index));
      if (ev_.cancelled()) return Result::Stop;
      if (!yes) return skip(e, kSkipNoOverwrite, 0, "");
    } else if (job_.freshen) {
      return skip(e, kSkipOnFreshen, 0, "");
    }
  }

  if (!ev_.fileStarts(e.name, e.uncompressedSize)) return Result::Stop;

  Fd out;
  if (!job_.testOnly) {
    mode_t mode = unixMode ? (unixMode & 0777) : 0666;
    if (!unixMode && (h.externalAttributes & 1)) mode &= ~0222u;
    for (int attempt = 0; attempt < 16 && out.get() < 0; ++attempt) {
      unsigned char rnd[6];
      secureRandomBytes(rnd, sizeof rnd);
      static const char digits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
      tempName = ".qel";
      for (unsigned char c : rnd) tempName += digits[c % 36];
      tempName += ".tmp";
      out = Fd(openat(folder.get(), tempName.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode));
      if (out.get() < 0 && errno != EEXIST) break;
    }
    if (out.get() < 0) return skip(e, kSkipGeneralError, kErrWrite, std::string("Cannot create file: ") + std::strerror(errno));
  }
  struct TempGuard {
    int dirfd;
    std::string name;
    bool keep = false;
    ~TempGuard() {
      if (!keep && !name.empty()) unlinkat(dirfd, name.c_str(), 0);
    }
  } guard{folder.get(), tempName};

  if (h.method == kMethodDeflated) {
    if (!zReady_) {
      zReady_ = inflateInit2(&z_, -MAX_WBITS) == Z_OK;
      if (!zReady_) return skip(e, kSkipGeneralError, kErrRead, "Out of memory");
    } else {
      inflateReset(&z_);
    }
  }
  in_.resize(kInChunk);
  out_.resize(kOutChunk);
  std::uint32_t crc = 0;
  std::uint64_t produced = 0, left = csize;
  bool ended = h.method == kMethodStored;
  auto emit = [&](const unsigned char *p, std::size_t n) {
    produced += n;
    if (produced > e.uncompressedSize) return false;
    crc = crc32Update(crc, p, n);
    if (out.get() >= 0) {
      while (n > 0) {
        ssize_t put = write(out.get(), p, n);
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0) return false;
        p += put;
        n -= static_cast<std::size_t>(put);
      }
    }
    return true;
  };
  std::string failure;
  while (left > 0 && failure.empty()) {
    std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(left, in_.size()));
    if (!src_.read(readPos, in_.data(), n)) {
      failure = "Archive is truncated";
      break;
    }
    readPos += n;
    left -= n;
    if (encrypted) cipher.decrypt(in_.data(), n);
    if (h.method == kMethodStored) {
      if (!emit(in_.data(), n)) failure = produced > e.uncompressedSize ? "Entry is larger than its recorded size" : "Write error";
    } else {
      z_.next_in = in_.data();
      z_.avail_in = static_cast<uInt>(n);
      while (failure.empty() && !ended) {
        z_.next_out = out_.data();
        z_.avail_out = static_cast<uInt>(out_.size());
        int rc = inflate(&z_, Z_NO_FLUSH);
        std::size_t have = out_.size() - z_.avail_out;
        if (have && !emit(out_.data(), have))
          failure = produced > e.uncompressedSize ? "Entry is larger than its recorded size" : "Write error";
        if (rc == Z_STREAM_END) ended = true;
        else if (rc != Z_OK && rc != Z_BUF_ERROR) failure = "Compressed data is damaged";
        else if (rc == Z_BUF_ERROR || (z_.avail_in == 0 && z_.avail_out != 0)) break;
      }
      if (ended && (z_.avail_in > 0 || left > 0)) failure = "Compressed data is damaged";
    }
    if (failure.empty() && !ev_.bytesDone(n)) return Result::Stop;
  }
  if (failure.empty() && (!ended || produced != e.uncompressedSize)) failure = "Entry is shorter than its recorded size";
  if (!failure.empty()) {
    if (failure == "Write error") return skip(e, kSkipGeneralError, kErrWrite, std::string("Write error: ") + std::strerror(errno));
    return skip(e, kSkipFormatWrong, kErrBadArchive, failure);
  }
  if (crc != h.crc) {
    bool keep = ev_.keepOnCrcError(e.name, crc, h.crc);
    if (ev_.cancelled()) return Result::Stop;
    if (!keep || job_.testOnly) return skip(e, kSkipGeneralError, kErrCrc, "CRC error, entry not extracted");
  }

  if (out.get() >= 0) {
    const long long t = unixFromDosDateTime(h.dosDate, h.dosTime);
    if (t >= 0) {
      struct timespec times[2] = {{static_cast<time_t>(t), 0}, {static_cast<time_t>(t), 0}};
      futimens(out.get(), times);
    }
    if (close(out.release()) != 0) return skip(e, kSkipGeneralError, kErrWrite, std::string("Write error: ") + std::strerror(errno));
    if (renameat(folder.get(), tempName.c_str(), folder.get(), leaf.c_str()) != 0)
      return skip(e, kSkipGeneralError, kErrWrite, std::string("Cannot put file in place: ") + std::strerror(errno));
    guard.keep = true;
  }
  if (!ev_.fileEnds()) return Result::Stop;
  return Result::Done;
}

int Extractor::run() {
  std::string error;
  if (!readArchiveDir(src_, dir_, error, job_.codePage)) {
    ev_.message(kErrBadArchive, error + ": " + job_.archivePath);
    return 0;
  }
  std::vector<std::size_t> chosen;
  std::vector<bool> requestUsed(job_.requests.size(), false);
  std::uint64_t total = 0;
  for (std::size_t i = 0; i < dir_.entries.size(); ++i) {
    const DirEntry &e = dir_.entries[i];
    if (!job_.requests.empty()) {
      bool any = false;
      for (std::size_t k = 0; k < job_.requests.size(); ++k) {
        if (!requestMatches(job_.requests[k], e)) continue;
        requestUsed[k] = true;
        any = true;
      }
      if (!any) continue;
    }
    chosen.push_back(i);
    if (!e.isDir()) total = e.uncompressedSize > UINT64_MAX - total ? UINT64_MAX : total + e.uncompressedSize;
  }
  // A name asked for that is not in the archive is said, never passed over.
  for (std::size_t k = 0; k < job_.requests.size(); ++k)
    if (!requestUsed[k] && !ev_.message(kErrNothingToDo, "No entry matches " + job_.requests[k].path + " in " + job_.archivePath))
      return 0;
  if (chosen.empty()) {
    ev_.message(kErrNothingToDo, "No entries match in " + job_.archivePath);
    return 0;
  }
  if (!job_.testOnly && !openBase()) return 0;
  // The declared sizes must fit the target's free space before anything is written.
  struct statvfs fs {};
  if (!job_.testOnly && fstatvfs(base_.get(), &fs) == 0) {
    const std::uint64_t unit = fs.f_frsize ? fs.f_frsize : fs.f_bsize;
    const std::uint64_t avail = static_cast<std::uint64_t>(fs.f_bavail);
    const std::uint64_t freeBytes = unit && avail > UINT64_MAX / unit ? UINT64_MAX : avail * unit;
    if (total > freeBytes) {
      ev_.message(kErrWrite, "Not enough free space to extract " + job_.archivePath + ": " + std::to_string(total) +
                                 " bytes needed, " + std::to_string(freeBytes) + " available");
      return 0;
    }
  }
  if (!ev_.fileCount(chosen.size()) || !ev_.totalSize(total)) return 0;

  int done = 0;
  for (std::size_t i : chosen) {
    const DirEntry &e = dir_.entries[i];
    if (e.isDir()) {
      std::vector<std::string> parts;
      std::string why;
      if (!job_.testOnly && job_.keepDirs && safeParts(e.name, true, parts, why))
        openFolders(parts, parts.size(), why);
      continue;
    }
    Result r = extractEntry(e, i);
    if (r == Result::Done) ++done;
    if (r == Result::Stop || ev_.cancelled()) break;
  }
  return done;
}

} // namespace

int runExtract(const ExtractJob &job, EngineEvents &events) {
  int fd = open(job.archivePath.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    events.message(kErrRead, "Cannot open the archive " + job.archivePath + ": " + std::strerror(errno));
    return 0;
  }
  Fd guard(fd);
  struct stat st {};
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    events.message(kErrRead, "Not a file: " + job.archivePath);
    return 0;
  }
  FileSource src(fd);
  Extractor x(job, events, src);
  return x.run();
}

int runExtractFromMemory(const ExtractJob &job, const void *data, std::size_t size, EngineEvents &events) {
  MemorySource src(data, size);
  Extractor x(job, events, src);
  return x.run();
}

} // namespace qel::engine
