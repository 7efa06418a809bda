#pragma once
// A plain ini file with the rules of the Windows profile files: "[Section]"
// lines, "Key=Value" lines, names compared without regard to case, blanks
// around names and values ignored, a value in matching quotes read without
// them, ';' lines and anything else kept as they are. Used for colour-scheme
// files. Text is read as UTF-8 when it is valid UTF-8, else as the legacy code
// page, and written back the same way (UTF-8 when the legacy page cannot hold it).
//
// Writes change the text in memory; UpdateFile() saves it (temporary file,
// then rename) and throws EIniFileException when it cannot. The destructor
// saves unsaved changes and reports a failure through the prompt seam.

#include <QString>
#include <QStringList>

#include <stdexcept>

namespace qel {

class EIniFileException : public std::runtime_error {
public:
  explicit EIniFileException(const QString &message);
  QString message() const { return QString::fromUtf8(what()); }
};

class TIniFile {
public:
  explicit TIniFile(const QString &fileName);
  ~TIniFile();
  TIniFile(const TIniFile &) = delete;
  TIniFile &operator=(const TIniFile &) = delete;

  QString FileName() const { return fileName_; }
  // Why the file could not be read (empty when it was read or did not exist).
  QString LoadError() const { return loadError_; }

  QString ReadString(const QString &section, const QString &ident, const QString &defaultValue) const;
  int ReadInteger(const QString &section, const QString &ident, int defaultValue) const;
  bool ReadBool(const QString &section, const QString &ident, bool defaultValue) const;
  void WriteString(const QString &section, const QString &ident, const QString &value);
  void WriteInteger(const QString &section, const QString &ident, int value);
  void WriteBool(const QString &section, const QString &ident, bool value);

  bool SectionExists(const QString &section) const;
  bool ValueExists(const QString &section, const QString &ident) const;
  QStringList ReadSection(const QString &section) const;  // key names
  QStringList ReadSections() const;
  void DeleteKey(const QString &section, const QString &ident);
  void EraseSection(const QString &section);

  void UpdateFile();

  // Replaces what was read with `bytes`, as if the file held them (nothing is
  // written until a change is made), and the bytes the file would be saved as.
  void LoadText(QByteArray bytes);
  QByteArray Text() const;

  // The file's text as it would be saved (tests).
  QStringList Lines() const { return lines_; }

private:
  // Line index of the first "[section]" header, -1 when absent.
  qsizetype findSection(const QString &section) const;
  // End of the section starting at header `start` (index of the next header or lines_.size()).
  qsizetype sectionEnd(qsizetype start) const;
  qsizetype findKey(qsizetype header, const QString &ident) const;

  QString fileName_;
  QString loadError_;
  QStringList lines_;
  bool utf8_ = false;
  bool dirty_ = false;
};

} // namespace qel
