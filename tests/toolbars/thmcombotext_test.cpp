#include "toolbars/core/thmcombotext.h"

#include <gtest/gtest.h>

using namespace qel::toolbars;

namespace {

// The edit box: its text and selection, typed into as a user types (a
// letter replaces the selection, Backspace deletes it or the last letter).
struct TFakeEdit : TThmComboEdit {
  QString Text;
  int SelStart = 0, SelLength = 0;
  void SetEditText(const QString &text) override {
    Text = text;
    SelStart = text.size();
    SelLength = 0;
  }
  void SelectText(int start, int length) override {
    SelStart = start;
    SelLength = length;
  }
  QString Selected() const { return Text.mid(SelStart, SelLength); }
};

struct TComboFixture {
  TThmComboText Combo;
  TFakeEdit Edit;
  QStringList Changes;
  QList<int> ShownRows;
  explicit TComboFixture(const QStringList &strings = {"Arial", "Arial Black", "Courier New", "Times"}) {
    Combo.Strings = strings;
    Combo.OnChange = [this](const QString &text) { Changes << text; };
    Combo.BringIntoView = [this](int row) { ShownRows << row; };
  }
  void Type(const QString &letters) {
    for (QChar c : letters) {
      Edit.Text.replace(Edit.SelStart, Edit.SelLength, c);
      Edit.SelStart += 1;
      Edit.SelLength = 0;
      Combo.DoChange(&Edit, Edit.Text);
    }
  }
  void Backspace() {
    if (Edit.SelLength > 0)
      Edit.Text.remove(Edit.SelStart, Edit.SelLength);
    else
      Edit.Text.chop(1);
    Edit.SelLength = 0;
    Combo.DoChange(&Edit, Edit.Text);
  }
};

} // namespace

TEST(ThmComboText, TypingCompletesAndBackspaceDoesNotCompleteAgain) {
  TComboFixture f;
  f.Type("Ar");
  EXPECT_EQ(f.Edit.Text, "Arial");
  EXPECT_EQ(f.Edit.Selected(), "ial");
  EXPECT_EQ(f.Combo.Text(), "Arial");
  EXPECT_EQ(f.Combo.ListIndex(), 0);
  EXPECT_EQ(f.ShownRows.last(), 0);

  f.Backspace();
  EXPECT_EQ(f.Edit.Text, "Ar");
  EXPECT_EQ(f.Combo.Text(), "Ar");
  EXPECT_EQ(f.Combo.ListIndex(), -1);

  // Typing on picks the first string that still fits, whatever the case typed.
  f.Type("IAL B");
  EXPECT_EQ(f.Edit.Text, "Arial Black");
  EXPECT_EQ(f.Combo.ListIndex(), 1);

  // Clearing the text chooses nothing.
  f.Edit.Text.clear();
  f.Edit.SelStart = f.Edit.SelLength = 0;
  f.Combo.DoChange(&f.Edit, f.Edit.Text);
  EXPECT_EQ(f.Combo.ListIndex(), -1);
}

// Letters typed in lower case over a completion in the list's case: each
// letter completes again, so the text is always a name of the list.
TEST(ThmComboText, TypingInAnyCaseCompletesAtEveryLetter) {
  struct Case {
    const char *typed;
    QStringList texts; // the edit's text after each letter
  };
  const Case cases[] = {
      {"dej", {"DejaVu Sans", "DejaVu Sans", "DejaVu Sans"}},
      {"arial", {"Arial", "Arial", "Arial", "Arial", "Arial"}},
      {"ARIAL B", {"Arial", "Arial", "Arial", "Arial", "Arial", "Arial Black", "Arial Black"}},
      {"cOu", {"Courier New", "Courier New", "Courier New"}},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.typed);
    TComboFixture f({"Arial", "Arial Black", "Courier New", "DejaVu Sans", "Times"});
    QStringList texts;
    for (QChar letter : QString::fromLatin1(c.typed)) {
      f.Type(letter);
      texts << f.Edit.Text;
    }
    EXPECT_EQ(texts, c.texts);
    EXPECT_EQ(f.Combo.Text(), c.texts.last());
    EXPECT_EQ(f.Combo.ListIndex(), f.Combo.Strings.indexOf(c.texts.last()));
    // The tail not typed yet stays selected, to be typed over.
    EXPECT_EQ(f.Edit.SelStart, int(qstrlen(c.typed)));
  }
}

TEST(ThmComboText, WithoutAutoCompleteTheTypedCaseStays) {
  TComboFixture f;
  f.Combo.AutoComplete = false;
  f.Type("arial");
  EXPECT_EQ(f.Edit.Text, "arial");
  EXPECT_EQ(f.Combo.Text(), "arial");
  EXPECT_EQ(f.Combo.ListIndex(), 0);
  EXPECT_EQ(f.Changes.last(), "arial");
}

TEST(ThmComboText, NoMatchChoosesNothingButIsReported) {
  TComboFixture f;
  f.Combo.SetListIndex(2);
  f.Changes.clear();
  f.Type("Xy");
  EXPECT_EQ(f.Combo.ListIndex(), -1);
  EXPECT_EQ(f.Edit.Text, "Xy");
  EXPECT_EQ(f.Changes, (QStringList{"X", "Xy"}));
}

TEST(ThmComboText, UpAndDownWalkTheStringsAndStopAtTheEnds) {
  TComboFixture f;
  QList<int> listRows;
  f.Combo.OnListIndex = [&](int row) { listRows << row; };
  bool openList = true;
  EXPECT_FALSE(f.Combo.EditKey(&f.Edit, Qt::Key_A, &openList));
  EXPECT_FALSE(openList);
  EXPECT_TRUE(f.Combo.EditKey(&f.Edit, Qt::Key_F4, &openList));
  EXPECT_TRUE(openList);
  EXPECT_TRUE(f.Combo.EditKey(&f.Edit, Qt::Key_Down, &openList));
  EXPECT_FALSE(openList);
  EXPECT_EQ(f.Combo.Text(), "Arial");
  EXPECT_EQ(f.Edit.Selected(), "Arial");
  for (int i = 0; i < 5; ++i)
    f.Combo.MoveIndex(&f.Edit, +1);
  EXPECT_EQ(f.Combo.ListIndex(), 3);
  EXPECT_EQ(f.Edit.Text, "Times");
  // One Up from the end is one string back.
  f.Combo.MoveIndex(&f.Edit, -1);
  EXPECT_EQ(f.Edit.Text, "Courier New");
  EXPECT_EQ(listRows, (QList<int>{0, 1, 2, 3, 2}));
  EXPECT_EQ(f.Changes, (QStringList{"Arial", "Arial Black", "Courier New", "Times", "Courier New"}));
}

TEST(ThmComboText, AListChoiceBecomesTheTextAndOpeningFindsIt) {
  TComboFixture f;
  f.Combo.SetListIndex(3);
  EXPECT_EQ(f.Combo.Text(), "Times");
  EXPECT_EQ(f.Changes, QStringList{"Times"});
  f.Combo.SetListIndex(3);
  EXPECT_EQ(f.Changes.size(), 1);
  f.Combo.SetListIndex(7); // past the strings: ignored
  EXPECT_EQ(f.Combo.Text(), "Times");

  f.Combo.DoChange(nullptr, "Courier New");
  EXPECT_EQ(f.Combo.ListIndex(), 2);
  f.Combo.SetListIndex(-1);
  f.Combo.PopupOpening();
  EXPECT_EQ(f.Combo.ListIndex(), 2);
  f.Combo.DoChange(nullptr, "courier");
  f.Combo.PopupOpening();
  EXPECT_EQ(f.Combo.ListIndex(), -1);

  // While loading only the change is reported.
  TComboFixture loading;
  loading.Combo.Loading = true;
  loading.Combo.DoChange(nullptr, "Times");
  EXPECT_EQ(loading.Combo.ListIndex(), -1);
  EXPECT_EQ(loading.Changes, QStringList{"Times"});
}
