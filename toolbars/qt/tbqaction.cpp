#include "toolbars/qt/tbqaction.h"

#include <QAction>
#include <QDynamicPropertyChangeEvent>

namespace qel::toolbars {

namespace {
constexpr const char *ImageIndexProperty = "ImageIndex";
constexpr const char *HelpContextProperty = "HelpContext";

int IntProperty(const QAction *action, const char *name, int fallback) {
  const QVariant value = action->property(name);
  bool ok = false;
  const int number = value.toInt(&ok);
  return value.isValid() && ok ? number : fallback;
}
} // namespace

TTbrQActionAdapter *TTbrQActionAdapter::For(QAction *action) {
  if (!action)
    return nullptr;
  if (auto *adapter = action->findChild<TTbrQActionAdapter *>(QString(), Qt::FindDirectChildrenOnly))
    return adapter;
  return new TTbrQActionAdapter(action);
}

TTbrQActionAdapter::TTbrQActionAdapter(QAction *action) : QObject(action), Action(action) {
  SetValues(ValuesOf(action));
  connect(action, &QAction::changed, this, [this] { Refresh(); });
  action->installEventFilter(this);
}

TTbrActionValues TTbrQActionAdapter::ValuesOf(const QAction *action) {
  TTbrActionValues v;
  v.AutoCheck = action->isCheckable();
  v.Caption = action->text();
  v.Checked = action->isChecked();
  v.Enabled = action->isEnabled();
  v.HelpContext = IntProperty(action, HelpContextProperty, 0);
  v.Hint = action->toolTip();
  if (!action->statusTip().isEmpty())
    v.Hint += QLatin1Char('|') + action->statusTip();
  v.ImageIndex = IntProperty(action, ImageIndexProperty, -1);
  v.ShortCut = action->shortcut().isEmpty() ? 0 : action->shortcut()[0].toCombined();
  v.Visible = action->isVisible();
  return v;
}

void TTbrQActionAdapter::Refresh() { SetValues(ValuesOf(Action)); }

bool TTbrQActionAdapter::Execute() {
  if (!Action->isEnabled())
    return false;
  Action->trigger();
  return true;
}

bool TTbrQActionAdapter::eventFilter(QObject *watched, QEvent *event) {
  if (watched == Action && event->type() == QEvent::DynamicPropertyChange) {
    const QByteArray name = static_cast<QDynamicPropertyChangeEvent *>(event)->propertyName();
    if (name == ImageIndexProperty || name == HelpContextProperty)
      Refresh();
  }
  return QObject::eventFilter(watched, event);
}

} // namespace qel::toolbars
