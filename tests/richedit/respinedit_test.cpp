// Spin edits and the Paragraph dialog, driven with keys and clicks.

#include "richedit/paraformatdlg.h"
#include "richedit/reattributes.h"
#include "richedit/rerichedit.h"
#include "richedit/respinedit.h"
#include "tests/support/scriptedui.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QLocale>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <gtest/gtest.h>

using namespace qel;

TEST(ReSpinEdit, TextAndValueByType) {
  TReSpinEdit e;
  EXPECT_EQ(e.text(), QStringLiteral("0"));
  struct Case {
    TValueType type;
    int decimal;
    long double value;
    const char *text;
  } cases[] = {
      {vtInteger, 0, 2.5L, "2"},  {vtInteger, 0, 3.5L, "4"},  {vtInteger, 0, -2.5L, "-2"},
      {vtHex, 0, 31, "1F"},       {vtHex, 0, 255.5L, "100"},  {vtFloat, 2, 1.005L, "1.00"},
      {vtFloat, 2, 2.25L, "2.25"}, {vtFloat, 0, 7.4L, "7"},
  };
  QLocale::setDefault(QLocale::c());
  for (const Case &c : cases) {
    SCOPED_TRACE(c.text);
    e.SetValueType(c.type);
    e.SetDecimal(c.decimal);
    e.SetValue(c.value);
    EXPECT_EQ(e.text(), QString::fromLatin1(c.text));
  }
  e.SetValueType(vtHex);
  e.setText(QStringLiteral("1f"));
  EXPECT_EQ(e.Value(), 31);
  // Text that is no number reads as MinValue; beyond int it stays at the range.
  e.SetValueType(vtInteger);
  e.MinValue = 3;
  e.MaxValue = 3;
  e.setText(QStringLiteral("abc"));
  EXPECT_EQ(e.Value(), 3);
  e.setText(QStringLiteral("99999999999999999999"));
  EXPECT_EQ(e.AsInteger(), INT_MAX);
  e.setText(QStringLiteral("-99999999999999999999"));
  EXPECT_EQ(e.AsInteger(), INT_MIN);
  e.MinValue = 0;
  e.MaxValue = 100;
  e.setText(QStringLiteral("99999999999999999999"));
  EXPECT_EQ(e.Value(), 100);
  // A float far beyond int: AsInteger stays within int.
  e.SetValueType(vtFloat);
  e.MaxValue = e.MinValue = 0;
  e.setText(QStringLiteral("1e30"));
  EXPECT_EQ(e.AsInteger(), INT_MAX);
  // Changing the type rounds the increment; 0 becomes 1.
  e.SetIncrement(0.4L);
  e.SetValueType(vtInteger);
  EXPECT_EQ(e.Increment(), 1);
  e.SetValueType(vtFloat);
  e.SetIncrement(2.6L);
  e.SetValueType(vtHex);
  EXPECT_EQ(e.Increment(), 3);
}

TEST(ReSpinEdit, ClampingOnLeavingAndValidCharacters) {
  QWidget w;
  auto *a = new TReSpinEdit(&w);
  auto *b = new TReSpinEdit(&w);
  w.show();
  w.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
  a->MinValue = 0;
  a->MaxValue = 2147483647;
  a->setFocus();
  a->selectAll();
  QTest::keyClicks(a, QStringLiteral("-5"));
  EXPECT_EQ(a->text(), QStringLiteral("-5"));
  b->setFocus();  // leaving the field
  EXPECT_EQ(a->text(), QStringLiteral("0"));
  // Without a range nothing is clamped.
  b->selectAll();
  QTest::keyClicks(b, QStringLiteral("-5"));
  a->setFocus();
  EXPECT_EQ(b->text(), QStringLiteral("-5"));

  QLocale::setDefault(QLocale::c());
  TReSpinEdit e;
  EXPECT_FALSE(e.IsValidChar(QLatin1Char('E')));
  EXPECT_FALSE(e.IsValidChar(QLatin1Char('.')));
  EXPECT_TRUE(e.IsValidChar(QLatin1Char('-')));
  EXPECT_TRUE(e.IsValidChar(QChar(8)));
  e.SetValueType(vtFloat);
  e.setText(QStringLiteral("1"));
  EXPECT_TRUE(e.IsValidChar(QLatin1Char('.')));
  EXPECT_TRUE(e.IsValidChar(QLatin1Char('e')));
  e.setText(QStringLiteral("1.5e3"));
  EXPECT_FALSE(e.IsValidChar(QLatin1Char('.')));
  EXPECT_FALSE(e.IsValidChar(QLatin1Char('E')));
  e.SetValueType(vtHex);
  EXPECT_TRUE(e.IsValidChar(QLatin1Char('f')));
  EXPECT_FALSE(e.IsValidChar(QLatin1Char('g')));
  e.EditorEnabled = false;
  EXPECT_FALSE(e.IsValidChar(QLatin1Char('1')));
  EXPECT_FALSE(e.IsValidChar(QChar(8)));
  EXPECT_TRUE(e.IsValidChar(QChar(13)));
  // A refused key changes nothing.
  e.EditorEnabled = true;
  e.SetValueType(vtInteger);
  e.setText(QStringLiteral("12"));
  e.setFocus();
  e.end(false);
  QTest::keyClicks(&e, QStringLiteral("x.E"));
  EXPECT_EQ(e.text(), QStringLiteral("12"));
}

TEST(ReSpinEdit, ClicksKeysAndReadOnly) {
  TReSpinEdit e;
  int changes = 0, tops = 0;
  e.OnChange = [&](TReSpinEdit *) { ++changes; };
  e.OnTopClick = [&](TReSpinEdit *) { ++tops; };
  e.SetIncrement(5);
  e.UpClick();
  EXPECT_EQ(e.text(), QStringLiteral("5"));
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(tops, 1);
  EXPECT_TRUE(e.isModified());
  QTest::keyClick(&e, Qt::Key_Down);
  EXPECT_EQ(e.text(), QStringLiteral("0"));
  EXPECT_EQ(changes, 2);
  // At a clamped end the text stays: no change to tell.
  e.MinValue = 0;
  e.MaxValue = 10;
  e.DownClick();
  EXPECT_EQ(changes, 2);
  e.setReadOnly(true);
  e.UpClick();
  EXPECT_EQ(e.text(), QStringLiteral("0"));
  EXPECT_EQ(tops, 1);

  // The standard kind: Qt's arrow buttons.
  e.setReadOnly(false);
  e.SetButtonKind(bkStandard);
  auto *ud = qobject_cast<TReUpDown *>(e.button());
  ASSERT_NE(ud, nullptr);
  ud->upButton()->click();
  EXPECT_EQ(e.text(), QStringLiteral("5"));
}

TEST(ReSpinButton, HalvesByTheDiagonalAndRepeatTiming) {
  const QSize size(20, 20);
  struct P {
    QPoint at;
    TReSpinButton::Half half;
  } points[] = {{{2, 2}, TReSpinButton::Top},     {{17, 17}, TReSpinButton::Bottom}, {{5, 14}, TReSpinButton::Top},
                {{5, 16}, TReSpinButton::Bottom}, {{15, 4}, TReSpinButton::Top},     {{15, 6}, TReSpinButton::Bottom}};
  for (const P &p : points) EXPECT_EQ(TReSpinButton::HalfAt(p.at, size), p.half) << p.at.x() << "," << p.at.y();
  EXPECT_EQ(TReSpinButton::HalfAt(QPoint(10, 5), QSize(40, 10)), TReSpinButton::Top);
  EXPECT_EQ(TReSpinButton::HalfAt(QPoint(30, 5), QSize(40, 10)), TReSpinButton::Bottom);

  TReSpinEdit e;
  e.SetButtonKind(bkDiagonal);
  e.resize(80, 24);
  e.show();
  auto *button = qobject_cast<TReSpinButton *>(e.button());
  ASSERT_NE(button, nullptr);
  QTest::mousePress(button, Qt::LeftButton, Qt::NoModifier, QPoint(2, 2));
  EXPECT_EQ(e.text(), QStringLiteral("1"));
  EXPECT_EQ(button->down(), TReSpinButton::Top);
  EXPECT_TRUE(button->repeatTimer()->isActive());
  EXPECT_EQ(button->repeatTimer()->interval(), 400);
  button->repeatTick();  // the first repeat, then every 100 ms
  EXPECT_EQ(button->repeatTimer()->interval(), 100);
  button->repeatTick();
  EXPECT_EQ(e.text(), QStringLiteral("3"));
  QTest::mouseRelease(button, Qt::LeftButton, Qt::NoModifier, QPoint(2, 2));
  EXPECT_FALSE(button->repeatTimer()->isActive());
  EXPECT_EQ(button->down(), TReSpinButton::None);
  const QSize s = button->size();
  QTest::mouseClick(button, Qt::LeftButton, Qt::NoModifier, QPoint(s.width() - 2, s.height() - 2));
  EXPECT_EQ(e.text(), QStringLiteral("2"));
  // Measured: held down, the repeat starts after about 400 ms.
  QTest::mousePress(button, Qt::LeftButton, Qt::NoModifier, QPoint(2, 2));
  QTest::qWait(300);
  EXPECT_EQ(e.text(), QStringLiteral("3")) << "no repeat before 400 ms";
  QTest::qWait(260);
  EXPECT_GE(e.text().toInt(), 4);
  QTest::mouseRelease(button, Qt::LeftButton, Qt::NoModifier, QPoint(2, 2));
}

namespace {

// Two paragraphs: justified with fractional indents and exact spacing, then a centred one.
void fillTwo(TReRichEdit &e) {
  e.setText(QStringLiteral("first\rsecond"));
  e.setSel(0, 0);
  re::ParaFormat p;
  p.mask = re::PFM_ALIGNMENT | re::PFM_OFFSET | re::PFM_STARTINDENT | re::PFM_LINESPACING | re::PFM_SPACEBEFORE;
  p.wAlignment = re::PFA_JUSTIFY;
  p.dxOffset = 250;  // 12.5 points
  p.dxStartIndent = 30;  // 1.5 points
  p.bLineSpacingRule = 4;
  p.dyLineSpacing = 300;
  p.dySpaceBefore = 100;
  e.setParaFormat(p);
  e.setSel(7, 7);
  re::ParaFormat q;
  q.mask = re::PFM_ALIGNMENT | re::PFM_OFFSET;
  q.wAlignment = re::PFA_CENTER;
  q.dxOffset = 400;
  e.setParaFormat(q);
}

} // namespace

TEST(ParaFormatDlg, OkStoresOnlyWhatWasChanged) {
  struct Case {
    const char *name;
    int selStart, selEnd;
    std::function<void(TParaFormatDlg &)> edit;
    std::function<void(TReRichEdit &)> check;
  };
  const Case cases[] = {
      {"unchanged, one paragraph", 0, 0, {}, {}},
      {"unchanged, two paragraphs", 0, 10, {}, {}},
      {"left indent of both", 0, 10,
       [](TParaFormatDlg &d) { d.LeftIndent->setText(QStringLiteral("20")); },
       {}},
      {"spacing 0: single", 0, 0, [](TParaFormatDlg &d) { d.LineSpacing->setText(QStringLiteral("0")); },
       [](TReRichEdit &e) {
         e.setSel(0, 0);
         EXPECT_EQ(e.paraFormat().bLineSpacingRule, 0);
       }},
      {"spacing 12: at least 12", 0, 0, [](TParaFormatDlg &d) { d.LineSpacing->setText(QStringLiteral("12")); },
       [](TReRichEdit &e) {
         e.setSel(0, 0);
         EXPECT_EQ(e.paraFormat().bLineSpacingRule, 3);
         EXPECT_EQ(e.paraFormat().dyLineSpacing, 240);
       }},
      {"alignment picked", 0, 0, [](TParaFormatDlg &d) { d.AlignmentItems->button(1)->click(); },
       [](TReRichEdit &e) {
         e.setSel(0, 0);
         EXPECT_EQ(e.paraFormat().wAlignment, re::PFA_RIGHT);
       }},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    TReRichEdit e;
    fillTwo(e);
    e.setModified(false);
    const bool couldUndo = e.canUndo();
    const QByteArray before = e.streamOut(re::SF_RTF);
    e.setSel(c.selStart, c.selEnd);
    TParaFormatDlg d;
    d.LoadParagraphAttributes(e.Paragraph());
    if (c.selStart == 0 && c.selEnd == 0) {
      EXPECT_EQ(d.AlignmentItems->checkedId(), -1) << "justified shows no item";
      EXPECT_EQ(d.LeftIndent->text(), QStringLiteral("12"));  // 12.5 shown rounded to even
      EXPECT_EQ(d.LineSpacing->text(), QStringLiteral("15"));
    } else {
      EXPECT_EQ(d.LeftIndent->text(), QString()) << "different values show empty";
    }
    if (c.edit) c.edit(d);
    d.StoreParagraphAttributes(e.Paragraph());
    if (!c.edit) {
      EXPECT_EQ(e.streamOut(re::SF_RTF), before);
      EXPECT_FALSE(e.isModified());
      EXPECT_EQ(e.canUndo(), couldUndo);
      continue;
    }
    // One OK is one undo step, however many attributes it set.
    {
      const QByteArray after = e.streamOut(re::SF_RTF);
      ASSERT_TRUE(e.canUndo());
      e.undo();
      EXPECT_EQ(e.streamOut(re::SF_RTF), before);
      EXPECT_EQ(e.canUndo(), couldUndo);
      e.redo();
      EXPECT_EQ(e.streamOut(re::SF_RTF), after);
    }
    // What was not edited stays as it was: justification, fractions, the rule.
    e.setSel(0, 0);
    const re::ParaFormat p = e.paraFormat();
    if (QString(c.name) != "alignment picked") { EXPECT_EQ(p.wAlignment, re::PFA_JUSTIFY); }
    EXPECT_EQ(p.dxStartIndent, 30);
    if (QString(c.name).startsWith("left")) {
      EXPECT_EQ(p.dxOffset, 400);
      e.setSel(7, 7);
      EXPECT_EQ(e.paraFormat().dxOffset, 400);
      EXPECT_EQ(e.paraFormat().wAlignment, re::PFA_CENTER);
    } else {
      EXPECT_EQ(p.dxOffset, 250);
      c.check(e);
    }
  }
}

TEST(ParaFormatDlg, ShownThroughThePromptsAndSpacingNeedsTheSecondVersion) {
  TReRichEdit e;
  fillTwo(e);
  e.setSel(0, 0);
  test::ScriptedUi ui;
  ui.answer(test::Answer::dialog(QDialog::Accepted, [](QDialog &d) {
    auto &dlg = static_cast<TParaFormatDlg &>(d);
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("Paragraph"));
    EXPECT_TRUE(dlg.SpacingBox->isEnabled());
    dlg.RightIndent->setText(QStringLiteral("9"));
  }));
  EXPECT_TRUE(ShowParagraphDialog(e.Paragraph()));
  EXPECT_EQ(e.Paragraph().RightIndent(), 9);
  ui.answer(test::Answer::dialog(QDialog::Rejected, [](QDialog &d) {
    static_cast<TParaFormatDlg &>(d).RightIndent->setText(QStringLiteral("1"));
  }));
  EXPECT_FALSE(ShowParagraphDialog(e.Paragraph()));
  EXPECT_EQ(e.Paragraph().RightIndent(), 9);

  const int old = RichEditVersion;
  RichEditVersion = 1;
  TParaFormatDlg v1;
  EXPECT_FALSE(v1.SpacingBox->isEnabled());
  RichEditVersion = old;
}
