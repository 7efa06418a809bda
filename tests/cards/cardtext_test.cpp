#include "cards/cardtext.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <utility>

using namespace qel;

// Every text reads back as it was assigned, whichever form holds it, and
// through copies, moves and reassignment between the forms.
TEST(CardText, EveryFormReadsBackUnchanged) {
  const QString cases[] = {
      QString(),
      QStringLiteral("a"),
      QStringLiteral("fifteen chars!!"),                        // the longest inline Latin-1 text
      QStringLiteral("sixteen chars!!!"),                       // one more: a string
      QString::fromUtf8("caf\u00e9 \u00ff"),                    // Latin-1 beyond ASCII
      QStringLiteral("45000-000999999996565748"),               // an identifier made from a stamp
      QStringLiteral("+1 (555) 0199-12.34"),                    // a phone number
      QStringLiteral("012345678901234567890123456789"),         // 30 digits: the longest packed
      QStringLiteral("0123456789012345678901234567890"),        // 31: a string
      QString::fromUtf8("\u2116 5"),                            // beyond Latin-1: a string
      QStringLiteral("45000-1E-5 with letters and more"),
      QString(QChar(0)) + QStringLiteral("nul inside"),
  };
  for (const QString &text : cases) {
    SCOPED_TRACE(text.toStdString());
    TCardText field(text);
    EXPECT_EQ(field.toString(), text);
    EXPECT_EQ(QString(field).isNull() && !text.isNull(), false);
    EXPECT_EQ(field.size(), text.size());
    EXPECT_EQ(field.isEmpty(), text.isEmpty());
    EXPECT_TRUE(field == text);
    TCardText copy(field);
    EXPECT_TRUE(copy == field);
    TCardText moved(std::move(copy));
    EXPECT_EQ(moved.toString(), text);
    EXPECT_TRUE(copy.isEmpty());
    for (const QString &other : cases) {
      TCardText x(other);
      EXPECT_EQ(x == field, other == text) << other.toStdString();
      x = field;  // over every other form
      EXPECT_EQ(x.toString(), text);
      x = other;
      EXPECT_EQ(x.toString(), other);
    }
    // Bytes of plain ASCII give the very same field; others are refused and change nothing.
    const QByteArray bytes = text.toUtf8();
    TCardText fromBytes(QStringLiteral("kept"));
    const bool ascii = std::all_of(bytes.begin(), bytes.end(), [](char c) { return quint8(c) < 0x80; });
    EXPECT_EQ(fromBytes.assignAscii(bytes.constData(), bytes.size()), ascii);
    EXPECT_TRUE(ascii ? fromBytes == field : fromBytes == QStringLiteral("kept"));
    field.clear();
    EXPECT_TRUE(field.isEmpty());
    EXPECT_TRUE(field == QString());
  }
}

TEST(CardText, SelfAssignmentKeepsTheText) {
  TCardText field(QStringLiteral("a string too long for the field itself"));
  const TCardText &same = field;
  field = same;
  TCardText &alias = field;
  field = std::move(alias);
  EXPECT_EQ(field.toString(), QStringLiteral("a string too long for the field itself"));
}
