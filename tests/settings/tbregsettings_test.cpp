// The recently used files kept in the registry through the toolbar
// framework's settings seam: what one run saves the next one reads, and
// the stored values are the program's plain string values.

#include "settings/tbregsettings.h"
#include "tests/support/testenv.h"
#include "toolbars/core/tbmrulist.h"

#include <QFile>
#include <gtest/gtest.h>

#include <cstdlib>

using namespace qel;
using qel::toolbars::TTbrMRUList;

namespace {

const QString Key = QStringLiteral("Software\\Qel Moravine");
const QString Section = QStringLiteral("MRU Items");

class RegIniSettings : public ::testing::Test {
protected:
  void SetUp() override {
    const QString name = QString::fromUtf8(::testing::UnitTest::GetInstance()->current_test_info()->name());
    ::setenv("XDG_CONFIG_HOME", QFile::encodeName(test::freshDir(QStringLiteral("tbregsettings-") + name)).constData(), 1);
  }
  static void Configure(TTbrMRUList &list) {
    list.SetAddFullPath(false);
    list.SetPrefix(QStringLiteral("F"));
    list.SetMaxItems(6);
  }
};

TEST_F(RegIniSettings, ListSavedByOneRunIsReadByTheNext) {
  {
    TTbrMRUList list;
    Configure(list);
    for (const char *name : {"/cards/a.qel", "/cards/b & c.qel", "/cards/d.qel"})
      list.AddMRUFile(QString::fromUtf8(name));
    TRegIniFile ini(Key);
    ini.WriteString(Section, QStringLiteral("F5"), QStringLiteral("/stale.qel"));
    TTbrRegIniSettings store(ini);
    list.SaveMRUToRegIni(store, Section);
  }
  TRegIniFile ini(Key);
  EXPECT_EQ(ini.ReadSection(Section), QStringList({"F1", "F2", "F3"})); // F5 had no entry: deleted
  EXPECT_EQ(ini.ReadString(Section, QStringLiteral("F1"), QString()), QStringLiteral("/cards/d.qel"));
  TTbrMRUList next;
  Configure(next);
  TTbrRegIniSettings store(ini);
  next.LoadMRUFromRegIni(store, Section);
  EXPECT_EQ(next.Items().Strings(), QStringList({"/cards/d.qel", "/cards/b & c.qel", "/cards/a.qel"}));
}

TEST_F(RegIniSettings, EmptyAndMissingValuesAreSkippedOnLoad) {
  {
    TRegIniFile ini(Key);
    ini.WriteString(Section, QStringLiteral("F1"), QString());
    ini.WriteString(Section, QStringLiteral("F2"), QStringLiteral("/cards/only.qel"));
  }
  TRegIniFile ini(Key);
  TTbrRegIniSettings store(ini);
  TTbrMRUList list;
  Configure(list);
  list.LoadMRUFromRegIni(store, Section);
  EXPECT_EQ(list.Items().Strings(), QStringList({"/cards/only.qel"})); // F1 empty, F3 and on missing
}

} // namespace
