#include "cards/cardfilter.h"

#include <QRandomGenerator>
#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <vector>

using namespace qel;

namespace {

TCrdPtr titled(const QString &title, TDateTime created = 0) {
  auto c = std::make_shared<TCrd>(created, QStringLiteral("u"));
  c->Title = title;
  return c;
}

QStringList titlesOf(const TCrdList &list) {
  QStringList out;
  for (int i = 0; i < list.Count(); ++i) out << list.Strings(i);
  return out;
}

} // namespace

TEST(TitleFilter, FromStartAndWholeWordsTable) {
  struct Case {
    const char *filter;
    const char *title;
    bool anywhere, fromStart, wholeWord, wholeWordFromStart;
  };
  const Case cases[] = {
      {"ANN", "ANN SMITH", true, true, true, true},
      {"ANN", "JO ANN", true, false, true, false},
      {"ANN", "ANNA", true, true, false, false},
      {"ANN", "ANNA JO ANN", true, true, true, false},  // only position 1 counts with both on
      {"ANN", "JOANNE", true, false, false, false},
      {"ANN", "BOB", false, false, false, false},
      {"ann", "Ann Smith", true, true, true, true},     // letters compared upper-cased
      {"JO ANN", "JO ANN", true, true, true, true},
      {"ÉMILE", "émile zola", true, true, true, true},  // accented letters of the code page too
      {"STRASSE", "straße", false, false, false, false},  // upper-casing keeps the length
  };
  for (const Case &c : cases) {
    const QString filter = FilterUpperCase(QString::fromUtf8(c.filter));
    const QString title = QString::fromUtf8(c.title);
    EXPECT_EQ(TitleMatchesFilter(filter, title, {false, false}), c.anywhere) << c.filter << " / " << c.title;
    EXPECT_EQ(TitleMatchesFilter(filter, title, {true, false}), c.fromStart) << c.filter << " / " << c.title;
    EXPECT_EQ(TitleMatchesFilter(filter, title, {false, true}), c.wholeWord) << c.filter << " / " << c.title;
    EXPECT_EQ(TitleMatchesFilter(filter, title, {true, true}), c.wholeWordFromStart) << c.filter << " / " << c.title;
  }
}

TEST(TitleFilter, UpperCaseKeepsPositions) {
  EXPECT_EQ(FilterUpperCase(QStringLiteral("abc äöü ßéÿ")), QStringLiteral("ABC ÄÖÜ ßÉŸ"));
  const QString s = QStringLiteral("no change");
  EXPECT_EQ(FilterUpperCase(QStringLiteral("NO CHANGE 12")), QStringLiteral("NO CHANGE 12"));
  EXPECT_EQ(FilterUpperCase(s).size(), s.size());
}

TEST(TitleFilter, PrefixSearchStartWrapAndAsciiCase) {
  TCrdList list;
  for (const char *t : {"alpha", "Beta", "bravo", "charlie", "éclair", "Bx"}) list.AddCrd(titled(QString::fromUtf8(t)));
  EXPECT_EQ(FindTitleByPrefix(list, QStringLiteral("b"), 0, false), 1);
  EXPECT_EQ(FindTitleByPrefix(list, QStringLiteral("BR"), 0, false), 2);
  EXPECT_EQ(FindTitleByPrefix(list, QStringLiteral("b"), 2, false), 2);
  // Started at the last item: it is compared; without wrap nothing before it.
  EXPECT_EQ(FindTitleByPrefix(list, QStringLiteral("bx"), 5, false), 5);
  EXPECT_EQ(FindTitleByPrefix(list, QStringLiteral("a"), 5, false), -1);
  // With wrap the whole list is searched once.
  EXPECT_EQ(FindTitleByPrefix(list, QStringLiteral("a"), 5, true), 0);
  EXPECT_EQ(FindTitleByPrefix(list, QStringLiteral("zzz"), 3, true), -1);
  // Only ASCII letters are compared upper-cased.
  EXPECT_EQ(FindTitleByPrefix(list, QStringLiteral("É"), 0, true), -1);
  EXPECT_EQ(FindTitleByPrefix(list, QStringLiteral("é"), 0, true), 4);
  EXPECT_EQ(FindTitleByPrefix(list, QStringLiteral("a"), 6, true), -1);
  EXPECT_EQ(FindTitleByPrefix(TCrdList(), QStringLiteral("a"), 0, true), -1);
}

TEST(CardFilter, OrdersAndEmptyFilter) {
  TCrdList all, out;
  all.AddCrd(titled(QStringLiteral("delta"), 3));
  all.AddCrd(titled(QStringLiteral("Alpha"), 4));
  all.AddCrd(titled(QStringLiteral("charlie"), 1));
  all.AddCrd(titled(QStringLiteral("alpha"), 2));
  TCardFilter f;
  f.Apply(all, QString(), {}, TListOrder::ByTitle, out);
  // Equal titles (without regard to case) keep file order.
  EXPECT_EQ(titlesOf(out), QStringList({"Alpha", "alpha", "charlie", "delta"}));
  f.Apply(all, QString(), {}, TListOrder::ByCreated, out);
  EXPECT_EQ(titlesOf(out), QStringList({"charlie", "alpha", "delta", "Alpha"}));
  f.Apply(all, QStringLiteral("ALP"), {}, TListOrder::ByCreated, out);
  EXPECT_EQ(titlesOf(out), QStringList({"alpha", "Alpha"}));
  EXPECT_EQ(out.Ptr(0), all.Ptr(3));  // the filtered list refers to the same records
}

TEST(CardFilter, FollowsChangesOfTheCardList) {
  TCrdList all, out;
  for (const char *t : {"ann smith", "jo ann", "anna", "bob"}) all.AddCrd(titled(QString::fromLatin1(t)));
  TCardFilter f;
  f.Apply(all, QStringLiteral("ann"), {}, TListOrder::ByTitle, out);
  EXPECT_EQ(titlesOf(out), QStringList({"ann smith", "anna", "jo ann"}));
  // Renamed in the list, added, deleted: the next filter sees it.
  all.SetString(3, QStringLiteral("bob ann"));
  all.AddCrd(titled(QStringLiteral("aaa ann")));
  all.Delete(1);
  f.Apply(all, QStringLiteral("ann"), {}, TListOrder::ByTitle, out);
  EXPECT_EQ(titlesOf(out), QStringList({"aaa ann", "ann smith", "anna", "bob ann"}));
  all.Clear();
  f.Apply(all, QString(), {}, TListOrder::ByTitle, out);
  EXPECT_EQ(out.Count(), 0);
}

// Typing, deleting and retyping with every rule gives what a fresh filter gives.
TEST(CardFilter, IncrementalTypingMatchesAFreshFilter) {
  QRandomGenerator rng(7);
  const char *words[] = {"ann", "anna", "jo", "smith", "annex", "bob", "jo-ann", "b"};
  TCrdList all;
  for (int i = 0; i < 400; ++i) {
    QString t;
    for (int w = 0, n = 1 + int(rng.bounded(3)); w < n; ++w) t += (w ? " " : "") + QString::fromLatin1(words[rng.bounded(8)]);
    all.AddCrd(titled(t, rng.generateDouble()));
  }
  const QStringList typed = {"a", "an", "ann", "ann ", "ann s", "ann", "an", "", "j", "jo", "jo a", "o", "b"};
  for (bool fromStart : {false, true})
    for (bool whole : {false, true}) {
      TCardFilter incremental;
      TCrdList out, fresh;
      for (const QString &text : typed) {
        incremental.Apply(all, text, {fromStart, whole}, TListOrder::ByCreated, out);
        TCardFilter().Apply(all, text, {fromStart, whole}, TListOrder::ByCreated, fresh);
        ASSERT_EQ(titlesOf(out), titlesOf(fresh)) << text.toStdString() << fromStart << whole;
      }
    }
}

// The matching rules agree with the string routines they are defined by:
// a plain position search, and FindWholeWord with the space as delimiter.
TEST(TitleFilter, AgreesWithTheStringRoutines) {
  QRandomGenerator rng(11);
  const QString alphabet = QStringLiteral("AN N");
  auto randomText = [&](int maxLength) {
    QString t;
    for (int i = 0, n = int(rng.bounded(maxLength + 1)); i < n; ++i) t += alphabet[int(rng.bounded(4))];
    return t;
  };
  for (int round = 0; round < 5000; ++round) {
    const QString filter = randomText(4), title = randomText(10);
    const int plain = PosFrom(filter, title, false, 1);
    const int whole = FindWholeWord(filter, title, WordDelimiters());
    const std::string at = "[" + filter.toStdString() + "] in [" + title.toStdString() + "]";
    EXPECT_EQ(TitleMatchesFilter(filter, title, {false, false}), plain > 0) << at;
    EXPECT_EQ(TitleMatchesFilter(filter, title, {true, false}), plain == 1) << at;
    EXPECT_EQ(TitleMatchesFilter(filter, title, {false, true}), whole > 0) << at;
    EXPECT_EQ(TitleMatchesFilter(filter, title, {true, true}), whole == 1) << at;
  }
}

// Cards added, renamed, deleted and re-ordered between filters: the kept
// order always equals a fresh one.
TEST(CardFilter, ListChangesKeepTheOrderOfAFreshFilter) {
  QRandomGenerator rng(5);
  TCrdList all;
  auto randomTitle = [&] { return QStringLiteral("t%1 %2").arg(rng.bounded(50)).arg(QChar(u'a' + rng.bounded(26))); };
  for (int i = 0; i < 300; ++i) all.AddCrd(titled(randomTitle(), rng.bounded(100)));
  for (TListOrder order : {TListOrder::ByTitle, TListOrder::ByCreated}) {
    TCardFilter kept;
    TCrdList out, fresh;
    for (int round = 0; round < 60; ++round) {
      switch (rng.bounded(5)) {
      case 0: all.AddCrd(titled(randomTitle(), rng.bounded(100))); break;
      case 1: all.SetString(int(rng.bounded(all.Count())), randomTitle()); break;
      case 2: all.Delete(int(rng.bounded(all.Count()))); break;
      case 3: all.InsertObject(int(rng.bounded(all.Count())), randomTitle(), titled(QStringLiteral("x"), 5)); break;
      default: all.Exchange(int(rng.bounded(all.Count())), int(rng.bounded(all.Count()))); break;
      }
      const QString filter = round % 3 ? QStringLiteral("t1") : QString();
      kept.Apply(all, filter, {}, order, out);
      TCardFilter().Apply(all, filter, {}, order, fresh);
      ASSERT_EQ(titlesOf(out), titlesOf(fresh)) << round;
      for (int i = 0; i < out.Count(); ++i) ASSERT_EQ(out.Ptr(i), fresh.Ptr(i)) << round << " " << i;
    }
  }
}

// The title order equals a stable sort on the case-folded titles compared as
// QStrings, for titles mixing case, accents, digits, letters outside the
// Basic Multilingual Plane (some of them with case), lone surrogates, equal titles and long shared beginnings.
TEST(CardFilter, TitleOrderEqualsAStableSortOnFoldedTitles) {
  const QStringList pieces = {
      "a",  "A",   "b",    "Z",     "z",  "é",   "É",      "e",   "ß",   "SS",   "ss",      "1",   "10",
      "2",  "09",  " ",    "-",     "_",  "ÿ",   "Ÿ",      "Ω",   "ω",   "İ",    "ı",       "ﬁ",   "Ǆ",
      "ǅ",  "\u00a0", QString(QChar(0xd835)) + QChar(0xdc00) /* bold A */, QString(QChar(0xd83d)) + QChar(0xde00),
      "\ufb01", "\uff21", "meeting", "Meeting", "MEETING notes", "notes",  "", QString(QChar(0)),
      // Deseret capital and small long I: a pair whose folding changes its second unit; a lone half of a pair.
      QString(QChar(0xd801)) + QChar(0xdc00), QString(QChar(0xd801)) + QChar(0xdc28), QString(QChar(0xd801)),
      QString(QChar(0xdc00)),
  };
  QRandomGenerator rng(3);
  TCrdList all;
  for (int i = 0; i < 3000; ++i) {
    QString t;
    for (int k = 0, n = int(rng.bounded(7)); k < n; ++k) t += pieces[int(rng.bounded(pieces.size()))];
    all.AddCrd(titled(t));
  }
  // Exact repeats and case variants of earlier titles: ties keep file order.
  for (int i = 0; i < 300; ++i) {
    const QString t = all.Strings(int(rng.bounded(all.Count())));
    all.AddCrd(titled(i % 2 ? t : t.toUpper()));
  }

  std::vector<int> expected(size_t(all.Count()));
  std::iota(expected.begin(), expected.end(), 0);
  std::stable_sort(expected.begin(), expected.end(),
                   [&](int a, int b) { return all.Strings(a).toCaseFolded() < all.Strings(b).toCaseFolded(); });

  TCrdList out;
  TCardFilter().Apply(all, QString(), {}, TListOrder::ByTitle, out);
  ASSERT_EQ(out.Count(), all.Count());
  for (int i = 0; i < out.Count(); ++i)
    ASSERT_EQ(out.Ptr(i), all.Ptr(expected[size_t(i)])) << i << " " << out.Strings(i).toStdString();
}

// The upper-cased titles are made only once a filter needs them: a list shown
// unfiltered, then changed a little or a lot, filters as a fresh filter does.
TEST(CardFilter, UpperCasedTitlesMadeLateFollowListChanges) {
  TCrdList all;
  for (int i = 0; i < 200; ++i) all.AddCrd(titled(QStringLiteral("card %1 ann").arg(i % 37)));
  for (int changes : {1, 40}) {
    TCardFilter kept;
    TCrdList out, fresh;
    kept.Apply(all, QString(), {}, TListOrder::ByTitle, out);
    for (int i = 0; i < changes; ++i) {
      all.SetString(i * 3, QStringLiteral("Änderung %1").arg(i));
      all.AddCrd(titled(QStringLiteral("äNN new %1").arg(i)));
      all.Delete(i * 2 + 1);
    }
    for (const QString &filter : {QStringLiteral("ä"), QStringLiteral("ann"), QString(), QStringLiteral("ÄN")}) {
      kept.Apply(all, filter, {}, TListOrder::ByTitle, out);
      TCardFilter().Apply(all, filter, {}, TListOrder::ByTitle, fresh);
      ASSERT_EQ(titlesOf(out), titlesOf(fresh)) << changes << " " << filter.toStdString();
      // And both pass exactly the titles TitleMatchesFilter passes.
      TCrdList every;
      TCardFilter().Apply(all, QString(), {}, TListOrder::ByTitle, every);
      QStringList expected;
      for (const QString &t : titlesOf(every))
        if (filter.isEmpty() || TitleMatchesFilter(FilterUpperCase(filter), t, {})) expected << t;
      ASSERT_EQ(titlesOf(out), expected) << changes << " " << filter.toStdString();
    }
    // A filter typed before the changes keeps its upper-cased titles, which
    // the next few changes are spliced into.
    kept.Apply(all, QStringLiteral("x"), {}, TListOrder::ByTitle, out);
    all.SetString(0, QStringLiteral("ännchen"));
    all.AddCrd(titled(QStringLiteral("ÄNNE")));
    kept.Apply(all, QStringLiteral("äN"), {}, TListOrder::ByTitle, out);
    TCardFilter().Apply(all, QStringLiteral("äN"), {}, TListOrder::ByTitle, fresh);
    ASSERT_EQ(titlesOf(out), titlesOf(fresh)) << changes;
    EXPECT_GE(out.Count(), 2);
  }
}

// Going back to a filter typed before (Backspace) gives what a fresh search
// gives, also after the list changed in between and under other rules.
TEST(CardFilter, FilterTypedBeforeFollowsListChanges) {
  TCrdList all;
  for (const char *t : {"anna", "annabel", "joanne", "bob", "ann lee", "hannah"}) all.AddCrd(titled(t));
  TCardFilter kept;
  TCrdList out, fresh;
  auto check = [&](const QString &filter, FilterRules rules) {
    kept.Apply(all, filter, rules, TListOrder::ByTitle, out);
    TCardFilter().Apply(all, filter, rules, TListOrder::ByTitle, fresh);
    EXPECT_EQ(titlesOf(out), titlesOf(fresh)) << filter.toStdString();
  };
  for (const char *f : {"a", "an", "ann", "anna", "ann", "an"}) check(f, {});
  all.SetString(3, QStringLiteral("bob anna"));
  check("ann", {});
  all.AddCrd(titled("zanna"));
  check("anna", {});
  check("ann", {true, false});
  check("ann", {false, true});
  all.Delete(0);
  check("ann", {false, true});
  check("an", {});
}

// The filtered list shares the filter's items without copying them: a list
// kept from an earlier call stays as it was when cards are added, renamed or
// deleted and the filter runs again, and a shared list that is changed
// changes only itself.
TEST(CardFilter, ListsHandedOutStayAsTheyWere) {
  TCrdList all;
  for (const char *t : {"delta", "alpha", "charlie", "bravo"}) all.AddCrd(titled(t));
  TCardFilter filter;
  TCrdList out;
  filter.Apply(all, QString(), {}, TListOrder::ByTitle, out);
  const TCrdList everything = out;
  filter.Apply(all, QStringLiteral("a"), {}, TListOrder::ByTitle, out);
  TCrdList some = out;
  all.AddCrd(titled("echo"));
  all.SetString(0, QStringLiteral("zulu"));
  filter.Apply(all, QString(), {}, TListOrder::ByTitle, out);
  EXPECT_EQ(titlesOf(out), QStringList({"alpha", "bravo", "charlie", "echo", "zulu"}));
  EXPECT_EQ(titlesOf(everything), QStringList({"alpha", "bravo", "charlie", "delta"}));
  EXPECT_EQ(titlesOf(some), QStringList({"alpha", "bravo", "charlie", "delta"}));
  some.Delete(0);
  some.AddCrd(titled("foxtrot"));
  EXPECT_EQ(titlesOf(some), QStringList({"bravo", "charlie", "delta", "foxtrot"}));
  EXPECT_EQ(some.IndexOf(QStringLiteral("CHARLIE")), 1);
  EXPECT_EQ(titlesOf(everything), QStringList({"alpha", "bravo", "charlie", "delta"}));
  EXPECT_EQ(everything.IndexOfObject(everything.Objects(3)), 3);
  EXPECT_THROW(everything.Strings(4), std::out_of_range);
}

// A list large enough to be sorted and upper-cased in pieces side by side
// orders and filters as the plain definitions do; its upper-cased titles are
// held one byte a unit until a title that needs two joins (spliced in or made
// anew), and a filter with a wider letter then finds it.
TEST(CardFilter, LargeListsAndTitlesBeyondLatin1) {
  const QStringList pieces = {"a", "B", "ann", "Anna ", "jo", " ", "é", "É", "ß", "meeting ", "#12", "z"};
  QRandomGenerator rng(13);
  TCrdList all;
  for (int i = 0; i < 30000; ++i) {
    QString t;
    for (int k = 0, n = int(rng.bounded(6)); k < n; ++k) t += pieces[int(rng.bounded(pieces.size()))];
    all.AddCrd(titled(t));
  }
  std::vector<int> expected(size_t(all.Count()));
  std::iota(expected.begin(), expected.end(), 0);
  std::vector<QString> folded;
  for (int i = 0; i < all.Count(); ++i) folded.push_back(all.Strings(i).toCaseFolded());
  std::stable_sort(expected.begin(), expected.end(), [&](int a, int b) { return folded[size_t(a)] < folded[size_t(b)]; });

  TCardFilter kept;
  TCrdList out;
  kept.Apply(all, QString(), {}, TListOrder::ByTitle, out);
  ASSERT_EQ(out.Count(), all.Count());
  for (int i = 0; i < out.Count(); ++i) ASSERT_EQ(out.Ptr(i), all.Ptr(expected[size_t(i)])) << i;

  QStringList every;  // all titles in list order, for the list as it is
  quint64 everyOf = 0;
  auto check = [&](const QString &filter, FilterRules rules) {
    kept.Apply(all, filter, rules, TListOrder::ByTitle, out);
    if (everyOf != all.Revision()) {
      TCrdList list;
      TCardFilter().Apply(all, QString(), {}, TListOrder::ByTitle, list);
      every = titlesOf(list);
      everyOf = all.Revision();
    }
    QStringList passed;
    for (const QString &t : every)
      if (TitleMatchesFilter(FilterUpperCase(filter), t, rules)) passed << t;
    ASSERT_EQ(titlesOf(out), passed) << filter.toStdString() << rules.fromStart << rules.wholeWords;
  };
  for (FilterRules rules : {FilterRules{}, FilterRules{true, false}, FilterRules{false, true}})
    for (const char *f : {"ann", "ÿ", "Ÿ", "é", "ß", "anna ", "Ω"}) check(QString::fromUtf8(f), rules);
  // A title of a wider letter, spliced into the text a filter made.
  all.AddCrd(titled(QString::fromUtf8("Ωmega ann ÿ")));
  check(QString::fromUtf8("ω"), {});
  check(QString::fromUtf8("ÿ"), {false, true});
  check(QStringLiteral("ann"), {});
  all.SetString(0, QString::fromUtf8("plain again"));
  all.Delete(all.Count() - 1);
  check(QString::fromUtf8("ω"), {});
  check(QStringLiteral("again"), {false, true});
}

// A list large enough to be searched in pieces side by side: typing,
// narrowing, Backspace and the rules give exactly the titles a look at each
// title in list order passes, hits at the pieces' edges included; every list
// handed out keeps its cards while later keystrokes reuse the blocks the
// lists let go of.
TEST(CardFilter, ListsSearchedInPiecesPassWhatEachTitlePasses) {
  const char *words[] = {"ann", "anna", "jo", "smith", "annex", "bob", "jo-ann", "b", "meeting", "z"};
  QRandomGenerator rng(21);
  TCrdList all;
  for (int i = 0; i < 130000; ++i) {
    QString t;
    for (int w = 0, n = 1 + int(rng.bounded(3)); w < n; ++w) t += (w ? " " : "") + QString::fromLatin1(words[rng.bounded(10)]);
    all.AddCrd(titled(t, double(i)));
  }
  TCrdList every;
  TCardFilter().Apply(all, QString(), {}, TListOrder::ByCreated, every);
  const QStringList inOrder = titlesOf(every);
  const QStringList typed = {"a", "an", "ann", "anna", "ann", "an", "j", "jo", "jo ", "jo a", "z", ""};
  for (FilterRules rules : {FilterRules{}, FilterRules{true, false}, FilterRules{false, true}}) {
    TCardFilter filter;
    TCrdList out;
    std::vector<std::pair<TCrdList, QStringList>> handedOut;
    for (const QString &text : typed) {
      filter.Apply(all, text, rules, TListOrder::ByCreated, out);
      QStringList passed;
      for (const QString &t : inOrder)
        if (text.isEmpty() || TitleMatchesFilter(FilterUpperCase(text), t, rules)) passed << t;
      ASSERT_EQ(titlesOf(out), passed) << text.toStdString() << rules.fromStart << rules.wholeWords;
      if (handedOut.size() < 3) handedOut.emplace_back(out, passed);
    }
    for (const auto &[list, titles] : handedOut) EXPECT_EQ(titlesOf(list), titles);
  }
}
