#pragma once
// The program's private per-user temporary folder and exclusive file creation in it.

#include <QString>

namespace qel {

// QDir::tempPath() + "/qel-moravine-<uid>/", created with mode 0700 and
// checked to be a real directory owned by us; ends in "/". When that name is
// taken by a link, a file or another user's folder, another private folder
// beside it is used for the rest of the run (TempFolderProblem says so).
// Throws std::runtime_error only when no private folder can be made at all.
QString TempFolderPath();

// What is wrong with the usual temporary folder and which one is used in its
// place, for the user; empty while the usual one is in use.
QString TempFolderProblem();

// Creates `path` exclusively with mode 0600 without following links; returns
// an open descriptor, or -1 with errno set. The caller closes it.
int CreateExclusiveFile(const QString &path);

// Creates a fresh private sub-folder of TempFolderPath() (mode 0700) whose
// name starts with `prefix`; returns its path ending in "/", or an empty string.
QString CreatePrivateSubFolder(const QString &prefix);

// A fresh private sub-folder of TempFolderPath() (mode 0700, name starting
// with `prefix`) for the life of the object: this process holds a lock on it,
// by which a later start tells it from the folder of a program that died,
// and it is removed with everything in it when the object goes.
class TPrivateFolder {
public:
  explicit TPrivateFolder(const QString &prefix);
  ~TPrivateFolder();
  TPrivateFolder(const TPrivateFolder &) = delete;
  TPrivateFolder &operator=(const TPrivateFolder &) = delete;

  // Ends in "/"; empty when the folder could not be made.
  const QString &path() const { return path_; }
  bool isValid() const { return !path_.isEmpty(); }

private:
  QString path_;
  int lockFd_ = -1;
};

// True when the sub-folder `path` is held by no running program (no one has
// its lock) and has not changed for `minAgeSeconds`: what a program that was
// killed left behind.
bool IsAbandonedSubFolder(const QString &path, int minAgeSeconds);

// Seconds since the file or folder last changed (contents or name), -1 when it does not exist.
qint64 SecondsSinceChange(const QString &path);

} // namespace qel
