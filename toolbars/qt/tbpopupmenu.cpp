#include "toolbars/qt/tbpopupmenu.h"

namespace qel::toolbars {

TTbrPopupMenu::TTbrPopupMenu() : Root(std::make_unique<TTbrRootItem>()) {
  Root->SetRootOwner(this);
  Root->SetOnClick([this](TTbrCustomItem *) {
    if (OnPopup)
      OnPopup(this);
  });
}

TTbrPopupMenu::~TTbrPopupMenu() = default;

void TTbrPopupMenu::Popup(int x, int y) {
  Point = QPoint(x, y);
  PopupAt(Root.get(), Point, TrackButton == TTrackButton::Right, Alignment, false, Factory, Driver, LoopHost,
          DoneHost);
}

} // namespace qel::toolbars
