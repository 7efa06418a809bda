#include "settings/registry2000.h"

#include "platform/inifile.h"

#include <cmath>
#include <cstring>

namespace qel {

namespace {

constexpr unsigned kReducedAccess = KEY_READ | KEY_CREATE_SUB_KEY | KEY_SET_VALUE;

// Sizes beyond these are not fonts anyone set; such a value counts as mistyped.
constexpr int kMinFontSize = 1;
constexpr int kMaxFontSize = 1638;

} // namespace

bool TRegistry2000::OpenKeyTolerant(const QString &key, bool canCreate) {
  QString k = key;
  const bool absolute = k.startsWith(QLatin1Char('\\'));
  if (absolute) k.remove(0, 1);
  if (k.endsWith(QLatin1Char('\\'))) k.chop(1);
  // Resolved once here: a failed first attempt closes the open key, and the
  // retry must still mean the same key.
  QString path;
  if (!resolve(absolute ? QLatin1Char('\\') + k : k, path)) {
    CloseKey();
    return false;
  }
  const QString full = QLatin1Char('\\') + path;
  const bool create = canCreate && !k.isEmpty();
  SetAccess(KEY_ALL_ACCESS);
  if (OpenKey(full, create)) return true;
  SetAccess(kReducedAccess);
  return OpenKey(full, create);
}

bool TRegistry2000::ReadIntegerIfExists(const QString &name, int &value) const {
  RegValue v;
  if (!ReadValue(name, v) || v.type != TRegDataType::rdInteger) return false;
  value = int(v.number);
  return true;
}

bool TRegistry2000::ReadStringIfExists(const QString &name, QString &value) const {
  RegValue v;
  if (!ReadValue(name, v) || v.type != TRegDataType::rdString) return false;
  value = v.text;
  return true;
}

bool TRegistry2000::ReadBoolIfExists(const QString &name, bool &value) const {
  int n;
  if (!ReadIntegerIfExists(name, n)) return false;
  value = n != 0;
  return true;
}

bool TRegistry2000::ReadFloatIfExists(const QString &name, double &value) const {
  RegValue v;
  if (!ReadValue(name, v) || v.type != TRegDataType::rdBinary || v.bytes.size() != 8) return false;
  double d;
  std::memcpy(&d, v.bytes.constData(), 8);
  if (std::isnan(d)) return false;
  value = d;
  return true;
}

void WriteFontToRegistry(TRegistry2000 &registry, const QString &prefix, const TFont &font) {
  registry.WriteInteger(prefix + QLatin1String("FontColor"), font.Color);
  registry.WriteInteger(prefix + QLatin1String("FontSize"), font.Size);
  registry.WriteString(prefix + QLatin1String("FontName"), font.Name);
  registry.WriteString(prefix + QLatin1String("FontStyle"), FontStyleToLetters(font.Style));
  registry.WriteInteger(prefix + QLatin1String("Charset"), font.Charset);
}

void ReadFontFromRegistry(const TRegistry2000 &registry, const QString &prefix, TFont &font) {
  int n;
  QString s;
  if (registry.ReadIntegerIfExists(prefix + QLatin1String("FontColor"), n)) font.Color = n;
  if (registry.ReadIntegerIfExists(prefix + QLatin1String("FontSize"), n) && n >= kMinFontSize && n <= kMaxFontSize)
    font.Size = n;
  if (registry.ReadStringIfExists(prefix + QLatin1String("FontName"), s)) font.Name = s;
  if (registry.ReadStringIfExists(prefix + QLatin1String("FontStyle"), s)) font.Style = LettersToFontStyle(s);
  if (registry.ReadIntegerIfExists(prefix + QLatin1String("Charset"), n) && n >= 0 && n <= 255) font.Charset = n;
}

void WriteFontToIni(TIniFile &ini, const QString &section, const TFont &font) {
  ini.WriteString(section, QStringLiteral("FontName"), font.Name);
  ini.WriteInteger(section, QStringLiteral("FontCharSet"), font.Charset);
  ini.WriteInteger(section, QStringLiteral("FontColor"), font.Color);
  ini.WriteInteger(section, QStringLiteral("FontSize"), font.Size);
  ini.WriteInteger(section, QStringLiteral("FontStyle"), int(font.Style));
}

void ReadFontFromIni(const TIniFile &ini, const QString &section, TFont &font) {
  font.Name = ini.ReadString(section, QStringLiteral("FontName"), font.Name);
  const int charset = ini.ReadInteger(section, QStringLiteral("FontCharSet"), font.Charset);
  if (charset >= 0 && charset <= 255) font.Charset = charset;
  font.Color = ini.ReadInteger(section, QStringLiteral("FontColor"), font.Color);
  const int size = ini.ReadInteger(section, QStringLiteral("FontSize"), font.Size);
  if (size >= kMinFontSize && size <= kMaxFontSize) font.Size = size;
  font.Style = TFontStyles(ini.ReadInteger(section, QStringLiteral("FontStyle"), int(font.Style))) & kAllFontStyles;
}

} // namespace qel
