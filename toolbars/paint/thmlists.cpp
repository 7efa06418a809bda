#include "toolbars/paint/thmlists.h"

#include "toolbars/paint/pixelimagelist.h"
#include "toolbars/paint/thmlistpaint.h"

#include <QFontMetrics>
#include <QGuiApplication>

#include <algorithm>

namespace qel::toolbars {

namespace {

TTbrItemViewer *MakeListViewer(TTbrView *view, TTbrCustomItem *item, int groupLevel) {
  return new TThmCustomListViewer(view, item, groupLevel);
}

QImage ListPicture(const TTbrImageList *list, int index) {
  auto *pixels = dynamic_cast<const TTbrPixelImageList *>(list);
  return pixels && index >= 0 ? pixels->Image(index) : QImage();
}

} // namespace

// ---------------------------------------------------------------------------
// The list item

TThmCustomList::TThmCustomList() {
  SetMinWidth(32);
  FModel.OnChange = [this] { HandleChange(); };
}

TThmCustomList::~TThmCustomList() = default;

void TThmCustomList::SetItemIndex(int index) { FModel.SetItemIndex(index); }

void TThmCustomList::SetMaxWidth(int value) {
  if (value == FMaxWidth)
    return;
  FMaxWidth = value;
  Change(true);
}

void TThmCustomList::SetMaxVisibleItems(int value) {
  if (value == FMaxVisibleItems)
    return;
  FMaxVisibleItems = value;
  Change(true);
}

void TThmCustomList::SetShowImages(bool value) {
  if (value == FShowImages)
    return;
  FShowImages = value;
  Change(true);
}

bool TThmCustomList::DoClearItem(TCanvas &canvas, const QRect &rect, int index, int hoverIndex) {
  bool drawDefault = true;
  if (OnClearItem)
    OnClearItem(this, canvas, rect, index, hoverIndex, drawDefault);
  return drawDefault;
}

bool TThmCustomList::DoDrawItem(TCanvas &canvas, const QRect &rect, int index, int hoverIndex) {
  bool drawDefault = true;
  if (OnDrawItem)
    OnDrawItem(this, canvas, rect, index, hoverIndex, drawDefault);
  return drawDefault;
}

void TThmCustomList::DoMeasureHeight(const QFont &font, int &height) {
  if (OnMeasureHeight)
    OnMeasureHeight(this, font, height);
}

void TThmCustomList::DoMeasureWidth(const QFont &font, int index, int &width) {
  if (OnMeasureWidth)
    OnMeasureWidth(this, font, index, width);
}

void TThmCustomList::DrawItem(TCanvas &canvas, TThmCustomListViewer *viewer, int hoverIndex, int index,
                              const QRect &rect) {
  TThmListRowPaint row;
  row.Rect = rect;
  row.Hover = index == hoverIndex;
  row.Enabled = Enabled();
  // The background first, so that a handler drawing the content paints over it.
  row.Content = false;
  row.Clear = DoClearItem(canvas, rect, index, hoverIndex);
  if (row.Clear)
    PaintListRow(canvas, row);
  canvas.Save();
  const bool content = DoDrawItem(canvas, rect, index, hoverIndex);
  canvas.Restore();
  if (!content)
    return;
  row.Clear = false;
  row.Content = true;
  row.Text = GetItemText(index);
  if (FShowImages && viewer)
    row.Image = ListPicture(viewer->ImageList(), GetImageIndex(index));
  PaintListRow(canvas, row);
}

int TThmCustomList::GetImageIndex(int index) {
  int imageIndex = index;
  if (OnAdjustImageIndex)
    OnAdjustImageIndex(this, index, imageIndex);
  return imageIndex;
}

void TThmCustomList::HandleChange() {
  if (OnChange)
    OnChange(this);
}

TTbrViewerFactory TThmCustomList::ViewerClass(TTbrView *) const { return &MakeListViewer; }

void TThmStringList::SetStrings(const QStringList &strings) {
  if (strings == FStrings)
    return;
  FStrings = strings;
  Change(true);
}

// ---------------------------------------------------------------------------
// The viewer

class TThmCustomListViewer::TLogic : public TThmListViewerLogic {
public:
  explicit TLogic(TThmCustomListViewer *viewer) : Viewer(viewer) {}

protected:
  void AdjustAutoScrollHover(int &index, int direction) override { Viewer->AdjustAutoScrollHover(index, direction); }
  void HandleHover(int index) override { Viewer->List()->HandleHover(index); }
  void HandleAutoScroll() override { Viewer->HandleAutoScroll(); }

private:
  TThmCustomListViewer *Viewer;
};

TThmCustomListViewer::TThmCustomListViewer(TTbrView *view, TTbrCustomItem *item, int groupLevel)
    : TThmItemViewer(view, item, groupLevel), FLogic(std::make_unique<TLogic>(this)) {
  TThmListViewerLogic &logic = *FLogic;
  logic.InvalidateRows = [this](int from, int to) {
    QRect dirty;
    for (int i = std::min(from, to); i <= std::max(from, to); ++i)
      dirty |= FLogic->RowRect(i);
    InvalidateLocal(dirty);
  };
  logic.InvalidateAll = [this] { Invalidate(); };
  logic.RedrawScrollBar = [this] {
    if (TThmScrollBar *bar = FLogic->ScrollBar())
      InvalidateLocal(bar->Bounds());
  };
  logic.ChooseIndex = [this](int index) { List()->SetItemIndex(index); };
  logic.StartTimer = [this](int id, int ms) {
    if (!FTimers) {
      FTimers = std::make_unique<TTbrTimerHost>();
      FTimers->OnTimer = [this](int firing) {
        if (TThmScrollBar *bar = FLogic->ScrollBar())
          bar->TimerFired(firing);
      };
    }
    FTimers->Start(id, ms);
  };
  logic.StopTimer = [this](int id) {
    if (FTimers)
      FTimers->Stop(id);
  };
  List()->FModel.AddViewer(FLogic.get());
}

TThmListViewerLogic &TThmCustomListViewer::Logic() { return *FLogic; }
const TThmListViewerLogic &TThmCustomListViewer::Logic() const { return *FLogic; }

TThmCustomListViewer::~TThmCustomListViewer() {
  FTimers.reset();
  List()->FModel.RemoveViewer(FLogic.get());
}

void TThmCustomListViewer::InvalidateLocal(const QRect &rect) {
  if (rect.isEmpty() || !View->Host())
    return;
  View->Host()->Invalidate(rect.translated(BoundsRect.topLeft()) & BoundsRect);
}

int TThmCustomListViewer::GetItemHeight(const QFont &font) {
  int height = QFontMetrics(font).height() + 2;
  const TTbrImageList *images = ImageList();
  if (List()->ShowImages() && images)
    height = std::max(height, images->Height() + 2);
  List()->DoMeasureHeight(font, height);
  return height;
}

int TThmCustomListViewer::GetItemWidth(const QFont &font, int index) {
  const QString text = List()->GetItemText(index);
  const TTbrImageList *images = ImageList();
  const int imageWidth = List()->ShowImages() && images ? images->Width() : 0;
  int width = ListRowWidth(QFontMetrics(font).horizontalAdvance(text), imageWidth, !text.isEmpty());
  List()->DoMeasureWidth(font, index, width);
  return width;
}

void TThmCustomListViewer::MeasureSize(const TTbrTextMeasure &measure, bool bold, int &width, int &height) {
  (void)bold;
  const QFont font = MeasureFont(measure);
  TThmCustomList *list = List();
  TThmListMeasureInput input;
  input.Count = list->GetCount();
  // The row height is the viewer's own rule: the logic only adds nothing to it
  // (its 2 pixels are taken off here) and keeps it at least 1.
  input.TextHeight = GetItemHeight(font) - 2;
  input.MaxVisibleItems = list->MaxVisibleItems();
  input.MinWidth = list->MinWidth();
  input.MaxWidth = list->MaxWidth();
  input.RowWidth = [&](int index) { return GetItemWidth(font, index); };
  const QSize size = FLogic->Measure(input);
  width = size.width();
  height = size.height();
  if (!FStarted) {
    FStarted = true;
    FLogic->Start(list->ItemIndex());
  }
}

bool TThmCustomListViewer::Paint(TCanvas &canvas, const QRect &clientAreaRect, bool, bool, bool) {
  TThmListViewerLogic &logic = *FLogic;
  const QPoint origin = clientAreaRect.topLeft();
  logic.SetClientRect(QRect(QPoint(0, 0), clientAreaRect.size()));
  TThmCustomList *list = List();
  int bottom = 0;
  for (int i = logic.Offset(); i < logic.Count(); ++i) {
    const QRect row = logic.RowRect(i);
    if (row.isEmpty() || row.top() >= clientAreaRect.height())
      break;
    canvas.Save();
    canvas.SetClipRect(row.translated(origin) & clientAreaRect);
    list->DrawItem(canvas, this, logic.HoverIndex(), i, row.translated(origin));
    canvas.Restore();
    bottom = row.bottom() + 1;
  }
  const int right = clientAreaRect.width() - logic.ScrollBarWidth();
  if (bottom < clientAreaRect.height() && right > 0)
    canvas.FillRect(QRect(origin.x(), origin.y() + bottom, right, clientAreaRect.height() - bottom),
                    ListRowBackground(false));
  if (logic.RowsHidden())
    if (TThmScrollBar *bar = logic.ScrollBar())
      PaintScrollBar(canvas, *bar, origin);
  return true;
}

void TThmCustomListViewer::MouseDown(Qt::KeyboardModifiers shift, bool doubleClick, int x, int y,
                                     bool &mouseDownOnMenu) {
  // A press in the scroll bar goes to the bar; on the rows it chooses on release.
  FLogic->MouseDown(QPoint(x, y));
  bool ignored = false;
  TThmItemViewer::MouseDown(shift, doubleClick, x, y, ignored);
  (void)mouseDownOnMenu; // neither counts as a click on the menu
  View->SetCapture(true);
}

void TThmCustomListViewer::MouseMove(int x, int y) {
  const bool leftDown = QGuiApplication::mouseButtons() & Qt::LeftButton;
  if (leftDown && !View->Capture())
    View->SetCapture(true);
  FLogic->MouseMove(QPoint(x, y), leftDown && View->Capture());
}

void TThmCustomListViewer::MouseUp(int x, int y, bool mouseWasDownOnMenu) {
  switch (FLogic->MouseUp(QPoint(x, y))) {
  case TThmListViewerLogic::Release::ScrollBar:
    // Scrolling is no choice: the menu stays open.
    View->CancelCapture();
    View->GetRootView()->DoneAction = {};
    return;
  case TThmListViewerLogic::Release::Choose:
  case TThmListViewerLogic::Release::None: break;
  }
  TThmItemViewer::MouseUp(x, y, mouseWasDownOnMenu);
}

void TThmCustomListViewer::MouseWheel(int delta, int, int) { FLogic->Wheel(delta); }

void TThmCustomListViewer::KeyDown(int &key, Qt::KeyboardModifiers shift) {
  (void)shift;
  const bool enter = key == Qt::Key_Return || key == Qt::Key_Enter;
  // Enter chooses the hover row and is left to the view, which runs the
  // list as its chosen entry and so closes the menu.
  if (FLogic->KeyDown(key) && !enter)
    key = 0;
}

void TThmCustomListViewer::LosingCapture() {
  FLogic->StopAutoScroll();
  TThmItemViewer::LosingCapture();
}

void TThmCustomListViewer::AdjustAutoScrollHover(int &index, int direction) {
  (void)direction;
  index = -1;
}

} // namespace qel::toolbars
