// Archives from other tools and hostile archives through the component and
// the real engines, with unzip, 7z, bsdtar and python's zipfile as judges.

#include "tests/support/scriptedui.h"
#include "tests/support/testenv.h"
#include "tests/zip/ziptestutil.h"
#include "zip/ziparchiver.h"

#include <QDialog>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <gtest/gtest.h>
#include <zlib.h>

using namespace qel;
using namespace qel::ziptest;
using qel::test::Answer;
using qel::test::ScriptedUi;

namespace {

const QString kEngineDir = QStringLiteral(QEL_PROGRAM_DIR);

bool enginesBuilt() {
  return QFileInfo::exists(kEngineDir + "/libzipdll.so") && QFileInfo::exists(kEngineDir + "/libunzdll.so");
}

bool haveTool(const char *name) { return !QStandardPaths::findExecutable(QString::fromLatin1(name)).isEmpty(); }

void setUp(TZipArchiver &zip) {
  zip.SetDLLDirectory(kEngineDir);
  zip.AddStoreSuffixes.remove(assEXE);
  zip.ExtrOptions = {ExtrOverWrite};
  zip.Unattended = true;
}

// Runs an outside tool through python, so arguments can be any bytes (a
// password in the legacy code page, which a UTF-8 command line cannot carry).
int runBytes(const QList<QByteArray> &args, QByteArray *out = nullptr) {
  QStringList hex;
  for (const QByteArray &a : args) hex << QString::fromLatin1(a.toHex());
  QByteArray output;
  const int rc = run(python(), QStringList{"-c",
                                           "import sys,subprocess\n"
                                           "a=[bytes.fromhex(x) for x in sys.argv[1:]]\n"
                                           "r=subprocess.run(a,stdout=subprocess.PIPE,stderr=subprocess.STDOUT)\n"
                                           "sys.stdout.buffer.write(r.stdout)\n"
                                           "sys.exit(r.returncode)\n"} +
                                    hex,
                     QDir::tempPath(), &output);
  if (out) *out = output;
  return rc;
}

// python's zipfile: tests every entry (with a password given as bytes) and prints the entry count.
QByteArray pythonTest(const QString &archive, const QByteArray &password = {}) {
  QByteArray out;
  const int rc = run(python(), {"-c",
                                "import sys,zipfile\n"
                                "z=zipfile.ZipFile(sys.argv[1])\n"
                                "pw=bytes.fromhex(sys.argv[2]) or None\n"
                                "if pw: z.setpassword(pw)\n"
                                "bad=z.testzip()\n"
                                "assert bad is None, bad\n"
                                "print(len(z.infolist()))\n",
                                archive, QString::fromLatin1(password.toHex())},
                     QDir::tempPath(), &out);
  return rc == 0 ? out.trimmed() : QByteArray("python failed: ") + out;
}

struct Told {
  QStringList messages;
  std::vector<UnZipSkipType> skips;
  void attach(TZipArchiver &zip) {
    zip.OnMessage = [this](TZipArchiver &, int, const QString &text) { messages << text; };
    zip.OnExtractSkipped = [this](TZipArchiver &, const QString &, UnZipSkipType kind, int) { skips.push_back(kind); };
  }
  bool said(const QString &part) const {
    for (const QString &m : messages)
      if (m.contains(part)) return true;
    return false;
  }
};

QByteArray deflateRaw(const QByteArray &data) {
  z_stream z{};
  deflateInit2(&z, 9, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
  QByteArray out(qsizetype(deflateBound(&z, uLong(data.size()))), '\0');
  z.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(data.constData()));
  z.avail_in = uInt(data.size());
  z.next_out = reinterpret_cast<Bytef *>(out.data());
  z.avail_out = uInt(out.size());
  deflate(&z, Z_FINISH);
  out.resize(qsizetype(z.total_out));
  deflateEnd(&z);
  return out;
}

QStringList filesUnder(const QString &dir) {
  QStringList all;
  QDir d(dir);
  for (const QString &f : d.entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden)) all << f;
  return all;
}

} // namespace

// bsdtar writing ZIP to a pipe pads its output to whole blocks after the end record.
TEST(ZipInterop, PaddedArchiveFromAPipeListsAndExtracts) {
  if (!enginesBuilt()) GTEST_SKIP() << "engine libraries not built";
  if (!haveTool("bsdtar")) GTEST_SKIP() << "bsdtar (libarchive-tools) not installed";
  const QString dir = qel::test::freshDir("padded");
  const QByteArray text = QByteArray("padded archive text\n").repeated(40);
  ASSERT_TRUE(writeAll(dir + "/a.txt", text));
  ASSERT_TRUE(writeAll(dir + "/b.bin", QByteArray("\x00\x01\x02", 3).repeated(100)));
  QProcess tar;
  tar.setWorkingDirectory(dir);
  tar.start("bsdtar", {"--format", "zip", "-cf", "-", "a.txt", "b.bin"});
  ASSERT_TRUE(tar.waitForFinished(30000));
  const QByteArray bytes = tar.readAllStandardOutput();
  ASSERT_TRUE(writeAll(dir + "/p.zip", bytes));
  // Padded: the last bytes are not the end record.
  ASSERT_EQ(bytes.size() % 512, 0);
  ASSERT_NE(bytes.right(22).left(4), QByteArray("PK\x05\x06", 4));

  QByteArray out;
  EXPECT_EQ(run("unzip", {"-tq", "p.zip"}, dir, &out), 0) << out.constData();
  EXPECT_EQ(run("7z", {"t", "p.zip"}, dir, &out), 0) << out.constData();
  EXPECT_EQ(pythonTest(dir + "/p.zip"), "2");

  TZipArchiver zip;
  setUp(zip);
  zip.SetZipFileName(dir + "/p.zip");
  ASSERT_EQ(zip.Count(), 2) << zip.Message().toStdString();
  EXPECT_EQ(zip.ErrCode(), 0);
  zip.ExtrBaseDir = dir + "/out";
  zip.FSpecArgs() << "*.*";
  zip.Extract();
  EXPECT_EQ(zip.SuccessCnt(), 2) << zip.Message().toStdString();
  EXPECT_EQ(readAll(dir + "/out/a.txt"), text);
  EXPECT_EQ(readAll(dir + "/out/b.bin"), readAll(dir + "/b.bin"));
}

TEST(ZipInterop, AccentedPasswordsBothWays) {
  if (!enginesBuilt()) GTEST_SKIP() << "engine libraries not built";
  ScriptedUi ui;
  const QString dir = qel::test::freshDir("accented");
  const QString password = QString::fromUtf8("p\xC3\xA4ssw\xC3\xB6rd");
  const QByteArray legacy("p\xE4ssw\xF6rd"), utf8 = password.toUtf8();
  const QByteArray text = QByteArray("secret card text\r\n").repeated(30);
  ASSERT_TRUE(writeAll(dir + "/card.~i", text));

  // Ours: the legacy code page, as the earlier program wrote it; outside tools given those bytes open it.
  {
    TZipArchiver zip;
    setUp(zip);
    zip.SetZipFileName(dir + "/ours.qel");
    zip.AddOptions.insert(AddEncrypt);
    zip.SetPassword(password);
    zip.FSpecArgs() << dir + "/card.~i";
    zip.Add();
    ASSERT_EQ(zip.SuccessCnt(), 1);
    QByteArray out;
    EXPECT_EQ(runBytes({"unzip", "-tq", "-P", legacy, QFile::encodeName(dir + "/ours.qel")}, &out), 0) << out.constData();
    EXPECT_EQ(pythonTest(dir + "/ours.qel", legacy), "1");
  }
  // zip -P with the password as typed in a UTF-8 terminal.
  QByteArray out;
  ASSERT_EQ(run("zip", {"-q", "-P", password, "tool.zip", "card.~i"}, dir, &out), 0) << out.constData();
  EXPECT_EQ(run("7z", {"t", "-p" + password, "tool.zip"}, dir, &out), 0) << out.constData();
  EXPECT_EQ(pythonTest(dir + "/tool.zip", utf8), "1");

  for (const QString &archive : {QStringLiteral("ours.qel"), QStringLiteral("tool.zip")}) {
    SCOPED_TRACE(archive.toStdString());
    // The password set beforehand.
    TZipArchiver zip;
    setUp(zip);
    zip.SetZipFileName(dir + "/" + archive);
    zip.SetPassword(password);
    zip.ExtrBaseDir = qel::test::freshDir("accented-set");
    zip.FSpecArgs() << "*.*";
    zip.Extract();
    EXPECT_EQ(zip.SuccessCnt(), 1) << zip.Message().toStdString();
    EXPECT_EQ(readAll(zip.ExtrBaseDir + "/card.~i"), text);

    // The password answered through the prompt.
    TZipArchiver asked;
    setUp(asked);
    asked.Unattended = false;
    asked.SetZipFileName(dir + "/" + archive);
    ui.clear();
    ui.answer(Answer::dialog(QDialog::Accepted,
                             [password](QDialog &d) { d.findChild<QLineEdit *>("e_Password")->setText(password); }));
    asked.ExtrBaseDir = qel::test::freshDir("accented-asked");
    asked.FSpecArgs() << "*.*";
    asked.Extract();
    EXPECT_EQ(asked.SuccessCnt(), 1) << asked.Message().toStdString();
    EXPECT_EQ(readAll(asked.ExtrBaseDir + "/card.~i"), text);
    EXPECT_EQ(ui.prompts().size(), 1u);
  }
}

TEST(ZipInterop, NamesListedAreNamesExtractedAndMissingNamesAreSaid) {
  if (!enginesBuilt()) GTEST_SKIP() << "engine libraries not built";
  const QString dir = qel::test::freshDir("names-shared");
  const std::vector<CraftedEntry> entries = {
      {"Caf\xE9.txt", "ntfs ansi", (11 << 8) | 20},
      {"\x81" "ber.txt", "ntfs oem", (11 << 8) | 50},
      {"Vfat\xE9.txt", "vfat", (14 << 8) | 20},
      {"unix\xFC.txt", "unix legacy bytes", (3 << 8) | 30},
      {"\x82t\x82.txt", "dos", (0 << 8) | 20},
  };
  ASSERT_TRUE(writeAll(dir + "/n.zip", craftArchive(entries)));
  TZipArchiver zip;
  setUp(zip);
  Told told;
  told.attach(zip);
  zip.SetZipFileName(dir + "/n.zip");
  ASSERT_EQ(zip.Count(), 5);
  QStringList listed;
  for (const auto &e : zip.ZipContents()) listed << e.FileName;
  EXPECT_EQ(listed, QStringList({QString::fromUtf8("Caf\xC3\xA9.txt"), QString::fromUtf8("\xC3\xBC" "ber.txt"),
                                 QString::fromUtf8("Vfat\xC3\xA9.txt"), QString::fromUtf8("unix\xC3\xBC.txt"),
                                 QString::fromUtf8("\xC3\xA9t\xC3\xA9.txt")}));
  // Each by its listed name, and one name that is not there.
  zip.ExtrBaseDir = dir + "/out";
  zip.FSpecArgs() << listed << "missing.txt";
  zip.Extract();
  EXPECT_EQ(zip.SuccessCnt(), 5);
  for (std::size_t i = 0; i < entries.size(); ++i)
    EXPECT_EQ(readAll(dir + "/out/" + listed[qsizetype(i)]), entries[i].data) << listed[qsizetype(i)].toStdString();
  EXPECT_TRUE(told.said("No entry matches missing.txt")) << told.messages.join('\n').toStdString();
}

TEST(ZipInterop, SeventyThousandEntriesBothWays) {
  if (!enginesBuilt()) GTEST_SKIP() << "engine libraries not built";
  constexpr int kCount = 70000;
  const QString dir = qel::test::freshDir("many");
  // One way: python writes a ZIP64 end record. The other: no ZIP64, the
  // classic 16-bit count wrapped (70000 & 0xFFFF = 4464).
  QByteArray out;
  ASSERT_EQ(run(python(), {"-c",
                           "import sys,zipfile\n"
                           "with zipfile.ZipFile(sys.argv[1],'w') as z:\n"
                           "  for i in range(70000): z.writestr('f%05d.txt'%i,'x%d'%i)\n",
                           dir + "/zip64.zip"},
                dir, &out),
            0)
      << out.constData();
  std::vector<CraftedEntry> entries(kCount);
  for (int i = 0; i < kCount; ++i) {
    entries[std::size_t(i)].name = QByteArray("f") + QByteArray::number(i).rightJustified(5, '0') + ".txt";
    entries[std::size_t(i)].data = "x" + QByteArray::number(i);
  }
  ASSERT_TRUE(writeAll(dir + "/wrapped.zip", craftArchive(entries)));

  for (const QString &name : {QStringLiteral("zip64.zip"), QStringLiteral("wrapped.zip")}) {
    SCOPED_TRACE(name.toStdString());
    const QString archive = dir + "/" + name;
    EXPECT_EQ(run("unzip", {"-tqq", archive}, dir, &out), 0) << out.left(300).constData();
    EXPECT_EQ(run("7z", {"t", archive}, dir, &out), 0) << out.right(300).constData();
    EXPECT_EQ(pythonTest(archive), "70000");

    TZipArchiver zip;
    setUp(zip);
    zip.SetZipFileName(archive);
    ASSERT_EQ(zip.Count(), kCount) << zip.Message().toStdString();
    EXPECT_EQ(zip.ErrCode(), 0) << "no warning: nothing is shifted";
    const auto &list = zip.ZipContents();
    EXPECT_EQ(list.front().FileName, "f00000.txt");
    EXPECT_EQ(list.front().LocalHeaderOffset64, 0u);
    EXPECT_EQ(list.back().FileName, "f69999.txt");

    // Every entry tested; the last one extracted by name.
    zip.ExtrOptions = {ExtrTest};
    zip.FSpecArgs() << "*.*";
    zip.Extract();
    EXPECT_EQ(zip.SuccessCnt(), kCount) << zip.Message().toStdString();
    zip.ExtrOptions = {ExtrOverWrite};
    zip.ExtrBaseDir = dir + "/out-" + name;
    zip.FSpecArgs() << "f69999.txt" << "f00000.txt";
    zip.Extract();
    EXPECT_EQ(zip.SuccessCnt(), 2);
    EXPECT_EQ(readAll(zip.ExtrBaseDir + "/f69999.txt"), "x69999");
    EXPECT_EQ(readAll(zip.ExtrBaseDir + "/f00000.txt"), "x0");
  }

  // A count that agrees with neither: refused in the listing and the engine alike.
  QByteArray damaged = readAll(dir + "/wrapped.zip");
  damaged[damaged.size() - 12] = char(0x11);  // total entries 4465
  ASSERT_TRUE(writeAll(dir + "/damaged.zip", damaged));
  TZipArchiver zip;
  setUp(zip);
  zip.SetZipFileName(dir + "/damaged.zip");
  EXPECT_EQ(zip.Count(), 0);
  EXPECT_EQ(zip.ErrCode(), 11013);
}

TEST(ZipInterop, Zip64EntriesAreRead) {
  if (!enginesBuilt()) GTEST_SKIP() << "engine libraries not built";
  const QString dir = qel::test::freshDir("zip64-entries");
  std::vector<CraftedEntry> entries = {{"one.txt", "first entry\n"}, {"two.txt", QByteArray("second\n").repeated(9)}};
  for (CraftedEntry &e : entries) e.zip64 = true;
  ASSERT_TRUE(writeAll(dir + "/z.zip", craftArchive(entries, {true})));
  QByteArray out;
  EXPECT_EQ(run("unzip", {"-tq", "z.zip"}, dir, &out), 0) << out.constData();
  EXPECT_EQ(run("7z", {"t", "z.zip"}, dir, &out), 0) << out.constData();
  EXPECT_EQ(pythonTest(dir + "/z.zip"), "2");

  TZipArchiver zip;
  setUp(zip);
  zip.SetZipFileName(dir + "/z.zip");
  ASSERT_EQ(zip.Count(), 2) << zip.Message().toStdString();
  EXPECT_EQ(zip.ZipContents()[1].UncompressedSize64, 63u);
  EXPECT_EQ(zip.ZipContents()[1].uncompressedSize, 0xFFFFFFFFu) << "the stored header stays as it is";
  EXPECT_EQ(zip.ZipContents()[1].LocalHeaderOffset64, 30u + 7 + 12);
  zip.ExtrBaseDir = dir + "/out";
  zip.FSpecArgs() << "*.*";
  zip.Extract();
  EXPECT_EQ(zip.SuccessCnt(), 2) << zip.Message().toStdString();
  EXPECT_EQ(readAll(dir + "/out/two.txt"), entries[1].data);
}

TEST(ZipInterop, ExpansionIsBounded) {
  if (!enginesBuilt()) GTEST_SKIP() << "engine libraries not built";
  const QString dir = qel::test::freshDir("bombs");
  const QByteArray zeros(1 << 20, '\0');
  const QByteArray packed = deflateRaw(zeros);

  struct Case {
    const char *what;
    std::vector<CraftedEntry> entries;
    bool zip64End;
    QString said;
  };
  CraftedEntry first{"a.bin", packed};
  first.method = 8;
  first.declaredSize = zeros.size();
  CraftedEntry shared = first;
  shared.localOffset = 0;
  CraftedEntry huge{"huge.bin", packed};
  huge.method = 8;
  huge.zip64 = true;
  huge.declaredSize = std::uint64_t(1) << 52;
  const Case cases[] = {
      {"three entries share one local header",
       {first, [&] { auto e = shared; e.name = "b.bin"; return e; }(), [&] { auto e = shared; e.name = "c.bin"; return e; }()},
       false, "overlap"},
      {"declared sizes beyond the free space", {huge}, true, "Not enough free space"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    const QString archive = dir + "/bomb.zip";
    ASSERT_TRUE(writeAll(archive, craftArchive(c.entries, {c.zip64End})));
    if (c.said == "overlap") {
      QByteArray out;
      EXPECT_NE(run("unzip", {"-tq", archive}, dir, &out), 0) << "unzip refuses it too: " << out.constData();
    }
    TZipArchiver zip;
    setUp(zip);
    Told told;
    told.attach(zip);
    zip.SetZipFileName(archive);
    ASSERT_EQ(zip.Count(), int(c.entries.size()));
    const QString target = qel::test::freshDir("bombs-out");
    zip.ExtrBaseDir = target;
    zip.FSpecArgs() << "*.*";
    zip.Extract();
    EXPECT_LE(zip.SuccessCnt(), 0);
    EXPECT_TRUE(told.said(c.said)) << told.messages.join('\n').toStdString();
    EXPECT_EQ(filesUnder(target), QStringList());
  }
}

TEST(ZipInterop, LongNamesEncryptionMethodsAndDotEntries) {
  if (!enginesBuilt()) GTEST_SKIP() << "engine libraries not built";
  const QString dir = qel::test::freshDir("odd-names");
  const QByteArray longName = "long/" + QByteArray(200, 'n') + "/" + QByteArray(90, 'm') + ".txt";
  CraftedEntry aes{"aes.txt", QByteArray(40, 'z')};
  aes.method = 99;
  aes.flags = 1;
  const std::vector<CraftedEntry> entries = {{longName, "long name\n"}, aes, {"sub/.", ""}, {"plain.txt", "plain"}};
  ASSERT_TRUE(writeAll(dir + "/o.zip", craftArchive(entries)));
  QByteArray out;
  ASSERT_EQ(run(python(), {"-c", "import sys,zipfile\nprint(zipfile.ZipFile(sys.argv[1]).read(sys.argv[2]).decode())",
                           dir + "/o.zip", QString::fromLatin1(longName)},
                dir, &out),
            0)
      << out.constData();
  EXPECT_EQ(out, "long name\n\n");

  TZipArchiver zip;
  setUp(zip);
  Told told;
  told.attach(zip);
  zip.SetZipFileName(dir + "/o.zip");
  ASSERT_EQ(zip.Count(), 3) << "the folder entry is left out: " << zip.Message().toStdString();
  EXPECT_EQ(zip.ZipContents()[0].FileName, QString::fromLatin1(longName));
  zip.ExtrOptions = {ExtrOverWrite, ExtrDirNames};
  zip.ExtrBaseDir = dir + "/out";
  zip.FSpecArgs() << "*.*";
  zip.Extract();
  EXPECT_EQ(zip.SuccessCnt(), 2);
  EXPECT_EQ(readAll(dir + "/out/" + QString::fromLatin1(longName)), "long name\n");
  EXPECT_EQ(readAll(dir + "/out/plain.txt"), "plain");
  EXPECT_TRUE(QFileInfo(dir + "/out/sub").isDir()) << "\"sub/.\" names the folder, never a file";
  EXPECT_FALSE(QFileInfo::exists(dir + "/out/aes.txt"));
  ASSERT_EQ(told.skips.size(), 1u);
  EXPECT_EQ(told.skips[0], stNoEncryptionDLL);
}

// ZIP64 archives as other tools write them small: the zip tool forced to
// ZIP64, and writing from a pipe (ZIP64 extra fields with sizes that fit, a
// ZIP64 end record the classic one defers to, data descriptors).
TEST(ZipInterop, SmallZip64ArchivesOfTheZipTool) {
  if (!enginesBuilt()) GTEST_SKIP() << "engine libraries not built";
  if (!haveTool("zip")) GTEST_SKIP() << "zip missing";
  const QString dir = qel::test::freshDir("zip64-small");
  ASSERT_TRUE(writeAll(dir + "/a.txt", "hello\n"));
  QByteArray out;
  ASSERT_EQ(run("zip", {"-q", "-fz", "forced.zip", "a.txt"}, dir, &out), 0) << out.constData();
  ASSERT_EQ(run("sh", {"-c", "printf 'hello\\n' | zip -q -fz piped.zip -"}, dir, &out), 0) << out.constData();
  for (const char *name : {"forced.zip", "piped.zip"}) {
    SCOPED_TRACE(name);
    TZipArchiver zip;
    setUp(zip);
    zip.SetZipFileName(dir + "/" + name);
    ASSERT_EQ(zip.Count(), 1) << zip.Message().toStdString();
    EXPECT_EQ(zip.ZipContents()[0].UncompressedSize64, 6u);
    zip.ExtrBaseDir = dir + "/out-" + name;
    zip.FSpecArgs() << "*";
    zip.Extract();
    EXPECT_EQ(zip.SuccessCnt(), 1) << zip.Message().toStdString();
    EXPECT_EQ(readAll(zip.ExtrBaseDir + "/" + zip.ZipContents()[0].FileName), "hello\n");
  }
}

// Read as unzip and python read them: a small ZIP64 archive whose classic
// end record leaves the directory's size and place all ones, and an entry
// whose stored name holds a zero byte while its Unicode path field (made for
// that very name) gives a clean one.
TEST(ZipInterop, Zip64EndOfAllOnesAndUnicodePathOverAZeroByte) {
  if (!enginesBuilt()) GTEST_SKIP() << "engine libraries not built";
  const QString dir = qel::test::freshDir("zip64-allones");
  auto unicodePath = [](const QByteArray &stored, const QByteArray &name) {
    QByteArray f;
    const std::uint32_t crc = zipfmt::crc32Of(stored.constData(), std::size_t(stored.size()));
    const qsizetype len = 5 + name.size();
    f += char(0x75); f += char(0x70); f += char(len & 0xFF); f += char(len >> 8);
    f += char(1);
    for (int k = 0; k < 4; ++k) f += char((crc >> (8 * k)) & 0xFF);
    return f + name;
  };
  const QByteArray zeroName("bad\0name.txt", 12);
  CraftedEntry plain{"one.txt", "first entry\n"};
  plain.zip64 = true;
  CraftedEntry zero{zeroName, "second entry\n"};
  zero.centralExtra = unicodePath(zeroName, "clean.txt");
  CraftedEntry unmatched{QByteArray("x\0y.txt", 7), "third\n"};
  unmatched.centralExtra = unicodePath("other name", "sneaky.txt");  // made for another name: not taken
  ASSERT_TRUE(writeAll(dir + "/z.zip", craftArchive({plain, zero}, {true, true})));
  ASSERT_TRUE(writeAll(dir + "/u.zip", craftArchive({unmatched})));
  QByteArray out;
  EXPECT_EQ(run("unzip", {"-tq", "z.zip"}, dir, &out), 0) << out.constData();
  EXPECT_EQ(pythonTest(dir + "/z.zip"), "2");

  TZipArchiver zip;
  setUp(zip);
  zip.SetZipFileName(dir + "/z.zip");
  ASSERT_EQ(zip.Count(), 2) << zip.Message().toStdString();
  EXPECT_EQ(zip.ZipContents()[0].FileName, "one.txt");
  EXPECT_EQ(zip.ZipContents()[1].FileName, "clean.txt");
  zip.ExtrBaseDir = dir + "/out";
  zip.FSpecArgs() << "*";
  zip.Extract();
  EXPECT_EQ(zip.SuccessCnt(), 2) << zip.Message().toStdString();
  EXPECT_EQ(readAll(dir + "/out/one.txt"), "first entry\n");
  EXPECT_EQ(readAll(dir + "/out/clean.txt"), "second entry\n");

  zip.SetZipFileName(dir + "/u.zip");
  ASSERT_EQ(zip.Count(), 1);
  EXPECT_NE(zip.ZipContents()[0].FileName, "sneaky.txt");
  zip.ExtrBaseDir = dir + "/out-u";
  zip.FSpecArgs().clear();
  zip.FSpecArgs() << "*";
  zip.Extract();
  EXPECT_EQ(zip.SuccessCnt(), 0) << "a zero byte in the name, and no clean name for it";
  EXPECT_FALSE(QFileInfo::exists(dir + "/out-u/sneaky.txt"));
}

// Large entries are compressed in blocks side by side: whatever their size
// (none, a block's round exactly, rounds and a short last block), the
// entry is one deflate stream the tools read, no larger than one stream
// made at once, and it comes back byte for byte, also encrypted.
TEST(ZipInterop, LargeEntriesCompressedInBlocksReadBackWhole) {
  if (!enginesBuilt()) GTEST_SKIP() << "engine libraries not built";
  const QString dir = qel::test::freshDir("blocks");
  // Text whose repeats reach across block ends.
  QRandomGenerator rng(5);
  const char *words[] = {"card ", "index ", "moraine ", "meeting ", "\r\n", "telephone ", "notes ", "7 "};
  QByteArray text;
  while (text.size() < (9 << 20)) text += words[rng.bounded(8)];
  struct Case {
    const char *name;
    QByteArray data;
  } cases[] = {
      {"empty.~h", {}},
      {"round.~h", text.left(8 << 20)},  // a whole round for 1, 2, 4 or 8 threads
      {"rounds.~h", text.left((8 << 20) + 12345)},
  };
  QStringList names;
  for (const Case &c : cases) {
    ASSERT_TRUE(writeAll(dir + "/" + c.name, c.data));
    names << dir + "/" + c.name;
  }
  for (bool encrypt : {false, true}) {
    const QString archive = dir + (encrypt ? "/secret.qel" : "/plain.qel");
    TZipArchiver zip;
    setUp(zip);
    zip.SetZipFileName(archive);
    if (encrypt) {
      zip.AddOptions.insert(AddEncrypt);
      zip.SetPassword(QStringLiteral("pw"));
    }
    zip.FSpecArgs() << names;
    zip.Add();
    ASSERT_EQ(zip.SuccessCnt(), 3);
    QByteArray out;
    const QStringList password = encrypt ? QStringList{"-P", "pw"} : QStringList{};
    EXPECT_EQ(run("unzip", QStringList{"-tq"} + password + QStringList{archive}, dir, &out), 0) << out.constData();
    EXPECT_EQ(pythonTest(archive, encrypt ? QByteArray("pw") : QByteArray()), "3");
    const auto &contents = zip.ZipContents();
    ASSERT_EQ(contents.size(), 3u);
    const qint64 atOnce = deflateRaw(cases[2].data).size();
    EXPECT_LE(qint64(contents[2].CompressedSize64), atOnce + atOnce / 50 + (encrypt ? 12 : 0));

    zip.ExtrBaseDir = dir + (encrypt ? "/out-secret" : "/out-plain");
    zip.FSpecArgs().clear();
    zip.FSpecArgs() << "*.*";
    zip.Extract();
    EXPECT_EQ(zip.SuccessCnt(), 3);
    for (const Case &c : cases) EXPECT_TRUE(readAll(zip.ExtrBaseDir + "/" + c.name) == c.data) << c.name << encrypt;
  }
}
