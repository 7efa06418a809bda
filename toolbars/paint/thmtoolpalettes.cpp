#include "toolbars/paint/thmtoolpalettes.h"

#include "toolbars/paint/pixelimagelist.h"
#include "toolbars/paint/thmlistpaint.h"

#include <algorithm>

namespace qel::toolbars {

namespace {

int Metric(int index) { return ActiveTheme().IntegerMetric(index); }

TTbrItemViewer *MakeToolViewer(TTbrView *view, TTbrCustomItem *item, int groupLevel) {
  return new TThmToolViewer(view, item, groupLevel);
}

TTbrItemViewer *MakeColorItemViewer(TTbrView *view, TTbrCustomItem *item, int groupLevel) {
  return new TThmColorItemViewer(view, item, groupLevel);
}

int ImageCountOf(const TTbrImageList *images) { return images ? images->Count() : -1; }

} // namespace

// ---------------------------------------------------------------------------
// Tool palette items

TThmCustomToolPalette::TThmCustomToolPalette() : TThmCustomToolPalette(std::make_unique<TThmToolPaletteModel>()) {}

TThmCustomToolPalette::TThmCustomToolPalette(std::unique_ptr<TThmToolPaletteModel> model) : FModel(std::move(model)) {
  FModel->Changed = [this](bool resize) { Change(resize); };
}

TThmCustomToolPalette::~TThmCustomToolPalette() { FModel->Changed = nullptr; }

void TThmCustomToolPalette::SetSelectedCell(const QPoint &cell) {
  if (cell == FModel->SelectedCell())
    return;
  FModel->SetSelectedCell(cell);
  Change(false);
}

void TThmCustomToolPalette::DoCalcImageSize(int &width, int &height) {
  if (OnCalcImageSize)
    OnCalcImageSize(this, width, height);
}

void TThmCustomToolPalette::DoDrawCellImage(TCanvas &canvas, const QRect &rect, int col, int row,
                                            const ItemPaintInfo &info) {
  if (OnDrawCellImage)
    OnDrawCellImage(this, canvas, rect, col, row, info.Enabled, info.HoverKind != 0, info.Selected);
}

TTbrViewerFactory TThmCustomToolPalette::ViewerClass(TTbrView *) const { return &MakeToolViewer; }

TThmColorPalette::TThmColorPalette() : TThmCustomToolPalette(std::make_unique<TThmColorPaletteModel>()) {
  SetOptions(Options() | tboShowHint);
}

void TThmColorPalette::DoCalcImageSize(int &width, int &height) {
  const QSize size = TThmColorPaletteModel::CellImageSize();
  width = size.width();
  height = size.height();
  TThmCustomToolPalette::DoCalcImageSize(width, height);
}

void TThmColorPalette::DoDrawCellImage(TCanvas &canvas, const QRect &rect, int col, int row,
                                       const ItemPaintInfo &info) {
  PaintColorCell(canvas, rect, GetCellColor(col, row), info.Enabled);
  TThmCustomToolPalette::DoDrawCellImage(canvas, rect, col, row, info);
}

// ---------------------------------------------------------------------------
// Tool viewer

TThmToolViewer::TThmToolViewer(TTbrView *view, TTbrCustomItem *item, int groupLevel)
    : TThmItemViewer(view, item, groupLevel), FLogic(static_cast<TThmCustomToolPalette *>(item)->Model(), FGrid) {
  FGrid.ColCount = Palette()->ColCount();
  FGrid.RowCount = Palette()->RowCount();
}

QSize TThmToolViewer::CalcImageSize() {
  const TTbrImageList *images = ImageList();
  int width = images ? images->Width() : 16;
  int height = images ? images->Height() : 16;
  Palette()->DoCalcImageSize(width, height);
  return QSize(width, height);
}

QSize TThmToolViewer::CalcCellSize() {
  const QSize image = CalcImageSize();
  int width = image.width(), height = image.height();
  Palette()->AdjustCellSize(width, height);
  return TThmToolGrid::CellSizeFor(QSize(width, height));
}

void TThmToolViewer::UpdateGrid(const QFont &viewFont) {
  TThmCustomToolPalette *palette = Palette();
  FGrid.ColCount = palette->ColCount();
  FGrid.RowCount = palette->RowCount();
  const QSize cell = CalcCellSize();
  FGrid.CellWidth = cell.width();
  FGrid.CellHeight = cell.height();
  FGrid.IndentLeft = IsToolbarStyle() ? 0 : Metric(32) + PopupMargin(viewFont) + Metric(33) - 3;
  FGrid.Stretch = palette->Stretch();
  FLogic.ImageCount = ImageCountOf(ImageList());
}

void TThmToolViewer::MeasureSize(const TTbrTextMeasure &measure, bool bold, int &width, int &height) {
  (void)bold;
  UpdateGrid(MeasureFont(measure));
  const QSize size = FGrid.Measure(IsToolbarStyle() ? 0 : Metric(34));
  width = size.width();
  height = size.height();
}

void TThmToolViewer::FireSelect(TTbrItemViewer *previous) {
  bool fromBelow = false, fromAbove = false;
  if (View->IsPopup && previous && previous != this) {
    fromBelow = View->IndexOf(this) < View->IndexOf(previous);
    fromAbove = !fromBelow;
  }
  FLogic.Selected(fromBelow, fromAbove);
  TThmItemViewer::FireSelect(previous);
}

void TThmToolViewer::KeyDown(int &key, Qt::KeyboardModifiers shift) {
  (void)shift;
  FLogic.KeyDown(key);
}

void TThmToolViewer::MouseDown(Qt::KeyboardModifiers shift, bool doubleClick, int x, int y, bool &mouseDownOnMenu) {
  FLogic.MouseDown(QPoint(x, y), BoundsRect.size());
  Invalidate();
  TThmItemViewer::MouseDown(shift, doubleClick, x, y, mouseDownOnMenu);
  View->SetCapture(true);
}

void TThmToolViewer::MouseMove(int x, int y) {
  if (FLogic.MouseMove(QPoint(x, y), BoundsRect.size()) && Show && !BoundsRect.isEmpty())
    Invalidate();
}

void TThmToolViewer::MouseUp(int x, int y, bool mouseWasDownOnMenu) {
  // A release on a cell picks it; the release then runs the palette as the
  // menu's choice, which closes the menu.
  FLogic.MouseUp(QPoint(x, y), BoundsRect.size());
  TThmItemViewer::MouseUp(x, y, mouseWasDownOnMenu);
}

QString TThmToolViewer::HintAt(const QPoint &local, QRect &rect) const {
  rect = QRect();
  return FLogic.HintAt(local + BoundsRect.topLeft(), BoundsRect, &rect);
}

void TThmToolViewer::DrawCellImage(TCanvas &canvas, const QRect &rect, int col, int row, const ItemPaintInfo &info) {
  TThmCustomToolPalette *palette = Palette();
  if (!(palette->PaletteOptions() & tpoCustomImages)) {
    auto *pixels = dynamic_cast<const TTbrPixelImageList *>(ImageList());
    const int index = row * palette->ColCount() + col;
    if (pixels && index >= 0 && index < pixels->Count()) {
      const QImage glyph = pixels->Image(index);
      if (!glyph.isNull())
        ActiveTheme().PaintItemImage(canvas, rect, info, glyph);
    }
  }
  palette->DoDrawCellImage(canvas, rect, col, row, info);
}

bool TThmToolViewer::Paint(TCanvas &canvas, const QRect &clientAreaRect, bool isHoverItem, bool isPushed, bool) {
  TThmTheme &theme = ActiveTheme();
  UpdateGrid(canvas.Font());
  const QSize image = CalcImageSize();
  ItemPaintInfo info;
  info.ViewType = GetViewType(View);
  info.ItemOptions = IsToolbarStyle() ? ipo::ToolbarStyle : 0;
  info.Enabled = Item->Enabled() || View->Customizing;
  info.ImageShown = true;
  info.ImageWidth = image.width();
  info.ImageHeight = image.height();
  if (!IsToolbarStyle()) {
    info.PopupMargin = PopupMargin(canvas.Font());
    theme.PaintMenuEntryHighlight(canvas, clientAreaRect, info);
  }
  const QPoint hot = FLogic.HotCell();
  const QPoint selected = Palette()->SelectedCell();
  for (int row = 0; row < FGrid.RowCount; ++row)
    for (int col = 0; col < FGrid.ColCount; ++col) {
      const QPoint cell(col, row);
      if (!IsCellVisible(cell))
        continue;
      ItemPaintInfo cellInfo = info;
      if (isHoverItem && cell == hot) {
        cellInfo.HoverKind = info.Enabled ? 2 : (View->MouseOverSelected() ? 0 : 1);
        cellInfo.Pushed = isPushed;
      }
      cellInfo.Selected = cell == selected;
      const QRect cellRect = GetCellRect(clientAreaRect, col, row);
      theme.PaintItemButton(canvas, cellRect, cellInfo);
      const QRect imageRect(cellRect.left() + (cellRect.width() - image.width()) / 2,
                            cellRect.top() + (cellRect.height() - image.height()) / 2, image.width(), image.height());
      DrawCellImage(canvas, imageRect, col, row, cellInfo);
    }
  return true;
}

// ---------------------------------------------------------------------------
// Colour items

void TThmColorItem::SetColor(TColor color) {
  if (color == FColor)
    return;
  FColor = color;
  Change(false);
}

TTbrViewerFactory TThmColorItem::ViewerClass(TTbrView *) const { return &MakeColorItemViewer; }

TThmColorItemViewer::TThmColorItemViewer(TTbrView *view, TTbrCustomItem *item, int groupLevel)
    : TThmItemViewer(view, item, groupLevel) {
  Wide = false;
}

QSize TThmColorItemViewer::ImageSize() const { return ColorSwatchSize(IsToolbarStyle()); }

bool TThmColorItemViewer::ImageVisible() const {
  // The swatch needs no picture of a list: the display mode alone decides.
  const TTbrItemDisplayMode mode = Item->DisplayMode();
  return mode == TTbrItemDisplayMode::nbdmDefault || mode == TTbrItemDisplayMode::nbdmImageAndText ||
         (mode == TTbrItemDisplayMode::nbdmTextOnlyInMenus && IsToolbarStyle());
}

void TThmColorItemViewer::DrawImage(TCanvas &canvas, const QRect &imageRect, const ItemPaintInfo &info) {
  PaintColorSwatch(canvas, imageRect, static_cast<TThmColorItem *>(Item)->Color(), info.Enabled, !IsToolbarStyle());
}

void TThmColorItemViewer::AdjustCaptionRect(TCanvas &, const QRect &clientAreaRect, QRect &captionRect, bool,
                                            bool &) {
  // In a tool box the caption spans the item, centred.
  if (IsPopupKind(GetViewType(View), vt::ToolBoxPopup)) {
    captionRect.setLeft(clientAreaRect.left());
    captionRect.setRight(clientAreaRect.right());
  }
}

} // namespace qel::toolbars
