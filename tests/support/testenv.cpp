#include "tests/support/testenv.h"

#include <QDir>

namespace qel::test {

namespace {
QString g_root;
}

void setTestRoot(const QString &root) { g_root = root; }
QString testRoot() { return g_root; }

QString freshDir(const QString &name) {
  QString path = g_root + QStringLiteral("/work/") + name;
  QDir(path).removeRecursively();
  QDir().mkpath(path);
  return path;
}

} // namespace qel::test
