// The registry class's tolerant opening and typed readers, and fonts stored
// as value groups in the registry and in scheme files.

#include "platform/inifile.h"
#include "settings/registry2000.h"
#include "tests/support/scriptedui.h"
#include "tests/support/testenv.h"

#include <QFile>
#include <QFont>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <functional>

using namespace qel;

namespace {

class Registry2000 : public ::testing::Test {
protected:
  void SetUp() override {
    const QString name = QString::fromUtf8(::testing::UnitTest::GetInstance()->current_test_info()->name());
    dir_ = test::freshDir(QStringLiteral("reg2000-") + name);
    ::setenv("XDG_CONFIG_HOME", QFile::encodeName(dir_).constData(), 1);
  }
  QString dir_;
  test::ScriptedUi script_;
};

QByteArray doubleBytes(double d) {
  QByteArray b(8, '\0');
  std::memcpy(b.data(), &d, 8);
  return b;
}

TEST_F(Registry2000, TypedReadersTakeOnlyTheirOwnType) {
  // Stored type x reader: what each reader makes of each kind of value.
  struct Stored {
    const char *name;
    std::function<void(TRegistry &)> write;
  };
  const Stored stored[] = {
      {"Integer", [](TRegistry &r) { r.WriteInteger("Integer", 7); }},
      {"Zero", [](TRegistry &r) { r.WriteInteger("Zero", 0); }},
      {"String", [](TRegistry &r) { r.WriteString("String", "12"); }},
      {"Expand", [](TRegistry &r) { r.WriteExpandString("Expand", "12"); }},
      {"Float", [](TRegistry &r) { r.WriteFloat("Float", 2.5); }},
      {"Binary4", [](TRegistry &r) { r.WriteBinaryData("Binary4", QByteArray(4, '\1')); }},
      {"NaN", [](TRegistry &r) { r.WriteBinaryData("NaN", doubleBytes(std::nan(""))); }},
      {"Missing", [](TRegistry &) {}},
  };
  TRegistry2000 reg;
  ASSERT_TRUE(reg.OpenKeyTolerant("Software\\Qel Moravine\\Types", true));
  for (const Stored &s : stored) s.write(reg);
  reg.CloseKey();
  ASSERT_TRUE(reg.OpenKeyTolerant("Software\\Qel Moravine\\Types", false));

  // Expected result of: integer, string, bool, float reader ("-" = false, target untouched).
  struct Row {
    const char *name, *integer, *string, *boolean, *floating;
  } rows[] = {
      {"Integer", "7", "-", "true", "-"},
      {"Zero", "0", "-", "false", "-"},
      {"String", "-", "12", "-", "-"},
      {"Expand", "-", "-", "-", "-"},
      {"Float", "-", "-", "-", "2.5"},
      {"Binary4", "-", "-", "-", "-"},
      {"NaN", "-", "-", "-", "-"},
      {"Missing", "-", "-", "-", "-"},
  };
  for (const Row &r : rows) {
    SCOPED_TRACE(r.name);
    int i = -99;
    QString s = "untouched";
    bool b = true;
    double d = -1;
    bool gotI = reg.ReadIntegerIfExists(r.name, i);
    bool gotS = reg.ReadStringIfExists(r.name, s);
    bool b2 = false;
    bool gotB = reg.ReadBoolIfExists(r.name, b) && reg.ReadBoolIfExists(r.name, b2);
    bool gotD = reg.ReadFloatIfExists(r.name, d);
    EXPECT_EQ(gotI ? QString::number(i) : "-", r.integer);
    EXPECT_EQ(gotI ? -99 : i, -99);
    EXPECT_EQ(gotS ? s : "-", r.string);
    if (!gotS) { EXPECT_EQ(s, "untouched"); }
    EXPECT_EQ(gotB ? (b ? "true" : "false") : QString("-"), r.boolean);
    if (!gotB) { EXPECT_TRUE(b); }
    EXPECT_EQ(gotD ? QString::number(d) : "-", r.floating);
    if (!gotD) { EXPECT_EQ(d, -1); }
  }
}

TEST_F(Registry2000, OpenKeyTolerantPaths) {
  {
    TRegistry2000 seed;
    ASSERT_TRUE(seed.OpenKeyTolerant("Software\\Qel Moravine\\Options", true));
    ASSERT_TRUE(seed.OpenKeyTolerant("\\Software\\Qel Moravine\\Options\\Inner", true));
  }
  struct Case {
    const char *open;      // key opened first ("" = none)
    const char *key;       // then this one
    bool create;
    bool expectOpen;
    const char *expectPath;
  } cases[] = {
      {"", "Software\\Qel Moravine\\Options", false, true, "Software\\Qel Moravine\\Options"},
      {"", "\\Software\\Qel Moravine\\Options\\", false, true, "Software\\Qel Moravine\\Options"},
      {"", "Software\\Qel Moravine\\Options\\", false, true, "Software\\Qel Moravine\\Options"},
      {"Software\\Qel Moravine", "Options", false, true, "Software\\Qel Moravine\\Options"},
      {"Software\\Qel Moravine", "Options\\", false, true, "Software\\Qel Moravine\\Options"},
      {"Software\\Qel Moravine", "\\Software\\Qel Moravine\\Options", false, true, "Software\\Qel Moravine\\Options"},
      {"Software\\Qel Moravine", "Software\\Qel Moravine\\Options", false, false, ""},
      {"Software\\Qel Moravine\\Options", "", false, true, "Software\\Qel Moravine\\Options"},
      {"Software\\Qel Moravine\\Options", "", true, true, "Software\\Qel Moravine\\Options"},
      {"Software\\Qel Moravine\\Options", "inner", false, true, "Software\\Qel Moravine\\Options\\inner"},
      {"", "Software\\Qel Moravine\\Missing", false, false, ""},
      {"", "Software\\Qel Moravine\\Missing", true, true, "Software\\Qel Moravine\\Missing"},
      {"", "Software\\\\Qel Moravine", true, false, ""},
      {"", "\\", false, true, ""},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(std::string(c.open) + " then " + c.key);
    TRegistry2000 reg;
    if (*c.open) { ASSERT_TRUE(reg.OpenKeyTolerant(c.open, false)); }
    EXPECT_EQ(reg.OpenKeyTolerant(c.key, c.create), c.expectOpen);
    EXPECT_EQ(reg.HasCurrentKey(), c.expectOpen);
    if (c.expectOpen) { EXPECT_EQ(reg.CurrentPath(), QString::fromUtf8(c.expectPath)); }
  }
  TRegistry2000 reg;
  EXPECT_TRUE(reg.KeyExists("Software\\Qel Moravine\\Missing"));  // created by the case above
  EXPECT_FALSE(reg.KeyExists("Software\\Qel Moravine\\Options\\Inner\\Deeper"));
}

TEST(FontStyleLetters, WrittenInOrderReadAnywhere) {
  EXPECT_EQ(FontStyleToLetters(fsStrikeOut | fsBold | fsUnderline | fsItalic), "BIUS");
  EXPECT_EQ(FontStyleToLetters(fsUnderline | fsBold), "BU");
  EXPECT_EQ(FontStyleToLetters(0), "");
  struct Case {
    const char *letters;
    TFontStyles style;
  } cases[] = {{"BU", fsBold | fsUnderline}, {"UB", fsBold | fsUnderline}, {"bu", 0},  {"", 0},
               {"xSx", fsStrikeOut},          {"IIB", fsBold | fsItalic},    {"SUIB", kAllFontStyles}};
  for (const Case &c : cases) EXPECT_EQ(LettersToFontStyle(c.letters), c.style) << c.letters;
}

TEST_F(Registry2000, FontGroupInTheRegistry) {
  TFont font;
  font.Name = "Courier New";
  font.Size = 14;
  font.Color = int(0xFF000018u);
  font.Style = fsItalic | fsStrikeOut;
  font.Charset = 238;
  {
    TRegistry2000 reg;
    ASSERT_TRUE(reg.OpenKeyTolerant("Software\\Qel Moravine\\Options", true));
    WriteFontToRegistry(reg, "List", font);
    EXPECT_EQ(reg.GetValueNames(),
              (QStringList{"ListFontColor", "ListFontSize", "ListFontName", "ListFontStyle", "ListCharset"}));
    EXPECT_EQ(reg.ReadString("ListFontStyle"), "IS");
    reg.WriteString("CardFontSize", "12");   // a size stored as text
    reg.WriteInteger("CardFontName", 5);     // a name stored as a number
    reg.WriteInteger("CardCharset", 300);    // no such character set
    reg.WriteString("CardFontStyle", "ub");  // lower-case letters mean nothing
  }
  TRegistry2000 reg;
  ASSERT_TRUE(reg.OpenKeyTolerant("Software\\Qel Moravine\\Options", false));
  TFont back;
  ReadFontFromRegistry(reg, "List", back);
  EXPECT_EQ(back, font);
  TFont card;
  card.Style = fsBold;
  const TFont before = card;
  ReadFontFromRegistry(reg, "Card", card);
  EXPECT_EQ(card.Size, before.Size);
  EXPECT_EQ(card.Name, before.Name);
  EXPECT_EQ(card.Charset, before.Charset);
  EXPECT_EQ(card.Style, 0u);
}

TEST(FontGroupIni, WrittenAndReadWithTheFontAsDefault) {
  const QString path = test::freshDir("font-ini") + "/scheme.qelscheme";
  TFont font;
  font.Name = "Tahoma";
  font.Size = 9;
  font.Color = 0x00FFFF;
  font.Style = fsBold | fsUnderline;
  font.Charset = 204;
  {
    TIniFile ini(path);
    WriteFontToIni(ini, "Filter", font);
    ini.UpdateFile();
    EXPECT_EQ(ini.Lines(), (QStringList{"[Filter]", "FontName=Tahoma", "FontCharSet=204", "FontColor=65535",
                                        "FontSize=9", "FontStyle=5"}));
  }
  TIniFile ini(path);
  TFont back;
  ReadFontFromIni(ini, "Filter", back);
  EXPECT_EQ(back, font);
  TFont untouched;
  untouched.Name = "Keep";
  ReadFontFromIni(ini, "Card", untouched);  // a missing section leaves the font as it was
  EXPECT_EQ(untouched.Name, "Keep");
  EXPECT_EQ(untouched, [] { TFont f; f.Name = "Keep"; return f; }());
}

TEST(FontValue, ConvertsToAndFromQtFonts) {
  TFont font;
  font.Name = "Serif";
  font.Size = 13;
  font.Style = fsBold | fsItalic | fsUnderline | fsStrikeOut;
  font.Color = 0x123456;
  font.Charset = 161;
  const QFont q = FontToQFont(font);
  EXPECT_EQ(q.family(), "Serif");
  EXPECT_EQ(q.pointSize(), 13);
  EXPECT_TRUE(q.bold() && q.italic() && q.underline() && q.strikeOut());
  EXPECT_EQ(FontFromQFont(q, font), font);
}

} // namespace
