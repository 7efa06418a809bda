#include "toolbars/core/sound.h"

namespace qel::toolbars {

namespace {

TSoundScheme SilentScheme;
TSoundScheme *CurrentScheme = nullptr;

} // namespace

bool TSoundScheme::HasSound(const QString &) const { return false; }

void TSoundScheme::Play(const QString &) {}

TSoundScheme &SoundScheme() { return CurrentScheme ? *CurrentScheme : SilentScheme; }

TSoundScheme *SetSoundScheme(TSoundScheme *scheme) {
  TSoundScheme *previous = CurrentScheme;
  CurrentScheme = scheme;
  return previous;
}

bool SoundSchemeHasSound(const QString &eventName) { return SoundScheme().HasSound(eventName); }

bool PlaySchemeSound(const QString &eventName) {
  TSoundScheme &scheme = SoundScheme();
  if (!scheme.HasSound(eventName))
    return false;
  scheme.Play(eventName);
  return true;
}

} // namespace qel::toolbars
