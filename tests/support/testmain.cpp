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
#include <utility>

#include "tests/support/testenv.h"

#ifdef QEL_SANITIZE
// The sanitizer settings of the test binaries (read by the runtime before
// main) and, through the environment, of the programs the tests start.
#define QEL_LSAN_OPTIONS "suppressions=" QEL_LSAN_SUPPRESSIONS ":print_suppressions=0"
#define QEL_UBSAN_OPTIONS "halt_on_error=1:print_stacktrace=1"
extern "C" const char *__lsan_default_options() { return QEL_LSAN_OPTIONS; }
extern "C" const char *__ubsan_default_options() { return QEL_UBSAN_OPTIONS; }
#endif

namespace {
// Under ctest every test is a process of its own; run together in one
// process, the tests must still each start as a first run, so settings one
// test saved (recent files, layout, the last file opened) are dropped.
class FreshSettingsPerTest : public ::testing::EmptyTestEventListener {
public:
  explicit FreshSettingsPerTest(QString config) : config_(std::move(config)) {}
  void OnTestStart(const ::testing::TestInfo &) override {
    QDir dir(config_);
    dir.removeRecursively();
    dir.mkpath(QStringLiteral("."));
  }

private:
  QString config_;
};
} // namespace

int main(int argc, char **argv) {
  ::testing::InitGoogleTest(&argc, argv);
#ifdef QEL_SANITIZE
  ::setenv("LSAN_OPTIONS", QEL_LSAN_OPTIONS, 0);
  ::setenv("UBSAN_OPTIONS", QEL_UBSAN_OPTIONS, 0);
#endif

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

  ::testing::UnitTest::GetInstance()->listeners().Append(
      new FreshSettingsPerTest(QString::fromLocal8Bit(root) + QStringLiteral("/config")));

  int result;
  {
    QApplication app(argc, argv);
    result = RUN_ALL_TESTS();
  }
  if (!::getenv("QEL_KEEP_TEST_ROOT")) QDir(QString::fromLocal8Bit(root)).removeRecursively();
  return result;
}
