#include "toolbars/qt/tbmessages.h"

#include <QApplication>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

using namespace qel::toolbars;

namespace {

class Recorder : public QObject {
public:
  QList<int> Types;
  bool event(QEvent *event) override {
    Types << int(event->type());
    return true;
  }
};

class Painted : public QWidget {
public:
  int Paints = 0;

protected:
  void paintEvent(QPaintEvent *) override { ++Paints; }
};

const auto UserA = QEvent::Type(QEvent::User + 1), UserB = QEvent::Type(QEvent::User + 2),
           UserC = QEvent::Type(QEvent::User + 3);

TEST(ToolbarMessages, FlushPaintMessagesRunsWaitingRepaintsAndNothingElse) {
  Painted widget;
  widget.resize(50, 50);
  widget.show();
  QTRY_VERIFY(widget.Paints > 0);
  const int before = widget.Paints;
  Recorder other;
  widget.update();
  QCoreApplication::postEvent(&other, new QEvent(UserA));
  EXPECT_EQ(widget.Paints, before); // the repaint waits in the queue

  FlushPaintMessages();
  EXPECT_EQ(widget.Paints, before + 1);
  EXPECT_TRUE(other.Types.isEmpty()); // other events stay queued
  QCoreApplication::sendPostedEvents(&other);
  EXPECT_EQ(other.Types, QList<int>{UserA});
}

TEST(ToolbarMessages, DiscardMessagesRemovesARangeButNeverAQuit) {
  Recorder receiver, bystander;
  for (const QEvent::Type type : {UserA, QEvent::Quit, UserB, UserC})
    QCoreApplication::postEvent(&receiver, new QEvent(type));
  QCoreApplication::postEvent(&bystander, new QEvent(UserB));

  DiscardMessages(&receiver, QEvent::None, UserB); // a range that holds the quit too
  QCoreApplication::sendPostedEvents(&receiver);
  QCoreApplication::sendPostedEvents(&bystander);
  EXPECT_EQ(receiver.Types, (QList<int>{QEvent::Quit, UserC}));
  EXPECT_EQ(bystander.Types, QList<int>{UserB}); // another object's events are its own

  // Without a receiver the range goes for every object.
  QCoreApplication::postEvent(&receiver, new QEvent(UserA));
  QCoreApplication::postEvent(&bystander, new QEvent(UserA));
  QCoreApplication::postEvent(&bystander, new QEvent(UserC));
  DiscardMessages(nullptr, UserA, UserA);
  receiver.Types.clear();
  bystander.Types.clear();
  QCoreApplication::sendPostedEvents(&receiver);
  QCoreApplication::sendPostedEvents(&bystander);
  EXPECT_TRUE(receiver.Types.isEmpty());
  EXPECT_EQ(bystander.Types, QList<int>{UserC});
}

TEST(ToolbarMessages, AppHasActiveWindow) {
  for (QWidget *w : QApplication::topLevelWidgets())
    ASSERT_FALSE(w->isVisible()) << "a window left over by another test";
  EXPECT_FALSE(AppHasActiveWindow());
  QWidget window;
  window.show();
  window.activateWindow();
  QTRY_VERIFY(AppHasActiveWindow());
  window.hide();
  QTRY_VERIFY(!AppHasActiveWindow());
}

} // namespace
