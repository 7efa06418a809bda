#pragma once
// What a closed menu leaves behind to be done once its loop has ended: click
// an item, pass a key on to a window's system menu, or show help. The menu
// loop records it on its root view; ExecuteDoneAction carries it out.

#include <QtGlobal>

class QObject;

namespace qel::toolbars {

class TTbrCustomItem;

enum class TTbrDoneActionKind : quint8 {
  None = 0,
  Cancel = 1,        // the menu was cancelled
  ClickItem = 2,     // ClickItem is clicked (deferred), with the menu-command sound when Sound is set
  SystemMenuKey = 3, // Key goes to Window's system menu
  Help = 4,          // help for HelpContext
};

struct TTbrDoneAction {
  TTbrDoneActionKind Kind = TTbrDoneActionKind::None;
  TTbrCustomItem *ClickItem = nullptr;
  bool Sound = false; // the command came from a popup
  QObject *Window = nullptr;
  int Key = 0;
  int HelpContext = 0;
};

// The desktop's side of done actions.
class TTbrDoneActionHost {
public:
  virtual ~TTbrDoneActionHost() = default;
  // Opens the window's system menu as its menu key would, with `key`.
  virtual void SystemMenuKey(QObject *window, int key) = 0;
  // Shows help for the context: as a pop-up when the active window offers
  // context help, else as a topic.
  virtual void ShowHelp(int helpContext) = 0;
};

// Kinds 0 and 1 do nothing; a host is needed only for kinds 3 and 4 (none: they do nothing).
void ExecuteDoneAction(const TTbrDoneAction &action, TTbrDoneActionHost *host);

} // namespace qel::toolbars
