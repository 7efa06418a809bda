#pragma once

// A file carried inside the installer: written into the installer's form data
// at build time ("FileData"), and written back into a fresh private temporary
// file when the installer starts.

#include <QByteArray>
#include <QIODevice>
#include <QString>

#include <stdexcept>

namespace qel {

class EFileSource : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

class TFileSource {
public:
  explicit TFileSource(const QString &name = QString()) : Name(name) {}
  ~TFileSource();
  TFileSource(const TFileSource &) = delete;
  TFileSource &operator=(const TFileSource &) = delete;

  QString Name;
  QString DisplayLabel;
  QString Extension;  // including the dot

  bool Compress() const { return FCompress; }
  void SetCompress(bool v) { FCompress = v; if (v) FStore = true; }
  bool Store() const { return FStore; }
  void SetStore(bool v) { FStore = v; }

  // The path while that file exists, else empty.
  QString FileName() const;
  // Deletes an owned temporary file first, then takes the path and its extension.
  void SetFileName(const QString &path);

  // "FileData" bytes: with Compress a PMCS10 stream, else UInt32 size and the bytes.
  // WriteFileData throws when the file is missing or cannot be read whole.
  void WriteFileData(QIODevice &target) const;
  // Writes the bytes back into a fresh temporary file, which this component
  // then owns. A damaged payload leaves no file behind and throws.
  void ReadFileData(QIODevice &source);

  // The binary-property encoding of the form data: tag 0x0A, UInt32 count, bytes.
  static QByteArray EncodeBinaryProperty(const QByteArray &bytes);
  // Reads one binary property from data at pos (advanced past it); throws when damaged.
  static QByteArray DecodeBinaryProperty(const QByteArray &data, qsizetype &pos);

private:
  // Creates "~fs" + seconds + n + Extension exclusively in the private
  // temporary folder, the first n that is free; never through a link.
  QString MakeTempName(int &fd) const;
  void DeleteTempFile();

  QString FPath;
  bool FTempOwned = false;
  bool FCompress = false;
  bool FStore = false;
};

}  // namespace qel
