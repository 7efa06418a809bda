#include "toolbars/core/watchregistry.h"
#include "toolbars/qt/windowwatch.h"

#include <QCoreApplication>
#include <QWidget>

#include <gtest/gtest.h>

#include <stdexcept>

using namespace qel::toolbars;

namespace {

constexpr TWatchCodes Dock = WatchBit(TWatchCode::ActivateApp) | WatchBit(TWatchCode::WindowPosChanged) |
                             WatchBit(TWatchCode::PreDestroy);

TEST(ToolbarWatchRegistry, CountsReferencesAndStopsOnTheLastRelease) {
  TWatchRegistry registry;
  int a = 0, b = 0;
  EXPECT_EQ(registry.Install(&a, {}, Dock), Dock); // first users: all three kinds start
  EXPECT_EQ(registry.Install(&a, {}, Dock), 0u);   // known watcher: one more reference only
  EXPECT_EQ(registry.References(&a), 2);
  EXPECT_EQ(registry.Install(&b, {}, WatchBit(TWatchCode::GetMessage) | WatchBit(TWatchCode::PreDestroy)),
            WatchBit(TWatchCode::GetMessage));
  EXPECT_EQ(registry.Users(TWatchCode::PreDestroy), 2);

  EXPECT_EQ(registry.Remove(&a), 0u);
  EXPECT_EQ(registry.Remove(&a), WatchBit(TWatchCode::ActivateApp) | WatchBit(TWatchCode::WindowPosChanged));
  EXPECT_EQ(registry.Remove(&a), 0u); // unknown now: nothing changes, no count goes below zero
  EXPECT_EQ(registry.Users(TWatchCode::PreDestroy), 1);
  EXPECT_EQ(registry.Remove(&b), WatchBit(TWatchCode::GetMessage) | WatchBit(TWatchCode::PreDestroy));
  EXPECT_TRUE(registry.IsEmpty());
}

TEST(ToolbarWatchRegistry, CallsInOrderSurvivesThrowsAndRemovals) {
  TWatchRegistry registry;
  QStringList calls;
  int first = 0, second = 0, third = 0;
  registry.Install(&first, [&](TWatchCode, QObject *, QEvent *) {
    calls << "first";
    registry.Remove(&third); // a watcher gone during the round is not called
    throw std::runtime_error("watcher failed");
  }, Dock);
  registry.Install(&second, [&](TWatchCode code, QObject *, QEvent *) {
    calls << (code == TWatchCode::WindowPosChanged ? "second moved" : "second");
  }, WatchBit(TWatchCode::WindowPosChanged));
  registry.Install(&third, [&](TWatchCode, QObject *, QEvent *) { calls << "third"; }, Dock);
  registry.Notify(TWatchCode::WindowPosChanged, nullptr, nullptr);
  EXPECT_EQ(calls, (QStringList{"first", "second moved"}));
  calls.clear();
  registry.Notify(TWatchCode::GetMessage, nullptr, nullptr); // nobody asked for it
  EXPECT_TRUE(calls.isEmpty());
}

TEST(ToolbarWindowWatch, ReportsMovesAndDestructionWhileWatched) {
  int key = 0;
  QList<TWatchCode> seen;
  InstallWatchCallback(&key, [&](TWatchCode code, QObject *, QEvent *) { seen << code; }, Dock);
  EXPECT_TRUE(WatchActive(TWatchCode::WindowPosChanged));
  EXPECT_FALSE(WatchActive(TWatchCode::GetMessage));

  auto *window = new QWidget;
  window->setGeometry(10, 10, 100, 60);
  window->show();
  QCoreApplication::processEvents();
  seen.clear();
  window->move(200, 150);
  QCoreApplication::processEvents();
  EXPECT_TRUE(seen.contains(TWatchCode::WindowPosChanged));
  delete window;
  EXPECT_TRUE(seen.contains(TWatchCode::PreDestroy));

  RemoveWatchCallback(&key);
  EXPECT_FALSE(WatchActive(TWatchCode::WindowPosChanged));
  seen.clear();
  QWidget other;
  other.show();
  other.move(50, 50);
  QCoreApplication::processEvents();
  EXPECT_TRUE(seen.isEmpty()); // unhooked: nothing more arrives
}

} // namespace
