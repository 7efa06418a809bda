#pragma once
// Input for the window that holds the pointer and keyboard grab (the modal
// loops' own window), sent as the window system would deliver it, so a
// test can script a loop that runs inside a press.

#include <QCoreApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTimer>
#include <QWidget>

#include <functional>

namespace qel::toolbars::test {

inline void SendGrabbedMouse(QEvent::Type type, const QPoint &global, Qt::MouseButton button = Qt::NoButton,
                             Qt::MouseButtons buttons = Qt::LeftButton, Qt::KeyboardModifiers modifiers = {}) {
  QWidget *grabber = QWidget::mouseGrabber();
  if (!grabber)
    return;
  const QPointF local = grabber->mapFromGlobal(global);
  QMouseEvent event(type, local, local, QPointF(global), button, buttons, modifiers);
  QCoreApplication::sendEvent(grabber, &event);
}

inline void SendGrabbedKey(QEvent::Type type, int key, Qt::KeyboardModifiers modifiers = {}) {
  QWidget *grabber = QWidget::keyboardGrabber();
  if (!grabber)
    return;
  QKeyEvent event(type, key, modifiers);
  QCoreApplication::sendEvent(grabber, &event);
}

// Runs `script` once the event loop turns again: inside the modal loop that
// the press about to be sent starts.
inline void WhenGrabbed(const std::function<void()> &script) { QTimer::singleShot(0, script); }

} // namespace qel::toolbars::test
