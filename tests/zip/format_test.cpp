// The shared ZIP structures, the password cipher and the code page 437 table,
// judged by outside tools (zip, python3 zipfile).

#include "platform/codepage.h"
#include "zip/format/cp437.h"
#include "zip/format/zipcipher.h"
#include "zip/format/zipstructs.h"
#include "tests/support/testenv.h"
#include "tests/zip/ziptestutil.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <gtest/gtest.h>

#include <cstring>

using namespace qel::zipfmt;
using namespace qel::ziptest;

namespace {

// One stored entry, optionally encrypted with our cipher, as a whole archive.
QByteArray storedArchive(const std::string &name, const QByteArray &content, const char *password, bool useDescriptor) {
  std::vector<unsigned char> out;
  std::uint32_t crc = crc32Of(content.constData(), content.size());
  DosDateTime dt = toDosDateTime(2024, 5, 17, 13, 45, 30);
  LocalHeader lh;
  lh.flags = (password ? kFlagEncrypted : 0) | (useDescriptor ? kFlagDescriptor : 0);
  lh.method = kMethodStored;
  lh.dosTime = dt.time;
  lh.dosDate = dt.date;
  std::vector<unsigned char> data(content.begin(), content.end());
  if (password) {
    ZipCipher cipher(password);
    unsigned char header[kCipherHeaderSize];
    EXPECT_TRUE(makeCipherHeader(cipher, cipherCheckByte(lh.flags, crc, lh.dosTime), header));
    cipher.encrypt(data.data(), data.size());
    data.insert(data.begin(), header, header + kCipherHeaderSize);
  }
  std::uint32_t csize = std::uint32_t(data.size());
  if (!useDescriptor) {
    lh.crc = crc;
    lh.compressedSize = csize;
    lh.uncompressedSize = std::uint32_t(content.size());
  }
  lh.nameLength = std::uint16_t(name.size());
  lh.write(out);
  out.insert(out.end(), name.begin(), name.end());
  out.insert(out.end(), data.begin(), data.end());
  if (useDescriptor) {
    DataDescriptor dd{crc, csize, std::uint32_t(content.size())};
    dd.write(out);
  }
  std::uint32_t cdOffset = std::uint32_t(out.size());
  CentralHeader ch;
  ch.versionMadeBy = (3 << 8) | 20;
  ch.versionNeeded = 20;
  ch.flags = lh.flags;
  ch.method = lh.method;
  ch.dosTime = lh.dosTime;
  ch.dosDate = lh.dosDate;
  ch.crc = crc;
  ch.compressedSize = csize;
  ch.uncompressedSize = std::uint32_t(content.size());
  ch.nameLength = std::uint16_t(name.size());
  ch.externalAttributes = 0100644u << 16;
  ch.write(out);
  out.insert(out.end(), name.begin(), name.end());
  EndRecord er;
  er.entriesOnDisk = er.totalEntries = 1;
  er.directorySize = std::uint32_t(out.size() - cdOffset);
  er.directoryOffset = cdOffset;
  er.write(out);
  return QByteArray(reinterpret_cast<const char *>(out.data()), qsizetype(out.size()));
}

} // namespace

TEST(ZipFormat, HeadersRoundTripAndRejectShortOrForeignInput) {
  CentralHeader ch;
  ch.versionMadeBy = 0x031E;
  ch.flags = kFlagUtf8 | kFlagEncrypted;
  ch.crc = 0xDEADBEEF;
  ch.compressedSize = 123456;
  ch.uncompressedSize = 654321;
  ch.nameLength = 7;
  ch.commentLength = 3;
  ch.localHeaderOffset = 0x01020304;
  std::vector<unsigned char> buf;
  ch.write(buf);
  ASSERT_EQ(buf.size(), kCentralSize);
  CentralHeader back;
  ASSERT_TRUE(back.read(buf.data(), buf.size()));
  EXPECT_EQ(back.crc, 0xDEADBEEF);
  EXPECT_EQ(back.localHeaderOffset, 0x01020304u);
  EXPECT_EQ(back.hostSystem(), 3);
  EXPECT_EQ(back.variableSize(), 10u);
  EXPECT_FALSE(back.read(buf.data(), buf.size() - 1));
  buf[0] = 'Q';
  EXPECT_FALSE(back.read(buf.data(), buf.size()));

  ByteReader r(buf.data(), 3);
  EXPECT_EQ(r.u16(), getLe16(buf.data()));
  EXPECT_EQ(r.u16(), 0);
  EXPECT_FALSE(r.ok());
  EXPECT_EQ(r.remaining(), 0u);
}

TEST(ZipFormat, EndRecordSearchIgnoresSignatureInsideComment) {
  // A real end record whose comment itself holds a complete fake end record.
  std::vector<unsigned char> fake;
  EndRecord bogus;
  bogus.totalEntries = 999;
  bogus.write(fake);  // comment length 0: would "end" right there, not at the file end
  std::vector<unsigned char> file(100, 'x');
  EndRecord real;
  real.commentLength = std::uint16_t(fake.size() + 5);
  real.write(file);
  file.insert(file.end(), fake.begin(), fake.end());
  file.insert(file.end(), 5, 'c');
  EXPECT_EQ(findEndRecord(file.data(), file.size()), 100);

  // A fake record at the very end of the comment also reaches the end of the file: the outer one wins.
  std::vector<unsigned char> tailFake(50, 'x');
  EndRecord outer;
  outer.commentLength = std::uint16_t(fake.size());
  outer.write(tailFake);
  tailFake.insert(tailFake.end(), fake.begin(), fake.end());
  EXPECT_EQ(findEndRecord(tailFake.data(), tailFake.size()), 50);
  // Without the outer record, the fake is all there is.
  EXPECT_EQ(findEndRecord(fake.data(), fake.size()), 0);

  // Bytes after the record (a tool's padding) leave it the winner, and the
  // fake inside its comment still cannot win.
  file.push_back('!');
  file.insert(file.end(), 10000, '\0');
  EXPECT_EQ(findEndRecord(file.data(), file.size()), 100);
  EXPECT_EQ(endRecordCandidates(file.data(), file.size()), std::vector<std::size_t>{100});
  // Padding after a record with no comment: found searching backwards.
  std::vector<unsigned char> padded(60, 'x');
  EndRecord plain;
  plain.write(padded);
  padded.insert(padded.end(), 512, '\0');
  EXPECT_EQ(findEndRecord(padded.data(), padded.size()), 60);
  EXPECT_EQ(findEndRecord(file.data(), 10), -1);
  EXPECT_EQ(findEndRecord(nullptr, 0), -1);
}

TEST(ZipFormat, CipherMatchesKnownKeyScheduleAndRoundTrips) {
  const char text[] = "The quick brown fox";
  unsigned char buf[sizeof text];
  std::memcpy(buf, text, sizeof text);
  ZipCipher enc("pw");
  enc.encrypt(buf, sizeof text);
  EXPECT_NE(std::memcmp(buf, text, sizeof text), 0);
  ZipCipher dec("pw");
  dec.decrypt(buf, sizeof text);
  EXPECT_EQ(std::memcmp(buf, text, sizeof text), 0);

  unsigned char h1[kCipherHeaderSize], h2[kCipherHeaderSize];
  ZipCipher a("pw"), b("pw");
  ASSERT_TRUE(makeCipherHeader(a, 0xAB, h1));
  ASSERT_TRUE(makeCipherHeader(b, 0xAB, h2));
  EXPECT_NE(std::memcmp(h1, h2, kCipherHeaderSize), 0) << "headers must come from a random source";
  ZipCipher good("pw");
  EXPECT_TRUE(checkCipherHeader(good, 0xAB, h1));
  // A wrong password passes the one-byte check only by chance (1 in 256); try a few.
  int passes = 0;
  for (const char *pw : {"wrong", "Pw", "pw ", "x", "secret", "pass", "12345", "abc"}) {
    ZipCipher c(pw);
    passes += checkCipherHeader(c, 0xAB, h1);
  }
  EXPECT_LE(passes, 1);
  EXPECT_EQ(cipherCheckByte(0, 0x12345678, 0xABCD), 0x12);
  EXPECT_EQ(cipherCheckByte(kFlagDescriptor, 0x12345678, 0xABCD), 0xAB);
}

TEST(ZipFormat, CipherDecryptsEntryMadeByZipTool) {
  QString dir = qel::test::freshDir("zipP");
  QByteArray content("stored secret text, long enough to matter\n");
  ASSERT_TRUE(writeAll(dir + "/a.txt", content));
  ASSERT_EQ(run("zip", {"-q", "-0", "-P", "s3cr3t", "a.zip", "a.txt"}, dir), 0);
  QByteArray zipData = readAll(dir + "/a.zip");
  auto *p = reinterpret_cast<const unsigned char *>(zipData.constData());
  LocalHeader lh;
  ASSERT_TRUE(lh.read(p, zipData.size()));
  ASSERT_TRUE(lh.flags & kFlagEncrypted);
  std::size_t dataPos = kLocalSize + lh.nameLength + lh.extraLength;
  ASSERT_LE(dataPos + kCipherHeaderSize + content.size(), std::size_t(zipData.size()));
  // The CRC may sit in a data descriptor; take it from the central directory.
  long long endPos = findEndRecord(p, zipData.size());
  ASSERT_GE(endPos, 0);
  EndRecord er;
  ASSERT_TRUE(er.read(p + endPos, kEndSize));
  CentralHeader ch;
  ASSERT_TRUE(ch.read(p + er.directoryOffset, zipData.size() - er.directoryOffset));
  ZipCipher c("s3cr3t");
  ASSERT_TRUE(checkCipherHeader(c, cipherCheckByte(lh.flags, ch.crc, lh.dosTime), p + dataPos));
  QByteArray plain = zipData.mid(qsizetype(dataPos + kCipherHeaderSize), content.size());
  c.decrypt(reinterpret_cast<unsigned char *>(plain.data()), plain.size());
  EXPECT_EQ(plain, content);
  EXPECT_EQ(crc32Of(plain.constData(), plain.size()), ch.crc);
}

TEST(ZipFormat, ArchiveEncryptedByUsOpensInOutsideTools) {
  QString dir = qel::test::freshDir("ourcipher");
  QByteArray content("Card bodies \xC3\xA9 and more\n");
  for (bool descriptor : {false, true}) {
    SCOPED_TRACE(descriptor);
    QString path = dir + (descriptor ? "/d.zip" : "/p.zip");
    ASSERT_TRUE(writeAll(path, storedArchive("note.txt", content, "Pa55word", descriptor)));
    QByteArray out;
    EXPECT_EQ(run(python(), {"-c",
                              "import sys,zipfile\n"
                              "z=zipfile.ZipFile(sys.argv[1])\n"
                              "sys.stdout.buffer.write(z.read('note.txt', pwd=b'Pa55word'))\n",
                              path},
                  dir, &out), 0) << out.constData();
    EXPECT_EQ(out, content);
    EXPECT_NE(run("unzip", {"-P", "nope", "-p", path}, dir, &out), 0);
    EXPECT_EQ(run("unzip", {"-P", "Pa55word", "-p", path}, dir, &out), 0);
    EXPECT_EQ(out, content);
  }
}

TEST(ZipFormat, CodePage437Names) {
  EXPECT_EQ(cp437ToUtf8("\x81" "ber-\x9B"), "\xC3\xBC" "ber-\xC2\xA2");
  EXPECT_EQ(cp437ToUnicode(0xE1), U'\u00DF');
  EXPECT_EQ(cp437ToUnicode(0xFF), U'\u00A0');
  bool fitted = false;
  EXPECT_EQ(utf8ToCp437("\xC3\xBC" "ber", &fitted), "\x81" "ber");
  EXPECT_TRUE(fitted);
  EXPECT_EQ(utf8ToCp437("\xE2\x82\xAC", &fitted), "_");  // the euro sign is not in it
  EXPECT_FALSE(fitted);
  for (int b = 0; b < 256; ++b) {
    std::string one(1, char(b));
    EXPECT_EQ(utf8ToCp437(cp437ToUtf8(one)), one) << b;
  }
  EXPECT_TRUE(isValidUtf8("a\xC3\xA9"));
  EXPECT_FALSE(isValidUtf8("\xC0\xAF"));       // overlong
  EXPECT_FALSE(isValidUtf8("\xED\xA0\x80"));   // surrogate
  EXPECT_FALSE(isValidUtf8("\xE2\x82"));       // truncated
}

// The engines' copy of the legacy code page must be the program's codec, byte for byte.
TEST(ZipFormat, AnsiNamesAgreeWithTheProgramsCodec) {
  for (int b = 0; b < 256; ++b) EXPECT_EQ(ansiToUnicode(static_cast<unsigned char>(b)), char32_t(qel::legacyToUnicode(static_cast<unsigned char>(b)))) << b;
  EXPECT_EQ(ansiToUtf8("Caf\xE9 \x80"), "Caf\xC3\xA9 \xE2\x82\xAC");
}
