#pragma once
// The desktop's classic drawing pieces, on the canvas: bevelled edges,
// caption, scroll and check buttons, small monochrome glyphs and text laid
// out by format flags. Colours come from the desktop's palette.

#include "toolbars/core/thmtypes.h"
#include "toolbars/paint/canvas.h"
#include "toolbars/paint/verticaltext.h"

#include <cstdint>

namespace qel::toolbars {

// The desktop colour of that index.
QColor SysQColor(TSysColorIndex index);
// Any colour value (a desktop colour resolved); clNone gives an invalid colour.
QColor ThmQColor(TColor color);

// Which rings an edge has: the outer and the inner one, each raised or sunken.
enum TEdgeKind : unsigned {
  edRaisedOuter = 0x1, // light above and left, dark shadow below and right
  edSunkenOuter = 0x2, // shadow above and left, highlight below and right
  edRaisedInner = 0x4, // highlight above and left, shadow below and right
  edSunkenInner = 0x8, // dark shadow above and left, light below and right
  edRaised = edRaisedOuter | edRaisedInner,
  edSunken = edSunkenOuter | edSunkenInner,
  edEtched = edSunkenOuter | edRaisedInner,
  edBump = edRaisedOuter | edSunkenInner,
};
// Which sides are drawn and how.
enum TEdgeFlag : unsigned {
  efLeft = 0x1,
  efTop = 0x2,
  efRight = 0x4,
  efBottom = 0x8,
  efRect = 0xF,
  efMiddle = 0x800, // the inside filled with the button face
  efAdjust = 0x2000, // the rectangle becomes what is inside the edge
  efFlat = 0x4000,   // each ring in one colour: shadow outside, face inside
};
// Each ring is one pixel; the top and left lines give the bottom-left and
// top-right corners to the bottom and right lines.
void DrawEdge(TCanvas &canvas, QRect &rect, unsigned kind, unsigned flags);

// Window buttons of a caption.
enum class TCaptionButton { Close, Minimise, Maximise, Restore };
// A raised button (sunken when pushed, its glyph one pixel down and right)
// with the button's glyph in button text.
void DrawCaptionButton(TCanvas &canvas, const QRect &rect, TCaptionButton button, bool pushed);

enum class TArrowDirection { Up, Down, Left, Right };
// A scroll button: raised with an arrow, or with a one-pixel shadow frame when flat.
void DrawScrollButton(TCanvas &canvas, const QRect &rect, TArrowDirection direction, bool flat, bool pushed);
// A filled triangle pointing that way, centred in the rectangle, of the given half-size.
void DrawArrow(TCanvas &canvas, const QPoint &centre, TArrowDirection direction, int size, const QColor &color);

// The desktop's sunken check box or radio button at the top-left of the rectangle (13 x 13 at most).
void DrawCheckButton(TCanvas &canvas, const QRect &rect, bool radio, int state);
// The check mark of check boxes: 7 columns from x of three-pixel strokes, the
// first at y, the lowest (its elbow) at y + 3 in the fourth column.
void DrawTick(TCanvas &canvas, int x, int y, const QColor &color);

// An 8 x 8 monochrome glyph, one byte a row with the leftmost pixel in the
// top bit; the `width` x `height` top-left part is stamped: the set bits in
// the colour, the clear ones leaving the surface as it is.
void StampGlyph(TCanvas &canvas, const QPoint &topLeft, const std::uint8_t (&rows)[8], int width, int height,
                const QColor &color);

// One line of text in the rectangle: at its left (TextCenter, TextRight),
// its top (TextVCenter: centred), clipped to it (unless TextNoClip), with
// the accelerator underlined unless TextNoPrefix or TextHidePrefix, cut
// short with "..." by TextEndEllipsis.
void DrawFormattedText(TCanvas &canvas, const QString &text, const QRect &rect, unsigned flags, const QColor &color);

// The desktop's caption of a tool window: the strip filled with the active
// or inactive caption colour and the text in its caption text colour, in
// the small caption font.
void DrawSmallCaption(TCanvas &canvas, const QRect &rect, const QString &text, bool active);
// The font of small (tool window) captions.
QFont SmallCaptionFont();

} // namespace qel::toolbars
