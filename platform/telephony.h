#pragma once
// The telephone line of the program's own dialling. There is no telephony
// service here: a call is the user's dial command (a program and its
// arguments, started without a shell), running for as long as the call
// lasts. Hanging up ends the command.

#include <QObject>
#include <QStringList>

class QProcess;

namespace qel {

class TDialLine : public QObject {
  Q_OBJECT
public:
  explicit TDialLine(QObject *parent = nullptr);
  ~TDialLine() override;

  // Starts `commandLine` (program first). Hangs up a running call first.
  // False when there is no command or it cannot start; `disconnected` then
  // tells why.
  bool DialNumber(const QStringList &commandLine);
  // Ends a running call (the command is asked to end, then killed).
  void HangUp();
  bool InCall() const;

signals:
  // The call ended by itself with a failure: the reason, for "Disconnected: ".
  void disconnected(const QString &reason);
  // The call ended by itself without a failure.
  void ended();

private:
  QProcess *process_ = nullptr;
  bool hangingUp_ = false;
};

} // namespace qel
