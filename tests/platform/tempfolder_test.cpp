#include "platform/tempfolder.h"

#include "tests/support/testenv.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

#include <cerrno>
#include <fcntl.h>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

using namespace qel;

namespace {

mode_t modeOf(const QString &path) {
  struct stat st{};
  if (::lstat(QFile::encodeName(path).constData(), &st) != 0) return 0;
  return st.st_mode;
}

// Points the system temporary folder at a fresh folder for one test.
struct TempDirScope {
  QByteArray saved = qgetenv("TMPDIR");
  QString root;
  explicit TempDirScope(const QString &name) : root(qel::test::freshDir(name)) { qputenv("TMPDIR", QFile::encodeName(root)); }
  ~TempDirScope() { qputenv("TMPDIR", saved); }
  QString ourPath() const { return root + QStringLiteral("/qel-moravine-") + QString::number(::getuid()); }
};

} // namespace

TEST(TempFolder, CreatedPrivateAndEndsWithSeparator) {
  TempDirScope scope(QStringLiteral("tf-create"));
  const QString path = TempFolderPath();
  EXPECT_EQ(path, scope.ourPath() + QLatin1Char('/'));
  EXPECT_TRUE(S_ISDIR(modeOf(path)));
  EXPECT_EQ(modeOf(path) & 0777, 0700u);
  EXPECT_EQ(TempFolderPath(), path); // a second call accepts its own folder

  // An existing folder of ours that others can read is made private again.
  ::chmod(QFile::encodeName(scope.ourPath()).constData(), 0755);
  TempFolderPath();
  EXPECT_EQ(modeOf(scope.ourPath()) & 0777, 0700u);
}

TEST(TempFolder, RefusesWhatIsPlantedInItsPlace) {
  {
    TempDirScope scope(QStringLiteral("tf-link"));
    const QString elsewhere = qel::test::freshDir(QStringLiteral("tf-link-target"));
    ASSERT_EQ(::symlink(QFile::encodeName(elsewhere).constData(), QFile::encodeName(scope.ourPath()).constData()), 0);
    EXPECT_THROW(TempFolderPath(), std::runtime_error);
    EXPECT_EQ(CreatePrivateSubFolder(QStringLiteral("x")), QString()) << "no folder through a planted link";
    EXPECT_TRUE(QDir(elsewhere).isEmpty());
  }
  {
    TempDirScope scope(QStringLiteral("tf-file"));
    QFile f(scope.ourPath());
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    EXPECT_THROW(TempFolderPath(), std::runtime_error);
  }
  if (::geteuid() == 0) { // only the superuser can make a folder that belongs to someone else
    TempDirScope scope(QStringLiteral("tf-foreign"));
    const QByteArray native = QFile::encodeName(scope.ourPath());
    ASSERT_EQ(::mkdir(native.constData(), 0700), 0);
    ASSERT_EQ(::chown(native.constData(), 65534, 65534), 0);
    EXPECT_THROW(TempFolderPath(), std::runtime_error);
  }
}

TEST(TempFolder, ExclusiveFiles) {
  const QString dir = TempFolderPath();
  const QString path = dir + QStringLiteral("exclusive.tmp");
  int fd = CreateExclusiveFile(path);
  ASSERT_GE(fd, 0);
  ::close(fd);
  EXPECT_EQ(modeOf(path) & 0777, 0600u);

  EXPECT_EQ(CreateExclusiveFile(path), -1);
  EXPECT_EQ(errno, EEXIST);

  // A link, even a dangling one, is never followed.
  const QString target = qel::test::freshDir(QStringLiteral("tf-excl")) + QStringLiteral("/victim");
  const QString link = dir + QStringLiteral("link.tmp");
  ASSERT_EQ(::symlink(QFile::encodeName(target).constData(), QFile::encodeName(link).constData()), 0);
  EXPECT_EQ(CreateExclusiveFile(link), -1);
  EXPECT_FALSE(QFile::exists(target));

  const QString a = CreatePrivateSubFolder(QStringLiteral("sub-"));
  const QString b = CreatePrivateSubFolder(QStringLiteral("sub-"));
  ASSERT_FALSE(a.isEmpty());
  EXPECT_NE(a, b);
  EXPECT_TRUE(a.startsWith(dir + QStringLiteral("sub-")));
  EXPECT_TRUE(a.endsWith(QLatin1Char('/')));
  EXPECT_EQ(modeOf(a) & 0777, 0700u);
}
