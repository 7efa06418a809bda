// Positions of a form's toolbars saved and loaded: in memory and in the
// registry, with damaged values and a dock that is gone.

#include "platform/registry.h"
#include "toolbars/qt/tbdock.h"
#include "toolbars/qt/tbdockpositions.h"
#include "toolbars/qt/tbtoolbar.h"

#include <QFile>
#include <QTest>

#include <gtest/gtest.h>

#include <cstdlib>

#include "tests/support/testenv.h"
#include "tests/toolbars/toolbartest.h"

using namespace qel;
using namespace qel::toolbars;
using namespace qel::toolbars::test;

namespace {

// "name:dock:row@pos" for every toolbar of the form, hidden ones with "-".
QString Places(TTbrDockFrame &form) {
  QStringList words;
  for (QWidget *widget : form.findChildren<QWidget *>()) {
    auto *bar = dynamic_cast<TTbrCustomToolbar *>(widget);
    if (!bar)
      continue;
    const QString dock = bar->CurrentDock() ? bar->CurrentDock()->objectName().mid(4) : "none";
    words << QStringLiteral("%1:%2:%3@%4%5")
                 .arg(bar->objectName(), dock)
                 .arg(bar->ArrangedRow)
                 .arg(bar->ArrangedPos)
                 .arg(bar->isHidden() ? "-" : "");
  }
  words.sort();
  return words.join(' ');
}

class PositionsForm : public ::testing::Test {
protected:
  void SetUp() override {
    Form.setGeometry(0, 0, 800, 400);
    Form.SetCentralWidget(new QWidget);
    for (const char *name : {"A", "B", "C"}) {
      auto *bar = new TTbrCustomToolbar(&Form);
      bar->setObjectName(name);
      Add(bar->Items(), QStringLiteral("%1 button").arg(name));
      Bars << bar;
    }
    Design();
    Form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&Form));
  }
  // Where the form puts its toolbars when it is made.
  void Design() {
    for (int i = 0; i < Bars.size(); ++i) {
      Bars[i]->show();
      Bars[i]->SetDockRow(0);
      Bars[i]->SetDockPos(i * 200);
      Bars[i]->SetCurrentDock(Form.DockTop());
    }
  }
  TTestDesktop Desktop{QRect(0, 0, 1280, 1024)};
  TTbrDockFrame Form;
  QList<TTbrCustomToolbar *> Bars;
};

TEST_F(PositionsForm, RoundTripThroughASettingsStore) {
  Bars[1]->SetDockRow(1);
  Bars[1]->SetDockPos(30);
  Bars[2]->SetCurrentDock(Form.DockLeft());
  Bars[0]->hide();
  const QString left = Places(Form);
  // Hidden, A still claims its row; C keeps its place along the dock as far
  // as the left dock is long.
  EXPECT_EQ(left, "A:Top:0@0- B:Top:1@30 C:Left:0@302");

  TTbrMemorySettings store;
  SaveDockablePositions(&Form, PositionCallbacks(store));
  EXPECT_EQ(store.ReadString("C", "DockedTo", ""), "DockLeft");
  EXPECT_EQ(store.ReadString("A", "Visible", ""), "0");

  Design();
  ASSERT_NE(Places(Form), left);
  // The docks lay out once, with every toolbar in place: while C's values
  // are read, the top dock holds the layout that A and B asked for.
  TTbrPositionCallbacks callbacks = PositionCallbacks(store);
  bool heldWhileLoading = false;
  callbacks.ReadString = [&, read = callbacks.ReadString](const QString &section, const QString &name,
                                                          const QString &defaultValue) {
    if (section == "C" && name == "DockedTo")
      heldWhileLoading = Form.DockTop()->ArrangePending();
    return read(section, name, defaultValue);
  };
  LoadDockablePositions(&Form, callbacks);
  EXPECT_TRUE(heldWhileLoading);
  EXPECT_FALSE(Form.DockTop()->ArrangePending());
  EXPECT_EQ(Places(Form), left);
}

TEST_F(PositionsForm, DamagedAndForeignValuesKeepTheToolbarsInSight) {
  TTbrMemorySettings store;
  auto write = [&](const char *bar, QList<std::pair<const char *, const char *>> values) {
    for (auto [name, value] : values)
      store.WriteString(bar, name, value);
  };
  write("A", {{"Rev", "2000"}, {"DockedTo", "DockRemoved"}, {"DockRow", "0"}, {"DockPos", "600"}});
  write("B", {{"DockedTo", "DockLeft"}}); // no "Rev": not ours
  write("C", {{"Rev", "2000"}, {"DockedTo", "dockbottom"}, {"DockRow", "99999999"}, {"DockPos", "2000000000"}});
  LoadDockablePositions(&Form, PositionCallbacks(store));
  // A and B keep the places the form gave them; C lands in the bottom
  // dock's only row, at its end.
  EXPECT_EQ(Places(Form).section(' ', 0, 1), "A:Top:0@0 B:Top:0@200");
  EXPECT_EQ(Bars[2]->CurrentDock(), Form.DockBottom());
  EXPECT_EQ(Bars[2]->ArrangedRow, 0);
  EXPECT_EQ(Bars[2]->geometry().right(), Form.DockBottom()->width() - 1);
  EXPECT_EQ(Form.DockBottom()->height(), Bars[2]->height());
}

TEST_F(PositionsForm, RegistryKeepsEachToolbarInASubkey) {
  const QString dir = qel::test::freshDir(QStringLiteral("tbdockpositions"));
  ::setenv("XDG_CONFIG_HOME", QFile::encodeName(dir).constData(), 1);
  const QString key = QStringLiteral("Software\\Qel Moravine\\ToolBars");
  // A first start finds nothing and makes the key, so that the item
  // visibility saved at close (into an existing key only) has its place.
  const QString design = Places(Form);
  LoadDockablePositionsFromRegistry(&Form, HKEY_CURRENT_USER, key);
  EXPECT_EQ(Places(Form), design);
  EXPECT_TRUE(TRegistry().KeyExists("\\" + key));

  Bars[0]->SetCurrentDock(Form.DockRight());
  Bars[2]->SetDockRow(1);
  const QString left = Places(Form);
  SaveDockablePositionsToRegistry(&Form, HKEY_CURRENT_USER, key);
  {
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKeyReadOnly("\\" + key + "\\A"));
    EXPECT_EQ(reg.ReadString("DockedTo"), "DockRight");
    EXPECT_EQ(reg.GetDataType("DockRow"), TRegDataType::rdString); // integers as their decimal text
    EXPECT_EQ(reg.ReadString("Rev"), "2000");
  }
  {
    // Hand-edited: not a number reads as the current row.
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey("\\" + key + "\\C", false));
    reg.WriteString("DockRow", "x");
    reg.CloseKey();
  }
  Design();
  Bars[2]->SetDockRow(1);
  LoadDockablePositionsFromRegistry(&Form, HKEY_CURRENT_USER, key);
  EXPECT_EQ(Places(Form), left);
}

} // namespace
