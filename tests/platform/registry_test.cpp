// The registry store: the export text form, merging writers, damaged and
// unwritable stores, and the registry ini view.

#include "platform/registry.h"
#include "tests/support/scriptedui.h"
#include "tests/support/testenv.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

using namespace qel;

namespace {

const QString kOptions = QStringLiteral("Software\\Qel Moravine\\Options");

QByteArray readFile(const QString &path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeFile(const QString &path, const QByteArray &bytes) {
  QDir().mkpath(QFileInfo(path).absolutePath());
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
  f.write(bytes);
}

class RegistryStore : public ::testing::Test {
protected:
  void SetUp() override {
    const QString name = QString::fromUtf8(::testing::UnitTest::GetInstance()->current_test_info()->name());
    dir_ = test::freshDir(QStringLiteral("registry-") + name);
    ::setenv("XDG_CONFIG_HOME", QFile::encodeName(dir_ + "/config").constData(), 1);
    ::setenv("XDG_DATA_HOME", QFile::encodeName(dir_ + "/data").constData(), 1);
  }
  QString hkcu() const { return dir_ + "/config/qel-moravine/hkcu.reg"; }
  QString dir_;
  test::ScriptedUi script_;  // an unexpected error box fails the test
};

TEST_F(RegistryStore, FilesFollowTheEnvironmentAtUseTime) {
  EXPECT_EQ(RegistryHiveFile(HKEY_CURRENT_USER), hkcu());
  EXPECT_EQ(RegistryHiveFile(HKEY_LOCAL_MACHINE), dir_ + "/data/qel-moravine/hklm.reg");
  EXPECT_TRUE(RegistryHiveFile(HKEY_CLASSES_ROOT).isEmpty());
  ::setenv("XDG_CONFIG_HOME", "", 1);
  EXPECT_EQ(RegistryHiveFile(HKEY_CURRENT_USER), QDir::homePath() + "/.config/qel-moravine/hkcu.reg");
}

TEST_F(RegistryStore, EveryTypeRoundTripsThroughTheExportText) {
  const QString awkward = QStringLiteral("C:\\path \"quoted\" \u00e9\u4e2d\U0001F600");
  const QString multiline = QStringLiteral("line 1\r\nline 2\ttab");
  const QByteArray blob("\x00\x01\xfe\xff", 4);
  {
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(kOptions, true));
    reg.WriteInteger("Autosave period", 10);
    reg.WriteInteger("ListColor", int(0xFF000018u));
    reg.WriteString("Name", awkward);
    reg.WriteString("Multi", multiline);
    reg.WriteString("", "default text");
    reg.WriteExpandString("Expand", "%HOME%/x");
    reg.WriteBinaryData("Blob", blob);
    reg.WriteFloat("MarginLeft", 25.4);
    reg.WriteBool("Header", true);
    reg.CloseKey();
  }
  const QByteArray text = readFile(hkcu());
  EXPECT_TRUE(text.startsWith("Windows Registry Editor Version 5.00\n"));
  EXPECT_TRUE(text.contains("[HKEY_CURRENT_USER\\Software\\Qel Moravine\\Options]\n"));
  EXPECT_TRUE(text.contains("\"Autosave period\"=dword:0000000a\n"));
  EXPECT_TRUE(text.contains("\"ListColor\"=dword:ff000018\n"));
  EXPECT_TRUE(text.contains("@=\"default text\"\n"));
  EXPECT_TRUE(text.contains("\"Name\"=\"C:\\\\path \\\"quoted\\\" " + QStringLiteral("\u00e9").toUtf8()));
  EXPECT_TRUE(text.contains("\"MarginLeft\"=hex:"));
  EXPECT_TRUE(text.contains("\"Multi\"=hex(1):"));  // a line break never splits the line
  EXPECT_TRUE(text.contains("[HKEY_CURRENT_USER\\Software]\n"));

  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey(kOptions, false));
  EXPECT_EQ(reg.ReadInteger("Autosave period"), 10);
  EXPECT_EQ(quint32(reg.ReadInteger("ListColor")), 0xFF000018u);
  EXPECT_EQ(reg.ReadString("Name"), awkward);
  EXPECT_EQ(reg.ReadString("Multi"), multiline);
  EXPECT_EQ(reg.ReadString(""), "default text");
  EXPECT_EQ(reg.GetDataType("Expand"), TRegDataType::rdExpandString);
  EXPECT_EQ(reg.ReadString("Expand"), "%HOME%/x");
  EXPECT_EQ(reg.ReadBinaryData("Blob"), blob);
  EXPECT_DOUBLE_EQ(reg.ReadFloat("MarginLeft"), 25.4);
  EXPECT_TRUE(reg.ReadBool("Header"));
  EXPECT_EQ(reg.GetValueNames(), (QStringList{"Autosave period", "ListColor", "Name", "Multi", "", "Expand", "Blob",
                                              "MarginLeft", "Header"}));
}

TEST_F(RegistryStore, NamesCompareWithoutCaseAndKeepTheirCase) {
  {
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey("Software\\Qel Moravine\\Options", true));
    reg.WriteInteger("Autosave Period", 1);
    reg.WriteInteger("AUTOSAVE PERIOD", 2);
    reg.CloseKey();
  }
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey("software\\QEL MORAVINE\\options", false));
  EXPECT_EQ(reg.GetValueNames(), QStringList{"Autosave Period"});
  EXPECT_EQ(reg.ReadInteger("autosave period"), 2);
  EXPECT_TRUE(reg.ValueExists("AutoSave PERIOD"));
  reg.CloseKey();
  ASSERT_TRUE(reg.OpenKey("Software", false));
  EXPECT_EQ(reg.GetKeyNames(), QStringList{"Qel Moravine"});
  EXPECT_TRUE(reg.HasSubKeys());
}

TEST_F(RegistryStore, MissingAndMistypedValuesRaiseInTheFrameworkReaders) {
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey(kOptions, true));
  reg.WriteString("Text", "x");
  reg.WriteBinaryData("Four", QByteArray(4, 'a'));
  EXPECT_EQ(reg.ReadString("Missing"), QString());
  EXPECT_THROW(reg.ReadInteger("Missing"), ERegistryException);
  EXPECT_THROW(reg.ReadInteger("Text"), ERegistryException);
  EXPECT_THROW(reg.ReadFloat("Four"), ERegistryException);
  EXPECT_EQ(reg.GetDataSize("Text"), 4);
  EXPECT_EQ(reg.GetDataSize("Missing"), -1);
  EXPECT_TRUE(reg.DeleteValue("text"));
  EXPECT_FALSE(reg.ValueExists("Text"));
  EXPECT_FALSE(reg.DeleteValue("Text"));
}

TEST_F(RegistryStore, AfterAFailedOpenWritesFailInsteadOfLandingInThePreviousKey) {
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey(kOptions, true));
  reg.WriteInteger("Before", 1);
  EXPECT_FALSE(reg.OpenKey("\\Software\\No Such Key", false));
  EXPECT_FALSE(reg.HasCurrentKey());
  EXPECT_THROW(reg.WriteInteger("After", 2), ERegistryException);
  EXPECT_FALSE(reg.OpenKey("Bad\\\\Path", true));
  EXPECT_THROW(reg.WriteString("After", "x"), ERegistryException);

  TRegistry check;
  ASSERT_TRUE(check.OpenKey(kOptions, false));
  EXPECT_EQ(check.GetValueNames(), QStringList{"Before"});  // written when the failed open closed the key
}

TEST_F(RegistryStore, RelativeAndAbsoluteKeysAndTheUnstoredRoot) {
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey("Software\\Qel Moravine", true));
  ASSERT_TRUE(reg.OpenKey("Options", true));
  EXPECT_EQ(reg.CurrentPath(), kOptions);
  ASSERT_TRUE(reg.OpenKey("\\Software", false));
  EXPECT_EQ(reg.CurrentPath(), "Software");
  EXPECT_TRUE(reg.KeyExists("Qel Moravine\\Options"));
  EXPECT_FALSE(reg.KeyExists("Options"));

  TRegistry classes;
  classes.SetRootKey(HKEY_CLASSES_ROOT);
  EXPECT_FALSE(classes.OpenKey(".qel", true));
  EXPECT_THROW(classes.WriteString("", "QEL file"), ERegistryException);
}

TEST_F(RegistryStore, DeleteKeyRemovesTheKeyWithItsSubKeysAndKeepsItsNeighbours) {
  {
    TRegistry reg;
    reg.SetRootKey(HKEY_LOCAL_MACHINE);
    ASSERT_TRUE(reg.OpenKey("\\Software\\A\\B\\C", true));
    reg.WriteString("x", "1");
    ASSERT_TRUE(reg.OpenKey("\\Software\\A\\Neighbour", true));
    reg.WriteString("y", "2");
    reg.CloseKey();
    EXPECT_TRUE(reg.DeleteKey("\\Software\\a\\b"));  // names compare without case
    EXPECT_FALSE(reg.DeleteKey("\\Software\\A\\B"));  // gone already
    EXPECT_FALSE(reg.DeleteKey("\\"));                   // the root cannot go
  }
  TRegistry reader;
  reader.SetRootKey(HKEY_LOCAL_MACHINE);
  EXPECT_FALSE(reader.KeyExists("\\Software\\A\\B\\C"));
  EXPECT_FALSE(reader.KeyExists("\\Software\\A\\B"));
  ASSERT_TRUE(reader.OpenKey("\\Software\\A\\Neighbour", false));
  EXPECT_EQ(reader.ReadString("y"), "2");
  const QByteArray text = readFile(dir_ + "/data/qel-moravine/hklm.reg");
  EXPECT_FALSE(text.contains("\\B]")) << text.constData();
}

TEST_F(RegistryStore, ReadOnlyAccessRefusesWrites) {
  { TRegistry reg; ASSERT_TRUE(reg.OpenKey(kOptions, true)); }
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKeyReadOnly(kOptions));
  EXPECT_THROW(reg.WriteInteger("X", 1), ERegistryException);
  EXPECT_FALSE(reg.OpenKeyReadOnly("Software\\Created"));  // read access never creates
}

TEST_F(RegistryStore, TwoWritersKeepEachOthersValues) {
  {
    TRegistry seed;
    ASSERT_TRUE(seed.OpenKey(kOptions, true));
    seed.WriteInteger("Shared", 0);
    seed.WriteInteger("Doomed", 0);
  }
  TRegistry a, b;
  ASSERT_TRUE(a.OpenKey(kOptions, false));
  ASSERT_TRUE(b.OpenKey(kOptions, false));
  a.WriteInteger("FromA", 1);
  a.WriteInteger("Shared", 1);
  b.WriteInteger("FromB", 2);
  b.DeleteValue("Doomed");
  ASSERT_TRUE(b.OpenKey("\\Software\\Qel Moravine\\StartUp", true));  // switching keys writes B's changes
  b.WriteInteger("Left", 7);
  a.CloseKey();  // A's view of "Doomed" is stale: it must not bring it back
  b.CloseKey();

  TRegistry check;
  ASSERT_TRUE(check.OpenKey(kOptions, false));
  EXPECT_EQ(check.ReadInteger("FromA"), 1);
  EXPECT_EQ(check.ReadInteger("FromB"), 2);
  EXPECT_EQ(check.ReadInteger("Shared"), 1);
  EXPECT_FALSE(check.ValueExists("Doomed"));
  ASSERT_TRUE(check.OpenKey("\\Software\\Qel Moravine\\StartUp", false));
  EXPECT_EQ(check.ReadInteger("Left"), 7);
}

// Run by TwoProcessesKeepEachOthersValues in child processes of this binary.
TEST(RegistryChild, WriteManyValues) {
  const QByteArray prefix = qgetenv("QEL_REG_CHILD");
  if (prefix.isEmpty()) GTEST_SKIP() << "only run as a child process";
  ::setenv("XDG_CONFIG_HOME", qgetenv("QEL_REG_CHILD_CONFIG").constData(), 1);
  for (int i = 0; i < 25; ++i) {
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(kOptions, true));
    reg.WriteInteger(QString::fromUtf8(prefix) + QString::number(i), i);
    reg.CloseKey();
  }
}

TEST_F(RegistryStore, TwoProcessesKeepEachOthersValues) {
  QList<QProcess *> children;
  for (const char *prefix : {"P", "Q"}) {
    auto *p = new QProcess;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QEL_REG_CHILD", prefix);
    env.insert("QEL_REG_CHILD_CONFIG", dir_ + "/config");
    p->setProcessEnvironment(env);
    p->start(QCoreApplication::applicationFilePath(), {"--gtest_filter=RegistryChild.WriteManyValues"});
    children.append(p);
  }
  for (QProcess *p : children) {
    ASSERT_TRUE(p->waitForFinished(60000));
    EXPECT_EQ(p->exitCode(), 0) << p->readAllStandardOutput().toStdString();
    delete p;
  }
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey(kOptions, false));
  EXPECT_EQ(reg.GetValueNames().size(), 50);
  EXPECT_EQ(reg.ReadInteger("P24"), 24);
  EXPECT_EQ(reg.ReadInteger("Q0"), 0);
}

TEST_F(RegistryStore, DamagedLinesAreSkippedOnLoadAndKeptOnWrite) {
  const QByteArray damaged =
      "Windows Registry Editor Version 5.00\r\n"
      "\"Orphan\"=dword:00000001\r\n"
      "\r\n"
      "[HKEY_CURRENT_USER\\Software\\Qel Moravine\\Options]\r\n"
      "\"Good\"=dword:0000002a\r\n"
      "\"BadNumber\"=dword:xyz\r\n"
      "\"Unterminated=\"x\"\r\n"
      "\"Bytes\"=hex:01,02,\\\r\n"
      "  03,04\r\n"
      "\"Latin\xe9\"=\"not utf-8\"\r\n"
      "; a comment\r\n"
      "\"Text\"=\"kept\"\r\n"
      "\r\n"
      "[HKEY_SOMEWHERE\\Else]\r\n"
      "\"Lost\"=dword:00000001\r\n"
      "[HKEY_CURRENT_USER\\Software\\\\Empty Part]\r\n"
      "[HKEY_CURRENT_USER\\Software\\Qel Moravine\\StartUp]\r\n"
      "\"Left\"=dword:00000064\r\n";
  writeFile(hkcu(), damaged);
  int skipped = 0;
  RegHiveData::parse(damaged, "HKEY_CURRENT_USER", &skipped);
  EXPECT_EQ(skipped, 8);

  {
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(kOptions, false));
    EXPECT_EQ(reg.ReadInteger("Good"), 42);
    EXPECT_EQ(reg.ReadString("Text"), "kept");
    EXPECT_EQ(reg.ReadBinaryData("Bytes"), QByteArray("\x01\x02\x03\x04"));
    EXPECT_EQ(reg.GetValueNames(), (QStringList{"Good", "Bytes", "Text"}));
    reg.WriteInteger("New", 1);
    reg.CloseKey();
    ASSERT_TRUE(reg.OpenKey("\\Software\\Qel Moravine\\StartUp", false));
    EXPECT_EQ(reg.ReadInteger("Left"), 100);
  }
  const QByteArray rewritten = readFile(hkcu());
  for (const char *line : {"\"Orphan\"=dword:00000001\n", "\"BadNumber\"=dword:xyz\n", "\"Unterminated=\"x\"\n",
                           "\"Latin\xe9\"=\"not utf-8\"\n", "; a comment\n", "[HKEY_SOMEWHERE\\Else]\n",
                           "\"Lost\"=dword:00000001\n", "\"New\"=dword:00000001\n"})
    EXPECT_TRUE(rewritten.contains(line)) << line;
  // The rewritten store reads the same and writes back unchanged.
  const RegHiveData again = RegHiveData::parse(rewritten, "HKEY_CURRENT_USER");
  EXPECT_EQ(again.serialize(), rewritten);
}

TEST_F(RegistryStore, ExportSavedAsUtf16Loads) {
  QString text = QStringLiteral("Windows Registry Editor Version 5.00\r\n\r\n"
                                "[HKEY_CURRENT_USER\\Software\\Qel Moravine\\Options]\r\n"
                                "\"Header text\"=\"\u00e9t\u00e9\"\r\n");
  QByteArray bytes("\xff\xfe");
  for (QChar c : text) bytes.append(char(c.unicode() & 0xff)).append(char(c.unicode() >> 8));
  writeFile(hkcu(), bytes);
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey(kOptions, false));
  EXPECT_EQ(reg.ReadString("Header text"), QStringLiteral("\u00e9t\u00e9"));
}

TEST_F(RegistryStore, AnUnwritableStoreGivesOneClearErrorAndKeepsTheOldFile) {
  {
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(kOptions, true));
    reg.WriteInteger("Old", 1);
  }
  const QByteArray before = readFile(hkcu());
  // The store's place becomes a folder: nothing can replace it.
  ASSERT_TRUE(QFile::rename(hkcu(), hkcu() + ".saved"));
  ASSERT_TRUE(QDir().mkpath(hkcu()));
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey(kOptions, true));
  reg.WriteInteger("New", 2);
  try {
    reg.CloseKey();
    ADD_FAILURE() << "no error";
  } catch (const ERegistryException &e) {
    EXPECT_TRUE(e.message().startsWith("The settings could not be saved to \"" + hkcu() + "\"")) << e.what();
  }
  reg.CloseKey();  // reported once: nothing is left to write
  QDir folder(QFileInfo(hkcu()).absolutePath());
  EXPECT_TRUE(folder.entryList({"*.tmp-*"}, QDir::Files | QDir::Hidden).isEmpty());
  EXPECT_EQ(readFile(hkcu() + ".saved"), before);

  // The folder of the store cannot be made either.
  ::setenv("XDG_CONFIG_HOME", QFile::encodeName(dir_ + "/plainfile").constData(), 1);
  writeFile(dir_ + "/plainfile", "x");
  TRegistry other;
  ASSERT_TRUE(other.OpenKey(kOptions, true));
  other.WriteInteger("X", 1);
  EXPECT_THROW(other.Flush(), ERegistryException);
  EXPECT_TRUE(script_.prompts().empty());
}

TEST_F(RegistryStore, AFailedWriteAtDestructionIsReportedOnce) {
  ASSERT_TRUE(QDir().mkpath(hkcu()));
  script_.answerButton(IDOK);
  {
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(kOptions, true));
    reg.WriteInteger("X", 1);
  }
  ASSERT_EQ(script_.prompts().size(), 1u);
  EXPECT_EQ(script_.prompts()[0].flags & MB_ICONMASK, unsigned(MB_ICONERROR));
}

TEST_F(RegistryStore, AStoreKeptAsALinkIsWrittenWhereItLives) {
  const QString real = dir_ + "/dotfiles/hkcu.reg";
  writeFile(real, "[HKEY_CURRENT_USER\\Software]\n\"Kept\"=dword:00000001\n");
  ASSERT_TRUE(QDir().mkpath(QFileInfo(hkcu()).absolutePath()));
  ASSERT_TRUE(QFile::link(real, hkcu()));
  {
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey("Software", false));
    reg.WriteInteger("New", 2);
  }
  EXPECT_TRUE(QFileInfo(hkcu()).isSymLink());
  const QByteArray text = readFile(real);
  EXPECT_TRUE(text.contains("\"Kept\"=dword:00000001\n\"New\"=dword:00000002\n"));
}

TEST_F(RegistryStore, AWriterThatKeepsTheLockMakesOursFailInsteadOfHanging) {
  ASSERT_TRUE(QDir().mkpath(QFileInfo(hkcu()).absolutePath()));
  const int held = ::open(QFile::encodeName(hkcu() + ".lock").constData(), O_RDWR | O_CREAT, 0600);
  ASSERT_GE(held, 0);
  ASSERT_EQ(::flock(held, LOCK_EX), 0);
  SetRegistryLockWait(100);
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey(kOptions, true));
  reg.WriteInteger("X", 1);
  EXPECT_THROW(reg.CloseKey(), ERegistryException);
  SetRegistryLockWait(10000);
  ::close(held);
  EXPECT_FALSE(QFile::exists(hkcu()));
}

TEST_F(RegistryStore, RegistryIniViewKeepsSectionsAsSubKeysAndNumbersAsText) {
  {
    TRegIniFile ini("Software\\Qel Moravine");
    ini.WriteString("MRU Items", "F1", "/home/u/a.qel");
    ini.WriteInteger("ToolBars\\Toolbar_Standard", "DockRow", 3);
    ini.WriteBool("ToolBars\\Toolbar_Standard", "Visible", true);
    ini.WriteString("MRU Items", "F2", "/home/u/b.qel");
    ini.DeleteKey("MRU Items", "F2");
  }
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey("Software\\Qel Moravine\\ToolBars\\Toolbar_Standard", false));
  EXPECT_EQ(reg.GetDataType("DockRow"), TRegDataType::rdString);
  EXPECT_EQ(reg.ReadString("DockRow"), "3");
  EXPECT_EQ(reg.ReadString("Visible"), "1");
  reg.WriteString("Bad", "x");
  reg.WriteInteger("Typed", 5);
  reg.CloseKey();

  TRegIniFile ini("Software\\Qel Moravine");
  EXPECT_EQ(ini.ReadString("MRU Items", "F1", ""), "/home/u/a.qel");
  EXPECT_FALSE(ini.ValueExists("MRU Items", "F2"));
  EXPECT_EQ(ini.ReadInteger("ToolBars\\Toolbar_Standard", "DockRow", 0), 3);
  EXPECT_EQ(ini.ReadInteger("ToolBars\\Toolbar_Standard", "Bad", -1), -1);
  EXPECT_EQ(ini.ReadInteger("ToolBars\\Toolbar_Standard", "Typed", -1), 5);
  EXPECT_TRUE(ini.ReadBool("ToolBars\\Toolbar_Standard", "Visible", false));
  EXPECT_EQ(ini.ReadString("No Section", "F1", "dflt"), "dflt");
  EXPECT_EQ(ini.ReadSection("MRU Items"), QStringList{"F1"});
  EXPECT_EQ(ini.ReadSections(), (QStringList{"MRU Items", "ToolBars"}));
  // Binary values through the same object, as the print settings store keeps its margins.
  ASSERT_TRUE(ini.OpenKey("Marges", true));
  ini.WriteFloat("MarginLeft", 12.5);
  EXPECT_DOUBLE_EQ(ini.ReadFloat("MarginLeft"), 12.5);
}

TEST(RegHiveText, ParseIsStableAndNeverLosesText) {
  const QByteArray inputs[] = {
      "",
      "garbage\n[\n]\n[HKEY_CURRENT_USER\n\"a\"=\"b\"\n",
      "[HKEY_CURRENT_USER\\A]\n\"x\"=hex(7):61,00,00,00\n\"y\"=hex(b):01,02\n@=dword:1\n\"z\"=hex:\\\n",
      "[HKEY_CURRENT_USER\\A\\B]\n\"v\"=\"1\"\n[hkey_current_user\\a]\n\"V\"=\"2\"\n\"v\"=\"3\"\n",
      "[-HKEY_CURRENT_USER\\A]\n\"x\"=-\n",
  };
  for (const QByteArray &in : inputs) {
    const QByteArray once = RegHiveData::parse(in, "HKEY_CURRENT_USER").serialize();
    EXPECT_EQ(RegHiveData::parse(once, "HKEY_CURRENT_USER").serialize(), once) << in.constData();
  }
  RegHiveData merged = RegHiveData::parse(inputs[3], "HKEY_CURRENT_USER");
  ASSERT_NE(merged.find("a"), nullptr);
  EXPECT_EQ(merged.find("A")->values.size(), 1);
  EXPECT_EQ(merged.find("A")->values[0].name, "V");  // the first spelling stays
  EXPECT_EQ(merged.find("A")->values[0].text, "3");
  EXPECT_EQ(merged.subKeyNames(""), QStringList{"A"});
  EXPECT_EQ(merged.subKeyNames("a"), QStringList{"B"});
  // Keys named only inside a longer key's path exist without being written out.
  RegHiveData deep = RegHiveData::parse("[HKEY_CURRENT_USER\\A\\B\\C]\n", "HKEY_CURRENT_USER");
  EXPECT_EQ(deep.keys.size(), 1);
  EXPECT_TRUE(deep.exists("a\\b"));
  EXPECT_FALSE(deep.exists("A\\X"));
  EXPECT_EQ(deep.subKeyNames("A"), QStringList{"B"});
  RegHiveData other = RegHiveData::parse(inputs[2], "HKEY_CURRENT_USER");
  ASSERT_NE(other.find("A"), nullptr);
  EXPECT_EQ(other.find("A")->values[0].type, TRegDataType::rdUnknown);  // kept with its type code
  EXPECT_TRUE(other.serialize().contains("\"x\"=hex(7):61,00,00,00\n"));
  EXPECT_TRUE(other.serialize().contains("@=dword:00000001\n"));
}

} // namespace
