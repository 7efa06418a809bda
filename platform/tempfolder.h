#pragma once
// The program's private per-user temporary folder and exclusive file creation in it.

#include <QString>

namespace qel {

// QDir::tempPath() + "/qel-moravine-<uid>/", created with mode 0700 and
// checked to be a real directory owned by us; ends in "/". Throws
// std::runtime_error when the folder cannot be made safe.
QString TempFolderPath();

// Creates `path` exclusively with mode 0600 without following links; returns
// an open descriptor, or -1 with errno set. The caller closes it.
int CreateExclusiveFile(const QString &path);

// Creates a fresh private sub-folder of TempFolderPath() (mode 0700) whose
// name starts with `prefix`; returns its path ending in "/", or an empty string.
QString CreatePrivateSubFolder(const QString &prefix);

} // namespace qel
