// NEW names, extension changes, backup names and the lock on the open file.

#include "cards/cardfile.h"
#include "cards/carderror.h"
#include "cards/filelock.h"
#include "tests/support/testenv.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace qel;

TEST(CardFileNames, NewFileNameAndIsNewFileName) {
  EXPECT_EQ(NewFileName(0), "NEW.QEL");
  EXPECT_EQ(NewFileName(1), "NEW01.QEL");
  EXPECT_EQ(NewFileName(42), "NEW42.QEL");
  EXPECT_EQ(NewFileName(100), "NEW100.QEL");

  struct Case { const char *name; bool isNew; } cases[] = {
    {"NEW.QEL", true},  {"NEW01.QEL", true}, {"NEW99.QEL", true}, {"NEW1", true}, {"NEW.", true},
    {"NEW100.QEL", false},  // ten characters: a real file name, saved without asking
    {"NEW", false},     {"NEWS.QEL", false}, {"new.qel", false},  {"NEW_1.QEL", false},
    {"/home/a/NEW.QEL", false}, {"", false},  {"ANEW.QEL", false},
  };
  for (const Case &c : cases) EXPECT_EQ(IsNewFileName(QString::fromLatin1(c.name)), c.isNew) << c.name;
}

TEST(CardFileNames, FreeNewFileNameSkipsTakenNames) {
  QStringList taken{"NEW.QEL", "NEW01.QEL", "NEW02.QEL"};
  EXPECT_EQ(FreeNewFileName([&](const QString &n) { return taken.contains(n); }), "NEW03.QEL");
  EXPECT_EQ(FreeNewFileName([](const QString &) { return false; }), "NEW.QEL");
}

TEST(CardFileNames, ChangeFileExtAndBackupName) {
  EXPECT_EQ(ChangeFileExt("/a/b/cards.qel", ".~i"), "/a/b/cards.~i");
  EXPECT_EQ(ChangeFileExt("/a/b.d/cards", ".bak"), "/a/b.d/cards.bak");
  EXPECT_EQ(ChangeFileExt("/a/b/x.y.qel", ".bak"), "/a/b/x.y.bak");

  const QString dir = test::freshDir("backupnames");
  const QString backups = dir + "/backups";
  ASSERT_TRUE(QDir().mkpath(backups));
  EXPECT_EQ(BackupFileName(dir + "/cards.qel", backups), backups + "/cards.bak");
  EXPECT_EQ(BackupFileName(dir + "/cards.qel", backups + "/"), backups + "/cards.bak");
  EXPECT_EQ(BackupFileName(dir + "/cards.qel", dir + "/missing"), dir + "/cards.bak");
  EXPECT_EQ(BackupFileName(dir + "/cards.qel", QString()), dir + "/cards.bak");
}

TEST(CardFileNames, BackupCopiesBesideOrIntoFolder) {
  const QString dir = test::freshDir("backupcopy");
  const QString file = dir + "/cards.qel";
  QFile f(file);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write("old archive");
  f.close();
  BackupCardsFile(file, QString());
  EXPECT_TRUE(QFile::exists(dir + "/cards.bak"));
  ASSERT_TRUE(QDir().mkpath(dir + "/bk"));
  BackupCardsFile(file, dir + "/bk");
  QFile b(dir + "/bk/cards.bak");
  ASSERT_TRUE(b.open(QIODevice::ReadOnly));
  EXPECT_EQ(b.readAll(), "old archive");
  EXPECT_THROW(BackupCardsFile(dir + "/missing.qel", QString()), ECardError);
}

TEST(CardFileLock, HeldLockMakesFileInUse) {
  const QString dir = test::freshDir("lock");
  const QString file = dir + "/cards.qel";
  QFile f(file);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write("x");
  f.close();

  EXPECT_FALSE(IsFileInUse(file));
  ASSERT_TRUE(LockDataFile(file));
  EXPECT_EQ(LockedDataFile(), file);
  EXPECT_TRUE(IsFileInUse(file));  // a second descriptor cannot take it for writing
  UnlockDataFile();
  EXPECT_TRUE(LockedDataFile().isEmpty());
  EXPECT_FALSE(IsFileInUse(file));

  EXPECT_FALSE(LockDataFile(dir + "/missing.qel"));
  EXPECT_TRUE(LockedDataFile().isEmpty());
  EXPECT_TRUE(IsFileInUse(dir + "/missing.qel"));

  ::chmod(QFile::encodeName(file).constData(), 0444);
  EXPECT_TRUE(IsFileInUse(file));  // read-only counts as in use, for the superuser too
  ::chmod(QFile::encodeName(file).constData(), 0644);
}
