#pragma once
// TReTextAttributes and TReParaAttributes: property access to the character
// and paragraph format of a rich-edit control. Every read asks the control
// for the current format; every write sends a record whose mask names only
// the members being set, so a write never disturbs other attributes.
// Lengths are points here (twips / 20, integer division) and twips in the records.

#include "platform/colorvalue.h"
#include "platform/richedit/formatrecords.h"

#include <QFont>
#include <QString>

namespace qel {

namespace re {
class RichEditControl;
}

using TFontStyles = unsigned;  // fsBold 1, fsItalic 2, fsUnderline 4, fsStrikeOut 8

enum TFontPitch { fpDefault, fpVariable, fpFixed };

// What the framework's font object carries: the Qt font and what Qt keeps
// outside it (colour and character set).
struct TReFontSource {
  QFont font;
  TColor color = clWindowText;
  int charset = 1;  // DEFAULT_CHARSET
};

// The character format a control keeps: of the selection, the default
// (insertion) attributes, or the word at the caret.
enum class TAttributeType { Selection, Default, Word };

class TReTextAttributes {
public:
  TReTextAttributes(re::RichEditControl &control, TAttributeType type) : control_(control), type_(type) {}

  int Charset() const;
  void SetCharset(int value);
  TColor Color() const;
  void SetColor(TColor value);
  TColor BackColor() const;
  void SetBackColor(TColor value);
  QString Name() const;
  void SetName(const QString &value);
  TFontStyles Style() const;
  void SetStyle(TFontStyles value);
  int Size() const;
  void SetSize(int points);
  TFontPitch Pitch() const;
  void SetPitch(TFontPitch value);
  // 0 normal, 1 subscript, 2 superscript.
  int SubscriptStyle() const;
  void SetSubscriptStyle(int value);

  // From a font: size, style, face, colour and character set in one record
  // (and the weight).
  void Assign(const TReFontSource &font);
  // The whole record of other attributes, sent unchanged.
  void Assign(const TReTextAttributes &other);
  // Colour, name, character set, style, size, pitch into a font.
  void AssignTo(TReFontSource &font) const;

  // The record as read (mask bits cleared for members that differ across a
  // mixed selection) and the raw write.
  re::CharFormat Record() const;
  void Send(const re::CharFormat &record);

private:
  int scope() const;
  re::RichEditControl &control_;
  TAttributeType type_;
};

// The paragraph format of the selection's paragraphs.
class TReParaAttributes {
public:
  explicit TReParaAttributes(re::RichEditControl &control) : control_(control) {}
  re::RichEditControl &Control() const { return control_; }

  // 0 left, 1 right, 2 centre, 3 justify.
  int Alignment() const;
  void SetAlignment(int value);
  int Numbering() const;
  // Off puts the left indent to 0; on raises a left indent below 10 points to 10.
  void SetNumbering(int value);
  int FirstIndent() const;
  void SetFirstIndent(int points);
  int LeftIndent() const;
  void SetLeftIndent(int points);
  int RightIndent() const;
  void SetRightIndent(int points);
  int SpaceBefore() const;
  void SetSpaceBefore(int points);
  int SpaceAfter() const;
  void SetSpaceAfter(int points);
  int LineSpacing() const;
  // Keeps the current rule.
  void SetLineSpacing(int points);
  int LineSpacingRule() const;
  // Keeps the current spacing.
  void SetLineSpacingRule(int rule);
  int TabCount() const;
  int Tab(int index) const;
  // A stop at `index` beyond the count makes the count index + 1.
  void SetTab(int index, int points);

  void Assign(const TReParaAttributes &other);

  re::ParaFormat Record() const;
  void Send(re::ParaFormat record);

private:
  re::RichEditControl &control_;
};

} // namespace qel
