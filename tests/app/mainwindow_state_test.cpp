// The main window's remembered state: position, size and state, the list
// pane, word wrap and lock, the last file and the recently used files.

#include "tests/app/mainwindow_fixture.h"

#include "app/mainbars.h"
#include "app/pending.h"
#include "platform/registry.h"
#include "toolbars/paint/thmmrulist.h"
#include "toolbars/qt/tbdock.h"
#include "toolbars/qt/tbtoolbar.h"
#include "settings/printerstate.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QSplitter>

using namespace qel;
using namespace qel::test;

namespace {

class WindowStateTest : public MainWindowTest {
protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    if (IsSkipped()) return;
    QFile::remove(RegistryHiveFile(HKEY_CURRENT_USER));
    PrinterPageState() = TPrinterPageState();
  }
  static void put(const QString &key, const std::function<void(TRegistry &)> &write) {
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(QStringLiteral("\\Software\\Qel Moravine\\") + key, true));
    write(reg);
    reg.CloseKey();
  }
  static int storedInt(const QString &key, const QString &name) {
    TRegistry reg;
    if (!reg.OpenKey(QStringLiteral("\\Software\\Qel Moravine\\") + key, false) || !reg.ValueExists(name)) return -999;
    return reg.ReadInteger(name);
  }
  // Closes the window as the user does and lets it go.
  void closeWindow() {
    window->close();
    window.reset();
    resetCards();
  }
  QStringList recentMenuCaptions() const {
    QStringList captions;
    // The entries the File menu shows in place of its recent-files group.
    toolbars::TTbrCustomItem *group = FindBarItem(window.get(), QStringLiteral("File_MRU"));
    if (!group) return captions;
    toolbars::TTbrCustomItem *shown = toolbars::TTbrCustomItem::ItemContainingItems(group);
    for (int i = 0; i < shown->Count(); ++i)
      if (shown->Items(i)->Visible()) captions << shown->Items(i)->Caption();
    return captions;
  }
};

TEST_F(WindowStateTest, RecentFilesAreAbsoluteAndAMissingOneLeavesTheListWhenChosen) {
  const QString a = makeCardFile(QStringLiteral("a.qel"), {"x"});
  // A relative name, and an absolute one whose file is gone, as older runs may have left them.
  put("MRU Items", [](TRegistry &reg) {
    reg.WriteString(QStringLiteral("F1"), QStringLiteral("relative/gone.qel"));
    reg.WriteString(QStringLiteral("F2"), QStringLiteral("/stored/gone.qel"));
  });
  start({a});
  ASSERT_EQ(window->MRUList->Items().Strings(), QStringList({a, "relative/gone.qel", "/stored/gone.qel"}));
  // Added through another spelling of the same file: one absolute, clean entry.
  const QString other = QFileInfo(a).absolutePath() + QStringLiteral("/./sub/../a.qel");
  QDir().mkpath(QFileInfo(a).absolutePath() + QStringLiteral("/sub"));
  window->AddRecentFile(other);
  EXPECT_EQ(window->MRUList->Items()[0], a);
  EXPECT_EQ(window->MRUList->Items().Count(), 3);

  for (const char *gone : {"relative/gone.qel", "/stored/gone.qel"}) {
    SCOPED_TRACE(gone);
    ui.answerButton(IDOK);
    const int at = window->MRUList->Items().Strings().indexOf(QString::fromLatin1(gone));
    ASSERT_GE(at, 0);
    FindBarItem(window.get(), QStringLiteral("MRUItem%1").arg(at + 1))->Click();
    const QString said = ui.messageTexts().value(0);
    EXPECT_TRUE(said.endsWith(QString::fromLatin1(gone) + QStringLiteral(" not found."))) << said.toStdString();
    ui.clear();
    QApplication::processEvents();
    EXPECT_FALSE(window->MRUList->Items().Strings().contains(QString::fromLatin1(gone)));
    EXPECT_EQ(CurrentFileName, a);
  }
  EXPECT_EQ(window->MRUList->Items().Strings(), QStringList{a});
}

TEST_F(WindowStateTest, NormalAndMaximisedClosesAndTheStartAfterThem) {
  start({});
  // The window's own area is stored, not its frame's.
  window->setGeometry(30, 40, 700, 500);
  window->actions().item(QStringLiteral("Wordwrap1"))->setChecked(false);
  action("a_Lock")->setChecked(true);
  closeWindow();
  EXPECT_EQ(storedInt("StartUp", "WindowState"), 0);
  EXPECT_EQ(storedInt("StartUp", "Left"), 30);
  EXPECT_EQ(storedInt("StartUp", "Top"), 40);
  EXPECT_EQ(storedInt("StartUp", "Width"), 700);
  EXPECT_EQ(storedInt("StartUp", "Height"), 500);
  EXPECT_GT(storedInt("StartUp", "ListWidth"), 0);
  EXPECT_EQ(storedInt("Options", "WordWrap"), 0);
  EXPECT_EQ(storedInt("Options", "Lock cards"), 1);
  // The settings go with the window state.
  EXPECT_EQ(storedInt("Options", "Autosave period"), 10);

  start({});
  EXPECT_EQ(window->geometry(), QRect(30, 40, 700, 500));
  EXPECT_FALSE(window->actions().item(QStringLiteral("Wordwrap1"))->isChecked());
  EXPECT_TRUE(action("a_Lock")->isChecked());
  EXPECT_TRUE(window->m_Card->isReadOnly());
  window->showMaximized();
  QApplication::processEvents();
  closeWindow();
  EXPECT_EQ(storedInt("StartUp", "WindowState"), 2);
  EXPECT_EQ(storedInt("StartUp", "Left"), 30);
  EXPECT_EQ(storedInt("StartUp", "Width"), 700);

  start({});
  EXPECT_TRUE(window->windowState() & Qt::WindowMaximized);
  EXPECT_TRUE(ui.prompts().empty());
}

TEST_F(WindowStateTest, HiddenToolbarItemsAndMovedToolbarsSurviveARestart) {
  start({});
  // An item of the formatting toolbar the user may hide.
  QString name;
  toolbars::TTbrCustomItem *formatting = window->Toolbar_formatting->Items();
  for (int i = 0; i < formatting->Count() && name.isEmpty(); ++i)
    if (!formatting->Items(i)->HasStyle(toolbars::tbis::Separator) && !formatting->Items(i)->Name().isEmpty())
      name = formatting->Items(i)->Name();
  ASSERT_FALSE(name.isEmpty());
  ShowToolbarItem(FindBarItem(window.get(), name), false);
  window->Toolbar_Navigation->SetCurrentDock(window->DockBottom);
  ASSERT_EQ(window->Toolbar_Navigation->CurrentDock(), window->DockBottom);
  closeWindow();

  start({});
  EXPECT_FALSE(ToolbarItemShown(FindBarItem(window.get(), name))) << name.toStdString();
  EXPECT_EQ(window->Toolbar_Navigation->CurrentDock(), window->DockBottom);
  EXPECT_TRUE(ToolbarItemShown(FindBarItem(window.get(), QStringLiteral("b_Open"))));
}

TEST_F(WindowStateTest, AStoredMinimisedStateStartsNormal) {
  put("StartUp", [](TRegistry &reg) { reg.WriteInteger(QStringLiteral("WindowState"), 1); });
  start({});
  EXPECT_FALSE(window->windowState() & (Qt::WindowMinimized | Qt::WindowMaximized));
}

TEST_F(WindowStateTest, OffScreenTinyAndMistypedRectanglesLeaveAUsableWindow) {
  const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
  struct Case {
    const char *what;
    int left, top, width, height;
  } cases[] = {
      {"far off", -5000, -4000, 0, -1},
      {"monitor gone", screen.right() + 2000, 100, 600, 400},
      {"larger than the screen", 0, 0, screen.width() * 3, screen.height() * 3},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    put("StartUp", [&](TRegistry &reg) {
      reg.WriteInteger(QStringLiteral("Left"), c.left);
      reg.WriteInteger(QStringLiteral("Top"), c.top);
      reg.WriteInteger(QStringLiteral("Width"), c.width);
      reg.WriteInteger(QStringLiteral("Height"), c.height);
    });
    start({});
    const QRect r(window->pos(), window->size());
    EXPECT_TRUE(screen.contains(r)) << r.x() << "," << r.y() << " " << r.width() << "x" << r.height();
    EXPECT_GE(r.width(), 240);
    EXPECT_GE(r.height(), 180);
    window.reset();
    resetCards();
  }
  // Values of another type are no values: the design size stays.
  QFile::remove(RegistryHiveFile(HKEY_CURRENT_USER));
  put("StartUp", [](TRegistry &reg) {
    reg.WriteString(QStringLiteral("Width"), QStringLiteral("300"));
    reg.WriteBinaryData(QStringLiteral("Height"), QByteArray(4, 1));
  });
  start({});
  EXPECT_EQ(window->size(), QSize(788, 657));
}

TEST_F(WindowStateTest, TheListPaneNeverHidesTheEditor) {
  for (int stored : {5000, 0, -20}) {
    SCOPED_TRACE(stored);
    put("StartUp", [&](TRegistry &reg) { reg.WriteInteger(QStringLiteral("ListWidth"), stored); });
    start({});
    const QList<int> sizes = window->Splitter->sizes();
    ASSERT_EQ(sizes.size(), 2);
    EXPECT_GE(sizes.at(0), 60);
    EXPECT_GE(sizes.at(1), 60);
    window.reset();
    resetCards();
  }
  put("StartUp", [](TRegistry &reg) { reg.WriteInteger(QStringLiteral("ListWidth"), 300); });
  start({});
  EXPECT_EQ(window->Splitter->sizes().at(0), 300);
}

// A long title is shortened in the header; the panes keep their widths,
// and the list's width is what is stored.
TEST_F(WindowStateTest, ALongTitleLeavesTheListItsWidth) {
  const QByteArray longTitle(140, 'W');
  const QString title = QString::fromLatin1(longTitle);
  const QString path = makeCardFile(QStringLiteral("long.qel"), {"short", longTitle.constData()});
  start({path});
  const int before = window->Splitter->sizes().at(0);
  ASSERT_GE(before, 200);
  const int row = FilteredCards.IndexOf(title);
  ASSERT_GE(row, 0);
  window->SelectCard(row);
  QApplication::processEvents();
  EXPECT_EQ(window->pn_Header->text(), title);
  EXPECT_EQ(window->Splitter->sizes().at(0), before);
  EXPECT_LE(window->pn_Header->minimumSizeHint().width(), 60);
  closeWindow();
  EXPECT_EQ(storedInt("StartUp", "ListWidth"), before);
}

TEST_F(WindowStateTest, TheLastFileOrANewOne) {
  const QString path = makeCardFile(QStringLiteral("last.qel"), {"one", "two"});
  pending::MarkStarted();
  struct Case {
    const char *what;
    QString f1;
    bool opened;
  } cases[] = {
      {"present", path, true},
      {"missing", dir + "/gone.qel", false},
      {"empty", QString(), false},
      {"not a card file", dir + "/junk.qel", false},
  };
  QFile junk(dir + "/junk.qel");
  ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
  junk.write("not a card file");
  junk.close();
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    put("MRU Items", [&](TRegistry &reg) { reg.WriteString(QStringLiteral("F1"), c.f1); });
    if (QString::fromLatin1(c.what) == QLatin1String("not a card file")) ui.answerButton(IDOK);
    start({});
    if (c.opened) {
      EXPECT_EQ(CurrentFileName, path);
      EXPECT_EQ(AllCards.Count(), 2);
    } else {
      EXPECT_TRUE(IsNewFileName(CurrentFileName)) << CurrentFileName.toStdString();
      EXPECT_EQ(window->windowTitle(), CaptionForFile(CurrentFileName));
    }
    EXPECT_TRUE(StartupDone);
    window.reset();
    resetCards();
  }
  EXPECT_TRUE(ui.allAnswered());

  // No "F1" at all.
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey(QStringLiteral("\\Software\\Qel Moravine\\MRU Items"), false));
  reg.DeleteValue(QStringLiteral("F1"));
  reg.CloseKey();
  start({});
  EXPECT_TRUE(IsNewFileName(CurrentFileName));
}

TEST_F(WindowStateTest, RecentFilesFillTheMenuAndSurviveARestart) {
  const QString a = makeCardFile(QStringLiteral("a&b.qel"), {"x"});
  const QString b = makeCardFile(QStringLiteral("b.qel"), {"y"});
  // Eight entries stored, eight wanted: none is lost at the start.
  put("Options", [](TRegistry &reg) { reg.WriteInteger(QStringLiteral("MRU entries"), 8); });
  put("MRU Items", [](TRegistry &reg) {
    for (int n = 1; n <= 8; ++n) reg.WriteString(QStringLiteral("F%1").arg(n), QStringLiteral("/stored/%1.qel").arg(n));
  });
  start({a});
  ASSERT_EQ(window->MRUList->Items().Count(), 8);
  EXPECT_EQ(window->MRUList->Items()[0], a);
  EXPECT_EQ(window->MRUList->Items()[7], QStringLiteral("/stored/7.qel"));
  const QStringList captions = recentMenuCaptions();
  ASSERT_EQ(captions.size(), 8);
  EXPECT_EQ(captions.at(0), QStringLiteral("&1 a&&b.qel"));
  EXPECT_EQ(captions.at(1), QStringLiteral("&2 1.qel"));
  // Open's drop-down lists the same entries.
  EXPECT_EQ(FindBarItem(window.get(), QStringLiteral("bOpen_MRU"))->LinkSubitems(), window->MRUList->Container());
  EXPECT_EQ(FindBarItem(window.get(), QStringLiteral("File_MRU"))->LinkSubitems(), window->MRUList->Container());

  // Opening through the menu entry puts that file on top.
  window->OpenCardsFile(b, -1);
  EXPECT_EQ(recentMenuCaptions().at(0), QStringLiteral("&1 b.qel"));
  FindBarItem(window.get(), QStringLiteral("MRUItem2"))->Click();
  EXPECT_EQ(CurrentFileName, a);
  EXPECT_EQ(recentMenuCaptions().at(0), QStringLiteral("&1 a&&b.qel"));
  closeWindow();

  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey(QStringLiteral("\\Software\\Qel Moravine\\MRU Items"), false));
  EXPECT_EQ(reg.ReadString(QStringLiteral("F1")), a);
  EXPECT_EQ(reg.ReadString(QStringLiteral("F2")), b);
  EXPECT_EQ(reg.ReadString(QStringLiteral("F8")), QStringLiteral("/stored/6.qel"));
  reg.CloseKey();

  // With the list off, nothing shows and the stored names stay.
  put("Options", [](TRegistry &reg) { reg.WriteInteger(QStringLiteral("MRU"), 0); });
  start({});
  EXPECT_TRUE(recentMenuCaptions().isEmpty());
  closeWindow();
  ASSERT_TRUE(reg.OpenKey(QStringLiteral("\\Software\\Qel Moravine\\MRU Items"), false));
  EXPECT_EQ(reg.ReadString(QStringLiteral("F1")), a);
}

} // namespace
