#include "toolbars/core/tbdoneaction.h"
#include "toolbars/core/sound.h"
#include "toolbars/core/tbitem.h"
#include "toolbars/qt/tbqaction.h"

#include <QAction>
#include <QCoreApplication>
#include <QKeySequence>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <memory>

using namespace qel::toolbars;

namespace {

TEST(ToolbarQAction, TheActionsValuesReachTheItemAndTheItemsClickTriggersIt) {
  QAction action;
  action.setText("&Open");
  action.setShortcut(QKeySequence("Ctrl+O"));
  action.setToolTip("Open");
  action.setStatusTip("Opens a card file");
  action.setProperty("ImageIndex", 4);
  action.setProperty("HelpContext", 120);

  TTbrRootItem root;
  auto *item = new TTbrCustomItem;
  root.Add(item);
  item->SetAction(TTbrQActionAdapter::For(&action));
  EXPECT_EQ(TTbrQActionAdapter::For(&action), item->Action()); // one adapter per action
  EXPECT_EQ(item->Caption(), "&Open");
  EXPECT_EQ(item->ShortCut(), MakeShortCut(Qt::Key_O, Qt::ControlModifier));
  EXPECT_EQ(item->Hint(), "Open|Opens a card file");
  EXPECT_EQ(item->ImageIndex(), 4);
  EXPECT_EQ(item->HelpContext(), 120);

  int notifications = 0;
  TTbrItemNotifyFunction counter([&](TTbrCustomItem *, bool, TTbrItemChangeKind, int, TTbrCustomItem *) { ++notifications; });
  root.RegisterNotification(&counter);
  action.setText("&Open...");
  action.setEnabled(false);
  action.setVisible(false);
  action.setProperty("ImageIndex", 6);
  EXPECT_EQ(item->Caption(), "&Open...");
  EXPECT_FALSE(item->Enabled());
  EXPECT_FALSE(item->Visible());
  EXPECT_EQ(item->ImageIndex(), 6);
  EXPECT_EQ(notifications, 4); // one per change
  action.setEnabled(true);
  action.setVisible(true);

  QSignalSpy triggered(&action, &QAction::triggered);
  item->Click();
  EXPECT_EQ(triggered.count(), 1);
  root.UnregisterNotification(&counter);
}

TEST(ToolbarQAction, ACheckableActionChecksTheItemAndADeletedActionUnlinksIt) {
  auto action = std::make_unique<QAction>("&Bold");
  action->setCheckable(true);
  TTbrCustomItem item;
  item.SetAction(TTbrQActionAdapter::For(action.get()));
  EXPECT_TRUE(item.AutoCheck());
  item.Click(); // the action toggles; the item follows without toggling twice
  EXPECT_TRUE(action->isChecked());
  EXPECT_TRUE(item.Checked());
  action->setChecked(false);
  EXPECT_FALSE(item.Checked());

  action.reset();
  EXPECT_EQ(item.Action(), nullptr);
  item.Click(); // nothing to run any more
}

TEST(ToolbarQAction, ShortCutTextIsTheKeySequencesPortableText) {
  const QKeyCombination keys[] = {
      Qt::CTRL | Qt::Key_S, Qt::CTRL | Qt::SHIFT | Qt::Key_Z, Qt::ALT | Qt::Key_F4, QKeyCombination(Qt::Key_F1),
      QKeyCombination(Qt::Key_Delete), Qt::CTRL | Qt::Key_Insert, QKeyCombination(Qt::Key_PageDown),
      Qt::CTRL | Qt::ALT | Qt::Key_Left, Qt::CTRL | Qt::Key_Plus, QKeyCombination(Qt::Key_Escape),
      Qt::SHIFT | Qt::Key_Return, QKeyCombination(Qt::Key_Space), Qt::META | Qt::Key_E,
  };
  for (QKeyCombination key : keys)
    EXPECT_EQ(ShortCutToText(key.toCombined()), QKeySequence(key).toString(QKeySequence::PortableText))
        << QKeySequence(key).toString().toStdString();
  EXPECT_EQ(ShortCutToText(0), "");
}

class TRecordingScheme : public TSoundScheme {
public:
  bool HasSound(const QString &name) const override { return name == SoundMenuCommand; }
  void Play(const QString &name) override { Played << name; }
  QStringList Played;
};

class TRecordingHost : public TTbrDoneActionHost {
public:
  void SystemMenuKey(QObject *window, int key) override { Calls << QStringLiteral("menu %1 %2").arg(window->objectName()).arg(key); }
  void ShowHelp(int context) override { Calls << QStringLiteral("help %1").arg(context); }
  QStringList Calls;
};

TEST(ToolbarDoneAction, EachKindDoesItsOneThing) {
  TRecordingScheme scheme;
  TSoundScheme *previous = SetSoundScheme(&scheme);
  TRecordingHost host;
  TTbrCustomItem item;
  int clicks = 0;
  item.SetOnClick([&](TTbrCustomItem *) { ++clicks; });

  ExecuteDoneAction({TTbrDoneActionKind::None}, &host);
  ExecuteDoneAction({TTbrDoneActionKind::Cancel}, &host);
  TTbrDoneAction click{TTbrDoneActionKind::ClickItem, &item, true};
  ExecuteDoneAction(click, &host);
  EXPECT_EQ(scheme.Played, QStringList{SoundMenuCommand});
  EXPECT_EQ(clicks, 0); // deferred until the loop's input is handled
  QCoreApplication::processEvents();
  EXPECT_EQ(clicks, 1);
  click.Sound = false; // a toolbar button: no menu sound
  ExecuteDoneAction(click, &host);
  QCoreApplication::processEvents();
  EXPECT_EQ(clicks, 2);
  EXPECT_EQ(scheme.Played.size(), 1);

  QObject window;
  window.setObjectName("main");
  TTbrDoneAction key;
  key.Kind = TTbrDoneActionKind::SystemMenuKey;
  key.Window = &window;
  key.Key = 'f';
  ExecuteDoneAction(key, &host);
  TTbrDoneAction help;
  help.Kind = TTbrDoneActionKind::Help;
  help.HelpContext = 42;
  ExecuteDoneAction(help, &host);
  ExecuteDoneAction(help, nullptr); // no host: nothing to show it with
  EXPECT_EQ(host.Calls, (QStringList{"menu main 102", "help 42"}));
  SetSoundScheme(previous);
}

} // namespace
