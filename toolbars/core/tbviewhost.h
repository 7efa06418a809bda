#pragma once
// What a view needs from the window that shows it: its size to follow the
// laid-out view, repainting, text measurement, the popups it opens, its
// timers and the end of the menu session. The widgets of toolbars/qt
// implement it; tests use a scripted one, so a view runs without a window.

#include <QObject>
#include <QRect>
#include <QSize>
#include <QString>

namespace qel::toolbars {

class TTbrEditSession;
class TTbrItemViewer;
class TTbrView;

// The timers of a view shown in a popup: open the selected submenu, close
// the child popups, scroll up, scroll down.
enum class TTbrViewTimer { Open = 0, Close = 1, ScrollUp = 2, ScrollDown = 3 };

// Text measurement with the view's font.
class TTbrTextMeasure {
public:
  virtual ~TTbrTextMeasure() = default;
  // Width and height of a single line of text (accelerator marks already
  // removed); `bold` for the default item of a menu.
  virtual QSize TextExtent(const QString &text, bool bold) const = 0;
  virtual int TextHeight(bool bold) const = 0;
  virtual int ExternalLeading() const { return 0; }
  // Width of a menu's check mark column (the arrow part of a combo item in a menu).
  virtual int MenuCheckWidth() const { return 13; }
};

class TTbrViewHost {
public:
  virtual ~TTbrViewHost() = default;

  // The laid-out size of the view: a toolbar or popup window resizes to it.
  virtual void AutoSize(const QSize &size) { (void)size; }
  // Repaint a part of the view (an empty rectangle: all of it).
  virtual void Invalidate(const QRect &rect) { (void)rect; }
  virtual bool WindowVisible() const { return true; }
  virtual const TTbrTextMeasure &Measure() const = 0;

  // Opens the popup of the viewer's item for `parent`, beside the viewer
  // (asSubmenu) or below it, and returns its view, or nullptr when no
  // popup opened. The host keeps the popup window until ClosePopup.
  virtual TTbrView *OpenPopup(TTbrView *parent, TTbrItemViewer *viewer, bool asSubmenu, bool selectFirst) {
    (void)parent, (void)viewer, (void)asSubmenu, (void)selectFirst;
    return nullptr;
  }
  virtual void ClosePopup(TTbrView *popupView) { (void)popupView; }

  // Controls hosted by control items: whether one sits on this view's
  // window and is visible, its size, and where it goes (a hidden one is
  // moved out of sight, past the view's size).
  virtual bool ControlShown(QObject *control) const { return control != nullptr; }
  virtual QSize ControlSize(QObject *control) const {
    (void)control;
    return QSize();
  }
  virtual void SetControlBounds(QObject *control, const QRect &bounds) { (void)control, (void)bounds; }

  virtual void StartTimer(TTbrViewTimer timer, int milliseconds) { (void)timer, (void)milliseconds; }
  virtual void StopTimer(TTbrViewTimer timer) { (void)timer; }
  // Milliseconds before a submenu opens or closes under the pointer.
  virtual int MenuShowDelay() const { return 400; }
  // Whether the desktop always shows accelerator underlines.
  virtual bool KeyboardCuesOn() const { return true; }

  // The view window's client area and its whole window in screen
  // coordinates; empty when the window is not shown. The menu loop routes
  // the pointer to the views of the open chain by them.
  virtual QRect ScreenClientRect() const { return QRect(); }
  virtual QRect ScreenWindowRect() const { return ScreenClientRect(); }

  // Edits an edit item in place: puts an editor over the session's
  // rectangle, reports to the session what happens to it and returns once
  // the session no longer continues (tbedititem.h). A host without a window
  // edits nothing: the session ends as if the user had gone elsewhere.
  virtual void RunEditSession(TTbrEditSession &session) { (void)session; }

  // The kind of window the view sits in (thmtypes.h vt::): toolbar, menu
  // bar, popup kinds; 0 when the window does not say.
  virtual int ViewTypeQuery() const { return 0; }

  // The menu session of the root view ends (the done action, if any, runs after).
  virtual void EndModal() {}
  // The keyboard focus moved to the `child`-th (1-based; 0 = none) viewer,
  // for accessibility clients.
  virtual void FocusEvent(int child) { (void)child; }
  // Whether the window takes input: shown, enabled with its parents, and,
  // unless a menu session runs on the view, the active window or inside it.
  virtual bool WindowUsable(bool viewInMenuMode) const {
    (void)viewInMenuMode;
    return WindowVisible();
  }
  // An accessibility client acted on a viewer of this root view outside a
  // menu session: the view's menu loop runs with these options (bits of
  // TTbrToolbarLoopOption), unless a window holds the mouse.
  virtual void EnterLoopForClient(int options) { (void)options; }
};

} // namespace qel::toolbars
