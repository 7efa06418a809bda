// Self-extracting programs: the header, converting an archive, the automatic
// case of Add, our shell stub run with sh, and icons replaced in a small PE
// stub, judged by unzip, zipinfo, python and wrestool.

#include "tests/support/scriptedui.h"
#include "tests/support/testenv.h"
#include "tests/zip/ziptestutil.h"
#include "zip/ziparchiver.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

using namespace qel;
using namespace qel::ziptest;
using qel::test::ScriptedUi;

namespace {

const QString kEngineDir = QStringLiteral(QEL_PROGRAM_DIR);

bool enginesBuilt() {
  return QFileInfo::exists(kEngineDir + "/libzipdll.so") && QFileInfo::exists(kEngineDir + "/ZIPSFX.BIN");
}

void setUp(TZipArchiver &zip) {
  zip.SetDLLDirectory(kEngineDir);
  zip.AddStoreSuffixes.remove(assEXE);
  zip.Unattended = true;
}

void put16(QByteArray &b, qsizetype at, std::uint16_t v) { zipfmt::putLe16(reinterpret_cast<unsigned char *>(b.data() + at), v); }
void put32(QByteArray &b, qsizetype at, std::uint32_t v) { zipfmt::putLe32(reinterpret_cast<unsigned char *>(b.data() + at), v); }

// A small 32-bit PE program with one resource section holding one 32x32
// icon image (type 3, name 1, language 0x409) of 744 bytes.
struct PeStub {
  QByteArray bytes;
  qsizetype iconAt = 0;      // file offset of the icon image
  qsizetype sectionAt = 0x200;
  qsizetype resourceDir = 0; // file offset of the root resource directory
};

PeStub makePeStub(bool wide = false) {
  PeStub s;
  const qsizetype pe = 0x80;
  const qsizetype optionalSize = wide ? 240 : 224;
  QByteArray b(0x200, '\0');
  b[0] = 'M';
  b[1] = 'Z';
  put32(b, 60, std::uint32_t(pe));
  b.replace(pe, 4, QByteArray("PE\0\0", 4));
  put16(b, pe + 4, wide ? 0x8664 : 0x14C);
  put16(b, pe + 6, 1);
  put16(b, pe + 20, std::uint16_t(optionalSize));
  const qsizetype opt = pe + 24;
  put16(b, opt, wide ? 0x20B : 0x10B);
  const qsizetype dirs = opt + (wide ? 112 : 96);
  put32(b, dirs - 4, 16);  // number of data directories
  const std::uint32_t va = 0x1000;
  put32(b, dirs + 16, va);  // resource directory
  const qsizetype table = opt + optionalSize;
  b.replace(table, 8, QByteArray(".rsrc\0\0\0", 8));
  // Resource tree: root -> type 3 -> name 1 -> language -> data entry -> image.
  QByteArray r(0x60, '\0');
  auto dir = [&](qsizetype at, std::uint32_t id, std::uint32_t target) {
    put16(r, at + 14, 1);
    put32(r, at + 16, id);
    put32(r, at + 20, target);
  };
  dir(0x00, 3, 0x80000000u | 0x18);
  dir(0x18, 1, 0x80000000u | 0x30);
  dir(0x30, 0x409, 0x48);
  put32(r, 0x48, va + 0x60);  // data RVA
  put32(r, 0x4C, 744);
  QByteArray image(744, '\0');
  for (int i = 0; i < 744; ++i) image[i] = char(i * 7);
  r += image;
  put32(b, dirs + 20, std::uint32_t(r.size()));  // resource directory size
  put32(b, table + 8, std::uint32_t(r.size()));
  put32(b, table + 12, va);
  put32(b, table + 16, std::uint32_t(r.size()));
  put32(b, table + 20, 0x200);
  b += r;
  s.bytes = b;
  s.iconAt = 0x200 + 0x60;
  s.resourceDir = 0x200;
  return s;
}

QByteArray iconFile(qsizetype imageSize = 744, int width = 32) {
  QByteArray ico(6 + 16, '\0');
  put16(ico, 2, 1);
  put16(ico, 4, 1);
  ico[6] = char(width);
  ico[7] = char(width);
  put32(ico, 14, std::uint32_t(imageSize));
  put32(ico, 18, 22);
  QByteArray image(imageSize, '\0');
  for (qsizetype i = 0; i < imageSize; ++i) image[i] = char(0xA0 ^ (i & 0xFF));
  return ico + image;
}

QString makeArchive(const QString &dir, const QString &name) {
  writeAll(dir + "/one.txt", QByteArray("first file\n").repeated(100));
  writeAll(dir + "/two.bin", QByteArray("\x00\x01\x02\x03", 4).repeated(500));
  TZipArchiver zip;
  setUp(zip);
  zip.SetZipFileName(dir + "/" + name);
  zip.FSpecArgs() << dir + "/one.txt" << dir + "/two.bin";
  zip.Add();
  EXPECT_EQ(zip.SuccessCnt(), 2);
  return dir + "/" + name;
}

// unzip -t passes with no warning about bytes in front or shifted offsets.
void expectCleanArchive(const QString &archive, int entries) {
  QByteArray out;
  EXPECT_EQ(run("unzip", {"-t", archive}, QDir::tempPath(), &out), 0) << out.constData();
  EXPECT_FALSE(out.contains("extra bytes")) << out.constData();
  EXPECT_FALSE(out.contains("warning")) << out.constData();
  EXPECT_EQ(run("zipinfo", {"-1", archive}, QDir::tempPath(), &out), 0) << out.constData();
  EXPECT_EQ(out.trimmed().split('\n').size(), entries) << out.constData();
  EXPECT_EQ(run(python(), {"-c", "import sys,zipfile\nz=zipfile.ZipFile(sys.argv[1])\nassert z.testzip() is None\nprint(len(z.namelist()))", archive},
                QDir::tempPath(), &out),
            0)
      << out.constData();
  EXPECT_EQ(out.trimmed(), QByteArray::number(entries));
}

} // namespace

TEST(ZipSfx, HeaderLayout) {
  TZipArchiver zip;
  zip.SFXCaption.clear();
  const QByteArray empty = zip.SfxHeader();
  EXPECT_EQ(empty, QByteArray("MPV\x00\x00\x01\x0C\x00\x00\x00\x00\x00", 12));
  zip.SFXCaption = "Thirteen char";
  EXPECT_EQ(zip.SfxHeader().size(), 28);
  EXPECT_EQ(zip.SfxHeader()[8], char(13));
  EXPECT_EQ(zip.SfxHeader()[6], char(28));
  zip.SFXOptions = {};
  zip.SFXOverWriteMode = OvrNever;
  EXPECT_EQ(zip.SfxHeader()[3], char(0x30));
  zip.SFXOptions = {SFXAskCmdLine, SFXAskFiles, SFXHideOverWriteBox, SFXAutoRun, SFXNoSuccessMsg, SFXCheckSize};
  zip.SFXOverWriteMode = OvrAlways;
  EXPECT_EQ(std::uint8_t(zip.SfxHeader()[3]), 0x01 | 0x02 | 0x04 | 0x08 | 0x40 | 0x80);
  // 128 characters, 256 bytes: the limit is on bytes.
  zip.SFXMessage = QString(128, QChar(0x3A9));
  EXPECT_TRUE(zip.SfxHeader().isEmpty());
  zip.SFXMessage = QString(255, QChar(0xE9));  // fits the legacy code page: 255 bytes
  EXPECT_EQ(zip.SfxHeader().size(), (12 + 13 + 255 + 3) / 4 * 4);
}

// The desktop trash of the test's user, which a desktop makes.
QString userTrash() { return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + "/Trash"; }

// Where the user has no desktop trash, the converted archive stays where it
// is and the user is told; no trash folders are made anywhere.
TEST(ZipSfx, ConvertingWithoutATrashLeavesTheArchiveAndSaysSo) {
  if (!enginesBuilt()) GTEST_SKIP() << "engines or stub not built";
  ASSERT_TRUE(QDir(userTrash()).removeRecursively());
  const QString dir = qel::test::freshDir("sfx-notrash");
  const QString archive = makeArchive(dir, "notes.zip");
  const QString cwd = QDir::currentPath();
  ASSERT_TRUE(QDir::setCurrent(dir));
  ScriptedUi ui;
  ui.answerButton(IDOK);
  TZipArchiver zip;
  setUp(zip);
  zip.Unattended = false;  // the user is there to be told
  zip.SFXOverWriteMode = OvrAlways;
  zip.SetZipFileName(archive);
  EXPECT_EQ(zip.MakeSelfExtracting(), 0) << zip.Message().toStdString();
  QDir::setCurrent(cwd);
  EXPECT_TRUE(QFileInfo::exists(dir + "/notes.exe"));
  EXPECT_TRUE(QFileInfo::exists(archive)) << "left where it is";
  ASSERT_EQ(ui.messageTexts().size(), 1);
  EXPECT_TRUE(ui.messageTexts().front().startsWith(archive + " was not deleted: ")) << ui.messageTexts().front().toStdString();
  QStringList left = QDir(dir).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
  left.sort();
  EXPECT_EQ(left, QStringList({"notes.exe", "notes.zip", "one.txt", "two.bin"})) << left.join(' ').toStdString();
  EXPECT_FALSE(QFileInfo::exists(userTrash()));
}

TEST(ZipSfx, ConvertingAnArchive) {
  if (!enginesBuilt()) GTEST_SKIP() << "engines or stub not built";
  ASSERT_TRUE(QDir().mkpath(userTrash()));
  ScriptedUi ui;
  const QString dir = qel::test::freshDir("sfx-convert");
  const QString archive = makeArchive(dir, "notes.zip");
  TZipArchiver zip;
  setUp(zip);
  zip.SFXOverWriteMode = OvrAlways;
  zip.SetZipFileName(archive);
  ASSERT_EQ(zip.MakeSelfExtracting(), 0) << zip.Message().toStdString();
  EXPECT_EQ(zip.SFXPath, kEngineDir + "/ZIPSFX.BIN");
  EXPECT_FALSE(QFileInfo::exists(archive));
  const QString program = dir + "/notes.exe";
  EXPECT_EQ(zip.ZipFileName(), program);
  EXPECT_EQ(zip.Count(), 2);
  EXPECT_EQ(zip.ErrCode(), 0);
  struct stat st {};
  ASSERT_EQ(stat(QFile::encodeName(program).constData(), &st), 0);
  const mode_t mask = umask(0);
  umask(mask);
  EXPECT_EQ(st.st_mode & 0777, 0755 & ~mask);
  expectCleanArchive(program, 2);

  // Our stub run with sh extracts byte-identical files, overwriting as told.
  const QString target = qel::test::freshDir("sfx-convert-out");
  writeAll(target + "/one.txt", "old");
  QByteArray out;
  EXPECT_EQ(run("sh", {program, target}, dir, &out), 0) << out.constData();
  EXPECT_EQ(readAll(target + "/one.txt"), readAll(dir + "/one.txt"));
  EXPECT_EQ(readAll(target + "/two.bin"), readAll(dir + "/two.bin"));

  // Not a ".zip" name: nothing done, 10803.
  const QString other = makeArchive(qel::test::freshDir("sfx-notzip"), "notes.arc");
  TZipArchiver z2;
  setUp(z2);
  z2.SetZipFileName(other);
  EXPECT_EQ(z2.MakeSelfExtracting(), -9);
  EXPECT_EQ(z2.ErrCode(), 10803);
  EXPECT_TRUE(QFileInfo::exists(other));

  // A failure keeps an existing program of the target name and the archive.
  const QString again = makeArchive(qel::test::freshDir("sfx-keep"), "keep.zip");
  writeAll(QFileInfo(again).absolutePath() + "/keep.exe", "the old program");
  TZipArchiver z3;
  setUp(z3);
  z3.SetZipFileName(again);
  z3.SFXIcon = iconFile();  // our shell stub has no icon to replace
  EXPECT_EQ(z3.MakeSelfExtracting(), -10);
  EXPECT_EQ(readAll(QFileInfo(again).absolutePath() + "/keep.exe"), "the old program");
  EXPECT_TRUE(QFileInfo::exists(again));
  EXPECT_EQ(QDir(QFileInfo(again).absolutePath()).entryList(QDir::Files | QDir::Hidden).size(), 4) << "no temporary file left";
}

TEST(ZipSfx, AutomaticCaseOfAdd) {
  if (!enginesBuilt()) GTEST_SKIP() << "engines or stub not built";
  ScriptedUi ui;
  const QString dir = qel::test::freshDir("sfx-auto");
  writeAll(dir + "/a.txt", QByteArray("automatic\n").repeated(50));
  writeAll(dir + "/b.txt", "second");
  TZipArchiver zip;
  setUp(zip);
  zip.SFXOverWriteMode = OvrNever;
  zip.SetZipFileName(dir + "/auto.exe");
  zip.FSpecArgs() << dir + "/a.txt" << dir + "/b.txt";
  zip.Add();
  ASSERT_EQ(zip.SuccessCnt(), 2) << zip.Message().toStdString();
  EXPECT_EQ(zip.Count(), 2);
  EXPECT_EQ(zip.ErrCode(), 0) << "listed with no shift";
  EXPECT_TRUE(readAll(dir + "/auto.exe").startsWith(readAll(kEngineDir + "/ZIPSFX.BIN")));
  EXPECT_TRUE(QFileInfo(dir + "/auto.exe").isExecutable()) << "still a program after the engine added to it";
  expectCleanArchive(dir + "/auto.exe", 2);

  const QString target = qel::test::freshDir("sfx-auto-out");
  writeAll(target + "/a.txt", "kept");
  QByteArray out;
  EXPECT_EQ(run("sh", {dir + "/auto.exe", target}, dir, &out), 0) << out.constData();
  EXPECT_EQ(readAll(target + "/a.txt"), "kept") << "never overwrite";
  EXPECT_EQ(readAll(target + "/b.txt"), "second");

  // No stub to be found: 10802, reported by Add as 10304 with the number.
  TZipArchiver none;
  none.Unattended = true;
  none.SetZipFileName(dir + "/none.exe");
  none.FSpecArgs() << dir + "/a.txt";
  QStringList told;
  none.OnMessage = [&](TZipArchiver &, int, const QString &t) { told << t; };
  none.Add();
  EXPECT_EQ(none.SuccessCnt(), 0);
  EXPECT_EQ(told, QStringList({"Error - ZIPSFX.BIN not found!", "Error -9 occurred during Auto SFX creation."}));
  EXPECT_EQ(none.SFXPath, "ZipSFX.bin") << "kept as the caller set it";
  EXPECT_FALSE(QFileInfo::exists(dir + "/none.exe"));
}

TEST(ZipSfx, StubIconIsReplacedInsideTheStubOnly) {
  if (!enginesBuilt()) GTEST_SKIP() << "engines or stub not built";
  const QString dir = qel::test::freshDir("sfx-icon");
  const QString archive = makeArchive(dir, "icon.zip");
  for (bool wide : {false, true}) {
    SCOPED_TRACE(wide ? "64-bit stub" : "32-bit stub");
    const PeStub stub = makePeStub(wide);
    ASSERT_TRUE(writeAll(dir + "/stub.bin", stub.bytes));
    QFile::copy(archive, dir + "/work.zip");
    TZipArchiver zip;
    setUp(zip);
    zip.SFXPath = dir + "/stub.bin";
    zip.SFXIcon = iconFile();
    zip.SetZipFileName(dir + "/work.zip");
    ASSERT_EQ(zip.MakeSelfExtracting(), 0);
    const QByteArray made = readAll(dir + "/work.exe");
    EXPECT_EQ(made.mid(stub.iconAt, 744), iconFile().mid(22));
    EXPECT_EQ(made.left(stub.iconAt), stub.bytes.left(stub.iconAt));
    expectCleanArchive(dir + "/work.exe", 2);
    if (!QStandardPaths::findExecutable("wrestool").isEmpty()) {
      QByteArray out;
      QProcess p;
      p.start("wrestool", {"-x", "--raw", "-t", "3", dir + "/work.exe"});
      ASSERT_TRUE(p.waitForFinished(30000));
      EXPECT_EQ(p.readAllStandardOutput(), iconFile().mid(22));
    }
    QFile::remove(dir + "/work.exe");
  }

  // Damaged stubs: -10 (or -11), and no program.
  struct Case {
    const char *what;
    std::function<void(PeStub &)> damage;
    int result;
  };
  const Case cases[] = {
      {"no MZ", [](PeStub &s) { s.bytes[0] = 'X'; }, -10},
      {"PE offset outside", [](PeStub &s) { put32(s.bytes, 60, 0x7FFFFFF0); }, -10},
      {"huge section count", [](PeStub &s) { put16(s.bytes, 0x80 + 6, 0xFFFF); }, -10},
      {"resource loop", [](PeStub &s) { put32(s.bytes, s.resourceDir + 0x18 + 20, 0x80000000u | 0x18); put32(s.bytes, s.resourceDir + 0x30 + 20, 0x80000000u | 0x00); }, -10},
      {"data outside the section", [](PeStub &s) { put32(s.bytes, s.resourceDir + 0x48, 0x7FFF0000); }, -10},
      {"icon at the very end", [](PeStub &s) { put32(s.bytes, s.resourceDir + 0x48, 0x1000 + 0x60 + 600); }, -10},
      {"wrong icon size", [](PeStub &) {}, -12},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    PeStub stub = makePeStub();
    c.damage(stub);
    ASSERT_TRUE(writeAll(dir + "/stub.bin", stub.bytes));
    QFile::copy(archive, dir + "/work.zip");
    TZipArchiver zip;
    setUp(zip);
    zip.SFXPath = dir + "/stub.bin";
    zip.SFXIcon = c.result == -12 ? iconFile(1000, 48) : iconFile();
    zip.SetZipFileName(dir + "/work.zip");
    EXPECT_EQ(zip.MakeSelfExtracting(), c.result);
    EXPECT_FALSE(QFileInfo::exists(dir + "/work.exe"));
    EXPECT_TRUE(QFileInfo::exists(dir + "/work.zip"));
    QFile::remove(dir + "/work.zip");
  }
}
