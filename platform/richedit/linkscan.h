#pragma once
// Finds web, mail and file addresses in plain text for the editor's link
// display: http://, https://, ftp://, file:, mailto:, news: and "www." at the
// start of a word (letters are compared without case).

#include <QList>
#include <QString>

namespace qel::re {

struct LinkRange {
  int start = 0;   // index of the first character
  int length = 0;
  bool operator==(const LinkRange &) const = default;
};

// Links in text, in order, not overlapping. A link ends before white space,
// control characters, object characters, quotes and angle brackets; trailing
// punctuation (. , ; : ! ?) and a closing bracket without its opening one in
// the link are not part of it.
QList<LinkRange> findLinks(const QString &text);

} // namespace qel::re
