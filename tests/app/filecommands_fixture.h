#pragma once
// Shared set-up for the file-command tests: a stand-in main window, the real
// ZIP engines, the settings object, and a fresh folder and NEW file per test.

#include "app/filecommands.h"
#include "cards/bodyfile.h"
#include "cards/crd.h"
#include "cards/filelock.h"
#include "settings/options.h"
#include "tests/support/scriptedui.h"
#include "tests/support/testenv.h"
#include "tests/zip/ziptestutil.h"
#include "zip/ziparchiver.h"

#include <QDir>
#include <QFileInfo>
#include <gtest/gtest.h>

namespace qel::test {

struct StandInHost : FileCommandHost {
  QString caption, hint;
  int refilters = 0, editorShows = 0, stores = 0, filterClears = 0, terminations = 0;
  QString windowCaption() const override { return caption; }
  void setWindowCaption(const QString &c) override { caption = c; }
  void setTrayHint(const QString &h) override { hint = h; }
  void restoreAndBringForward() override {}
  bool startingUp() const override { return false; }
  void requestTerminate() override { ++terminations; }
  void refilterCards() override { ++refilters; }
  void showEditorIfAny() override { ++editorShows; }
  void storeCurrentCard() override { ++stores; }
  void clearFilter() override { ++filterClears; }
};

class FileCommandsTest : public ::testing::Test {
protected:
  void SetUp() override {
    const QString engines = QStringLiteral(QEL_PROGRAM_DIR);
    if (!QFileInfo::exists(engines + "/libzipdll.so") || !QFileInfo::exists(engines + "/libunzdll.so"))
      GTEST_SKIP() << "engine libraries not built";
    const auto *info = ::testing::UnitTest::GetInstance()->current_test_info();
    dir = freshDir(QString::fromLatin1(info->test_suite_name()) + "_" + QString::fromLatin1(info->name()));
    ZipArchiver().SetDLLDirectory(engines);
    ZipArchiver().SetPassword(QString());
    ZipArchiver().AddOptions = {};
    ResetMainState();
    SetOpenedReadOnly(false);
    UnlockDataFile();
    ClearCards(AllCards);
    CurrentFileName = QStringLiteral("NEW.QEL");
    ResetBodyFile();
    options = new tOptions;
    options->Backup = false;
    options->ExclusiveOpen = false;
    AppOptions = options;
    StartupDone = true;
  }
  void TearDown() override {
    UnlockDataFile();
    FilteredCards.Clear();
    ClearCards(AllCards);
    AppOptions = nullptr;
    delete options;
    options = nullptr;
  }

  static TCrdPtr addCard(const QString &title, const QByteArray &body, TDateTime lastOpen = 0) {
    auto c = NewCrd();
    c->Title = title;
    c->LastOpen = lastOpen;
    c->StoreBodyBytes(body);
    AllCards.AddCrd(c);
    return c;
  }
  QString bodyOf(const QString &title) const {
    const int i = AllCards.IndexOf(title);
    return i < 0 ? QString() : QString::fromUtf8(AllCards.Objects(i)->BodyBytes());
  }
  // Saves the current cards under `name` in the test folder (with `password`) and starts a NEW file.
  QString makeFile(const QString &name, const QString &password = {}) {
    const QString path = dir + "/" + name;
    ZipArchiver().SetPassword(password);
    EXPECT_TRUE(SaveCardsFile(host, path));
    ZipArchiver().SetPassword(QString());
    ZipArchiver().AddOptions = {};
    ClearCards(AllCards);
    CurrentFileName = QStringLiteral("NEW.QEL");
    ResetBodyFile();
    FileModified = false;
    return path;
  }

  QString dir;
  StandInHost host;
  tOptions *options = nullptr;
};

} // namespace qel::test
