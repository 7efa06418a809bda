// Test main for every test binary: gives each test process its own
// configuration, data, runtime and temporary folders (set before anything
// reads them) and a QApplication on the offscreen platform.

#include <QApplication>
#include <QByteArray>
#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

#include "tests/support/testenv.h"

int main(int argc, char **argv) {
  ::testing::InitGoogleTest(&argc, argv);

  // Before QApplication: Qt reads some of these at start.
  char pattern[] = "/tmp/qel-test-XXXXXX";
  const char *root = ::mkdtemp(pattern);
  if (!root) return 2;
  qel::test::setTestRoot(QString::fromLocal8Bit(root));
  for (const char *sub : {"config", "data", "runtime", "tmp", "home"}) QDir(QString::fromLocal8Bit(root)).mkpath(sub);
  auto setDir = [&](const char *var, const char *sub) {
    QByteArray v = QByteArray(root) + "/" + sub;
    ::setenv(var, v.constData(), 1);
  };
  setDir("XDG_CONFIG_HOME", "config");
  setDir("XDG_DATA_HOME", "data");
  setDir("XDG_RUNTIME_DIR", "runtime");
  setDir("TMPDIR", "tmp");
  setDir("HOME", "home");
  ::chmod((QByteArray(root) + "/runtime").constData(), 0700);
  if (!::getenv("QT_QPA_PLATFORM")) ::setenv("QT_QPA_PLATFORM", "offscreen", 1);

  int result;
  {
    QApplication app(argc, argv);
    result = RUN_ALL_TESTS();
  }
  if (!::getenv("QEL_KEEP_TEST_ROOT")) QDir(QString::fromLocal8Bit(root)).removeRecursively();
  return result;
}
