// The uninstall list beside an installed program: any bytes are refused with
// a reason or read into paths that are all absolute, and what is read writes
// back to a list that reads the same.

#include "setup/manifest.h"

#include <QDir>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  const QByteArray input(reinterpret_cast<const char *>(data), qsizetype(size));
  qel::TInstallManifest manifest;
  QString error;
  if (!qel::TInstallManifest::fromBytes(input, manifest, error)) {
    if (error.isEmpty()) std::abort();
    return 0;
  }
  for (const qel::TInstallManifest::File &f : manifest.files)
    if (!QDir::isAbsolutePath(f.path)) std::abort();
  for (const QString &f : manifest.folders)
    if (!QDir::isAbsolutePath(f)) std::abort();
  const QByteArray once = manifest.toBytes();
  qel::TInstallManifest again;
  if (!qel::TInstallManifest::fromBytes(once, again, error)) std::abort();
  if (again.toBytes() != once) std::abort();
  return 0;
}
