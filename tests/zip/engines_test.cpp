// Adding and extracting through the real engine libraries, judged by
// python's zipfile and unzip.

#include "tests/support/scriptedui.h"
#include "tests/support/testenv.h"
#include "tests/support/wrongpassword.h"
#include "tests/zip/ziptestutil.h"
#include "zip/ziparchiver.h"

#include <QDialog>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <gtest/gtest.h>

using namespace qel;
using namespace qel::ziptest;
using qel::test::Answer;
using qel::test::ScriptedUi;

namespace {

const QString kEngineDir = QStringLiteral(QEL_PROGRAM_DIR);

bool enginesBuilt() {
  return QFileInfo::exists(kEngineDir + "/libzipdll.so") && QFileInfo::exists(kEngineDir + "/libunzdll.so");
}

struct Sources {
  QString dir;
  QByteArray index = "<~QEL MORAVINE QEL FILE VERSION~>\r\n3\r\n";
  QByteArray bodies;
  Sources(const QString &name) {
    dir = qel::test::freshDir(name);
    for (int i = 0; i < 3000; ++i) bodies += QByteArray::number(i) + " {\\rtf1 body text } \x01\xFF\x00\n";
    EXPECT_TRUE(writeAll(dir + "/card.~i", index));
    EXPECT_TRUE(writeAll(dir + "/card.~h", bodies));
  }
};

void setUp(TZipArchiver &zip) {
  zip.SetDLLDirectory(kEngineDir);
  zip.AddStoreSuffixes.remove(assEXE);
  zip.ExtrOptions = {ExtrOverWrite};
}

// python's view of an archive: each entry's content, read with a password when given.
QByteArray pythonRead(const QString &archive, const QString &entry, const QByteArray &password = {}) {
  QByteArray out;
  int rc = run(python(), {"-c",
                          "import sys,zipfile\n"
                          "z=zipfile.ZipFile(sys.argv[1])\n"
                          "assert z.testzip() is None if not sys.argv[3] else True\n"
                          "pw=bytes.fromhex(sys.argv[3]) or None\n"
                          "sys.stdout.buffer.write(z.read(sys.argv[2], pwd=pw))\n",
                          archive, entry, QString::fromLatin1(password.toHex())},
               QDir::tempPath(), &out);
  return rc == 0 ? out : QByteArray("python failed: ") + out;
}

QStringList names(const TZipArchiver &zip) {
  QStringList n;
  for (const auto &e : zip.ZipContents()) n << e.FileName;
  return n;
}

} // namespace

TEST(ZipEngines, AddThenExtractPlain) {
  if (!enginesBuilt()) GTEST_SKIP() << "engine libraries not built";
  ScriptedUi ui;
  Sources src("plain");
  const QString archive = src.dir + "/card.qel";
  TZipArchiver zip;
  setUp(zip);
  zip.SetZipFileName(archive);
  zip.FSpecArgs() << src.dir + "/card.~i" << src.dir + "/card.~h";
  int newFiles = 0;
  zip.OnProgress = [&](TZipArchiver &, ProgressType t, const QString &, qint64) { newFiles += t == NewFile; };
  zip.Add();
  EXPECT_EQ(zip.SuccessCnt(), 2);
  EXPECT_EQ(newFiles, 2);
  EXPECT_TRUE(zip.FSpecArgs().isEmpty());
  EXPECT_EQ(names(zip), (QStringList{"card.~i", "card.~h"})) << "listed again after adding";
  EXPECT_FALSE(zip.ZipEngineLoaded());

  EXPECT_EQ(pythonRead(archive, "card.~i"), src.index);
  EXPECT_EQ(pythonRead(archive, "card.~h"), src.bodies);
  QByteArray out;
  EXPECT_EQ(run("unzip", {"-tq", archive}, src.dir, &out), 0) << out.constData();
  EXPECT_EQ(run("7z", {"t", archive}, src.dir, &out), 0) << out.constData();

  const QString target = qel::test::freshDir("plain-out");
  zip.ExtrBaseDir = target;
  zip.FSpecArgs() << "*.*";
  zip.Extract();
  EXPECT_EQ(zip.SuccessCnt(), 2);
  EXPECT_EQ(readAll(target + "/card.~i"), src.index);
  EXPECT_EQ(readAll(target + "/card.~h"), src.bodies);
  EXPECT_TRUE(ui.prompts().empty());
}

TEST(ZipEngines, EncryptedArchiveAndPasswordPrompts) {
  if (!enginesBuilt()) GTEST_SKIP() << "engine libraries not built";
  ScriptedUi ui;
  Sources src("encrypted");
  const QString archive = src.dir + "/card.qel";
  TZipArchiver zip;
  setUp(zip);
  zip.SetZipFileName(archive);
  zip.AddOptions.insert(AddEncrypt);
  zip.SetPassword(QStringLiteral("Geheim!"));
  zip.FSpecArgs() << src.dir + "/card.~i" << src.dir + "/card.~h";
  zip.Add();
  ASSERT_EQ(zip.SuccessCnt(), 2);
  for (const auto &e : zip.ZipContents()) EXPECT_TRUE(e.Encrypted) << e.FileName.toStdString();
  EXPECT_EQ(pythonRead(archive, "card.~h", "Geheim!"), src.bodies);
  QByteArray out;
  EXPECT_EQ(run("unzip", {"-P", "Geheim!", "-tq", archive}, src.dir, &out), 0) << out.constData();
  EXPECT_NE(run("unzip", {"-P", "falsch", "-tq", archive}, src.dir, &out), 0);
  EXPECT_EQ(run("7z", {"t", "-pGeheim!", archive}, src.dir, &out), 0) << out.constData();

  auto answerPassword = [](const QString &pw) {
    return Answer::dialog(QDialog::Accepted, [pw](QDialog &d) { d.findChild<QLineEdit *>("e_Password")->setText(pw); });
  };

  // The right password from the start: no prompt.
  QString target = qel::test::freshDir("enc-right");
  zip.ExtrBaseDir = target;
  zip.FSpecArgs() << "*.*";
  zip.Extract();
  EXPECT_EQ(zip.SuccessCnt(), 2);
  EXPECT_EQ(readAll(target + "/card.~h"), src.bodies);
  EXPECT_TRUE(ui.prompts().empty());

  // A wrong password, then the right one through the prompt.
  zip.SetPassword(qel::test::WrongPasswordFor(archive));
  ui.answer(answerPassword("Geheim!"));
  target = qel::test::freshDir("enc-retry");
  zip.ExtrBaseDir = target;
  zip.FSpecArgs() << "*.*";
  zip.Extract();
  EXPECT_EQ(zip.SuccessCnt(), 2);
  EXPECT_EQ(readAll(target + "/card.~i"), src.index);
  EXPECT_EQ(readAll(target + "/card.~h"), src.bodies);
  EXPECT_EQ(zip.Password(), "Geheim!") << "the given password is kept for the next entry and call";
  EXPECT_TRUE(ui.allAnswered());
  ASSERT_EQ(ui.prompts().size(), 1u);
  EXPECT_EQ(ui.prompts()[0].caption, "Password");

  // A wrong password and a cancelled prompt: nothing is extracted.
  ui.clear();
  zip.SetPassword(qel::test::WrongPasswordFor(archive));
  ui.answer(Answer::dialog(QDialog::Rejected)).answer(Answer::dialog(QDialog::Rejected));
  target = qel::test::freshDir("enc-cancel");
  zip.ExtrBaseDir = target;
  zip.FSpecArgs() << "*.*";
  zip.Extract();
  EXPECT_LE(zip.SuccessCnt(), 0);
  EXPECT_FALSE(QFileInfo::exists(target + "/card.~h"));
  EXPECT_FALSE(QFileInfo::exists(target + "/card.~i"));

  // "Cancel all": asked once, then no more prompts for the other entry.
  ui.clear();
  ui.answer(Answer::dialog(2 /* Cancel all */));
  zip.FSpecArgs() << "*.*";
  zip.Extract();
  EXPECT_LE(zip.SuccessCnt(), 0);
  EXPECT_EQ(ui.prompts().size(), 1u);
}

TEST(ZipEngines, PasswordLimitAndCodePages) {
  if (!enginesBuilt()) GTEST_SKIP() << "engine libraries not built";
  ScriptedUi ui;
  struct Case {
    const char *what;
    QString password;
    QByteArray bytes;  // what outside tools must be given
  };
  const Case cases[] = {
    {"over the limit: cut to 80", QString(100, QLatin1Char('x')), QByteArray(80, 'x')},
    {"legacy code page", QString::fromUtf8("caf\xC3\xA9"), QByteArray("caf\xE9")},
    {"beyond the code page: UTF-8", QString::fromUtf8("\xD0\xBF\xD0\xB0\xD1\x80"), QByteArray("\xD0\xBF\xD0\xB0\xD1\x80")},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    Sources src("pwlimit");
    const QString archive = src.dir + "/card.qel";
    TZipArchiver zip;
    setUp(zip);
    zip.SetZipFileName(archive);
    zip.AddOptions.insert(AddEncrypt);
    zip.SetPassword(c.password);
    zip.FSpecArgs() << src.dir + "/card.~i";
    zip.Add();
    ASSERT_EQ(zip.SuccessCnt(), 1);
    EXPECT_EQ(pythonRead(archive, "card.~i", c.bytes), src.index);
    TZipArchiver other;
    setUp(other);
    other.SetZipFileName(archive);
    other.SetPassword(c.password);
    other.ExtrBaseDir = qel::test::freshDir("pwlimit-out");
    other.FSpecArgs() << "*.*";
    other.Extract();
    EXPECT_EQ(other.SuccessCnt(), 1);
    EXPECT_EQ(readAll(other.ExtrBaseDir + "/card.~i"), src.index);
  }
  EXPECT_TRUE(ui.prompts().empty());
}

TEST(ZipEngines, CancelKeepsTheArchiveWhole) {
  if (!enginesBuilt()) GTEST_SKIP() << "engine libraries not built";
  ScriptedUi ui;
  Sources src("cancel");
  const QString archive = src.dir + "/card.qel";
  TZipArchiver zip;
  setUp(zip);
  zip.SetZipFileName(archive);
  zip.FSpecArgs() << src.dir + "/card.~i";
  zip.Add();
  ASSERT_EQ(zip.SuccessCnt(), 1);
  const QByteArray before = readAll(archive);

  zip.OnProgress = [](TZipArchiver &z, ProgressType t, const QString &, qint64) {
    if (t == NewFile) z.SetCancel(true);
  };
  zip.FSpecArgs() << src.dir + "/card.~h";
  zip.Add();
  EXPECT_LE(zip.SuccessCnt(), 0);
  EXPECT_FALSE(zip.Cancel()) << "cleared at the end of the call";
  EXPECT_EQ(readAll(archive), before) << "a cancelled add leaves the archive as it was";
  EXPECT_EQ(names(zip), QStringList{"card.~i"});

  const QString target = qel::test::freshDir("cancel-out");
  zip.ExtrBaseDir = target;
  zip.FSpecArgs() << "*.*";
  zip.Extract();
  EXPECT_LE(zip.SuccessCnt(), 0);
  EXPECT_TRUE(QDir(target).entryList(QDir::Files).isEmpty());
  EXPECT_TRUE(ui.prompts().empty());
}

TEST(ZipEngines, NamesAndFailuresThroughTheComponent) {
  if (!enginesBuilt()) GTEST_SKIP() << "engine libraries not built";
  ScriptedUi ui;
  const QString dir = qel::test::freshDir("names-real");
  const QString name = QString::fromUtf8("\xC3\xA9t\xC3\xA9 \xE2\x82\xAC.txt");
  ASSERT_TRUE(writeAll(dir + "/" + name, "accented\n"));
  const QString archive = dir + "/n.zip";
  TZipArchiver zip;
  setUp(zip);
  zip.SetZipFileName(archive);
  zip.FSpecArgs() << dir + "/" + name;
  zip.Add();
  ASSERT_EQ(zip.SuccessCnt(), 1);
  EXPECT_EQ(names(zip), QStringList{name});
  EXPECT_TRUE(zip.ZipContents()[0].flags & 0x800);
  EXPECT_EQ(pythonRead(archive, name), "accented\n");

  // Each failure and its message.
  struct Case {
    const char *what;
    std::function<void(TZipArchiver &)> setup;
    bool extract;
    QString message;
  };
  const Case cases[] = {
    {"nothing to add", [](TZipArchiver &z) { z.FSpecArgs().clear(); }, false, "Error - no files to zip!"},
    {"no archive name", [](TZipArchiver &z) { z.SetZipFileName({}); }, false, "Error - no zip file specified!"},
    {"engine missing", [&](TZipArchiver &z) { z.SetDLLDirectory(dir); }, false, "ZIPDLL.DLL not found!"},
    {"extract engine missing", [&](TZipArchiver &z) { z.SetDLLDirectory(dir); }, true, "UNZDLL.DLL not found!"},
    {"engine too old", [](TZipArchiver &z) { z.MinZipDllVers = 9999; }, false,
     "Attempted to load old ZipDll from " + kEngineDir + "/libzipdll.so"},
    {"extract engine too old", [](TZipArchiver &z) { z.MinUnzDllVers = 9999; }, true,
     "Attempted to load old UnzDll from " + kEngineDir + "/libunzdll.so"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    ui.clear();
    TZipArchiver z;
    setUp(z);
    z.SetZipFileName(archive);
    z.FSpecArgs() << dir + "/" + name;
    c.setup(z);
    ui.answerButton(IDOK);
    if (c.extract) z.Extract(); else z.Add();
    EXPECT_EQ(ui.messageTexts(), QStringList{c.message});
    EXPECT_EQ(z.SuccessCnt(), 0);
    EXPECT_TRUE(z.FSpecArgs().isEmpty());
  }
}
