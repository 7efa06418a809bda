#include "print/richprntprogdlg.h"

#include <QFrame>
#include <QLabel>

namespace qel {

TRichPrntProgDlg::TRichPrntProgDlg(QWidget *parent)
    : QDialog(parent, Qt::Tool | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
  setObjectName(QStringLiteral("RichPrntProgDlg"));
  setWindowTitle(QStringLiteral("Print Progress"));
  setModal(false);
  resize(284, 85);
  auto *bevel = new QFrame(this);
  bevel->setFrameShape(QFrame::Box);
  bevel->setFrameShadow(QFrame::Sunken);
  bevel->setGeometry(4, 4, 276, 77);
  auto label = [this](const char *name, int x, int y, const QString &text) {
    auto *l = new QLabel(text, this);
    l->setObjectName(QString::fromLatin1(name));
    l->move(x, y);
    l->setMinimumWidth(260 - x);
    return l;
  };
  lblStatus = label("lblStatus", 12, 16, QString());
  lblTitle = label("lblTitle", 12, 36, QString());
  lblPageNumDesc = label("lblPageNumDesc", 12, 56, QStringLiteral("Page Number:"));
  lblPageNumDesc->setMinimumWidth(78);
  lblPageNumber = label("lblPageNumber", 92, 56, QString());
}

} // namespace qel
