#pragma once
// The program's QAction objects as actions of toolbar items. The adapter
// lives as a child of its QAction (one per action, made on first use) and
// goes with it, leaving its items unlinked. Caption is the action's text,
// AutoCheck its checkability, Hint its tool tip with the status tip as the
// long part ("short|long"), ShortCut its first key; ImageIndex and
// HelpContext are the action's dynamic properties "ImageIndex" and
// "HelpContext" (-1 and 0 when unset). Running the item's command triggers
// the action.

#include "toolbars/core/tbaction.h"

#include <QObject>

class QAction;

namespace qel::toolbars {

class TTbrQActionAdapter : public QObject, public TTbrAction {
public:
  // The adapter of the action, made when it has none.
  static TTbrQActionAdapter *For(QAction *action);
  QAction *Target() const { return Action; }
  bool Execute() override;
  // The values as the action holds them now.
  static TTbrActionValues ValuesOf(const QAction *action);

protected:
  bool eventFilter(QObject *watched, QEvent *event) override;

private:
  explicit TTbrQActionAdapter(QAction *action);
  void Refresh();
  QAction *Action;
};

} // namespace qel::toolbars
