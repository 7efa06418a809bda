#pragma once
// The RTF reader's parser: tokens, groups, destinations, tables and code
// pages, shared by the document builder and the direct plain-text path so
// both see exactly the same text. A sink receives text runs, paragraph ends,
// pictures and objects; the parser owns everything else.
//
// Hostile input: every read is bounds-checked against the end pointer, group
// nesting beyond kMaxDepth keeps counting without growing state, numbers are
// clamped, and the parser stops at the root group's end or the data's end.

#include "platform/richedit/formatrecords.h"
#include "platform/richedit/rtf_codepages.h"
#include "platform/richedit/rtf_pict.h"
#include "platform/richedit/rtfread_keywords.h"
#include "platform/richedit/textprops.h"

#include <QByteArray>
#include <QString>

#include <algorithm>
#include <array>
#include <climits>
#include <cstdint>
#include <cstring>
#include <unordered_map>
#include <vector>

namespace qel::re::rtf {

struct CharState {
  qint32 font = -1;  // -1: the document's \deff
  qint32 sizeHp = 24;
  qint32 fg = 0;     // colour table index; 0 or an automatic entry = automatic colour
  qint32 bg = 0;     // highlight colour index; 0 = none
  quint32 effects = 0;  // CFE_* bits
  qint32 ul = 0;        // CFU_* underline type
  qint32 offsetHp = 0;  // \up positive, \dn negative
  qint32 spacingTw = 0;
  qint32 kernHp = 0;
  qint32 lang = 0;
  qint32 style = 0;
  qint32 animation = 0;
  qint32 revAuthor = 0;
  qint32 field = 0;  // index into Tables::fields of the field whose result this is, 0 = none
  bool operator==(const CharState &) const = default;
};

struct ParaState {
  qint32 li = 0, ri = 0, fi = 0, sb = 0, sa = 0, sl = 0;
  qint32 tabsId = 0;  // index into Tables::tabSets
  qint32 pnId = 0;    // index into Tables::pns, 0 = none
  qint32 ls = 0, ilvl = 0;
  qint32 style = 0, outline = 0;
  qint16 effects = 0;  // PFE_* bits
  qint8 align = 0;     // 0 left, 1 right, 2 centre, 3 justify
  bool slmult = false;
  bool intbl = false;
  qint8 tabAlign = 0, tabLeader = 0;  // for the next \tx
  bool operator==(const ParaState &) const = default;
};

struct FontEntry {
  QString name;
  qint32 charset = -1;
  qint32 pitchFamily = 0;
  qint32 cpg = 0;  // \cpgN, overrides the charset's page
};

struct PnInfo {
  qint32 numbering = 0;  // PFN_*
  qint32 start = 1;
  qint32 style = PFNS_PERIOD;
  qint32 indent = 0;  // twips
  qint32 font = -1;
  qint32 fsHp = 0;
  bool cont = false;
  QString before, after;
};

struct ListLevel {
  qint32 nfc = 0;
  qint32 start = 1;
  QString text;  // \leveltext: length character first, level placeholders below U+000A
};

struct ListDef {
  qint32 id = 0;
  std::vector<ListLevel> levels;
};

// A cell border side: style 0 none, 1 single, 2 thick, 3 double, 4 dotted,
// 5 dashed; width in twips; colour 0x00RRGGBB or -1 automatic.
struct BorderDef {
  qint16 style = 0;
  qint16 width = 0;
  qint64 colour = -1;
  bool operator==(const BorderDef &) const = default;
};

// One cell of a table row's definition (the words before its \cellx).
struct CellDef {
  qint32 right = 0;      // \cellxN: right boundary in twips
  quint8 merge = 0;      // 1 \clmgf, 2 \clmrg, 4 \clvmgf, 8 \clvmrg
  qint8 valign = 0;      // 0 top, 1 centre, 2 bottom
  BorderDef borders[4];  // top, left, bottom, right
  bool operator==(const CellDef &) const = default;
};

// A table row's definition (\trowd ... \cellx ...).
struct RowDef {
  qint32 gap = 0;     // \trgaph: half the space between cells
  qint32 left = 0;    // \trleft
  qint32 height = 0;  // \trrh
  qint8 align = 0;    // 0 left, 1 right, 2 centre
  std::vector<CellDef> cells;
  bool operator==(const RowDef &) const = default;
};

// What the document's header and tables said, for the sinks' format mapping.
struct Tables {
  qint32 ansiCodePage = 1252;
  qint32 deff = 0;
  qint32 deftab = 0;
  std::vector<FontEntry> fonts;
  std::unordered_map<qint32, qint32> fontIndex;  // font number -> index in fonts
  std::vector<qint64> colours;                   // 0x00RRGGBB, -1 = automatic
  std::vector<std::vector<int>> tabSets{{}};     // rgxTabs values; [0] = none
  std::vector<PnInfo> pns{PnInfo{}};             // [0] = none
  std::vector<ListDef> lists;
  std::unordered_map<qint32, qint32> listIndex;  // \listid -> index in lists (the first of that id)
  std::unordered_map<qint32, qint32> overrides;  // \lsN -> \listid
  std::vector<QString> fields{QString()};        // field instructions; [0] = none

  const FontEntry *font(qint32 number) const {
    auto it = fontIndex.find(number < 0 ? deff : number);
    return it == fontIndex.end() ? nullptr : &fonts[size_t(it->second)];
  }
  // Colour of a table entry, -1 when automatic or absent.
  qint64 colour(qint32 index) const {
    return index > 0 && size_t(index) < colours.size() ? colours[size_t(index)] : -1;
  }
  int codePageOfFont(qint32 number) const {
    const FontEntry *f = font(number);
    if (!f) return ansiCodePage;
    if (f->cpg > 0) return f->cpg;
    return codePageForCharset(f->charset < 0 ? 0 : f->charset, ansiCodePage);
  }
  const ListLevel *listLevel(qint32 ls, qint32 ilvl) const {
    auto it = overrides.find(ls);
    const qint32 id = it == overrides.end() ? ls : it->second;
    auto li = listIndex.find(id);
    if (li == listIndex.end()) return nullptr;
    const ListDef &l = lists[size_t(li->second)];
    if (l.levels.empty()) return nullptr;
    return &l.levels[size_t(std::clamp<qint32>(ilvl, 0, qint32(l.levels.size()) - 1))];
  }
};

// Bullet or numbering of a paragraph in the control's terms.
struct Numbering {
  qint32 numbering = 0;  // 0 none
  qint32 start = 1;
  qint32 style = 0;
  qint32 tab = 0;
  QString before, after;
  qint32 font = -1;  // font number of the bullet or number, -1 = none given
  qint32 fsHp = 0;
};

inline qint32 numberingStyleOf(const QString &before, const QString &after) {
  if (before.isEmpty() && after.isEmpty()) return PFNS_PLAIN;
  if (before == QLatin1String("(") && after == QLatin1String(")")) return PFNS_PARENS;
  if (before.isEmpty() && after == QLatin1String(")")) return PFNS_PAREN;
  return PFNS_PERIOD;
}

inline Numbering numberingOf(const ParaState &pa, const Tables &t) {
  Numbering n;
  if (pa.pnId > 0 && size_t(pa.pnId) < t.pns.size()) {
    const PnInfo &p = t.pns[size_t(pa.pnId)];
    n.numbering = p.numbering;
    n.start = p.start;
    n.style = p.cont ? PFNS_NONUMBER : p.style;
    n.tab = p.indent;
    n.before = p.before;
    n.after = p.after;
    n.font = p.font;
    n.fsHp = p.fsHp;
    return n;
  }
  if (pa.ls > 0) {
    const ListLevel *lv = t.listLevel(pa.ls, pa.ilvl);
    if (!lv) return n;
    switch (lv->nfc) {
    case 23: n.numbering = PFN_BULLET; break;
    case 1: n.numbering = PFN_UCROMAN; break;
    case 2: n.numbering = PFN_LCROMAN; break;
    case 3: n.numbering = PFN_UCLETTER; break;
    case 4: n.numbering = PFN_LCLETTER; break;
    case 255: return n;
    default: n.numbering = PFN_ARABIC; break;
    }
    n.start = lv->start;
    // The level text: its first character is its length; characters below
    // U+000A stand for level numbers.
    QString text = lv->text.mid(1, lv->text.isEmpty() ? 0 : lv->text.at(0).unicode());
    if (n.numbering == PFN_BULLET) {
      n.before = text;
    } else {
      qsizetype first = -1, last = -1;
      for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i).unicode() < 10) {
          if (first < 0) first = i;
          last = i;
        }
      }
      if (first >= 0) {
        n.before = text.left(first);
        n.after = text.mid(last + 1);
      }
      n.style = numberingStyleOf(n.before, n.after);
    }
  }
  return n;
}

inline bool hasNumbering(const ParaState &pa, const Tables &t) {
  return (pa.pnId > 0 && size_t(pa.pnId) < t.pns.size() && t.pns[size_t(pa.pnId)].numbering != 0) ||
         (pa.ls > 0 && t.listLevel(pa.ls, pa.ilvl) != nullptr);
}

// The paragraph record of a paragraph state, mask PFM_ALL2.
inline ParaFormat paraRecordOf(const ParaState &pa, const Tables &t) {
  ParaFormat r;
  r.mask = PFM_ALL2;
  r.wAlignment = pa.align + 1;
  r.dxStartIndent = pa.li + pa.fi;
  r.dxOffset = -pa.fi;
  r.dxRightIndent = pa.ri;
  r.dySpaceBefore = pa.sb;
  r.dySpaceAfter = pa.sa;
  if (pa.sl == 0) {
    r.bLineSpacingRule = 0;
  } else if (pa.slmult) {
    if (pa.sl == 240) r.bLineSpacingRule = 0;
    else if (pa.sl == 360) r.bLineSpacingRule = 1;
    else if (pa.sl == 480) r.bLineSpacingRule = 2;
    else {
      r.bLineSpacingRule = 5;
      r.dyLineSpacing = std::abs(pa.sl) / 12;
    }
  } else if (pa.sl > 0) {
    r.bLineSpacingRule = 3;
    r.dyLineSpacing = pa.sl;
  } else {
    r.bLineSpacingRule = 4;
    r.dyLineSpacing = pa.sl == INT_MIN ? INT_MAX : -pa.sl;
  }
  r.wEffects = pa.effects;
  r.sStyle = pa.style;
  r.bOutlineLevel = pa.outline;
  if (pa.tabsId > 0 && size_t(pa.tabsId) < t.tabSets.size()) {
    const auto &tabs = t.tabSets[size_t(pa.tabsId)];
    r.cTabCount = int(std::min<size_t>(tabs.size(), MAX_TAB_STOPS));
    for (int i = 0; i < r.cTabCount; ++i) r.rgxTabs[i] = tabs[size_t(i)];
  }
  const Numbering n = numberingOf(pa, t);
  r.wNumbering = n.numbering;
  if (n.numbering) {
    r.wNumberingStart = n.start;
    r.wNumberingStyle = n.style;
    r.wNumberingTab = n.tab;
  }
  return r;
}

template <class Sink>
class Parser {
public:
  static constexpr int kMaxDepth = 1000;

  Parser(const char *data, qsizetype size, Sink &sink, bool wholeDocument)
      : begin_(data), p_(data), end_(data + size), sink_(sink), whole_(wholeDocument) {}

  const Tables &tables() const { return t_; }

  void run() {
    stack_.reserve(32);
    while (p_ < end_ && !done_) {
      const unsigned char c = static_cast<unsigned char>(*p_);
      if (c == '{') {
        ++p_;
        pushGroup();
      } else if (c == '}') {
        ++p_;
        popGroup();
      } else if (c == '\\') {
        ++p_;
        controlWord();
      } else if (c == '\r' || c == '\n') {
        ++p_;
      } else {
        textRun();
      }
    }
    flushMultiByte();
    if (!done_) {
      final_ = cur_;  // the data ended inside the document
      finalSaved_ = true;
    }
    // Groups left open by truncated data still end their destinations.
    while (!stack_.empty() && !done_) popGroup(true);
    finish();
  }

private:
  enum class Dest : std::uint8_t {
    Text, Skip, FontTable, ColorTable, ListTable, List, ListLevelD, LevelText, OverrideTable, Override,
    Pict, Object, ObjClass, ObjResult, Pn, PnBefore, PnAfter, PnText, FldInst,
  };

  struct State {
    Dest dest = Dest::Text;
    bool starred = false;   // "\*" seen in this group
    bool shppict = false;   // inside \shppict
    std::uint8_t uc = 1;
    CharState ch;
    ParaState pa;
  };

  // ---- groups -----------------------------------------------------------------------
  void pushGroup() {
    flushMultiByte(true);
    flushSurrogate();
    skip_ = 0;
    if (excess_ > 0 || int(stack_.size()) >= kMaxDepth) {
      ++excess_;
      return;
    }
    stack_.push_back(cur_);
    cur_.starred = false;
    groupOpens_.push_back((p_ - 1) - begin_);
  }

  void popGroup(bool atEnd = false) {
    flushMultiByte(true);
    flushSurrogate();
    skip_ = 0;
    if (excess_ > 0) {
      --excess_;
      return;
    }
    if (stack_.empty()) {  // a stray "}" beyond the root group
      done_ = true;
      return;
    }
    endDestination(atEnd);
    if (stack_.size() == 1 && !finalSaved_) {
      final_ = cur_;  // the root group closes: its state ends the last paragraph
      finalSaved_ = true;
    }
    cur_ = stack_.back();
    stack_.pop_back();
    groupOpens_.pop_back();
    if (stack_.empty()) done_ = true;  // the root group closed
  }

  // Actions when a group of a destination closes, seen from the group's own state.
  void endDestination(bool atEnd) {
    const State &parent = stack_.back();
    const Dest d = cur_.dest;
    if (cur_.shppict && !parent.shppict) {
      if (shppictGavePicture_) lastShppictClose_ = p_ - begin_;
      shppictGavePicture_ = false;
    }
    if (d == parent.dest && d != Dest::Pict && d != Dest::Object) {
      if (d == Dest::FontTable && (fontOpen_ || curFontNumber_ != INT_MIN)) commitFont();
      return;  // an inner group of the same destination
    }
    switch (d) {
    case Dest::FontTable:
      if (fontOpen_ || curFontNumber_ != INT_MIN) commitFont();
      codePageFont_ = INT_MIN;
      break;
    case Dest::ColorTable:
      if (colourDirty_) commitColour();
      break;
    case Dest::ListLevelD:
      if (curList_.levels.size() < 9) curList_.levels.push_back(curLevel_);
      curLevel_ = ListLevel{};
      break;
    case Dest::List:
      if (t_.lists.size() < 4096) {
        t_.listIndex.emplace(curList_.id, qint32(t_.lists.size()));
        t_.lists.push_back(std::move(curList_));
      }
      curList_ = ListDef{};
      break;
    case Dest::Override:
      if (overrideLs_ > 0 && t_.overrides.size() < 4096) t_.overrides[overrideLs_] = overrideId_;
      overrideLs_ = overrideId_ = 0;
      break;
    case Dest::Pn:
      if (parent.dest == Dest::Text || parent.dest == Dest::PnText) {
        curPn_.style = curPn_.numbering == PFN_BULLET ? 0 : numberingStyleOf(curPn_.before, curPn_.after);
        if (t_.pns.size() < 65536) {
          t_.pns.push_back(curPn_);
          stack_.back().pa.pnId = qint32(t_.pns.size() - 1);
        }
      }
      curPn_ = PnInfo{};
      break;
    case Dest::PnText:
      break;
    case Dest::FldInst:
      // The field's result, read next in the field's group, carries the instruction.
      if (parent.dest == Dest::Text && t_.fields.size() < 65536) {
        t_.fields.push_back(fldInst_.trimmed());
        stack_.back().ch.field = qint32(t_.fields.size() - 1);
      }
      fldInst_.clear();
      break;
    case Dest::Pict:
      if (pictDepth_ == qsizetype(stack_.size())) endPicture();
      break;
    case Dest::Object:
      if (objDepth_ == qsizetype(stack_.size())) endObject(atEnd);
      break;
    default:
      break;
    }
  }

  void setDest(Dest d) { cur_.dest = d; }

  // ---- text -------------------------------------------------------------------------
  // A run of literal bytes (no backslash, brace or line break).
  void textRun() {
    static constexpr auto kStops = [] {
      std::array<bool, 256> t{};
      t['\\'] = t['{'] = t['}'] = t['\r'] = t['\n'] = true;
      return t;
    }();
    const char *s = p_;
    while (p_ < end_ && !kStops[static_cast<unsigned char>(*p_)]) ++p_;
    bytes(s, p_ - s);
  }

  // Literal or escaped bytes of text in the current destination.
  void bytes(const char *s, qsizetype n) {
    if (skip_ > 0) {
      const qsizetype k = std::min<qsizetype>(skip_, n);
      skip_ -= int(k);
      s += k;
      n -= k;
      if (n == 0) return;
    }
    switch (cur_.dest) {
    case Dest::Skip: case Dest::Object: case Dest::ListTable: case Dest::List:
    case Dest::ListLevelD: case Dest::OverrideTable: case Dest::Override:
      return;
    case Dest::Pict:
      if constexpr (Sink::kWantsPictures) hexData(s, n);
      return;
    case Dest::ColorTable:
      for (qsizetype i = 0; i < n; ++i)
        if (s[i] == ';') commitColour();
      return;
    case Dest::FontTable: {
      // The name runs up to ";", decoded in the font's own code page.
      while (n > 0) {
        const char *semi = static_cast<const char *>(std::memchr(s, ';', size_t(n)));
        const qsizetype k = semi ? semi - s : n;
        if (k > 0) {
          fontOpen_ = true;
          fontRaw_.append(s, k);
        }
        if (!semi) break;
        commitFont();
        s = semi + 1;
        n -= k + 1;
      }
      return;
    }
    default:
      decode(s, n);
      return;
    }
  }

  // A font name's bytes, in the code page of the font being defined.
  void flushFontRaw() {
    if (fontRaw_.isEmpty()) return;
    const int cs = curFont_.charset < 0 ? 0 : curFont_.charset;
    const int cp = curFont_.cpg > 0 ? curFont_.cpg : codePageForCharset(cs, t_.ansiCodePage);
    if (const char16_t *t = singleByteTable(cp)) {
      for (char b : fontRaw_) fontName_.append(QChar(t[static_cast<unsigned char>(b)]));
    } else {
      appendMultiByte(cp, fontRaw_.constData(), fontRaw_.size(), fontName_);
    }
    fontRaw_.clear();
  }

  int currentCodePage() {
    qint32 font;
    if (cur_.dest == Dest::PnBefore || cur_.dest == Dest::PnAfter) font = curPn_.font >= 0 ? curPn_.font : cur_.ch.font;
    else font = cur_.ch.font;
    if (font != codePageFont_) {
      codePageFont_ = font;
      codePage_ = t_.codePageOfFont(font);
      table_ = singleByteTable(codePage_);
    }
    return codePage_;
  }

  void decode(const char *s, qsizetype n) {
    const int cp = currentCodePage();
    if (!table_) {
      if (!mbPending_.isEmpty() && (mbCodePage_ != cp || mbDest_ != cur_.dest)) flushMultiByte();
      mbCodePage_ = cp;
      mbDest_ = cur_.dest;
      mbPending_.append(s, n);
      return;
    }
    flushMultiByte();  // a lead byte kept for a double-byte font that is no longer current
    char16_t buf[256];
    while (n > 0) {
      const qsizetype k = std::min<qsizetype>(n, 256);
      qsizetype m = 0;
      for (qsizetype i = 0; i < k; ++i) {
        const char16_t v = table_[static_cast<unsigned char>(s[i])];
        buf[m] = v;
        m += (v >= 0x20 || v == u'\t');  // other C0 controls are not text
      }
      chars(buf, m);
      s += k;
      n -= k;
    }
  }

  // Decodes the pending multi-byte text. With keepLead, a lead byte at its
  // end waits for its trail byte: writers split a character's two bytes
  // across a group boundary or a control word that changes nothing of it.
  void flushMultiByte(bool keepLead = false) {
    if (mbPending_.isEmpty()) return;
    char lead = 0;
    if (keepLead && endsWithLeadByte(mbCodePage_, mbPending_)) {
      lead = mbPending_.back();
      mbPending_.chop(1);
      if (mbPending_.isEmpty()) {
        mbPending_.append(lead);
        return;
      }
    }
    mbText_.clear();
    appendMultiByte(mbCodePage_, mbPending_.constData(), mbPending_.size(), mbText_);
    mbPending_.clear();
    if (lead) mbPending_.append(lead);
    mbText_.removeIf([](QChar c) { return c.unicode() < 0x20 && c.unicode() != u'\t'; });
    // The text belongs where its bytes were read, also when a kept lead byte
    // made it wait past the end of that destination's group.
    const Dest dest = cur_.dest;
    cur_.dest = mbDest_;
    chars(reinterpret_cast<const char16_t *>(mbText_.constData()), mbText_.size());
    cur_.dest = dest;
  }

  void chars(const char16_t *s, qsizetype n) {
    if (n <= 0) return;
    if (highSurrogate_) flushSurrogate();  // a high surrogate half without its low half
    switch (cur_.dest) {
    case Dest::Text:
      beforeContent();
      sink_.text(s, n, cur_.ch);
      return;
    case Dest::FontTable:
      fontOpen_ = true;
      flushFontRaw();
      fontName_.append(reinterpret_cast<const QChar *>(s), n);
      return;
    case Dest::PnText: pnText_.append(reinterpret_cast<const QChar *>(s), n); return;
    case Dest::PnBefore: curPn_.before.append(reinterpret_cast<const QChar *>(s), n); return;
    case Dest::PnAfter: curPn_.after.append(reinterpret_cast<const QChar *>(s), n); return;
    case Dest::LevelText: curLevel_.text.append(reinterpret_cast<const QChar *>(s), n); return;
    case Dest::ObjClass: objClass_.append(reinterpret_cast<const QChar *>(s), n); return;
    case Dest::FldInst: if (fldInst_.size() < 4096) fldInst_.append(reinterpret_cast<const QChar *>(s), std::min<qsizetype>(n, 4096)); return;
    case Dest::ObjResult:
      // A result without a picture is shown as its text, drawn in the object's frame.
      if (objText_.size() < 4096) objText_.append(reinterpret_cast<const QChar *>(s), std::min<qsizetype>(n, 4096));
      return;
    default: return;
    }
  }

  void ch(char16_t c) {
    flushMultiByte();
    chars(&c, 1);
  }

  // Characters of \uN: surrogate halves are joined, a lone half becomes U+FFFD.
  void unicode(qint32 value) {
    flushMultiByte();
    char16_t c = char16_t(value < 0 ? value + 65536 : value);
    if (value < -32768 || value > 65535) c = 0xFFFD;
    if (c < 0x20 && c != u'\t') return;  // C0 controls are not text
    // Characters the document gives a structural meaning are not text either.
    if (c == 0x2029) c = 0x2028;
    else if (c == 0xFDD0 || c == 0xFDD1 || c == 0xFFFC) c = 0xFFFD;
    if (QChar::isHighSurrogate(c)) {
      flushSurrogate();
      highSurrogate_ = c;
      return;
    }
    if (QChar::isLowSurrogate(c)) {
      if (highSurrogate_) {
        const char16_t pair[2] = {highSurrogate_, c};
        highSurrogate_ = 0;
        chars(pair, 2);
      } else {
        ch(0xFFFD);
      }
      return;
    }
    ch(c);
  }

  void flushSurrogate() {
    if (highSurrogate_) {
      highSurrogate_ = 0;
      const char16_t rep = 0xFFFD;
      chars(&rep, 1);
    }
  }

  // ---- document text structure -----------------------------------------------------------
  // Paragraph ends wait until content follows them, so the document's last
  // paragraph mark adds no empty paragraph, and the paragraph mark before a
  // table becomes the table's start.
  //
  // Tables: a paragraph belongs to a table row when it is in the table
  // (\intbl) where it starts; the sink gathers a row's cells until \row and
  // a table's rows until content outside the table follows.
  void beforeContent(bool cellMark = false) {
    const bool tableContent = cellMark || (inRow_ && !pendingPar_) || cur_.pa.intbl;
    if (tableContent) {
      if (!inRow_) {
        if (!inTable_) {
          // Without a paragraph mark before it, the paragraph the table
          // follows takes the table's first formats.
          if (!pendingPar_) settleShownNumbering(cur_.pa);
          sink_.tableBegin(pendingPar_, pendingPar_ ? pendingPa_ : cur_.pa, pendingPar_ ? pendingMark_ : cur_.ch);
          pendingPar_ = false;
          inTable_ = true;
        } else if (pendingPar_) {
          // A paragraph between two rows: the table ends before it.
          sink_.tableEnd();
          sink_.tableBegin(true, pendingPa_, pendingMark_);
          pendingPar_ = false;
        }
        inRow_ = true;
      }
    } else {
      endTable();
    }
    if (pendingPar_) {
      pendingPar_ = false;
      sink_.paragraphEnd(pendingPa_, pendingMark_);
    }
  }

  // Ends an open row (its last paragraph becomes its last cell) and table.
  void endTable() {
    if (inRow_) {
      if (pendingPar_) {
        pendingPar_ = false;
        sink_.cellEnd(pendingPa_, pendingMark_);
      } else if (sink_.paragraphOffset() > 0 || sink_.cellHasParagraphs()) {
        sink_.cellEnd(cur_.pa, cur_.ch);
      }
      sink_.rowEnd(rowDef_);
      inRow_ = false;
    }
    if (inTable_) {
      sink_.tableEnd();
      inTable_ = false;
    }
  }

  // Shown numbering (\pntext) belongs to the paragraph it starts in and is
  // settled when that paragraph ends, however it ends: a paragraph or cell
  // mark, a row end, a table starting after it, or the end of the text.
  // Left pending, it would land in whatever paragraph ended next, and the
  // two sinks place such late text differently.
  void settleShownNumbering(const ParaState &pa) {
    if (!pnFallback_) return;
    if (!hasNumbering(pa, t_)) sink_.insertText(pnOffset_, pnText_, pnFallbackCs_);
    pnFallback_ = false;
  }

  void cell() {
    flushMultiByte();
    flushSurrogate();
    settleShownNumbering(cur_.pa);
    // A paragraph mark in a group of its own just before \cell ("{\pard\intbl
    // x\par}\cell") ends the cell's last paragraph, not a paragraph of its own.
    if (pendingPar_ && pendingParDepth_ != qsizetype(stack_.size())) {
      pendingPar_ = false;
      beforeContent(true);
      sink_.cellEnd(pendingPa_, pendingMark_);
      return;
    }
    beforeContent(true);
    sink_.cellEnd(cur_.pa, cur_.ch);
  }

  void row() {
    flushMultiByte();
    flushSurrogate();
    settleShownNumbering(cur_.pa);
    if (pendingPar_ && pendingParDepth_ != qsizetype(stack_.size())) {
      pendingPar_ = false;
      beforeContent(true);
      sink_.cellEnd(pendingPa_, pendingMark_);
    } else if (!inRow_ || pendingPar_ || sink_.paragraphOffset() > 0 || sink_.cellHasParagraphs()) {
      // Content after the last \cell (an empty paragraph after paragraphs
      // ended in the cell too), or a row without any, is one more cell.
      beforeContent(true);
      sink_.cellEnd(cur_.pa, cur_.ch);
    }
    sink_.rowEnd(rowDef_);
    inRow_ = false;
  }

  void paragraph() {
    flushMultiByte();
    if (cur_.dest == Dest::ObjResult && objText_.size() < 4096) objText_.append(QLatin1Char('\n'));
    if (cur_.dest != Dest::Text) return;
    flushSurrogate();
    beforeContent();
    ParaState pa = cur_.pa;
    if (breakBefore_) {
      pa.effects |= PFE_PAGEBREAKBEFORE;
      breakBefore_ = false;
    }
    settleShownNumbering(pa);
    pendingPar_ = true;
    pendingParDepth_ = qsizetype(stack_.size());
    pendingPa_ = pa;
    pendingMark_ = cur_.ch;
  }

  void finish() {
    const State last = finalSaved_ ? final_ : cur_;
    if (highSurrogate_) {
      highSurrogate_ = 0;
      if (last.dest == Dest::Text) {
        const char16_t rep = 0xFFFD;
        beforeContent();
        sink_.text(&rep, 1, last.ch);
      }
    }
    settleShownNumbering(last.pa);
    if (inRow_ || inTable_) {
      const State saved = cur_;
      cur_ = last;
      endTable();
      cur_ = saved;
    }
    if (pendingPar_ && !whole_) {
      pendingPar_ = false;
      sink_.paragraphEnd(pendingPa_, pendingMark_);
      sink_.finish(last.pa, last.ch, false);
      return;
    }
    if (pendingPar_) {
      sink_.finish(pendingPa_, pendingMark_, true);
    } else {
      ParaState pa = last.pa;
      if (breakBefore_) pa.effects |= PFE_PAGEBREAKBEFORE;
      sink_.finish(pa, last.ch, false);
    }
  }

  // ---- tables ---------------------------------------------------------------------------
  void commitFont() {
    flushFontRaw();
    if (curFontNumber_ != INT_MIN && t_.fonts.size() < 65536) {
      while (!fontName_.isEmpty() && fontName_.back().isSpace()) fontName_.chop(1);
      qsizetype lead = 0;
      while (lead < fontName_.size() && fontName_.at(lead).isSpace()) ++lead;
      curFont_.name = fontName_.mid(lead);
      auto it = t_.fontIndex.find(curFontNumber_);
      if (it == t_.fontIndex.end()) {
        t_.fontIndex.emplace(curFontNumber_, qint32(t_.fonts.size()));
        t_.fonts.push_back(curFont_);
      } else {
        t_.fonts[size_t(it->second)] = curFont_;
      }
    }
    curFont_ = FontEntry{};
    curFontNumber_ = INT_MIN;
    fontName_.clear();
    fontRaw_.clear();
    fontOpen_ = false;
    codePageFont_ = INT_MIN;
  }

  void commitColour() {
    if (t_.colours.size() < 65536)
      t_.colours.push_back(colourDirty_ ? (qint64(red_) << 16 | qint64(green_) << 8 | blue_) : -1);
    red_ = green_ = blue_ = 0;
    colourDirty_ = false;
  }

  void addTab(int position, int alignment) {
    const auto &old = t_.tabSets[size_t(cur_.pa.tabsId)];
    if (old.size() >= MAX_TAB_STOPS) return;
    std::vector<int> tabs = old;
    tabs.push_back(makeTab(std::clamp(position, 0, 0x00FFFFFF), alignment, cur_.pa.tabLeader));
    std::stable_sort(tabs.begin(), tabs.end(), [](int a, int b) { return tabPositionTwips(a) < tabPositionTwips(b); });
    cur_.pa.tabAlign = cur_.pa.tabLeader = 0;
    if (t_.tabSets.size() > 1 && t_.tabSets.back() == tabs) {
      cur_.pa.tabsId = qint32(t_.tabSets.size() - 1);
      return;
    }
    if (t_.tabSets.size() >= 65536) return;
    t_.tabSets.push_back(std::move(tabs));
    cur_.pa.tabsId = qint32(t_.tabSets.size() - 1);
  }

  // ---- pictures and objects ---------------------------------------------------------------
  void beginPicture() {
    if (pictDepth_ >= 0) {  // a picture inside a picture: ignore the inner one
      setDest(Dest::Skip);
      return;
    }
    setDest(Dest::Pict);
    pictDepth_ = qsizetype(stack_.size());
    pict_ = PictureData{};
    nibble_ = -1;
  }

  void hexData(const char *s, qsizetype n) {
    char buf[1024];
    int m = 0;
    for (qsizetype i = 0; i < n; ++i) {
      const int v = hexValue(static_cast<unsigned char>(s[i]));
      if (v < 0) continue;
      if (nibble_ < 0) {
        nibble_ = v;
      } else {
        buf[m++] = char((nibble_ << 4) | v);
        nibble_ = -1;
        if (m == int(sizeof buf)) {
          pict_.data.append(buf, m);
          m = 0;
        }
      }
    }
    pict_.data.append(buf, m);
  }

  static int hexValue(unsigned char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  }

  void endPicture() {
    pictDepth_ = -1;
    if (objDepth_ >= 0) {
      // A picture of an object's result shows the object; the first one counts.
      if (!objHasPicture_ && inObjectResult()) {
        objPicture_ = std::move(pict_);
        objHasPicture_ = true;
      }
      pict_ = PictureData{};
      return;
    }
    // Only pictures in the document's text are shown.
    for (const State &s : stack_) {
      if (s.dest != Dest::Text) {
        pict_ = PictureData{};
        return;
      }
    }
    beforeContent();
    sink_.picture(std::move(pict_), cur_.ch);
    pict_ = PictureData{};
    if (cur_.shppict) shppictGavePicture_ = true;
  }

  bool inObjectResult() const {
    for (size_t i = size_t(objDepth_); i < stack_.size(); ++i)
      if (stack_[i].dest == Dest::ObjResult) return true;
    return cur_.dest == Dest::ObjResult;
  }

  void beginObject() {
    if (objDepth_ >= 0 || pictDepth_ >= 0) {
      setDest(Dest::Skip);
      return;
    }
    // Objects count only in the document's text.
    for (const State &s : stack_)
      if (s.dest != Dest::Text) {
        setDest(Dest::Skip);
        return;
      }
    if (cur_.dest != Dest::Text) {
      setDest(Dest::Skip);
      return;
    }
    setDest(Dest::Object);
    objDepth_ = qsizetype(stack_.size());
    objStart_ = groupOpens_.empty() ? 0 : groupOpens_.back();
    objClass_.clear();
    objText_.clear();
    objHasPicture_ = false;
    objPicture_ = PictureData{};
    objW_ = objH_ = 0;
  }

  void endObject(bool atEnd) {
    objDepth_ = -1;
    // The whole group as read, to be written back unchanged. A group cut off
    // by the data's end is no whole group: only its picture is kept.
    QByteArray raw;
    if (!atEnd) raw = QByteArray(begin_ + objStart_, (p_ - begin_) - objStart_);
    beforeContent();
    sink_.object(std::move(raw), objClass_.trimmed(), objHasPicture_ ? &objPicture_ : nullptr, objText_.trimmed(), objW_,
                 objH_, stack_.back().ch);
    objPicture_ = PictureData{};
    objHasPicture_ = false;
  }

  // ---- control words ------------------------------------------------------------------------
  void controlWord() {
    if (p_ >= end_) return;
    const unsigned char c = static_cast<unsigned char>(*p_);
    if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'))) {
      ++p_;
      controlSymbol(c);
      return;
    }
    const char *word = p_;
    while (p_ < end_ && ((*p_ >= 'a' && *p_ <= 'z') || (*p_ >= 'A' && *p_ <= 'Z'))) ++p_;
    const qsizetype len = p_ - word;
    bool hasParam = false;
    qint64 value = 0;
    bool negative = false;
    if (p_ < end_ && *p_ == '-' && p_ + 1 < end_ && p_[1] >= '0' && p_[1] <= '9') {
      negative = true;
      ++p_;
    }
    while (p_ < end_ && *p_ >= '0' && *p_ <= '9') {
      hasParam = true;
      if (value < INT_MAX) value = value * 10 + (*p_ - '0');
      ++p_;
    }
    if (p_ < end_ && *p_ == ' ') ++p_;
    if (value > INT_MAX) value = INT_MAX;
    const qint32 param = qint32(negative ? -value : value);
    const Kw kw = lookupKeyword(word, int(std::min<qsizetype>(len, 33)));
    if (kw != Kw::k_bin) flushMultiByte(true);
    if (kw == Kw::k_bin) {
      binary(hasParam ? param : 0);
      return;
    }
    if (skip_ > 0 && kw != Kw::k_u) {
      --skip_;
      return;
    }
    keyword(kw, hasParam, param);
  }

  void binary(qint32 n) {
    const qsizetype count = std::min<qsizetype>(std::max<qint32>(n, 0), end_ - p_);
    const char *data = p_;
    p_ += count;
    if (skip_ > 0) {
      --skip_;
      return;
    }
    if constexpr (Sink::kWantsPictures) {
      if (cur_.dest == Dest::Pict) {
        nibble_ = -1;
        pict_.data.append(data, count);
      }
    }
  }

  void controlSymbol(unsigned char c) {
    if (c == '\'') {
      if (end_ - p_ >= 2) {
        const int hi = hexValue(static_cast<unsigned char>(p_[0]));
        const int lo = hexValue(static_cast<unsigned char>(p_[1]));
        if (hi >= 0 && lo >= 0) {
          p_ += 2;
          const char b = char((hi << 4) | lo);
          if (skip_ > 0) {
            --skip_;
            return;
          }
          if (cur_.dest == Dest::LevelText) {
            // Level text bytes are lengths and placeholders, not characters.
            flushMultiByte();
            const char16_t v = char16_t(static_cast<unsigned char>(b));
            chars(&v, 1);
            return;
          }
          bytes(&b, 1);
          return;
        }
      }
      if (end_ - p_ < 2) p_ = end_;  // an escape cut off by the data's end
      return;
    }
    if (c == '\\' || c == '{' || c == '}') {
      if (skip_ > 0) {
        --skip_;
        return;
      }
      const char b = char(c);
      bytes(&b, 1);
      return;
    }
    flushMultiByte();
    if (c == '*') {
      cur_.starred = true;
      return;
    }
    if (skip_ > 0) {
      --skip_;
      return;
    }
    switch (c) {
    case '~': textChar(0x00A0); break;
    case '-': textChar(0x00AD); break;
    case '_': textChar(0x2011); break;
    case '\r': case '\n': paragraph(); break;
    case '\t': textChar(u'\t'); break;
    default: break;  // \| \: and unknown symbols
    }
  }

  void textChar(char16_t c) {
    flushMultiByte();
    chars(&c, 1);
  }

  static bool isSkippedDestination(Kw kw) {
    return kw >= Kw::k_stylesheet && kw <= Kw::k_nonesttables;
  }

  void keyword(Kw kw, bool hasParam, qint32 param) {
    const bool starred = cur_.starred;
    cur_.starred = false;
    if (starred) {
      // "\*" marks a destination a reader may ignore: kept only when it is one we read.
      switch (kw) {
      case Kw::k_pn: case Kw::k_shppict: case Kw::k_nonshppict: case Kw::k_objclass: case Kw::k_listtable:
      case Kw::k_listoverridetable: case Kw::k_pict: case Kw::k_object: case Kw::k_result: case Kw::k_fldrslt:
      case Kw::k_pntext: case Kw::k_listtext: case Kw::k_leveltext: case Kw::k_list: case Kw::k_listlevel:
      case Kw::k_listoverride: case Kw::k_shprslt: case Kw::k_fldinst: case Kw::k_field:
        break;
      default:
        setDest(Dest::Skip);
        return;
      }
    }
    if (cur_.dest == Dest::Skip) return;
    if (isSkippedDestination(kw)) {
      setDest(Dest::Skip);
      return;
    }
    const qint32 onOff = hasParam ? param : 1;
    CharState &chs = cur_.ch;
    ParaState &pa = cur_.pa;
    switch (kw) {
    // ---- destinations
    case Kw::k_rtf: break;
    case Kw::k_fonttbl: setDest(Dest::FontTable); break;
    case Kw::k_colortbl: setDest(Dest::ColorTable); red_ = green_ = blue_ = 0; colourDirty_ = false; break;
    case Kw::k_listtable: setDest(Dest::ListTable); break;
    case Kw::k_list:
      if (cur_.dest == Dest::ListTable) { setDest(Dest::List); curList_ = ListDef{}; } else setDest(Dest::Skip);
      break;
    case Kw::k_listlevel:
      if (cur_.dest == Dest::List) { setDest(Dest::ListLevelD); curLevel_ = ListLevel{}; } else setDest(Dest::Skip);
      break;
    case Kw::k_leveltext:
      if (cur_.dest == Dest::ListLevelD) setDest(Dest::LevelText); else setDest(Dest::Skip);
      break;
    case Kw::k_listoverridetable: setDest(Dest::OverrideTable); break;
    case Kw::k_listoverride:
      if (cur_.dest == Dest::OverrideTable) { setDest(Dest::Override); overrideLs_ = overrideId_ = 0; } else setDest(Dest::Skip);
      break;
    case Kw::k_lfolevel: setDest(Dest::Skip); break;
    case Kw::k_pict: beginPicture(); break;
    case Kw::k_object: beginObject(); break;
    case Kw::k_objclass: if (cur_.dest == Dest::Object) setDest(Dest::ObjClass); else setDest(Dest::Skip); break;
    case Kw::k_objdata: setDest(Dest::Skip); break;
    case Kw::k_result: if (cur_.dest == Dest::Object) setDest(Dest::ObjResult); else setDest(Dest::Skip); break;
    case Kw::k_field: case Kw::k_fldrslt: case Kw::k_shp: case Kw::k_shprslt: break;
    case Kw::k_fldinst:
      if (cur_.dest == Dest::Text) { setDest(Dest::FldInst); fldInst_.clear(); } else setDest(Dest::Skip);
      break;
    case Kw::k_shppict: cur_.shppict = true; break;
    case Kw::k_nonshppict: {
      // The fallback picture of a \shppict that was just read is not read again.
      bool afterShppict = lastShppictClose_ >= 0;
      const qsizetype open = groupOpens_.empty() ? 0 : groupOpens_.back();
      for (qsizetype i = lastShppictClose_; afterShppict && i < open; ++i) {
        const char c = begin_[i];
        if (c != ' ' && c != '\r' && c != '\n' && c != '\t') afterShppict = false;
      }
      if (afterShppict) setDest(Dest::Skip);
      break;
    }
    case Kw::k_pn:
      if (cur_.dest == Dest::Text || cur_.dest == Dest::PnText) { setDest(Dest::Pn); curPn_ = PnInfo{}; }
      else setDest(Dest::Skip);
      break;
    case Kw::k_pntxtb: if (cur_.dest == Dest::Pn) setDest(Dest::PnBefore); else setDest(Dest::Skip); break;
    case Kw::k_pntxta: if (cur_.dest == Dest::Pn) setDest(Dest::PnAfter); else setDest(Dest::Skip); break;
    case Kw::k_pntext: case Kw::k_listtext:
      if (cur_.dest == Dest::Text) {
        // Shown numbering of readers that know no \pn or \ls: dropped when the
        // paragraph has numbering of its own, kept otherwise.
        setDest(Dest::PnText);
        if (!pnFallback_) {
          beforeContent();
          pnFallback_ = true;
          pnText_.clear();
          pnOffset_ = sink_.paragraphOffset();
          pnFallbackCs_ = cur_.ch;
        }
      } else {
        setDest(Dest::Skip);
      }
      break;

    // ---- document
    case Kw::k_ansi: if (!ansiCpSeen_) t_.ansiCodePage = 1252; codePageFont_ = INT_MIN; break;
    case Kw::k_mac: if (!ansiCpSeen_) t_.ansiCodePage = 10000; codePageFont_ = INT_MIN; break;
    case Kw::k_pc: if (!ansiCpSeen_) t_.ansiCodePage = 437; codePageFont_ = INT_MIN; break;
    case Kw::k_pca: if (!ansiCpSeen_) t_.ansiCodePage = 850; codePageFont_ = INT_MIN; break;
    case Kw::k_ansicpg:
      if (param > 0 && param < 65536) { t_.ansiCodePage = param; ansiCpSeen_ = true; }
      codePageFont_ = INT_MIN;
      break;
    case Kw::k_deff: if (hasParam) t_.deff = param; codePageFont_ = INT_MIN; break;
    case Kw::k_deftab: if (param > 0) t_.deftab = param; break;
    case Kw::k_uc: cur_.uc = std::uint8_t(std::clamp(param, 0, 16)); break;
    case Kw::k_u: skip_ = 0; unicode(param); skip_ = cur_.uc; break;

    // ---- font table and fonts
    case Kw::k_f:
      if (cur_.dest == Dest::FontTable) {
        if (fontOpen_ || curFontNumber_ != INT_MIN) commitFont();
        curFont_ = FontEntry{};
        curFontNumber_ = param;
        fontName_.clear();
      } else if (cur_.dest == Dest::Pn) {
        curPn_.font = param;
      } else {
        chs.font = param;
      }
      break;
    case Kw::k_fcharset:
      // A charset beyond the byte range (old Mac files write 256) names no
      // page: the font's text is in the document's code page.
      if (cur_.dest == Dest::FontTable) { curFont_.charset = param >= 0 && param <= 255 ? param : -1; codePageFont_ = INT_MIN; }
      break;
    case Kw::k_cpg: if (cur_.dest == Dest::FontTable && param > 0 && param < 65536) curFont_.cpg = param; break;
    case Kw::k_fprq: if (cur_.dest == Dest::FontTable) curFont_.pitchFamily = (curFont_.pitchFamily & 0xF0) | (param & 3); break;
    case Kw::k_fnil: case Kw::k_ftech: case Kw::k_fbidi: family(0x00); break;
    case Kw::k_froman: family(0x10); break;
    case Kw::k_fswiss: family(0x20); break;
    case Kw::k_fmodern: family(0x30); break;
    case Kw::k_fscript: family(0x40); break;
    case Kw::k_fdecor: family(0x50); break;
    case Kw::k_red: if (cur_.dest == Dest::ColorTable) { red_ = std::clamp(param, 0, 255); colourDirty_ = true; } break;
    case Kw::k_green: if (cur_.dest == Dest::ColorTable) { green_ = std::clamp(param, 0, 255); colourDirty_ = true; } break;
    case Kw::k_blue: if (cur_.dest == Dest::ColorTable) { blue_ = std::clamp(param, 0, 255); colourDirty_ = true; } break;

    // ---- characters
    case Kw::k_plain: {
      // A field's result stays its result whatever formatting it resets.
      const qint32 field = chs.field;
      chs = CharState{};
      chs.field = field;
      break;
    }
    case Kw::k_b: effect(CFE_BOLD, onOff); break;
    case Kw::k_i: effect(CFE_ITALIC, onOff); break;
    case Kw::k_strike: case Kw::k_striked: effect(CFE_STRIKEOUT, onOff); break;
    case Kw::k_protect: effect(CFE_PROTECTED, onOff); break;
    case Kw::k_v: effect(CFE_HIDDEN, onOff); break;
    case Kw::k_caps: effect(CFE_ALLCAPS, onOff); break;
    case Kw::k_scaps: effect(CFE_SMALLCAPS, onOff); break;
    case Kw::k_outl: effect(CFE_OUTLINE, onOff); break;
    case Kw::k_shad: effect(CFE_SHADOW, onOff); break;
    case Kw::k_embo: effect(CFE_EMBOSS, onOff); break;
    case Kw::k_impr: effect(CFE_IMPRINT, onOff); break;
    case Kw::k_disabled: effect(CFE_DISABLED, onOff); break;
    case Kw::k_revised: effect(CFE_REVISED, onOff); break;
    case Kw::k_deleted: effect(CFE_STRIKEOUT, onOff); break;
    case Kw::k_ul: chs.ul = onOff ? CFU_UNDERLINE : CFU_UNDERLINENONE; break;
    case Kw::k_ulw: chs.ul = onOff ? CFU_UNDERLINEWORD : 0; break;
    case Kw::k_uld: chs.ul = onOff ? CFU_UNDERLINEDOTTED : 0; break;
    case Kw::k_uldb: chs.ul = onOff ? CFU_UNDERLINEDOUBLE : 0; break;
    case Kw::k_uldash: case Kw::k_ulldash: case Kw::k_ulthdash: case Kw::k_ulthldash: chs.ul = onOff ? CFU_UNDERLINEDASH : 0; break;
    case Kw::k_uldashd: case Kw::k_ulthdashd: chs.ul = onOff ? CFU_UNDERLINEDASHDOT : 0; break;
    case Kw::k_uldashdd: case Kw::k_ulthdashdd: chs.ul = onOff ? CFU_UNDERLINEDASHDOTDOT : 0; break;
    case Kw::k_ulwave: case Kw::k_ulhwave: case Kw::k_ululdbwave: chs.ul = onOff ? CFU_UNDERLINEWAVE : 0; break;
    case Kw::k_ulth: case Kw::k_ulthd: chs.ul = onOff ? CFU_UNDERLINETHICK : 0; break;
    case Kw::k_ulhair: chs.ul = onOff ? CFU_UNDERLINEHAIRLINE : 0; break;
    case Kw::k_ulnone: chs.ul = CFU_UNDERLINENONE; break;
    case Kw::k_super: chs.effects &= ~(CFE_SUBSCRIPT | CFE_SUPERSCRIPT); if (onOff) chs.effects |= CFE_SUPERSCRIPT; break;
    case Kw::k_sub: chs.effects &= ~(CFE_SUBSCRIPT | CFE_SUPERSCRIPT); if (onOff) chs.effects |= CFE_SUBSCRIPT; break;
    case Kw::k_nosupersub: chs.effects &= ~(CFE_SUBSCRIPT | CFE_SUPERSCRIPT); break;
    case Kw::k_up: chs.offsetHp = std::clamp(hasParam ? param : 6, -32000, 32000); break;
    case Kw::k_dn: chs.offsetHp = -std::clamp(hasParam ? param : 6, -32000, 32000); break;
    case Kw::k_fs:
      if (cur_.dest == Dest::Pn) curPn_.fsHp = std::clamp(param, 0, 3276);
      else chs.sizeHp = hasParam && param > 0 ? std::min(param, 3276) : 24;
      break;
    case Kw::k_cf: chs.fg = std::max(param, 0); break;
    case Kw::k_highlight: case Kw::k_cb: case Kw::k_chcbpat: chs.bg = std::max(param, 0); break;
    case Kw::k_expndtw: chs.spacingTw = std::clamp(param, -32000, 32000); break;
    case Kw::k_expnd: chs.spacingTw = std::clamp(param, -6400, 6400) * 5; break;
    case Kw::k_kerning: chs.kernHp = std::clamp(param, 0, 32000); break;
    case Kw::k_lang: chs.lang = param; break;
    case Kw::k_cs: chs.style = param; break;
    case Kw::k_animtext: chs.animation = param; break;
    case Kw::k_revauth: chs.revAuthor = param; break;

    // ---- paragraphs
    case Kw::k_pard: {
      const ParaState fresh;
      pa = fresh;
      break;
    }
    case Kw::k_par: case Kw::k_sect: paragraph(); break;
    case Kw::k_page: paragraph(); if (cur_.dest == Dest::Text) breakBefore_ = true; break;
    case Kw::k_ql: pa.align = 0; break;
    case Kw::k_qr: pa.align = 1; break;
    case Kw::k_qc: pa.align = 2; break;
    case Kw::k_qj: case Kw::k_qd: pa.align = 3; break;
    case Kw::k_li: case Kw::k_lin: pa.li = twips(param); break;
    case Kw::k_ri: case Kw::k_rin: pa.ri = twips(param); break;
    case Kw::k_fi: pa.fi = twips(param); break;
    case Kw::k_sb: pa.sb = twips(param); break;
    case Kw::k_sa: pa.sa = twips(param); break;
    case Kw::k_sl: pa.sl = twips(param); if (!hasParam) pa.sl = 0; break;
    case Kw::k_slmult: pa.slmult = onOff != 0; break;
    case Kw::k_tqr: pa.tabAlign = 2; break;
    case Kw::k_tqc: pa.tabAlign = 1; break;
    case Kw::k_tqdec: pa.tabAlign = 3; break;
    case Kw::k_tldot: pa.tabLeader = 1; break;
    case Kw::k_tlhyph: pa.tabLeader = 2; break;
    case Kw::k_tlul: pa.tabLeader = 3; break;
    case Kw::k_tlth: pa.tabLeader = 4; break;
    case Kw::k_tleq: pa.tabLeader = 5; break;
    case Kw::k_tx: if (cur_.dest == Dest::Text || cur_.dest == Dest::PnText) addTab(param, pa.tabAlign); break;
    case Kw::k_tb: if (cur_.dest == Dest::Text || cur_.dest == Dest::PnText) addTab(param, 4); break;
    case Kw::k_rtlpar: pa.effects |= PFE_RTLPARA; break;
    case Kw::k_ltrpar: pa.effects &= ~PFE_RTLPARA; break;
    case Kw::k_pagebb: paraEffect(PFE_PAGEBREAKBEFORE, onOff); break;
    case Kw::k_keep: paraEffect(PFE_KEEP, onOff); break;
    case Kw::k_keepn: paraEffect(PFE_KEEPNEXT, onOff); break;
    case Kw::k_nowidctlpar: pa.effects |= PFE_NOWIDOWCONTROL; break;
    case Kw::k_widctlpar: pa.effects &= ~PFE_NOWIDOWCONTROL; break;
    case Kw::k_noline: pa.effects |= PFE_NOLINENUMBER; break;
    case Kw::k_hyphpar: paraEffect(PFE_DONOTHYPHEN, onOff ? 0 : 1); break;
    case Kw::k_s: pa.style = param; break;
    case Kw::k_outlinelevel: pa.outline = std::clamp(param, 0, 9); break;
    case Kw::k_intbl: pa.intbl = onOff != 0; break;
    case Kw::k_ls:
      if (cur_.dest == Dest::Override) overrideLs_ = param;
      else pa.ls = param;
      break;
    case Kw::k_ilvl: pa.ilvl = std::clamp(param, 0, 8); break;
    case Kw::k_cell: if (cur_.dest == Dest::Text) cell(); break;
    case Kw::k_row: if (cur_.dest == Dest::Text) row(); break;
    // Tables inside a cell are kept as the text of their cells.
    case Kw::k_nestcell: textChar(u'\t'); break;
    case Kw::k_nestrow: break;
    case Kw::k_trowd: rowDef_ = RowDef{}; cellDef_ = CellDef{}; borderSide_ = -1; break;
    case Kw::k_trgaph: rowDef_.gap = std::clamp(param, 0, 1 << 16); break;
    case Kw::k_trleft: rowDef_.left = twips(param); break;
    case Kw::k_trrh: rowDef_.height = twips(param); break;
    case Kw::k_trql: rowDef_.align = 0; break;
    case Kw::k_trqr: rowDef_.align = 1; break;
    case Kw::k_trqc: rowDef_.align = 2; break;
    case Kw::k_clmgf: cellDef_.merge |= 1; break;
    case Kw::k_clmrg: cellDef_.merge |= 2; break;
    case Kw::k_clvmgf: cellDef_.merge |= 4; break;
    case Kw::k_clvmrg: cellDef_.merge |= 8; break;
    case Kw::k_clvertalt: cellDef_.valign = 0; break;
    case Kw::k_clvertalc: cellDef_.valign = 1; break;
    case Kw::k_clvertalb: cellDef_.valign = 2; break;
    case Kw::k_clbrdrt: borderSide_ = 0; cellDef_.borders[0] = BorderDef{1, 0, -1}; break;
    case Kw::k_clbrdrl: borderSide_ = 1; cellDef_.borders[1] = BorderDef{1, 0, -1}; break;
    case Kw::k_clbrdrb: borderSide_ = 2; cellDef_.borders[2] = BorderDef{1, 0, -1}; break;
    case Kw::k_clbrdrr: borderSide_ = 3; cellDef_.borders[3] = BorderDef{1, 0, -1}; break;
    case Kw::k_trbrdrt: case Kw::k_trbrdrl: case Kw::k_trbrdrb: case Kw::k_trbrdrr: case Kw::k_trbrdrh:
    case Kw::k_trbrdrv: case Kw::k_brdrt: case Kw::k_brdrl: case Kw::k_brdrb: case Kw::k_brdrr: case Kw::k_box:
      borderSide_ = -1;
      break;
    case Kw::k_brdrs: borderStyle(1); break;
    case Kw::k_brdrth: borderStyle(2); break;
    case Kw::k_brdrdb: borderStyle(3); break;
    case Kw::k_brdrdot: borderStyle(4); break;
    case Kw::k_brdrdash: borderStyle(5); break;
    case Kw::k_brdrnone: case Kw::k_brdrnil: borderStyle(0); break;
    case Kw::k_brdrw: if (borderSide_ >= 0) cellDef_.borders[borderSide_].width = qint16(std::clamp(param, 0, 255)); break;
    case Kw::k_brdrcf: if (borderSide_ >= 0) cellDef_.borders[borderSide_].colour = t_.colour(param); break;
    case Kw::k_cellx:
      if (rowDef_.cells.size() < 63) {
        cellDef_.right = twips(param);
        rowDef_.cells.push_back(cellDef_);
      }
      cellDef_ = CellDef{};
      borderSide_ = -1;
      break;

    // ---- special characters
    case Kw::k_tab: textChar(u'\t'); break;
    case Kw::k_line: textChar(0x2028); break;
    case Kw::k_emdash: textChar(0x2014); break;
    case Kw::k_endash: textChar(0x2013); break;
    case Kw::k_emspace: textChar(0x2003); break;
    case Kw::k_enspace: textChar(0x2002); break;
    case Kw::k_qmspace: textChar(0x2005); break;
    case Kw::k_bullet: textChar(0x2022); break;
    case Kw::k_lquote: textChar(0x2018); break;
    case Kw::k_rquote: textChar(0x2019); break;
    case Kw::k_ldblquote: textChar(0x201C); break;
    case Kw::k_rdblquote: textChar(0x201D); break;
    case Kw::k_zwj: textChar(0x200D); break;
    case Kw::k_zwnj: textChar(0x200C); break;
    case Kw::k_ltrmark: textChar(0x200E); break;
    case Kw::k_rtlmark: textChar(0x200F); break;
    case Kw::k_zwbo: textChar(0x200B); break;
    case Kw::k_zwnbo: textChar(0xFEFF); break;
    case Kw::k_chpgn: break;

    // ---- bullets and numbering
    case Kw::k_pnlvlblt: if (cur_.dest == Dest::Pn) curPn_.numbering = PFN_BULLET; break;
    case Kw::k_pnlvlbody: case Kw::k_pnlvl: if (cur_.dest == Dest::Pn && curPn_.numbering == 0) curPn_.numbering = PFN_ARABIC; break;
    case Kw::k_pnlvlcont: if (cur_.dest == Dest::Pn) { curPn_.cont = true; if (!curPn_.numbering) curPn_.numbering = PFN_ARABIC; } break;
    case Kw::k_pndec: if (cur_.dest == Dest::Pn) curPn_.numbering = PFN_ARABIC; break;
    case Kw::k_pnucltr: if (cur_.dest == Dest::Pn) curPn_.numbering = PFN_UCLETTER; break;
    case Kw::k_pnlcltr: if (cur_.dest == Dest::Pn) curPn_.numbering = PFN_LCLETTER; break;
    case Kw::k_pnucrm: if (cur_.dest == Dest::Pn) curPn_.numbering = PFN_UCROMAN; break;
    case Kw::k_pnlcrm: if (cur_.dest == Dest::Pn) curPn_.numbering = PFN_LCROMAN; break;
    case Kw::k_pnstart: if (cur_.dest == Dest::Pn) curPn_.start = std::clamp(param, 0, 32767); break;
    case Kw::k_pnindent: if (cur_.dest == Dest::Pn) curPn_.indent = twips(param); break;
    case Kw::k_pnf: if (cur_.dest == Dest::Pn) curPn_.font = param; break;
    case Kw::k_pnfs: if (cur_.dest == Dest::Pn) curPn_.fsHp = std::clamp(param, 0, 3276); break;
    case Kw::k_listid:
      if (cur_.dest == Dest::List) curList_.id = param;
      else if (cur_.dest == Dest::Override) overrideId_ = param;
      break;
    case Kw::k_levelnfc: case Kw::k_levelnfcn: if (cur_.dest == Dest::ListLevelD) curLevel_.nfc = param; break;
    case Kw::k_levelstartat: if (cur_.dest == Dest::ListLevelD) curLevel_.start = std::clamp(param, 0, 32767); break;

    // ---- pictures and objects
    case Kw::k_pngblip: pict_.type = PicPng; break;
    case Kw::k_jpegblip: pict_.type = PicJpeg; break;
    case Kw::k_emfblip: pict_.type = PicEmf; break;
    case Kw::k_wmetafile: pict_.type = PicWmf; pict_.mapMode = param; break;
    case Kw::k_dibitmap: pict_.type = PicDib; break;
    case Kw::k_wbitmap: pict_.type = PicBitmap; break;
    case Kw::k_macpict: case Kw::k_pmmetafile: pict_.type = PicMac; break;
    case Kw::k_picw: pict_.picw = std::clamp(param, 0, 1 << 24); break;
    case Kw::k_pich: pict_.pich = std::clamp(param, 0, 1 << 24); break;
    case Kw::k_picwgoal: pict_.goalW = std::clamp(param, 0, 1 << 24); break;
    case Kw::k_pichgoal: pict_.goalH = std::clamp(param, 0, 1 << 24); break;
    case Kw::k_picscalex: pict_.scaleX = std::clamp(param, 1, 10000); break;
    case Kw::k_picscaley: pict_.scaleY = std::clamp(param, 1, 10000); break;
    case Kw::k_piccropl: pict_.cropL = twips(param); break;
    case Kw::k_piccropr: pict_.cropR = twips(param); break;
    case Kw::k_piccropt: pict_.cropT = twips(param); break;
    case Kw::k_piccropb: pict_.cropB = twips(param); break;
    case Kw::k_wbmbitspixel: pict_.bitsPerPixel = std::clamp(param, 0, 64); break;
    case Kw::k_wbmplanes: pict_.planes = std::clamp(param, 0, 64); break;
    case Kw::k_wbmwidthbytes: pict_.widthBytes = std::clamp(param, 0, 1 << 24); break;
    case Kw::k_objw: if (cur_.dest == Dest::Object) objW_ = twips(param); break;
    case Kw::k_objh: if (cur_.dest == Dest::Object) objH_ = twips(param); break;
    default:
      break;
    }
  }

  static qint32 twips(qint32 v) { return std::clamp(v, -(1 << 22), 1 << 22); }

  void effect(quint32 bit, qint32 on) {
    if (on) cur_.ch.effects |= bit;
    else cur_.ch.effects &= ~bit;
  }
  void paraEffect(int bit, qint32 on) {
    if (on) cur_.pa.effects = qint16(cur_.pa.effects | bit);
    else cur_.pa.effects = qint16(cur_.pa.effects & ~bit);
  }
  void borderStyle(int style) {
    if (borderSide_ >= 0) cellDef_.borders[borderSide_].style = qint16(style);
  }
  void family(int f) {
    if (cur_.dest == Dest::FontTable) curFont_.pitchFamily = (curFont_.pitchFamily & 0x0F) | f;
  }

  const char *begin_;
  const char *p_;
  const char *end_;
  Sink &sink_;
  const bool whole_;
  bool done_ = false;

  Tables t_;
  State cur_;
  std::vector<State> stack_;
  std::vector<qsizetype> groupOpens_;  // where each open group's "{" stands
  State final_;
  bool finalSaved_ = false;
  int excess_ = 0;
  int skip_ = 0;  // characters still to skip after \uN
  char16_t highSurrogate_ = 0;

  // decoding
  qint32 codePageFont_ = INT_MIN;
  int codePage_ = 1252;
  const char16_t *table_ = nullptr;
  QByteArray mbPending_;
  int mbCodePage_ = 0;
  Dest mbDest_ = Dest::Text;
  QString mbText_;
  bool ansiCpSeen_ = false;

  // tables being read
  FontEntry curFont_;
  qint32 curFontNumber_ = INT_MIN;
  QString fontName_;
  QByteArray fontRaw_;
  bool fontOpen_ = false;
  int red_ = 0, green_ = 0, blue_ = 0;
  bool colourDirty_ = false;
  ListDef curList_;
  ListLevel curLevel_;
  qint32 overrideLs_ = 0, overrideId_ = 0;
  PnInfo curPn_;

  // paragraphs
  bool pendingPar_ = false;
  qsizetype pendingParDepth_ = 0;  // group depth of the pending paragraph mark
  bool inRow_ = false;    // a table row's content has started
  bool inTable_ = false;  // rows were given to the sink and no other content followed
  RowDef rowDef_;
  CellDef cellDef_;
  int borderSide_ = -1;  // the cell border that border words describe, -1 none
  ParaState pendingPa_;
  CharState pendingMark_;
  bool breakBefore_ = false;
  bool pnFallback_ = false;
  qsizetype pnOffset_ = 0;
  QString pnText_;
  CharState pnFallbackCs_;

  // pictures and objects
  PictureData pict_;
  qsizetype pictDepth_ = -1;
  int nibble_ = -1;
  qsizetype objDepth_ = -1;
  qsizetype objStart_ = 0;
  QString objClass_;
  QString fldInst_;
  QString objText_;
  bool objHasPicture_ = false;
  PictureData objPicture_;
  qint32 objW_ = 0, objH_ = 0;
  qsizetype lastShppictClose_ = -1;
  bool shppictGavePicture_ = false;
};

} // namespace qel::re::rtf
