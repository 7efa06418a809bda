#pragma once
// Actions behind toolbar items. An action holds a command's caption, check
// and enabled state, hint, image, shortcut and visibility, and runs the
// command; the items linked to it follow its values. This is the abstract
// side: the program's QAction objects are wrapped by an adapter in the Qt
// library, and tests write their own.

#include "toolbars/core/tbshortcut.h"

#include <QList>
#include <QString>

namespace qel::toolbars {

class TTbrCustomItem;
class TTbrCustomItemActionLink;
enum class TTbrActionProperty;

struct TTbrActionValues {
  bool AutoCheck = false;
  QString Caption;
  bool Checked = false;
  bool Enabled = true;
  int HelpContext = 0;
  QString Hint;
  int ImageIndex = -1;
  TShortCut ShortCut = 0;
  bool Visible = true;
  bool operator==(const TTbrActionValues &) const = default;
};

class TTbrAction {
public:
  TTbrAction() = default;
  TTbrAction(const TTbrAction &) = delete;
  TTbrAction &operator=(const TTbrAction &) = delete;
  // The linked items let go of the action first.
  virtual ~TTbrAction();

  const TTbrActionValues &Values() const { return Current; }
  // Runs the command; True when it was handled.
  virtual bool Execute() = 0;
  // Brings the action's values up to date before it is shown; True when handled.
  virtual bool Update() { return false; }
  // While an action is being loaded, items take only the values they still have at their defaults.
  virtual bool IsLoading() const { return false; }

protected:
  // Takes new values: each linked item hears of every value that changed
  // while it still agreed with the old one, then the values are stored.
  void SetValues(const TTbrActionValues &values);

private:
  friend class TTbrCustomItemActionLink;
  TTbrActionValues Current;
  QList<TTbrCustomItemActionLink *> Clients;
};

// Binds an item to an action. A property is linked while the action's value
// equals the item's: a change of the action reaches the item only then, and
// only an unlinked value is the item's own (stored with it).
class TTbrCustomItemActionLink {
public:
  explicit TTbrCustomItemActionLink(TTbrCustomItem *client) : Client(client) {}
  TTbrCustomItemActionLink(const TTbrCustomItemActionLink &) = delete;
  TTbrCustomItemActionLink &operator=(const TTbrCustomItemActionLink &) = delete;
  ~TTbrCustomItemActionLink();

  TTbrAction *Action() const { return FAction; }
  void SetAction(TTbrAction *action);
  bool IsLinked(TTbrActionProperty property) const;
  bool Execute();
  bool Update();

private:
  friend class TTbrAction;
  void ActionChanging(const TTbrActionValues &before, const TTbrActionValues &after);
  bool IsLinkedTo(TTbrActionProperty property, const TTbrActionValues &values) const;

  TTbrCustomItem *Client;
  TTbrAction *FAction = nullptr;
};

} // namespace qel::toolbars
