#pragma once

// The "PMCS10" chunked stream over LZRW1/KH blocks that carries a compressed
// embedded file: magic, UInt32 total of (4 + block length) over all chunks,
// then each chunk as UInt32 block length and the block.

#include <QByteArray>
#include <QIODevice>

#include <stdexcept>

namespace qel {

class ECompressStream : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

class TCompressStream {
public:
  TCompressStream();

  // Packs size bytes from source into target. A source that ends before size
  // bytes is an error: a truncated file must never be packed quietly.
  void PackStream(QIODevice &source, QIODevice &target, qint64 size);

  // Unpacks a whole stream from source into target. Bad magic throws
  // "Wrong file type"; lengths that do not add up, a chunk longer than any
  // block, data shorter than announced or a damaged block throw as well.
  void UnpackStream(QIODevice &source, QIODevice &target);

private:
  QByteArray FMagic;
};

}  // namespace qel
