// The card editor and its formatting commands: the formatting toolbar and
// its state, the format painter, the insert commands, the whole-card text
// commands, loading a card from a file and saving it to one, and the mouse wheel.

#include "app/formattingbar.h"
#include "app/formattingstate.h"
#include "app/guards.h"
#include "app/tf_main.h"
#include "platform/codepage.h"
#include "platform/datetime.h"
#include "platform/fileutil.h"
#include "platform/uiservices.h"
#include "richedit/bitmaphelpers.h"
#include "richedit/externalfiles.h"
#include "richedit/paraformatdlg.h"
#include "richedit/rerichedit.h"
#include "settings/fontvalue.h"
#include "settings/options.h"

#include <QAction>
#include <QApplication>
#include <QCollator>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QPainter>
#include <QScrollBar>
#include <QSignalBlocker>
#include "app/mainbars.h"
#include "toolbars/qt/tbtoolbar.h"
#include "toolbars/qt/thmwindows.h"
#include <QWheelEvent>

#include <algorithm>

namespace qel {

using toolbars::TTbrControlItem;
using toolbars::TTbrCustomItem;

namespace {

const QString kCaret = QStringLiteral("\r");

// The wheel over the editor scrolls it by lines as the program counts them.
class WheelScroller : public QObject {
public:
  explicit WheelScroller(Tf_Main &w) : QObject(&w), w_(w) {}

protected:
  bool eventFilter(QObject *, QEvent *event) override {
    if (event->type() != QEvent::Wheel) return false;
    auto *wheel = static_cast<QWheelEvent *>(event);
    if (wheel->modifiers() & Qt::ControlModifier) return false;
    w_.m_Card1MouseWheel(wheel->angleDelta().y());
    return true;
  }

private:
  Tf_Main &w_;
};

QString qtFilter(const QString &windowsFilter) {
  // "Name (*.a;*.b)|*.a;*.b|..." → "Name (*.a *.b);;..."
  const QStringList parts = windowsFilter.split(QLatin1Char('|'));
  QStringList out;
  for (int i = 0; i + 1 < parts.size(); i += 2) {
    QString patterns = parts[i + 1];
    patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
    QString name = parts[i];
    const qsizetype open = name.indexOf(QLatin1Char('('));
    if (open >= 0) name = name.left(open).trimmed();
    out << name + QStringLiteral(" (") + patterns + QLatin1Char(')');
  }
  return out.join(QStringLiteral(";;"));
}

// The character format and paragraph format the toolbar shows.
FormattingState selectionState(TReRichEdit &editor) {
  return FormattingStateOf(editor.SelAttributes().Record(), editor.Paragraph().Record());
}

} // namespace

// ---------------------------------------------------------------- building

void Tf_Main::buildFormattingControls() {
  MainActions &a = *actions_;
  // The font of the selection; the list of screen fonts is filled again at start-up.
  cb_Font = new TFontBoxItem;
  b_FontSize = new TFontSizeItem(a[QStringLiteral("a_FontSize")]);
  TTbrCustomItem *items = Toolbar_formatting->Items();
  items->Insert(0, cb_Font);
  items->Insert(1, b_FontSize);
  items->Insert(2, NewSeparator());

  b_TextColor = new TColorButtonItem(QStringLiteral("TextColor"), a[QStringLiteral("a_TextColor")],
                                     QStringLiteral("Text Color Button"));
  b_TextHighLight = new TColorButtonItem(QStringLiteral("TextHighLight"), a[QStringLiteral("a_TextHighLight")],
                                         QStringLiteral("Text Hightlight Button"), QStringLiteral("TextHighlightPalette"));
  // Until a colour is picked the buttons apply the colours their images show.
  b_TextColor->setButtonColor(clRed);
  b_TextHighLight->setButtonColor(clYellow);
  const int painter = items->IndexOf(FindBarItem(this, QStringLiteral("b_FormatPainter")));
  items->Insert(painter, b_TextHighLight);
  items->Insert(painter, b_TextColor);
}

void Tf_Main::wireEditorCommands() {
  MainActions &a = *actions_;
  m_Card->OnSelectionChange = [this](TReCustomRichEdit *) { m_card2SelectionChange(); };
  // Protected text in a card may always be changed.
  m_Card->OnProtectChange = [](TReCustomRichEdit *, int, int, bool &allow) { allow = true; };
  m_Card->viewport()->installEventFilter(new WheelScroller(*this));
  // The editor's right-click menu is one of the window's own: themed, with
  // its hints in the status line.
  pm_Card = std::make_unique<toolbars::TThmPopupMenu>();
  pm_Card->SetLoopHost(loopHost_.get());
  pm_Card->Items()->SetName(QStringLiteral("pm_Card"));
  m_Card->setContextMenuPresenter([this](const QPoint &at, const std::vector<re::ContextMenuEntry> &entries) {
    TTbrCustomItem *root = pm_Card->Items();
    while (root->Count() > 0) root->Delete(root->Count() - 1);
    for (const re::ContextMenuEntry &entry : entries) {
      if (entry.caption.isEmpty()) {
        root->Add(NewSeparator());
        continue;
      }
      auto *item = new toolbars::TThmItem;
      item->SetCaption(entry.caption);
      item->SetHint(entry.hint);
      item->SetEnabled(entry.enabled);
      item->SetOnClick([run = entry.run](TTbrCustomItem *) { run(); });
      root->Add(item);
    }
    toolbars::RunGuarded([&] { pm_Card->Popup(at.x(), at.y()); });
  });

  a.wire(QStringLiteral("a_Font"), this, [this] { a_FontExecute(); });
  a.wire(QStringLiteral("a_FontSize"), this, [this] { a_FontSizeExecute(); });
  a.wire(QStringLiteral("a_Bold"), this, [this] { a_BoldExecute(); });
  a.wire(QStringLiteral("a_Italic"), this, [this] { a_ItalicExecute(); });
  a.wire(QStringLiteral("a_Underline"), this, [this] { a_UnderlineExecute(); });
  for (const char *n : {"a_Left", "a_Center", "a_Right"}) {
    QAction *action = a[QString::fromLatin1(n)];
    a.wire(QString::fromLatin1(n), this, [this, action] { a_AlignmentExecute(action->property("Tag").toInt()); });
  }
  a.wire(QStringLiteral("a_Bullets"), this, [this] { a_BulletsExecute(); });
  a.wire(QStringLiteral("a_Superscript"), this, [this] { a_SuperscriptExecute(); });
  a.wire(QStringLiteral("a_SubScript"), this, [this] { a_SubScriptExecute(); });
  a.wire(QStringLiteral("a_TextColor"), this, [this] { a_TextColorExecute(); });
  a.wire(QStringLiteral("a_TextHighLight"), this, [this] { a_TextHighLightExecute(); });
  a.wire(QStringLiteral("a_FormatPainter"), this, [this] { a_FormatPainterExecute(); });
  a.wire(QStringLiteral("a_CardUnformat"), this, [this] { a_CardUnformatExecute(); });
  a.wire(QStringLiteral("a_SortCardLines"), this, [this] { a_SortCardLinesExecute(); });
  a.wire(QStringLiteral("a_InsertPicture"), this, [this] { a_InsertPictureExecute(); });
  a.wire(QStringLiteral("a_InsertDateTime"), this, [this] { a_InsertDateTimeExecute(); });
  a.wire(QStringLiteral("a_LoadCardFromFile"), this, [this] { a_LoadCardFromFileExecute(); });
  a.wire(QStringLiteral("a_SaveCardToFile"), this, [this] { a_SaveCardToFileExecute(); });
  a.wire(QStringLiteral("a_Paragraph"), this, [this] {
    if (ShowParagraphDialog(m_Card->Paragraph(), this)) m_card2SelectionChange();
  });
  // a_InsertObject and a_PasteSpecial are wired with the object commands
  // (tf_main_objects.cpp).

  cb_Font->SetOnChange([this](toolbars::TThmEditItem *, const QString &name) { cb_Font_Change(name); });
  b_FontSize->OnSizeItemClick = [this](const QString &c) { b_textsize_Click(c); };
  b_FontSize->OnOtherClick = [this] { b_textsize_otherClick(); };
  for (TColorButtonItem *button : {b_TextColor, b_TextHighLight}) {
    const bool text = button == b_TextColor;
    button->OnPaletteChanged = [this, button, text](TColor color) {
      if (ToolbarUpdating) return;  // the toolbar only follows the selection
      button->setButtonColor(color);
      actions_->get(text ? QStringLiteral("a_TextColor") : QStringLiteral("a_TextHighLight"))->trigger();
    };
    button->OnDefaultClick = [this, button, text] {
      button->setPaletteColor(text ? m_Card->DefAttributes().Color() : QColorToTColor(m_Card->backgroundColor()));
    };
    button->OnMoreColorsClick = [button] {
      QColor color = TColorToQColor(button->paletteColor(), Qt::black);
      if (ui().chooseColor(QString(), color)) button->setPaletteColor(QColorToTColor(color));
    };
  }
}

// ---------------------------------------------------------------- defaults

TReFontSource Tf_Main::CardFontSource() const {
  TReFontSource source;
  const TFont font = AppOptions ? AppOptions->CardFont : TFont();
  source.font = FontToQFont(font);
  source.color = font.Color;
  source.charset = font.Charset;
  return source;
}

void Tf_Main::SetDefaultTextAttributes() {
  // Made ready for the next body to load: no edit of the card shown now.
  const bool ready = EditorReady;
  EditorReady = false;
  Finally restore([ready] { EditorReady = ready; });
  m_Card->Paragraph().SetAlignment(0);
  m_Card->Paragraph().SetNumbering(0);
  m_Card->DefAttributes().Assign(CardFontSource());
}

// ---------------------------------------------------------------- selection change

void Tf_Main::m_card2SelectionChange() {
  if (ToolbarUpdating) return;  // a format applied below moves nothing, but never twice
  // While Replace All runs the toolbars show nothing of the cards going by:
  // the card shown at the end sets them. The format painter still paints.
  if (quietShow_ && !(*actions_)[QStringLiteral("a_FormatPainter")]->isChecked()) {
    quietShowPending_ = true;
    return;
  }
  ToolbarUpdating = true;
  const bool ready = EditorReady;
  EditorReady = false;
  Finally done([this, ready] {
    UpdateEditMenu();
    EditorReady = ready;
    UpdateEditMenu();
    ToolbarUpdating = false;
  });
  MainActions &a = *actions_;

  // The format painter paints every selection made while it is on; a
  // selection across a line end takes the paragraph attributes too.
  if (a[QStringLiteral("a_FormatPainter")]->isChecked() && m_Card->selLength() > 0 && ready) {
    EditorReady = true;
    m_Card->SelAttributes().Assign(m_RTFbuffer->DefAttributes());
    if (m_Card->selText().contains(kCaret)) m_Card->Paragraph().Assign(m_RTFbuffer->Paragraph());
  }

  const FormattingState s = selectionState(*m_Card);
  a[QStringLiteral("a_Bold")]->setChecked(s.bold);
  a[QStringLiteral("a_Italic")]->setChecked(s.italic);
  a[QStringLiteral("a_Underline")]->setChecked(s.underline);
  a[QStringLiteral("a_Superscript")]->setChecked(s.superscript);
  a[QStringLiteral("a_SubScript")]->setChecked(s.subscript);
  a[QStringLiteral("a_Left")]->setChecked(s.left);
  a[QStringLiteral("a_Right")]->setChecked(s.right);
  a[QStringLiteral("a_Center")]->setChecked(s.center);
  a[QStringLiteral("a_Bullets")]->setChecked(s.bullets);
  b_FontSize->checkItem(s.sizeItem);
  // The caption is the size the button's face applies: the selection's own
  // size when it has one, as it was for mixed sizes.
  if (s.size > 0) b_FontSize->setText(QString::number(s.size));
  b_TextColor->setPaletteColor(s.textColor);
  b_TextHighLight->setPaletteColor(s.highlightColor);
  cb_Font->SetText(s.fontName);
}

// ---------------------------------------------------------------- character formatting

namespace {
void setEffect(TReRichEdit &editor, std::uint32_t mask, std::uint32_t effect, bool on) {
  // Only this one bit: the other styles of a mixed selection stay as they are.
  re::CharFormat r;
  r.mask = mask;
  r.effects = on ? effect : 0;
  editor.SelAttributes().Send(r);
}
} // namespace

void Tf_Main::a_BoldExecute() {
  setEffect(*m_Card, re::CFM_BOLD, re::CFE_BOLD, actions_->get(QStringLiteral("a_Bold"))->isChecked());
  m_card2SelectionChange();
}

void Tf_Main::a_ItalicExecute() {
  setEffect(*m_Card, re::CFM_ITALIC, re::CFE_ITALIC, actions_->get(QStringLiteral("a_Italic"))->isChecked());
  m_card2SelectionChange();
}

void Tf_Main::a_UnderlineExecute() {
  setEffect(*m_Card, re::CFM_UNDERLINE, re::CFE_UNDERLINE, actions_->get(QStringLiteral("a_Underline"))->isChecked());
  m_card2SelectionChange();
}

void Tf_Main::a_SuperscriptExecute() {
  m_Card->SelAttributes().SetSubscriptStyle(actions_->get(QStringLiteral("a_Superscript"))->isChecked() ? 2 : 0);
  m_card2SelectionChange();
}

void Tf_Main::a_SubScriptExecute() {
  m_Card->SelAttributes().SetSubscriptStyle(actions_->get(QStringLiteral("a_SubScript"))->isChecked() ? 1 : 0);
  m_card2SelectionChange();
}

void Tf_Main::a_AlignmentExecute(int tag) {
  m_Card->Paragraph().SetAlignment(tag);
  m_card2SelectionChange();
}

void Tf_Main::a_BulletsExecute() {
  m_Card->Paragraph().SetNumbering(actions_->get(QStringLiteral("a_Bullets"))->isChecked() ? re::PFN_BULLET : 0);
  m_card2SelectionChange();
}

void Tf_Main::a_FontExecute() {
  TReFontSource source;
  m_Card->SelAttributes().AssignTo(source);
  QFont font = source.font;
  QColor color = TColorToQColor(source.color);
  if (!ui().chooseFont(QStringLiteral("Font"), font, color)) return;
  source.font = font;
  if (color.isValid() && QColorToTColor(color) != ColorToRGB(source.color)) source.color = QColorToTColor(color);
  m_Card->SelAttributes().Assign(source);
  TFontStyles style = 0;
  if (font.bold()) style |= fsBold;
  if (font.italic()) style |= fsItalic;
  if (font.underline()) style |= fsUnderline;
  if (font.strikeOut()) style |= fsStrikeOut;
  m_Card->SelAttributes().SetStyle(style);
  m_card2SelectionChange();
}

void Tf_Main::a_FontSizeExecute() {
  bool ok = false;
  const int size = b_FontSize->text().toInt(&ok);
  m_Card->SelAttributes().SetSize(ok && size > 0 ? size : 10);
  m_card2SelectionChange();
}

void Tf_Main::b_textsize_Click(const QString &caption) {
  bool ok = false;
  int size = caption.toInt(&ok);
  if (!ok || size <= 0) size = 10;
  m_Card->SelAttributes().SetSize(size);
  b_FontSize->setText(caption);
  m_card2SelectionChange();
}

void Tf_Main::b_textsize_otherClick() {
  a_FontExecute();
  const int size = m_Card->SelAttributes().Size();
  if (size > 0) b_FontSize->setText(QString::number(size));
}

void Tf_Main::cb_Font_Change(const QString &name) {
  if (ToolbarUpdating || name.trimmed().isEmpty()) return;
  // A face the list holds is applied under the list's own name, whatever
  // case it was typed in: that name is what the card stores.
  QString face = name.trimmed();
  for (const QString &listed : cb_Font->Strings())
    if (listed.compare(face, Qt::CaseInsensitive) == 0) {
      face = listed;
      break;
    }
  m_Card->SelAttributes().SetName(face);
  m_card2SelectionChange();
}

void Tf_Main::a_TextColorExecute() {
  const TColor c = b_TextColor->buttonColor();
  m_Card->SelAttributes().SetColor(c == clNone ? clDefault : c);
  m_card2SelectionChange();
}

void Tf_Main::a_TextHighLightExecute() {
  const TColor c = b_TextHighLight->buttonColor();
  m_Card->SelAttributes().SetBackColor(c == clNone ? clDefault : c);
  m_card2SelectionChange();
}

void Tf_Main::a_FormatPainterExecute() {
  m_RTFbuffer->DefAttributes().Assign(m_Card->SelAttributes());
  m_RTFbuffer->Paragraph().Assign(m_Card->Paragraph());
  if (actions_->get(QStringLiteral("a_FormatPainter"))->isChecked())
    m_Card->viewport()->setCursor(ScreenCursor(crFormatPainter));
  else
    m_Card->viewport()->setCursor(Qt::IBeamCursor);
}

// ---------------------------------------------------------------- whole-card text

void Tf_Main::a_CardUnformatExecute() {
  // The text stays, line by line; every attribute goes back to the default.
  const QString text = m_Card->text();
  m_Card->setText(text);
  FileModified = true;
  CardBodyChanged = true;
}

void Tf_Main::a_SortCardLinesExecute() {
  if (ui().messageBox(QStringLiteral("After card lines sorting,\r\nall text formatting will be changed to default.\r\nAre you sure to do that?"),
                      QStringLiteral("Warning"), MB_YESNO | MB_ICONWARNING) != IDYES)
    return;
  QStringList lines = m_Card->text().split(kCaret);
  QCollator collator;
  collator.setCaseSensitivity(Qt::CaseInsensitive);
  std::stable_sort(lines.begin(), lines.end(),
                   [&](const QString &x, const QString &y) { return collator.compare(x, y) < 0; });
  m_Card->setText(lines.join(kCaret));
  FileModified = true;
  CardBodyChanged = true;
}

void Tf_Main::a_InsertPictureExecute() {
  FileDialogOptions o;
  o.caption = QStringLiteral("Insert Picture");
  o.filter = qtFilter(QStringLiteral(
      "All (*.gif;*.jpg;*.jpeg;*.bmp;*.emf;*.wmf)|*.gif;*.jpg;*.jpeg;*.bmp;*.emf;*.wmf|CompuServe GIF Image "
      "(*.gif)|*.gif|JPEG Image File (*.jpg)|*.jpg|JPEG Image File (*.jpeg)|*.jpeg|Bitmaps (*.bmp)|*.bmp|Enhanced "
      "Metafiles (*.emf)|*.emf|Metafiles (*.wmf)|*.wmf"));
  QString path;
  if (!ui().openFileName(o, path)) return;
  QImage image;
  QString error;
  {
    WaitCursor wait;
    image = LoadPictureFile(path, &error);
  }
  if (image.isNull()) {
    ui().messageBox(error, applicationTitle(), MB_OK | MB_ICONERROR);
    return;
  }
  // Straight into the card: the user's clipboard stays as it was.
  m_Card->insertPicture(image);
  FileModified = true;
  CardBodyChanged = true;
}

QString Tf_Main::DateTimeText() {
  QString mask = AppOptions ? AppOptions->DateTimeFormat : QString();
  if (mask == QLatin1String("Long Date"))
    mask = QStringLiteral("dddddd");
  else if (mask == QLatin1String("Short Date"))
    mask = QStringLiteral("ddddd");
  return FormatDateTime(mask, Now());
}

void Tf_Main::a_InsertDateTimeExecute() {
  const QString text = DateTimeText();
  if (focusWidget() == e_record) {
    e_record->setMaxLength(32767);
    e_record->insert(text);  // its change refilters
    return;
  }
  if (m_Card->isReadOnly()) return;
  m_Card->replaceSel(text);
  const int end = m_Card->selStart() + m_Card->selLength();
  m_Card->setSel(end, end);
}

void Tf_Main::a_LoadCardFromFileExecute() {
  if (m_Card->textLength() > 0 &&
      ui().messageBox(QStringLiteral("Current card text will be deleted.\r\nContinue?"), QStringLiteral("Confirm"),
                      MB_OKCANCEL | MB_ICONQUESTION) != IDOK)
    return;
  FileDialogOptions o;
  o.caption = QStringLiteral("Insert File");
  o.filter = qtFilter(QStringLiteral(
      "Text Documents (*.txt)|*.txt|Rich Text Format (*.rtf)|*.rtf|All Documents (*.*)|*.*"));
  o.defaultSuffix = QStringLiteral("txt");
  QString path;
  if (!ui().openFileName(o, path)) return;
  WaitCursor wait;
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    ui().messageBox(QStringLiteral("Cannot open file \"") + path + QStringLiteral("\". ") + file.errorString(),
                    applicationTitle(), MB_OK | MB_ICONERROR);
    return;
  }
  const QByteArray data = file.readAll();
  const bool ready = EditorReady;
  EditorReady = false;
  {
    Finally restore([ready] { EditorReady = ready; });
    if (!(data.trimmed().startsWith("{\\rtf") && m_Card->streamIn(data, re::SF_RTF))) {
      QString text = DecodeTextFile(data);
      // The last line's end ends it; it starts no empty line.
      if (text.endsWith(QLatin1String("\r\n"))) text.chop(2);
      else if (text.endsWith(QLatin1Char('\n')) || text.endsWith(QLatin1Char('\r'))) text.chop(1);
      m_Card->setText(text);
    }
  }
  FileModified = true;
  CardBodyChanged = true;
  m_card2SelectionChange();
}

void Tf_Main::a_SaveCardToFileExecute() {
  FileDialogOptions o;
  o.caption = QStringLiteral("Save Card As");
  o.filter = qtFilter(QStringLiteral("Text Documents (*.txt)|*.txt|Rich Text Format (*.rtf)|*.rtf"));
  o.defaultSuffix = QStringLiteral("txt");
  QString path;
  if (!ui().saveFileName(o, path)) return;
  WaitCursor wait;
  const bool rtf = QFileInfo(path).suffix().compare(QLatin1String("rtf"), Qt::CaseInsensitive) == 0;
  const QByteArray data = rtf ? m_Card->streamOut(re::SF_RTF) : EncodeTextFile(m_Card->text());
  // Written beside the target and put in its place only when complete.
  QString error;
  if (!WriteFileReplacing(path, data, &error))
    ui().messageBox(QStringLiteral("Cannot save the card to \"") + path + QStringLiteral("\". ") + error, applicationTitle(),
                    MB_OK | MB_ICONERROR);
}

void Tf_Main::m_Card1MouseWheel(int wheelDelta) {
  const int lines = -wheelDelta / 80;  // toward zero: one notch of 120 is one line
  if (lines == 0) return;
  QScrollBar *bar = m_Card->verticalScrollBar();
  bar->setValue(bar->value() + lines * m_Card->fontMetrics().lineSpacing());
}

} // namespace qel
