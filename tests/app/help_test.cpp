// Help: the routing of help requests, F1, pop-ups, the About box, the help
// window's links and the shipped help folder.

#include "tests/app/mainwindow_fixture.h"

#include "app/aboutbox.h"
#include "app/mainbars.h"
#include "toolbars/qt/tbtoolbar.h"
#include "shell/helpwindow.h"
#include "shell/htmlhelp.h"

#include <QDir>
#include <QGuiApplication>
#include <QScreen>
#include <QDirIterator>
#include <QLabel>
#include <QListWidget>
#include <QRegularExpression>
#include <QSet>
#include <QTest>
#include <QTextBrowser>
#include <QToolButton>

using namespace qel;
using namespace qel::test;

namespace {

const QString kHelp = QStringLiteral(QEL_PROGRAM_DIR "/help");

struct RecordingViewer : THelpViewer {
  RecordingViewer() { previous = SetHelpViewer(this); }
  ~RecordingViewer() override { SetHelpViewer(previous); }
  void ShowPage(const QString &, const QString &path, const QString &anchor) override {
    calls << QStringLiteral("page ") + QFileInfo(path).fileName() + (anchor.isEmpty() ? QString() : "#" + anchor);
  }
  void ShowPopup(const QString &text, const QPoint &pos) override {
    calls << QStringLiteral("popup %1,%2 ").arg(pos.x()).arg(pos.y()) + text.left(20);
  }
  void CloseAll() override { calls << QStringLiteral("close"); }
  QString take() { return calls.isEmpty() ? QStringLiteral("<nothing>") : calls.takeFirst(); }
  QStringList calls;
  THelpViewer *previous = nullptr;
};

class HelpTest : public MainWindowTest {
protected:
  void startWithHelp() {
    start({});
    window->HelpFilePath = kHelp;
  }
  RecordingViewer viewer;
};

TEST_F(HelpTest, RequestsAreRoutedToPagesAndPopups) {
  startWithHelp();
  struct Case {
    unsigned command;
    quintptr data;
    const char *expected;
  } cases[] = {
      {HELP_CONTEXT, 1100, "page Filter.htm"},
      {HELP_CONTEXT, 1302, "page Options.htm#view"},
      {HELP_CONTEXT, 9999, "page Contents.htm"},  // no page for it: the contents
      {HELP_INDEX, 0, "page Contents.htm"},
      {HELP_FINDER, 7, "page Contents.htm"},      // a number names no page
      {HELP_SETPOPUP_POS, PackPoint(QPoint(30, -40)), "<nothing>"},
      {HELP_CONTEXTPOPUP, 1411, "popup 30,-40 Header and footer co"},
      {HELP_CONTEXTPOPUP, 4242, "<nothing>"},      // no text: no pop-up
      {257, 0, "<nothing>"},
  };
  for (const Case &c : cases) {
    EXPECT_FALSE(window->ApplicationHelp(c.command, c.data));
    EXPECT_EQ(viewer.take(), QString::fromLatin1(c.expected)) << c.command << " " << c.data;
  }
  EXPECT_EQ(window->PopupPosition(), QPoint(30, -40));

  window->actions()[QStringLiteral("Contents1")]->trigger();
  EXPECT_EQ(viewer.take(), QStringLiteral("page Contents.htm"));
  window->actions()[QStringLiteral("GettingStarted1")]->trigger();
  EXPECT_EQ(viewer.take(), QStringLiteral("page Start.htm"));
  ui.answer(Answer::accept(PromptKind::OpenUrl));
  window->actions()[QStringLiteral("WebSite1")]->trigger();
  ASSERT_FALSE(ui.prompts().empty());
  EXPECT_EQ(ui.prompts().back().kind, PromptKind::OpenUrl);
  EXPECT_EQ(ui.prompts().back().text, kHomePageUrl);

  // A help folder that is not there shows nothing rather than an empty window.
  window->HelpFilePath = dir + "/no help";
  window->HelpContext(1100);
  EXPECT_EQ(viewer.take(), QStringLiteral("<nothing>"));
  window->HelpFilePath = kHelp;

  window->CloseHelpWindows();
  EXPECT_EQ(viewer.take(), QStringLiteral("close"));
  window.reset();
  EXPECT_EQ(viewer.take(), QStringLiteral("close"));
}

TEST_F(HelpTest, F1TakesTheContextOfTheFirstParentThatHasOne) {
  startWithHelp();
  auto origin = [](QWidget *w) { return w->mapToGlobal(QPoint(0, 0)); };
  window->HelpForWidget(window->e_record);
  EXPECT_EQ(viewer.take(), QStringLiteral("page Filter.htm"));
  EXPECT_EQ(window->PopupPosition(), origin(window->ListPanel));
  window->HelpForWidget(window->m_Card);
  EXPECT_EQ(viewer.take(), QStringLiteral("page Card.htm"));
  EXPECT_EQ(window->PopupPosition(), origin(window->pn_Card));
  // A control with a context of its own; the status bar has none and falls to the window's.
  window->lw_List->setProperty("helpContext", 1900);
  window->HelpForWidget(window->lw_List);
  EXPECT_EQ(viewer.take(), QStringLiteral("page ImportExport.htm"));
  window->HelpForWidget(window->StatusPanels[0]);
  EXPECT_EQ(viewer.take(), QStringLiteral("page Contents.htm"));
  QWidget loose;
  window->HelpForWidget(&loose);
  EXPECT_EQ(viewer.take(), QStringLiteral("page Contents.htm"));

  // The key itself, from the focused control.
  window->m_Card->setFocus();
  QApplication::processEvents();
  QTest::keyClick(window->m_Card, Qt::Key_F1);
  EXPECT_EQ(viewer.take(), QStringLiteral("page Card.htm"));
  EXPECT_EQ(viewer.take(), QStringLiteral("<nothing>"));  // once per key
}

TEST_F(HelpTest, AboutBoxTexts) {
  startWithHelp();
  ui.answer(Answer::dialog(QDialog::Accepted, [](QDialog &d) {
    d.show();
    auto &box = static_cast<TAboutBox &>(d);
    EXPECT_EQ(box.windowTitle(), QStringLiteral("About"));
    EXPECT_EQ(box.ProductName->text(), QStringLiteral("Qel Moravine"));
    EXPECT_EQ(box.lbl_Version->text(), QStringLiteral("Version: 3.3c    (2007.09.20)"));
    EXPECT_TRUE(box.lbl_HomePage->text().contains(QStringLiteral("visit Qel Moravine home page")));
    d.hide();
  }));
  window->actions()[QStringLiteral("About1")]->trigger();
  ASSERT_EQ(ui.prompts().size(), 1u);
  EXPECT_EQ(ui.prompts().at(0).detail, QStringLiteral("AboutBox"));
}

TEST(HelpWindow, LinksStayInsideTheFolderOrGoToTheDesktop) {
  ScriptedUi ui;
  THelpWindow window(kHelp);
  EXPECT_GT(window.lb_Contents->count(), 10);
  window.ShowPage(kHelp + "/File.htm");
  const QUrl file = window.tb_Page->source();
  window.LinkClicked(QUrl(QStringLiteral("../../CMakeCache.txt")));
  window.LinkClicked(QUrl(QStringLiteral("/etc/passwd")));
  window.LinkClicked(QUrl(QStringLiteral("ftp://example.org/x.htm")));
  EXPECT_EQ(window.tb_Page->source(), file);
  EXPECT_TRUE(ui.prompts().empty());
  ui.answer(Answer::accept(PromptKind::OpenUrl));
  window.LinkClicked(QUrl(QStringLiteral("https://example.org/page")));
  ASSERT_EQ(ui.prompts().size(), 1u);
  EXPECT_EQ(ui.prompts().at(0).text, QStringLiteral("https://example.org/page"));
  window.LinkClicked(QUrl(QStringLiteral("Options.htm#print")));
  EXPECT_TRUE(window.tb_Page->source().toLocalFile().endsWith(QStringLiteral("/Options.htm")));
  EXPECT_EQ(window.tb_Page->source().fragment(), QStringLiteral("print"));
  EXPECT_TRUE(window.b_Back->isEnabled());
  window.b_Back->click();
  EXPECT_EQ(window.tb_Page->source(), file);
}

// The contents mark the page shown whichever way it came; the window opens
// inside the screen, however large it was asked to be.
TEST(HelpWindow, ContentsFollowBackAndForwardAndTheWindowFitsTheScreen) {
  THelpWindow window(kHelp);
  auto marked = [&] {
    const QListWidgetItem *item = window.lb_Contents->currentItem();
    return item ? item->data(Qt::UserRole).toString() : QString();
  };
  window.ShowPage(kHelp + "/File.htm");
  EXPECT_EQ(marked(), "File.htm");
  window.LinkClicked(QUrl(QStringLiteral("Options.htm")));
  EXPECT_EQ(marked(), "Options.htm");
  window.b_Back->click();
  EXPECT_EQ(marked(), "File.htm");
  window.b_Forward->click();
  EXPECT_EQ(marked(), "Options.htm");

  const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
  window.resize(area.width() * 2, area.height() * 2);
  window.PlaceOnScreen(nullptr);
  EXPECT_TRUE(area.contains(window.geometry())) << window.geometry().height() << " in " << area.height();
  window.resize(400, 300);
  window.PlaceOnScreen(nullptr);
  EXPECT_EQ(window.size(), QSize(400, 300));
  EXPECT_LE((window.geometry().center() - area.center()).manhattanLength(), 40);
}

// ---- the shipped folder ----

QString readFile(const QString &path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

QStringList pages() { return QDir(kHelp).entryList({QStringLiteral("*.htm")}, QDir::Files); }

bool anchorExists(const QString &page, const QString &anchor) {
  return anchor.isEmpty() || readFile(kHelp + "/" + page).contains(QStringLiteral("name=\"%1\"").arg(anchor));
}

TEST(HelpFolder, PagesLinksAndContexts) {
  ASSERT_TRUE(QFileInfo(kHelp + "/Contents.htm").isFile());
  ASSERT_TRUE(QFileInfo(kHelp + "/Start.htm").isFile());
  static const QRegularExpression href(QStringLiteral("href=\"([^\"]*)\""));
  // Every link resolves; every page is reachable from the contents.
  QSet<QString> reached{QStringLiteral("Contents.htm")};
  QStringList queue{QStringLiteral("Contents.htm")};
  while (!queue.isEmpty()) {
    const QString page = queue.takeFirst();
    for (auto it = href.globalMatch(readFile(kHelp + "/" + page)); it.hasNext();) {
      const QString link = it.next().captured(1);
      if (link.startsWith(QLatin1String("http"))) continue;
      const QString target = link.section('#', 0, 0).isEmpty() ? page : link.section('#', 0, 0);
      EXPECT_TRUE(QFileInfo(kHelp + "/" + target).isFile()) << page.toStdString() << " -> " << link.toStdString();
      EXPECT_TRUE(anchorExists(target, link.section('#', 1))) << page.toStdString() << " -> " << link.toStdString();
      if (!reached.contains(target)) {
        reached.insert(target);
        queue << target;
      }
    }
  }
  for (const QString &page : pages()) EXPECT_TRUE(reached.contains(page)) << page.toStdString() << " not reachable";

  const THelpFolder folder(kHelp);
  for (auto it = folder.Contexts().begin(); it != folder.Contexts().end(); ++it) {
    EXPECT_FALSE(folder.PagePath(it.value()).isEmpty()) << it.key();
    EXPECT_TRUE(anchorExists(it.value().section('#', 0, 0), it.value().section('#', 1))) << it.key();
  }
  for (int context : UsedHelpContexts())
    EXPECT_TRUE(folder.Contexts().contains(context) || !folder.PopupText(context).isEmpty()) << context;
  EXPECT_FALSE(folder.PopupText(kHeadersFootersPopup).isEmpty());

  // Every page loads.
  QTextBrowser browser;
  for (const QString &page : pages()) {
    browser.setSource(QUrl::fromLocalFile(kHelp + "/" + page));
    EXPECT_GT(browser.toPlainText().size(), 100) << page.toStdString();
  }
}

TEST_F(HelpTest, EveryMenuCaptionIsExplained) {
  start({});
  QString all;
  for (const QString &page : pages()) {
    QTextBrowser browser;
    browser.setSource(QUrl::fromLocalFile(kHelp + "/" + page));
    all += browser.toPlainText() + "\n";
  }
  QStringList missing;
  // Every entry of the menu bar, its menus' titles included.
  ForEachBarItem(window->Toolbar_Menu, [&](toolbars::TTbrCustomItem *item) {
    if (item->HasStyle(toolbars::tbis::Separator) || item->HasStyle(toolbars::tbis::EmbeddedGroup) ||
        item->Name().startsWith(QLatin1String("MRUItem")))
      return;
    QString caption = item->Caption();
    caption.remove(QRegularExpression(QStringLiteral("&(?!&)")));
    caption = caption.trimmed();
    while (caption.endsWith('.')) caption.chop(1);
    caption = caption.trimmed();
    if (!all.contains(caption)) missing << caption;
  });
  EXPECT_TRUE(missing.isEmpty()) << missing.join(" | ").toStdString();
}

} // namespace
