#include "cardtestutil.h"

#include "cards/carderror.h"

#include <QLocale>
#include <QRandomGenerator>

using namespace qel;
using qel::test::CardStoreTest;

TEST(CardStamps, ThreeCardsInOneTickDiffer) {
  SetStampCounter(0);
  const TDateTime now = 45000.5;
  TDateTime s1 = NewCardStampAt(now), s2 = NewCardStampAt(now), s3 = NewCardStampAt(now);
  EXPECT_EQ(s1, now);
  EXPECT_NEAR(s2 - now, 1e-10, 2e-11);
  EXPECT_NEAR(s3 - now, 2e-10, 2e-11);

  TCrd a, b, c;
  EXPECT_LT(a.Created, b.Created);
  EXPECT_LT(b.Created, c.Created);
  EXPECT_NE(a.UID, b.UID);
  EXPECT_NE(b.UID, c.UID);
  EXPECT_NE(a.UID, c.UID);
  // The identifier is made from the very creation stamp.
  EXPECT_EQ(a.UID, StampToUID(a.Created));
}

TEST(CardStamps, CounterWrapsAfter10002Values) {
  SetStampCounter(0);
  for (int i = 0; i < 10001; ++i) NewCardStampAt(1.0);
  EXPECT_EQ(StampCounter(), 10001);
  EXPECT_NEAR(NewCardStampAt(1.0) - 1.0, 10001e-10, 1e-12);
  EXPECT_EQ(StampCounter(), 0);
}

TEST(CardStamps, StampToUID) {
  struct Case {
    double stamp;
    const char *uid;
  } cases[] = {
      {39345.25, "39345-25"}, {39345.0, "39345-"}, {0.5, "0-5"}, {1e-10, "0--10"},
      {-1.25, "-1-.25"},      {2.0 + 1.0 / 1024, "2-0009765625"},
  };
  for (const Case &c : cases) EXPECT_EQ(StampToUID(c.stamp), c.uid) << c.stamp;
  // The fraction is written with the locale's separator, which the tail drops.
  QLocale saved;
  QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
  EXPECT_EQ(StampToUID(39345.25), "39345-25");
  QLocale::setDefault(saved);
}

TEST(CardRecord, DefaultsAndTexts) {
  TCrd c;
  EXPECT_EQ(c.ADR, 1);
  EXPECT_EQ(c.SIZ, 0);
  EXPECT_EQ(c.Color, 0x1FFFFFFF);
  EXPECT_EQ(c.LastOpen, 0);
  EXPECT_TRUE(c.PUID.isEmpty() && c.Title.isEmpty() && c.Phone.isEmpty());
  EXPECT_GT(c.Created, 40000);

  EXPECT_EQ(c.LastModifiedText(), "");
  c.SetLastOpen(DateTimeFromQt(QDateTime(QDate(2024, 3, 5), QTime(14, 7, 9))));
  EXPECT_EQ(c.LastModifiedText(),
            "Card last modified: " + QLocale().toString(QDate(2024, 3, 5), QLocale::ShortFormat) + "  14:07:09");

  c.SetTitle("Tom & Jerry &");
  EXPECT_EQ(c.HeaderText(), "Tom && Jerry &&");
}

TEST(CardList, DuplicatesOrderAndSorting) {
  TCrdList list;
  auto mk = [](const char *title, double created) {
    auto c = std::make_shared<TCrd>(created, QString());
    c->Title = title;
    return c;
  };
  list.AddCrd(mk("pear", 3));
  list.AddCrd(mk("Apple", 2));
  list.AddCrd(mk("apple", 1));
  ASSERT_EQ(list.Count(), 3);
  EXPECT_EQ(list.IndexOf("APPLE"), 1);
  EXPECT_EQ(list.IndexOf("plum"), -1);
  EXPECT_EQ(CompareCreated(list, 0, 1), 1);
  EXPECT_EQ(CompareCreated(list, 1, 0), -1);
  EXPECT_EQ(CompareCreated(list, 1, 1), 0);
  list.SortByCreated();
  EXPECT_EQ(list.Strings(0), "apple");
  EXPECT_EQ(list.Strings(2), "pear");
  list.SortByTitle();
  EXPECT_EQ(list.Strings(2), "pear");
  EXPECT_EQ(list.Objects(0)->Created, 1);  // stable: "apple" came first
  EXPECT_THROW(list.Strings(3), std::out_of_range);
  EXPECT_THROW(list.Delete(-1), std::out_of_range);
}

TEST(CardList, IndexOfStaysRightThroughEdits) {
  // A long list uses its title index; every edit must leave IndexOf equal to
  // a plain search.
  TCrdList list;
  QRandomGenerator rng(7);
  auto title = [&] { return QStringLiteral("%1Title %2").arg(rng.bounded(2) ? "" : "x").arg(rng.bounded(40)); };
  auto naive = [&](const QString &t) {
    for (int i = 0; i < list.Count(); ++i)
      if (list.Strings(i).compare(t, Qt::CaseInsensitive) == 0) return i;
    return -1;
  };
  for (int i = 0; i < 150; ++i) {
    auto c = NewCrd();
    c->Title = title();
    list.AddCrd(c);
  }
  for (int step = 0; step < 2000; ++step) {
    const QString probe = rng.bounded(2) ? title() : title().toUpper();
    ASSERT_EQ(list.IndexOf(probe), naive(probe)) << "step " << step;
    switch (rng.bounded(6)) {
    case 0: case 1: {
      auto c = NewCrd();
      c->Title = title();
      list.AddCrd(c);
      break;
    }
    case 2: case 3:
      if (list.Count() > 80) list.Delete(int(rng.bounded(list.Count())));
      break;
    case 4: list.SetString(int(rng.bounded(list.Count())), title()); break;
    case 5: list.Exchange(int(rng.bounded(list.Count())), int(rng.bounded(list.Count()))); break;
    }
  }
}

namespace {

// Merge fixture: the list holds "Apple", "Pear", "apple" (phones old1..old3);
// the incoming card "APPLE" (phone "new") comes with a binary body in a body
// file of its own.
class MergeTest : public CardStoreTest {
protected:
  void SetUp() override {
    CardStoreTest::SetUp();
    list.Clear();
    source.setPath(dir + "/source.~h");
    source.reset();
    qint32 adr, siz;
    source.append("padding", adr, siz);
    list.AddCrd(existing("Apple", "old1"));
    list.AddCrd(existing("Pear", "old2"));
    list.AddCrd(existing("apple", "old3"));
  }
  TCrdPtr existing(const QString &title, const QString &phone) {
    auto c = card(title, "body of " + phone.toLatin1());
    c->Phone = phone;
    return c;
  }
  TCrdPtr incoming(TDateTime lastOpen) {
    auto c = NewCrd();
    c->Title = "APPLE";
    c->Phone = "new";
    c->LastOpen = lastOpen;
    AppendBody(*c, source, kBinary);
    return c;
  }
  QStringList phones() const {
    QStringList out;
    for (int i = 0; i < list.Count(); ++i) out << list.Objects(i)->Phone;
    return out;
  }
  const QByteArray kBinary = QByteArray("{\\rtf1 \\bin4 \r\n\0\r}\n\r\n", 20);
  TBodyFile source;
  TCrdList list;
};

} // namespace

TEST_F(MergeTest, MergeModes) {
  struct Case {
    int mode;
    TDateTime existingLastOpen, incomingLastOpen;
    QStringList expected;
  } cases[] = {
      {-1, 0, 0, {"old1", "old2", "old3", "new"}},
      {3, 0, 0, {"old1", "old2", "old3", "new"}},
      {1, 0, 0, {"old2", "old3", "new"}},
      {2, 0, 0, {"old1", "old2", "old3"}},
      {0, 5, 4, {"old1", "old2", "old3"}},
      {0, 5, 5, {"old2", "old3", "new"}},
      {0, 5, 6, {"old2", "old3", "new"}},
      {0, 0, 0, {"old2", "old3", "new"}},
      {0, 5, 0, {"old1", "old2", "old3"}},
  };
  for (const Case &c : cases) {
    TearDown();
    SetUp();
    list.Objects(0)->LastOpen = c.existingLastOpen;
    TCrdPtr in = incoming(c.incomingLastOpen);
    MergeCard(list, in, source, c.mode);
    EXPECT_EQ(phones(), c.expected) << "mode " << c.mode << " " << c.existingLastOpen << "/" << c.incomingLastOpen;
    if (c.expected.last() == "new") {
      // The body went over byte for byte into the current body file.
      EXPECT_EQ(list.Objects(list.Count() - 1), in.get());
      EXPECT_EQ(in->SIZ, kBinary.size());
      EXPECT_EQ(in->BodyBytes(), kBinary);
    }
  }
}

TEST_F(MergeTest, NoMatchAddsThenTheRulesApply) {
  for (int mode : {0, 1, 2}) {
    auto in = incoming(0);
    in->Title = "Plum";
    MergeCard(list, in, source, mode);
  }
  // The first "Plum" was added, then mode 1 replaced it, then mode 2 skipped.
  EXPECT_EQ(phones(), (QStringList{"old1", "old2", "old3", "new"}));
  EXPECT_EQ(list.Count(), 4);
}

TEST_F(MergeTest, BrokenIncomingBodyChangesNothing) {
  auto in = incoming(9);
  in->ADR = 5000;
  EXPECT_THROW(MergeCard(list, in, source, 1), ECardError);
  EXPECT_EQ(phones(), (QStringList{"old1", "old2", "old3"}));
}

TEST_F(CardStoreTest, FilteredCardsOutliveReleasedRecords) {
  AllCards.AddCrd(card("one", "1"));
  AllCards.AddCrd(card("two", "2"));
  AllCards.AddCrd(card("three", "3"));
  FilteredCards = AllCards;
  TBodyFile source(dir + "/src.~h");
  source.reset();
  auto in = NewCrd();
  in->Title = "TWO";
  AppendBody(*in, source, "new two");
  MergeCard(AllCards, in, source, MergeOverwrite);
  AllCards.Delete(0);
  // Until the filtered list is rebuilt it still reaches the released records.
  EXPECT_EQ(FilteredCards.Objects(0)->Title, "one");
  EXPECT_EQ(FilteredCards.Objects(1)->Title, "two");
  ClearCards(AllCards);
  EXPECT_EQ(AllCards.Count(), 0);
  EXPECT_FALSE(CurrentBodyFile().exists());
  EXPECT_EQ(FilteredCards.Objects(2)->Title, "three");
  // Their bodies went with the body file: a clear error, not a crash.
  EXPECT_THROW(FilteredCards.Objects(2)->BodyBytes(), ECardError);
}

TEST_F(MergeTest, ManyMergesMatchAPlainModel) {
  // A long list (title index and lazy removal at work) against a plain model
  // of the merge rule.
  struct Ref {
    QString title;
    double lastOpen;
    QString tag;
  };
  std::vector<Ref> model;
  QRandomGenerator rng(11);
  list.Clear();
  auto title = [&] { return QStringLiteral("%1card %2").arg(rng.bounded(2) ? "" : "A").arg(rng.bounded(60)); };
  for (int i = 0; i < 100; ++i) {
    auto c = NewCrd();
    c->Title = title();
    c->LastOpen = rng.bounded(5);
    c->Phone = QString::number(i);
    c->SIZ = 0;
    list.AddCrd(c);
    model.push_back({c->Title, c->LastOpen, c->Phone});
  }
  TCrdList holder;  // shares the list's items now and then, as the filter does
  for (int step = 0; step < 400; ++step) {
    // Between merges the list is shared (a refilter), held or let go again,
    // and a card is deleted now and then: the title index must follow.
    if (step % 7 == 0) holder.AssignShared(list.SharedBlock());
    if (step % 11 == 0) holder.Clear();
    if (step % 13 == 0 && list.Count() > 0) {
      const int at = int(rng.bounded(list.Count()));
      list.Delete(at);
      model.erase(model.begin() + at);
    }
    auto in = incoming(rng.bounded(5));
    in->Title = rng.bounded(2) ? title() : title().toLower();
    in->Phone = QStringLiteral("in%1").arg(step);
    const int mode = int(rng.bounded(5)) - 1;
    MergeCard(list, in, source, mode);

    auto found = std::find_if(model.begin(), model.end(),
                              [&](const Ref &r) { return r.title.compare(in->Title, Qt::CaseInsensitive) == 0; });
    const Ref added{in->Title, in->LastOpen, in->Phone};
    if (mode < 0 || mode == 3 || found == model.end()) {
      model.push_back(added);
    } else if (mode == 1 || (mode == 0 && !(found->lastOpen > in->LastOpen))) {
      model.erase(found);
      model.push_back(added);
    }
    if (step % 50 == 0 || step == 399) {
      ASSERT_EQ(list.Count(), int(model.size())) << "step " << step;
      for (int i = 0; i < list.Count(); ++i) {
        ASSERT_EQ(list.Objects(i)->Phone, model[size_t(i)].tag) << "step " << step << " index " << i;
        ASSERT_EQ(list.Strings(i), model[size_t(i)].title);
      }
      const QString probe = title();
      auto first = std::find_if(model.begin(), model.end(),
                                [&](const Ref &r) { return r.title.compare(probe, Qt::CaseInsensitive) == 0; });
      EXPECT_EQ(list.IndexOf(probe), first == model.end() ? -1 : int(first - model.begin()));
    }
  }
}
