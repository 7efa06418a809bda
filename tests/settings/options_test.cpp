// The settings object: defaults, the stored names and order, a full
// save-and-load cycle, mistyped values, other writers and store failures.

#include "settings/options.h"
#include "settings/registry2000.h"
#include "tests/settings/changedoptions.h"
#include "tests/support/scriptedui.h"
#include "tests/support/testenv.h"

#include <QFile>
#include <QDir>
#include <gtest/gtest.h>

#include <cstdlib>

using namespace qel;
using qel::test::changedOptions;

namespace {

class Options : public ::testing::Test {
protected:
  void SetUp() override {
    const QString name = QString::fromUtf8(::testing::UnitTest::GetInstance()->current_test_info()->name());
    dir_ = test::freshDir(QStringLiteral("options-") + name);
    ::setenv("XDG_CONFIG_HOME", QFile::encodeName(dir_).constData(), 1);
  }
  QString store() const { return dir_ + "/qel-moravine/hkcu.reg"; }
  QString dir_;
  test::ScriptedUi script_;
};


TEST_F(Options, DefaultsAndAnEmptyStore) {
  tOptions o;
  EXPECT_EQ(quint32(o.ListColor), 0xFF000018u);
  EXPECT_EQ(quint32(o.CardColor), 0xFF000005u);
  EXPECT_EQ(o.InputBoxColor, 128);
  EXPECT_EQ(o.InputBoxFont.Color, 0x00FFFF);
  EXPECT_EQ(o.InputBoxFont.Style, unsigned(fsBold));
  EXPECT_EQ(o.HeaderColor, 0x808000);
  EXPECT_EQ(o.HeaderFont.Color, 0xFFFFFF);
  EXPECT_EQ(o.HeaderFont.Style, unsigned(fsBold));
  EXPECT_EQ(o.TitlesFont.Name, "Arial");
  EXPECT_EQ(o.TitlesFont.Size, 11);
  EXPECT_EQ(o.TitlesFont.Style, unsigned(fsBold));
  EXPECT_EQ(o.ListFont, DefaultFont());
  EXPECT_EQ(o.DateTimeFormat, "yyyy-mmm-dd");
  EXPECT_EQ(o.AutosavePeriod, 10);
  EXPECT_EQ(o.SpeedDialLength, 6);
  EXPECT_EQ(o.MRUEntries, 5);
  EXPECT_EQ(o.ActionBarWidth, 150);
  EXPECT_TRUE(o.Header && o.SysTray && o.OpenLast && o.Backup && o.SavePhoneNr && o.PageBreaks && o.MRU &&
              o.ShowClearButton && o.SortList && o.HeaderLine && o.ExclusiveOpen && o.FlatScrollBars);
  EXPECT_FALSE(o.StartMinimized || o.Autosave || o.AltEmail || o.RightToLeft || o.FooterLine || o.LockToolbars);

  tOptions loaded;
  EXPECT_FALSE(loaded.LoadFromRegistry());
  EXPECT_EQ(loaded, tOptions());
  EXPECT_FALSE(QFile::exists(store()));  // loading writes nothing
}

TEST_F(Options, EveryFieldSurvivesSaveAndLoad) {
  const tOptions changed = changedOptions();
  changed.SaveToRegistry();
  tOptions loaded;
  EXPECT_TRUE(loaded.LoadFromRegistry());
  EXPECT_EQ(loaded, changed);
  // And the defaults themselves survive the same way.
  tOptions().SaveToRegistry();
  tOptions again = changedOptions();
  EXPECT_TRUE(again.LoadFromRegistry());
  EXPECT_EQ(again, tOptions());
}

TEST_F(Options, StoredNamesAndOrderAreTheProgramsOwn) {
  QFile list(QStringLiteral(QEL_TEST_DATA_DIR "/option_names.txt"));
  ASSERT_TRUE(list.open(QIODevice::ReadOnly | QIODevice::Text));
  const QStringList expected = QString::fromUtf8(list.readAll()).split('\n', Qt::SkipEmptyParts);
  ASSERT_EQ(expected.size(), 95);

  tOptions().SaveToRegistry();
  TRegistry2000 reg;
  ASSERT_TRUE(reg.OpenKeyTolerant(kOptionsKey, false));
  EXPECT_EQ(reg.GetValueNames(), expected);
  // The boolean "Header" and the header font group live side by side.
  EXPECT_EQ(reg.GetDataType("Header"), TRegDataType::rdInteger);
  EXPECT_EQ(reg.GetDataType("HeaderFontName"), TRegDataType::rdString);
  EXPECT_EQ(reg.GetDataType("ListColor"), TRegDataType::rdInteger);
  EXPECT_EQ(reg.GetDataType("ListFontStyle"), TRegDataType::rdString);
  EXPECT_EQ(reg.ReadString("InputBoxFontStyle"), "B");
  const QByteArray text = [&] { QFile f(store()); f.open(QIODevice::ReadOnly); return f.readAll(); }();
  EXPECT_TRUE(text.contains("\"ListColor\"=dword:ff000018\n"));
  EXPECT_TRUE(text.contains("\"Autosave period\"=dword:0000000a\n"));
  EXPECT_TRUE(text.contains("\"DateTime Format\"=\"yyyy-mmm-dd\"\n"));
}

TEST_F(Options, MistypedValuesKeepTheDefaults) {
  {
    TRegistry2000 reg;
    ASSERT_TRUE(reg.OpenKeyTolerant(kOptionsKey, true));
    reg.WriteString("Autosave period", "5");
    reg.WriteString("Header", "0");            // a boolean as text
    reg.WriteInteger("DateTime Format", 3);    // a string as a number
    reg.WriteExpandString("Dial prefix", "9");
    reg.WriteString("ListFontSize", "12");
    reg.WriteInteger("MRU entries", 2);         // the one well-typed value
  }
  tOptions o;
  EXPECT_TRUE(o.LoadFromRegistry());
  tOptions expected;
  expected.MRUEntries = 2;
  EXPECT_EQ(o, expected);
}

TEST_F(Options, SavingKeepsValuesOtherWritersStoredMeanwhile) {
  TRegistry2000 windowState;
  ASSERT_TRUE(windowState.OpenKeyTolerant(kOptionsKey, true));
  windowState.WriteBool("WordWrap", true);
  changedOptions().SaveToRegistry();
  windowState.WriteBool("Lock cards", true);
  windowState.CloseKey();  // must not bring back the defaults it saw when it opened

  tOptions loaded;
  ASSERT_TRUE(loaded.LoadFromRegistry());
  EXPECT_EQ(loaded, changedOptions());
  TRegistry2000 reg;
  ASSERT_TRUE(reg.OpenKeyTolerant(kOptionsKey, false));
  bool wordWrap = false, lock = false;
  EXPECT_TRUE(reg.ReadBoolIfExists("WordWrap", wordWrap) && wordWrap);
  EXPECT_TRUE(reg.ReadBoolIfExists("Lock cards", lock) && lock);
}

TEST_F(Options, AnUnwritableStoreRaisesOneError) {
  ASSERT_TRUE(QDir().mkpath(store()));  // a folder where the store file belongs
  EXPECT_THROW(changedOptions().SaveToRegistry(), ERegistryException);
  EXPECT_TRUE(script_.prompts().empty());
  tOptions o;
  EXPECT_FALSE(o.LoadFromRegistry());
  EXPECT_EQ(o, tOptions());
}

} // namespace
