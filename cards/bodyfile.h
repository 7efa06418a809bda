#pragma once
// The body file: all card bodies of the open card file back to back in one
// private file of the temporary folder, named after the CRC-32 of the card
// file's path. Bodies are only appended; saving compacts the file.

#include "cards/strroutines.h"
#include "platform/tempfolder.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <memory>
#include <utility>
#include <vector>

namespace qel {

class TCrd;
class TCrdList;

// The body stored for an emptied card: one line holding a NUL character.
// Never store a body of 0 bytes: the index reader drops such cards.
inline QByteArray EmptyBody() { return QByteArray("\0\r\n", 3); }
// Offsets are 32-bit signed: a body file stops at 2^31 - 1 bytes.
constexpr qint64 kMaxBodyFileSize = 0x7FFFFFFF;

// CRC-32 with the reflected table of 0xEDB88320, register starting at 0 and
// no final inversion.
quint32 CRC32(const QByteArray &bytes);
// The CRC-32 of the path's bytes as held (QFile::encodeName) as 32 upper-case
// hexadecimal digits: 24 zeros and the 8 digits of the value.
QString HexCRCName(const QString &path);
// TempFolderPath() + HexCRCName(path) + ".~h".
QString BodyFileName(const QString &path);

// One body file on disk. All operations throw ECardError on failure.
// A body file this object creates, appends to, compacts or moves is held
// (THeldItem) while the object points at it, so no other program starting
// meanwhile takes it for a dead program's file; copies share the hold.
class TBodyFile {
public:
  TBodyFile() = default;
  explicit TBodyFile(const QString &path) : path_(path) {}

  const QString &path() const { return path_; }
  // Points the object at another file; no file is touched. The hold goes
  // unless the file at `path` is the one held (it was moved there).
  void setPath(const QString &path);
  // Holds the file now at path(), or takes over `item` when it holds it.
  void hold();
  void adoptHold(THeldItem &&item);
  bool isHeld() const { return held_ && held_->holds(path_); }

  // Size in bytes, -1 when the file does not exist.
  qint64 size() const;
  bool exists() const { return size() >= 0; }

  // The `siz` bytes at `adr`. A size of 0 reads nothing (whatever the
  // offset); a range outside the file is an error.
  QByteArray read(qint32 adr, qint32 siz) const;
  // Appends `bytes` (EmptyBody() when empty) and returns the offset and size
  // written through `adr` and `siz`, which change only on success.
  void append(const QByteArray &bytes, qint32 &adr, qint32 &siz);
  // Appends `data` (several bodies back to back, not empty) with one write
  // and returns the offset it starts at. On failure the file is cut back to
  // its old size.
  qint32 appendMany(const QByteArray &data);

  // Deletes the file (no error when it is missing).
  void remove();
  // Deletes the file and creates it anew, empty.
  void reset();
  // Moves the file to `newPath` (replacing a file there) and points at it. A
  // missing file just re-points.
  void renameTo(const QString &newPath);

private:
  QString path_;
  std::shared_ptr<THeldItem> held_;
};

// The body file of the open card file, at CurrentBodyFileName(). Its path
// follows CurrentFileName; moving the bytes along with a new name is
// MoveBodyFile's job.
TBodyFile &CurrentBodyFile();
QString CurrentBodyFileName();
// Renames the current body file to the body file name of `newFileName`, then
// makes `newFileName` the current file name.
void MoveBodyFile(const QString &newFileName);
void DeleteBodyFile();
void ResetBodyFile();

// Raw reads and appends of one card's body.
QByteArray ReadBody(const TCrd &card, const TBodyFile &body);
// The body as text: the stored empty body reads as empty.
QByteArray ReadBodyText(const TCrd &card, const TBodyFile &body);
ByteLines ReadBodyLines(const TCrd &card, const TBodyFile &body);
void AppendBody(TCrd &card, TBodyFile &body, const QByteArray &bytes);
void AppendBodyLines(TCrd &card, TBodyFile &body, const ByteLines &lines);

// Reads many bodies through one descriptor, a large chunk at a time, so a
// pass over the cards in file order costs few system calls. The file is
// opened on the first read that needs it; bodies appended meanwhile can be
// read, but it must not be replaced while read.
class TBodyReader {
public:
  explicit TBodyReader(const TBodyFile &file) : path_(file.path()) {}
  // Reads `chunk` bytes at a time; 0 reads each body by itself, for passes in
  // an order other than the file's.
  TBodyReader(const TBodyFile &file, qint64 chunk) : path_(file.path()), chunk_(chunk) {}
  ~TBodyReader();
  TBodyReader(const TBodyReader &) = delete;
  TBodyReader &operator=(const TBodyReader &) = delete;

  // The `siz` bytes at `adr`, as TBodyFile::read gives them (same errors);
  // valid until the next call.
  QByteArrayView read(qint32 adr, qint32 siz);

private:
  QString path_;
  int fd_ = -1;
  qint64 fileSize_ = 0;
  qint64 chunk_ = 4 << 20;
  qint64 windowStart_ = 0;
  QByteArray window_;
};

// The whole body file mapped read-only into memory, for passes that read
// many bodies in an order other than the file's, from several threads at
// once: a body is then a view, with no system call and no copy. view() may be
// called from any thread; covering() only while no view is being read.
class TBodyMap {
public:
  explicit TBodyMap(const TBodyFile &file) : path_(file.path()) {}
  ~TBodyMap();
  TBodyMap(const TBodyMap &) = delete;
  TBodyMap &operator=(const TBodyMap &) = delete;

  // Maps the file again when it has grown below `end` (bodies appended since
  // it was mapped). False when the file cannot be mapped.
  bool covering(qint64 end);
  // The `siz` bytes at `adr`; false (and nothing read) for a range outside
  // the part mapped.
  bool view(qint32 adr, qint32 siz, QByteArrayView &out) const;

private:
  void unmap();
  QString path_;
  const char *data_ = nullptr;
  qint64 size_ = 0;
  bool failed_ = false;
};

// New bodies for many cards, gathered to be appended with one write.
class TBodyBatch {
public:
  // Write a card's new body at the end of data(), then call endBody.
  QByteArray &data() { return data_; }
  // The bytes added since the last body are `card`'s new body; none at all
  // stand for the empty body.
  void endBody(TCrd *card);
  bool isEmpty() const { return parts_.empty(); }

private:
  friend void AppendBodies(TBodyBatch &batch, TBodyFile &body);
  QByteArray data_;
  qsizetype end_ = 0;
  std::vector<std::pair<TCrd *, qint32>> parts_;  // card, size of its body
};

// Appends the batch's bodies with one write and only then points each card's
// ADR and SIZ at its new body: a failure changes no card and leaves the file
// as it was.
void AppendBodies(TBodyBatch &batch, TBodyFile &body);

// True when `bytes` hold no RTF: RTF starts with "{\rtf", anything else is plain text.
bool IsPlainTextBytes(const QByteArray &bytes);

// Writes the bodies of `list`'s cards, in list order, to `target` (the body
// entry of the file being saved), then makes a copy of it the new body file
// `source` and only then points every card's ADR into the new layout. A
// failure on the way leaves `source`, the cards and their offsets as they
// were, and removes the partial target.
void CompactDataFile(TCrdList &list, TBodyFile &source, const QString &target);

} // namespace qel
