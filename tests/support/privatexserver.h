#pragma once
// A private X server (Xvfb) for the life of a test. The server picks a free
// display itself and writes its number to standard output (-displayfd 1):
// picking one here raced with other servers started at the same time, and a
// test could end up on someone else's display.

#include <QByteArray>
#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QStringList>

namespace qel::test {

class TPrivateXServer {
public:
  TPrivateXServer() = default;
  TPrivateXServer(const TPrivateXServer &) = delete;
  TPrivateXServer &operator=(const TPrivateXServer &) = delete;
  ~TPrivateXServer() { Stop(); }

  // False when there is no Xvfb or it did not come up.
  bool Start(const QString &screen = QStringLiteral("1024x768x24")) {
    const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
    if (xvfb.isEmpty()) return false;
    server_.start(xvfb, {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                         QStringLiteral("0"), screen, QStringLiteral("-nolisten"), QStringLiteral("tcp")});
    if (!server_.waitForStarted(5000)) return false;
    QByteArray out;
    QElapsedTimer timer;
    timer.start();
    while (!out.contains('\n') && timer.elapsed() < 10000 && server_.state() == QProcess::Running) {
      server_.waitForReadyRead(100);
      out += server_.readAllStandardOutput();
    }
    bool ok = false;
    const int n = out.trimmed().toInt(&ok);
    if (!ok || server_.state() != QProcess::Running) {
      Stop();
      return false;
    }
    display_ = QStringLiteral(":%1").arg(n);
    return true;
  }

  // Terminated, not killed: the server removes its lock file and socket itself.
  void Stop() {
    if (server_.state() == QProcess::NotRunning) return;
    server_.terminate();
    if (!server_.waitForFinished(5000)) {
      server_.kill();
      server_.waitForFinished();
    }
  }

  // ":N" once started; empty before.
  const QString &Display() const { return display_; }

private:
  QProcess server_;
  QString display_;
};

}  // namespace qel::test
