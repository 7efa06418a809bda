// Spanned sets: split onto numbered files in a folder and onto stand-in
// removable disks, joined back, judged by unzip, python and Info-ZIP's join.

#include "tests/support/scriptedui.h"
#include "tests/support/testenv.h"
#include "tests/zip/ziptestutil.h"
#include "zip/ziparchiver.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <gtest/gtest.h>

#include <map>
#include <sys/stat.h>
#include <unistd.h>

using namespace qel;
using namespace qel::ziptest;
using qel::test::ScriptedUi;

namespace {

const QString kEngineDir = QStringLiteral(QEL_PROGRAM_DIR);

bool enginesBuilt() {
  return QFileInfo::exists(kEngineDir + "/libzipdll.so") && QFileInfo::exists(kEngineDir + "/libunzdll.so");
}

void setUp(TZipArchiver &zip) {
  zip.SetDLLDirectory(kEngineDir);
  zip.AddStoreSuffixes.remove(assEXE);
  zip.ExtrOptions = {ExtrOverWrite};
  zip.Unattended = true;
  zip.MinFreeVolumeSize = 1000;
}

QByteArray noise(qsizetype size, quint32 seed) {
  QByteArray b(size, Qt::Uninitialized);
  QRandomGenerator rng(seed);
  for (char &c : b) c = char(rng.generate() & 0xFF);
  return b;
}

// Sources: incompressible files, so the sizes of volumes are predictable.
struct Sources {
  QString dir;
  std::map<QString, QByteArray> files;
  explicit Sources(const QString &name) {
    dir = qel::test::freshDir(name);
    files["a.bin"] = noise(30000, 1);
    files["b.txt"] = QByteArray("text that compresses well ").repeated(2000);
    files["c.bin"] = noise(45000, 3);
    for (auto &[n, data] : files) EXPECT_TRUE(writeAll(dir + "/" + n, data));
  }
  QStringList fileArgs() const {
    QStringList s;
    for (auto &[n, data] : files) s << dir + "/" + n;
    return s;
  }
};

int pythonCheck(const QString &archive, const std::map<QString, QByteArray> &files, QByteArray *out) {
  QStringList args{"-c",
                   "import sys,zipfile\n"
                   "z=zipfile.ZipFile(sys.argv[1])\n"
                   "assert z.testzip() is None\n"
                   "a=sys.argv[2:]\n"
                   "for i in range(0,len(a),2):\n"
                   "  assert z.read(a[i])==open(a[i+1],'rb').read(), a[i]\n"
                   "print('ok', len(z.infolist()))\n",
                   archive};
  const QString dir = qel::test::freshDir("pycheck");
  int k = 0;
  for (auto &[n, data] : files) {
    const QString path = dir + "/" + QString::number(k++);
    writeAll(path, data);
    args << n << path;
  }
  return run(python(), args, dir, out);
}

// A removable drive whose disks are folders: the drive's path is a link the
// stand-in points at the disk in it.
struct StandInDisks : VolumeService {
  struct Disk {
    QString folder;
    qint64 capacity = 0;
    QString label;
  };
  QString drive;  // the link, without its trailing "/"
  std::vector<Disk> disks;
  int inserted = -1;

  StandInDisks(const QString &root, int count, qint64 capacity) {
    drive = root + "/drive";
    for (int i = 0; i < count; ++i) {
      Disk d;
      d.folder = root + "/disk" + QString::number(i);
      d.capacity = capacity;
      QDir().mkpath(d.folder);
      disks.push_back(d);
    }
  }
  void insert(int k) {
    inserted = k;
    QFile::remove(drive);
    if (k >= 0) { EXPECT_EQ(symlink(QFile::encodeName(disks[std::size_t(k)].folder).constData(), QFile::encodeName(drive).constData()), 0); }
  }
  bool ours(const QString &d) const { return QDir::cleanPath(d) == drive; }
  qint64 used() const {
    qint64 n = 0;
    QDirIterator it(disks[std::size_t(inserted)].folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) n += QFileInfo(it.next()).size();
    return n;
  }
  VolumeKind kind(const QString &d) override { return ours(d) ? VolumeKind::Removable : VolumeKind::Fixed; }
  bool present(const QString &) override { return inserted >= 0; }
  QString label(const QString &) override { return inserted >= 0 ? disks[std::size_t(inserted)].label : QString(); }
  bool setLabel(const QString &, const QString &l) override {
    if (inserted < 0) return false;
    disks[std::size_t(inserted)].label = l;
    return true;
  }
  qint64 freeBytes(const QString &) override { return inserted >= 0 ? disks[std::size_t(inserted)].capacity - used() : -1; }
  qint64 totalBytes(const QString &) override { return inserted >= 0 ? disks[std::size_t(inserted)].capacity : -1; }
  int format(const QString &) override { return -3; }
};

// Makes an archive of the sources with the engine (no spanning).
QString plainArchive(const Sources &src, const QString &path) {
  TZipArchiver zip;
  setUp(zip);
  zip.SetZipFileName(path);
  zip.FSpecArgs() << src.fileArgs();
  zip.Add();
  EXPECT_EQ(zip.SuccessCnt(), int(src.files.size()));
  return path;
}

} // namespace

TEST(ZipSpan, SplitOntoNumberedFilesAndJoinBack) {
  if (!enginesBuilt()) GTEST_SKIP() << "engine libraries not built";
  ScriptedUi ui;  // nothing may be asked
  Sources src("span-fixed");
  const QString out = qel::test::freshDir("span-fixed-set");
  TZipArchiver zip;
  setUp(zip);
  zip.MaxVolumeSize = 20000;
  zip.KeepFreeOnDisk1 = 5000;
  zip.AddOptions = {AddDiskSpan};
  zip.SetZipFileName(out + "/set.zip");
  zip.FSpecArgs() << src.fileArgs();
  zip.Add();
  ASSERT_EQ(zip.SuccessCnt(), 3) << zip.Message().toStdString();
  const QStringList volumes = QDir(out).entryList(QDir::Files, QDir::Name);
  ASSERT_GE(volumes.size(), 4);
  EXPECT_EQ(volumes.first(), "set001.zip");
  EXPECT_EQ(zip.ZipFileName(), out + "/" + volumes.last()) << "ZipFileName names the last volume";
  EXPECT_EQ(zip.LastVolumeNumber(), volumes.size() - 1);
  EXPECT_LE(QFileInfo(out + "/set001.zip").size(), 20000 - 5000);
  for (const QString &v : volumes) EXPECT_LE(QFileInfo(out + "/" + v).size(), 20000) << v.toStdString();
  EXPECT_TRUE(ui.prompts().empty());

  // The listing of the set; no local header straddles two volumes.
  ASSERT_EQ(zip.Count(), 3);
  for (const ZipDirEntry &e : zip.ZipContents()) {
    const QByteArray vol = readAll(out + "/" + volumes[e.diskNumberStart]);
    const qsizetype at = qsizetype(e.localHeaderOffset);
    ASSERT_LE(at + 30 + e.nameLength, vol.size()) << e.FileName.toStdString();
    EXPECT_EQ(vol.mid(at, 4), QByteArray("PK\x03\x04", 4));
  }

  // Extracting joins the set first.
  zip.ExtrBaseDir = qel::test::freshDir("span-fixed-out");
  zip.FSpecArgs() << "*.*";
  zip.Extract();
  EXPECT_EQ(zip.SuccessCnt(), 3) << zip.Message().toStdString();
  for (auto &[n, data] : src.files) EXPECT_EQ(readAll(zip.ExtrBaseDir + "/" + n), data) << n.toStdString();

  // Joined to a file: unzip and python accept it.
  QString joined = qel::test::freshDir("span-fixed-joined") + "/joined.zip";
  ASSERT_EQ(zip.ReadSpan(zip.ZipFileName(), joined), 0) << zip.Message().toStdString();
  QByteArray said;
  EXPECT_EQ(run("unzip", {"-tq", joined}, out, &said), 0) << said.constData();
  EXPECT_EQ(pythonCheck(joined, src.files, &said), 0) << said.constData();
  EXPECT_EQ(QFileInfo(joined).lastModified(), QFileInfo(out + "/set001.zip").lastModified()) << "the set's date";

  // Our volumes renamed as Info-ZIP names them, joined by zip -s 0.
  const QString info = qel::test::freshDir("span-infozip");
  for (int i = 0; i < volumes.size(); ++i) {
    const QString name = i + 1 == volumes.size() ? QStringLiteral("set.zip") : QStringLiteral("set.z%1").arg(i + 1, 2, 10, QLatin1Char('0'));
    ASSERT_TRUE(QFile::copy(out + "/" + volumes[i], info + "/" + name));
  }
  ASSERT_EQ(run("zip", {"-q", "-s", "0", "set.zip", "--out", "whole.zip"}, info, &said), 0) << said.constData();
  EXPECT_EQ(run("unzip", {"-tq", "whole.zip"}, info, &said), 0) << said.constData();
  EXPECT_EQ(pythonCheck(info + "/whole.zip", src.files, &said), 0) << said.constData();
}

TEST(ZipSpan, WrongVolumesAndLimitsAreRefused) {
  if (!enginesBuilt()) GTEST_SKIP() << "engine libraries not built";
  Sources src("span-limits");
  const QString archive = plainArchive(src, src.dir + "/whole.zip");
  struct Case {
    const char *what;
    std::function<int(TZipArchiver &, const QString &set)> act;
    int result;
    int id;
    QString message;
  };
  auto split = [&](qint64 max, qint64 minFree) {
    return [&, max, minFree](TZipArchiver &z, const QString &set) {
      z.MaxVolumeSize = max;
      z.MinFreeVolumeSize = minFree;
      return z.WriteSpan(archive, set + "/s.zip");
    };
  };
  const Case cases[] = {
      {"more than 999 volumes", split(50, 10), -7, 11049, "A spanned set cannot hold more than 999 volumes"},
      {"volume below the minimum free size", split(50000, 65536), -7, 11025, "Unattended disk spanning not implemented"},
      {"a folder that does not exist", [&](TZipArchiver &z, const QString &set) { return z.WriteSpan(archive, set + "/none/s.zip"); },
       -7, 11004, ""},
      {"no such archive", [&](TZipArchiver &z, const QString &set) { return z.WriteSpan(set + "/missing.zip", set + "/s.zip"); },
       -7, 11001, "Input file does not exist"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    const QString set = qel::test::freshDir("span-limits-set");
    TZipArchiver zip;
    setUp(zip);
    EXPECT_EQ(c.act(zip, set), c.result);
    EXPECT_EQ(zip.ErrCode(), c.id) << zip.Message().toStdString();
    if (!c.message.isEmpty()) { EXPECT_EQ(zip.Message(), c.message); }
    EXPECT_TRUE(QDir(set).entryList(QDir::Files).isEmpty()) << "nothing written";
  }
  EXPECT_TRUE(QFileInfo::exists(archive));

  // A set of four; joining from a volume that is not the last.
  const QString set = qel::test::freshDir("span-notlast");
  TZipArchiver zip;
  setUp(zip);
  zip.MaxVolumeSize = 25000;
  ASSERT_EQ(zip.WriteSpan(archive, set + "/s.zip"), 0) << zip.Message().toStdString();
  ASSERT_TRUE(QFileInfo::exists(set + "/s004.zip"));
  for (auto [name, id, text] : {std::tuple{"s001.zip", 11037, "This is the first disk in a backup set,\nplease insert the last disk of this set"},
                                std::tuple{"s002.zip", 11038, "This is the 2th disk in a backup set,\nplease insert the last disk of this set"}}) {
    QString joined = set + "/j.zip";
    EXPECT_EQ(zip.ReadSpan(set + "/" + name, joined), -7);
    EXPECT_EQ(zip.ErrCode(), id);
    EXPECT_EQ(zip.Message(), text);
    EXPECT_TRUE(joined.isEmpty());
    EXPECT_FALSE(QFileInfo::exists(set + "/j.zip")) << "a failed join leaves no output";
  }
  // An existing volume is not overwritten unattended; attended, the user is asked.
  EXPECT_EQ(zip.WriteSpan(archive, set + "/s.zip"), -7);
  EXPECT_EQ(zip.ErrCode(), 11025);
  ScriptedUi ui;
  ui.answerButton(IDCANCEL);
  zip.Unattended = false;
  EXPECT_EQ(zip.WriteSpan(archive, set + "/s.zip"), -7);
  EXPECT_EQ(zip.ErrCode(), 11007);
  EXPECT_EQ(ui.messageTexts(), QStringList{"Overwrite previous file " + set + "/s001.zip"});
  ASSERT_EQ(ui.prompts().size(), 1u);
  EXPECT_EQ(ui.prompts()[0].caption, "Confirm");
  EXPECT_EQ(ui.prompts()[0].flags, unsigned(MB_YESNOCANCEL | MB_ICONWARNING | MB_DEFBUTTON2));
}

TEST(ZipSpan, RemovableDisksThroughTheStandIn) {
  if (!enginesBuilt()) GTEST_SKIP() << "engine libraries not built";
  ScriptedUi ui;  // every question goes to the handlers: an unscripted message fails the test
  Sources src("span-disks");
  const QString archive = plainArchive(src, src.dir + "/whole.zip");
  const QString root = qel::test::freshDir("span-disks-root");
  StandInDisks disks(root, 6, 30000);
  disks.insert(0);

  // Unattended, a prompt would be needed: refused.
  {
    TZipArchiver zip;
    setUp(zip);
    zip.SetVolumeService(&disks);
    EXPECT_EQ(zip.WriteSpan(archive, disks.drive + "/set.zip"), -7);
    EXPECT_EQ(zip.ErrCode(), 11025);
  }

  TZipArchiver zip;
  setUp(zip);
  zip.Unattended = false;
  zip.SetVolumeService(&disks);
  std::vector<std::pair<int, int>> asked;
  zip.OnGetNextDisk = [&](TZipArchiver &, int seq, int total, const QString &, bool &abort) {
    asked.emplace_back(seq, total);
    if (seq - 1 >= int(disks.disks.size())) {
      abort = true;
      return;
    }
    disks.insert(seq - 1);
  };
  ASSERT_EQ(zip.WriteSpan(archive, disks.drive + "/set.zip"), 0) << zip.Message().toStdString();
  int used = 0;
  for (std::size_t i = 0; i < disks.disks.size(); ++i) {
    if (!QFileInfo::exists(disks.disks[i].folder + "/set.zip")) continue;
    ++used;
    EXPECT_EQ(disks.disks[i].label, QStringLiteral("PKBACK# %1").arg(i + 1, 3, 10, QLatin1Char('0')));
    EXPECT_LE(QFileInfo(disks.disks[i].folder + "/set.zip").size(), 30000);
  }
  ASSERT_GE(used, 3);
  ASSERT_FALSE(asked.empty());
  EXPECT_EQ(asked.front().first, 1);

  // Joining asks for the last disk first, then the others by their labels.
  asked.clear();
  disks.insert(used - 1);
  zip.OnGetNextDisk = [&](TZipArchiver &, int seq, int total, const QString &, bool &) {
    asked.emplace_back(seq, total);
    disks.insert(seq - 1);
  };
  QString joined = qel::test::freshDir("span-disks-joined") + "/j.zip";
  ASSERT_EQ(zip.ReadSpan(disks.drive + "/set.zip", joined), 0) << zip.Message().toStdString();
  QByteArray said;
  EXPECT_EQ(run("unzip", {"-tq", joined}, root, &said), 0) << said.constData();
  EXPECT_EQ(pythonCheck(joined, src.files, &said), 0) << said.constData();
  ASSERT_FALSE(asked.empty());
  EXPECT_EQ(asked.front(), std::make_pair(1, used)) << "the first volume after the last";

  // Writing again onto disks that hold the set: the status handler is told and decides.
  std::vector<TZipDiskStatus> statuses;
  zip.OnStatusDisk = [&](TZipArchiver &, int, const QString &, TZipDiskStatus status, TZipDiskAction &action) {
    statuses.push_back(status);
    action = zdaCancel;
  };
  disks.insert(0);
  zip.OnGetNextDisk = [&](TZipArchiver &, int seq, int, const QString &, bool &) { disks.insert(seq - 1); };
  EXPECT_EQ(zip.WriteSpan(archive, disks.drive + "/set.zip"), -7);
  EXPECT_EQ(zip.ErrCode(), 11007);
  ASSERT_EQ(statuses.size(), 1u);
  EXPECT_TRUE(statuses[0] & (zdsSameFileName | zdsPreviousDisk));
  EXPECT_TRUE(statuses[0] & zdsHasFiles);

  // A disk with too little room: zdsNotEnoughSpace.
  statuses.clear();
  for (auto &d : disks.disks) QDir(d.folder).removeRecursively(), QDir().mkpath(d.folder), d.capacity = 500;
  disks.insert(0);
  EXPECT_EQ(zip.WriteSpan(archive, disks.drive + "/set.zip"), -7);
  ASSERT_EQ(statuses.size(), 1u);
  EXPECT_EQ(statuses[0], zdsNotEnoughSpace);
}

TEST(ZipSpan, CraftedArchivesSplitAndJoinWhole) {
  if (!enginesBuilt()) GTEST_SKIP() << "engine libraries not built";
  // Names that differ only in case, a name longer than 255 bytes, and an
  // entry written with a data descriptor without its signature.
  const QString dir = qel::test::freshDir("span-crafted");
  const QByteArray longName = QByteArray(150, 'd') + "/" + QByteArray(140, 'f') + ".txt";
  std::vector<CraftedEntry> entries = {{"A.txt", noise(9000, 5)}, {"a.txt", noise(9000, 6)}, {longName, "long"}};
  QByteArray bytes = craftArchive(entries);
  // A fourth entry with flag bit 3: local sizes 0, a 12-byte descriptor, then the directory.
  {
    using namespace zipfmt;
    const QByteArray data = noise(7000, 7);
    std::vector<unsigned char> local, central;
    const std::uint32_t crc = crc32Of(data.constData(), std::size_t(data.size()));
    DirectoryLocation where;
    // Rebuild: entries, then the new one, then the old directory plus one header.
    const qsizetype endPos = bytes.size() - 22;
    const std::uint32_t dirOffset = getLe32(reinterpret_cast<const unsigned char *>(bytes.constData()) + endPos + 16);
    const std::uint32_t dirSize = getLe32(reinterpret_cast<const unsigned char *>(bytes.constData()) + endPos + 12);
    LocalHeader lh;
    lh.flags = kFlagDescriptor;
    lh.nameLength = 5;
    lh.write(local);
    local.insert(local.end(), {'d', '.', 'b', 'i', 'n'});
    local.insert(local.end(), data.begin(), data.end());
    ByteWriter w(local);
    w.u32(crc);
    w.u32(std::uint32_t(data.size()));
    w.u32(std::uint32_t(data.size()));
    CentralHeader ch;
    ch.versionMadeBy = (3 << 8) | 20;
    ch.versionNeeded = 20;
    ch.flags = kFlagDescriptor;
    ch.crc = crc;
    ch.compressedSize = ch.uncompressedSize = std::uint32_t(data.size());
    ch.nameLength = 5;
    ch.localHeaderOffset = dirOffset;
    ch.write(central);
    central.insert(central.end(), {'d', '.', 'b', 'i', 'n'});
    QByteArray rebuilt = bytes.left(dirOffset);
    rebuilt += QByteArray(reinterpret_cast<const char *>(local.data()), qsizetype(local.size()));
    const std::uint32_t newDirOffset = std::uint32_t(rebuilt.size());
    rebuilt += bytes.mid(dirOffset, dirSize);
    rebuilt += QByteArray(reinterpret_cast<const char *>(central.data()), qsizetype(central.size()));
    std::vector<unsigned char> endRec;
    EndRecord er;
    er.entriesOnDisk = er.totalEntries = 4;
    er.directorySize = std::uint32_t(dirSize + central.size());
    er.directoryOffset = newDirOffset;
    er.write(endRec);
    rebuilt += QByteArray(reinterpret_cast<const char *>(endRec.data()), qsizetype(endRec.size()));
    bytes = rebuilt;
    entries.push_back({"d.bin", data});
  }
  ASSERT_TRUE(writeAll(dir + "/crafted.zip", bytes));
  std::map<QString, QByteArray> expected;
  for (const CraftedEntry &e : entries) expected[QString::fromLatin1(e.name)] = e.data;
  QByteArray said;
  ASSERT_EQ(pythonCheck(dir + "/crafted.zip", expected, &said), 0) << said.constData();

  TZipArchiver zip;
  setUp(zip);
  zip.MaxVolumeSize = 6000;
  const QString set = qel::test::freshDir("span-crafted-set");
  ASSERT_EQ(zip.WriteSpan(dir + "/crafted.zip", set + "/c.zip"), 0) << zip.Message().toStdString();
  QString last = set + "/" + QDir(set).entryList(QDir::Files, QDir::Name).last();
  QString joined = set + "/joined.dat";
  ASSERT_TRUE(writeAll(joined, "not ours to delete"));
  ASSERT_EQ(zip.ReadSpan(last, joined), 0) << zip.Message().toStdString();
  EXPECT_EQ(joined, set + "/joined.zip");
  EXPECT_EQ(readAll(set + "/joined.dat"), "not ours to delete") << "only the file the join writes is touched";
  EXPECT_EQ(pythonCheck(joined, expected, &said), 0) << said.constData();
  EXPECT_EQ(run("unzip", {"-tq", joined}, set, &said), 0) << said.constData();
}

TEST(ZipSpan, RecordListStreamAndFileRoutines) {
  TMZipDataList list(3);
  list.Items(2).FileName = "Name.TXT";
  list.Items(2).SourceOffset = 77;
  EXPECT_EQ(list.IndexOfName("name.txt"), 2);
  EXPECT_EQ(list.IndexOfOffset(0, 77), 2);
  try {
    list.Items(3);
    ADD_FAILURE() << "no exception";
  } catch (const std::out_of_range &e) {
    EXPECT_STREQ(e.what(), "Index (3) outside range 1..2");
  }
  try {
    list.IndexOfName("other");
    ADD_FAILURE() << "no exception";
  } catch (const EZipArchiver &e) {
    EXPECT_EQ(e.MessageId, 11026);
    EXPECT_EQ(e.Message, "A local header not found in internal structure");
  }

  TZipStream stream;
  EXPECT_EQ(stream.Write("abcdef", 6), 6);
  char block[4] = {'w', 'x', 'y', 'z'};
  stream.SetPointer(block, 4);
  EXPECT_EQ(stream.data(), block);
  EXPECT_EQ(stream.Write("12345", 5), 4) << "a given block does not grow";
  EXPECT_EQ(QByteArray(block, 4), "1234");

  TZipArchiver zip;
  const QString dir = qel::test::freshDir("span-files");
  zip.TempDir = dir;
  const QString a = zip.MakeTempArchiveName(), b = zip.MakeTempArchiveName();
  EXPECT_NE(a, b);
  EXPECT_TRUE(a.startsWith(dir + "/zip") && a.endsWith(".zip")) << a.toStdString();
  struct stat st {};
  ASSERT_EQ(lstat(QFile::encodeName(a).constData(), &st), 0) << "the name is taken, not only found free";
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  EXPECT_EQ(TZipArchiver::AddBackslash("x"), "x/");
  EXPECT_EQ(TZipArchiver::AddBackslash(""), "");

  EXPECT_EQ(zip.DeleteArchiveFile(dir + "/missing.zip", htdFinal), -1);
  EXPECT_EQ(zip.DeleteArchiveFile(a, htdFinal), 0);
  EXPECT_FALSE(QFileInfo::exists(a));
  {
    // The desktop trash is used only where it exists: without it the file
    // stays where it is, the user is told, and no trash is made anywhere.
    const QString trash = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + "/Trash";
    ASSERT_TRUE(QDir(trash).removeRecursively());
    const QString cwd = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(dir));
    ScriptedUi ui;
    ui.answerButton(IDOK);
    EXPECT_NE(zip.DeleteArchiveFile(b, htdAllowUndo), 0);
    EXPECT_TRUE(QFileInfo::exists(b)) << "left where it is";
    ASSERT_EQ(ui.messageTexts().size(), 1);
    EXPECT_TRUE(ui.messageTexts().front().startsWith(b + " was not deleted: ")) << ui.messageTexts().front().toStdString();
    EXPECT_FALSE(QFileInfo::exists(trash));
    EXPECT_FALSE(QFileInfo::exists(dir + "/files"));
    EXPECT_FALSE(QFileInfo::exists(dir + "/info"));
    ASSERT_TRUE(QDir().mkpath(trash));
    EXPECT_EQ(zip.DeleteArchiveFile(b, htdAllowUndo), 0);
    EXPECT_FALSE(QFileInfo::exists(b)) << "moved to the trash";
    EXPECT_TRUE(QFileInfo::exists(trash + "/files/" + QFileInfo(b).fileName()));
    QDir::setCurrent(cwd);
  }

  QFile from(dir + "/from"), to(dir + "/to");
  writeAll(dir + "/from", "0123456789");
  ASSERT_TRUE(from.open(QIODevice::ReadOnly) && to.open(QIODevice::WriteOnly));
  EXPECT_EQ(zip.CopyFileBytes(from, to, 4), 0);
  EXPECT_EQ(zip.CopyFileBytes(from, to, -1), 0);
  to.close();
  EXPECT_EQ(readAll(dir + "/to"), "0123456789");

  // Clearing a volume: links inside are removed, never followed.
  const QString volume = qel::test::freshDir("span-clear");
  const QString outside = qel::test::freshDir("span-clear-outside");
  writeAll(outside + "/keep.txt", "keep");
  QDir().mkpath(volume + "/sub/deeper");
  writeAll(volume + "/sub/deeper/f.txt", "f");
  writeAll(volume + "/top.txt", "t");
  ASSERT_EQ(symlink(QFile::encodeName(outside).constData(), QFile::encodeName(volume + "/link").constData()), 0);
  ASSERT_EQ(symlink(QFile::encodeName(outside).constData(), QFile::encodeName(volume + "/sub/link2").constData()), 0);
  zip.ClearVolume(volume);
  EXPECT_TRUE(QDir(volume).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System).isEmpty());
  EXPECT_EQ(readAll(outside + "/keep.txt"), "keep");
}

TEST(ZipSpan, ErasingADiskAsksClearsAndLabels) {
  if (!enginesBuilt()) GTEST_SKIP() << "engine libraries not built";
  Sources src("span-erase");
  const QString archive = plainArchive(src, src.dir + "/whole.zip");
  const QString root = qel::test::freshDir("span-erase-root");
  StandInDisks disks(root, 1, 1 << 20);
  disks.insert(0);
  writeAll(disks.disks[0].folder + "/old.txt", "old");
  QDir().mkpath(disks.disks[0].folder + "/olddir");
  writeAll(disks.disks[0].folder + "/olddir/inner.txt", "inner");

  ScriptedUi ui;
  ui.answerButton(IDOK).answerButton(IDYES);  // the disk is in; erase it
  TZipArchiver zip;
  setUp(zip);
  zip.Unattended = false;
  zip.SetVolumeService(&disks);
  zip.AddOptions = {AddDiskSpanErase};
  ASSERT_EQ(zip.WriteSpan(archive, disks.drive + "/set.zip"), 0) << zip.Message().toStdString();
  ASSERT_EQ(ui.prompts().size(), 2u);
  EXPECT_TRUE(ui.prompts()[0].text.startsWith("Please insert disk volume 1")) << ui.prompts()[0].text.toStdString();
  EXPECT_EQ(ui.prompts()[1].text, "Erase " + disks.drive + "/");
  EXPECT_EQ(ui.prompts()[1].caption, "Confirm");
  EXPECT_EQ(QDir(disks.disks[0].folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList{"set.zip"});
  EXPECT_EQ(disks.disks[0].label, "PKBACK# 001");

  // Refusing to erase cancels quietly and writes nothing.
  ui.clear();
  ui.answerButton(IDOK).answerButton(IDNO);
  QFile::remove(disks.disks[0].folder + "/set.zip");
  EXPECT_EQ(zip.WriteSpan(archive, disks.drive + "/set.zip"), -7);
  EXPECT_EQ(zip.ErrCode(), 11007);
  EXPECT_EQ(ui.messageTexts().size(), 2);
  EXPECT_FALSE(QFileInfo::exists(disks.disks[0].folder + "/set.zip"));
}
