// Save, Save As, backup, the save question and the Protect dialog.

#include "app/passworddlg.h"
#include "tests/app/filecommands_fixture.h"

#include "app/mainstate.h"
#include "tests/support/wrongpassword.h"
#include "platform/instances.h"

#include <QFile>
#include <QTest>
#include <QLineEdit>
#include <QPushButton>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

using namespace qel;
using namespace qel::test;

namespace {

QStringList entryNames(const QString &archive) {
  TZipArchiver zip;
  zip.SetZipFileName(archive);
  QStringList names;
  for (const auto &e : zip.ZipContents()) names << e.FileName + (e.Encrypted ? "*" : "");
  return names;
}

Answer protectWith(const QString &password) {
  return Answer::dialog(QDialog::Accepted, [password](QDialog &d) {
    auto &dlg = static_cast<TPasswordDlg &>(d);
    dlg.e_Password->setText(password);
    dlg.Confirm->setText(password);
    dlg.OKBtn->click();
  });
}

Answer typePassword(const QString &password) {
  return Answer::dialog(QDialog::Accepted, [password](QDialog &d) {
    auto *dlg = qobject_cast<TPasswordDlg1 *>(&d);
    ASSERT_NE(dlg, nullptr);
    dlg->Password->setText(password);
  });
}

} // namespace

class FileSaveTest : public FileCommandsTest {};

TEST_F(FileSaveTest, AskSaveChangesIsTrueOnlyWhenSavedOrDeclined) {
  ScriptedUi ui;
  FileModified = false;
  EXPECT_TRUE(AskSaveChanges(host));
  EXPECT_TRUE(ui.prompts().empty());

  addCard("A", "a");
  FileModified = true;
  ui.answerButton(IDCANCEL);
  EXPECT_FALSE(AskSaveChanges(host));
  EXPECT_EQ(ui.messageTexts().last(), "Save changes to NEW.QEL ?");
  ui.answerButton(IDNO);
  EXPECT_TRUE(AskSaveChanges(host));
  EXPECT_TRUE(FileModified);

  // Yes, then the name dialog cancelled: not saved, so not true.
  ui.answerButton(IDYES).answer(Answer::cancel(PromptKind::SaveFile));
  EXPECT_FALSE(AskSaveChanges(host));
  EXPECT_TRUE(FileModified);

  // Yes, then a save that fails: not true either.
  ui.answerButton(IDYES).answer(Answer::saveFile(dir + "/no folder/bad.qel")).answerButton(IDOK);
  EXPECT_FALSE(AskSaveChanges(host));
  EXPECT_TRUE(ui.messageTexts().last().startsWith("The file " + dir + "/no folder/bad.qel was not saved."));
  EXPECT_TRUE(FileModified);
  EXPECT_EQ(CurrentFileName, "NEW.QEL");
  EXPECT_FALSE(QFileInfo::exists(dir + "/no folder"));

  // Yes and saved.
  ui.answerButton(IDYES).answer(Answer::saveFile(dir + "/good.qel"));
  EXPECT_TRUE(AskSaveChanges(host));
  EXPECT_FALSE(FileModified);
  EXPECT_EQ(CurrentFileName, dir + "/good.qel");
  EXPECT_EQ(host.caption, "good.qel - Qel Moravine");
  EXPECT_EQ(bodyOf("A"), "a");
}

TEST_F(FileSaveTest, SaveAsThenSaveWithBackup) {
  addCard("A", "a");
  ScriptedUi ui;
  ui.answer(Answer::saveFile(dir + "/NEW100.QEL"));
  ASSERT_TRUE(FileSave(host));  // a NEW name asks for a name
  EXPECT_EQ(ui.prompts().front().kind, PromptKind::SaveFile);
  EXPECT_TRUE(ui.prompts().front().detail.isEmpty() || !ui.prompts().front().detail.contains("NEW.QEL"));
  const QByteArray first = ziptest::readAll(dir + "/NEW100.QEL");

  // NEW100.QEL is a real name: saved again without a question, the old one kept as ".bak".
  options->Backup = true;
  options->AutosaveLocation = dir + "/no such folder";
  addCard("B", "b");
  FileModified = true;
  ui.clear();
  ASSERT_TRUE(FileSave(host));
  EXPECT_TRUE(ui.prompts().empty());
  EXPECT_EQ(ziptest::readAll(dir + "/NEW100.bak"), first);
  const QByteArray second = ziptest::readAll(dir + "/NEW100.QEL");

  ASSERT_TRUE(QDir().mkpath(dir + "/backups"));
  options->AutosaveLocation = dir + "/backups";
  FileModified = true;
  ASSERT_TRUE(FileSave(host));
  EXPECT_EQ(ziptest::readAll(dir + "/backups/NEW100.bak"), second);
  EXPECT_EQ(host.stores, 3);  // the shown card was stored before every save

  QStringList left = QDir(dir).entryList(QDir::Files | QDir::Hidden);
  left.sort();
  EXPECT_EQ(left, QStringList({"NEW100.QEL", "NEW100.bak"}));
}

TEST_F(FileSaveTest, FailedSaveKeepsOldFileAndModifiedFlag) {
  addCard("A", "a");
  const QString path = makeFile("keep.qel");
  ScriptedUi ui;
  ASSERT_TRUE(OpenCardsFile(host, path, -1));
  const QByteArray before = ziptest::readAll(path);
  addCard("B", "b");
  addCard("Broken", "x")->ADR = 1 << 20;  // its body cannot be read: compaction fails
  FileModified = true;
  ui.answerButton(IDOK);
  EXPECT_FALSE(FileSave(host));
  EXPECT_EQ(ziptest::readAll(path), before);
  EXPECT_TRUE(FileModified);
  EXPECT_EQ(AllCards.Count(), 3);
  EXPECT_EQ(bodyOf("B"), "b");
  EXPECT_EQ(QDir(dir).entryList(QDir::Files | QDir::Hidden), QStringList{"keep.qel"});
}

// Another instance has the target open: with "Exclusive open" it holds the
// file's lock, without it only its record names the file. Either way Save As
// onto it, under any spelling of its path, is refused and the file stays.
TEST_F(FileSaveTest, SaveAsOntoFileOfAnotherInstanceIsRefused) {
  addCard("Theirs", "theirs");
  const QString path = makeFile("theirs.qel");
  ASSERT_TRUE(QFile::link(dir, dir + "/link"));
  const QByteArray before = ziptest::readAll(path);
  const QString expected = "\"theirs.qel\" is read only,\ror somebody else in network has opened it.\rThe file ";

  addCard("Mine", "mine");
  FileModified = true;
  options->ExclusiveOpen = true;
  ScriptedUi ui;
  {
    // The lock another instance holds with "Exclusive open".
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::flock(fd, LOCK_SH), 0);
    for (const QString &spelling : {path, dir + "/link/theirs.qel", dir + "/./link/../theirs.qel"}) {
      ui.answer(Answer::saveFile(spelling)).answerButton(IDOK);
      EXPECT_FALSE(FileSaveAs(host)) << spelling.toStdString();
      EXPECT_TRUE(ui.messageTexts().last().startsWith(expected)) << ui.messageTexts().last().toStdString();
      EXPECT_EQ(ziptest::readAll(path), before);
    }
    ::close(fd);
  }
  {
    // A record of another running instance naming the file (its lock is held, so it is alive).
    const QString folder = InstanceFolderPath();
    const int lock = ::open(QFile::encodeName(folder + "other.lock").constData(), O_RDWR | O_CREAT, 0600);
    ASSERT_GE(lock, 0);
    ASSERT_EQ(::flock(lock, LOCK_EX), 0);
    QFile record(folder + "other.rec");
    ASSERT_TRUE(record.open(QIODevice::WriteOnly));
    record.write(R"({"pid":1,"caption":"theirs - Qel Moravine","file":")" + QFile::encodeName(InstanceFileKey(path)) +
                 R"(","socket":"/nowhere"})");
    record.close();
    options->ExclusiveOpen = false;
    ui.answer(Answer::saveFile(dir + "/link/theirs.qel")).answerButton(IDOK);
    EXPECT_FALSE(FileSaveAs(host));
    EXPECT_TRUE(ui.messageTexts().last().startsWith(expected));
    EXPECT_EQ(ziptest::readAll(path), before);
    ::close(lock);
  }
  EXPECT_TRUE(FileModified);
  EXPECT_EQ(CurrentFileName, "NEW.QEL");

  // Once the other instance is gone the file may be replaced.
  ui.answer(Answer::saveFile(path));
  EXPECT_TRUE(FileSaveAs(host));
  EXPECT_EQ(CurrentFileName, path);
  EXPECT_EQ(bodyOf("Mine"), "mine");
}

TEST_F(FileSaveTest, ProtectDialogAfterAMismatchClosesOnlyOnAGoodOkOrUnprotect) {
  TZipArchiver zip;
  zip.SetPassword("old");
  zip.AddOptions = {AddEncrypt};
  ScriptedUi ui;
  {
    TPasswordDlg dlg(zip);
    EXPECT_EQ(dlg.windowTitle(), "Protect file");
    dlg.Preset("old");
    dlg.show();
    EXPECT_TRUE(dlg.b_Unprotect->isEnabled());
    dlg.e_Password->setText("one");
    dlg.Confirm->setText("two");
    ui.answerButton(IDOK);
    dlg.OKBtn->click();
    EXPECT_EQ(ui.messageTexts().last(),
              "The passwords you typed do not match. Please type and confirm password again.");
    EXPECT_TRUE(dlg.isVisible());
    EXPECT_EQ(zip.Password(), "old");
    // From now on only a successful OK (or Unprotect) closes it: not Esc,
    // not Cancel, not the window's close button.
    QTest::keyClick(&dlg, Qt::Key_Escape);
    EXPECT_TRUE(dlg.isVisible());
    dlg.CancelBtn->click();
    EXPECT_TRUE(dlg.isVisible());
    dlg.close();
    EXPECT_TRUE(dlg.isVisible());
    EXPECT_FALSE(dlg.Applied());
    dlg.Confirm->setText("one");
    dlg.OKBtn->click();
    EXPECT_FALSE(dlg.isVisible());
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(zip.Password(), "one");
    zip.SetPassword("old");
  }
  {
    // Shown afresh, Cancel and Esc close again.
    TPasswordDlg dlg(zip);
    dlg.Preset("old");
    dlg.show();
    QTest::keyClick(&dlg, Qt::Key_Escape);
    EXPECT_FALSE(dlg.isVisible());
    EXPECT_EQ(dlg.result(), QDialog::Rejected);
    EXPECT_FALSE(dlg.Applied());
  }
  {
    TPasswordDlg dlg(zip);
    dlg.Preset("old");
    dlg.show();
    dlg.Confirm->setText("other");
    ui.answerButton(IDOK);
    dlg.OKBtn->click();
    dlg.b_Unprotect->click();
    EXPECT_FALSE(dlg.isVisible());
    EXPECT_EQ(dlg.result(), TPasswordDlg::Unprotect);
    EXPECT_TRUE(zip.Password().isEmpty());
    EXPECT_FALSE(zip.AddOptions.contains(AddEncrypt));
  }
  {
    TPasswordDlg dlg(zip);
    dlg.Preset(QString());
    dlg.show();
    EXPECT_FALSE(dlg.b_Unprotect->isEnabled());
    dlg.e_Password->setText("new");
    dlg.Confirm->setText("new");
    dlg.OKBtn->click();
    EXPECT_FALSE(dlg.isVisible());
    EXPECT_EQ(zip.Password(), "new");
    EXPECT_TRUE(zip.AddOptions.contains(AddEncrypt));
  }
}

TEST_F(FileSaveTest, ProtectThenUnprotectSavesThreeThenTwoEntries) {
  addCard("A", "a");
  const QString path = makeFile("prot.qel");
  ScriptedUi ui;
  ASSERT_TRUE(OpenCardsFile(host, path, -1));

  ui.answer(Answer::dialog(QDialog::Accepted, [](QDialog &d) {
    auto &dlg = static_cast<TPasswordDlg &>(d);
    EXPECT_TRUE(dlg.e_Password->text().isEmpty());
    dlg.e_Password->setText("pw");
    dlg.Confirm->setText("pw");
    dlg.OKBtn->click();
  }));
  FileProtect(host);
  EXPECT_EQ(entryNames(path), QStringList({"prot.~i*", "prot.~h*", "prot.~p*"}));

  ui.answer(Answer::dialog(TPasswordDlg::Unprotect, [](QDialog &d) {
    auto &dlg = static_cast<TPasswordDlg &>(d);
    EXPECT_EQ(dlg.e_Password->text(), "pw");
    dlg.b_Unprotect->click();
  }));
  FileProtect(host);
  EXPECT_EQ(entryNames(path), QStringList({"prot.~i", "prot.~h"}));

  // Cancel changes nothing and saves nothing.
  const QByteArray before = ziptest::readAll(path);
  ui.answer(Answer::dialog(QDialog::Rejected));
  FileProtect(host);
  EXPECT_EQ(ziptest::readAll(path), before);
}

// Protecting a file, or changing its password, leaves no backup copy that
// gives up its cards without the new password: the backup holds the previous
// version's cards, protected with the file's password, in the backup folder
// or beside the file. A save that keeps the password copies the file as it is.
TEST_F(FileSaveTest, BackupOfAProtectedFileIsProtectedWithItsPassword) {
  options->Backup = true;
  ASSERT_TRUE(QDir().mkpath(dir + "/backups"));
  struct Case {
    const char *what;
    QString oldPassword;  // empty: unprotected; "1.x": an old text file
    QString newPassword;
    QString backupFolder;
  } cases[] = {
      {"protect", "", "pw", ""},
      {"protect, backup folder", "", "pw", dir + "/backups"},
      {"new password", "old", "new", ""},
      {"old text file", "1.x", "pw", ""},
      {"same password", "pw", "pw", ""},
  };
  int n = 0;
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    options->AutosaveLocation = c.backupFolder;
    const QString name = QStringLiteral("x%1").arg(++n);
    const QString path = dir + "/" + name + ".qel";
    addCard("Previous", "previous secret");
    ScriptedUi ui;
    if (c.oldPassword == "1.x") {
      ui.answer(Answer::saveFile(path));
      ASSERT_TRUE(ExportVersion1File(host));
      FileNew(host);
    } else {
      makeFile(name + ".qel", c.oldPassword);
      if (!c.oldPassword.isEmpty()) ui.answer(typePassword(c.oldPassword));
    }
    ASSERT_TRUE(OpenCardsFile(host, path, -1));
    const QByteArray previous = ziptest::readAll(path);
    addCard("Later", "later secret");
    FileModified = true;
    if (c.newPassword == c.oldPassword) {
      ASSERT_TRUE(FileSave(host));
    } else {
      ui.answer(protectWith(c.newPassword));
      FileProtect(host);
    }
    ASSERT_TRUE(ui.allAnswered()) << ui.messageTexts().join('|').toStdString();
    const QString backup = (c.backupFolder.isEmpty() ? dir : c.backupFolder) + "/" + name + ".bak";
    ASSERT_TRUE(QFileInfo::exists(backup));
    if (c.newPassword == c.oldPassword) {
      EXPECT_EQ(ziptest::readAll(backup), previous);
    }

    // Without the password nothing of the cards comes out; with it all of them.
    QByteArray out;
    ziptest::run("unzip", {"-p", "-P", WrongPasswordFor(backup), backup}, dir, &out);
    EXPECT_FALSE(out.contains("secret")) << out.constData();
    EXPECT_EQ(ziptest::run("unzip", {"-t", "-P", c.newPassword, backup}, dir, &out), 0) << out.constData();
    for (const QString &entry : entryNames(backup)) EXPECT_TRUE(entry.endsWith("*")) << entry.toStdString();
    // Put back in place of the file, it opens with the file's password and holds the previous version.
    FileNew(host);
    const QString restored = dir + "/" + name + "-restored.qel";
    ASSERT_TRUE(QFile::copy(backup, restored));
    ui.clear();
    ui.answer(typePassword(c.newPassword));
    ASSERT_TRUE(OpenCardsFile(host, restored, -1)) << ui.messageTexts().join('|').toStdString();
    EXPECT_EQ(AllCards.Count(), 1);
    EXPECT_EQ(bodyOf("Previous").trimmed(), "previous secret");
    FileNew(host);
  }
}

// A card file opened through a symbolic link (or a chain of them, absolute
// or relative) is saved into the file the link points to, as editors do: the
// links stay links and the real file gets the cards. Save As onto a link to
// a file not there yet creates that file.
TEST_F(FileSaveTest, SaveThroughALinkWritesTheFileItPointsTo) {
  ASSERT_TRUE(QDir().mkpath(dir + "/real"));
  addCard("A", "a");
  const QString real = makeFile("real/cards.qel");
  auto link = [&](const QString &target, const QString &name) {
    ASSERT_EQ(::symlink(QFile::encodeName(target).constData(), QFile::encodeName(dir + "/" + name).constData()), 0);
  };
  link("real/cards.qel", "relative.qel");
  link(dir + "/relative.qel", "chain.qel");
  link("real/later.qel", "dangling.qel");

  ScriptedUi ui;
  ASSERT_TRUE(OpenCardsFile(host, dir + "/chain.qel", -1));
  addCard("B", "b");
  FileModified = true;
  ASSERT_TRUE(FileSave(host));
  EXPECT_FALSE(FileModified);
  EXPECT_TRUE(QFileInfo(dir + "/chain.qel").isSymLink());
  EXPECT_TRUE(QFileInfo(dir + "/relative.qel").isSymLink());
  EXPECT_EQ(QFileInfo(dir + "/chain.qel").canonicalFilePath(), QFileInfo(real).canonicalFilePath());

  ui.answer(Answer::saveFile(dir + "/dangling.qel"));
  ui.answerButton(IDYES);  // the dialog's own overwrite question may come first
  ASSERT_TRUE(FileSaveAs(host));
  EXPECT_TRUE(QFileInfo(dir + "/dangling.qel").isSymLink());
  EXPECT_TRUE(QFileInfo(dir + "/real/later.qel").isFile());

  for (const QString &file : {real, dir + "/real/later.qel"}) {
    ClearCards(AllCards);
    CurrentFileName = QStringLiteral("NEW.QEL");
    ResetBodyFile();
    ASSERT_TRUE(OpenCardsFile(host, file, -1)) << file.toStdString();
    EXPECT_EQ(AllCards.Count(), 2) << file.toStdString();
    EXPECT_EQ(bodyOf("B"), "b") << file.toStdString();
  }
  QStringList left = QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot | QDir::System);
  left.sort();
  EXPECT_EQ(left, QStringList({"chain.qel", "dangling.qel", "real", "relative.qel"}));
  left = QDir(dir + "/real").entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
  left.sort();
  EXPECT_EQ(left, QStringList({"cards.qel", "later.qel"}));
}
