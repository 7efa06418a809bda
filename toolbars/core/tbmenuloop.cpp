// The modal menu loop as a state machine, and the two ways into it: a
// toolbar or menu bar entering menu mode, and a menu popped up at a point.
#include "toolbars/core/tbmenuloop.h"

#include "toolbars/core/tbitem.h"
#include "toolbars/core/tbview.h"
#include "toolbars/core/tbviewdetail.h"

#include <QPointer>

namespace qel::toolbars {

using namespace viewdetail;

namespace {

// The origin of a view's client area on the screen.
QPoint ClientOrigin(const TTbrView *view) {
  return view->Host() ? view->Host()->ScreenClientRect().topLeft() : QPoint();
}

QRect WindowRectOf(const TTbrView *view) { return view->Host() ? view->Host()->ScreenWindowRect() : QRect(); }

// The long part of a hint: after the "|", or all of it when there is none.
QString LongHint(const QString &hint) {
  const qsizetype bar = hint.indexOf(u'|');
  return bar < 0 ? hint : hint.mid(bar + 1);
}

bool IsPress(const TTbrLoopEvent &event) {
  return event.kind == TTbrLoopEvent::Kind::MousePress || event.kind == TTbrLoopEvent::Kind::MouseDoubleClick;
}

} // namespace

// The viewer the pointer is on and where, relative to the viewer.
struct TTbrMenuLoop::THit {
  TTbrView *view = nullptr;
  TTbrItemViewer *viewer = nullptr;
  QPoint local;
};

TTbrMenuLoop::TTbrMenuLoop(TTbrView *root, TTbrMenuLoopHost *host) : root_(root), host_(host) {}

TTbrMenuLoop::~TTbrMenuLoop() {
  // After Leave the root may be gone without telling: it is no longer ours.
  if (registered_ && root_)
    root_->activeLoop_ = nullptr;
}

bool TTbrMenuLoop::Begin(const TTbrMenuLoopOptions &options) {
  if (!root_ || ended_)
    return false;
  if (host_ && !announced_) {
    announced_ = true;
    host_->MenuSession(root_, true);
  }
  if (!root_ || ended_)
    return false;
  root_->DoneAction = {};
  root_->ValidatePositions();
  root_->activeLoop_ = this;
  registered_ = true;
  trackRight_ = options.TrackRightButton;
  mouseDownOnMenu_ = false;
  if (options.InitiallyPressed) {
    // The press that started the loop belongs to the selected viewer.
    lastPoint_ = options.PressPoint;
    if (TTbrItemViewer *v = root_->Selected()) {
      const QPoint local = options.PressPoint - ClientOrigin(root_) - v->BoundsRect.topLeft();
      v->MouseDown(Qt::NoModifier, false, local.x(), local.y(), mouseDownOnMenu_);
    }
  }
  if (root_ && !ended_ && options.ExecuteSelected)
    root_->ExecuteSelected(!options.NoPriority);
  if (root_ && !ended_ && root_->DoneAction.Kind != TTbrDoneActionKind::None)
    End();
  if (ended_)
    return false;
  UpdateApplicationHint();
  return true;
}

void TTbrMenuLoop::End() {
  if (ended_)
    return;
  ended_ = true;
  if (endedHandler_)
    endedHandler_();
}

void TTbrMenuLoop::RootDestroyed() {
  root_ = nullptr;
  registered_ = false;
  End();
}

void TTbrMenuLoop::EndSession() {
  if (!announced_)
    return;
  announced_ = false;
  host_->MenuSession(root_, false);
}

void TTbrMenuLoop::Leave() {
  End();
  CancelHint();
  if (root_) {
    root_->CancelCapture();
    if (registered_)
      root_->activeLoop_ = nullptr;
  }
  registered_ = false;
  if (host_)
    host_->SetApplicationHint(QString());
  applicationHint_.reset();
}

std::vector<TTbrView *> TTbrMenuLoop::Chain() const {
  std::vector<TTbrView *> chain;
  for (TTbrView *view = root_; view; view = view->OpenViewerView())
    chain.push_back(view);
  return chain;
}

bool TTbrMenuLoop::InChain(const TTbrView *view) const {
  for (TTbrView *v = root_; v; v = v->OpenViewerView())
    if (v == view)
      return true;
  return false;
}

TTbrView *TTbrMenuLoop::Deepest() const {
  TTbrView *view = root_;
  while (view && view->OpenViewerView())
    view = view->OpenViewerView();
  return view;
}

TTbrView *TTbrMenuLoop::CapturedView() const {
  for (TTbrView *v = root_; v; v = v->OpenViewerView())
    if (v->Capture())
      return v;
  return nullptr;
}

// Deeper popups lie above the views they opened from.
TTbrView *TTbrMenuLoop::TopViewAt(const QPoint &screenPoint) const {
  const std::vector<TTbrView *> chain = Chain();
  for (auto it = chain.rbegin(); it != chain.rend(); ++it)
    if (WindowRectOf(*it).contains(screenPoint))
      return *it;
  return nullptr;
}

void TTbrMenuLoop::UpdateSelections(const QPoint &screenPoint, bool allowNewSelection) {
  TTbrView *const top = TopViewAt(screenPoint);
  TTbrView *const captured = CapturedView();
  const std::vector<TTbrView *> chain = Chain();
  for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
    TTbrView *view = *it;
    // A selection change may close popups further down the chain.
    if ((captured && view != captured) || !InChain(view))
      continue;
    std::optional<QPoint> local;
    if (view == top)
      local = screenPoint - ClientOrigin(view);
    view->UpdateSelection(local, allowNewSelection);
  }
}

TTbrMenuLoop::THit TTbrMenuLoop::UnderMouse(const QPoint &screenPoint) const {
  THit hit;
  TTbrView *view = CapturedView();
  if (!view)
    view = TopViewAt(screenPoint);
  if (!view)
    return hit;
  const QPoint client = screenPoint - ClientOrigin(view);
  hit.viewer = view->ViewerUnderMouse(client);
  if (hit.viewer) {
    hit.view = view;
    hit.local = client - hit.viewer->BoundsRect.topLeft();
  }
  return hit;
}

void TTbrMenuLoop::ShowHintFor(const THit &hit) {
  QString text;
  QRect rect;
  if (hit.viewer && !CapturedView() &&
      ((hit.view->Style & tbvsShowHints) || HasOption(hit.viewer->Item, tboShowHint))) {
    text = hit.viewer->HintAt(hit.local, rect);
    rect.translate(ClientOrigin(hit.view));
  }
  if (text.isEmpty())
    rect = QRect();
  if (text == hintText_ && rect == hintRect_)
    return;
  hintText_ = text;
  hintRect_ = rect;
  if (host_)
    host_->ShowHint(text, rect);
}

void TTbrMenuLoop::CancelHint() {
  if (hintText_.isEmpty())
    return;
  hintText_.clear();
  hintRect_ = QRect();
  if (host_)
    host_->ShowHint(QString(), QRect());
}

void TTbrMenuLoop::UpdateApplicationHint() {
  QString text;
  const std::vector<TTbrView *> chain = Chain();
  for (auto it = chain.rbegin(); it != chain.rend(); ++it)
    if (TTbrItemViewer *selected = (*it)->Selected()) {
      text = LongHint(selected->Item->Hint());
      break;
    }
  if (applicationHint_ && *applicationHint_ == text)
    return;
  applicationHint_ = text;
  if (host_)
    host_->SetApplicationHint(text);
}

bool TTbrMenuLoop::TrackedButtonDown(const TTbrLoopEvent &event) const {
  return (event.buttons & Qt::LeftButton) || (trackRight_ && (event.buttons & Qt::RightButton));
}

TTbrLoopVerdict TTbrMenuLoop::Feed(const TTbrLoopEvent &event) {
  if (ended_ || !root_)
    return TTbrLoopVerdict::Ended;
  const bool captured = CapturedView() != nullptr;
  TTbrLoopVerdict verdict = PressOutside(event);
  if (verdict != TTbrLoopVerdict::EndedPass)
    verdict = Handle(event);
  if (ended_ || !root_)
    return verdict == TTbrLoopVerdict::EndedPass ? verdict : TTbrLoopVerdict::Ended;
  if (root_->DoneAction.Kind != TTbrDoneActionKind::None) {
    End();
    return TTbrLoopVerdict::Ended;
  }
  // A capture given up during the event: what is under the pointer now is
  // selected, as if it had just moved there.
  if (captured && !CapturedView() && lastPoint_)
    UpdateSelections(*lastPoint_, true);
  if (ended_ || !root_)
    return TTbrLoopVerdict::Ended;
  UpdateApplicationHint();
  return verdict;
}

// A press outside the menu ends it and still reaches what was clicked; so
// does a press on the root toolbar off its items.
TTbrLoopVerdict TTbrMenuLoop::PressOutside(const TTbrLoopEvent &event) {
  if (!IsPress(event) || (event.button != Qt::LeftButton && event.button != Qt::RightButton))
    return TTbrLoopVerdict::Handled;
  TTbrView *top = TopViewAt(event.screenPos);
  bool outside = top == nullptr;
  if (top == root_ && root_->IsToolbar) {
    if (!root_->Host() || !root_->Host()->ScreenClientRect().contains(event.screenPos)) {
      outside = true;
    } else if (event.button == Qt::LeftButton) {
      UpdateSelections(event.screenPos, true);
      const THit hit = UnderMouse(event.screenPos);
      outside = !hit.viewer || HasStyle(hit.viewer->Item, tbis::ClicksTransparent);
    }
  }
  if (!outside)
    return TTbrLoopVerdict::Handled;
  End();
  return TTbrLoopVerdict::EndedPass;
}

TTbrLoopVerdict TTbrMenuLoop::Handle(const TTbrLoopEvent &event) {
  using Kind = TTbrLoopEvent::Kind;
  switch (event.kind) {
  case Kind::KeyDown: {
    CancelHint();
    if (TrackedButtonDown(event) && event.key != Qt::Key_F1)
      return TTbrLoopVerdict::Discarded;
    TTbrView *deepest = Deepest();
    int key = event.key;
    if (TTbrItemViewer *selected = deepest->Selected())
      selected->KeyDown(key, event.modifiers);
    if (key != 0 && !ended_ && InChain(deepest))
      deepest->KeyDown(key, event.modifiers);
    // A key the menu left alone comes back as the characters it types.
    return key == 0 ? TTbrLoopVerdict::Handled : TTbrLoopVerdict::Dispatch;
  }
  case Kind::KeyUp:
    CancelHint();
    return TTbrLoopVerdict::Discarded;
  case Kind::Char:
    if (TrackedButtonDown(event))
      return TTbrLoopVerdict::Discarded;
    Typed(event.ch);
    return TTbrLoopVerdict::Handled;
  case Kind::Timer:
    // The view may have closed since its timer was started.
    if (!event.timerView || !InChain(event.timerView))
      return TTbrLoopVerdict::Discarded;
    event.timerView->TimerFired(event.timer);
    return TTbrLoopVerdict::Handled;
  case Kind::MouseMove:
    if (lastPoint_ != event.screenPos)
      MouseMoved(event.screenPos);
    return TTbrLoopVerdict::Handled;
  case Kind::MousePress:
  case Kind::MouseDoubleClick:
    if (event.button == Qt::LeftButton ||
        (event.button == Qt::RightButton && trackRight_ && event.kind == Kind::MousePress)) {
      Pressed(event);
      return TTbrLoopVerdict::Handled;
    }
    // Other buttons, and the right one when it does not drive the menu,
    // do nothing while a menu is open.
    return TTbrLoopVerdict::Discarded;
  case Kind::MouseRelease:
    if (event.button == Qt::LeftButton || (event.button == Qt::RightButton && trackRight_)) {
      Released(event);
      return TTbrLoopVerdict::Handled;
    }
    return TTbrLoopVerdict::Discarded;
  case Kind::Wheel: {
    const THit hit = UnderMouse(event.screenPos);
    if (hit.viewer)
      hit.viewer->MouseWheel(event.wheelDelta, hit.local.x(), hit.local.y());
    return TTbrLoopVerdict::Handled;
  }
  case Kind::Other:
    break;
  }
  return TTbrLoopVerdict::Dispatch;
}

void TTbrMenuLoop::MouseMoved(const QPoint &point) {
  lastPoint_ = point;
  UpdateSelections(point, true);
  if (ended_ || !root_)
    return;
  const THit hit = UnderMouse(point);
  ShowHintFor(hit);
  if (host_)
    host_->SetCursor(hit.viewer ? hit.viewer->GetCursor(hit.local.x(), hit.local.y()) : Qt::ArrowCursor);
  if (hit.viewer)
    hit.viewer->MouseMove(hit.local.x(), hit.local.y());
}

void TTbrMenuLoop::Pressed(const TTbrLoopEvent &event) {
  CancelHint();
  lastPoint_ = event.screenPos;
  root_->State &= ~tbvsJustOpenedAtPoint;
  UpdateSelections(event.screenPos, true);
  if (ended_ || !root_)
    return;
  mouseDownOnMenu_ = false;
  const THit hit = UnderMouse(event.screenPos);
  if (hit.viewer)
    hit.viewer->MouseDown(event.modifiers, event.kind == TTbrLoopEvent::Kind::MouseDoubleClick, hit.local.x(),
                          hit.local.y(), mouseDownOnMenu_);
}

void TTbrMenuLoop::Released(const TTbrLoopEvent &event) {
  lastPoint_ = event.screenPos;
  UpdateSelections(event.screenPos, false);
  if (ended_ || !root_)
    return;
  const bool wasDownOnMenu = mouseDownOnMenu_;
  mouseDownOnMenu_ = false;
  const THit hit = UnderMouse(event.screenPos);
  if (hit.viewer) {
    hit.viewer->MouseUp(hit.local.x(), hit.local.y(), wasDownOnMenu);
    return;
  }
  TTbrView *top = TopViewAt(event.screenPos);
  if (top && !(top == root_ && root_->IsToolbar))
    return;
  // The release of the press that popped a menu up at a point keeps it open.
  if (root_->State & tbvsJustOpenedAtPoint)
    root_->State &= ~tbvsJustOpenedAtPoint;
  else
    End();
}

void TTbrMenuLoop::Typed(char32_t ch) {
  TTbrView *deepest = Deepest();
  if (deepest->HandleChar(ch) || ended_ || !root_)
    return;
  // On a menu bar with nothing open, space and "-" open the window's own
  // menu, as they would with no menu bar in the way.
  QObject *window = host_ ? host_->ActiveWindow() : nullptr;
  if ((ch == U' ' || ch == U'-') && deepest == root_ && root_->IsToolbar && window) {
    TTbrDoneAction &done = root_->DoneAction;
    done = {};
    done.Kind = TTbrDoneActionKind::SystemMenuKey;
    done.Window = window;
    done.Key = int(ch);
    return;
  }
  if (host_)
    host_->Beep();
}

// ---------------------------------------------------------------------------
// Entering the loop

namespace {

// A done action kept while the menu closes: the item or window it names may
// go away meanwhile, and then it does nothing.
class TKeptDoneAction : private TTbrItemNotifyHandler {
public:
  explicit TKeptDoneAction(const TTbrDoneAction &action) : action_(action), window_(action.Window) {
    if (action_.ClickItem)
      action_.ClickItem->RegisterNotification(this);
  }
  ~TKeptDoneAction() override {
    if (action_.ClickItem)
      action_.ClickItem->UnregisterNotification(this);
  }
  TKeptDoneAction(const TKeptDoneAction &) = delete;
  TKeptDoneAction &operator=(const TKeptDoneAction &) = delete;

  TTbrDoneAction Action() const {
    TTbrDoneAction action = action_;
    action.Window = window_.data();
    if ((action.Kind == TTbrDoneActionKind::ClickItem && !action.ClickItem) ||
        (action.Kind == TTbrDoneActionKind::SystemMenuKey && !action.Window))
      action = {};
    return action;
  }

private:
  void ItemNotification(TTbrCustomItem *, bool, TTbrItemChangeKind, int, TTbrCustomItem *) override {}
  void ItemDestroying(TTbrCustomItem *item) override {
    if (item == action_.ClickItem)
      action_.ClickItem = nullptr;
  }

  TTbrDoneAction action_;
  QPointer<QObject> window_;
};

void RunLoop(TTbrMenuLoop &loop, const TTbrMenuLoopOptions &options, TTbrModalDriver &driver) {
  if (loop.Begin(options))
    driver.Run(loop);
}

} // namespace

void EnterToolbarLoop(TTbrView *view, int options, TTbrModalDriver &driver, TTbrMenuLoopHost *loopHost,
                      TTbrDoneActionHost *doneHost, const QPoint &pressPoint) {
  if (!view || view->InMenuMode())
    return;
  view->State &= tbvsAccelsShown;
  view->SetMenuMode(true);
  if (view->Selected())
    view->NotifyFocusEvent();

  TTbrMenuLoopOptions loopOptions;
  loopOptions.InitiallyPressed = options & tbetMouseDown;
  loopOptions.PressPoint = pressPoint;
  loopOptions.ExecuteSelected = options & tbetExecuteSelected;
  loopOptions.NoPriority = options & tbetFromMSAA;
  TTbrMenuLoop loop(view, loopHost);
  // Leaves menu mode on every way out; the done action is kept aside first.
  const auto leave = [&]() -> std::unique_ptr<TKeptDoneAction> {
    loop.Leave();
    if (!loop.Root()) { // the toolbar went away while its menu was open
      loop.EndSession();
      return nullptr;
    }
    auto kept = std::make_unique<TKeptDoneAction>(view->DoneAction);
    view->DoneAction = {};
    view->SetMenuMode(false);
    view->StopAllTimers();
    view->CloseChildPopups();
    loop.EndSession();
    std::optional<QPoint> local;
    if (loop.LastPoint() && view->Host() && view->Host()->ScreenWindowRect().contains(*loop.LastPoint()))
      local = *loop.LastPoint() - ClientOrigin(view);
    view->UpdateSelection(local, true);
    return kept;
  };
  std::unique_ptr<TKeptDoneAction> kept;
  try {
    RunLoop(loop, loopOptions, driver);
  } catch (...) {
    leave();
    throw;
  }
  kept = leave();
  if (!kept)
    return;
  view->ShowAccelerators(false);
  view->Select(nullptr, false);
  ExecuteDoneAction(kept->Action(), doneHost);
}

TTbrCustomItem *PopupAt(TTbrCustomItem *item, const QPoint &screenPoint, bool trackRightButton,
                        TTbrPopupAlignment alignment, bool selectFirstItem, TTbrPopupFactory &factory,
                        TTbrModalDriver &driver, TTbrMenuLoopHost *loopHost, TTbrDoneActionHost *doneHost) {
  if (!item)
    return nullptr;
  TTbrView *view = factory.OpenPopupAt(item, screenPoint, alignment, selectFirstItem);
  if (!view)
    return nullptr;
  view->SetMenuMode(true);
  view->State |= tbvsJustOpenedAtPoint;

  TTbrMenuLoopOptions loopOptions;
  loopOptions.TrackRightButton = trackRightButton;
  TTbrMenuLoop loop(view, loopHost);
  const auto close = [&]() -> std::unique_ptr<TKeptDoneAction> {
    loop.Leave();
    if (!loop.Root()) { // the popup went away on its own
      loop.EndSession();
      return nullptr;
    }
    auto kept = std::make_unique<TKeptDoneAction>(view->DoneAction);
    view->SetMenuMode(false);
    view->CloseChildPopups();
    loop.EndSession();
    factory.ClosePopup(view);
    return kept;
  };
  try {
    RunLoop(loop, loopOptions, driver);
  } catch (...) {
    close();
    throw;
  }
  std::unique_ptr<TKeptDoneAction> kept = close();
  if (!kept)
    return nullptr;
  const TTbrDoneAction action = kept->Action();
  kept.reset();
  ExecuteDoneAction(action, doneHost);
  return action.Kind == TTbrDoneActionKind::ClickItem ? action.ClickItem : nullptr;
}

} // namespace qel::toolbars
