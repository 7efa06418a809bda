#pragma once
// The print and RTF export commands' own logic: header and footer texts in
// the rich printer's macro form, the header/footer column format, the paper
// of the print path, and the joining of cards into one editor.

#include "print/measureunit.h"

#include <QList>
#include <QString>

namespace qel {

namespace re {
class RichEditControl;
}
class TRichPrinter;
struct TFont;

// "&&" an ampersand, "&p" page, "&d" date, "&t" time, "&f" the card file's
// name without its folder; "&h" is removed.
QString ExpandHeaderMacros(const QString &text, const QString &currentFileName);

// The paper the print path uses, in tenths of a millimetre, portrait: the
// printer's (a PDF page when no printer is installed), else the locale's
// default paper.
int PrinterPaperWidth(const TRichPrinter &printer);
int PrinterPaperLength(const TRichPrinter &printer);

// One right- (1), left- (0) or centre-aligned (2) column over the text width
// in the printer's unit ("> 170" style); empty for another alignment.
QString AlignmentFormat(int alignment, const TRichPrinter &printer);

// The options' fonts the join uses.
struct JoinFonts {
  const TFont *title = nullptr;
  const TFont *card = nullptr;
};

// Joins the cards of FilteredCards at `indexes` (all of them when
// `selectedOnly` is false) into `editor`: two empty lines, the title in the
// titles font, an empty line, the body; with `pageBreaks` a form feed line
// between cards. Shows the progress window with Cancel; returns false when
// the user cancelled (the editor then holds the cards joined so far), and
// false after saying so when the list changed during the join: a join of a
// list that is no longer the one it started from is never taken as complete.
bool JoinCards(re::RichEditControl &editor, bool selectedOnly, const QList<int> &indexes, bool pageBreaks,
               const JoinFonts &fonts);

} // namespace qel
