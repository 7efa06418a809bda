#include "toolbars/qt/tbmessages.h"

#include <QApplication>
#include <QCoreApplication>
#include <QGuiApplication>

#include <algorithm>

namespace qel::toolbars {

bool AppHasActiveWindow() {
  if (qobject_cast<QApplication *>(QCoreApplication::instance()))
    return QApplication::activeWindow() != nullptr;
  if (qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
    return QGuiApplication::focusWindow() != nullptr;
  return false;
}

void FlushPaintMessages() {
  // Widgets ask for their repaint with one posted update request per window.
  QCoreApplication::sendPostedEvents(nullptr, QEvent::UpdateRequest);
}

void DiscardMessages(QObject *receiver, QEvent::Type first, QEvent::Type last) {
  const int from = std::max(int(first), 1), to = std::min(int(last), int(QEvent::MaxUser));
  for (int type = from; type <= to; ++type)
    if (type != QEvent::Quit)
      QCoreApplication::removePostedEvents(receiver, type);
}

} // namespace qel::toolbars
