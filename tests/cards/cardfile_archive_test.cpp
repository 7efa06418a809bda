// Card files through the real ZIP component and engines, judged by unzip,
// zipinfo, 7z and python's zipfile.

#include "cards/cardfile.h"
#include "cards/carderror.h"
#include "cards/indexfile.h"
#include "tests/cards/cardtestutil.h"
#include "tests/support/scriptedui.h"
#include "tests/support/wrongpassword.h"
#include "tests/zip/ziptestutil.h"
#include "platform/tempfolder.h"
#include "zip/ziparchiver.h"

#include <QDialog>
#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <gtest/gtest.h>

#include <csignal>
#include <functional>
#include <sys/resource.h>
#include <sys/stat.h>

using namespace qel;
using namespace qel::ziptest;
using qel::test::Answer;
using qel::test::ScriptedUi;

namespace {

const QString kEngineDir = QStringLiteral(QEL_PROGRAM_DIR);

bool enginesBuilt() {
  return QFileInfo::exists(kEngineDir + "/libzipdll.so") && QFileInfo::exists(kEngineDir + "/libunzdll.so");
}

void setUp(TZipArchiver &zip) { zip.SetDLLDirectory(kEngineDir); }

// Runs a python snippet with arguments; its standard output, or "FAILED: ..." on error.
QByteArray py(const QString &code, const QStringList &args) {
  QByteArray out;
  int rc = run(python(), QStringList{"-c", code} + args, QDir::tempPath(), &out);
  return rc == 0 ? out : QByteArray("FAILED: ") + out;
}

// Makes an archive with python: entries given as name=content-file pairs.
void pyZip(const QString &archive, const QStringList &namesAndFiles) {
  QByteArray out = py("import sys,zipfile\n"
                      "z=zipfile.ZipFile(sys.argv[1],'w',zipfile.ZIP_DEFLATED)\n"
                      "a=sys.argv[2:]\n"
                      "for i in range(0,len(a),2): z.write(a[i+1],a[i])\n"
                      "z.close()\n",
                      QStringList{archive} + namesAndFiles);
  ASSERT_FALSE(out.startsWith("FAILED")) << out.constData();
}

class CardFileArchive : public test::CardStoreTest {
protected:
  void SetUp() override {
    test::CardStoreTest::SetUp();
    if (!enginesBuilt()) GTEST_SKIP() << "engine libraries not built";
    setUp(zip);
  }
  void addCards(int n) {
    for (int i = 0; i < n; ++i) {
      QByteArray body = "{\\rtf1\\ansi card " + QByteArray::number(i) + " " + QByteArray(200, char('a' + i % 26)) + "\\par}";
      AllCards.AddCrd(card(i == 1 ? QStringLiteral("Crème brûlée %1").arg(i) : QStringLiteral("Card %1").arg(i), body));
    }
  }
  QByteArray expectedBodies() const {
    QByteArray all;
    for (int i = 0; i < AllCards.Count(); ++i) all += ReadBody(*AllCards.Objects(i), CurrentBodyFile());
    return all;
  }
  // What another program with the same cards does, which a death test's
  // child stands for: it saves from a body file of its own.
  void saveAsAnotherProgram(const QString &name, const QString &target, const std::function<void()> &first = {}) {
    const QString path = BodyFileName(dir + "/" + name);
    QFile::remove(path);
    ASSERT_TRUE(QFile::copy(CurrentBodyFileName(), path));
    TBodyFile body(path);
    if (first) first();
    SaveCardsArchive(AllCards, body, target, zip);
  }
  QStringList looseFiles() const {
    QStringList names = QDir(dir).entryList(QDir::Files | QDir::Hidden);
    QStringList loose;
    for (const QString &n : names)
      if (n.contains(".~") && !n.endsWith(".bak")) loose << n;
    return loose;
  }
  TZipArchiver zip;
};

class CardStoreDebris : public test::CardStoreTest {};

} // namespace

TEST_F(CardFileArchive, SaveIsJudgedByUnzipZipinfoAndPython) {
  addCards(40);
  const QByteArray bodies = expectedBodies();
  const QString target = dir + "/out.qel";
  SaveCardsArchive(AllCards, CurrentBodyFile(), target, zip);

  QByteArray listing;
  ASSERT_EQ(run("unzip", {"-l", target}, dir, &listing), 0) << listing.constData();
  const qsizetype i = listing.indexOf("out.~i"), h = listing.indexOf("out.~h");
  EXPECT_TRUE(i >= 0 && h > i) << listing.constData();
  EXPECT_FALSE(listing.contains(".~p"));
  EXPECT_TRUE(listing.contains("2 files")) << listing.constData();

  QByteArray info;
  ASSERT_EQ(run("zipinfo", {target}, dir, &info), 0);
  EXPECT_EQ(info.count("defX"), 2) << info.constData();  // deflated at the maximum level

  QByteArray report = py("import sys,zipfile\n"
                         "z=zipfile.ZipFile(sys.argv[1])\n"
                         "assert z.testzip() is None\n"
                         "print([i.filename for i in z.infolist()])\n"
                         "print([i.compress_type for i in z.infolist()], [i.flag_bits & 1 for i in z.infolist()])\n"
                         "print(z.read('out.~i').split(b'\\r\\n')[0].decode())\n",
                         {target});
  EXPECT_EQ(report, "['out.~i', 'out.~h']\n[8, 8] [0, 0]\n<~QEL MORAVINE QEL FILE VERSION~>3\n");
  EXPECT_EQ(py("import sys,zipfile\nsys.stdout.buffer.write(zipfile.ZipFile(sys.argv[1]).read('out.~h'))", {target}),
            bodies);
  EXPECT_TRUE(looseFiles().isEmpty()) << looseFiles().join(' ').toStdString();
}

TEST_F(CardFileArchive, ProtectedSaveHasThreeEncryptedEntriesThatSevenZipOpens) {
  addCards(10);
  const QByteArray bodies = expectedBodies();
  const QString target = dir + "/secret.qel";
  zip.SetPassword("s3cret pw");
  SaveCardsArchive(AllCards, CurrentBodyFile(), target, zip);

  QByteArray report = py("import sys,zipfile\n"
                         "z=zipfile.ZipFile(sys.argv[1])\n"
                         "print([i.filename for i in z.infolist()])\n"
                         "print([i.compress_type for i in z.infolist()], [i.flag_bits & 1 for i in z.infolist()])\n"
                         "print(z.read('secret.~p', pwd=b's3cret pw').decode().strip())\n",
                         {target});
  EXPECT_EQ(report, "['secret.~i', 'secret.~h', 'secret.~p']\n[8, 8, 8] [1, 1, 1]\npassword is here:\n");

  const QString out = dir + "/7z";
  QByteArray log;
  ASSERT_EQ(run("7z", {"x", "-y", "-ps3cret pw", "-o" + out, target}, dir, &log), 0) << log.constData();
  EXPECT_EQ(fileBytes(out + "/secret.~h"), bodies);
  EXPECT_TRUE(fileBytes(out + "/secret.~i").startsWith("<~QEL MORAVINE QEL FILE VERSION~>3"));
  EXPECT_NE(run("7z", {"t", "-pwrong", target}, dir, &log), 0);
  EXPECT_TRUE(looseFiles().isEmpty());

  // Saved again without a password: two plain entries.
  zip.SetPassword(QString());
  SaveCardsArchive(AllCards, CurrentBodyFile(), target, zip);
  EXPECT_EQ(py("import sys,zipfile\nprint([(i.filename, i.flag_bits & 1) for i in zipfile.ZipFile(sys.argv[1]).infolist()])",
               {target}),
            "[('secret.~i', 0), ('secret.~h', 0)]\n");
}

TEST_F(CardFileArchive, ProbeClassifiesFiles) {
  const QString content = dir + "/content";
  writeBytes(content, "x");
  struct Case { const char *file; QStringList entries; int kind; bool prot; const char *index; };
  const Case cases[] = {
    {"tmp.qel", {"cards.tmp"}, 2, false, ""},
    {"TMP.qel", {"CARDS.TMP"}, 2, false, ""},
    {"v3.qel", {"a.~i", "a.~h"}, 3, false, "a.~i"},
    {"v3p.qel", {"a.~i", "a.~h", "a.~p"}, 3, true, "a.~i"},
    {"old.qel", {"a.~QE"}, 2, true, ""},
    {"case.qel", {"a.~I", "a.~H"}, 0, false, ""},  // case matters for every name but ".TMP"
    {"last.qel", {"a.~i", "a.tmp"}, 2, false, "a.~i"},
  };
  for (const Case &c : cases) {
    QStringList args;
    for (const QString &e : c.entries) args << e << content;
    pyZip(dir + "/" + c.file, args);
    const tQelfileSpec probed = ProbeCardsFile(dir + "/" + c.file, zip);
    EXPECT_EQ(probed.Kind, c.kind) << c.file;
    EXPECT_EQ(probed.Protected, c.prot) << c.file;
    EXPECT_EQ(probed.IndexEntry, QString::fromLatin1(c.index)) << c.file;
  }
  writeBytes(dir + "/old.txt", "VR3KT Another moravine 2.0\r\n<TITLE>x\r\n");
  EXPECT_EQ(ProbeCardsFile(dir + "/old.txt", zip).Kind, 1);
  writeBytes(dir + "/plain.txt", "just text\r\nVR3KT Another moravine\r\n");
  EXPECT_EQ(ProbeCardsFile(dir + "/plain.txt", zip).Kind, 0);
  EXPECT_EQ(ProbeCardsFile(dir + "/missing.qel", zip).Kind, 0);
  EXPECT_EQ(ProbeCardsFile(dir + "/missing.qel", zip).FileName, QString());
}

TEST_F(CardFileArchive, BrokenPkFileEndsInComponentErrorAndKindZero) {
  ScriptedUi ui;
  ui.answerButton(IDOK);  // the component's own error message
  writeBytes(dir + "/broken.qel", "PK\x03\x04 not really an archive");
  const tQelfileSpec probed = ProbeCardsFile(dir + "/broken.qel", zip);
  EXPECT_EQ(probed.Kind, 0);
}

TEST_F(CardFileArchive, OpensPythonMadeArchiveByBaseNamesOnly) {
  // The index and bodies of three cards, laid out as the file format says.
  TCrdList source;
  QByteArray bodies;
  for (int i = 0; i < 3; ++i) {
    auto c = NewCrd();
    c->Title = QStringLiteral("Py %1").arg(i);
    const QByteArray body = "body " + QByteArray::number(i) + "\r\n";
    c->ADR = int(bodies.size());
    c->SIZ = int(body.size());
    bodies += body;
    source.AddCrd(c);
  }
  writeBytes(dir + "/py.~i", IndexText(source));
  writeBytes(dir + "/py.~h", bodies);
  writeBytes(dir + "/evil", "must not be extracted");
  // Entries readable by everyone, as other tools store them.
  for (const char *name : {"/py.~i", "/py.~h"})
    QFile::setPermissions(dir + name, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
  // Entries stored with a folder, plus one that would escape the extraction folder.
  pyZip(dir + "/py.qel", {"sub/py.~i", dir + "/py.~i", "sub/py.~h", dir + "/py.~h", "../../escape.txt", dir + "/evil"});

  const tQelfileSpec probed = ProbeCardsFile(dir + "/py.qel", zip);
  ASSERT_EQ(probed.Kind, 3);
  EXPECT_EQ(probed.IndexEntry, "sub/py.~i");
  TLoadedCardFile loaded;
  const LoadOutcome outcome = LoadVersion3File(probed, zip, loaded);
  ASSERT_EQ(outcome.status, LoadStatus::Loaded) << outcome.error.toStdString();
  ASSERT_EQ(loaded.cards.Count(), 3);
  EXPECT_EQ(QDir(loaded.folder).entryList(QDir::Files | QDir::NoDotAndDotDot), QStringList({"py.~h", "py.~i"}));
  EXPECT_FALSE(QFileInfo::exists(loaded.folder + "../escape.txt"));
  EXPECT_EQ(ReadBody(*loaded.cards.Objects(2), TBodyFile(loaded.bodyPath)), "body 2\r\n");

  // Swapped in: the cards, their body file and the file name become the open file's.
  AllCards.AddCrd(card("previous", "old body"));
  const QString previousBody = CurrentBodyFileName();
  const QString folder = loaded.folder;
  InstallLoadedFile(loaded, probed.FileName);
  EXPECT_EQ(CurrentFileName, probed.FileName);
  EXPECT_EQ(AllCards.Count(), 3);
  EXPECT_EQ(AllCards.Objects(1)->BodyBytes(), "body 1\r\n");
  EXPECT_FALSE(QFileInfo::exists(previousBody));
  // The body file is ours alone from the start, whatever the entry said.
  struct stat st {};
  ASSERT_EQ(::stat(QFile::encodeName(CurrentBodyFileName()).constData(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u) << std::oct << (st.st_mode & 0777);
}

TEST_F(CardFileArchive, FolderOfExtractedEntriesGoesAway) {
  addCards(2);
  SaveCardsArchive(AllCards, CurrentBodyFile(), dir + "/f.qel", zip);
  QString folder;
  {
    TLoadedCardFile loaded;
    ASSERT_EQ(LoadVersion3File(ProbeCardsFile(dir + "/f.qel", zip), zip, loaded).status, LoadStatus::Loaded);
    folder = loaded.folder;
    EXPECT_TRUE(QFileInfo(folder).isDir());
  }
  EXPECT_FALSE(QFileInfo::exists(folder));
}

TEST_F(CardFileArchive, ArchiveWithoutBodyEntryIsDamaged) {
  writeBytes(dir + "/x.~i", "<~QEL MORAVINE QEL FILE VERSION~>3\r\n");
  pyZip(dir + "/nobody.qel", {"x.~i", dir + "/x.~i"});
  TLoadedCardFile loaded;
  const LoadOutcome outcome = LoadVersion3File(ProbeCardsFile(dir + "/nobody.qel", zip), zip, loaded);
  EXPECT_EQ(outcome.status, LoadStatus::Damaged);
  EXPECT_TRUE(outcome.error.contains("damaged"));
}

// What opening may inflate is bounded: an index past 256 MB (read whole
// into memory) or card bodies past the body file's 2 GB are refused, naming
// the file as damaged or too large, before anything is written.
TEST_F(CardFileArchive, EntryBeyondTheSizeLimitIsRefusedBeforeExtracting) {
  struct Case {
    const char *name;
    bool index;
    std::uint64_t declared;
    bool zip64;
  } cases[] = {
      {"index-past-limit", true, std::uint64_t(kMaxIndexEntrySize) + 1, false},
      {"index-1g", true, std::uint64_t(1) << 30, false},
      {"body-2-5g", false, std::uint64_t(2560) << 20, false},
      {"body-5g", false, std::uint64_t(5) << 30, true},
  };
  for (const Case &c : cases) {
    CraftedEntry index{"big.~i", "<~QEL MORAVINE QEL FILE VERSION~>3\r\n"};
    CraftedEntry body{"big.~h", "tiny"};
    CraftedEntry &big = c.index ? index : body;
    big.zip64 = c.zip64;
    big.declaredSize = c.declared;
    const QString file = dir + "/" + c.name + ".qel";
    ASSERT_TRUE(writeAll(file, craftArchive({index, body}, {c.zip64})));
    TLoadedCardFile loaded;
    const LoadOutcome outcome = LoadVersion3File(ProbeCardsFile(file, zip), zip, loaded);
    EXPECT_EQ(outcome.status, LoadStatus::Failed) << c.name;
    EXPECT_EQ(outcome.error, TooLargeEntryMessage(file, c.index, c.declared)) << c.name;
    EXPECT_TRUE(outcome.error.contains(file + " cannot be opened: it is damaged or too large")) << outcome.error.toStdString();
    EXPECT_TRUE(QDir(loaded.folder).entryList(QDir::Files | QDir::Hidden).isEmpty()) << c.name;
  }
  // Just below the limits the same file is extracted (and found short).
  CraftedEntry index{"ok.~i", "<~QEL MORAVINE QEL FILE VERSION~>3\r\n"};
  CraftedEntry body{"ok.~h", "tiny"};
  body.declaredSize = std::uint64_t(kMaxBodyFileSize);
  ASSERT_TRUE(writeAll(dir + "/ok.qel", craftArchive({index, body})));
  TLoadedCardFile loaded;
  const LoadOutcome outcome = LoadVersion3File(ProbeCardsFile(dir + "/ok.qel", zip), zip, loaded);
  EXPECT_FALSE(outcome.error.contains("too large")) << outcome.error.toStdString();
}

// An index (no password) whose data inflates far past the size it declares
// is stopped, and the file is called damaged: there was no password to get wrong.
TEST_F(CardFileArchive, IndexLargerThanItSaysMakesADamagedFileNotAWrongPassword) {
  const QByteArray text = "<~QEL MORAVINE QEL FILE VERSION~>3\r\n" + QByteArray(1 << 20, 'x');
  const QByteArray wrapped = qCompress(text, 9);  // size, zlib header, raw deflate, checksum
  CraftedEntry index{"bomb.~i", wrapped.mid(6, wrapped.size() - 10)};
  index.method = 8;
  index.declaredSize = 64;
  CraftedEntry body{"bomb.~h", "tiny"};
  const QString file = dir + "/bomb.qel";
  ASSERT_TRUE(writeAll(file, craftArchive({index, body})));
  TLoadedCardFile loaded;
  const LoadOutcome outcome = LoadVersion3File(ProbeCardsFile(file, zip), zip, loaded);
  EXPECT_EQ(outcome.status, LoadStatus::Damaged);
  EXPECT_EQ(outcome.error, DamagedIndexMessage(file));
  EXPECT_TRUE(outcome.error.contains("damaged")) << outcome.error.toStdString();
}

TEST_F(CardFileArchive, WrongPasswordGivesNoIndex) {
  addCards(3);
  zip.SetPassword("right");
  SaveCardsArchive(AllCards, CurrentBodyFile(), dir + "/p.qel", zip);

  ScriptedUi ui;
  for (int i = 0; i < 4; ++i) ui.answer(Answer::dialog(QDialog::Rejected));  // the component asks again
  TZipArchiver other;
  setUp(other);
  other.SetPassword(qel::test::WrongPasswordFor(dir + "/p.qel"));
  TLoadedCardFile loaded;
  const LoadOutcome outcome = LoadVersion3File(ProbeCardsFile(dir + "/p.qel", other), other, loaded);
  EXPECT_EQ(outcome.status, LoadStatus::IndexNotFound);
  EXPECT_EQ(loaded.cards.Count(), 0);
}

TEST_F(CardFileArchive, MergeRules) {
  struct Case { int mode; int count; const char *sameBody; };
  const Case cases[] = {{MergeKeepRecent, 3, "newer"}, {MergeOverwrite, 3, "newer"}, {MergeSkip, 3, "older"},
                        {MergeAddAsNew, 4, "older"}};
  for (const Case &c : cases) {
    // The file to merge: "Same" opened later than ours, and a card of its own.
    ClearCards(AllCards);
    ResetBodyFile();
    AllCards.AddCrd(card("Same", "newer", 20));
    AllCards.AddCrd(card("Incoming", "incoming", 1));
    SaveCardsArchive(AllCards, CurrentBodyFile(), dir + "/m.qel", zip);
    ClearCards(AllCards);
    ResetBodyFile();
    AllCards.AddCrd(card("Same", "older", 10));
    AllCards.AddCrd(card("Mine", "mine", 1));

    TLoadedCardFile loaded;
    ASSERT_EQ(LoadVersion3File(ProbeCardsFile(dir + "/m.qel", zip), zip, loaded).status, LoadStatus::Loaded);
    MergeLoadedFile(loaded, c.mode);
    EXPECT_EQ(AllCards.Count(), c.count) << c.mode;
    EXPECT_EQ(AllCards.Objects(AllCards.IndexOf("Same"))->BodyBytes(), c.sameBody) << c.mode;
    EXPECT_GE(AllCards.IndexOf("Incoming"), 0);
    EXPECT_GE(AllCards.IndexOf("Mine"), 0);
  }
}

// Cards whose body range lies outside the body entry (wrong offsets, or a
// second, shorter body entry of the same name that extraction lets win) are
// named and get the empty body; the others keep theirs, and all can be
// shown, merged and saved.
TEST_F(CardFileArchive, CardsOutsideTheBodyEntryLoadEmptyAndNamed) {
  TCrdList source;
  auto add = [&](const char *title, qint32 adr, qint32 siz) { addIndexed(source, title, adr, siz); };
  add("Good", 0, 9);
  add("Beyond", 1000, 10);
  add("Negative", -5, 3);
  add("Straddling", 5, 100);
  writeBytes(dir + "/d.~i", IndexText(source));
  writeBytes(dir + "/d.~h", "good body");
  writeBytes(dir + "/short.~h", "good");
  pyZip(dir + "/d.qel", {"d.~i", dir + "/d.~i", "d.~h", dir + "/d.~h"});
  pyZip(dir + "/twice.qel", {"d.~i", dir + "/d.~i", "d.~h", dir + "/d.~h", "d.~h", dir + "/short.~h"});

  struct Case {
    const char *file;
    QStringList damaged;
  } cases[] = {{"d.qel", {"Beyond", "Negative", "Straddling"}}, {"twice.qel", {"Good", "Beyond", "Negative", "Straddling"}}};
  for (const Case &c : cases) {
    ClearCards(AllCards);
    ResetBodyFile();
    AllCards.AddCrd(card("Mine", "mine"));
    TLoadedCardFile loaded;
    const LoadOutcome outcome = LoadVersion3File(ProbeCardsFile(dir + "/" + c.file, zip), zip, loaded);
    ASSERT_EQ(outcome.status, LoadStatus::Loaded) << c.file;
    EXPECT_EQ(outcome.damagedCards, c.damaged) << c.file;
    ASSERT_EQ(loaded.cards.Count(), 4);
    const TBodyFile body(loaded.bodyPath);
    for (int i = 0; i < loaded.cards.Count(); ++i) {
      const TCrd &card = *loaded.cards.Objects(i);
      const QByteArray expected = c.damaged.contains(card.Title) ? EmptyBody() : QByteArray("good body");
      EXPECT_EQ(ReadBody(card, body), expected) << c.file << " " << card.Title.toStdString();
    }
    MergeLoadedFile(loaded, MergeAddAsNew);
    EXPECT_EQ(AllCards.Count(), 5);
    const QString message = DamagedCardsMessage(dir + "/" + c.file, outcome.damagedCards);
    for (const QString &title : c.damaged) EXPECT_TRUE(message.contains("\"" + title + "\"")) << message.toStdString();
  }
  // A long list is cut short.
  QStringList many;
  for (int i = 0; i < 100; ++i) many << QString::number(i);
  EXPECT_TRUE(DamagedCardsMessage("f", many).endsWith("\rand 80 more."));
}

// What cannot be read is said as it is: a bad checksum in the index of an
// unprotected file is damage (not a wrong password), one in the card bodies
// says so (not that they are missing), and cards whose size cannot be read
// are named with the others instead of vanishing.
TEST_F(CardFileArchive, DamageIsNamedForWhatItIs) {
  TCrdList source;
  auto add = [&](const char *title, qint32 adr, qint32 siz) { addIndexed(source, title, adr, siz); };
  add("Good", 0, 9);
  add("Beyond", 1000, 10);
  add("Unreadable size", 0, 9);
  add("Huge size", 0, 9);
  QByteArray index = IndexText(source);
  // The sizes of the last two: not a number, and past any 32-bit number.
  const qsizetype third = index.indexOf("Unreadable size");
  index.replace(index.indexOf("<~SIZ~>9", third), 8, "<~SIZ~>nine");
  const qsizetype fourth = index.indexOf("Huge size");
  index.replace(index.indexOf("<~SIZ~>9", fourth), 8, "<~SIZ~>99999999999");
  writeBytes(dir + "/d.~i", index);
  writeBytes(dir + "/d.~h", "good body");
  // Stored entries, so a byte of either can be changed in place.
  QByteArray out = py("import sys,zipfile\n"
                      "z=zipfile.ZipFile(sys.argv[1],'w',zipfile.ZIP_STORED)\n"
                      "z.write(sys.argv[2],'d.~i'); z.write(sys.argv[3],'d.~h'); z.close()\n",
                      {dir + "/d.qel", dir + "/d.~i", dir + "/d.~h"});
  ASSERT_FALSE(out.startsWith("FAILED")) << out.constData();
  const QByteArray archive = fileBytes(dir + "/d.qel");

  TLoadedCardFile loaded;
  const LoadOutcome read = LoadVersion3File(ProbeCardsFile(dir + "/d.qel", zip), zip, loaded);
  ASSERT_EQ(read.status, LoadStatus::Loaded) << read.error.toStdString();
  EXPECT_EQ(read.damagedCards, QStringList{"Beyond"});
  EXPECT_EQ(read.leftOutCards, QStringList({"Unreadable size", "Huge size"}));
  const QString message = DamagedCardsMessage(dir + "/d.qel", read.damagedCards, read.leftOutCards);
  for (const char *title : {"Beyond", "Unreadable size", "Huge size"})
    EXPECT_TRUE(message.contains(QStringLiteral("\"%1\"").arg(title))) << message.toStdString();

  struct Case {
    const char *file;
    QByteArray changedFrom;
    const char *part;
  } cases[] = {{"badindex.qel", "<~TITLE~>Good", "index"}, {"badbody.qel", "good body", "card bodies"}};
  for (const Case &c : cases) {
    QByteArray bytes = archive;
    const qsizetype at = bytes.indexOf(c.changedFrom);
    ASSERT_GE(at, 0);
    bytes[at + c.changedFrom.size() - 1] = 'X';
    writeBytes(dir + "/" + c.file, bytes);
    TLoadedCardFile broken;
    const LoadOutcome outcome = LoadVersion3File(ProbeCardsFile(dir + "/" + c.file, zip), zip, broken);
    EXPECT_EQ(outcome.status, LoadStatus::Damaged) << c.file;
    EXPECT_TRUE(outcome.error.startsWith(QStringLiteral("The file %1/%2 is damaged: its %3 cannot be read")
                                             .arg(dir, c.file, c.part)))
        << outcome.error.toStdString();
    if (QLatin1String(c.part) != QLatin1String("index")) {
      EXPECT_TRUE(outcome.error.contains("CRC")) << outcome.error.toStdString();
    }
    EXPECT_FALSE(outcome.error.contains("missing")) << outcome.error.toStdString();
  }
}

// The entries of a protected file are plain text until they are in the
// archive: they are staged in a private folder, never beside the target, and
// gone afterwards. Temporary archives a killed save of the same target left
// are removed; other files beside it are not touched.
TEST_F(CardFileArchive, SaveStagesEntriesPrivatelyAndClearsKilledSaves) {
  addCards(2);
  zip.SetPassword("pw");
  for (const char *name : {".p.qel.~1x.tmp", ".p.qel.~zz9.tmp", "p.qel.~mine.tmp", ".other.qel.~1.tmp"})
    writeBytes(dir + "/" + name, "debris");
  const QString temp = TempFolderPath();
  int checked = 0;
  SaveCardsArchive(AllCards, CurrentBodyFile(), dir + "/p.qel", zip, [&](int position) {
    if (position != 75) return;
    ++checked;
    EXPECT_EQ(QDir(dir).entryList(QDir::Files | QDir::Hidden, QDir::Name),
              QStringList({".other.qel.~1.tmp", "p.qel.~mine.tmp"}));
    const QStringList staging = QDir(temp).entryList({"save-*"}, QDir::Dirs | QDir::Hidden);
    ASSERT_EQ(staging.size(), 1);
    const QString folder = temp + staging[0];
    EXPECT_EQ(QFileInfo(folder).permissions().toInt() & 0x0077, 0) << "folder open to others";
    const QStringList entries = QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    EXPECT_EQ(entries, QStringList({"p.~h", "p.~i", "p.~p"}));
    for (const QString &e : entries)
      EXPECT_EQ(QFileInfo(folder + "/" + e).permissions().toInt() & 0x0077, 0) << e.toStdString() << " readable by others";
  });
  EXPECT_EQ(checked, 1);
  EXPECT_EQ(QDir(dir).entryList(QDir::Files | QDir::Hidden, QDir::Name),
            QStringList({".other.qel.~1.tmp", "p.qel", "p.qel.~mine.tmp"}));
  EXPECT_TRUE(QDir(temp).entryList({"save-*"}, QDir::Dirs | QDir::Hidden).isEmpty());
}

// A save killed while the engine writes leaves the engine's temporary file
// beside our own temporary archive; the next save of that file removes both,
// and nothing of another file's saves.
TEST_F(CardFileArchive, NextSaveRemovesWhatASaveKilledInTheEngineLeft) {
  addCards(3);
  const QString target = dir + "/k.qel";
  SaveCardsArchive(AllCards, CurrentBodyFile(), target, zip);
  writeBytes(dir + "/..other.qel.~1.tmp.x.tmp", "debris");
  zip.OnProgress = [](TZipArchiver &, ProgressType type, const QString &, qint64) {
    if (type == NewFile) ::raise(SIGKILL);
  };
  EXPECT_EXIT(saveAsAnotherProgram("killed.qel", target), testing::KilledBySignal(SIGKILL), "");
  zip.OnProgress = nullptr;
  // The killed save's staging folder is the start-up cleanup's business.
  RemoveDeadInstanceDebris({});
  const QStringList left = QDir(dir).entryList({"..k.qel.~*.tmp.*.tmp"}, QDir::Files | QDir::Hidden);
  EXPECT_EQ(left.size(), 1) << QDir(dir).entryList(QDir::Files | QDir::Hidden).join(' ').toStdString();

  SaveCardsArchive(AllCards, CurrentBodyFile(), target, zip);
  EXPECT_EQ(QDir(dir).entryList(QDir::Files | QDir::Hidden, QDir::Name), QStringList({"..other.qel.~1.tmp.x.tmp", "k.qel"}));
}

// At start a program removes what killed programs left in the private
// temporary folder, however new: body files and what their compaction was
// writing, extraction and save folders, unfinished clipboard files. What a
// running program holds stays, and so do body files a record names, and
// anything else.
TEST_F(CardStoreDebris, DeadInstancesLeftoversAreRemovedLiveOnesKept) {
  const QString temp = TempFolderPath();
  RemoveDeadInstanceDebris({});  // what other tests of this process left
  const QString namedBody = QFileInfo(BodyFileName(dir + "/named.qel")).fileName();
  const QString deadBody = QFileInfo(BodyFileName(dir + "/dead.qel")).fileName();
  const QString deadCompaction = deadBody + ".0badc0de.tmp";
  const QString ownBody = QFileInfo(CurrentBodyFileName()).fileName();
  ASSERT_TRUE(CurrentBodyFile().isHeld());
  for (const QString &name : {namedBody, deadBody, deadCompaction, QString("qel_clipboard.clp"),
                              QString("qel_clipboard.clp.00ab12cd34ef5678.tmp"), QString("notes.txt"), QString("ABC.~h")})
    writeBytes(temp + name, "x");
  TBodyFile heldBody(BodyFileName(dir + "/held.qel"));
  heldBody.reset();
  const TPrivateFolder held("open-");
  ASSERT_TRUE(held.isValid());
  writeBytes(held.path() + "held.~h", "x");
  const QString deadOpen = CreatePrivateSubFolder("open-");
  const QString deadSave = CreatePrivateSubFolder("save-");
  const QString other = CreatePrivateSubFolder("other-");
  writeBytes(deadOpen + "secret.~i", "x");
  writeBytes(deadSave + "secret.~h", "x");

  const QStringList before = QDir(temp).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
  EXPECT_EQ(RemoveDeadInstanceDebris({namedBody}), 5) << before.join(' ').toStdString();
  for (const QString &gone : {temp + deadBody, temp + deadCompaction, temp + "qel_clipboard.clp.00ab12cd34ef5678.tmp",
                              deadOpen, deadSave})
    EXPECT_FALSE(QFileInfo::exists(gone)) << gone.toStdString();
  for (const QString &kept : {temp + namedBody, temp + ownBody, heldBody.path(), temp + "qel_clipboard.clp",
                              temp + "notes.txt", temp + "ABC.~h", held.path() + "held.~h", other})
    EXPECT_TRUE(QFileInfo::exists(kept)) << kept.toStdString();
  // Once nobody holds it, it goes too.
  const QString heldPath = heldBody.path();
  heldBody.setPath(QString());
  EXPECT_EQ(RemoveDeadInstanceDebris({namedBody}), 1);
  EXPECT_FALSE(QFileInfo::exists(heldPath));
  for (const QString &name : {namedBody, QString("qel_clipboard.clp"), QString("notes.txt"), QString("ABC.~h")})
    QFile::remove(temp + name);
  QDir(other).removeRecursively();
}

// A save killed with SIGKILL, while it compacts the body file or while it
// writes the archive of a protected file, leaves the compaction's files and
// its staging folder (with the index and bodies in plain text) in the private
// temporary folder. The next start removes them at once; the running
// program's own body file and a save it has under way stay.
TEST_F(CardFileArchive, NextStartRemovesWhatAKilledSaveLeftAtOnce) {
  addCards(40);
  const QByteArray bodies = expectedBodies();
  zip.SetPassword("pw");
  const QString target = dir + "/k.qel";
  const QString temp = TempFolderPath();
  const QString ownBody = QFileInfo(CurrentBodyFileName()).fileName();
  auto debris = [&] {
    QStringList names = QDir(temp).entryList({"save-*", "open-*", "*.~h", "*.~h.*.tmp"}, QDir::AllEntries | QDir::Hidden);
    names.removeAll(ownBody);
    names.sort();
    return names;
  };
  ASSERT_EQ(debris(), QStringList());

  // Killed in the middle of the compaction: its first write past 4 KB ends the program.
  auto killedWhileCompacting = [&] {
    saveAsAnotherProgram("killed1.qel", target, [] {
      struct rlimit limit;
      limit.rlim_cur = limit.rlim_max = 4096;
      ::signal(SIGXFSZ, [](int) { ::raise(SIGKILL); });
      ::setrlimit(RLIMIT_FSIZE, &limit);
    });
  };
  EXPECT_EXIT(killedWhileCompacting(), testing::KilledBySignal(SIGKILL), "");
  // Killed while the engine writes the archive.
  zip.OnProgress = [](TZipArchiver &, ProgressType type, const QString &, qint64) {
    if (type == NewFile) ::raise(SIGKILL);
  };
  EXPECT_EXIT(saveAsAnotherProgram("killed2.qel", target), testing::KilledBySignal(SIGKILL), "");
  zip.OnProgress = nullptr;

  // The two programs' body files, the compaction's file, the two staging folders.
  const QStringList left = debris();
  ASSERT_EQ(left.size(), 5) << left.join(' ').toStdString();
  EXPECT_EQ(left.filter(QRegularExpression("^[0-9A-F]{32}\\.~h$")).size(), 2) << left.join(' ').toStdString();
  EXPECT_EQ(left.filter(QRegularExpression("^[0-9A-F]{32}\\.~h\\.[0-9a-f]{8}\\.tmp$")).size(), 1) << left.join(' ').toStdString();
  EXPECT_EQ(left.filter(QRegularExpression("^save-")).size(), 2) << left.join(' ').toStdString();
  bool plainIndex = false;
  for (const QString &name : left.filter("save-"))
    plainIndex |= fileBytes(temp + name + "/k.~i").contains("<~TITLE~>Card 3");
  EXPECT_TRUE(plainIndex);

  // The next start, at once.
  const TPrivateFolder saving("save-");
  ASSERT_TRUE(saving.isValid());
  EXPECT_EQ(RemoveDeadInstanceDebris({}), 5);
  EXPECT_EQ(debris(), QStringList{QDir(saving.path()).dirName()});
  EXPECT_TRUE(CurrentBodyFile().isHeld());
  SaveCardsArchive(AllCards, CurrentBodyFile(), target, zip);
  EXPECT_EQ(expectedBodies(), bodies);
}

// A save that runs out of room keeps the old file whole and leaves nothing behind.
TEST_F(CardFileArchive, SaveIntoFullFileSystemKeepsOldFile) {
  const QString mnt = dir + "/small";
  ASSERT_TRUE(QDir().mkpath(mnt));
  QByteArray out;
  const bool mounted = run("mount", {"-t", "tmpfs", "-o", "size=256k", "tmpfs", mnt}, dir, &out) == 0;
  struct Unmount {
    QString path;
    bool on;
    ~Unmount() {
      if (on) run("umount", {path}, QDir::tempPath());
    }
  } unmount{mnt, mounted};

  if (!mounted) GTEST_SKIP() << "no tmpfs can be mounted here: " << out.constData();
  const QString target = mnt + "/full.qel";
  addCards(2);
  SaveCardsArchive(AllCards, CurrentBodyFile(), target, zip);
  const QByteArray before = fileBytes(target);
  ASSERT_FALSE(before.isEmpty());

  // About a megabyte that does not compress: more than the file system holds.
  QRandomGenerator rng(7);
  for (int i = 0; i < 16; ++i) {
    QByteArray noise(64 * 1024, Qt::Uninitialized);
    rng.fillRange(reinterpret_cast<quint32 *>(noise.data()), noise.size() / 4);
    AllCards.AddCrd(card(QStringLiteral("Noise %1").arg(i), noise));
  }
  try {
    SaveCardsArchive(AllCards, CurrentBodyFile(), target, zip);
    ADD_FAILURE() << "saved into a full file system";
  } catch (const ECardError &e) {
    // The message names the cause and the file.
    EXPECT_TRUE(e.message().contains("No space left on device")) << e.message().toStdString();
    EXPECT_TRUE(e.message().contains(target)) << e.message().toStdString();
  }
  EXPECT_EQ(fileBytes(target), before);
  QStringList left = QDir(mnt).entryList(QDir::Files | QDir::Hidden);
  EXPECT_EQ(left, QStringList{"full.qel"});
  // A file system mounted read-only is named as such.
  ASSERT_EQ(run("mount", {"-o", "remount,ro", mnt}, dir, &out), 0) << out.constData();
  try {
    SaveCardsArchive(AllCards, CurrentBodyFile(), mnt + "/other.qel", zip);
    ADD_FAILURE() << "saved into a read-only file system";
  } catch (const ECardError &e) {
    EXPECT_EQ(e.message(), "Cannot write " + mnt + "/other.qel: Read-only file system.");
  }
  // The cards and their bodies are still all there for another try.
  EXPECT_EQ(AllCards.Count(), 18);
  EXPECT_EQ(AllCards.Objects(17)->BodyBytes().size(), 64 * 1024);
}
