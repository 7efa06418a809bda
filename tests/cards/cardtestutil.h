#pragma once
// Shared set-up for the card store tests: each test gets its own current
// file name, so its own body file, and leaves the global lists empty.

#include "cards/bodyfile.h"
#include "cards/crd.h"
#include "tests/support/testenv.h"

#include <QFile>
#include <gtest/gtest.h>

namespace qel::test {

class CardStoreTest : public ::testing::Test {
protected:
  void SetUp() override {
    const auto *info = ::testing::UnitTest::GetInstance()->current_test_info();
    dir = freshDir(QString::fromLatin1(info->test_suite_name()) + "_" + QString::fromLatin1(info->name()));
    CurrentFileName = dir + "/cards.qel";
    ResetBodyFile();
  }
  void TearDown() override {
    FilteredCards.Clear();
    ClearCards(AllCards);
  }
  static QByteArray fileBytes(const QString &path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  }
  static void writeBytes(const QString &path, const QByteArray &bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(f.write(bytes), bytes.size());
  }
  // A card whose index says its body lies at `adr`, `siz` bytes long (for
  // indexes written by hand, whatever the body file holds).
  static void addIndexed(TCrdList &list, const QString &title, qint32 adr, qint32 siz) {
    auto c = NewCrd();
    c->Title = title;
    c->ADR = adr;
    c->SIZ = siz;
    list.AddCrd(c);
  }
  // A card with a title and a body in the current body file.
  static TCrdPtr card(const QString &title, const QByteArray &body, TDateTime lastOpen = 0) {
    auto c = NewCrd();
    c->Title = title;
    c->LastOpen = lastOpen;
    c->StoreBodyBytes(body);
    return c;
  }
  QString dir;
};

} // namespace qel::test
