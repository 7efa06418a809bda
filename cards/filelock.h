#pragma once
// The lock on the open card file while "Exclusive open" is on: one descriptor
// held open for reading with a shared flock on it, so other instances see the
// file as in use. flock (not fcntl record locks) because a process loses an
// fcntl lock as soon as it closes any descriptor of the file.

#include <QString>

namespace qel {

// Releases any held lock, then opens `fileName` for reading and takes the
// lock; false (holding nothing) when the file cannot be opened or another
// program holds it for writing.
bool LockDataFile(const QString &fileName);
// Closes the held descriptor, if any.
void UnlockDataFile();
// The file whose lock is held, empty when none.
QString LockedDataFile();
// True when the file cannot be opened for reading and writing (read-only or
// missing) or another program (another instance, or another descriptor of
// this one) holds a lock on it.
bool IsFileInUse(const QString &fileName);

} // namespace qel
