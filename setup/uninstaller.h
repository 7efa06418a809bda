#pragma once
// Removes an installation: exactly what its uninstall list names, and only
// what is still as the installer left it. Card files the user changed, the
// user's settings and anything else in the folders stay; a folder goes only
// when it is empty.

#include "setup/manifest.h"

#include <QStringList>

namespace qel {

struct TUninstallResult {
  QStringList kept;    // listed files left in place because they changed
  QStringList errors;  // what could not be undone, and why
};

// Undoes `manifest`, read from `manifestPath` (deleted along).
TUninstallResult UninstallFromManifest(const TInstallManifest &manifest, const QString &manifestPath);

} // namespace qel
