// Card actions: the action text on the Actions toolbar and the command of the
// action button that goes with it (browse, e-mail, dial, go to card), the
// phone number of a card, dialling, and link clicks in the card.
//
// Everything handed to the desktop goes through UiServices: addresses are
// opened by the desktop, programs are started with an argument list, never
// through a shell, and a program named in a card runs only when the user says
// so. The maximise options cannot govern another program's window here; they
// are kept in the settings only.

#include "app/cardactions.h"
#include "app/dlg_dial.h"
#include "app/mainbars.h"
#include "app/tf_main.h"
#include "toolbars/paint/thmedititem.h"
#include "toolbars/qt/tbtoolbar.h"
#include "cards/crd.h"
#include "cards/strroutines.h"
#include "richedit/rerichedit.h"
#include "platform/uiservices.h"
#include "settings/fontvalue.h"
#include "settings/options.h"

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QProcess>

#include <algorithm>

namespace qel {

namespace {

void reportFailure(const QString &message) { ui().messageBox(message, applicationTitle(), MB_OK | MB_ICONERROR); }

bool confirm(const QString &question) {
  return ui().messageBox(question, QStringLiteral("Confirm"), MB_YESNO | MB_ICONQUESTION) == IDYES;
}

} // namespace

void Tf_Main::wireActionCommands() {
  MainActions &a = *actions_;
  e_Action->SetOnChange([this](toolbars::TThmEditItem *, const QString &text) { e_ActionChange(text); });

  // The action button takes the place of the plain "Action" item: its command
  // follows the action text, its drop-down sets or resets the phone number.
  QAction *plain = a[QStringLiteral("a_Action")];
  toolbars::TTbrCustomItem *items = Toolbar_Actions->Items();
  toolbars::TTbrCustomItem *plainItem = FindBarItem(this, MainActions::ButtonName(plain->objectName()));
  const int at = items->IndexOf(plainItem);
  delete plainItem;
  b_Action = new TBarDropdownItem;
  b_Action->SetName(QStringLiteral("b_Action"));
  for (const char *n : {"a_SetPhoneNumber", "a_ResetPhoneNumber"})
    b_Action->Add(NewActionItem(a[QString::fromLatin1(n)], QString::fromLatin1(n + 2) + QLatin1Char('1')));
  b_Action->SetOnPopup([this](toolbars::TTbrCustomItem *, bool) { b_ActionPopup(); });
  b_Action->SetOnClick([this](toolbars::TTbrCustomItem *) {
    if (QAction *act = actions_->get(b_ActionCommand)) act->trigger();
  });
  items->Insert(at < 0 ? items->Count() : at, b_Action);

  const std::pair<const char *, void (Tf_Main::*)()> commands[] = {
      {"a_Dial", &Tf_Main::a_DialExecute},
      {"a_SendEMail", &Tf_Main::a_SendEMailExecute},
      {"a_BrowseWWW", &Tf_Main::a_BrowseWWWExecute},
      {"a_RunApplication", &Tf_Main::a_RunApplicationExecute},
      {"a_GoToCard", &Tf_Main::a_GoToCardExecute},
      {"a_SetPhoneNumber", &Tf_Main::a_SetPhoneNumberExecute},
      {"a_ResetPhoneNumber", &Tf_Main::a_ResetPhoneNumberExecute},
      {"a_Action", &Tf_Main::a_ActionExecute},
      // The Tools menu entries run the same commands.
      {"ActionDial1", &Tf_Main::a_DialExecute},
      {"SpeedDial1", &Tf_Main::a_DialExecute},
      {"ActionMail1", &Tf_Main::a_SendEMailExecute},
      {"ActionBrowse1", &Tf_Main::a_BrowseWWWExecute},
      {"ActionRun1", &Tf_Main::a_RunApplicationExecute},
      {"ActionGoTo1", &Tf_Main::a_GoToCardExecute},
  };
  for (const auto &[name, handler] : commands)
    a.wire(QString::fromLatin1(name), this, [this, h = handler] { (this->*h)(); });

  connect(m_Card, &QTextEdit::selectionChanged, this, [this] {
    if (EditorReady && !quietShow_) SetActionText(WordAtCaret());
  });
  m_Card->OnURLClick = [this](TReCustomRichEdit *, const QString &text, Qt::MouseButton button) {
    // After the editor has finished with the click: what it starts may show windows.
    QMetaObject::invokeMethod(this, [this, text, button] { m_CardURLClick(text, button); }, Qt::QueuedConnection);
  };
  SetActionText(QString());
}

// ---------------------------------------------------------------- action text

void Tf_Main::e_ActionChange(const QString &text) { SetActionText(text); }

void Tf_Main::SetActionText(const QString &text) {
  e_Action->SetText(text);
  const QString name = ActionName(ActionForText(text));
  b_ActionCommand = name;
  const QAction *act = actions_->get(name);
  const QVariant image = act->property("ImageIndex");
  b_Action->SetImageIndex(image.isValid() ? image.toInt() : -1);
  // The button stands for its command: its caption names it (to screen
  // readers too; the toolbar shows the picture).
  b_Action->SetCaption(act->text());
  b_Action->SetHint(act->toolTip());
  b_Action->SetEnabled(!text.isEmpty());
  // The width as the text measures in the window's own font.
  e_Action->SetEditWidth(AppOptions && AppOptions->FixedActionBar ? AppOptions->ActionBarWidth
                                                                  : fontMetrics().horizontalAdvance(text) + 20);
}

void Tf_Main::ApplyActionFont(const TFont &font) {
  using toolbars::TTriState;
  const auto state = [&](TFontStyle style) { return font.Style & style ? TTriState::tsTrue : TTriState::tsFalse; };
  toolbars::TFontSettings settings;
  settings.SetName(font.Name);
  settings.SetColor(font.Color);
  // In percent of the toolbars' font: the default font's size is 100 %.
  const int base = std::max(1, DefaultFont().Size);
  settings.SetSize(quint16(std::clamp(std::max(1, font.Size) * 100 / base, 1, 1000)));
  settings.SetBold(state(fsBold));
  settings.SetItalic(state(fsItalic));
  settings.SetUnderline(state(fsUnderline));
  settings.SetStrikeOut(state(fsStrikeOut));
  e_Action->SetFontSettings(settings);
}

QString Tf_Main::PhoneNumberOfCard() const {
  // The card whose text the editor holds.
  const TCrd *card = shownCard_.get();
  if (!card) return QString();
  const int minLength = AppOptions ? AppOptions->SpeedDialLength : 6;
  QString phone = card->Phone;
  if (phone.isEmpty() && AppOptions && AppOptions->DetectPhNrFromTitle && !FilteredCards.IsEmpty())
    ExtractPhoneNumber(card->Title, minLength, phone);
  if (phone.isEmpty() && AppOptions && !AppOptions->SpeedDialPrefix.isEmpty())
    for (int i = 0; i < m_Card->lineCount() && phone.isEmpty(); ++i)
      phone = TextAfter(m_Card->line(i), AppOptions->SpeedDialPrefix);
  for (int i = 0; i < m_Card->lineCount() && phone.isEmpty(); ++i) ExtractPhoneNumber(m_Card->line(i), minLength, phone);
  return phone;
}

QString Tf_Main::WordAtCaret() const {
  int start = 0, end = 0;
  m_Card->getSel(start, end);
  if (end <= start) return QString();
  const int lineStart = m_Card->lineIndex(m_Card->lineFromChar(start));
  return qel::WordAtCaret(m_Card->line(m_Card->lineFromChar(start)), start - lineStart, end - start);
}

// ---------------------------------------------------------------- hand-offs

void Tf_Main::SendEMailTo(const QString &address) {
  if (AppOptions && AppOptions->AltEmail) {
    const QString client = AppOptions->AltEmailClient;
    if (!ui().startProgram(client, {AppOptions->BeforeEmail + address}))
      reportFailure(QStringLiteral("Cannot start the e-mail program \"") + client + QStringLiteral("\"."));
    return;
  }
  const QString url = MailtoAddress(address);
  if (!ui().openUrl(url)) reportFailure(QStringLiteral("No program could open ") + url + QLatin1Char('.'));
}

void Tf_Main::BrowseTo(const QString &address) {
  if (AppOptions && AppOptions->AltWWW) {
    const QString client = AppOptions->AltWWWClient;
    if (!ui().startProgram(client, {address}))
      reportFailure(QStringLiteral("Cannot start the web browser \"") + client + QStringLiteral("\"."));
    return;
  }
  if (!ui().openUrl(address)) reportFailure(QStringLiteral("No program could open ") + address + QLatin1Char('.'));
}

void Tf_Main::m_CardURLClick(const QString &text, Qt::MouseButton button) {
  if (button != Qt::LeftButton || text.isEmpty()) return;
  if (text.toUpper().contains(QLatin1String("MAILTO:"))) {
    SendEMailTo(text);
  } else if (IsURL(text)) {
    BrowseTo(text);
  } else if (confirm(QStringLiteral("Open \"") + text + QStringLiteral("\"?"))) {
    // Not a web or mail address (a file or another kind of link): the
    // desktop opens it only when the user has seen what it is.
    if (!ui().openUrl(text)) reportFailure(QStringLiteral("No program could open ") + text + QLatin1Char('.'));
  }
}

// ---------------------------------------------------------------- commands

void Tf_Main::a_DialExecute() {
  const QString actionText = e_Action->Text();
  if (actionText.trimmed().isEmpty()) {
    reportFailure(QStringLiteral("There is no phone number to dial."));
    return;
  }
  QString number = (AppOptions ? AppOptions->DialPrefix : QString()) + actionText;
  if (AppOptions && AppOptions->DialLetters) number = LettersToKeypadDigits(number);
  TCrd *card = CurrentCard();
  const QString title = card ? card->Title : QString();
  if (dlg_Dial) dlg_Dial->HangUp();
  if (AppOptions && AppOptions->AltDial) {
    if (!ui().openUrl(TelUrl(number))) reportFailure(QStringLiteral("No program could dial ") + number + QLatin1Char('.'));
  } else {
    if (!dlg_Dial) dlg_Dial = new Tdlg_Dial(this);
    dlg_Dial->Dial(AppOptions ? AppOptions->DialCommand : QString(), title, number);
  }
  if (AppOptions && AppOptions->SavePhoneNr && card && actionText != PhoneNumberOfCard() &&
      confirm(QStringLiteral("Use number ") + actionText + QStringLiteral("\r\nas default phone number for\r\n") +
              title)) {
    card->Phone = actionText;
    FileModified = true;
    UpdateEditMenu();
  }
}

void Tf_Main::a_SendEMailExecute() { SendEMailTo(e_Action->Text()); }

void Tf_Main::a_BrowseWWWExecute() { BrowseTo(e_Action->Text()); }

void Tf_Main::a_RunApplicationExecute() {
  const QString command = e_Action->Text().trimmed();
  if (command.isEmpty()) return;
  // A card file may come from someone else: nothing it names runs unasked.
  if (!confirm(QStringLiteral("Run this program?\r\n") + command)) return;
  const QStringList parts = QProcess::splitCommand(command);
  if (parts.isEmpty() || !ui().startProgram(parts.first(), parts.mid(1)))
    reportFailure(QStringLiteral("Cannot start ") + command + QLatin1Char('.'));
}

void Tf_Main::a_GoToCardExecute() { e_record->setText(e_Action->Text()); }

void Tf_Main::a_SetPhoneNumberExecute() {
  TCrd *card = CurrentCard();
  if (!card) return;
  card->Phone = e_Action->Text();
  FileModified = true;
  UpdateEditMenu();
}

void Tf_Main::a_ResetPhoneNumberExecute() {
  TCrd *card = CurrentCard();
  if (!card) return;
  card->Phone.clear();
  FileModified = true;
  UpdateEditMenu();
}

void Tf_Main::a_ActionExecute() { QApplication::beep(); }

void Tf_Main::b_ActionPopup() {
  QAction *set = actions_->get(QStringLiteral("a_SetPhoneNumber"));
  QAction *reset = actions_->get(QStringLiteral("a_ResetPhoneNumber"));
  const TCrd *card = CurrentCard();
  set->setEnabled(card && e_Action->Text() != PhoneNumberOfCard());
  reset->setEnabled(card && !card->Phone.isEmpty());
}

} // namespace qel
