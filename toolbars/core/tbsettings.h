#pragma once
// The settings section seam: where the framework keeps what outlives a run
// (the recently used files, later toolbar positions). Values are strings
// named within a section; names of sections and values compare without
// regard to case and keep their case, as the program's registry store does.
// The program binds this to its registry; TTbrMemorySettings keeps the
// values in memory for tests and for callers without a store.

#include <QList>
#include <QString>

namespace qel::toolbars {

class TTbrSettingsStore {
public:
  virtual ~TTbrSettingsStore() = default;
  // The value, or `defaultValue` when the section has no such value.
  virtual QString ReadString(const QString &section, const QString &name, const QString &defaultValue) const = 0;
  virtual void WriteString(const QString &section, const QString &name, const QString &value) = 0;
  // Removes the value; nothing happens when there is none.
  virtual void DeleteValue(const QString &section, const QString &name) = 0;
};

class TTbrMemorySettings : public TTbrSettingsStore {
public:
  QString ReadString(const QString &section, const QString &name, const QString &defaultValue) const override;
  void WriteString(const QString &section, const QString &name, const QString &value) override;
  void DeleteValue(const QString &section, const QString &name) override;

  bool ValueExists(const QString &section, const QString &name) const;
  // The value names of a section in the order they were first written.
  QStringList ValueNames(const QString &section) const;

private:
  struct TValue {
    QString Section, Name, Value;
  };
  qsizetype Find(const QString &section, const QString &name) const;
  QList<TValue> Values;
};

} // namespace qel::toolbars
