#include "setup/compressstream.h"

#include <QBuffer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtEndian>

#include <gtest/gtest.h>

#include <random>

namespace qel {
namespace {

QByteArray Pack(const QByteArray &data) {
  QBuffer src, dst;
  src.setData(data);
  src.open(QIODevice::ReadOnly);
  dst.open(QIODevice::ReadWrite);
  TCompressStream().PackStream(src, dst, data.size());
  return dst.data();
}

QByteArray Unpack(const QByteArray &stream) {
  QBuffer src, dst;
  src.setData(stream);
  src.open(QIODevice::ReadOnly);
  dst.open(QIODevice::WriteOnly);
  TCompressStream().UnpackStream(src, dst);
  return dst.data();
}

QByteArray Sample(int n) {
  std::mt19937 rng(n);
  QByteArray d(n, '\0');
  for (int i = 0; i < n; ++i) d[i] = char((i / 500) % 2 ? 'a' + (i % 7) : int(rng() % 4));
  return d;
}

TEST(CompressStream, RoundTripsAndHeader) {
  for (int n : {0, 1, 2, 3, 32782, 32783, 32784, 65566, 200000}) {
    const QByteArray data = Sample(n);
    const QByteArray stream = Pack(data);
    ASSERT_GE(stream.size(), 10);
    EXPECT_EQ(stream.left(6), QByteArray("PMCS10"));
    EXPECT_EQ(qFromLittleEndian<quint32>(stream.constData() + 6), quint32(stream.size() - 10)) << n;
    EXPECT_EQ(Unpack(stream), data) << n;
  }
}

TEST(CompressStream, DamagedStreamsAreRefused) {
  const QByteArray good = Pack(Sample(40000));
  auto withTotal = [&](quint32 t) {
    QByteArray s = good;
    qToLittleEndian(t, s.data() + 6);
    return s;
  };
  auto withFirstLength = [&](quint32 l) {
    QByteArray s = good;
    qToLittleEndian(l, s.data() + 10);
    return s;
  };
  QByteArray badMagic = good;
  badMagic[5] = '1';
  try {
    Unpack(badMagic);
    FAIL() << "bad magic accepted";
  } catch (const ECompressStream &e) {
    EXPECT_STREQ(e.what(), "Wrong file type");
  }
  const QByteArray cases[] = {
      good.left(good.size() - 1),       // data shorter than announced
      withTotal(quint32(good.size())),  // total past the end of the data
      withTotal(3),                     // first chunk larger than what is left
      withFirstLength(0x10000 + 5),     // length with high bits set
      withFirstLength(0),               // an empty block
      good.left(8),                     // header cut short
  };
  for (const QByteArray &c : cases) EXPECT_THROW(Unpack(c), ECompressStream) << c.size();
}

TEST(CompressStream, ShortSourceIsAnError) {
  QBuffer src, dst;
  src.setData(QByteArray(100, 'x'));
  src.open(QIODevice::ReadOnly);
  dst.open(QIODevice::ReadWrite);
  EXPECT_THROW(TCompressStream().PackStream(src, dst, 101), ECompressStream);
}

// A decoder written separately in Python from the format text judges our
// packer's output, so a fault shared by our packer and unpacker shows.
TEST(CompressStream, IndependentDecoderAgrees) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  QByteArray program;
  {
    QFile self(QStringLiteral(QEL_PROGRAM_DIR "/qel-moravine"));
    if (self.open(QIODevice::ReadOnly)) program = self.readAll();
  }
  // The whole program round-trips through our own unpacker; the slower
  // Python judge gets its first megabyte.
  EXPECT_TRUE(Unpack(Pack(program)) == program);
  for (const QByteArray &data : {Sample(3), Sample(65566), QByteArray(5000, 'z'), program.left(1 << 20)}) {
    const QString in = dir.filePath("s.pmcs"), out = dir.filePath("s.out");
    QFile f(in);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(Pack(data));
    f.close();
    QProcess py;
    py.start("python3", {QStringLiteral(QEL_PMCS10_JUDGE), in, out});
    ASSERT_TRUE(py.waitForFinished(60000));
    ASSERT_EQ(py.exitCode(), 0) << py.readAllStandardError().toStdString();
    QFile r(out);
    ASSERT_TRUE(r.open(QIODevice::ReadOnly));
    EXPECT_TRUE(r.readAll() == data) << data.size();
  }
}

}  // namespace
}  // namespace qel
