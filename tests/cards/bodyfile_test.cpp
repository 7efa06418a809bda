#include "cardtestutil.h"

#include "cards/carderror.h"
#include "platform/tempfolder.h"

#include <QDir>
#include <QFile>
#include <sys/stat.h>

using namespace qel;
using qel::test::CardStoreTest;

TEST(BodyFileName, Crc32AndHexName) {
  EXPECT_EQ(CRC32("abc"), 0xCA6598D0u);
  EXPECT_EQ(CRC32(""), 0u);
  EXPECT_EQ(HexCRCName("abc"), QString(24, QChar('0')) + "CA6598D0");
  EXPECT_EQ(HexCRCName("abc").size(), 32);
  // The path's bytes as held: letter case matters, non-ASCII goes as UTF-8 bytes.
  EXPECT_NE(HexCRCName("/home/a/Cards.qel"), HexCRCName("/home/a/cards.qel"));
  EXPECT_EQ(HexCRCName(QString::fromUtf8("é")),
            QStringLiteral("%1").arg(CRC32("\xC3\xA9"), 32, 16, QChar('0')).toUpper());
  EXPECT_EQ(BodyFileName("abc"), TempFolderPath() + QString(24, QChar('0')) + "CA6598D0.~h");
}

TEST_F(CardStoreTest, CurrentBodyFileFollowsTheFileName) {
  EXPECT_EQ(CurrentBodyFileName(), BodyFileName(CurrentFileName));
  auto c = card("one", "body one");
  const QString oldBody = CurrentBodyFileName();
  const QString other = dir + "/other.qel";
  MoveBodyFile(other);
  EXPECT_EQ(CurrentFileName, other);
  EXPECT_EQ(CurrentBodyFileName(), BodyFileName(other));
  EXPECT_FALSE(QFile::exists(oldBody));
  EXPECT_EQ(c->BodyBytes(), "body one");
  struct stat st;
  ASSERT_EQ(::stat(QFile::encodeName(CurrentBodyFileName()).constData(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST_F(CardStoreTest, AppendAndReadBodies) {
  auto c = NewCrd();
  EXPECT_EQ(c->ADR, 1);
  EXPECT_EQ(c->SIZ, 0);
  EXPECT_EQ(c->BodyBytes(), QByteArray());  // SIZ 0 reads empty whatever ADR says

  c->StoreBodyLines({"first", "second"});
  EXPECT_EQ(c->ADR, 0);
  EXPECT_EQ(c->SIZ, 15);
  EXPECT_EQ(c->BodyBytes(), "first\r\nsecond\r\n");
  EXPECT_EQ(c->BodyLines(), (ByteLines{"first", "second"}));

  // Storing again appends; only the second copy is referenced.
  c->StoreBodyText("a\nb");
  EXPECT_EQ(c->ADR, 15);
  EXPECT_EQ(c->SIZ, 6);
  EXPECT_EQ(c->BodyBytes(), "a\r\nb\r\n");
  EXPECT_EQ(fileBytes(CurrentBodyFileName()), "first\r\nsecond\r\na\r\nb\r\n");

  // Binary data survives byte for byte, and SIZ is what was written.
  QByteArray binary;
  for (int i = 0; i < 256; ++i) binary += char(i);
  binary += "\r\r\n\n";
  c->StoreBodyBytes(binary);
  EXPECT_EQ(c->SIZ, binary.size());
  EXPECT_EQ(c->BodyBytes(), binary);

  EXPECT_TRUE(c->IsPlainText());
  c->StoreBodyBytes("{\\rtf1\\ansi hello}\r\n");
  EXPECT_FALSE(c->IsPlainText());
  // A plain body that only mentions RTF in its first line stays plain.
  c->StoreBodyBytes("Paste {\\rtf1 here}\r\nsecond line\r\n");
  EXPECT_TRUE(c->IsPlainText());
  EXPECT_FALSE(c->IsBigCard());
  c->SIZ = 100001;
  EXPECT_TRUE(c->IsBigCard());
}

TEST_F(CardStoreTest, EmptyBodyIsNeverSizeZero) {
  for (const auto &store : std::vector<std::function<void(TCrd &)>>{
           [](TCrd &c) { c.StoreBodyBytes(QByteArray()); },
           [](TCrd &c) { c.StoreBodyLines({}); },
           [](TCrd &c) { c.StoreBodyText(QByteArray()); },
       }) {
    auto c = NewCrd();
    store(*c);
    EXPECT_EQ(c->SIZ, 3);
    EXPECT_EQ(c->BodyBytes(), QByteArray("\0\r\n", 3));
    EXPECT_EQ(c->BodyText(), QByteArray());
    EXPECT_TRUE(c->BodyLines().isEmpty());
    EXPECT_TRUE(c->IsPlainText());
  }
}

TEST_F(CardStoreTest, BodyOutsideTheFileIsAClearError) {
  auto c = card("x", "0123456789");
  struct Case {
    qint32 adr, siz;
  } bad[] = {{0, 11}, {5, 6}, {10, 1}, {-1, 3}, {0, -3}, {0x7FFFFFFF, 1}, {0x7FFFFFF0, 0x7FFFFFF0}};
  for (const Case &b : bad) {
    c->ADR = b.adr;
    c->SIZ = b.siz;
    EXPECT_THROW(c->BodyBytes(), ECardError) << b.adr << "/" << b.siz;
  }
  c->ADR = 9;
  c->SIZ = 1;
  EXPECT_EQ(c->BodyBytes(), "9");
  // A missing body file is an error too, not an empty body.
  DeleteBodyFile();
  EXPECT_THROW(c->BodyBytes(), ECardError);
}

TEST_F(CardStoreTest, BodyFileStopsBeforeTwoGigabytes) {
  // A sparse file just below the limit: the append that would pass it fails
  // and leaves the file and the card as they were.
  auto c = card("x", "abc");
  const qint32 adr = c->ADR, siz = c->SIZ;
  ASSERT_EQ(::truncate(QFile::encodeName(CurrentBodyFileName()).constData(), kMaxBodyFileSize - 2), 0);
  EXPECT_THROW(c->StoreBodyBytes("abc"), ECardError);
  EXPECT_EQ(c->ADR, adr);
  EXPECT_EQ(c->SIZ, siz);
  EXPECT_EQ(CurrentBodyFile().size(), kMaxBodyFileSize - 2);
  c->StoreBodyBytes("ab");
  EXPECT_EQ(c->ADR, kMaxBodyFileSize - 2);
  EXPECT_EQ(CurrentBodyFile().size(), kMaxBodyFileSize);
  ResetBodyFile();
}

TEST_F(CardStoreTest, CompactionKeepsOnlyReferencedBytes) {
  auto a = card("a", "AAAA");
  auto b = card("b", "BB");
  a->StoreBodyBytes("aaaaaa");            // the old "AAAA" becomes dead space
  auto empty = NewCrd();                  // SIZ 0 compacts to zero bytes
  auto gone = card("gone", "not in the list");
  TCrdList list;
  list.AddCrd(b);
  list.AddCrd(empty);
  list.AddCrd(a);
  const QString target = dir + "/saved.~h";
  CompactDataFile(list, CurrentBodyFile(), target);
  EXPECT_EQ(fileBytes(target), "BBaaaaaa");
  EXPECT_EQ(fileBytes(CurrentBodyFileName()), "BBaaaaaa");
  EXPECT_EQ(b->ADR, 0);
  EXPECT_EQ(empty->ADR, 2);
  EXPECT_EQ(a->ADR, 2);
  EXPECT_EQ(a->BodyBytes(), "aaaaaa");
  EXPECT_EQ(b->BodyBytes(), "BB");
  EXPECT_EQ(empty->BodyBytes(), "");
  // No temporary files are left beside either file.
  EXPECT_EQ(QDir(dir).entryList(QDir::Files), QStringList{"saved.~h"});
}

TEST_F(CardStoreTest, FailedCompactionLeavesEverythingAsItWas) {
  auto a = card("a", "AAAA");
  auto b = card("b", "BBBB");
  auto broken = card("c", "CC");
  broken->ADR = 1000;  // outside the file
  TCrdList list;
  list.AddCrd(a);
  list.AddCrd(b);
  list.AddCrd(broken);
  const QByteArray before = fileBytes(CurrentBodyFileName());
  const QString target = dir + "/saved.~h";
  EXPECT_THROW(CompactDataFile(list, CurrentBodyFile(), target), ECardError);
  EXPECT_EQ(fileBytes(CurrentBodyFileName()), before);
  EXPECT_EQ(a->ADR, 0);
  EXPECT_EQ(b->ADR, 4);
  EXPECT_EQ(b->BodyBytes(), "BBBB");
  EXPECT_FALSE(QFile::exists(target));
  EXPECT_TRUE(QDir(dir).entryList(QDir::Files).isEmpty());
  EXPECT_EQ(QDir(TempFolderPath()).entryList({"*.tmp"}, QDir::Files), QStringList());

  // A target that cannot be created: the same.
  list.Delete(2);
  EXPECT_THROW(CompactDataFile(list, CurrentBodyFile(), dir + "/no/such/folder/x.~h"), ECardError);
  EXPECT_EQ(fileBytes(CurrentBodyFileName()), before);
  EXPECT_EQ(b->ADR, 4);
}
