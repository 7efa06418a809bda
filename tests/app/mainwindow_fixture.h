#pragma once
// A whole main window started as the program starts it (FormShow with a
// command line), over card files written by the card-file code, with the
// real ZIP engines. Prompts go to a scripted UiServices.

#include "app/filecommands.h"
#include "app/mainstate.h"
#include "app/tf_main.h"
#include "cards/bodyfile.h"
#include "cards/cardclipboard.h"
#include "cards/cardfile.h"
#include "cards/crd.h"
#include "cards/filelock.h"
#include "richedit/rerichedit.h"
#include "settings/options.h"
#include "tests/support/scriptedui.h"
#include "tests/support/testenv.h"
#include "zip/ziparchiver.h"

#include <QAction>
#include <QApplication>
#include <QFileInfo>
#include <QLineEdit>
#include <gtest/gtest.h>

#include <memory>

namespace qel::test {

class MainWindowTest : public ::testing::Test {
protected:
  struct QuietHost : FileCommandHost {
    QString caption;
    QString windowCaption() const override { return caption; }
    void setWindowCaption(const QString &c) override { caption = c; }
    void setTrayHint(const QString &) override {}
    void restoreAndBringForward() override {}
  };

  void SetUp() override {
    const QString engines = QStringLiteral(QEL_PROGRAM_DIR);
    if (!QFileInfo::exists(engines + "/libzipdll.so") || !QFileInfo::exists(engines + "/libunzdll.so"))
      GTEST_SKIP() << "engine libraries not built";
    const auto *info = ::testing::UnitTest::GetInstance()->current_test_info();
    dir = freshDir(QString::fromLatin1(info->test_suite_name()) + "_" + QString::fromLatin1(info->name()));
    ZipArchiver().SetDLLDirectory(engines);
    ZipArchiver().SetPassword(QString());
    resetCards();
  }
  void TearDown() override {
    window.reset();
    // A card clipboard file left behind would make the next program started on exit ask about it.
    DeleteClipboardFile();
    resetCards();
    delete AppOptions;
    AppOptions = nullptr;
  }
  static void resetCards() {
    ResetMainState();
    SetOpenedReadOnly(false);
    UnlockDataFile();
    FilteredCards.Clear();
    ClearCards(AllCards);
    CurrentFileName = QStringLiteral("NEW.QEL");
    ResetBodyFile();
  }

  // Writes a card file with these titles (bodies "body of <title>") and leaves no trace in the open state.
  QString makeCardFile(const QString &name, std::initializer_list<const char *> titles) {
    const QString path = dir + "/" + name;
    double created = 46000;
    for (const char *t : titles) {
      created += 1;
      auto c = std::make_shared<TCrd>(created, QStringLiteral("u%1").arg(created));
      c->Title = QString::fromUtf8(t);
      c->StoreBodyBytes("body of " + QByteArray(t) + "\r\n");
      AllCards.AddCrd(c);
    }
    QuietHost host;
    EXPECT_TRUE(SaveCardsFile(host, path));
    resetCards();
    return path;
  }
  // The titles stored in a card file on disk.
  static QStringList titlesOnDisk(const QString &path) {
    TLoadedCardFile loaded;
    const LoadOutcome outcome = LoadVersion3File(ProbeCardsFile(path), ZipArchiver(), loaded);
    QStringList titles;
    if (outcome.status != LoadStatus::Loaded) return {QStringLiteral("<not loaded>")};
    for (int i = 0; i < loaded.cards.Count(); ++i) titles << loaded.cards.Strings(i);
    titles.sort();
    return titles;
  }

  // Starts the window as the program does and shows it (offscreen).
  void start(const QStringList &arguments) {
    window = std::make_unique<Tf_Main>(arguments);
    window->FormShow();
    window->show();
    window->activateWindow();
    QApplication::processEvents();
  }
  // An unsaved change, as the card commands make one: a new card in the open file.
  void addUnsavedCard(const char *title) {
    auto c = NewCrd();
    c->Title = QString::fromUtf8(title);
    c->StoreBodyBytes("new\r\n");
    AllCards.AddCrd(c);
    FileModified = true;
  }
  QAction *action(const char *name) const { return window->actions()[QString::fromLatin1(name)]; }

  QString dir;
  ScriptedUi ui;
  std::unique_ptr<Tf_Main> window;
};

} // namespace qel::test
