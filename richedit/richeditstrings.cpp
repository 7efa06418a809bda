#include "richedit/richeditstrings.h"

#include "platform/richedit/richeditcontrol.h"
#include "platform/richedit/rtfreader.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <list>

namespace qel {

using namespace re;

// ---- converters ------------------------------------------------------------

qint64 TConversion::ConvertReadStream(QIODevice &stream, char *buffer, qint64 size) {
  const qint64 n = stream.read(buffer, size);
  if (n < 0) throw EOutOfResources(stream.errorString());
  return n;
}

qint64 TConversion::ConvertWriteStream(QIODevice &stream, const char *buffer, qint64 size) {
  return stream.write(buffer, size);
}

namespace {

std::list<TRichConversionFormat> &conversionFormats() {
  static std::list<TRichConversionFormat> formats = [] {
    std::list<TRichConversionFormat> l;
    auto passThrough = [] { return std::make_unique<TConversion>(); };
    l.push_back({passThrough, QStringLiteral("txt"), true});
    l.push_back({passThrough, QStringLiteral("rtf"), false});
    return l;
  }();
  return formats;
}

constexpr qint64 kChunk = 4096;

template <typename Unit>
QByteArray normalize(const QByteArray &text) {
  const auto *in = reinterpret_cast<const Unit *>(text.constData());
  const qsizetype n = text.size() / qsizetype(sizeof(Unit));
  std::basic_string<Unit> out;
  out.reserve(size_t(n + n / 16 + 2));
  bool sawNul = false;
  for (qsizetype i = 0; i < n; ++i) {
    const Unit c = in[i];
    if (c == 0) {
      sawNul = true;
      continue;
    }
    if (c == Unit('\r')) {
      out += Unit('\r');
      out += Unit('\n');
      // A CR LF pair counts once; a CR the chunking left at a boundary was
      // kept with the data, so the pair is whole here.
      if (i + 1 < n && in[i + 1] == Unit('\n')) ++i;
    } else if (c == Unit('\n')) {
      out += Unit('\r');
      out += Unit('\n');
    } else {
      out += c;
    }
  }
  // The stored empty body: a NUL and its line break.
  if (sawNul && out.size() == 2 && out[0] == Unit('\r') && out[1] == Unit('\n')) out.clear();
  return QByteArray(reinterpret_cast<const char *>(out.data()), qsizetype(out.size() * sizeof(Unit)));
}

} // namespace

void RegisterConversionFormat(const QString &extension, bool plainText, TConversionFactory converterClass) {
  conversionFormats().push_front({std::move(converterClass), extension.toLower(), plainText});
}

const TRichConversionFormat *FindConversionFormat(const QString &extension) {
  const QString ext = extension.toLower();
  for (const TRichConversionFormat &f : conversionFormats())
    if (f.extension == ext) return &f;
  return nullptr;
}

QByteArray NormalizePlainText(const QByteArray &text) { return normalize<char>(text); }
QByteArray NormalizePlainTextUtf16(const QByteArray &text) { return normalize<char16_t>(text); }

// ---- TRichEditStrings ------------------------------------------------------

TRichEditStrings::TRichEditStrings(RichEditControl &control) : control_(control) {}

TRichEditStrings::~TRichEditStrings() = default;

void TRichEditStrings::SetConverter(std::unique_ptr<TConversion> converter) { converter_ = std::move(converter); }

void TRichEditStrings::SetDefaultConverterClass(TConversionFactory factory) { defaultConverter_ = std::move(factory); }

int TRichEditStrings::StreamFlags(bool saving) const {
  int basic = 0;
  switch (format_) {
  case TRichStreamFormat::sfDefault: basic = control_.plainTextMode() ? SF_TEXT : SF_RTF; break;
  case TRichStreamFormat::sfRichText: basic = SF_RTF; break;
  case TRichStreamFormat::sfPlainText: basic = SF_TEXT; break;
  }
  int flags = basic;
  if (mode_ & smSelection) flags |= SFF_SELECTION;
  if (basic == SF_RTF) {
    if (mode_ & smPlainRtf) flags |= SFF_PLAINRTF;
    if (saving && (mode_ & smNoObjects)) flags = (flags & ~0x0F) | SF_RTFNOOBJS;
  } else if ((mode_ & smUnicode) && version_ >= 2) {
    flags |= SF_UNICODE;
  }
  return flags;
}

QByteArray TRichEditStrings::readThrough(TConversion &converter, QIODevice &stream) const {
  // The whole stream in chunks: line ends are made CR LF after it is whole,
  // so a CR LF pair split by a chunk boundary stays one line break.
  QByteArray data;
  QByteArray chunk(kChunk, Qt::Uninitialized);
  for (;;) {
    const qint64 n = converter.ConvertReadStream(stream, chunk.data(), kChunk);
    if (n <= 0) break;
    data.append(chunk.constData(), qsizetype(qMin(n, kChunk)));
  }
  return data;
}

bool TRichEditStrings::tryLoad(const QByteArray &data, int flags) {
  const int basic = flags & 0x0F;
  if (basic == SF_TEXT) {
    // A rich-text control recognises RTF handed to it as text; refusing it
    // here makes the retry load it as RTF. In plain-text mode it is text.
    if (!control_.plainTextMode() && isRtf(data)) return false;
    const QByteArray text = (flags & SF_UNICODE) ? NormalizePlainTextUtf16(data) : NormalizePlainText(data);
    return control_.streamIn(text, flags);
  }
  // Line ends inside RTF are left alone: they may sit in binary data.
  return control_.streamIn(data, flags);
}

void TRichEditStrings::LoadFromStream(QIODevice &stream) {
  std::unique_ptr<TConversion> own;
  TConversion *converter = converter_.get();
  if (!converter) {
    own = defaultConverter_ ? defaultConverter_() : std::make_unique<TConversion>();
    converter = own.get();
  }
  const qint64 start = stream.isSequential() ? 0 : stream.pos();
  const int flags = StreamFlags(false);
  QByteArray data;
  bool converted = true;
  try {
    data = readThrough(*converter, stream);
  } catch (...) {
    converted = false;  // a converter error is a failed load
  }
  bool ok = converted && tryLoad(data, flags);
  if (!ok) {
    // One retry in the other basic format, without the mode flags.
    const int other = (flags & 0x0F) == SF_TEXT ? SF_RTF : SF_TEXT;
    if (!converted && !stream.isSequential()) {
      converted = true;
      try {
        stream.seek(start);
        data = readThrough(*converter, stream);
      } catch (...) {
        converted = false;
      }
    }
    ok = converted && (other == SF_TEXT ? control_.streamIn(NormalizePlainText(data), SF_TEXT)
                                        : control_.streamIn(data, SF_RTF));
  }
  if (!ok) throw EOutOfResources(QStringLiteral("Failed to Load Stream"));
  control_.setSel(0, 0);
  control_.scrollCaret();
}

void TRichEditStrings::SaveToStream(QIODevice &stream) {
  std::unique_ptr<TConversion> own;
  TConversion *converter = converter_.get();
  if (!converter) {
    own = defaultConverter_ ? defaultConverter_() : std::make_unique<TConversion>();
    converter = own.get();
  }
  const QByteArray data = control_.streamOut(StreamFlags(true));
  bool ok = true;
  try {
    qint64 done = 0;
    while (ok && done < data.size()) {
      const qint64 n = qMin<qint64>(kChunk, data.size() - done);
      const qint64 written = converter->ConvertWriteStream(stream, data.constData() + done, n);
      ok = written == n;
      done += n;
    }
  } catch (...) {
    ok = false;
  }
  if (!ok) throw EOutOfResources(QStringLiteral("Failed to Save Stream"));
}

void TRichEditStrings::LoadFromBytes(const QByteArray &bytes) {
  QByteArray copy = bytes;
  QBuffer buf(&copy);
  buf.open(QIODevice::ReadOnly);
  LoadFromStream(buf);
}

QByteArray TRichEditStrings::SaveToBytes() {
  QByteArray out;
  QBuffer buf(&out);
  buf.open(QIODevice::WriteOnly);
  SaveToStream(buf);
  return out;
}

namespace {

// The stream format a file's extension asks for, for the length of one call.
class FileFormatScope {
public:
  FileFormatScope(TRichEditStrings &lines, const QString &fileName) : lines_(lines), saved_(lines.StreamFormat()) {
    if (const TRichConversionFormat *f = FindConversionFormat(QFileInfo(fileName).suffix())) {
      if (!lines.Converter() && f->converterClass) lines.SetConverter(f->converterClass());
      lines.SetStreamFormat(f->plainText ? TRichStreamFormat::sfPlainText : TRichStreamFormat::sfRichText);
    }
  }
  ~FileFormatScope() { lines_.SetStreamFormat(saved_); }
  // The converter is dropped when the call fails.
  void failed() { lines_.SetConverter(nullptr); }

private:
  TRichEditStrings &lines_;
  TRichStreamFormat saved_;
};

} // namespace

void TRichEditStrings::LoadFromFile(const QString &fileName) {
  FileFormatScope scope(*this, fileName);
  try {
    QFile f(fileName);
    if (!f.open(QIODevice::ReadOnly))
      throw EFileStreamError(QStringLiteral("Cannot open file \"%1\". %2").arg(fileName, f.errorString()));
    LoadFromStream(f);
  } catch (...) {
    scope.failed();
    throw;
  }
}

void TRichEditStrings::SaveToFile(const QString &fileName) {
  FileFormatScope scope(*this, fileName);
  try {
    QSaveFile f(fileName);
    if (!f.open(QIODevice::WriteOnly))
      throw EFileStreamError(QStringLiteral("Cannot create file \"%1\". %2").arg(fileName, f.errorString()));
    SaveToStream(f);
    if (!f.commit())
      throw EFileStreamError(QStringLiteral("Cannot write file \"%1\". %2").arg(fileName, f.errorString()));
  } catch (...) {
    scope.failed();
    throw;
  }
}

// ---- lines -----------------------------------------------------------------

int TRichEditStrings::Count() const {
  int n = control_.lineCount();
  if (n > 0 && control_.lineLength(control_.lineIndex(n - 1)) == 0) --n;
  return n;
}

QString TRichEditStrings::Get(int index) const {
  if (index < 0 || index >= control_.lineCount()) return QString();
  // The whole line: no length limit, so converting, sorting or unformatting
  // lines never cuts a long one.
  QString s = control_.line(index);
  if (s.endsWith(QLatin1String("\r\n"))) s.chop(2);
  else if (version_ >= 2 && s.endsWith(QLatin1Char('\r'))) s.chop(1);
  return s;
}

void TRichEditStrings::replaceRange(int start, int end, const QString &text) {
  if (linesUpdating_) linesUpdating_(true);
  struct Reset {
    const std::function<void(bool)> &hook;
    ~Reset() {
      if (hook) hook(false);
    }
  } reset{linesUpdating_};
  control_.setSel(start, end);
  control_.replaceSel(text, false);
}

void TRichEditStrings::Put(int index, const QString &s) {
  if (index < 0 || index >= control_.lineCount()) return;
  const int start = control_.lineIndex(index);
  if (start < 0) return;
  replaceRange(start, start + control_.lineLength(start), s);
}

void TRichEditStrings::Insert(int index, const QString &s) {
  if (index < 0) return;
  const QString br = version_ >= 2 ? QStringLiteral("\r") : QStringLiteral("\r\n");
  int at = index < control_.lineCount() ? control_.lineIndex(index) : -1;
  QString text;
  if (at >= 0) {
    text = s + br;
  } else {
    const int prev = index - 1 < control_.lineCount() ? control_.lineIndex(index - 1) : -1;
    if (prev < 0) return;
    const int len = control_.lineLength(prev);
    if (len == 0) return;
    at = prev + len;
    text = br + s;
  }
  replaceRange(at, at, text);
  if (version_ < 2) {
    // The caret must stand behind the inserted text (a line break counts
    // one position).
    int selStart = 0, selEnd = 0;
    control_.getSel(selStart, selEnd);
    const int expected = at + int(QString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\r")).size());
    if (selStart != expected) throw EOutOfResources(QStringLiteral("RichEdit line insertion error"));
  }
}

void TRichEditStrings::Delete(int index) {
  if (index < 0 || index >= control_.lineCount()) return;
  const int start = control_.lineIndex(index);
  if (start < 0) return;
  int end = control_.lineIndex(index + 1);
  if (end < 0) end = start + control_.lineLength(start);
  replaceRange(start, end, QString());
}

void TRichEditStrings::Clear() {
  control_.clear();
  control_.setModified(false);
}

QString TRichEditStrings::Text() const {
  QString s;
  const int n = Count();
  for (int i = 0; i < n; ++i) {
    s += Get(i);
    s += QLatin1String("\r\n");
  }
  return s;
}

QStringList TRichEditStrings::ToStringList() const {
  QStringList l;
  const int n = Count();
  l.reserve(n);
  for (int i = 0; i < n; ++i) l << Get(i);
  return l;
}

void TRichEditStrings::SetText(const QString &text) {
  const unsigned mask = control_.eventMask();
  control_.setEventMask(mask & ~unsigned(ENM_CHANGE));
  control_.setText(text);
  control_.setEventMask(mask);
}

void TRichEditStrings::AddStrings(const QStringList &lines) {
  // No selection-change notifications for each line added.
  const unsigned mask = control_.eventMask();
  control_.setEventMask(mask & ~unsigned(ENM_SELCHANGE));
  BeginUpdate();
  try {
    for (const QString &s : lines) Add(s);
  } catch (...) {
    EndUpdate();
    control_.setEventMask(mask);
    throw;
  }
  EndUpdate();
  control_.setEventMask(mask);
}

void TRichEditStrings::BeginUpdate() {
  if (updateCount_++ == 0 && control_.isVisible()) control_.setUpdatesEnabled(false);
}

void TRichEditStrings::EndUpdate() {
  if (updateCount_ == 0) return;
  if (--updateCount_ == 0) {
    if (control_.isVisible()) {
      control_.setUpdatesEnabled(true);
      control_.viewport()->update();
    }
    emit control_.textChanged();
  }
}

} // namespace qel
