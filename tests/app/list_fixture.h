#pragma once
// A main window over a small card file of its own, for the filter, list and
// current-card tests. Prompts go to a scripted UiServices.

#include "app/mainstate.h"
#include "app/tf_main.h"
#include "cards/bodyfile.h"
#include "cards/crd.h"
#include "richedit/rerichedit.h"
#include "settings/options.h"
#include "tests/support/scriptedui.h"
#include "tests/support/testenv.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <gtest/gtest.h>

#include <memory>

namespace qel::test {

// Records the card commands the list and the filter call.
class ListTestWindow : public Tf_Main {
public:
  QStringList added;
  QList<QPair<TCrd *, QString>> renamed;
  void AddCard(const QString &title) override { added << title; }
  void RenameCard(TCrd *card, const QString &title) override { renamed.append({card, title}); }
};

class ListWindowTest : public ::testing::Test {
protected:
  void SetUp() override {
    const auto *info = ::testing::UnitTest::GetInstance()->current_test_info();
    dir = freshDir(QString::fromLatin1(info->test_suite_name()) + "_" + QString::fromLatin1(info->name()));
    ResetMainState();
    CurrentFileName = dir + "/cards.qel";
    ResetBodyFile();
    FilteredCards.Clear();
    AllCards.Clear();
    window = std::make_unique<ListTestWindow>();
    AppOptions->FilterFromStart = false;
    AppOptions->FilterWholeWords = false;
    AppOptions->SortList = true;
    window->SetListSortByTitle(true);
  }
  void TearDown() override {
    window.reset();
    FilteredCards.Clear();
    AllCards.Clear();
    delete AppOptions;
    AppOptions = nullptr;
  }

  // Adds cards with plain bodies "body of <title>" and shows the list.
  void cards(std::initializer_list<const char *> titles) {
    double created = 46000;
    for (const char *t : titles) {
      auto c = std::make_shared<TCrd>(created += 1, QStringLiteral("u"));
      c->Title = QString::fromUtf8(t);
      c->StoreBodyBytes("body of " + QByteArray(t) + "\r\n");
      AllCards.AddCrd(c);
    }
    window->RefilterCards();
  }
  QStringList filtered() const {
    QStringList out;
    for (int i = 0; i < FilteredCards.Count(); ++i) out << FilteredCards.Strings(i);
    return out;
  }
  TCrdPtr cardTitled(const QString &title) const {
    for (const auto &item : AllCards.Items())
      if (item.title == title) return item.card;
    return nullptr;
  }
  // The text of a card's body as the editor shows it (bodies are stored as RTF once edited).
  static QString bodyText(const TCrdPtr &card) {
    const QByteArray body = card->BodyText();
    re::RichEditControl reader;
    if (!body.startsWith("{\\rtf") || !reader.streamIn(body, re::SF_RTF)) reader.streamIn(body, re::SF_TEXT);
    return reader.text();
  }
  QString editorText() const { return window->m_Card->text(); }
  // Types into the editor as the user does: the change counts as an edit.
  void typeIntoEditor(const QString &text) {
    window->m_Card->setSel(0, -1);
    window->m_Card->replaceSel(text);
  }
  static void key(QWidget *w, int k, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QKeyEvent press(QEvent::KeyPress, k, mods);
    QApplication::sendEvent(w, &press);
    QKeyEvent release(QEvent::KeyRelease, k, mods);
    QApplication::sendEvent(w, &release);
  }
  QAction *action(const char *name) const { return window->actions()[QString::fromLatin1(name)]; }
  QString panel(int i) const { return window->StatusPanels[i]->text(); }

  QString dir;
  ScriptedUi ui;
  std::unique_ptr<ListTestWindow> window;
};

} // namespace qel::test
