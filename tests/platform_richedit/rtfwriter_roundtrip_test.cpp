// Our RTF read back by our reader: the same document, and the same bytes from
// the second save on.

#include "platform/richedit/formatrecords.h"
#include "platform/richedit/rtfreader.h"
#include "platform/richedit/rtfwriter.h"
#include "platform/richedit/textprops.h"
#include "tests/platform_richedit/rtfwriter_fixture.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFragment>

using namespace qel;
using namespace qel::re;

namespace {

QByteArray cycle(const QByteArray &rtf, QTextDocument &into) {
  into.setDefaultFont(QFont(QStringLiteral("Arial"), 12));
  EXPECT_TRUE(readRtf(rtf, &into));
  return writeRtf(into);
}

std::string describe(const CharFormat &r) {
  return QStringLiteral("effects %1 face %2 cs %3 pf %4 h %5 off %6 col %7 back %8 ul %9")
      .arg(r.effects, 0, 16).arg(r.szFaceName).arg(r.bCharSet).arg(r.bPitchAndFamily).arg(r.yHeight)
      .arg(r.yOffset).arg(r.crTextColor, 0, 16).arg(r.crBackColor, 0, 16).arg(r.bUnderlineType).toStdString();
}

// Compares what the control's records see, fragment by fragment.
void expectSameFormatting(const QTextDocument &a, const QTextDocument &b) {
  ASSERT_EQ(a.blockCount(), b.blockCount());
  EXPECT_EQ(documentPlainText(&a), documentPlainText(&b));
  for (QTextBlock x = a.begin(), y = b.begin(); x.isValid() && y.isValid(); x = x.next(), y = y.next()) {
    ParaFormat px = paraFormatFromQt(x.blockFormat());
    ParaFormat py = paraFormatFromQt(y.blockFormat());
    // A bullet has no first number; one read back says 1.
    if (px.wNumbering == PFN_BULLET && px.wNumberingStart == 0) px.wNumberingStart = py.wNumberingStart;
    EXPECT_TRUE(px == py) << "paragraph " << x.blockNumber() << " \"" << x.text().toStdString() << "\": align "
                          << px.wAlignment << "/" << py.wAlignment << " start " << px.dxStartIndent << "/"
                          << py.dxStartIndent << " offset " << px.dxOffset << "/" << py.dxOffset << " numbering "
                          << px.wNumbering << "/" << py.wNumbering << " tabs " << px.cTabCount << "/" << py.cTabCount
                          << " style " << px.wNumberingStyle << "/" << py.wNumberingStyle << " start# "
                          << px.wNumberingStart << "/" << py.wNumberingStart << " effects " << px.wEffects << "/"
                          << py.wEffects;
    for (int pos = 0; pos < x.length() - 1; ++pos) {
      auto fmtAt = [](const QTextBlock &blk, int p) {
        for (auto it = blk.begin(); !it.atEnd(); ++it) {
          const QTextFragment f = it.fragment();
          if (blk.position() + p >= f.position() && blk.position() + p < f.position() + f.length()) return f.charFormat();
        }
        return QTextCharFormat();
      };
      const QTextCharFormat fx = fmtAt(x, pos), fy = fmtAt(y, pos);
      CharFormat rx = charFormatFromQt(fx), ry = charFormatFromQt(fy);
      rx.wWeight = ry.wWeight = 0;  // a weight is kept as bold or not
      if (fx.isImageFormat() && fy.isImageFormat()) {
        // A picture or an object shows no text: its face and size mean nothing.
        rx.szFaceName = ry.szFaceName = QString();
        rx.yHeight = ry.yHeight = 0;
      }
      EXPECT_TRUE(rx == ry) << "block " << x.blockNumber() << " pos " << pos << "\n  " << describe(rx) << "\n  "
                            << describe(ry);
      if (!(rx == ry)) return;
      if (fx.isImageFormat()) {
        ASSERT_TRUE(fy.isImageFormat());
        const QTextImageFormat ix = fx.toImageFormat(), iy = fy.toImageFormat();
        EXPECT_EQ(ix.property(ObjRawGroup).toByteArray(), iy.property(ObjRawGroup).toByteArray());
        if (!ix.hasProperty(ObjRawGroup)) {  // an object is shown by its result picture
          EXPECT_EQ(qRound(ix.width()), qRound(iy.width()));
          EXPECT_EQ(qRound(ix.height()), qRound(iy.height()));
          EXPECT_EQ(ix.property(PicBlip).toByteArray(), iy.property(PicBlip).toByteArray());
        }
      }
    }
  }
}

} // namespace

TEST(RtfWriterRoundTrip, FixtureReloadsWithItsFormattingAndSameBytes) {
  QTextDocument original;
  test::buildFixture(original);
  const QByteArray first = writeRtf(original);
  QTextDocument d1, d2, d3;
  const QByteArray second = cycle(first, d1);
  expectSameFormatting(original, d1);
  const QByteArray third = cycle(second, d2);
  const QByteArray fourth = cycle(third, d3);
  EXPECT_EQ(second, third) << "--- second\n" << second.constData() << "\n--- third\n" << third.constData();
  EXPECT_EQ(third, fourth);
  EXPECT_EQ(first, second) << "--- first\n" << first.constData() << "\n--- second\n" << second.constData();
  EXPECT_EQ(d3.blockCount(), original.blockCount());
  EXPECT_EQ(second.count("{\\pntext"), 2);
}

TEST(RtfWriterRoundTrip, SmallDocumentsKeepParagraphsAndBullets) {
  struct Case {
    const char *name;
    std::function<void(test::DocBuilder &)> build;
  };
  const Case cases[] = {
      {"empty", [](test::DocBuilder &b) { b.para(); }},
      {"one empty line after text", [](test::DocBuilder &b) { b.para().text("a"); b.para(); }},
      {"empty bullet", [](test::DocBuilder &b) { b.para(test::bulletPara); }},
      {"bullet then plain", [](test::DocBuilder &b) { b.para(test::bulletPara).text("x"); b.para().text("y"); }},
      {"object", [](test::DocBuilder &b) {
         b.para().text("o ").object("{\\object\\objemb{\\*\\objclass Package}\\objw10\\objh10{\\*\\objdata 0102}{\\result{\\pict\\pngblip\\picw1\\pich1 " +
                                    test::fixturePng().toHex() + "}}}");
       }},
      {"numbered", [](test::DocBuilder &b) {
         for (const char *t : {"one", "two"})
           b.para([](ParaFormat &p) { p.wNumbering = PFN_ARABIC; p.wNumberingStyle = PFNS_PERIOD; p.wNumberingStart = 1; p.dxOffset = 360; })
               .text(QString::fromLatin1(t));
       }},
      {"numbered, then a paragraph of the list without its number", [](test::DocBuilder &b) {
         b.para([](ParaFormat &p) { p.wNumbering = PFN_UCLETTER; p.wNumberingStyle = PFNS_PAREN; p.wNumberingStart = 3; p.dxOffset = 360; }).text("c");
         b.para([](ParaFormat &p) { p.wNumbering = PFN_UCLETTER; p.wNumberingStyle = PFNS_NONUMBER; p.wNumberingStart = 3; p.dxOffset = 360; }).text("more");
       }},
      {"line spacing and page break before", [](test::DocBuilder &b) {
         b.para([](ParaFormat &p) { p.bLineSpacingRule = 4; p.dyLineSpacing = 300; p.wEffects = PFE_PAGEBREAKBEFORE; }).text("z");
         b.para([](ParaFormat &p) { p.bLineSpacingRule = 1; p.wEffects = PFE_RTLPARA; }).text("w");
       }},
      {"font names in their code pages", [](test::DocBuilder &b) {
         b.para().text("a", [](CharFormat &r) { r.szFaceName = QStringLiteral("\u010cesk\u00e9 p\u00edsmo"); r.bCharSet = 238; });
         b.para().text("b", [](CharFormat &r) { r.szFaceName = QStringLiteral("Cr\u00e8me"); r.bCharSet = 0; r.bPitchAndFamily = 0x22; });
       }},
      {"bullets that differ only in what is not written", [](test::DocBuilder &b) {
         b.para(test::bulletPara, [](QTextBlockFormat &f) { f.setProperty(ParaNumberTextBefore, QStringLiteral("*\t")); }).text("a");
         b.para(test::bulletPara, [](QTextBlockFormat &f) {
            f.setProperty(ParaNumberTextBefore, QStringLiteral("*"));
            f.setProperty(ParaNumberFontSizeTwips, 201);
          }).text("b");
         b.para(test::bulletPara, [](QTextBlockFormat &f) { f.setProperty(ParaNumberTextBefore, QStringLiteral("*")); }).text("c");
       }},
      {"hidden and caps", [](test::DocBuilder &b) {
         b.para().text("h", [](CharFormat &r) { r.effects |= CFE_HIDDEN | CFE_SMALLCAPS; r.lcid = 1029; });
       }},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    QTextDocument original;
    test::DocBuilder b(original);
    c.build(b);
    const QByteArray first = writeRtf(original);
    QTextDocument d1, d2;
    const QByteArray second = cycle(first, d1);
    const QByteArray third = cycle(second, d2);
    EXPECT_EQ(original.blockCount(), d1.blockCount()) << first.constData();
    EXPECT_EQ(original.blockCount(), d2.blockCount());
    EXPECT_EQ(second, third) << "--- second\n" << second.constData() << "\n--- third\n" << third.constData();
    expectSameFormatting(original, d1);
  }
}

// Our reader keeps a page break as a paragraph that breaks the page before
// it: a form feed in the text is split there on the first load, and the
// document stays the same from then on.
TEST(RtfWriterRoundTrip, FormFeedBecomesAPageBreakParagraphOnce) {
  QTextDocument original;
  test::DocBuilder(original).para().text("one\x0Ctwo");
  const QByteArray first = writeRtf(original);
  EXPECT_TRUE(first.contains("one\\page two")) << first.constData();
  QTextDocument d1, d2;
  const QByteArray second = cycle(first, d1);
  const QByteArray third = cycle(second, d2);
  EXPECT_EQ(d1.blockCount(), 2);
  EXPECT_EQ(d2.blockCount(), 2);
  EXPECT_EQ(second, third);
  EXPECT_TRUE(second.contains("\\pard\\pagebb\\plain{\\f0\\fs24 two}")) << second.constData();
}

// Found by fuzz_rtfwrite: an object group holding a nested "{\rtf1 ...}" with
// a lone surrogate half. The half ends inside the object's group, so nothing
// of it reaches the text after the object and the saves settle.
TEST(RtfWriterRoundTrip, ObjectWithNestedDocumentSettles) {
  QFile f(QStringLiteral(QEL_TEST_DATA_DIR "/rtfwrite_object_nested_rtf.rtf"));
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  QTextDocument d0, d1, d2;
  ASSERT_TRUE(readRtf(f.readAll(), &d0));
  const QByteArray second = cycle(writeRtf(d0), d1);
  EXPECT_EQ(cycle(second, d2), second);
}
