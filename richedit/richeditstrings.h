#pragma once
// Line access and streaming of a rich-edit control: the `Lines` object of
// every editor. Card bodies go into and out of the editor only through here,
// as RTF or plain text chosen by the stream format and mode, with one retry in
// the other format when a load fails, through a pass-through converter, and
// with the line breaks of plain text made CR LF.

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <stdexcept>

class QIODevice;

namespace qel {

namespace re {
class RichEditControl;
}

// A stream or resource failure of the editor ("Failed to Load Stream").
class EOutOfResources : public std::runtime_error {
public:
  explicit EOutOfResources(const QString &message) : std::runtime_error(message.toStdString()), message_(message) {}
  QString message() const { return message_; }

private:
  QString message_;
};

// A file that could not be opened or written.
class EFileStreamError : public std::runtime_error {
public:
  explicit EFileStreamError(const QString &message) : std::runtime_error(message.toStdString()), message_(message) {}
  QString message() const { return message_; }

private:
  QString message_;
};

enum class TRichStreamFormat { sfDefault, sfRichText, sfPlainText };

enum TRichStreamMode : int {
  smSelection = 0x01,
  smPlainRtf = 0x02,
  smNoObjects = 0x04,
  smUnicode = 0x08,
};
using TRichStreamModes = int;  // set of TRichStreamMode bits

// Pass-through converter between a stream and the control's bytes. A
// converter of a file format of its own overrides both; throwing from either
// makes the transfer fail.
class TConversion {
public:
  virtual ~TConversion() = default;
  // Reads at most `size` bytes into `buffer`; returns the count, 0 at the end.
  virtual qint64 ConvertReadStream(QIODevice &stream, char *buffer, qint64 size);
  // Writes `size` bytes; returns the count written.
  virtual qint64 ConvertWriteStream(QIODevice &stream, const char *buffer, qint64 size);
};

using TConversionFactory = std::function<std::unique_ptr<TConversion>()>;

// One entry of the unit-wide conversion format list.
struct TRichConversionFormat {
  TConversionFactory converterClass;
  QString extension;  // lower case, no dot
  bool plainText = false;
};

// Adds a format in front of the list (the list starts with "txt" (plain)
// then "rtf", both with the pass-through converter).
void RegisterConversionFormat(const QString &extension, bool plainText, TConversionFactory converterClass);
// The first format for the extension, or nullptr.
const TRichConversionFormat *FindConversionFormat(const QString &extension);

class TRichEditStrings {
public:
  explicit TRichEditStrings(re::RichEditControl &control);
  ~TRichEditStrings();
  TRichEditStrings(const TRichEditStrings &) = delete;
  TRichEditStrings &operator=(const TRichEditStrings &) = delete;

  // ---- stream format and mode (the control's StreamFormat / StreamMode) ----
  TRichStreamFormat StreamFormat() const { return format_; }
  void SetStreamFormat(TRichStreamFormat format) { format_ = format; }
  TRichStreamModes StreamMode() const { return mode_; }
  void SetStreamMode(TRichStreamModes mode) { mode_ = mode; }
  // The stream flags (SF_* | SFF_*) of a transfer in the current format and mode.
  int StreamFlags(bool saving) const;

  // The converter kept by this object (none until a file format gave one).
  TConversion *Converter() const { return converter_.get(); }
  void SetConverter(std::unique_ptr<TConversion> converter);
  // Class of converter made for a transfer when this object has none.
  void SetDefaultConverterClass(TConversionFactory factory);

  // The rich-edit library version the owner was bound to (1 or later): it
  // decides the line break used by Insert and whether Get drops a lone CR.
  int Version() const { return version_; }
  void SetVersion(int version) { version_ = version; }
  // Called with true before and false after Lines replaces text itself, so
  // the owner can suppress its replace-selection fix-up.
  void SetLinesUpdatingHook(std::function<void(bool)> hook) { linesUpdating_ = std::move(hook); }

  // ---- streaming ----
  // Throws EOutOfResources("Failed to Load Stream") when the data loads in
  // neither format.
  void LoadFromStream(QIODevice &stream);
  // Throws EOutOfResources("Failed to Save Stream").
  void SaveToStream(QIODevice &stream);
  void LoadFromFile(const QString &fileName);
  // Written to a temporary file beside the target, which replaces the target
  // only when complete.
  void SaveToFile(const QString &fileName);
  // The same on bytes held in memory.
  void LoadFromBytes(const QByteArray &bytes);
  QByteArray SaveToBytes();

  // ---- lines ----
  int Count() const;
  QString Get(int index) const;
  void Put(int index, const QString &s);
  void Insert(int index, const QString &s);
  void Add(const QString &s) { Insert(Count(), s); }
  void Delete(int index);
  void Clear();
  // Every line followed by CR LF.
  QString Text() const;
  void SetText(const QString &text);
  QStringList ToStringList() const;
  void AddStrings(const QStringList &lines);
  void BeginUpdate();
  void EndUpdate();

private:
  QByteArray readThrough(TConversion &converter, QIODevice &stream) const;
  bool tryLoad(const QByteArray &data, int flags);
  void replaceRange(int start, int end, const QString &text);

  re::RichEditControl &control_;
  TRichStreamFormat format_ = TRichStreamFormat::sfDefault;
  TRichStreamModes mode_ = 0;
  std::unique_ptr<TConversion> converter_;
  TConversionFactory defaultConverter_;
  std::function<void(bool)> linesUpdating_;
  int version_ = 3;
  int updateCount_ = 0;
};

// Line breaks of plain text made CR LF (a lone CR, a lone LF and CR LF alike)
// and NUL bytes dropped; the stored empty body (a NUL and a line break) reads
// as the empty text.
QByteArray NormalizePlainText(const QByteArray &text);
// The same for UTF-16 text in bytes.
QByteArray NormalizePlainTextUtf16(const QByteArray &text);

} // namespace qel
