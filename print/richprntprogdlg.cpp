#include "print/richprntprogdlg.h"

#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace qel {

TRichPrntProgDlg::TRichPrntProgDlg(QWidget *parent)
    : QDialog(parent, Qt::Tool | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
  setObjectName(QStringLiteral("RichPrntProgDlg"));
  setWindowTitle(QStringLiteral("Print Progress"));
  setModal(false);
  auto *outer = new QVBoxLayout(this);
  outer->setContentsMargins(4, 4, 4, 4);
  auto *bevel = new QFrame(this);
  bevel->setFrameShape(QFrame::Box);
  bevel->setFrameShadow(QFrame::Sunken);
  outer->addWidget(bevel);

  // Laid out rather than placed: "Page Number:" is as wide as the font makes
  // it, and the number stands after it, never over its colon.
  auto *grid = new QGridLayout(bevel);
  grid->setContentsMargins(8, 8, 8, 8);
  grid->setHorizontalSpacing(6);
  grid->setVerticalSpacing(4);
  auto label = [this](const char *name, const QString &text) {
    auto *l = new QLabel(text, this);
    l->setObjectName(QString::fromLatin1(name));
    l->setTextFormat(Qt::PlainText);
    return l;
  };
  lblStatus = label("lblStatus", QString());
  lblTitle = label("lblTitle", QString());
  // A long card title is cut at the window's edge rather than widening it.
  for (QLabel *l : {lblStatus, lblTitle}) l->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  lblPageNumDesc = label("lblPageNumDesc", QStringLiteral("Page Number:"));
  lblPageNumber = label("lblPageNumber", QString());
  grid->addWidget(lblStatus, 0, 0, 1, 2);
  grid->addWidget(lblTitle, 1, 0, 1, 2);
  grid->addWidget(lblPageNumDesc, 2, 0);
  grid->addWidget(lblPageNumber, 2, 1);
  grid->setColumnStretch(1, 1);
  // Room for the status and title lines whatever they hold at first.
  for (QLabel *l : {lblStatus, lblTitle}) l->setMinimumHeight(l->fontMetrics().height());
  setMinimumSize(284, 85);
  resize(minimumSizeHint().expandedTo(QSize(284, 85)));
}

} // namespace qel
