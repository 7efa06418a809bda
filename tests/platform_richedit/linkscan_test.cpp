#include "platform/richedit/linkscan.h"

#include <gtest/gtest.h>

using qel::re::findLinks;

namespace {

QStringList linkTexts(const QString &text) {
  QStringList out;
  for (const auto &r : findLinks(text)) out << text.mid(r.start, r.length);
  return out;
}

} // namespace

TEST(LinkScan, Table) {
  struct Case {
    const char *text;
    QStringList links;
  };
  const Case cases[] = {
      {"see http://example.com now", {"http://example.com"}},
      {"HTTPS://Example.com/a?b=c&d=e#f", {"HTTPS://Example.com/a?b=c&d=e#f"}},
      {"ftp://host/file.txt.", {"ftp://host/file.txt"}},
      {"file:///tmp/x y", {"file:///tmp/x"}},
      {"mail mailto:a@b.org, please", {"mailto:a@b.org"}},
      {"news:comp.lang.c++", {"news:comp.lang.c++"}},
      {"go to www.example.org!", {"www.example.org"}},
      {"(http://x.org/a_(b))", {"http://x.org/a_(b)"}},
      {"(see http://x.org)", {"http://x.org"}},
      {"<http://x.org/>", {"http://x.org/"}},
      {"\"http://q.org\"", {"http://q.org"}},
      {"two http://a.b and www.c.d", {"http://a.b", "www.c.d"}},
      {"xhttp://no.link", {}},
      {"http:// alone", {}},
      {"http://", {}},
      {"www. nothing", {}},
      {"www..", {}},
      {"awww.example.com", {}},
      {"mailto:", {}},
      {"", {}},
      {"http://a\x01z", {"http://a"}},
  };
  for (const Case &c : cases) EXPECT_EQ(linkTexts(QString::fromLatin1(c.text)), c.links) << c.text;
}

TEST(LinkScan, PositionsAndObjectCharacters) {
  const QString t = QStringLiteral("a http://x.y") + QChar(0xFFFC) + QStringLiteral("b");
  const auto links = findLinks(t);
  ASSERT_EQ(links.size(), 1);
  EXPECT_EQ(links[0].start, 2);
  EXPECT_EQ(links[0].length, 10);
}
