#include "toolbars/core/sound.h"

#include <QStringList>

#include <gtest/gtest.h>

using namespace qel::toolbars;

namespace {

TEST(ToolbarSound, SilentUnlessASchemeHasTheSound) {
  // By default no scheme: nothing is said to have a sound, nothing plays.
  EXPECT_FALSE(SoundSchemeHasSound(SoundMenuPopup));
  EXPECT_FALSE(PlaySchemeSound(SoundMenuCommand));

  class Scheme : public TSoundScheme {
  public:
    bool HasSound(const QString &eventName) const override { return eventName == SoundMenuPopup; }
    void Play(const QString &eventName) override { Played << eventName; }
    QStringList Played;
  } scheme;
  EXPECT_EQ(SetSoundScheme(&scheme), nullptr);
  EXPECT_TRUE(SoundSchemeHasSound(SoundMenuPopup));
  EXPECT_FALSE(SoundSchemeHasSound(SoundMenuCommand));
  EXPECT_TRUE(PlaySchemeSound(SoundMenuPopup));
  EXPECT_FALSE(PlaySchemeSound(SoundMenuCommand)); // not in the scheme: not played
  EXPECT_EQ(scheme.Played, QStringList{SoundMenuPopup});
  EXPECT_EQ(SetSoundScheme(nullptr), &scheme);
  EXPECT_FALSE(SoundSchemeHasSound(SoundMenuPopup));
}

} // namespace
