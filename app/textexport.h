#pragma once
// The text export's layouts: the lines one card gives, and the file they make.

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace qel {

class TCrd;

struct TExportLayout {
  int type = 2;  // 0 list only, 1 single line card, 2 multi line card
  QString bh, ah;              // before and after the title
  QString bc = QStringLiteral("  "), ac;  // before and after each body line
  bool line = false;           // a separator line after every card
  QString sep;
};

// A card's body as plain text lines (rich text converted, pictures dropped).
QStringList PlainBodyLines(const TCrd &card);
// Appends the lines of one card. For the sample only the first 51 body lines
// are used and a single-line card is kept to about 300 characters.
void ExportCard(const QString &title, const QStringList &body, const TExportLayout &layout, bool sample,
                QStringList &lines);
// The file's bytes: every line ended by CR LF, in the legacy code page when
// every character fits it, else UTF-8. A list-only export is sorted without
// regard to case first.
QByteArray ExportFileBytes(QStringList lines, const TExportLayout &layout);

} // namespace qel
