#include "settings/tbregsettings.h"

namespace qel {

QString TTbrRegIniSettings::ReadString(const QString &section, const QString &name,
                                       const QString &defaultValue) const {
  return Ini.ReadString(section, name, defaultValue);
}

void TTbrRegIniSettings::WriteString(const QString &section, const QString &name, const QString &value) {
  Ini.WriteString(section, name, value);
}

void TTbrRegIniSettings::DeleteValue(const QString &section, const QString &name) { Ini.DeleteKey(section, name); }

} // namespace qel
