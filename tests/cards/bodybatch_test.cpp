#include "cardtestutil.h"

#include "cards/carderror.h"

#include <QFile>

using namespace qel;
using qel::test::CardStoreTest;

TEST_F(CardStoreTest, ReaderGivesWhatReadGives) {
  auto a = card("a", "first body");
  auto b = card("b", QByteArray(5 << 20, 'x') + "end");  // larger than one chunk
  auto c = card("c", "third");
  TCrd empty;
  empty.ADR = 1 << 30;  // a size of 0 reads nothing, wherever it points
  empty.SIZ = 0;
  TBodyReader reader(CurrentBodyFile());
  // Out of file order and back again.
  for (TCrd *card : {c.get(), a.get(), b.get(), c.get(), &empty, a.get()})
    EXPECT_EQ(reader.read(card->ADR, card->SIZ).toByteArray(), CurrentBodyFile().read(card->ADR, card->SIZ));
  EXPECT_THROW(reader.read(c->ADR, c->SIZ + 1), ECardError);
  EXPECT_THROW(reader.read(-1, 2), ECardError);
  EXPECT_EQ(reader.read(a->ADR, a->SIZ), QByteArrayView("first body"));
}

TEST_F(CardStoreTest, ReaderReadsBodiesAppendedAfterItOpened) {
  auto a = card("a", "first body");
  TBodyReader reader(CurrentBodyFile());
  EXPECT_EQ(reader.read(a->ADR, a->SIZ), QByteArrayView("first body"));
  auto b = card("b", "stored later");
  EXPECT_EQ(reader.read(b->ADR, b->SIZ), QByteArrayView("stored later"));
  EXPECT_THROW(reader.read(b->ADR, b->SIZ + 1), ECardError);
}

TEST_F(CardStoreTest, ReaderOpensOnlyWhenItMustRead) {
  CurrentBodyFile().remove();
  TBodyReader reader(CurrentBodyFile());
  EXPECT_TRUE(reader.read(1, 0).isEmpty());
  EXPECT_THROW(reader.read(0, 1), ECardError);
}

TEST_F(CardStoreTest, BatchAppendsAllBodiesAtOnce) {
  auto a = card("a", "old a");
  auto b = card("b", "old b");
  const qint64 before = CurrentBodyFile().size();
  TBodyBatch batch;
  EXPECT_TRUE(batch.isEmpty());
  batch.data() += "new a";
  batch.endBody(a.get());
  batch.endBody(b.get());  // nothing written: the empty body
  AppendBodies(batch, CurrentBodyFile());
  EXPECT_EQ(a->ADR, before);
  EXPECT_EQ(a->BodyBytes(), "new a");
  EXPECT_EQ(b->BodyBytes(), EmptyBody());
  EXPECT_EQ(b->BodyText(), "");
  EXPECT_EQ(CurrentBodyFile().size(), before + 5 + 3);
}

TEST_F(CardStoreTest, FailedBatchChangesNoCard) {
  auto a = card("a", "old a");
  const qint32 adr = a->ADR, siz = a->SIZ;
  TBodyBatch batch;
  batch.data() += "new a";
  batch.endBody(a.get());
  TBodyFile missing(dir + "/no such folder/body");
  EXPECT_THROW(AppendBodies(batch, missing), ECardError);
  EXPECT_EQ(a->ADR, adr);
  EXPECT_EQ(a->SIZ, siz);
  EXPECT_EQ(a->BodyBytes(), "old a");
}
