#include "platform/inifile.h"

#include "platform/codepage.h"
#include "platform/datetime.h"
#include "platform/fileutil.h"
#include "platform/uiservices.h"

#include <QFile>
#include <QFileInfo>

namespace qel {

namespace {

// A scheme file is a few hundred bytes; anything huge is not one.
constexpr qint64 kMaxIniSize = 16 * 1024 * 1024;

bool isHeader(const QString &line, QString *name = nullptr) {
  QString t = line.trimmed();
  if (!t.startsWith(QLatin1Char('['))) return false;
  qsizetype close = t.indexOf(QLatin1Char(']'));
  if (close < 0) return false;
  if (name) *name = t.mid(1, close - 1).trimmed();
  return true;
}

bool splitKeyLine(const QString &line, QString &key, QString &value) {
  QString t = line.trimmed();
  if (t.isEmpty() || t.startsWith(QLatin1Char(';'))) return false;
  qsizetype eq = t.indexOf(QLatin1Char('='));
  if (eq <= 0) return false;
  key = t.left(eq).trimmed();
  if (key.isEmpty()) return false;
  value = t.mid(eq + 1).trimmed();
  if (value.size() >= 2 && (value.front() == QLatin1Char('"') || value.front() == QLatin1Char('\'')) &&
      value.back() == value.front())
    value = value.mid(1, value.size() - 2);
  return true;
}

bool hasLineBreak(const QString &s) {
  return s.contains(QLatin1Char('\n')) || s.contains(QLatin1Char('\r')) || s.contains(QChar(0));
}

} // namespace

EIniFileException::EIniFileException(const QString &message) : std::runtime_error(message.toStdString()) {}

TIniFile::TIniFile(const QString &fileName) : fileName_(fileName) {
  QFile f(fileName);
  if (!f.exists()) return;
  if (!f.open(QIODevice::ReadOnly)) {
    loadError_ = f.errorString();
    return;
  }
  if (f.size() > kMaxIniSize) {
    loadError_ = QStringLiteral("the file is too large");
    return;
  }
  LoadText(f.readAll());
}

void TIniFile::LoadText(QByteArray bytes) {
  utf8_ = false;
  if (bytes.startsWith("\xEF\xBB\xBF")) {
    bytes = bytes.mid(3);
    utf8_ = true;
  }
  utf8_ = utf8_ || isUtf8WithNonAscii(bytes);
  const QString text = utf8_ ? QString::fromUtf8(bytes) : decodeLegacy(bytes);
  lines_ = text.split(QLatin1Char('\n'));
  for (QString &l : lines_)
    if (l.endsWith(QLatin1Char('\r'))) l.chop(1);
  if (!lines_.isEmpty() && lines_.back().isEmpty()) lines_.removeLast();
  dirty_ = false;
}

TIniFile::~TIniFile() {
  if (!dirty_) return;
  try {
    UpdateFile();
  } catch (const EIniFileException &e) {
    qWarning("%s", e.what());
    ui().messageBox(e.message(), applicationTitle(), MB_OK | MB_ICONERROR);
  }
}

qsizetype TIniFile::findSection(const QString &section) const {
  QString name;
  for (qsizetype i = 0; i < lines_.size(); ++i)
    if (isHeader(lines_[i], &name) && name.compare(section, Qt::CaseInsensitive) == 0) return i;
  return -1;
}

qsizetype TIniFile::sectionEnd(qsizetype start) const {
  qsizetype i = start + 1;
  while (i < lines_.size() && !isHeader(lines_[i])) ++i;
  return i;
}

qsizetype TIniFile::findKey(qsizetype header, const QString &ident) const {
  if (header < 0) return -1;
  const qsizetype end = sectionEnd(header);
  QString key, value;
  for (qsizetype i = header + 1; i < end; ++i)
    if (splitKeyLine(lines_[i], key, value) && key.compare(ident.trimmed(), Qt::CaseInsensitive) == 0) return i;
  return -1;
}

QString TIniFile::ReadString(const QString &section, const QString &ident, const QString &defaultValue) const {
  qsizetype i = findKey(findSection(section), ident);
  if (i < 0) return defaultValue;
  QString key, value;
  splitKeyLine(lines_[i], key, value);
  return value;
}

int TIniFile::ReadInteger(const QString &section, const QString &ident, int defaultValue) const {
  QString s = ReadString(section, ident, QString());
  if (s.isEmpty()) return defaultValue;
  if (s.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)) s = QLatin1Char('$') + s.mid(2);
  return StrToIntDef(s, defaultValue);
}

bool TIniFile::ReadBool(const QString &section, const QString &ident, bool defaultValue) const {
  return ReadInteger(section, ident, defaultValue ? 1 : 0) != 0;
}

void TIniFile::WriteString(const QString &section, const QString &ident, const QString &value) {
  const QString sec = section.trimmed();
  const QString key = ident.trimmed();
  // Such names or values would change the file's structure when read back.
  if (sec.isEmpty() || hasLineBreak(sec) || sec.contains(QLatin1Char(']')))
    throw EIniFileException(QStringLiteral("Invalid section name \"%1\" for \"%2\".").arg(section, fileName_));
  if (key.isEmpty() || hasLineBreak(key) || key.contains(QLatin1Char('=')) || key.startsWith(QLatin1Char('[')) ||
      key.startsWith(QLatin1Char(';')))
    throw EIniFileException(QStringLiteral("Invalid key name \"%1\" for \"%2\".").arg(ident, fileName_));
  if (hasLineBreak(value))
    throw EIniFileException(QStringLiteral("The value of \"%1\" holds a line break and cannot be stored.").arg(ident));

  QString stored = value;
  // A value in matching quotes loses them on reading: quote it once more so it comes back whole.
  if (value.size() >= 2 && (value.front() == QLatin1Char('"') || value.front() == QLatin1Char('\'')) &&
      value.back() == value.front())
    stored = QLatin1Char('"') + value + QLatin1Char('"');
  qsizetype header = findSection(sec);
  if (header < 0) {
    if (!lines_.isEmpty() && !lines_.back().trimmed().isEmpty()) lines_.append(QString());
    lines_.append(QLatin1Char('[') + sec + QLatin1Char(']'));
    lines_.append(key + QLatin1Char('=') + stored);
  } else if (qsizetype i = findKey(header, key); i >= 0) {
    QString oldKey, oldValue;
    splitKeyLine(lines_[i], oldKey, oldValue);
    lines_[i] = oldKey + QLatin1Char('=') + stored;
  } else {
    qsizetype at = sectionEnd(header);
    while (at > header + 1 && lines_[at - 1].trimmed().isEmpty()) --at;
    lines_.insert(at, key + QLatin1Char('=') + stored);
  }
  dirty_ = true;
}

void TIniFile::WriteInteger(const QString &section, const QString &ident, int value) {
  WriteString(section, ident, QString::number(value));
}

void TIniFile::WriteBool(const QString &section, const QString &ident, bool value) {
  WriteString(section, ident, value ? QStringLiteral("1") : QStringLiteral("0"));
}

bool TIniFile::SectionExists(const QString &section) const { return findSection(section) >= 0; }

bool TIniFile::ValueExists(const QString &section, const QString &ident) const {
  return findKey(findSection(section), ident) >= 0;
}

QStringList TIniFile::ReadSection(const QString &section) const {
  QStringList keys;
  qsizetype header = findSection(section);
  if (header < 0) return keys;
  QString key, value;
  for (qsizetype i = header + 1, end = sectionEnd(header); i < end; ++i)
    if (splitKeyLine(lines_[i], key, value)) keys.append(key);
  return keys;
}

QStringList TIniFile::ReadSections() const {
  QStringList names;
  QString name;
  for (const QString &l : lines_)
    if (isHeader(l, &name)) names.append(name);
  return names;
}

void TIniFile::DeleteKey(const QString &section, const QString &ident) {
  qsizetype i = findKey(findSection(section), ident);
  if (i < 0) return;
  lines_.removeAt(i);
  dirty_ = true;
}

void TIniFile::EraseSection(const QString &section) {
  qsizetype header = findSection(section);
  if (header < 0) return;
  lines_.remove(header, sectionEnd(header) - header);
  dirty_ = true;
}

QByteArray TIniFile::Text() const {
  QString text = lines_.join(QLatin1String("\r\n"));
  if (!lines_.isEmpty()) text += QLatin1String("\r\n");
  if (!utf8_ && fitsLegacy(text)) {
    // Legacy text that happens to be valid UTF-8 would read back as UTF-8:
    // such a file is written as UTF-8, which reads back unchanged.
    const QByteArray legacy = encodeLegacy(text);
    if (!isUtf8WithNonAscii(legacy)) return legacy;
  }
  // A text that itself begins with U+FEFF gets a byte-order mark in front,
  // which reading takes off again: the character stays.
  if (text.startsWith(QChar(0xFEFF))) return "\xEF\xBB\xBF" + text.toUtf8();
  return text.toUtf8();
}

void TIniFile::UpdateFile() {
  dirty_ = false;  // one report per failure
  const QByteArray bytes = Text();

  QString error;
  if (!WriteFileReplacing(fileName_, bytes, &error)) throw EIniFileException(error);
}

} // namespace qel
