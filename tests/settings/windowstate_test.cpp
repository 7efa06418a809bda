// Window, list-pane and printer state in the store, the placement of a stored
// window rectangle, and the recently used files.

#include "platform/registry.h"
#include "settings/mrulist.h"
#include "settings/printerstate.h"
#include "settings/windowstate.h"
#include "tests/support/scriptedui.h"
#include "tests/support/testenv.h"

#include <QFile>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <limits>

using namespace qel;

namespace {

class Store : public ::testing::Test {
protected:
  void SetUp() override {
    const QString name = QString::fromUtf8(::testing::UnitTest::GetInstance()->current_test_info()->name());
    dir_ = test::freshDir(QStringLiteral("windowstate-") + name);
    ::setenv("XDG_CONFIG_HOME", QFile::encodeName(dir_).constData(), 1);
  }
  QString storeText() const {
    QFile f(dir_ + "/qel-moravine/hkcu.reg");
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
  }
  // Writes raw values into a key.
  static void put(const QString &key, const std::function<void(TRegistry &)> &write) {
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(QLatin1Char('\\') + key, true));
    write(reg);
    reg.CloseKey();
  }
  QString dir_;
  test::ScriptedUi script_;
};

QString floatText(double v) {
  QByteArray b(8, 0);
  std::memcpy(b.data(), &v, 8);
  QStringList hex;
  for (char c : b) hex << QStringLiteral("%1").arg(quint8(c), 2, 16, QLatin1Char('0'));
  return QStringLiteral("hex:") + hex.join(QLatin1Char(','));
}

TEST_F(Store, EveryValueRoundTripsUnderItsName) {
  TWindowStateRecord r;
  r.WindowState = TWindowStateRecord::wsNormal;
  r.Left = 11;
  r.Top = 22;
  r.Width = 700;
  r.Height = 500;
  r.ListWidth = 180;
  r.ListHeight = 410;
  r.WordWrap = false;
  r.LockCards = true;
  TPrinterPageState printer;
  printer.Portrait = false;
  ASSERT_TRUE(printer.SetMarginMm(msLeft, 12.5));
  ASSERT_TRUE(printer.SetMarginMm(msRight, 7));
  ASSERT_TRUE(printer.SetMarginMm(msTop, 0));
  ASSERT_TRUE(printer.SetMarginMm(msBottom, 33.25));
  SaveWindowStateRecord(r, printer);

  const QString text = storeText();
  for (const QString &line : {
           QStringLiteral("[HKEY_CURRENT_USER\\Software\\Qel Moravine\\StartUp]"),
           QStringLiteral("\"WindowState\"=dword:00000000"), QStringLiteral("\"Left\"=dword:0000000b"),
           QStringLiteral("\"Top\"=dword:00000016"), QStringLiteral("\"Width\"=dword:000002bc"),
           QStringLiteral("\"Height\"=dword:000001f4"), QStringLiteral("\"ListWidth\"=dword:000000b4"),
           QStringLiteral("\"ListHeight\"=dword:0000019a"),
           QStringLiteral("[HKEY_CURRENT_USER\\Software\\Qel Moravine\\Options]"),
           QStringLiteral("\"WordWrap\"=dword:00000000"), QStringLiteral("\"Lock cards\"=dword:00000001"),
           QStringLiteral("[HKEY_CURRENT_USER\\Software\\Qel Moravine\\Printer]"),
           QStringLiteral("\"PageOrientation_Portrait\"=dword:00000000"),
           QStringLiteral("\"MarginLeft\"=") + floatText(12.5), QStringLiteral("\"MarginRight\"=") + floatText(7),
           QStringLiteral("\"MarginTop\"=") + floatText(0), QStringLiteral("\"MarginBottom\"=") + floatText(33.25)})
    EXPECT_TRUE(text.contains(line)) << line.toStdString() << "\n" << text.toStdString();

  TPrinterPageState back;
  const TWindowStateRecord loaded = LoadWindowStateRecord(back);
  EXPECT_EQ(loaded.WindowState, 0);
  EXPECT_EQ(loaded.Left, 11);
  EXPECT_EQ(loaded.Top, 22);
  EXPECT_EQ(loaded.Width, 700);
  EXPECT_EQ(loaded.Height, 500);
  EXPECT_EQ(loaded.ListWidth, 180);
  EXPECT_EQ(loaded.ListHeight, 410);
  EXPECT_EQ(loaded.WordWrap, false);
  EXPECT_EQ(loaded.LockCards, true);
  EXPECT_FALSE(back.Portrait);
  EXPECT_EQ(back.MarginMm(msLeft), 12.5);
  EXPECT_EQ(back.MarginMm(msRight), 7);
  EXPECT_EQ(back.MarginMm(msTop), 0);
  EXPECT_EQ(back.MarginMm(msBottom), 33.25);
}

TEST_F(Store, MaximisedKeepsTheEarlierNormalRectangle) {
  TPrinterPageState printer;
  TWindowStateRecord normal;
  normal.Left = 5;
  normal.Top = 6;
  normal.Width = 640;
  normal.Height = 480;
  SaveWindowStateRecord(normal, printer);
  TWindowStateRecord maximised;
  maximised.WindowState = TWindowStateRecord::wsMaximized;
  maximised.Left = 0;  // not written: the window is not in its normal state
  maximised.Width = 1280;
  SaveWindowStateRecord(maximised, printer);
  const TWindowStateRecord back = LoadWindowStateRecord(printer);
  EXPECT_EQ(back.WindowState, 2);
  EXPECT_EQ(back.Left, 5);
  EXPECT_EQ(back.Width, 640);
  EXPECT_TRUE(storeText().contains(QStringLiteral("\"WindowState\"=dword:00000002")));
}

TEST_F(Store, MistypedAndUnusableValuesAreLeftOut) {
  put(QStringLiteral("Software\\Qel Moravine\\StartUp"), [](TRegistry &reg) {
    reg.WriteString(QStringLiteral("Left"), QStringLiteral("10"));
    reg.WriteBinaryData(QStringLiteral("Width"), QByteArray(4, 1));
    reg.WriteInteger(QStringLiteral("Top"), 3);
  });
  put(QStringLiteral("Software\\Qel Moravine\\Options"),
      [](TRegistry &reg) { reg.WriteString(QStringLiteral("WordWrap"), QStringLiteral("1")); });
  put(QStringLiteral("Software\\Qel Moravine\\Printer"), [](TRegistry &reg) {
    reg.WriteString(QStringLiteral("PageOrientation_Portrait"), QStringLiteral("0"));
    reg.WriteFloat(QStringLiteral("MarginLeft"), -4);
    reg.WriteFloat(QStringLiteral("MarginRight"), std::numeric_limits<double>::infinity());
    reg.WriteFloat(QStringLiteral("MarginTop"), 400);  // beyond an A4 page
    reg.WriteInteger(QStringLiteral("MarginBottom"), 10);
  });
  TPrinterPageState printer;
  const TPrinterPageState design;
  const TWindowStateRecord r = LoadWindowStateRecord(printer);
  EXPECT_FALSE(r.Left);
  EXPECT_FALSE(r.Width);
  EXPECT_EQ(r.Top, 3);
  EXPECT_FALSE(r.WordWrap);
  EXPECT_TRUE(printer.Portrait);
  for (TMarginSide side : {msLeft, msRight, msTop, msBottom}) EXPECT_EQ(printer.MarginMm(side), design.MarginMm(side));
}

TEST_F(Store, MarginsSetInInchesAreStoredInMillimetres) {
  TPrinterPageState printer;
  printer.SetMeasureUnit(TPrinterPageState::Inches);
  printer.SetMargin(msLeft, 1.0);
  printer.SetMargin(msTop, 0.5);
  SaveWindowStateRecord({}, printer);
  EXPECT_TRUE(storeText().contains(QStringLiteral("\"MarginLeft\"=") + floatText(25.4)));

  TPrinterPageState back;
  back.SetMeasureUnit(TPrinterPageState::Inches);
  LoadWindowStateRecord(back);
  EXPECT_DOUBLE_EQ(back.Margin(msLeft), 1.0);
  EXPECT_DOUBLE_EQ(back.Margin(msTop), 0.5);
  EXPECT_DOUBLE_EQ(back.MarginMm(msTop), 12.7);
  back.SetMeasureUnit(TPrinterPageState::Millimeters);
  EXPECT_DOUBLE_EQ(back.Margin(msLeft), 25.4);
}

TEST_F(Store, ReadOptionBoolIsFalseUnlessStoredAsANumber) {
  EXPECT_FALSE(ReadOptionBool(QStringLiteral("StartMinimized")));
  put(QStringLiteral("Software\\Qel Moravine\\Options"), [](TRegistry &reg) {
    reg.WriteInteger(QStringLiteral("StartMinimized"), 1);
    reg.WriteString(QStringLiteral("SysTray"), QStringLiteral("1"));
  });
  EXPECT_TRUE(ReadOptionBool(QStringLiteral("StartMinimized")));
  EXPECT_FALSE(ReadOptionBool(QStringLiteral("SysTray")));
}

TEST(PlaceOnScreens, KeepsTheWindowWhereItCanBeReached) {
  const QList<QRect> one{QRect(0, 0, 1280, 800)};
  const QList<QRect> two{QRect(0, 0, 1280, 800), QRect(1280, 0, 1024, 768)};
  const QSize min(240, 180);
  struct Case {
    const char *what;
    QList<QRect> screens;
    QRect stored, expected;
  } cases[] = {
      {"on screen", one, QRect(100, 50, 700, 500), QRect(100, 50, 700, 500)},
      {"across two screens", two, QRect(1000, 50, 700, 500), QRect(1000, 50, 700, 500)},
      {"monitor gone", one, QRect(1500, 100, 700, 500), QRect(580, 100, 700, 500)},
      {"far up-left", one, QRect(-3000, -2000, 700, 500), QRect(0, 0, 700, 500)},
      {"title above the screen", one, QRect(100, -200, 700, 500), QRect(100, 0, 700, 500)},
      {"tiny", one, QRect(10, 10, 0, -5), QRect(10, 10, 240, 180)},
      {"larger than the screen", one, QRect(0, 0, 3000, 2000), QRect(0, 0, 1280, 800)},
      {"on the second screen", two, QRect(1400, 100, 600, 400), QRect(1400, 100, 600, 400)},
      {"no screens known", {}, QRect(-9000, 0, 10, 10), QRect(-9000, 0, 240, 180)},
  };
  for (const Case &c : cases) EXPECT_EQ(PlaceOnScreens(c.stored, c.screens, min), c.expected) << c.what;
}

// ---- recently used files ----

QStringList names(const TTbrMRUList &l) { return l.Items(); }

TEST(RecentFiles, AddingMovesToTheTopWithoutRegardToCase) {
  TTbrMRUList l;
  l.AddFullPath = false;
  l.SetMaxItems(3);
  int changes = 0;
  l.OnChange = [&] { ++changes; };
  for (const char *n : {"/a.qel", "/b.qel", "/c.qel"}) l.AddMRUFile(QString::fromLatin1(n));
  EXPECT_EQ(names(l), (QStringList{"/c.qel", "/b.qel", "/a.qel"}));
  l.AddMRUFile(QStringLiteral("/A.QEL"));
  EXPECT_EQ(names(l), (QStringList{"/A.QEL", "/c.qel", "/b.qel"}));
  // A full list: the new name on top, the oldest gone with its menu entry.
  l.AddMRUFile(QStringLiteral("/d.qel"));
  EXPECT_EQ(names(l), (QStringList{"/d.qel", "/A.QEL", "/c.qel"}));
  EXPECT_EQ(l.Captions().size(), 3);
  EXPECT_GT(changes, 0);
  // Lowering the capacity drops the surplus at once; 0 empties the list.
  l.SetMaxItems(1);
  EXPECT_EQ(names(l), QStringList{"/d.qel"});
  l.SetMaxItems(0);
  EXPECT_TRUE(l.Items().isEmpty());
  l.AddMRUFile(QStringLiteral("/e.qel"));
  EXPECT_TRUE(l.Items().isEmpty());
  l.SetMaxItems(-3);
  EXPECT_EQ(l.MaxItems(), 0);
}

TEST(RecentFiles, NamesAreMadeAbsolute) {
  TTbrMRUList l;
  l.SetMaxItems(6);
  l.AddMRUFile(QStringLiteral("rel/../x.qel"));
  ASSERT_EQ(l.Count(), 1);
  EXPECT_TRUE(l.Items().at(0).startsWith(QLatin1Char('/')));
  EXPECT_TRUE(l.Items().at(0).endsWith(QStringLiteral("/x.qel")));
  EXPECT_FALSE(l.Items().at(0).contains(QStringLiteral("..")));
}

TEST(RecentFiles, CaptionsCountUpThroughDigitsAndLetters) {
  TTbrMRUList l;
  l.AddFullPath = false;
  l.SetMaxItems(40);
  for (int i = 40; i >= 1; --i) l.AddMRUFile(QStringLiteral("/dir/f%1.qel").arg(i));
  const QStringList c = l.Captions();
  ASSERT_EQ(c.size(), 40);
  EXPECT_EQ(c.at(0), QStringLiteral("&1 f1.qel"));
  EXPECT_EQ(c.at(8), QStringLiteral("&9 f9.qel"));
  EXPECT_EQ(c.at(9), QStringLiteral("&A f10.qel"));
  EXPECT_EQ(c.at(34), QStringLiteral("&Z f35.qel"));
  EXPECT_EQ(c.at(35), QStringLiteral("f36.qel"));
  EXPECT_EQ(c.at(39), QStringLiteral("f40.qel"));
  l.Clear();
  l.AddMRUFile(QStringLiteral("/dir/Tom & Jerry.qel"));
  EXPECT_EQ(l.Captions().at(0), QStringLiteral("&1 Tom && Jerry.qel"));
  l.SetHidePathExtension(false);
  EXPECT_EQ(l.Captions().at(0), QStringLiteral("&1 /dir/Tom && Jerry.qel"));
}

TEST(RecentFiles, ChoosingAnEntryMovesItUpBeforeReportingIt) {
  TTbrMRUList l;
  l.AddFullPath = false;
  l.SetMaxItems(6);
  for (const char *n : {"/c", "/b", "/a"}) l.AddMRUFile(QString::fromLatin1(n));
  QString chosen;
  l.OnClick = [&](const QString &name) {
    chosen = name;
    EXPECT_EQ(l.Items().at(0), name);
  };
  l.EntryClick(2);
  EXPECT_EQ(chosen, QStringLiteral("/c"));
  EXPECT_EQ(names(l), (QStringList{"/c", "/a", "/b"}));
  chosen.clear();
  l.EntryClick(7);
  EXPECT_TRUE(chosen.isEmpty());
}

TEST_F(Store, RecentFilesLoadAndSave) {
  put(QStringLiteral("Software\\Qel Moravine\\MRU Items"), [](TRegistry &reg) {
    reg.WriteString(QStringLiteral("F1"), QString());
    reg.WriteString(QStringLiteral("F2"), QStringLiteral("/only.qel"));
    reg.WriteString(QStringLiteral("F7"), QStringLiteral("/beyond.qel"));
  });
  TTbrMRUList l;
  l.Prefix = QStringLiteral("F");
  l.SetMaxItems(6);
  {
    TRegIniFile ini(QStringLiteral("Software\\Qel Moravine"));
    l.LoadMRUFromRegIni(ini, QStringLiteral("MRU Items"));
  }
  EXPECT_EQ(names(l), QStringList{"/only.qel"});

  l.AddFullPath = false;
  l.AddMRUFile(QStringLiteral("/two.qel"));
  l.AddMRUFile(QStringLiteral("/three.qel"));
  {
    TRegIniFile ini(QStringLiteral("Software\\Qel Moravine"));
    for (int n = 4; n <= 6; ++n) ini.WriteString(QStringLiteral("MRU Items"), QStringLiteral("F%1").arg(n), "/old");
  }
  {
    TRegIniFile ini(QStringLiteral("Software\\Qel Moravine"));
    l.SaveMRUToRegIni(ini, QStringLiteral("MRU Items"));
  }
  const QString text = storeText();
  EXPECT_TRUE(text.contains(QStringLiteral("\"F1\"=\"/three.qel\"")));
  EXPECT_TRUE(text.contains(QStringLiteral("\"F2\"=\"/two.qel\"")));
  EXPECT_TRUE(text.contains(QStringLiteral("\"F3\"=\"/only.qel\"")));
  for (const char *gone : {"\"F4\"", "\"F5\"", "\"F6\""}) EXPECT_FALSE(text.contains(QString::fromLatin1(gone))) << gone;
  EXPECT_TRUE(text.contains(QStringLiteral("\"F7\"=\"/beyond.qel\"")));  // above the capacity: untouched

  // With the list off nothing is read, and saving keeps what is stored.
  TTbrMRUList off;
  off.Prefix = QStringLiteral("F");
  off.SetMaxItems(0);
  {
    TRegIniFile ini(QStringLiteral("Software\\Qel Moravine"));
    off.LoadMRUFromRegIni(ini, QStringLiteral("MRU Items"));
    EXPECT_TRUE(off.Items().isEmpty());
    off.SaveMRUToRegIni(ini, QStringLiteral("MRU Items"));
  }
  EXPECT_EQ(storeText(), text);
}

} // namespace
