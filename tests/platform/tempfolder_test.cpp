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

// Whatever takes the usual name first (a link, a file, another user's
// folder) is never used and never ends the program: another private folder
// beside it is made and kept for the run, and the user is told why.
TEST(TempFolder, WhatIsPlantedInItsPlaceIsPassedByForAnotherPrivateFolder) {
  enum Planted { Link, File, Foreign };
  for (Planted planted : {Link, File, Foreign}) {
    TempDirScope scope(QStringLiteral("tf-planted-%1").arg(int(planted)));
    const QString elsewhere = qel::test::freshDir(QStringLiteral("tf-planted-target-%1").arg(int(planted)));
    const QByteArray native = QFile::encodeName(scope.ourPath());
    QString why;
    switch (planted) {
    case Link:
      ASSERT_EQ(::symlink(QFile::encodeName(elsewhere).constData(), native.constData()), 0);
      why = QStringLiteral("is a link");
      break;
    case File: {
      QFile f(scope.ourPath());
      ASSERT_TRUE(f.open(QIODevice::WriteOnly));
      why = QStringLiteral("is not a folder");
      break;
    }
    case Foreign:
      // The tests run as the superuser, who alone can give a folder away.
      if (::geteuid() != 0) continue;
      ASSERT_EQ(::mkdir(native.constData(), 0777), 0);
      ASSERT_EQ(::chown(native.constData(), 65534, 65534), 0);
      why = QStringLiteral("belongs to another user");
      break;
    }
    QString path;
    ASSERT_NO_THROW(path = TempFolderPath()) << int(planted);
    EXPECT_FALSE(path.startsWith(scope.ourPath() + QLatin1Char('/'))) << path.toStdString();
    EXPECT_TRUE(path.startsWith(scope.ourPath() + QLatin1Char('.'))) << path.toStdString();
    EXPECT_EQ(modeOf(path), S_IFDIR | 0700u) << path.toStdString();
    struct stat st{};
    ASSERT_EQ(::lstat(QFile::encodeName(path).constData(), &st), 0);
    EXPECT_EQ(st.st_uid, ::getuid());
    EXPECT_EQ(TempFolderPath(), path) << "one folder for the whole run";
    const QString problem = TempFolderProblem();
    EXPECT_TRUE(problem.contains(scope.ourPath() + QLatin1Char(' ') + why)) << problem.toStdString();
    EXPECT_TRUE(problem.contains(path.chopped(1) + QStringLiteral(" is used instead"))) << problem.toStdString();

    // Sub-folders and files go into the folder of ours, nothing through the planted name.
    const QString sub = CreatePrivateSubFolder(QStringLiteral("x"));
    EXPECT_TRUE(sub.startsWith(path)) << sub.toStdString();
    EXPECT_TRUE(QDir(elsewhere).isEmpty());
    if (planted == Foreign) EXPECT_TRUE(QDir(scope.ourPath()).isEmpty());

    // The next usual name taken as well: the one after it.
    if (planted == Link) {
      ASSERT_TRUE(QDir(path).removeRecursively());
      ASSERT_EQ(::symlink(QFile::encodeName(elsewhere).constData(), QFile::encodeName(path.chopped(1)).constData()), 0);
      const QString next = TempFolderPath();
      EXPECT_NE(next, path);
      EXPECT_EQ(modeOf(next), S_IFDIR | 0700u);
    }
  }
  // The usual folder in a fresh temporary folder: no problem to tell.
  TempDirScope clean(QStringLiteral("tf-planted-none"));
  EXPECT_EQ(TempFolderPath(), clean.ourPath() + QLatin1Char('/'));
  EXPECT_TRUE(TempFolderProblem().isEmpty());
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
