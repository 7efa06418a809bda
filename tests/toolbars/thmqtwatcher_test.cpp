#include "thmtestpalette.h"

#include "toolbars/paint/framecontrols.h"
#include "toolbars/paint/thmdefaulttheme.h"
#include "toolbars/qt/thmqtwatcher.h"

#include <QWidget>

#include <gtest/gtest.h>

#include <vector>

using namespace qel;
using namespace qel::toolbars;
using namespace qel::toolbars::test;

namespace {

class TRecorder : public TThmListener {
public:
  void Dispatch(TThmMessage &message) override { Heard.push_back(int(message.WParam)); }
  std::vector<int> Heard;
};

TEST(ThemeWatcher, APaletteChangeTellsListenersOnceAndTheToolbarColourFollows) {
  TPaletteGuard classic(ClassicColors);
  QWidget window; // windows hear of palette changes too; the manager must not hear twice
  window.show();
  TQtThemeWatcher watcher;
  RegisterTheme("Default", &ThemeClassOf<TThmDefaultTheme>);
  auto *theme = static_cast<TThmDefaultTheme *>(GetTheme("Default"));
  TRecorder recorder;
  AddThemeNotification(&recorder);

  EXPECT_EQ(ThmQColor(theme->ViewBackColor(vt::Toolbar)).rgb(), ClassicColors.Face);
  QApplication::setPalette(MakePalette(DarkColors));
  EXPECT_EQ(recorder.Heard, (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(ThmQColor(theme->ViewBackColor(vt::Toolbar)).rgb(), DarkColors.Face);
  EXPECT_EQ(ThmQColor(theme->ToolbarColor).rgb(), DarkColors.Face);

  // The variables are recomputed from the new palette: a white button face is a simple-colour desktop.
  TDesktopColors white = ClassicColors;
  white.Face = 0xFFFFFFFF;
  EXPECT_FALSE(WhiteButtonFace);
  QApplication::setPalette(MakePalette(white));
  EXPECT_TRUE(WhiteButtonFace);
  EXPECT_TRUE(SimpleColors);
  EXPECT_EQ(recorder.Heard.size(), 6u);

  RemoveThemeNotification(&recorder);
  ReleaseTheme(theme);
  ClearThemeRegistry();
}

TEST(ThemeWatcher, TheDefaultThemeRefreshesItsColourInTheMiddleOfAChange) {
  TThmDefaultTheme theme("Default");
  theme.ToolbarColor = 0x123456; // stale
  TThmMessage begin{ThemeChangeMessage, tcm::SystemChangeBegin, 0, 0};
  theme.Dispatch(begin);
  EXPECT_EQ(theme.ToolbarColor, 0x123456);
  ThemeManager().Broadcast(tcm::SystemChangeMiddle);
  EXPECT_EQ(theme.ToolbarColor, ToolbarFaceColor);
  EXPECT_TRUE(ThemeManager().Notifications().contains(&theme));
}

} // namespace
