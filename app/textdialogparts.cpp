#include "app/textdialogparts.h"

#include <QBoxLayout>
#include <QEvent>
#include <QGroupBox>
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

} // namespace qel
