#pragma once
// The in-place editor of an edit item: a frameless line edit over the
// item's box, with the text, the case rule and the length limit of the
// item, run in a nested event loop until the session ends. Inside a running
// menu loop it borrows the keyboard grab from the modal driver and gives it
// back; the pointer stays with the menu, and what happens over the editor
// is handed on to it. Tab, Shift+Tab, Enter, Esc, Alt, a press elsewhere
// and the loss of focus or activation end the edit as the session rules.

#include <QPoint>

class QObject;
class QWidget;

namespace qel::toolbars {

class TTbrEditSession;

// Runs `session` on `host` (the view's window), whose client area starts
// at `clientOrigin`. Returns once the session no longer continues; the
// editor is gone by then, also when an error ends the edit.
void RunEditSessionOn(QWidget *host, const QPoint &clientOrigin, TTbrEditSession &session);

// Whether `widget` is such an editor: a toolbar does not take it for a
// control of its own.
bool IsInPlaceEditor(const QObject *widget);

} // namespace qel::toolbars
