#include "print/pagesetupdlg.h"

#include "print/richprint.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPrinterInfo>
#include <QRadioButton>
#include <QVBoxLayout>

namespace qel {

TPageSetupDlg::TPageSetupDlg(const PageSetupValues &values, unsigned flags, QWidget *parent)
    : QDialog(parent), initial_(values), flags_(flags) {
  setObjectName(QStringLiteral("PageSetupDialog"));
  setWindowTitle(QStringLiteral("Page Setup"));
  auto *top = new QVBoxLayout(this);

  auto *paperBox = new QGroupBox(QStringLiteral("Paper"), this);
  auto *paperForm = new QFormLayout(paperBox);
  cb_Paper = new QComboBox(paperBox);
  cb_Paper->setObjectName(QStringLiteral("cb_Paper"));
  const QPageSize::PageSizeId sizes[] = {QPageSize::A4, QPageSize::Letter, QPageSize::Legal, QPageSize::A3,
                                         QPageSize::A5, QPageSize::B5, QPageSize::Executive};
  for (QPageSize::PageSizeId id : sizes) cb_Paper->addItem(QPageSize::name(id), int(id));
  if (cb_Paper->findData(int(values.paper.id())) < 0) cb_Paper->addItem(values.paper.name(), int(values.paper.id()));
  cb_Paper->setCurrentIndex(cb_Paper->findData(int(values.paper.id())));
  paperForm->addRow(QStringLiteral("Si&ze:"), cb_Paper);
  cb_Printer = new QComboBox(paperBox);
  cb_Printer->setObjectName(QStringLiteral("cb_Printer"));
  cb_Printer->addItem(QStringLiteral("PDF file"), QString());
  for (const QString &name : QPrinterInfo::availablePrinterNames()) cb_Printer->addItem(name, name);
  cb_Printer->setCurrentIndex(std::max(0, cb_Printer->findData(values.printer)));
  paperForm->addRow(QStringLiteral("&Printer:"), cb_Printer);
  top->addWidget(paperBox);

  auto *row = new QHBoxLayout;
  auto *orientBox = new QGroupBox(QStringLiteral("Orientation"), this);
  auto *orientLayout = new QVBoxLayout(orientBox);
  rb_Portrait = new QRadioButton(QStringLiteral("P&ortrait"), orientBox);
  rb_Portrait->setObjectName(QStringLiteral("rb_Portrait"));
  rb_Landscape = new QRadioButton(QStringLiteral("L&andscape"), orientBox);
  rb_Landscape->setObjectName(QStringLiteral("rb_Landscape"));
  (values.orientation == QPageLayout::Portrait ? rb_Portrait : rb_Landscape)->setChecked(true);
  orientLayout->addWidget(rb_Portrait);
  orientLayout->addWidget(rb_Landscape);
  row->addWidget(orientBox);

  auto *marginBox = new QGroupBox(values.millimetres ? QStringLiteral("Margins (millimeters)")
                                                     : QStringLiteral("Margins (inches)"), this);
  auto *marginForm = new QFormLayout(marginBox);
  auto spin = [&](const char *name, double v) {
    auto *s = new QDoubleSpinBox(marginBox);
    s->setObjectName(QString::fromLatin1(name));
    s->setDecimals(values.millimetres ? 2 : 3);
    s->setSingleStep(values.millimetres ? 1 : 0.1);
    s->setRange(0, values.millimetres ? 1000 : 40);
    s->setValue(v);
    return s;
  };
  se_MarginLeft = spin("se_MarginLeft", values.margins.left());
  se_MarginRight = spin("se_MarginRight", values.margins.right());
  se_MarginTop = spin("se_MarginTop", values.margins.top());
  se_MarginBottom = spin("se_MarginBottom", values.margins.bottom());
  marginForm->addRow(QStringLiteral("&Left:"), se_MarginLeft);
  marginForm->addRow(QStringLiteral("&Right:"), se_MarginRight);
  marginForm->addRow(QStringLiteral("&Top:"), se_MarginTop);
  marginForm->addRow(QStringLiteral("&Bottom:"), se_MarginBottom);
  row->addWidget(marginBox);
  top->addLayout(row);

  auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  top->addWidget(buttons);

  marginBox->setEnabled(!(flags & PSD_DISABLEMARGINS));
  orientBox->setEnabled(!(flags & PSD_DISABLEORIENTATION));
  cb_Paper->setEnabled(!(flags & PSD_DISABLEPAPERSIZE));
  cb_Printer->setEnabled(!(flags & PSD_DISABLEPRINTER));
}

PageSetupValues TPageSetupDlg::values() const {
  // A part that is turned off keeps what the dialog was given, whatever its
  // controls hold.
  PageSetupValues v = initial_;
  if (!(flags_ & PSD_DISABLEPAPERSIZE)) v.paper = QPageSize(QPageSize::PageSizeId(cb_Paper->currentData().toInt()));
  if (!(flags_ & PSD_DISABLEORIENTATION))
    v.orientation = rb_Landscape->isChecked() ? QPageLayout::Landscape : QPageLayout::Portrait;
  if (!(flags_ & PSD_DISABLEMARGINS))
    v.margins = QMarginsF(se_MarginLeft->value(), se_MarginTop->value(), se_MarginRight->value(), se_MarginBottom->value());
  if (!(flags_ & PSD_DISABLEPRINTER)) v.printer = cb_Printer->currentData().toString();
  return v;
}

} // namespace qel
