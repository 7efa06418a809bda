// Selection, keyboard, mouse, popups and timers of a view.
#include "toolbars/core/tbview.h"

#include "toolbars/core/tbmenuloop.h"
#include "toolbars/core/tbtext.h"
#include "toolbars/core/tbviewdetail.h"

#include <algorithm>

namespace qel::toolbars {

using namespace viewdetail;

// Selection

void TTbrView::SetMenuMode(bool on) {
  if (on)
    State |= tbvsMenuMode;
  else
    State &= ~tbvsMenuMode;
}

void TTbrView::SetCapture(bool on) {
  if (on) {
    capture_ = true;
    return;
  }
  CancelCapture();
}

void TTbrView::CancelCapture() {
  if (!capture_)
    return;
  capture_ = false;
  if (selected_)
    selected_->LosingCapture();
}

void TTbrView::Select(TTbrItemViewer *viewer, bool viaMouse) {
  TTbrItemViewer *const old = selected_;
  const bool changing = viewer != old;
  if (changing) {
    if (parentView_ && parentView_->openViewer_ && parentView_->openViewer_ != parentView_->selected_) {
      TTbrView *parent = parentView_;
      parent->Select(parent->openViewer_, viaMouse);
      parent->StopTimer(TTbrViewTimer::Open);
      parent->StopTimer(TTbrViewTimer::Close);
    }
    if (InMenuMode()) {
      if (IsToolbar || !viaMouse) {
        StopTimer(TTbrViewTimer::Close);
        if (viewer != openViewer_)
          CloseChildPopups();
      } else if (openViewer_ && !TimerRunning(TTbrViewTimer::Close)) {
        StartTimer(TTbrViewTimer::Close, host_ ? host_->MenuShowDelay() : 400);
      }
    }
    CancelCapture();
    if (old)
      old->Leaving();
    selected_ = viewer;
    selectedViaMouse_ = viaMouse;
  }

  bool over = false;
  if (viewer && mousePoint_ && ViewerFromPoint(*mousePoint_) == viewer)
    over = !capture_ || viewer->PointOnButtonPart(mousePoint_->x() - viewer->BoundsRect.x(),
                                                  mousePoint_->y() - viewer->BoundsRect.y());

  if (!changing) {
    if (over != mouseOverSelected_) {
      mouseOverSelected_ = over;
      if (viewer && capture_ && HasStyle(viewer->Item, tbis::RedrawOnMouseOverChange))
        Invalidate(viewer);
    }
    return;
  }
  mouseOverSelected_ = over;
  if (old && HasStyle(old->Item, tbis::RedrawOnSelChange))
    Invalidate(old);
  if (viewer) {
    if (HasStyle(viewer->Item, tbis::RedrawOnSelChange))
      Invalidate(viewer);
    viewer->FireSelect(old);
  }
  NotifyFocusEvent();

  if (!InMenuMode())
    return;
  if (IsPopup) {
    StopTimer(TTbrViewTimer::Open);
    if (viaMouse && viewer && HasStyle(viewer->Item, tbis::Submenu))
      StartTimer(TTbrViewTimer::Open, host_ ? host_->MenuShowDelay() : 400);
  } else if (viewer) {
    if (viaMouse && parentView_)
      State |= tbvsDropDownMode;
    if (State & tbvsDropDownMode) {
      if (viaMouse)
        OpenChildPopup(false);
      else if (!HasStyle(viewer->Item, tbis::NoAutoOpen))
        OpenChildPopup(true);
    }
  }
}

void TTbrView::UpdateSelection(const std::optional<QPoint> &point, bool allowNewSelection) {
  TTbrItemViewer *candidate = InMenuMode() ? selected_ : nullptr;
  const bool wasInside = State & tbvsMouseInside;
  mousePoint_ = point;
  if (point) {
    State |= tbvsMouseInside;
    if (IsPopup)
      candidate = nullptr;
    if (allowNewSelection || selected_)
      if (TTbrItemViewer *under = ViewerFromPoint(*point))
        candidate = under;
  } else {
    State &= ~tbvsMouseInside;
  }
  if (capture_)
    candidate = selected_;
  if (IsPopup && !capture_ && wasInside && !point &&
      !(candidate && HasStyle(candidate->Item, tbis::Submenu) && candidate == openViewer_))
    candidate = nullptr;
  Select(candidate, true);

  if (point && ShowUpArrow && point->y() < TbrScrollArrowHeight) {
    StopTimer(TTbrViewTimer::ScrollDown);
    StartTimer(TTbrViewTimer::ScrollUp, 100);
  } else if (point && ShowDownArrow && point->y() >= MaxHeight - TbrScrollArrowHeight) {
    StopTimer(TTbrViewTimer::ScrollUp);
    StartTimer(TTbrViewTimer::ScrollDown, 100);
  } else {
    StopTimer(TTbrViewTimer::ScrollUp);
    StopTimer(TTbrViewTimer::ScrollDown);
  }
}

TTbrItemViewer *TTbrView::NextSelectable(TTbrItemViewer *from, bool goForward) const {
  const int n = ViewerCount();
  if (n == 0)
    return nullptr;
  int i = from ? IndexOf(from) : -1;
  if (i < 0)
    i = goForward ? -1 : n;
  for (int step = 0; step < n; ++step) {
    i = goForward ? (i + 1) % n : (i - 1 + n) % n;
    TTbrItemViewer *v = Viewers(i);
    if ((v->Show || v->Clipped) && HasStyle(v->Item, tbis::Selectable) && v->Item->Visible())
      return v;
  }
  return nullptr;
}

TTbrItemViewer *TTbrView::FirstSelectable() const {
  TTbrItemViewer *first = NextSelectable(nullptr, true);
  for (TTbrItemViewer *v = first; v;) {
    if (!HasStyle(v->Item, tbis::DontSelectFirst))
      return v;
    v = NextSelectable(v, true);
    if (v == first)
      break;
  }
  return first;
}

TTbrItemViewer *TTbrView::NextViewerWithAccel(TTbrItemViewer *from, char32_t ch, bool acceleratorsOnly,
                                              bool &unique) const {
  unique = false;
  const int n = ViewerCount();
  if (n == 0)
    return nullptr;
  const auto candidate = [](const TTbrItemViewer *v) {
    return (v->Show || v->Clipped) && HasStyle(v->Item, tbis::Selectable) && v->Item->Visible() && v->CaptionShown();
  };
  // pass 0: accelerators of enabled items; 1: of disabled items; 2: first
  // characters of captions without an accelerator.
  const auto matches = [&](const TTbrItemViewer *v, int pass) {
    if (!candidate(v))
      return false;
    const QString caption = v->GetCaptionText();
    const char32_t accel = AccelCharOf(caption);
    if (pass < 2)
      return accel != 0 && v->Item->Enabled() == (pass == 0) && SameCharIgnoringCase(accel, ch);
    return accel == 0 && ch != U' ' && SameCharIgnoringCase(FirstCodePoint(RemoveAmpersands(caption)), ch);
  };
  const auto search = [&](int start, int pass) -> TTbrItemViewer * {
    int i = start;
    for (int step = 0; step < n; ++step) {
      i = (i + 1) % n;
      if (matches(Viewers(i), pass))
        return Viewers(i);
    }
    return nullptr;
  };
  const int start = from ? std::max(IndexOf(from), -1) : -1;
  const int start0 = start < 0 ? n - 1 : start;
  for (int pass = 0; pass < (acceleratorsOnly ? 2 : 3); ++pass) {
    TTbrItemViewer *found = search(start0, pass);
    if (!found)
      continue;
    unique = pass == 1 || search(IndexOf(found), pass) == found;
    return found;
  }
  return nullptr;
}

void TTbrView::ExecuteSelected(bool withPriority) {
  if (selected_ && selected_->Item->Enabled()) {
    if (!HasStyle(selected_->Item, tbis::Combo) && OpenChildPopup(true))
      return;
    if (HasStyle(selected_->Item, tbis::Selectable)) {
      Execute(selected_, withPriority);
      return;
    }
  }
  EndModal();
}

void TTbrView::Execute(TTbrItemViewer *viewer, bool withPriority) {
  if (viewer->DoExecute() && withPriority)
    GivePriority(viewer);
}

void TTbrView::GivePriority(TTbrItemViewer *viewer) {
  if (ChevronParentView) {
    const int there = IndexOf(viewer) - internalAtFront_ + ChevronParentView->internalAtFront_;
    if (there >= 0 && there < ChevronParentView->ViewerCount())
      ChevronParentView->GivePriority(ChevronParentView->Viewers(there));
  } else if (usePriorityList_) {
    const qsizetype at = priority_.indexOf(viewer);
    if (at > 0)
      priority_.move(at, 0);
    if (!validated_ || viewer->OffEdge) {
      QSize size;
      UpdatePositions(size);
    }
  }
  if (parentView_ && parentView_->openViewer_)
    parentView_->GivePriority(parentView_->openViewer_);
}

void TTbrView::ShowAccelerators(bool force) {
  const bool shown = force || !(Style & tbvsHideAccelsUntilKeyboard) || (host_ && host_->KeyboardCuesOn());
  if (shown == bool(State & tbvsAccelsShown))
    return;
  State ^= tbvsAccelsShown;
  if (host_ && host_->WindowVisible())
    for (const auto &v : viewers_)
      if (AccelCharOf(v->GetCaptionText()) != 0)
        Invalidate(v.get());
}

void TTbrView::EndModal() {
  TTbrView *root = GetRootView();
  if (root->activeLoop_)
    root->activeLoop_->End();
  if (root->host_)
    root->host_->EndModal();
}

void TTbrView::NotifyFocusEvent() {
  if (!(InMenuMode() || GetRootView()->InMenuMode()) || !host_ || !host_->WindowVisible())
    return;
  if (!selected_ && parentView_) {
    parentView_->NotifyFocusEvent();
    return;
  }
  int child = 0;
  if (selected_) {
    for (const auto &v : viewers_) {
      if (v->Show || v->OffEdge || v->Clipped)
        ++child;
      if (v.get() == selected_)
        break;
    }
  }
  host_->FocusEvent(child);
}

// ---------------------------------------------------------------------------
// Popups, scrolling and timers

bool TTbrView::OpenChildPopup(bool selectFirstItem) {
  StopTimer(TTbrViewTimer::Open);
  StopTimer(TTbrViewTimer::Close);
  if (selected_ != openViewer_) {
    CloseChildPopups();
    if (selected_ && selected_->Item->Enabled() && HasStyle(selected_->Item, tbis::Submenu) && host_) {
      TTbrItemViewer *opening = selected_;
      if (TTbrView *popup = host_->OpenPopup(this, opening, !IsToolbar, selectFirstItem)) {
        openViewer_ = opening;
        openViewerView_ = popup;
        if (IsToolbar) {
          State |= tbvsDropDownMode;
          Invalidate(opening);
        }
      }
    }
  }
  return openViewer_ != nullptr;
}

void TTbrView::CloseChildPopups() {
  if (openViewerView_)
    openViewerView_->CloseChildPopups();
  StopTimer(TTbrViewTimer::Close);
  if (TTbrView *popup = openViewerView_) {
    if (host_)
      host_->ClosePopup(popup);
  }
  openViewer_ = nullptr;
  openViewerView_ = nullptr;
}

void TTbrView::CancelChildPopups() {
  if (IsToolbar)
    State &= ~tbvsDropDownMode;
  CloseChildPopups();
}

void TTbrView::Scroll(bool down) {
  QList<TTbrLayoutItem> items(ViewerCount());
  QList<TTbrLayoutPlace> places(ViewerCount());
  for (int i = 0; i < ViewerCount(); ++i) {
    const TTbrItemViewer *v = Viewers(i);
    if (HasStyle(v->Item, tbis::Separator))
      items[i].Flags |= TTbrLayoutItem::Separator;
    places[i] = {v->BoundsRect, v->Show, v->OffEdge, v->Clipped, v->LineSep};
  }
  const int offset = ScrollStepOffset(items, places, MaxHeight, ScrollOffset, down);
  if (offset < 0)
    return;
  ScrollOffset = offset;
  QSize size;
  UpdatePositions(size);
}

void TTbrView::ScrollSelectedIntoView() {
  if (!selected_ || !selected_->Clipped)
    return;
  ScrollOffset = ScrollIntoViewOffset(selected_->BoundsRect, MaxHeight, ScrollOffset);
  QSize size;
  UpdatePositions(size);
}

void TTbrView::StartTimer(TTbrViewTimer timer, int milliseconds) {
  if (!IsPopup || TimerRunning(timer))
    return;
  timers_ |= 1 << int(timer);
  if (host_)
    host_->StartTimer(timer, milliseconds);
}

void TTbrView::StopTimer(TTbrViewTimer timer) {
  if (!TimerRunning(timer))
    return;
  timers_ &= ~(1 << int(timer));
  if (host_)
    host_->StopTimer(timer);
}

void TTbrView::StopAllTimers() {
  for (const TTbrViewTimer timer :
       {TTbrViewTimer::Open, TTbrViewTimer::Close, TTbrViewTimer::ScrollUp, TTbrViewTimer::ScrollDown})
    StopTimer(timer);
}

void TTbrView::TimerFired(TTbrViewTimer timer) {
  switch (timer) {
  case TTbrViewTimer::Open:
    StopTimer(timer);
    CloseChildPopups();
    OpenChildPopup(false);
    break;
  case TTbrViewTimer::Close:
    StopTimer(timer);
    CloseChildPopups();
    break;
  case TTbrViewTimer::ScrollUp:
  case TTbrViewTimer::ScrollDown:
    Scroll(timer == TTbrViewTimer::ScrollDown);
    break;
  }
}

// ---------------------------------------------------------------------------
// Keyboard and mouse

void TTbrView::SetToolbarSelection(bool forward) {
  Select(NextSelectable(selected_, forward), false);
  ScrollSelectedIntoView();
}

void TTbrView::KeyDown(int &key, Qt::KeyboardModifiers shift) {
  TTbrView *toolbar = GetParentToolbarView();
  const bool verticalToolbar = IsToolbar && Orientation == tbvoVertical;
  switch (key) {
  case Qt::Key_Tab:
  case Qt::Key_Backtab:
    SetToolbarSelection(key == Qt::Key_Tab && !(shift & Qt::ShiftModifier));
    break;
  case Qt::Key_Return:
  case Qt::Key_Enter:
    ExecuteSelected(true);
    break;
  case Qt::Key_Escape:
    if (parentView_)
      parentView_->CancelChildPopups();
    else
      EndModal();
    break;
  case Qt::Key_Alt:
  case Qt::Key_F10:
    EndModal();
    break;
  case Qt::Key_Home:
  case Qt::Key_End:
    Select(NextSelectable(nullptr, key == Qt::Key_Home), false);
    ScrollSelectedIntoView();
    break;
  case Qt::Key_Left:
  case Qt::Key_Right: {
    if (verticalToolbar) {
      OpenChildPopup(true);
      break;
    }
    const bool left = key == Qt::Key_Left;
    const bool horizontalToolbar = toolbar && toolbar->Orientation != tbvoVertical;
    if (left) {
      if (!horizontalToolbar) {
        if (parentView_)
          parentView_->CloseChildPopups();
      } else if (toolbar == this) {
        SetToolbarSelection(false);
      } else if (parentView_ == toolbar) {
        toolbar->SetToolbarSelection(false);
      } else if (parentView_) {
        parentView_->CloseChildPopups();
      }
    } else if (toolbar == this || !OpenChildPopup(true)) {
      if (horizontalToolbar)
        toolbar->SetToolbarSelection(true);
    }
    break;
  }
  case Qt::Key_Up:
  case Qt::Key_Down:
    if (IsPopup || verticalToolbar)
      SetToolbarSelection(key == Qt::Key_Down);
    else
      OpenChildPopup(true);
    break;
  case Qt::Key_F1: {
    for (TTbrView *view = this; view; view = view->parentView_)
      if (view->selected_ && view->selected_->Item->HelpContext() != 0) {
        TTbrDoneAction &done = GetRootView()->DoneAction;
        done = {};
        done.Kind = TTbrDoneActionKind::Help;
        done.HelpContext = view->selected_->Item->HelpContext();
        EndModal();
        break;
      }
    break;
  }
  default:
    return;
  }
  key = 0;
}

TTbrItemViewer *TTbrView::ViewerUnderMouse(const QPoint &point) const {
  if (capture_)
    return selected_;
  if (selected_ && ViewerFromPoint(point) == selected_)
    return selected_;
  return nullptr;
}

void TTbrView::HandleMouseMove(const QPoint &point) {
  UpdateSelection(point, true);
  if (TTbrItemViewer *v = ViewerUnderMouse(point))
    v->MouseMove(point.x() - v->BoundsRect.x(), point.y() - v->BoundsRect.y());
}

void TTbrView::HandleMouseDown(const QPoint &point, Qt::KeyboardModifiers shift, bool doubleClick) {
  State &= ~tbvsJustOpenedAtPoint;
  UpdateSelection(point, true);
  mouseDownOnMenu_ = false;
  if (TTbrItemViewer *v = ViewerUnderMouse(point))
    v->MouseDown(shift, doubleClick, point.x() - v->BoundsRect.x(), point.y() - v->BoundsRect.y(), mouseDownOnMenu_);
}

void TTbrView::HandleMouseUp(const QPoint &point) {
  UpdateSelection(point, false);
  if (TTbrItemViewer *v = ViewerUnderMouse(point))
    v->MouseUp(point.x() - v->BoundsRect.x(), point.y() - v->BoundsRect.y(), mouseDownOnMenu_);
  else if (IsToolbar && !parentView_)
    EndModal();
  mouseDownOnMenu_ = false;
}

bool TTbrView::HandleChar(char32_t ch) {
  bool unique = false;
  TTbrItemViewer *v = NextViewerWithAccel(selected_, ch, false, unique);
  if (!v)
    return false;
  Select(v, false);
  ScrollSelectedIntoView();
  if (unique)
    ExecuteSelected(true);
  return true;
}

} // namespace qel::toolbars
