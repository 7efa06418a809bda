#pragma once
// The main window: filter edit and title list on one side, the card header
// and the card editor on the other, toolbars, menu bar and status bar.
// Its methods live in files by command group (tf_main_*.cpp); the work itself
// sits in the subsystem libraries, the window wires commands to it.

#include "app/cardsearch.h"
#include "app/mainactions.h"
#include "app/mainstate.h"
#include "richedit/rerichedit.h"  // the card editor's type, for everyone who reaches m_Card

#include <QMainWindow>
#include <QPoint>
#include <QPointer>
#include <QStringList>
#include <functional>
#include <memory>

class QAction;
class QFrame;
class QLabel;
class QLineEdit;
class QMenu;
class QListView;
class QSplitter;
class QStatusBar;
class QTimer;
class QToolButton;
class QWidget;

namespace qel::toolbars {
class TTbrCustomItem;
class TTbrCustomToolbar;
class TTbrDock;
class TTbrDockFrame;
class TTbrPopupMenu;
class TThmEditItem;
class TThmMRUList;
} // namespace qel::toolbars

namespace qel {

class TMainLoopHost;
class TBarDropdownItem;

class RunningInstance;
class SearchProgress;
class TCrd;
struct TFont;
class TColorButtonItem;
class TFontBoxItem;
class TFontSizeItem;
struct FontGlobalParts;
class CardListModel;
class TCardFilter;
class TTrayIcon;
struct HH_POPUP;
// Whether a toolbar item shows (a hosted control when its control does), and showing or hiding it.
bool ToolbarItemShown(const toolbars::TTbrCustomItem *item);
void ShowToolbarItem(toolbars::TTbrCustomItem *item, bool shown);
// The help context of a widget: its "helpContext" property, else its name's; 0 for none.
int HelpContextOf(const QWidget *widget);
// Every help context and pop-up the program asks for.
QList<int> UsedHelpContexts();
// The pop-up on the header and footer codes.
inline constexpr int kHeadersFootersPopup = 1411;
class TFindDialog;
class TRichPrinter;
class Tdlg_Export_RTF;
class Tdlg_Dial;
class Tf_Import;
class Tf_Export;
struct TImportCard;

class Tf_Main : public QMainWindow, public MainWindowHooks {
  Q_OBJECT
public:
  // `arguments`: the command line without the program (file, initial filter).
  explicit Tf_Main(const QStringList &arguments = {}, QWidget *parent = nullptr);
  ~Tf_Main() override;

  // ---- life cycle (tf_main_life.cpp) ----
  void FormCreate();
  void FormShow();
  bool FormCloseQuery();
  void FormClose();
  void FormDestroy();
  void ApplyOptions();
  void ApplyLayout();
  void ApplyStayOnTop();
  void SetDocksAllowDrag(bool allow);
  void ShowEditorIfAny();
  void UpdateEditMenu();
  void a_LockExecute(bool withSender);
  // `page`: the options page to open on (0 "General" ... 5 "Advanced"); -1 the page last shown.
  void a_OptionsExecute(int page = -1);
  void TimerTimer();
  // "Exit" and the tray menu's "Close": closes the window (the save question
  // included) and ends the program, also while the window is hidden in the tray.
  void Exit1Click();
  void m_RestoreClick();
  void Tray_IconDblClick();
  void TrayIconStartup(bool &showMainForm);
  // Started hidden in the notification area ("StartMinimized" with the tray
  // option on and a tray there): the program does not show the window.
  bool StartsInTray() const;
  // Shows the window once the start-up sequence is over: not at all when it
  // starts in the tray, minimised when it is to start minimised.
  void ShowOnStart();
  // The desktop session ends (SIGTERM or the session manager): ask once, then
  // close. False when the user chose to stay (Cancel, or a failed save).
  bool QueryEndSession();
  // Holds off autosave while a command of the main window runs.
  struct BusyGuard {
    explicit BusyGuard(Tf_Main &w) : w_(w) { ++w_.busy_; }
    ~BusyGuard() { --w_.busy_; }
    Tf_Main &w_;
  };
  bool IsLocked() const;
  // Set when the program handed its start-up file to another instance and should end.
  bool terminateRequested() const { return terminateRequested_; }
  void requestTerminate() { terminateRequested_ = true; }
  QString HelpFilePath;  // the help folder beside the program

  // ---- help (tf_main_help.cpp) ----
  // HtmlHelp on the help folder, or on one of its pages.
  bool HtmlHelpCommand(unsigned command, quintptr data, const HH_POPUP *popup = nullptr, const QString &page = QString());
  void HelpContext(int context);
  void HelpTopicPage(const QString &page);
  void HelpPopup(int context);  // at the remembered pop-up position
  // The framework's help requests; always false (no other help system is called).
  bool ApplicationHelp(unsigned command, quintptr data);
  // F1 on `widget`: the first of it and its parents with a help context.
  void HelpForWidget(QWidget *widget);
  QPoint PopupPosition() const { return popupPosition_; }
  void HelpTopic1Click();
  void GettingStarted1Click();
  void Website1Click();
  void About1Click();
  void CloseHelpWindows();

  // ---- main-window hooks for the caption rule and the hand-over ----
  QString windowCaption() const override;
  void setWindowCaption(const QString &caption) override;
  void setTrayHint(const QString &hint) override;
  void restoreAndBringForward() override;
  void UpdateCaption();

  // ---- commands of later command groups; empty until they are wired ----
  virtual bool AskSaveChanges();
  virtual void a_FileSaveExecute();
  virtual void a_FileNewExecute();
  virtual bool OpenCardsFile(const QString &path, int mode);
  virtual void RefilterCards();
  virtual void OpenSamplefile1Click();
  virtual void ReopenLastFile();

  // ---- window state and recent files (tf_main_state.cpp, tf_main_recent.cpp) ----
  // The window, list pane, word wrap, lock and printer state, then the settings.
  // Throws ERegistryException when the store cannot be written.
  void SaveWindowState();
  void LoadWindowState();
  // The toolbars under "ToolBars": which items show (one value per item
  // name, a missing one shows the item) and where each toolbar stands; the
  // items are read again when the options are cancelled.
  void SaveToolbars();
  void LoadToolbars();
  void ReloadToolbarItemVisibility();
  void LoadRecentFiles();
  void SaveRecentFiles();
  // The list's capacity: "MRU entries" with "MRU" on, else 0.
  void ApplyRecentFilesOptions(int maxItems);
  void AddRecentFile(const QString &path);
  std::unique_ptr<toolbars::TThmMRUList> MRUList;

  // ---- file commands (tf_main_file.cpp) ----
  void a_FileOpenExecute();
  void SaveAs1Click();
  void Merge1Click();
  void Protect1Click();
  // The old-format exports of the File menu (1.x and 2.x files).
  void Version16Click();
  void Version2Click();
  void MRUMRUItemClick(const QString &fileName);
  void a_FilePropertiesExecute();

  // ---- filter, list and current card (tf_main_list.cpp) ----
  // Rebuilds FilteredCards and the title list from the filter edit, then
  // selects and shows the first card (RefilterCards runs this).
  void RebuildFilteredList();
  void ClearFilter();
  void SelectCard(int index);
  void ShowCard(int index);
  // A stored body into the editor: plain text, or RTF (shown as its text when
  // the reader cannot take it).
  void LoadBodyIntoEditor(const QByteArray &body);
  // The editor's background for a card: its own colour, else the option's.
  void ApplyCardColor(const TCrd &card);
  void StoreCurrentCard();
  // The card of the focused list item; nullptr / -1 when no item is focused.
  TCrd *CurrentCard() const;
  int CurrentCardIndex() const;
  // The card whose body the editor holds (it keeps its identity across refilters and deletes).
  const std::shared_ptr<TCrd> &ShownCard() const { return shownCard_; }
  void StampCurrentCard();
  void UpdateStatusBar();
  int SelectedCardCount() const;
  bool OfferAddCardFromFilter();
  // By title (the "Sort list" option) or by creation time; stores the shown card first.
  void SetListSortByTitle(bool byTitle);
  bool ListSortedByTitle() const { return listSortedByTitle_; }
  bool TitleEditing = false;
  void e_recordChange();
  void b_Filter1Click();
  void ac_FirstExecute();
  void ac_PreviousExecute();
  void ac_NextExecute();
  void ac_LastExecute();
  // Card commands of the card group; the list and the filter call them.
  virtual void AddCard(const QString &title);
  virtual void RenameCard(TCrd *card, const QString &title);

  // ---- editor and formatting commands (tf_main_editor.cpp) ----
  // Paragraph left aligned without numbering, default attributes from the Card font.
  void SetDefaultTextAttributes();
  // The Card font of the settings as the editor takes a font.
  TReFontSource CardFontSource() const;
  // The editor's selection moved: format painter, toolbar state, commands.
  void m_card2SelectionChange();
  void a_FontExecute();
  void a_FontSizeExecute();
  void b_textsize_Click(const QString &caption);
  void b_textsize_otherClick();
  void cb_Font_Change(const QString &name);
  void a_BoldExecute();
  void a_ItalicExecute();
  void a_UnderlineExecute();
  void a_AlignmentExecute(int tag);
  void a_BulletsExecute();
  void a_SuperscriptExecute();
  void a_SubScriptExecute();
  void a_TextColorExecute();
  void a_TextHighLightExecute();
  void a_FormatPainterExecute();
  void a_CardUnformatExecute();
  void a_SortCardLinesExecute();
  void a_InsertPictureExecute();
  void a_InsertDateTimeExecute();
  void a_LoadCardFromFileExecute();
  void a_SaveCardToFileExecute();
  // The current date and time in the "DateTime Format" option's form.
  static QString DateTimeText();
  // Scrolls the editor by -delta / 80 lines (one notch of 120: one line).
  void m_Card1MouseWheel(int wheelDelta);
  bool ToolbarUpdating = false;
  TFontSizeItem *b_FontSize = nullptr;  // on Toolbar_formatting, which owns it
  TColorButtonItem *b_TextColor = nullptr;
  TColorButtonItem *b_TextHighLight = nullptr;
  TFontBoxItem *cb_Font = nullptr;  // on Toolbar_formatting, which owns it

  // ---- card commands and card clipboard (tf_main_cards.cpp) ----
  void a_AddExecute();
  void a_RenameExecute();
  void a_DuplicateExecute();
  void a_CardPropertiesExecute();
  void a_CardBackgroundExecute();
  void a_UndoExecute();
  void a_RedoExecute();
  // Called by the options dialog: the checked parts of `font` to every rich-text card.
  void ApplyFontToAllCards(const TFont &font, const FontGlobalParts &parts);
  void ResetAllCardColors();
  // Called after reading a file of the old formats.
  void ConvertAllToPlainText();
  // The Edit routers: the editor, the list or the filter edit, by focus.
  void EditSelectAllExecute();
  void EditCopyExecute();
  void EditCutExecute();
  void EditPasteExecute();
  void a_SelectAllCardExecute();
  void a_CopyCardExecute();
  void a_CutCardExecute();
  void a_PasteCardExecute();
  void a_SelectAllListExecute();
  void a_CopyListExecute();
  void a_CutListExecute();
  void a_PasteListExecute();
  void a_DeleteListExecute();
  // Indexes in FilteredCards of the selected list items, in list order.
  QList<int> SelectedCardIndexes() const;

  // ---- object commands (tf_main_objects.cpp) ----
  void a_PasteSpecialExecute();
  void a_InsertObjectExecute();

  // ---- find and replace across cards (tf_main_find.cpp) ----
  void a_CardFindExecute();
  void a_CardReplaceExecute();
  // Searches the editor from the end of its selection (from the start when
  // nothing is selected); a hit becomes the selection. The position or -1.
  int FindInCard(const QString &text, int flags);
  void dlgFindFind();  // Find Next of the find dialog, and F3
  void dlgReplaceFind();
  void dlgReplaceReplace();
  void dlgReplaceReplaceAll();
  TFindDialog *dlgFind = nullptr;
  TFindDialog *dlgReplace = nullptr;
  int ReplaceCount = 0;          // replacements made by one Replace All
  int ReplaceReturnIndex = -1;   // the card shown when the replace ends

  // ---- printing and RTF export (tf_main_print.cpp) ----
  // kind: 0 selected cards, 1 filtered cards, 2 all cards, 3 the title list.
  void PrintCards(int kind, bool preview);
  void a_PrintExecute();
  void a_FilePrintPreviewExecute();
  void PageSetup1Click();
  void PrinterSetup1Click();
  void mPrintClick();
  void a_CustomizeToolbarsExecute();
  void RTF1Click();
  // The printer options of the settings: unit, borders, dialog parts.
  void ApplyPrinterOptions();
  // The remembered orientation and margins to the printer, and back.
  void PrinterFromPageState();
  void PageStateFromPrinter();
  std::unique_ptr<TRichPrinter> RichPrinter;
  Tdlg_Export_RTF *dlg_Export_RTF = nullptr;
  // ---- card actions and dialling (tf_main_actions.cpp) ----
  // The action text and the command of the action button that goes with it.
  void SetActionText(const QString &text);
  // The user typed in the action text.
  void e_ActionChange(const QString &text);
  // The action text's font settings from the "ActionFont" option.
  void ApplyActionFont(const TFont &font);
  // The current card's stored phone number, else one found in its title (by
  // option) or its text; empty without a card.
  QString PhoneNumberOfCard() const;
  // The word around the editor's selection (empty without one).
  QString WordAtCaret() const;
  void SendEMailTo(const QString &address);
  void BrowseTo(const QString &address);
  void a_DialExecute();
  void a_SendEMailExecute();
  void a_BrowseWWWExecute();
  void a_RunApplicationExecute();
  void a_GoToCardExecute();
  void a_SetPhoneNumberExecute();
  void a_ResetPhoneNumberExecute();
  void a_ActionExecute();
  void b_ActionPopup();
  void m_CardURLClick(const QString &text, Qt::MouseButton button);
  // The action button on Toolbar_Actions (which owns it) and the command it runs now.
  TBarDropdownItem *b_Action = nullptr;
  QString b_ActionCommand;
  Tdlg_Dial *dlg_Dial = nullptr;

  // ---- import (tf_main_import.cpp) ----
  void MSMoravine1Click();
  void Textfile1Click();
  // New cards with these titles and plain-text bodies, appended to AllCards.
  void AppendImportedCards(const QList<TImportCard> &cards);
  Tf_Import *f_Import = nullptr;
  // ---- text export (tf_main_import.cpp) ----
  void Export1Click();
  // The lines of the chosen cards in the export dialog's layout; for the
  // sample only the first cards.
  QStringList ExportCards(bool sample);
  Tf_Export *f_Export = nullptr;

  // ---- panes ----
  QWidget *ListPanel = nullptr;
  QWidget *pn_filterbox = nullptr;
  QWidget *pn_Filter = nullptr;
  QToolButton *b_Filter = nullptr;
  QLineEdit *e_record = nullptr;
  QListView *lw_List = nullptr;
  QSplitter *Splitter = nullptr;
  QFrame *pn_Card = nullptr;
  QLabel *pn_CardCaption = nullptr;
  QLabel *pn_Header = nullptr;
  TReRichEdit *m_Card = nullptr;
  TReRichEdit *m_RTFbuffer = nullptr;
  QStatusBar *StatusBar = nullptr;
  QLabel *StatusPanels[4] = {};
  // The four docks around the panes, and the menu bar and toolbars in them.
  toolbars::TTbrDockFrame *DockFrame = nullptr;
  toolbars::TTbrDock *DockTop = nullptr;
  toolbars::TTbrDock *DockBottom = nullptr;
  toolbars::TTbrDock *DockLeft = nullptr;
  toolbars::TTbrDock *DockRight = nullptr;
  toolbars::TTbrCustomToolbar *Toolbar_Menu = nullptr;
  toolbars::TTbrCustomToolbar *Toolbar_Standard = nullptr;
  toolbars::TTbrCustomToolbar *Toolbar_Navigation = nullptr;
  toolbars::TTbrCustomToolbar *Toolbar_formatting = nullptr;
  toolbars::TTbrCustomToolbar *Toolbar_Actions = nullptr;
  // The docks' context menu: which toolbars show, and whether they are locked.
  std::unique_ptr<toolbars::TTbrPopupMenu> pm_Toolbars;
  // The card editor's right-click menu, filled each time with what the editor offers then.
  std::unique_ptr<toolbars::TTbrPopupMenu> pm_Card;
  // The toolbars that pm_Toolbars and the options dialog show and hide, with their captions.
  QList<toolbars::TTbrCustomToolbar *> OptionalToolbars() const;
  // Shows a hint in the status line (an empty one gives the panels back).
  void SetApplicationHint(const QString &hint);
  // The action text on Toolbar_Actions.
  toolbars::TThmEditItem *e_Action = nullptr;
  QTimer *Timer = nullptr;
  // The icon in the desktop's notification area and its menu ("Restore", "Close").
  TTrayIcon *TrayIcon = nullptr;
  QMenu *pm_Systray = nullptr;

  MainActions &actions() { return *actions_; }
  const QStringList &arguments() const { return arguments_; }
  RunningInstance *instance() const { return instance_.get(); }

protected:
  void showEvent(QShowEvent *e) override;
  void closeEvent(QCloseEvent *e) override;
  void changeEvent(QEvent *e) override;

private:
  void buildForm();
  void buildToolbars();
  void buildToolbarsMenu();
  void finishToolbars();  // once every command group has put its items on the toolbars
  std::unique_ptr<TMainLoopHost> loopHost_;
  // The entries of the recently used files, shown in the File menu and under Open.
  void wireLifeCycle();
  void wireTrayIcon();
  void restartAutosave();  // after a close that did not happen, when autosave is on
  void wireFileCommands();
  void wireOptionsCommand();
  void wireHelpCommands();  // tf_main_help.cpp
  QPoint popupPosition_;  // the options dialog (tf_main_options.cpp)
  void wireCardCommands();  // card commands and card clipboard (tf_main_cards.cpp)
  void wireFindCommands();  // find and replace (tf_main_find.cpp)
  void buildFormattingControls();  // the formatting toolbar's own controls (tf_main_editor.cpp)
  void wireEditorCommands();       // editor and formatting commands (tf_main_editor.cpp)
  void wireObjectCommands();  // Paste Special and Insert Object (tf_main_objects.cpp)
  void wirePrintCommands();  // printing and RTF export (tf_main_print.cpp)
  void createRichPrinter();
  void wireActionCommands();  // card actions and dialling (tf_main_actions.cpp)
  void wireImportCommands();  // import of card-index and text files (tf_main_import.cpp)
  // `progress` is told the card reached while cards are searched; Cancel in it stops the search.
  bool replaceFindStep(bool all, SearchProgress &progress);
  bool selectionMatchesFind() const;
  std::unique_ptr<TCardScanner> replaceScanner_;  // one body reader for a whole Replace All
  // Whether the clipboard holds something the card editor can paste: asked of
  // the clipboard (a round trip to the X server) once after each change of it,
  // not on every key; -1 until asked.
  int clipboardPasteable_ = -1;
  // filter, list and current card (tf_main_list.cpp)
  void wireListCommands();
  void lw_ListChange();
  void UpdateRecentFilesMenu();
  void makeRecentList();
  std::shared_ptr<TCrd> shownCard_;
  // A revision of AllCards known to hold the shown card (0: not known): storing an edit
  // needs no walk over every card to make sure the card was not deleted meanwhile.
  quint64 shownCardRevision_ = 0;
  CardListModel *listModel_ = nullptr;
  std::shared_ptr<TCardFilter> cardFilter_;  // shared: the life-cycle file destroys the window without knowing the type
  bool listSortedByTitle_ = true;
  bool selecting_ = false;
  // While a Replace All runs, a card shown leaves the status bar, the menus
  // and the action text as they are: nothing is painted meanwhile, and the
  // card shown at the end brings them up to date once (`quietShowPending_`).
  bool quietShow_ = false;
  bool quietShowPending_ = false;
  friend class QuietShowScope;

  std::unique_ptr<MainActions> actions_;
  QStringList arguments_;
  std::unique_ptr<RunningInstance> instance_;
  // Made on the application, which outlives the window: cut when the window
  // goes, before its widgets, whose hiding changes the focus once more.
  QMetaObject::Connection focusConnection_;
  bool destroyed_ = false;
  bool terminateRequested_ = false;  // handed over to another instance while starting
  bool closing_ = false;        // the close path runs: no autosave, no second question
  bool closeAnswered_ = false;  // the save question was answered for this close
  bool commandClose_ = false;   // a command closes the window, not its close button
  int busy_ = 0;                // a command or modal dialog is running
  int layoutPosition_ = 0;      // how the list stands now: 0 left of the editor, 1 above it
  bool startupStarted_ = false; // FormShow ran (StartupDone is set once the file to show is chosen)
  bool autosaving_ = false;     // a tick is saving: the next one waits
  bool askingToEnd_ = false;    // the end-of-session question is on screen
};

extern Tf_Main *f_Main;

} // namespace qel
