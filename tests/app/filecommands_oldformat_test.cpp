// Old 1.x and 2.x card files through the file commands: exported, opened in
// place of the open file or merged into it, and saved as version-3 files.

#include "app/passworddlg.h"
#include "cards/oldformat.h"
#include "tests/app/filecommands_fixture.h"
#include "tests/support/wrongpassword.h"

#include <QLineEdit>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

using namespace qel;
using namespace qel::test;
using qel::ziptest::readAll;
using qel::ziptest::writeAll;

namespace {

Answer typePassword(const QString &password) {
  return Answer::dialog(QDialog::Accepted, [password](QDialog &d) {
    auto *dlg = qobject_cast<TPasswordDlg1 *>(&d);
    ASSERT_NE(dlg, nullptr);
    dlg->Password->setText(password);
  });
}

struct PlainHost : StandInHost {
  bool plain = false;
  int conversions = 0;
  bool editorPlainText() const override { return plain; }
  void convertAllToPlainText() override { ++conversions; }
};

const QByteArray kRtf = "{\\rtf1\\ansi \\b bold\\b0\\par\r\n}\r\n";

class OldFileCommands : public FileCommandsTest {
protected:
  void addOldCards() {
    auto rich = addCard("Rich", kRtf, 45000.5);
    rich->Color = 0x00FF00;
    rich->Phone = "555 0100";
    addCard("Plain", "one\r\ntwo\r\n");
  }
  // Exports the current cards as a 2.x (or 1.x) file `name` and starts a NEW file.
  QString exportFile(const QString &name, bool version2, const QString &password = {}) {
    const QString path = dir + "/" + name;
    ZipArchiver().SetPassword(password);
    ZipArchiver().AddOptions = password.isEmpty() ? AddOpts{} : AddOpts{AddEncrypt};
    ScriptedUi ui;
    ui.answer(Answer::saveFile(path));
    EXPECT_TRUE(version2 ? ExportVersion2File(host) : ExportVersion1File(host));
    EXPECT_TRUE(ui.messageTexts().isEmpty()) << ui.messageTexts().join('|').toStdString();
    FileNew(host);
    ZipArchiver().SetPassword(QString());
    ZipArchiver().AddOptions = {};
    return path;
  }
  PlainHost host;
};

} // namespace

TEST_F(OldFileCommands, OpenOldFilesAndSaveAsVersion3) {
  addOldCards();
  const QString v2 = exportFile("two.qel", true);
  addOldCards();
  const QString v1 = exportFile("one.qel", false);
  ASSERT_EQ(ProbeCardsFile(v2).Kind, KindOldArchive);
  ASSERT_EQ(ProbeCardsFile(v1).Kind, KindOldText);
  // A file of the user's beside the archive, named like its entry.
  const QString beside = dir + "/two.tmp";
  ASSERT_TRUE(writeAll(beside, "keep me"));

  ScriptedUi ui;
  addCard("Unsaved", "x");
  FileModified = true;
  ui.answerButton(IDNO);  // save changes?
  ASSERT_TRUE(OpenCardsFile(host, v2, -1));
  EXPECT_EQ(ui.messageTexts(), QStringList{"Save changes to NEW.QEL ?"});
  EXPECT_EQ(CurrentFileName, v2);
  EXPECT_FALSE(FileModified);
  EXPECT_EQ(host.caption, "two.qel - Qel Moravine");
  ASSERT_EQ(AllCards.Count(), 2);
  EXPECT_EQ(bodyOf("Rich"), QString::fromLatin1(kRtf));
  EXPECT_EQ(bodyOf("Plain"), "one\r\ntwo\r\n");
  EXPECT_EQ(AllCards.Objects(0)->Color, 0x00FF00);
  EXPECT_EQ(AllCards.Objects(0)->LastOpen, 45000.5);
  EXPECT_EQ(AllCards.Objects(0)->Phone, "555 0100");
  EXPECT_EQ(readAll(beside), "keep me");
  EXPECT_EQ(host.conversions, 0);

  // Saving writes a version-3 file that opens with the same cards.
  ASSERT_TRUE(FileSave(host));
  EXPECT_EQ(ProbeCardsFile(v2).Kind, KindVersion3);
  ASSERT_TRUE(OpenCardsFile(host, v1, -1));
  ASSERT_TRUE(OpenCardsFile(host, v2, -1));
  ASSERT_EQ(AllCards.Count(), 2);
  EXPECT_EQ(bodyOf("Rich"), QString::fromLatin1(kRtf));
  EXPECT_EQ(AllCards.Objects(0)->Phone, "555 0100");

  // The 1.x file: titles and plain bodies, opened in plain-text mode.
  host.plain = true;
  ASSERT_TRUE(OpenCardsFile(host, v1, -1));
  EXPECT_EQ(CurrentFileName, v1);
  EXPECT_EQ(AllCards.Count(), 2);
  EXPECT_EQ(bodyOf("Plain"), "one\r\ntwo\r\n");
  EXPECT_EQ(AllCards.Objects(0)->Phone, QString());
  EXPECT_EQ(host.conversions, 1);
  EXPECT_TRUE(ui.allAnswered());
}

TEST_F(OldFileCommands, MergeAppendsEveryCardWhateverTheRule) {
  addOldCards();
  const QString v2 = exportFile("merge.qel", true);
  addCard("Rich", "mine", 99999);  // newer than the old file's card
  addCard("Other", "other");
  for (int mode : {MergeKeepRecent, MergeOverwrite, MergeSkip, MergeAddAsNew}) {
    FileModified = false;
    const int before = AllCards.Count();
    ScriptedUi ui;
    ui.answerButton(IDOK);
    ASSERT_TRUE(OpenCardsFile(host, v2, mode)) << mode;
    EXPECT_EQ(ui.messageTexts(),
              QStringList{"You are trying to merge old version qel file.\r\nAll cards of this file will be appended.\r\n"
                          "For synchronization you should convert this file to version 3.\r\n(Just open and save "
                          "filemerge.qel)"});
    EXPECT_TRUE(FileModified) << mode;
    EXPECT_EQ(CurrentFileName, "NEW.QEL");
    ASSERT_EQ(AllCards.Count(), before + 2) << mode;
    EXPECT_EQ(AllCards.Strings(before), "Rich");
    EXPECT_EQ(bodyOf("Rich"), "mine");  // the first of them stays
    EXPECT_EQ(QString::fromLatin1(AllCards.Objects(before)->BodyBytes()), QString::fromLatin1(kRtf));
  }
}

// A protected 2.x file: the password opens it and becomes the open file's;
// a merge keeps the open file's own; a wrong one changes nothing.
TEST_F(OldFileCommands, ProtectedFileAndPasswords) {
  addCard("Secret", "hidden\r\n");
  const QString locked = exportFile("locked.qel", true, "right");
  TZipArchiver zip;
  ConfigureZipArchiver(zip);
  ASSERT_EQ(OldArchiveEntry(locked, zip), "locked.~QE");

  addCard("Mine", "mine");
  FileModified = true;
  ZipArchiver().SetPassword("own");
  ZipArchiver().AddOptions = {AddEncrypt};
  auto expectUnchanged = [&](const char *what) {
    EXPECT_EQ(CurrentFileName, "NEW.QEL") << what;
    EXPECT_EQ(AllCards.Count(), 1) << what;
    EXPECT_EQ(bodyOf("Mine"), "mine") << what;
    EXPECT_TRUE(FileModified) << what;
    EXPECT_EQ(ZipArchiver().Password(), "own") << what;
    EXPECT_TRUE(ZipArchiver().AddOptions.contains(AddEncrypt)) << what;
  };

  ScriptedUi ui;
  ui.answerButton(IDNO);
  ui.answer(typePassword(WrongPasswordFor(locked)));
  ui.answer(Answer::dialog(QDialog::Rejected));  // the component asks once more
  ui.answerButton(IDOK);
  EXPECT_FALSE(OpenCardsFile(host, locked, -1));
  EXPECT_EQ(ui.messageTexts().last(),
            locked + " is not Qel Moravine file.\rIf file was protected, probably, you entered wrong password");
  expectUnchanged("wrong password");

  ui.clear();
  ui.answerButton(IDNO);
  ui.answer(Answer::dialog(QDialog::Rejected));
  EXPECT_FALSE(OpenCardsFile(host, locked, -1));
  EXPECT_TRUE(ui.allAnswered());
  expectUnchanged("cancelled");

  // Merged with its password: the open file keeps its own protection.
  ui.clear();
  ui.answer(typePassword("right")).answerButton(IDOK);
  ASSERT_TRUE(OpenCardsFile(host, locked, MergeKeepRecent));
  EXPECT_EQ(AllCards.Count(), 2);
  EXPECT_EQ(bodyOf("Secret"), "hidden\r\n");
  EXPECT_EQ(ZipArchiver().Password(), "own");
  EXPECT_TRUE(ZipArchiver().AddOptions.contains(AddEncrypt));

  // Opened in its place: its password becomes the open file's.
  ui.clear();
  ui.answerButton(IDNO).answer(typePassword("right"));
  ASSERT_TRUE(OpenCardsFile(host, locked, -1));
  EXPECT_EQ(AllCards.Count(), 1);
  EXPECT_EQ(ZipArchiver().Password(), "right");
  EXPECT_TRUE(ZipArchiver().AddOptions.contains(AddEncrypt));
  // And an unprotected old file drops it.
  const QString plainOld = dir + "/plain.qel";
  ASSERT_TRUE(writeAll(plainOld, "VR3KT Another moravine - text\r\n<TITLE>t\r\nb\r\n\r\n"));
  ASSERT_TRUE(OpenCardsFile(host, plainOld, -1));
  EXPECT_TRUE(ZipArchiver().Password().isEmpty());
  EXPECT_FALSE(ZipArchiver().AddOptions.contains(AddEncrypt));
}

TEST_F(OldFileCommands, ExportCancelledOrRefusedWritesNothing) {
  addOldCards();
  ScriptedUi ui;
  ui.answer(Answer::cancel(PromptKind::SaveFile));
  EXPECT_FALSE(ExportVersion2File(host));
  const QString readOnly = dir + "/ro.qel";
  ASSERT_TRUE(writeAll(readOnly, "old"));
  QFile::setPermissions(readOnly, QFileDevice::ReadOwner);
  ui.answer(Answer::saveFile(readOnly)).answerButton(IDOK);
  EXPECT_FALSE(ExportVersion1File(host));
  EXPECT_EQ(ui.messageTexts().last(), "Cannot save: " + readOnly + " is read only.");
  EXPECT_EQ(readAll(readOnly), "old");
  EXPECT_EQ(QDir(dir).entryList(QDir::Files | QDir::Hidden), QStringList{"ro.qel"});
}

TEST_F(OldFileCommands, DamagedOldFileLeavesTheOpenFileAsItWas) {
  addCard("Mine", "mine");
  FileModified = true;
  const QString damaged = dir + "/damaged.qel";
  // A tag line longer than any card line can be: the text is refused as a whole.
  ASSERT_TRUE(writeAll(damaged, "VR3KT Another moravine - text\r\n<TITLE>ok\r\nbody\r\n\r\n<TITLE>" +
                                    QByteArray(kMaxFieldLineBytes + 1, 'x') + "\r\nb\r\n\r\n"));
  for (int mode : {-1, int(MergeKeepRecent)}) {
    ScriptedUi ui;
    if (mode < 0) ui.answerButton(IDNO);  // the modified open file is not saved first
    ui.answerButton(IDOK);
    EXPECT_FALSE(OpenCardsFile(host, damaged, mode)) << mode;
    ASSERT_FALSE(ui.messageTexts().isEmpty()) << mode;
    EXPECT_EQ(ui.messageTexts().last().toStdString(),
              ("The file " + damaged + " cannot be read: line 5 is longer than any card line can be.").toStdString())
        << mode;
    EXPECT_EQ(CurrentFileName, "NEW.QEL") << mode;
    EXPECT_EQ(AllCards.Count(), 1) << mode;
    EXPECT_EQ(bodyOf("Mine"), "mine") << mode;
    EXPECT_TRUE(FileModified) << mode;
  }
  EXPECT_TRUE(QFileInfo::exists(damaged));
}

TEST_F(OldFileCommands, ExportsRefuseAFileAnotherInstanceHasOpen) {
  addOldCards();
  const QString theirs = dir + "/theirs.qel";
  ASSERT_TRUE(writeAll(theirs, "theirs"));
  options->ExclusiveOpen = true;
  // The lock another instance holds on its open file with "Exclusive open".
  const int fd = ::open(QFile::encodeName(theirs).constData(), O_RDONLY);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::flock(fd, LOCK_SH), 0);
  for (bool version2 : {false, true}) {
    ScriptedUi ui;
    ui.answer(Answer::saveFile(theirs)).answerButton(IDOK);
    EXPECT_FALSE(version2 ? ExportVersion2File(host) : ExportVersion1File(host)) << version2;
    ASSERT_FALSE(ui.messageTexts().isEmpty()) << version2;
    EXPECT_TRUE(ui.messageTexts().last().endsWith("The file " + theirs + " was not written."))
        << ui.messageTexts().last().toStdString();
    EXPECT_EQ(readAll(theirs), "theirs") << version2;
  }
  ::close(fd);
  EXPECT_EQ(QDir(dir).entryList(QDir::Files | QDir::Hidden), QStringList{"theirs.qel"});
}

// A 1.x file holds one byte a character: before a body loses characters
// (written as "?") the user is asked, with the first card affected named;
// No writes nothing, Yes writes the file.
TEST_F(OldFileCommands, Version1ExportAsksBeforeLosingCharacters) {
  addCard("Latin", "caf\xe9\r\n");  // é fits the code page
  addCard("Greek", "{\\rtf1\\ansi Ohm: \\u937?\\par}");
  addCard("More Greek", "{\\rtf1\\ansi \\u945?\\par}");
  const QString target = dir + "/one.qel";
  ScriptedUi ui;
  ui.answer(Answer::saveFile(target)).answerButton(IDNO);
  EXPECT_FALSE(ExportVersion1File(host));
  ASSERT_EQ(ui.messageTexts().size(), 1);
  EXPECT_TRUE(ui.messageTexts()[0].contains("\"Greek\"")) << ui.messageTexts()[0].toStdString();
  EXPECT_FALSE(QFileInfo::exists(target));

  ui.answer(Answer::saveFile(target)).answerButton(IDYES);
  EXPECT_TRUE(ExportVersion1File(host));
  EXPECT_TRUE(readAll(target).contains("Ohm: ?"));
  EXPECT_TRUE(readAll(target).contains("caf\xe9"));
  EXPECT_TRUE(ui.allAnswered());

  // Nothing lost, nothing asked.
  ClearCards(AllCards);
  addCard("Latin", "caf\xe9\r\n");
  ui.answer(Answer::saveFile(target));
  EXPECT_TRUE(ExportVersion1File(host));
  EXPECT_EQ(ui.messageTexts().size(), 2);  // the two questions above only
}
