#pragma once
// The toolbar framework's settings sections kept in the registry: each
// section is a sub-key of an open registry ini key (for the program,
// "Software\Qel Moravine" of the current user), each value a string value
// in it. The ini key is the caller's, and so is writing it out.

#include "platform/registry.h"
#include "toolbars/core/tbsettings.h"

namespace qel {

class TTbrRegIniSettings final : public toolbars::TTbrSettingsStore {
public:
  explicit TTbrRegIniSettings(TRegIniFile &ini) : Ini(ini) {}

  QString ReadString(const QString &section, const QString &name, const QString &defaultValue) const override;
  void WriteString(const QString &section, const QString &name, const QString &value) override;
  void DeleteValue(const QString &section, const QString &name) override;

private:
  TRegIniFile &Ini;
};

} // namespace qel
