#pragma once
// The event-queue routines the docking and menu code share.

#include <QEvent>

class QObject;

namespace qel::toolbars {

// Whether one of the application's windows is the active window.
bool AppHasActiveWindow();

// Runs every repaint that is waiting in the queue now, and nothing else
// (a drag loop calls it before drawing its frame over the windows, so that
// no late repaint wipes part of the frame). A request to quit stays queued.
void FlushPaintMessages();

// Removes the posted events of types `first` to `last` (both included)
// waiting for `receiver` (for every object when null). A request to quit the
// application is never removed.
void DiscardMessages(QObject *receiver, QEvent::Type first, QEvent::Type last);

} // namespace qel::toolbars
