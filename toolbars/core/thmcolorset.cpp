#include "toolbars/core/thmcolorset.h"

#include "toolbars/core/thmthemes.h"

#include <array>

namespace qel::toolbars {

namespace {

struct NamedColor {
  const char *Name;
  TColor Color; // 0x00BBGGRR
};

constexpr int DefaultCols = 8;
constexpr int DefaultRows = 5;

constexpr std::array<std::array<NamedColor, DefaultCols>, DefaultRows> DefaultColors{{
    {{{"Black", 0x000000}, {"Brown", 0x003399}, {"Olive Green", 0x003333}, {"Dark Green", 0x003300},
      {"Dark Teal", 0x663300}, {"Dark blue", 0x800000}, {"Indigo", 0x993333}, {"Gray-80%", 0x333333}}},
    {{{"Dark Red", 0x000080}, {"Orange", 0x0066FF}, {"Dark Yellow", 0x008080}, {"Green", 0x008000},
      {"Teal", 0x808000}, {"Blue", 0xFF0000}, {"Blue-Gray", 0x996666}, {"Gray-50%", 0x808080}}},
    {{{"Red", 0x0000FF}, {"Light Orange", 0x0099FF}, {"Lime", 0x00CC99}, {"Sea Green", 0x669933},
      {"Aqua", 0xCCCC33}, {"Light Blue", 0xFF6633}, {"Violet", 0x800080}, {"Gray-40%", 0x969696}}},
    {{{"Pink", 0xFF00FF}, {"Gold", 0x00CCFF}, {"Yellow", 0x00FFFF}, {"Bright Green", 0x00FF00},
      {"Turquoise", 0xFFFF00}, {"Sky Blue", 0xFFCC00}, {"Plum", 0x663399}, {"Gray-25%", 0xC0C0C0}}},
    {{{"Rose", 0xCC99FF}, {"Tan", 0x99CCFF}, {"Light Yellow", 0x99FFFF}, {"Light Green", 0xCCFFCC},
      {"Light Turquoise", 0xFFFFCC}, {"Pale Blue", 0xFFCC99}, {"Lavender", 0xFF99CC}, {"White", 0xFFFFFF}}},
}};

// "#RRGGBB" of a 0x00BBGGRR value.
QString HexColor(TColor rgb) {
  const auto hex = [](int byte) { return QStringLiteral("%1").arg(byte & 0xFF, 2, 16, QLatin1Char('0')).toUpper(); };
  return QLatin1Char('#') + hex(rgb) + hex(rgb >> 8) + hex(rgb >> 16);
}

} // namespace

TColor ResolvedRGB(TColor color) {
  if (color == ThmNoColor)
    return color;
  return ThemeManager().System().ColorToRGB(color) & 0xFFFFFF;
}

TThmCustomColorSet::~TThmCustomColorSet() {
  // Palettes using this set fall back to the default one.
  const auto palettes = FPalettes;
  for (TThmColorPaletteModel *palette : palettes)
    palette->SetColorSet(nullptr);
}

void TThmCustomColorSet::UpdateSize(int cols, int rows) {
  FColCount = cols;
  FRowCount = rows;
  for (TThmColorPaletteModel *palette : FPalettes)
    palette->SetSize(cols, rows);
}

void TThmCustomColorSet::GetColorInfo(int col, int row, TColor &color, QString &name) const {
  name.clear();
  color = ThmNoColor;
  if (OnGetColorInfo)
    OnGetColorInfo(col, row, color, name);
}

TColor TThmCustomColorSet::GetColor(int col, int row) const {
  TColor color;
  QString name;
  GetColorInfo(col, row, color, name);
  return color;
}

QString TThmCustomColorSet::GetName(int col, int row) const {
  TColor color;
  QString name;
  GetColorInfo(col, row, color, name);
  return name;
}

QString TThmCustomColorSet::ColorToString(TColor color) const {
  if (color == ThmNoColor)
    return QStringLiteral("None");
  const TColor rgb = ResolvedRGB(color);
  for (int row = 0; row < FRowCount; ++row)
    for (int col = 0; col < FColCount; ++col) {
      TColor cellColor;
      QString name;
      GetColorInfo(col, row, cellColor, name);
      if (cellColor != ThmNoColor && ResolvedRGB(cellColor) == rgb)
        return name.isEmpty() ? HexColor(rgb) : name;
    }
  return HexColor(rgb);
}

TThmDefaultColorSet::TThmDefaultColorSet() { UpdateSize(DefaultCols, DefaultRows); }

void TThmDefaultColorSet::GetColorInfo(int col, int row, TColor &color, QString &name) const {
  if (col >= 0 && col < DefaultCols && row >= 0 && row < DefaultRows) {
    color = DefaultColors[row][col].Color;
    name = QString::fromLatin1(DefaultColors[row][col].Name);
  } else {
    color = ThmNoColor;
    name.clear();
  }
  if (OnGetColorInfo)
    OnGetColorInfo(col, row, color, name);
}

TThmCustomColorSet &DefaultColorSet() {
  static TThmDefaultColorSet set;
  return set;
}

TThmColorPaletteModel::TThmColorPaletteModel() {
  SetSize(DefaultColorSet().ColCount(), DefaultColorSet().RowCount());
  SetPaletteOptions(PaletteOptions() | tpoCustomImages);
}

TThmColorPaletteModel::~TThmColorPaletteModel() {
  if (FColorSet)
    FColorSet->FPalettes.removeAll(this);
}

void TThmColorPaletteModel::SetSize(int cols, int rows) {
  SetColCount(cols);
  SetRowCount(rows);
}

void TThmColorPaletteModel::SetColorSet(TThmCustomColorSet *set) {
  if (set == FColorSet)
    return;
  if (FColorSet)
    FColorSet->FPalettes.removeAll(this);
  FColorSet = set;
  if (set)
    set->FPalettes.append(this);
  const TThmCustomColorSet &effective = EffectiveColorSet();
  SetSize(effective.ColCount(), effective.RowCount());
  Change(true);
}

QPoint TThmColorPaletteModel::FindColor(TColor color) const {
  const TColor wanted = ResolvedRGB(color);
  for (int row = 0; row < RowCount(); ++row)
    for (int col = 0; col < ColCount(); ++col)
      if (ResolvedRGB(GetCellColor(col, row)) == wanted)
        return QPoint(col, row);
  return NoCell;
}

void TThmColorPaletteModel::SetColor(TColor color) {
  FColor = color;
  SetSelectedCell(FindColor(color));
  Change(true);
  // Only the notice: DoChange would take the colour back from the cell and
  // overwrite the value just written.
  TThmToolPaletteModel::DoChange();
}

void TThmColorPaletteModel::DoChange() {
  const QPoint cell = SelectedCell();
  if (!IsNoCell(cell))
    FColor = GetCellColor(cell.x(), cell.y());
  TThmToolPaletteModel::DoChange();
}

void TThmColorPaletteModel::DoGetCellVisible(int col, int row, bool &visible) const {
  // A cell outside the grid stays hidden whatever colour the set answers for it.
  visible = visible && GetCellColor(col, row) != ThmNoColor;
  TThmToolPaletteModel::DoGetCellVisible(col, row, visible);
}

void TThmColorPaletteModel::DoGetHint(const QPoint &cell, QString &hint) const {
  hint = EffectiveColorSet().GetName(cell.x(), cell.y());
  TThmToolPaletteModel::DoGetHint(cell, hint);
}

} // namespace qel::toolbars
