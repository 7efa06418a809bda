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

// A shared lock this process holds on a file or folder of the private
// temporary folder for as long as it uses it. What a start finds there
// unlocked belongs to no running program, whatever its age and whatever the
// state of that program's instance record. The lock rides on a descriptor of
// the item: it stays when the item is renamed, it is never handed to
// programs we start, and it ends with the process however the process ends.
class THeldItem {
public:
  THeldItem() = default;
  ~THeldItem() { release(); }
  THeldItem(THeldItem &&other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
  THeldItem &operator=(THeldItem &&other) noexcept;
  THeldItem(const THeldItem &) = delete;
  THeldItem &operator=(const THeldItem &) = delete;

  // Locks the item now at `path` (not following a link). False, holding
  // nothing, when there is none or it was removed before the lock was taken.
  bool hold(const QString &path);
  // True when the item at `path` is the one held.
  bool holds(const QString &path) const;
  bool isHeld() const { return fd_ >= 0; }
  void release();

private:
  friend int CreateHeldFile(const QString &path, THeldItem &held);
  int fd_ = -1;
};

// Creates `path` as CreateExclusiveFile does and locks it into `held` before
// any start can take it for debris. Returns the open descriptor (which the
// caller closes; the lock stays with `held`), or -1 with errno set.
int CreateHeldFile(const QString &path, THeldItem &held);

// Removes the file or folder (with everything in it) at `path` when no
// running program holds a lock on it: what a program that died left. Links
// are never followed or removed. True when it was removed.
bool RemoveUnheldItem(const QString &path);

// A fresh private sub-folder of TempFolderPath() (mode 0700, name starting
// with `prefix`) for the life of the object: this process holds it (a
// THeldItem), by which a later start tells it from the folder of a program
// that died, and it is removed with everything in it when the object goes.
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
  THeldItem held_;
};


} // namespace qel
