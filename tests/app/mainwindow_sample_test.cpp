#include "tests/app/mainwindow_fixture.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

using namespace qel;
using namespace qel::test;

// The sample file the build writes from app/sample/sample-cards.txt opens as
// a card file with every card of the source, in the order written there.
TEST_F(MainWindowTest, BundledSampleFileHoldsTheCardsOfItsSource) {
  const QString sample = QStringLiteral(QEL_PROGRAM_DIR) + QStringLiteral("/sample.qel");
  const QString sourcePath =
      QDir::cleanPath(QStringLiteral(QEL_TEST_DATA_DIR) + QStringLiteral("/../../../app/sample/sample-cards.txt"));
  if (!QFileInfo::exists(sample)) GTEST_SKIP() << "sample file not built";
  QFile source(sourcePath);
  ASSERT_TRUE(source.open(QIODevice::ReadOnly | QIODevice::Text));
  QStringList titles;
  for (const QByteArray &line : source.readAll().split('\n'))
    if (line.startsWith("== ")) titles << QString::fromUtf8(line.mid(3)).trimmed();
  ASSERT_GE(titles.size(), 10);

  const QString copy = dir + QStringLiteral("/sample.qel");
  ASSERT_TRUE(QFile::copy(sample, copy));
  start({copy});
  ASSERT_EQ(AllCards.Count(), titles.size());
  // Creation order is the order of the source.
  TCrdList byCreation = AllCards;
  byCreation.SortByCreated();
  for (int i = 0; i < titles.size(); ++i) {
    SCOPED_TRACE(titles.at(i).toStdString());
    EXPECT_EQ(byCreation.Strings(i), titles.at(i));
    const QByteArray body = byCreation.Objects(i)->BodyText();
    EXPECT_TRUE(body.startsWith("{\\rtf1")) << body.left(40).constData();
    re::RichEditControl reader;
    ASSERT_TRUE(reader.streamIn(body, re::SF_RTF));
    EXPECT_FALSE(reader.text().contains(QStringLiteral("**"))) << "markup left in the text";
    EXPECT_GT(reader.text().size(), 40);
  }
  const int phone = AllCards.IndexOf(QStringLiteral("Phone numbers and dialling"));
  ASSERT_GE(phone, 0);
  EXPECT_EQ(AllCards.Objects(phone)->Phone, QStringLiteral("555 0199"));
  const int colours = AllCards.IndexOf(QStringLiteral("Card colours"));
  ASSERT_GE(colours, 0);
  EXPECT_EQ(AllCards.Objects(colours)->Color, 0xFFF0E0);  // #E0F0FF as 0x00BBGGRR
  EXPECT_TRUE(ui.prompts().empty());
}
