#include "setup/compressstream.h"

#include <QBuffer>
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

}  // namespace
}  // namespace qel
