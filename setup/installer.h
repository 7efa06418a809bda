#pragma once
// The installation itself, without its dialog: folder, engine libraries,
// the program files from the archive, registration. Each step checks its
// result; the first failure raises EInstallStep naming the step, and
// nothing after it runs.

#include "setup/install.h"
#include "setup/installsource.h"
#include "setup/manifest.h"

#include <functional>

namespace qel {

class TInstaller {
public:
  explicit TInstaller(IInstallSource &source) : source_(source) {}

  // Progress in per cent of the bar: 5, 10, 20, 60, 70, 100.
  std::function<void(int)> OnProgress;

  // Installs into `dir` (absolute, see ResolveInstallDir). The uninstall
  // list is written beside the program also after a failure, so what was
  // placed can be removed. Raises EInstallStep.
  void Install(const QString &dir, bool associate, bool startMenu, bool desktop);

  const TInstallManifest &Manifest() const { return manifest_; }

private:
  void progress(int percent) {
    if (OnProgress) OnProgress(percent);
  }
  void copyEngine(const QString &step, const QString &from, const QString &to);
  void extractArchive(const QString &archive);
  void saveManifest(bool raise);

  IInstallSource &source_;
  TInstallManifest manifest_;
  TInstallManifest earlier_;
  QString dir_;
};

} // namespace qel
