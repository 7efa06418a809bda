#include "app/formattingstate.h"

namespace qel {

const QList<int> &TextSizeItems() {
  static const QList<int> sizes = {6, 7, 8, 9, 10, 11, 12, 14, 16, 18, 20, 22, 24, 26, 28, 30, 32, 36};
  return sizes;
}

FormattingState FormattingStateOf(const re::CharFormat &c, const re::ParaFormat &p) {
  FormattingState s;
  auto on = [&](std::uint32_t mask, std::uint32_t effect) { return (c.mask & mask) && (c.effects & effect); };
  s.bold = on(re::CFM_BOLD, re::CFE_BOLD);
  s.italic = on(re::CFM_ITALIC, re::CFE_ITALIC);
  s.underline = on(re::CFM_UNDERLINE, re::CFE_UNDERLINE);
  s.superscript = on(re::CFM_SUPERSCRIPT, re::CFE_SUPERSCRIPT);
  s.subscript = on(re::CFM_SUBSCRIPT, re::CFE_SUBSCRIPT);
  if (p.mask & re::PFM_ALIGNMENT) {
    s.left = p.wAlignment == re::PFA_LEFT;
    s.right = p.wAlignment == re::PFA_RIGHT;
    s.center = p.wAlignment == re::PFA_CENTER;
  }
  s.bullets = (p.mask & re::PFM_NUMBERING) && p.wNumbering != 0;
  if ((c.mask & re::CFM_SIZE) && c.yHeight > 0) {
    s.size = c.yHeight / 20;
    const bool listed = c.yHeight % 20 == 0 && TextSizeItems().contains(s.size);
    s.sizeItem = listed ? QString::number(s.size) : QStringLiteral("other");
  } else {
    s.sizeItem = QStringLiteral("other");
  }
  if ((c.mask & re::CFM_COLOR) && !(c.effects & re::CFE_AUTOCOLOR)) s.textColor = TColor(c.crTextColor);
  if ((c.mask & re::CFM_BACKCOLOR) && !(c.effects & re::CFE_AUTOBACKCOLOR)) s.highlightColor = TColor(c.crBackColor);
  if (c.mask & re::CFM_FACE) s.fontName = c.szFaceName;
  return s;
}

} // namespace qel
