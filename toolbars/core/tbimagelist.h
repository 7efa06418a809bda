#pragma once
// The image-list seam of the toolbar items: a list of equally sized images
// known here by its size and count only (painting them belongs to the paint
// library), and the change links through which items hear that a list
// changed or is going away.

#include <QList>

#include <functional>

namespace qel::toolbars {

class TTbrImageList;

// One user's registration with an image list. It remembers the image size
// it last saw, so that its user can tell a new size from a new picture.
class TTbrImageChangeLink {
public:
  TTbrImageChangeLink() = default;
  TTbrImageChangeLink(const TTbrImageChangeLink &) = delete;
  TTbrImageChangeLink &operator=(const TTbrImageChangeLink &) = delete;
  ~TTbrImageChangeLink();

  TTbrImageList *Images() const { return List; }
  int LastWidth = 0;
  int LastHeight = 0;
  // Called after the list changed.
  std::function<void()> OnChange;
  // Called when the list is being destroyed; the link is already detached.
  std::function<void()> OnListDestroying;

private:
  friend class TTbrImageList;
  TTbrImageList *List = nullptr;
};

class TTbrImageList {
public:
  explicit TTbrImageList(int width = 16, int height = 16) : ImageWidth(width), ImageHeight(height) {}
  TTbrImageList(const TTbrImageList &) = delete;
  TTbrImageList &operator=(const TTbrImageList &) = delete;
  virtual ~TTbrImageList();

  int Width() const { return ImageWidth; }
  int Height() const { return ImageHeight; }
  virtual int Count() const { return 0; }
  // A new size tells every registered link (also when only one side changes).
  void SetSize(int width, int height);

  // A link registers with one list at a time: registering moves it here.
  void RegisterChanges(TTbrImageChangeLink *link);
  void UnRegisterChanges(TTbrImageChangeLink *link);
  // Tells every registered link, in registration order, that the images changed.
  void Change();

private:
  int ImageWidth, ImageHeight;
  QList<TTbrImageChangeLink *> Links;
};

} // namespace qel::toolbars
