#include "setup/payload.h"

#include "platform/tempfolder.h"
#include "tests/support/testenv.h"
#include "zip/format/zipstructs.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QtEndian>

#include <gtest/gtest.h>

#include <functional>

namespace qel {
namespace {

QByteArray ReadAll(const QString &path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

void WriteFile(const QString &path, const QByteArray &bytes) {
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  ASSERT_EQ(f.write(bytes), bytes.size());
}

QStringList TempFiles() { return QDir(TempFolderPath()).entryList({"~fs*"}, QDir::Files | QDir::System); }

struct ProgramRun {
  int code = -1;
  QString err;
};

ProgramRun RunProgram(const QString &program, const QStringList &args) {
  QProcess p;
  p.start(program, args);
  if (!p.waitForFinished(60000)) return {};
  return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, QString::fromLocal8Bit(p.readAllStandardError())};
}

TEST(Payload, TheLinkedPayloadReadsBackIntoTemporaryFiles) {
  const QByteArray embedded = EmbeddedPayload();
  ASSERT_FALSE(embedded.isEmpty());
  TPayloadForm form(embedded);
  ASSERT_EQ(form.Components().size(), 2);
  EXPECT_EQ(form.Components()[0].Name, "fs_readme");
  EXPECT_EQ(form.Components()[1].DisplayLabel, "tool");
  EXPECT_TRUE(form.Components()[1].Compress);
  // The compressed component is the packer itself: many chunks.
  EXPECT_EQ(form.Find("tool")->FileData.left(6), "PMCS10");
  EXPECT_GT(QFile(QEL_PAYLOAD_PACKER).size(), 4 * 32783);

  const struct {
    const char *name;
    const char *extension;
    QString original;
  } cases[] = {{"fs_readme", ".txt", QEL_PAYLOAD_README}, {"fs_tool", ".bin", QEL_PAYLOAD_PACKER}};
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    QString path;
    {
      TFileSource fs(c.name);
      form.ReadComponent(fs);
      path = fs.FileName();
      ASSERT_FALSE(path.isEmpty());
      EXPECT_TRUE(path.startsWith(TempFolderPath() + "~fs"));
      EXPECT_TRUE(path.endsWith(c.extension));
      EXPECT_EQ(ReadAll(path), ReadAll(c.original));
    }
    EXPECT_FALSE(QFile::exists(path)) << "the component deletes the file it owns";
  }

  TFileSource unknown("fs_other");
  EXPECT_THROW(form.ReadComponent(unknown), EPayload);
  EXPECT_EQ(form.OpenFileData("other"), nullptr);

  // The opener the installer's source takes gives the stored bytes.
  auto open = PayloadOpener(embedded);
  std::unique_ptr<QIODevice> readme = open("readme");
  ASSERT_NE(readme, nullptr);
  const QByteArray text = ReadAll(QEL_PAYLOAD_README);
  QByteArray expected(4, '\0');
  qToLittleEndian(quint32(text.size()), expected.data());
  EXPECT_EQ(readme->readAll(), expected + text);
}

// The payload is part of the program's loaded image, not bytes after its
// end: a stripped copy still carries it.
TEST(Payload, AStrippedProgramKeepsItsPayload) {
  const QString strip = QStandardPaths::findExecutable("strip");
  if (strip.isEmpty()) GTEST_SKIP() << "strip is not installed";
  const QString copy = test::freshDir("strip") + "/stripped";
  ASSERT_EQ(RunProgram(strip, {"--strip-all", "-o", copy, QCoreApplication::applicationFilePath()}).code, 0);
  ASSERT_LT(QFile(copy).size(), QFile(QCoreApplication::applicationFilePath()).size());
  const ProgramRun r = RunProgram(copy, {"--gtest_filter=Payload.TheLinkedPayloadReadsBackIntoTemporaryFiles"});
  EXPECT_EQ(r.code, 0) << r.err.toStdString();
}

// Two small files made into a form, for damaging.
class PayloadForm : public ::testing::Test {
protected:
  void SetUp() override {
    dir_ = test::freshDir("payload");
    WriteFile(dir_ + "/a.txt", "alpha alpha alpha alpha alpha alpha");
    WriteFile(dir_ + "/b.so", QByteArray(40000, 'b') + "tail");
    a_.SetFileName(dir_ + "/a.txt");
    a_.DisplayLabel = "a";
    a_.SetStore(true);
    b_.SetFileName(dir_ + "/b.so");
    b_.DisplayLabel = "b";
    b_.SetCompress(true);
    form_ = TPayloadForm::Write({&a_, &b_});
  }

  // Offsets inside form_: the first component's start and its FileData.
  static constexpr qsizetype kFirst = 12;
  qsizetype FileDataOf(qsizetype at) const {
    for (int i = 0; i < 3; ++i) at += 1 + quint8(form_[at]);
    return at + 1 + 4 + 5;
  }
  // Replaces the first component's FileData (fixing its count and CRC).
  QByteArray WithFirstFileData(const QByteArray &data) const {
    const qsizetype start = FileDataOf(kFirst);
    const quint32 old = qFromLittleEndian<quint32>(form_.constData() + start - 4);
    QByteArray r = form_.left(start - 9);
    char n[4];
    qToLittleEndian(zipfmt::crc32Of(data.constData(), std::size_t(data.size())), n);
    r.append(n, 4);
    r.append(TFileSource::EncodeBinaryProperty(data));
    return r + form_.mid(start + old);
  }

  QString dir_;
  TFileSource a_{"fs_a"}, b_{"fs_b"};
  QByteArray form_;
};

TEST_F(PayloadForm, WritesWhatItReads) {
  TPayloadForm form(form_);
  ASSERT_EQ(form.Components().size(), 2);
  const TPayloadComponent &b = form.Components()[1];
  EXPECT_EQ(b.Name, "fs_b");
  EXPECT_EQ(b.DisplayLabel, "b");
  EXPECT_EQ(b.Extension, ".so");
  EXPECT_TRUE(b.Compress);
  TFileSource out("fs_b");
  form.ReadComponent(out);
  EXPECT_EQ(ReadAll(out.FileName()), ReadAll(dir_ + "/b.so"));
}

TEST_F(PayloadForm, ADamagedFormIsRefusedWithAClearError) {
  const qsizetype firstData = FileDataOf(kFirst);
  auto patched = [&](qsizetype at, char byte) {
    QByteArray r = form_;
    r[at] = byte;
    return r;
  };
  QByteArray duplicate = form_;  // the second component named like the first: "fs_b" to "fs_a"
  duplicate[firstData + ReadAll(dir_ + "/a.txt").size() + 4 + 4] = 'a';
  QByteArray bigCount = form_;
  qToLittleEndian(quint32(kMaxPayloadComponents + 1), bigCount.data() + 8);
  const struct {
    const char *what;
    QByteArray data;
    const char *message;
  } cases[] = {
      {"empty", QByteArray(), "Wrong file type"},
      {"bad magic", patched(0, 'X'), "Wrong file type"},
      {"count past the components", patched(8, 3), "Damaged payload: it ends inside"},
      {"too many components", bigCount, "Damaged payload: too many components"},
      {"name longer than the form", patched(kFirst, char(250)), "Damaged payload"},
      {"compression flag 2", patched(firstData - 10, 2), "Damaged payload: bad compression flag"},
      {"not a binary property", patched(firstData - 5, 0x07), "Damaged payload: FileData is not binary data"},
      {"FileData count past the end", patched(firstData - 1, char(0x7F)), "Damaged payload: it ends inside FileData"},
      {"a flipped data byte", patched(firstData + 6, 'z'), "does not match its checksum"},
      {"a byte after the last component", form_ + "x", "Damaged payload: data after the last component"},
      {"a name that is not UTF-8", patched(kFirst + 1, char(0xFF)), "is not UTF-8"},
      {"two components of one name", duplicate, "named twice"},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.what);
    try {
      TPayloadForm form(c.data);
      ADD_FAILURE() << "accepted";
    } catch (const EPayload &e) {
      EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
    }
  }
  // Cut anywhere, the form is refused, never read past its end.
  for (qsizetype n = 0; n < form_.size(); ++n)
    EXPECT_THROW(TPayloadForm(form_.first(n)), EPayload) << n;

  // The opener reports the same damage on every call.
  auto open = PayloadOpener(form_.first(form_.size() - 1));
  EXPECT_THROW(open("a"), EPayload);
  EXPECT_THROW(open("a"), EPayload);
}

// Data whose checksum matches but whose sizes inside disagree with the
// property: an error, and no temporary file is left behind.
TEST_F(PayloadForm, DamagedFileDataLeavesNoTemporaryFile) {
  const QByteArray text = ReadAll(dir_ + "/a.txt");
  auto sized = [&](quint32 size, const QByteArray &bytes) {
    QByteArray r(4, '\0');
    qToLittleEndian(size, r.data());
    return r + bytes;
  };
  const struct {
    const char *what;
    QByteArray fileData;
  } cases[] = {
      {"size larger than the data", sized(quint32(text.size() + 1), text)},
      {"size smaller than the data", sized(quint32(text.size() - 1), text)},
      {"no size", QByteArray("ab")},
  };
  const QStringList before = TempFiles();
  for (const auto &c : cases) {
    SCOPED_TRACE(c.what);
    TPayloadForm form(WithFirstFileData(c.fileData));  // read whole: the CRC matches
    TFileSource fs("fs_a");
    EXPECT_THROW(form.ReadComponent(fs), EFileSource);
    EXPECT_TRUE(fs.FileName().isEmpty());
    EXPECT_EQ(TempFiles(), before);
  }
  // A damaged compressed stream in the second component.
  QByteArray pmcs = form_;
  const qsizetype second = FileDataOf(kFirst) + text.size() + 4;
  const qsizetype data = FileDataOf(second);
  pmcs[data + 14] = char(0x55);  // the first block's flag
  const quint32 len = qFromLittleEndian<quint32>(pmcs.constData() + data - 4);
  qToLittleEndian(zipfmt::crc32Of(pmcs.constData() + data, len), pmcs.data() + data - 9);
  TPayloadForm form(pmcs);
  TFileSource fs("fs_b");
  EXPECT_THROW(form.ReadComponent(fs), EFileSource);
  EXPECT_EQ(TempFiles(), before);
}

TEST_F(PayloadForm, WritingRefusesWhatCannotBeCarried) {
  TFileSource twin("fs_a");
  twin.SetFileName(dir_ + "/b.so");
  twin.DisplayLabel = "twin";
  twin.SetStore(true);
  EXPECT_THROW(TPayloadForm::Write({&a_, &twin}), EPayload);
  TFileSource notStored("fs_c");
  notStored.SetFileName(dir_ + "/a.txt");
  EXPECT_THROW(TPayloadForm::Write({&notStored}), EPayload);
  TFileSource longName(QString(256, 'n'));
  longName.SetFileName(dir_ + "/a.txt");
  longName.SetStore(true);
  EXPECT_THROW(TPayloadForm::Write({&longName}), EPayload);
  TFileSource missing("fs_missing");
  missing.SetFileName(dir_ + "/gone.so");
  missing.SetStore(true);
  try {
    TPayloadForm::Write({&missing});
    ADD_FAILURE() << "accepted";
  } catch (const EFileSource &e) {
    EXPECT_EQ(std::string(e.what()), ("fs_missing cannot store file: " + dir_ + "/gone.so (file is missing)").toStdString());
  }
}

// The build fails, and keeps no output, when the packer cannot pack.
TEST_F(PayloadForm, ThePackerFailsTheBuildOnAMissingFileOrABadArgument) {
  const QString out = dir_ + "/out.qelpayload";
  const ProgramRun good = RunProgram(QEL_PAYLOAD_PACKER, {out, "COMPONENT", "fs_a", "a", ".txt", "STORED", dir_ + "/a.txt",
                                                   "COMPONENT", "fs_b", "b", ".so", "COMPRESSED", dir_ + "/b.so"});
  ASSERT_EQ(good.code, 0) << good.err.toStdString();
  EXPECT_EQ(ReadAll(out), form_);

  const struct {
    const char *what;
    QStringList args;
    const char *message;
  } cases[] = {
      {"missing file", {out, "COMPONENT", "fs_a", "a", ".txt", "STORED", dir_ + "/gone.txt"}, "(file is missing)"},
      {"bad mode", {out, "COMPONENT", "fs_a", "a", ".txt", "PACKED", dir_ + "/a.txt"}, "expected COMPRESSED or STORED"},
      {"short group", {out, "COMPONENT", "fs_a", "a", ".txt", "STORED"}, "usage"},
      {"no component", {out}, "usage"},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.what);
    const ProgramRun r = RunProgram(QEL_PAYLOAD_PACKER, c.args);
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.startsWith("qel-payload-pack: ")) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(c.message)) << r.err.toStdString();
    EXPECT_EQ(ReadAll(out), form_) << "the earlier output stays";
  }
}

} // namespace
} // namespace qel
