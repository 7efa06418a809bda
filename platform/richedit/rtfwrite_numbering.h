#pragma once
// Bullets and paragraph numbering as the RTF writer puts them out: the text
// shown in front of a paragraph, and the words of the two forms written (the
// "\pn" form of the Windows control and the list table).

#include "platform/richedit/formatrecords.h"

#include <QString>

class QTextBlockFormat;

namespace qel::re {

class RtfEmitter;

// What makes two numbered paragraphs members of the same list.
struct NumberingKey {
  int numbering = 0;   // PFN_*
  int style = 0;       // PFNS_*
  int start = 1;
  QString textBefore;  // for bullets the bullet character
  QString textAfter;
  QString fontFace;
  int fontCharset = 0;
  int fontSizeTwips = 0;
  bool operator==(const NumberingKey &) const = default;
};

NumberingKey numberingKeyOf(const QTextBlockFormat &format, const ParaFormat &para);

// Numbers consecutive paragraphs of one list; any other paragraph restarts it.
class NumberingCounter {
public:
  // The bullet, or the number with its texts, for the next paragraph of `key`.
  QString next(const NumberingKey &key);
  void reset() { active_ = false; }

private:
  bool active_ = false;
  NumberingKey key_;
  int value_ = 0;
};

QString formatNumber(int numbering, int value);
// The numbering style that the texts around a number make: none "1", "1)",
// "(1)", anything else "1.".
int numberingStyleOfTexts(const QString &before, const QString &after);
const char *pnNumberWord(int numbering);
int listLevelNfc(int numbering);
// Bullet and number texts: in a symbol font as its single-byte codes, else as text.
void writeNumberText(RtfEmitter &out, const QString &text, int charset);
// "{\leveltext ...}{\levelnumbers ...}" of a list level.
void writeLevelText(RtfEmitter &out, const NumberingKey &key);

} // namespace qel::re
