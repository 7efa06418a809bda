#include "setup/filesource.h"

#include "platform/tempfolder.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTime>

#include <gtest/gtest.h>

#include <memory>

namespace qel {
namespace {

QByteArray Stored(TFileSource &fs) {
  QBuffer b;
  b.open(QIODevice::ReadWrite);
  fs.WriteFileData(b);
  return b.data();
}

void Extract(TFileSource &fs, const QByteArray &bytes) {
  QBuffer b;
  b.setData(bytes);
  b.open(QIODevice::ReadOnly);
  fs.ReadFileData(b);
}

QByteArray ReadAll(const QString &path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

class FileSourceTest : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.isValid());
    src_ = dir_.filePath("unzdll.dll");
    QFile f(src_);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    for (int i = 0; i < 3000; ++i) f.write("engine code " + QByteArray::number(i % 37));
  }
  QTemporaryDir dir_;
  QString src_;
};

TEST_F(FileSourceTest, StoresAndExtractsPlainAndCompressed) {
  for (bool compress : {false, true}) {
    TFileSource in("fs_unzdll");
    in.SetFileName(src_);
    EXPECT_EQ(in.Extension, ".dll");
    in.SetCompress(compress);
    EXPECT_EQ(in.Store(), compress);
    const QByteArray data = Stored(in);
    if (compress) EXPECT_EQ(data.left(6), QByteArray("PMCS10"));
    else EXPECT_EQ(data.size(), 4 + QFileInfo(src_).size());

    // Through the binary-property encoding, as it travels in the form data.
    qsizetype pos = 0;
    const QByteArray prop = TFileSource::EncodeBinaryProperty(data);
    EXPECT_EQ(quint8(prop[0]), 0x0A);
    EXPECT_EQ(TFileSource::DecodeBinaryProperty(prop, pos), data);
    EXPECT_EQ(pos, prop.size());

    QString extracted;
    {
      TFileSource out("fs_unzdll");
      out.Extension = ".dll";
      out.SetCompress(compress);
      Extract(out, data);
      extracted = out.FileName();
      ASSERT_FALSE(extracted.isEmpty());
      EXPECT_TRUE(extracted.startsWith(TempFolderPath() + "~fs"));
      EXPECT_TRUE(extracted.endsWith(".dll"));
      EXPECT_EQ(ReadAll(extracted), ReadAll(src_));
    }
    EXPECT_FALSE(QFileInfo::exists(extracted)) << "the owned temporary file goes with its component";
  }
}

TEST_F(FileSourceTest, MissingFileAndDamagedPayloads) {
  TFileSource in("fs_zip");
  in.SetFileName(dir_.filePath("gone.zip"));
  try {
    Stored(in);
    FAIL();
  } catch (const EFileSource &e) {
    EXPECT_EQ(QString(e.what()), "fs_zip cannot store file: " + dir_.filePath("gone.zip") + " (file is missing)");
  }

  in.SetFileName(src_);
  in.SetCompress(true);
  const QByteArray good = Stored(in);
  QByteArray badMagic = good;
  badMagic[0] = 'X';
  const QByteArray cases[] = {good.left(good.size() - 3), badMagic};
  for (const QByteArray &c : cases) {
    const QStringList before = QDir(TempFolderPath()).entryList({"~fs*"}, QDir::Files);
    TFileSource out("fs_zip");
    out.Extension = ".zip";
    out.SetCompress(true);
    EXPECT_THROW(Extract(out, c), EFileSource);
    EXPECT_TRUE(out.FileName().isEmpty());
    EXPECT_EQ(QDir(TempFolderPath()).entryList({"~fs*"}, QDir::Files), before) << "no half-written file";
  }
  TFileSource plain("fs_zip");
  EXPECT_THROW(Extract(plain, QByteArray("\x10\x00\x00\x00" "abc", 7)), EFileSource);
  EXPECT_TRUE(plain.FileName().isEmpty());
  qsizetype pos = 0;
  EXPECT_THROW(TFileSource::DecodeBinaryProperty(QByteArray("\x0A\xFF\x00\x00\x00" "ab", 7), pos), EFileSource);
}

TEST_F(FileSourceTest, NamesInOneSecondCountUpAndLinksAreNotFollowed) {
  TFileSource in("fs");
  in.SetFileName(src_);
  const QByteArray data = Stored(in);
  for (int attempt = 0; attempt < 3; ++attempt) {
    const int second = QTime::currentTime().second();
    const QString base = TempFolderPath() + "~fs" + QString::number(second);
    // A link planted at the second name must be skipped, never written through.
    const QString target = dir_.filePath("victim");
    QFile::remove(base + "2.qtest");
    ASSERT_TRUE(QFile::link(target, base + "2.qtest"));
    auto a = std::make_unique<TFileSource>("a"), b = std::make_unique<TFileSource>("b"),
         c = std::make_unique<TFileSource>("c");
    a->Extension = b->Extension = c->Extension = ".qtest";
    Extract(*a, data);
    Extract(*b, data);
    Extract(*c, data);
    QFile::remove(base + "2.qtest");
    EXPECT_FALSE(QFileInfo::exists(target));
    if (QTime::currentTime().second() != second) continue;  // the second turned over: try again
    EXPECT_EQ(a->FileName(), base + "0.qtest");
    EXPECT_EQ(b->FileName(), base + "1.qtest");
    EXPECT_EQ(c->FileName(), base + "3.qtest");
    return;
  }
  FAIL() << "the clock kept turning over";
}

}  // namespace
}  // namespace qel
