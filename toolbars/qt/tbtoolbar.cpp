#include "toolbars/qt/tbtoolbar.h"

#include "toolbars/core/tbedititem.h"

#include "toolbars/core/tbdeferred.h"
#include "toolbars/paint/dockframe.h"
#include "toolbars/paint/plainview.h"
#include "toolbars/qt/tbdock.h"
#include "toolbars/qt/tbeditsession.h"
#include "toolbars/qt/tbfloatingwindow.h"
#include "toolbars/qt/windowwatch.h"

#include <QApplication>
#include <QChildEvent>
#include <QPointer>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

namespace qel::toolbars {

// ---------------------------------------------------------------------------
// Chevron and view

TTbrChevronItem::TTbrChevronItem(TTbrCustomToolbar *toolbar) : Toolbar(toolbar) {
  SetItemStyle(ItemStyle() | tbis::Submenu | tbis::NoAutoOpen);
  SetHint(SChevronHint);
  SetCaption(CaptionFromHint(SChevronHint));
}

TTbrView *TTbrChevronItem::ChevronParentView() const { return Toolbar->View(); }

QString TTbrChevronItem::CaptionFromHint(const QString &hint) {
  QString shortHint = hint.section('|', 0, 0);
  return shortHint.replace("&", "&&");
}

TTbrToolbarView::TTbrToolbarView(TTbrCustomToolbar *toolbar, TTbrViewHost *host, TTbrCustomItem *root)
    : TTbrView(host, nullptr, root, true, false, true), Toolbar(toolbar) {}

TTbrCustomItem *TTbrToolbarView::GetChevronItem() const { return Toolbar->ChevronItem(); }

void TTbrToolbarView::AutoSize(int width, int height) { Toolbar->AutoSize(QSize(width, height)); }

void TTbrToolbarView::InvalidatePositions() {
  Toolbar->ShrunkLength = 0;
  TTbrView::InvalidatePositions();
}

// ---------------------------------------------------------------------------

TTbrCustomToolbar::TTbrCustomToolbar(QWidget *parent) : TTbrCustomToolbar(parent, TToolbarClasses{}) {}

TTbrCustomToolbar::TTbrCustomToolbar(QWidget *parent, const TToolbarClasses &classes)
    : TTbrCustomDockableWindow(parent), TTbrWidgetViewHost(this), Root(std::make_unique<TTbrRootItem>()) {
  Root->SetRootOwner(this);
  Chevron.reset(classes.Chevron ? classes.Chevron(this) : new TTbrChevronItem(this));
  Chevron->SetLinkSubitems(Root.get());
  BarView.reset(classes.View ? classes.View(this, Root.get()) : new TTbrToolbarView(this, this, Root.get()));
  BarView->RecreateAllViewers();
  SetHostedView(BarView.get());
  setFocusPolicy(Qt::NoFocus);
  // A toolbar's frame sizes from its bands only and lets the cursor go.
  SizeFromCorners = false;
  ClipCursorWhileSizing = false;
  resize(23, 22);
  BarView->ValidatePositions();
}

TTbrCustomToolbar::~TTbrCustomToolbar() {
  if (FKeyWatch)
    RemoveWatchCallback(this);
  BarView->CloseChildPopups();
  StopAllTimers();
  SetHostedView(nullptr);
  BarView.reset();
  Chevron.reset();
}

// ---------------------------------------------------------------------------
// Properties

void TTbrCustomToolbar::SetShrinkMode(TTbrShrinkMode mode) {
  if (mode == FShrinkMode)
    return;
  FShrinkMode = mode;
  if (CurrentDock())
    CurrentDock()->ArrangeDockedWindows();
  else
    ArrangeSelf();
}

void TTbrCustomToolbar::SetChevronHint(const QString &hint) {
  FChevronHint = hint;
  Chevron->SetHint(hint);
  Chevron->SetCaption(TTbrChevronItem::CaptionFromHint(hint));
}

void TTbrCustomToolbar::SetMenuBar(bool value) {
  if (value == FMenuBar)
    return;
  FMenuBar = value;
  if (value)
    BarView->Style |= tbvsMenuBar | tbvsHideAccelsUntilKeyboard;
  else
    BarView->Style &= ~(tbvsMenuBar | tbvsHideAccelsUntilKeyboard);
  SetFullSize(value);
  SetShrinkMode(value ? tbsmWrap : tbsmChevron);
  SetCloseButton(!value);
  SetProcessShortCuts(value);
  BarView->ShowAccelerators(false);
  UpdateKeyWatch();
}

void TTbrCustomToolbar::SetProcessShortCuts(bool value) {
  FProcessShortCuts = value;
  UpdateKeyWatch();
}

void TTbrCustomToolbar::SetSystemFont(bool value) {
  if (value == FSystemFont)
    return;
  FSystemFont = value;
  FontChanged();
  BarView->InvalidatePositions();
  ArrangeSelf();
}

void TTbrCustomToolbar::InitiateAction() {
  if (!FUpdateActions)
    return;
  std::function<void(TTbrCustomItem *)> walk = [&](TTbrCustomItem *item) {
    item->InitiateAction();
    item->GetChildren(walk);
  };
  Root->GetChildren(walk);
}

// ---------------------------------------------------------------------------
// Sizes

void TTbrCustomToolbar::UpdateViewLimits(TTbrDockOrientation orientation, TTbrDock *dock, bool floating, int &wrap,
                                         int &chevron) const {
  wrap = chevron = 0;
  const QSize frame = dock ? DockedFrameSize(true, dock->IsVertical(), dock->AllowDrag(), GripSize()) : QSize();
  const int frameAlong = dock ? (dock->IsVertical() ? frame.height() : frame.width()) : 0;
  if (dock) {
    if (FShrinkMode == tbsmChevron && dock == CurrentDock())
      chevron = std::max(0, ShrunkLength - frameAlong);
    if (FShrinkMode == tbsmWrap)
      wrap = std::max(0, dock->ClientLength() - frameAlong);
  } else if (floating) {
    wrap = FFloatWidth;
  } else if (!AutoResize()) {
    // A toolbar of fixed width on a form: its width is the limit.
    if (FShrinkMode == tbsmChevron)
      chevron = width();
    else if (FShrinkMode == tbsmWrap)
      wrap = width();
  }
  (void)orientation;
}

static int ViewOrientation(TTbrDockOrientation orientation) {
  switch (orientation) {
  case doVertical:
    return tbvoVertical;
  case doFloating:
    return tbvoFloating;
  default:
    return tbvoHorizontal;
  }
}

QSize TTbrCustomToolbar::LayoutContents(bool move, TTbrDockOrientation orientation, TTbrDock *dock, bool floating) {
  int wrap = 0, chevron = 0;
  UpdateViewLimits(orientation, dock, floating, wrap, chevron);
  QSize base, total;
  int lines = 1;
  if (!move) {
    BarView->CalculatePositions(false, ViewOrientation(orientation), wrap, chevron, ChevronSize, base, total, lines);
    return total;
  }
  BarView->Orientation = ViewOrientation(orientation);
  BarView->WrapOffset = wrap;
  BarView->ChevronOffset = chevron;
  BarView->ChevronSize = ChevronSize;
  ++FLayoutLock;
  BarView->UpdatePositions(total);
  --FLayoutLock;
  update();
  return total;
}

void TTbrCustomToolbar::SetFloatWidth(int width) {
  width = std::max(0, width);
  if (width == FFloatWidth)
    return;
  FFloatWidth = width;
  if (Floating())
    ArrangeSelf();
}

QList<QSize> TTbrCustomToolbar::ListFloatingSizes() {
  const int saved = FFloatWidth;
  auto measure = [&](int width) {
    FFloatWidth = width;
    TTbrMeasured m;
    QSize base;
    BarView->CalculatePositions(false, tbvoFloating, width, 0, ChevronSize, base, m.Size, m.Lines);
    return m;
  };
  const TTbrMargins margins = BarView->ViewMargins(tbvoFloating);
  QList<QSize> sizes;
  try {
    sizes = qel::toolbars::ListFloatingSizes(measure, margins.Left + margins.Right);
  } catch (...) {
    FFloatWidth = saved;
    throw;
  }
  FFloatWidth = saved;
  return sizes;
}

void TTbrCustomToolbar::SizingStarted(int type) {
  FSizing.reset();
  TTbrFloatingWindowParent *tool = ToolWindowParent();
  if (!tool || !Floating())
    return;
  const TTbrFloatingFrame frame = FloatingFrame();
  QList<QSize> outer;
  for (const QSize &size : ListFloatingSizes())
    outer.append(frame.OuterSize(size));
  FSizing = std::make_unique<TTbrSizingSnap>();
  FSizing->Start(type, tool->geometry(), frame.Frame.x(), FFloatWidth, outer);
}

QRect TTbrCustomToolbar::SnapSizingRect(const QRect &proposed) {
  return FSizing ? FSizing->Snap(proposed) : proposed;
}

void TTbrCustomToolbar::SizingAccepted() {
  if (FSizing)
    SetFloatWidth(FSizing->ProposedFloatWidth());
}

void TTbrCustomToolbar::SizingEnded() { FSizing.reset(); }

void TTbrCustomToolbar::SaveExtraPosition(const TTbrPositionCallbacks &callbacks) {
  callbacks.WriteInteger(objectName(), QStringLiteral("FloatRightX"), FFloatWidth);
}

void TTbrCustomToolbar::LoadExtraPosition(const TTbrPositionCallbacks &callbacks) {
  SetFloatWidth(callbacks.ReadInteger(objectName(), QStringLiteral("FloatRightX"), 0));
}

QSize TTbrCustomToolbar::BaseContentSize() {
  BarView->ValidatePositions();
  return BarView->BaseSize;
}

int TTbrCustomToolbar::GetMinimumLength() {
  const bool vertical = CurrentDock() && CurrentDock()->IsVertical();
  const QSize frame = GetDockedFrameSize();
  int first = 0;
  for (TTbrItemViewer *viewer : BarView->PriorityList()) {
    if (!viewer->Item->Visible())
      continue;
    int w = 0, h = 0;
    viewer->MeasureSize(Measure(), false, w, h);
    if (auto *control = dynamic_cast<TTbrControlItem *>(viewer->Item)) {
      const QSize size = ControlSize(control->Control());
      w = size.width(), h = size.height();
    }
    first = vertical ? h : w;
    break;
  }
  const int frameAlong = vertical ? frame.height() : frame.width();
  // The layout keeps more than the first item when it keeps two: the
  // minimum covers what it keeps, so the chevron always stays inside the
  // window where it can be clicked.
  QSize base, kept;
  int lines = 1;
  BarView->CalculatePositions(false, vertical ? tbvoVertical : tbvoHorizontal, 0, 1, ChevronSize, base, kept, lines);
  const int keptAlong = vertical ? kept.height() : kept.width(); // the chevron included
  return std::max(first + ChevronSize, keptAlong) + frameAlong;
}

bool TTbrCustomToolbar::IsDragBlockedAt(const QPoint &point) const {
  if (TTbrCustomDockableWindow::IsDragBlockedAt(point))
    return true;
  TTbrItemViewer *viewer = BarView->ViewerFromPoint(point - ClientRect().topLeft());
  return viewer && !viewer->Item->HasStyle(tbis::ClicksTransparent);
}

void TTbrCustomToolbar::AutoSize(const QSize &) {
  // The view's size changed by itself (an item added, a caption changed):
  // the window and its dock follow. During our own layout the caller does.
  if (FLayoutLock == 0)
    ArrangeSelf();
}

// Controls sit on the toolbar's client area, shown and sized by their items.
bool TTbrCustomToolbar::ControlShown(QObject *control) const {
  auto *widget = qobject_cast<QWidget *>(control);
  return widget && widget->parentWidget() == this && !widget->isHidden();
}

QSize TTbrCustomToolbar::ControlSize(QObject *control) const {
  auto *widget = qobject_cast<QWidget *>(control);
  if (!widget)
    return QSize();
  const QSize hint = widget->sizeHint();
  return hint.isValid() ? hint.expandedTo(widget->minimumSize()) : widget->size();
}

void TTbrCustomToolbar::SetControlBounds(QObject *control, const QRect &bounds) {
  if (auto *widget = qobject_cast<QWidget *>(control); widget && widget->parentWidget() == this)
    widget->setGeometry(bounds.translated(ClientRect().topLeft()));
}

// ---------------------------------------------------------------------------
// Painting and the mouse

void TTbrCustomToolbar::paintEvent(QPaintEvent *event) {
  QPainter painter(this);
  if (CurrentDock())
    PaintDockedFrame(painter);
  const QRect client = ClientRect();
  painter.setClipRect(client);
  painter.translate(client.topLeft());
  TPainterCanvas canvas(painter);
  canvas.SetFont(font());
  TPlainViewColors colors;
  colors.Face = Color();
  colors.Text = palette().color(QPalette::ButtonText);
  colors.Highlight = palette().color(QPalette::Highlight);
  colors.HighlightText = palette().color(QPalette::HighlightedText);
  colors.Disabled = palette().color(QPalette::Disabled, QPalette::ButtonText);
  colors.Shadow = palette().color(QPalette::Dark);
  colors.Light = palette().color(QPalette::Light);
  canvas.FillRect(QRect(QPoint(0, 0), client.size()), colors.Face);
  BarView->ValidatePositions();
  PaintViewPlain(canvas, *BarView, colors, event->rect().translated(-client.topLeft()));
  // The chevron button over whatever the plain look drew there.
  const int count = BarView->ViewerCount();
  if (count > 0) {
    TTbrItemViewer *chevron = BarView->Viewers(count - 1);
    if (chevron->Item == Chevron.get() && chevron->Show) {
      TDockFrameColors frameColors;
      frameColors.Face = colors.Face;
      frameColors.Text = colors.Text;
      const bool selected = BarView->Selected() == chevron;
      PaintChevronButton(canvas, chevron->BoundsRect, BarView->Orientation == tbvoVertical,
                         selected && !BarView->OpenViewer(), selected && BarView->OpenViewer() == chevron,
                         Chevron->Enabled(), frameColors);
    }
  }
}

void TTbrCustomToolbar::mousePressEvent(QMouseEvent *event) {
  const QPoint at = event->position().toPoint();
  if (event->button() != Qt::LeftButton || BarView->InMenuMode() || HitTest(at) != HitClient)
    return TTbrCustomDockableWindow::mousePressEvent(event);
  BarView->ValidatePositions();
  TTbrItemViewer *viewer = BarView->ViewerFromPoint(at - ClientRect().topLeft());
  if (!viewer || !viewer->Item->HasStyle(tbis::Selectable) || viewer->Item->HasStyle(tbis::ClicksTransparent))
    return TTbrCustomDockableWindow::mousePressEvent(event);
  BarView->Select(viewer, true);
  RunLoop(tbetMouseDown, event->globalPosition().toPoint());
}

void TTbrCustomToolbar::RunLoop(int options, const QPoint &pressPoint) {
  RunGuarded([&] { EnterToolbarLoop(BarView.get(), options, Driver, LoopHost, DoneHost, pressPoint); });
  BarView->ShowAccelerators(false);
}

void TTbrCustomToolbar::EnterLoopForClient(int options) {
  if (!QWidget::mouseGrabber() && !TTbrQtModalDriver::Running())
    RunLoop(options, QPoint());
}

void TTbrCustomToolbar::mouseMoveEvent(QMouseEvent *event) {
  if (!BarView->InMenuMode()) {
    const QPoint at = event->position().toPoint();
    if (HitTest(at) == HitClient) {
      BarView->UpdateSelection(at - ClientRect().topLeft(), true);
      TTbrItemViewer *hot = BarView->Selected();
      SetHotHint(hot && !(hot->Item->EffectiveOptions() & tboLongHintInMenuOnly) ? hot->Hint() : QString(),
                 hot ? hot->Item : nullptr);
    } else {
      BarView->UpdateSelection(std::nullopt, true);
      SetHotHint(QString(), nullptr);
    }
  }
  TTbrCustomDockableWindow::mouseMoveEvent(event);
  // The item under the pointer may ask for its own (the text cursor over
  // the field of an edit box).
  if (!BarView->InMenuMode() && HitTest(event->position().toPoint()) == HitClient) {
    const QPoint at = event->position().toPoint() - ClientRect().topLeft();
    if (TTbrItemViewer *viewer = BarView->ViewerFromPoint(at)) {
      const Qt::CursorShape shape = viewer->GetCursor(at.x() - viewer->BoundsRect.left(), at.y() - viewer->BoundsRect.top());
      if (shape != Qt::ArrowCursor)
        setCursor(shape);
    }
  }
}

void TTbrCustomToolbar::SetHotHint(const QString &hint, const TTbrCustomItem *item) {
  // The status line shows the long hint of the item under the mouse, as a
  // menu shows the one of its selected entry.
  QString longHint;
  if (item && !hint.isEmpty()) {
    const QString &full = item->Hint();
    const qsizetype bar = full.indexOf(u'|');
    longHint = bar < 0 ? full : full.mid(bar + 1);
    if (longHint.isEmpty())
      longHint = hint;
  }
  FHint = hint;
  if (longHint != FApplicationHint) {
    FApplicationHint = longHint;
    LoopHost->SetApplicationHint(longHint);
  }
}

void TTbrCustomToolbar::leaveEvent(QEvent *event) {
  if (!BarView->InMenuMode()) {
    BarView->UpdateSelection(std::nullopt, true);
    SetHotHint(QString(), nullptr);
  }
  TTbrCustomDockableWindow::leaveEvent(event);
}

void TTbrCustomToolbar::changeEvent(QEvent *event) {
  if (event->type() == QEvent::FontChange) {
    FontChanged();
    BarView->InvalidatePositions();
    ArrangeSelf();
  }
  TTbrCustomDockableWindow::changeEvent(event);
}

void TTbrCustomToolbar::showEvent(QShowEvent *event) {
  TTbrCustomDockableWindow::showEvent(event);
  // Underlines show from the start when the desktop always shows them.
  BarView->ShowAccelerators(false);
}

void TTbrCustomToolbar::childEvent(QChildEvent *event) {
  TTbrCustomDockableWindow::childEvent(event);
  QObject *child = event->child();
  if (event->type() == QEvent::ChildAdded && child->isWidgetType()) {
    QPointer<QWidget> control = static_cast<QWidget *>(child);
    QMetaObject::invokeMethod(
        this, [this, control] { if (control) AdoptControl(control); }, Qt::QueuedConnection);
  } else if (event->type() == QEvent::ChildRemoved && Root) {
    DropControlItems(child);
  }
}

bool TTbrCustomToolbar::event(QEvent *event) {
  // A hosted control was shown, hidden or resized: the items are laid out anew.
  if (event->type() == QEvent::LayoutRequest && Root) {
    BarView->InvalidatePositions();
    ArrangeSelf();
  }
  return TTbrCustomDockableWindow::event(event);
}

namespace {

bool Represents(TTbrCustomItem *item, QObject *control) {
  if (auto *c = dynamic_cast<TTbrControlItem *>(item); c && c->Control() == control)
    return true;
  for (int i = 0; i < item->Count(); ++i)
    if (Represents(item->Items(i), control))
      return true;
  return false;
}

} // namespace

void TTbrCustomToolbar::AdoptControl(QWidget *control) {
  if (control->parentWidget() != this || control->isWindow() || IsInPlaceEditor(control) ||
      Represents(Root.get(), control))
    return;
  Root->Add(new TTbrControlItem(control));
}

void TTbrCustomToolbar::DropControlItems(QObject *control) {
  for (int i = Root->Count() - 1; i >= 0; --i)
    if (auto *item = dynamic_cast<TTbrControlItem *>(Root->Items(i)); item && item->Control() == control) {
      item->SetKeepControl(true);
      delete item;
    }
}

// ---------------------------------------------------------------------------
// Keys

void TTbrCustomToolbar::UpdateKeyWatch() {
  const bool wanted = FMenuBar || FProcessShortCuts;
  if (wanted == FKeyWatch)
    return;
  FKeyWatch = wanted;
  if (wanted)
    InstallWatchCallback(
        this, [this](TWatchCode, QObject *watched, QEvent *event) { KeyWatched(watched, event); },
        WatchBit(TWatchCode::GetMessage));
  else
    RemoveWatchCallback(this);
}

bool TTbrCustomToolbar::OwnsKeysOf(QObject *watched) const {
  // Keys typed anywhere in the toolbar's form, while it is shown and enabled.
  if (!watched->isWidgetType() || !isVisible() || !isEnabled() || BarView->InMenuMode() ||
      TTbrQtModalDriver::Running())
    return false;
  QWidget *form = static_cast<QWidget *>(watched)->window();
  if (!form->isEnabled())
    return false;
  if (form == window())
    return true;
  // A floating menu bar hears the menu keys of the form whose dock it
  // belongs to: the dock passes them on.
  if (!FMenuBar || !Floating())
    return false;
  for (TTbrDock *dock : TTbrDock::AllDocks())
    if (dock->window() == form && dock->MemberWindows().contains(const_cast<TTbrCustomToolbar *>(this)))
      return true;
  return false;
}

bool TTbrCustomToolbar::OpenByKey(char32_t ch) {
  BarView->ValidatePositions();
  BarView->ShowAccelerators(true);
  if (ch == 0) {
    TTbrItemViewer *first = BarView->FirstSelectable();
    if (!first)
      return false;
    BarView->Select(first, false);
    RunLoop(0, QPoint());
    return true;
  }
  bool unique = false;
  TTbrItemViewer *viewer = BarView->NextViewerWithAccel(nullptr, ch, false, unique);
  if (!viewer || !viewer->Item->Enabled()) {
    BarView->ShowAccelerators(false);
    return false;
  }
  if (unique) {
    BarView->Select(viewer, false);
    RunLoop(tbetExecuteSelected, QPoint());
    return true;
  }
  if (!FMenuBar)
    return false;
  BarView->Select(viewer, false);
  RunLoop(0, QPoint());
  return true;
}

bool TTbrCustomToolbar::DispatchShortCut(TShortCut shortCut) {
  bool handled = false;
  RunGuarded([&] {
    handled = (OnShortCut && OnShortCut(shortCut)) || Root->DispatchShortCut(shortCut);
  });
  return handled;
}

void TTbrCustomToolbar::KeyWatched(QObject *watched, QEvent *event) {
  const QEvent::Type type = event->type();
  if ((type != QEvent::KeyPress && type != QEvent::KeyRelease) || WatchedEventSuppressed())
    return;
  if (!OwnsKeysOf(watched))
    return;
  auto *key = static_cast<QKeyEvent *>(event);
  const Qt::KeyboardModifiers mods = key->modifiers() & ~Qt::KeypadModifier;
  if (type == QEvent::KeyRelease) {
    if (FMenuBar && key->key() == Qt::Key_Alt && FAltAlone && !key->isAutoRepeat()) {
      FAltAlone = false;
      OpenByKey(0);
      event->setAccepted(true);
      SuppressWatchedEvent();
    }
    return;
  }
  if (key->key() == Qt::Key_Alt) {
    if (FMenuBar && !key->isAutoRepeat()) {
      FAltAlone = mods == Qt::AltModifier;
      BarView->ShowAccelerators(true);
    }
    return;
  }
  FAltAlone = false;
  if (FMenuBar && key->key() == Qt::Key_F10 && mods == Qt::NoModifier) {
    OpenByKey(0);
    SuppressWatchedEvent();
    return;
  }
  if (FMenuBar && mods == Qt::AltModifier) {
    char32_t ch = 0;
    if (key->key() >= Qt::Key_A && key->key() <= Qt::Key_Z)
      ch = char32_t('a' + (key->key() - Qt::Key_A));
    else if (key->key() >= Qt::Key_0 && key->key() <= Qt::Key_9)
      ch = char32_t('0' + (key->key() - Qt::Key_0));
    else if (!key->text().isEmpty())
      ch = key->text().toUcs4().value(0);
    // Alt+Space and Alt+"-" belong to the desktop (the window menu).
    if (ch == 0 || ch == U' ' || ch == U'-')
      return;
    if (OpenByKey(ch)) {
      SuppressWatchedEvent();
      return;
    }
    if (FProcessShortCuts && DispatchShortCut(MakeShortCut(key->key(), mods))) {
      SuppressWatchedEvent();
      return;
    }
    LoopHost->Beep();
    SuppressWatchedEvent();
    return;
  }
  if (FProcessShortCuts && key->key() != Qt::Key_unknown && key->key() != Qt::Key_Shift &&
      key->key() != Qt::Key_Control && key->key() != Qt::Key_Meta && DispatchShortCut(MakeShortCut(key->key(), mods)))
    SuppressWatchedEvent();
}

} // namespace qel::toolbars
