#include "app/tf_options.h"

#include "app/colors.h"
#include "app/dlg_fontglobal.h"
#include "app/pending.h"
#include "app/mainbars.h"
#include "app/tf_main.h"
#include "platform/datetime.h"
#include "platform/inifile.h"
#include "platform/uiservices.h"
#include "shell/folderbrowse.h"
#include "shell/htmlhelp.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QIcon>
#include <QPixmap>
#include <QRegularExpression>
#include "toolbars/paint/pixelimagelist.h"
#include "toolbars/qt/tbtoolbar.h"
#include <QVBoxLayout>

namespace qel {

Tf_Options *f_Options = nullptr;

namespace {

template <class W> W *named(W *w, const char *name) {
  w->setObjectName(QString::fromLatin1(name));
  return w;
}
QCheckBox *check(const char *name, const char *caption) {
  return named(new QCheckBox(QString::fromUtf8(caption)), name);
}
QPushButton *button(const char *name, const char *caption) {
  return named(new QPushButton(QString::fromUtf8(caption)), name);
}
QSpinBox *spin(const char *name, const TOptionRange &range) {
  auto *s = named(new QSpinBox, name);
  s->setRange(range.min, range.max);
  return s;
}
QComboBox *combo(const char *name, const QStringList &items) {
  auto *c = named(new QComboBox, name);
  c->addItems(items);
  return c;
}
QHBoxLayout *row(std::initializer_list<QWidget *> widgets, bool stretch = true) {
  auto *l = new QHBoxLayout;
  for (QWidget *w : widgets) l->addWidget(w);
  if (stretch) l->addStretch(1);
  return l;
}

// Colours and font of a sample control.
void paint(QWidget *w, const TSampleLook &look) {
  w->setFont(FontToQFont(look.Font));
  QPalette pal = w->palette();
  const QColor bg = TColorToQColor(look.Color);
  const QColor fg = TColorToQColor(look.Font.Color);
  for (QPalette::ColorRole r : {QPalette::Base, QPalette::Window, QPalette::Button})
    if (bg.isValid()) pal.setColor(r, bg);
  for (QPalette::ColorRole r : {QPalette::Text, QPalette::WindowText, QPalette::ButtonText})
    if (fg.isValid()) pal.setColor(r, fg);
  w->setPalette(pal);
  w->setAutoFillBackground(true);
}

} // namespace

Tf_Options::Tf_Options(Tf_Main *main, QWidget *parent) : QDialog(parent), main_(main) {
  setObjectName(QStringLiteral("f_Options"));
  setWindowTitle(QStringLiteral("Options"));
  pc_Options = named(new QTabWidget, "pc_Options");
  buildGeneralPage();
  buildViewPage();
  buildToolbarsPage();
  buildPrintPage();
  buildDialPage();
  buildAdvancedPage();
  auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  buttons->setObjectName(QStringLiteral("bb_Options"));
  buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("b_OK"));
  buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("b_Cancel"));
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto *layout = new QVBoxLayout(this);
  layout->addWidget(pc_Options);
  layout->addWidget(buttons);
  wireHandlers();
  FormCreate();
}

Tf_Options::~Tf_Options() {
  if (f_Options == this) f_Options = nullptr;
}

// ---- pages ----

void Tf_Options::buildGeneralPage() {
  auto *page = named(new QWidget, "ts_General");
  auto *l = new QVBoxLayout(page);
  chb_OpenLast = check("chb_OpenLast", "&Open last file at start");
  chb_SystemTray = check("chb_SystemTray", "&Minimize to system tray");
  chb_MinimizeOnClosing = check("chb_MinimizeOnClosing", "Minimize on &closing");
  chb_minimize = check("chb_minimize", "&Start minimized");
  chb_stayOnTop = check("chb_stayOnTop", "Stay on &top");
  chb_Exclusive = check("chb_Exclusive", "Open card files for e&xclusive use");
  chb_AutoSave = check("chb_AutoSave", "&Autosave every:");
  e_Autosave = spin("e_Autosave", kAutosavePeriodRange);
  lbl_minutes = named(new QLabel(QStringLiteral("m&inutes")), "lbl_minutes");
  lbl_minutes->setBuddy(e_Autosave);
  chb_backup = check("chb_backup", "Always create &backup copies in:");
  e_BakLocation = named(new QLineEdit, "e_BakLocation");
  e_BakLocation->setPlaceholderText(QStringLiteral("the card file's folder"));
  b_BakLocation = button("b_BakLocation", "Browse ...");
  cb_MRU = check("cb_MRU", "Recently &used file list:");
  e_MRU = spin("e_MRU", kMRUEntriesRange);
  lbl_entries = named(new QLabel(QStringLiteral("&entries")), "lbl_entries");
  lbl_entries->setBuddy(e_MRU);
  cb_DTformat = combo("cb_DTformat", {QStringLiteral("Long Date"), QStringLiteral("Short Date"),
                                      QStringLiteral("yyyy-mmm-dd"), QStringLiteral("yyyy-mm-dd hh:nn"),
                                      QStringLiteral("dd.mm.yyyy"), QStringLiteral("dd.mm.yyyy hh:nn"),
                                      QStringLiteral("mm/dd/yyyy"), QStringLiteral("dddd, d mmmm yyyy")});
  cb_DTformat->setEditable(true);
  lbl_DTsample = named(new QLabel, "lbl_DTsample");
  auto *dtLabel = new QLabel(QStringLiteral("&Date and time format:"));
  dtLabel->setBuddy(cb_DTformat);

  auto *start = new QGroupBox(QStringLiteral("Start and window"));
  auto *sl = new QVBoxLayout(start);
  for (QWidget *w : {static_cast<QWidget *>(chb_OpenLast), static_cast<QWidget *>(chb_minimize),
                     static_cast<QWidget *>(chb_SystemTray)})
    sl->addWidget(w);
  sl->addLayout(row({chb_MinimizeOnClosing}));
  sl->itemAt(sl->count() - 1)->layout()->setContentsMargins(20, 0, 0, 0);
  sl->addWidget(chb_stayOnTop);
  auto *files = new QGroupBox(QStringLiteral("Files"));
  auto *fl = new QVBoxLayout(files);
  fl->addLayout(row({chb_AutoSave, e_Autosave, lbl_minutes}));
  fl->addLayout(row({chb_backup}));
  fl->addLayout(row({e_BakLocation, b_BakLocation}, false));
  fl->addWidget(chb_Exclusive);
  fl->addLayout(row({cb_MRU, e_MRU, lbl_entries}));
  l->addWidget(start);
  l->addWidget(files);
  l->addLayout(row({dtLabel, cb_DTformat, lbl_DTsample}));
  l->addStretch(1);
  pc_Options->addTab(page, QStringLiteral("General"));
}

void Tf_Options::buildViewPage() {
  auto *page = named(new QWidget, "ts_View");
  auto *l = new QHBoxLayout(page);

  pn_Sample_left = named(new QWidget, "pn_Sample_left");
  pn_Sample_left->setMinimumWidth(260);
  e_sample_record = named(new QLineEdit(QStringLiteral("filter")), "e_sample_record");
  e_sample_record->setReadOnly(true);
  l_sample_records = named(new QListWidget, "l_sample_records");
  l_sample_records->addItem(QStringLiteral("LIST"));
  for (char c = 'a'; c <= 'z'; ++c) l_sample_records->addItem(QString(3, QLatin1Char(c)));
  pn_Sample_Header = named(new QLabel(QStringLiteral("header")), "pn_Sample_Header");
  pn_Sample_Header->setMargin(3);
  m_sample_card = named(new QPlainTextEdit(QStringLiteral("CARD")), "m_sample_card");
  m_sample_card->setReadOnly(true);
  auto *sample = new QGridLayout(pn_Sample_left);
  sample->setContentsMargins(0, 0, 0, 0);
  sample->setSpacing(2);

  auto *controls = new QVBoxLayout;
  cb_ListPosition = combo("cb_ListPosition", {QStringLiteral("Left"), QStringLiteral("Top"), QStringLiteral("Bottom")});
  auto *posLabel = new QLabel(QStringLiteral("&List position:"));
  posLabel->setBuddy(cb_ListPosition);
  controls->addLayout(row({posLabel, cb_ListPosition}));
  chb_Header = check("chb_Header", "Show Card &Header");
  cb_ShowClear = check("cb_ShowClear", "Show Clear &Filter button");
  cb_Sort = check("cb_Sort", "&Sort list");
  chb_ListColumns = check("chb_ListColumns", "&Columns");
  chb_ListGridlines = check("chb_ListGridlines", "Show &Gridlines");
  chb_FlatScrollBars = check("chb_FlatScrollBars", "Fl&at scroll bars");
  chb_FilterWholeWords = check("chb_FilterWholeWords", "Filter &whole words");
  chb_FilterFromStart = check("chb_FilterFromStart", "Filter from the s&tart of the title");
  chb_RightToLeft = check("chb_RightToLeft", "&Right To Left mode");
  for (QCheckBox *c : {chb_Header, cb_ShowClear, cb_Sort, chb_ListColumns, chb_ListGridlines, chb_FlatScrollBars,
                       chb_FilterWholeWords, chb_FilterFromStart, chb_RightToLeft})
    controls->addWidget(c);

  auto *looks = new QGroupBox(QStringLiteral("Colors and fonts"));
  auto *g = new QGridLayout(looks);
  struct Pick {
    const char *what, *colorName, *fontName;
    void (Tf_Options::*color)();
    void (Tf_Options::*font)();
  } picks[] = {
      {"Filter", "Color1", "Font1", &Tf_Options::Color1Click, &Tf_Options::Font1Click},
      {"List", "MenuItem5", "MenuItem4", &Tf_Options::MenuItem5Click, &Tf_Options::MenuItem4Click},
      {"Header", "m_HeaderColor", "m_HeaderFont", &Tf_Options::m_HeaderColorClick, &Tf_Options::m_HeaderFontClick},
      {"Card", "MenuItem2", "MenuItem1", &Tf_Options::MenuItem2Click, &Tf_Options::MenuItem1Click},
  };
  int r = 0;
  for (const Pick &p : picks) {
    g->addWidget(new QLabel(QString::fromLatin1(p.what)), r, 0);
    auto *c = button(p.colorName, "Color ...");
    auto *f = button(p.fontName, "Font ...");
    connect(c, &QPushButton::clicked, this, [this, m = p.color] { (this->*m)(); });
    connect(f, &QPushButton::clicked, this, [this, m = p.font] { (this->*m)(); });
    g->addWidget(c, r, 1);
    g->addWidget(f, r, 2);
    ++r;
  }
  cb_Predefined = combo("cb_Predefined", PredefinedSchemeNames());
  cb_Predefined->setCurrentIndex(-1);
  cb_Predefined->setPlaceholderText(QStringLiteral("Predefined schemes"));
  b_SaveScheme = button("b_SaveScheme", "Save Scheme");
  b_OpenScheme = button("b_OpenScheme", "Load Scheme");
  b_FontToAll = button("b_FontToAll", "Set Font to all cards ...");
  b_ColorToAll = button("b_ColorToAll", "Set Color to all cards ...");
  controls->addWidget(looks);
  controls->addWidget(cb_Predefined);
  controls->addLayout(row({b_SaveScheme, b_OpenScheme}));
  controls->addLayout(row({b_FontToAll, b_ColorToAll}));
  controls->addStretch(1);

  l->addWidget(pn_Sample_left, 1);
  l->addLayout(controls);
  pc_Options->addTab(page, QStringLiteral("View"));
}

void Tf_Options::buildToolbarsPage() {
  auto *page = named(new QWidget, "ts_Toolbars");
  auto *l = new QVBoxLayout(page);
  lv_Toolbars = named(new QListWidget, "lv_Toolbars");
  for (const char *name : {"Standard", "Navigation", "Formatting", "Actions"}) {
    auto *item = new QListWidgetItem(QString::fromLatin1(name), lv_Toolbars);
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    item->setCheckState(Qt::Checked);
  }
  lv_buttons = named(new QListWidget, "lv_buttons");
  auto *lists = new QHBoxLayout;
  auto *tl = new QVBoxLayout;
  tl->addWidget(new QLabel(QStringLiteral("Toolbars:")));
  tl->addWidget(lv_Toolbars);
  auto *bl = new QVBoxLayout;
  bl->addWidget(new QLabel(QStringLiteral("Buttons:")));
  bl->addWidget(lv_buttons);
  lists->addLayout(tl);
  lists->addLayout(bl);
  l->addLayout(lists, 1);
  chb_LockToolbars = check("chb_LockToolbars", "&Lock the Toolbars");
  l->addWidget(chb_LockToolbars);
  b_MenuFont = button("b_MenuFont", "Menu font ...");
  b_ActionsFont = button("b_ActionsFont", "Action text font ...");
  l->addLayout(row({b_MenuFont, b_ActionsFont}));
  chb_ActionWidth = check("chb_ActionWidth", "Fixed:");
  e_ActionWidth = spin("e_ActionWidth", kActionBarWidthRange);
  lbl_pixels = named(new QLabel(QStringLiteral("pixels")), "lbl_pixels");
  l->addLayout(row({new QLabel(QStringLiteral("Width of the action text:")), chb_ActionWidth, e_ActionWidth, lbl_pixels}));
  pc_Options->addTab(page, QStringLiteral("Toolbars"));
}

void Tf_Options::buildPrintPage() {
  auto *page = named(new QWidget, "ts_Print");
  auto *l = new QVBoxLayout(page);
  auto *form = new QFormLayout;
  cb_PrintObject = combo("cb_PrintObject", {QStringLiteral("Selected cards"), QStringLiteral("Filtered cards"),
                                            QStringLiteral("All cards"), QStringLiteral("List only")});
  form->addRow(QStringLiteral("&Default print:"), cb_PrintObject);
  chb_PageBreaks = check("chb_PageBreaks", "Page &break after each card");
  form->addRow(QString(), chb_PageBreaks);
  cb_units = combo("cb_units", {QStringLiteral("Millimeters"), QStringLiteral("Inches")});
  form->addRow(QStringLiteral("&Margin units:"), cb_units);
  const QStringList alignments{QStringLiteral("Left"), QStringLiteral("Right"), QStringLiteral("Center")};
  e_Header = named(new QLineEdit, "e_Header");
  cb_AlHeader = combo("cb_AlHeader", alignments);
  chb_HeaderLine = check("chb_HeaderLine", "Line &under the header");
  auto *headerLabel = new QLabel(QStringLiteral("&Header:"));
  headerLabel->setBuddy(e_Header);
  form->addRow(headerLabel, row({e_Header, cb_AlHeader}, false));
  form->addRow(QString(), chb_HeaderLine);
  e_Footer = named(new QLineEdit, "e_Footer");
  cb_AlFooter = combo("cb_AlFooter", alignments);
  chb_FooterLine = check("chb_FooterLine", "Line &over the footer");
  auto *footerLabel = new QLabel(QStringLiteral("&Footer:"));
  footerLabel->setBuddy(e_Footer);
  form->addRow(footerLabel, row({e_Footer, cb_AlFooter}, false));
  form->addRow(QString(), chb_FooterLine);
  l->addLayout(form);
  B_Font = button("B_Font", "Header/footer font ...");
  b_PrintTitlesFont = button("b_PrintTitlesFont", "Card titles font ...");
  b_HeadersHelp = button("b_HeadersHelp", "Help on headers/footers");
  l->addLayout(row({B_Font, b_PrintTitlesFont, b_HeadersHelp}));
  b_pagesetup = button("b_pagesetup", "Pa&ge Setup ...");
  b_PrinterSetup = button("b_PrinterSetup", "Printer Setup ...");
  b_print = button("b_print", "&Print ...");
  l->addLayout(row({b_pagesetup, b_PrinterSetup, b_print}));
  l->addStretch(1);
  pc_Options->addTab(page, QStringLiteral("Print"));
}

void Tf_Options::buildDialPage() {
  auto *page = named(new QWidget, "ts_Dial");
  auto *form = new QFormLayout(page);
  e_DialPrefix = named(new QLineEdit, "e_DialPrefix");
  form->addRow(QStringLiteral("Dial &prefix:"), e_DialPrefix);
  e_DialCommand = named(new QLineEdit, "e_DialCommand");
  e_DialCommand->setToolTip(QStringLiteral("The program that dials and its arguments: %n stands for the number, "
                                           "%t for the card's title."));
  form->addRow(QStringLiteral("Dial &command:"), e_DialCommand);
  e_Autodial = named(new QLineEdit, "e_Autodial");
  form->addRow(QStringLiteral("Speed dial: phone number &after:"), e_Autodial);
  e_Autodial_min = spin("e_Autodial_min", kSpeedDialLengthRange);
  // The spin box sits in a row of its own, which the form cannot make the
  // label's buddy: without one the label would show its "&".
  auto *minLabel = new QLabel(QStringLiteral("Shortest phone &number:"));
  minLabel->setBuddy(e_Autodial_min);
  form->addRow(minLabel, row({e_Autodial_min}));
  chb_DialLetters = check("chb_DialLetters", "Dial &letters as keypad digits");
  chb_savephonenr = check("chb_savephonenr", "Offer to &save a dialled number as the card's phone");
  chb_DetectPhNrFromTitle = check("chb_DetectPhNrFromTitle", "Find a phone number in the card &title");
  chb_AltDial = check("chb_AltDial", "Dial through the &desktop's telephone handler");
  for (QCheckBox *c : {chb_DialLetters, chb_savephonenr, chb_DetectPhNrFromTitle, chb_AltDial})
    form->addRow(QString(), c);
  pc_Options->addTab(page, QStringLiteral("Dial"));
}

void Tf_Options::buildAdvancedPage() {
  auto *page = named(new QWidget, "ts_Advanced");
  auto *l = new QVBoxLayout(page);
  auto *mail = new QGroupBox(QStringLiteral("E-mail"));
  auto *ml = new QVBoxLayout(mail);
  chb_Altemail = check("chb_Altemail", "Use alternative &e-mail client:");
  e_altemail = named(new QLineEdit, "e_altemail");
  b_altEmail = button("b_altEmail", "Locate ...");
  e_mailto = named(new QLineEdit, "e_mailto");
  lbl_mailto = named(new QLabel(QStringLiteral("add &before e-mail address:")), "lbl_mailto");
  lbl_mailto->setBuddy(e_mailto);
  chb_Maximize_email = check("chb_Maximize_email", "Start the e-mail client ma&ximized");
  ml->addWidget(chb_Altemail);
  ml->addLayout(row({e_altemail, b_altEmail}, false));
  ml->addLayout(row({lbl_mailto, e_mailto}, false));
  ml->addWidget(chb_Maximize_email);
  auto *web = new QGroupBox(QStringLiteral("WWW"));
  auto *wl = new QVBoxLayout(web);
  chb_AltWWW = check("chb_AltWWW", "Use alte&rnative WWW browser:");
  e_AltWWW = named(new QLineEdit, "e_AltWWW");
  b_altWWW = button("b_altWWW", "Locate ...");
  chb_Maximize_WWW = check("chb_Maximize_WWW", "Start the browser maxi&mized");
  wl->addWidget(chb_AltWWW);
  wl->addLayout(row({e_AltWWW, b_altWWW}, false));
  wl->addWidget(chb_Maximize_WWW);
  chb_Maximize_App = check("chb_Maximize_App", "Start programs named in cards maximi&zed");
  l->addWidget(mail);
  l->addWidget(web);
  l->addWidget(chb_Maximize_App);
  l->addStretch(1);
  pc_Options->addTab(page, QStringLiteral("Advanced"));
}

void Tf_Options::wireHandlers() {
  auto onCheck = [this](QCheckBox *c, void (Tf_Options::*m)()) { connect(c, &QCheckBox::toggled, this, [this, m] { (this->*m)(); }); };
  auto onClick = [this](QPushButton *b, void (Tf_Options::*m)()) { connect(b, &QPushButton::clicked, this, [this, m] { (this->*m)(); }); };
  onCheck(chb_Header, &Tf_Options::chb_HeaderClick);
  onCheck(chb_AutoSave, &Tf_Options::chb_AutoSaveClick);
  onCheck(chb_Altemail, &Tf_Options::chb_AltemailClick);
  onCheck(chb_AltWWW, &Tf_Options::chb_AltWWWClick);
  onCheck(chb_SystemTray, &Tf_Options::chb_SystemTrayClick);
  onCheck(chb_PageBreaks, &Tf_Options::chb_PageBreaksClick);
  onCheck(cb_MRU, &Tf_Options::cb_MRUClick);
  onCheck(chb_RightToLeft, &Tf_Options::chb_RightToLeftClick);
  onCheck(chb_ListColumns, &Tf_Options::chb_ListColumnsClick);
  onCheck(chb_backup, &Tf_Options::chb_backupClick);
  onCheck(chb_ActionWidth, &Tf_Options::chb_ActionWidthClick);
  // The lock follows a click, not the copy of the settings into the dialog.
  connect(chb_LockToolbars, &QCheckBox::clicked, this, [this] { chb_LockToolbarsClick(); });
  connect(cb_DTformat, &QComboBox::currentTextChanged, this, [this] { cb_DTformatChange(); });
  connect(cb_PrintObject, &QComboBox::currentIndexChanged, this, [this] { cb_PrintObjectChange(); });
  connect(cb_ListPosition, &QComboBox::currentIndexChanged, this, [this] { cb_ListPositionChange(); });
  connect(cb_Predefined, &QComboBox::activated, this, [this] { cb_PredefinedChange(); });
  connect(b_altEmail, &QPushButton::clicked, this, [this] { b_altActionClick(true); });
  connect(b_altWWW, &QPushButton::clicked, this, [this] { b_altActionClick(false); });
  onClick(b_pagesetup, &Tf_Options::b_pagesetupClick);
  onClick(b_PrinterSetup, &Tf_Options::b_PrinterSetupClick);
  onClick(b_print, &Tf_Options::b_printClick);
  onClick(b_HeadersHelp, &Tf_Options::b_HeadersHelpClick);
  onClick(B_Font, &Tf_Options::B_FontClick);
  onClick(b_PrintTitlesFont, &Tf_Options::b_PrintTitlesFontClick);
  onClick(b_MenuFont, &Tf_Options::b_MenuFontClick);
  onClick(b_ActionsFont, &Tf_Options::b_ActionsFontClick);
  onClick(b_BakLocation, &Tf_Options::b_BakLocationClick);
  onClick(b_FontToAll, &Tf_Options::b_FontToAllClick);
  onClick(b_ColorToAll, &Tf_Options::b_ColorToAllClick);
  onClick(b_SaveScheme, &Tf_Options::b_SaveSchemeClick);
  onClick(b_OpenScheme, &Tf_Options::b_OpenSchemeClick);
  connect(lv_Toolbars, &QListWidget::itemChanged, this, [this](QListWidgetItem *item) { lv_ToolbarsChange(item); });
  connect(lv_Toolbars, &QListWidget::currentItemChanged, this, [this] { UpdateButtonsListFromToolbarsList(); });
  connect(lv_buttons, &QListWidget::itemChanged, this, [this](QListWidgetItem *item) { lv_buttonsChange(item); });
}

// ---- copy of the settings ----

namespace {
bool isSample(const QString &control) {
  return control == QLatin1String("e_sample_record") || control == QLatin1String("l_sample_records") ||
         control == QLatin1String("pn_Sample_Header") || control == QLatin1String("m_sample_card");
}
} // namespace

void Tf_Options::SetControlValue(const QString &control, const TOptionValue &value) {
  if (isSample(control)) {
    TSampleLook &look = control == QLatin1String("e_sample_record") ? looks_.Filter
                        : control == QLatin1String("l_sample_records") ? looks_.List
                        : control == QLatin1String("pn_Sample_Header") ? looks_.Header
                                                                       : looks_.Card;
    if (const int *c = std::get_if<int>(&value)) look.Color = *c;
    if (const TFont *f = std::get_if<TFont>(&value)) look.Font = *f;
    paintSamples();
    return;
  }
  if (const TFont *f = std::get_if<TFont>(&value)) {
    if (control == QLatin1String("fd_Headers")) fd_Headers = *f;
    if (control == QLatin1String("fd_Titles")) fd_Titles = *f;
    if (control == QLatin1String("fd_Menu")) fd_Menu = *f;
    if (control == QLatin1String("fd_Action")) fd_Action = *f;
    return;
  }
  QObject *w = findChild<QObject *>(control);
  if (auto *c = qobject_cast<QCheckBox *>(w); c && std::holds_alternative<bool>(value)) c->setChecked(std::get<bool>(value));
  if (auto *s = qobject_cast<QSpinBox *>(w); s && std::holds_alternative<int>(value)) s->setValue(std::get<int>(value));
  if (auto *e = qobject_cast<QLineEdit *>(w); e && std::holds_alternative<QString>(value)) e->setText(std::get<QString>(value));
  if (auto *c = qobject_cast<QComboBox *>(w)) {
    if (const int *i = std::get_if<int>(&value)) c->setCurrentIndex(*i >= 0 && *i < c->count() ? *i : -1);
    if (const QString *t = std::get_if<QString>(&value)) c->setCurrentText(*t);
  }
}

std::optional<TOptionValue> Tf_Options::ControlValue(const QString &control, const TOptionValue &kind) const {
  if (isSample(control)) {
    const TSampleLook &look = control == QLatin1String("e_sample_record") ? looks_.Filter
                              : control == QLatin1String("l_sample_records") ? looks_.List
                              : control == QLatin1String("pn_Sample_Header") ? looks_.Header
                                                                             : looks_.Card;
    if (std::holds_alternative<int>(kind)) return TOptionValue(look.Color);
    if (std::holds_alternative<TFont>(kind)) return TOptionValue(look.Font);
    return std::nullopt;
  }
  if (std::holds_alternative<TFont>(kind)) {
    if (control == QLatin1String("fd_Headers")) return TOptionValue(fd_Headers);
    if (control == QLatin1String("fd_Titles")) return TOptionValue(fd_Titles);
    if (control == QLatin1String("fd_Menu")) return TOptionValue(fd_Menu);
    if (control == QLatin1String("fd_Action")) return TOptionValue(fd_Action);
    return std::nullopt;
  }
  QObject *w = findChild<QObject *>(control);
  if (auto *c = qobject_cast<QCheckBox *>(w); c && std::holds_alternative<bool>(kind)) return TOptionValue(c->isChecked());
  if (auto *s = qobject_cast<QSpinBox *>(w); s && std::holds_alternative<int>(kind)) return TOptionValue(s->value());
  if (auto *e = qobject_cast<QLineEdit *>(w); e && std::holds_alternative<QString>(kind)) return TOptionValue(e->text());
  if (auto *c = qobject_cast<QComboBox *>(w)) {
    // No entry chosen (a stored index the combo does not offer): the setting stays.
    if (std::holds_alternative<int>(kind)) return c->currentIndex() >= 0 ? std::optional(TOptionValue(c->currentIndex())) : std::nullopt;
    if (std::holds_alternative<QString>(kind)) return TOptionValue(c->currentText());
  }
  return std::nullopt;
}

void Tf_Options::SetSampleLooks(const TSchemeLooks &looks) {
  looks_ = looks;
  paintSamples();
}

void Tf_Options::paintSamples() {
  paint(e_sample_record, looks_.Filter);
  paint(l_sample_records, looks_.List);
  paint(pn_Sample_Header, looks_.Header);
  paint(m_sample_card, looks_.Card);
}

// ---- form ----

void Tf_Options::FormCreate() {
  pc_Options->setCurrentIndex(0);
  lv_Toolbars->setCurrentRow(0);
  paintSamples();
  cb_ListPositionChange();
}

void Tf_Options::showEvent(QShowEvent *e) {
  QDialog::showEvent(e);
  FormShow();
}

void Tf_Options::FormShow() {
  // A scheme is applied to the samples when it is chosen; the samples are
  // what the settings keep, so the box names none when the dialog opens.
  cb_Predefined->setCurrentIndex(-1);
  cb_DTformatChange();
  chb_HeaderClick();
  if (main_) main_->ApplyLayout();
  cb_PrintObjectChange();
  UpdateToolbarsList();
  UpdateButtonsListFromToolbarsList();
  // The dependent controls as the copied settings leave them.
  chb_AutoSaveClick();
  chb_AltemailClick();
  chb_AltWWWClick();
  chb_SystemTrayClick();
  cb_MRUClick();
  chb_RightToLeftClick();
  cb_ListPositionChange();
  chb_ListColumnsClick();
  chb_backupClick();
  chb_ActionWidthClick();
}

// ---- sample colours and fonts ----

void Tf_Options::pickColor(TSampleLook &look, const QString &caption) {
  QColor color = TColorToQColor(look.Color);
  if (!ui().chooseColor(caption, color)) return;
  look.Color = QColorToTColor(color);
  paintSamples();
}

bool Tf_Options::pickFont(TFont &font) {
  QFont qfont = FontToQFont(font);
  const QColor before = TColorToQColor(font.Color);
  QColor color = before;
  if (!ui().chooseFont(QStringLiteral("Font"), qfont, color)) return false;
  font = FontFromQFont(qfont, font);
  // A system colour stays one unless another colour was chosen.
  if (color.isValid() && color != before) font.Color = QColorToTColor(color);
  return true;
}

void Tf_Options::pickFont(TSampleLook &look) {
  if (pickFont(look.Font)) paintSamples();
}

void Tf_Options::MenuItem2Click() { pickColor(looks_.Card, QStringLiteral("Card color")); }
void Tf_Options::Color1Click() { pickColor(looks_.Filter, QStringLiteral("Filter color")); }
void Tf_Options::MenuItem5Click() { pickColor(looks_.List, QStringLiteral("List color")); }
void Tf_Options::m_HeaderColorClick() { pickColor(looks_.Header, QStringLiteral("Header color")); }
void Tf_Options::MenuItem1Click() { pickFont(looks_.Card); }
void Tf_Options::Font1Click() { pickFont(looks_.Filter); }
void Tf_Options::MenuItem4Click() { pickFont(looks_.List); }
void Tf_Options::m_HeaderFontClick() { pickFont(looks_.Header); }
void Tf_Options::B_FontClick() { pickFont(fd_Headers); }
void Tf_Options::b_PrintTitlesFontClick() { pickFont(fd_Titles); }
void Tf_Options::b_MenuFontClick() { pickFont(fd_Menu); }
void Tf_Options::b_ActionsFontClick() { pickFont(fd_Action); }

// ---- enabling and samples ----

void Tf_Options::chb_HeaderClick() { pn_Sample_Header->setVisible(chb_Header->isChecked()); }

void Tf_Options::cb_DTformatChange() {
  QString pattern = cb_DTformat->currentText();
  if (pattern == QLatin1String("Long Date")) pattern = QStringLiteral("dddddd");
  if (pattern == QLatin1String("Short Date")) pattern = QStringLiteral("ddddd");
  lbl_DTsample->setText(FormatDateTime(pattern, Now()));
}

void Tf_Options::chb_AutoSaveClick() {
  e_Autosave->setEnabled(chb_AutoSave->isChecked());
  lbl_minutes->setEnabled(chb_AutoSave->isChecked());
}

void Tf_Options::chb_AltemailClick() {
  const bool on = chb_Altemail->isChecked();
  for (QWidget *w : {static_cast<QWidget *>(b_altEmail), static_cast<QWidget *>(e_altemail),
                     static_cast<QWidget *>(e_mailto), static_cast<QWidget *>(lbl_mailto)})
    w->setEnabled(on);
}

void Tf_Options::chb_AltWWWClick() {
  b_altWWW->setEnabled(chb_AltWWW->isChecked());
  e_AltWWW->setEnabled(chb_AltWWW->isChecked());
}

void Tf_Options::b_altActionClick(bool email) {
  FileDialogOptions options;
  options.caption = email ? QStringLiteral("Locate the e-mail client") : QStringLiteral("Locate the WWW browser");
  options.filter = QStringLiteral("Programs (*);;All files (*)");
  QString path = email ? e_altemail->text() : e_AltWWW->text();
  if (!ui().openFileName(options, path)) return;
  if (email) {
    e_altemail->setText(path);
    e_mailto->setText(path.toUpper().contains(QLatin1String("WINPMAIL")) ? QStringLiteral("-T ")
                                                                         : QStringLiteral("mailto:"));
  } else {
    e_AltWWW->setText(path);
  }
}

void Tf_Options::chb_SystemTrayClick() { chb_MinimizeOnClosing->setEnabled(chb_SystemTray->isChecked()); }

void Tf_Options::b_pagesetupClick() {
  if (main_) main_->actions()[QStringLiteral("PageSetup1")]->trigger();
}
void Tf_Options::b_PrinterSetupClick() {
  if (main_) main_->actions()[QStringLiteral("PrinterSetup1")]->trigger();
}
void Tf_Options::b_printClick() {
  if (main_) main_->actions()[QStringLiteral("a_Print")]->trigger();
}

void Tf_Options::cb_PrintObjectChange() {
  const int kind = cb_PrintObject->currentIndex();
  chb_PageBreaks->setEnabled(kind >= 0 && kind <= 2);
}

void Tf_Options::chb_PageBreaksClick() {
  // "&h" marks the header of a print with page breaks; it is removed before
  // printing. A header the user wrote is kept.
  if (chb_PageBreaks->isChecked() && e_Header->text().isEmpty()) e_Header->setText(QStringLiteral("&h"));
}

void Tf_Options::b_HeadersHelpClick() {
  if (!main_) return;
  // The pop-up opens under the button.
  main_->ApplicationHelp(HELP_SETPOPUP_POS, PackPoint(b_HeadersHelp->mapToGlobal(QPoint(0, b_HeadersHelp->height()))));
  main_->HelpPopup(kHeadersFootersPopup);
}

void Tf_Options::cb_MRUClick() {
  e_MRU->setEnabled(cb_MRU->isChecked());
  lbl_entries->setEnabled(cb_MRU->isChecked());
}

void Tf_Options::chb_RightToLeftClick() {
  setLayoutDirection(chb_RightToLeft->isChecked() ? Qt::RightToLeft : Qt::LeftToRight);
}

void Tf_Options::cb_ListPositionChange() {
  auto *grid = static_cast<QGridLayout *>(pn_Sample_left->layout());
  for (QWidget *w : {static_cast<QWidget *>(e_sample_record), static_cast<QWidget *>(l_sample_records),
                     static_cast<QWidget *>(pn_Sample_Header), static_cast<QWidget *>(m_sample_card)})
    grid->removeWidget(w);
  // Every stretch any position sets goes first (the top and bottom
  // positions use four rows).
  for (int i = 0; i < 4; ++i) {
    grid->setRowStretch(i, 0);
    grid->setColumnStretch(i, 0);
  }
  // The filter stays on top; the list goes left of, above or below the card.
  switch (cb_ListPosition->currentIndex()) {
  case 1:
    grid->addWidget(e_sample_record, 0, 0);
    grid->addWidget(l_sample_records, 1, 0);
    grid->addWidget(pn_Sample_Header, 2, 0);
    grid->addWidget(m_sample_card, 3, 0);
    grid->setRowStretch(1, 1);
    grid->setRowStretch(3, 1);
    break;
  case 2:
    grid->addWidget(e_sample_record, 0, 0);
    grid->addWidget(pn_Sample_Header, 1, 0);
    grid->addWidget(m_sample_card, 2, 0);
    grid->addWidget(l_sample_records, 3, 0);
    grid->setRowStretch(2, 1);
    grid->setRowStretch(3, 1);
    break;
  default:
    grid->addWidget(e_sample_record, 0, 0);
    grid->addWidget(l_sample_records, 1, 0, 2, 1);
    grid->addWidget(pn_Sample_Header, 0, 1);
    grid->addWidget(m_sample_card, 1, 1, 2, 1);
    grid->setColumnStretch(1, 2);
    grid->setColumnStretch(0, 1);
    grid->setRowStretch(1, 1);
    break;
  }
}

void Tf_Options::chb_ListColumnsClick() {
  const bool columns = chb_ListColumns->isChecked();
  l_sample_records->setFlow(QListView::TopToBottom);
  l_sample_records->setWrapping(columns);
  l_sample_records->setResizeMode(QListView::Adjust);
  chb_ListGridlines->setEnabled(!columns);
}

void Tf_Options::b_BakLocationClick() {
  TFolderBrowse browse;
  browse.Directory = e_BakLocation->text();
  browse.Title = QStringLiteral("Backup folder");
  // Only a local folder is taken: a backup cannot go to a place without a path.
  if (browse.Execute(this)) e_BakLocation->setText(browse.Directory);
}

void Tf_Options::chb_backupClick() {
  e_BakLocation->setEnabled(chb_backup->isChecked());
  b_BakLocation->setEnabled(chb_backup->isChecked());
}

void Tf_Options::chb_ActionWidthClick() {
  e_ActionWidth->setEnabled(chb_ActionWidth->isChecked());
  lbl_pixels->setEnabled(chb_ActionWidth->isChecked());
}

void Tf_Options::b_FontToAllClick() {
  Tdlg_FontGlobal dialog(this);
  dlg_FontGlobal = &dialog;
  dialog.lbl_Sample->setFont(FontToQFont(looks_.Card.Font));
  const int result = ui().execDialog(dialog);
  dlg_FontGlobal = nullptr;
  if (result == QDialog::Accepted && main_) main_->ApplyFontToAllCards(looks_.Card.Font, dialog.parts());
}

void Tf_Options::b_ColorToAllClick() {
  const int answer = ui().messageBox(QStringLiteral("All cards with individual background colors\r\nwill be "
                                                    "permanently changed to default color.\r\nAre you sure to do that?"),
                                     MB_YESNO | MB_ICONWARNING);
  if (answer == IDYES && main_) main_->ResetAllCardColors();
}

namespace {
FileDialogOptions schemeDialog(const char *caption) {
  FileDialogOptions o;
  o.caption = QString::fromLatin1(caption);
  o.filter = QStringLiteral("QEL Scheme files (*.qelscheme)");
  o.defaultSuffix = QStringLiteral("qelscheme");
  return o;
}
} // namespace

void Tf_Options::b_SaveSchemeClick() {
  QString name;
  if (!ui().saveFileName(schemeDialog("Save Scheme"), name) || name.isEmpty()) return;
  if (QFileInfo(name).suffix().isEmpty()) name += QStringLiteral(".qelscheme");
  try {
    SaveSchemeFile(name, looks_);
  } catch (const EIniFileException &e) {
    ui().messageBox(QStringLiteral("The scheme could not be saved.\r") + e.message(), MB_OK | MB_ICONERROR);
  }
}

void Tf_Options::b_OpenSchemeClick() {
  QString name;
  if (!ui().openFileName(schemeDialog("Load Scheme"), name) || name.isEmpty()) return;
  TSchemeLooks looks = looks_;
  QString error;
  if (!LoadSchemeFile(name, looks, &error)) {
    ui().messageBox(QStringLiteral("The scheme could not be loaded.\r") + error, MB_OK | MB_ICONERROR);
    return;
  }
  SetSampleLooks(looks);
}

void Tf_Options::cb_PredefinedChange() {
  ApplyPredefinedScheme(cb_Predefined->currentText(), looks_);
  paintSamples();
}

// ---- toolbars ----

toolbars::TTbrCustomToolbar *Tf_Options::mainToolbar(const QString &caption) const {
  if (!main_) return nullptr;
  const QString name = QStringLiteral("Toolbar_") + caption;
  for (toolbars::TTbrCustomToolbar *bar : BarsOf(main_))
    if (bar->objectName().compare(name, Qt::CaseInsensitive) == 0) return bar;
  return nullptr;
}

void Tf_Options::UpdateToolbarsList() {
  const QSignalBlocker quiet(lv_Toolbars);
  for (int i = 0; i < lv_Toolbars->count(); ++i) {
    QListWidgetItem *item = lv_Toolbars->item(i);
    if (auto *bar = mainToolbar(item->text())) item->setCheckState(bar->isHidden() ? Qt::Unchecked : Qt::Checked);
  }
}

void Tf_Options::UpdateButtonsList(const QString &caption) {
  const QSignalBlocker quiet(lv_buttons);
  lv_buttons->clear();
  toolbars::TTbrCustomToolbar *bar = mainToolbar(caption);
  if (!bar) return;
  toolbars::TTbrCustomItem *root = bar->Items();
  const auto *images = dynamic_cast<const toolbars::TTbrPixelImageList *>(root->SubMenuImages());
  for (int i = 0; i < root->Count(); ++i) {
    toolbars::TTbrCustomItem *item = root->Items(i);
    if (item->HasStyle(toolbars::tbis::Separator)) continue;
    // The entry reads as the button's hint does.
    QString text = item->Hint().section(QLatin1Char('|'), 0, 0);
    if (text.isEmpty()) text = item->Caption();
    if (auto *control = dynamic_cast<toolbars::TTbrControlItem *>(item); text.isEmpty() && control && control->Control())
      text = control->Control()->property("toolTip").toString();
    if (text.isEmpty()) text = item->Name();
    text.remove(QRegularExpression(QStringLiteral("&(?!&)")));
    auto *entry = new QListWidgetItem(text, lv_buttons);
    if (images && item->ImageIndex() >= 0) entry->setIcon(QIcon(QPixmap::fromImage(images->Image(item->ImageIndex()))));
    entry->setFlags(entry->flags() | Qt::ItemIsUserCheckable);
    entry->setCheckState(ToolbarItemShown(item) ? Qt::Checked : Qt::Unchecked);
    entry->setData(Qt::UserRole, item->Name());
  }
}

void Tf_Options::lv_buttonsChange(QListWidgetItem *entry) {
  toolbars::TTbrCustomToolbar *bar = lv_Toolbars->currentItem() ? mainToolbar(lv_Toolbars->currentItem()->text()) : nullptr;
  if (!bar) return;
  const QString name = entry->data(Qt::UserRole).toString();
  toolbars::TTbrCustomItem *root = bar->Items();
  for (int i = 0; i < root->Count(); ++i) {
    toolbars::TTbrCustomItem *item = root->Items(i);
    if (item->Name() != name) continue;
    ShowToolbarItem(item, entry->checkState() == Qt::Checked);
    return;
  }
}

void Tf_Options::UpdateButtonsListFromToolbarsList() {
  if (QListWidgetItem *item = lv_Toolbars->currentItem()) UpdateButtonsList(item->text());
}

void Tf_Options::lv_ToolbarsChange(QListWidgetItem *item) {
  if (auto *bar = mainToolbar(item->text())) bar->setVisible(item->checkState() == Qt::Checked);
}

void Tf_Options::chb_LockToolbarsClick() {
  if (main_) main_->SetDocksAllowDrag(!chb_LockToolbars->isChecked());
}

} // namespace qel
