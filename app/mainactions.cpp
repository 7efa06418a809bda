#include "app/mainactions.h"

#include "app/actionicons.h"
#include "app/mainbars.h"
#include "toolbars/paint/pixelimagelist.h"
#include "toolbars/paint/thmmrulist.h"
#include "toolbars/qt/tbqaction.h"

#include <QAction>
#include <QKeySequence>
#include <QMenu>
#include <QRegularExpression>

namespace qel {

using namespace toolbars;

const std::vector<ActionDef> &MainActionDefs() {
  static const std::vector<ActionDef> defs = {
      // List and card editing
      {"EditSelectAll", "Select &All", "Ctrl+A", "al_List"},
      {"a_SelectAllCard", "Select &All", "Ctrl+A", "al_List"},
      {"a_SelectAllList", "Select &All", "Ctrl+A", "al_List"},
      {"a_CopyList", "&Copy", "", "al_List"},
      {"a_CopyCard", "&Copy", "", "al_List"},
      {"EditCopy", "&Copy", "", "al_List"},
      {"a_PasteList", "&Paste", "", "al_List"},
      {"a_PasteCard", "&Paste", "", "al_List"},
      {"EditPaste", "&Paste", "", "al_List"},
      {"a_CutList", "Cu&t", "", "al_List"},
      {"a_CutCard", "Cu&t", "", "al_List"},
      {"EditCut", "Cu&t", "", "al_List"},
      {"a_DeleteList", "&Delete", "", "al_List"},
      {"a_PasteSpecial", "Paste &Special...", "", "al_List"},
      {"a_Add", "&New ...", "Ins", "al_List"},
      {"a_Rename", "&Rename", "F2", "al_List"},
      {"a_Duplicate", "D&uplicate", "", "al_List"},
      {"a_FileNew", "&New", "Ctrl+N", "al_List"},
      {"a_FileOpen", "&Open", "Ctrl+O", "al_List"},
      {"a_FileSave", "&Save", "Ctrl+S", "al_List"},
      {"a_CardFind", "&Find", "Ctrl+F", "al_List"},
      {"a_CardFindNext", "Find &Next", "F3", "al_List"},
      {"a_CardReplace", "&Replace", "Ctrl+H", "al_List"},
      {"a_Print", "Print default ...", "Ctrl+P", "al_List"},
      {"a_CardUnformat", "Remove Formatting", "", "al_List"},
      {"a_InsertObject", "Insert &Object ...", "", "al_List"},
      {"a_InsertPicture", "Insert Picture...", "", "al_List"},
      {"a_InsertDateTime", "Insert Date and Time", "Ctrl+D", "al_List"},
      {"a_Options", "&Options ...", "", "al_List"},
      {"a_Lock", "Lock Cards", "", "al_List", true},
      {"a_CardProperties", "Properties...", "", "al_List"},
      {"a_Undo", "&Undo", "Ctrl+Z", "al_List"},
      {"a_Redo", "&Redo", "Ctrl+Alt+Z", "al_List"},
      {"a_LoadCardFromFile", "Load from File ...", "", "al_List"},
      {"a_SaveCardToFile", "Save to File ...", "", "al_List"},
      {"a_CardBackground", "&Background Color ...", "", "al_List"},
      {"a_FileProperties", "Pr&operties", "", "al_List"},
      {"a_FilePrintPreview", "Print Preview...", "", "al_List"},
      {"a_CustomizeToolbars", "Customize Toolbars", "", "al_List"},
      // Formatting
      {"a_Font", "Font...", "", "al_Formatting"},
      {"a_Paragraph", "Paragraph...", "", "al_Formatting"},
      {"a_FormatPainter", "Format Painter", "", "al_Formatting", true},
      {"a_FontSize", "Font Size", "", "al_Formatting"},
      {"a_TextColor", "Text Color", "", "al_Formatting"},
      {"a_Bold", "Bold", "Ctrl+B", "al_Formatting", true},
      {"a_Italic", "Italic", "Ctrl+I", "al_Formatting", true},
      {"a_Underline", "Underline", "Ctrl+U", "al_Formatting", true},
      {"a_Left", "Align Left", "", "al_Formatting", true},
      {"a_Center", "Center", "", "al_Formatting", true},
      {"a_Right", "Align Right", "", "al_Formatting", true},
      {"a_Bullets", "Bullets", "", "al_Formatting", true},
      {"a_Superscript", "Superscript", "", "al_Formatting", true},
      {"a_SubScript", "Subscript", "", "al_Formatting", true},
      {"a_TextHighLight", "Text Highlight", "", "al_Formatting"},
      {"a_SortCardLines", "Sort Card Lines", "", "al_Formatting"},
      // Navigation
      {"ac_First", "&First", "", "al_Navigation"},
      {"ac_Previous", "&Previous", "", "al_Navigation"},
      {"ac_Next", "&Next", "", "al_Navigation"},
      {"ac_Last", "&Last", "", "al_Navigation"},
      // Card actions
      {"a_Dial", "&Dial ...", "F5", "al_Actions"},
      {"a_SetPhoneNumber", "&Set phone number", "", "al_Actions"},
      {"a_ResetPhoneNumber", "&Reset phone number", "", "al_Actions"},
      {"a_SendEMail", "Send &eMail ...", "", "al_Actions"},
      {"a_BrowseWWW", "Browse &WWW ...", "", "al_Actions"},
      {"a_RunApplication", "Run &Application ...", "", "al_Actions"},
      {"a_GoToCard", "Go to Card", "", "al_Actions"},
      {"a_Action", "Action", "", "al_Actions"},
  };
  return defs;
}

QString ActionToolTip(const QAction &action) {
  // The caption as a tool button's hint: no accelerator mark, no dots.
  QString tip = action.text();
  // Built once: tips are made again for every card shown.
  static const QRegularExpression accelerator(QStringLiteral("&(?!&)"));
  tip.remove(accelerator);
  tip.replace(QStringLiteral("&&"), QStringLiteral("&"));
  tip = tip.trimmed();
  while (tip.endsWith(QLatin1Char('.'))) tip.chop(1);
  tip = tip.trimmed();
  if (!action.shortcut().isEmpty())
    tip += QStringLiteral(" (") + action.shortcut().toString(QKeySequence::NativeText) + QLatin1Char(')');
  return tip;
}

namespace {
const char kBuilt[] = "qelBuilt";
}

bool MainActions::IsBuilt(const QAction *action) { return action && action->property(kBuilt).toBool(); }

void MainActions::markBuiltWidget(QWidget *widget) {
  widget->setProperty(kBuilt, true);
  widget->setEnabled(true);
}

bool MainActions::IsBuiltWidget(const QWidget *widget) { return widget && widget->property(kBuilt).toBool(); }

void MainActions::markBuilt(QAction *action) {
  action->setProperty(kBuilt, true);
  action->setEnabled(true);
}

void MainActions::keepDisabledUntilBuilt(QAction *action) {
  action->setEnabled(false);
  // Whoever enables a command that is not built yet (an enabling rule, the
  // lock) is overruled at once.
  QObject::connect(action, &QAction::enabledChanged, action, [action](bool enabled) {
    if (enabled && !IsBuilt(action)) action->setEnabled(false);
  });
}

QList<QAction *> MainActions::commands() const { return actions_.values() + items_.values(); }

MainActions::MainActions(QObject *owner) : owner_(owner) {
  for (const ActionDef &s : MainActionDefs()) {
    auto *a = new QAction(QString::fromUtf8(s.caption), owner);
    a->setObjectName(QString::fromLatin1(s.name));
    a->setProperty("actionList", QString::fromLatin1(s.list));
    a->setCheckable(s.checkable);
    keepDisabledUntilBuilt(a);
    actions_.insert(a->objectName(), a);
  }
  // One key, one command: Ctrl+A belongs to the routing action EditSelectAll,
  // which passes it on to the list, the editor or the filter edit by focus;
  // its per-pane twins carry no key of their own.
  for (const ActionDef &s : MainActionDefs()) {
    QString name = QString::fromLatin1(s.name);
    bool twin = name == QLatin1String("a_SelectAllCard") || name == QLatin1String("a_SelectAllList");
    if (*s.shortcut && !twin) actions_[name]->setShortcut(QKeySequence(QString::fromLatin1(s.shortcut)));
  }
  // The toolbar items take their pictures from one list, each action naming its own.
  images_ = std::make_shared<TTbrPixelImageList>(16, 16);
  for (const ActionDef &s : MainActionDefs()) {
    QAction *a = actions_[QString::fromLatin1(s.name)];
    a->setIcon(ActionIcon(a->objectName()));
    a->setToolTip(ActionToolTip(*a));
    if (!a->icon().isNull()) a->setProperty("ImageIndex", images_->Add(a->icon().pixmap(16, 16).toImage()));
  }
  actions_[QStringLiteral("a_Center")]->setProperty("Tag", 2);
  actions_[QStringLiteral("a_Right")]->setProperty("Tag", 1);
}

void MainActions::refreshImages() {
  for (QAction *a : actions_) {
    bool ok = false;
    const int index = a->property("ImageIndex").toInt(&ok);
    if (ok && !a->icon().isNull()) images_->Replace(index, a->icon().pixmap(16, 16).toImage());
  }
}

QAction *MainActions::operator[](const QString &name) const {
  QAction *a = actions_.value(name);
  if (!a) a = items_.value(name);
  Q_ASSERT_X(a, "MainActions", qPrintable(name));
  return a;
}

QAction *MainActions::menuItem(const QString &name, const QString &caption, const QString &shortcut) {
  auto *a = new QAction(caption, owner_);
  a->setObjectName(name);
  if (!shortcut.isEmpty()) a->setShortcut(QKeySequence(shortcut));
  keepDisabledUntilBuilt(a);
  items_.insert(name, a);
  return a;
}

void MainActions::buildTrayMenu(QMenu *menu) {
  QAction *restore = menuItem(QStringLiteral("m_Restore"), QStringLiteral("Restore"));
  menu->addAction(restore);
  menu->setDefaultAction(restore);
  menu->addAction(menuItem(QStringLiteral("m_Close"), QStringLiteral("Close")));
}

void MainActions::buildMenus(TTbrCustomItem *bar) {
  auto sub = [&](TTbrCustomItem *parent, const char *name, const char *caption) {
    auto *m = new TBarSubmenuItem;
    m->SetName(QString::fromLatin1(name));
    m->SetCaption(QString::fromUtf8(caption));
    parent->Add(m);
    return m;
  };
  // An entry bound to a command shows the command's caption; it is named
  // after the command ("a_FileOpen" gives "FileOpen1").
  auto add = [&](TTbrCustomItem *m, const char *name) {
    QString itemName = QString::fromLatin1(name);
    itemName = itemName.mid(itemName.indexOf(QLatin1Char('_')) + 1) + QLatin1Char('1');
    m->Add(NewActionItem(get(QString::fromLatin1(name)), itemName));
  };
  // An entry that is a command of its own (the handler is bound to it).
  auto addItem = [&](TTbrCustomItem *m, const char *name, const char *caption, const char *shortcut = "") {
    QAction *a = menuItem(QString::fromLatin1(name), QString::fromUtf8(caption), QString::fromLatin1(shortcut));
    m->Add(NewActionItem(a, a->objectName()));
    return a;
  };
  auto separator = [](TTbrCustomItem *m) { m->Add(NewSeparator()); };

  TTbrCustomItem *file = sub(bar, "File1", "&File");
  add(file, "a_FileNew");
  add(file, "a_FileOpen");
  addItem(file, "Merge1", "&Merge ...");
  add(file, "a_FileSave");
  addItem(file, "SaveAs1", "Save &As ...");
  separator(file);
  TTbrCustomItem *imp = sub(file, "Import1", "&Import");
  addItem(imp, "ImportMSCardfile1", "&MS Moravine ...");
  addItem(imp, "ImportText1", "&Text file ...");
  TTbrCustomItem *exp = sub(file, "Export1", "&Export");
  addItem(exp, "ExportText1", "&Text file ...");
  addItem(exp, "ExportRTF1", "&RTF file ...");
  addItem(exp, "ExportV1", "Version &1.x file ...");
  addItem(exp, "ExportV2", "Version &2.x file ...");
  separator(file);
  addItem(file, "Protect1", "P&rotect ...");
  separator(file);
  TTbrCustomItem *print = sub(file, "Print1", "&Print");
  add(print, "a_Print");
  addItem(print, "PrintSelected1", "&Selected ...");
  addItem(print, "PrintFiltered1", "&Filtered ...");
  addItem(print, "PrintAll1", "&All ...");
  addItem(print, "PrintList1", "&List ...");
  add(file, "a_FilePrintPreview");
  addItem(file, "PrintOptions1", "Print Options ...");
  addItem(file, "PageSetup1", "Pa&ge Setup ...");
  addItem(file, "PrinterSetup1", "Printer Setup ...");
  separator(file);
  add(file, "a_FileProperties");
  separator(file);
  // The recently used files show here, in place, with a line after them
  // while there are any; the window gives the placeholder its list.
  auto *recent = new TThmMRUListItem;
  recent->SetName(QStringLiteral("File_MRU"));
  file->Add(recent);
  auto *recentEnd = new TThmSeparatorItem;
  recentEnd->SetName(QStringLiteral("File_MRUEnd"));
  recentEnd->SetVisible(false);
  file->Add(recentEnd);
  addItem(file, "Exit1", "E&xit");

  TTbrCustomItem *edit = sub(bar, "Edit1", "&Edit");
  add(edit, "a_Undo");
  add(edit, "a_Redo");
  separator(edit);
  add(edit, "EditCut");
  add(edit, "EditCopy");
  add(edit, "EditPaste");
  add(edit, "a_PasteSpecial");
  add(edit, "EditSelectAll");
  separator(edit);
  add(edit, "a_InsertDateTime");
  add(edit, "a_InsertPicture");
  add(edit, "a_InsertObject");
  separator(edit);
  QAction *wrap = addItem(edit, "Wordwrap1", "&Word Wrap");
  wrap->setCheckable(true);
  wrap->setChecked(true);

  TTbrCustomItem *card = sub(bar, "Card1", "&Card");
  add(card, "a_Rename");
  add(card, "a_Add");
  add(card, "a_DeleteList");
  add(card, "a_Duplicate");
  separator(card);
  add(card, "a_CardFind");
  add(card, "a_CardFindNext");
  add(card, "a_CardReplace");
  separator(card);
  add(card, "a_LoadCardFromFile");
  add(card, "a_SaveCardToFile");
  separator(card);
  add(card, "a_CardBackground");
  add(card, "a_CardUnformat");
  add(card, "a_SortCardLines");
  separator(card);
  add(card, "a_CardProperties");

  TTbrCustomItem *tools = sub(bar, "Tools1", "&Tools");
  TTbrCustomItem *acts = sub(tools, "Actions1", "&Actions");
  addItem(acts, "ActionDial1", "&Dial ...");
  addItem(acts, "ActionMail1", "Send e&Mail ...");
  addItem(acts, "ActionBrowse1", "Browse &WWW ...");
  addItem(acts, "ActionRun1", "&Run Application ...");
  addItem(acts, "ActionGoTo1", "Go to &Card");
  // The speed-dial entry is the dial command itself, so F5 has one owner.
  QAction *speed = get(QStringLiteral("a_Dial"));
  const QKeySequence dialKey = speed->shortcut();
  speed->setShortcut(QKeySequence());
  addItem(tools, "SpeedDial1", "Speed &Dial")->setShortcut(dialKey);
  separator(tools);
  add(tools, "a_Options");
  add(tools, "a_CustomizeToolbars");

  TTbrCustomItem *help = sub(bar, "Help1", "&Help");
  addItem(help, "Contents1", "&Contents");
  addItem(help, "GettingStarted1", "Getting Started");
  addItem(help, "WebSite1", "Web site ...");
  separator(help);
  addItem(help, "OpenSamplefile1", "Open Sample file");
  separator(help);
  addItem(help, "About1", "&About ...");

  // "GoTo Index": F4 puts the focus into the filter edit; it has no menu entry.
  menuItem(QStringLiteral("GoToIndex1"), QStringLiteral("GoTo Index"), QStringLiteral("F4"));
}

QString MainActions::ButtonName(const QString &actionName) {
  static const QHash<QString, QString> special = {
      {QStringLiteral("a_FileNew"), QStringLiteral("b_New")},
      {QStringLiteral("a_FileOpen"), QStringLiteral("b_Open")},
      {QStringLiteral("a_FileSave"), QStringLiteral("b_Save")},
      {QStringLiteral("a_FilePrintPreview"), QStringLiteral("b_PrintPreview")},
      {QStringLiteral("EditCut"), QStringLiteral("b_Cut")},
      {QStringLiteral("EditCopy"), QStringLiteral("b_Copy")},
      {QStringLiteral("EditPaste"), QStringLiteral("b_Paste")},
      {QStringLiteral("a_DeleteList"), QStringLiteral("b_Delete")},
      {QStringLiteral("a_CardFind"), QStringLiteral("b_Find")},
      {QStringLiteral("a_SubScript"), QStringLiteral("b_Subscript")},
  };
  if (auto it = special.constFind(actionName); it != special.constEnd()) return *it;
  return QStringLiteral("b_") + actionName.mid(actionName.indexOf(QLatin1Char('_')) + 1);
}

void MainActions::fillButtons(TTbrCustomItem *bar, const std::vector<const char *> &names) {
  for (const char *n : names) {
    if (!*n) {
      bar->Add(NewSeparator());
      continue;
    }
    const QString name = QString::fromLatin1(n);
    if (name == QLatin1String("a_FileOpen")) {
      // Open offers the recently used files in a drop-down part of its own.
      auto *open = new TBarDropdownItem(false);
      open->SetName(ButtonName(name));
      open->SetAction(TTbrQActionAdapter::For(get(name)));
      auto *recent = new TThmMRUListItem;
      recent->SetName(QStringLiteral("bOpen_MRU"));
      open->Add(recent);
      bar->Add(open);
      continue;
    }
    bar->Add(NewActionItem(get(name), ButtonName(name)));
  }
}

void MainActions::buildStandardToolbar(TTbrCustomItem *bar) {
  fillButtons(bar, {"a_FileNew", "a_FileOpen", "a_FileSave", "", "a_Print", "a_FilePrintPreview", "", "EditCut",
                    "EditCopy", "EditPaste", "a_Undo", "", "a_Add", "a_DeleteList", "a_CardFind", "a_Lock"});
}

void MainActions::buildNavigationToolbar(TTbrCustomItem *bar) {
  fillButtons(bar, {"ac_First", "ac_Previous", "ac_Next", "ac_Last"});
}

void MainActions::buildFormattingToolbar(TTbrCustomItem *bar) {
  // The font box, the size button and the colour buttons are controls of
  // their own, added by the editor commands.
  fillButtons(bar, {"a_Bold", "a_Italic", "a_Underline", "", "a_Left", "a_Center", "a_Right", "a_Bullets",
                    "a_Paragraph", "", "a_Superscript", "a_SubScript", "a_FormatPainter"});
}

void MainActions::buildActionsToolbar(TTbrCustomItem *bar) { fillButtons(bar, {"a_Action"}); }

} // namespace qel
