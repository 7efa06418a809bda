#include "toolbars/qt/tbpopupwindow.h"

#include "toolbars/core/sound.h"
#include "toolbars/paint/plainview.h"
#include "toolbars/qt/popupanimator.h"
#include "toolbars/qt/qtplatformmetrics.h"
#include "toolbars/qt/thmwindows.h"
#include "toolbars/qt/tbaccessible.h"

#include <QApplication>
#include <QCloseEvent>
#include <QPainter>

namespace qel::toolbars {

namespace {

TPlainViewColors ColorsOf(const QWidget &widget, const QColor &face) {
  const QPalette &pal = widget.palette();
  TPlainViewColors colors;
  colors.Face = face.isValid() ? face : pal.color(QPalette::Window);
  colors.Text = pal.color(QPalette::WindowText);
  colors.Highlight = pal.color(QPalette::Highlight);
  colors.HighlightText = pal.color(QPalette::HighlightedText);
  colors.Disabled = pal.color(QPalette::Disabled, QPalette::WindowText);
  colors.Shadow = pal.color(QPalette::Dark);
  colors.Light = pal.color(QPalette::Light);
  colors.DarkShadow = pal.color(QPalette::Shadow);
  colors.Window = pal.color(QPalette::Base);
  return colors;
}

// Whether a popup has been shown in this process yet (the first one is
// made visible before its sound starts).
bool FirstPopupShown = false;

} // namespace

bool MenuAnimationOn() {
  return qobject_cast<QApplication *>(QCoreApplication::instance()) &&
         QApplication::isEffectEnabled(Qt::UI_AnimateMenu);
}

bool MenuFadeOn() {
  return qobject_cast<QApplication *>(QCoreApplication::instance()) && QApplication::isEffectEnabled(Qt::UI_FadeMenu);
}

// ---------------------------------------------------------------------------

TTbrPopupView::TTbrPopupView(TTbrPopupWindow *window, TTbrView *parentView, TTbrCustomItem *parentItem,
                             bool customizing)
    : TTbrView(window, parentView, parentItem, false, customizing), PopupWindow(window) {}

void TTbrPopupView::AutoSize(int width, int height) {
  const QPoint border = PopupWindow->Border();
  PopupWindow->resize(width + 2 * border.x(), height + 2 * border.y());
}

// ---------------------------------------------------------------------------

TTbrPopupWindow::TTbrPopupWindow(TTbrView *parentView, TTbrCustomItem *item, bool customizing)
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                           Qt::X11BypassWindowManagerHint | Qt::WindowDoesNotAcceptFocus),
      TTbrWidgetViewHost(this) {
  setAttribute(Qt::WA_ShowWithoutActivating);
  setAttribute(Qt::WA_X11NetWmWindowTypePopupMenu);
  setFocusPolicy(Qt::NoFocus);
  setMouseTracking(true); // the menu loop follows the pointer without a button down
  resize(DefaultSize);
  PopupView = std::make_unique<TTbrPopupView>(this, parentView, item, customizing);
  SetHostedView(PopupView.get());
}

TTbrPopupWindow::~TTbrPopupWindow() {
  TPopupAnimator::Instance().Finish(this);
  // The chain below this popup goes first, then the view's timers stop.
  if (PopupView) {
    PopupView->CloseChildPopups();
    StopAllTimers();
    if (Announced)
      SendAccessibleEvent(this, QAccessible::PopupMenuEnd);
    SetHostedView(nullptr);
    PopupView.reset();
  }
  StopAllTimers();
}

QRect TTbrPopupWindow::ClientRect() const {
  const QPoint border = Border();
  return rect().adjusted(border.x(), border.y(), -border.x(), -border.y());
}

void TTbrPopupWindow::Invalidate(const QRect &rect) {
  // A popup that changes while it unrolls is shown whole at once.
  if (isVisible())
    TPopupAnimator::Instance().Finish(this);
  TTbrWidgetViewHost::Invalidate(rect);
}

void TTbrPopupWindow::ShowPopup() {
  if (isVisible())
    return;
  TTbrView *parent = PopupView ? PopupView->ParentView() : nullptr;
  const bool firstOfSession = !parent || !(parent->State & tbvsChildPopupClosed);
  if (PopupView && !PopupView->Selected() && firstOfSession && MenuAnimationOn()) {
    const bool fade = MenuFadeOn();
    if (fade || AnimDir != 0) {
      TPopupAnimator::Instance().Start(this, 150, fade, AnimDir);
      AnnounceShown();
      return;
    }
  }
  show();
  AnnounceShown();
}

void TTbrPopupWindow::AnnounceShown() {
  if (Announced)
    return;
  Announced = true;
  SendAccessibleEvent(this, QAccessible::PopupMenuStart);
}

void TTbrPopupWindow::HidePopup() {
  TPopupAnimator::Instance().Finish(this);
  hide();
}

void TTbrPopupWindow::paintEvent(QPaintEvent *event) {
  QPainter painter(this);
  TPainterCanvas canvas(painter);
  const TPlainViewColors colors = ColorsOf(*this, Face);
  canvas.SetFont(font());
  canvas.FillRect(rect(), colors.Face);
  PaintPopupFrame(canvas, rect(), BorderSize, PlatformMetrics().FlatMenusOn(), colors);
  const QRect client = ClientRect();
  canvas.Save();
  canvas.SetClipRect(client);
  painter.translate(client.topLeft());
  if (PopupView)
    PaintViewPlain(canvas, *PopupView, colors, event->rect().translated(-client.topLeft()));
  PaintScrollArrows(canvas);
  canvas.Restore();
}

void TTbrPopupWindow::PaintScrollArrows(TCanvas &canvas) {
  if (!PopupView)
    return;
  qel::toolbars::PaintScrollArrows(canvas, QRect(QPoint(0, 0), ClientRect().size()), PopupView->ShowUpArrow,
                                   PopupView->ShowDownArrow, ColorsOf(*this, Face));
}

void TTbrPopupWindow::closeEvent(QCloseEvent *event) {
  // A popup goes when its menu closes it, not when asked to from outside.
  event->ignore();
}

// ---------------------------------------------------------------------------

TTbrPopupWindow *MakePopupWindow(TTbrCustomItem *item, TTbrView *parentView, TTbrCustomItem *shown, bool customizing) {
  switch (item->PopupWindowClass()) {
  case pwcThemed:
    return new TThmPopupWindow(parentView, shown, customizing, false);
  case pwcThemedChevron:
    return new TThmChevronPopupWindow(parentView, shown, customizing);
  default:
    return new TTbrPopupWindow(parentView, shown, customizing);
  }
}

// ---------------------------------------------------------------------------

TTbrPopupWindow *OpenPopupWindow(TTbrCustomItem *item, TTbrView *parentView, TTbrItemViewer *parentViewer,
                                 bool positionAsSubmenu, bool selectFirstItem, bool customizing,
                                 const QPoint &popupPoint, TTbrPopupAlignment alignment) {
  if (!item)
    return nullptr;
  if (TTbrCustomItem *container = TTbrCustomItem::ItemContainingItems(item); container != item)
    container->FirePopup(item, true);
  item->FirePopup(item, false);

  TTbrView *chevronView = item->ChevronParentView();
  TTbrCustomItem *shown = chevronView && chevronView->ParentItem() ? chevronView->ParentItem() : item;
  const bool atPoint = parentView == nullptr || parentViewer == nullptr;

  selectFirstItem = item->SelectFirstPopupItem(selectFirstItem);
  std::unique_ptr<TTbrPopupWindow> window(MakePopupWindow(item, atPoint ? nullptr : parentView, shown, customizing));
  TTbrPopupView *view = window->View();
  view->SetMenuMode(true);
  QFont font = QApplication::font("QMenu");
  if (!atPoint)
    if (auto *host = dynamic_cast<TTbrWidgetViewHost *>(parentView->Host()))
      font = host->Widget()->font();
  window->setFont(font);
  window->FontChanged();
  if (!atPoint) {
    view->Style |= parentView->Style & tbvsHideAccelsUntilKeyboard;
    view->State |= parentView->State & tbvsAccelsShown;
  } else {
    view->Style |= tbvsHideAccelsUntilKeyboard; // until the keyboard is used
  }
  if (chevronView) {
    view->ChevronParentView = chevronView;
    view->Style |= chevronView->Style & tbvsShowHints;
    window->SetFaceColor(window->palette().color(QPalette::Button));
  }
  view->InvalidatePositions(); // measured again in the font just set

  // The parent item's place and the monitor the popup belongs on.
  QRect parentRect;
  if (!atPoint) {
    parentView->ValidatePositions();
    parentRect = parentViewer->BoundsRect.translated(parentView->Host()->ScreenClientRect().topLeft());
  } else {
    parentRect = QRect(popupPoint, QSize(0, 0));
  }
  const QRect monitor = PopupMonitorRect(PlatformMetrics(), atPoint ? QRect() : parentView->MonitorRect, parentRect,
                                         atPoint);
  view->MonitorRect = monitor;
  const QPoint border = window->Border();
  const TTbrPopupLimits limits = PopupSizeLimits(monitor, std::max(border.x(), border.y()), chevronView != nullptr);
  view->WrapOffset = limits.WrapOffset;
  view->MaxHeight = limits.MaxHeight;

  view->ValidatePositions();
  if (selectFirstItem)
    view->Select(view->FirstSelectable(), false);
  view->ValidatePositions();
  const int w = window->width(), h = window->height();

  TTbrFirstPositionInput first;
  first.AtPoint = atPoint;
  first.PopupPoint = popupPoint;
  first.Alignment = alignment;
  first.PositionAsSubmenu = positionAsSubmenu;
  first.Chevron = chevronView != nullptr;
  first.ChevronParentVertical = chevronView && chevronView->Orientation == tbvoVertical;
  first.ParentVertical = !atPoint && parentView->Orientation == tbvoVertical;
  first.DropAlignRight = QGuiApplication::isRightToLeft();
  first.ParentItemRect = parentRect;
  first.NCSizeX = border.x();
  first.NCSizeY = border.y();
  first.W = w;
  first.H = h;
  const QPoint at = FirstPopupPosition(first);

  TTbrPopupPlacement data;
  data.PositionAsSubmenu = positionAsSubmenu;
  data.Alignment = alignment;
  data.Opposite = !atPoint && (parentView->State & tbvsOpenLeft);
  data.MonitorRect = monitor;
  data.ParentItemRect = parentRect;
  data.NCSizeX = border.x();
  data.NCSizeY = border.y();
  data.X = at.x();
  data.Y = at.y();
  data.W = w;
  data.H = h;
  TTbrPopupParentView parent;
  if (!atPoint) {
    parent.Exists = true;
    parent.Vertical = parentView->Orientation == tbvoVertical;
    const QPoint origin = parentView->Host()->ScreenClientRect().topLeft();
    for (int i = 0; i < parentView->ViewerCount(); ++i)
      if (const TTbrItemViewer *v = parentView->Viewers(i); v->Show)
        parent.ShownViewerRects.append(v->BoundsRect.translated(origin));
  }
  if (item->PlacePopup(data, parent))
    view->State |= tbvsOpenLeft;
  window->SetAnimationDirection(data.AnimDir);
  window->setGeometry(data.X, data.Y, data.W, data.H);

  if (atPoint)
    view->ShowAccelerators(false); // a root popup shows them when the desktop always does
  view->State |= tbvsShowing;
  if (!data.PlayPopupSound || !SoundSchemeHasSound(SoundMenuPopup)) {
    window->ShowPopup();
  } else if (!FirstPopupShown) {
    window->ShowPopup();
    window->repaint();
    PlaySchemeSound(SoundMenuPopup);
  } else {
    PlaySchemeSound(SoundMenuPopup);
    window->ShowPopup();
  }
  FirstPopupShown = true;
  if (view->Selected())
    view->NotifyFocusEvent();
  return window.release();
}

// ---------------------------------------------------------------------------

TTbrView *TTbrQtPopupFactory::OpenPopupAt(TTbrCustomItem *item, const QPoint &screenPoint,
                                          TTbrPopupAlignment alignment, bool selectFirstItem) {
  TTbrPopupWindow *window = OpenPopupWindow(item, nullptr, nullptr, false, selectFirstItem, false, screenPoint,
                                            alignment);
  if (!window)
    return nullptr;
  window->View()->State |= tbvsJustOpenedAtPoint;
  return window->View();
}

void TTbrQtPopupFactory::ClosePopup(TTbrView *popupView) {
  if (auto *view = dynamic_cast<TTbrPopupView *>(popupView))
    delete view->Window();
}

} // namespace qel::toolbars
