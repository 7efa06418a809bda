// The extracting engine on archives written by other tools, and its answers
// to passwords, CRC errors and existing files.

#include "tests/zip_engine/enginehelper.h"

#include <functional>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

using namespace enginetest;
using namespace qel::zipfmt;

namespace {

// Files of the kinds the engine meets: text, binary, empty, a name in UTF-8.
struct Payload {
  std::string name, data;
};
std::vector<Payload> payload() {
  std::string bin;
  for (int i = 0; i < 70000; ++i) bin += char((i * 7919) >> 3);
  return {{"text.txt", cardText(120000, 7)}, {"bin.dat", bin}, {"empty.txt", ""}, {"\xc5\xbe" "aba.txt", "frog"}};
}

void writePayload(const std::string &dir) {
  for (const Payload &p : payload()) writeFile(dir + "/" + p.name, p.data);
}

void expectPayload(const std::string &dir, const std::string &what) {
  for (const Payload &p : payload()) EXPECT_EQ(readFile(dir + "/" + p.name), p.data) << what << ": " << p.name;
}

} // namespace

TEST(ZipEngineExtract, ArchivesFromOtherToolsExtractByteIdentical) {
  std::string d = dirFor("ex-tools");
  std::string src = d + "/src";
  writePayload(src);
  QString qs = QString::fromStdString(src);
  QStringList names;
  for (const Payload &p : payload()) names << QString::fromStdString(p.name);

  struct Case {
    const char *what;
    std::function<ToolResult(const QString &)> make;
    std::string password;
  };
  std::vector<Case> cases = {
      {"zip -P", [&](const QString &z) { return tool("zip", QStringList{"-q", "-P", "pw1", z} + names, qs); }, "pw1"},
      {"zip stored", [&](const QString &z) { return tool("zip", QStringList{"-q", "-0", z} + names, qs); }, ""},
      {"7z ZipCrypto",
       [&](const QString &z) { return tool("7z", QStringList{"a", "-tzip", "-mem=ZipCrypto", "-ppw2", z} + names, qs); },
       "pw2"},
      {"python stored and deflated",
       [&](const QString &z) {
         return python("import sys,os,zipfile\n"
                       "os.chdir(sys.argv[2])\n"
                       "with zipfile.ZipFile(sys.argv[1],'w') as z:\n"
                       "  for i,n in enumerate(sys.argv[3:]):\n"
                       "    z.write(n, compress_type=zipfile.ZIP_STORED if i%2 else zipfile.ZIP_DEFLATED)\n",
                       QStringList{z, qs} + names);
       },
       ""},
  };
  for (const Case &k : cases) {
    std::string zip = d + "/t.zip";
    unlink(zip.c_str());
    auto made = k.make(QString::fromStdString(zip));
    ASSERT_EQ(made.code, 0) << k.what << made.output;
    std::string out = qel::test::freshDir("ex-tools-out").toStdString();
    Recorder r;
    EXPECT_EQ(extract(ExtractCall{zip, out, {}, k.password}, r), 4) << k.what << "\n" << r.messages();
    expectPayload(out, k.what);
  }

  // Data descriptors: zip writing to a pipe cannot seek back.
  QProcess p;
  p.setWorkingDirectory(qs);
  p.start("zip", {"-q", "-", "text.txt", "bin.dat"});
  ASSERT_TRUE(p.waitForFinished(30000));
  std::string zip = d + "/piped.zip";
  QByteArray bytes = p.readAllStandardOutput();
  writeFile(zip, bytes.toStdString());
  bool descriptors = false;
  for (const RawEntry &e : rawEntries(bytes.toStdString())) descriptors |= (e.central.flags & kFlagDescriptor) != 0;
  EXPECT_TRUE(descriptors);
  std::string out = qel::test::freshDir("ex-tools-piped").toStdString();
  Recorder r;
  EXPECT_EQ(extract(ExtractCall{zip, out}, r), 2) << r.messages();
  EXPECT_EQ(readFile(out + "/text.txt"), payload()[0].data);
  EXPECT_EQ(readFile(out + "/bin.dat"), payload()[1].data);
}

TEST(ZipEngineExtract, OwnArchivesRoundTripWithModeAndTime) {
  std::string d = dirFor("ex-roundtrip");
  writePayload(d + "/src");
  writeFile(d + "/src/run.sh", "#!/bin/sh\necho hi\n");
  chmod((d + "/src/run.sh").c_str(), 0755);
  struct timeval tv[2] = {{0, 0}, {1600000000, 0}};
  utimes((d + "/src/run.sh").c_str(), tv);
  std::string zip = d + "/own.zip";
  Recorder ra;
  AddCall c{zip, {{"src/*"}}};
  c.rootDir = d;
  c.encrypt = true;
  c.password = "round";
  ASSERT_EQ(add(c, ra), 5) << ra.messages();

  std::string out = d + "/out";
  Recorder r;
  EXPECT_EQ(extract(ExtractCall{zip, out, {}, "round"}, r), 5) << r.messages();
  expectPayload(out, "own archive");
  struct stat st {};
  ASSERT_EQ(stat((out + "/run.sh").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0111, 0111u) << "the run bit comes back";
  EXPECT_EQ(st.st_mtime, 1600000000);

  // A list with wildcards picks entries; test-only mode writes nothing.
  std::string some = d + "/some";
  Recorder r2;
  EXPECT_EQ(extract(ExtractCall{zip, some, {"*.txt"}, "round"}, r2), 3);
  EXPECT_FALSE(exists(some + "/bin.dat"));
  std::string tested = d + "/tested";
  Recorder r3;
  EXPECT_EQ(extract(ExtractCall{zip, tested, {}, "round", true}, r3), 5);
  EXPECT_FALSE(exists(tested));
}

TEST(ZipEngineExtract, PasswordRequests) {
  std::string d = dirFor("ex-passwords");
  writeFile(d + "/a.txt", "one");
  writeFile(d + "/b.txt", "two");
  std::string zip = d + "/p.zip";
  // The one-byte check of the cipher header lets a wrong password through
  // once in 256 tries; an archive where one of this test's wrong passwords
  // would pass is made again, so the counts below do not depend on chance.
  const char *kPassesAWrongPassword =
      "import sys, zipfile\n"
      "z = zipfile.ZipFile(sys.argv[1])\n"
      "for n in z.namelist():\n"
      "    for p in (b'bad1', b'bad2', b'bad3', b'bad4'):\n"
      "        try:\n"
      "            z.open(n, pwd=p).close()\n"
      "            sys.exit(1)\n"
      "        except RuntimeError:\n"
      "            pass\n";
  for (int attempt = 0;; ++attempt) {
    QFile::remove(QString::fromStdString(zip));
    ASSERT_EQ(tool("zip", {"-qj", "-P", "right", QString::fromStdString(zip), QString::fromStdString(d + "/a.txt"),
                           QString::fromStdString(d + "/b.txt")})
                  .code,
              0);
    if (python(kPassesAWrongPassword, {QString::fromStdString(zip)}).code == 0) break;
    ASSERT_LT(attempt, 20);
  }
  {
    // Wrong answers up to the retry count, then the right one.
    Recorder r;
    r.passwords = {std::string("bad1"), std::string("bad2"), std::string("right")};
    std::string out = d + "/o1";
    ExtractCall c{zip, out};
    c.passwordRequests = 3;
    EXPECT_EQ(extract(c, r), 2) << r.messages();
    EXPECT_EQ(r.count(cbPassword), 3) << "the second entry reuses the found password";
    EXPECT_EQ(readFile(out + "/b.txt"), "two");
  }
  {
    // Out of retries: the entries are skipped and nothing partial is left.
    Recorder r;
    r.passwords = {std::string("bad1"), std::string("bad2"), std::string("bad3"), std::string("bad4")};
    std::string out = d + "/o2";
    ExtractCall c{zip, out};
    c.passwordRequests = 2;
    EXPECT_EQ(extract(c, r), 0);
    EXPECT_EQ(r.count(cbPassword), 4);
    EXPECT_EQ(r.count(cbSkipped), 2);
    for (const Event &e : r.events)
      if (e.action == cbSkipped) {
        EXPECT_EQ(e.size, skipBadPassword + 1);
      }
    EXPECT_EQ(QDir(QString::fromStdString(out)).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).size(), 0);
  }
  {
    // "Cancel all": asked once, never again.
    Recorder r;
    r.stopAskingAfterFirst = true;
    r.passwords = {std::nullopt};
    ExtractCall c{zip, d + "/o3"};
    c.passwordRequests = 5;
    EXPECT_EQ(extract(c, r), 0);
    EXPECT_EQ(r.count(cbPassword), 1);
  }
  {
    // No requests allowed, the record's password wrong.
    Recorder r;
    ExtractCall c{zip, d + "/o4", {}, "nope"};
    c.passwordRequests = 0;
    EXPECT_EQ(extract(c, r), 0);
    EXPECT_EQ(r.count(cbPassword), 0);
  }
}

TEST(ZipEngineExtract, OverwriteUpdateAndFreshen) {
  std::string d = dirFor("ex-overwrite");
  writeFile(d + "/src/a.txt", "archived a");
  writeFile(d + "/src/b.txt", "archived b");
  struct timeval mid[2] = {{0, 0}, {1500000000, 0}};
  utimes((d + "/src/a.txt").c_str(), mid);
  utimes((d + "/src/b.txt").c_str(), mid);
  std::string zip = d + "/o.zip";
  Recorder ra;
  ASSERT_EQ(add(AddCall{zip, {{d + "/src/a.txt"}, {d + "/src/b.txt"}}}, ra), 2);

  std::string out = d + "/out";
  auto reset = [&] {
    writeFile(out + "/a.txt", "older local a");
    struct timeval old[2] = {{0, 0}, {1400000000, 0}};
    utimes((out + "/a.txt").c_str(), old);
    unlink((out + "/b.txt").c_str());
  };
  struct Case {
    const char *what;
    bool overwrite, update, freshen;
    std::optional<bool> reply;
    std::string a, b;
    int written;
  } cases[] = {
      {"overwrite", true, false, false, std::nullopt, "archived a", "archived b", 2},
      {"no overwrite", false, false, false, std::nullopt, "older local a", "archived b", 1},
      {"overwrite refused by the caller", true, false, false, false, "older local a", "archived b", 1},
      {"freshen: only existing older files", false, false, true, std::nullopt, "archived a", "<missing>", 1},
      {"update: older and missing files", false, true, false, std::nullopt, "archived a", "archived b", 2},
  };
  for (const Case &k : cases) {
    reset();
    Recorder r;
    r.overwriteReply = k.reply;
    ExtractCall c{zip, out};
    c.overwrite = k.overwrite;
    c.update = k.update;
    c.freshen = k.freshen;
    EXPECT_EQ(extract(c, r), k.written) << k.what << "\n" << r.messages();
    EXPECT_EQ(readFile(out + "/a.txt"), k.a) << k.what;
    EXPECT_EQ(readFile(out + "/b.txt"), k.b) << k.what;
    if (!k.freshen) {
      ASSERT_EQ(r.count(cbOverwrite), 1) << k.what;
      for (const Event &e : r.events)
        if (e.action == cbOverwrite) {
          EXPECT_EQ(e.errorCode & 0x10000, 0x10000) << "the file on disk is older";
          EXPECT_EQ(e.text, "a.txt");
        }
    }
  }
  // A newer file on disk is left alone by update.
  writeFile(out + "/a.txt", "newer local a");
  Recorder r;
  ExtractCall c{zip, out};
  c.update = true;
  extract(c, r);
  EXPECT_EQ(readFile(out + "/a.txt"), "newer local a");
}
