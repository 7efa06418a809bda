#include "app/textdialogparts.h"

#include "shell/programicons.h"

#include <QBoxLayout>
#include <QEvent>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>

namespace qel {

namespace {

class CtrlTabTypesATab : public QObject {
public:
  using QObject::QObject;

protected:
  bool eventFilter(QObject *watched, QEvent *event) override {
    auto *edit = qobject_cast<QLineEdit *>(watched);
    if (edit && (event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride)) {
      auto *k = static_cast<QKeyEvent *>(event);
      if ((k->key() == Qt::Key_Tab || k->key() == Qt::Key_Backtab) && k->modifiers() == Qt::ControlModifier) {
        if (event->type() == QEvent::KeyPress) edit->insert(QStringLiteral("\t"));
        event->accept();
        return true;
      }
    }
    return QObject::eventFilter(watched, event);
  }
};

} // namespace

void LetCtrlTabTypeATab(QLineEdit *edit) { edit->installEventFilter(new CtrlTabTypesATab(edit)); }

QPlainTextEdit *AddSampleBox(QWidget *parent, QBoxLayout *layout, const QString &title) {
  auto *group = new QGroupBox(title, parent);
  auto *groupLayout = new QVBoxLayout(group);
  auto *sample = new QPlainTextEdit(group);
  sample->setObjectName(QStringLiteral("m_Sample"));
  sample->setReadOnly(true);
  sample->setLineWrapMode(QPlainTextEdit::NoWrap);
  groupLayout->addWidget(sample);
  layout->addWidget(group, 1);
  return sample;
}

namespace {
constexpr int kPicture = 64;  // the picture's side
constexpr int kPanelGap = 15;  // from the dialog's left to the panel, and from the panel to the controls
} // namespace

void AddPicturePanel(QWidget *dialog, QBoxLayout *layout, QFrame *&pn_1, QLabel *&im_1) {
  pn_1 = new QFrame(dialog);
  pn_1->setObjectName(QStringLiteral("pn_1"));
  pn_1->setFrameShape(QFrame::StyledPanel);
  pn_1->setFrameShadow(QFrame::Sunken);
  im_1 = new QLabel(pn_1);
  im_1->setObjectName(QStringLiteral("im_1"));
  im_1->setPixmap(QPixmap::fromImage(DrawProgramIconImage(kPicture)));
  im_1->resize(kPicture, kPicture);
  QMargins m = layout->contentsMargins();
  m.setLeft(kPanelGap + kPicture + 16 + kPanelGap);
  layout->setContentsMargins(m);
}

void PlacePicturePanel(QFrame *pn_1, QLabel *im_1, const QWidget *top, const QWidget *bottom) {
  const int y = top->y();
  pn_1->setGeometry(kPanelGap, y, top->x() - 2 * kPanelGap, bottom->y() + bottom->height() - y);
  // Halves rounded towards zero.
  im_1->move((pn_1->width() - im_1->width()) / 2, (pn_1->height() - im_1->height()) / 2);
}

} // namespace qel
