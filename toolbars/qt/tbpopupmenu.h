#pragma once
// A context menu made of toolbar items: it owns a root item whose children
// are the menu's entries, and pops them up at a point with the menu loop.
// Clicking the root itself (opening the menu) fires the menu's popup event.

#include "toolbars/core/tbitem.h"
#include "toolbars/qt/tbmodaldriver.h"
#include "toolbars/qt/tbpopupwindow.h"

#include <QPoint>

#include <functional>
#include <memory>

namespace qel::toolbars {

class TTbrPopupMenu : public ITBItemsProvider {
public:
  enum class TTrackButton { Left, Right };

  TTbrPopupMenu();
  virtual ~TTbrPopupMenu();
  TTbrPopupMenu(const TTbrPopupMenu &) = delete;
  TTbrPopupMenu &operator=(const TTbrPopupMenu &) = delete;

  // The root item (read only: the entries are its children).
  TTbrRootItem *Items() const { return Root.get(); }
  TTbrCustomItem *GetItems() override { return Root.get(); }
  TTbrImageList *Images() const { return Root->SubMenuImages(); }
  void SetImages(TTbrImageList *images) { Root->SetSubMenuImages(images); }
  TTbrCustomItem *LinkSubitems() const { return Root->LinkSubitems(); }
  void SetLinkSubitems(TTbrCustomItem *item) { Root->SetLinkSubitems(item); }
  TTbrItemOptions Options() const { return Root->Options(); }
  void SetOptions(TTbrItemOptions options) { Root->SetOptions(options); }

  TTbrPopupAlignment Alignment = tbpaLeft;
  // A context menu follows the button that opens it: a right click on an
  // entry runs it.
  TTrackButton TrackButton = TTrackButton::Right;
  // Fired when the menu opens, before its entries are shown.
  std::function<void(TTbrPopupMenu *sender)> OnPopup;
  QPoint PopupPoint() const { return Point; }

  // Pops the menu up at the screen point; returns once it has closed and
  // the chosen command (if any) has been started.
  void Popup(int x, int y);
  // Runs the entry that has the shortcut; false when none has it.
  bool IsShortCut(TShortCut shortCut) { return Root->DispatchShortCut(shortCut); }

  void SetLoopHost(TTbrMenuLoopHost *host) { LoopHost = host ? host : &DefaultLoopHost; }
  void SetDoneActionHost(TTbrDoneActionHost *host) { DoneHost = host; }

protected:
  // A menu whose root is of a class of its own.
  explicit TTbrPopupMenu(std::unique_ptr<TTbrRootItem> root);

private:
  std::unique_ptr<TTbrRootItem> Root;
  QPoint Point;
  TTbrQtPopupFactory Factory;
  TTbrQtModalDriver Driver;
  TTbrQtMenuLoopHost DefaultLoopHost;
  TTbrMenuLoopHost *LoopHost = &DefaultLoopHost;
  TTbrDoneActionHost *DoneHost = nullptr;
};

} // namespace qel::toolbars
