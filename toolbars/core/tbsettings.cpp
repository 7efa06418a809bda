#include "toolbars/core/tbsettings.h"

#include <QStringList>

namespace qel::toolbars {

qsizetype TTbrMemorySettings::Find(const QString &section, const QString &name) const {
  for (qsizetype i = 0; i < Values.size(); ++i)
    if (Values[i].Section.compare(section, Qt::CaseInsensitive) == 0 &&
        Values[i].Name.compare(name, Qt::CaseInsensitive) == 0)
      return i;
  return -1;
}

QString TTbrMemorySettings::ReadString(const QString &section, const QString &name,
                                       const QString &defaultValue) const {
  const qsizetype i = Find(section, name);
  return i < 0 ? defaultValue : Values[i].Value;
}

void TTbrMemorySettings::WriteString(const QString &section, const QString &name, const QString &value) {
  const qsizetype i = Find(section, name);
  if (i < 0)
    Values.append({section, name, value});
  else
    Values[i].Value = value;
}

void TTbrMemorySettings::DeleteValue(const QString &section, const QString &name) {
  const qsizetype i = Find(section, name);
  if (i >= 0)
    Values.removeAt(i);
}

bool TTbrMemorySettings::ValueExists(const QString &section, const QString &name) const {
  return Find(section, name) >= 0;
}

QStringList TTbrMemorySettings::ValueNames(const QString &section) const {
  QStringList names;
  for (const TValue &value : Values)
    if (value.Section.compare(section, Qt::CaseInsensitive) == 0)
      names << value.Name;
  return names;
}

} // namespace qel::toolbars
