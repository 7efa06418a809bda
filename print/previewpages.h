#pragma once
// The pages of one print preview, kept as page pictures in files of a private
// folder of the program's temporary folder ("PreviewMetafile" + index, with
// ".CPR" appended when zlib-compressed). Two previews never share files; the
// folder goes when the store does.

#include <QString>

class QPicture;

namespace qel {

class TPreviewPageStore {
public:
  explicit TPreviewPageStore(bool compress);
  ~TPreviewPageStore();
  TPreviewPageStore(const TPreviewPageStore &) = delete;
  TPreviewPageStore &operator=(const TPreviewPageStore &) = delete;

  // False when the private folder could not be made.
  bool ok() const { return !folder_.isEmpty(); }
  QString folder() const { return folder_; }
  bool compress() const { return compress_; }
  int count() const { return count_; }
  QString fileName(int index) const;

  // Writes the next page; false (nothing counted) when it cannot be written.
  bool store(const QPicture &page);
  // Reads page `index`; false when it is missing or does not read.
  bool load(int index, QPicture &page) const;

private:
  QString folder_;
  bool compress_;
  int count_ = 0;
};

// zlib stream of `data` at the fastest level, and back. inflatePage refuses
// (false) a stream that is damaged or would grow beyond `limit` bytes.
QByteArray deflatePage(const QByteArray &data);
bool inflatePage(const QByteArray &data, QByteArray &out, qint64 limit = qint64(256) << 20);

} // namespace qel
