// Scheme files: any bytes load, every section and key reads, and a value
// written into the loaded text reads back as written.
#include "platform/inifile.h"

#include <QDir>
#include <QFile>

#include <cstdint>
#include <cstdlib>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  static const QString path = QDir::tempPath() + QStringLiteral("/fuzz_inifile_%1.ini").arg(::getpid());
  {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) return 0;
    f.write(reinterpret_cast<const char *>(data), qint64(size));
  }
  qel::TIniFile ini(path);
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
  return 0;  // the destructor saves the edited text back to the scratch file
}
