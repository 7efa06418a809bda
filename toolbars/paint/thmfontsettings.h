#pragma once
// Per-item font overrides of the themed items: size in percent of the view
// font, face, the four styles as tri-states and a text colour, applied on
// top of whatever font the view paints with. Also what measuring needs: a
// text measure that knows its font, and a caption measured flat or turned.

#include "toolbars/core/colormath.h"
#include "toolbars/core/tbviewhost.h"

#include <QFont>
#include <QSize>
#include <QString>

#include <functional>

namespace qel::toolbars {

enum class TTriState : quint8 { tsDefault, tsTrue, tsFalse };

class TFontSettings {
public:
  TFontSettings();

  TTriState Bold() const { return FBold; }
  void SetBold(TTriState value) { Set(FBold, value); }
  TTriState Italic() const { return FItalic; }
  void SetItalic(TTriState value) { Set(FItalic, value); }
  TTriState Underline() const { return FUnderline; }
  void SetUnderline(TTriState value) { Set(FUnderline, value); }
  TTriState StrikeOut() const { return FStrikeOut; }
  void SetStrikeOut(TTriState value) { Set(FStrikeOut, value); }
  // Percent of the font's size; 100 leaves it.
  quint16 Size() const { return FSize; }
  void SetSize(quint16 value) { Set(FSize, value); }
  // Replaces the text colour unless ThmNoColor.
  TColor Color() const { return FColor; }
  void SetColor(TColor value) { Set(FColor, value); }
  // Replaces the face unless empty.
  const QString &Name() const { return FName; }
  void SetName(const QString &value) { Set(FName, value); }

  // Told once per change (never when a value is set to what it is).
  std::function<void()> OnChange;

  // Copies all seven values; one change notice when any differed (face
  // names compared with case).
  void Assign(const TFontSettings &source);
  bool operator==(const TFontSettings &other) const;

  // The overrides applied to `font` and `color`.
  void Apply(QFont &font, TColor &color) const;

private:
  template <typename T> void Set(T &field, const T &value) {
    if (field == value)
      return;
    field = value;
    if (OnChange)
      OnChange();
  }
  TTriState FBold = TTriState::tsDefault, FItalic = TTriState::tsDefault, FUnderline = TTriState::tsDefault,
            FStrikeOut = TTriState::tsDefault;
  quint16 FSize = 100;
  TColor FColor;
  QString FName;
};

// A font size scaled by `percent`, rounded half up: 90 % of 9 is 8.
int ScaledFontSize(int size, int percent);

// A text measure that also tells the font it measures with (the widgets'
// measures are such); the themed viewers measure their own fonts from it.
class TTbrFontTextMeasure : public TTbrTextMeasure {
public:
  virtual QFont Font() const = 0;
};
// The measure's font, or the application font for a measure without one.
QFont MeasureFont(const TTbrTextMeasure &measure);

// A caption's extent in `font`: turned (width the line height of the turned
// font, height the text's length) or flat (one line when `singleLine`,
// else one line per line break); accelerator marks do not count. Empty
// text is 0 x 0.
QSize MeasureCaption(const QFont &font, const QString &text, bool rotated, bool singleLine);

} // namespace qel::toolbars
