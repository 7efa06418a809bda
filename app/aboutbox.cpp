#include "app/aboutbox.h"

#include "platform/uiservices.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

namespace qel {

void OpenHomePage() { ui().openUrl(kHomePageUrl); }

TAboutBox::TAboutBox(QWidget *parent) : QDialog(parent) {
  setObjectName(QStringLiteral("AboutBox"));
  setWindowTitle(QStringLiteral("About"));
  ProgramIcon = new QLabel;
  ProgramIcon->setObjectName(QStringLiteral("ProgramIcon"));
  const QIcon icon = QApplication::windowIcon().isNull() ? style()->standardIcon(QStyle::SP_FileDialogInfoView)
                                                          : QApplication::windowIcon();
  ProgramIcon->setPixmap(icon.pixmap(48, 48));
  ProductName = new QLabel(QStringLiteral("Qel Moravine"));
  ProductName->setObjectName(QStringLiteral("ProductName"));
  QFont big = ProductName->font();
  big.setPointSizeF(big.pointSizeF() * 1.6);
  big.setBold(true);
  ProductName->setFont(big);
  lbl_Version = new QLabel;
  lbl_Version->setObjectName(QStringLiteral("lbl_Version"));
  lbl_HomePage = new QLabel(QStringLiteral("<a href=\"home\">visit Qel Moravine home page</a>"));
  lbl_HomePage->setObjectName(QStringLiteral("lbl_HomePage"));
  lbl_HomePage->setTextFormat(Qt::RichText);
  lbl_HomePage->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
  connect(lbl_HomePage, &QLabel::linkActivated, this, [] { OpenHomePage(); });
  auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok);
  buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("OKButton"));
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

  auto *texts = new QVBoxLayout;
  texts->addWidget(ProductName);
  texts->addWidget(lbl_Version);
  texts->addSpacing(8);
  texts->addWidget(lbl_HomePage);
  auto *top = new QHBoxLayout;
  top->addWidget(ProgramIcon, 0, Qt::AlignTop);
  top->addSpacing(12);
  top->addLayout(texts, 1);
  auto *layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addWidget(buttons);
}

void TAboutBox::showEvent(QShowEvent *e) {
  QDialog::showEvent(e);
  lbl_Version->setText(QStringLiteral("Version: 3.3c    (2007.09.20)"));
}

} // namespace qel
