// Scheme files: any bytes parse (in memory: nothing is written per input),
// every section and key reads, a value written into the loaded text reads
// back as written, and the text it would be saved as reads back the same.
#include "platform/inifile.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  qel::TIniFile ini{QString()};
  ini.LoadText(QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)));
  for (const QString &section : ini.ReadSections())
    for (const QString &key : ini.ReadSection(section)) {
      (void)ini.ReadString(section, key, QString());
      (void)ini.ReadInteger(section, key, 0);
    }
  ini.WriteString(QStringLiteral("Card"), QStringLiteral("FontName"), QStringLiteral("'x' = y"));
  if (ini.ReadString(QStringLiteral("card"), QStringLiteral("fontname"), QString()) != QStringLiteral("'x' = y"))
    std::abort();
  ini.WriteInteger(QStringLiteral("Filter"), QStringLiteral("Color"), -16777192);
  if (ini.ReadInteger(QStringLiteral("Filter"), QStringLiteral("Color"), 0) != -16777192) std::abort();
  ini.EraseSection(QStringLiteral("Filter"));
  ini.EraseSection(QStringLiteral("Card"));
  const QStringList lines = ini.Lines();
  ini.LoadText(ini.Text());  // also leaves nothing to write when it goes
  if (ini.Lines() != lines) std::abort();
  return 0;
}
