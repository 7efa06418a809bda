#pragma once
// The list item: a scrollable list of text rows shown inside a popup (the
// drop-down list of a combo box), its viewer, which runs the list logic of
// thmlistviewer.h and paints the rows and the light scroll bar through the
// theme's colours, and the string list that answers its rows from strings.
// A popup whose only entry is a list item is a list popup: no shadow, no
// popup sound.

#include "toolbars/core/tbtimerhost.h"
#include "toolbars/core/thmlistviewer.h"
#include "toolbars/paint/thmitems.h"

#include <QFont>
#include <QStringList>

#include <functional>
#include <memory>

namespace qel::toolbars {

class TThmCustomList;
class TThmCustomListViewer;

// Before a row's background (OnClearItem) or content (OnDrawItem) is
// painted; `drawDefault` false leaves the row to the handler.
using TThmLPaintEvent = std::function<void(TThmCustomList *sender, TCanvas &canvas, const QRect &rect, int index,
                                           int hoverIndex, bool &drawDefault)>;
// Adjusts the height of every row, measured in the view's font.
using TThmLMeasureHeight = std::function<void(TThmCustomList *sender, const QFont &font, int &height)>;
// Adjusts the width of one row.
using TThmLMeasureWidth = std::function<void(TThmCustomList *sender, const QFont &font, int index, int &width)>;
// The image of a row (default: the row's index).
using TThmLAdjustImageIndex = std::function<void(TThmCustomList *sender, int itemIndex, int &imageIndex)>;

class TThmCustomList : public TThmCustomItem {
public:
  TThmCustomList();
  ~TThmCustomList() override;

  // The chosen row (-1 none). Setting it (negative gives -1) moves every
  // viewer's hover row to it, scrolls it into view, then OnChange.
  int ItemIndex() const { return FModel.ItemIndex(); }
  void SetItemIndex(int index);
  // The minimum width is the themed item's MinWidth (32 for a list).
  int MaxWidth() const { return FMaxWidth; }
  void SetMaxWidth(int value);
  int MaxVisibleItems() const { return FMaxVisibleItems; }
  void SetMaxVisibleItems(int value);
  bool ShowImages() const { return FShowImages; }
  void SetShowImages(bool value);
  // Every viewer scrolls so that the row shows.
  void MakeVisible(int index) { FModel.MakeVisible(index); }
  const TThmListModel &Model() const { return FModel; }

  std::function<void(TThmCustomList *sender)> OnChange;
  TThmLPaintEvent OnClearItem, OnDrawItem;
  TThmLMeasureHeight OnMeasureHeight;
  TThmLMeasureWidth OnMeasureWidth;
  TThmLAdjustImageIndex OnAdjustImageIndex;

  virtual bool DoClearItem(TCanvas &canvas, const QRect &rect, int index, int hoverIndex);
  virtual bool DoDrawItem(TCanvas &canvas, const QRect &rect, int index, int hoverIndex);
  virtual void DoMeasureHeight(const QFont &font, int &height);
  virtual void DoMeasureWidth(const QFont &font, int index, int &width);
  virtual void DrawItem(TCanvas &canvas, TThmCustomListViewer *viewer, int hoverIndex, int index, const QRect &rect);
  virtual int GetImageIndex(int index);
  virtual QString GetItemText(int index) const { (void)index; return QString(); }
  virtual int GetCount() const { return 0; }
  virtual void HandleChange();
  virtual void HandleHover(int index) { (void)index; }

  bool IsListItem() const override { return true; }
  TTbrViewerFactory ViewerClass(TTbrView *view) const override;

private:
  friend class TThmCustomListViewer;
  TThmListModel FModel;
  int FMaxWidth = 0;
  int FMaxVisibleItems = 8;
  bool FShowImages = false;
};

class TThmStringList : public TThmCustomList {
public:
  const QStringList &Strings() const { return FStrings; }
  void SetStrings(const QStringList &strings);
  int GetCount() const override { return int(FStrings.size()); }
  QString GetItemText(int index) const override { return FStrings.value(index); }

private:
  QStringList FStrings;
};

class TThmCustomListViewer : public TThmItemViewer {
public:
  TThmCustomListViewer(TTbrView *view, TTbrCustomItem *item, int groupLevel);
  ~TThmCustomListViewer() override;

  TThmCustomList *List() const { return static_cast<TThmCustomList *>(Item); }
  TThmListViewerLogic &Logic();
  const TThmListViewerLogic &Logic() const;
  // The scroll bar's timers (made on first use).
  TTbrTimerHost *Timers() const { return FTimers.get(); }

  void MeasureSize(const TTbrTextMeasure &measure, bool bold, int &width, int &height) override;
  bool Paint(TCanvas &canvas, const QRect &clientAreaRect, bool isHoverItem, bool isPushed,
             bool useDisabledShadow) override;
  void MouseDown(Qt::KeyboardModifiers shift, bool doubleClick, int x, int y, bool &mouseDownOnMenu) override;
  void MouseMove(int x, int y) override;
  void MouseUp(int x, int y, bool mouseWasDownOnMenu) override;
  void MouseWheel(int delta, int x, int y) override;
  void KeyDown(int &key, Qt::KeyboardModifiers shift) override;
  void LosingCapture() override;

  virtual void AdjustAutoScrollHover(int &index, int direction);
  virtual int GetItemHeight(const QFont &font);
  virtual int GetItemWidth(const QFont &font, int index);
  virtual void HandleAutoScroll() {}

private:
  class TLogic;
  void InvalidateLocal(const QRect &rect);
  std::unique_ptr<TLogic> FLogic;
  std::unique_ptr<TTbrTimerHost> FTimers;
  bool FStarted = false;
};

} // namespace qel::toolbars
