// Window, list-pane and printer state in the store, the placement of a stored
// window rectangle, and the recently used files.

#include "platform/registry.h"
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

} // namespace
