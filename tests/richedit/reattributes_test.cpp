// Text and paragraph attributes: each write changes what it names and
// nothing else, and reads back as written.

#include "richedit/reattributes.h"
#include "richedit/rerichedit.h"

#include <gtest/gtest.h>

#include <functional>

using namespace qel;

namespace {

struct VersionGuard {
  int old = RichEditVersion;
  explicit VersionGuard(int v) { RichEditVersion = v; }
  ~VersionGuard() { RichEditVersion = old; }
};

// "alpha beta\rgamma": all italic, dark red, in a face of its own.
void fill(TReRichEdit &e) {
  e.setText(QStringLiteral("alpha beta\rgamma"));
  e.setSel(0, -1);
  re::CharFormat r;
  r.mask = re::CFM_ITALIC | re::CFM_COLOR | re::CFM_FACE | re::CFM_SIZE;
  r.effects = re::CFE_ITALIC;
  r.crTextColor = 0x000080;
  r.szFaceName = QStringLiteral("Base Face");
  r.yHeight = 200;
  e.setCharFormat(r, re::SCF_SELECTION);
  e.setSel(0, 5);  // "alpha"
}

} // namespace

TEST(ReTextAttributes, EachWriteChangesOnlyWhatItNames) {
  struct Case {
    const char *name;
    std::function<void(TReTextAttributes &)> write;
    std::function<bool(TReTextAttributes &)> readsBack;
    bool keepsItalic;  // the style writes send all four style bits together
  };
  const QString longFace = QStringLiteral("A Face Name Of Forty Characters Exactly!");
  ASSERT_EQ(longFace.size(), 40);
  const Case cases[] = {
      {"size", [](auto &a) { a.SetSize(14); }, [](auto &a) { return a.Size() == 14; }, true},
      {"name", [](auto &a) { a.SetName(QStringLiteral("Courier")); }, [](auto &a) { return a.Name() == "Courier"; }, true},
      {"40-character face cut to 31", [&](auto &a) { a.SetName(longFace); },
       [&](auto &a) { return a.Name() == longFace.left(31); }, true},
      {"colour", [](auto &a) { a.SetColor(0x00FF00); }, [](auto &a) { return a.Color() == 0x00FF00; }, true},
      {"automatic colour", [](auto &a) { a.SetColor(clWindowText); }, [](auto &a) { return a.Color() == clWindowText; }, true},
      {"default colour is automatic", [](auto &a) { a.SetColor(clDefault); }, [](auto &a) { return a.Color() == clWindowText; }, true},
      {"system colour resolved", [](auto &a) { a.SetColor(clBtnFace); },
       [](auto &a) { return a.Color() == ColorToRGB(clBtnFace) && a.Color() >= 0; }, true},
      {"back colour", [](auto &a) { a.SetBackColor(0xFFFF00); }, [](auto &a) { return a.BackColor() == 0xFFFF00; }, true},
      {"back colour off", [](auto &a) { a.SetBackColor(0xFFFF00); a.SetBackColor(clWindow); },
       [](auto &a) { return a.BackColor() == clWindow; }, true},
      {"style bold", [](auto &a) { a.SetStyle(1); }, [](auto &a) { return a.Style() == 1u; }, false},
      {"style bold italic", [](auto &a) { a.SetStyle(3); }, [](auto &a) { return a.Style() == 3u; }, true},
      {"superscript", [](auto &a) { a.SetSubscriptStyle(2); }, [](auto &a) { return a.SubscriptStyle() == 2; }, true},
      {"subscript", [](auto &a) { a.SetSubscriptStyle(1); }, [](auto &a) { return a.SubscriptStyle() == 1; }, true},
      {"charset", [](auto &a) { a.SetCharset(238); }, [](auto &a) { return a.Charset() == 238; }, true},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    TReRichEdit e;
    fill(e);
    c.write(e.SelAttributes());
    EXPECT_TRUE(c.readsBack(e.SelAttributes()));
    // What it did not name stays.
    const re::CharFormat after = e.SelAttributes().Record();
    EXPECT_EQ((after.effects & re::CFE_ITALIC) != 0, c.keepsItalic);
    if (QString(c.name).indexOf("colour") < 0) { EXPECT_EQ(after.crTextColor, 0x000080u); }
    if (QString(c.name).indexOf("name") < 0 && QString(c.name).indexOf("face") < 0) {
      EXPECT_EQ(after.szFaceName, QStringLiteral("Base Face"));
    }
    if (QString(c.name) != "size") { EXPECT_EQ(after.yHeight, 200); }
    // And the text beyond the selection is untouched.
    e.setSel(6, 10);
    const re::CharFormat beyond = e.SelAttributes().Record();
    EXPECT_EQ(beyond.szFaceName, QStringLiteral("Base Face"));
    EXPECT_EQ(beyond.yHeight, 200);
    EXPECT_EQ(beyond.crTextColor, 0x000080u);
    EXPECT_EQ(beyond.effects & re::CFE_SUPERSCRIPT, 0u);
  }
}

TEST(ReTextAttributes, FontAssignAndTheOtherKinds) {
  TReRichEdit e;
  fill(e);
  // A bold italic font in the window text colour: bold italic in the automatic colour.
  TReFontSource font;
  font.font = QFont(QStringLiteral("Serif Face"), 13);
  font.font.setBold(true);
  font.font.setItalic(true);
  font.color = clWindowText;
  e.SelAttributes().Assign(font);
  EXPECT_EQ(e.SelAttributes().Style(), 3u);
  EXPECT_EQ(e.SelAttributes().Color(), clWindowText);
  EXPECT_EQ(e.SelAttributes().Size(), 13);
  EXPECT_EQ(e.SelAttributes().Name(), QStringLiteral("Serif Face"));
  TReFontSource back;
  e.SelAttributes().AssignTo(back);
  EXPECT_EQ(back.font.family(), QStringLiteral("Serif Face"));
  EXPECT_TRUE(back.font.bold());
  EXPECT_EQ(back.color, clWindowText);

  // The default kind: text typed into an empty control takes it.
  TReRichEdit empty;
  font.color = 0x0000FF;
  empty.DefAttributes().Assign(font);
  EXPECT_EQ(empty.DefAttributes().Color(), 0x0000FF);
  empty.replaceSel(QStringLiteral("new"));
  empty.setSel(0, 3);
  EXPECT_EQ(empty.SelAttributes().Name(), QStringLiteral("Serif Face"));
  EXPECT_EQ(empty.SelAttributes().Size(), 13);

  // The word kind: the word at the caret.
  fill(e);
  e.setSel(7, 7);  // inside "beta"
  e.WordAttributes().SetSize(20);
  e.setSel(6, 10);
  EXPECT_EQ(e.SelAttributes().Size(), 20);
  e.setSel(0, 5);
  EXPECT_EQ(e.SelAttributes().Size(), 10);

  // Another attributes object's whole record.
  TReRichEdit other;
  fill(other);
  other.SelAttributes().SetSize(30);
  e.SelAttributes().Assign(other.SelAttributes());
  EXPECT_EQ(e.SelAttributes().Size(), 30);
}

TEST(ReTextAttributes, FirstVersionHasNoBackColourOrSubscript) {
  VersionGuard v1(1);
  TReRichEdit e;
  fill(e);
  e.SelAttributes().SetBackColor(0xFFFF00);
  e.SelAttributes().SetSubscriptStyle(2);
  EXPECT_EQ(e.SelAttributes().BackColor(), clWindow);
  EXPECT_EQ(e.SelAttributes().SubscriptStyle(), 0);
  RichEditVersion = 3;
  EXPECT_EQ(e.SelAttributes().BackColor(), clWindow) << "nothing was written";
  EXPECT_EQ(e.SelAttributes().SubscriptStyle(), 0);
}

TEST(ReParaAttributes, WritesAndTheirRules) {
  TReRichEdit e;
  fill(e);
  TReParaAttributes &p = e.Paragraph();
  // Numbering raises a small left indent to 10 points, and off puts it to 0.
  p.SetLeftIndent(4);
  p.SetNumbering(re::PFN_BULLET);
  EXPECT_EQ(p.Numbering(), re::PFN_BULLET);
  EXPECT_EQ(p.LeftIndent(), 10);
  p.SetLeftIndent(15);
  p.SetNumbering(re::PFN_BULLET);
  EXPECT_EQ(p.LeftIndent(), 15);
  p.SetNumbering(0);
  EXPECT_EQ(p.LeftIndent(), 0);
  EXPECT_EQ(p.Numbering(), 0);

  // Line spacing and its rule keep each other.
  p.SetLineSpacingRule(4);
  p.SetLineSpacing(18);
  EXPECT_EQ(p.LineSpacingRule(), 4);
  EXPECT_EQ(p.LineSpacing(), 18);
  p.SetLineSpacingRule(3);
  EXPECT_EQ(p.LineSpacing(), 18);

  // A tab stop on a paragraph without stops makes one.
  ASSERT_EQ(p.TabCount(), 0);
  p.SetTab(0, 36);
  EXPECT_EQ(p.TabCount(), 1);
  EXPECT_EQ(p.Tab(0), 36);
  p.SetTab(2, 100);
  EXPECT_EQ(p.TabCount(), 3);
  EXPECT_EQ(p.Tab(0), 36);

  p.SetFirstIndent(12);
  p.SetRightIndent(7);
  p.SetSpaceBefore(6);
  p.SetSpaceAfter(3);
  p.SetAlignment(2);
  EXPECT_EQ(p.FirstIndent(), 12);
  EXPECT_EQ(p.RightIndent(), 7);
  EXPECT_EQ(p.SpaceBefore(), 6);
  EXPECT_EQ(p.SpaceAfter(), 3);
  EXPECT_EQ(p.Alignment(), 2);
  // The second paragraph was not selected.
  e.setSel(12, 12);
  EXPECT_EQ(p.Alignment(), 0);
  EXPECT_EQ(p.FirstIndent(), 0);
  EXPECT_EQ(p.TabCount(), 0);
}

TEST(ReParaAttributes, RightToLeftSwapsLeftAndRightAndFirstVersionIsBulletsOnly) {
  {
    TReRichEdit e;
    fill(e);
    e.setLayoutDirection(Qt::RightToLeft);
    e.Paragraph().SetAlignment(0);  // left
    EXPECT_EQ(e.paraFormat().wAlignment, re::PFA_RIGHT);
    e.Paragraph().SetAlignment(2);
    EXPECT_EQ(e.paraFormat().wAlignment, re::PFA_CENTER);
  }
  {
    VersionGuard v1(1);
    TReRichEdit e;
    fill(e);
    e.Paragraph().SetNumbering(re::PFN_ARABIC);
    EXPECT_EQ(e.Paragraph().Numbering(), re::PFN_BULLET);
    e.Paragraph().SetSpaceBefore(6);
    e.Paragraph().SetLineSpacing(20);
    RichEditVersion = 3;
    EXPECT_EQ(e.Paragraph().SpaceBefore(), 0);
    EXPECT_EQ(e.Paragraph().LineSpacing(), 0);
  }
}
