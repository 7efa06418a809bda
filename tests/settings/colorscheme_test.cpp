// Predefined colour schemes and scheme files.

#include "platform/inifile.h"
#include "settings/colorscheme.h"
#include "tests/support/filesizelimit.h"
#include "tests/support/scriptedui.h"
#include "tests/support/testenv.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

using namespace qel;

namespace {

TEST(PredefinedSchemes, EachSetsItsColoursAfterTheReset) {
  struct Expect {
    const char *name;
    TColor list, filter, filterFont, card, header, headerFont;
    TFontStyles headerStyle;
  } table[] = {
      {"simple", clWindow, clWindow, clBlack, clWindow, clBtnFace, clBlack, 0},
      {"colorful 1 (high color palette)", clInfoBk, clMaroon, clYellow, clWindow, clBtnFace, clBlack, 0},
      {"gray 1 (high color palette)", 0xDDDDDD, 0x585858, clWhite, 0xEFEFEF, clBtnFace, clBlack, 0},
      {"colorful 2 (256 color palette)", clSilver, clMaroon, clYellow, clWindow, clBtnFace, clBlack, 0},
      {"scheme 1", clInfoBk, clMaroon, clYellow, clWindow, clTeal, clWhite, fsBold},
      {"scheme 2", 0xA6C9F0, clNavy, clYellow, clWindow, clGray, clWhite, fsBold},
  };
  ASSERT_EQ(PredefinedSchemeNames().size(), 6);
  TSchemeLooks looks;
  looks.Card.Font.Name = QStringLiteral("Kept Face");
  looks.List.Font.Size = 17;
  for (const Expect &e : table) {
    SCOPED_TRACE(e.name);
    EXPECT_TRUE(PredefinedSchemeNames().contains(QString::fromLatin1(e.name)));
    // Each runs after "scheme 1", whose header must not linger.
    ApplyPredefinedScheme(QStringLiteral("scheme 1"), looks);
    ApplyPredefinedScheme(QString::fromLatin1(e.name), looks);
    EXPECT_EQ(looks.List.Color, e.list);
    EXPECT_EQ(looks.List.Font.Color, clWindowText);
    EXPECT_EQ(looks.Filter.Color, e.filter);
    EXPECT_EQ(looks.Filter.Font.Color, e.filterFont);
    EXPECT_EQ(looks.Filter.Font.Style, TFontStyles(fsBold));
    EXPECT_EQ(looks.Card.Color, e.card);
    EXPECT_EQ(looks.Card.Font.Color, clBlack);
    EXPECT_EQ(looks.Header.Color, e.header);
    EXPECT_EQ(looks.Header.Font.Color, e.headerFont);
    EXPECT_EQ(looks.Header.Font.Style, e.headerStyle);
    // Faces and sizes are not part of a scheme.
    EXPECT_EQ(looks.Card.Font.Name, QStringLiteral("Kept Face"));
    EXPECT_EQ(looks.List.Font.Size, 17);
  }
}

TSchemeLooks someLooks() {
  TSchemeLooks l;
  auto set = [](TSampleLook &s, TColor c, const char *face, int size, TColor fc, TFontStyles st) {
    s.Color = c;
    s.Font.Name = QString::fromLatin1(face);
    s.Font.Size = size;
    s.Font.Color = fc;
    s.Font.Style = st;
    s.Font.Charset = 0;
  };
  set(l.Filter, 0x000080, "Filter Face", 9, 0x00FFFF, fsBold);
  set(l.List, clInfoBk, "List Face", 10, clWindowText, 0);
  set(l.Header, 0x808000, "Header Face", 11, 0xFFFFFF, fsBold | fsItalic);
  set(l.Card, 0xEFEFEF, "Card Face", 12, 0x000000, fsUnderline | fsStrikeOut);
  return l;
}

class SchemeFiles : public ::testing::Test {
protected:
  void SetUp() override {
    dir_ = test::freshDir(QString::fromUtf8(::testing::UnitTest::GetInstance()->current_test_info()->name()));
  }
  QString dir_;
  test::ScriptedUi script_;
};

TEST_F(SchemeFiles, SaveWritesTheFourSectionsInOrderAndLoadGivesThemBack) {
  const QString file = dir_ + "/mine.qelscheme";
  SaveSchemeFile(file, someLooks());
  const TIniFile ini(file);
  QStringList keysOf;
  EXPECT_EQ(ini.ReadSections(), (QStringList{"Filter", "List", "Header", "Card"}));
  for (const QString &section : ini.ReadSections())
    EXPECT_EQ(ini.ReadSection(section), (QStringList{"FontName", "FontCharSet", "FontColor", "FontSize", "FontStyle", "Color"}))
        << section.toStdString();
  EXPECT_EQ(ini.ReadInteger("Header", "FontStyle", -1), 3);
  EXPECT_EQ(ini.ReadInteger("List", "Color", 0), int(clInfoBk));

  TSchemeLooks back;
  ASSERT_TRUE(LoadSchemeFile(file, back));
  EXPECT_EQ(back, someLooks());
}

TEST_F(SchemeFiles, MissingSectionsAndUnusableValuesKeepTheCurrentLook) {
  const QString file = dir_ + "/partial.qelscheme";
  QFile f(file);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write("[Filter]\nColor=255\nFontSize=0\nFontColor=-16777000\n"
          "[List]\nFontSize=-3\nColor=305419896\nFontName=\n"
          "[Header]\nFontSize=99999\nColor=-16777211\n");
  f.close();
  TSchemeLooks looks = someLooks();
  ASSERT_TRUE(LoadSchemeFile(file, looks));
  TSchemeLooks expected = someLooks();
  expected.Filter.Color = 255;
  expected.Header.Color = clWindow;  // a system colour is a colour
  EXPECT_EQ(looks, expected);

  QString error;
  EXPECT_FALSE(LoadSchemeFile(dir_ + "/none.qelscheme", looks, &error));
  EXPECT_FALSE(error.isEmpty());
  EXPECT_EQ(looks, expected);
}

// A save that cannot be written completely (the disk fills up; the folder
// may not be written) throws with the cause, keeps the old file byte for
// byte and leaves nothing beside it.
TEST_F(SchemeFiles, AFailedSaveThrowsAndLeavesTheOldFileWhole) {
  const QString file = dir_ + "/old.qelscheme";
  SaveSchemeFile(file, TSchemeLooks());
  QFile f(file);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  const QByteArray before = f.readAll();
  f.close();
  ASSERT_GT(before.size(), 64);
  const auto expectOldFileOnly = [&] {
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), before);
    f.close();
    EXPECT_EQ(QDir(dir_).entryList(QDir::Files | QDir::Hidden), QStringList{"old.qelscheme"});
  };
  {
    test::FileSizeLimit full(64);
    ASSERT_TRUE(full.active());
    try {
      SaveSchemeFile(file, someLooks());
      ADD_FAILURE() << "saved onto a full disk";
    } catch (const EIniFileException &e) {
      EXPECT_TRUE(e.message().contains(file)) << e.message().toStdString();
      EXPECT_TRUE(e.message().contains(QString::fromLocal8Bit(std::strerror(EFBIG)))) << e.message().toStdString();
    }
  }
  expectOldFileOnly();
  if (::geteuid() != 0) {  // the superuser writes into read-only folders
    ::chmod(QFile::encodeName(dir_).constData(), 0500);
    EXPECT_THROW(SaveSchemeFile(file, someLooks()), EIniFileException);
    ::chmod(QFile::encodeName(dir_).constData(), 0700);
    expectOldFileOnly();
  }
  EXPECT_TRUE(script_.prompts().empty());
}

} // namespace
