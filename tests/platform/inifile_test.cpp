// The plain ini file: profile-file reading rules, edits that keep the rest of
// the file, the file's encoding, and save failures.

#include "platform/inifile.h"
#include "tests/support/scriptedui.h"
#include "tests/support/testenv.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

using namespace qel;

namespace {

QByteArray readFile(const QString &path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QString writeFile(const QString &name, const QByteArray &bytes) {
  const QString path = test::freshDir("ini") + "/" + name;
  QFile f(path);
  if (f.open(QIODevice::WriteOnly)) f.write(bytes);
  return path;
}

const QByteArray kScheme =
    "; colour scheme\r\n"
    "[Filter]\r\n"
    "  FontName = Arial Narrow  \r\n"
    "FontSize=12\r\n"
    "Color=\"8388608\"\r\n"
    "Hex=$FF\r\n"
    "bad line without equals\r\n"
    "\r\n"
    "[ list ]\r\n"
    "fontname=Tahoma\r\n"
    "FontName=Second\r\n"
    "Quoted='x'\r\n"
    "[Filter]\r\n"
    "Late=1\r\n";

TEST(IniFile, ReadsWithTheProfileFileRules) {
  TIniFile ini(writeFile("scheme.qelscheme", kScheme));
  struct Case {
    const char *section, *key, *expected;
  } cases[] = {
      {"Filter", "FontName", "Arial Narrow"},  // blanks around names and values do not count
      {"FILTER", "fontname", "Arial Narrow"},  // nor does letter case
      {"Filter", "Color", "8388608"},          // matching quotes are dropped
      {"List", "FontName", "Tahoma"},          // the first of two keys wins
      {"List", "Quoted", "x"},
      {"Filter", "Late", "default"},           // only the first section of a name is read
      {"Filter", "bad line without equals", "default"},
      {"Card", "FontName", "default"},
  };
  for (const Case &c : cases)
    EXPECT_EQ(ini.ReadString(c.section, c.key, "default"), QString::fromUtf8(c.expected)) << c.section << "/" << c.key;
  EXPECT_EQ(ini.ReadInteger("Filter", "FontSize", 0), 12);
  EXPECT_EQ(ini.ReadInteger("Filter", "Hex", 0), 255);
  EXPECT_EQ(ini.ReadInteger("Filter", "FontName", -5), -5);
  EXPECT_EQ(ini.ReadSections(), (QStringList{"Filter", "list", "Filter"}));
  EXPECT_EQ(ini.ReadSection("Filter"), (QStringList{"FontName", "FontSize", "Color", "Hex"}));
  EXPECT_TRUE(ini.SectionExists("LIST"));
  EXPECT_FALSE(ini.ValueExists("List", "Missing"));
}

TEST(IniFile, WritesChangeOnlyWhatTheyNameAndSaveWholeFiles) {
  const QString path = writeFile("edit.ini", kScheme);
  {
    TIniFile ini(path);
    ini.WriteInteger("filter", "fontsize", 14);       // in place, keeping the key's spelling
    ini.WriteString("List", "Added", "after last key");
    ini.WriteString("Card", "FontName", "Courier");  // a new section at the end
    ini.WriteString("Card", "Odd", "\"quoted\"");
    ini.WriteBool("Card", "On", true);
    ini.DeleteKey("Filter", "Hex");
    ini.UpdateFile();
  }
  const QByteArray text = readFile(path);
  EXPECT_TRUE(text.contains("; colour scheme\r\n[Filter]\r\n  FontName = Arial Narrow  \r\nFontSize=14\r\n"));
  EXPECT_TRUE(text.contains("Quoted='x'\r\nAdded=after last key\r\n[Filter]\r\n"));
  EXPECT_TRUE(text.contains("bad line without equals\r\n"));
  EXPECT_TRUE(text.endsWith("\r\n[Card]\r\nFontName=Courier\r\nOdd=\"\"quoted\"\"\r\nOn=1\r\n"));
  EXPECT_FALSE(text.contains("Hex="));
  TIniFile again(path);
  EXPECT_EQ(again.ReadString("Card", "Odd", ""), "\"quoted\"");
  EXPECT_THROW(again.WriteString("Card", "Bad\nKey", "x"), EIniFileException);
  EXPECT_THROW(again.WriteString("Card", "Key", "two\r\nlines"), EIniFileException);
  EXPECT_THROW(again.WriteString("", "Key", "x"), EIniFileException);
}

TEST(IniFile, KeepsTheFilesEncoding) {
  // Legacy single-byte text stays legacy; text it cannot hold turns the file into UTF-8.
  const QString legacy = writeFile("legacy.ini", "[Card]\r\nFontName=Caf\xe9\r\n");
  {
    TIniFile ini(legacy);
    EXPECT_EQ(ini.ReadString("Card", "FontName", ""), QStringLiteral("Caf\u00e9"));
    ini.WriteString("Card", "Other", QStringLiteral("na\u00efve"));
    ini.UpdateFile();
  }
  EXPECT_EQ(readFile(legacy), QByteArray("[Card]\r\nFontName=Caf\xe9\r\nOther=na\xefve\r\n"));
  {
    TIniFile ini(legacy);
    ini.WriteString("Card", "Other", QStringLiteral("\u4e2d"));
  }  // saved by the destructor
  TIniFile utf8(legacy);
  EXPECT_EQ(utf8.ReadString("Card", "FontName", ""), QStringLiteral("Caf\u00e9"));
  EXPECT_EQ(utf8.ReadString("Card", "Other", ""), QStringLiteral("\u4e2d"));
}

TEST(IniFile, AFailedSaveRaisesAndKeepsTheTarget) {
  test::ScriptedUi script;
  const QString folder = test::freshDir("ini-fail");
  const QString target = folder + "/missing-folder/scheme.ini";
  TIniFile ini(target);
  ini.WriteString("Card", "FontName", "Courier");
  EXPECT_THROW(ini.UpdateFile(), EIniFileException);
  EXPECT_FALSE(QFile::exists(target));
  EXPECT_TRUE(QDir(folder).entryList(QDir::Files | QDir::Hidden).isEmpty());
  EXPECT_TRUE(script.prompts().empty());  // reported once, not again at destruction
}

} // namespace

// Legacy text whose bytes also pass for UTF-8 ("\u00c3\u00a9" is C3 A9) is
// saved so that it reads back unchanged, also once the bytes that made the
// file legacy are gone.
TEST(IniFile, LegacyTextThatLooksLikeUtf8IsKept) {
  TIniFile ini{QString()};
  ini.LoadText("[Caf\xc3\xa9]\r\nName=x\xe9\r\n");  // the lone E9 makes the whole file legacy
  ASSERT_EQ(ini.ReadSections(), QStringList{QString::fromUtf8("Caf\u00c3\u00a9")});
  ini.DeleteKey(QString::fromUtf8("Caf\u00c3\u00a9"), QStringLiteral("Name"));
  const QStringList lines = ini.Lines();
  ini.LoadText(ini.Text());
  EXPECT_EQ(ini.Lines(), lines);
  EXPECT_EQ(ini.ReadSections(), QStringList{QString::fromUtf8("Caf\u00c3\u00a9")});
}
