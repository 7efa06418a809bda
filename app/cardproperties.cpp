#include "app/cardproperties.h"

#include "app/colors.h"
#include "cards/crd.h"
#include "platform/datetime.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

namespace qel {

TColorShape::TColorShape(QWidget *parent) : QFrame(parent) {
  setFrameShape(QFrame::Box);
  setMinimumSize(60, 20);
}

void TColorShape::setBrush(const QColor &color, Qt::BrushStyle style) {
  color_ = color;
  style_ = style;
  update();
}

void TColorShape::paintEvent(QPaintEvent *e) {
  QFrame::paintEvent(e);
  QPainter p(this);
  p.fillRect(contentsRect(), QBrush(color_.isValid() ? color_ : palette().color(QPalette::WindowText), style_));
}

QString CardTimeText(double stamp) {
  if (stamp == 0) return QStringLiteral("unknown");
  // Date and time, the time left out at midnight exactly, as the desktop's date-time text does.
  const double fraction = stamp - double(qint64(stamp));
  return fraction == 0 ? FormatDateTime(QStringLiteral("ddddd"), stamp)
                       : FormatDateTime(QStringLiteral("ddddd hh:nn:ss"), stamp);
}

Tf_CardProperties::Tf_CardProperties(QWidget *parent) : QDialog(parent) {
  setObjectName(QStringLiteral("f_CardProperties"));
  setWindowTitle(QStringLiteral("Card properties"));
  auto *layout = new QVBoxLayout(this);
  auto *form = new QFormLayout;
  e_Title = new QLineEdit(this);
  e_Title->setObjectName(QStringLiteral("e_Title"));
  lbl_created = new QLabel(this);
  lbl_created->setObjectName(QStringLiteral("lbl_created"));
  lbl_modified = new QLabel(this);
  lbl_modified->setObjectName(QStringLiteral("lbl_modified"));
  lbl_size = new QLabel(this);
  lbl_size->setObjectName(QStringLiteral("lbl_size"));
  sh_background = new TColorShape(this);
  sh_background->setObjectName(QStringLiteral("sh_background"));
  lbl_phone = new QLabel(this);
  lbl_phone->setObjectName(QStringLiteral("lbl_phone"));
  for (QLabel *l : {lbl_created, lbl_modified, lbl_size, lbl_phone}) l->setTextFormat(Qt::PlainText);
  form->addRow(QStringLiteral("Title:"), e_Title);
  form->addRow(QStringLiteral("Created:"), lbl_created);
  form->addRow(QStringLiteral("Last modified:"), lbl_modified);
  form->addRow(QStringLiteral("Size:"), lbl_size);
  form->addRow(QStringLiteral("Background color:"), sh_background);
  form->addRow(QStringLiteral("Phone Nr:"), lbl_phone);
  auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons->button(QDialogButtonBox::Ok)->setDefault(true);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addLayout(form);
  layout->addWidget(buttons);
  setMinimumWidth(340);
}

void Tf_CardProperties::ShowCard(const TCrd &card, bool locked) {
  e_Title->setText(card.Title);
  e_Title->setEnabled(!locked);
  lbl_created->setText(CardTimeText(card.Created));
  lbl_modified->setText(CardTimeText(card.LastOpen));
  lbl_size->setText(QString::number(card.SIZ) + QStringLiteral(" bytes"));
  if (card.Color == kNoColor)
    sh_background->setBrush(QColor(), Qt::BDiagPattern);
  else
    sh_background->setBrush(TColorToQColor(card.Color), Qt::SolidPattern);
  lbl_phone->setText(card.Phone.isEmpty() ? QStringLiteral("undefined") : card.Phone);
}

} // namespace qel
