#pragma once
// The recently used files of the main window, for the file commands, which
// run without one in tests.

#include <QString>

namespace qel {

inline const QString kRecentFilesSection = QStringLiteral("MRU Items");

// Puts a card file at the top of the main window's list (nothing without a main window).
void AddRecentFile(const QString &path);

} // namespace qel
