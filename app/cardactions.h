#pragma once
// What a card's text means for the action button: phone numbers, web and
// e-mail addresses, the word around a selection, and the forms in which they
// are handed to the desktop or to the dial command.

#include <QString>
#include <QStringList>

namespace qel {

// After trimming, at least `minLength` characters, each a phone character
// (space # ( ) * + , - . / 0-9 [ ] { }).
bool IsPhoneNumber(const QString &text, int minLength);
// The first token of `text` (tokens end at TAB, LF, CR, space and ";") that is
// a phone number of at least `minLength`; empty when none. A text holding
// "---" leaves `result` as it was.
void ExtractPhoneNumber(const QString &text, int minLength, QString &result);
// Upper-cased, with every letter replaced by its telephone keypad digit.
QString LettersToKeypadDigits(const QString &text);
// Begins with "HTTP:", "HTTPS:" or "WWW." (any case) and has more after it.
bool IsURL(const QString &text);
// The word around a selection of `length` characters at `start` in `line`:
// the selection extended to both sides over characters above the space.
// Empty without a selection.
QString WordAtCaret(const QString &line, int start, int length);

// The command the action button runs for an action text.
enum class CardAction { BrowseWWW, SendEMail, Dial, GoToCard };
CardAction ActionForText(const QString &text);
// The QAction name of a card action ("a_BrowseWWW", ...).
QString ActionName(CardAction action);

// The address as a mail link: "mailto:" put in front unless it is there (in any case).
QString MailtoAddress(const QString &address);
// The number as a "tel:" URL, percent-encoded.
QString TelUrl(const QString &number);
// The dial command split into program and arguments as a shell would split
// it (quotes group), but never run by one; "%n" becomes the number and "%t"
// the title inside each argument, so each stays one argument whatever it
// holds. Empty when the command is empty.
QStringList DialCommandLine(const QString &command, const QString &number, const QString &title);

} // namespace qel
