// Crafted archives that try to write outside the target folder, through
// links, or with forged sizes and checksums. Nothing may land outside the
// base folder, nothing partial may stay, nothing may crash.

#include "tests/zip_engine/enginehelper.h"

#include <QDirIterator>

#include <map>
#include <set>
#include <unistd.h>

using namespace enginetest;

namespace {

std::set<std::string> treeOf(const std::string &dir) {
  std::set<std::string> all;
  QDirIterator it(QString::fromStdString(dir), QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                  QDirIterator::Subdirectories);
  while (it.hasNext()) all.insert(it.next().toStdString());
  return all;
}

} // namespace

TEST(ZipEngineHostile, NothingLeavesTheBaseFolder) {
  std::string d = dirFor("hostile");
  std::string sand = d + "/sand";
  std::string base = sand + "/base";
  std::string big = cardText(50000, 9);

  struct Case {
    const char *what;
    std::vector<CraftEntry> entries;
    bool keepDirs;
    std::map<std::string, std::string> expected;  // files in the base folder afterwards
  };
  std::vector<Case> cases = {
      {"parent folder, junked", {{"../evil.txt", "e"}}, false, {{"evil.txt", "e"}}},
      {"parent folder, kept", {{"../evil.txt", "e"}, {"ok.txt", "ok"}}, true, {{"ok.txt", "ok"}}},
      {"parent inside a path", {{"a/../../evil.txt", "e"}}, true, {}},
      {"absolute name, kept", {{sand + "/abs.txt", "e"}}, true, {}},
      {"absolute name, junked", {{sand + "/abs.txt", "e"}}, false, {{"abs.txt", "e"}}},
      {"drive prefix", {{"C:\\evil.txt", "e"}, {"c:evil2.txt", "e"}}, true, {}},
      {"backslash parents, kept", {{"..\\..\\evil.txt", "e"}}, true, {}},
      {"backslash folders junked", {{"dir\\sub\\file.txt", "f"}}, false, {{"file.txt", "f"}}},
      {"slash folders kept", {{"dir/sub/file.txt", "f"}}, true, {{"dir/sub/file.txt", "f"}}},
      {"link entry", {{"link", "/etc/passwd", 0, 3, 0120777}}, true, {}},
      {"dot names", {{".", "x"}, {"..", "x"}, {"/", "x"}, {"a/./b.txt", "b"}}, true, {{"a/b.txt", "b"}}},
      {"wrong CRC", {{"crc.txt", "data", 0, 3, 0100644, 0x12345678u}}, true, {}},
      {"stored, sizes forged apart", {{"size.txt", "data", 0, 3, 0100644, std::nullopt, 2u}}, true, {}},
      {"deflated, output longer than recorded",
       {{"long.txt", big, 8, 3, 0100644, std::nullopt, 1000u}}, true, {}},
      {"deflated, output shorter than recorded",
       {{"short.txt", big, 8, 3, 0100644, std::nullopt, 60000u}}, true, {}},
      {"compressed size past the directory", {{"past.txt", "data", 8, 3, 0100644, std::nullopt, std::nullopt, 100000u}},
       true, {}},
      {"unknown method", {{"m.txt", "data", 12}}, true, {}},
  };
  for (const Case &k : cases) {
    QDir(QString::fromStdString(sand)).removeRecursively();
    writeFile(sand + "/outside.txt", "outside");
    writeFile(base + "/.keep", "");
    // A link in the base folder pointing out, and a linked folder.
    ASSERT_EQ(symlink((sand + "/outside.txt").c_str(), (base + "/victim").c_str()), 0);
    QDir().mkpath(QString::fromStdString(sand + "/outdir"));
    ASSERT_EQ(symlink((sand + "/outdir").c_str(), (base + "/ldir").c_str()), 0);
    std::set<std::string> before = treeOf(sand);

    std::string zip = d + "/h.zip";
    writeFile(zip, craftZip(k.entries));
    Recorder r;
    ExtractCall c{zip, base};
    c.dirs = k.keepDirs;
    int written = extract(c, r);
    EXPECT_EQ(written, int(k.expected.size())) << k.what << "\n" << r.messages();

    std::set<std::string> after = treeOf(sand);
    for (const std::string &p : after) {
      if (before.count(p)) continue;
      std::string rel = p.substr(base.size() + 1);
      EXPECT_EQ(p.rfind(base + "/", 0), 0u) << k.what << ": written outside: " << p;
      bool expectedFile = k.expected.count(rel) > 0;
      bool expectedFolder = false;
      for (auto &[name, data] : k.expected) expectedFolder |= name.rfind(rel + "/", 0) == 0;
      EXPECT_TRUE(expectedFile || expectedFolder) << k.what << ": unexpected " << p;
    }
    for (auto &[name, data] : k.expected) EXPECT_EQ(readFile(base + "/" + name), data) << k.what;
    EXPECT_EQ(readFile(sand + "/outside.txt"), "outside") << k.what;
    EXPECT_TRUE(treeOf(sand + "/outdir").empty()) << k.what;
  }
}

TEST(ZipEngineHostile, ExistingLinksAreReplacedNotFollowed) {
  std::string d = dirFor("hostile-links");
  std::string base = d + "/base";
  writeFile(d + "/outside.txt", "outside");
  QDir().mkpath(QString::fromStdString(d + "/outdir"));
  QDir().mkpath(QString::fromStdString(base));
  ASSERT_EQ(symlink((d + "/outside.txt").c_str(), (base + "/victim").c_str()), 0);
  ASSERT_EQ(symlink((d + "/outdir").c_str(), (base + "/ldir").c_str()), 0);
  std::string zip = d + "/l.zip";
  writeFile(zip, craftZip({{"victim", "replaced"}, {"ldir/x.txt", "through a folder link"}}));
  Recorder r;
  ExtractCall c{zip, base};
  c.dirs = true;
  EXPECT_EQ(extract(c, r), 1) << r.messages();
  struct stat st {};
  ASSERT_EQ(lstat((base + "/victim").c_str(), &st), 0);
  EXPECT_TRUE(S_ISREG(st.st_mode));
  EXPECT_EQ(readFile(base + "/victim"), "replaced");
  EXPECT_EQ(readFile(d + "/outside.txt"), "outside");
  EXPECT_FALSE(exists(d + "/outdir/x.txt"));
}

TEST(ZipEngineHostile, DamagedArchivesReportAndWriteNothing) {
  std::string d = dirFor("hostile-damaged");
  std::string good = craftZip({{"a.txt", cardText(20000, 3), 8}, {"b.txt", "bee"}});
  std::vector<std::pair<const char *, std::string>> cases = {
      {"empty file", ""},
      {"not a zip", "PK but only text, no records at all, long enough to be searched"},
      {"cut in the directory", good.substr(0, good.size() - 30)},
      {"cut in the data", good.substr(0, 200) + good.substr(good.size() - 120)},
      {"end record alone", good.substr(good.size() - 22)},
  };
  for (auto &[what, bytes] : cases) {
    std::string zip = d + "/x.zip";
    writeFile(zip, bytes);
    std::string out = qel::test::freshDir("hostile-damaged-out").toStdString();
    Recorder r;
    EXPECT_EQ(extract(ExtractCall{zip, out}, r), 0) << what;
    EXPECT_FALSE(r.messages().empty()) << what;
    EXPECT_TRUE(treeOf(out).empty()) << what;
  }
  // A wrong CRC that the caller chooses to keep.
  std::string zip = d + "/crc.zip";
  writeFile(zip, craftZip({{"c.txt", "data", 0, 3, 0100644, 0xDEADBEEFu}}));
  std::string out = d + "/keep";
  Recorder r;
  r.crcReply = 1;
  EXPECT_EQ(extract(ExtractCall{zip, out}, r), 1);
  EXPECT_EQ(r.count(cbCrcError), 1);
  for (const Event &e : r.events) {
    if (e.action == cbCrcError) {
      EXPECT_EQ(static_cast<std::uint32_t>(e.size), 0xDEADBEEFu);
      EXPECT_EQ(static_cast<std::uint32_t>(e.errorCode), qel::zipfmt::crc32Of("data", 4));
    }
  }
  EXPECT_EQ(readFile(out + "/c.txt"), "data");
}
