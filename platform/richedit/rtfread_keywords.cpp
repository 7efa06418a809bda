#include "platform/richedit/rtfread_keywords.h"

#include <cstring>

namespace qel::re::rtf {

namespace {

struct Entry {
  const char *name;
  Kw kw;
};

constexpr Entry kEntries[] = {
#define QEL_RTF_ENTRY(name) {#name, Kw::k_##name},
    QEL_RTF_KEYWORDS(QEL_RTF_ENTRY)
#undef QEL_RTF_ENTRY
};

constexpr unsigned kSlots = 2048;  // power of two, well above twice the keyword count

inline unsigned hashWord(const char *w, int len) {
  unsigned h = 2166136261u;
  for (int i = 0; i < len; ++i) h = (h ^ static_cast<unsigned char>(w[i])) * 16777619u;
  return h;
}

struct Table {
  const Entry *slots[kSlots] = {};
  unsigned char lens[kSlots] = {};
  Table() {
    static_assert(sizeof(kEntries) / sizeof(kEntries[0]) * 2 < kSlots);
    for (const Entry &e : kEntries) {
      const int len = int(std::strlen(e.name));
      unsigned i = hashWord(e.name, len) & (kSlots - 1);
      while (slots[i]) i = (i + 1) & (kSlots - 1);
      slots[i] = &e;
      lens[i] = static_cast<unsigned char>(len);
    }
  }
};

const Table &table() {
  static const Table t;
  return t;
}

} // namespace

Kw lookupKeyword(const char *word, int len) {
  if (len <= 0 || len > 32) return Kw::Unknown;
  const Table &t = table();
  unsigned i = hashWord(word, len) & (kSlots - 1);
  while (const Entry *e = t.slots[i]) {
    if (t.lens[i] == len && std::memcmp(e->name, word, size_t(len)) == 0) return e->kw;
    i = (i + 1) & (kSlots - 1);
  }
  return Kw::Unknown;
}

} // namespace qel::re::rtf
