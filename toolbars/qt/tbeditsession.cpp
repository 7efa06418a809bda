#include "toolbars/qt/tbeditsession.h"

#include "toolbars/core/tbedititem.h"
#include "toolbars/core/tbmenuloop.h"
#include "toolbars/core/tbview.h"
#include "toolbars/core/thmlistviewer.h"
#include "toolbars/paint/thmlists.h"
#include "toolbars/qt/tbmodaldriver.h"
#include "toolbars/qt/thmedit.h"
#include "toolbars/qt/tbwidgethost.h"

#include <QApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QEventLoop>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPointer>
#include <QTimer>
#include <QValidator>
#include <QWheelEvent>
#include <QWidget>

#include <exception>

namespace qel::toolbars {

namespace {

constexpr const char *InPlaceEditorProperty = "qelInPlaceEditor";

// Keeps the typed text in the item's case.
class TCaseValidator final : public QValidator {
public:
  TCaseValidator(TEditCharCase charCase, QObject *parent) : QValidator(parent), Case(charCase) {}
  State validate(QString &input, int &) const override {
    input = TTbrEditItem::ApplyCharCase(input, Case);
    return Acceptable;
  }

private:
  TEditCharCase Case;
};

class TEditRun final : public QObject {
public:
  TEditRun(QWidget *host, const QPoint &clientOrigin, TTbrEditSession &session)
      : Session(session), Host(host), PreviousFocus(QApplication::focusWidget()), ClientOrigin(clientOrigin) {
    const TTbrEditItem &item = Session.Item;
    if (Session.Viewer.EditControlClass() == TTbrEditControlClass::tbecThemedEdit)
      Editor = new TThmEdit;
    else
      Editor = new QLineEdit;
    Editor->setProperty(InPlaceEditorProperty, true);
    Editor->setParent(host);
    Editor->setObjectName(QStringLiteral("%1_edit_control_%2")
                              .arg(Session.Viewer.EditControlClass() == TTbrEditControlClass::tbecThemedEdit
                                       ? QStringLiteral("TThmEditItemViewer")
                                       : QStringLiteral("TTbrEditItemViewer"))
                              .arg(quintptr(Editor.data()), 0, 16));
    Editor->hide();
    Editor->setFrame(false);
    Editor->setFont(host->font());
    Editor->setText(TTbrEditItem::ApplyCharCase(item.Text(), item.CharCase()));
    if (item.CharCase() != TEditCharCase::ecNormal)
      Editor->setValidator(new TCaseValidator(item.CharCase(), Editor));
    if (item.MaxLength() > 0)
      Editor->setMaxLength(item.MaxLength());
    Editor->setGeometry(Session.EditorRect.translated(clientOrigin));
    Editor->selectAll();
    connect(Editor, &QLineEdit::textChanged, this, [this](const QString &text) {
      Guarded([&] { Session.TextChanged(text); });
      // A handler may have resized the box (an edit box as wide as its
      // text): the editor follows once the view has laid itself out anew.
      QTimer::singleShot(0, Editor, [this] { FollowBox(); });
    });
    try {
      Session.TextChanged(Editor->text());
      Session.EditorReady(Editor);
    } catch (...) {
      delete Editor.data();
      throw;
    }
    if (!Editor)
      return; // a handler took the editor away
    Editor->show();
    Editor->raise();
    Editor->setFocus(Qt::OtherFocusReason);
    HadFocus = Editor->hasFocus();
    Borrowed = TTbrQtModalDriver::LendKeyboard(Editor, [this] { Leave(); });
    if (!Borrowed)
      Editor->grabKeyboard();
    qApp->installEventFilter(this);
  }

  ~TEditRun() override {
    Finish();
    qApp->removeEventFilter(this);
    if (Borrowed) {
      ShowTextCursor(false);
      TTbrQtModalDriver::ReturnKeyboard();
    }
    delete Editor.data();
    if (Host) {
      Host->update();
      // A popup goes back on top of whatever the edit brought forward.
      if (QWidget *window = Host->window(); window->windowFlags() & Qt::WindowStaysOnTopHint)
        window->raise();
    }
    if (PreviousFocus && QApplication::activeWindow())
      PreviousFocus->setFocus(Qt::OtherFocusReason);
  }

  void Exec() {
    if (Editor && Session.Continues())
      Nested.exec();
  }

  // An error of a handler the edit called (nothing may be thrown through
  // Qt's event delivery): it ended the edit, and goes on once the editor is gone.
  std::exception_ptr Error;

protected:
  bool eventFilter(QObject *watched, QEvent *event) override {
    if (Forwarding)
      return false;
    if (!Editor || Finished || !Session.Continues() || Error) {
      Finish();
      if ((Borrowed || PressForMenu) &&
          (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonRelease ||
           event->type() == QEvent::MouseButtonDblClick) &&
          watched->isWidgetType()) {
        KeepForMenu(static_cast<QMouseEvent *>(event));
        return true;
      }
      return false;
    }
    const QEvent::Type type = event->type();
    switch (type) {
    case QEvent::ApplicationDeactivate:
      Leave();
      // A loop that has not started running yet would not hear of it.
      if (!Borrowed)
        if (TTbrMenuLoop *loop = Session.Viewer.View->GetRootView()->ActiveLoop())
          loop->End();
      return false;
    case QEvent::ShortcutOverride:
      // Keys typed into the editor are the editor's, not the application's shortcuts.
      event->accept();
      return true;
    case QEvent::KeyPress:
    case QEvent::KeyRelease: {
      if (watched != Editor)
        return false;
      auto *key = static_cast<QKeyEvent *>(event);
      bool taken = true;
      Guarded([&] {
        taken = type == QEvent::KeyPress ? Session.KeyPressed(key->key(), key->modifiers())
                                         : Session.KeyReleased(key->key());
      });
      Check();
      return taken;
    }
    case QEvent::FocusOut:
      // A press on another widget takes the focus before the press itself
      // comes by: the press decides, so that it can go to the menu.
      if (watched == Editor && HadFocus && static_cast<QFocusEvent *>(event)->reason() != Qt::MouseFocusReason)
        Leave();
      return false;
    case QEvent::MouseMove:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
      if (!watched->isWidgetType())
        return false;
      return Mouse(static_cast<QWidget *>(watched), static_cast<QMouseEvent *>(event));
    case QEvent::Wheel:
      if (watched->isWidgetType()) {
        // The wheel over the open list scrolls it; the edit goes on.
        auto *wheel = static_cast<QWheelEvent *>(event);
        QPoint local;
        if (TThmCustomListViewer *list = ListAt(wheel->globalPosition().toPoint(), local)) {
          list->Logic().Wheel(wheel->angleDelta().y());
          return true;
        }
      }
      return Borrowed;
    default:
      return false;
    }
  }

private:
  void FollowBox() {
    if (!Editor || Finished || !Session.Continues())
      return;
    TTbrView *view = Session.Viewer.View;
    view->TryValidatePositions();
    const QRect box = Session.Viewer.EditBoxRect().adjusted(3, 3, -3, -3);
    if (!box.isEmpty())
      Editor->setGeometry(box.translated(ClientOrigin));
  }

  bool Mouse(QWidget *target, QMouseEvent *mouse) {
    const QEvent::Type type = mouse->type();
    const bool press = type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick;
    if (target == Editor) {
      // Straight to the editor (nothing grabs the pointer).
      if (press)
        Dragging = true;
      else if (type == QEvent::MouseButtonRelease && mouse->buttons() == Qt::NoButton)
        Dragging = false;
      return false;
    }
    const QPoint global = mouse->globalPosition().toPoint();
    if (ScrollList(mouse))
      return true;
    const bool over = Editor->isVisible() && Editor->rect().contains(Editor->mapFromGlobal(global));
    if (Borrowed)
      ShowTextCursor(over || Dragging);
    if (over || Dragging) {
      if (!Borrowed)
        return false;
      // The menu's window holds the pointer: what happens over the editor
      // (or drags on from a press in it) is handed to the editor.
      if (press)
        Dragging = true;
      else if (type == QEvent::MouseButtonRelease && mouse->buttons() == Qt::NoButton)
        Dragging = false;
      const QPointF local = Editor->mapFromGlobal(mouse->globalPosition());
      QMouseEvent copy(type, local, local, mouse->globalPosition(), mouse->button(), mouse->buttons(),
                       mouse->modifiers(), mouse->pointingDevice());
      copy.setTimestamp(mouse->timestamp());
      Forwarding = true;
      QCoreApplication::sendEvent(Editor, &copy);
      Forwarding = false;
      return true;
    }
    if (press) {
      // A press elsewhere ends the edit; inside a menu it then goes to the menu.
      Leave();
      TTbrMenuLoop *loop = MenuLoop();
      if (!loop)
        return false;
      if (!Borrowed && !InMenuWindow(target)) {
        // The menu has not taken the pointer yet (its first press opened the
        // editor): a press outside it ends it and goes on as it is, its
        // release to follow.
        loop->End();
        return false;
      }
      KeepForMenu(mouse);
      return true;
    }
    // Moves and releases elsewhere (the release of the press that opened
    // the editor) mean nothing to the edit, nor to the waiting menu.
    return Borrowed;
  }

  // The list viewer of an open view of the menu under a screen point (the
  // deepest view there), and the point in the viewer's own coordinates.
  TThmCustomListViewer *ListAt(const QPoint &global, QPoint &local, TTbrView **inView = nullptr) const {
    TThmCustomListViewer *found = nullptr;
    for (TTbrView *view = Session.Viewer.View->GetRootView(); view; view = view->OpenViewerView()) {
      const QRect client = view->Host() ? view->Host()->ScreenClientRect() : QRect();
      if (!client.contains(global))
        continue;
      auto *list = dynamic_cast<TThmCustomListViewer *>(view->ViewerFromPoint(global - client.topLeft()));
      found = list;
      if (list) {
        local = global - client.topLeft() - list->BoundsRect.topLeft();
        if (inView)
          *inView = view;
      }
    }
    return found;
  }
  // Whether `view` is still open in the menu and holds `viewer`.
  bool StillOpen(const TTbrView *view, const TTbrItemViewer *viewer) const {
    for (TTbrView *open = Session.Viewer.View->GetRootView(); open; open = open->OpenViewerView())
      if (open == view) {
        for (int i = 0; i < open->ViewerCount(); ++i)
          if (open->Viewers(i) == viewer)
            return true;
        return false;
      }
    return false;
  }

  // A press on the scroll bar of the open list (the list a combo box shows
  // while its text is typed), and the drag and release that follow, scroll
  // the list and leave the edit as it is. True when the event was that.
  bool ScrollList(QMouseEvent *mouse) {
    const QEvent::Type type = mouse->type();
    const QPoint global = mouse->globalPosition().toPoint();
    if (ScrollingList && !StillOpen(ScrollingView, ScrollingList)) {
      ScrollingList = nullptr;
      ScrollingView = nullptr;
    }
    if (ScrollingList) {
      const QRect client = ScrollingView->Host() ? ScrollingView->Host()->ScreenClientRect() : QRect();
      const QPoint local = global - client.topLeft() - ScrollingList->BoundsRect.topLeft();
      if (type == QEvent::MouseMove) {
        ScrollingList->Logic().MouseMove(local, true);
      } else if (type == QEvent::MouseButtonRelease && mouse->button() == Qt::LeftButton) {
        ScrollingList->Logic().MouseUp(local);
        ScrollingList = nullptr;
        ScrollingView = nullptr;
      }
      return true;
    }
    if ((type != QEvent::MouseButtonPress && type != QEvent::MouseButtonDblClick) || mouse->button() != Qt::LeftButton)
      return false;
    QPoint local;
    TTbrView *view = nullptr;
    TThmCustomListViewer *list = ListAt(global, local, &view);
    if (!list)
      return false;
    TThmListViewerLogic &logic = list->Logic();
    TThmScrollBar *bar = logic.ScrollBar();
    if (!bar || !logic.RowsHidden() || !bar->Bounds().contains(local))
      return false;
    logic.MouseDown(local);
    ScrollingList = list;
    ScrollingView = view;
    return true;
  }

  // The menu loop the edit runs in, if any (it may not have started
  // running yet: a press that starts a toolbar's loop opens the editor first).
  TTbrMenuLoop *MenuLoop() const {
    TTbrMenuLoop *loop = Session.Viewer.View->GetRootView()->ActiveLoop();
    return loop && !loop->Ended() ? loop : nullptr;
  }
  // Whether `target` lies on a window of the menu's open views.
  bool InMenuWindow(const QWidget *target) const {
    for (TTbrView *view = Session.Viewer.View->GetRootView(); view; view = view->OpenViewerView())
      if (auto *host = dynamic_cast<TTbrWidgetViewHost *>(view->Host()))
        if (host->Widget() == target || host->Widget()->isAncestorOf(target))
          return true;
    return false;
  }

  void Leave() {
    Session.Left();
    Finish();
  }

  void Check() {
    if (!Session.Continues() || Error)
      Finish();
  }

  template <typename F> void Guarded(F &&run) {
    try {
      run();
    } catch (...) {
      if (!Error)
        Error = std::current_exception();
      Session.Left();
      Finish();
    }
  }

  // The edit is over: the input goes back at once (whatever the event that
  // ended it does next, such as a click opening a dialog, finds the
  // keyboard free), and the nested loop ends.
  // Inside a running menu the keyboard goes back when the editor goes:
  // until then, the mouse input that comes is kept for the menu, in order.
  // So is it once a press went to a menu whose run is still to come: the
  // rest of that click (its release, often handled in the same pass as the
  // press) belongs to the menu as well, not to the window under the pointer.
  // Otherwise the filter, which stays until the editor goes, lets all pass.
  void Finish() {
    Nested.exit();
    if (Finished)
      return;
    Finished = true;
    if (!Borrowed && Editor)
      Editor->releaseKeyboard();
  }

  // While the menu holds the pointer its cursor is the arrow; over the
  // editor it is the text cursor.
  void ShowTextCursor(bool on) {
    const QCursor *current = QGuiApplication::overrideCursor();
    if (on == TextCursor || !current ||
        (current->shape() != Qt::ArrowCursor && current->shape() != Qt::IBeamCursor))
      return; // not the menu's pointer: someone else's cursor stays
    TextCursor = on;
    QGuiApplication::changeOverrideCursor(QCursor(on ? Qt::IBeamCursor : Qt::ArrowCursor));
  }

  // Hands a press or release to the menu's loop, after the edit.
  void KeepForMenu(const QMouseEvent *mouse) {
    TTbrLoopEvent in;
    in.kind = mouse->type() == QEvent::MouseButtonRelease ? TTbrLoopEvent::Kind::MouseRelease
                                                            : TTbrLoopEvent::Kind::MousePress;
    in.screenPos = mouse->globalPosition().toPoint();
    in.button = mouse->button();
    in.modifiers = mouse->modifiers();
    in.buttons = mouse->buttons();
    TTbrQtModalDriver::FeedAfterward(MenuLoop(), in);
    if (in.kind == TTbrLoopEvent::Kind::MousePress)
      PressForMenu = true;
  }

  TTbrEditSession &Session;
  QPointer<QWidget> Host;
  QPointer<QWidget> PreviousFocus;
  QPointer<QLineEdit> Editor;
  const QPoint ClientOrigin;
  QEventLoop Nested;
  bool HadFocus = false;
  bool Borrowed = false;
  bool Forwarding = false;
  bool Finished = false;
  bool TextCursor = false;
  bool Dragging = false; // a press in the editor is held
  bool PressForMenu = false; // a press that ended the edit was kept for the menu
  // The list whose scroll bar is held, and its view.
  TThmCustomListViewer *ScrollingList = nullptr;
  TTbrView *ScrollingView = nullptr;
};

} // namespace

bool IsInPlaceEditor(const QObject *widget) {
  return widget && widget->property(InPlaceEditorProperty).toBool();
}

void RunEditSessionOn(QWidget *host, const QPoint &clientOrigin, TTbrEditSession &session) {
  if (!host)
    return;
  std::exception_ptr error;
  {
    TEditRun run(host, clientOrigin, session);
    run.Exec();
    error = run.Error;
  }
  if (error)
    std::rethrow_exception(error);
}

} // namespace qel::toolbars
