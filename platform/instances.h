#pragma once
// Running instances of the program finding each other. Each instance keeps a
// record (caption, the key of its open file, the name of its local socket) in
// a per-user folder, next to a lock file it holds with flock for its whole
// life: a record whose lock nobody holds belongs to a program that ended
// without cleaning up, and is ignored and removed. "Restore and bring forward"
// travels over the instance's local socket.

#include <QObject>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

class QLocalServer;

namespace qel {

struct InstanceRecord {
  QString id;         // unique per running program
  qint64 pid = 0;
  QString caption;    // the application title it shows
  QString fileKey;    // InstanceFileKey of its open file
  QString socketName; // full path of its local socket
  QStringList tempItems; // names in the private temporary folder it uses (its body file)
  bool self = false;  // the record of this very process
};

// The folder of the records: $XDG_RUNTIME_DIR/qel-moravine/ when there is a
// usable runtime folder, else "instances/" inside the private temporary
// folder. Created 0700 and checked; ends in "/". Empty when neither is safe.
QString InstanceFolderPath();

// The key by which two instances tell that they have the same file open: the
// canonical path (symbolic links and "..", resolved; an absolute clean path
// for a file that does not exist yet). A name without a folder is an unsaved
// file's NEW name and is its own key, so callers pass opened files with their folder.
QString InstanceFileKey(const QString &fileName);

// Records of every running instance, this one included; stale records are removed.
std::vector<InstanceRecord> ListInstances();
// The first running instance whose open file has this key.
std::optional<InstanceRecord> FindInstanceByFileKey(const QString &fileKey);

// Asks the instance to restore its main window and bring it forward; true when
// it confirmed within `timeoutMs`.
bool SendRestoreRequest(const InstanceRecord &instance, int timeoutMs = 2000);

// What a listening instance does with the bytes another program has sent so
// far: wait for more, drop the connection (too long without a line end),
// answer a restore request, or close without doing anything.
enum class InstanceRequest { Incomplete, TooLong, Restore, Unknown };
InstanceRequest ClassifyInstanceRequest(const QByteArray &received);

// This program's own record, its lock and its local socket. One per process.
class RunningInstance : public QObject {
  Q_OBJECT
public:
  explicit RunningInstance(QObject *parent = nullptr);
  ~RunningInstance() override;
  RunningInstance(const RunningInstance &) = delete;
  RunningInstance &operator=(const RunningInstance &) = delete;

  // Takes the lock, starts listening and writes a first record. False (with
  // `error` set) when the folder or the socket cannot be used; the program
  // then runs without being found.
  bool start(QString *error = nullptr);
  bool isStarted() const { return lockFd_ >= 0; }
  // Rewrites the record with the caption and file now shown and the names of
  // the items of the private temporary folder in use, which a program
  // starting later must leave alone.
  bool publish(const QString &caption, const QString &fileKey, const QStringList &tempItems = {});

  QString id() const { return id_; }
  QString socketName() const;

signals:
  // Another instance asked this one to restore its main window and bring it forward.
  void restoreRequested();

private:
  void onNewConnection();
  void stop();

  QString folder_;
  QString id_;
  int lockFd_ = -1;
  QLocalServer *server_ = nullptr;
  QString caption_;
  QString fileKey_;
  QStringList tempItems_;
};

} // namespace qel
