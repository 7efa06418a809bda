// The Import commands through the scripted prompts: ".crd" files several at
// a time, text files delimited and paragraph-separated.

#include "app/dlg_import.h"
#include "cardcommands_fixture.h"

#include <QFile>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>

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
