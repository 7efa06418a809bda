// The main window's toolbar state in the store: item visibility, the order
// of the steps at close and start, and the docks kept while locked.

#include "platform/registry.h"
#include "settings/registry2000.h"
#include "settings/toolbarstate.h"
#include "tests/support/scriptedui.h"
#include "tests/support/testenv.h"

#include <QFile>
#include <QMap>
#include <gtest/gtest.h>

#include <cstdlib>

using namespace qel;

namespace {

class ToolbarState : public ::testing::Test {
protected:
  void SetUp() override {
    const QString name = QString::fromUtf8(::testing::UnitTest::GetInstance()->current_test_info()->name());
    ::setenv("XDG_CONFIG_HOME", QFile::encodeName(test::freshDir(QStringLiteral("toolbarstate-") + name)).constData(),
             1);
    for (const char *name : {"tb_New", "tb_Open", "tb_Print"}) {
      Shown[name] = true;
      Hooks.Items << TToolbarItemState{name, [this, name] { return Shown[name]; },
                                       [this, name](bool v) { Shown[name] = v; }};
    }
    Hooks.SavePositions = [this] {
      Steps << "positions";
      TRegistry reg;
      reg.OpenKey("\\" + kToolBarsKey + "\\Toolbar_Standard", true);
      reg.WriteString("Rev", "2000");
    };
    Hooks.LoadPositions = [this] { Steps << "positions"; };
    Hooks.Docked << TToolbarDockState{"Toolbar_Standard", "DockLeft"} << TToolbarDockState{"Toolbar_Gone", "DockTop"};
  }
  static bool Stored(const QString &key, const QString &name, QString *text = nullptr) {
    TRegistry reg;
    if (!reg.OpenKeyReadOnly("\\" + key) || !reg.ValueExists(name))
      return false;
    if (text)
      *text = reg.GetDataType(name) == TRegDataType::rdInteger ? QString::number(reg.ReadInteger(name))
                                                                : reg.ReadString(name);
    return true;
  }
  QMap<QString, bool> Shown;
  TToolbarStateHooks Hooks;
  QStringList Steps;
  test::ScriptedUi Script;
};

TEST_F(ToolbarState, VisibilityIsSavedOnceTheKeyExistsAndReadBack) {
  Shown["tb_Open"] = false;
  // A first close: the key is made by the positions, the items wait for the next.
  SaveToolbars(Hooks);
  EXPECT_FALSE(Stored(kToolBarsKey, "tb_Open"));
  EXPECT_EQ(Steps, QStringList({"positions"}));
  SaveToolbars(Hooks);
  QString text;
  ASSERT_TRUE(Stored(kToolBarsKey, "tb_Open", &text));
  EXPECT_EQ(text, "0");
  ASSERT_TRUE(Stored(kToolBarsKey, "tb_New", &text));
  EXPECT_EQ(text, "1");

  // Back at start: the stored values, and shown where none is stored (or
  // the stored value is no integer).
  {
    TRegistry reg;
    reg.OpenKey("\\" + kToolBarsKey, false);
    reg.DeleteValue("tb_New");
    reg.WriteString("tb_Print", "0");
  }
  Shown = {{"tb_New", false}, {"tb_Open", true}, {"tb_Print", false}};
  Steps.clear();
  LoadToolbars(Hooks);
  EXPECT_EQ(Steps, QStringList({"positions"}));
  EXPECT_EQ(Shown, (QMap<QString, bool>{{"tb_New", true}, {"tb_Open", false}, {"tb_Print", true}}));

  // The options dialog's Cancel reads them again.
  Shown["tb_Open"] = true;
  ReloadToolbarItemVisibility(Hooks.Items);
  EXPECT_FALSE(Shown["tb_Open"]);
}

TEST_F(ToolbarState, DocksAreKeptOnlyWhileLockedAndOnlyForExistingSubkeys) {
  SaveToolbars(Hooks);
  EXPECT_FALSE(Stored(kToolBarsKey + "\\Toolbar_Standard", "DockedTo"));
  Hooks.ToolbarsLocked = true;
  SaveToolbars(Hooks);
  QString text;
  ASSERT_TRUE(Stored(kToolBarsKey + "\\Toolbar_Standard", "DockedTo", &text));
  EXPECT_EQ(text, "DockLeft");
  TRegistry reg;
  EXPECT_FALSE(reg.KeyExists("\\" + kToolBarsKey + "\\Toolbar_Gone"));
}

} // namespace
