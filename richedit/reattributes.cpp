#include "richedit/reattributes.h"

#include "platform/richedit/richeditcontrol.h"
#include "richedit/rerichedit.h"

#include <QFontInfo>
#include <algorithm>

namespace qel {

namespace {

constexpr unsigned kStyleMask = re::CFM_BOLD | re::CFM_ITALIC | re::CFM_UNDERLINE | re::CFM_STRIKEOUT;
// The members of the short record the first control version knows.
constexpr std::uint32_t kVersion1CharMask = kStyleMask | re::CFM_PROTECTED | re::CFM_SIZE | re::CFM_COLOR |
                                            re::CFM_FACE | re::CFM_OFFSET | re::CFM_CHARSET;
constexpr std::uint32_t kVersion1ParaMask = re::PFM_STARTINDENT | re::PFM_RIGHTINDENT | re::PFM_OFFSET |
                                            re::PFM_ALIGNMENT | re::PFM_TABSTOPS | re::PFM_NUMBERING;

bool version1() { return RichEditVersion < 2; }

std::uint32_t styleEffects(TFontStyles style) {
  std::uint32_t e = 0;
  if (style & 1) e |= re::CFE_BOLD;
  if (style & 2) e |= re::CFE_ITALIC;
  if (style & 4) e |= re::CFE_UNDERLINE;
  if (style & 8) e |= re::CFE_STRIKEOUT;
  return e;
}

int pitchByte(TFontPitch pitch) { return pitch == fpVariable ? 2 : pitch == fpFixed ? 1 : 0; }

bool isAutoColor(TColor c) { return c == clWindowText || c == clDefault; }

// Points to twips within what the records hold.
int twips(int points) { return int(std::clamp<long long>(static_cast<long long>(points) * 20, INT_MIN, INT_MAX)); }

} // namespace

// ---------------------------------------------------------------- text attributes

int TReTextAttributes::scope() const {
  switch (type_) {
  case TAttributeType::Default: return re::SCF_DEFAULT;
  case TAttributeType::Word: return re::SCF_SELECTION | re::SCF_WORD;
  case TAttributeType::Selection: break;
  }
  return re::SCF_SELECTION;
}

re::CharFormat TReTextAttributes::Record() const {
  re::CharFormat r = control_.charFormat(scope());
  if (version1()) r.mask &= kVersion1CharMask;
  return r;
}

void TReTextAttributes::Send(const re::CharFormat &record) {
  re::CharFormat r = record;
  if (version1()) r.mask &= kVersion1CharMask;
  control_.setCharFormat(r, scope());
}

int TReTextAttributes::Charset() const { return Record().bCharSet; }

void TReTextAttributes::SetCharset(int value) {
  re::CharFormat r;
  r.mask = re::CFM_CHARSET;
  r.bCharSet = value;
  Send(r);
}

TColor TReTextAttributes::Color() const {
  const re::CharFormat r = Record();
  return (r.effects & re::CFE_AUTOCOLOR) ? clWindowText : TColor(r.crTextColor);
}

void TReTextAttributes::SetColor(TColor value) {
  re::CharFormat r;
  r.mask = re::CFM_COLOR;
  if (isAutoColor(value))
    r.effects = re::CFE_AUTOCOLOR;
  else
    r.crTextColor = re::ColorRef(ColorToRGB(value));
  Send(r);
}

TColor TReTextAttributes::BackColor() const {
  if (version1()) return clWindow;
  const re::CharFormat r = Record();
  return (r.effects & re::CFE_AUTOBACKCOLOR) ? clWindow : TColor(r.crBackColor);
}

void TReTextAttributes::SetBackColor(TColor value) {
  if (version1()) return;
  re::CharFormat r;
  r.mask = re::CFM_BACKCOLOR;
  if (value == clWindow || value == clDefault)
    r.effects = re::CFE_AUTOBACKCOLOR;
  else
    r.crBackColor = re::ColorRef(ColorToRGB(value));
  Send(r);
}

QString TReTextAttributes::Name() const { return Record().szFaceName; }

void TReTextAttributes::SetName(const QString &value) {
  re::CharFormat r;
  r.mask = re::CFM_FACE;
  r.szFaceName = value.left(31);  // the record's face field holds 31 characters and its end
  // The pitch travels with the face: keep the one the text has.
  r.bPitchAndFamily = Record().bPitchAndFamily;
  Send(r);
}

TFontStyles TReTextAttributes::Style() const {
  const std::uint32_t e = Record().effects;
  TFontStyles s = 0;
  if (e & re::CFE_BOLD) s |= 1;
  if (e & re::CFE_ITALIC) s |= 2;
  if (e & re::CFE_UNDERLINE) s |= 4;
  if (e & re::CFE_STRIKEOUT) s |= 8;
  return s;
}

void TReTextAttributes::SetStyle(TFontStyles value) {
  re::CharFormat r;
  r.mask = kStyleMask;
  r.effects = styleEffects(value);
  Send(r);
}

int TReTextAttributes::Size() const { return Record().yHeight / 20; }

void TReTextAttributes::SetSize(int points) {
  re::CharFormat r;
  r.mask = re::CFM_SIZE;
  r.yHeight = twips(points);
  Send(r);
}

TFontPitch TReTextAttributes::Pitch() const {
  switch (Record().bPitchAndFamily & 3) {
  case 1: return fpFixed;
  case 2: return fpVariable;
  default: return fpDefault;
  }
}

void TReTextAttributes::SetPitch(TFontPitch value) {
  // No mask bit: the pitch changes only together with a face.
  re::CharFormat r;
  r.bPitchAndFamily = pitchByte(value);
  Send(r);
}

int TReTextAttributes::SubscriptStyle() const {
  if (version1()) return 0;
  const std::uint32_t e = Record().effects;
  if (e & re::CFE_SUBSCRIPT) return 1;
  if (e & re::CFE_SUPERSCRIPT) return 2;
  return 0;
}

void TReTextAttributes::SetSubscriptStyle(int value) {
  if (version1()) return;
  re::CharFormat r;
  r.mask = re::CFM_SUBSCRIPT | re::CFM_SUPERSCRIPT;
  r.effects = value == 1 ? re::CFE_SUBSCRIPT : value == 2 ? re::CFE_SUPERSCRIPT : 0;
  Send(r);
}

void TReTextAttributes::Assign(const TReFontSource &source) {
  const QFont &f = source.font;
  re::CharFormat r;
  r.mask = re::CFM_SIZE | kStyleMask | re::CFM_FACE | re::CFM_COLOR | re::CFM_CHARSET;
  r.bPitchAndFamily = pitchByte(f.fixedPitch() ? fpFixed : fpDefault);
  const qreal points = f.pointSizeF() > 0 ? f.pointSizeF() : QFontInfo(f).pointSizeF();
  r.yHeight = int(std::lround(points * 20));
  TFontStyles style = 0;
  if (f.bold()) style |= 1;
  if (f.italic()) style |= 2;
  if (f.underline()) style |= 4;
  if (f.strikeOut()) style |= 8;
  r.effects = styleEffects(style);
  r.szFaceName = f.family().left(31);
  if (isAutoColor(source.color))
    r.effects |= re::CFE_AUTOCOLOR;
  else
    r.crTextColor = re::ColorRef(ColorToRGB(source.color));
  r.bCharSet = source.charset;
  // The weight the font really has, beyond bold or not.
  r.mask |= re::CFM_WEIGHT;
  r.wWeight = int(f.weight());
  Send(r);
}

void TReTextAttributes::Assign(const TReTextAttributes &other) { Send(other.Record()); }

void TReTextAttributes::AssignTo(TReFontSource &dest) const {
  dest.color = Color();
  dest.font.setFamily(Name());
  dest.charset = Charset();
  const TFontStyles s = Style();
  dest.font.setBold(s & 1);
  dest.font.setItalic(s & 2);
  dest.font.setUnderline(s & 4);
  dest.font.setStrikeOut(s & 8);
  if (Size() > 0) dest.font.setPointSize(Size());
  dest.font.setFixedPitch(Pitch() == fpFixed);
}

// ---------------------------------------------------------------- paragraph attributes

re::ParaFormat TReParaAttributes::Record() const {
  re::ParaFormat r = control_.paraFormat();
  if (version1()) r.mask &= kVersion1ParaMask;
  return r;
}

void TReParaAttributes::Send(re::ParaFormat r) {
  if (version1()) r.mask &= kVersion1ParaMask;
  // Right-to-left text: the control mirrors left and right.
  if ((r.mask & re::PFM_ALIGNMENT) && control_.layoutDirection() == Qt::RightToLeft) {
    if (r.wAlignment == re::PFA_LEFT)
      r.wAlignment = re::PFA_RIGHT;
    else if (r.wAlignment == re::PFA_RIGHT)
      r.wAlignment = re::PFA_LEFT;
  }
  control_.setParaFormat(r);
}

int TReParaAttributes::Alignment() const { return Record().wAlignment - 1; }

void TReParaAttributes::SetAlignment(int value) {
  re::ParaFormat r;
  r.mask = re::PFM_ALIGNMENT;
  r.wAlignment = value + 1;
  Send(r);
}

int TReParaAttributes::Numbering() const {
  const int n = Record().wNumbering;
  return version1() && n != 0 ? 1 : n;
}

void TReParaAttributes::SetNumbering(int value) {
  if (version1() && value != 0) value = 1;
  if (value == 0)
    SetLeftIndent(0);
  else if (LeftIndent() < 10)
    SetLeftIndent(10);
  re::ParaFormat r;
  r.mask = re::PFM_NUMBERING;
  r.wNumbering = value;
  Send(r);
}

int TReParaAttributes::FirstIndent() const { return Record().dxStartIndent / 20; }

void TReParaAttributes::SetFirstIndent(int points) {
  re::ParaFormat r;
  r.mask = re::PFM_STARTINDENT;
  r.dxStartIndent = twips(points);
  Send(r);
}

int TReParaAttributes::LeftIndent() const { return Record().dxOffset / 20; }

void TReParaAttributes::SetLeftIndent(int points) {
  re::ParaFormat r;
  r.mask = re::PFM_OFFSET;
  r.dxOffset = twips(points);
  Send(r);
}

int TReParaAttributes::RightIndent() const { return Record().dxRightIndent / 20; }

void TReParaAttributes::SetRightIndent(int points) {
  re::ParaFormat r;
  r.mask = re::PFM_RIGHTINDENT;
  r.dxRightIndent = twips(points);
  Send(r);
}

int TReParaAttributes::SpaceBefore() const { return Record().dySpaceBefore / 20; }

void TReParaAttributes::SetSpaceBefore(int points) {
  if (version1()) return;
  re::ParaFormat r;
  r.mask = re::PFM_SPACEBEFORE;
  r.dySpaceBefore = twips(points);
  Send(r);
}

int TReParaAttributes::SpaceAfter() const { return Record().dySpaceAfter / 20; }

void TReParaAttributes::SetSpaceAfter(int points) {
  if (version1()) return;
  re::ParaFormat r;
  r.mask = re::PFM_SPACEAFTER;
  r.dySpaceAfter = twips(points);
  Send(r);
}

int TReParaAttributes::LineSpacing() const { return Record().dyLineSpacing / 20; }

void TReParaAttributes::SetLineSpacing(int points) {
  if (version1()) return;
  const re::ParaFormat current = Record();
  re::ParaFormat r;
  r.mask = re::PFM_LINESPACING;
  r.bLineSpacingRule = current.bLineSpacingRule;
  r.dyLineSpacing = twips(points);
  Send(r);
}

int TReParaAttributes::LineSpacingRule() const { return Record().bLineSpacingRule; }

void TReParaAttributes::SetLineSpacingRule(int rule) {
  if (version1()) return;
  const re::ParaFormat current = Record();
  re::ParaFormat r;
  r.mask = re::PFM_LINESPACING;
  r.bLineSpacingRule = rule;
  r.dyLineSpacing = current.dyLineSpacing;
  Send(r);
}

int TReParaAttributes::TabCount() const { return Record().cTabCount; }

int TReParaAttributes::Tab(int index) const {
  if (index < 0 || index >= re::MAX_TAB_STOPS) return 0;
  return re::tabPositionTwips(Record().rgxTabs[index]) / 20;
}

void TReParaAttributes::SetTab(int index, int points) {
  if (index < 0 || index >= re::MAX_TAB_STOPS) return;
  const re::ParaFormat current = Record();
  re::ParaFormat r;
  r.mask = re::PFM_TABSTOPS;
  r.cTabCount = current.cTabCount;
  std::copy(std::begin(current.rgxTabs), std::end(current.rgxTabs), std::begin(r.rgxTabs));
  r.rgxTabs[index] = twips(points);
  if (r.cTabCount <= index) r.cTabCount = index + 1;
  Send(r);
}

void TReParaAttributes::Assign(const TReParaAttributes &other) { Send(other.Record()); }

} // namespace qel
