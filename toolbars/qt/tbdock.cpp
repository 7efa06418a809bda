#include "toolbars/qt/tbdock.h"

#include "toolbars/core/tbdeferred.h"
#include "toolbars/qt/tbdockablewindow.h"
#include "toolbars/qt/tbpopupmenu.h"

#include <QContextMenuEvent>
#include <QPainter>

namespace qel::toolbars {

namespace {

QList<TTbrDock *> &Docks() {
  static QList<TTbrDock *> docks;
  return docks;
}

// Holds a dock's arrange lock for a scope.
class TArrangeGuard {
public:
  explicit TArrangeGuard(TTbrDock *dock) : dock_(dock) {
    if (dock_)
      dock_->LockArrange();
  }
  ~TArrangeGuard() {
    if (dock_)
      dock_->UnlockArrange();
  }
  TArrangeGuard(const TArrangeGuard &) = delete;
  TArrangeGuard &operator=(const TArrangeGuard &) = delete;

private:
  QPointer<TTbrDock> dock_;
};

} // namespace

TTbrDock::TTbrDock(QWidget *parent, TTbrDockPosition position) : QWidget(parent), FPosition(position) {
  FColor = palette().color(QPalette::Button);
  setAutoFillBackground(false);
  Docks().append(this);
  // Empty at first; the frame being built around it places it later.
  if (IsVertical())
    setFixedWidth(0);
  else
    setFixedHeight(0);
}

TTbrDock::~TTbrDock() {
  Docks().removeOne(this);
  // The windows still here go with the dock (they are its children); they
  // must not reach back into a half-destroyed dock.
  for (TTbrCustomDockableWindow *window : FMembers) {
    if (window->FCurrentDock == this)
      window->FCurrentDock = nullptr;
    if (window->FLastDock == this)
      window->FLastDock = nullptr;
  }
  FMembers.clear();
  FVisible.clear();
}

QList<TTbrDock *> TTbrDock::AllDocks() { return Docks(); }

void TTbrDock::SetPosition(TTbrDockPosition position) {
  if (position == FPosition)
    return;
  if (!findChildren<TTbrCustomDockableWindow *>(Qt::FindDirectChildrenOnly).isEmpty())
    throw EInvalidOperation(SCannotChangeDockPosition);
  FPosition = position;
  ArrangeDockedWindows();
}

void TTbrDock::SetDockParent(QWidget *parent) {
  if (dynamic_cast<TTbrCustomDockableWindow *>(parent) || dynamic_cast<TTbrDock *>(parent))
    throw EInvalidOperation(SInvalidDockParent);
  setParent(parent);
}

void TTbrDock::SetAllowDrag(bool value) {
  if (value == FAllowDrag)
    return;
  FAllowDrag = value;
  // Every docked window's frame changes: the grip comes or goes.
  LockArrange();
  for (TTbrCustomDockableWindow *window : FVisible)
    window->ArrangeSelf();
  UnlockArrange();
  ArrangeDockedWindows();
}

void TTbrDock::SetBoundLines(TTbrDockBoundLines lines) {
  if (lines == FBoundLines)
    return;
  FBoundLines = lines;
  ArrangeDockedWindows();
  update();
}

void TTbrDock::SetFixAlign(bool value) {
  if (value == FFixAlign)
    return;
  FFixAlign = value;
  ArrangeDockedWindows();
}

void TTbrDock::SetLimitToOneRow(bool value) {
  if (value == FLimitToOneRow)
    return;
  FLimitToOneRow = value;
  ArrangeDockedWindows();
}

void TTbrDock::SetColor(const QColor &color) {
  FColor = color;
  update();
}

bool TTbrDock::AcceptsWindows(TTbrCustomDockableWindow *) const { return FAllowDrag; }

void TTbrDock::UnlockArrange() {
  if (FArrangeLock > 0 && --FArrangeLock == 0 && FArrangePending)
    ArrangeDockedWindows();
}

int TTbrDock::NonClientWidth() const { return ((FBoundLines & blLeft) ? 1 : 0) + ((FBoundLines & blRight) ? 1 : 0); }
int TTbrDock::NonClientHeight() const {
  return ((FBoundLines & blTop) ? 1 : 0) + ((FBoundLines & blBottom) ? 1 : 0);
}

int TTbrDock::ClientLength() const {
  return std::max(0, IsVertical() ? height() - NonClientHeight() : width() - NonClientWidth());
}

QList<TTbrDockMember> TTbrDock::MemberRecords() const {
  QList<TTbrDockMember> records;
  records.reserve(FMembers.size());
  for (TTbrCustomDockableWindow *window : FMembers) {
    TTbrDockMember m;
    m.DockRow = window->FDockRow;
    m.DockPos = window->FDockPos;
    m.Visible = window->parentWidget() == this && !window->isHidden();
    m.FullSize = window->FFullSize;
    m.Stretch = window->FStretch;
    m.NewRowBefore = window->NewRowBefore;
    if (m.Visible) {
      m.BaseSize = window->BaseContentSize();
      m.FrameSize = window->GetDockedFrameSize();
      m.ShrinkMode = window->ShrinkBehaviour();
      m.MinimumLength = m.ShrinkMode == tbsmNone ? 0 : window->GetMinimumLength();
    }
    records.append(m);
  }
  return records;
}

void TTbrDock::ArrangeDockedWindows() {
  if (FArrangeLock > 0) {
    FArrangePending = true;
    return;
  }
  ++FArrangeLock;
  struct TExit {
    TTbrDock *Dock;
    ~TExit() {
      --Dock->FArrangeLock;
      Dock->FArrangePending = false;
      Dock->FCommitPositions = false;
    }
  } exit{this};

  if (FLimitToOneRow)
    for (TTbrCustomDockableWindow *window : FMembers)
      window->FDockRow = 0;
  const QList<TTbrDockMember> records = MemberRecords();
  TTbrDockLayoutParams params;
  params.Vertical = IsVertical();
  params.AvailableLength = ClientLength();
  params.LimitToOneRow = FLimitToOneRow;
  params.Dragged = FMembers.indexOf(DraggedWindow);
  params.SplitDrag = SplitDrag;
  const TTbrDockOrientation orientation = params.Vertical ? doVertical : doHorizontal;
  params.MeasureShrunk = [&](int member, int shrunkLength) {
    TTbrCustomDockableWindow *window = FMembers[member];
    const int saved = window->ShrunkLength;
    window->ShrunkLength = shrunkLength;
    const QSize size = window->LayoutContents(false, orientation, this, false);
    window->ShrunkLength = saved;
    return size;
  };
  const TTbrDockLayoutResult result = qel::toolbars::ArrangeDockedWindows(records, params);
  FSplitAllowed = result.SplitAllowed;

  const QPoint origin((FBoundLines & blLeft) ? 1 : 0, (FBoundLines & blTop) ? 1 : 0);
  for (int i = 0; i < FMembers.size(); ++i) {
    TTbrCustomDockableWindow *window = FMembers[i];
    const TTbrDockPlace &place = result.Places[i];
    window->ArrangedRow = place.ArrangedRow;
    window->ArrangedPos = place.ArrangedPos;
    if (!records[i].Visible)
      continue;
    const bool relayout = window->ShrunkLength != place.ShrunkLength;
    window->ShrunkLength = place.ShrunkLength;
    window->RowThickness = place.RowThickness;
    window->SetBoundsLocked(place.Bounds.translated(origin));
    if (relayout)
      window->LayoutContents(true, orientation, this, false);
  }
  if (FCommitPositions || FLimitToOneRow) {
    for (int i = 0; i < FMembers.size(); ++i) {
      FMembers[i]->FDockRow = result.DockRows[i];
      if (FCommitPositions)
        FMembers[i]->FDockPos = result.DockPositions[i];
    }
  }
  if (FCommitPositions) {
    QList<TTbrCustomDockableWindow *> ordered;
    for (int i : result.Order)
      ordered.append(FMembers[i]);
    FMembers = ordered;
  }
  std::stable_sort(FVisible.begin(), FVisible.end(), [](auto *a, auto *b) {
    return a->ArrangedRow != b->ArrangedRow ? a->ArrangedRow < b->ArrangedRow : a->ArrangedPos < b->ArrangedPos;
  });
  FArrangedLength = ClientLength();
  ApplyThickness(DockThickness(result, IsVertical() ? NonClientWidth() : NonClientHeight(), FFixAlign));
}

void TTbrDock::ApplyThickness(int thickness) {
  FThickness = thickness;
  const QRect wanted = DockGeometry(FPosition, geometry(), thickness);
  if (IsVertical())
    setMinimumWidth(thickness), setMaximumWidth(thickness);
  else
    setMinimumHeight(thickness), setMaximumHeight(thickness);
  if (auto *frame = dynamic_cast<TTbrDockFrame *>(parentWidget())) {
    frame->ArrangeDocks();
    return;
  }
  if (wanted != geometry())
    setGeometry(wanted);
}

void TTbrDock::resizeEvent(QResizeEvent *event) {
  QWidget::resizeEvent(event);
  if (ClientLength() != FArrangedLength)
    ArrangeDockedWindows();
}

void TTbrDock::AddMember(TTbrCustomDockableWindow *window, bool add) {
  if (!window)
    return;
  if (add) {
    if (!FMembers.contains(window))
      FMembers.append(window);
  } else {
    FMembers.removeOne(window);
  }
  UpdateVisibleMember(window, false);
}

void TTbrDock::DropMember(TTbrCustomDockableWindow *window) {
  FMembers.removeOne(window);
  if (FVisible.removeOne(window))
    ArrangeDockedWindows();
}

void TTbrDock::UpdateVisibleMember(TTbrCustomDockableWindow *window, bool removing) {
  const bool belongs = !removing && FMembers.contains(window) && window->parentWidget() == this && !window->isHidden();
  const bool was = FVisible.contains(window);
  if (belongs == was)
    return;
  if (belongs)
    FVisible.append(window);
  else
    FVisible.removeOne(window);
  ArrangeDockedWindows();
  if (OnInsertRemoveBar)
    RunGuarded([&] { OnInsertRemoveBar(this, belongs, window); });
}

int TTbrDock::RowSize(int row, bool *fullSize) const {
  int thickness = 0;
  bool full = false;
  if (row >= 0)
    for (TTbrCustomDockableWindow *window : FVisible)
      if (window->ArrangedRow == row) {
        thickness = std::max(thickness, IsVertical() ? window->width() : window->height());
        full = full || window->FullSize();
      }
  if (fullSize)
    *fullSize = full;
  return thickness;
}

int TTbrDock::RowThicknessExcept(int row, const TTbrCustomDockableWindow *except) const {
  int thickness = 0;
  for (TTbrCustomDockableWindow *window : FVisible)
    if (window != except && window->ArrangedRow == row)
      thickness = std::max(thickness, window->RowThickness);
  return thickness;
}

int TTbrDock::LastRowIndex(bool arranged) const {
  int last = -1;
  for (TTbrCustomDockableWindow *window : FMembers)
    last = std::max(last, arranged ? window->ArrangedRow : window->DockRow());
  return last;
}

int TTbrDock::RowAt(int offset) const {
  return qel::toolbars::RowAtOffset(LastRowIndex(true), [this](int row) { return RowSize(row); }, offset);
}

void TTbrDock::PaintBackground(QPainter &painter) { painter.fillRect(rect(), FColor); }

void TTbrDock::paintEvent(QPaintEvent *) {
  QPainter painter(this);
  PaintBackground(painter);
  if (FBoundLines == 0 || FVisible.isEmpty())
    return;
  const QColor shadow = palette().color(QPalette::Dark), light = palette().color(QPalette::Light);
  const QRect r = rect();
  // The lines on the top and left in shadow, those on the bottom and right
  // one pixel inside the edge in highlight: a groove against the form.
  if (FBoundLines & blTop) {
    painter.setPen(shadow);
    painter.drawLine(r.left(), r.top(), r.right(), r.top());
  }
  if (FBoundLines & blLeft) {
    painter.setPen(shadow);
    painter.drawLine(r.left(), r.top(), r.left(), r.bottom());
  }
  if (FBoundLines & blBottom) {
    painter.setPen(light);
    painter.drawLine(r.left(), r.bottom(), r.right(), r.bottom());
  }
  if (FBoundLines & blRight) {
    painter.setPen(light);
    painter.drawLine(r.right(), r.top(), r.right(), r.bottom());
  }
}

void TTbrDock::contextMenuEvent(QContextMenuEvent *event) {
  if (!FPopupMenu)
    return QWidget::contextMenuEvent(event);
  const QPoint at = event->reason() == QContextMenuEvent::Mouse ? event->globalPos() : mapToGlobal(QPoint(0, 0));
  RunGuarded([&] { FPopupMenu->Popup(at.x(), at.y()); });
}

// ---------------------------------------------------------------------------

namespace {
TTbrDock *MakeStockDock(QWidget *parent, TTbrDockPosition position) { return new TTbrDock(parent, position); }
} // namespace

TTbrDockFrame::TTbrDockFrame(QWidget *parent, TDockMaker makeDock) : QWidget(parent) {
  if (!makeDock)
    makeDock = &MakeStockDock;
  FTop = makeDock(this, dpTop);
  FBottom = makeDock(this, dpBottom);
  FLeft = makeDock(this, dpLeft);
  FRight = makeDock(this, dpRight);
  FTop->setObjectName("DockTop");
  FBottom->setObjectName("DockBottom");
  FLeft->setObjectName("DockLeft");
  FRight->setObjectName("DockRight");
}

TTbrDock *TTbrDockFrame::Dock(TTbrDockPosition position) const {
  switch (position) {
  case dpTop:
    return FTop;
  case dpBottom:
    return FBottom;
  case dpLeft:
    return FLeft;
  case dpRight:
    return FRight;
  }
  return nullptr;
}

void TTbrDockFrame::SetCentralWidget(QWidget *widget) {
  FCentral = widget;
  if (widget) {
    widget->setParent(this);
    widget->show();
  }
  ArrangeDocks();
}

void TTbrDockFrame::resizeEvent(QResizeEvent *event) {
  QWidget::resizeEvent(event);
  ArrangeDocks();
}

void TTbrDockFrame::ArrangeDocks() {
  // A dock that changes its thickness while being placed asks again; the
  // outer call places everything once more with the final thicknesses.
  if (FArranging > 0) {
    ++FArranging;
    return;
  }
  for (int pass = 0; pass < 4; ++pass) {
    FArranging = 1;
    const int w = width(), h = height();
    const int top = FTop->Thickness(), bottom = FBottom->Thickness();
    FTop->setGeometry(0, 0, w, top);
    FBottom->setGeometry(0, h - bottom, w, bottom);
    const int middle = std::max(0, h - top - bottom);
    const int left = FLeft->Thickness(), right = FRight->Thickness();
    FLeft->setGeometry(0, top, left, middle);
    FRight->setGeometry(w - right, top, right, middle);
    if (FCentral)
      FCentral->setGeometry(left, top, std::max(0, w - left - right), middle);
    const bool again = FArranging > 1 || top != FTop->Thickness() || bottom != FBottom->Thickness() ||
                       left != FLeft->Thickness() || right != FRight->Thickness();
    FArranging = 0;
    if (!again)
      break;
  }
}

} // namespace qel::toolbars
