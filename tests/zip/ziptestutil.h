#pragma once
// Small helpers shared by the ZIP tests.

#include <QByteArray>
#include <QFile>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <ostream>

// Readable failure output for Qt strings.
inline void PrintTo(const QString &s, std::ostream *os) { *os << '"' << s.toStdString() << '"'; }

namespace qel::ziptest {

inline QByteArray readAll(const QString &path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return {};
  return f.readAll();
}

inline bool writeAll(const QString &path, const QByteArray &data) {
  QFile f(path);
  return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(data) == data.size();
}

// The system's python (a version-manager shim starts far slower).
inline QString python() {
  return QFile::exists(QStringLiteral("/usr/bin/python3")) ? QStringLiteral("/usr/bin/python3") : QStringLiteral("python3");
}

// Runs a program with an argument list (no shell); its exit code, or -1.
inline int run(const QString &program, const QStringList &args, const QString &dir, QByteArray *out = nullptr) {
  QProcess p;
  p.setWorkingDirectory(dir);
  p.setProcessChannelMode(QProcess::MergedChannels);
  p.start(program, args);
  if (!p.waitForFinished(30000)) return -1;
  if (out) *out = p.readAll();
  return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

} // namespace qel::ziptest
