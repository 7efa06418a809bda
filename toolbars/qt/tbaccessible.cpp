#include "toolbars/qt/tbaccessible.h"

#include "toolbars/core/tbaccobject.h"
#include "toolbars/core/tbdeferred.h"
#include "toolbars/core/tbtext.h"
#include "toolbars/core/tbview.h"
#include "toolbars/qt/tbwidgethost.h"

#include <QAccessibleObject>
#include <QApplication>
#include <QKeySequence>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <vector>

namespace qel::toolbars {

namespace {

TTbrWidgetViewHost *WidgetHostOf(const TTbrView *view) {
  return view ? dynamic_cast<TTbrWidgetViewHost *>(view->Host()) : nullptr;
}

bool LaidOut(const TTbrItemViewer *viewer) { return viewer->Show || viewer->OffEdge || viewer->Clipped; }

// The viewers a view lists as its children, in display order.
std::vector<TTbrItemViewer *> ChildViewers(const TTbrView *view) {
  std::vector<TTbrItemViewer *> children;
  for (int i = 0; i < view->ViewerCount(); ++i)
    if (TTbrItemViewer *viewer = view->Viewers(i); LaidOut(viewer))
      children.push_back(viewer);
  return children;
}

// The widget of a control item, when the viewer shows one.
QWidget *ControlWidgetOf(const TTbrItemViewer *viewer) {
  const auto *control = dynamic_cast<const TTbrControlItem *>(viewer->Item);
  return control ? qobject_cast<QWidget *>(control->Control()) : nullptr;
}

QString AltKeyName() {
  const QString name = QKeySequence(Qt::Key_Alt).toString(QKeySequence::NativeText);
  return name.isEmpty() ? QStringLiteral("Alt") : name;
}

QWindow *WindowOf(QWidget *widget) { return widget ? widget->window()->windowHandle() : nullptr; }

// ---------------------------------------------------------------------------
// A view, through the widget that shows it.

class TViewAccessible final : public QAccessibleObject, public TTbrAccessibleLink {
public:
  TViewAccessible(QWidget *widget, TTbrView *view) : QAccessibleObject(widget), View(view), Widget(widget) {
    View->AccObject = this;
  }
  ~TViewAccessible() override {
    if (View && View->AccObject == this)
      View->AccObject = nullptr;
  }
  void Detach() override { View = nullptr; }
  TTbrView *AttachedView() const { return View; }

  bool isValid() const override { return View && Widget && QAccessibleObject::isValid(); }
  QWindow *window() const override { return isValid() ? WindowOf(Widget) : nullptr; }

  QAccessibleInterface *parent() const override {
    if (!isValid())
      return nullptr;
    if (TTbrItemViewer *opener = Opener())
      if (QAccessibleInterface *iface = AccessibleOf(opener))
        return iface;
    QObject *above = Widget->parentWidget();
    return QAccessible::queryAccessibleInterface(above ? above : static_cast<QObject *>(qApp));
  }

  int childCount() const override { return isValid() ? int(ChildViewers(View).size()) : 0; }

  QAccessibleInterface *child(int index) const override {
    if (!isValid() || index < 0)
      return nullptr;
    const std::vector<TTbrItemViewer *> children = ChildViewers(View);
    return index < int(children.size()) ? ChildOf(children[std::size_t(index)]) : nullptr;
  }

  int indexOfChild(const QAccessibleInterface *child) const override {
    if (!isValid() || !child)
      return -1;
    const std::vector<TTbrItemViewer *> children = ChildViewers(View);
    for (std::size_t i = 0; i < children.size(); ++i) {
      TTbrItemViewer *viewer = children[i];
      if (viewer->AccObject == dynamic_cast<const TTbrAccessibleLink *>(child))
        return int(i);
      if (QWidget *control = ControlWidgetOf(viewer); control && control == child->object())
        return int(i);
    }
    return -1;
  }

  QAccessibleInterface *childAt(int x, int y) const override {
    if (!isValid() || !rect().contains(x, y))
      return nullptr;
    const QPoint local = Widget->mapFromGlobal(QPoint(x, y));
    if (QWidget *under = Widget->childAt(local)) {
      while (under->parentWidget() && under->parentWidget() != Widget)
        under = under->parentWidget();
      if (under->isVisible())
        return QAccessible::queryAccessibleInterface(under);
    }
    const TTbrWidgetViewHost *host = WidgetHostOf(View);
    const QPoint client = local - (host ? host->ClientRect().topLeft() : QPoint());
    if (TTbrItemViewer *viewer = View->ViewerFromPoint(client))
      return ChildOf(viewer);
    return nullptr;
  }

  QString text(QAccessible::Text t) const override {
    if (!isValid())
      return QString();
    switch (t) {
    case QAccessible::Name:
      if (TTbrItemViewer *opener = Opener())
        return RemoveAmpersands(opener->GetCaptionText());
      return Widget->windowTitle();
    case QAccessible::Accelerator:
      return (View->Style & tbvsMenuBar) ? AltKeyName() : QString();
    default:
      return QString();
    }
  }
  void setText(QAccessible::Text, const QString &) override {}

  QRect rect() const override {
    if (!isValid())
      return QRect();
    return QRect(Widget->mapToGlobal(QPoint(0, 0)), Widget->size());
  }

  QAccessible::Role role() const override {
    if (!isValid())
      return QAccessible::NoRole;
    if (View->IsPopup)
      return QAccessible::PopupMenu;
    return (View->Style & tbvsMenuBar) ? QAccessible::MenuBar : QAccessible::ToolBar;
  }

  QAccessible::State state() const override { return QAccessible::State(); }

private:
  // The viewer whose popup this view is; while the popup opens, the parent
  // view's selected viewer showing the popup's item.
  TTbrItemViewer *Opener() const {
    TTbrView *parent = View->ParentView();
    if (!parent)
      return nullptr;
    if (parent->OpenViewerView() == View)
      return parent->OpenViewer();
    TTbrItemViewer *selected = parent->Selected();
    return !parent->OpenViewerView() && selected && selected->Item == View->ParentItem() ? selected : nullptr;
  }
  QAccessibleInterface *ChildOf(TTbrItemViewer *viewer) const {
    if (QWidget *control = ControlWidgetOf(viewer))
      return QAccessible::queryAccessibleInterface(control);
    return AccessibleOf(viewer);
  }

  TTbrView *View;
  QPointer<QWidget> Widget;
};

// ---------------------------------------------------------------------------
// An item viewer.

class TViewerAccessible final : public QAccessibleInterface,
                                public QAccessibleActionInterface,
                                public TTbrAccessibleLink {
public:
  explicit TViewerAccessible(TTbrItemViewer *viewer) : Viewer(viewer) { Viewer->AccObject = this; }
  ~TViewerAccessible() override {
    if (Viewer && Viewer->AccObject == this)
      Viewer->AccObject = nullptr;
  }

  void Detach() override {
    Viewer = nullptr;
    // Dropped from Qt's registry once the current event is done, so a client
    // still working with it in this call meets an invalid object, not a freed one.
    const QAccessible::Id id = QAccessible::uniqueId(this);
    QAccessibleInterface *self = this;
    if (QCoreApplication::instance())
      QTimer::singleShot(0, QCoreApplication::instance(), [id, self] {
        if (QAccessible::accessibleInterface(id) == self)
          QAccessible::deleteAccessibleInterface(id);
      });
  }

  bool isValid() const override { return Viewer != nullptr; }
  QObject *object() const override { return nullptr; }
  QWindow *window() const override {
    const TTbrWidgetViewHost *host = Viewer ? WidgetHostOf(Viewer->View) : nullptr;
    return host ? WindowOf(host->Widget()) : nullptr;
  }

  QAccessibleInterface *parent() const override { return Viewer ? AccessibleOf(Viewer->View) : nullptr; }
  int childCount() const override { return OpenPopupView() ? 1 : 0; }
  QAccessibleInterface *child(int index) const override {
    TTbrView *popup = index == 0 ? OpenPopupView() : nullptr;
    return popup ? AccessibleOf(popup) : nullptr;
  }
  int indexOfChild(const QAccessibleInterface *child) const override {
    TTbrView *popup = OpenPopupView();
    return popup && child && child == AccessibleOf(popup) ? 0 : -1;
  }
  QAccessibleInterface *childAt(int, int) const override { return nullptr; }

  QString text(QAccessible::Text t) const override {
    if (!Viewer)
      return QString();
    switch (t) {
    case QAccessible::Name: {
      QString name = RemoveAmpersands(Viewer->GetCaptionText());
      if (!Viewer->IsToolbarStyle())
        if (const QString shortCut = Viewer->Item->ShortCutText(); !shortCut.isEmpty())
          name += u'\t' + shortCut;
      return name;
    }
    case QAccessible::Accelerator:
      return Accelerator();
    case QAccessible::Value: {
      QString value;
      return Viewer->GetAccValue(value) ? value : QString();
    }
    default:
      return QString();
    }
  }
  void setText(QAccessible::Text, const QString &) override {}

  QRect rect() const override {
    if (!Viewer)
      return QRect();
    const QRect screen = Viewer->View->Host() ? Viewer->View->Host()->ScreenClientRect() : QRect();
    return Viewer->BoundsRect.translated(screen.topLeft());
  }

  QAccessible::Role role() const override {
    return Viewer ? QAccessible::Role(Viewer->AccessibleRole()) : QAccessible::NoRole;
  }

  QAccessible::State state() const override {
    QAccessible::State state;
    if (!Viewer)
      return state;
    const TTbrView *view = Viewer->View;
    const TTbrCustomItem *item = Viewer->Item;
    if (view->Selected() == Viewer) {
      state.hotTracked = true;
      state.focused = view->InMenuMode();
      state.pressed = view->Capture() && view->MouseOverSelected();
    }
    state.hasPopup = (item->ItemStyle() & tbis::Submenu) != 0;
    if (Viewer->Show || Viewer->Clipped)
      state.focusable = Usable();
    else
      state.invisible = true;
    state.disabled = !(item->Enabled() && (item->ItemStyle() & tbis::Selectable));
    state.checked = item->Checked();
    return state;
  }

  void *interface_cast(QAccessible::InterfaceType type) override {
    return type == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface *>(this) : nullptr;
  }

  // Actions: the default one, and taking the focus (a client's select).
  QStringList actionNames() const override {
    QStringList names;
    if (!Viewer)
      return names;
    if (const QString name = DefaultAction(); !name.isEmpty())
      names << name;
    if ((Viewer->Show || Viewer->Clipped) && Usable())
      names << setFocusAction();
    return names;
  }
  QString localizedActionName(const QString &name) const override { return name; }
  QString localizedActionDescription(const QString &name) const override { return name; }
  QStringList keyBindingsForAction(const QString &name) const override {
    const QString accel = Accelerator();
    return Viewer && name == DefaultAction() && !accel.isEmpty() ? QStringList{accel} : QStringList();
  }

  void doAction(const QString &name) override {
    if (!Viewer)
      return;
    if (name == setFocusAction())
      TakeFocus();
    else if (name == QLatin1String(SAccClose) || name == QLatin1String(SAccOpen) ||
             name == QLatin1String(SAccExecute) || name == QLatin1String(SAccPress))
      DoDefaultAction();
  }

private:
  TTbrView *OpenPopupView() const {
    return Viewer && Viewer->View->OpenViewer() == Viewer ? Viewer->View->OpenViewerView() : nullptr;
  }

  bool Usable() const {
    const TTbrView *view = Viewer->View;
    return view->Host() && view->Host()->WindowUsable(view->InMenuMode());
  }

  QString Accelerator() const {
    if (!Viewer || !Viewer->CaptionShown())
      return QString();
    const char32_t accel = AccelCharOf(Viewer->GetCaptionText());
    if (accel == 0)
      return QString();
    const QString key = QString::fromUcs4(&accel, 1).toLower();
    return Viewer->View->IsPopup ? key : AltKeyName() + u'+' + key;
  }

  QString DefaultAction() const {
    if (!Viewer->AccActionable())
      return QString();
    if (OpenPopupView())
      return QLatin1String(SAccClose);
    if (Viewer->Item->ItemStyle() & tbis::Submenu)
      return QLatin1String(SAccOpen);
    if (Viewer->View->IsPopup || (Viewer->View->Style & tbvsMenuBar))
      return QLatin1String(SAccExecute);
    return QLatin1String(SAccPress);
  }

  void DoDefaultAction() {
    if (!Viewer->AccActionable())
      return;
    TTbrView *view = Viewer->View;
    if (OpenPopupView()) {
      view->CloseChildPopups();
      if (view->IsToolbar && view->InMenuMode())
        view->EndModal();
      return;
    }
    // The command itself runs after the client's call has returned.
    view->Select(Viewer, false);
    view->ScrollSelectedIntoView();
    if (Viewer)
      QueueDeferred(Viewer, 1);
  }

  void TakeFocus() {
    TTbrView *view = Viewer->View;
    if (!Usable() || !(Viewer->Show || Viewer->Clipped))
      return;
    view->Select(Viewer, false);
    view->ScrollSelectedIntoView();
    if (Viewer && !view->ParentView() && !view->InMenuMode())
      QueueDeferred(Viewer, 0);
  }

  TTbrItemViewer *Viewer;
};

QAccessibleInterface *ViewFactory(const QString &, QObject *object) {
  if (!object || !object->isWidgetType())
    return nullptr;
  auto *host = dynamic_cast<TTbrWidgetViewHost *>(object);
  if (!host || !host->HostedView() || host->HostedView()->AccObject)
    return nullptr;
  return new TViewAccessible(host->Widget(), host->HostedView());
}

} // namespace

void InstallToolbarAccessibility() {
  static const bool installed = [] {
    QAccessible::installFactory(&ViewFactory);
    return true;
  }();
  (void)installed;
}

namespace {
// Drops an interface Qt keeps for a widget that does not answer for the
// view the widget shows now (a plain widget's, or one of a view before).
void DropForeignInterface(QWidget *widget) {
  const auto *host = dynamic_cast<TTbrWidgetViewHost *>(widget);
  QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(widget);
  const auto *ours = dynamic_cast<TViewAccessible *>(iface);
  if (iface && (!ours || (host && ours->AttachedView() != host->HostedView())))
    QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(iface));
}
} // namespace

void ViewHostChanged(QWidget *widget) {
  if (widget && QAccessible::isActive())
    DropForeignInterface(widget);
}

QAccessibleInterface *AccessibleOf(TTbrView *view) {
  TTbrWidgetViewHost *host = WidgetHostOf(view);
  if (!host || host->HostedView() != view)
    return nullptr;
  auto *ours = dynamic_cast<TViewAccessible *>(QAccessible::queryAccessibleInterface(host->Widget()));
  if (!ours || ours->AttachedView() != view) {
    DropForeignInterface(host->Widget());
    ours = dynamic_cast<TViewAccessible *>(QAccessible::queryAccessibleInterface(host->Widget()));
  }
  return ours && ours->AttachedView() == view ? ours : nullptr;
}

QAccessibleInterface *AccessibleOf(TTbrItemViewer *viewer) {
  if (!viewer)
    return nullptr;
  if (auto *made = dynamic_cast<TViewerAccessible *>(viewer->AccObject))
    return made;
  if (!AccessibleOf(viewer->View))
    return nullptr;
  auto *iface = new TViewerAccessible(viewer);
  QAccessible::registerAccessibleInterface(iface);
  return iface;
}

void SendAccessibleEvent(QWidget *widget, QAccessible::Event type, int child) {
  if (!widget || !QAccessible::isActive())
    return;
  QAccessibleEvent event(widget, type);
  if (child >= 0)
    event.setChild(child);
  QAccessible::updateAccessibility(&event);
}

} // namespace qel::toolbars
