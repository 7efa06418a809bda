#include "platform/fileutil.h"

#include "tests/support/testenv.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace qel;

namespace {

void writeFile(const QString &path, const QByteArray &data) {
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
  f.write(data);
}

QByteArray readFile(const QString &path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

void setMode(const QString &path, mode_t mode) { ::chmod(QFile::encodeName(path).constData(), mode); }

} // namespace

TEST(FileUtil, SizeAndReadOnly) {
  const QString dir = qel::test::freshDir(QStringLiteral("fu-size"));
  const QString empty = dir + QStringLiteral("/empty"), full = dir + QStringLiteral("/full");
  writeFile(empty, {});
  writeFile(full, QByteArray(70000, 'x'));
  EXPECT_EQ(FileSizeByName(empty), 0);
  EXPECT_EQ(FileSizeByName(full), 70000);
  EXPECT_EQ(FileSizeByName(dir + QStringLiteral("/missing")), -1);
  EXPECT_EQ(FileSizeByName(dir), -1);
  EXPECT_EQ(FileSizeByName(QString()), -1);

  EXPECT_FALSE(IsFileReadOnly(full));
  EXPECT_TRUE(IsFileReadOnly(dir + QStringLiteral("/missing")));
  setMode(full, 0444);
  EXPECT_TRUE(IsFileReadOnly(full)); // also for the superuser
  setMode(full, 0644);
}

TEST(FileUtil, CopyReplacesWholeOrNotAtAll) {
  const QString dir = qel::test::freshDir(QStringLiteral("fu-copy"));
  const QString from = dir + QStringLiteral("/from"), to = dir + QStringLiteral("/to");
  QByteArray data;
  for (int i = 0; i < 200000; ++i) data += char(i * 7);
  writeFile(from, data);
  setMode(from, 0640);
  writeFile(to, "old contents");

  QString error;
  ASSERT_TRUE(CopyFileReplacing(from, to, &error)) << error.toStdString();
  EXPECT_EQ(readFile(to), data);
  EXPECT_EQ(readFile(from), data);
  struct stat st{};
  ::stat(QFile::encodeName(to).constData(), &st);
  EXPECT_EQ(st.st_mode & 0777, 0640u);

  // Failures say why and leave the target as it was.
  writeFile(to, "kept");
  EXPECT_FALSE(CopyFileReplacing(dir + QStringLiteral("/missing"), to, &error));
  EXPECT_TRUE(error.contains(QStringLiteral("missing"))) << error.toStdString();
  setMode(to, 0444);
  EXPECT_FALSE(CopyFileReplacing(from, to, &error));
  EXPECT_TRUE(error.contains(QStringLiteral("read-only"))) << error.toStdString();
  setMode(to, 0644);
  EXPECT_EQ(readFile(to), QByteArray("kept"));
  EXPECT_FALSE(CopyFileReplacing(from, dir + QStringLiteral("/no/such/folder/x"), &error));
  EXPECT_FALSE(CopyFileReplacing(dir, to, &error)) << "a folder is not copied";
  EXPECT_FALSE(CopyFileReplacing(from, dir, &error)) << "a folder is not replaced";

  // No temporary file is left behind.
  EXPECT_EQ(QDir(dir).entryList(QDir::Files | QDir::Hidden).size(), 2);
}

TEST(FileUtil, RenameReplaces) {
  const QString dir = qel::test::freshDir(QStringLiteral("fu-rename"));
  const QString from = dir + QStringLiteral("/from"), to = dir + QStringLiteral("/to");
  writeFile(from, "new");
  writeFile(to, "old");
  QString error;
  ASSERT_TRUE(RenameFileReplacing(from, to, &error)) << error.toStdString();
  EXPECT_FALSE(QFile::exists(from));
  EXPECT_EQ(readFile(to), QByteArray("new"));

  EXPECT_FALSE(RenameFileReplacing(from, to, &error)) << "source is gone";
  EXPECT_FALSE(error.isEmpty());
  EXPECT_EQ(readFile(to), QByteArray("new"));

  writeFile(from, "again");
  setMode(to, 0444);
  EXPECT_FALSE(RenameFileReplacing(from, to, &error));
  EXPECT_EQ(readFile(from), QByteArray("again"));
  setMode(to, 0644);
}

TEST(FileUtil, RenameAcrossFileSystems) {
  struct stat a{}, b{};
  const QString dir = qel::test::freshDir(QStringLiteral("fu-xdev"));
  if (::stat("/dev/shm", &b) != 0 || ::stat(QFile::encodeName(dir).constData(), &a) != 0 || a.st_dev == b.st_dev)
    GTEST_SKIP() << "no second file system at hand";
  const QString from = dir + QStringLiteral("/from");
  const QString to = QStringLiteral("/dev/shm/qel-fu-xdev-%1").arg(::getpid());
  writeFile(from, "moved");
  QString error;
  ASSERT_TRUE(RenameFileReplacing(from, to, &error)) << error.toStdString();
  EXPECT_FALSE(QFile::exists(from));
  EXPECT_EQ(readFile(to), QByteArray("moved"));
  QFile::remove(to);
}
