#pragma once
// A main window over a small card file of its own for the card command
// tests; prompts go to a scripted UiServices.

#include "app/mainstate.h"
#include "app/tf_main.h"
#include "cards/bodyfile.h"
#include "cards/cardclipboard.h"
#include "cards/crd.h"
#include "richedit/rerichedit.h"
#include "settings/options.h"
#include "tests/support/scriptedui.h"
#include "tests/support/testenv.h"

#include <QAction>
#include <QApplication>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QListView>
#include <gtest/gtest.h>

#include <memory>

namespace qel::test {

class CardCommandsTest : public ::testing::Test {
protected:
  void SetUp() override {
    const auto *info = ::testing::UnitTest::GetInstance()->current_test_info();
    dir = freshDir(QString::fromLatin1(info->test_suite_name()) + "_" + QString::fromLatin1(info->name()));
    ResetMainState();
    CurrentFileName = dir + "/cards.qel";
    ResetBodyFile();
    FilteredCards.Clear();
    AllCards.Clear();
    DeleteClipboardFile();
    window = std::make_unique<Tf_Main>();
    AppOptions->FilterFromStart = false;
    AppOptions->FilterWholeWords = false;
    AppOptions->SortList = true;
    window->SetListSortByTitle(true);
  }
  void TearDown() override {
    window.reset();
    FilteredCards.Clear();
    AllCards.Clear();
    DeleteClipboardFile();
    DeleteBodyFile();
    delete AppOptions;
    AppOptions = nullptr;
  }

  // Cards with plain bodies "body of <title>", then the list rebuilt.
  void cards(std::initializer_list<const char *> titles) {
    double created = 46000;
    for (const char *t : titles) {
      created += 1;
      auto c = std::make_shared<TCrd>(created, QStringLiteral("u%1").arg(created));
      c->Title = QString::fromUtf8(t);
      c->StoreBodyBytes("body of " + QByteArray(t) + "\r\n");
      AllCards.AddCrd(c);
    }
    window->RefilterCards();
    FileModified = false;
  }
  TCrdPtr cardTitled(const QString &title) const {
    for (const auto &item : AllCards.Items())
      if (item.title == title) return item.card;
    return nullptr;
  }
  QStringList allTitles() const {
    QStringList out;
    for (int i = 0; i < AllCards.Count(); ++i) out << AllCards.Strings(i);
    return out;
  }
  // Selects exactly these titles of the filtered list; the focus item stays where it is unless `focus` names one.
  void select(const QStringList &titles, const QString &focus = QString()) {
    QItemSelectionModel *sm = window->lw_List->selectionModel();
    sm->clearSelection();
    for (int i = 0; i < FilteredCards.Count(); ++i) {
      const QModelIndex at = window->lw_List->model()->index(i, 0);
      if (FilteredCards.Strings(i) == focus) sm->setCurrentIndex(at, QItemSelectionModel::NoUpdate);
      if (titles.contains(FilteredCards.Strings(i))) sm->select(at, QItemSelectionModel::Select);
    }
    window->UpdateEditMenu();
  }
  static QString bodyText(const TCrd &card) {
    const QByteArray body = card.BodyText();
    re::RichEditControl reader;
    if (!body.startsWith("{\\rtf") || !reader.streamIn(body, re::SF_RTF)) reader.streamIn(body, re::SF_TEXT);
    return reader.text();
  }
  QAction *action(const char *name) const { return window->actions()[QString::fromLatin1(name)]; }

  QString dir;
  ScriptedUi ui;
  std::unique_ptr<Tf_Main> window;
};

} // namespace qel::test
