// The editor's object commands: Paste Special (our dialog, the clipboard's
// formats, one paste step), Object Properties, Insert Object, and FindText's
// range rules.

#include "richedit/rerichedit.h"

#include "platform/richedit/textprops.h"
#include "platform/uiservices.h"
#include "tests/support/scriptedui.h"

#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QClipboard>
#include <QDialog>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFragment>
#include <QTextImageFormat>
#include <gtest/gtest.h>

#include <climits>

using namespace qel;
using test::Answer;
using test::ScriptedUi;

namespace {

QByteArray pngHex() {
  QImage img(2, 2, QImage::Format_RGB32);
  img.fill(Qt::blue);
  QByteArray png;
  QBuffer buf(&png);
  buf.open(QIODevice::WriteOnly);
  img.save(&buf, "PNG");
  return png.toHex();
}

// An object in the style of the Windows control: class, size, data and the
// result picture.
const QByteArray kObjectGroup = "{\\object\\objemb{\\*\\objclass Paint.Picture}\\objw2000\\objh1000{\\*\\objdata "
                                "0105000002000000090000005061696e742e5069637475726500}{\\result{\\pict\\pngblip\\picw2\\pich2 " +
                                pngHex() + "}}}";

QByteArray rtfWithObject() {
  return "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fswiss\\fcharset0 Arial;}}\\pard\\f0\\fs20 Objekt: " + kObjectGroup +
         " end\\par}";
}

void setClipboard(QMimeData *data) { QApplication::clipboard()->setMimeData(data); }

QStringList offeredIn(QDialog &d) {
  QStringList out;
  auto *list = d.findChild<QListWidget *>(QStringLiteral("lb_PasteAs"));
  if (!list) return out;
  for (int i = 0; i < list->count(); ++i) out << list->item(i)->text();
  return out;
}

std::vector<QTextCharFormat> imageFormats(const QTextDocument &doc) {
  std::vector<QTextCharFormat> out;
  for (QTextBlock b = doc.begin(); b.isValid(); b = b.next())
    for (auto it = b.begin(); !it.atEnd(); ++it)
      if (it.fragment().charFormat().isImageFormat()) out.push_back(it.fragment().charFormat());
  return out;
}

// The position of the first embedded object (pictures are passed over).
int objectPosition(TReRichEdit &e) {
  for (QTextBlock b = e.document()->begin(); b.isValid(); b = b.next())
    for (auto it = b.begin(); !it.atEnd(); ++it)
      if (it.fragment().charFormat().hasProperty(re::ObjRawGroup)) return it.fragment().position();
  return -1;
}

} // namespace

// A table of clipboard contents and the entry chosen: the entries offered, in
// order, and what the document holds afterwards; each paste is one undo step
// of kind paste.
TEST(ReObjects, PasteSpecialOffersTheClipboardsFormatsAndPastesTheChosenOne) {
  QImage image(3, 2, QImage::Format_RGB32);
  image.fill(Qt::red);
  enum class Clip { RtfWithObject, Rtf, Text, Image };
  auto fill = [&](Clip c) {
    auto *m = new QMimeData;
    switch (c) {
    case Clip::RtfWithObject:
      m->setData(QStringLiteral("text/rtf"), rtfWithObject());
      m->setText(QStringLiteral("Objekt:  end"));
      break;
    case Clip::Rtf: m->setData(QStringLiteral("text/rtf"), "{\\rtf1\\ansi {\\b bold} plain}"); break;
    case Clip::Text: m->setText(QStringLiteral("just text")); break;
    case Clip::Image: m->setImageData(image); break;
    }
    setClipboard(m);
  };
  const QStringList rtfEntries{QStringLiteral("Rich Text Format"), QStringLiteral("Rich Text Format Without Objects")};
  struct Case {
    const char *name;
    Clip clip;
    QStringList offered;
    int choose;
    QString text;  // the document's text afterwards ("|" before the pasted part)
    int images;
    bool bold;
  };
  const Case cases[] = {
      {"RTF with an object, as RTF", Clip::RtfWithObject, rtfEntries + QStringList{QStringLiteral("Unformatted text")}, 0,
       QStringLiteral("|Objekt: \uFFFC end"), 1, false},
      {"RTF with an object, without objects", Clip::RtfWithObject,
       rtfEntries + QStringList{QStringLiteral("Unformatted text")}, 1, QStringLiteral("|Objekt:  end"), 0, false},
      {"RTF with an object, as text", Clip::RtfWithObject, rtfEntries + QStringList{QStringLiteral("Unformatted text")}, 2,
       QStringLiteral("|Objekt:  end"), 0, false},
      {"RTF", Clip::Rtf, rtfEntries, 0, QStringLiteral("|bold plain"), 0, true},
      {"text", Clip::Text, {QStringLiteral("Unformatted text")}, 0, QStringLiteral("|just text"), 0, false},
      {"image", Clip::Image, {QStringLiteral("Windows Bitmap")}, 0, QStringLiteral("|\uFFFC"), 1, false},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    TReRichEdit e;
    e.setText(QStringLiteral("|"));
    e.setSel(1, 1);
    fill(c.clip);
    ScriptedUi ui;
    QStringList offered;
    QString result;
    ui.answer(Answer::dialog(QDialog::Accepted, [&](QDialog &d) {
      offered = offeredIn(d);
      d.findChild<QListWidget *>(QStringLiteral("lb_PasteAs"))->setCurrentRow(c.choose);
      result = d.findChild<QLabel *>(QStringLiteral("lbl_Result"))->text();
    }));
    ASSERT_TRUE(e.PasteSpecialDialog());
    ASSERT_EQ(ui.prompts().size(), 1u);
    EXPECT_EQ(ui.prompts()[0].caption, QStringLiteral("Paste Special"));
    EXPECT_EQ(offered, c.offered);
    EXPECT_FALSE(result.isEmpty());
    QString text = e.document()->toRawText();
    text.chop(0);
    EXPECT_EQ(text.left(text.size() - (text.endsWith(QChar::ParagraphSeparator) ? 1 : 0)), c.text);
    const auto images = imageFormats(*e.document());
    EXPECT_EQ(int(images.size()), c.images);
    if (c.clip == Clip::RtfWithObject && c.images == 1) {
      // The object's group as it stood on the clipboard.
      EXPECT_EQ(images[0].property(re::ObjRawGroup).toByteArray(), kObjectGroup);
      EXPECT_EQ(images[0].property(re::ObjClass).toString(), QStringLiteral("Paint.Picture"));
    }
    if (c.bold) {
      QTextCursor at(e.document());
      at.setPosition(3);
      EXPECT_EQ(at.charFormat().fontWeight(), QFont::Bold);
    }
    // One step of kind paste.
    EXPECT_EQ(e.GetUndoName(), int(re::UID_PASTE));
    e.undo();
    EXPECT_EQ(e.document()->toRawText(), QStringLiteral("|"));
    EXPECT_FALSE(e.canUndo());
  }

  // Cancel pastes nothing; an empty clipboard offers no dialog at all.
  TReRichEdit e;
  fill(Clip::Text);
  {
    ScriptedUi ui;
    ui.answer(Answer::dialog(QDialog::Rejected));
    EXPECT_FALSE(e.PasteSpecialDialog());
    EXPECT_EQ(e.textLength(), 0);
  }
  setClipboard(new QMimeData);
  ScriptedUi ui;
  EXPECT_FALSE(e.PasteSpecialDialog());
  EXPECT_TRUE(ui.prompts().empty());
}

// Object Properties: "<class> Properties" with the class as type and name,
// the size unknown, the location from the title; links show their source
// and cannot be broken; only for exactly one selected object.
TEST(ReObjects, ObjectPropertiesForTheSelectedObject) {
  setApplicationTitle(QStringLiteral("Qel Moravine"));
  // A body written by the Windows control, with an object in it.
  QFile f(QDir::cleanPath(QStringLiteral(QEL_TEST_DATA_DIR "/../../platform_richedit/data/rtfread_wincontrol_1252.rtf")));
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  const QByteArray body = f.readAll();
  struct Case {
    QString title;
    QString location;
  };
  const Case cases[] = {
      {QString(), QStringLiteral("Qel Moravine")},
      {QStringLiteral("   "), QStringLiteral("Qel Moravine")},
      {QStringLiteral("  Groceries "), QStringLiteral("Groceries - Qel Moravine")},
  };
  for (const Case &c : cases) {
    TReRichEdit e;
    ASSERT_TRUE(e.streamIn(body, re::SF_RTF));
    e.SetTitle(c.title);
    const int at = objectPosition(e);
    ASSERT_GE(at, 0);
    e.setSel(at, at + 1);
    ScriptedUi ui;
    QMap<QString, QString> shown;
    bool linkShown = true;
    ui.answer(Answer::dialog(QDialog::Accepted, [&](QDialog &d) {
      for (const char *n : {"lbl_Type", "lbl_Name", "lbl_Size", "lbl_Location"})
        shown[QLatin1String(n)] = d.findChild<QLabel *>(QLatin1String(n))->text();
      linkShown = d.findChild<QPushButton *>(QStringLiteral("b_BreakLink")) != nullptr;
    }));
    EXPECT_TRUE(e.ObjectPropertiesDialog());
    ASSERT_EQ(ui.prompts().size(), 1u);
    EXPECT_EQ(ui.prompts()[0].caption, QStringLiteral("Paint.Picture Properties"));
    EXPECT_EQ(shown["lbl_Type"], QStringLiteral("Paint.Picture"));
    EXPECT_EQ(shown["lbl_Name"], QStringLiteral("Paint.Picture"));
    EXPECT_EQ(shown["lbl_Size"], QStringLiteral("Unknown"));
    EXPECT_EQ(shown["lbl_Location"], c.location);
    EXPECT_FALSE(linkShown);
  }

  // A link: its source, update and source changes disabled, break link refused.
  TReRichEdit e;
  ASSERT_TRUE(e.streamIn("{\\rtf1 x{\\object\\objlink\\objw100\\objh100{\\*\\objname C:\\\\Data\\\\book.xls!Sheet1}"
                         "{\\*\\objdata 0102}}}",
                         re::SF_RTF));
  e.setSel(1, 2);
  ScriptedUi ui;
  QString source;
  std::vector<bool> enabled;
  ui.answer(Answer::dialog(QDialog::Rejected, [&](QDialog &d) {
      source = d.findChild<QLabel *>(QStringLiteral("lbl_LinkSource"))->text();
      for (const char *n : {"b_UpdateNow", "b_OpenSource", "b_ChangeSource"})
        enabled.push_back(d.findChild<QPushButton *>(QLatin1String(n))->isEnabled());
      d.findChild<QPushButton *>(QStringLiteral("b_BreakLink"))->click();
    }))
      .answerButton(IDOK);
  EXPECT_FALSE(e.ObjectPropertiesDialog());  // cancelled
  EXPECT_EQ(source, QStringLiteral("C:\\Data\\book.xls!Sheet1"));
  EXPECT_EQ(enabled, (std::vector<bool>{false, false, false}));
  ASSERT_EQ(ui.prompts().size(), 2u);
  EXPECT_EQ(ui.prompts()[0].caption, QStringLiteral("Object Properties"));
  EXPECT_EQ(ui.prompts()[1].text, QStringLiteral("Break link operation is not supported."));
  EXPECT_EQ(ui.prompts()[1].caption, QStringLiteral("Link Properties"));

  // Not for text, nor for more than one object.
  ui.clear();
  e.setSel(0, 2);
  EXPECT_FALSE(e.ObjectPropertiesDialog());
  e.setSel(0, 0);
  EXPECT_FALSE(e.ObjectPropertiesDialog());
  EXPECT_TRUE(ui.prompts().empty());
}

// The verb menu's Properties item opens the dialog.
TEST(ReObjects, VerbMenuPropertiesOpensTheDialog) {
  TReRichEdit e;
  ASSERT_TRUE(e.streamIn(rtfWithObject(), re::SF_RTF));
  QMenu assigned;
  assigned.addAction(QStringLiteral("Cut"));
  e.SetPopupMenu(&assigned);
  const int at = objectPosition(e);
  e.setSel(at, at + 1);
  QMenu *menu = e.PopupMenu();
  ASSERT_NE(menu, nullptr);
  QAction *properties = nullptr;
  for (QAction *a : menu->actions())
    if (a->text() == QStringLiteral("Paint.Picture Properties")) properties = a;
  ASSERT_NE(properties, nullptr);
  ScriptedUi ui;
  ui.answer(Answer::dialog(QDialog::Accepted));
  properties->trigger();
  ASSERT_EQ(ui.prompts().size(), 1u);
  EXPECT_EQ(ui.prompts()[0].detail, QStringLiteral("ObjectPropertiesDialog"));
}

// No object server exists here: Insert Object asks nothing and inserts nothing.
TEST(ReObjects, InsertObjectAsksNothing) {
  TReRichEdit e;
  e.setText(QStringLiteral("text"));
  ScriptedUi ui;
  EXPECT_FALSE(e.InsertObjectDialog());
  EXPECT_TRUE(ui.prompts().empty());
  EXPECT_EQ(e.textLength(), 4);
}

// FindText's range: start to start + |length|, in 64 bits, clamped to the
// text; a start beyond the text finds nothing.
TEST(ReObjects, FindTextRanges) {
  TReRichEdit e;
  e.setText(QStringLiteral("ab Ab ab"));  // 8 characters
  struct Case {
    const char *name;
    int start;
    int length;
    TRichSearchTypes options;
    int found;
  };
  const Case cases[] = {
      {"whole text", 0, 8, 0, 0},
      {"negative length: the same range", 0, -8, 0, 0},
      {"backward finds the last", 0, 8, stBackward, 6},
      {"backward with a negative length", 0, -8, stBackward, 6},
      {"range ends before the last", 0, 7, stBackward, 3},
      {"from the middle", 1, 7, 0, 3},
      {"match case", 0, 8, stMatchCase, 0},
      {"whole word", 1, 7, stWholeWord, 3},
      {"empty range", 0, 0, 0, -1},
      {"length INT_MIN", 0, INT_MIN, 0, 0},
      {"length INT_MIN backward", 0, INT_MIN, stBackward, 6},
      {"length INT_MAX from the middle", 6, INT_MAX, 0, 6},
      {"large start and length", INT_MAX - 1, INT_MAX, 0, -1},
      {"start at the end", 8, 5, 0, -1},
      {"start beyond the text", 9, 5, 0, -1},
      {"negative start counts from 0", -3, 5, 0, 0},
      {"negative start and INT_MIN", INT_MIN, INT_MIN, 0, 0},
  };
  for (const Case &c : cases) EXPECT_EQ(e.FindText(QStringLiteral("ab"), c.start, c.length, c.options), c.found) << c.name;
}
