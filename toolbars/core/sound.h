#pragma once
// The menus' sounds: "MenuPopup" when a popup opens and "MenuCommand" when a
// menu command is chosen, played only when the user's sound scheme has a
// sound for them. The desktop offers no such scheme to us, so the scheme in
// force by default has no sounds and plays nothing; another one (tests, or
// a desktop binding) is installed with SetSoundScheme.

#include <QString>

namespace qel::toolbars {

inline const QString SoundMenuPopup = QStringLiteral("MenuPopup");
inline const QString SoundMenuCommand = QStringLiteral("MenuCommand");

class TSoundScheme {
public:
  virtual ~TSoundScheme() = default;
  // Whether the scheme has a sound for the event.
  virtual bool HasSound(const QString &eventName) const;
  // Starts the event's sound without waiting for it and without a fallback
  // sound; a sound already playing is not cut off.
  virtual void Play(const QString &eventName);
};

// The scheme in force.
TSoundScheme &SoundScheme();
// Installs another scheme (nullptr restores the silent one); answers the previous one.
TSoundScheme *SetSoundScheme(TSoundScheme *scheme);

bool SoundSchemeHasSound(const QString &eventName);
// Plays the event's sound when the scheme has one; true when it was started.
bool PlaySchemeSound(const QString &eventName);

} // namespace qel::toolbars
