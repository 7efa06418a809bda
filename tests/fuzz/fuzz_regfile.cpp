// The settings store's text: any bytes load without harm, and what is written
// back reads back the same (values and kept lines alike).
#include "platform/registry.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  const QByteArray input(reinterpret_cast<const char *>(data), qsizetype(size));
  const QString hive = QStringLiteral("HKEY_CURRENT_USER");
  const qel::RegHiveData first = qel::RegHiveData::parse(input, hive);
  const QByteArray once = first.serialize();
  const qel::RegHiveData second = qel::RegHiveData::parse(once, hive);
  if (second.serialize() != once) std::abort();
  if (second.keys.size() != first.keys.size()) std::abort();
  for (qsizetype i = 0; i < first.keys.size(); ++i) {
    const qel::RegHiveData::Key *k = second.find(first.keys[i].path);
    if (!k || k->values != first.keys[i].values) std::abort();
  }
  return 0;
}
