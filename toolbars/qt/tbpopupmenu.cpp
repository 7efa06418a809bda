#include "toolbars/qt/tbpopupmenu.h"

namespace qel::toolbars {

TTbrPopupMenu::TTbrPopupMenu() : TTbrPopupMenu(std::make_unique<TTbrRootItem>()) {}

TTbrPopupMenu::TTbrPopupMenu(std::unique_ptr<TTbrRootItem> root) : Root(std::move(root)) {
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
