#include "cards/bodyfile.h"

#include "cards/carderror.h"
#include "cards/crd.h"
#include "platform/tempfolder.h"

#include <QFile>
#include <QRandomGenerator>

#include <array>
#include <vector>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qel {

namespace {

constexpr std::array<quint32, 256> makeCrcTable() {
  std::array<quint32, 256> table{};
  for (quint32 n = 0; n < 256; ++n) {
    quint32 c = n;
    for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    table[n] = c;
  }
  return table;
}
constexpr std::array<quint32, 256> kCrcTable = makeCrcTable();

QString errnoText(int err) { return QString::fromLocal8Bit(std::strerror(err)); }

[[noreturn]] void fail(const QString &what, const QString &path, int err) {
  throw ECardError(QStringLiteral("%1 \"%2\": %3").arg(what, path, errnoText(err)));
}

// A descriptor closed on every way out.
class Fd {
public:
  explicit Fd(int fd = -1) : fd_(fd) {}
  ~Fd() { reset(); }
  Fd(const Fd &) = delete;
  Fd &operator=(const Fd &) = delete;
  int get() const { return fd_; }
  void reset(int fd = -1) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = fd;
  }
  int release() {
    int fd = fd_;
    fd_ = -1;
    return fd;
  }

private:
  int fd_;
};

// Opens a body file for reading; refuses anything but a regular file.
int openForReading(const QString &path, qint64 &size) {
  int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
  if (fd < 0) fail(QStringLiteral("Cannot open the body file"), path, errno);
  struct stat st;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    throw ECardError(QStringLiteral("The body file \"%1\" is not a regular file.").arg(path));
  }
  size = qint64(st.st_size);
  return fd;
}

void checkRange(const QString &path, qint64 fileSize, qint32 adr, qint32 siz) {
  if (adr < 0 || siz < 0 || qint64(adr) + qint64(siz) > fileSize)
    throw ECardError(QStringLiteral("A card body (offset %1, size %2) lies outside the body file \"%3\" of %4 bytes.")
                         .arg(adr)
                         .arg(siz)
                         .arg(path)
                         .arg(fileSize));
}

void readExactly(int fd, const QString &path, char *data, qint64 size, qint64 offset) {
  while (size > 0) {
    ssize_t n = ::pread(fd, data, size_t(size), off_t(offset));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) fail(QStringLiteral("Cannot read the body file"), path, errno);
    if (n == 0) throw ECardError(QStringLiteral("The body file \"%1\" ended early.").arg(path));
    data += n;
    size -= n;
    offset += n;
  }
}

bool writeAll(int fd, const char *data, qint64 size) {
  while (size > 0) {
    ssize_t n = ::write(fd, data, size_t(size));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    data += n;
    size -= n;
  }
  return true;
}

// A fresh private file `base` + a random suffix, created exclusively and held.
int createSibling(const QString &base, QString &path, THeldItem &held) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    path = base + QStringLiteral(".%1.tmp").arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0'));
    int fd = CreateHeldFile(path, held);
    if (fd >= 0) return fd;
    if (errno != EEXIST) break;
  }
  fail(QStringLiteral("Cannot create"), path, errno);
}

// Writes through a buffer to one or two files at once.
class TeeWriter {
public:
  TeeWriter(int a, const QString &pathA, int b, const QString &pathB) : fds_{a, b}, paths_{pathA, pathB} {
    buffer_.reserve(kChunk);
  }
  void write(const char *data, qint64 size) {
    if (buffer_.size() + size > kChunk) flush();
    if (size >= kChunk) {
      put(data, size);
      return;
    }
    buffer_.append(data, qsizetype(size));
  }
  void flush() {
    if (!buffer_.isEmpty()) put(buffer_.constData(), buffer_.size());
    buffer_.clear();
  }

private:
  static constexpr qint64 kChunk = 1 << 20;
  void put(const char *data, qint64 size) {
    for (int i = 0; i < 2; ++i)
      if (fds_[i] >= 0 && !writeAll(fds_[i], data, size)) fail(QStringLiteral("Cannot write"), paths_[i], errno);
  }
  int fds_[2];
  QString paths_[2];
  QByteArray buffer_;
};

} // namespace

quint32 CRC32(const QByteArray &bytes) {
  quint32 crc = 0;
  for (char ch : bytes) crc = (crc >> 8) ^ kCrcTable[(crc ^ quint8(ch)) & 0xFF];
  return crc;
}

QString HexCRCName(const QString &path) {
  return QStringLiteral("%1").arg(CRC32(QFile::encodeName(path)), 32, 16, QLatin1Char('0')).toUpper();
}

QString BodyFileName(const QString &path) { return TempFolderPath() + HexCRCName(path) + QStringLiteral(".~h"); }

void TBodyFile::setPath(const QString &path) {
  path_ = path;
  if (held_ && !held_->holds(path_)) held_.reset();
}

void TBodyFile::hold() {
  if (path_.isEmpty() || isHeld()) return;
  auto item = std::make_shared<THeldItem>();
  if (item->hold(path_)) held_ = std::move(item);
}

void TBodyFile::adoptHold(THeldItem &&item) {
  if (!item.holds(path_)) return;
  held_ = std::make_shared<THeldItem>(std::move(item));
}

qint64 TBodyFile::size() const {
  struct stat st;
  if (path_.isEmpty() || ::stat(QFile::encodeName(path_).constData(), &st) != 0 || !S_ISREG(st.st_mode)) return -1;
  return qint64(st.st_size);
}

QByteArray TBodyFile::read(qint32 adr, qint32 siz) const {
  if (siz == 0) return QByteArray();
  qint64 fileSize = 0;
  if (siz < 0 || adr < 0) checkRange(path_, size(), adr, siz);
  Fd fd(openForReading(path_, fileSize));
  checkRange(path_, fileSize, adr, siz);
  QByteArray out(siz, Qt::Uninitialized);
  readExactly(fd.get(), path_, out.data(), siz, adr);
  return out;
}

void TBodyFile::append(const QByteArray &bytes, qint32 &adr, qint32 &siz) {
  const QByteArray &data = bytes.isEmpty() ? EmptyBody() : bytes;
  if (path_.isEmpty()) throw ECardError(QStringLiteral("No body file is open."));
  if (!isHeld()) {
    // Created held, or held as it is, before a body goes into it.
    THeldItem item;
    const int created = CreateHeldFile(path_, item);
    if (created >= 0) {
      ::close(created);
      adoptHold(std::move(item));
    } else {
      hold();
    }
  }
  Fd fd(::open(QFile::encodeName(path_).constData(), O_WRONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600));
  if (fd.get() < 0) fail(QStringLiteral("Cannot open the body file"), path_, errno);
  struct stat st;
  if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode))
    throw ECardError(QStringLiteral("The body file \"%1\" is not a regular file.").arg(path_));
  const off_t end = ::lseek(fd.get(), 0, SEEK_END);
  if (end < 0) fail(QStringLiteral("Cannot write the body file"), path_, errno);
  if (qint64(end) + qint64(data.size()) > kMaxBodyFileSize)
    throw ECardError(QStringLiteral("The body file \"%1\" cannot grow beyond 2 GB. Save the file to compact it.")
                         .arg(path_));
  if (!writeAll(fd.get(), data.constData(), data.size())) {
    int err = errno;
    // Leave no torn body behind.
    if (::ftruncate(fd.get(), end) != 0) { /* dead space only */ }
    fail(QStringLiteral("Cannot write the body file"), path_, err);
  }
  adr = qint32(end);
  siz = qint32(data.size());
}

qint32 TBodyFile::appendMany(const QByteArray &data) {
  qint32 adr = 0, siz = 0;
  // An empty block would be stored as one empty body: there is nothing to do.
  if (data.isEmpty()) return qint32(qMax<qint64>(size(), 0));
  append(data, adr, siz);
  return adr;
}

void TBodyFile::remove() {
  if (!path_.isEmpty()) ::unlink(QFile::encodeName(path_).constData());
  held_.reset();
}

void TBodyFile::reset() {
  remove();
  THeldItem item;
  int fd = CreateHeldFile(path_, item);
  if (fd < 0) fail(QStringLiteral("Cannot create the body file"), path_, errno);
  ::close(fd);
  adoptHold(std::move(item));
}

void TBodyFile::renameTo(const QString &newPath) {
  if (newPath == path_) return;
  if (exists() && ::rename(QFile::encodeName(path_).constData(), QFile::encodeName(newPath).constData()) != 0)
    fail(QStringLiteral("Cannot rename the body file"), path_, errno);
  path_ = newPath;
}

TBodyFile &CurrentBodyFile() {
  static TBodyFile file;
  static QString forName;
  static bool known = false;
  if (!known || forName != CurrentFileName) {
    file.setPath(BodyFileName(CurrentFileName));
    forName = CurrentFileName;
    known = true;
  }
  return file;
}

QString CurrentBodyFileName() { return CurrentBodyFile().path(); }

void MoveBodyFile(const QString &newFileName) {
  CurrentBodyFile().renameTo(BodyFileName(newFileName));
  CurrentFileName = newFileName;
}

void DeleteBodyFile() { CurrentBodyFile().remove(); }

void ResetBodyFile() { CurrentBodyFile().reset(); }

QByteArray ReadBody(const TCrd &card, const TBodyFile &body) { return body.read(card.ADR, card.SIZ); }

QByteArray ReadBodyText(const TCrd &card, const TBodyFile &body) {
  QByteArray bytes = ReadBody(card, body);
  if (bytes == EmptyBody()) bytes.clear();
  return bytes;
}

ByteLines ReadBodyLines(const TCrd &card, const TBodyFile &body) { return SplitLines(ReadBodyText(card, body)); }

void AppendBody(TCrd &card, TBodyFile &body, const QByteArray &bytes) { body.append(bytes, card.ADR, card.SIZ); }

void AppendBodyLines(TCrd &card, TBodyFile &body, const ByteLines &lines) { AppendBody(card, body, JoinLines(lines)); }

TBodyReader::~TBodyReader() {
  if (fd_ >= 0) ::close(fd_);
}

QByteArrayView TBodyReader::read(qint32 adr, qint32 siz) {
  if (siz == 0) return QByteArrayView();
  if (siz < 0 || adr < 0) checkRange(path_, fileSize_, adr, siz);
  if (fd_ < 0) fd_ = openForReading(path_, fileSize_);
  if (qint64(adr) + siz > fileSize_) {
    // Bodies are only ever appended: one stored since the file was opened lies beyond the size known then.
    struct stat st;
    if (::fstat(fd_, &st) == 0) fileSize_ = qint64(st.st_size);
  }
  checkRange(path_, fileSize_, adr, siz);
  const qint64 end = qint64(adr) + siz;
  if (adr < windowStart_ || end > windowStart_ + window_.size()) {
    const qint64 length = qMin(qMax<qint64>(siz, chunk_), fileSize_ - adr);
    window_.resize(qsizetype(length));
    windowStart_ = adr;
    try {
      readExactly(fd_, path_, window_.data(), length, adr);
    } catch (...) {
      window_.clear();
      throw;
    }
  }
  return QByteArrayView(window_.constData() + (adr - windowStart_), siz);
}

TBodyMap::~TBodyMap() { unmap(); }

void TBodyMap::unmap() {
  if (data_) ::munmap(const_cast<char *>(data_), size_t(size_));
  data_ = nullptr;
  size_ = 0;
}

bool TBodyMap::covering(qint64 end) {
  if (end <= size_) return true;
  if (failed_) return false;
  // Bodies are only appended while a pass runs, and a compacted file is a
  // new file: the mapped bytes never shrink under a view.
  try {
    qint64 size = 0;
    Fd fd(openForReading(path_, size));
    unmap();
    if (size > 0) {
      void *p = ::mmap(nullptr, size_t(size), PROT_READ, MAP_SHARED, fd.get(), 0);
      if (p == MAP_FAILED) {
        failed_ = true;
        return false;
      }
      data_ = static_cast<const char *>(p);
      size_ = size;
    }
  } catch (const ECardError &) {
    failed_ = true;
    return false;
  }
  return end <= size_;
}

bool TBodyMap::view(qint32 adr, qint32 siz, QByteArrayView &out) const {
  if (adr < 0 || siz < 0 || qint64(adr) + siz > size_) return false;
  out = siz == 0 ? QByteArrayView() : QByteArrayView(data_ + adr, siz);
  return true;
}

void TBodyBatch::endBody(TCrd *card) {
  if (data_.size() == end_) data_ += EmptyBody();
  if (data_.size() - end_ > kMaxBodyFileSize)
    throw ECardError(QStringLiteral("A card body cannot take more than 2 GB."));
  parts_.emplace_back(card, qint32(data_.size() - end_));
  end_ = data_.size();
}

void AppendBodies(TBodyBatch &batch, TBodyFile &body) {
  if (batch.parts_.empty()) return;
  // Cut off anything written after the last finished body.
  batch.data_.truncate(batch.end_);
  qint64 adr = body.appendMany(batch.data_);
  for (const auto &[card, siz] : batch.parts_) {
    card->ADR = qint32(adr);
    card->SIZ = siz;
    adr += siz;
  }
}

bool IsPlainTextBytes(const QByteArray &bytes) {
  // Only a body that starts as RTF is RTF: a plain body whose first line merely
  // mentions "{\rtf" must stay plain, or printing and export would lose it.
  return !bytes.startsWith("{\\rtf");
}

void CompactDataFile(TCrdList &list, TBodyFile &source, const QString &target) {
  const int count = list.Count();
  bool anyBody = false;
  for (int i = 0; i < count && !anyBody; ++i) anyBody = list.Objects(i)->SIZ != 0;

  Fd in;
  qint64 sourceSize = 0;
  if (anyBody) in.reset(openForReading(source.path(), sourceSize));

  // Both outputs are fresh files; the old body file and the cards' offsets
  // stay untouched until both are complete.
  QString targetTmp, bodyTmp;
  THeldItem targetHeld, bodyHeld;
  Fd targetFd(createSibling(target, targetTmp, targetHeld));
  Fd bodyFd;
  try {
    bodyFd.reset(createSibling(source.path(), bodyTmp, bodyHeld));
    std::vector<qint32> offsets(static_cast<size_t>(count));
    TeeWriter out(targetFd.get(), targetTmp, bodyFd.get(), bodyTmp);
    QByteArray buffer;
    qint64 position = 0;
    for (int i = 0; i < count; ++i) {
      const TCrd &card = *list.Objects(i);
      offsets[size_t(i)] = qint32(position);
      if (card.SIZ == 0) continue;
      checkRange(source.path(), sourceSize, card.ADR, card.SIZ);
      if (position + card.SIZ > kMaxBodyFileSize)
        throw ECardError(QStringLiteral("The card bodies take more than 2 GB; the file cannot be saved."));
      buffer.resize(card.SIZ);
      readExactly(in.get(), source.path(), buffer.data(), card.SIZ, card.ADR);
      out.write(buffer.constData(), card.SIZ);
      position += card.SIZ;
    }
    out.flush();
    if (::close(targetFd.release()) != 0) fail(QStringLiteral("Cannot write"), targetTmp, errno);
    if (::close(bodyFd.release()) != 0) fail(QStringLiteral("Cannot write"), bodyTmp, errno);
    if (::rename(QFile::encodeName(targetTmp).constData(), QFile::encodeName(target).constData()) != 0)
      fail(QStringLiteral("Cannot create"), target, errno);
    targetTmp.clear();
    if (::rename(QFile::encodeName(bodyTmp).constData(), QFile::encodeName(source.path()).constData()) != 0)
      fail(QStringLiteral("Cannot replace the body file"), source.path(), errno);
    bodyTmp.clear();
    // The new body file stays held, as the old one was.
    source.adoptHold(std::move(bodyHeld));
    // Only now do the offsets describe the file on disk.
    for (int i = 0; i < count; ++i) list.Objects(i)->ADR = offsets[size_t(i)];
  } catch (...) {
    targetFd.reset();
    bodyFd.reset();
    if (!targetTmp.isEmpty()) ::unlink(QFile::encodeName(targetTmp).constData());
    if (!bodyTmp.isEmpty()) ::unlink(QFile::encodeName(bodyTmp).constData());
    throw;
  }
}

} // namespace qel
