#include "toolbars/core/tbimagelist.h"

namespace qel::toolbars {

TTbrImageChangeLink::~TTbrImageChangeLink() {
  if (List)
    List->UnRegisterChanges(this);
}

TTbrImageList::~TTbrImageList() {
  // Each user is detached before it hears of the end, so that it may clear
  // its reference (and even free its link) from the callback.
  while (!Links.isEmpty()) {
    TTbrImageChangeLink *link = Links.takeFirst();
    link->List = nullptr;
    if (link->OnListDestroying)
      link->OnListDestroying();
  }
}

void TTbrImageList::SetSize(int width, int height) {
  if (width == ImageWidth && height == ImageHeight)
    return;
  ImageWidth = width;
  ImageHeight = height;
  Change();
}

void TTbrImageList::RegisterChanges(TTbrImageChangeLink *link) {
  if (!link || link->List == this)
    return;
  if (link->List)
    link->List->UnRegisterChanges(link);
  link->List = this;
  Links.append(link);
}

void TTbrImageList::UnRegisterChanges(TTbrImageChangeLink *link) {
  if (!link || link->List != this)
    return;
  Links.removeOne(link);
  link->List = nullptr;
}

void TTbrImageList::Change() {
  // A callback may unregister links (its own or others): walk a copy and
  // call only those still registered here.
  const QList<TTbrImageChangeLink *> links = Links;
  for (TTbrImageChangeLink *link : links)
    if (Links.contains(link) && link->OnChange)
      link->OnChange();
}

} // namespace qel::toolbars
