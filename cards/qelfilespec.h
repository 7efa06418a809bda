#pragma once
// Classifying a file before it is read: missing, old text card file, old
// archive or version-3 archive, and which entries a version-3 archive holds.

#include <QString>

namespace qel {

class TZipArchiver;

struct tQelfileSpec {
  QString FileName;
  // 0 missing or not a card file, 1 old text file, 2 old archive, 3 version-3 archive.
  int Kind = 0;
  QString IndexEntry;  // archive names of the ".~i", ".~h" and ".~p" entries, empty when absent
  QString BodyEntry;
  QString PassEntry;
  bool Protected = false;
};

enum QelFileKind : int { KindNone = 0, KindOldText = 1, KindOldArchive = 2, KindVersion3 = 3 };

// Classifies `fileName`. An archive is listed through `zip` (which reports a
// damaged archive itself); `zip.ZipFileName` is left at the file.
tQelfileSpec ProbeCardsFile(const QString &fileName, TZipArchiver &zip);

} // namespace qel
