#include "platform/telephony.h"

#include <QProcess>

namespace qel {

TDialLine::TDialLine(QObject *parent) : QObject(parent) {}

TDialLine::~TDialLine() { HangUp(); }

bool TDialLine::InCall() const { return process_ && process_->state() != QProcess::NotRunning; }

bool TDialLine::DialNumber(const QStringList &commandLine) {
  HangUp();
  if (commandLine.isEmpty() || commandLine.first().isEmpty()) {
    emit disconnected(QStringLiteral("no dial command"));
    return false;
  }
  auto *p = new QProcess(this);
  process_ = p;
  p->setProgram(commandLine.first());
  p->setArguments(commandLine.mid(1));
  p->setStandardInputFile(QProcess::nullDevice());
  p->setStandardOutputFile(QProcess::nullDevice());
  connect(p, &QProcess::finished, this, [this, p](int code, QProcess::ExitStatus status) {
    if (p != process_ || hangingUp_) return;
    const QString said = QString::fromLocal8Bit(p->readAllStandardError()).trimmed().section(QLatin1Char('\n'), -1);
    if (status == QProcess::CrashExit)
      emit disconnected(QStringLiteral("the dial command ended abnormally"));
    else if (code != 0)
      emit disconnected(said.isEmpty() ? QStringLiteral("the dial command ended with code %1").arg(code) : said);
    else
      emit ended();
  });
  p->start();
  if (!p->waitForStarted(5000)) {
    const QString why = p->errorString();
    process_ = nullptr;
    p->deleteLater();
    emit disconnected(QStringLiteral("cannot start %1: %2").arg(commandLine.first(), why));
    return false;
  }
  return true;
}

void TDialLine::HangUp() {
  QProcess *p = process_;
  if (!p) return;
  process_ = nullptr;
  hangingUp_ = true;
  if (p->state() != QProcess::NotRunning) {
    p->terminate();
    if (!p->waitForFinished(1000)) {
      p->kill();
      p->waitForFinished(1000);
    }
  }
  hangingUp_ = false;
  p->disconnect(this);
  p->deleteLater();
}

} // namespace qel
