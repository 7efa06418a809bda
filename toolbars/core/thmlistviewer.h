#pragma once
// The logic of a list popup's viewer: how tall a row is, how many rows show,
// which row is first (the offset), which row the mouse or keyboard points at
// (the hover row), wheel and keyboard scrolling, auto-scroll while the mouse
// is held outside the rows, and the light scroll bar along the right edge
// once rows are hidden. The host paints and reports input; this tells it
// what to redraw and which row was chosen.

#include "toolbars/core/thmscrollbar.h"

#include <QRect>
#include <QSize>

#include <algorithm>
#include <functional>
#include <memory>
#include <vector>

namespace qel::toolbars {

// What a list's measure is made from; the callbacks stand for the item's
// measuring events and may be empty.
struct TThmListMeasureInput {
  int Count = 0;
  int TextHeight = 0;   // height of "Q" in the view's font
  int ImageHeight = -1; // of the image list when rows show images, else -1
  int MaxVisibleItems = 8;
  int MinWidth = 32;
  int MaxWidth = 0; // used only when above MinWidth
  int ScrollBarWidth = 16;
  // The width of one row (see ListRowWidth), measuring events applied.
  std::function<int(int index)> RowWidth;
  std::function<void(int &height)> MeasureHeight;
};

// A row's width: text, image and the gap between them, and the margins.
int ListRowWidth(int textWidth, int imageWidth, bool hasText);

// One auto-scroll step for a mouse `distance` pixels outside the rows.
struct TThmAutoScrollStep {
  int Rows = 0;
  int Interval = 0;
};
TThmAutoScrollStep ListAutoScrollStep(int distance);

class TThmListViewerLogic {
public:
  TThmListViewerLogic();
  virtual ~TThmListViewerLogic();
  TThmListViewerLogic(const TThmListViewerLogic &) = delete;
  TThmListViewerLogic &operator=(const TThmListViewerLogic &) = delete;

  // Measures the rows and the list; keeps count, row height and visible rows.
  QSize Measure(const TThmListMeasureInput &input);
  // A new viewer: the least scrolling that shows the chosen row, which the hover row starts at.
  void Start(int itemIndex);
  // The client size the viewer was given (places the scroll bar when rows are hidden).
  void SetClientRect(const QRect &rect);

  int Count() const { return FCount; }
  int RowHeight() const { return FRowHeight; }
  int VisibleRows() const { return FVisibleRows; }
  int Offset() const { return FOffset; }
  int HoverIndex() const { return FHoverIndex; }
  bool MouseIsDown() const { return FMouseDown; }
  bool RowsHidden() const { return FCount > FVisibleRows; }
  // Width the scroll bar takes from the rows (0 when none is shown).
  int ScrollBarWidth() const { return RowsHidden() ? FScrollBarWidth : 0; }
  // The scroll bar, made on first need once rows are hidden (null before).
  TThmScrollBar *ScrollBar() const { return FScrollBar.get(); }
  TThmScrollBar *EnsureScrollBar();
  // The rectangle of a row, relative to the client (empty when not shown).
  QRect RowRect(int index) const;
  // The row under a client point: left of the scroll bar, shown and existing; else -1.
  int RowAt(const QPoint &point) const;

  // Mouse input in client coordinates. `buttonDown`: the left button is held
  // (a move with the button held counts as pressed, as after a press on the rows).
  void MouseMove(const QPoint &point, bool buttonDown);
  // True when the press went to the scroll bar (it is then no click on the menu).
  bool MouseDown(const QPoint &point);
  // What a release means.
  enum class Release { None, ScrollBar, Choose };
  Release MouseUp(const QPoint &point);
  // True when the key was used (the row moved to becomes the chosen one).
  bool KeyDown(int key);
  void Wheel(int delta);

  // The item's choice changed: hover follows it, scrolled into view, all rows repainted.
  void TakeItemIndex(int index);
  // Scrolls the least so that the row shows (nothing without hidden rows).
  void ScrollIntoView(int index);
  void StopAutoScroll();

  // Host seams.
  std::function<void(int from, int to)> InvalidateRows; // rows from..to inclusive, either order
  std::function<void()> InvalidateAll;
  std::function<void()> RedrawScrollBar;
  std::function<void(int index)> ChooseIndex; // sets the item's ItemIndex
  std::function<void(int id, int milliseconds)> StartTimer;
  std::function<void(int id)> StopTimer;

protected:
  virtual void AdjustAutoScrollHover(int &index, int direction);
  virtual void HandleHover(int index);
  virtual void HandleAutoScroll() {}

private:
  void ChangeHover(int index);
  void SetOffset(int offset);
  int MaxOffset() const { return std::max(0, FCount - FVisibleRows); }

  int FCount = 0;
  int FRowHeight = 1;
  int FVisibleRows = 1;
  int FOffset = 0;
  int FHoverIndex = -1;
  int FScrollBarWidth = 16;
  QRect FClientRect;
  bool FMouseDown = false;
  bool FMouseInScrollBar = false;
  bool FTakingIndex = false;
  int FWheelAccumulator = 0;
  std::unique_ptr<TThmScrollBar> FScrollBar;
};

// The list item's own state: the chosen row, shared by all its live viewers.
class TThmListModel {
public:
  int ItemIndex() const { return FItemIndex; }
  // Negative values become -1; every viewer follows, then OnChange.
  void SetItemIndex(int index);
  // Every viewer scrolls so that the row shows.
  void MakeVisible(int index);
  // Viewers add themselves when made and remove themselves when destroyed.
  void AddViewer(TThmListViewerLogic *viewer) { FViewers.push_back(viewer); }
  void RemoveViewer(TThmListViewerLogic *viewer) { std::erase(FViewers, viewer); }
  const std::vector<TThmListViewerLogic *> &Viewers() const { return FViewers; }

  std::function<void()> OnChange;

private:
  int FItemIndex = -1;
  std::vector<TThmListViewerLogic *> FViewers;
};

} // namespace qel::toolbars
