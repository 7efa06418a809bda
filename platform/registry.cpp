#include "platform/registry.h"

#include "platform/datetime.h"
#include "platform/uiservices.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QStringDecoder>
#include <QtEndian>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qel {

namespace {

const char kSignature[] = "Windows Registry Editor Version 5.00";
// A settings store this large is not ours; refusing it keeps a stray file from eating memory.
constexpr qint64 kMaxStoreSize = 64 * 1024 * 1024;
int g_lockWaitMs = 10000;

QString hiveNameOf(HKEY root) {
  switch (root) {
  case HKEY_CURRENT_USER: return QStringLiteral("HKEY_CURRENT_USER");
  case HKEY_LOCAL_MACHINE: return QStringLiteral("HKEY_LOCAL_MACHINE");
  default: return QString();
  }
}

QString fold(const QString &s) { return s.toCaseFolded(); }

bool sameName(const QString &a, const QString &b) { return a.compare(b, Qt::CaseInsensitive) == 0; }

QString errnoText(int err) { return QString::fromLocal8Bit(std::strerror(err)); }

// --- parsing -------------------------------------------------------------

// Reads a quoted string starting at s[pos] == '"'; pos ends after the closing quote.
bool parseQuoted(const QString &s, qsizetype &pos, QString &out) {
  if (pos >= s.size() || s[pos] != QLatin1Char('"')) return false;
  ++pos;
  out.clear();
  while (pos < s.size()) {
    QChar c = s[pos++];
    if (c == QLatin1Char('"')) return true;
    if (c == QLatin1Char('\\')) {
      if (pos >= s.size()) return false;
      QChar e = s[pos++];
      if (e != QLatin1Char('\\') && e != QLatin1Char('"')) return false;
      out += e;
    } else {
      out += c;
    }
  }
  return false;
}

int hexDigit(QChar c) {
  char16_t u = c.unicode();
  if (u >= '0' && u <= '9') return u - '0';
  if (u >= 'a' && u <= 'f') return u - 'a' + 10;
  if (u >= 'A' && u <= 'F') return u - 'A' + 10;
  return -1;
}

bool parseHexBytes(QStringView s, QByteArray &out) {
  out.clear();
  s = s.trimmed();
  if (s.isEmpty()) return true;
  for (QStringView part : s.split(QLatin1Char(','))) {
    part = part.trimmed();
    if (part.isEmpty() || part.size() > 2) return false;
    int v = 0;
    for (QChar c : part) {
      int d = hexDigit(c);
      if (d < 0) return false;
      v = v * 16 + d;
    }
    out.append(char(v));
  }
  return true;
}

QString fromUtf16Le(const QByteArray &bytes) {
  QString s;
  s.reserve(bytes.size() / 2);
  for (qsizetype i = 0; i + 1 < bytes.size(); i += 2)
    s += QChar(char16_t(quint8(bytes[i]) | (quint8(bytes[i + 1]) << 8)));
  if (!s.isEmpty() && s.back() == QChar(0)) s.chop(1);
  return s;
}

QByteArray toUtf16LeTerminated(const QString &s) {
  QByteArray b;
  b.reserve((s.size() + 1) * 2);
  for (QChar c : s) {
    b.append(char(c.unicode() & 0xFF));
    b.append(char(c.unicode() >> 8));
  }
  b.append('\0');
  b.append('\0');
  return b;
}

bool parseData(QStringView data, RegValue &v) {
  if (data.startsWith(QLatin1Char('"'))) {
    QString text;
    qsizetype pos = 0;
    QString owned = data.toString();
    if (!parseQuoted(owned, pos, text) || pos != owned.size()) return false;
    v.type = TRegDataType::rdString;
    v.text = text;
    return true;
  }
  if (data.startsWith(QLatin1String("dword:"), Qt::CaseInsensitive)) {
    QStringView digits = data.mid(6);
    if (digits.isEmpty() || digits.size() > 8) return false;
    quint32 n = 0;
    for (QChar c : digits) {
      int d = hexDigit(c);
      if (d < 0) return false;
      n = n * 16 + quint32(d);
    }
    v.type = TRegDataType::rdInteger;
    v.number = n;
    return true;
  }
  int code = 3;
  QStringView rest;
  if (data.startsWith(QLatin1String("hex:"), Qt::CaseInsensitive)) {
    rest = data.mid(4);
  } else if (data.startsWith(QLatin1String("hex("), Qt::CaseInsensitive)) {
    qsizetype close = data.indexOf(QLatin1String("):"));
    if (close < 5 || close > 4 + 8) return false;
    quint32 n = 0;
    for (QChar c : data.mid(4, close - 4)) {
      int d = hexDigit(c);
      if (d < 0) return false;
      n = n * 16 + quint32(d);
    }
    if (n > 0x7FFFFFFFu) return false;
    code = int(n);
    rest = data.mid(close + 2);
  } else {
    return false;
  }
  QByteArray bytes;
  if (!parseHexBytes(rest, bytes)) return false;
  v.bytes.clear();
  v.text.clear();
  if ((code == 1 || code == 2) && bytes.size() % 2 == 0) {
    v.type = code == 1 ? TRegDataType::rdString : TRegDataType::rdExpandString;
    v.text = fromUtf16Le(bytes);
  } else if (code == 3) {
    v.type = TRegDataType::rdBinary;
    v.bytes = bytes;
  } else if (code == 4 && bytes.size() == 4) {
    v.type = TRegDataType::rdInteger;
    v.number = qFromLittleEndian<quint32>(bytes.constData());
  } else {
    v.type = TRegDataType::rdUnknown;
    v.rawType = code;
    v.bytes = bytes;
  }
  return true;
}

bool parseValueLine(const QString &line, RegValue &v) {
  QString s = line.trimmed();
  qsizetype pos = 0;
  if (s.startsWith(QLatin1Char('@'))) {
    v.name.clear();
    pos = 1;
  } else if (!parseQuoted(s, pos, v.name)) {
    return false;
  }
  while (pos < s.size() && s[pos].isSpace()) ++pos;
  if (pos >= s.size() || s[pos] != QLatin1Char('=')) return false;
  ++pos;
  QStringView data = QStringView(s).mid(pos).trimmed();
  return parseData(data, v);
}

bool decodeUtf8(const QByteArray &bytes, QString &out) {
  QStringDecoder dec(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
  out = dec(bytes);
  return !dec.hasError();
}

// --- writing -------------------------------------------------------------

QByteArray quoted(const QString &s) {
  QString e;
  e.reserve(s.size() + 2);
  e += QLatin1Char('"');
  for (QChar c : s) {
    if (c == QLatin1Char('\\') || c == QLatin1Char('"')) e += QLatin1Char('\\');
    e += c;
  }
  e += QLatin1Char('"');
  return e.toUtf8();
}

QByteArray hexList(const QByteArray &bytes) {
  QByteArray out;
  out.reserve(bytes.size() * 3);
  static const char digits[] = "0123456789abcdef";
  for (qsizetype i = 0; i < bytes.size(); ++i) {
    if (i) out += ',';
    out += digits[quint8(bytes[i]) >> 4];
    out += digits[quint8(bytes[i]) & 15];
  }
  return out;
}

bool plainTextFits(const QString &s) {
  for (QChar c : s)
    if (c.unicode() < 0x20 || c.unicode() == 0x7F) return false;
  return s.isValidUtf16();
}

QByteArray valueLine(const RegValue &v) {
  QByteArray line = v.name.isEmpty() ? QByteArray("@") : quoted(v.name);
  line += '=';
  switch (v.type) {
  case TRegDataType::rdString:
    // Text that would break the line, or is not valid Unicode, goes as the
    // export's UTF-16 form so every character comes back.
    if (plainTextFits(v.text)) line += quoted(v.text);
    else line += "hex(1):" + hexList(toUtf16LeTerminated(v.text));
    break;
  case TRegDataType::rdExpandString: line += "hex(2):" + hexList(toUtf16LeTerminated(v.text)); break;
  case TRegDataType::rdInteger: line += "dword:" + QByteArray::number(v.number, 16).rightJustified(8, '0'); break;
  case TRegDataType::rdBinary: line += "hex:" + hexList(v.bytes); break;
  case TRegDataType::rdUnknown:
    line += "hex(" + QByteArray::number(v.rawType, 16) + "):" + hexList(v.bytes);
    break;
  }
  return line;
}

bool validValueName(const QString &name) {
  for (QChar c : name)
    if (c.unicode() == 0 || c == QLatin1Char('\n') || c == QLatin1Char('\r')) return false;
  return true;
}

// --- files ---------------------------------------------------------------

// Reads the store file; a missing file is an empty store.
bool readStoreFile(const QString &path, QByteArray &bytes, QString &error) {
  bytes.clear();
  QFileInfo info(path);
  if (!info.exists() && !info.isSymLink()) return true;
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) {
    error = QStringLiteral("cannot read \"%1\": %2").arg(path, f.errorString());
    return false;
  }
  if (f.size() > kMaxStoreSize) {
    error = QStringLiteral("\"%1\" is too large to be a settings store").arg(path);
    return false;
  }
  bytes = f.readAll();
  if (f.error() != QFileDevice::NoError) {
    error = QStringLiteral("cannot read \"%1\": %2").arg(path, f.errorString());
    return false;
  }
  return true;
}

struct Fd {
  int fd = -1;
  ~Fd() { if (fd >= 0) ::close(fd); }
};

struct TempFileGuard {
  QByteArray path;
  ~TempFileGuard() { if (!path.isEmpty()) ::unlink(path.constData()); }
};

bool writeAll(int fd, const QByteArray &data) {
  const char *p = data.constData();
  qsizetype left = data.size();
  while (left > 0) {
    ssize_t n = ::write(fd, p, size_t(left));
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    p += n;
    left -= n;
  }
  return true;
}

bool ensureFolder(const QString &folder, QString &error) {
  QDir dir(folder);
  if (dir.exists()) return true;
  QFileInfo info(folder);
  if (!QDir().mkpath(info.absolutePath())) {
    error = QStringLiteral("cannot create the folder \"%1\"").arg(info.absolutePath());
    return false;
  }
  if (::mkdir(QFile::encodeName(folder).constData(), 0700) != 0 && errno != EEXIST) {
    error = QStringLiteral("cannot create the folder \"%1\": %2").arg(folder, errnoText(errno));
    return false;
  }
  return true;
}

[[noreturn]] void failSave(const QString &path, const QString &why) {
  throw ERegistryException(QStringLiteral("The settings could not be saved to \"%1\": %2.").arg(path, why));
}

} // namespace

ERegistryException::ERegistryException(const QString &message) : std::runtime_error(message.toStdString()) {}

// --- RegHiveData ---------------------------------------------------------

const RegHiveData::Key *RegHiveData::find(const QString &path) const {
  auto it = index_.constFind(fold(path));
  return it == index_.constEnd() ? nullptr : &keys[*it];
}

RegHiveData::Key *RegHiveData::find(const QString &path) {
  auto it = index_.constFind(fold(path));
  return it == index_.constEnd() ? nullptr : &keys[*it];
}

qsizetype RegHiveData::insertKey(const QString &path) {
  auto it = index_.constFind(fold(path));
  if (it != index_.constEnd()) return *it;
  Key k;
  k.path = path;
  keys.append(k);
  index_.insert(fold(path), keys.size() - 1);
  return keys.size() - 1;
}

RegHiveData::Key &RegHiveData::ensure(const QString &path) {
  if (Key *k = find(path)) return *k;
  // Missing ancestors first, from the top, as an export lists them.
  QStringList missing{path};
  for (qsizetype cut = path.lastIndexOf(QLatin1Char('\\')); cut > 0; cut = path.lastIndexOf(QLatin1Char('\\'), cut - 1)) {
    const QString parent = path.left(cut);
    if (find(parent)) break;
    missing.prepend(parent);
  }
  qsizetype last = -1;
  for (const QString &p : missing) last = insertKey(p);
  return keys[last];
}

bool RegHiveData::exists(const QString &path) const {
  if (path.isEmpty() || find(path)) return true;
  // A key named only as part of a longer key's path exists too.
  const QString prefix = fold(path) + QLatin1Char('\\');
  for (auto it = index_.constBegin(); it != index_.constEnd(); ++it)
    if (it.key().startsWith(prefix)) return true;
  return false;
}

bool RegHiveData::removeValue(const QString &path, const QString &name) {
  Key *k = find(path);
  if (!k) return false;
  auto it = k->names_.constFind(fold(name));
  if (it == k->names_.constEnd()) return false;
  k->values.removeAt(*it);
  k->names_.clear();
  for (qsizetype i = 0; i < k->values.size(); ++i) k->names_.insert(fold(k->values[i].name), i);
  return true;
}

bool RegHiveData::removeKey(const QString &path) {
  if (path.isEmpty()) return false;
  const QString folded = fold(path);
  const QString prefix = folded + QLatin1Char('\\');
  QList<Key> kept;
  bool removed = false;
  for (Key &k : keys) {
    const QString f = fold(k.path);
    if (f == folded || f.startsWith(prefix)) {
      removed = true;
      continue;
    }
    kept.append(std::move(k));
  }
  keys = std::move(kept);
  index_.clear();
  for (qsizetype i = 0; i < keys.size(); ++i) index_.insert(fold(keys[i].path), i);
  return removed;
}

void RegHiveData::setValue(const QString &path, const RegValue &value) {
  Key &k = ensure(path);
  auto it = k.names_.constFind(fold(value.name));
  if (it != k.names_.constEnd()) {
    RegValue &v = k.values[*it];
    const QString keptName = v.name;  // a value keeps the letter case it was created with
    v = value;
    v.name = keptName;
    return;
  }
  k.values.append(value);
  k.names_.insert(fold(value.name), k.values.size() - 1);
}

QStringList RegHiveData::subKeyNames(const QString &path) const {
  QStringList names;
  QSet<QString> seen;
  const QString prefix = path.isEmpty() ? QString() : fold(path) + QLatin1Char('\\');
  for (const Key &k : keys) {
    if (k.path.isEmpty()) continue;
    if (!fold(k.path).startsWith(prefix)) continue;
    QString rest = k.path.mid(prefix.size());
    rest = rest.left(rest.indexOf(QLatin1Char('\\')));  // the child on the way to a deeper key
    if (rest.isEmpty()) continue;
    if (!seen.contains(fold(rest))) {
      seen.insert(fold(rest));
      names.append(rest);
    }
  }
  return names;
}

RegHiveData RegHiveData::parse(const QByteArray &input, const QString &hiveName, int *skipped) {
  RegHiveData hive;
  hive.hiveName = hiveName;
  int kept = 0;

  QByteArray bytes = input;
  if (bytes.startsWith("\xFF\xFE")) {
    // An export saved as UTF-16.
    QByteArray body = bytes.mid(2);
    if (body.size() % 2) body.chop(1);
    bytes = fromUtf16Le(body + QByteArray(2, '\0')).toUtf8();
  } else if (bytes.startsWith("\xEF\xBB\xBF")) {
    bytes = bytes.mid(3);
  }

  // Line ends may be LF or CRLF; carriage returns at the end of a line carry nothing.
  QList<QByteArray> lines = bytes.split('\n');
  for (QByteArray &l : lines)
    while (l.endsWith('\r')) l.chop(1);
  const QList<QByteArray> &raw = lines;

  qsizetype current = -1;  // index in keys of the section being read
  bool sawContent = false;
  for (qsizetype i = 0; i < lines.size(); ++i) {
    QList<QByteArray> original{raw[i]};
    QByteArray logical = lines[i];
    // Long binary data continues on the next line after a trailing backslash.
    while (logical.trimmed().endsWith('\\') && i + 1 < lines.size()) {
      QByteArray next = lines[i + 1].trimmed();
      if (next.isEmpty() || next.startsWith('[')) break;
      logical = logical.trimmed();
      logical.chop(1);
      logical += next;
      ++i;
      original.append(raw[i]);
    }

    QString text;
    const bool utf8 = decodeUtf8(logical, text);
    const QString trimmed = text.trimmed();
    if (utf8 && trimmed.isEmpty()) continue;
    if (utf8 && !sawContent && (trimmed == QLatin1String(kSignature) || trimmed == QLatin1String("REGEDIT4"))) {
      sawContent = true;
      continue;
    }
    sawContent = true;

    auto keepRaw = [&] {
      kept += int(original.size());
      const QByteArray group = original.join('\n');  // continued lines stay together
      if (current >= 0) hive.keys[current].rawLines.append(group);
      else hive.orphanLines.append(group);
    };

    if (utf8 && trimmed.startsWith(QLatin1Char('['))) {
      current = -1;
      if (trimmed.endsWith(QLatin1Char(']'))) {
        QString inner = trimmed.mid(1, trimmed.size() - 2);
        qsizetype cut = inner.indexOf(QLatin1Char('\\'));
        QString hivePart = cut < 0 ? inner : inner.left(cut);
        QString path = cut < 0 ? QString() : inner.mid(cut + 1);
        QStringList parts;
        if (sameName(hivePart, hiveName) && (cut < 0 || SplitKeyPath(path, parts))) {
          const QString keyPath = cut < 0 ? QString() : parts.join(QLatin1Char('\\'));
          current = hive.insertKey(keyPath);  // ancestors stay implicit: no text is multiplied
          continue;
        }
      }
      keepRaw();
      continue;
    }
    RegValue v;
    if (utf8 && current >= 0 && parseValueLine(text, v)) {
      hive.setValue(hive.keys[current].path, v);
      continue;
    }
    keepRaw();
  }
  if (skipped) *skipped = kept;
  return hive;
}

QByteArray RegHiveData::serialize() const {
  QByteArray out;
  out += kSignature;
  out += "\n\n";
  // A kept group ending in a backslash is followed by an empty line, so the
  // next line is not taken as its continuation when the text is read again.
  auto writeRaw = [&out](const QByteArray &group) {
    out += group + '\n';
    if (group.trimmed().endsWith('\\')) out += '\n';
  };
  if (!orphanLines.isEmpty()) {
    for (const QByteArray &l : orphanLines) writeRaw(l);
    out += '\n';
  }
  const QByteArray hive = hiveName.toUtf8();
  for (const Key &k : keys) {
    out += '[' + hive;
    if (!k.path.isEmpty()) out += '\\' + k.path.toUtf8();
    out += "]\n";
    for (const RegValue &v : k.values) out += valueLine(v) + '\n';
    for (const QByteArray &l : k.rawLines) writeRaw(l);
    out += '\n';
  }
  return out;
}

// --- paths ---------------------------------------------------------------

QString RegistryHiveFile(HKEY root) {
  auto base = [](const char *var, const char *fallback) {
    QString v = qEnvironmentVariable(var);
    if (v.isEmpty() || QDir::isRelativePath(v)) v = QDir::homePath() + QLatin1String(fallback);
    return v;
  };
  switch (root) {
  case HKEY_CURRENT_USER: return base("XDG_CONFIG_HOME", "/.config") + QLatin1String("/qel-moravine/hkcu.reg");
  case HKEY_LOCAL_MACHINE: return base("XDG_DATA_HOME", "/.local/share") + QLatin1String("/qel-moravine/hklm.reg");
  default: return QString();
  }
}

void SetRegistryLockWait(int milliseconds) { g_lockWaitMs = milliseconds; }

bool SplitKeyPath(const QString &path, QStringList &parts) {
  parts.clear();
  if (path.isEmpty()) return true;
  parts = path.split(QLatin1Char('\\'));
  if (parts.size() > 512) return false;  // deeper than any registry allows
  for (const QString &p : parts) {
    if (p.isEmpty() || p.size() > 255) return false;
    for (QChar c : p)
      if (c.unicode() < 0x20 || c.unicode() == 0x7F) return false;
  }
  return true;
}

// --- TRegistry -----------------------------------------------------------

TRegistry::TRegistry() = default;
TRegistry::TRegistry(unsigned access) : access_(access) {}

TRegistry::~TRegistry() {
  try {
    CloseKey();
  } catch (const ERegistryException &e) {
    // A destructor cannot raise: say it here so the loss is not silent.
    qWarning("%s", e.what());
    ui().messageBox(e.message(), applicationTitle(), MB_OK | MB_ICONERROR);
  }
}

void TRegistry::SetRootKey(HKEY root) {
  CloseKey();
  root_ = root;
  snapshot_.reset();
}

bool TRegistry::resolve(const QString &key, QString &path) const {
  QString k = key;
  bool absolute = k.startsWith(QLatin1Char('\\'));
  if (absolute) k.remove(0, 1);
  QStringList parts;
  if (!SplitKeyPath(k, parts)) return false;
  QString rel = parts.join(QLatin1Char('\\'));
  if (!absolute && open_ && !currentPath_.isEmpty())
    path = rel.isEmpty() ? currentPath_ : currentPath_ + QLatin1Char('\\') + rel;
  else
    path = rel;
  return true;
}

void TRegistry::loadSnapshot() {
  const QString file = RegistryHiveFile(root_);
  QByteArray bytes;
  QString error;
  if (file.isEmpty() || !readStoreFile(file, bytes, error)) bytes.clear();  // reads see defaults; a write reports the error
  snapshot_ = std::make_unique<RegHiveData>(RegHiveData::parse(bytes, hiveNameOf(root_)));
}

bool TRegistry::OpenKey(const QString &key, bool canCreate) {
  QString k = key;
  if (k.endsWith(QLatin1Char('\\')) && k != QLatin1String("\\")) k.chop(1);
  QString path;
  const bool valid = root_ != HKEY_CLASSES_ROOT && resolve(k, path);
  CloseKey();
  if (!valid) return false;
  loadSnapshot();
  if (!snapshot_->exists(path)) {
    if (!canCreate) return false;
    if (!(access_ & KEY_CREATE_SUB_KEY)) return false;
    createKeyAt(path);
  }
  open_ = true;
  openAccess_ = access_;
  currentPath_ = path;
  return true;
}

bool TRegistry::OpenKeyReadOnly(const QString &key) {
  SetAccess(KEY_READ);
  return OpenKey(key, false);
}

bool TRegistry::KeyExists(const QString &key) {
  QString path;
  if (root_ == HKEY_CLASSES_ROOT || !resolve(key, path)) return false;
  if (!open_ || !snapshot_) loadSnapshot();
  return snapshot_->exists(path);
}

bool TRegistry::CreateKey(const QString &key) {
  QString path;
  if (root_ == HKEY_CLASSES_ROOT || !resolve(key, path)) return false;
  if (!open_ || !snapshot_) loadSnapshot();
  createKeyAt(path);
  if (!open_) writeChanges();
  return true;
}

bool TRegistry::DeleteKey(const QString &key) {
  QString k = key;
  if (k.endsWith(QLatin1Char('\\')) && k != QLatin1String("\\")) k.chop(1);
  QString path;
  if (root_ == HKEY_CLASSES_ROOT || !resolve(k, path) || path.isEmpty()) return false;
  if (!open_ || !snapshot_) loadSnapshot();
  const bool existed = snapshot_->removeKey(path);
  if (!existed) return false;
  changes_.append(Change{Change::DeleteKey, path, {}});
  if (!open_) writeChanges();
  return true;
}

void TRegistry::CloseKey() {
  open_ = false;
  currentPath_.clear();
  writeChanges();
}

void TRegistry::Flush() { writeChanges(); }

void TRegistry::writeChanges() {
  if (changes_.isEmpty()) return;
  const QList<Change> changes = std::move(changes_);
  changes_.clear();  // reported once, even when the write below fails

  try {
    writeChangesLocked(changes);
  } catch (...) {
    loadSnapshot();  // forget the values that did not reach the store
    throw;
  }
}

void TRegistry::writeChangesLocked(const QList<Change> &changes) {
  const QString file = RegistryHiveFile(root_);
  if (file.isEmpty()) failSave(hiveNameOf(root_), QStringLiteral("this part of the registry is not stored"));
  const QString folder = QFileInfo(file).absolutePath();
  QString error;
  if (!ensureFolder(folder, error)) failSave(file, error);

  Fd lock;
  const QByteArray lockName = QFile::encodeName(file + QLatin1String(".lock"));
  lock.fd = ::open(lockName.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (lock.fd < 0) failSave(file, QStringLiteral("cannot open the lock file: %1").arg(errnoText(errno)));
  // Another program holds the lock only while it writes; one that hangs must not freeze us.
  QElapsedTimer waited;
  waited.start();
  while (::flock(lock.fd, LOCK_EX | LOCK_NB) != 0) {
    if (errno != EWOULDBLOCK && errno != EINTR)
      failSave(file, QStringLiteral("cannot lock the store: %1").arg(errnoText(errno)));
    if (waited.elapsed() >= g_lockWaitMs) failSave(file, QStringLiteral("another program keeps the store locked"));
    ::usleep(10000);
  }

  // Under the lock: what other writers stored since we read it, plus our changes.
  QByteArray bytes;
  if (!readStoreFile(file, bytes, error)) failSave(file, error);
  RegHiveData data = RegHiveData::parse(bytes, hiveNameOf(root_));
  for (const Change &c : changes) {
    switch (c.op) {
    case Change::CreateKey: data.ensure(c.path); break;
    case Change::SetValue: data.setValue(c.path, c.value); break;
    case Change::DeleteValue: data.removeValue(c.path, c.value.name); break;
    case Change::DeleteKey: data.removeKey(c.path); break;
    }
  }
  const QByteArray out = data.serialize();

  // A store that is a link (kept with other dotfiles) is replaced where it really lives.
  QString real = file;
  if (QFileInfo(file).isSymLink()) {
    const QString resolved = QFileInfo(file).canonicalFilePath();
    if (resolved.isEmpty()) failSave(file, QStringLiteral("the link points nowhere"));
    real = resolved;
  }
  const QByteArray target = QFile::encodeName(real);
  TempFileGuard temp;
  QByteArray pattern = target + ".tmp-XXXXXX";
  Fd tfd;
  tfd.fd = ::mkostemp(pattern.data(), O_CLOEXEC);
  if (tfd.fd < 0) failSave(file, QStringLiteral("cannot create a temporary file: %1").arg(errnoText(errno)));
  temp.path = pattern;
  struct stat st;
  mode_t mode = 0600;
  if (::stat(target.constData(), &st) == 0) mode = st.st_mode & 07777;
  ::fchmod(tfd.fd, mode);
  if (!writeAll(tfd.fd, out) || ::fsync(tfd.fd) != 0)
    failSave(file, errnoText(errno));
  const int closed = ::close(tfd.fd);
  tfd.fd = -1;
  if (closed != 0) failSave(file, errnoText(errno));
  if (::rename(pattern.constData(), target.constData()) != 0) failSave(file, errnoText(errno));
  temp.path.clear();
  Fd dir;
  dir.fd = ::open(QFile::encodeName(QFileInfo(real).absolutePath()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir.fd >= 0) ::fsync(dir.fd);

  // What we wrote is the freshest view of the store.
  snapshot_ = std::make_unique<RegHiveData>(std::move(data));
}

const RegHiveData::Key *TRegistry::keyAt(const QString &path) const {
  return snapshot_ ? snapshot_->find(path) : nullptr;
}

const RegValue *TRegistry::valueAt(const QString &path, const QString &name) const {
  const RegHiveData::Key *k = keyAt(path);
  if (!k) return nullptr;
  for (const RegValue &v : k->values)
    if (sameName(v.name, name)) return &v;
  return nullptr;
}

void TRegistry::requireWritable(const QString &valueName) const {
  if (!open_)
    throw ERegistryException(QStringLiteral("Failed to set data for '%1': no registry key is open.").arg(valueName));
  if (!(openAccess_ & KEY_SET_VALUE))
    throw ERegistryException(QStringLiteral("Failed to set data for '%1': the key is open for reading only.").arg(valueName));
  if (!validValueName(valueName))
    throw ERegistryException(QStringLiteral("Failed to set data for '%1': the name holds a line break.").arg(valueName));
}

void TRegistry::createKeyAt(const QString &path) {
  if (!snapshot_) loadSnapshot();
  snapshot_->ensure(path);
  changes_.append(Change{Change::CreateKey, path, {}});
}

void TRegistry::setValueAt(const QString &path, const RegValue &value) {
  if (!snapshot_) loadSnapshot();
  snapshot_->setValue(path, value);
  changes_.append(Change{Change::SetValue, path, value});
}

bool TRegistry::deleteValueAt(const QString &path, const QString &name) {
  if (!snapshot_) loadSnapshot();
  const bool existed = snapshot_->removeValue(path, name);
  RegValue v;
  v.name = name;
  changes_.append(Change{Change::DeleteValue, path, v});
  return existed;
}

bool TRegistry::ValueExists(const QString &name) const { return open_ && valueAt(currentPath_, name); }

TRegDataType TRegistry::GetDataType(const QString &name) const {
  const RegValue *v = open_ ? valueAt(currentPath_, name) : nullptr;
  return v ? v->type : TRegDataType::rdUnknown;
}

int TRegistry::GetDataSize(const QString &name) const {
  const RegValue *v = open_ ? valueAt(currentPath_, name) : nullptr;
  if (!v) return -1;
  switch (v->type) {
  case TRegDataType::rdString:
  case TRegDataType::rdExpandString: return int((v->text.size() + 1) * 2);
  case TRegDataType::rdInteger: return 4;
  default: return int(v->bytes.size());
  }
}

QStringList TRegistry::GetValueNames() const {
  QStringList names;
  if (const RegHiveData::Key *k = open_ ? keyAt(currentPath_) : nullptr)
    for (const RegValue &v : k->values) names.append(v.name);
  return names;
}

QStringList TRegistry::GetKeyNames() const {
  return open_ && snapshot_ ? snapshot_->subKeyNames(currentPath_) : QStringList();
}

bool TRegistry::HasSubKeys() const { return !GetKeyNames().isEmpty(); }

bool TRegistry::ReadValue(const QString &name, RegValue &value) const {
  const RegValue *v = open_ ? valueAt(currentPath_, name) : nullptr;
  if (!v) return false;
  value = *v;
  return true;
}

QString TRegistry::ReadString(const QString &name) const {
  RegValue v;
  if (!ReadValue(name, v)) return QString();
  if (v.type != TRegDataType::rdString && v.type != TRegDataType::rdExpandString)
    throw ERegistryException(QStringLiteral("Invalid data type for '%1'").arg(name));
  return v.text;
}

int TRegistry::ReadInteger(const QString &name) const {
  RegValue v;
  if (!ReadValue(name, v)) throw ERegistryException(QStringLiteral("Failed to get data for '%1'").arg(name));
  if (v.type != TRegDataType::rdInteger) throw ERegistryException(QStringLiteral("Invalid data type for '%1'").arg(name));
  return int(v.number);
}

bool TRegistry::ReadBool(const QString &name) const { return ReadInteger(name) != 0; }

double TRegistry::ReadFloat(const QString &name) const {
  RegValue v;
  if (!ReadValue(name, v)) throw ERegistryException(QStringLiteral("Failed to get data for '%1'").arg(name));
  if (v.type != TRegDataType::rdBinary || v.bytes.size() != 8)
    throw ERegistryException(QStringLiteral("Invalid data type for '%1'").arg(name));
  double d;
  std::memcpy(&d, v.bytes.constData(), 8);
  return d;
}

QByteArray TRegistry::ReadBinaryData(const QString &name) const {
  RegValue v;
  if (!ReadValue(name, v)) throw ERegistryException(QStringLiteral("Failed to get data for '%1'").arg(name));
  if (v.type != TRegDataType::rdBinary && v.type != TRegDataType::rdUnknown)
    throw ERegistryException(QStringLiteral("Invalid data type for '%1'").arg(name));
  return v.bytes;
}

void TRegistry::WriteString(const QString &name, const QString &value) {
  requireWritable(name);
  RegValue v;
  v.name = name;
  v.type = TRegDataType::rdString;
  v.text = value;
  setValueAt(currentPath_, v);
}

void TRegistry::WriteExpandString(const QString &name, const QString &value) {
  requireWritable(name);
  RegValue v;
  v.name = name;
  v.type = TRegDataType::rdExpandString;
  v.text = value;
  setValueAt(currentPath_, v);
}

void TRegistry::WriteInteger(const QString &name, int value) {
  requireWritable(name);
  RegValue v;
  v.name = name;
  v.type = TRegDataType::rdInteger;
  v.number = quint32(value);
  setValueAt(currentPath_, v);
}

void TRegistry::WriteBool(const QString &name, bool value) { WriteInteger(name, value ? 1 : 0); }

void TRegistry::WriteFloat(const QString &name, double value) {
  QByteArray b(8, '\0');
  std::memcpy(b.data(), &value, 8);
  WriteBinaryData(name, b);
}

void TRegistry::WriteBinaryData(const QString &name, const QByteArray &value) {
  requireWritable(name);
  RegValue v;
  v.name = name;
  v.type = TRegDataType::rdBinary;
  v.bytes = value;
  setValueAt(currentPath_, v);
}

bool TRegistry::DeleteValue(const QString &name) {
  if (!open_ || !(openAccess_ & KEY_SET_VALUE)) return false;
  return deleteValueAt(currentPath_, name);
}

// --- TRegIniFile ---------------------------------------------------------

TRegIniFile::TRegIniFile(const QString &fileName, HKEY root) {
  SetRootKey(root);
  OpenKey(fileName, true);
}

QString TRegIniFile::sectionPath(const QString &section) const {
  QString path;
  if (!resolve(section, path)) return QString(QChar(0));  // matches no key
  return path;
}

QString TRegIniFile::ReadString(const QString &section, const QString &ident, const QString &defaultValue) const {
  const RegValue *v = valueAt(sectionPath(section), ident);
  if (!v) return defaultValue;
  switch (v->type) {
  case TRegDataType::rdString:
  case TRegDataType::rdExpandString: return v->text;
  case TRegDataType::rdInteger: return QString::number(int(v->number));
  default: return defaultValue;
  }
}

int TRegIniFile::ReadInteger(const QString &section, const QString &ident, int defaultValue) const {
  const RegValue *v = valueAt(sectionPath(section), ident);
  if (!v) return defaultValue;
  if (v->type == TRegDataType::rdInteger) return int(v->number);
  if (v->type == TRegDataType::rdString) {
    return StrToIntDef(v->text.trimmed(), defaultValue);
  }
  return defaultValue;
}

bool TRegIniFile::ReadBool(const QString &section, const QString &ident, bool defaultValue) const {
  return ReadInteger(section, ident, defaultValue ? 1 : 0) != 0;
}

void TRegIniFile::WriteString(const QString &section, const QString &ident, const QString &value) {
  requireWritable(ident);
  const QString path = sectionPath(section);
  QStringList parts;
  if (!SplitKeyPath(path, parts))
    throw ERegistryException(QStringLiteral("Failed to create key '%1'").arg(section));
  createKeyAt(path);
  RegValue v;
  v.name = ident;
  v.type = TRegDataType::rdString;
  v.text = value;
  setValueAt(path, v);
}

void TRegIniFile::WriteInteger(const QString &section, const QString &ident, int value) {
  WriteString(section, ident, QString::number(value));
}

void TRegIniFile::WriteBool(const QString &section, const QString &ident, bool value) {
  WriteString(section, ident, value ? QStringLiteral("1") : QStringLiteral("0"));
}

bool TRegIniFile::ValueExists(const QString &section, const QString &ident) const {
  return valueAt(sectionPath(section), ident) != nullptr;
}

void TRegIniFile::DeleteKey(const QString &section, const QString &ident) {
  if (!HasCurrentKey()) return;
  const QString path = sectionPath(section);
  if (keyAt(path)) deleteValueAt(path, ident);
}

QStringList TRegIniFile::ReadSection(const QString &section) const {
  QStringList names;
  if (const RegHiveData::Key *k = keyAt(sectionPath(section)))
    for (const RegValue &v : k->values) names.append(v.name);
  return names;
}

QStringList TRegIniFile::ReadSections() const { return GetKeyNames(); }

} // namespace qel
