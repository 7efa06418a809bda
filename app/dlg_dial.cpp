#include "app/dlg_dial.h"

#include "app/cardactions.h"
#include "platform/telephony.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace qel {

Tdlg_Dial::Tdlg_Dial(QWidget *parent) : QDialog(parent) {
  setObjectName(QStringLiteral("dlg_Dial"));
  setWindowTitle(QStringLiteral("Dial"));
  setModal(false);
  line_ = new TDialLine(this);
  lbl_ID = new QLabel(QStringLiteral("Calling: "), this);
  lbl_ID->setObjectName(QStringLiteral("lbl_ID"));
  lbl_ID->setTextFormat(Qt::PlainText);
  lbl_PhoneNr = new QLabel(QStringLiteral("Phone Number: "), this);
  lbl_PhoneNr->setObjectName(QStringLiteral("lbl_PhoneNr"));
  lbl_PhoneNr->setTextFormat(Qt::PlainText);
  lbl_State = new QLabel(this);
  lbl_State->setObjectName(QStringLiteral("lbl_State"));
  lbl_State->setTextFormat(Qt::PlainText);
  lbl_State->setWordWrap(true);
  OKBtn = new QPushButton(QStringLiteral("Hang Up"), this);
  OKBtn->setObjectName(QStringLiteral("OKBtn"));
  OKBtn->setDefault(true);
  connect(OKBtn, &QPushButton::clicked, this, [this] { close(); });
  connect(line_, &TDialLine::disconnected, this,
          [this](const QString &reason) { setState(QStringLiteral("Disconnected: ") + reason); });
  connect(line_, &TDialLine::ended, this, [this] { setState(QStringLiteral("Call ended.")); });

  auto *layout = new QVBoxLayout(this);
  layout->addWidget(lbl_ID);
  layout->addWidget(lbl_PhoneNr);
  layout->addWidget(lbl_State);
  auto *buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(OKBtn);
  layout->addLayout(buttons);
  // Wide enough that an explanation wraps into a few readable lines.
  lbl_State->setMinimumWidth(360);
}

void Tdlg_Dial::setState(const QString &text) {
  lbl_State->setText(text);
  fitToTexts();
}

void Tdlg_Dial::fitToTexts() {
  // A wrapped text asks for its height only for the width it gets: the
  // window's least size knows nothing of it, so the window grows to the
  // height its texts need at its width (and never shrinks under the user).
  if (!layout()) return;
  layout()->activate();
  const bool sized = testAttribute(Qt::WA_Resized);  // a window never sized has a meaningless size
  const int w = qMax(sized ? width() : sizeHint().width(), minimumSizeHint().width());
  const int need = layout()->totalHeightForWidth(w);
  const int h = sized ? qMax(height(), need) : need;
  if (w != width() || h != height()) resize(w, h);
}

Tdlg_Dial::~Tdlg_Dial() { HangUp(); }

void Tdlg_Dial::Dial(const QString &command, const QString &title, const QString &number) {
  lbl_ID->setText(QStringLiteral("Dialing to: ") + title);
  lbl_PhoneNr->setText(QStringLiteral("Phone number: ") + number);
  lbl_State->clear();
  if (command.trimmed().isEmpty()) {
    HangUp();
    lbl_State->setText(QStringLiteral("No dial command is set. Give one as \"Dial command\" in the options: the "
                                      "program that dials and its arguments, with %n for the number and %t for "
                                      "the card's title."));
  }
  fitToTexts();
  show();
  raise();
  if (command.trimmed().isEmpty()) return;
  line_->DialNumber(DialCommandLine(command, number, title));
}

void Tdlg_Dial::HangUp() { line_->HangUp(); }

void Tdlg_Dial::closeEvent(QCloseEvent *e) {
  HangUp();
  QDialog::closeEvent(e);
}

void Tdlg_Dial::done(int result) {
  // Esc and every other way the window closes end the call too.
  HangUp();
  QDialog::done(result);
}

} // namespace qel
