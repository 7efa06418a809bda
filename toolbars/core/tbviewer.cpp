#include "toolbars/core/tbview.h"

#include "toolbars/core/tbmenuloop.h"
#include "toolbars/core/tbroutines.h"
#include "toolbars/core/tbtext.h"
#include "toolbars/core/tbviewdetail.h"

#include <algorithm>
#include <utility>

namespace qel::toolbars {

using namespace viewdetail;

// TTbrItemViewer

TTbrItemViewer::TTbrItemViewer(TTbrView *view, TTbrCustomItem *item, int groupLevel)
    : View(view), Item(item), GroupLevel(groupLevel) {}

TTbrItemViewer::~TTbrItemViewer() {
  if (AccObject)
    std::exchange(AccObject, nullptr)->Detach();
}

bool TTbrItemViewer::IsToolbarSize() const { return View->IsToolbar || HasOption(Item, tboToolbarSize); }

bool TTbrItemViewer::IsToolbarStyle() const { return View->IsToolbar || HasOption(Item, tboToolbarStyle); }

bool TTbrItemViewer::UsesSameWidth() const {
  return HasOption(Item, tboImageAboveCaption) && HasOption(Item, tboSameWidth) && IsToolbarSize();
}

QString TTbrItemViewer::GetCaptionText() const {
  const QString caption = Item->Caption();
  const qsizetype tab = caption.indexOf(u'\t');
  return tab < 0 ? caption : caption.left(tab);
}

bool TTbrItemViewer::CaptionShown() const {
  const TTbrItemDisplayMode mode = Item->DisplayMode();
  return (!GetCaptionText().isEmpty() &&
          (!IsToolbarSize() || Item->ImageIndex() < 0 || mode == TTbrItemDisplayMode::nbdmTextOnly ||
           mode == TTbrItemDisplayMode::nbdmImageAndText)) ||
         HasOption(Item, tboImageAboveCaption);
}

bool TTbrItemViewer::ImageShown() const {
  const TTbrItemDisplayMode mode = Item->DisplayMode();
  return Item->ImageIndex() >= 0 &&
         (mode == TTbrItemDisplayMode::nbdmDefault || mode == TTbrItemDisplayMode::nbdmImageAndText ||
          (IsToolbarStyle() && mode == TTbrItemDisplayMode::nbdmTextOnlyInMenus));
}

bool TTbrItemViewer::IsRotated() const {
  return View->Orientation == tbvoVertical && !HasOption(Item, tboNoRotation) && !HasOption(Item, tboImageAboveCaption);
}

TTbrImageList *TTbrItemViewer::ImageList() const {
  if (Item->Images())
    return Item->Images();
  for (const TTbrView *view = View; view; view = view->ParentView()) {
    const TTbrCustomItem *shown = view->ParentItem();
    if (!shown)
      continue;
    if (shown->SubMenuImages())
      return shown->SubMenuImages();
    if (shown->Parent() && shown->Parent()->SubMenuImages())
      return shown->Parent()->SubMenuImages();
  }
  return nullptr;
}

bool TTbrItemViewer::AccActionable() const {
  return (Show || OffEdge || Clipped) && Item->Enabled() && HasStyle(Item, tbis::Selectable) && View->Host() &&
         View->Host()->WindowUsable(View->InMenuMode());
}

void TTbrItemViewer::DeferredExecute(int param) {
  // An accessibility client's default action (param 1) or its focus
  // request (param 0), run after the client's call returned: select the
  // viewer and bring it into view; in a menu session run it, else start
  // the session on a root view.
  if (param == 1 ? !AccActionable() : !(View->Host() && View->Host()->WindowUsable(View->InMenuMode())))
    return;
  View->Select(this, false);
  View->ScrollSelectedIntoView();
  if (View->InMenuMode()) {
    if (param != 1)
      return;
    TTbrView *root = View->GetRootView();
    View->ExecuteSelected(false);
    // Chosen outside the loop's input: the loop ends as it does after a
    // key or click that chose, and the command runs once the menu is gone.
    if (root->ActiveLoop() && root->DoneAction.Kind != TTbrDoneActionKind::None)
      root->ActiveLoop()->End();
  } else if (!View->ParentView()) {
    View->Host()->EnterLoopForClient(param == 1 ? tbetExecuteSelected | tbetFromMSAA : tbetFromMSAA);
  }
}

QString TTbrItemViewer::Hint(bool showShortCuts) const {
  QString hint = Item->Hint().section(u'|', 0, 0);
  if (hint.isEmpty() && (!HasStyle(Item, tbis::Submenu) || HasStyle(Item, tbis::Combo) || !CaptionShown())) {
    hint = GetCaptionText();
    if ((hint.size() >= 2 && hint.endsWith(u':')) || (hint.size() >= 4 && hint.endsWith(QStringLiteral("..."))))
      hint = TrimTrailingColonOrDots(hint);
    hint = RemoveAmpersands(hint);
  }
  if (showShortCuts && Item->ShortCut() != 0)
    hint = QStringLiteral("%1 (%2)").arg(hint, Item->ShortCutText());
  return hint;
}

void TTbrItemViewer::MeasureSize(const TTbrTextMeasure &measure, bool bold, int &width, int &height) {
  const bool toolbarStyle = IsToolbarStyle();
  const TTbrImageList *images = ImageList();
  const QSize imageSize = images ? QSize(images->Width(), images->Height()) : QSize();
  const bool imageShown = ImageShown() && images;
  const bool rotated = IsRotated();
  width = height = toolbarStyle ? 6 : 0;
  QSize text;
  if (!toolbarStyle || CaptionShown()) {
    text = measure.TextExtent(RemoveAmpersands(GetCaptionText()), bold);
    if (text.height() == 0)
      text.setHeight(measure.TextHeight(bold));
  }
  if (toolbarStyle) {
    if (CaptionShown()) {
      if (rotated) {
        width += text.height();
        height += text.width() + 6;
      } else {
        width += text.width() + 6;
        height += text.height();
      }
    }
    if (imageShown) {
      if (rotated || HasOption(Item, tboImageAboveCaption)) {
        height += imageSize.height();
        width = std::max(width, imageSize.width() + 7);
      } else {
        width += imageSize.width() + 1;
        height = std::max(height, imageSize.height() + 6);
      }
    }
    if (HasStyle(Item, tbis::Submenu)) {
      if (HasStyle(Item, tbis::Combo))
        width += ComboArrowWidth;
      else if (HasOption(Item, tboDropdownArrow))
        (View->Orientation == tbvoVertical ? height : width) += DropdownArrowWidth;
    }
    return;
  }
  height = text.height() + measure.ExternalLeading() + 4;
  if (imageShown)
    height = std::max(height, imageSize.height() + 3);
  const int imageColumn =
      imageShown && imageSize.height() + 3 > 0 ? (imageSize.width() + 3) * height / (imageSize.height() + 3) : height;
  width = text.width() + imageColumn + 6;
  const QString shortCut = Item->ShortCutText();
  if (!shortCut.isEmpty())
    width += measure.TextExtent(shortCut, bold).width() + height - 6;
  width += height; // the submenu arrow column
}

bool TTbrItemViewer::DoExecute() {
  TTbrView *root = View->GetRootView();
  root->DoneAction = {};
  root->DoneAction.Kind = TTbrDoneActionKind::ClickItem;
  root->DoneAction.ClickItem = Item;
  root->DoneAction.Sound = View->IsPopup;
  return true;
}

void TTbrItemViewer::FireSelect(TTbrItemViewer *previous) {
  (void)previous;
  Item->FireSelect(this, true);
}

void TTbrItemViewer::Leaving() { Item->FireSelect(this, false); }

int TTbrItemViewer::AccessibleRole() const {
  if (IsControl(Item))
    return 10; // client
  if (HasStyle(Item, tbis::Separator))
    return 21; // separator
  if (View->IsPopup || (View->Style & tbvsMenuBar))
    return 12; // menu item
  return HasStyle(Item, tbis::Submenu) ? 57 /* button menu */ : 43 /* push button */;
}

bool TTbrItemViewer::GetAccValue(QString &value) const {
  (void)value;
  return false;
}

bool TTbrItemViewer::PointOnButtonPart(int x, int y) const {
  (void)y;
  if (HasStyle(Item, tbis::Combo)) {
    const int arrow = IsToolbarStyle() ? ComboArrowWidth : View->Host()->Measure().MenuCheckWidth();
    return x < BoundsRect.width() - arrow;
  }
  return !HasStyle(Item, tbis::Submenu);
}

void TTbrItemViewer::KeyDown(int &key, Qt::KeyboardModifiers shift) { (void)key, (void)shift; }

void TTbrItemViewer::LosingCapture() { Invalidate(); }

void TTbrItemViewer::Invalidate() { View->Invalidate(this); }

void TTbrItemViewer::MouseDown(Qt::KeyboardModifiers shift, bool doubleClick, int x, int y, bool &mouseDownOnMenu) {
  (void)shift;
  const bool rootToolbar = View->IsToolbar && !View->ParentView();
  if (!Item->Enabled()) {
    if (rootToolbar)
      View->EndModal();
    return;
  }
  if (!PointOnButtonPart(x, y)) {
    const bool wasOpen = View->OpenViewer() == this;
    if (!View->OpenChildPopup(false))
      return;
    if (wasOpen && rootToolbar)
      mouseDownOnMenu = true;
    if (doubleClick && !HasStyle(Item, tbis::Combo)) {
      // A double click runs the opened menu's default item.
      TTbrView *popup = View->OpenViewerView();
      for (int i = 0; popup && i < popup->ViewerCount(); ++i) {
        TTbrItemViewer *v = popup->Viewers(i);
        if (v->Show && v->Item->Enabled() && v->Item->Visible() && HasStyle(v->Item, tbis::Selectable) &&
            HasOption(v->Item, tboDefault)) {
          popup->Select(v, false);
          popup->Execute(v, true);
          break;
        }
      }
    }
    return;
  }
  if (IsToolbarStyle()) {
    View->CancelChildPopups();
    View->SetCapture(true);
    Invalidate();
  }
}

void TTbrItemViewer::MouseMove(int x, int y) { (void)x, (void)y; }

void TTbrItemViewer::MouseUp(int x, int y, bool mouseWasDownOnMenu) {
  const bool hadCapture = View->Capture();
  View->CancelCapture();
  const bool rootToolbar = View->IsToolbar && !View->ParentView();
  if (View->MouseOverSelected() && View->Selected() == this && Item->Enabled() &&
      !HasStyle(Item, tbis::ClicksTransparent)) {
    if (HasStyle(Item, tbis::Submenu) && !PointOnButtonPart(x, y)) {
      if (mouseWasDownOnMenu && rootToolbar)
        View->EndModal();
    } else if (hadCapture || !IsToolbarStyle()) {
      View->Execute(this, true);
    }
  } else if (rootToolbar) {
    View->EndModal();
  }
}

void TTbrItemViewer::MouseWheel(int delta, int x, int y) { (void)delta, (void)x, (void)y; }

void TTbrSeparatorItemViewer::MeasureSize(const TTbrTextMeasure &measure, bool bold, int &width, int &height) {
  if (IsToolbarStyle()) {
    width = height = 6;
    return;
  }
  width = 0;
  height = DivideRoundingOut(measure.TextHeight(bold) * 2, 3);
}

} // namespace qel::toolbars
