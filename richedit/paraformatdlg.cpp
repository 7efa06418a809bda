#include "richedit/paraformatdlg.h"

#include "platform/uiservices.h"
#include "richedit/reattributes.h"
#include "richedit/rerichedit.h"
#include "richedit/respinedit.h"

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <climits>

namespace qel {

namespace {

TReSpinEdit *field(const QString &name, const QString &label, QFormLayout *form, QWidget *parent) {
  auto *e = new TReSpinEdit(parent);
  e->setObjectName(name);
  e->setAlignment(Qt::AlignRight);
  e->SetButtonKind(bkStandard);
  e->SetDecimal(0);
  auto *l = new QLabel(label, parent);
  l->setBuddy(e);
  form->addRow(l, e);
  return e;
}

// Points as the records hold them: within what twips of an int can carry.
int points(const TReSpinEdit &e) { return std::clamp(e.AsInteger(), INT_MIN / 20, INT_MAX / 20); }

} // namespace

TParaFormatDlg::TParaFormatDlg(QWidget *parent) : QDialog(parent) {
  setObjectName(QStringLiteral("ParaFormatDlg"));
  setWindowTitle(QStringLiteral("Paragraph"));
  auto *top = new QVBoxLayout(this);
  auto *row = new QHBoxLayout;
  IndentBox = new QGroupBox(QStringLiteral(" Indentation "), this);
  IndentBox->setObjectName(QStringLiteral("IndentBox"));
  auto *indentForm = new QFormLayout(IndentBox);
  LeftIndent = field(QStringLiteral("LeftIndent"), QStringLiteral("&Left: "), indentForm, IndentBox);
  RightIndent = field(QStringLiteral("RightIndent"), QStringLiteral("&Right: "), indentForm, IndentBox);
  FirstIndent = field(QStringLiteral("FirstIndent"), QStringLiteral("&First line: "), indentForm, IndentBox);
  Alignment = new QGroupBox(QStringLiteral(" Alignment "), this);
  Alignment->setObjectName(QStringLiteral("Alignment"));
  auto *alignLayout = new QVBoxLayout(Alignment);
  AlignmentItems = new QButtonGroup(this);
  const char *items[] = {"Left", "Right", "Center"};
  for (int i = 0; i < 3; ++i) {
    auto *b = new QRadioButton(QString::fromLatin1(items[i]), Alignment);
    b->setObjectName(QStringLiteral("Alignment%1").arg(i));
    AlignmentItems->addButton(b, i);
    alignLayout->addWidget(b);
  }
  AlignmentItems->button(0)->setChecked(true);
  row->addWidget(IndentBox);
  row->addWidget(Alignment);
  top->addLayout(row);

  SpacingBox = new QGroupBox(QStringLiteral(" Spacing "), this);
  SpacingBox->setObjectName(QStringLiteral("SpacingBox"));
  auto *spacingForm = new QFormLayout(SpacingBox);
  SpaceBefore = field(QStringLiteral("SpaceBefore"), QStringLiteral("Space &before: "), spacingForm, SpacingBox);
  SpaceAfter = field(QStringLiteral("SpaceAfter"), QStringLiteral("Space &after: "), spacingForm, SpacingBox);
  LineSpacing = field(QStringLiteral("LineSpacing"), QStringLiteral("Li&ne spacing: "), spacingForm, SpacingBox);
  for (TReSpinEdit *e : {SpaceBefore, SpaceAfter, LineSpacing}) {
    e->MinValue = 0;
    e->MaxValue = 2147483647;
  }
  LineSpacing->SetIncrement(5);
  top->addWidget(SpacingBox);

  auto *buttons = new QDialogButtonBox(this);
  OkBtn = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
  OkBtn->setObjectName(QStringLiteral("OkBtn"));
  OkBtn->setDefault(true);
  CancelBtn = buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
  CancelBtn->setObjectName(QStringLiteral("CancelBtn"));
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  top->addWidget(buttons);
  resize(393, 216);
  // FormCreate: spacing needs the second control version.
  SpacingBox->setEnabled(RichEditVersion > 1);
}

void TParaFormatDlg::LoadParagraphAttributes(TReParaAttributes &paragraph) {
  const re::ParaFormat r = paragraph.Record();
  // A member the selected paragraphs do not share shows empty.
  auto show = [](TReSpinEdit *e, bool shared, int twips) {
    if (shared) e->SetValue(twips / 20.0L);
    else e->setText(QString());
  };
  show(LeftIndent, r.mask & re::PFM_OFFSET, r.dxOffset);
  show(RightIndent, r.mask & re::PFM_RIGHTINDENT, r.dxRightIndent);
  show(FirstIndent, r.mask & re::PFM_STARTINDENT, r.dxStartIndent);
  show(SpaceBefore, r.mask & re::PFM_SPACEBEFORE, r.dySpaceBefore);
  show(SpaceAfter, r.mask & re::PFM_SPACEAFTER, r.dySpaceAfter);
  show(LineSpacing, r.mask & re::PFM_LINESPACING, r.dyLineSpacing);
  // Justified, or paragraphs of different alignments: no item is checked.
  const int a = (r.mask & re::PFM_ALIGNMENT) ? r.wAlignment - 1 : -1;
  AlignmentItems->setExclusive(false);
  for (QAbstractButton *b : AlignmentItems->buttons()) b->setChecked(false);
  AlignmentItems->setExclusive(true);
  if (a >= 0 && a <= 2) AlignmentItems->button(a)->setChecked(true);
  loadedAlignment_ = AlignmentItems->checkedId();
  loaded_.clear();
  for (TReSpinEdit *e : {LeftIndent, RightIndent, FirstIndent, SpaceBefore, SpaceAfter, LineSpacing}) loaded_ << e->text();
}

void TParaFormatDlg::StoreParagraphAttributes(TReParaAttributes &paragraph) {
  const TReSpinEdit *fields[] = {LeftIndent, RightIndent, FirstIndent, SpaceBefore, SpaceAfter, LineSpacing};
  auto changed = [&](int i) { return i < loaded_.size() ? fields[i]->text() != loaded_[i] : true; };
  // Each attribute is set on its own; together they are what one OK undoes.
  re::RichEditControl::UndoGroup oneStep(paragraph.Control());
  if (changed(0)) paragraph.SetLeftIndent(points(*LeftIndent));
  if (changed(1)) paragraph.SetRightIndent(points(*RightIndent));
  if (changed(2)) paragraph.SetFirstIndent(points(*FirstIndent));
  if (AlignmentItems->checkedId() >= 0 && AlignmentItems->checkedId() != loadedAlignment_)
    paragraph.SetAlignment(AlignmentItems->checkedId());
  if (changed(3)) paragraph.SetSpaceBefore(points(*SpaceBefore));
  if (changed(4)) paragraph.SetSpaceAfter(points(*SpaceAfter));
  if (changed(5)) {
    const int spacing = points(*LineSpacing);
    paragraph.SetLineSpacingRule(spacing <= 0 ? 0 : 3);
    paragraph.SetLineSpacing(spacing <= 0 ? 0 : spacing);
  }
}

bool ShowParagraphDialog(TReParaAttributes &paragraph, QWidget *parent) {
  TParaFormatDlg dialog(parent);
  dialog.LoadParagraphAttributes(paragraph);
  if (ui().execDialog(dialog) != QDialog::Accepted) return false;
  dialog.StoreParagraphAttributes(paragraph);
  return true;
}

} // namespace qel
