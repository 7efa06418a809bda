// The settings layer over its two kinds of stored text. The first byte picks
// one: the registry store's text, from which the whole settings object loads
// (every value of every type, fonts included), or a colour scheme's ini text,
// parsed in memory (no file is written per input), from which every
// section's font and every key reads; an ini value written reads back.
#include "platform/inifile.h"
#include "platform/registry.h"
#include "settings/options.h"
#include "settings/registry2000.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size == 0) return 0;
  const QByteArray input(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));
  if (data[0] & 1) {
    static const QString store = [] {
      const QString folder = QDir::tempPath() + QStringLiteral("/fuzz-settings-config");
      QDir().mkpath(folder + QStringLiteral("/qel-moravine"));
      qputenv("XDG_CONFIG_HOME", QFile::encodeName(folder));
      return folder + QStringLiteral("/qel-moravine/hkcu.reg");
    }();
    QFile f(store);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) return 0;
    f.write(input);
    f.close();
    qel::tOptions options;
    options.LoadFromRegistry();
    return 0;
  }
  qel::TIniFile ini{QString()};
  ini.LoadText(input);
  for (const QString &section : ini.ReadSections()) {
    qel::TFont font;
    qel::ReadFontFromIni(ini, section, font);
    for (const QString &key : ini.ReadSection(section)) {
      (void)ini.ReadString(section, key, QString());
      (void)ini.ReadInteger(section, key, 0);
      (void)ini.ReadBool(section, key, false);
    }
  }
  ini.WriteInteger(QStringLiteral("Card"), QStringLiteral("Color"), -16777192);
  if (ini.ReadInteger(QStringLiteral("card"), QStringLiteral("COLOR"), 0) != -16777192) std::abort();
  // What would be saved reads back as the same lines.
  const QStringList lines = ini.Lines();
  ini.LoadText(ini.Text());  // also leaves nothing to write when it goes
  if (ini.Lines() != lines) std::abort();
  return 0;
}
