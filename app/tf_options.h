#pragma once
// The options dialog: the pages "General", "View", "Toolbars", "Print",
// "Dial" and "Advanced", with a live sample of the main window on the View
// page, predefined colour schemes and scheme files. The settings object
// copies itself into and out of it (tOptions::ToOptionsDialog and
// FromOptionsDialog); the main window's Options command shows it.

#include "settings/colorscheme.h"
#include "settings/options.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;
class QTabWidget;
class QWidget;

namespace qel::toolbars {
class TTbrCustomToolbar;
}

namespace qel {

class Tf_Main;

class Tf_Options : public QDialog, public TOptionsControls {
  Q_OBJECT
public:
  // `main`: the window whose layout, toolbars and commands the dialog reaches (may be null in tests).
  explicit Tf_Options(Tf_Main *main, QWidget *parent = nullptr);
  ~Tf_Options() override;

  // ---- TOptionsControls ----
  void SetControlValue(const QString &control, const TOptionValue &value) override;
  std::optional<TOptionValue> ControlValue(const QString &control, const TOptionValue &kind) const override;

  // The sample's looks as they stand.
  const TSchemeLooks &SampleLooks() const { return looks_; }
  void SetSampleLooks(const TSchemeLooks &looks);

  // ---- handlers ----
  void FormCreate();
  void FormShow();
  void MenuItem2Click();  // card colour
  void Color1Click();     // filter colour
  void MenuItem5Click();  // list colour
  void m_HeaderColorClick();
  void MenuItem1Click();  // card font
  void Font1Click();      // filter font
  void MenuItem4Click();  // list font
  void m_HeaderFontClick();
  void chb_HeaderClick();
  void cb_DTformatChange();
  void chb_AutoSaveClick();
  void chb_AltemailClick();
  void chb_AltWWWClick();
  void b_altActionClick(bool email);
  void chb_SystemTrayClick();
  void b_pagesetupClick();
  void b_PrinterSetupClick();
  void b_printClick();
  void cb_PrintObjectChange();
  void chb_PageBreaksClick();
  void b_HeadersHelpClick();
  void cb_MRUClick();
  void chb_RightToLeftClick();
  void cb_ListPositionChange();
  void chb_ListColumnsClick();
  void B_FontClick();
  void b_PrintTitlesFontClick();
  void b_MenuFontClick();
  void b_ActionsFontClick();
  void b_BakLocationClick();
  void chb_backupClick();
  void chb_ActionWidthClick();
  void b_FontToAllClick();
  void b_ColorToAllClick();
  void b_SaveSchemeClick();
  void b_OpenSchemeClick();
  void cb_PredefinedChange();
  void UpdateToolbarsList();
  void UpdateButtonsList(const QString &caption);
  void UpdateButtonsListFromToolbarsList();
  void lv_ToolbarsChange(QListWidgetItem *item);
  // Shows or hides the button of the entry on the selected toolbar at once.
  void lv_buttonsChange(QListWidgetItem *entry);
  void chb_LockToolbarsClick();

  QTabWidget *pc_Options = nullptr;
  // General
  QCheckBox *chb_OpenLast = nullptr, *chb_SystemTray = nullptr, *chb_MinimizeOnClosing = nullptr,
            *chb_minimize = nullptr, *chb_stayOnTop = nullptr, *chb_AutoSave = nullptr, *chb_backup = nullptr,
            *chb_Exclusive = nullptr, *cb_MRU = nullptr;
  QSpinBox *e_Autosave = nullptr, *e_MRU = nullptr;
  QLabel *lbl_minutes = nullptr, *lbl_entries = nullptr, *lbl_DTsample = nullptr;
  QLineEdit *e_BakLocation = nullptr;
  QPushButton *b_BakLocation = nullptr;
  QComboBox *cb_DTformat = nullptr;
  // View
  QWidget *pn_Sample_left = nullptr;
  QLineEdit *e_sample_record = nullptr;
  QListWidget *l_sample_records = nullptr;
  QLabel *pn_Sample_Header = nullptr;
  QPlainTextEdit *m_sample_card = nullptr;
  QComboBox *cb_ListPosition = nullptr, *cb_Predefined = nullptr;
  QCheckBox *chb_Header = nullptr, *cb_ShowClear = nullptr, *cb_Sort = nullptr, *chb_ListColumns = nullptr,
            *chb_ListGridlines = nullptr, *chb_FlatScrollBars = nullptr, *chb_FilterWholeWords = nullptr,
            *chb_FilterFromStart = nullptr, *chb_RightToLeft = nullptr;
  QPushButton *b_SaveScheme = nullptr, *b_OpenScheme = nullptr, *b_FontToAll = nullptr, *b_ColorToAll = nullptr;
  // Toolbars
  QListWidget *lv_Toolbars = nullptr, *lv_buttons = nullptr;
  QCheckBox *chb_LockToolbars = nullptr, *chb_ActionWidth = nullptr;
  QSpinBox *e_ActionWidth = nullptr;
  QLabel *lbl_pixels = nullptr;
  QPushButton *b_MenuFont = nullptr, *b_ActionsFont = nullptr;
  // Print
  QComboBox *cb_PrintObject = nullptr, *cb_units = nullptr, *cb_AlHeader = nullptr, *cb_AlFooter = nullptr;
  QCheckBox *chb_PageBreaks = nullptr, *chb_HeaderLine = nullptr, *chb_FooterLine = nullptr;
  QLineEdit *e_Header = nullptr, *e_Footer = nullptr;
  QPushButton *B_Font = nullptr, *b_PrintTitlesFont = nullptr, *b_HeadersHelp = nullptr, *b_pagesetup = nullptr,
              *b_PrinterSetup = nullptr, *b_print = nullptr;
  // Dial
  QCheckBox *chb_AltDial = nullptr, *chb_DialLetters = nullptr, *chb_savephonenr = nullptr,
            *chb_DetectPhNrFromTitle = nullptr;
  QLineEdit *e_DialPrefix = nullptr, *e_Autodial = nullptr, *e_DialCommand = nullptr;
  QSpinBox *e_Autodial_min = nullptr;
  // Advanced
  QCheckBox *chb_Altemail = nullptr, *chb_AltWWW = nullptr, *chb_Maximize_email = nullptr,
            *chb_Maximize_WWW = nullptr, *chb_Maximize_App = nullptr;
  QLineEdit *e_altemail = nullptr, *e_mailto = nullptr, *e_AltWWW = nullptr;
  QLabel *lbl_mailto = nullptr;
  QPushButton *b_altEmail = nullptr, *b_altWWW = nullptr;

  // The fonts the dialog's font dialogs hold.
  TFont fd_Headers, fd_Titles, fd_Menu, fd_Action;

protected:
  void showEvent(QShowEvent *e) override;

private:
  void buildGeneralPage();
  void buildViewPage();
  void buildToolbarsPage();
  void buildPrintPage();
  void buildDialPage();
  void buildAdvancedPage();
  void wireHandlers();
  void paintSamples();
  void pickColor(TSampleLook &look, const QString &caption);
  void pickFont(TSampleLook &look);
  bool pickFont(TFont &font);
  toolbars::TTbrCustomToolbar *mainToolbar(const QString &caption) const;

  Tf_Main *main_ = nullptr;
  TSchemeLooks looks_;
};

// The instance the main window makes at start.
extern Tf_Options *f_Options;

} // namespace qel
