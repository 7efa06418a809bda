#pragma once
// The recently used files of the main window, for the file commands, which
// run without one in tests.

#include <QString>

namespace qel {

inline const QString kRecentFilesSection = QStringLiteral("MRU Items");
// Largest list the options may ask for; beyond it the menu is no help.
inline constexpr int kMaxRecentFiles = 99;

// Puts a card file at the top of the main window's list (nothing without a main window).
void AddRecentFile(const QString &path);

} // namespace qel
