// Start-up, settings applied to the window, command enabling, lock,
// autosave and the shutdown order.

#include "app/actionicons.h"
#include "app/colors.h"
#include "app/filecommands.h"
#include "app/pending.h"
#include "app/progress.h"
#include "app/formattingbar.h"
#include "app/tf_main.h"
#include "cards/cardclipboard.h"
#include "print/richprint.h"
#include "platform/instances.h"
#include "platform/tempfolder.h"
#include "richedit/rerichedit.h"
#include "platform/uiservices.h"
#include "toolbars/paint/thmedititem.h"
#include "toolbars/paint/thmmrulist.h"
#include "toolbars/qt/tbtoolbar.h"
#include "settings/options.h"
#include "settings/registry2000.h"
#include "settings/windowstate.h"
#include "shell/trayicon.h"
#include "app/mainbars.h"
#include "toolbars/core/colormath.h"
#include "toolbars/qt/tbdock.h"
#include "toolbars/qt/tbpopupmenu.h"
#include "toolbars/qt/tbqaction.h"
#include "toolbars/qt/tbtoolbar.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QFontDatabase>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QSplitter>
#include <QTimer>
#include <QToolButton>
#include <QWindow>

#include <stdexcept>

namespace qel {

Tf_Main *f_Main = nullptr;

namespace {
const char *const kUndoKindNames[] = {"", "typing", "delete", "drag and drop", "cut", "paste"};

QString undoKindName(int kind) {
  kind &= 0x7F;
  return kind >= 0 && kind <= 5 ? QString::fromLatin1(kUndoKindNames[kind]) : QString();
}

QFont qfontOf(const TFont &f) { return FontToQFont(f); }

void setWidgetColors(QWidget *w, const TFont &font, TColor background) {
  w->setFont(qfontOf(font));
  QPalette pal = w->palette();
  QColor bg = TColorToQColor(background);
  if (bg.isValid()) {
    pal.setColor(QPalette::Base, bg);
    pal.setColor(QPalette::Window, bg);
  }
  QColor fg = TColorToQColor(font.Color);
  if (fg.isValid()) {
    pal.setColor(QPalette::Text, fg);
    pal.setColor(QPalette::WindowText, fg);
  }
  // Text in a desktop colour that the desktop made unreadable here (a dark
  // desktop's light text on the light tooltip colour of the title list) gives
  // way to black or white, whichever reads; colours of the user's own choosing stay.
  const bool desktopText = font.Color < 0 || !fg.isValid();
  const TColor ink = QColorToTColor(pal.color(QPalette::Text)), back = QColorToTColor(pal.color(QPalette::Base));
  constexpr double kReadable = 4.5;
  if (desktopText && toolbars::ContrastRatio(ink, back) < kReadable) {
    const QColor readable =
        TColorToQColor(toolbars::ReadableInk(ink, toolbars::IsDarkColor(back, 128) ? clWhite : clBlack, back, kReadable));
    pal.setColor(QPalette::Text, readable);
    pal.setColor(QPalette::WindowText, readable);
  }
  w->setPalette(pal);
}
} // namespace

Tf_Main::Tf_Main(const QStringList &arguments, QWidget *parent) : QMainWindow(parent), arguments_(arguments) {
  f_Main = this;
  buildForm();
  wireLifeCycle();
  finishToolbars();
  instance_ = std::make_unique<RunningInstance>(this);
  QString error;
  if (instance_->start(&error))
    connect(instance_.get(), &RunningInstance::restoreRequested, this, [this] { restoreAndBringForward(); });
  // Decided by the locks running programs hold, not by their records: safe
  // also when this program's own record could not be written.
  CleanTemporaryFolder();
  FormCreate();
}

Tf_Main::~Tf_Main() {
  QObject::disconnect(focusConnection_);
  // The loop host and the docks' menu go before the toolbars and docks that refer to them.
  for (toolbars::TTbrCustomToolbar *bar : BarsOf(this)) bar->SetLoopHost(nullptr);
  for (toolbars::TTbrDock *dock : {DockTop, DockBottom, DockLeft, DockRight})
    if (dock) dock->SetPopupMenu(nullptr);
  FileModified.setOnChange({});
  FormDestroy();
  if (f_Main == this) f_Main = nullptr;
}

void Tf_Main::wireLifeCycle() {
  MainActions &a = *actions_;
  a.wire(QStringLiteral("a_Lock"), this, [this] { a_LockExecute(true); });
  wireOptionsCommand();
  wireHelpCommands();
  a.wire(QStringLiteral("Exit1"), this, [this] { Exit1Click(); });
  wireTrayIcon();
  a.wire(QStringLiteral("Wordwrap1"), this, [this](bool on) { m_Card->SetWordWrap(on); });
  a.wire(QStringLiteral("GoToIndex1"), this, [this] { e_record->setFocus(); });
  a.wire(QStringLiteral("OpenSamplefile1"), this, [this] { OpenSamplefile1Click(); });
  connect(Timer, &QTimer::timeout, this, [this] { TimerTimer(); });
  wireFileCommands();
  wireListCommands();
  wireCardCommands();
  wireFindCommands();
  wireEditorCommands();
  wireObjectCommands();
  createRichPrinter();
  wirePrintCommands();
  wireActionCommands();
  wireImportCommands();
  connect(m_Card, &QTextEdit::textChanged, this, [this] {
    if (!EditorReady) return;
    FileModified = true;
    CardBodyChanged = true;
    UpdateEditMenu();
  });
  // The commands follow every change of what they depend on at once: the
  // focus between the filter edit, the list and the editor, the modified
  // flag, the selected cards, the editor's undo steps, the filter edit's
  // text and the clipboard.
  focusConnection_ = connect(qApp, &QApplication::focusChanged, this, [this](QWidget *, QWidget *now) {
    if (now == e_record || now == lw_List || now == m_Card) UpdateEditMenu();
  });
  FileModified.setOnChange([this] { UpdateEditMenu(); });
  connect(lw_List->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] { UpdateEditMenu(); });
  connect(m_Card, &re::RichEditControl::undoStateChanged, this, [this] { UpdateEditMenu(); });
  connect(e_record, &QLineEdit::textChanged, this, [this] { UpdateEditMenu(); });
  connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this, [this] {
    clipboardPasteable_ = -1;
    UpdateEditMenu();
  });
}

void Tf_Main::wireTrayIcon() {
  pm_Systray = new QMenu(this);
  pm_Systray->setObjectName(QStringLiteral("pm_Systray"));
  actions_->buildTrayMenu(pm_Systray);
  actions_->wire(QStringLiteral("m_Restore"), this, [this] { m_RestoreClick(); });
  actions_->wire(QStringLiteral("m_Close"), this, [this] { Exit1Click(); });
  TrayIcon = new TTrayIcon(this);
  TrayIcon->setObjectName(QStringLiteral("TrayIcon"));
  TrayIcon->SetHint(QStringLiteral("Qel Moravine"));
  TrayIcon->SetIcon(ProgramIcon());
  TrayIcon->MinimizeToTray = true;
  TrayIcon->SetPopupMenu(pm_Systray);
  TrayIcon->OnClick = [this] { m_RestoreClick(); };
  TrayIcon->OnStartup = [this](bool &show) { TrayIconStartup(show); };
  TrayIcon->SetIconVisible(true);
}

void Tf_Main::m_RestoreClick() { TrayIcon->ShowMainForm(); }

void Tf_Main::Exit1Click() {
  // A window hidden in the tray is closed by Qt as if by the window system
  // (which "Minimize on closing" would turn into minimising), and closing a
  // hidden window does not end the program by itself: both are done here.
  const bool hidden = !isVisible();
  commandClose_ = true;
  const bool closed = close();
  commandClose_ = false;
  if (closed && hidden) QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
}
void Tf_Main::Tray_IconDblClick() { TrayIcon->ShowMainForm(); }
void Tf_Main::TrayIconStartup(bool &showMainForm) { showMainForm = !ReadOptionBool(QStringLiteral("StartMinimized")); }
bool Tf_Main::StartsInTray() const { return TrayIcon->HiddenToTray(); }

void Tf_Main::ShowOnStart() {
  if (StartsInTray()) return;
  // A window the window system has not taken yet does not always take the
  // minimised state with it (X11 then showed it normal, while it believed
  // itself minimised and lost track of where its frame put it): it is shown,
  // then minimised.
  const bool minimised = windowState() & Qt::WindowMinimized;
  if (minimised) setWindowState(windowState() & ~Qt::WindowMinimized);
  show();
  if (minimised) setWindowState(windowState() | Qt::WindowMinimized);
}

void Tf_Main::FormCreate() {
  if (!AppOptions) AppOptions = new tOptions;
  AppOptions->LoadFromRegistry();
  // With the tray option on, the tray icon's start-up event decides whether
  // the window starts hidden in the tray; with it off, it starts minimised.
  if (AppOptions->SysTray)
    TrayIcon->Loaded();
  else if (AppOptions->StartMinimized)
    setWindowState(windowState() | Qt::WindowMinimized);
  HelpFilePath = QCoreApplication::applicationDirPath() + QStringLiteral("/help");
}

void Tf_Main::showEvent(QShowEvent *e) {
  QMainWindow::showEvent(e);
  FormShow();
}

void Tf_Main::FormShow() {
  if (startupStarted_) return;
  startupStarted_ = true;
  LoadRecentFiles();
  ApplyLayout();
  LoadWindowState();
  m_Card->setWordWrap(actions_->item(QStringLiteral("Wordwrap1"))->isChecked());
  a_LockExecute(false);
  ApplyOptions();
  FileModified = false;
  CurrentFileName = pending::FreeNewFileName();
  // A temporary folder whose name another user took first is said at start;
  // the program goes on in a folder of its own.
  try {
    TempFolderPath();
  } catch (const std::runtime_error &) {
  }
  if (const QString problem = TempFolderProblem(); !problem.isEmpty()) ui().messageBox(problem, MB_OK | MB_ICONWARNING);

  // StartupDone stays clear while the file to show is opened: a file another
  // instance has open then hands over and ends this program, which has saved
  // nothing and leaves the settings and recent files to the running one.
  const bool firstStart = pending::IsFirstStart();
  const QString sample = QCoreApplication::applicationDirPath() + QStringLiteral("/sample.qel");
  if (!arguments_.isEmpty() && QFileInfo(arguments_.at(0)).isFile()) {
    OpenCardsFile(QFileInfo(arguments_.at(0)).absoluteFilePath(), -1);
  } else if (!firstStart) {
    if (AppOptions->OpenLast)
      ReopenLastFile();
    else
      a_FileNewExecute();
  } else if (QFileInfo::exists(sample)) {
    OpenSamplefile1Click();
  }
  if (terminateRequested_) return;
  StartupDone = true;
  pending::MarkStarted();

  if (arguments_.size() >= 2) e_record->setText(arguments_.at(1));
  ShowEditorIfAny();
  UpdateCaption();
  // The screen fonts as they are now (one installed since the combo was made shows too).
  cb_Font->FillFonts();
  m_card2SelectionChange();  // the combo then names the shown text's face
}

void Tf_Main::ApplyOptions() {
  AppOptions->ClampToRanges();
  const tOptions &o = *AppOptions;
  setWidgetColors(e_record, o.InputBoxFont, o.InputBoxColor);
  setWidgetColors(lw_List, o.ListFont, o.ListColor);
  // The editor's font sets its default attributes; the colour and character
  // set of the Card font, which a Qt font does not carry, go with them.
  m_Card->setFont(qfontOf(o.CardFont));
  m_Card->DefAttributes().Assign(CardFontSource());
  pn_Header->setFont(qfontOf(o.HeaderFont));
  TrayIcon->MinimizeToTray = o.SysTray;
  if (pending::CurrentCardHasNoColor(*this)) m_Card->setBackgroundColor(TColorToQColor(o.CardColor));
  QPalette hp = pn_Header->palette();
  hp.setColor(QPalette::Window, TColorToQColor(o.HeaderColor));
  hp.setColor(QPalette::WindowText, TColorToQColor(o.HeaderFont.Color));
  pn_Header->setPalette(hp);
  pn_Header->setVisible(o.Header);
  pn_Filter->setVisible(o.ShowClearButton);
  // "List columns": the titles run down and wrap into further columns; else one column.
  lw_List->setViewMode(QListView::ListMode);
  lw_List->setFlow(QListView::TopToBottom);
  lw_List->setWrapping(o.ListColumns);
  setLayoutDirection(o.RightToLeft ? Qt::RightToLeft : Qt::LeftToRight);
  ApplyLayout();
  Timer->setInterval(o.AutosavePeriod * 60000);  // in range: at most INT_MAX milliseconds
  Timer->setSingleShot(false);
  if (o.Autosave)
    Timer->start();
  else
    Timer->stop();
  ApplyRecentFilesOptions(o.MRU ? o.MRUEntries : 0);
  ApplyPrinterOptions();
  ApplyActionFont(o.ActionFont);
  Toolbar_Menu->setFont(qfontOf(o.MenuFont));
  if (o.FixedActionBar) e_Action->SetEditWidth(o.ActionBarWidth);
  ApplyStayOnTop();
  pending::ApplySortOrder(*this, o.SortList);
  pending::ApplyListLook(*this, o.ListGridlines, o.FlatScrollBars);
  SetDocksAllowDrag(!o.LockToolbars);
  RefilterCards();
}

void Tf_Main::ApplyLayout() {
  switch (AppOptions ? AppOptions->ListHandlePosition : 0) {
  case 0:
    if (Splitter->orientation() != Qt::Horizontal) {
      int editorWidth = pn_Card->width();
      Splitter->setOrientation(Qt::Horizontal);
      Splitter->setSizes({editorWidth / 2, editorWidth});
    }
    layoutPosition_ = 0;
    break;
  case 1:
    if (Splitter->orientation() != Qt::Vertical) {
      int editorHeight = pn_Card->height();
      Splitter->setOrientation(Qt::Vertical);
      Splitter->setSizes({editorHeight / 2, editorHeight});
    }
    layoutPosition_ = 1;
    break;
  default:
    break;
  }
}

void Tf_Main::ApplyStayOnTop() {
  bool onTop = AppOptions && AppOptions->StayOnTop;
  if (bool(windowFlags() & Qt::WindowStaysOnTopHint) == onTop) return;
  bool visible = isVisible();
  setWindowFlag(Qt::WindowStaysOnTopHint, onTop);
  if (visible) show();  // changing the flags hides a shown window
}

void Tf_Main::SetDocksAllowDrag(bool allow) {
  for (toolbars::TTbrDock *dock : {DockTop, DockLeft, DockBottom, DockRight}) dock->SetAllowDrag(allow);
}

void Tf_Main::ShowEditorIfAny() {
  bool any = lw_List->model() && lw_List->model()->rowCount() > 0;
  m_Card->setVisible(any);
  pn_CardCaption->setVisible(!any);
}

bool Tf_Main::IsLocked() const { return actions_->get(QStringLiteral("a_Lock"))->isChecked(); }

void Tf_Main::a_LockExecute(bool withSender) {
  bool locked = IsLocked();
  if (withSender && locked)
    ui().messageBox(QStringLiteral("Cards will be locked.\rYou can not edit cards until \"Lock\" button is pressed."),
                    applicationTitle(), MB_OK | MB_ICONWARNING);
  m_Card->setReadOnly(locked);
  lw_List->setEditTriggers(locked ? QAbstractItemView::NoEditTriggers : QAbstractItemView::EditKeyPressed);
  if (locked) e_record->setFocus();
  UpdateEditMenu();
  // The formatting toolbar's commands and controls (those not built yet stay disabled).
  toolbars::TTbrCustomItem *items = Toolbar_formatting->Items();
  for (int i = 0; i < items->Count(); ++i) {
    toolbars::TTbrCustomItem *item = items->Items(i);
    if (auto *control = dynamic_cast<toolbars::TTbrControlItem *>(item)) {
      if (auto *w = qobject_cast<QWidget *>(control->Control())) w->setEnabled(!locked && MainActions::IsBuiltWidget(w));
    } else if (auto *adapter = dynamic_cast<toolbars::TTbrQActionAdapter *>(item->Action())) {
      adapter->Target()->setEnabled(!locked);
    } else if (item == cb_Font) {
      cb_Font->SetEnabled(!locked);
    }
  }
}

void Tf_Main::UpdateEditMenu() {
  MainActions &a = *actions_;
  const bool unlocked = !IsLocked();
  const int selected = pending::SelectedCardCount(*this);
  const bool hasSelection = selected > 0 && unlocked;
  for (const char *n : {"a_DeleteList", "a_Rename", "a_Duplicate", "a_LoadCardFromFile", "a_InsertPicture",
                        "a_InsertDateTime", "a_CardBackground", "a_PasteSpecial", "a_CardUnformat", "a_SortCardLines"})
    a[QString::fromLatin1(n)]->setEnabled(hasSelection);
  // Objects cannot be made here (no object server): Insert Object stays off.
  a[QStringLiteral("a_InsertObject")]->setEnabled(false);
  a[QStringLiteral("a_Add")]->setEnabled(unlocked);
  a.item(QStringLiteral("Merge1"))->setEnabled(unlocked);
  a.item(QStringLiteral("Protect1"))->setEnabled(unlocked);
  a[QStringLiteral("a_CardReplace")]->setEnabled(unlocked);

  QAction *undo = a[QStringLiteral("a_Undo")];
  QAction *redo = a[QStringLiteral("a_Redo")];
  // The window's own focus child: it is kept while a menu or a dialog is up.
  QWidget *focus = focusWidget();
  auto within = [focus](QWidget *w) { return focus && (focus == w || w->isAncestorOf(focus)); };
  if (within(m_Card)) {
    undo->setEnabled(m_Card->canUndo());
    undo->setText(QStringLiteral("&Undo ") + undoKindName(m_Card->undoName()));
    redo->setEnabled(m_Card->canRedo());
    redo->setText(QStringLiteral("&Redo ") + undoKindName(m_Card->redoName()));
    if (clipboardPasteable_ < 0) clipboardPasteable_ = m_Card->canPaste();
    a[QStringLiteral("EditPaste")]->setEnabled(clipboardPasteable_ && unlocked);
  } else if (within(lw_List)) {
    undo->setEnabled(false);
    redo->setEnabled(false);
    a[QStringLiteral("EditCopy")]->setEnabled(selected > 0);
    a[QStringLiteral("EditCut")]->setEnabled(selected > 0 && unlocked);
    a[QStringLiteral("EditPaste")]->setEnabled(pending::CardClipboardExists() && unlocked);
  } else if (within(e_record)) {
    undo->setEnabled(e_record->isUndoAvailable());
    undo->setText(QStringLiteral("&Undo"));
    // Redo works in the card only: here it would do nothing.
    redo->setEnabled(false);
    redo->setText(QStringLiteral("&Redo"));
  }
  undo->setToolTip(ActionToolTip(*undo));
  redo->setToolTip(ActionToolTip(*redo));
  a[QStringLiteral("a_FileSave")]->setEnabled(FileModified);
}

void Tf_Main::TimerTimer() {
  // Never while closing, while a modal dialog or another command runs, for a
  // read-only file, or for a never-saved file (that would pop up Save As on every tick).
  if (closing_ || busy_ > 0 || autosaving_) return;
  if (QApplication::activeModalWidget() || QApplication::activePopupWidget() || QApplication::overrideCursor() ||
      f_progress)
    return;
  if (!FileModified || pending::IsNewFileName(CurrentFileName) || pending::CurrentFileIsReadOnly()) return;
  autosaving_ = true;
  BusyGuard busy(*this);
  a_FileSaveExecute();
  autosaving_ = false;
}

bool Tf_Main::FormCloseQuery() { return AskSaveChanges(); }

void Tf_Main::restartAutosave() {
  if (closing_ || !AppOptions || !AppOptions->Autosave) return;
  Timer->start();
}

void Tf_Main::closeEvent(QCloseEvent *e) {
  if (closing_) {
    e->accept();
    return;
  }
  // The window's close button (a close from the window system, not "Exit" or
  // the end of the session) minimises instead while the tray icon shows and
  // "Minimize on closing" is set; with no icon to come back by, it closes.
  if (e->spontaneous() && !commandClose_ && !closeAnswered_ && AppOptions && AppOptions->MinimizeOnClosing && TrayIcon->IconShows()) {
    e->ignore();
    setWindowState(windowState() | Qt::WindowMinimized);
    return;
  }
  // No autosave from here on: the answer to the question is the last word.
  Timer->stop();
  if (!closeAnswered_) {
    bool canClose = false;
    {
      BusyGuard busy(*this);
      canClose = FormCloseQuery();
    }
    if (!canClose) {
      restartAutosave();
      e->ignore();
      return;
    }
  }
  closing_ = true;
  FormClose();
  // The program ends with its main window: a help window left open would
  // keep it running with nothing to come back to.
  CloseHelpWindows();
  e->accept();
}

void Tf_Main::FormClose() {
  if (!StartupDone) return;
  // The window state and, with it, the settings.
  try {
    SaveWindowState();
  } catch (const std::exception &ex) {
    ui().messageBox(QString::fromUtf8(ex.what()), applicationTitle(), MB_OK | MB_ICONERROR);
  }
  pending::DeleteBodyFile();
  if (pending::CardClipboardExists()) {
    QString text = QStringLiteral("Leave contents of the Clipboard to other Qel Moravine applications?");
    unsigned flags = MB_YESNO | MB_ICONQUESTION;
    // Cards of a protected file lie there as plain text: leaving them is
    // not what a key press should do unasked.
    if (ClipboardHoldsProtectedCards()) {
      text += QStringLiteral("\r\rThe Clipboard holds cards of a password-protected file. Left, they stay on this "
                             "disk, readable without the password.");
      flags |= MB_DEFBUTTON2;
    }
    int answer = ui().messageBox(text, QStringLiteral("Confirm"), flags);
    if (answer != IDYES) pending::DeleteCardClipboard();
  }
}

void Tf_Main::FormDestroy() {
  if (destroyed_) return;
  destroyed_ = true;
  Timer->stop();
  if (StartupDone) SaveRecentFiles();
  // Whatever way the program ends, its body file does not outlive it.
  pending::DeleteBodyFile();
  CloseHelpWindows();
}

bool Tf_Main::QueryEndSession() {
  // The session manager and the signals may both ask, and a signal may come
  // again while the question is on screen: one question for the whole way out.
  if (closing_) return true;
  if (askingToEnd_) return false;
  if (!closeAnswered_) {
    Timer->stop();
    askingToEnd_ = true;
    bool canClose = false;
    {
      BusyGuard busy(*this);
      canClose = FormCloseQuery();
    }
    askingToEnd_ = false;
    if (!canClose) {
      restartAutosave();
      return false;
    }
    closeAnswered_ = true;
  }
  close();
  return true;
}

void Tf_Main::changeEvent(QEvent *e) {
  // The toolbar pictures are drawn in the desktop's ink: a new palette redraws them.
  if ((e->type() == QEvent::ApplicationPaletteChange || e->type() == QEvent::PaletteChange) && actions_) {
    actions_->refreshImages();
    for (toolbars::TTbrCustomToolbar *bar : BarsOf(this)) bar->update();
  }
  QMainWindow::changeEvent(e);
}

// ---- caption and hand-over hooks ----

QString Tf_Main::windowCaption() const { return windowTitle(); }
void Tf_Main::setWindowCaption(const QString &caption) { setWindowTitle(caption); }
void Tf_Main::setTrayHint(const QString &hint) { TrayIcon->SetHint(hint); }

void Tf_Main::restoreAndBringForward() {
  setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
  showNormal();
  raise();
  activateWindow();
}

void Tf_Main::UpdateCaption() { qel::UpdateCaption(*this, instance_.get()); }

// ---- commands whose groups are not wired yet ----

// The file commands (AskSaveChanges, a_FileSaveExecute, a_FileNewExecute,
// OpenCardsFile, OpenSamplefile1Click) live in tf_main_file.cpp.
void Tf_Main::RefilterCards() { pending::Refilter(*this); }

} // namespace qel
