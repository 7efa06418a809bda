#include "setup/compressstream.h"

#include "setup/lzrw1kh.h"

#include <QtEndian>

#include <vector>

namespace qel {

namespace {

void WriteAll(QIODevice &target, const char *data, qint64 n) {
  if (target.write(data, n) != n) throw ECompressStream("Write error");
}

void WriteUInt32(QIODevice &target, quint32 v) {
  char b[4];
  qToLittleEndian(v, b);
  WriteAll(target, b, 4);
}

QByteArray ReadExactly(QIODevice &source, qint64 n) {
  QByteArray data = source.read(n);
  if (data.size() != n) throw ECompressStream("Stream read error");
  return data;
}

quint32 ReadUInt32(QIODevice &source) {
  return qFromLittleEndian<quint32>(ReadExactly(source, 4).constData());
}

}  // namespace

TCompressStream::TCompressStream() : FMagic("PMCS10") {}

void TCompressStream::PackStream(QIODevice &source, QIODevice &target, qint64 size) {
  WriteAll(target, FMagic.constData(), FMagic.size());
  const qint64 totalPos = target.pos();
  WriteUInt32(target, 0);
  quint64 total = 0;
  while (size > 0) {
    const qint64 want = std::min<qint64>(size, qint64(lzrw1kh::kMaxBlockSource));
    QByteArray chunk = source.read(want);
    if (chunk.size() != want) throw ECompressStream("Source file is shorter than its size");
    std::vector<std::uint8_t> block =
        CompressBlock({reinterpret_cast<const std::uint8_t *>(chunk.constData()), std::size_t(chunk.size())});
    WriteUInt32(target, quint32(block.size()));
    WriteAll(target, reinterpret_cast<const char *>(block.data()), qint64(block.size()));
    total += block.size() + 4;
    size -= want;
  }
  if (total > 0xFFFFFFFFull) throw ECompressStream("File too large to pack");
  const qint64 end = target.pos();
  if (!target.seek(totalPos)) throw ECompressStream("Seek error");
  WriteUInt32(target, quint32(total));
  if (!target.seek(end)) throw ECompressStream("Seek error");
}

void TCompressStream::UnpackStream(QIODevice &source, QIODevice &target) {
  const QByteArray magic = source.read(FMagic.size());
  if (magic != FMagic) throw ECompressStream("Wrong file type");
  quint64 total = ReadUInt32(source);
  while (total > 0) {
    const quint32 len = ReadUInt32(source);
    // Only lengths below 65,536 occur, and every chunk must fit in what the
    // header announced; anything else is a damaged stream.
    if (len >= 65536) throw ECompressStream("Damaged stream: chunk too long");
    if (quint64(len) + 4 > total) throw ECompressStream("Damaged stream: chunk past the announced total");
    const QByteArray block = ReadExactly(source, len);
    std::vector<std::uint8_t> out;
    try {
      out = DecompressBlock({reinterpret_cast<const std::uint8_t *>(block.constData()), std::size_t(block.size())});
    } catch (const ELzrw1KHCompressor &e) {
      throw ECompressStream(std::string("Damaged stream: ") + e.what());
    }
    WriteAll(target, reinterpret_cast<const char *>(out.data()), qint64(out.size()));
    total -= quint64(len) + 4;
  }
}

}  // namespace qel
