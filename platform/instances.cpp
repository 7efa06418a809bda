#include "platform/instances.h"

#include "platform/tempfolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocalServer>
#include <QLocalSocket>
#include <QPointer>
#include <QRandomGenerator>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <stdexcept>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qel {

namespace {

const QByteArray kRestoreRequest = "restore\n";
const QByteArray kRestoreAnswer = "ok\n";
constexpr qint64 kMaxRecordSize = 64 * 1024;
constexpr qint64 kMaxRequestSize = 256;

// Creates `path` (one level) mode 0700 when missing and checks it is a real
// directory of ours that nobody else can enter.
bool ensurePrivateFolder(const QString &path) {
  const QByteArray native = QFile::encodeName(path);
  if (::mkdir(native.constData(), 0700) != 0 && errno != EEXIST) return false;
  struct stat st;
  if (::lstat(native.constData(), &st) != 0) return false;
  if (!S_ISDIR(st.st_mode) || st.st_uid != ::getuid()) return false;
  if ((st.st_mode & 077) != 0 && ::chmod(native.constData(), 0700) != 0) return false;
  return true;
}

QByteArray nativePath(const QString &folder, const QString &id, const char *suffix) {
  return QFile::encodeName(folder + id + QLatin1String(suffix));
}

void removeInstanceFiles(const QString &folder, const QString &id) {
  for (const char *suffix : {".rec", ".rec.tmp", ".sock", ".lock"}) ::unlink(nativePath(folder, id, suffix).constData());
}

bool writeRecordFile(const QString &folder, const QString &id, const QByteArray &data) {
  const QByteArray tmp = nativePath(folder, id, ".rec.tmp");
  ::unlink(tmp.constData());
  int fd = ::open(tmp.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  const char *p = data.constData();
  qsizetype left = data.size();
  bool ok = true;
  while (left > 0) {
    ssize_t n = ::write(fd, p, size_t(left));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      ok = false;
      break;
    }
    p += n;
    left -= n;
  }
  if (::close(fd) != 0) ok = false;
  // Readers see either the old record or the new one, never half of one.
  if (ok && ::rename(tmp.constData(), nativePath(folder, id, ".rec").constData()) != 0) ok = false;
  if (!ok) ::unlink(tmp.constData());
  return ok;
}

std::optional<InstanceRecord> parseRecord(const QByteArray &data, const QString &id) {
  QJsonParseError error;
  QJsonDocument doc = QJsonDocument::fromJson(data, &error);
  if (error.error != QJsonParseError::NoError || !doc.isObject()) return std::nullopt;
  QJsonObject o = doc.object();
  if (!o.value(QStringLiteral("caption")).isString() || !o.value(QStringLiteral("file")).isString() ||
      !o.value(QStringLiteral("socket")).isString())
    return std::nullopt;
  InstanceRecord r;
  r.id = id;
  r.pid = qint64(o.value(QStringLiteral("pid")).toDouble());
  r.caption = o.value(QStringLiteral("caption")).toString();
  r.fileKey = o.value(QStringLiteral("file")).toString();
  r.socketName = o.value(QStringLiteral("socket")).toString();
  for (const QJsonValue &v : o.value(QStringLiteral("temp")).toArray())
    if (v.isString()) r.tempItems << v.toString();
  r.self = r.pid == QCoreApplication::applicationPid();
  return r;
}

// Reads one instance's record when its owner still holds the lock; removes
// the files of an instance that ended without doing so.
std::optional<InstanceRecord> readLiveRecord(const QString &folder, const QString &id) {
  int lockFd = ::open(nativePath(folder, id, ".lock").constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
  if (lockFd < 0) {
    // Owners take their lock before they write a record: no lock, no owner.
    if (errno == ENOENT) removeInstanceFiles(folder, id);
    return std::nullopt;
  }
  if (::flock(lockFd, LOCK_SH | LOCK_NB) == 0) {
    removeInstanceFiles(folder, id);
    ::close(lockFd);
    return std::nullopt;
  }
  ::close(lockFd);
  QFile file(QString::fromLocal8Bit(nativePath(folder, id, ".rec")));
  if (!file.open(QIODevice::ReadOnly) || file.size() > kMaxRecordSize) return std::nullopt;
  return parseRecord(file.read(kMaxRecordSize), id);
}

} // namespace

QString InstanceFolderPath() {
  const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
  if (!runtime.isEmpty() && QDir::isAbsolutePath(runtime) && QFileInfo(runtime).isDir()) {
    QString path = QDir::cleanPath(runtime) + QStringLiteral("/qel-moravine");
    if (ensurePrivateFolder(path)) return path + QLatin1Char('/');
  }
  try {
    QString path = TempFolderPath() + QStringLiteral("instances");
    if (ensurePrivateFolder(path)) return path + QLatin1Char('/');
  } catch (const std::runtime_error &) {
  }
  return QString();
}

QString InstanceFileKey(const QString &fileName) {
  if (!fileName.contains(QLatin1Char('/'))) return fileName;
  QFileInfo info(fileName);
  QString canonical = info.canonicalFilePath();
  if (!canonical.isEmpty()) return canonical;
  // Not there (yet): resolve what can be resolved, the folder.
  QString folder = QFileInfo(info.absolutePath()).canonicalFilePath();
  if (!folder.isEmpty()) return folder + QLatin1Char('/') + info.fileName();
  return QDir::cleanPath(info.absoluteFilePath());
}

std::vector<InstanceRecord> ListInstances() {
  std::vector<InstanceRecord> result;
  const QString folder = InstanceFolderPath();
  if (folder.isEmpty()) return result;
  const QStringList names = QDir(folder).entryList({QStringLiteral("*.rec")}, QDir::Files | QDir::Hidden, QDir::Name);
  for (const QString &name : names) {
    QString id = name.chopped(4);
    if (auto record = readLiveRecord(folder, id)) result.push_back(std::move(*record));
  }
  return result;
}

std::optional<InstanceRecord> FindInstanceByFileKey(const QString &fileKey) {
  if (fileKey.isEmpty()) return std::nullopt;
  for (InstanceRecord &r : ListInstances())
    if (r.fileKey == fileKey) return std::move(r);
  return std::nullopt;
}

bool SendRestoreRequest(const InstanceRecord &instance, int timeoutMs) {
  if (instance.socketName.isEmpty()) return false;
  QLocalSocket socket;
  socket.connectToServer(instance.socketName);
  if (!socket.waitForConnected(timeoutMs)) return false;
  socket.write(kRestoreRequest);
  if (!socket.waitForBytesWritten(timeoutMs)) return false;
  QByteArray answer;
  while (!answer.contains('\n') && answer.size() < kMaxRequestSize) {
    if (!socket.waitForReadyRead(timeoutMs)) break;
    answer += socket.read(kMaxRequestSize);
  }
  socket.disconnectFromServer();
  return answer.startsWith(kRestoreAnswer);
}

InstanceRequest ClassifyInstanceRequest(const QByteArray &received) {
  const QByteArray head = received.left(kMaxRequestSize);
  if (!head.contains('\n')) return head.size() >= kMaxRequestSize ? InstanceRequest::TooLong : InstanceRequest::Incomplete;
  return head.startsWith(kRestoreRequest) ? InstanceRequest::Restore : InstanceRequest::Unknown;
}

RunningInstance::RunningInstance(QObject *parent) : QObject(parent) {}

RunningInstance::~RunningInstance() { stop(); }

QString RunningInstance::socketName() const { return server_ ? server_->fullServerName() : QString(); }

bool RunningInstance::start(QString *error) {
  auto fail = [&](const QString &message) {
    if (error) *error = message;
    stop();
    return false;
  };
  if (isStarted()) return true;
  folder_ = InstanceFolderPath();
  if (folder_.isEmpty()) return fail(QStringLiteral("No private folder for the instance record."));
  id_ = QStringLiteral("%1-%2")
            .arg(QCoreApplication::applicationPid())
            .arg(QRandomGenerator::system()->generate64(), 16, 16, QLatin1Char('0'));
  lockFd_ = ::open(nativePath(folder_, id_, ".lock").constData(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (lockFd_ < 0) return fail(QStringLiteral("Cannot create the instance lock: %1").arg(QString::fromLocal8Bit(std::strerror(errno))));
  // Held until this process ends, however it ends; O_CLOEXEC keeps programs we start from holding it.
  if (::flock(lockFd_, LOCK_EX | LOCK_NB) != 0) return fail(QStringLiteral("Cannot lock the instance record."));

  server_ = new QLocalServer(this);
  server_->setSocketOptions(QLocalServer::UserAccessOption);
  connect(server_, &QLocalServer::newConnection, this, &RunningInstance::onNewConnection);
  if (!server_->listen(folder_ + id_ + QStringLiteral(".sock")))
    return fail(QStringLiteral("Cannot listen for other instances: %1").arg(server_->errorString()));
  if (!publish(caption_, fileKey_, tempItems_)) return fail(QStringLiteral("Cannot write the instance record."));
  return true;
}

bool RunningInstance::publish(const QString &caption, const QString &fileKey, const QStringList &tempItems) {
  caption_ = caption;
  fileKey_ = fileKey;
  tempItems_ = tempItems;
  if (!isStarted() || !server_) return false;
  QJsonObject o;
  o.insert(QStringLiteral("pid"), double(QCoreApplication::applicationPid()));
  o.insert(QStringLiteral("caption"), caption);
  o.insert(QStringLiteral("file"), fileKey);
  o.insert(QStringLiteral("socket"), server_->fullServerName());
  o.insert(QStringLiteral("temp"), QJsonArray::fromStringList(tempItems_));
  return writeRecordFile(folder_, id_, QJsonDocument(o).toJson(QJsonDocument::Compact));
}

void RunningInstance::onNewConnection() {
  while (QLocalSocket *socket = server_->nextPendingConnection()) {
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
      const InstanceRequest request = ClassifyInstanceRequest(socket->peek(kMaxRequestSize));
      if (request == InstanceRequest::Incomplete) return;
      if (request == InstanceRequest::TooLong) {
        socket->abort();
        return;
      }
      socket->readAll();
      if (request == InstanceRequest::Restore) {
        socket->write(kRestoreAnswer);
        socket->flush();
        QPointer<RunningInstance> guard(this);
        emit restoreRequested();
        if (!guard) return;
      }
      socket->disconnectFromServer();
    });
  }
}

void RunningInstance::stop() {
  if (server_) {
    server_->close();
    delete server_;
    server_ = nullptr;
  }
  if (!id_.isEmpty() && !folder_.isEmpty()) {
    ::unlink(nativePath(folder_, id_, ".rec").constData());
    ::unlink(nativePath(folder_, id_, ".rec.tmp").constData());
    ::unlink(nativePath(folder_, id_, ".sock").constData());
    if (lockFd_ >= 0) ::unlink(nativePath(folder_, id_, ".lock").constData());
  }
  if (lockFd_ >= 0) {
    ::close(lockFd_);
    lockFd_ = -1;
  }
}

} // namespace qel
