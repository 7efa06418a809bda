#include "toolbars/core/thmthemes.h"

#include "toolbars/core/thmuxthemes.h"

#include <algorithm>
#include <vector>

namespace qel::toolbars {

namespace {

struct TRegistryEntry {
  QString Name;
  TThmThemeClass ThemeClass = nullptr;
  std::unique_ptr<TThmThemeBase> Instance; // exists exactly while RefCount > 0
  int RefCount = 0;
};

std::vector<TRegistryEntry> &Registry() {
  static std::vector<TRegistryEntry> registry;
  return registry;
}

// Theme names compare without regard to ASCII case only.
bool SameName(const QString &a, const QString &b) {
  if (a.size() != b.size())
    return false;
  for (qsizetype i = 0; i < a.size(); ++i) {
    char16_t x = a[i].unicode(), y = b[i].unicode();
    if (x >= 'a' && x <= 'z')
      x -= 'a' - 'A';
    if (y >= 'a' && y <= 'z')
      y -= 'a' - 'A';
    if (x != y)
      return false;
  }
  return true;
}

} // namespace

void RegisterTheme(const QString &name, TThmThemeClass themeClass) {
  if (name.isEmpty() || !themeClass)
    throw EThemeError("Cannot register theme");
  for (const auto &entry : Registry())
    if (SameName(entry.Name, name))
      throw EThemeError(QString("Theme %1 is already registered").arg(name).toStdString());
  Registry().push_back({name, themeClass, nullptr, 0});
}

TThmThemeBase *GetTheme(const QString &name) {
  auto &registry = Registry();
  auto it = std::find_if(registry.begin(), registry.end(), [&](const auto &e) { return SameName(e.Name, name); });
  if (it == registry.end())
    throw EThemeError(("Unknown theme " + name).toStdString());
  if (it->RefCount == 0) {
    auto instance = it->ThemeClass(it->Name);
    TThmMessage message{ThemeChangeMessage, ThemeManager().System().ApplicationActive() ? 1 : 0, 0, 0};
    instance->Dispatch(message);
    // The class or the message may have registered more themes: find the entry again.
    it = std::find_if(registry.begin(), registry.end(), [&](const auto &e) { return SameName(e.Name, name); });
    it->Instance = std::move(instance);
  }
  ++it->RefCount;
  return it->Instance.get();
}

void ReleaseThemeInstance(TThmThemeBase *&theme) {
  auto &registry = Registry();
  auto it = std::find_if(registry.begin(), registry.end(),
                         [&](const auto &e) { return theme && e.Instance.get() == theme; });
  if (it == registry.end())
    throw EThemeError("Cannot release theme");
  if (it->RefCount < 1)
    throw EThemeError(("Cannot release theme " + it->Name).toStdString());
  if (--it->RefCount == 0) {
    auto instance = std::move(it->Instance);
    theme = nullptr;
    instance.reset();
  }
}

void ClearThemeRegistry() {
  auto registry = std::move(Registry());
  Registry().clear();
  registry.clear();
}

TColor TThmSystem::ColorToRGB(TColor color) const {
  if (color >= 0 || color == ThmNoColor)
    return color;
  switch (color & 0xFF) {
  case sciActiveCaption:
  case sciHighlight:
  case sciHotLight:
  case sciGradientActiveCaption: return 0x6A240A;
  case sciInactiveCaption:
  case sciBtnShadow:
  case sciGrayText:
  case sciGradientInactiveCaption: return 0x808080;
  case sciWindow:
  case sciCaptionText:
  case sciHighlightText:
  case sciBtnHighlight: return 0xFFFFFF;
  case sciWindowFrame:
  case sciMenuText:
  case sciWindowText:
  case sciBtnText: return 0x000000;
  case sciInactiveCaptionText: return 0xC0C0C0;
  default: return 0xC0C0C0; // menu, button face and the rest
  }
}

bool UseThemes = false;
bool LowColorDisplay = false;
bool WhiteButtonFace = false;
bool SimpleColors = false;
TColor ToolbarFaceColor = SysColor(sciBtnFace);
TColor ToolbarTextColor = SysColor(sciBtnText);
bool FlatMenus = false;
TColor MenuBackColor = SysColor(sciMenu);
TColor MenuTextColor = SysColor(sciMenuText);
TColor HotLightColor = SysColor(sciHighlight);

const TThmSystem &TThmThemeManager::DefaultSystem() {
  static const TThmSystem plain;
  return plain;
}

TThmThemeManager::TThmThemeManager() : System_(&DefaultSystem()) {}

void TThmThemeManager::SetSystem(const TThmSystem *system) {
  System_ = system ? system : &DefaultSystem();
  UpdateVariables();
}

void TThmThemeManager::AddNotification(TThmListener *listener) {
  if (listener && !Listeners.contains(listener))
    Listeners.append(listener);
}

void TThmThemeManager::RemoveNotification(TThmListener *listener) { Listeners.removeAll(listener); }

std::intptr_t TThmThemeManager::Broadcast(int wParam, std::intptr_t lParam) {
  TThmMessage message{ThemeChangeMessage, wParam, lParam, 0};
  const QList<TThmListener *> snapshot = Listeners;
  for (TThmListener *listener : snapshot)
    if (Listeners.contains(listener))
      listener->Dispatch(message);
  return message.Result;
}

void TThmThemeManager::SystemChanged() {
  UpdateVariables();
  if (Listeners.isEmpty())
    return;
  Broadcast(tcm::SystemChangeBegin);
  Broadcast(tcm::SystemChangeMiddle);
  Broadcast(tcm::SystemChangeEnd);
}

void TThmThemeManager::ApplicationActivated(bool active) {
  Broadcast(active ? tcm::AppActivated : tcm::AppDeactivated);
}

TThmThemeManager &ThemeManager() {
  static TThmThemeManager *manager = [] {
    auto *m = new TThmThemeManager; // lives for the whole run
    m->UpdateVariables();
    return m;
  }();
  return *manager;
}

void UpdateThemeVariables() { ThemeManager().UpdateVariables(); }

void TThmThemeManager::UpdateVariables() {
  const TThmSystem &system = *System_;

  LowColorDisplay = system.ScreenColorDepth() < 12;
  WhiteButtonFace = system.ColorToRGB(SysColor(sciBtnFace)) == 0xFFFFFF;
  SimpleColors = LowColorDisplay || WhiteButtonFace;

  if (UseThemes)
    FreeUxThemeLibrary();
  UseThemes = false;
  if (EnableVisualStyles && LoadUxThemeLibrary()) {
    UseThemes = UxThemesAvailable();
    if (!UseThemes)
      FreeUxThemeLibrary();
  }

  // Visual styles would give their own toolbar colours; without them the desktop's buttons.
  ToolbarFaceColor = SysColor(sciBtnFace);
  ToolbarTextColor = SysColor(sciBtnText);

  if (system.FlatMenusOn()) {
    FlatMenus = FlatMenuStyle != 1;
    MenuBackColor = FlatMenus ? SysColor(sciMenu) : ToolbarFaceColor;
    MenuTextColor = FlatMenus ? SysColor(sciMenuText) : ToolbarTextColor;
  } else {
    FlatMenus = FlatMenuStyle == 2;
    MenuBackColor = FlatMenus ? SysColor(sciWindow) : SysColor(sciMenu);
    MenuTextColor = FlatMenus ? SysColor(sciWindowText) : SysColor(sciMenuText);
  }

  HotLightColor = system.HasHotLightColor() ? SysColor(sciHotLight) : SysColor(sciHighlight);
}

namespace {
// Windows-style edges (right and bottom exclusive) to a QRect.
QRect Ltrb(int l, int t, int r, int b) { return QRect(l, t, r - l, b - t); }
} // namespace

QRect FloatingCaptionRect(const FloatingFrameInfo &info, bool windowCoordinates, bool leaveRoomForClose) {
  int l = 0, t = 0, r = info.ClientWidth, b = ThemeManager().System().SmallCaptionHeight() - 1;
  if (leaveRoomForClose)
    r -= b - t;
  if (windowCoordinates) {
    l += info.FloatingBorderSize.x();
    r += info.FloatingBorderSize.x();
    t += info.FloatingBorderSize.y();
    b += info.FloatingBorderSize.y();
  }
  return Ltrb(l, t, r, b);
}

QRect FloatingCloseButtonRect(const FloatingFrameInfo &info, bool windowCoordinates) {
  const QRect caption = FloatingCaptionRect(info, windowCoordinates, false);
  const int side = caption.height();
  return Ltrb(caption.left() + caption.width() - side, caption.top(), caption.left() + caption.width(),
              caption.top() + side);
}

int ToolbarDragHandleSize(const ToolbarFrameInfo &info) {
  if (!info.AllowDrag)
    return 0;
  if (info.CloseButtonState & cbs::Shown)
    return 14;
  static constexpr int sizes[3] = {9, 0, 6};
  return info.DragHandleStyle >= 0 && info.DragHandleStyle <= 2 ? sizes[info.DragHandleStyle] : 0;
}

QRect ToolbarCloseButtonRect(const ToolbarFrameInfo &info) {
  const int side = ToolbarDragHandleSize(info) - 1;
  const int x = info.IsVertical ? info.ClientWidth + info.BorderSize.x() - side : info.BorderSize.x();
  const int y = info.BorderSize.y();
  return Ltrb(x, y, x + side, y + side);
}

} // namespace qel::toolbars
