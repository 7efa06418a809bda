// The installer: steps into a temporary home with its own desktop folders,
// judged by the desktop's own tools (desktop-file-validate, gio, xdg-mime),
// failures named, and the uninstaller leaving everything as it was.

#include "platform/registry.h"
#include "settings/registry2000.h"
#include "setup/embeddedsource.h"
#include "setup/fsplash.h"
#include "setup/install.h"
#include "setup/installer.h"
#include "setup/manifest.h"
#include "setup/setup_main.h"
#include "setup/uninstaller.h"
#include "tests/support/scriptedui.h"
#include "tests/support/testenv.h"

#include <QApplication>
#include <QBuffer>
#include <QCursor>
#include <QPointer>
#include <QCheckBox>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMap>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTest>
#include <QUrl>
#include <gtest/gtest.h>

#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace qel;

namespace {

QByteArray readFile(const QString &path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeFile(const QString &path, const QByteArray &bytes) {
  QDir().mkpath(QFileInfo(path).absolutePath());
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
  f.write(bytes);
}

struct ToolRun {
  int code = -1;
  QString out;
};

ToolRun run(const QString &program, const QStringList &args, const QString &cwd = QString()) {
  QProcess p;
  p.setProcessChannelMode(QProcess::MergedChannels);
  if (!cwd.isEmpty()) p.setWorkingDirectory(cwd);
  p.start(program, args);
  ToolRun r;
  if (!p.waitForStarted(10000) || !p.waitForFinished(60000)) return r;
  r.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
  r.out = QString::fromLocal8Bit(p.readAll()).trimmed();
  return r;
}

bool haveTool(const char *name) { return !QStandardPaths::findExecutable(QLatin1String(name)).isEmpty(); }

// Every file and folder under `root` with what each file holds.
QMap<QString, QByteArray> snapshot(const QString &root) {
  QMap<QString, QByteArray> tree;
  QDirIterator it(root, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
  while (it.hasNext()) {
    const QString path = it.next();
    const QString rel = QDir(root).relativeFilePath(path);
    tree.insert(rel, QFileInfo(path).isDir() ? QByteArray("<folder>") : readFile(path));
  }
  return tree;
}

const QString kPayloadExe = QStringLiteral("#!/bin/sh\nexit 0\n");

// The current folder moved to a fresh one while this lives.
struct InFreshFolder {
  const QString previous = QDir::currentPath();
  const QString path;
  const bool entered;
  explicit InFreshFolder(const QString &folder) : path(folder), entered(QDir().mkpath(folder) && QDir::setCurrent(folder)) {}
  ~InFreshFolder() { QDir::setCurrent(previous); }
};

class Installer : public ::testing::Test {
protected:
  void SetUp() override {
    const QString name = QString::fromUtf8(::testing::UnitTest::GetInstance()->current_test_info()->name());
    root_ = test::freshDir(QStringLiteral("install-") + name);
    home_ = root_ + "/home";
    QDir().mkpath(home_);
    const char *names[] = {"HOME", "XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_DATA_DIRS"};
    for (int i = 0; i < 4; ++i) saved_[i] = qgetenv(names[i]);
    ::setenv("HOME", QFile::encodeName(home_).constData(), 1);
    ::setenv("XDG_DATA_HOME", QFile::encodeName(home_ + "/.local/share").constData(), 1);
    ::setenv("XDG_CONFIG_HOME", QFile::encodeName(home_ + "/.config").constData(), 1);
    makePayload();
  }
  void TearDown() override {
    const char *names[] = {"HOME", "XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_DATA_DIRS"};
    for (int i = 0; i < 4; ++i) {
      if (saved_[i].isNull()) ::unsetenv(names[i]);
      else ::setenv(names[i], saved_[i].constData(), 1);
    }
  }

  // The program folder's files as the installer's archive carries them.
  void makePayload() {
    const QString files = root_ + "/payload";
    writeFile(files + "/qel-moravine", kPayloadExe.toUtf8());
    QFile::setPermissions(files + "/qel-moravine", QFile::permissions(files + "/qel-moravine") | QFile::ExeOwner);
    writeFile(files + "/uninstall", kPayloadExe.toUtf8());
    writeFile(files + "/readme.txt", "Read me.\n");
    writeFile(files + "/help/index.html", "<html><body>Help</body></html>\n");
    ASSERT_TRUE(QFile::copy(QStringLiteral(QEL_PROGRAM_DIR "/sample.qel"), files + "/sample.qel"));
    archive_ = root_ + "/payload.zip";
    const ToolRun zip = run("zip", {"-q", "-r", "-X", archive_, "."}, files);
    ASSERT_EQ(zip.code, 0) << zip.out.toStdString();
  }

  TFileInstallSource source() const {
    return TFileInstallSource(QStringLiteral(QEL_PROGRAM_DIR "/libzipdll.so"), QStringLiteral(QEL_PROGRAM_DIR "/libunzdll.so"),
                              archive_);
  }

  QString hiveValue(const QString &key, const QString &name) { return InstallRegReadStr(HKEY_LOCAL_MACHINE, key, name); }
  QString dataHome() const { return home_ + "/.local/share"; }
  QString menuEntry() const { return dataHome() + "/applications/qel-moravine.desktop"; }
  QString desktopCopy() const { return home_ + "/Desktop/qel-moravine.desktop"; }
  QString mimePackage() const { return dataHome() + "/mime/packages/qel-moravine.xml"; }

  // Installs through the dialog, as the user does; returns what was asked.
  std::vector<Prompt> installWithDialog(IInstallSource &src, const QString &dir, bool associate, bool menu, bool desktop,
                                        bool runAfter, const QStringList &args = {}) {
    test::ScriptedUi ui;
    TForm1 form(src, args);
    form.FormShow();
    form.e_Dir->setText(dir);
    form.chb_Associate->setChecked(associate);
    form.chb_StartMenu->setChecked(menu);
    form.chb_Desktop->setChecked(desktop);
    form.chb_Run->setChecked(runAfter);
    ui.answerButton(IDOK);
    if (runAfter) ui.answer(test::Answer::accept(PromptKind::StartProgram));
    form.b_InstallClick();
    return ui.prompts();
  }

  QString root_, home_, archive_;
  QByteArray saved_[4];
};

TEST_F(Installer, EveryOptionCombinationRegistersWhatTheDesktopsToolsAccept) {
  for (const char *tool : {"desktop-file-validate", "gio", "xdg-mime", "update-mime-database"})
    if (!haveTool(tool))
      GTEST_SKIP() << tool << " is not installed (scripts/install-deps.sh installs desktop-file-utils, "
                              "libglib2.0-bin, xdg-utils and shared-mime-info)";
  // A folder name the Exec line has to quote and escape.
  const QString dir = root_ + "/Programs/Qel \"Card\" 100% $HOME `x` back\\slash";
  for (int combo = 0; combo < 8; ++combo) {
    const bool associate = combo & 1, menu = combo & 2, desktop = combo & 4;
    SCOPED_TRACE(QStringLiteral("associate %1 menu %2 desktop %3").arg(associate).arg(menu).arg(desktop).toStdString());
    QDir(home_).removeRecursively();
    QDir().mkpath(home_);
    TFileInstallSource src = source();
    const std::vector<Prompt> asked = installWithDialog(src, dir, associate, menu, desktop, true);
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_EQ(asked[0].text, "Qel Moravine installed.");
    // Run gets the program from App Paths and exactly one argument, unquoted.
    EXPECT_EQ(asked[1].kind, PromptKind::StartProgram);
    EXPECT_EQ(asked[1].detail, dir + "/qel-moravine");
    EXPECT_EQ(asked[1].arguments, QStringList{dir + "/sample.qel"});

    // The hive holds the application path and the uninstall entry.
    EXPECT_EQ(hiveValue(kAppPathsExeKeyName, ""), dir + "/qel-moravine");
    EXPECT_EQ(hiveValue(kAppPathsExeKeyName, "Path"), dir);
    EXPECT_EQ(hiveValue(kUninstallKeyName, "DisplayName"), "Qel Moravine");
    EXPECT_EQ(hiveValue(kUninstallKeyName, "UninstallString"), dir + "/uninstall");
    EXPECT_TRUE(QFileInfo(dir + "/uninstall").isFile());
    EXPECT_TRUE(QFileInfo(dir + "/help/index.html").isFile());
    EXPECT_TRUE(QFileInfo(dir + "/libunzdll.so").isFile());
    EXPECT_TRUE(QFileInfo(dataHome() + "/icons/hicolor/48x48/apps/qel-moravine.png").isFile());

    EXPECT_EQ(QFileInfo::exists(menuEntry()), menu || associate);
    if (QFileInfo::exists(menuEntry())) {
      const ToolRun v = run("desktop-file-validate", {menuEntry()});
      EXPECT_EQ(v.code, 0) << v.out.toStdString();
      EXPECT_EQ(readFile(menuEntry()).contains("NoDisplay=true"), !menu);
    }
    EXPECT_EQ(QFileInfo::exists(desktopCopy()), desktop);
    if (desktop) {
      const ToolRun v = run("desktop-file-validate", {desktopCopy()});
      EXPECT_EQ(v.code, 0) << v.out.toStdString();
      EXPECT_TRUE(QFileInfo(desktopCopy()).permissions() & QFile::ExeOwner);
    }

    if (associate) {
      const ToolRun type = run("gio", {"info", "-a", "standard::content-type", dir + "/sample.qel"});
      EXPECT_TRUE(type.out.contains("application/x-qel-moravine")) << type.out.toStdString();
      const ToolRun handler = run("xdg-mime", {"query", "default", "application/x-qel-moravine"});
      EXPECT_EQ(handler.out, "qel-moravine.desktop");
      EXPECT_TRUE(QFileInfo(dataHome() + "/icons/hicolor/256x256/mimetypes/application-x-qel-moravine.png").isFile());
    } else {
      EXPECT_FALSE(QFileInfo::exists(dataHome() + "/mime")) << "no MIME file without the association";
      EXPECT_FALSE(readFile(home_ + "/.config/mimeapps.list").contains("qel-moravine"));
    }
  }
}

TEST_F(Installer, ExecArgumentsAndStringValuesAreEscapedAsTheDesktopEntryFormatAsks) {
  const struct {
    const char *in, *quoted;
  } cases[] = {
      {"/opt/q/qel-moravine", "\"/opt/q/qel-moravine\""},
      {"/a b/c", "\"/a b/c\""},
      {"/x\"y", "\"/x\\\"y\""},
      {"/$HOME/`id`", "\"/\\$HOME/\\`id\\`\""},
      {"/100%/f", "\"/100%%/f\""},
      {"/back\\slash", "\"/back\\\\slash\""},
  };
  for (const auto &c : cases) EXPECT_EQ(DesktopExecArgument(QString::fromUtf8(c.in)), QString::fromUtf8(c.quoted)) << c.in;
  // The value level doubles backslashes once more and keeps lines whole.
  EXPECT_EQ(DesktopStringValue("\"/back\\\\slash\""), "\"/back\\\\\\\\slash\"");
  EXPECT_EQ(DesktopStringValue("a\nb\tc"), "a\\nb\\tc");
  EXPECT_EQ(DesktopStringValue(" lead"), "\\slead");
}

TEST_F(Installer, StartedWithAnArgumentRunsTheProgramOnItAndDisablesTheRunBox) {
  TFileInstallSource src = source();
  test::ScriptedUi ui;
  TForm1 form(src, {"/cards/my file.qel"});
  form.FormShow();
  EXPECT_FALSE(form.chb_Run->isEnabled());
  EXPECT_TRUE(form.chb_Run->isChecked());
  form.e_Dir->setText(root_ + "/dest");
  ui.answerButton(IDOK).answer(test::Answer::accept(PromptKind::StartProgram));
  EXPECT_TRUE(form.b_InstallClick());
  ASSERT_EQ(ui.prompts().size(), 2u);
  EXPECT_EQ(ui.prompts()[1].arguments, QStringList{"/cards/my file.qel"});
}

TEST_F(Installer, TheDialogShowsTheRealSizeAndTheDefaultFolder) {
  TFileInstallSource src = source();
  test::ScriptedUi ui;
  TForm1 form(src, {});
  form.FormShow();
  const qint64 size = InstallSourceSize(src);
  ASSERT_GT(size, QFileInfo(QStringLiteral(QEL_PROGRAM_DIR "/libunzdll.so")).size());
  EXPECT_TRUE(form.Label1->text().contains(QStringLiteral("Disk space required: %1 MB").arg((size + 1048575) / 1048576)))
      << form.Label1->text().toStdString();
  EXPECT_EQ(form.e_Dir->text(), home_ + "/.local/opt/Qel Moravine");
  EXPECT_TRUE(form.chb_Run->isEnabled());
  EXPECT_EQ(form.windowTitle(), "Qel Moravine One Step Install");
  // The installation is the user's own: no advice to log in as administrator.
  EXPECT_TRUE(form.Label2->text().contains("for you alone")) << form.Label2->text().toStdString();
  EXPECT_FALSE(form.windowIcon().isNull());

  // After an installation the next one offers its folder.
  const QString dir = root_ + "/there";
  installWithDialog(src, dir, false, false, false, false);
  EXPECT_EQ(GetDefaultInstallDir(), dir);
}

TEST_F(Installer, ReadMeOpensTheCurrentFoldersCopyElseThePayloadsElseSaysItIsMissing) {
  const InFreshFolder cwd(root_ + "/cwd");
  ASSERT_TRUE(cwd.entered);
  const QString &here = cwd.path;
  TFileInstallSource src = source();
  test::ScriptedUi ui;
  TForm1 form(src, {});
  ui.answer(test::Answer::button(IDOK));
  form.b_ReadMeClick();  // neither copy
  writeFile(root_ + "/payload-readme.txt", "payload's");
  src.SetReadMeFile(root_ + "/payload-readme.txt");
  ui.answer(test::Answer::accept(PromptKind::OpenUrl));
  form.b_ReadMeClick();
  writeFile(here + "/readme.txt", "here");
  ui.answer(test::Answer::accept(PromptKind::OpenUrl));
  form.b_ReadMeClick();
  ASSERT_EQ(ui.prompts().size(), 3u);
  EXPECT_EQ(ui.prompts()[0].text, "File readme.txt not found.\nIf you are runing program from zip file, extract it at first.");
  EXPECT_EQ(ui.prompts()[0].flags & MB_ICONMASK, MB_ICONWARNING);
  EXPECT_EQ(ui.prompts()[1].detail, QUrl::fromLocalFile(root_ + "/payload-readme.txt").toString());
  EXPECT_EQ(ui.prompts()[2].detail, QUrl::fromLocalFile(here + "/readme.txt").toString());
}

// Enter presses the button that has the focus; a prompt that comes while the
// dialog is not active (a failed hand-off to the desktop) belongs to it, so
// it is modal to it and typing cannot reach the folder box.
TEST_F(Installer, EnterPressesTheFocusedButtonAndLatePromptsBelongToTheDialog) {
  const InFreshFolder cwd(root_ + "/empty-cwd");
  ASSERT_TRUE(cwd.entered);
  TFileInstallSource src = source();
  test::ScriptedUi ui;
  TForm1 form(src, {});
  form.show();
  form.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
  form.b_ReadMe->setFocus();
  ui.answer(test::Answer::button(IDOK));
  QTest::keyClick(form.b_ReadMe, Qt::Key_Return);
  ASSERT_EQ(ui.prompts().size(), 1u);
  EXPECT_TRUE(ui.prompts()[0].text.startsWith("File readme.txt not found."));

  QApplication::setActiveWindow(nullptr);
  ASSERT_EQ(QApplication::activeWindow(), nullptr);
  EXPECT_EQ(PromptParent(), &form);
  form.hide();
}

TEST_F(Installer, ARelativeDestinationIsMadeAbsoluteAndAnEmptyOneIsRefused) {
  QString error;
  EXPECT_EQ(ResolveInstallDir("rel/dir/", error), QDir::cleanPath(QDir::currentPath() + "/rel/dir"));
  EXPECT_EQ(ResolveInstallDir("/a//b/", error), "/a/b");
  EXPECT_EQ(ResolveInstallDir("~/x", error), home_ + "/x");
  EXPECT_TRUE(ResolveInstallDir("  ", error).isEmpty());
  EXPECT_FALSE(error.isEmpty());

  TFileInstallSource src = source();
  test::ScriptedUi ui;
  TForm1 form(src, {});
  form.FormShow();
  form.e_Dir->clear();
  ui.answerButton(IDOK);
  EXPECT_FALSE(form.b_InstallClick());
  ASSERT_EQ(ui.prompts().size(), 1u);
  EXPECT_NE(ui.prompts()[0].text, "Qel Moravine installed.");
  EXPECT_TRUE(InstallRegReadStr(HKEY_LOCAL_MACHINE, kAppPathsExeKeyName, "").isEmpty());
}

TEST_F(Installer, AFailedStepIsNamedAndNothingAfterItRunsNorIsSuccessReported) {
  // A damaged archive: the bytes of a stored entry changed (the check sum fails).
  const ToolRun stored = run("zip", {"-q", "-0", "-r", "-X", root_ + "/stored.zip", "."}, root_ + "/payload");
  ASSERT_EQ(stored.code, 0) << stored.out.toStdString();
  QByteArray zip = readFile(root_ + "/stored.zip");
  const qsizetype at = zip.indexOf("Help</body>");
  ASSERT_GT(at, 0);
  zip[at] = 'X';
  writeFile(root_ + "/damaged-entry.zip", zip);
  writeFile(root_ + "/not-a-zip.zip", QByteArray(4096, 'z'));
  writeFile(root_ + "/a-file", "in the way");

  const struct {
    const char *what;
    QString zipEngine, archive, dir, step;
  } cases[] = {
      {"a file where the folder must go", QEL_PROGRAM_DIR "/libzipdll.so", archive_, root_ + "/a-file/dest",
       "Creating the folder"},
      {"a missing engine", root_ + "/missing.so", archive_, root_ + "/d1", "Reading the installer's files"},
      {"an engine that is no library", root_ + "/a-file", archive_, root_ + "/d2", "Extracting the program files"},
      {"an archive that is no ZIP", QEL_PROGRAM_DIR "/libzipdll.so", root_ + "/not-a-zip.zip", root_ + "/d3",
       "Extracting the program files"},
      {"a damaged entry", QEL_PROGRAM_DIR "/libzipdll.so", root_ + "/damaged-entry.zip", root_ + "/d4",
       "Extracting the program files"},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.what);
    // The unzip engine is the one the extraction loads: break that one for the library case.
    const bool badUnz = QString::fromUtf8(c.what).contains("no library");
    TFileInstallSource src(badUnz ? QStringLiteral(QEL_PROGRAM_DIR "/libzipdll.so") : c.zipEngine,
                           badUnz ? c.zipEngine : QStringLiteral(QEL_PROGRAM_DIR "/libunzdll.so"), c.archive);
    const std::vector<Prompt> asked = installWithDialog(src, c.dir, true, true, true, false);
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].flags & MB_ICONMASK, MB_ICONERROR);
    EXPECT_TRUE(asked[0].text.contains(c.step)) << asked[0].text.toStdString();
    EXPECT_TRUE(asked[0].text.startsWith("Qel Moravine was not installed.")) << asked[0].text.toStdString();
    // Nothing after the failed step: no registration, no menu entry.
    EXPECT_TRUE(hiveValue(kAppPathsExeKeyName, "").isEmpty());
    EXPECT_FALSE(QFileInfo::exists(menuEntry()));
  }
}

TEST_F(Installer, AFailedRegistrationStepIsNamedAndWhatWasPlacedCanBeRemoved) {
  const struct {
    const char *blocker, *step;
  } cases[] = {
      {"/.local/share/qel-moravine", "Registering Qel Moravine"},
      {"/.local/share/icons", "Installing the icons"},
      {"/.local/share/applications", "Creating the menu entry"},
      {"/.local/share/mime", "Associating *.qel files with Qel Moravine"},
      {"/Desktop", "Placing Qel Moravine on the desktop"},
  };
  const QString dir = root_ + "/prog";
  for (const auto &c : cases) {
    SCOPED_TRACE(c.blocker);
    QDir(home_).removeRecursively();
    QDir(dir).removeRecursively();
    QDir().mkpath(home_);
    writeFile(home_ + c.blocker, "a file where a folder must go");
    const QMap<QString, QByteArray> before = snapshot(home_);
    TFileInstallSource src = source();
    const std::vector<Prompt> asked = installWithDialog(src, dir, true, true, true, true);
    ASSERT_EQ(asked.size(), 1u) << "no success message, no start";
    EXPECT_EQ(asked[0].flags & MB_ICONMASK, MB_ICONERROR);
    EXPECT_TRUE(asked[0].text.startsWith("Qel Moravine was not installed.")) << asked[0].text.toStdString();
    EXPECT_TRUE(asked[0].text.contains(QStringLiteral("This step failed: ") + c.step)) << asked[0].text.toStdString();

    // The list of what was placed up to the failure is there to undo it.
    TInstallManifest manifest;
    QString error;
    ASSERT_TRUE(TInstallManifest::load(dir + "/uninstall.manifest", manifest, error)) << error.toStdString();
    const TUninstallResult result = UninstallFromManifest(manifest, dir + "/uninstall.manifest");
    EXPECT_TRUE(result.errors.isEmpty()) << result.errors.join("\n").toStdString();
    EXPECT_FALSE(QFileInfo::exists(dir));
    EXPECT_EQ(QStringList(snapshot(home_).keys()).join('\n').toStdString(), QStringList(before.keys()).join('\n').toStdString());
  }
}

TEST_F(Installer, ADamagedPayloadAtRunTimeFailsTheFirstStep) {
  struct Broken : IInstallSource {
    QString ZipEngineFile() override { throw std::runtime_error("The installer's data is damaged."); }
    QString UnzEngineFile() override { return QString(); }
    QString ArchiveFile() override { return QString(); }
  } broken;
  const std::vector<Prompt> asked = installWithDialog(broken, root_ + "/dest", true, true, false, true);
  ASSERT_EQ(asked.size(), 1u);  // no success, no start
  EXPECT_TRUE(asked[0].text.contains("Reading the installer's files")) << asked[0].text.toStdString();
  EXPECT_TRUE(asked[0].text.contains("damaged"));
  EXPECT_FALSE(QFileInfo::exists(root_ + "/dest"));
}

TEST_F(Installer, TheEmbeddedPayloadInstallsAndADamagedOneNamesTheStep) {
  // "FileData" as the packer writes it, for each of the form's components.
  QMap<QString, QByteArray> data;
  {
    TFileSource zipdll, unzdll, zip, readme;
    TEmbeddedInstallSource::ConfigureComponents(zipdll, unzdll, zip, readme);
    zipdll.SetFileName(QStringLiteral(QEL_PROGRAM_DIR "/libzipdll.so"));
    unzdll.SetFileName(QStringLiteral(QEL_PROGRAM_DIR "/libunzdll.so"));
    zip.SetFileName(archive_);
    readme.SetFileName(root_ + "/payload/readme.txt");
    for (TFileSource *fs : {&zipdll, &unzdll, &zip, &readme}) {
      QBuffer out(&data[fs->DisplayLabel]);
      out.open(QIODevice::WriteOnly);
      fs->WriteFileData(out);
    }
  }
  auto opener = [](const QMap<QString, QByteArray> &payload) {
    return [payload](const QString &label) -> std::unique_ptr<QIODevice> {
      if (!payload.contains(label)) return nullptr;
      auto buffer = std::make_unique<QBuffer>();
      buffer->setData(payload.value(label));
      buffer->open(QIODevice::ReadOnly);
      return buffer;
    };
  };

  TEmbeddedInstallSource good(opener(data));
  EXPECT_EQ(readFile(good.ReadMeFile()), "Read me.\n");
  const std::vector<Prompt> asked = installWithDialog(good, root_ + "/good", true, false, false, false);
  ASSERT_EQ(asked.size(), 1u);
  EXPECT_EQ(asked[0].text, "Qel Moravine installed.");
  EXPECT_EQ(readFile(root_ + "/good/libunzdll.so"), readFile(QStringLiteral(QEL_PROGRAM_DIR "/libunzdll.so")));

  QMap<QString, QByteArray> damaged = data;
  damaged["unzdll"].truncate(damaged["unzdll"].size() / 2);
  QMap<QString, QByteArray> missing = data;
  missing.remove("zip");
  for (const auto &payload : {damaged, missing}) {
    TEmbeddedInstallSource bad(opener(payload));
    const std::vector<Prompt> failed = installWithDialog(bad, root_ + "/bad", true, true, false, true);
    ASSERT_EQ(failed.size(), 1u);  // no success, no start
    EXPECT_TRUE(failed[0].text.contains("Reading the installer's files")) << failed[0].text.toStdString();
    EXPECT_FALSE(QFileInfo::exists(root_ + "/bad"));
  }
}

TEST_F(Installer, TheBuiltInstallerCarriesTheBuiltProgramAndInstallsIt) {
  if (!haveTool("objcopy")) GTEST_SKIP() << "objcopy is not installed (binutils)";
  // The form data as the program carries it, taken out of its own section.
  const QString form = root_ + "/setup.form";
  const ToolRun copy = run("objcopy", {"-O", "binary", "--only-section=.qelpayload",
                                       QStringLiteral(QEL_PROGRAM_DIR "/qel-moravine-setup"), form});
  ASSERT_EQ(copy.code, 0) << copy.out.toStdString();
  TEmbeddedInstallSource src(readFile(form));
  EXPECT_EQ(readFile(src.ReadMeFile()), readFile(QStringLiteral(QEL_SETUP_README)));

  const QString dir = root_ + "/Qel Moravine";
  const std::vector<Prompt> asked = installWithDialog(src, dir, true, true, false, true);
  ASSERT_EQ(asked.size(), 2u);
  EXPECT_EQ(asked[0].text, "Qel Moravine installed.");
  EXPECT_EQ(asked[1].detail, dir + "/qel-moravine");
  EXPECT_EQ(asked[1].arguments, QStringList{dir + "/sample.qel"});
  for (const char *name : {"qel-moravine", "uninstall", "libzipdll.so", "libunzdll.so", "sample.qel", "readme.txt"}) {
    SCOPED_TRACE(name);
    const QByteArray built = readFile(QStringLiteral(QEL_PROGRAM_DIR "/") + name);
    ASSERT_FALSE(built.isEmpty());
    EXPECT_EQ(readFile(dir + "/" + name), built);
  }
  EXPECT_TRUE(QFileInfo(dir + "/qel-moravine").isExecutable());
  EXPECT_TRUE(QFileInfo(dir + "/uninstall").isExecutable());
  EXPECT_FALSE(QDir(dir + "/help").isEmpty());
  EXPECT_TRUE(QFileInfo(dir + "/uninstall.manifest").isFile());

  // One byte changed anywhere in the form fails the first step, for every file.
  QByteArray damaged = readFile(form);
  damaged[damaged.size() / 2] = char(damaged[damaged.size() / 2] ^ 0x20);
  TEmbeddedInstallSource bad(damaged);
  const std::vector<Prompt> failed = installWithDialog(bad, root_ + "/bad", true, true, false, true);
  ASSERT_EQ(failed.size(), 1u);
  EXPECT_TRUE(failed[0].text.contains("This step failed: Reading the installer's files")) << failed[0].text.toStdString();
  EXPECT_FALSE(QFileInfo::exists(root_ + "/bad"));
  EXPECT_THROW(bad.ReadMeFile(), std::runtime_error);
}

TEST_F(Installer, TheSplashStaysWhileTheDialogReadsThePayloadAndGoesOnceItIsShown) {
  // The payload is read in the dialog's show handling; the splash is up then.
  struct Watching : TFileInstallSource {
    using TFileInstallSource::TFileInstallSource;
    QPointer<QWidget> splash;
    int reads = 0, readsUnderSplash = 0;
    QString ZipEngineFile() override {
      ++reads;
      if (splash && splash->isVisible()) ++readsUnderSplash;
      return TFileInstallSource::ZipEngineFile();
    }
  } src(QStringLiteral(QEL_PROGRAM_DIR "/libzipdll.so"), QStringLiteral(QEL_PROGRAM_DIR "/libunzdll.so"), archive_);
  QPointer<Tf_splash> splash = ShowSplash();
  ASSERT_TRUE(splash && splash->isVisible());
  ASSERT_NE(QApplication::overrideCursor(), nullptr);
  EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
  src.splash = splash.data();
  {
    TForm1 form(src, {});
    splash->CloseWhenActive(&form);
    form.show();
    EXPECT_GT(src.reads, 0);
    EXPECT_EQ(src.readsUnderSplash, src.reads);
    for (int i = 0; i < 20 && splash; ++i) {
      QCoreApplication::processEvents();
      QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    EXPECT_TRUE(splash.isNull()) << "the splash goes once the dialog is up";
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  }
  while (QApplication::overrideCursor()) QApplication::restoreOverrideCursor();
}

TEST_F(Installer, InstallingTwiceReplacesEachFileAndUninstallLeavesEverythingAsBefore) {
  for (const bool fresh : {true, false}) {
    SCOPED_TRACE(fresh ? "a fresh home" : "a home with the user's own things");
    QDir(home_).removeRecursively();
    QDir().mkpath(home_);
    if (!fresh) {
      // Another program's default, another menu entry, an unrelated value in the hive.
      writeFile(home_ + "/.config/mimeapps.list", "[Default Applications]\ntext/plain=editor.desktop;\n");
      writeFile(dataHome() + "/applications/editor.desktop", "[Desktop Entry]\nType=Application\nName=Editor\nExec=editor\n");
      InstallRegWriteStr(HKEY_LOCAL_MACHINE, "Software\\Other", "Kept", "yes");
    }
    const QMap<QString, QByteArray> before = snapshot(home_);

    const QString dir = root_ + "/opt/Qel Moravine";
    TFileInstallSource src = source();
    ASSERT_EQ(installWithDialog(src, dir, true, true, true, false).size(), 1u);

    // A running instance holds the program, an engine, its card file and the
    // desktop's files open: each must be replaced by a new file, never
    // rewritten under it.
    const QStringList held = {dir + "/qel-moravine", dir + "/libunzdll.so", dir + "/libzipdll.so", dir + "/sample.qel",
                              menuEntry(), desktopCopy(), dataHome() + "/icons/hicolor/48x48/apps/qel-moravine.png"};
    struct Held {
      int fd;
      struct stat st;
      QByteArray bytes;
    };
    std::vector<Held> open;
    for (const QString &path : held) {
      Held h{::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC), {}, readFile(path)};
      ASSERT_GE(h.fd, 0) << path.toStdString();
      ASSERT_EQ(::fstat(h.fd, &h.st), 0);
      open.push_back(h);
    }
    writeFile(dir + "/readme.txt", "changed");
    const std::vector<Prompt> second = installWithDialog(src, dir, true, true, true, false);
    ASSERT_EQ(second.size(), 1u);
    EXPECT_EQ(second[0].text, "Qel Moravine installed.");
    EXPECT_EQ(readFile(dir + "/readme.txt"), "Read me.\n");
    for (qsizetype i = 0; i < held.size(); ++i) {
      SCOPED_TRACE(held[i].toStdString());
      struct stat now;
      ASSERT_EQ(::stat(QFile::encodeName(held[i]).constData(), &now), 0);
      EXPECT_NE(now.st_ino, open[i].st.st_ino) << "replaced by a new file";
      struct stat old;
      ASSERT_EQ(::fstat(open[i].fd, &old), 0);
      EXPECT_EQ(old.st_nlink, 0u);
      QByteArray still(open[i].bytes.size(), '\0');
      EXPECT_EQ(::pread(open[i].fd, still.data(), size_t(still.size()), 0), still.size());
      EXPECT_EQ(still, open[i].bytes) << "the old file is whole";
      ::close(open[i].fd);
    }
    if (!fresh) {
      EXPECT_EQ(MimeDefaultOf(readFile(home_ + "/.config/mimeapps.list"), "text/plain"), "editor.desktop");
    }

    TInstallManifest manifest;
    QString error;
    ASSERT_TRUE(TInstallManifest::load(dir + "/uninstall.manifest", manifest, error)) << error.toStdString();
    const TUninstallResult result = UninstallFromManifest(manifest, dir + "/uninstall.manifest");
    EXPECT_TRUE(result.errors.isEmpty()) << result.errors.join("\n").toStdString();
    EXPECT_TRUE(result.kept.isEmpty()) << result.kept.join("\n").toStdString();
    EXPECT_FALSE(QFileInfo::exists(dir)) << "the empty program folder goes";
    EXPECT_FALSE(QFileInfo::exists(root_ + "/opt"));

    // The desktop's folders and the hive, file by file and byte by byte.
    const QMap<QString, QByteArray> after = snapshot(home_);
    EXPECT_EQ(QStringList(after.keys()).join('\n').toStdString(), QStringList(before.keys()).join('\n').toStdString());
    for (auto it = before.constBegin(); it != before.constEnd(); ++it)
      EXPECT_EQ(after.value(it.key()), it.value()) << it.key().toStdString();
  }
}

TEST_F(Installer, UninstallKeepsChangedCardFilesAndWhatOthersChangedSince) {
  const QString dir = root_ + "/prog";
  TFileInstallSource src = source();
  installWithDialog(src, dir, true, true, false, false);
  writeFile(dir + "/sample.qel", "the user's own cards");
  writeFile(dir + "/mine.qel", "another card file");
  // Another installation took the file type's default since.
  writeFile(home_ + "/.config/mimeapps.list", "[Default Applications]\napplication/x-qel-moravine=other.desktop;\n");
  // The program kept its settings.
  {
    TRegistry2000 reg;
    reg.SetRootKey(HKEY_CURRENT_USER);
    ASSERT_TRUE(reg.OpenKeyTolerant("\\Software\\Qel Moravine\\Options", true));
    reg.WriteString("Kept", "yes");
    reg.CloseKey();
  }

  TInstallManifest manifest;
  QString error;
  ASSERT_TRUE(TInstallManifest::load(dir + "/uninstall.manifest", manifest, error));
  const TUninstallResult result = UninstallFromManifest(manifest, dir + "/uninstall.manifest");
  EXPECT_TRUE(result.errors.isEmpty()) << result.errors.join("\n").toStdString();
  EXPECT_EQ(result.kept, QStringList{dir + "/sample.qel"});
  EXPECT_EQ(readFile(dir + "/sample.qel"), "the user's own cards");
  EXPECT_TRUE(QFileInfo::exists(dir + "/mine.qel"));
  EXPECT_FALSE(QFileInfo::exists(dir + "/qel-moravine"));
  EXPECT_FALSE(QFileInfo::exists(dir + "/help"));
  EXPECT_FALSE(QFileInfo::exists(menuEntry()));
  EXPECT_EQ(MimeDefaultOf(readFile(home_ + "/.config/mimeapps.list"), kMimeTypeName), "other.desktop");
  EXPECT_TRUE(InstallRegReadStr(HKEY_LOCAL_MACHINE, kAppPathsExeKeyName, "").isEmpty());
  EXPECT_EQ(InstallRegReadStr(HKEY_CURRENT_USER, "Software\\Qel Moravine\\Options", "Kept"), "yes");
  EXPECT_TRUE(QFileInfo(dir).isDir()) << "a folder holding the user's files stays";
}

TEST(InstallManifest, RoundTripsAndRefusesWhatIsNotOurs) {
  TInstallManifest m;
  m.installDir = "/opt/q";
  m.files.append(TInstallManifest::File{"/opt/q/a b\n\"c\"", "00ff"});
  m.folders = QStringList{"/opt/q"};
  m.addValue("Software\\K", "", "v");
  m.keys = QStringList{"Software", "Software\\K"};
  m.mimeDefaults.append(TInstallManifest::MimeDefault{"/h/.config/mimeapps.list", "x/y", "e.desktop", true, "old.desktop;", false, false});
  m.mimeDatabase = "/h/.local/share/mime";
  m.hiveFile = "/h/.local/share/qel-moravine/hklm.reg";
  TInstallManifest back;
  QString error;
  ASSERT_TRUE(TInstallManifest::fromBytes(m.toBytes(), back, error)) << error.toStdString();
  EXPECT_EQ(back.toBytes(), m.toBytes());

  const char *bad[] = {
      "", "garbage", "[]", "{\"format\":\"x\",\"version\":1,\"files\":[]}",
      "{\"format\":\"qel-moravine-install-manifest\",\"version\":2,\"installDir\":\"/a\",\"files\":[]}",
      "{\"format\":\"qel-moravine-install-manifest\",\"version\":1,\"installDir\":\"/a\",\"files\":[{\"path\":\"rel\",\"sha256\":\"\"}]}",
      "{\"format\":\"qel-moravine-install-manifest\",\"version\":1,\"installDir\":\"/a\",\"files\":[1]}",
      "{\"format\":\"qel-moravine-install-manifest\",\"version\":1,\"installDir\":\"/a\",\"files\":[],\"folders\":\"x\"}",
      "{\"format\":\"qel-moravine-install-manifest\",\"version\":1,\"installDir\":\"/a\",\"files\":[],\"hiveFile\":\"h.reg\"}",
      "{\"format\":\"qel-moravine-install-manifest\",\"version\":1,\"installDir\":\"/a\",\"files\":[],\"hiveFile\":7}",
      "{\"format\":\"qel-moravine-install-manifest\",\"version\":1,\"installDir\":\"/a\",\"files\":[],\"folders\":[\"/home/u\\u0000/x\"]}",
  };
  // A list written before the store was recorded reads as one without it.
  QByteArray older = m.toBytes();
  older.replace("\"hiveFile\"", "\"unknownField\"");
  ASSERT_TRUE(TInstallManifest::fromBytes(older, back, error)) << error.toStdString();
  EXPECT_TRUE(back.hiveFile.isEmpty());
  EXPECT_EQ(back.mimeDatabase, m.mimeDatabase);

  for (const char *b : bad) {
    EXPECT_FALSE(TInstallManifest::fromBytes(b, back, error)) << b;
    EXPECT_FALSE(error.isEmpty());
  }
}

TEST(MimeAppsList, OurLineIsSetAndRemovedAndNoOtherLineChanges) {
  const QByteArray text = "# comment\n[Added Associations]\napplication/x-qel-moravine=x.desktop;\n"
                          "[Default Applications]\ntext/plain=ed.desktop;\n\n[Removed Associations]\n";
  bool had = true, added = true;
  QString previous;
  const QByteArray set = SetMimeDefault(text, "application/x-qel-moravine", "q.desktop", &had, &previous, &added);
  EXPECT_FALSE(had);
  EXPECT_FALSE(added);
  EXPECT_EQ(set, "# comment\n[Added Associations]\napplication/x-qel-moravine=x.desktop;\n"
                 "[Default Applications]\ntext/plain=ed.desktop;\napplication/x-qel-moravine=q.desktop;\n\n"
                 "[Removed Associations]\n");
  EXPECT_EQ(MimeDefaultOf(set, "application/x-qel-moravine"), "q.desktop");
  EXPECT_EQ(SetMimeDefault(set, "application/x-qel-moravine", QString(), &had, &previous), text);
  EXPECT_TRUE(had);
  EXPECT_EQ(previous, "q.desktop;");

  const QByteArray fresh = SetMimeDefault(QByteArray(), "a/b", "q.desktop", &had, &previous, &added);
  EXPECT_EQ(fresh, "[Default Applications]\na/b=q.desktop;\n");
  EXPECT_TRUE(added);
}

} // namespace
