// The adding engine, driven through its entry point and judged by unzip, 7z
// and Python's zipfile.

#include "tests/support/wrongpassword.h"
#include "tests/zip_engine/enginehelper.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

using namespace enginetest;
using namespace qel::zipfmt;

namespace {

const char *kPyTest = R"(
import sys, zipfile
z = zipfile.ZipFile(sys.argv[1])
if len(sys.argv) > 2: z.setpassword(sys.argv[2].encode())
bad = z.testzip()
print("BAD" if bad else "OK", len(z.namelist()))
)";

// Deflates `data` as zlib does at `level`, raw, the way the entry must hold it.
std::string rawDeflate(const std::string &data, int level) {
  z_stream z{};
  deflateInit2(&z, level, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
  std::string out(deflateBound(&z, data.size()), '\0');
  z.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(data.data()));
  z.avail_in = static_cast<uInt>(data.size());
  z.next_out = reinterpret_cast<Bytef *>(out.data());
  z.avail_out = static_cast<uInt>(out.size());
  deflate(&z, Z_FINISH);
  out.resize(z.total_out);
  deflateEnd(&z);
  return out;
}

} // namespace

TEST(ZipEngineAdd, EnginesLoadWithTheirVersion) {
  ASSERT_NE(engines().zipExec, nullptr) << dlerror();
  ASSERT_NE(engines().unzExec, nullptr);
  EXPECT_GE(engines().zipVersion(), 170);
  EXPECT_GE(engines().unzVersion(), 170);
}

TEST(ZipEngineAdd, PlainAndEncryptedArchivesPassRealTools) {
  std::string d = dirFor("add-judged");
  writeFile(d + "/index.~i", cardText(5000, 1));
  writeFile(d + "/bodies.~h", cardText(300000, 2));
  writeFile(d + "/empty.txt", "");
  for (bool encrypted : {false, true}) {
    std::string zip = d + (encrypted ? "/enc.zip" : "/plain.zip");
    Recorder r;
    AddCall c{zip, {{d + "/index.~i"}, {d + "/bodies.~h"}, {d + "/empty.txt"}}};
    c.encrypt = encrypted;
    c.password = encrypted ? "s3cret pass" : "";
    ASSERT_EQ(add(c, r), 3) << r.messages();

    QString z = QString::fromStdString(zip);
    QStringList pw = encrypted ? QStringList{"-P", "s3cret pass"} : QStringList{};
    auto t = tool("unzip", pw + QStringList{"-t", z});
    EXPECT_EQ(t.code, 0) << t.output;
    t = tool("7z", {"t", encrypted ? "-ps3cret pass" : "-p", z});
    EXPECT_EQ(t.code, 0) << t.output;
    t = python(kPyTest, encrypted ? QStringList{z, "s3cret pass"} : QStringList{z});
    EXPECT_EQ(t.output, "OK 3\n");
    t = tool("unzip", pw + QStringList{"-p", z, "bodies.~h"});
    EXPECT_EQ(t.output, cardText(300000, 2));

    for (const RawEntry &e : rawEntries(readFile(zip))) {
      EXPECT_EQ(e.central.flags & kFlagDescriptor, 0) << e.name;
      EXPECT_EQ(bool(e.central.flags & kFlagEncrypted), encrypted) << e.name;
      EXPECT_EQ(e.central.hostSystem(), 3);
    }
    if (encrypted) {
      const QString wrong = qel::test::WrongPasswordFor(z);
      EXPECT_NE(tool("unzip", {"-P", wrong, "-t", z}).code, 0);
      EXPECT_NE(tool("7z", {"t", "-p" + wrong, z}).code, 0);
      EXPECT_EQ(python(kPyTest, {z, wrong}).code, 1);
    }
  }
}

TEST(ZipEngineAdd, LevelsAreHonouredExactlyAndSuffixesStored) {
  std::string d = dirFor("add-levels");
  std::string text = cardText(200000, 3);
  writeFile(d + "/a.txt", text);
  writeFile(d + "/pic.GIF", text);
  for (int level : {0, 1, 5, 9}) {
    std::string zip = d + "/l" + std::to_string(level) + ".zip";
    Recorder r;
    AddCall c{zip, {{d + "/a.txt"}, {d + "/pic.GIF"}}};
    c.level = level;
    c.suffixes = ".gif:.png:.zip";
    ASSERT_EQ(add(c, r), 2) << r.messages();
    auto entries = rawEntries(readFile(zip));
    ASSERT_EQ(entries.size(), 2u);
    const RawEntry &a = entries[0];
    EXPECT_EQ(a.name, "a.txt");
    std::string data = a.localRecord.substr(kLocalSize + a.name.size());
    if (level == 0) {
      EXPECT_EQ(a.central.method, kMethodStored);
      EXPECT_EQ(data, text);
    } else {
      EXPECT_EQ(a.central.method, kMethodDeflated);
      EXPECT_EQ(data, rawDeflate(text, level)) << "level " << level;
    }
    EXPECT_EQ(entries[1].central.method, kMethodStored) << "a listed suffix in any letter case is stored";
    EXPECT_EQ(tool("unzip", {"-tq", QString::fromStdString(zip)}).code, 0);
  }
}

TEST(ZipEngineAdd, SpecsWildcardsRecursionExclusionsAndNames) {
  std::string d = dirFor("add-specs");
  writeFile(d + "/src/one.txt", "1");
  writeFile(d + "/src/two.txt", "2");
  writeFile(d + "/src/skip.txt", "s");
  writeFile(d + "/src/note.doc", "n");
  writeFile(d + "/src/.hidden.txt", "h");
  writeFile(d + "/src/sub/three.txt", "3");
  writeFile(d + "/src/sub/deeper/four.txt", "4");
  writeFile(d + "/src/lit*.txt", "literal");  // a real file whose name has a star

  struct Case {
    const char *what;
    std::vector<Line> lines;
    bool junk;
    std::vector<std::string> excludes;
    std::vector<std::string> names;
  } cases[] = {
      {"wildcard, one folder", {{"src/*.txt"}}, true, {}, {"lit*.txt", "one.txt", "skip.txt", "two.txt"}},
      {"exclusion", {{"src/*.txt"}}, true, {"skip*", "lit*"}, {"one.txt", "two.txt"}},
      {"recursion per line, folders kept",
       {{"src/*.txt", std::nullopt, true}},
       false,
       {"skip.txt", "lit*"},
       {"src/one.txt", "src/two.txt", "src/sub/three.txt", "src/sub/deeper/four.txt"}},
      {"literal name wins over the pattern", {{"src/lit*.txt"}}, true, {}, {"lit*.txt"}},
      {"entries in the given order", {{"src/two.txt"}, {"src/note.doc"}, {"src/one.txt"}}, true, {}, {"two.txt", "note.doc", "one.txt"}},
      {"a folder recursed", {{"src/sub", std::nullopt, true}}, false, {}, {"src/sub/three.txt", "src/sub/deeper/four.txt"}},
  };
  for (const Case &k : cases) {
    std::string zip = d + "/out.zip";
    unlink(zip.c_str());
    Recorder r;
    AddCall c{zip, k.lines};
    c.junk = k.junk;
    c.excludes = k.excludes;
    c.rootDir = d;
    ASSERT_EQ(add(c, r), int(k.names.size())) << k.what << "\n" << r.messages();
    std::vector<std::string> names;
    for (const RawEntry &e : rawEntries(readFile(zip))) names.push_back(e.name);
    EXPECT_EQ(names, k.names) << k.what;
  }
}

TEST(ZipEngineAdd, LinePasswordsAndAskingForOne) {
  std::string d = dirFor("add-passwords");
  writeFile(d + "/a.txt", "alpha");
  writeFile(d + "/b.txt", "beta");
  writeFile(d + "/c.txt", "gamma");
  std::string zip = d + "/p.zip";
  {
    // The record asks for encryption; one line has its own password, one is in the clear.
    Recorder r;
    AddCall c{zip, {{d + "/a.txt"}, {d + "/b.txt", std::string("linepw")}, {d + "/c.txt", std::string("")}}};
    c.encrypt = true;
    c.password = "recordpw";
    ASSERT_EQ(add(c, r), 3) << r.messages();
    auto e = rawEntries(readFile(zip));
    ASSERT_EQ(e.size(), 3u);
    EXPECT_TRUE(e[0].central.flags & kFlagEncrypted);
    EXPECT_TRUE(e[1].central.flags & kFlagEncrypted);
    EXPECT_FALSE(e[2].central.flags & kFlagEncrypted);
    QString z = QString::fromStdString(zip);
    EXPECT_EQ(tool("unzip", {"-P", "recordpw", "-p", z, "a.txt"}).output, "alpha");
    EXPECT_EQ(tool("unzip", {"-P", "linepw", "-p", z, "b.txt"}).output, "beta");
    EXPECT_EQ(tool("unzip", {"-p", z, "c.txt"}).output, "gamma");
  }
  unlink(zip.c_str());
  {
    // Encryption without a password: the engine asks through action 8.
    Recorder r;
    r.passwords = {std::string("asked")};
    AddCall c{zip, {{d + "/a.txt"}}};
    c.encrypt = true;
    ASSERT_EQ(add(c, r), 1) << r.messages();
    ASSERT_EQ(r.count(cbPassword), 1);
    for (const Event &ev : r.events)
      if (ev.action == cbPassword) {
        EXPECT_EQ(ev.errorCode & 1, 1) << "adding requests carry bit 0";
      }
    EXPECT_EQ(tool("unzip", {"-P", "asked", "-p", QString::fromStdString(zip), "a.txt"}).output, "alpha");
  }
  {
    // No answer: nothing is written in the clear, the archive stays as it was.
    std::string before = readFile(zip);
    Recorder r;
    r.passwords = {std::nullopt};
    AddCall c{zip, {{d + "/b.txt"}}};
    c.encrypt = true;
    EXPECT_EQ(add(c, r), 0);
    EXPECT_EQ(readFile(zip), before);
    EXPECT_NE(r.messages().find("password"), std::string::npos);
  }
}

TEST(ZipEngineAdd, GrowingKeepsOtherEntriesAndPrefixBytes) {
  std::string d = dirFor("add-grow");
  writeFile(d + "/keep1.txt", cardText(10000, 4));
  writeFile(d + "/replace.txt", "old contents");
  writeFile(d + "/keep2.bin", cardText(3000, 5));
  QString qd = QString::fromStdString(d);
  ASSERT_EQ(tool("zip", {"-q", "-9", "base.zip", "keep1.txt", "replace.txt", "keep2.bin"}, qd).code, 0);
  // A stub in front, as a self-extractor has; `zip -A` fixes the offsets.
  std::string zip = d + "/grown.zip";
  writeFile(zip, std::string("STUB-BYTES-") + std::string(500, 'x') + readFile(d + "/base.zip"));
  ASSERT_EQ(tool("zip", {"-qA", "grown.zip"}, qd).code, 0);
  std::string before = readFile(zip);
  auto oldEntries = rawEntries(before);
  ASSERT_EQ(oldEntries.size(), 3u);

  writeFile(d + "/replace.txt", "new contents");
  writeFile(d + "/added.txt", "added");
  Recorder r;
  AddCall c{zip, {{d + "/replace.txt"}, {d + "/added.txt"}}};
  ASSERT_EQ(add(c, r), 2) << r.messages();

  std::string after = readFile(zip);
  EXPECT_EQ(after.substr(0, 511), before.substr(0, 511)) << "prefix bytes kept";
  auto newEntries = rawEntries(after);
  ASSERT_EQ(newEntries.size(), 4u);
  std::vector<std::string> names;
  for (auto &e : newEntries) names.push_back(e.name);
  EXPECT_EQ(names, (std::vector<std::string>{"keep1.txt", "keep2.bin", "replace.txt", "added.txt"}));
  EXPECT_EQ(newEntries[0].localRecord, oldEntries[0].localRecord);
  EXPECT_EQ(newEntries[1].localRecord, oldEntries[2].localRecord);
  QString z = QString::fromStdString(zip);
  auto t = tool("unzip", {"-t", z});
  EXPECT_EQ(t.code, 0) << t.output;
  EXPECT_EQ(tool("unzip", {"-p", z, "replace.txt"}).output, "new contents");
  EXPECT_EQ(python(kPyTest, {z}).output, "OK 4\n");
  // No temporary file is left beside it.
  EXPECT_EQ(QDir(qd).entryList(QDir::Files | QDir::Hidden).filter(".tmp").size(), 0);
}

TEST(ZipEngineAdd, CallbacksAndCancellingLeavesTheArchive) {
  std::string d = dirFor("add-cancel");
  writeFile(d + "/a.txt", cardText(3 << 20, 6));
  writeFile(d + "/b.txt", "b");
  std::string zip = d + "/c.zip";
  {
    Recorder r;
    ASSERT_EQ(add(AddCall{zip, {{d + "/b.txt"}}}, r), 1);
  }
  std::string before = readFile(zip);
  Recorder r;
  ASSERT_EQ(add(AddCall{zip, {{d + "/a.txt"}, {d + "/b.txt"}}}, r), 2);
  ASSERT_GE(r.events.size(), 4u);
  EXPECT_EQ(r.events[0].action, cbTotalFiles);
  EXPECT_EQ(r.events[0].size, 2);
  EXPECT_EQ(r.events[1].action, cbTotalSize);
  EXPECT_EQ(r.events[1].size, (3 << 20) + 1);
  EXPECT_EQ(r.events[2].action, cbNewFile);
  EXPECT_EQ(r.events[2].size, 3 << 20);
  EXPECT_GE(r.count(cbProgress), 3);
  EXPECT_EQ(r.count(cbEndOfFile), 2);

  // Back to the one-entry archive, then cancel in the middle of a file.
  writeFile(zip, before);
  Recorder cancel;
  cancel.cancelOnAction = cbProgress;
  cancel.cancelAfter = 1;
  EXPECT_EQ(add(AddCall{zip, {{d + "/b.txt"}, {d + "/a.txt"}}}, cancel), 0);
  EXPECT_EQ(readFile(zip), before);
  EXPECT_EQ(QDir(QString::fromStdString(d)).entryList(QDir::Files | QDir::Hidden).size(), 3);
}

TEST(ZipEngineAdd, NamesDatesAndLimits) {
  std::string d = dirFor("add-names");
  std::string name = "\xc4\x8d" "esk\xc3\xbd.txt";  // non-ASCII, UTF-8
  writeFile(d + "/" + name, "utf8");
  writeFile(d + "/old.txt", "old");
  writeFile(d + "/future.txt", "future");
  struct timeval oldTimes[2] = {{0, 0}, {100, 0}};  // 1970
  utimes((d + "/old.txt").c_str(), oldTimes);
  struct timeval farTimes[2] = {{0, 0}, {7258118400LL, 0}};  // 2200
  utimes((d + "/future.txt").c_str(), farTimes);
  chmod((d + "/old.txt").c_str(), 0751);

  std::string zip = d + "/n.zip";
  Recorder r;
  ASSERT_EQ(add(AddCall{zip, {{d + "/" + name}, {d + "/old.txt"}, {d + "/future.txt"}}}, r), 3);
  auto e = rawEntries(readFile(zip));
  ASSERT_EQ(e.size(), 3u);
  EXPECT_EQ(e[0].name, name);
  EXPECT_TRUE(e[0].central.flags & kFlagUtf8);
  EXPECT_FALSE(e[1].central.flags & kFlagUtf8);
  EXPECT_EQ(e[1].central.dosDate >> 9, 0) << "1970 clamps to 1980";
  EXPECT_EQ(e[2].central.dosDate >> 9, 127) << "2200 clamps to 2107";
  EXPECT_EQ((e[1].central.externalAttributes >> 16) & 07777, 0751u);
  auto t = python("import sys,zipfile; print(zipfile.ZipFile(sys.argv[1]).namelist()[0])", {QString::fromStdString(zip)});
  EXPECT_EQ(t.output, name + "\n");

  // A file over 4 GiB is refused with a message, not wrapped.
  std::string big = d + "/big.bin";
  int fd = open(big.c_str(), O_CREAT | O_WRONLY, 0644);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(ftruncate(fd, (off_t(1) << 32) + 1), 0);
  close(fd);
  std::string before = readFile(zip);
  Recorder r2;
  EXPECT_EQ(add(AddCall{zip, {{big}}}, r2), 0);
  EXPECT_NE(r2.messages().find("4 GiB"), std::string::npos) << r2.messages();
  EXPECT_EQ(readFile(zip), before);
  unlink(big.c_str());
}

TEST(ZipEngineAdd, MoreThan65535EntriesAreRefused) {
  std::string d = dirFor("add-many");
  std::string zip = d + "/many.zip";
  std::vector<CraftEntry> entries(65535);
  for (std::size_t i = 0; i < entries.size(); ++i) entries[i].name = "e" + std::to_string(i);
  writeFile(zip, craftZip(entries));
  writeFile(d + "/one.txt", "1");
  std::string before = readFile(zip);
  Recorder r;
  EXPECT_EQ(add(AddCall{zip, {{d + "/one.txt"}}}, r), 0);
  EXPECT_NE(r.messages().find("65,535"), std::string::npos) << r.messages();
  EXPECT_EQ(readFile(zip), before);
}

TEST(ZipEngineAdd, UpdateFreshenAndMove) {
  std::string d = dirFor("add-update");
  writeFile(d + "/a.txt", "a1");
  writeFile(d + "/b.txt", "b1");
  struct timeval old[2] = {{0, 0}, {1500000000, 0}};
  utimes((d + "/a.txt").c_str(), old);
  utimes((d + "/b.txt").c_str(), old);
  std::string zip = d + "/u.zip";
  Recorder r0;
  ASSERT_EQ(add(AddCall{zip, {{d + "/a.txt"}}}, r0), 1);
  writeFile(d + "/a.txt", "a2");  // newer now
  writeFile(d + "/c.txt", "c1");
  {
    // Freshen: only entries already there and older than the file.
    Recorder r;
    AddCall c{zip, {{d + "/*.txt"}}};
    c.freshen = true;
    EXPECT_EQ(add(c, r), 1) << r.messages();
    auto e = rawEntries(readFile(zip));
    ASSERT_EQ(e.size(), 1u);
    EXPECT_EQ(tool("unzip", {"-p", QString::fromStdString(zip), "a.txt"}).output, "a2");
  }
  {
    // Update: new files too, but not the unchanged one; the archive is not added to itself.
    Recorder r;
    AddCall c{zip, {{d + "/*"}}};
    c.update = true;
    EXPECT_EQ(add(c, r), 2) << r.messages();
    std::vector<std::string> names;
    for (auto &e : rawEntries(readFile(zip))) names.push_back(e.name);
    EXPECT_EQ(names, (std::vector<std::string>{"a.txt", "b.txt", "c.txt"}));
  }
  {
    // Move: the added file goes, the others stay.
    writeFile(d + "/m.txt", "moved");
    Recorder r;
    AddCall c{zip, {{d + "/m.txt"}}};
    c.move = true;
    EXPECT_EQ(add(c, r), 1);
    EXPECT_FALSE(exists(d + "/m.txt"));
    EXPECT_TRUE(exists(d + "/a.txt"));
    EXPECT_EQ(tool("unzip", {"-p", QString::fromStdString(zip), "m.txt"}).output, "moved");
  }
}

TEST(ZipEngineAdd, FolderEntriesAndFromDate) {
  std::string d = dirFor("add-folders");
  writeFile(d + "/tree/a.txt", "a");
  writeFile(d + "/tree/sub/b.txt", "b");
  writeFile(d + "/tree/sub/old.txt", "old");
  struct timeval old[2] = {{0, 0}, {1262304000, 0}};  // 2010
  utimes((d + "/tree/sub/old.txt").c_str(), old);
  std::string zip = d + "/f.zip";
  Recorder r;
  AddCall c{zip, {{"tree", std::nullopt, true}}};
  c.rootDir = d;
  c.junk = false;
  c.folderEntries = true;
  c.fromDate = "06 15 15";  // 15 June 2015
  ASSERT_EQ(add(c, r), 4) << r.messages();
  std::vector<std::string> names;
  for (auto &e : rawEntries(readFile(zip))) names.push_back(e.name);
  EXPECT_EQ(names, (std::vector<std::string>{"tree/", "tree/a.txt", "tree/sub/", "tree/sub/b.txt"}));
  auto t = tool("unzip", {"-t", QString::fromStdString(zip)});
  EXPECT_EQ(t.code, 0) << t.output;
}
