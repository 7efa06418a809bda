#pragma once
// Themes by name: the registry of theme classes with one reference-counted
// instance each, the theme manager that keeps the colour and style variables
// every theme reads and tells its listeners when the desktop changes, and
// the frame geometry the themes and the toolbars share.

#include "toolbars/core/thmtypes.h"

#include <QList>
#include <QString>

#include <cstdint>
#include <memory>
#include <stdexcept>

namespace qel::toolbars {

class EThemeError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

// The theme-change message and its WParam values.
inline constexpr int ThemeChangeMessage = 0x538;
namespace tcm {
enum : int {
  SystemChangeBegin = 1,  // controls suspend their layout
  SystemChangeMiddle = 2, // themes recompute their cached colours
  SystemChangeEnd = 3,    // controls re-measure and repaint
  AppActivated = 4,
  AppDeactivated = 5,
};
}

struct TThmMessage {
  int Msg = 0;
  std::intptr_t WParam = 0;
  std::intptr_t LParam = 0;
  std::intptr_t Result = 0;
};

// Anything that hears theme changes.
class TThmListener {
public:
  virtual ~TThmListener() = default;
  virtual void Dispatch(TThmMessage &message) = 0;
};

// What the registry makes and hands out; the painting interface builds on it.
class TThmThemeBase : public TThmListener {
public:
  explicit TThmThemeBase(const QString &name) : Name(name) {}
  const QString Name;
  void Dispatch(TThmMessage &) override {}
};

// A theme class: makes an instance under the given name.
using TThmThemeClass = std::unique_ptr<TThmThemeBase> (*)(const QString &name);
template <class T> std::unique_ptr<TThmThemeBase> ThemeClassOf(const QString &name) {
  return std::make_unique<T>(name);
}

// Errors: an empty name or no class, or a name registered already (ASCII case ignored).
void RegisterTheme(const QString &name, TThmThemeClass themeClass);
// The live instance of the named theme (made on first use, told the
// application's active state by the theme-change message); each call must
// be matched by a ReleaseTheme. Error: no such name.
TThmThemeBase *GetTheme(const QString &name);
// Gives back one reference; the last one frees the instance and clears the variable.
// Error: not an instance the registry handed out.
void ReleaseThemeInstance(TThmThemeBase *&theme);
template <class T> void ReleaseTheme(T *&theme) {
  TThmThemeBase *base = theme;
  ReleaseThemeInstance(base);
  if (!base)
    theme = nullptr;
}
// Frees every live instance and forgets every name (program end, tests).
void ClearThemeRegistry();

// What the desktop tells the theme manager. The defaults describe a plain
// desktop of classic grey colours; the Qt side answers from the palette and the screen.
class TThmSystem {
public:
  virtual ~TThmSystem() = default;
  // A colour value with a desktop colour resolved to 0x00BBGGRR.
  virtual TColor ColorToRGB(TColor color) const;
  virtual int ScreenColorDepth() const { return 24; }
  virtual bool FlatMenusOn() const { return false; }
  // Whether the desktop names a hot-light colour of its own.
  virtual bool HasHotLightColor() const { return false; }
  virtual bool ApplicationActive() const { return true; }
  // Height of a small (tool window) caption, and the frames of floating windows.
  virtual int SmallCaptionHeight() const { return 15; }
  virtual QPoint DialogFrameSize() const { return QPoint(3, 3); }
  virtual QPoint SizingFrameSize() const { return QPoint(4, 4); }
  // Width of a menu's check mark column.
  virtual int MenuCheckWidth() const { return 13; }
};

// The variables the themes and themed items read; they change only in UpdateThemeVariables.
extern bool UseThemes;
extern bool LowColorDisplay;
extern bool WhiteButtonFace;
extern bool SimpleColors;
extern TColor ToolbarFaceColor;
extern TColor ToolbarTextColor;
extern bool FlatMenus;
extern TColor MenuBackColor;
extern TColor MenuTextColor;
extern TColor HotLightColor;

class TThmThemeManager {
public:
  TThmThemeManager();
  TThmThemeManager(const TThmThemeManager &) = delete;
  TThmThemeManager &operator=(const TThmThemeManager &) = delete;

  bool EnableVisualStyles = true;
  // 0 as the desktop says, 1 never flat, 2 always flat.
  int FlatMenuStyle = 0;

  const TThmSystem &System() const { return *System_; }
  // Installs what the desktop says (nullptr: the plain defaults) and takes
  // over its values at once, without telling anyone.
  void SetSystem(const TThmSystem *system);

  void AddNotification(TThmListener *listener);
  void RemoveNotification(TThmListener *listener);
  const QList<TThmListener *> &Notifications() const { return Listeners; }
  // The message to every listener in list order; the final Result. Nothing
  // is sent to an empty list. A listener removed while it runs is skipped.
  std::intptr_t Broadcast(int wParam, std::intptr_t lParam = 0);

  // The desktop's colours, display or visual style changed: the variables
  // are recomputed and the listeners told in three steps (begin, middle, end).
  void SystemChanged();
  // The application was activated or deactivated.
  void ApplicationActivated(bool active);

  // Recomputes the shared variables from the desktop (UpdateThemeVariables).
  void UpdateVariables();

private:
  static const TThmSystem &DefaultSystem();
  const TThmSystem *System_;
  QList<TThmListener *> Listeners;
};

TThmThemeManager &ThemeManager();
inline void AddThemeNotification(TThmListener *listener) { ThemeManager().AddNotification(listener); }
inline void RemoveThemeNotification(TThmListener *listener) { ThemeManager().RemoveNotification(listener); }
void UpdateThemeVariables();

// The caption strip of a floating window: the client width by the small
// caption height less one, leaving a square for the close button at its
// right end when asked; in window coordinates offset by the border.
QRect FloatingCaptionRect(const FloatingFrameInfo &info, bool windowCoordinates, bool leaveRoomForClose);
// The square at the right end of the caption strip.
QRect FloatingCloseButtonRect(const FloatingFrameInfo &info, bool windowCoordinates);
// Depth of a docked toolbar's drag handle strip (0 when not shown).
int ToolbarDragHandleSize(const ToolbarFrameInfo &info);
// The close button in a docked toolbar's drag handle strip.
QRect ToolbarCloseButtonRect(const ToolbarFrameInfo &info);

} // namespace qel::toolbars
