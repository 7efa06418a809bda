#pragma once
// The fixture card of the RTF writer tests: every character attribute, a
// charset-238 font, automatic colours, highlight, all alignments, a hanging
// indent, tabs, bullets, a page break, a PNG picture, and Czech, Greek, CJK
// and non-BMP text, built through the control's format records.

#include "platform/richedit/formatrecords.h"
#include "platform/richedit/textprops.h"
#include "platform/richedit/units.h"

#include <QBuffer>
#include <QFont>
#include <QImage>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextImageFormat>
#include <QUrl>

#include <functional>
#include <memory>

namespace qel::test {

inline QByteArray fixturePng() {
  QImage img(4, 3, QImage::Format_RGB32);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 4; ++x)
      img.setPixel(x, y, qRgb(60 * x, 80 * y, 200));
  QByteArray png;
  QBuffer buf(&png);
  buf.open(QIODevice::WriteOnly);
  img.save(&buf, "PNG");
  return png;
}

// Builds documents the way the control holds them.
class DocBuilder {
public:
  explicit DocBuilder(QTextDocument &doc) : doc_(doc), cursor_(&doc) {
    doc.setDefaultFont(QFont(QStringLiteral("Arial"), 12));
    base_.mask = re::CFM_ALL2;
    base_.effects = re::CFE_AUTOCOLOR | re::CFE_AUTOBACKCOLOR;
    base_.yHeight = 240;
    base_.szFaceName = QStringLiteral("Arial");
    base_.wWeight = 400;
  }

  re::CharFormat base() const { return base_; }

  // Text in the base format changed by `change`.
  DocBuilder &text(const QString &s, const std::function<void(re::CharFormat &)> &change = {}) {
    re::CharFormat r = base_;
    if (change) change(r);
    QTextCharFormat f;
    re::applyCharFormat(r, f);
    cursor_.insertText(s, f);
    return *this;
  }

  // Starts the next paragraph (the first call formats the first one).
  DocBuilder &para(const std::function<void(re::ParaFormat &)> &change = {},
                   const std::function<void(QTextBlockFormat &)> &extra = {}) {
    re::ParaFormat p;
    p.mask = re::PFM_ALL2;
    p.wAlignment = re::PFA_LEFT;
    if (change) change(p);
    QTextBlockFormat bf;
    re::applyParaFormat(p, bf);
    if (extra) extra(bf);
    QTextCharFormat mark;
    re::applyCharFormat(base_, mark);
    if (first_) {
      cursor_.setBlockFormat(bf);
      cursor_.setBlockCharFormat(mark);
      first_ = false;
    } else {
      cursor_.insertBlock(bf, mark);
    }
    return *this;
  }

  DocBuilder &picture(const QByteArray &png, int pixelsW, int pixelsH) {
    const QString name = QStringLiteral("qel-image:%1").arg(++images_);
    doc_.addResource(QTextDocument::ImageResource, QUrl(name), QImage::fromData(png));
    // A picture has the character format of the text around it, as read.
    QTextImageFormat f;
    re::applyCharFormat(base_, f);
    f.setName(name);
    f.setWidth(pixelsW);
    f.setHeight(pixelsH);
    f.setProperty(re::PicBlip, png);
    f.setProperty(re::PicBlipType, int(re::PicPng));
    f.setProperty(re::PicWidth, pixelsW);
    f.setProperty(re::PicHeight, pixelsH);
    f.setProperty(re::PicGoalWidthTwips, pixelsW * re::kTwipsPerUnit);
    f.setProperty(re::PicGoalHeightTwips, pixelsH * re::kTwipsPerUnit);
    cursor_.insertImage(f);
    return *this;
  }

  DocBuilder &object(const QByteArray &rawGroup) {
    const QString name = QStringLiteral("qel-image:%1").arg(++images_);
    QImage img(2, 2, QImage::Format_RGB32);
    img.fill(Qt::gray);
    doc_.addResource(QTextDocument::ImageResource, QUrl(name), img);
    QTextImageFormat f;
    re::applyCharFormat(base_, f);
    f.setName(name);
    f.setWidth(2);
    f.setHeight(2);
    f.setProperty(re::ObjRawGroup, rawGroup);
    cursor_.insertImage(f);
    return *this;
  }

private:
  QTextDocument &doc_;
  QTextCursor cursor_;
  re::CharFormat base_;
  bool first_ = true;
  int images_ = 0;
};

inline void bulletPara(re::ParaFormat &p) {
  p.wNumbering = re::PFN_BULLET;
  p.dxStartIndent = 0;
  p.dxOffset = 360;
}

// The full fixture card. Its plain text is `fixtureText()`.
inline void buildFixture(QTextDocument &doc) {
  using namespace re;
  DocBuilder b(doc);
  b.para()
      .text(QStringLiteral("Plain "))
      .text(QStringLiteral("bold"), [](CharFormat &r) { r.effects |= CFE_BOLD; r.wWeight = 700; })
      .text(QStringLiteral(" "))
      .text(QStringLiteral("italic"), [](CharFormat &r) { r.effects |= CFE_ITALIC; })
      .text(QStringLiteral(" "))
      .text(QStringLiteral("underline"), [](CharFormat &r) { r.effects |= CFE_UNDERLINE; r.bUnderlineType = CFU_UNDERLINE; })
      .text(QStringLiteral(" "))
      .text(QStringLiteral("double"), [](CharFormat &r) { r.effects |= CFE_UNDERLINE; r.bUnderlineType = CFU_UNDERLINEDOUBLE; })
      .text(QStringLiteral(" "))
      .text(QStringLiteral("strike"), [](CharFormat &r) { r.effects |= CFE_STRIKEOUT; })
      .text(QStringLiteral(" x"))
      .text(QStringLiteral("2"), [](CharFormat &r) { r.effects |= CFE_SUPERSCRIPT; })
      .text(QStringLiteral(" H"))
      .text(QStringLiteral("2"), [](CharFormat &r) { r.effects |= CFE_SUBSCRIPT; })
      .text(QStringLiteral("O "))
      .text(QStringLiteral("raised"), [](CharFormat &r) { r.yOffset = 60; })
      .text(QStringLiteral(" "))
      .text(QStringLiteral("protected"), [](CharFormat &r) { r.effects |= CFE_PROTECTED; })
      .text(QStringLiteral(" "))
      .text(QStringLiteral("red"), [](CharFormat &r) { r.effects &= ~CFE_AUTOCOLOR; r.crTextColor = 0x0000FF; })
      .text(QStringLiteral(" "))
      .text(QStringLiteral("highlight"), [](CharFormat &r) { r.effects &= ~CFE_AUTOBACKCOLOR; r.crBackColor = 0x00FFFF; })
      .text(QStringLiteral(" "))
      .text(QStringLiteral("Courier"), [](CharFormat &r) { r.szFaceName = QStringLiteral("Courier New"); r.bPitchAndFamily = 0x31; r.yHeight = 200; })
      .text(QStringLiteral(" {braces} back\\slash"));
  b.para([](ParaFormat &p) { p.wAlignment = PFA_CENTER; }).text(QStringLiteral("Centred"));
  b.para([](ParaFormat &p) { p.wAlignment = PFA_RIGHT; }).text(QStringLiteral("Right"));
  b.para([](ParaFormat &p) { p.wAlignment = PFA_JUSTIFY; }).text(QStringLiteral("Justified"));
  b.para([](ParaFormat &p) { p.dxStartIndent = 0; p.dxOffset = 720; p.dxRightIndent = 360; p.dySpaceBefore = 120; p.dySpaceAfter = 60; })
      .text(QStringLiteral("Hanging indent"));
  b.para([](ParaFormat &p) {
     p.cTabCount = 3;
     p.rgxTabs[0] = makeTab(1440);
     p.rgxTabs[1] = makeTab(2880, 1);
     p.rgxTabs[2] = makeTab(4320, 2, 1);
   }).text(QStringLiteral("One\tTwo\tThree"));
  b.para(bulletPara).text(QStringLiteral("First bullet"));
  b.para(bulletPara).text(QStringLiteral("Second bullet"));
  // A page break as our reader keeps it: the paragraph after it breaks the page.
  b.para().text(QStringLiteral("Before break"));
  b.para([](ParaFormat &p) { p.wEffects = PFE_PAGEBREAKBEFORE; }).text(QStringLiteral("After break"));
  b.para().text(QStringLiteral("P\u0159\u00edli\u0161 \u017elu\u0165ou\u010dk\u00fd k\u016f\u0148"),
                [](CharFormat &r) { r.szFaceName = QStringLiteral("Arial CE"); r.bCharSet = 238; });
  b.para().text(QStringLiteral("\u039a\u03b1\u03bb\u03b7\u03bc\u03ad\u03c1\u03b1 \u4f60\u597d\u4e16\u754c \U0001F600\U0001D11E"));
  b.para([](ParaFormat &p) { p.wAlignment = PFA_CENTER; }).picture(fixturePng(), 4, 3);
  b.para().text(QStringLiteral("End"));
}

inline QString fixtureText() {
  return QStringLiteral(
      "Plain bold italic underline double strike x2 H2O raised protected red highlight Courier {braces} back\\slash\n"
      "Centred\nRight\nJustified\nHanging indent\nOne\tTwo\tThree\nFirst bullet\nSecond bullet\n"
      "Before break\nAfter break\n"
      "P\u0159\u00edli\u0161 \u017elu\u0165ou\u010dk\u00fd k\u016f\u0148\n"
      "\u039a\u03b1\u03bb\u03b7\u03bc\u03ad\u03c1\u03b1 \u4f60\u597d\u4e16\u754c \U0001F600\U0001D11E\n"
      "\uFFFC\nEnd");
}

} // namespace qel::test
