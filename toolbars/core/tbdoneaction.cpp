#include "toolbars/core/tbdoneaction.h"

#include "toolbars/core/sound.h"
#include "toolbars/core/tbitem.h"

namespace qel::toolbars {

void ExecuteDoneAction(const TTbrDoneAction &action, TTbrDoneActionHost *host) {
  switch (action.Kind) {
  case TTbrDoneActionKind::None:
  case TTbrDoneActionKind::Cancel:
    break;
  case TTbrDoneActionKind::ClickItem:
    if (!action.ClickItem)
      break;
    if (action.Sound)
      PlaySchemeSound(SoundMenuCommand);
    // The command runs after the loop's own input has been handled.
    action.ClickItem->QueueClick(0);
    break;
  case TTbrDoneActionKind::SystemMenuKey:
    if (host && action.Window)
      host->SystemMenuKey(action.Window, action.Key);
    break;
  case TTbrDoneActionKind::Help:
    if (host)
      host->ShowHelp(action.HelpContext);
    break;
  }
}

} // namespace qel::toolbars
