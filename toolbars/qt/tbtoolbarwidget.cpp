#include "toolbars/qt/tbtoolbarwidget.h"

#include "toolbars/paint/plainview.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include <exception>

namespace qel::toolbars {

TTbrToolbarWidget::TTbrToolbarWidget(QWidget *parent, bool menuBar)
    : QWidget(parent), TTbrWidgetViewHost(this), Root(std::make_unique<TTbrRootItem>()) {
  Root->SetRootOwner(this);
  BarView = std::make_unique<TTbrView>(this, nullptr, Root.get(), true);
  if (menuBar)
    BarView->Style |= tbvsMenuBar | tbvsHideAccelsUntilKeyboard;
  SetHostedView(BarView.get());
  setMouseTracking(true);
  setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
  qApp->installEventFilter(this);
  BarView->ValidatePositions();
}

TTbrToolbarWidget::~TTbrToolbarWidget() {
  qApp->removeEventFilter(this);
  BarView->CloseChildPopups();
  StopAllTimers();
  SetHostedView(nullptr);
  BarView.reset();
}

QSize TTbrToolbarWidget::sizeHint() const { return ViewSize.isValid() ? ViewSize : QSize(100, 22); }

void TTbrToolbarWidget::AutoSize(const QSize &size) {
  ViewSize = size;
  updateGeometry();
  if (size.height() != height())
    resize(width(), size.height());
}

void TTbrToolbarWidget::paintEvent(QPaintEvent *event) {
  QPainter painter(this);
  TPainterCanvas canvas(painter);
  canvas.SetFont(font());
  TPlainViewColors colors;
  colors.Face = palette().color(QPalette::Button);
  colors.Text = palette().color(QPalette::ButtonText);
  colors.Highlight = palette().color(QPalette::Highlight);
  colors.HighlightText = palette().color(QPalette::HighlightedText);
  colors.Disabled = palette().color(QPalette::Disabled, QPalette::ButtonText);
  colors.Shadow = palette().color(QPalette::Dark);
  colors.Light = palette().color(QPalette::Light);
  canvas.FillRect(rect(), colors.Face);
  BarView->ValidatePositions();
  PaintViewPlain(canvas, *BarView, colors, event->rect());
}

void TTbrToolbarWidget::mousePressEvent(QMouseEvent *event) {
  if (event->button() != Qt::LeftButton || BarView->InMenuMode())
    return QWidget::mousePressEvent(event);
  BarView->ValidatePositions();
  TTbrItemViewer *viewer = BarView->ViewerFromPoint(event->position().toPoint());
  if (!viewer || !viewer->Item->HasStyle(tbis::Selectable))
    return QWidget::mousePressEvent(event);
  BarView->Select(viewer, true);
  RunLoop(tbetMouseDown, event->globalPosition().toPoint());
}

void TTbrToolbarWidget::RunLoop(int options, const QPoint &pressPoint) {
  // Nothing may throw through Qt's event delivery: a failing popup handler
  // has ended the menu (and given the input back) by the time it lands here.
  try {
    EnterToolbarLoop(BarView.get(), options, Driver, LoopHost, DoneHost, pressPoint);
  } catch (const std::exception &error) {
    qWarning("Menu closed by an error: %s", error.what());
  }
}

void TTbrToolbarWidget::mouseMoveEvent(QMouseEvent *event) {
  if (!BarView->InMenuMode())
    BarView->UpdateSelection(event->position().toPoint(), true);
  QWidget::mouseMoveEvent(event);
}

void TTbrToolbarWidget::leaveEvent(QEvent *event) {
  if (!BarView->InMenuMode())
    BarView->UpdateSelection(std::nullopt, true);
  QWidget::leaveEvent(event);
}

void TTbrToolbarWidget::changeEvent(QEvent *event) {
  if (event->type() == QEvent::FontChange) {
    FontChanged();
    BarView->InvalidatePositions();
    BarView->ValidatePositions();
  }
  QWidget::changeEvent(event);
}

bool TTbrToolbarWidget::eventFilter(QObject *watched, QEvent *event) {
  // Alt with an item's accelerator, typed anywhere in this window, opens
  // (or runs) that item.
  if (event->type() != QEvent::KeyPress || !watched->isWidgetType() || !isVisible() || BarView->InMenuMode() ||
      static_cast<QWidget *>(watched)->window() != window())
    return false;
  auto *key = static_cast<QKeyEvent *>(event);
  if ((key->modifiers() & ~Qt::KeypadModifier) != Qt::AltModifier)
    return false;
  char32_t ch = 0;
  if (key->key() >= Qt::Key_A && key->key() <= Qt::Key_Z)
    ch = char32_t('a' + (key->key() - Qt::Key_A));
  else if (key->key() >= Qt::Key_0 && key->key() <= Qt::Key_9)
    ch = char32_t('0' + (key->key() - Qt::Key_0));
  else if (!key->text().isEmpty())
    ch = key->text().toUcs4().value(0);
  if (ch == 0)
    return false;
  BarView->ValidatePositions();
  bool unique = false;
  TTbrItemViewer *viewer = BarView->NextViewerWithAccel(nullptr, ch, true, unique);
  if (!viewer)
    return false;
  BarView->Select(viewer, false);
  BarView->ShowAccelerators(true);
  RunLoop(tbetExecuteSelected, QPoint());
  return true;
}

} // namespace qel::toolbars
