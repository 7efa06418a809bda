#include "app/dlg_find.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace qel {

TFindDialog::TFindDialog(Kind kind, QWidget *parent) : QDialog(parent), kind_(kind) {
  const bool replacing = kind == Replace;
  setObjectName(replacing ? QStringLiteral("dlgReplace") : QStringLiteral("dlgFind"));
  setWindowTitle(replacing ? QStringLiteral("Replace") : QStringLiteral("Find"));
  setModal(false);

  auto *fields = new QGridLayout;
  e_Find = new QLineEdit(this);
  e_Find->setObjectName(QStringLiteral("e_Find"));
  auto *findLabel = new QLabel(QStringLiteral("Fi&nd what:"), this);
  findLabel->setBuddy(e_Find);
  fields->addWidget(findLabel, 0, 0);
  fields->addWidget(e_Find, 0, 1);
  if (replacing) {
    e_Replace = new QLineEdit(this);
    e_Replace->setObjectName(QStringLiteral("e_Replace"));
    auto *replaceLabel = new QLabel(QStringLiteral("Re&place with:"), this);
    replaceLabel->setBuddy(e_Replace);
    fields->addWidget(replaceLabel, 1, 0);
    fields->addWidget(e_Replace, 1, 1);
  }
  chb_MatchCase = new QCheckBox(QStringLiteral("Match &case"), this);
  chb_MatchCase->setObjectName(QStringLiteral("chb_MatchCase"));
  chb_WholeWord = new QCheckBox(QStringLiteral("Match &whole word only"), this);
  chb_WholeWord->setObjectName(QStringLiteral("chb_WholeWord"));

  auto *left = new QVBoxLayout;
  left->addLayout(fields);
  left->addWidget(chb_WholeWord);
  left->addWidget(chb_MatchCase);
  left->addStretch(1);

  auto *buttons = new QVBoxLayout;
  auto button = [&](const QString &name, const QString &caption) {
    auto *b = new QPushButton(caption, this);
    b->setObjectName(name);
    b->setAutoDefault(false);
    buttons->addWidget(b);
    return b;
  };
  b_FindNext = button(QStringLiteral("b_FindNext"), QStringLiteral("&Find Next"));
  b_FindNext->setDefault(true);
  connect(b_FindNext, &QPushButton::clicked, this, &TFindDialog::findNext);
  if (replacing) {
    b_Replace = button(QStringLiteral("b_Replace"), QStringLiteral("&Replace"));
    b_ReplaceAll = button(QStringLiteral("b_ReplaceAll"), QStringLiteral("Replace &All"));
    connect(b_Replace, &QPushButton::clicked, this, &TFindDialog::replace);
    connect(b_ReplaceAll, &QPushButton::clicked, this, &TFindDialog::replaceAll);
  }
  b_Cancel = button(QStringLiteral("b_Cancel"), QStringLiteral("Cancel"));
  connect(b_Cancel, &QPushButton::clicked, this, &QDialog::reject);
  buttons->addStretch(1);

  auto *layout = new QHBoxLayout(this);
  layout->addLayout(left, 1);
  layout->addLayout(buttons);
  setMinimumWidth(replacing ? 400 : 380);

  connect(e_Find, &QLineEdit::textChanged, this, [this] { updateButtons(); });
  updateButtons();
}

QString TFindDialog::FindText() const { return e_Find->text(); }

void TFindDialog::SetFindText(const QString &text) { e_Find->setText(text); }

QString TFindDialog::ReplaceText() const { return e_Replace ? e_Replace->text() : QString(); }

bool TFindDialog::MatchCase() const { return chb_MatchCase->isChecked(); }

bool TFindDialog::WholeWord() const { return chb_WholeWord->isChecked(); }

void TFindDialog::Execute() {
  show();
  raise();
  activateWindow();
  e_Find->setFocus();
  e_Find->selectAll();
}

void TFindDialog::updateButtons() {
  // Nothing to look for: nothing to press.
  const bool any = !e_Find->text().isEmpty();
  b_FindNext->setEnabled(any);
  if (b_Replace) b_Replace->setEnabled(any);
  if (b_ReplaceAll) b_ReplaceAll->setEnabled(any);
}

} // namespace qel
