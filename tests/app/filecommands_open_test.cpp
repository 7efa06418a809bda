// Open, merge and New through the file commands: what changes on success and
// what stays when an open fails or is cancelled.

#include "app/passworddlg.h"
#include "app/dlg_merge.h"
#include "tests/app/filecommands_fixture.h"
#include "tests/support/wrongpassword.h"
#include "cards/cardfile.h"
#include "cards/indexfile.h"
#include "cards/oldformat.h"
#include "platform/tempfolder.h"
#include "zip/zippassworddlg.h"

#include <QLineEdit>
#include <QRandomGenerator>
#include <QRadioButton>
#include <sys/file.h>
#include <fcntl.h>
#include <unistd.h>

using namespace qel;
using namespace qel::test;

namespace {

Answer typePassword(const QString &password) {
  return Answer::dialog(QDialog::Accepted, [password](QDialog &d) {
    auto *dlg = qobject_cast<TPasswordDlg1 *>(&d);
    ASSERT_NE(dlg, nullptr);
    EXPECT_EQ(dlg->windowTitle(), "Password Dialog");
    dlg->Password->setText(password);
  });
}

} // namespace

class FileOpenTest : public FileCommandsTest {};

TEST_F(FileOpenTest, OpenReplacesCardsNameAndState) {
  addCard("One", "first");
  addCard("Two", "second");
  const QString path = makeFile("a.qel");
  addCard("Unsaved", "x");

  ScriptedUi ui;
  ui.answerButton(IDNO);  // "Save changes to NEW.QEL ?"
  FileModified = true;
  const QString oldBody = CurrentBodyFileName();
  ASSERT_TRUE(OpenCardsFile(host, path, -1));
  EXPECT_EQ(ui.messageTexts(), QStringList{"Save changes to NEW.QEL ?"});
  EXPECT_EQ(CurrentFileName, path);
  EXPECT_FALSE(FileModified);
  EXPECT_EQ(AllCards.Count(), 2);
  EXPECT_EQ(bodyOf("Two"), "second");
  EXPECT_EQ(host.caption, "a.qel - Qel Moravine");
  EXPECT_EQ(host.refilters, 1);
  EXPECT_FALSE(QFileInfo::exists(oldBody));
  EXPECT_EQ(QDir::currentPath(), dir);
  EXPECT_TRUE(LockedDataFile().isEmpty());  // "Exclusive open" is off
}

// A file whose index points a card's body outside the body entry opens with
// one warning naming that card; its body is empty and the file saves whole.
TEST_F(FileOpenTest, CardWithBodyOutsideTheFileOpensEmptyAndSaves) {
  TCrdList index;
  auto add = [&](const char *title, qint32 adr, qint32 siz) {
    auto c = NewCrd();
    c->Title = title;
    c->ADR = adr;
    c->SIZ = siz;
    index.AddCrd(c);
  };
  add("Kept", 0, 4);
  add("Lost one", 2, 4000);
  add("Lost two", 70000, 1);
  QFile i(dir + "/broken.~i"), h(dir + "/broken.~h");
  ASSERT_TRUE(i.open(QIODevice::WriteOnly) && h.open(QIODevice::WriteOnly));
  i.write(IndexText(index));
  h.write("kept");
  i.close();
  h.close();
  const QString path = dir + "/broken.qel";
  {
    TZipArchiver zip;
    ConfigureZipArchiver(zip);
    zip.SetZipFileName(path);
    zip.FSpecArgs() << i.fileName() << h.fileName();
    zip.Add();
    ASSERT_EQ(zip.SuccessCnt(), 2);
  }
  QFile::remove(i.fileName());
  QFile::remove(h.fileName());

  ScriptedUi ui;
  ui.answerButton(IDOK);
  ASSERT_TRUE(OpenCardsFile(host, path, -1));
  ASSERT_EQ(ui.messageTexts().size(), 1);
  EXPECT_EQ(ui.messageTexts()[0], "The file " + path +
                                      " is damaged: the bodies of these cards are missing and they are opened empty:"
                                      "\r\"Lost one\"\r\"Lost two\"");
  EXPECT_EQ(ui.prompts()[0].flags, unsigned(MB_OK | MB_ICONWARNING));
  EXPECT_TRUE(FileModified);
  ASSERT_EQ(AllCards.Count(), 3);
  EXPECT_EQ(bodyOf("Kept"), "kept");
  EXPECT_EQ(AllCards.Objects(1)->BodyText(), QByteArray());

  ASSERT_TRUE(FileSave(host));
  ui.clear();
  ASSERT_TRUE(OpenCardsFile(host, path, -1));
  EXPECT_TRUE(ui.messageTexts().isEmpty());
  EXPECT_EQ(AllCards.Count(), 3);
  EXPECT_EQ(bodyOf("Kept"), "kept");
}

TEST_F(FileOpenTest, RelativePathIsMadeAbsolute) {
  addCard("R", "r");
  makeFile("rel.qel");
  ASSERT_TRUE(QDir::setCurrent(dir));
  ASSERT_TRUE(OpenCardsFile(host, "rel.qel", -1));
  EXPECT_EQ(CurrentFileName, dir + "/rel.qel");
  EXPECT_EQ(CurrentBodyFileName(), BodyFileName(dir + "/rel.qel"));
}

TEST_F(FileOpenTest, FailedOrCancelledOpenLeavesOpenFileAsItWas) {
  addCard("Secret", "hidden");
  const QString locked = makeFile("locked.qel", "right");

  // The open file: protected with its own password, modified.
  addCard("Mine", "mine");
  const QString mine = makeFile("mine.qel", "mypw");
  ScriptedUi ui;
  ui.answer(typePassword("mypw"));
  ASSERT_TRUE(OpenCardsFile(host, mine, -1));
  addCard("Edited", "edited");
  FileModified = true;
  const QString caption = host.caption;

  auto expectUnchanged = [&](const char *what) {
    EXPECT_EQ(CurrentFileName, mine) << what;
    EXPECT_TRUE(FileModified) << what;
    EXPECT_EQ(AllCards.Count(), 2) << what;
    EXPECT_EQ(bodyOf("Mine"), "mine") << what;
    EXPECT_EQ(bodyOf("Edited"), "edited") << what;
    EXPECT_EQ(ZipArchiver().Password(), "mypw") << what;
    EXPECT_TRUE(ZipArchiver().AddOptions.contains(AddEncrypt)) << what;
    EXPECT_EQ(host.caption, caption) << what;
  };

  // Wrong password: the component asks once more, then the index is missing.
  ui.clear();
  ui.answerButton(IDNO);  // save changes?
  ui.answer(typePassword(qel::test::WrongPasswordFor(locked)));
  // The component's own prompt, once for each of the two entries.
  ui.answer(Answer::dialog(QDialog::Rejected)).answer(Answer::dialog(QDialog::Rejected));
  ui.answerButton(IDOK);
  EXPECT_FALSE(OpenCardsFile(host, locked, -1));
  EXPECT_TRUE(ui.messageTexts().contains("Index not found.\rIf file was protected, probably, you entered wrong password"))
      << ui.messageTexts().join('|').toStdString();
  expectUnchanged("wrong password");

  // The password dialog cancelled: nothing else is asked.
  ui.clear();
  ui.answerButton(IDNO);
  ui.answer(Answer::dialog(QDialog::Rejected));
  EXPECT_FALSE(OpenCardsFile(host, locked, -1));
  EXPECT_TRUE(ui.allAnswered());
  expectUnchanged("cancelled");

  // A missing file and a file that is no card file.
  ui.clear();
  ui.answerButton(IDNO).answerButton(IDOK);
  EXPECT_FALSE(OpenCardsFile(host, dir + "/missing.qel", -1));
  EXPECT_EQ(ui.messageTexts().last(), dir + "/missing.qel not found.");
  expectUnchanged("missing");

  // The save question cancelled.
  ui.clear();
  ui.answerButton(IDCANCEL);
  EXPECT_FALSE(OpenCardsFile(host, locked, -1));
  expectUnchanged("save question cancelled");

  // And the right password opens it, taking over its protection.
  ui.clear();
  ui.answerButton(IDNO);
  ui.answer(typePassword("right"));
  ASSERT_TRUE(OpenCardsFile(host, locked, -1));
  EXPECT_EQ(bodyOf("Secret"), "hidden");
  EXPECT_EQ(ZipArchiver().Password(), "right");
}

// A password first mistyped and then typed right at the component's own
// prompt opened the file: that one, not the mistyped one, protects the next
// save. Both for a version-3 file and for an old 2.x archive.
TEST_F(FileOpenTest, PasswordThatOpenedTheFileIsTheOneItIsSavedWith) {
  for (const bool version2 : {false, true}) {
    SCOPED_TRACE(version2 ? "2.x archive" : "version 3");
    addCard("Secret", "hidden");
    QString file;
    if (version2) {
      file = dir + "/old.qel";
      ZipArchiver().SetPassword("right");
      ZipArchiver().AddOptions = {AddEncrypt};
      ScriptedUi exporting;
      exporting.answer(Answer::saveFile(file));
      ASSERT_TRUE(ExportVersion2File(host));
      FileNew(host);
    } else {
      file = makeFile("new.qel", "right");
    }
    const QString typo = WrongPasswordFor(file);

    ScriptedUi ui;
    ui.answer(typePassword(typo));
    ui.answer(Answer::dialog(QDialog::Accepted, [](QDialog &d) {
      auto *prompt = qobject_cast<TZipPasswordDlg *>(&d);
      ASSERT_NE(prompt, nullptr);
      prompt->e_Password->setText("right");
    }));
    ASSERT_TRUE(OpenCardsFile(host, file, -1)) << ui.messageTexts().join('|').toStdString();
    ASSERT_TRUE(ui.allAnswered());
    EXPECT_EQ(ZipArchiver().Password(), "right");
    addCard("Added", "more");
    FileModified = true;
    ASSERT_TRUE(FileSave(host));

    // The outside tool agrees: the saved file opens with the right password only.
    QByteArray out;
    EXPECT_EQ(ziptest::run("unzip", {"-t", "-P", "right", file}, dir, &out), 0) << out.constData();
    EXPECT_NE(ziptest::run("unzip", {"-t", "-P", typo, file}, dir, &out), 0) << out.constData();
    FileNew(host);
    ui.clear();
    ui.answer(typePassword("right"));
    ASSERT_TRUE(OpenCardsFile(host, file, -1));
    EXPECT_EQ(AllCards.Count(), 2);
    EXPECT_EQ(bodyOf("Added"), "more");
    FileNew(host);
  }
}

// A file that is there but cannot be opened is named for what is wrong with
// it, once: never as missing, and a bad checksum in an unprotected file is
// damage, not a wrong password.
TEST_F(FileOpenTest, UnopenableFilesAreNamedForWhatIsWrongOnce) {
  addCard("A", "index and body text");
  const QString good = makeFile("good.qel");
  const QByteArray archive = ziptest::readAll(good);
  // A damaged archive: its end cut off.
  ASSERT_TRUE(ziptest::writeAll(dir + "/cut.qel", archive.left(archive.size() - 10)));
  ASSERT_TRUE(ziptest::writeAll(dir + "/text.qel", "just some text\r\n"));
  // An index whose second line is longer than any field may be.
  ASSERT_TRUE(ziptest::writeAll(
      dir + "/long.qel",
      ziptest::craftArchive({{"long.~i", "<~QEL MORAVINE QEL FILE VERSION~>3\r\n<~TITLE~>" +
                                              QByteArray(kMaxFieldLineBytes + 1, 'x') + "\r\n<~SIZ~>1\r\n\r\n"},
                             {"long.~h", "x"}})));

  struct Case {
    QString file;
    QString message;
  } cases[] = {
      {dir + "/cut.qel", NotCardFileMessage(dir + "/cut.qel", QString())},
      {dir + "/text.qel", NotCardFileMessage(dir + "/text.qel", QString())},
      {dir + "/long.qel", "The file " + dir + "/long.qel is damaged: line 2 of its index is longer than 65536 bytes."},
  };
  for (const Case &c : cases) {
    ScriptedUi ui;
    ui.answerButton(IDOK);
    EXPECT_FALSE(OpenCardsFile(host, c.file, -1));
    ASSERT_EQ(ui.messageTexts().size(), 1) << ui.messageTexts().join('|').toStdString();
    const QString text = ui.messageTexts().front();
    EXPECT_FALSE(text.contains("not found")) << text.toStdString();
    EXPECT_TRUE(text.startsWith("The file " + c.file + " ")) << text.toStdString();
    if (!c.file.endsWith("cut.qel")) {
      EXPECT_EQ(text, c.message);
    }
    if (c.file.endsWith("cut.qel")) {
      EXPECT_TRUE(text.contains("damaged")) << text.toStdString();
    }
  }
}

// A temporary folder too small for a good file's cards: the open names that
// cause and the folder, never damage or a wrong password, and the file and
// the open cards stay as they were.
TEST_F(FileOpenTest, FullTemporaryFolderIsNamedNotTakenForDamage) {
  const QString mnt = dir + "/smalltmp";
  ASSERT_TRUE(QDir().mkpath(mnt));
  QByteArray out;
  const bool mounted = ziptest::run("mount", {"-t", "tmpfs", "-o", "size=4m", "tmpfs", mnt}, dir, &out) == 0;
  const QByteArray tmpdir = qgetenv("TMPDIR");
  struct Restore {
    QString mnt;
    bool mounted;
    QByteArray tmpdir;
    ~Restore() {
      qputenv("TMPDIR", tmpdir);
      if (mounted) ziptest::run("umount", {mnt}, QDir::rootPath());
    }
  } restore{mnt, mounted, tmpdir};
  if (!mounted) GTEST_SKIP() << "no tmpfs can be mounted here: " << out.constData();

  // An index of several megabytes, plain and protected.
  for (int i = 0; i < 30000; ++i) addCard(QStringLiteral("Card %1 ").arg(i) + QString(100, 't'), "b");
  ASSERT_TRUE(SaveCardsFile(host, dir + "/many.qel"));
  ZipArchiver().SetPassword("pw");
  ASSERT_TRUE(SaveCardsFile(host, dir + "/locked.qel"));
  FileNew(host);
  // Megabytes of bodies that do not compress, as a version-3 and a 2.x file.
  QByteArray noise(6 << 20, Qt::Uninitialized);
  QRandomGenerator(7).fillRange(reinterpret_cast<quint32 *>(noise.data()), noise.size() / 4);
  addCard("Noise", noise.toBase64());
  ASSERT_TRUE(SaveCardsFile(host, dir + "/bodies.qel"));
  {
    ScriptedUi exporting;
    exporting.answer(Answer::saveFile(dir + "/old.qel"));
    ASSERT_TRUE(ExportVersion2File(host));
  }
  FileNew(host);
  addCard("Mine", "mine");

  qputenv("TMPDIR", QFile::encodeName(mnt));
  const QString temp = TempFolderPath();
  ASSERT_TRUE(temp.startsWith(mnt)) << temp.toStdString();
  for (const char *name : {"many.qel", "locked.qel", "bodies.qel", "old.qel"}) {
    const QString file = dir + "/" + name;
    SCOPED_TRACE(name);
    const QByteArray before = ziptest::readAll(file);
    ScriptedUi ui;
    if (QByteArray(name) == "locked.qel") ui.answer(typePassword("pw"));
    ui.answerButton(IDOK);
    EXPECT_FALSE(OpenCardsFile(host, file, -1));
    EXPECT_EQ(ui.messageTexts(), QStringList{"The file " + file + " cannot be opened: its cards do not fit into the "
                                             "temporary folder " + temp + " (No space left on device)."});
    EXPECT_EQ(ziptest::readAll(file), before);
    EXPECT_EQ(CurrentFileName, "NEW.QEL");
    EXPECT_EQ(bodyOf("Mine"), "mine");
    EXPECT_EQ(QDir(temp).entryList({"open-*"}, QDir::Dirs | QDir::Hidden), QStringList());
  }
  // With room again the same file opens.
  qputenv("TMPDIR", tmpdir);
  ScriptedUi ui;
  ASSERT_TRUE(OpenCardsFile(host, dir + "/bodies.qel", -1)) << ui.messageTexts().join('|').toStdString();
  EXPECT_EQ(bodyOf("Noise").size(), noise.toBase64().size());
}

TEST_F(FileOpenTest, MergeWithEachRuleKeepsProtectionOfOpenFile) {
  addCard("Same", "newer", 20);
  addCard("Theirs", "theirs", 1);
  const QString other = makeFile("other.qel", "theirpw");

  struct Case { int mode; int count; const char *same; };
  const Case cases[] = {{0, 3, "newer"}, {1, 3, "newer"}, {2, 3, "older"}, {3, 4, "older"}};
  for (const Case &c : cases) {
    ClearCards(AllCards);
    ResetBodyFile();
    addCard("Same", "older", 10);
    addCard("Mine", "mine", 1);
    ZipArchiver().SetPassword("mine");
    ZipArchiver().AddOptions = {AddEncrypt};
    FileModified = false;

    ScriptedUi ui;
    ui.answer(Answer::openFile(other));
    ui.answer(Answer::dialog(QDialog::Accepted, [&](QDialog &d) {
      auto *dlg = qobject_cast<Tdlg_Merge *>(&d);
      ASSERT_NE(dlg, nullptr);
      EXPECT_EQ(dlg->ItemIndex(), 0);
      dlg->SetItemIndex(c.mode);
    }));
    ui.answer(typePassword("theirpw"));
    ASSERT_TRUE(FileMerge(host)) << c.mode;
    EXPECT_EQ(ui.prompts().front().caption, "Merge");
    EXPECT_EQ(AllCards.Count(), c.count) << c.mode;
    EXPECT_EQ(bodyOf("Same"), c.same) << c.mode;
    EXPECT_EQ(bodyOf("Theirs"), "theirs") << c.mode;
    EXPECT_TRUE(FileModified);
    EXPECT_EQ(CurrentFileName, "NEW.QEL");
    EXPECT_EQ(ZipArchiver().Password(), "mine");
  }
}

TEST_F(FileOpenTest, MergeCancelledInOptionsDialogChangesNothing) {
  addCard("A", "a");
  const QString other = makeFile("o.qel");
  ScriptedUi ui;
  ui.answer(Answer::openFile(other));
  ui.answer(Answer::dialog(QDialog::Rejected));
  EXPECT_FALSE(FileMerge(host));
  EXPECT_EQ(AllCards.Count(), 0);
  EXPECT_FALSE(FileModified);
}

TEST_F(FileOpenTest, NewDropsCardsAndPassword) {
  addCard("A", "a");
  ZipArchiver().SetPassword("pw");
  ZipArchiver().AddOptions = {AddEncrypt};
  CurrentFileName = dir + "/x.qel";
  ResetBodyFile();
  FileModified = false;
  FileNew(host);
  EXPECT_EQ(AllCards.Count(), 0);
  EXPECT_EQ(CurrentFileName, "NEW.QEL");
  EXPECT_TRUE(ZipArchiver().Password().isEmpty());
  EXPECT_FALSE(ZipArchiver().AddOptions.contains(AddEncrypt));
  EXPECT_EQ(host.caption, "NEW - Qel Moravine");
  EXPECT_EQ(host.filterClears, 1);
  EXPECT_TRUE(CurrentBodyFile().exists());
}

TEST_F(FileOpenTest, ReadOnlyOpenIsNeverWritten) {
  addCard("A", "a");
  const QString path = makeFile("ro.qel");
  const QByteArray before = ziptest::readAll(path);
  ScriptedUi ui;
  ui.answer(Answer::openFile(path, true));
  ASSERT_TRUE(FileOpen(host));
  EXPECT_TRUE(host.caption.endsWith(" - Read Only"));
  EXPECT_TRUE(CurrentFileIsReadOnly());

  addCard("B", "b");
  FileModified = true;
  ui.answer(Answer::cancel(PromptKind::SaveFile));  // Save goes to Save As
  EXPECT_FALSE(FileSave(host));
  EXPECT_EQ(ui.prompts().back().kind, PromptKind::SaveFile);
  // Choosing the same name in Save As is refused too.
  ui.answer(Answer::saveFile(path)).answerButton(IDOK);
  EXPECT_FALSE(FileSave(host));
  EXPECT_EQ(ziptest::readAll(path), before);
  EXPECT_TRUE(FileModified);
}

TEST_F(FileOpenTest, ExclusiveOpenLocksOrMovesToNewName) {
  addCard("A", "a");
  const QString path = makeFile("ex.qel");
  options->ExclusiveOpen = true;
  ASSERT_TRUE(OpenCardsFile(host, path, -1));
  EXPECT_EQ(LockedDataFile(), path);
  EXPECT_TRUE(IsFileInUse(path));

  // Another program holds the file: the cards are kept under a NEW name.
  const QString path2 = dir + "/ex2.qel";
  ASSERT_TRUE(QFile::copy(path, path2));
  const int fd = ::open(QFile::encodeName(path2).constData(), O_RDONLY);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::flock(fd, LOCK_SH), 0);
  ScriptedUi ui;
  ui.answerButton(IDOK);
  ASSERT_TRUE(OpenCardsFile(host, path2, -1));
  ::close(fd);
  ASSERT_EQ(ui.messageTexts().size(), 1);
  EXPECT_EQ(ui.messageTexts().first(),
            "\"ex2.qel\" is read only,\ror somebody else in network has opened it.\rThe cards will be copied to NEW.QEL file.");
  EXPECT_EQ(CurrentFileName, "NEW.QEL");
  EXPECT_TRUE(FileModified);
  EXPECT_EQ(bodyOf("A"), "a");
  EXPECT_TRUE(LockedDataFile().isEmpty());
}
