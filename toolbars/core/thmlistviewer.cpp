#include "toolbars/core/thmlistviewer.h"

#include <Qt>

#include <cstdlib>

namespace qel::toolbars {

int ListRowWidth(int textWidth, int imageWidth, bool hasText) {
  int width = textWidth + std::max(0, imageWidth);
  if (imageWidth > 0 && hasText)
    width += 4;
  return width + 8;
}

TThmAutoScrollStep ListAutoScrollStep(int distance) {
  distance = std::abs(distance);
  if (distance < 10)
    return {1, 150};
  if (distance < 30)
    return {1, 100};
  if (distance <= 50)
    return {2, 100};
  return {4, 100};
}

TThmListViewerLogic::TThmListViewerLogic() = default;
TThmListViewerLogic::~TThmListViewerLogic() = default;

QSize TThmListViewerLogic::Measure(const TThmListMeasureInput &input) {
  FCount = std::max(0, input.Count);
  int rowHeight = input.TextHeight + 2;
  if (input.ImageHeight >= 0)
    rowHeight = std::max(rowHeight, input.ImageHeight + 2);
  if (input.MeasureHeight)
    input.MeasureHeight(rowHeight);
  // Rows are found by dividing by their height: never let it reach 0.
  FRowHeight = std::max(1, rowHeight);
  FVisibleRows = std::clamp(FCount, 1, std::max(1, input.MaxVisibleItems));
  FScrollBarWidth = std::max(0, input.ScrollBarWidth);

  int width = 0;
  if (input.RowWidth)
    for (int i = 0; i < FCount; ++i)
      width = std::max(width, input.RowWidth(i));
  width += ScrollBarWidth();
  width = std::max(width, input.MinWidth);
  if (input.MaxWidth > input.MinWidth)
    width = std::min(width, input.MaxWidth);
  FOffset = std::clamp(FOffset, 0, MaxOffset());
  return QSize(width, FVisibleRows * FRowHeight);
}

void TThmListViewerLogic::Start(int itemIndex) {
  FOffset = 0;
  if (itemIndex >= 0 && itemIndex < FCount && itemIndex >= FVisibleRows)
    FOffset = std::min(itemIndex - FVisibleRows + 1, MaxOffset());
  FHoverIndex = itemIndex >= 0 && itemIndex < FCount ? itemIndex : -1;
}

void TThmListViewerLogic::SetClientRect(const QRect &rect) {
  FClientRect = rect;
  if (!RowsHidden())
    return;
  TThmScrollBar *bar = EnsureScrollBar();
  bar->SetBounds(QRect(rect.right() + 1 - FScrollBarWidth, rect.top(), FScrollBarWidth, rect.height()));
  bar->SetPageSize(FVisibleRows);
  bar->SetRange(FCount);
  bar->SetPosition(FOffset);
}

TThmScrollBar *TThmListViewerLogic::EnsureScrollBar() {
  if (!FScrollBar) {
    FScrollBar = std::make_unique<TThmScrollBar>();
    FScrollBar->OnRedraw = [this] {
      if (RedrawScrollBar)
        RedrawScrollBar();
    };
    FScrollBar->OnChange = [this] {
      FOffset = FScrollBar->Position();
      if (InvalidateAll)
        InvalidateAll();
    };
    FScrollBar->OnAutoScroll = [this](int &, int &) { HandleAutoScroll(); };
    FScrollBar->StartTimer = [this](int id, int ms) {
      if (StartTimer)
        StartTimer(id, ms);
    };
    FScrollBar->StopTimer = [this](int id) {
      if (StopTimer)
        StopTimer(id);
    };
    FScrollBar->SetPageSize(FVisibleRows);
    FScrollBar->SetRange(FCount);
    FScrollBar->SetPosition(FOffset);
  }
  return FScrollBar.get();
}

QRect TThmListViewerLogic::RowRect(int index) const {
  if (index < FOffset || index >= FOffset + FVisibleRows || index >= FCount)
    return QRect();
  return QRect(0, (index - FOffset) * FRowHeight, FClientRect.width() - ScrollBarWidth(), FRowHeight);
}

int TThmListViewerLogic::RowAt(const QPoint &point) const {
  if (point.x() >= FClientRect.width() - ScrollBarWidth() || point.y() < 0)
    return -1;
  const int shown = point.y() / FRowHeight;
  if (shown >= FVisibleRows)
    return -1;
  const int row = shown + FOffset;
  return row < FCount ? row : -1;
}

void TThmListViewerLogic::MouseMove(const QPoint &point, bool buttonDown) {
  if (FMouseInScrollBar && FScrollBar) {
    FScrollBar->MouseMove(point - FScrollBar->Bounds().topLeft());
    return;
  }
  if (buttonDown)
    FMouseDown = true;
  int row = RowAt(point);
  const int height = FVisibleRows * FRowHeight;
  if (FMouseDown && (point.y() < 0 || point.y() >= height)) {
    const bool up = point.y() < 0;
    const TThmAutoScrollStep step = ListAutoScrollStep(up ? point.y() : point.y() - height + 1);
    const int direction = up ? -step.Rows : step.Rows;
    const bool room = up ? FOffset > 0 : FOffset < MaxOffset();
    if (room && RowsHidden())
      EnsureScrollBar()->StartAutoScroll(direction, step.Interval);
    else
      StopAutoScroll();
    AdjustAutoScrollHover(row, direction);
  } else {
    StopAutoScroll();
  }
  if ((FMouseDown || row >= 0) && row != FHoverIndex)
    ChangeHover(row);
}

bool TThmListViewerLogic::MouseDown(const QPoint &point) {
  if (FScrollBar && RowsHidden() && FScrollBar->Bounds().contains(point)) {
    FMouseInScrollBar = true;
    FScrollBar->MouseDown(point - FScrollBar->Bounds().topLeft(), true);
    return true;
  }
  FMouseDown = true;
  MouseMove(point, true);
  return false;
}

TThmListViewerLogic::Release TThmListViewerLogic::MouseUp(const QPoint &point) {
  StopAutoScroll();
  if (FMouseInScrollBar) {
    FMouseInScrollBar = false;
    if (FScrollBar)
      FScrollBar->MouseUp(point - FScrollBar->Bounds().topLeft(), true);
    return Release::ScrollBar;
  }
  if (!FMouseDown)
    return Release::None;
  FMouseDown = false;
  if (ChooseIndex)
    ChooseIndex(FHoverIndex);
  return Release::Choose;
}

bool TThmListViewerLogic::KeyDown(int key) {
  int row = FHoverIndex;
  switch (key) {
  case Qt::Key_Return:
  case Qt::Key_Enter:
    if (ChooseIndex)
      ChooseIndex(FHoverIndex);
    return true;
  case Qt::Key_PageUp: row -= FVisibleRows; break;
  case Qt::Key_PageDown: row += FVisibleRows; break;
  case Qt::Key_End: row = FCount - 1; break;
  case Qt::Key_Home: row = 0; break;
  case Qt::Key_Up: row -= 1; break;
  case Qt::Key_Down: row += 1; break;
  default: return false;
  }
  if (FCount > 0 && ChooseIndex)
    ChooseIndex(std::clamp(row, 0, FCount - 1));
  return true;
}

void TThmListViewerLogic::Wheel(int delta) {
  FWheelAccumulator += delta;
  const int rows = FWheelAccumulator / 120; // the remainder keeps its sign
  FWheelAccumulator -= rows * 120;
  if (rows != 0)
    SetOffset(FOffset - rows);
}

void TThmListViewerLogic::TakeItemIndex(int index) {
  if (FTakingIndex)
    return;
  FTakingIndex = true;
  FHoverIndex = index;
  HandleHover(index);
  ScrollIntoView(index);
  if (InvalidateAll)
    InvalidateAll();
  FTakingIndex = false;
}

void TThmListViewerLogic::ScrollIntoView(int index) {
  if (!RowsHidden() || index < 0)
    return;
  if (index < FOffset)
    SetOffset(index);
  else if (index >= FOffset + FVisibleRows)
    SetOffset(index - FVisibleRows + 1);
}

void TThmListViewerLogic::StopAutoScroll() {
  if (FScrollBar)
    FScrollBar->StopAutoScroll();
}

void TThmListViewerLogic::AdjustAutoScrollHover(int &index, int direction) {
  (void)direction;
  index = -1;
}

void TThmListViewerLogic::HandleHover(int index) { (void)index; }

void TThmListViewerLogic::ChangeHover(int index) {
  const int old = FHoverIndex;
  FHoverIndex = index;
  if (InvalidateRows)
    InvalidateRows(old, index);
  HandleHover(index);
}

void TThmListViewerLogic::SetOffset(int offset) {
  if (!RowsHidden())
    return;
  offset = std::clamp(offset, 0, MaxOffset());
  if (offset == FOffset)
    return;
  FOffset = offset;
  if (FScrollBar)
    FScrollBar->SetPosition(offset);
  if (InvalidateAll)
    InvalidateAll();
}

void TThmListModel::SetItemIndex(int index) {
  FItemIndex = index < 0 ? -1 : index;
  // A viewer may go away while it repaints: walk a copy.
  const auto viewers = FViewers;
  for (TThmListViewerLogic *viewer : viewers)
    viewer->TakeItemIndex(FItemIndex);
  if (OnChange)
    OnChange();
}

void TThmListModel::MakeVisible(int index) {
  for (TThmListViewerLogic *viewer : FViewers)
    viewer->ScrollIntoView(index);
}

} // namespace qel::toolbars
