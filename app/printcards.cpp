#include "app/printcards.h"

#include "app/colors.h"
#include "app/progress.h"
#include "cards/crd.h"
#include "cards/strroutines.h"
#include "platform/datetime.h"
#include "platform/richedit/formatrecords.h"
#include "platform/richedit/richeditcontrol.h"
#include "platform/uiservices.h"
#include "print/richprint.h"
#include "richedit/rtfroutines.h"
#include "settings/fontvalue.h"

#include <QBuffer>
#include <QFileInfo>
#include <QLocale>
#include <QPageSize>
#include <QPrinter>

#include <vector>

namespace qel {

QString ExpandHeaderMacros(const QString &text, const QString &currentFileName) {
  // The placeholder keeps a doubled ampersand away from the macros after it.
  QString t = ReplaceText(QStringLiteral("&&"), QStringLiteral("{$&}"), text);
  // "&h" has no meaning of its own and is dropped; after the placeholder, so
  // a doubled ampersand before an h still prints "&h".
  t = ReplaceText(QStringLiteral("&h"), QString(), t);
  t = ReplaceText(QStringLiteral("&p"), QStringLiteral("{$PAGE}"), t);
  t = ReplaceText(QStringLiteral("&d"), QStringLiteral("{$DATE}"), t);
  t = ReplaceText(QStringLiteral("&t"), QStringLiteral("{$TIME}"), t);
  t = ReplaceText(QStringLiteral("&f"), QFileInfo(currentFileName).fileName(), t);
  return ReplaceText(QStringLiteral("{$&}"), QStringLiteral("&"), t);
}

namespace {

// The portrait paper in millimetres.
QSizeF paperMm(const TRichPrinter &printer) {
  QSizeF mm = printer.printer().qprinter().pageLayout().pageSize().size(QPageSize::Millimeter);
  if (mm.width() <= 0 || mm.height() <= 0) {
    const QPageSize::PageSizeId id =
        QLocale().measurementSystem() == QLocale::ImperialUSSystem ? QPageSize::Letter : QPageSize::A4;
    mm = QPageSize(id).size(QPageSize::Millimeter);
  }
  return mm;
}

} // namespace

int PrinterPaperWidth(const TRichPrinter &printer) { return int(std::lround(paperMm(printer).width() * 10)); }
int PrinterPaperLength(const TRichPrinter &printer) { return int(std::lround(paperMm(printer).height() * 10)); }

QString AlignmentFormat(int alignment, const TRichPrinter &printer) {
  double w = (printer.Orientation() == QPageLayout::Landscape ? PrinterPaperLength(printer) : PrinterPaperWidth(printer)) / 10.0;
  if (printer.MeasureUnit() == muInches) w /= 25.4;
  w -= printer.MarginLeft() + printer.MarginRight();
  QString prefix;
  switch (alignment) {
  case 0: prefix = QStringLiteral("<"); break;
  case 1: prefix = QStringLiteral(">"); break;
  case 2: prefix = QStringLiteral("^"); break;
  default: return QString();
  }
  return prefix + FloatToStr(w);
}

namespace {

re::CharFormat charFormatOf(const TFont &font) {
  re::CharFormat r;
  r.mask = re::CFM_FACE | re::CFM_SIZE | re::CFM_BOLD | re::CFM_ITALIC | re::CFM_UNDERLINE | re::CFM_STRIKEOUT |
           re::CFM_COLOR;
  r.szFaceName = font.Name.left(31);
  r.yHeight = font.Size * 20;
  if (font.Style & fsBold) r.effects |= re::CFE_BOLD;
  if (font.Style & fsItalic) r.effects |= re::CFE_ITALIC;
  if (font.Style & fsUnderline) r.effects |= re::CFE_UNDERLINE;
  if (font.Style & fsStrikeOut) r.effects |= re::CFE_STRIKEOUT;
  r.crTextColor = re::toColorRef(TColorToQColor(font.Color, QColor(Qt::black)));
  return r;
}

// Adds a line at the end, as a list of lines does: the editor's first
// paragraph takes the first line; every later one starts a paragraph.
class LineAdder {
public:
  explicit LineAdder(re::RichEditControl &editor) : editor_(editor) {}
  void add(const QString &text, const TFont *font) {
    const int end = editor_.textLength();
    editor_.setSel(end, end);
    if (font) editor_.setCharFormat(charFormatOf(*font), re::SCF_SELECTION);
    editor_.replaceSel(first_ ? text : QStringLiteral("\r") + text);
    first_ = false;
  }

private:
  re::RichEditControl &editor_;
  bool first_ = true;
};

} // namespace

bool JoinCards(re::RichEditControl &editor, bool selectedOnly, const QList<int> &indexes, bool pageBreaks,
               const JoinFonts &fonts) {
  editor.setUpdatesEnabled(false);
  struct Updates {
    re::RichEditControl &e;
    ~Updates() { e.setUpdatesEnabled(true); }
  } updates{editor};
  editor.clear();
  ProgressGuard progress(QStringLiteral("Joining cards..."), FilteredCards.Count() - 1, true);
  // The list as it is now: the Cancel button lets events run, and whatever
  // they change must not shift or cut the join unnoticed.
  const int count = std::max(0, FilteredCards.Count());
  std::vector<TCrd *> cards(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) cards[size_t(i)] = FilteredCards.Objects(i);
  const auto listChanged = [&] {
    if (FilteredCards.Count() != count) return true;
    for (int i = 0; i < count; ++i)
      if (FilteredCards.Objects(i) != cards[size_t(i)]) return true;
    return false;
  };
  const auto refuse = [] {
    ui().messageBox(QStringLiteral("The cards changed while they were joined; the command was stopped."),
                    applicationTitle(), MB_OK | MB_ICONWARNING);
    return false;
  };
  std::vector<bool> chosen(size_t(count), !selectedOnly);
  for (int i : indexes)
    if (i >= 0 && i < count) chosen[size_t(i)] = true;
  LineAdder lines(editor);
  bool anyBreak = false;
  for (int i = 0; i < count; ++i) {
    if (!chosen[size_t(i)]) continue;
    if (progress.cancelled()) return false;
    if (listChanged()) return refuse();
    TCrd *card = FilteredCards.Objects(i);
    lines.add(QString(), fonts.card);
    lines.add(QString(), fonts.card);
    lines.add(FilteredCards.Strings(i), fonts.title);
    lines.add(QString(), fonts.card);
    // The body starts on a line of its own.
    lines.add(QString(), fonts.card);
    const QByteArray body = card->BodyText();
    const int end = editor.textLength();
    editor.setSel(end, end);
    if (card->IsPlainText()) {
      editor.streamIn(body, re::SF_TEXT | re::SFF_SELECTION);
    } else {
      // RTF that does not read goes in as its text: no card vanishes.
      QBuffer stream;
      stream.setData(body);
      stream.open(QIODevice::ReadOnly);
      InsertRTFAtSelection(editor, stream);
    }
    if (pageBreaks) {
      lines.add(QStringLiteral("\f"), nullptr);
      anyBreak = true;
    }
    progress.set(i);
  }
  // No form feed after the last card: no empty last page.
  if (anyBreak) {
    const int end = editor.textLength();
    editor.setSel(end - 2, end);
    editor.replaceSel(QString());
  }
  if (progress.cancelled()) return false;
  if (listChanged()) return refuse();
  return true;
}

} // namespace qel
