// Binding of the engines, the parameter records and the callback routine,
// against a stand-in engine that records what it receives.

#include "tests/support/scriptedui.h"
#include "tests/support/testenv.h"
#include "tests/zip/fakeengine.h"
#include "tests/zip/ziptestutil.h"
#include "zip/ziparchiver.h"
#include "zip/zippassworddlg.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <gtest/gtest.h>

#include <dlfcn.h>

using namespace qel;
using qel::test::Answer;
using qel::test::ScriptedUi;

namespace {

QString fakeDir(const char *folder) { return QStringLiteral(QEL_FAKE_ENGINE_DIR "/") + QLatin1String(folder); }

// Keeps a stand-in engine loaded for the test, so its recorded state
// outlives the component's own load and unload.
struct FakeEngine {
  void *handle = nullptr;
  FakeEngineState *state = nullptr;
  QString path;
  FakeEngine(const char *folder, const char *file) {
    path = fakeDir(folder) + QLatin1Char('/') + QLatin1String(file);
    handle = dlopen(QFile::encodeName(path).constData(), RTLD_NOW);
    EXPECT_NE(handle, nullptr) << dlerror();
    if (!handle) return;
    auto get = reinterpret_cast<FakeEngineState *(*)()>(dlsym(handle, "FakeEngineStateGet"));
    state = get();
    *state = FakeEngineState{};
  }
  ~FakeEngine() {
    if (handle) dlclose(handle);
  }
};

// An archive with no entries: enough for the component to accept the name.
QString emptyArchive() {
  QString path = qel::test::freshDir("empty") + "/empty.zip";
  QFile f(path);
  f.open(QIODevice::WriteOnly);
  f.write(QByteArray("PK\x05\x06", 4) + QByteArray(18, '\0'));
  return path;
}

FakeCallbackStep step(std::int32_t action, std::int32_t errorCode = 0, std::int64_t size = 0, std::string text = {}) {
  FakeCallbackStep s;
  s.action = action;
  s.errorCode = errorCode;
  s.size = size;
  s.text = std::move(text);
  return s;
}

} // namespace

TEST(ZipBinding, VersionAndEntryPointChecksWithMessages) {
  struct Case {
    const char *name;
    const char *folder;
    bool extract;
    int version;
    bool trace;
    QStringList (*messages)(const QString &path);
    bool runs;
  };
  const Case cases[] = {
    {"good adding engine", "good", false, 170, false, [](const QString &) { return QStringList{}; }, true},
    {"good extracting engine", "good", true, 171, false, [](const QString &) { return QStringList{}; }, true},
    {"trace tells the path", "good", false, 170, true,
     [](const QString &p) { return QStringList{"ZIP DLL Loaded " + p}; }, true},
    {"old adding engine", "good", false, 169, false,
     [](const QString &p) { return QStringList{"Attempted to load old ZipDll from " + p}; }, false},
    {"old extracting engine", "good", true, 150, false,
     [](const QString &p) { return QStringList{"Attempted to load old UnzDll from " + p}; }, false},
    {"version 0", "good", false, 0, false,
     [](const QString &) { return QStringList{"ZIPDLL.DLL not found! unloaded"}; }, false},
    {"no version entry", "noversion", false, 170, false,
     [](const QString &) {
       return QStringList{"GetZipDllVersion function not found in ZIPDLL.DLL!", "ZIPDLL.DLL not found! unloaded"};
     },
     false},
    {"no exec entry", "noexec", true, 170, false,
     [](const QString &) {
       return QStringList{"UnzDllExec function not found in UNZDLL.DLL!", "UNZDLL.DLL not found! unloaded"};
     },
     false},
  };
  const QString archive = emptyArchive();
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    FakeEngine engine(c.folder, c.extract ? "libunzdll.so" : "libzipdll.so");
    ASSERT_NE(engine.state, nullptr);
    engine.state->version = c.version;
    ScriptedUi ui;
    const QStringList expected = c.messages(engine.path);
    for (int i = 0; i < expected.size(); ++i) ui.answerButton(IDOK);
    TZipArchiver zip;
    zip.Trace = c.trace;
    zip.SetDLLDirectory(fakeDir(c.folder) + "/");
    zip.SetZipFileName(archive);
    zip.FSpecArgs() << "a.txt";
    zip.FSpecArgsExcl() << "*.bak";
    if (c.extract) zip.Extract(); else zip.Add();
    EXPECT_EQ(ui.messageTexts(), expected);
    EXPECT_EQ(c.extract ? engine.state->extractCalls : engine.state->addCalls, c.runs ? 1 : 0);
    EXPECT_EQ(zip.SuccessCnt(), c.runs ? 1 : 0);
    EXPECT_TRUE(zip.FSpecArgs().isEmpty());
    EXPECT_TRUE(zip.FSpecArgsExcl().isEmpty());
    EXPECT_FALSE(zip.ZipEngineLoaded() || zip.UnzEngineLoaded()) << "loaded by the operation, unloaded at its end";
  }
}

TEST(ZipBinding, MissingEngineAndSearchOrder) {
  ScriptedUi ui;
  const QString archive = emptyArchive();
  {
    // Neither the given folder nor the program's folder holds an engine.
    ui.answerButton(IDOK);
    TZipArchiver zip;
    zip.SetDLLDirectory(qel::test::freshDir("noengine"));
    zip.SetZipFileName(archive);
    zip.FSpecArgs() << "a.txt";
    zip.Add();
    EXPECT_EQ(ui.messageTexts(), QStringList{"ZIPDLL.DLL not found!"});
    EXPECT_EQ(zip.ErrCode(), 10604);
    EXPECT_TRUE(zip.FSpecArgs().isEmpty());
    ui.answerButton(IDOK);
    zip.Extract();
    EXPECT_EQ(ui.messageTexts().last(), "UNZDLL.DLL not found!");
  }
  {
    // A folder starting with "." is also tried relative to the program's folder.
    FakeEngine engine("good", "libzipdll.so");
    const QString saved = QDir::currentPath();
    QDir::setCurrent(qel::test::freshDir("elsewhere"));
    TZipArchiver zip;
    zip.SetDLLDirectory(QStringLiteral("./fakeengine/good"));
    EXPECT_EQ(zip.LoadZipEngine(), 170);
    EXPECT_EQ(QFileInfo(zip.ZipEnginePath()).canonicalFilePath(), QFileInfo(engine.path).canonicalFilePath());
    // Loaded before an operation: stays loaded after it.
    zip.SetZipFileName(archive);
    zip.FSpecArgs() << "a.txt";
    zip.Add();
    EXPECT_EQ(engine.state->addCalls, 1);
    EXPECT_TRUE(zip.ZipEngineLoaded());
    QDir::setCurrent(saved);
  }
  EXPECT_TRUE(ui.allAnswered());
}

TEST(ZipAdd, FillsTheRecordAndOneEntryPerLine) {
  FakeEngine engine("good", "libzipdll.so");
  TZipArchiver zip;
  zip.Unattended = true;
  zip.SetDLLDirectory(fakeDir("good"));
  const QString archive = emptyArchive();
  zip.SetZipFileName(archive);
  zip.AddStoreSuffixes.remove(assEXE);
  zip.AddOptions = {AddEncrypt, AddRecurseDirs, AddFreshen, AddUpdate, AddFromDate};
  zip.AddFrom = QDate(2024, 3, 9);
  zip.AddCompLevel = 6;
  zip.RootDir = QStringLiteral(".");
  zip.SetPassword(QString(100, QLatin1Char('p')));
  zip.FSpecArgs() << ">sub/*.txt<own" << "|plain.txt<" << "card.~h";
  zip.FSpecArgsExcl() << "*.bak" << "*.tmp";
  engine.state->result = 3;
  zip.Add();
  ASSERT_EQ(engine.state->addCalls, 1);
  const FakeEngineState &s = *engine.state;
  const auto &p = s.add;
  EXPECT_EQ(p.component, &zip);
  EXPECT_EQ(p.window, nullptr);
  EXPECT_EQ(p.version, 170);
  EXPECT_EQ(s.addPassword, std::string(80, 'p')) << "one limit for every password";
  EXPECT_EQ(s.addSuffixes, ".gif:.png:.z:.zip:.zoo:.arc:.lzh:.arj:.taz:.tgz:.lha:.rar:.ace:.cab:.gz:.gzip:.jar");
  EXPECT_EQ(p.encrypt, -1);
  EXPECT_EQ(p.noDirEntries, -1);
  EXPECT_EQ(p.fromDate, -1);
  EXPECT_EQ(p.quiet, -1);
  EXPECT_EQ(p.level, 6);
  EXPECT_EQ(p.junkDirNames, -1);
  EXPECT_EQ(p.recurse, -1);
  EXPECT_EQ(p.grow, -1);
  EXPECT_EQ(p.update, -1);
  EXPECT_EQ(p.freshen, 0) << "freshen is cleared when update is set";
  EXPECT_EQ(std::string(p.date, 8), "03 09 24");
  EXPECT_EQ(p.fileCount, 3);
  EXPECT_EQ(s.addArchive, QFile::encodeName(archive).toStdString());
  EXPECT_TRUE(s.addTempDirNull);
  EXPECT_EQ(p.recycleDeleted, -1);
  EXPECT_EQ(p.wantedCodePage, 0);
  EXPECT_EQ(p.seven, 7);
  EXPECT_EQ(s.addExcludes, (std::vector<std::string>{"*.bak", "*.tmp"}));
  ASSERT_EQ(s.addFiles.size(), 3u);
  const std::string root = QFile::encodeName(QDir::currentPath()).toStdString();
  EXPECT_EQ(s.addFiles[0].spec, "sub/*.txt");
  EXPECT_EQ(s.addFiles[0].password, "own");
  EXPECT_EQ(s.addFiles[0].encrypt, 0xFFFF);
  EXPECT_EQ(s.addFiles[0].recurse, -1);
  EXPECT_EQ(s.addFiles[0].rootDir, root);
  EXPECT_EQ(s.addFiles[1].spec, "plain.txt");
  EXPECT_EQ(s.addFiles[1].encrypt, 0) << "a bare '<' stores the line unencrypted";
  EXPECT_EQ(s.addFiles[1].recurse, 0);
  EXPECT_EQ(s.addFiles[2].spec, "card.~h");
  EXPECT_EQ(s.addFiles[2].password, std::string(80, 'p'));
  EXPECT_EQ(s.addFiles[2].encrypt, -1);
  EXPECT_EQ(zip.SuccessCnt(), 3);
  EXPECT_TRUE(zip.FSpecArgs().isEmpty());
  EXPECT_TRUE(zip.FSpecArgsExcl().isEmpty());
}

TEST(ZipAdd, EveryEarlyReturnReportsAndEmptiesTheLists) {
  FakeEngine engine("good", "libzipdll.so");
  const QString archive = emptyArchive();
  struct Case {
    const char *name;
    std::function<void(TZipArchiver &)> setup;
    int id;
  };
  const Case cases[] = {
    {"nothing to add", [](TZipArchiver &z) { z.FSpecArgs().clear(); }, 10301},
    {"no archive name", [](TZipArchiver &z) { z.SetZipFileName({}); }, 10102},
    {"unattended encrypt without password",
     [](TZipArchiver &z) { z.Unattended = true; z.AddOptions.insert(AddEncrypt); }, 10302},
    {"spanning with update", [](TZipArchiver &z) { z.AddOptions = {AddDiskSpan, AddUpdate}; }, 10303},
    {"engine too old", [](TZipArchiver &z) { z.MinZipDllVers = 171; }, 10605},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    TZipArchiver zip;
    zip.Unattended = true;
    zip.SetDLLDirectory(fakeDir("good"));
    zip.SetZipFileName(archive);
    zip.FSpecArgs() << "a.txt";
    zip.FSpecArgsExcl() << "*.bak";
    zip.Unattended = false;
    c.setup(zip);
    ScriptedUi ui;
    if (!zip.Unattended) ui.answerButton(IDOK);
    zip.Add();
    EXPECT_EQ(zip.ErrCode(), c.id);
    EXPECT_EQ(engine.state->addCalls, 0);
    EXPECT_EQ(zip.SuccessCnt(), 0);
    EXPECT_TRUE(zip.FSpecArgs().isEmpty()) << "a stale line would go into the next archive";
    EXPECT_TRUE(zip.FSpecArgsExcl().isEmpty());
  }
}

TEST(ZipExtract, FillsTheRecord) {
  FakeEngine engine("good", "libunzdll.so");
  const QString archive = emptyArchive();
  TZipArchiver zip;
  zip.SetDLLDirectory(fakeDir("good"));
  zip.Unattended = true;
  zip.SetZipFileName(archive);
  zip.ExtrBaseDir = QStringLiteral("/some/target");
  zip.ExtrOptions = {ExtrOverWrite, ExtrFreshen};
  zip.SetPassword(QStringLiteral("pw"));
  zip.SetPasswordReqCount(40);
  EXPECT_EQ(zip.PasswordReqCount(), 15u);
  zip.FSpecArgs() << "*.*";
  zip.Extract();
  const FakeEngineState &s = *engine.state;
  ASSERT_EQ(s.extractCalls, 1);
  EXPECT_EQ(s.extract.fileCount, 0) << "\"*.*\" asks for every entry";
  const void *files = s.extract.files;  // a copy: the record is packed
  EXPECT_EQ(files, nullptr);
  EXPECT_EQ(s.extractPassword, "pw");
  EXPECT_EQ(s.extractTarget, "/some/target");
  EXPECT_EQ(s.extract.overwrite, -1);
  EXPECT_EQ(s.extract.freshen, -1);
  EXPECT_EQ(s.extract.directories, 0);
  EXPECT_EQ(s.extract.quiet, -1);
  EXPECT_EQ(s.extract.passwordRequestCount, 15);
  EXPECT_EQ(s.extract.seven, 7);
  EXPECT_EQ(s.extractArchive, QFile::encodeName(archive).toStdString());

  zip.FSpecArgs() << "a.~i" << "a.~h";
  zip.SetPassword({});
  zip.Extract();
  EXPECT_EQ(s.extractFiles, (std::vector<std::string>{"a.~i", "a.~h"}));
  EXPECT_EQ(s.extractPassword, "") << "an empty password is passed as empty text";
  EXPECT_TRUE(zip.FSpecArgs().isEmpty());

  // Unattended without a password: no prompts allowed, and a warning first.
  bool warned = false;
  zip.OnMessage = [&](TZipArchiver &z, int, const QString &) { warned = warned || z.ErrCode() == 10502; };
  zip.FSpecArgs() << "*.*";
  zip.Extract();
  EXPECT_TRUE(warned);
  EXPECT_EQ(s.extract.passwordRequestCount, 0);
  EXPECT_EQ(zip.PasswordReqCount(), 15u) << "restored after the call";

  // A missing archive.
  ScriptedUi ui;
  ui.answerButton(IDOK);
  zip.Unattended = false;
  zip.SetZipFileName(qel::test::freshDir("gone") + "/gone.zip");
  zip.FSpecArgs() << "*.*";
  zip.Extract();
  EXPECT_EQ(ui.messageTexts(), QStringList{"Error - no zip file specified!"});
  EXPECT_TRUE(zip.FSpecArgs().isEmpty());
}

TEST(ZipCallback, ServesEveryAction) {
  FakeEngine engine("good", "libunzdll.so");
  TZipArchiver zip;
  zip.Unattended = true;
  zip.SetDLLDirectory(fakeDir("good"));
  zip.SetZipFileName(emptyArchive());
  zip.SetPassword(QStringLiteral("pw"));
  QStringList events;
  zip.OnProgress = [&](TZipArchiver &, ProgressType t, const QString &n, qint64 size) {
    events << QStringLiteral("progress %1 %2 %3").arg(int(t)).arg(n).arg(size);
  };
  zip.OnMessage = [&](TZipArchiver &, int code, const QString &text) {
    events << QStringLiteral("message %1 %2").arg(code).arg(text);
  };
  zip.OnSetNewName = [&](TZipArchiver &, QString &name) {
    if (name == "long") name = QString(600, QLatin1Char('n'));
  };
  zip.OnExtractSkipped = [&](TZipArchiver &, const QString &f, UnZipSkipType kind, int err) {
    events << QStringLiteral("skipped %1 %2 %3").arg(f).arg(int(kind)).arg(err);
  };
  zip.OnExtractOverwrite = [&](TZipArchiver &, const QString &f, bool older, bool &over, int index) {
    events << QStringLiteral("overwrite %1 %2 %3 %4").arg(f).arg(older).arg(over).arg(index);
    over = false;
  };
  auto &steps = engine.state->steps;
  steps = {
    step(5, 0, 2),
    step(6, 0, 5000000000LL),
    step(1, 0, 1234, "dir/file.txt   "),
    step(2, 0, 1000),
    step(3),
    step(4, 0x0307, 0, "disk full"),
    step(7, 0, 0, "same"),
    step(7, 0, 0, "long"),
    step(9, 0x1111, 0x2222, "bad.txt"),
    step(10, 0x10005, 1, "old.txt"),
    step(11, 0x0B, 4, "secret.txt"),
    step(12, 0, 0, "c.txt"),
    step(13, 0, 100),
    step(13, 0, -5),
    step(99),
  };
  zip.FSpecArgs() << "*.*";
  zip.Extract();
  ASSERT_EQ(engine.state->extractCalls, 1);
  EXPECT_EQ(events, (QStringList{
                        "progress 3  2",
                        "progress 4  5000000000",
                        "progress 0 dir/file.txt 1234",
                        "progress 1  1000",
                        "progress 2  0",
                        "message 775 disk full",
                        "overwrite old.txt 1 1 5",
                        "skipped secret.txt 3 11",
                    }));
  EXPECT_EQ(zip.TotalSizeToProcess(), 5000000000LL);
  EXPECT_EQ(zip.ErrCode(), 0x0B) << "the last report: the skip's error";
  EXPECT_EQ(zip.FullErrCode(), 0x0B);
  EXPECT_EQ(steps[6].replyErrorCode, 0) << "an unchanged name";
  EXPECT_EQ(steps[7].replyErrorCode, 1);
  EXPECT_EQ(steps[7].replyText, std::string(511, 'n')) << "cut to leave room for the zero";
  EXPECT_TRUE(steps[7].textTerminated);
  EXPECT_EQ(steps[8].replyErrorCode, 2) << "no CRC handler";
  EXPECT_EQ(steps[9].replySize, 0) << "the handler declined to overwrite";
  EXPECT_EQ(steps[11].replyErrorCode, 0);
  EXPECT_EQ(steps[11].replySize, 0);
  EXPECT_EQ(steps[12].replySize, std::int64_t(reinterpret_cast<std::intptr_t>(zip.ZipStream().data())));
  EXPECT_EQ(zip.ZipStream().size(), 100);
  EXPECT_EQ(steps[13].replyErrorCode, 1);
  EXPECT_EQ(steps[13].replySize, 0);
  for (const auto &s : steps) EXPECT_EQ(s.result, 0);
}

TEST(ZipCallback, PasswordRequests) {
  FakeEngine engine("good", "libunzdll.so");
  const QString archive = emptyArchive();
  auto fillPassword = [](const QString &pw) {
    return [pw](QDialog &d) { d.findChild<QLineEdit *>("e_Password")->setText(pw); };
  };
  struct Case {
    const char *name;
    int isAdding;
    bool unattended;
    std::vector<Answer> answers;
    int replyError;
    std::string replyText;
    int replyAction;
    int result;
    QStringList messages;
  };
  const std::string long80(80, 'L');
  const Case cases[] = {
    {"extract prompt", 0, false, {Answer::dialog(QDialog::Accepted, fillPassword("right"))}, 1, "right", 8, 0, {}},
    {"extract cancel", 0, false, {Answer::dialog(QDialog::Rejected)}, 0, "", 8, 0, {}},
    {"extract cancel all", 0, false, {Answer::dialog(TZipPasswordDlg::CancelAll)}, 0, "", 0, 0, {}},
    {"extract abort", 0, false, {Answer::dialog(TZipPasswordDlg::Abort)}, 0, "", 8, -1, {}},
    {"add prompt and confirm", 1, false,
     {Answer::dialog(QDialog::Accepted, fillPassword("new")), Answer::dialog(QDialog::Accepted, fillPassword("new"))},
     1, "new", 8, 0, {}},
    {"add confirm differs", 1, false,
     {Answer::dialog(QDialog::Accepted, fillPassword("new")), Answer::dialog(QDialog::Accepted, fillPassword("neu")),
      Answer::button(IDOK)},
     0, "", 8, 0, {"Error - passwords do NOT match\nPassword ignored"}},
    {"long password is cut", 0, false,
     {Answer::dialog(QDialog::Accepted, fillPassword(QString(120, QLatin1Char('L'))))}, 1, long80, 8, 0, {}},
    {"unattended extract", 0, true, {}, 0, "", 8, 0, {}},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    ScriptedUi ui;
    for (const Answer &a : c.answers) ui.answer(a);
    TZipArchiver zip;
    zip.SetDLLDirectory(fakeDir("good"));
    zip.Unattended = true;
    zip.SetZipFileName(archive);
    zip.SetPassword(QStringLiteral("old"));
    zip.Unattended = c.unattended;
    engine.state->steps = {step(8, c.isAdding, 3, "entry.txt")};
    zip.FSpecArgs() << "*.*";
    zip.Extract();
    const FakeCallbackStep &s = engine.state->steps[0];
    EXPECT_EQ(s.replyErrorCode, c.replyError);
    EXPECT_EQ(s.replyText, c.replyText);
    EXPECT_EQ(s.replyAction, c.replyAction);
    EXPECT_EQ(s.replySize, c.replyError ? 3 : 0);
    EXPECT_EQ(s.result, c.result);
    EXPECT_EQ(ui.messageTexts(), c.messages);
    EXPECT_TRUE(ui.allAnswered());
    if (c.replyError == 1) {
      EXPECT_EQ(zip.Password().toStdString(), c.replyText) << "a given password is kept";
    }
    if (c.unattended) {
      EXPECT_EQ(zip.ErrCode(), 10151);
    }
    for (const auto &p : ui.prompts()) {
      if (p.kind != PromptKind::Dialog) continue;
      EXPECT_EQ(p.caption, "Password");
      EXPECT_EQ(p.detail, "TZipPasswordDlg");
    }
  }

  // A handler answers instead of the prompt.
  TZipArchiver zip;
  zip.SetDLLDirectory(fakeDir("good"));
  zip.Unattended = true;
  zip.SetZipFileName(archive);
  zip.OnPasswordError = [](TZipArchiver &, bool isZip, QString &pw, const QString &file, unsigned &count,
                           TPasswordButton &button) {
    EXPECT_FALSE(isZip);
    EXPECT_EQ(file, "entry.txt");
    EXPECT_EQ(count, 15u) << "the retry count is capped";
    pw = "fromhandler";
    count = 2;
    button = pwbOk;
  };
  engine.state->steps = {step(8, 0, 99, "entry.txt")};
  zip.FSpecArgs() << "*.*";
  zip.Extract();
  EXPECT_EQ(engine.state->steps[0].replyText, "fromhandler");
  EXPECT_EQ(engine.state->steps[0].replySize, 2);
}

TEST(ZipCallback, NoSecondOperationWhileBusyAndHandlerFaultsStopTheEngine) {
  FakeEngine zipEngine("good", "libzipdll.so");
  FakeEngine unzEngine("good", "libunzdll.so");
  TZipArchiver zip;
  zip.Unattended = true;
  zip.SetDLLDirectory(fakeDir("good"));
  const QString archive = emptyArchive();
  zip.SetZipFileName(archive);
  bool sawBusy = false;
  zip.OnProgress = [&](TZipArchiver &z, ProgressType, const QString &, qint64) {
    sawBusy = z.IsBusy();
    z.FSpecArgs() << "x";
    z.Add();
    z.Extract();
    z.SetZipFileName(QStringLiteral("/elsewhere.zip"));
  };
  unzEngine.state->steps = {step(1, 0, 1, "a")};
  zip.FSpecArgs() << "*.*";
  zip.Extract();
  EXPECT_TRUE(sawBusy);
  EXPECT_EQ(unzEngine.state->extractCalls, 1);
  EXPECT_EQ(zipEngine.state->addCalls, 0);
  EXPECT_EQ(zip.ZipFileName(), archive);
  EXPECT_FALSE(zip.IsBusy());

  // An exception in a handler cannot unwind through the engine: it is stopped and the fault reported.
  zip.OnProgress = [](TZipArchiver &, ProgressType, const QString &, qint64) { throw std::runtime_error("boom"); };
  unzEngine.state->steps = {step(1, 0, 1, "a"), step(2, 0, 1)};
  zip.FSpecArgs() << "*.*";
  zip.Extract();
  EXPECT_EQ(unzEngine.state->steps[0].result, -1);
  EXPECT_EQ(zip.ErrCode(), 10501);
  EXPECT_EQ(zip.SuccessCnt(), 0);
  EXPECT_FALSE(zip.IsBusy());
}

TEST(ZipPasswordDlg, ControlsAsTheProgramExpects) {
  for (bool forExtract : {false, true}) {
    TZipPasswordDlg dlg(QStringLiteral("Enter Password "), forExtract);
    EXPECT_EQ(dlg.windowTitle(), "Password");
    EXPECT_EQ(dlg.lbl_Prompt->text(), "Enter Password ");
    EXPECT_EQ(dlg.e_Password->echoMode(), QLineEdit::Password);
    EXPECT_EQ(dlg.e_Password->maxLength(), 80);
    EXPECT_EQ(dlg.b_Ok->text(), "&Ok");
    EXPECT_EQ(dlg.b_Cancel->text(), "&Cancel");
    EXPECT_EQ(dlg.b_CancelAll->text(), "Cancel all");
    EXPECT_EQ(dlg.b_CancelAll->isVisibleTo(&dlg), forExtract);
    EXPECT_TRUE(dlg.b_Abort->isVisibleTo(&dlg)) << "the abort answer stops the whole operation";
    dlg.b_CancelAll->click();
    EXPECT_EQ(dlg.result(), int(TZipPasswordDlg::CancelAll));
    dlg.b_Abort->click();
    EXPECT_EQ(dlg.result(), int(TZipPasswordDlg::Abort));
  }
}
