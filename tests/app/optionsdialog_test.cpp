// The options dialog: the copy of every setting in and out, OK and Cancel of
// the Options command, the enabling rules, the sample's schemes and the
// toolbars page.

#include "tests/app/mainwindow_fixture.h"

#include "app/mainbars.h"
#include "app/tf_options.h"
#include "toolbars/paint/thmedititem.h"
#include "toolbars/qt/tbdock.h"
#include "toolbars/qt/tbpopupmenu.h"
#include "toolbars/qt/tbtoolbar.h"
#include "platform/registry.h"
#include "tests/settings/changedoptions.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QStatusBar>
#include <QApplication>
#include <QMouseEvent>
#include <QTimer>

#include <functional>

#include <climits>

using namespace qel;
using namespace qel::test;

namespace {

TEST(OptionsDialog, EveryFieldSurvivesTheCopyInAndOut) {
  Tf_Options dialog(nullptr);
  const tOptions changed = changedOptions();
  ASSERT_FALSE(changed == tOptions());
  changed.ToOptionsDialog(dialog);
  tOptions back;
  back.FromOptionsDialog(dialog);
  EXPECT_TRUE(back == changed);
  // Field by field where it matters to read a failure.
  EXPECT_EQ(back.ListHandlePosition, 1);
  EXPECT_EQ(back.CardColor, clNone);
  EXPECT_EQ(back.CardFont, changed.CardFont);
  EXPECT_EQ(back.DateTimeFormat, changed.DateTimeFormat);
  EXPECT_EQ(back.PrintObject, 3);
  EXPECT_EQ(back.AutosavePeriod, 3);
  EXPECT_EQ(back.ActionFont, changed.ActionFont);
  EXPECT_EQ(back.HeaderText, changed.HeaderText);

  // And the defaults come back as they went in.
  const tOptions defaults;
  defaults.ToOptionsDialog(dialog);
  tOptions again = changed;
  again.FromOptionsDialog(dialog);
  EXPECT_TRUE(again == defaults);
}

TEST(OptionsDialog, PagesAndNamedControls) {
  Tf_Options dialog(nullptr);
  QStringList pages;
  for (int i = 0; i < dialog.pc_Options->count(); ++i) pages << dialog.pc_Options->tabText(i);
  EXPECT_EQ(pages, (QStringList{"General", "View", "Toolbars", "Print", "Dial", "Advanced"}));
  EXPECT_EQ(dialog.pc_Options->currentIndex(), 0);
  for (const char *name :
       {"cb_ListPosition", "l_sample_records", "m_sample_card", "e_sample_record", "chb_Header", "pn_Sample_Header",
        "chb_SystemTray", "chb_OpenLast", "cb_DTformat", "chb_minimize", "chb_Maximize_WWW", "chb_Maximize_email",
        "chb_Maximize_App", "chb_AutoSave", "e_Autosave", "e_Autodial", "e_Autodial_min", "chb_Altemail",
        "e_altemail", "chb_AltDial", "chb_AltWWW", "e_AltWWW", "e_mailto", "chb_backup", "chb_savephonenr",
        "chb_stayOnTop", "chb_MinimizeOnClosing", "cb_units", "cb_PrintObject", "chb_PageBreaks", "e_DialPrefix",
        "cb_MRU", "e_MRU", "cb_ShowClear", "cb_Sort", "chb_RightToLeft", "e_Header", "e_Footer", "cb_AlHeader",
        "cb_AlFooter", "chb_HeaderLine", "chb_FooterLine", "chb_DetectPhNrFromTitle", "e_BakLocation",
        "chb_FilterWholeWords", "e_ActionWidth", "chb_ActionWidth", "chb_Exclusive", "chb_ListGridlines",
        "chb_ListColumns", "chb_FilterFromStart", "chb_FlatScrollBars", "chb_DialLetters", "chb_LockToolbars",
        "pn_Sample_left", "cb_Predefined", "lv_Toolbars", "lv_buttons", "lbl_DTsample", "b_SaveScheme",
        "b_OpenScheme", "b_FontToAll", "b_ColorToAll", "b_HeadersHelp", "b_pagesetup", "b_PrinterSetup", "b_print",
        "b_BakLocation", "B_Font", "b_PrintTitlesFont", "b_MenuFont", "b_ActionsFont"})
    EXPECT_NE(dialog.findChild<QWidget *>(QString::fromLatin1(name)), nullptr) << name;
  EXPECT_EQ(dialog.e_sample_record->text(), QStringLiteral("filter"));
  EXPECT_EQ(dialog.l_sample_records->item(0)->text(), QStringLiteral("LIST"));
  EXPECT_EQ(dialog.l_sample_records->item(26)->text(), QStringLiteral("zzz"));
  // The numbers have their ranges.
  EXPECT_EQ(dialog.e_Autosave->minimum(), 1);
  EXPECT_EQ(dialog.e_Autosave->maximum(), 35791);
  EXPECT_GE(dialog.e_MRU->minimum(), 0);
  EXPECT_GE(dialog.e_Autodial_min->minimum(), 1);
  EXPECT_GT(dialog.e_ActionWidth->minimum(), 0);
}

// A label's "&" marks its access key only when the label has a control to
// give the focus to; without one the "&" is shown as it stands.
TEST(OptionsDialog, EveryAccessKeyLabelHasItsControl) {
  Tf_Options dialog(nullptr);
  for (QLabel *label : dialog.findChildren<QLabel *>()) {
    if (label->textFormat() == Qt::RichText) continue;
    const QString marks = QString(label->text()).remove(QStringLiteral("&&"));
    if (marks.contains(QLatin1Char('&'))) {
      EXPECT_NE(label->buddy(), nullptr) << label->text().toStdString();
    }
  }
}

TEST(OptionsDialog, EnablingRules) {
  Tf_Options dialog(nullptr);
  dialog.FormShow();
  struct Rule {
    QCheckBox *box;
    std::vector<QWidget *> follow;
    bool inverse = false;
  } rules[] = {
      {dialog.chb_AutoSave, {dialog.e_Autosave, dialog.lbl_minutes}},
      {dialog.chb_Altemail, {dialog.b_altEmail, dialog.e_altemail, dialog.e_mailto, dialog.lbl_mailto}},
      {dialog.chb_AltWWW, {dialog.b_altWWW, dialog.e_AltWWW}},
      {dialog.chb_SystemTray, {dialog.chb_MinimizeOnClosing}},
      {dialog.cb_MRU, {dialog.e_MRU, dialog.lbl_entries}},
      {dialog.chb_backup, {dialog.e_BakLocation, dialog.b_BakLocation}},
      {dialog.chb_ActionWidth, {dialog.e_ActionWidth, dialog.lbl_pixels}},
      {dialog.chb_ListColumns, {dialog.chb_ListGridlines}, true},
  };
  for (const Rule &r : rules) {
    for (bool on : {true, false, true}) {
      r.box->setChecked(on);
      for (QWidget *w : r.follow) EXPECT_EQ(w->isEnabled(), on != r.inverse) << w->objectName().toStdString();
    }
  }
  for (int kind = 0; kind < 4; ++kind) {
    dialog.cb_PrintObject->setCurrentIndex(kind);
    EXPECT_EQ(dialog.chb_PageBreaks->isEnabled(), kind < 3) << kind;
  }
  dialog.chb_Header->setChecked(false);
  EXPECT_TRUE(dialog.pn_Sample_Header->isHidden());
  dialog.chb_RightToLeft->setChecked(true);
  EXPECT_EQ(dialog.layoutDirection(), Qt::RightToLeft);
  dialog.cb_DTformat->setCurrentText(QStringLiteral("yyyy"));
  EXPECT_EQ(dialog.lbl_DTsample->text(), QString::number(QDate::currentDate().year()));
  // A header the user wrote is not replaced by the page-break mark.
  dialog.chb_PageBreaks->setChecked(false);
  dialog.e_Header->setText(QStringLiteral("&f"));
  dialog.chb_PageBreaks->setChecked(true);
  EXPECT_EQ(dialog.e_Header->text(), QStringLiteral("&f"));
}

TEST(OptionsDialog, LocatingTheMailClientSetsItsPrefix) {
  ScriptedUi ui;
  Tf_Options dialog(nullptr);
  for (auto [path, prefix] : {std::pair{"/opt/pm/WinPMail.exe", "-T "}, std::pair{"/usr/bin/thunderbird", "mailto:"},
                              std::pair{"/x/winpmail", "-T "}}) {
    ui.answer(Answer::openFile(QString::fromLatin1(path)));
    dialog.b_altEmail->click();
    EXPECT_EQ(dialog.e_altemail->text(), QString::fromLatin1(path));
    EXPECT_EQ(dialog.e_mailto->text(), QString::fromLatin1(prefix));
  }
  ui.answer(Answer::openFile(QStringLiteral("/usr/bin/browser")));
  dialog.b_altWWW->click();
  EXPECT_EQ(dialog.e_AltWWW->text(), QStringLiteral("/usr/bin/browser"));
  EXPECT_TRUE(ui.allAnswered());
}

TEST(OptionsDialog, BackupFolderTakesOnlyALocalFolder) {
  ScriptedUi ui;
  Tf_Options dialog(nullptr);
  dialog.e_BakLocation->setText(QStringLiteral("/home/me/backups"));
  // A place without a local path, then a cancelled picker: the edit keeps its folder.
  ui.answer(Answer::pickFolder(QStringLiteral("smb://server/share")));
  dialog.b_BakLocation->click();
  ui.answer(Answer::cancel(PromptKind::Folder));
  dialog.b_BakLocation->click();
  EXPECT_EQ(dialog.e_BakLocation->text(), QStringLiteral("/home/me/backups"));
  ui.answer(Answer::pickFolder(QStringLiteral("file:///srv/cards/./bak/")));
  dialog.b_BakLocation->click();
  EXPECT_EQ(dialog.e_BakLocation->text(), QStringLiteral("/srv/cards/bak"));
  EXPECT_TRUE(ui.allAnswered());
}

TEST(OptionsDialog, PredefinedSchemesAndSchemeFilesChangeTheSample) {
  ScriptedUi ui;
  Tf_Options dialog(nullptr);
  dialog.cb_Predefined->setCurrentText(QStringLiteral("scheme 1"));
  emit dialog.cb_Predefined->activated(dialog.cb_Predefined->currentIndex());
  dialog.cb_Predefined->setCurrentText(QStringLiteral("gray 1 (high color palette)"));
  emit dialog.cb_Predefined->activated(dialog.cb_Predefined->currentIndex());
  EXPECT_EQ(dialog.SampleLooks().Header.Color, clBtnFace);
  EXPECT_EQ(dialog.SampleLooks().List.Color, 0xDDDDDD);
  EXPECT_EQ(dialog.l_sample_records->palette().color(QPalette::Base), QColor(0xDD, 0xDD, 0xDD));
  EXPECT_EQ(dialog.e_sample_record->palette().color(QPalette::Base), QColor(0x58, 0x58, 0x58));

  const QString dir = freshDir(QStringLiteral("schemes"));
  ui.answer(Answer::saveFile(dir + "/grey"));
  dialog.b_SaveScheme->click();
  ASSERT_TRUE(QFile::exists(dir + "/grey.qelscheme"));
  const TSchemeLooks saved = dialog.SampleLooks();
  dialog.cb_Predefined->setCurrentText(QStringLiteral("scheme 2"));
  emit dialog.cb_Predefined->activated(dialog.cb_Predefined->currentIndex());
  ui.answer(Answer::openFile(dir + "/grey.qelscheme"));
  dialog.b_OpenScheme->click();
  EXPECT_EQ(dialog.SampleLooks(), saved);

  // A folder that cannot be written: one clear message.
  ui.answer(Answer::saveFile(dir + "/no such folder/x.qelscheme")).answerButton(IDOK);
  dialog.b_SaveScheme->click();
  ASSERT_EQ(ui.messageTexts().size(), 1);
  EXPECT_TRUE(ui.messageTexts().at(0).startsWith(QStringLiteral("The scheme could not be saved.")));
  EXPECT_TRUE(ui.allAnswered());
}

class OptionsCommandTest : public MainWindowTest {
protected:
  QByteArray storeBytes() const {
    QFile f(RegistryHiveFile(HKEY_CURRENT_USER));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  }
};

TEST_F(OptionsCommandTest, OkAppliesAndSavesCancelChangesNothing) {
  start({});
  ASSERT_TRUE(action("a_Options")->isEnabled());
  const tOptions before = *AppOptions;
  const QByteArray storedBefore = storeBytes();
  ui.answer(Answer::dialog(QDialog::Rejected, [](QDialog &d) {
    auto &o = static_cast<Tf_Options &>(d);
    o.chb_AutoSave->setChecked(!o.chb_AutoSave->isChecked());
    o.e_Header->setText(QStringLiteral("changed"));
  }));
  action("a_Options")->trigger();
  EXPECT_TRUE(*AppOptions == before);
  EXPECT_EQ(storeBytes(), storedBefore);

  ui.answer(Answer::dialog(QDialog::Accepted, [](QDialog &d) {
    auto &o = static_cast<Tf_Options &>(d);
    // The dialog shows the settings as they are.
    EXPECT_FALSE(o.chb_AutoSave->isChecked());
    EXPECT_EQ(o.e_Header->text(), QString());
    o.chb_AutoSave->setChecked(true);
    o.e_Autosave->setValue(3);
    o.chb_Header->setChecked(false);
  }));
  action("a_Options")->trigger();
  EXPECT_TRUE(AppOptions->Autosave);
  EXPECT_EQ(AppOptions->AutosavePeriod, 3);
  EXPECT_TRUE(window->Timer->isActive());
  EXPECT_EQ(window->Timer->interval(), 180000);
  EXPECT_TRUE(window->pn_Header->isHidden());
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey(QStringLiteral("\\Software\\Qel Moravine\\Options"), false));
  EXPECT_EQ(reg.ReadInteger(QStringLiteral("Autosave period")), 3);
  EXPECT_EQ(reg.ReadInteger(QStringLiteral("Header")), 0);
  reg.CloseKey();
  ASSERT_TRUE(reg.OpenKey(QStringLiteral("\\Software\\Qel Moravine\\StartUp"), false));
  EXPECT_TRUE(reg.ValueExists(QStringLiteral("Width")));
  EXPECT_TRUE(ui.allAnswered());
}

TEST_F(OptionsCommandTest, OpensDropDownIsThereExactlyWhileTheRecentFileListIsOn) {
  start({});
  auto *open = dynamic_cast<TBarDropdownItem *>(FindBarItem(window.get(), QStringLiteral("b_Open")));
  ASSERT_NE(open, nullptr);
  EXPECT_EQ(open->Dropdown(), AppOptions->MRU);
  for (const bool on : {!AppOptions->MRU, AppOptions->MRU}) {
    ui.answer(Answer::dialog(QDialog::Accepted, [on](QDialog &d) { static_cast<Tf_Options &>(d).cb_MRU->setChecked(on); }));
    action("a_Options")->trigger();
    EXPECT_EQ(AppOptions->MRU, on);
    EXPECT_EQ(open->Dropdown(), on);
  }
  EXPECT_TRUE(ui.allAnswered());
}

TEST_F(OptionsCommandTest, OpensOnTheAskedPage) {
  start({});
  for (int page : {3, -1, 2}) {
    ui.answer(Answer::dialog(QDialog::Rejected, [page](QDialog &d) {
      EXPECT_EQ(static_cast<Tf_Options &>(d).pc_Options->currentIndex(), page < 0 ? 3 : page);
    }));
    window->a_OptionsExecute(page);
  }
  EXPECT_TRUE(ui.allAnswered());
}

// What the user tried and cancelled leaves no trace: reopened, the dialog
// names no scheme, shows the samples, the list position and the sample's
// layout as they were, and is sized for what it shows now (it came back as
// narrow as the list position tried, the list and card at half height).
// Shown through the real prompts.
TEST_F(OptionsCommandTest, ReopenedAfterCancelTheDialogLooksAsBefore) {
  start({});
  struct Look {
    QSize sizedFor;  // the size the opening gives the dialog before the screen's bounds
    int scheme = -2, position = -2;
    TSchemeLooks samples;
    QRect list, card;  // the sample list and card
  };
  auto open = [this](int page, std::function<void(Tf_Options &)> tryOut) {
    Look look;
    ui.answer(Answer::dialog(QDialog::Rejected, [&look, tryOut](QDialog &d) {
      auto &o = static_cast<Tf_Options &>(d);
      CentreWindow(o);
      look.sizedFor = o.sizeHint();
      QTimer::singleShot(0, [&] {
        look.scheme = o.cb_Predefined->currentIndex();
        look.position = o.cb_ListPosition->currentIndex();
        look.samples = o.SampleLooks();
        look.list = o.l_sample_records->geometry();
        look.card = o.m_sample_card->geometry();
        if (tryOut) tryOut(o);
        QCoreApplication::processEvents();
        o.reject();
      });
      QtUiServices().execDialog(o);
    }));
    window->a_OptionsExecute(page);
    return look;
  };
  const Look first = open(1, [](Tf_Options &o) {
    o.cb_Predefined->setCurrentText(QStringLiteral("scheme 1"));
    emit o.cb_Predefined->activated(o.cb_Predefined->currentIndex());
    o.cb_ListPosition->setCurrentIndex(1);  // Top
  });
  const Look again = open(-1, {});
  EXPECT_EQ(again.list, first.list);
  EXPECT_EQ(again.card, first.card);
  EXPECT_EQ(again.scheme, -1);
  EXPECT_EQ(again.position, first.position);
  EXPECT_EQ(again.samples, first.samples);
  EXPECT_EQ(again.sizedFor, first.sizedFor);
  EXPECT_TRUE(ui.allAnswered());
}

TEST_F(OptionsCommandTest, ToolbarsShowHideAndLockAtOnce) {
  start({});
  ui.answer(Answer::dialog(QDialog::Rejected, [this](QDialog &d) {
    auto &o = static_cast<Tf_Options &>(d);
    o.FormShow();
    QListWidgetItem *formatting = o.lv_Toolbars->findItems(QStringLiteral("Formatting"), Qt::MatchExactly).value(0);
    ASSERT_NE(formatting, nullptr);
    EXPECT_EQ(formatting->checkState(), Qt::Checked);
    formatting->setCheckState(Qt::Unchecked);
    EXPECT_TRUE(window->Toolbar_formatting->isHidden());
    EXPECT_FALSE(window->Toolbar_Standard->isHidden());
    o.chb_LockToolbars->click();
    EXPECT_FALSE(window->DockTop->AllowDrag());

    // The Buttons pane lists the selected toolbar's items, with their
    // pictures, and shows or hides each at once.
    o.lv_Toolbars->setCurrentItem(o.lv_Toolbars->findItems(QStringLiteral("Standard"), Qt::MatchExactly).value(0));
    QListWidgetItem *open = nullptr;
    QStringList names;
    for (int i = 0; i < o.lv_buttons->count(); ++i) {
      QListWidgetItem *entry = o.lv_buttons->item(i);
      names << entry->data(Qt::UserRole).toString();
      if (names.last() == QLatin1String("b_Open")) open = entry;
    }
    EXPECT_EQ(names.size(), 13) << names.join(' ').toStdString();
    ASSERT_NE(open, nullptr);
    EXPECT_EQ(open->text(), QStringLiteral("Open (Ctrl+O)"));
    EXPECT_FALSE(open->icon().isNull());
    EXPECT_EQ(open->checkState(), Qt::Checked);
    open->setCheckState(Qt::Unchecked);
    EXPECT_FALSE(FindBarItem(window.get(), QStringLiteral("b_Open"))->Visible());
    // A hosted control is shown or hidden as its control.
    o.lv_Toolbars->setCurrentItem(o.lv_Toolbars->findItems(QStringLiteral("Actions"), Qt::MatchExactly).value(0));
    QListWidgetItem *text = nullptr;
    for (int i = 0; i < o.lv_buttons->count(); ++i)
      if (o.lv_buttons->item(i)->data(Qt::UserRole).toString() == QLatin1String("e_Action")) text = o.lv_buttons->item(i);
    ASSERT_NE(text, nullptr);
    text->setCheckState(Qt::Unchecked);
    EXPECT_FALSE(FindBarItem(window.get(), QStringLiteral("e_Action"))->Visible());
  }));
  action("a_Options")->trigger();
  // Toolbar visibility stays after Cancel; the items come back as stored.
  EXPECT_TRUE(window->Toolbar_formatting->isHidden());
  EXPECT_TRUE(FindBarItem(window.get(), QStringLiteral("b_Open"))->Visible());
  EXPECT_TRUE(FindBarItem(window.get(), QStringLiteral("e_Action"))->Visible());
}

TEST_F(OptionsCommandTest, TheDocksMenuShowsHidesAndLocksTheToolbars) {
  start({});
  toolbars::TTbrPopupMenu &menu = *window->pm_Toolbars;
  for (toolbars::TTbrDock *dock : {window->DockTop, window->DockBottom, window->DockLeft, window->DockRight})
    EXPECT_EQ(dock->PopupMenu(), &menu);
  auto entry = [&](const QString &name) -> toolbars::TTbrCustomItem * {
    for (int i = 0; i < menu.Items()->Count(); ++i)
      if (menu.Items()->Items(i)->Name() == name) return menu.Items()->Items(i);
    return nullptr;
  };
  toolbars::TTbrCustomItem *formatting = entry(QStringLiteral("pm_Toolbar_formatting"));
  toolbars::TTbrCustomItem *lock = entry(QStringLiteral("pm_LockToolbars"));
  ASSERT_NE(formatting, nullptr);
  ASSERT_NE(lock, nullptr);
  EXPECT_EQ(entry(QStringLiteral("pm_Toolbar_Menu")), nullptr) << "the menu bar is always there";
  menu.OnPopup(&menu);
  EXPECT_TRUE(formatting->Checked());
  EXPECT_FALSE(lock->Checked());
  formatting->Click();
  EXPECT_TRUE(window->Toolbar_formatting->isHidden());
  menu.OnPopup(&menu);
  EXPECT_FALSE(formatting->Checked());
  formatting->Click();
  EXPECT_FALSE(window->Toolbar_formatting->isHidden());
  lock->Click();
  EXPECT_FALSE(window->DockTop->AllowDrag());
  EXPECT_FALSE(window->DockLeft->AllowDrag());
  EXPECT_TRUE(AppOptions->LockToolbars);
  menu.OnPopup(&menu);
  EXPECT_TRUE(lock->Checked());
}

// The status line shows the hint of the toolbar button under the mouse, and
// gives the panels back when the mouse leaves.
TEST_F(OptionsCommandTest, TheButtonUnderTheMouseHintsInTheStatusLine) {
  start({});
  toolbars::TTbrCustomToolbar *bar = window->Toolbar_Standard;
  toolbars::TTbrCustomItem *open = FindBarItem(window.get(), QStringLiteral("b_Open"));
  bar->View()->ValidatePositions();
  QRect place;
  for (int i = 0; i < bar->View()->ViewerCount(); ++i)
    if (bar->View()->Viewers(i)->Item == open) place = bar->View()->Viewers(i)->BoundsRect;
  ASSERT_FALSE(place.isEmpty());
  const QPoint at = bar->ClientRect().topLeft() + place.center();
  QMouseEvent move(QEvent::MouseMove, at, bar->mapToGlobal(at), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(bar, &move);
  EXPECT_EQ(window->StatusBar->currentMessage(), QStringLiteral("Open (Ctrl+O)"));
  QEvent leave(QEvent::Leave);
  QApplication::sendEvent(bar, &leave);
  EXPECT_EQ(window->StatusBar->currentMessage(), QString());
}

TEST_F(OptionsCommandTest, NumbersOutOfRangeAreClampedWhenApplied) {
  start({});
  struct Case {
    int period, expectedMs;
  } cases[] = {{0, 60000}, {-5, 60000}, {1000000, 35791 * 60000}, {INT_MAX, 35791 * 60000}};
  for (const Case &c : cases) {
    AppOptions->Autosave = true;
    AppOptions->AutosavePeriod = c.period;
    window->ApplyOptions();
    EXPECT_EQ(window->Timer->interval(), c.expectedMs) << c.period;
  }
  AppOptions->MRUEntries = -4;
  AppOptions->ActionBarWidth = -100;
  AppOptions->FixedActionBar = true;
  AppOptions->SpeedDialLength = -1;
  window->ApplyOptions();
  EXPECT_EQ(AppOptions->MRUEntries, 0);
  EXPECT_GT(window->e_Action->EditWidth(), 0);
  EXPECT_GE(AppOptions->SpeedDialLength, 1);
}

} // namespace
