#include "toolbars/paint/thmfontsettings.h"

#include "toolbars/core/tbtext.h"
#include "toolbars/core/thmtypes.h"
#include "toolbars/paint/verticaltext.h"

#include <QFontMetrics>
#include <QGuiApplication>

#include <algorithm>

namespace qel::toolbars {

TFontSettings::TFontSettings() : FColor(ThmNoColor) {}

bool TFontSettings::operator==(const TFontSettings &other) const {
  return FBold == other.FBold && FItalic == other.FItalic && FUnderline == other.FUnderline &&
         FStrikeOut == other.FStrikeOut && FSize == other.FSize && FColor == other.FColor && FName == other.FName;
}

void TFontSettings::Assign(const TFontSettings &source) {
  if (&source == this || *this == source)
    return;
  FBold = source.FBold;
  FItalic = source.FItalic;
  FUnderline = source.FUnderline;
  FStrikeOut = source.FStrikeOut;
  FSize = source.FSize;
  FColor = source.FColor;
  FName = source.FName;
  if (OnChange)
    OnChange();
}

int ScaledFontSize(int size, int percent) { return (size * percent + 50) / 100; }

void TFontSettings::Apply(QFont &font, TColor &color) const {
  if (FSize != 100) {
    // A font never shrinks to nothing: a size that rounds to 0 keeps 1.
    if (font.pointSize() > 0)
      font.setPointSize(std::max(1, ScaledFontSize(font.pointSize(), FSize)));
    else if (font.pixelSize() > 0)
      font.setPixelSize(std::max(1, ScaledFontSize(font.pixelSize(), FSize)));
  }
  if (FColor != ThmNoColor)
    color = FColor;
  if (!FName.isEmpty())
    font.setFamily(FName);
  const auto apply = [](TTriState state, bool current) { return state == TTriState::tsDefault ? current : state == TTriState::tsTrue; };
  font.setBold(apply(FBold, font.bold()));
  font.setItalic(apply(FItalic, font.italic()));
  font.setUnderline(apply(FUnderline, font.underline()));
  font.setStrikeOut(apply(FStrikeOut, font.strikeOut()));
}

QFont MeasureFont(const TTbrTextMeasure &measure) {
  if (auto *withFont = dynamic_cast<const TTbrFontTextMeasure *>(&measure))
    return withFont->Font();
  return QGuiApplication::font();
}

QSize MeasureCaption(const QFont &font, const QString &text, bool rotated, bool singleLine) {
  if (text.isEmpty())
    return QSize(0, 0);
  if (rotated) {
    const QFontMetrics metrics(MakeVerticalFont(font));
    return QSize(metrics.height(), metrics.horizontalAdvance(RemoveAmpersands(text)));
  }
  const QFontMetrics metrics(font);
  const int flags = Qt::TextShowMnemonic | (singleLine ? Qt::TextSingleLine : 0);
  const QRect bounds = metrics.boundingRect(QRect(0, 0, 1, 0), flags, text);
  return QSize(bounds.width(), std::max(bounds.height(), metrics.height()));
}

} // namespace qel::toolbars
