#pragma once
// Drives the built engine libraries as the archive component does: loaded by
// full path from the program folder, one parameter record per call, and a
// callback that records every request and answers from a script.

#include "tests/support/testenv.h"
#include "zip/format/zipdllabi.h"
#include "zip/format/zipstructs.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QString>
#include <gtest/gtest.h>

#include <cstring>
#include <deque>
#include <dlfcn.h>
#include <optional>
#include <string>
#include <vector>
#include <zlib.h>

namespace enginetest {

using namespace qel::zipabi;

struct Engines {
  void *zipLib = nullptr, *unzLib = nullptr;
  ZipDllExecFunc zipExec = nullptr;
  GetZipDllVersionFunc zipVersion = nullptr;
  UnzDllExecFunc unzExec = nullptr;
  GetUnzDllVersionFunc unzVersion = nullptr;
};

inline const Engines &engines() {
  static Engines e = [] {
    Engines x;
    x.zipLib = dlopen(QEL_PROGRAM_DIR "/libzipdll.so", RTLD_NOW | RTLD_LOCAL);
    x.unzLib = dlopen(QEL_PROGRAM_DIR "/libunzdll.so", RTLD_NOW | RTLD_LOCAL);
    if (x.zipLib) {
      x.zipExec = reinterpret_cast<ZipDllExecFunc>(dlsym(x.zipLib, kZipDllExecName));
      x.zipVersion = reinterpret_cast<GetZipDllVersionFunc>(dlsym(x.zipLib, kGetZipDllVersionName));
    }
    if (x.unzLib) {
      x.unzExec = reinterpret_cast<UnzDllExecFunc>(dlsym(x.unzLib, kUnzDllExecName));
      x.unzVersion = reinterpret_cast<GetUnzDllVersionFunc>(dlsym(x.unzLib, kGetUnzDllVersionName));
    }
    return x;
  }();
  return e;
}

struct Event {
  int action;
  int errorCode;
  long long size;
  std::string text;
};

// Records callbacks and answers them from a script.
struct Recorder {
  std::vector<Event> events;
  std::deque<std::optional<std::string>> passwords;  // nullopt: answer "no password"
  bool stopAskingAfterFirst = false;                 // clears the action code (cancel all)
  int crcReply = 2;                                  // 2: as with no handler
  std::optional<bool> overwriteReply;                // unset: keep the default
  int cancelOnAction = -1;                           // return -1 on this action
  int cancelAfter = 0;                               // ...after that many of them

  int count(int action) const {
    int n = 0;
    for (const Event &e : events) n += e.action == action;
    return n;
  }
  std::string messages() const {
    std::string all;
    for (const Event &e : events)
      if (e.action == cbMessage) all += e.text + "\n";
    return all;
  }
};

inline std::int32_t recordCallback(ZipCallbackRecord *rec) {
  auto *r = static_cast<Recorder *>(rec->component);
  r->events.push_back({rec->action, rec->errorCode, static_cast<long long>(rec->size),
                       std::string(rec->text, strnlen(rec->text, kCallbackTextSize))});
  switch (rec->action) {
  case cbPassword: {
    std::optional<std::string> pw;
    if (!r->passwords.empty()) {
      pw = r->passwords.front();
      r->passwords.pop_front();
    }
    std::memset(rec->text, 0, kCallbackTextSize);
    if (pw) {
      std::strncpy(rec->text, pw->c_str(), 80);
      rec->errorCode = 1;
    } else {
      rec->errorCode = 0;
      rec->size = 0;
    }
    if (r->stopAskingAfterFirst) rec->action = 0;
    break;
  }
  case cbCrcError:
    rec->errorCode = r->crcReply;
    break;
  case cbOverwrite:
    if (r->overwriteReply) rec->size = *r->overwriteReply ? 1 : 0;
    break;
  default:
    break;
  }
  if (rec->action == r->cancelOnAction && r->cancelAfter-- <= 0) return -1;
  return 0;
}

struct Line {
  std::string spec;
  std::optional<std::string> password;  // a line password ("" = line stored in the clear)
  std::optional<bool> recurse;
};

struct AddCall {
  std::string archive;
  std::vector<Line> lines;
  std::string password;
  bool encrypt = false;
  int level = 9;
  bool junk = true;
  bool recurse = false;
  bool update = false, freshen = false, move = false;
  bool folderEntries = false;
  std::string fromDate;  // "mm dd yy"
  std::string suffixes;
  std::vector<std::string> excludes;
  std::string rootDir;
};

inline int add(const AddCall &c, Recorder &r) {
  ZipAddParams p{};
  p.component = &r;
  p.callback = &recordCallback;
  p.version = engines().zipVersion ? engines().zipVersion() : 0;
  p.password = c.password.empty() ? nullptr : c.password.c_str();
  p.storeSuffixes = c.suffixes.empty() ? nullptr : c.suffixes.c_str();
  p.encrypt = flag(c.encrypt);
  p.noDirEntries = flag(!c.folderEntries);
  p.quiet = kTrue;
  p.level = c.level;
  if (!c.fromDate.empty()) {
    p.fromDate = kTrue;
    std::memcpy(p.date, c.fromDate.data(), std::min<std::size_t>(8, c.fromDate.size()));
  }
  p.junkDirNames = flag(c.junk);
  p.recurse = c.recurse ? -1 : 0;
  p.grow = kTrue;
  p.update = flag(c.update);
  p.freshen = flag(c.freshen);
  p.move = flag(c.move);
  p.archive = c.archive.c_str();
  p.seven = kRecordSeven;
  std::vector<ZipAddFileEntry> files(c.lines.size());
  for (std::size_t i = 0; i < c.lines.size(); ++i) {
    ZipAddFileEntry &f = files[i];
    std::memset(&f, 0, sizeof f);
    f.fileSpec = c.lines[i].spec.c_str();
    f.password = p.password;
    f.encrypt = p.encrypt;
    f.recurse = c.recurse ? -1 : 0;
    if (c.lines[i].recurse) f.recurse = *c.lines[i].recurse ? -1 : 0;
    if (c.lines[i].password) {
      f.password = c.lines[i].password->c_str();
      f.encrypt = c.lines[i].password->empty() ? 0 : 0xFFFF;
    }
    f.rootDir = c.rootDir.empty() ? nullptr : c.rootDir.c_str();
  }
  std::vector<const char *> excl;
  for (const std::string &e : c.excludes) excl.push_back(e.c_str());
  p.fileCount = static_cast<std::int32_t>(files.size());
  p.files = files.data();
  p.excludeCount = static_cast<std::int32_t>(excl.size());
  p.excludes = excl.data();
  return engines().zipExec(&p);
}

struct ExtractCall {
  std::string archive;
  std::string target;
  std::vector<std::string> specs;  // empty: every entry
  std::string password;
  bool test = false, update = false, freshen = false, dirs = false, overwrite = true;
  int passwordRequests = 1;
};

inline int extract(const ExtractCall &c, Recorder &r) {
  UnzExtractParams p{};
  p.component = &r;
  p.callback = &recordCallback;
  p.version = engines().unzVersion ? engines().unzVersion() : 0;
  p.password = c.password.c_str();
  p.testOnly = flag(c.test);
  p.quiet = kTrue;
  p.update = flag(c.update);
  p.freshen = flag(c.freshen);
  p.directories = flag(c.dirs);
  p.overwrite = flag(c.overwrite);
  p.archive = c.archive.c_str();
  std::vector<UnzFileEntry> files(c.specs.size());
  for (std::size_t i = 0; i < c.specs.size(); ++i) {
    std::memset(&files[i], 0, sizeof files[i]);
    files[i].fileSpec = c.specs[i].c_str();
  }
  p.fileCount = static_cast<std::int32_t>(files.size());
  p.files = files.empty() ? nullptr : files.data();
  p.passwordRequestCount = c.passwordRequests;
  p.targetDir = c.target.empty() ? nullptr : c.target.c_str();
  p.seven = kRecordSeven;
  return engines().unzExec(&p);
}

// Files and tools.

inline std::string dirFor(const char *name) { return qel::test::freshDir(QString::fromUtf8(name)).toStdString(); }

inline std::string readFile(const std::string &path) {
  QFile f(QString::fromStdString(path));
  if (!f.open(QIODevice::ReadOnly)) return "<missing>";
  QByteArray b = f.readAll();
  return std::string(b.constData(), static_cast<std::size_t>(b.size()));
}

inline void writeFile(const std::string &path, const std::string &data) {
  QFileInfo fi(QString::fromStdString(path));
  QDir().mkpath(fi.absolutePath());
  QFile f(QString::fromStdString(path));
  ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path;
  f.write(data.data(), static_cast<qint64>(data.size()));
}

inline bool exists(const std::string &path) {
  struct stat st {};
  return lstat(path.c_str(), &st) == 0;
}

// Text that compresses like card bodies: words, numbers, line ends.
inline std::string cardText(std::size_t size, unsigned seed = 1) {
  static const char *words[] = {"card", "index", "the", "moravine", "title", "body", "phone", "Tuesday",
                                "meeting", "notes", "\r\n", "12.04.2026", "and", "of", "{\\rtf1", "ZIP"};
  std::string s;
  s.reserve(size + 16);
  unsigned x = seed * 2654435761u + 1;
  while (s.size() < size) {
    x = x * 1103515245u + 12345u;
    s += words[(x >> 16) % 16];
    s += ' ';
  }
  s.resize(size);
  return s;
}

struct ToolResult {
  int code;
  std::string output;
};

inline ToolResult tool(const QString &program, const QStringList &args, const QString &dir = QString(),
                       const QByteArray &input = QByteArray()) {
  QProcess p;
  if (!dir.isEmpty()) p.setWorkingDirectory(dir);
  p.setProcessChannelMode(QProcess::MergedChannels);
  p.start(program, args);
  if (!input.isEmpty()) p.write(input);
  p.closeWriteChannel();
  if (!p.waitForFinished(60000)) return {-1, "timeout"};
  QByteArray out = p.readAll();
  return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, out.toStdString()};
}

inline ToolResult python(const std::string &script, const QStringList &args = {}) {
  QStringList all{"-c", QString::fromStdString(script)};
  all += args;
  // The system's interpreter (the one the package list installs) starts fastest.
  static const QString interpreter = QFileInfo::exists("/usr/bin/python3") ? QStringLiteral("/usr/bin/python3")
                                                                            : QStringLiteral("python3");
  return tool(interpreter, all);
}

// A whole archive parsed with our own structures, for checking what the engine wrote.
struct RawEntry {
  qel::zipfmt::CentralHeader central;
  std::string name;
  std::string localRecord;  // local header through the end of the data
};

inline std::vector<RawEntry> rawEntries(const std::string &zip) {
  using namespace qel::zipfmt;
  std::vector<RawEntry> out;
  auto *b = reinterpret_cast<const unsigned char *>(zip.data());
  long long at = findEndRecord(b + (zip.size() > kEndSearchSpan ? zip.size() - kEndSearchSpan : 0),
                               std::min(zip.size(), kEndSearchSpan));
  if (at < 0) return out;
  std::size_t endPos = (zip.size() > kEndSearchSpan ? zip.size() - kEndSearchSpan : 0) + static_cast<std::size_t>(at);
  EndRecord end;
  end.read(b + endPos, zip.size() - endPos);
  std::size_t pos = end.directoryOffset;
  for (unsigned i = 0; i < end.totalEntries && pos < zip.size(); ++i) {
    RawEntry e;
    if (!e.central.read(b + pos, zip.size() - pos)) break;
    e.name = zip.substr(pos + kCentralSize, e.central.nameLength);
    LocalHeader lh;
    std::size_t lo = e.central.localHeaderOffset;
    if (lh.read(b + lo, zip.size() - lo)) {
      std::size_t len = kLocalSize + lh.nameLength + lh.extraLength + e.central.compressedSize;
      e.localRecord = zip.substr(lo, len);
    }
    pos += kCentralSize + e.central.variableSize();
    out.push_back(std::move(e));
  }
  return out;
}

// Builds archives entry by entry, with any field forged, for hostile cases.
struct CraftEntry {
  std::string name;
  std::string data;                    // plain data
  std::uint16_t method = 0;            // 8: deflated here
  std::uint8_t host = 3;
  std::uint32_t mode = 0100644;        // Unix mode in the external attributes
  std::optional<std::uint32_t> crc;    // forged CRC
  std::optional<std::uint32_t> usize;  // forged uncompressed size
  std::optional<std::uint32_t> csize;  // forged compressed size
};

inline std::string craftZip(const std::vector<CraftEntry> &entries) {
  using namespace qel::zipfmt;
  std::vector<unsigned char> out, cd;
  for (const CraftEntry &e : entries) {
    std::string stored = e.data;
    if (e.method == 8) {
      z_stream z{};
      deflateInit2(&z, 6, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
      stored.assign(deflateBound(&z, e.data.size()), '\0');
      z.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(e.data.data()));
      z.avail_in = static_cast<uInt>(e.data.size());
      z.next_out = reinterpret_cast<Bytef *>(stored.data());
      z.avail_out = static_cast<uInt>(stored.size());
      deflate(&z, Z_FINISH);
      stored.resize(z.total_out);
      deflateEnd(&z);
    }
    CentralHeader h;
    h.versionMadeBy = std::uint16_t((e.host << 8) | 20);
    h.versionNeeded = 20;
    h.method = e.method;
    h.dosTime = 0x6000;
    h.dosDate = 0x5821;
    h.crc = e.crc ? *e.crc : crc32Of(e.data.data(), e.data.size());
    h.compressedSize = e.csize ? *e.csize : static_cast<std::uint32_t>(stored.size());
    h.uncompressedSize = e.usize ? *e.usize : static_cast<std::uint32_t>(e.data.size());
    h.nameLength = static_cast<std::uint16_t>(e.name.size());
    h.externalAttributes = e.mode << 16;
    h.localHeaderOffset = static_cast<std::uint32_t>(out.size());
    LocalHeader l;
    l.method = h.method;
    l.dosTime = h.dosTime;
    l.dosDate = h.dosDate;
    l.crc = h.crc;
    l.compressedSize = h.compressedSize;
    l.uncompressedSize = h.uncompressedSize;
    l.nameLength = h.nameLength;
    l.write(out);
    out.insert(out.end(), e.name.begin(), e.name.end());
    out.insert(out.end(), stored.begin(), stored.end());
    h.write(cd);
    cd.insert(cd.end(), e.name.begin(), e.name.end());
  }
  EndRecord end;
  end.entriesOnDisk = end.totalEntries = static_cast<std::uint16_t>(entries.size());
  end.directorySize = static_cast<std::uint32_t>(cd.size());
  end.directoryOffset = static_cast<std::uint32_t>(out.size());
  out.insert(out.end(), cd.begin(), cd.end());
  end.write(out);
  return std::string(out.begin(), out.end());
}

} // namespace enginetest
