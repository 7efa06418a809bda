#pragma once
// Small file helpers the program's commands call.

#include <QByteArray>
#include <QString>

namespace qel {

// Size in bytes, -1 when the file does not exist.
qint64 FileSizeByName(const QString &path);
// True when the file is not writable by us; a missing file counts as read-only.
bool IsFileReadOnly(const QString &path);
// Hidden attribute: files in the private temporary folder need nothing more.
inline void SetFileHidden(const QString &) {}
// Copy and rename that overwrite the target and report failure (false, with
// `error` set when given) instead of leaving a half-written target.
bool CopyFileReplacing(const QString &from, const QString &to, QString *error = nullptr);
bool RenameFileReplacing(const QString &from, const QString &to, QString *error = nullptr);
// Saves `bytes` as `path`: written to a fresh file beside it, which replaces
// the target only when the write, the flush to the disk and the close all
// succeeded; otherwise the old file stays as it was, nothing is left beside
// it, and false comes back with `error` naming the file and the cause. An
// existing target keeps its mode; a new one gets `newMode` (-1: the usual
// 0666 less the umask). A link is followed and its target replaced.
bool WriteFileReplacing(const QString &path, const QByteArray &bytes, QString *error = nullptr, int newMode = -1);
// The file that `path` names once every symbolic link on the way is
// followed: what a save replaces, so that a link to a card file stays a link
// and the file it points to gets the cards. A link to a missing file gives
// the missing file's path; `path` itself when it is no link (or the chain of
// links does not end).
QString FollowLinks(const QString &path);
// Moves `path` to the user's desktop trash: only where that trash exists (a
// folder of ours, not a link) on the file system of `path`. False with
// `error` set otherwise, the file left where it is: no trash is made
// anywhere else.
bool MoveToTrash(const QString &path, QString *error = nullptr);
// Why writing `needed` bytes into `folder` fails, when the folder itself
// tells: its file system is read-only, has less than `needed` bytes free, or
// the folder may not be written by us. Empty when none of these holds.
QString WriteFailureCause(const QString &folder, qint64 needed);

} // namespace qel
