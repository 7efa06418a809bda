// The editor's object commands: Paste Special, Insert Object and Object
// Properties. Objects are kept as the RTF group they came in and shown by
// their result picture; nothing here runs an object.

#include "richedit/externalfiles.h"
#include "richedit/objectdialogs.h"
#include "richedit/rerichedit.h"

#include "platform/richedit/rtfreader.h"
#include "platform/richedit/rtfwriter.h"
#include "platform/richedit/textprops.h"
#include "platform/uiservices.h"

#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <QTextDocument>
#include <QTextImageFormat>

namespace qel {

namespace {

// The entries Paste Special can offer, in the order it offers them. Pasting
// an "Embedded Object" or a "Link Source" needs an object server to make the
// object, so those two are never offered.
enum class PasteAs { Rtf, RtfWithoutObjects, Text, Bitmap };
struct PasteEntry {
  PasteAs as;
  const char *name;
  const char *result;
};
const PasteEntry kPasteEntries[] = {
    {PasteAs::Rtf, "Rich Text Format", "Rich Text Format"},
    {PasteAs::RtfWithoutObjects, "Rich Text Format Without Objects", "Rich Text Format Without Objects"},
    {PasteAs::Text, "Unformatted text", "text without any formatting"},
    {PasteAs::Bitmap, "Windows Bitmap", "bitmap image"},
};

QByteArray clipboardRtf(const QMimeData &m) {
  for (const QString &type : {QStringLiteral("text/rtf"), QStringLiteral("application/rtf")})
    if (m.hasFormat(type)) return m.data(type);
  return QByteArray();
}

bool offers(PasteAs as, const QMimeData &m, bool plainMode) {
  switch (as) {
  case PasteAs::Rtf:
  case PasteAs::RtfWithoutObjects: return !plainMode && re::isRtf(clipboardRtf(m).trimmed());
  case PasteAs::Text: return m.hasText();
  case PasteAs::Bitmap: return !plainMode && HasPicture(m);
  }
  return false;
}

// The clipboard's data in the one format chosen.
void fillChosen(PasteAs as, const QMimeData &from, QMimeData &to) {
  switch (as) {
  case PasteAs::Rtf: to.setData(QStringLiteral("text/rtf"), clipboardRtf(from)); break;
  case PasteAs::RtfWithoutObjects: {
    QTextDocument doc;
    re::RtfWriteOptions options;
    options.withoutObjects = true;
    if (re::readRtf(clipboardRtf(from).trimmed(), &doc)) to.setData(QStringLiteral("text/rtf"), re::writeRtf(doc, options));
    break;
  }
  case PasteAs::Text: to.setText(from.text()); break;
  case PasteAs::Bitmap: to.setImageData(LoadPictureFromMimeData(from)); break;
  }
}

// "\word" in RTF bytes, not as the start of a longer word.
bool hasControlWord(const QByteArray &rtf, const char *word) {
  const QByteArray w = QByteArray("\\") + word;
  for (qsizetype at = rtf.indexOf(w); at >= 0; at = rtf.indexOf(w, at + 1)) {
    const qsizetype after = at + w.size();
    if (after >= rtf.size() || !std::isalpha(static_cast<unsigned char>(rtf.at(after)))) return true;
  }
  return false;
}

// The text of a "{\*\objname ...}" destination, which names a link's source.
QString objectNameOf(const QByteArray &rtf) {
  const qsizetype at = rtf.indexOf("\\objname");
  if (at < 0) return QString();
  qsizetype start = at + 8;
  if (start < rtf.size() && rtf.at(start) == ' ') ++start;
  const qsizetype end = rtf.indexOf('}', start);
  if (end < 0) return QString();
  QString name = QString::fromLatin1(rtf.mid(start, std::min<qsizetype>(end - start, 1024)));
  name.replace(QStringLiteral("\\\\"), QStringLiteral("\\"));
  return name.trimmed();
}

} // namespace

// Pasted and dropped pictures come through the one picture loader, which
// reads "image/gif" itself before the image Qt offers.
bool TReCustomRichEdit::mimeHasPicture(const QMimeData &source) const { return HasPicture(source); }
QImage TReCustomRichEdit::pictureFromMimeData(const QMimeData &source) const { return LoadPictureFromMimeData(source); }

QString TReCustomRichEdit::ObjectTypeName(const QTextCharFormat &format) {
  const QString cls = format.property(re::ObjClass).toString();
  if (!cls.isEmpty()) return cls;
  return format.hasProperty(re::ObjRawGroup) ? QStringLiteral("Object") : QStringLiteral("Picture");
}

bool TReCustomRichEdit::InsertObjectDialog() {
  // Making an object needs an object server; none exists on this system.
  return false;
}

bool TReCustomRichEdit::PasteSpecialDialog() {
  if (!CanPaste() || isReadOnly()) return false;
  const QMimeData *clip = QApplication::clipboard()->mimeData();
  if (!clip) return false;
  std::vector<const PasteEntry *> offered;
  QStringList names, results;
  for (const PasteEntry &e : kPasteEntries) {
    if (!offers(e.as, *clip, plainTextMode())) continue;
    offered.push_back(&e);
    names << QLatin1String(e.name);
    results << QLatin1String(e.result);
  }
  if (offered.empty()) return false;
  TPasteSpecialDlg dialog(this, names, results);
  if (ui().execDialog(dialog) != QDialog::Accepted) return false;
  const int chosen = dialog.SelectedIndex();
  if (chosen < 0 || chosen >= int(offered.size())) return false;
  // The dialog may have been up a while: take the clipboard as it is now.
  const QMimeData *now = QApplication::clipboard()->mimeData();
  if (!now || !offers(offered[size_t(chosen)]->as, *now, plainTextMode())) return false;
  QMimeData data;
  fillChosen(offered[size_t(chosen)]->as, *now, data);
  {
    UndoKindScope kind(*this, re::UID_PASTE);
    insertFromMimeData(&data);
  }
  scrollCaret();
  return true;
}

bool TReCustomRichEdit::ObjectPropertiesDialog() {
  if (selectionType() != re::SEL_OBJECT) return false;
  int s = 0, e = 0;
  getSel(s, e);
  QTextCursor c(document());
  c.setPosition(e);
  const QTextCharFormat f = c.charFormat();
  if (!f.isImageFormat()) return false;
  ObjectInfo info;
  info.typeName = ObjectTypeName(f);
  const QString title = Title().trimmed();
  info.location = title.isEmpty() ? applicationTitle() : QStringLiteral("%1 - %2").arg(title, applicationTitle());
  const QByteArray group = f.property(re::ObjRawGroup).toByteArray();
  info.isLink = hasControlWord(group, "objlink");
  if (info.isLink) info.linkSource = objectNameOf(group);
  TObjectPropertiesDlg dialog(this, info);
  return ui().execDialog(dialog) == QDialog::Accepted;
}

} // namespace qel
