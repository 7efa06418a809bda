#pragma once
// Per-process test folders made by the test main.

#include <QString>

namespace qel::test {

void setTestRoot(const QString &root);
// The folder of this test process; XDG_CONFIG_HOME, XDG_DATA_HOME,
// XDG_RUNTIME_DIR, TMPDIR and HOME point at its sub-folders.
QString testRoot();
// A fresh, empty folder inside the test root, for one test's files.
QString freshDir(const QString &name);

} // namespace qel::test
