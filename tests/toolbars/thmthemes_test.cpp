#include "toolbars/core/thmthemes.h"
#include "toolbars/core/thmuxthemes.h"

#include <gtest/gtest.h>

#include <vector>

using namespace qel;
using namespace qel::toolbars;

namespace {

// Records what it hears; counts live instances.
class TRecordingTheme : public TThmThemeBase {
public:
  explicit TRecordingTheme(const QString &name) : TThmThemeBase(name) { ++Live; }
  ~TRecordingTheme() override { --Live; }
  void Dispatch(TThmMessage &message) override { Heard.push_back(int(message.WParam)); }
  std::vector<int> Heard;
  static inline int Live = 0;
};

class ThemeRegistry : public ::testing::Test {
protected:
  void TearDown() override { ClearThemeRegistry(); }
};

std::string ErrorOf(const std::function<void()> &call) {
  try {
    call();
  } catch (const EThemeError &e) {
    return e.what();
  }
  return "(no error)";
}

TEST_F(ThemeRegistry, RegisteringRejectsEmptyNamesMissingClassesAndDuplicatesInAnyCase) {
  RegisterTheme("Default", &ThemeClassOf<TRecordingTheme>);
  struct TCase {
    QString Name;
    TThmThemeClass Class;
    std::string Error;
  } cases[] = {
      {"", &ThemeClassOf<TRecordingTheme>, "Cannot register theme"},
      {"Other", nullptr, "Cannot register theme"},
      {"default", &ThemeClassOf<TRecordingTheme>, "Theme default is already registered"},
      {"DEFAULT", &ThemeClassOf<TRecordingTheme>, "Theme DEFAULT is already registered"},
  };
  for (const auto &c : cases)
    EXPECT_EQ(ErrorOf([&] { RegisterTheme(c.Name, c.Class); }), c.Error) << c.Name.toStdString();
  // A failed call leaves the registry as it was: the first entry still answers, no other was added.
  TThmThemeBase *theme = GetTheme("dEfAuLt");
  EXPECT_EQ(theme->Name, "Default");
  ReleaseTheme(theme);
  EXPECT_EQ(ErrorOf([] { GetTheme("Other"); }), "Unknown theme Other");
  // Only ASCII letters fold: a name differing in a non-ASCII letter's case is another name.
  RegisterTheme(QString::fromUtf8("\xC3\xA9t\xC3\xA9"), &ThemeClassOf<TRecordingTheme>);
  EXPECT_NO_THROW(RegisterTheme(QString::fromUtf8("\xC3\x89t\xC3\xA9"), &ThemeClassOf<TRecordingTheme>));
}

TEST_F(ThemeRegistry, InstancesAreSharedCountedAndFreedWithTheLastRelease) {
  RegisterTheme("Default", &ThemeClassOf<TRecordingTheme>);
  TThmThemeBase *a = GetTheme("Default");
  TThmThemeBase *b = GetTheme("default");
  EXPECT_EQ(a, b);
  EXPECT_EQ(TRecordingTheme::Live, 1);
  // A new instance is told once whether the application is active (the plain desktop says it is).
  EXPECT_EQ(static_cast<TRecordingTheme *>(a)->Heard, std::vector<int>{1});

  TThmThemeBase *keep = a;
  ReleaseTheme(a);
  EXPECT_EQ(a, keep) << "a reference is left: the variable keeps the instance";
  EXPECT_EQ(TRecordingTheme::Live, 1);
  ReleaseTheme(b);
  EXPECT_EQ(b, nullptr);
  EXPECT_EQ(TRecordingTheme::Live, 0);
  EXPECT_EQ(ErrorOf([&] { ReleaseTheme(keep); }), "Cannot release theme");
  TThmThemeBase *none = nullptr;
  EXPECT_EQ(ErrorOf([&] { ReleaseTheme(none); }), "Cannot release theme");

  // Made again on the next use.
  TThmThemeBase *again = GetTheme("Default");
  EXPECT_EQ(TRecordingTheme::Live, 1);
  ReleaseTheme(again);
}

TEST_F(ThemeRegistry, ClearingFreesLiveInstances) {
  RegisterTheme("Default", &ThemeClassOf<TRecordingTheme>);
  GetTheme("Default");
  ClearThemeRegistry();
  EXPECT_EQ(TRecordingTheme::Live, 0);
  EXPECT_EQ(ErrorOf([] { GetTheme("Default"); }), "Unknown theme Default");
}

// A desktop whose answers a test sets.
class TFakeSystem : public TThmSystem {
public:
  TColor ColorToRGB(TColor color) const override {
    if (color == SysColor(sciBtnFace))
      return Face;
    return TThmSystem::ColorToRGB(color);
  }
  int ScreenColorDepth() const override { return Depth; }
  bool FlatMenusOn() const override { return Flat; }
  bool HasHotLightColor() const override { return HotLight; }
  TColor Face = 0xC0C0C0;
  int Depth = 24;
  bool Flat = false;
  bool HotLight = false;
};

class ThemeManagerTest : public ::testing::Test {
protected:
  void SetUp() override { ThemeManager().SetSystem(&System); }
  void TearDown() override {
    ThemeManager().FlatMenuStyle = 0;
    ThemeManager().EnableVisualStyles = true;
    ThemeManager().SetSystem(nullptr);
  }
  TFakeSystem System;
};

TEST_F(ThemeManagerTest, VariablesFollowTheDesktop) {
  struct TCase {
    int Depth;
    TColor Face;
    bool Low, White, Simple;
  } cases[] = {
      {24, 0xC0C0C0, false, false, false}, {8, 0xC0C0C0, true, false, true},   {11, 0xC0C0C0, true, false, true},
      {12, 0xC0C0C0, false, false, false}, {32, 0xFFFFFF, false, true, true}, {16, 0xFEFFFF, false, false, false},
  };
  for (const auto &c : cases) {
    System.Depth = c.Depth;
    System.Face = c.Face;
    UpdateThemeVariables();
    EXPECT_EQ(LowColorDisplay, c.Low) << c.Depth;
    EXPECT_EQ(WhiteButtonFace, c.White) << std::hex << c.Face;
    EXPECT_EQ(SimpleColors, c.Simple) << c.Depth;
    // No visual styles on this desktop, whatever the application asks.
    EXPECT_FALSE(UseThemes);
    EXPECT_EQ(ToolbarFaceColor, SysColor(sciBtnFace));
    EXPECT_EQ(ToolbarTextColor, SysColor(sciBtnText));
  }
  EXPECT_EQ(HotLightColor, SysColor(sciHighlight));
  System.HotLight = true;
  UpdateThemeVariables();
  EXPECT_EQ(HotLightColor, SysColor(sciHotLight));
}

TEST_F(ThemeManagerTest, FlatMenusByTheDesktopAndTheStyle) {
  struct TCase {
    bool DesktopFlat;
    int Style;
    bool Flat;
    TColor Back, Text;
  } cases[] = {
      {true, 0, true, SysColor(sciMenu), SysColor(sciMenuText)},
      {true, 1, false, SysColor(sciBtnFace), SysColor(sciBtnText)},
      {true, 2, true, SysColor(sciMenu), SysColor(sciMenuText)},
      {false, 0, false, SysColor(sciMenu), SysColor(sciMenuText)},
      {false, 1, false, SysColor(sciMenu), SysColor(sciMenuText)},
      {false, 2, true, SysColor(sciWindow), SysColor(sciWindowText)},
  };
  for (const auto &c : cases) {
    System.Flat = c.DesktopFlat;
    ThemeManager().FlatMenuStyle = c.Style;
    UpdateThemeVariables();
    EXPECT_EQ(FlatMenus, c.Flat) << c.DesktopFlat << " " << c.Style;
    EXPECT_EQ(MenuBackColor, c.Back) << c.DesktopFlat << " " << c.Style;
    EXPECT_EQ(MenuTextColor, c.Text) << c.DesktopFlat << " " << c.Style;
  }
}

TEST_F(ThemeManagerTest, VisualStylesAreNeverAvailableAndNothingIsBound) {
  EXPECT_FALSE(LoadUxThemeLibrary());
  EXPECT_FALSE(UxThemesAvailable());
  for (auto cell : UxThemeEntryPoints)
    EXPECT_EQ(cell, nullptr);
  ThemeManager().EnableVisualStyles = false;
  UpdateThemeVariables();
  EXPECT_FALSE(UseThemes);
}

class TListener : public TThmListener {
public:
  explicit TListener(std::vector<std::pair<TListener *, int>> &log) : Log(log) {}
  void Dispatch(TThmMessage &message) override {
    EXPECT_EQ(message.Msg, ThemeChangeMessage);
    Log.push_back({this, int(message.WParam)});
    message.Result += 1;
    if (OnHear)
      OnHear();
  }
  std::vector<std::pair<TListener *, int>> &Log;
  std::function<void()> OnHear;
};

TEST_F(ThemeManagerTest, SystemChangesAndActivationReachEveryListenerInOrder) {
  std::vector<std::pair<TListener *, int>> log;
  TListener a(log), b(log);
  // Nothing to tell: the variables are still recomputed.
  System.Depth = 8;
  ThemeManager().SystemChanged();
  EXPECT_TRUE(LowColorDisplay);
  EXPECT_TRUE(log.empty());

  AddThemeNotification(&a);
  AddThemeNotification(&b);
  AddThemeNotification(&a); // once only
  ThemeManager().SystemChanged();
  ThemeManager().ApplicationActivated(true);
  ThemeManager().ApplicationActivated(false);
  using L = std::vector<std::pair<TListener *, int>>;
  EXPECT_EQ(log, (L{{&a, 1}, {&b, 1}, {&a, 2}, {&b, 2}, {&a, 3}, {&b, 3}, {&a, 4}, {&b, 4}, {&a, 5}, {&b, 5}}));
  EXPECT_EQ(ThemeManager().Broadcast(2), 2) << "the Result is passed along the list";

  // A listener that removes another while being told: the other is skipped.
  log.clear();
  a.OnHear = [&] { RemoveThemeNotification(&b); };
  ThemeManager().ApplicationActivated(true);
  EXPECT_EQ(log, (L{{&a, 4}}));
  RemoveThemeNotification(&a);
  ThemeManager().ApplicationActivated(true);
  EXPECT_EQ(log.size(), 1u);
}

TEST(ThemeGeometry, FloatingCaptionAndCloseButton) {
  FloatingFrameInfo info;
  info.ClientWidth = 100;
  info.FloatingBorderSize = QPoint(3, 4);
  const int h = ThemeManager().System().SmallCaptionHeight() - 1;
  EXPECT_EQ(FloatingCaptionRect(info, false, false), QRect(0, 0, 100, h));
  EXPECT_EQ(FloatingCaptionRect(info, false, true), QRect(0, 0, 100 - h, h));
  EXPECT_EQ(FloatingCaptionRect(info, true, true), QRect(3, 4, 100 - h, h));
  EXPECT_EQ(FloatingCloseButtonRect(info, false), QRect(100 - h, 0, h, h));
  EXPECT_EQ(FloatingCloseButtonRect(info, true), QRect(103 - h, 4, h, h));
}

TEST(ThemeGeometry, DragHandleSizesAndCloseButton) {
  struct TCase {
    bool AllowDrag;
    int Style;
    bool Close;
    int Size;
  } cases[] = {
      {false, 0, true, 0}, {true, 0, false, 9}, {true, 1, false, 0}, {true, 2, false, 6},
      {true, 0, true, 14}, {true, 1, true, 14}, {true, 2, true, 14},
  };
  for (const auto &c : cases) {
    ToolbarFrameInfo info;
    info.AllowDrag = c.AllowDrag;
    info.DragHandleStyle = c.Style;
    info.CloseButtonState = c.Close ? cbs::Shown : 0;
    EXPECT_EQ(ToolbarDragHandleSize(info), c.Size) << c.AllowDrag << c.Style << c.Close;
  }
  ToolbarFrameInfo info;
  info.AllowDrag = true;
  info.CloseButtonState = cbs::Shown;
  info.BorderSize = QPoint(2, 2);
  info.ClientWidth = 40;
  EXPECT_EQ(ToolbarCloseButtonRect(info), QRect(2, 2, 13, 13));
  info.IsVertical = true;
  EXPECT_EQ(ToolbarCloseButtonRect(info), QRect(40 + 2 - 13, 2, 13, 13));
}

} // namespace
