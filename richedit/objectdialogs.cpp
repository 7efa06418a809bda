#include "richedit/objectdialogs.h"

#include "platform/uiservices.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace qel {

TPasteSpecialDlg::TPasteSpecialDlg(QWidget *parent, const QStringList &names, const QStringList &results)
    : QDialog(parent), results_(results) {
  setObjectName(QStringLiteral("PasteSpecialDialog"));
  setWindowTitle(QStringLiteral("Paste Special"));
  SetDialogFrame(*this);
  auto *layout = new QVBoxLayout(this);
  auto *row = new QHBoxLayout;
  auto *how = new QVBoxLayout;
  auto *paste = new QRadioButton(QStringLiteral("&Paste"), this);
  paste->setObjectName(QStringLiteral("rb_Paste"));
  paste->setChecked(true);
  // Linking needs a link source, which only an object server can give.
  auto *link = new QRadioButton(QStringLiteral("Paste &Link"), this);
  link->setObjectName(QStringLiteral("rb_PasteLink"));
  link->setEnabled(false);
  how->addWidget(paste);
  how->addWidget(link);
  how->addStretch();
  row->addLayout(how);
  auto *as = new QVBoxLayout;
  auto *asLabel = new QLabel(QStringLiteral("&As:"), this);
  lb_PasteAs_ = new QListWidget(this);
  lb_PasteAs_->setObjectName(QStringLiteral("lb_PasteAs"));
  lb_PasteAs_->addItems(names);
  asLabel->setBuddy(lb_PasteAs_);
  as->addWidget(asLabel);
  as->addWidget(lb_PasteAs_);
  row->addLayout(as, 1);
  auto *icon = new QCheckBox(QStringLiteral("&Display As Icon"), this);
  icon->setObjectName(QStringLiteral("cb_DisplayAsIcon"));
  icon->setEnabled(false);
  row->addWidget(icon, 0, Qt::AlignTop);
  layout->addLayout(row);
  auto *result = new QGroupBox(QStringLiteral("Result"), this);
  auto *resultLayout = new QVBoxLayout(result);
  lbl_Result_ = new QLabel(result);
  lbl_Result_->setObjectName(QStringLiteral("lbl_Result"));
  lbl_Result_->setWordWrap(true);
  resultLayout->addWidget(lbl_Result_);
  layout->addWidget(result);
  auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(lb_PasteAs_, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
  layout->addWidget(buttons);
  connect(lb_PasteAs_, &QListWidget::currentRowChanged, this, [this] { showResult(); });
  if (!names.isEmpty()) lb_PasteAs_->setCurrentRow(0);
  showResult();
}

int TPasteSpecialDlg::SelectedIndex() const { return lb_PasteAs_->currentRow(); }

void TPasteSpecialDlg::showResult() {
  const int i = SelectedIndex();
  lbl_Result_->setText(i >= 0 && i < results_.size()
                           ? QStringLiteral("Inserts the contents of the Clipboard into your document as %1.").arg(results_[i])
                           : QString());
}

TObjectPropertiesDlg::TObjectPropertiesDlg(QWidget *parent, const ObjectInfo &info) : QDialog(parent) {
  setObjectName(QStringLiteral("ObjectPropertiesDialog"));
  setWindowTitle(QStringLiteral("%1 Properties").arg(info.typeName));
  SetDialogFrame(*this);
  auto *layout = new QVBoxLayout(this);
  auto *general = new QGroupBox(QStringLiteral("General"), this);
  auto *form = new QFormLayout(general);
  auto value = [this](const char *name, const QString &text) {
    auto *l = new QLabel(text, this);
    l->setObjectName(QLatin1String(name));
    l->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return l;
  };
  form->addRow(QStringLiteral("Type:"), value("lbl_Type", info.typeName));
  form->addRow(QStringLiteral("Name:"), value("lbl_Name", info.typeName));
  form->addRow(QStringLiteral("Size:"), value("lbl_Size", QStringLiteral("Unknown")));
  form->addRow(QStringLiteral("Location:"), value("lbl_Location", info.location));
  layout->addWidget(general);
  if (info.isLink) {
    auto *linkBox = new QGroupBox(QStringLiteral("Link"), this);
    auto *linkLayout = new QVBoxLayout(linkBox);
    auto *linkForm = new QFormLayout;
    linkForm->addRow(QStringLiteral("Source:"),
                     value("lbl_LinkSource", info.linkSource.isEmpty() ? QStringLiteral("Unknown") : info.linkSource));
    linkLayout->addLayout(linkForm);
    auto *row = new QHBoxLayout;
    // Updating, opening and changing a link's source all need its server.
    for (const auto &[name, caption] : {std::pair{"b_UpdateNow", "&Update Now"}, std::pair{"b_OpenSource", "&Open Source"},
                                        std::pair{"b_ChangeSource", "&Change Source..."}}) {
      auto *b = new QPushButton(QLatin1String(caption), linkBox);
      b->setObjectName(QLatin1String(name));
      b->setEnabled(false);
      row->addWidget(b);
    }
    auto *breakLink = new QPushButton(QStringLiteral("&Break Link"), linkBox);
    breakLink->setObjectName(QStringLiteral("b_BreakLink"));
    connect(breakLink, &QPushButton::clicked, this, [] {
      ui().messageBox(QStringLiteral("Break link operation is not supported."), QStringLiteral("Link Properties"), MB_OK);
    });
    row->addWidget(breakLink);
    linkLayout->addLayout(row);
    layout->addWidget(linkBox);
  }
  auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(buttons);
}

} // namespace qel
