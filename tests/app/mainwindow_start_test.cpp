#include "tests/app/mainwindow_fixture.h"

#include "app/formattingbar.h"
#include "app/mainbars.h"
#include "platform/colorvalue.h"
#include "toolbars/core/colormath.h"
#include "toolbars/paint/pixelimagelist.h"
#include "toolbars/qt/tbqaction.h"
#include "toolbars/qt/tbtoolbar.h"

#include <QListView>

using namespace qel;
using namespace qel::test;

TEST_F(MainWindowTest, StartsOnTheCommandLineFileWithItsFilter) {
  const QString path = makeCardFile(QStringLiteral("x.QEL"), {"alpha", "bravo", "album"});
  start({path, QStringLiteral("al")});
  EXPECT_EQ(window->windowTitle(), QStringLiteral("x - Qel Moravine"));
  EXPECT_EQ(CurrentFileName, path);
  EXPECT_EQ(window->e_record->text(), QStringLiteral("al"));
  EXPECT_EQ(AllCards.Count(), 3);
  EXPECT_EQ(FilteredCards.Count(), 2);
  EXPECT_TRUE(StartupDone);
  EXPECT_FALSE(FileModified);
  EXPECT_FALSE(action("a_FileSave")->isEnabled());
  EXPECT_TRUE(window->m_Card->isVisible());
  EXPECT_TRUE(ui.prompts().empty());
}

TEST_F(MainWindowTest, WithoutAUsableArgumentItStartsANewFile) {
  for (const QStringList &args : {QStringList{}, QStringList{dir + "/missing.qel", QStringLiteral("filter")}}) {
    SCOPED_TRACE(args.join(' ').toStdString());
    start(args);
    EXPECT_TRUE(IsNewFileName(CurrentFileName)) << CurrentFileName.toStdString();
    EXPECT_EQ(window->windowTitle(), CaptionForFile(CurrentFileName));
    EXPECT_EQ(AllCards.Count(), 0);
    EXPECT_FALSE(FileModified);
    // With no card the editor gives way to "No card selected".
    EXPECT_FALSE(window->m_Card->isVisible());
    window.reset();
    resetCards();
  }
  EXPECT_TRUE(ui.prompts().empty());
}

// On a dark desktop whose tooltip colour stays light (the title list's
// background by default), the list's text in the desktop's light text
// colour would not read: it turns dark. The filter's own colours stay.
TEST_F(MainWindowTest, TheTitleListReadsOnADarkDesktopWithALightTooltipColour) {
  const QPalette before = QApplication::palette();
  QPalette dark = before;
  for (QPalette::ColorGroup g : {QPalette::Active, QPalette::Inactive}) {
    dark.setColor(g, QPalette::Window, QColor(0x35, 0x35, 0x35));
    dark.setColor(g, QPalette::Base, QColor(0x20, 0x20, 0x20));
    dark.setColor(g, QPalette::Text, QColor(0xE0, 0xE0, 0xE0));
    dark.setColor(g, QPalette::WindowText, QColor(0xE0, 0xE0, 0xE0));
    dark.setColor(g, QPalette::ToolTipBase, QColor(0xFF, 0xFF, 0xDC));
  }
  QApplication::setPalette(dark);
  start({});
  const QPalette list = window->lw_List->palette();
  EXPECT_EQ(list.color(QPalette::Base), QColor(0xFF, 0xFF, 0xDC));
  EXPECT_GE(toolbars::ContrastRatio(QColorToTColor(list.color(QPalette::Text)), QColorToTColor(list.color(QPalette::Base))),
            4.5);
  EXPECT_EQ(window->e_record->palette().color(QPalette::Text), QColor(0xFF, 0xFF, 0));
  window.reset();
  QApplication::setPalette(before);
  // On a light desktop the desktop's text colour is kept as it is.
  start({});
  EXPECT_EQ(window->lw_List->palette().color(QPalette::Text), before.color(QPalette::Text));
}

TEST_F(MainWindowTest, FontBoxAndFilterLookAtStart) {
  start({});
  TFontBoxItem *fonts = window->cb_Font;
  ASSERT_EQ(FindBarItem(window.get(), QStringLiteral("cb_Font")), fonts);
  EXPECT_GT(fonts->Strings().size(), 0);
  EXPECT_EQ(fonts->EditWidth(), 128);
  EXPECT_EQ(fonts->MaxVisibleItems(), 16);
  // The filter edit's look comes from the options: bold yellow on maroon by default.
  EXPECT_TRUE(window->e_record->font().bold());
  EXPECT_EQ(window->e_record->palette().color(QPalette::Base), QColor(0x80, 0, 0));
  EXPECT_EQ(window->e_record->palette().color(QPalette::Text), QColor(0xFF, 0xFF, 0));
  // Toolbar buttons show pictures only and name their command in the hint.
  for (const char *name : {"a_FileNew", "a_FileOpen", "a_FileSave", "ac_Next", "a_Bold", "a_Lock"}) {
    SCOPED_TRACE(name);
    EXPECT_FALSE(action(name)->icon().isNull());
    EXPECT_FALSE(action(name)->icon().pixmap(16, 16).isNull());
    // The button shows the command's picture, taken from the toolbar's image list, and no caption.
    toolbars::TTbrCustomItem *button = FindBarItem(window.get(), MainActions::ButtonName(QString::fromLatin1(name)));
    ASSERT_NE(button, nullptr);
    const auto *images = dynamic_cast<const toolbars::TTbrPixelImageList *>(button->Parent()->SubMenuImages());
    ASSERT_NE(images, nullptr);
    EXPECT_FALSE(images->Image(button->ImageIndex()).isNull());
    for (auto *bar : BarsOf(window.get())) {
      bar->View()->ValidatePositions();
      for (int i = 0; i < bar->View()->ViewerCount(); ++i)
        if (bar->View()->Viewers(i)->Item == button) {
          EXPECT_TRUE(bar->View()->Viewers(i)->ImageShown());
          EXPECT_FALSE(bar->View()->Viewers(i)->CaptionShown());
        }
    }
  }
  EXPECT_EQ(action("a_FileOpen")->toolTip(), QStringLiteral("Open (Ctrl+O)"));
  toolbars::TTbrCustomItem *lockButton = FindBarItem(window.get(), QStringLiteral("b_Lock"));
  ASSERT_NE(lockButton, nullptr);
  EXPECT_EQ(lockButton->Action(), toolbars::TTbrQActionAdapter::For(action("a_Lock")));
  EXPECT_NE(FindBarItem(window.get(), QStringLiteral("b_Open")), nullptr);
  EXPECT_EQ(action("a_Options")->toolTip(), QStringLiteral("Options"));
}
