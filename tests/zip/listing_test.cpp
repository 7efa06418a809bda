// Listing archives: made by outside tools (judged by python's zipfile), and
// hostile files, each of which must end in the right message and an empty list.

#include "tests/support/scriptedui.h"
#include "tests/support/testenv.h"
#include "tests/zip/ziptestutil.h"
#include "zip/format/zipstructs.h"
#include "zip/ziparchiver.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

using namespace qel;
using namespace qel::ziptest;
using qel::test::ScriptedUi;

namespace {

struct EntrySpec {  // NOLINT
  QByteArray name;
  QByteArray content = "hello";
  std::uint16_t versionMadeBy = (3 << 8) | 30;
  std::uint16_t flags = 0;
  QByteArray comment = {};
};

// Stored entries laid out as any writer would, with an optional archive comment.
QByteArray buildArchive(const std::vector<EntrySpec> &entries, const QByteArray &archiveComment = {}) {
  using namespace zipfmt;
  std::vector<unsigned char> out, dir;
  for (const EntrySpec &e : entries) {
    LocalHeader lh;
    lh.flags = e.flags;
    lh.crc = crc32Of(e.content.constData(), e.content.size());
    lh.compressedSize = lh.uncompressedSize = std::uint32_t(e.content.size());
    lh.nameLength = std::uint16_t(e.name.size());
    CentralHeader ch;
    ch.versionMadeBy = e.versionMadeBy;
    ch.versionNeeded = 10;
    ch.flags = e.flags;
    ch.crc = lh.crc;
    ch.compressedSize = ch.uncompressedSize = lh.compressedSize;
    ch.nameLength = lh.nameLength;
    ch.commentLength = std::uint16_t(e.comment.size());
    ch.localHeaderOffset = std::uint32_t(out.size());
    lh.write(out);
    out.insert(out.end(), e.name.begin(), e.name.end());
    out.insert(out.end(), e.content.begin(), e.content.end());
    ch.write(dir);
    dir.insert(dir.end(), e.name.begin(), e.name.end());
    dir.insert(dir.end(), e.comment.begin(), e.comment.end());
  }
  EndRecord er;
  er.entriesOnDisk = er.totalEntries = std::uint16_t(entries.size());
  er.directorySize = std::uint32_t(dir.size());
  er.directoryOffset = std::uint32_t(out.size());
  er.commentLength = std::uint16_t(archiveComment.size());
  out.insert(out.end(), dir.begin(), dir.end());
  er.write(out);
  out.insert(out.end(), archiveComment.begin(), archiveComment.end());
  return QByteArray(reinterpret_cast<const char *>(out.data()), qsizetype(out.size()));
}

void put16(QByteArray &b, qsizetype at, std::uint16_t v) {
  if (at + 2 <= b.size()) zipfmt::putLe16(reinterpret_cast<unsigned char *>(b.data() + at), v);
}
void put32(QByteArray &b, qsizetype at, std::uint32_t v) {
  if (at + 4 <= b.size()) zipfmt::putLe32(reinterpret_cast<unsigned char *>(b.data() + at), v);
}

// What python's zipfile sees in an archive: raw name bytes, sizes, CRC, offsets, flags.
QJsonArray pythonEntries(const QString &archive) {
  QByteArray out;
  const int rc = run(python(), {"-c",
                                "import sys,json,zipfile\n"
                                "r=[]\n"
                                "for i in zipfile.ZipFile(sys.argv[1]).infolist():\n"
                                "  raw=i.orig_filename.encode('utf-8' if i.flag_bits & 0x800 else 'cp437')\n"
                                "  r.append({'raw':raw.hex(),'name':i.filename,'size':i.file_size,\n"
                                "    'csize':i.compress_size,'crc':i.CRC,'offset':i.header_offset,\n"
                                "    'flags':i.flag_bits,'method':i.compress_type,'dir':i.is_dir()})\n"
                                "print(json.dumps(r))\n",
                                archive},
                    QDir::tempPath(), &out);
  EXPECT_EQ(rc, 0) << out.constData();
  return QJsonDocument::fromJson(out).array();
}

// Compares our listing with python's, entry by entry (folders left out).
void expectSameAsPython(const TZipArchiver &zip, const QString &archive) {
  QJsonArray py = pythonEntries(archive);
  std::vector<QJsonObject> files;
  for (const auto &v : py)
    if (!v.toObject()["dir"].toBool()) files.push_back(v.toObject());
  const auto &list = zip.ZipContents();
  ASSERT_EQ(list.size(), files.size());
  for (std::size_t i = 0; i < files.size(); ++i) {
    const QJsonObject &p = files[i];
    const ZipDirEntry &e = list[i];
    SCOPED_TRACE(p["name"].toString().toStdString());
    EXPECT_EQ(QString::fromLatin1(e.RawName.toHex()), p["raw"].toString());
    EXPECT_EQ(qint64(e.uncompressedSize), p["size"].toInteger());
    EXPECT_EQ(qint64(e.compressedSize), p["csize"].toInteger());
    EXPECT_EQ(qint64(e.crc), p["crc"].toInteger());
    EXPECT_EQ(qint64(e.localHeaderOffset), p["offset"].toInteger());
    EXPECT_EQ(int(e.flags), p["flags"].toInt());
    EXPECT_EQ(int(e.method), p["method"].toInt());
    EXPECT_EQ(e.Encrypted, (p["flags"].toInt() & 1) != 0);
  }
}

QString makeZipToolArchive(const QString &dir, const QStringList &extraArgs) {
  QDir(dir).mkpath("sub");
  writeAll(dir + "/a.txt", QByteArray("some text, some text, some text, some text\n").repeated(50));
  writeAll(dir + "/sub/b.bin", QByteArray("\x01\x02\x03", 3).repeated(7));
  writeAll(dir + QString::fromUtf8("/\xC3\xBCn\xC3\xAF.txt"), "unicode name\n");
  QStringList args{"-q", "-r"};
  args << extraArgs << "out.zip" << "a.txt" << "sub" << QString::fromUtf8("\xC3\xBCn\xC3\xAF.txt");
  EXPECT_EQ(run("zip", args, dir), 0);
  return dir + "/out.zip";
}

} // namespace

TEST(ZipListing, ArchivesFromTheZipTool) {
  for (bool encrypted : {false, true}) {
    SCOPED_TRACE(encrypted ? "zip -P" : "zip");
    const QString dir = qel::test::freshDir(encrypted ? "ziptoolP" : "ziptool");
    const QString archive = makeZipToolArchive(dir, encrypted ? QStringList{"-P", "pw"} : QStringList{});
    TZipArchiver zip;
    int updates = 0;
    QStringList told;
    zip.OnDirUpdate = [&](TZipArchiver &) { ++updates; };
    zip.OnNewName = [&](TZipArchiver &, int, const ZipDirEntry &e) { told << e.FileName; };
    zip.SetZipFileName(archive);
    EXPECT_EQ(updates, 1);
    ASSERT_EQ(zip.Count(), 3) << "the folder entry sub/ is left out";
    expectSameAsPython(zip, archive);
    QStringList names;
    for (const auto &e : zip.ZipContents()) names << e.FileName;
    EXPECT_EQ(names, (QStringList{"a.txt", "sub/b.bin", QString::fromUtf8("\xC3\xBCn\xC3\xAF.txt")}));
    EXPECT_EQ(told, names);
    for (const auto &e : zip.ZipContents()) EXPECT_EQ(e.Encrypted, encrypted);

    zip.UseDirOnlyEntries = true;
    zip.List();
    EXPECT_EQ(zip.Count(), 4);
  }
}

TEST(ZipListing, ArchivesFromPythonWithUtf8Names) {
  const QString dir = qel::test::freshDir("pyzip");
  const QString archive = dir + "/py.zip";
  QByteArray out;
  ASSERT_EQ(run(python(), {"-c",
                           "import sys,zipfile\n"
                           "with zipfile.ZipFile(sys.argv[1],'w') as z:\n"
                           "  z.writestr('\\u00c4rger/\\u20acuro.txt', 'x'*1000, compress_type=zipfile.ZIP_DEFLATED)\n"
                           "  z.writestr('plain.txt', 'stored', compress_type=zipfile.ZIP_STORED)\n"
                           "  z.writestr('\\u65e5\\u672c.txt', 'y'*10, compress_type=zipfile.ZIP_DEFLATED)\n"
                           "  z.comment=b'archive comment'\n",
                           archive},
                dir, &out), 0) << out.constData();
  TZipArchiver zip;
  zip.SetZipFileName(archive);
  ASSERT_EQ(zip.Count(), 3);
  expectSameAsPython(zip, archive);
  const QJsonArray py = pythonEntries(archive);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(zip.ZipContents()[std::size_t(i)].FileName, py[i].toObject()["name"].toString());
  EXPECT_EQ(zip.ZipContents()[0].method, 8);
  EXPECT_EQ(zip.ZipContents()[1].method, 0);
}

TEST(ZipListing, PrefixedArchiveWarnsAndShiftsOffsets) {
  const QString dir = qel::test::freshDir("prefixed");
  const QString plain = makeZipToolArchive(dir, {});
  const QString archive = dir + "/prefixed.zip";
  ASSERT_TRUE(writeAll(archive, QByteArray(1000, 'S') + readAll(plain)));
  ScriptedUi ui;
  ui.answerButton(IDOK);
  TZipArchiver zip;
  zip.SetZipFileName(archive);
  EXPECT_EQ(ui.messageTexts(), QStringList{"Warning - Error in zip structure!"});
  EXPECT_EQ(zip.ZipFileName(), archive) << "only a warning";
  ASSERT_EQ(zip.Count(), 3);
  expectSameAsPython(zip, archive);
  EXPECT_EQ(zip.ZipContents()[0].localHeaderOffset, 1000u);
}

TEST(ZipListing, NameDecodingByFlagAndCreatingSystem) {
  struct Case {
    const char *what;
    QByteArray raw;
    std::uint16_t madeBy;
    std::uint16_t flags;
    CodePageOpt codePage;
    QString expected;
  };
  const Case cases[] = {
    {"UTF-8 flag", "\xC3\xA9t\xC3\xA9.txt", (3 << 8) | 30, 0x800, cpAuto, QString::fromUtf8("\xC3\xA9t\xC3\xA9.txt")},
    {"DOS host: code page 437", "\x82t\x82.txt", (0 << 8) | 20, 0, cpAuto, QString::fromUtf8("\xC3\xA9t\xC3\xA9.txt")},
    {"NTFS host 11 version 50", "\x81" "ber", (11 << 8) | 50, 0, cpAuto, QString::fromUtf8("\xC3\xBC" "ber")},
    {"OS/2 HPFS host 6", "\x81" "ber", (6 << 8) | 20, 0, cpNone, QString::fromUtf8("\xC3\xBC" "ber")},
    {"Unix host, UTF-8 bytes", "\xC3\xBC" "ber", (3 << 8) | 30, 0, cpAuto, QString::fromUtf8("\xC3\xBC" "ber")},
    {"Unix host, legacy bytes", "\xFC" "ber", (3 << 8) | 30, 0, cpAuto, QString::fromUtf8("\xC3\xBC" "ber")},
    {"OEM forced", "\x81" "ber", (3 << 8) | 30, 0, cpOEM, QString::fromUtf8("\xC3\xBC" "ber")},
    {"DOS host, cpNone keeps bytes", "\xFC" "ber", (0 << 8) | 20, 0, cpNone, QString::fromUtf8("\xC3\xBC" "ber")},
    {"backslash is not a separator here", "a\\b.txt", (0 << 8) | 20, 0, cpAuto, "a\\b.txt"},
  };
  const QString dir = qel::test::freshDir("names");
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    const QString archive = dir + "/n.zip";
    ASSERT_TRUE(writeAll(archive, buildArchive({EntrySpec{c.raw, "x", c.madeBy, c.flags, QByteArray()}})));
    TZipArchiver zip;
    zip.CodePage = c.codePage;
    zip.SetZipFileName(archive);
    ASSERT_EQ(zip.Count(), 1);
    EXPECT_EQ(zip.ZipContents()[0].FileName, c.expected);
    EXPECT_EQ(zip.ZipContents()[0].RawName, c.raw);
  }
}

TEST(ZipListing, HostileFilesEndInTheirMessage) {
  // One entry "a.txt" with "hello": local header at 0 (40 bytes), central
  // header at 40 (51 bytes), end record at 91.
  const QByteArray base = buildArchive({EntrySpec{"a.txt"}});
  ASSERT_EQ(base.size(), 113);
  constexpr qsizetype C = 40, E = 91;
  auto with = [&](std::function<void(QByteArray &)> f) {
    QByteArray b = base;
    f(b);
    return b;
  };
  // A fake end record claiming many entries, hidden in the archive comment.
  QByteArray fakeEnd = QByteArray("PK\x05\x06", 4) + QByteArray(18, '\0');
  put16(fakeEnd, 10, 500);
  const QByteArray commented = buildArchive({EntrySpec{"a.txt"}}, "note " + fakeEnd);

  struct Case {
    const char *what;
    QByteArray data;
    int id;  // 0: lists fine
    int count;
  };
  const Case cases[] = {
    {"the intact archive", base, 0, 1},
    {"end signature inside the comment", commented, 0, 1},
    {"text starting with PK", "PK this is only a text file\n", 11036, 0},
    {"two bytes", "PK", 11036, 0},
    {"empty file", "", 11036, 0},
    {"trailing bytes after the end record", base + "junk", 0, 1},
    {"padding after the end record", base + QByteArray(10240 - base.size(), '\0'), 0, 1},
    {"cut inside the directory", base.left(E - 10), 11036, 0},
    {"forged entry count", with([&](QByteArray &b) { put16(b, E + 10, 2); }), 11013, 0},
    {"huge entry count", with([&](QByteArray &b) { put16(b, E + 10, 65535); }), 11013, 0},
    {"central signature broken", with([&](QByteArray &b) { b[C + 2] = 'X'; }), 11015, 0},
    {"long name past the directory", with([&](QByteArray &b) { put16(b, C + 28, 300); }), 11017, 0},
    {"name past the directory", with([&](QByteArray &b) { put16(b, C + 28, 200); }), 11017, 0},
    {"extra field past the directory", with([&](QByteArray &b) { put16(b, C + 30, 60000); }), 10201, 0},
    {"comment past the directory", with([&](QByteArray &b) { put16(b, C + 32, 60000); }), 11022, 0},
    {"local header past the end", with([&](QByteArray &b) { put32(b, C + 42, 0x7FFFFFF0); }), 10201, 0},
    {"local header inside the directory", with([&](QByteArray &b) { put32(b, C + 42, 80); }), 10201, 0},
    {"directory larger than the file", with([&](QByteArray &b) { put32(b, E + 12, 0xFFFFFF00u); }), 11036, 0},
    {"directory size zero", with([&](QByteArray &b) { put32(b, E + 12, 0); put32(b, E + 16, E); }), 11013, 0},
    {"last volume of a set whose other volumes are missing", with([&](QByteArray &b) { put16(b, E + 4, 1); }), 11001, 0},
    {"comment length past the end", with([&](QByteArray &b) { put16(b, E + 20, 5); }), 11036, 0},
  };
  const QString dir = qel::test::freshDir("hostile");
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    const QString archive = dir + "/h.zip";
    ASSERT_TRUE(writeAll(archive, c.data));
    TZipArchiver zip;
    zip.Unattended = true;
    int updates = 0;
    zip.OnDirUpdate = [&](TZipArchiver &) { ++updates; };
    zip.SetZipFileName(archive);
    EXPECT_EQ(zip.ErrCode(), c.id) << zip.Message().toStdString();
    EXPECT_EQ(zip.Count(), c.count);
    EXPECT_EQ(zip.ZipFileName().isEmpty(), c.id != 0);
    EXPECT_EQ(updates, 1);
    if (c.id == 0) {
      EXPECT_EQ(zip.ZipContents()[0].FileName, "a.txt");
    }
  }
}

TEST(ZipListing, MessagesShownAndMissingFileQuiet) {
  ScriptedUi ui;  // fails the test on any unscripted message
  TZipArchiver zip;
  int updates = 0;
  zip.OnDirUpdate = [&](TZipArchiver &) { ++updates; };
  zip.SetZipFileName(qel::test::freshDir("none") + "/missing.zip");
  EXPECT_EQ(zip.Count(), 0);
  EXPECT_EQ(updates, 1);

  const QString text = qel::test::freshDir("pktext") + "/notes.qel";
  ASSERT_TRUE(writeAll(text, "PK is how this note starts\n"));
  ui.answerButton(IDOK);
  QStringList told;
  zip.OnMessage = [&](TZipArchiver &, int code, const QString &t) { told << QString::number(code) + ":" + t; };
  zip.SetZipFileName(text);
  EXPECT_EQ(ui.messageTexts(), QStringList{"This archive is not a valid Zip archive"});
  EXPECT_EQ(told, QStringList{"0:This archive is not a valid Zip archive"});
  EXPECT_TRUE(zip.ZipFileName().isEmpty());
  EXPECT_EQ(zip.ErrCode(), 11036);
}
