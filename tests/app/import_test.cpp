// The Import commands through the scripted prompts: ".crd" files several at
// a time, text files delimited and paragraph-separated.

#include "app/dlg_export.h"
#include "app/dlg_import.h"
#include "cardcommands_fixture.h"

#include <QFile>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QCheckBox>
#include <QItemSelectionModel>
#include <QRadioButton>

using namespace qel;
using qel::test::Answer;
using qel::test::CardCommandsTest;

namespace {

class ImportTest : public CardCommandsTest {
protected:
  QString write(const QString &name, const QByteArray &bytes) {
    const QString path = dir + "/" + name;
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    return path;
  }
  // A ".crd" file of cards with plain text.
  static QByteArray crd(const QList<std::pair<QByteArray, QByteArray>> &cards) {
    QByteArray d("MGC");
    auto put16 = [](QByteArray &b, int v) { b.append(char(v & 0xFF)).append(char((v >> 8) & 0xFF)); };
    put16(d, int(cards.size()));
    QByteArray data;
    const int first = 5 + 52 * int(cards.size());
    for (const auto &[title, text] : cards) {
      d.append(QByteArray(6, '\0'));
      const int offset = first + int(data.size());
      for (int i = 0; i < 4; ++i) d.append(char((offset >> (8 * i)) & 0xFF));
      d.append('\0');
      d.append(title + QByteArray(41 - title.size(), '\0'));
      put16(data, 0);
      put16(data, int(text.size()));
      data.append(text);
    }
    return d + data;
  }
};

TEST_F(ImportTest, CrdFilesImportTogetherAndABadOneIsNamedAndSkipped) {
  cards({"old"});
  const QString good = write("good.crd", crd({{"Anna", "line 1\r\nline 2"}, {"Anna", "second"}}));
  const QString notCrd = write("text.crd", "hello");
  QByteArray cut = crd({{"Cut", "text that is cut"}});
  cut.chop(4);
  const QString truncated = write("cut.crd", cut);
  const QString name = CurrentFileName;
  ui.answer(Answer::openFile(good + "\n" + notCrd + "\n" + truncated)).answerButton(IDOK).answerButton(IDOK);
  window->actions().item(QStringLiteral("ImportMSCardfile1"))->trigger();
  const QStringList messages = ui.messageTexts();
  ASSERT_EQ(messages.size(), 2);
  EXPECT_EQ(messages[0], "Probably " + notCrd + " is not Microsoft CRD file.");
  EXPECT_TRUE(messages[1].contains(truncated));
  EXPECT_EQ(allTitles(), (QStringList{"old", "Anna", "Anna"}));
  EXPECT_EQ(bodyText(*AllCards.Objects(1)), "line 1\rline 2\r");  // each line stored with its line end
  EXPECT_EQ(FilteredCards.Count(), 3);
  EXPECT_TRUE(FileModified);
  EXPECT_EQ(CurrentFileName, name);
}

TEST_F(ImportTest, DelimitedTextWithCharactersBeyondTheCodePage) {
  const QString file = write("cards.csv", "Euro \xE2\x82\xAC;price;2\r\nOhm \xCE\xA9;\xCE\xA9 law\r\nno delimiter\r\n");
  ui.answer(Answer::openFile(file)).answer(Answer::dialog(QDialog::Accepted, [](QDialog &d) {
    auto &imp = static_cast<Tf_Import &>(d);
    imp.SetSourceType(0);
    imp.e_Delimiter->setText(";");
  }));
  window->actions().item(QStringLiteral("ImportText1"))->trigger();
  EXPECT_TRUE(ui.allAnswered());
  EXPECT_EQ(allTitles(), (QStringList{"Euro \u20AC", "Ohm \u03A9", "no delimiter"}));
  EXPECT_EQ(bodyText(*AllCards.Objects(0)), "price\r2\r");
  EXPECT_EQ(bodyText(*AllCards.Objects(1)), "\u03A9 law");
  EXPECT_EQ(bodyText(*AllCards.Objects(2)), "");
  EXPECT_TRUE(FileModified);
}

TEST_F(ImportTest, ParagraphTextAndACancelChangesNothing) {
  const QString file = write("notes.txt", "First\r\nmore\r\n\r\nSecond\r\n");
  ui.answer(Answer::openFile(file)).answer(Answer::dialog(QDialog::Rejected));
  window->actions().item(QStringLiteral("ImportText1"))->trigger();
  EXPECT_EQ(AllCards.Count(), 0);
  EXPECT_FALSE(FileModified);
  ui.answer(Answer::openFile(file)).answer(Answer::dialog(QDialog::Accepted, [](QDialog &d) {
    static_cast<Tf_Import &>(d).SetSourceType(1);
  }));
  window->actions().item(QStringLiteral("ImportText1"))->trigger();
  EXPECT_EQ(allTitles(), (QStringList{"First", "Second"}));
  EXPECT_EQ(bodyText(*AllCards.Objects(0)), "First\rmore\r");
}

TEST_F(ImportTest, TheDialogRefusesAnEmptyDelimiterAndTakesCtrlTab) {
  Tf_Import dialog;
  EXPECT_TRUE(dialog.m_Sample->toPlainText().startsWith("TITLE,contents,contents,contents\n"));
  dialog.e_Delimiter->clear();
  QKeyEvent press(QEvent::KeyPress, Qt::Key_Tab, Qt::ControlModifier);
  QApplication::sendEvent(dialog.e_Delimiter, &press);
  EXPECT_EQ(dialog.Delimiter(), "\t");
  EXPECT_TRUE(dialog.m_Sample->toPlainText().startsWith("TITLE\tcontents"));
  dialog.e_Delimiter->clear();
  dialog.show();
  ui.answerButton(IDOK);
  dialog.accept();
  EXPECT_EQ(ui.messageTexts(), QStringList{"Please enter a delimiter."});
  EXPECT_TRUE(dialog.isVisible());
  dialog.SetSourceType(1);
  EXPECT_FALSE(dialog.e_Delimiter->isEnabled());
  EXPECT_EQ(dialog.m_Sample->toPlainText(), "TITLE\ncontents\ncontents\n\nTITLE\ncontents");
}

} // namespace

namespace {

class ExportTest : public ImportTest {
protected:
  // Exports through the dialog with this layout; returns the file's bytes.
  QByteArray exportWith(const std::function<void(Tf_Export &)> &fill) {
    const QString file = dir + "/out.txt";
    QFile::remove(file);
    ui.answer(Answer::dialog(QDialog::Accepted, [fill](QDialog &d) { fill(static_cast<Tf_Export &>(d)); }))
        .answer(Answer::saveFile(file));
    window->actions().item(QStringLiteral("ExportText1"))->trigger();
    EXPECT_TRUE(ui.allAnswered());
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<none>");
  }
};

TEST_F(ExportTest, LayoutsAsATable) {
  cards({"bravo", "Alpha", "charlie"});  // bodies "body of <title>"
  // A rich card exports its text.
  re::RichEditControl rich;
  rich.setText(QStringLiteral("bold line\rsecond"));
  cardTitled("charlie")->StoreBodyBytes(rich.streamOut(re::SF_RTF));
  const struct {
    const char *name;
    std::function<void(Tf_Export &)> fill;
    QByteArray expected;
  } cases[] = {
      {"multi line, defaults", [](Tf_Export &) {},
       "bravo\r\n  body of bravo\r\nAlpha\r\n  body of Alpha\r\ncharlie\r\n  bold line\r\n  second\r\n"},
      {"multi line with TABs and a separator",
       [](Tf_Export &d) {
         d.e_bh->setText("[");
         d.e_ah->setText("]\t");
         d.e_bc->setText("\t");
         d.e_ac->setText(";");
         d.chb_Line->setChecked(true);
         d.e_Line->setText("----");
       },
       "[bravo]\t\r\n\tbody of bravo;\r\n----\r\n[Alpha]\t\r\n\tbody of Alpha;\r\n----\r\n[charlie]\t\r\n\tbold line;\r\n"
       "\tsecond;\r\n----\r\n"},
      {"single line",
       [](Tf_Export &d) {
         d.rb_Type[1]->setChecked(true);
         d.e_bc->setText("|");
       },
       "bravo|body of bravo\r\nAlpha|body of Alpha\r\ncharlie|bold line|second\r\n"},
      {"list only, sorted without case, empty separators among them",
       [](Tf_Export &d) {
         d.rb_Type[0]->setChecked(true);
         d.chb_Line->setChecked(true);
         d.e_Line->clear();
       },
       "\r\n\r\n\r\nAlpha\r\nbravo\r\ncharlie\r\n"},
  };
  for (const auto &c : cases) {
    ui.clear();
    EXPECT_EQ(exportWith([&](Tf_Export &d) {
                d.rb_Type[2]->setChecked(true);
                d.e_bh->clear();
                d.e_ah->clear();
                d.e_bc->setText("  ");
                d.e_ac->clear();
                d.chb_Line->setChecked(false);
                d.chb_selected->setChecked(false);
                c.fill(d);
              }),
              c.expected)
        << c.name;
  }
  // The sample shows a list-only export in list order, unsorted.
  window->f_Export->rb_Type[0]->setChecked(true);
  window->f_Export->chb_Line->setChecked(false);
  window->f_Export->BuildSample();
  EXPECT_EQ(window->f_Export->m_Sample->toPlainText(), "bravo\nAlpha\ncharlie");
}

TEST_F(ExportTest, SelectedOnlyWithNothingSelectedGivesAnEmptyFile) {
  cards({"a", "b"});
  window->lw_List->selectionModel()->clearSelection();
  EXPECT_EQ(exportWith([](Tf_Export &d) { d.chb_selected->setChecked(true); }), QByteArray());
}

TEST_F(ExportTest, TitlesBeyondTheCodePageSurviveExportAndImport) {
  cards({});
  auto add = [](const QString &title) {
    auto c = NewCrd();
    c->Title = title;
    c->StoreBodyBytes("x\r\n");
    AllCards.AddCrd(c);
  };
  add(QStringLiteral("Euro \u20AC"));
  add(QStringLiteral("Ohm \u03A9"));
  window->RefilterCards();
  const QByteArray bytes = exportWith([](Tf_Export &d) {
    d.rb_Type[1]->setChecked(true);
    d.e_bc->setText(";");
    d.chb_selected->setChecked(false);
  });
  EXPECT_EQ(bytes, "Euro \xE2\x82\xAC;x\r\nOhm \xCE\xA9;x\r\n");  // UTF-8: the Omega has no legacy byte
  ClearCards(AllCards);
  window->RefilterCards();
  ui.answer(Answer::openFile(dir + "/out.txt")).answer(Answer::dialog(QDialog::Accepted, [](QDialog &d) {
    auto &imp = static_cast<Tf_Import &>(d);
    imp.SetSourceType(0);
    imp.e_Delimiter->setText(";");
  }));
  window->actions().item(QStringLiteral("ImportText1"))->trigger();
  EXPECT_EQ(allTitles(), (QStringList{"Euro \u20AC", "Ohm \u03A9"}));
}

} // namespace
