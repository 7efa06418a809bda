#pragma once
// The registry class every reader and writer of settings uses: opening a key
// falls back to reduced access, and the typed readers leave their target
// alone unless the value exists with the expected type, so defaults set
// beforehand survive a missing or mistyped value. Beside it: a font stored as
// a group of values, in the registry and in ini (scheme) files.

#include "platform/registry.h"
#include "settings/fontvalue.h"

namespace qel {

class TIniFile;

class TRegistry2000 : public TRegistry {
public:
  using TRegistry::TRegistry;

  // Opens `key` (from the root when it begins with "\", else from the open
  // key), creating it when `canCreate`; tries full access first, then read,
  // create-sub-key and set-value access together.
  bool OpenKeyTolerant(const QString &key, bool canCreate);

  bool ReadIntegerIfExists(const QString &name, int &value) const;
  bool ReadStringIfExists(const QString &name, QString &value) const;  // plain strings only
  bool ReadBoolIfExists(const QString &name, bool &value) const;       // integers only
  // 8 bytes of binary holding a number; anything else (other type, other
  // size, not a number) counts as missing.
  bool ReadFloatIfExists(const QString &name, double &value) const;
};

// Five values: prefix + "FontColor", "FontSize", "FontName", "FontStyle", "Charset".
void WriteFontToRegistry(TRegistry2000 &registry, const QString &prefix, const TFont &font);
void ReadFontFromRegistry(const TRegistry2000 &registry, const QString &prefix, TFont &font);

// Five keys in `section`: "FontName", "FontCharSet", "FontColor", "FontSize",
// "FontStyle" (bit set: 1 bold, 2 italic, 4 underline, 8 strike-out).
void WriteFontToIni(TIniFile &ini, const QString &section, const TFont &font);
void ReadFontFromIni(const TIniFile &ini, const QString &section, TFont &font);

} // namespace qel
