#include "app/filecommands.h"

#include "app/dlg_merge.h"
#include "app/guards.h"
#include "app/passworddlg.h"
#include "app/recentfiles.h"
#include "app/progress.h"
#include "app/textexport.h"
#include "cards/bodyfile.h"
#include "cards/carderror.h"
#include "cards/cardfile.h"
#include "cards/crd.h"
#include "cards/filelock.h"
#include "cards/oldformat.h"
#include "platform/freedmemory.h"
#include "platform/fileutil.h"
#include "platform/instances.h"
#include "platform/uiservices.h"
#include "settings/options.h"
#include "zip/ziparchiver.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QLocale>

namespace qel {

namespace {

bool openedReadOnly = false;
// The password the open file is protected with on disk (empty: none): the
// one it was opened or last saved with. Protect changes the component's
// password before the save that applies it.
QString writtenPassword;

QString nameOnly(const QString &path) { return QFileInfo(path).fileName(); }

// Relative names (command line, dialogs) are made absolute before anything
// changes the current directory.
QString absolutePath(const QString &path) {
  return path.isEmpty() ? path : QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

bool exclusiveOpen() { return AppOptions && AppOptions->ExclusiveOpen; }

void error(const QString &text) { ui().messageBox(text, MB_OK | MB_ICONERROR); }

void setProtection(TZipArchiver &zip, const QString &password, bool encrypt) {
  zip.SetPassword(password);
  if (encrypt)
    zip.AddOptions.insert(AddEncrypt);
  else
    zip.AddOptions.remove(AddEncrypt);
}

// The first lines of the exclusive-open warning: the file is read-only or another program holds it.
QString inUseText(const QString &fileName) {
  return QStringLiteral("\"") + nameOnly(fileName) + QStringLiteral("\" is read only,") + QStringLiteral("\r") +
         QStringLiteral("or somebody else in network has opened it.");
}

// Another running instance has `target` open (found by its record, whatever
// the spelling of the path), or holds the exclusive-open lock on it. Our own
// lock on the file we have open does not count.
bool heldByAnotherInstance(const QString &target) {
  if (!QFileInfo::exists(target)) return false;
  const FoundInstance found = FindInstanceWithFile(target);
  if (found.found && !found.self) return true;
  const QString own = LockedDataFile();
  if (!own.isEmpty() && QFileInfo(own).canonicalFilePath() == QFileInfo(target).canonicalFilePath()) return false;
  return IsFileInUse(target);
}

// What follows once a file's cards have become the open ones.
void becameOpenFile(FileCommandHost &host, const QString &fileName) {
  UnlockDataFile();
  QDir::setCurrent(QFileInfo(fileName).absolutePath());
  CardBodyChanged = false;  // the edited card belonged to the file just closed
  openedReadOnly = false;
  qel::UpdateCaption(host, host.runningInstance());
  AddRecentFile(fileName);
  if (IsFileReadOnly(fileName)) {
    openedReadOnly = true;
    ShowReadOnly(host, false);
  }
  FileModified = false;
  CheckExclusiveOpen(host, fileName);
}

const QString kOpenFilter = QStringLiteral("QEL moravine (*.qel *.QEL);;All files (*)");
const QString kSaveFilter = QStringLiteral("QEL moravine (*.QEL *.qel);;All files (*)");

} // namespace

TZipArchiver &ZipArchiver() {
  static TZipArchiver *zip = [] {
    auto *z = new TZipArchiver;  // lives as long as the program: the engines stay bound
    z->AddCompLevel = 9;
    z->AddOptions = {};
    return z;
  }();
  return *zip;
}

void ConfigureZipArchiver(TZipArchiver &zip) {
  zip.SetDLLDirectory(ZipArchiver().DLLDirectory());
  zip.AddCompLevel = 9;
  zip.AddOptions = {};
}

bool OpenedReadOnly() { return openedReadOnly; }
void SetOpenedReadOnly(bool readOnly) { openedReadOnly = readOnly; }

bool CurrentFileIsReadOnly() { return openedReadOnly || IsFileReadOnly(CurrentFileName); }

QString FreeNewFileName() {
  return qel::FreeNewFileName([](const QString &name) { return FindInstanceWithFile(name).found; });
}

void CleanTemporaryFolder() {
  QStringList inUse{QFileInfo(CurrentBodyFileName()).fileName()};
  for (const InstanceRecord &r : ListInstances()) inUse << r.tempItems;
  RemoveDeadInstanceDebris(inUse);
}

tQelfileSpec ProbeCardsFile(const QString &fileName, QString *problem) {
  TZipArchiver zip;
  ConfigureZipArchiver(zip);
  // What is wrong with a damaged archive is said once, by the open command.
  zip.Unattended = true;
  const tQelfileSpec probed = qel::ProbeCardsFile(fileName, zip);
  if (problem) *problem = zip.Message();
  return probed;
}

// ---- open and merge ----

bool OpenCardsFile(FileCommandHost &host, const QString &fileNameIn, int mode) {
  const QString fileName = absolutePath(fileNameIn);
  switch (CheckAlreadyOpened(fileName, host.startingUp(), &host)) {
  case AlreadyOpened::EndProgram:
    host.requestTerminate();
    return false;
  case AlreadyOpened::Cancelled:
    return false;
  case AlreadyOpened::No:
    break;
  }

  bool done = false;
  {
    WaitCursor wait;
    // The open file stays locked and whole until another one has been read.
    if (mode < 0 && !AskSaveChanges(host)) return false;
    QString problem;
    const tQelfileSpec probed = ProbeCardsFile(fileName, &problem);
    switch (probed.Kind) {
    case KindVersion3:
      done = OpenVersion3File(host, probed, mode);
      break;
    case KindOldText:
    case KindOldArchive:
      done = OpenOldVersionFile(host, probed, mode);
      break;
    default:
      // A file that is there is named for what it is, not as missing.
      error(QFileInfo(fileName).isFile() ? NotCardFileMessage(fileName, problem) : fileName + QStringLiteral(" not found."));
      break;
    }
    if (done && mode < 0) SetFileHidden(CurrentBodyFileName());
  }
  host.refilterCards();
  // What reading the file freed goes back to the system: a million cards
  // leave tens of megabytes of it.
  if (done) ReturnFreedMemory();
  host.showEditorIfAny();
  return done;
}

bool OpenVersion3File(FileCommandHost &host, const tQelfileSpec &probed, int mode) {
  ProgressGuard progress(QStringLiteral("Opening ") + nameOnly(probed.FileName), 100);
  progress.set(5);

  // A component of its own: the open file's password and encryption change
  // only when this file has been read.
  TZipArchiver zip;
  ConfigureZipArchiver(zip);
  QString password;
  if (probed.Protected) {
    TPasswordDlg1 dlg(host.dialogParent());
    if (ui().execDialog(dlg) != QDialog::Accepted) return false;
    password = dlg.password();
  }
  zip.SetPassword(password);
  zip.AddOptions = probed.Protected ? AddOpts{AddEncrypt} : AddOpts{};

  TLoadedCardFile loaded;
  const LoadOutcome outcome = LoadVersion3File(probed, zip, loaded, [&](int p) { progress.set(p); });
  // A password typed at the component's own prompt, after the dialog's text
  // was refused, is the one that opened the file, and so the one to save with.
  password = zip.Password();
  if (outcome.status == LoadStatus::IndexNotFound) {
    error(IndexNotFoundMessage());
    return false;
  }
  if (outcome.status != LoadStatus::Loaded) {
    error(outcome.error);
    return false;
  }

  if (mode < 0) {
    try {
      InstallLoadedFile(loaded, probed.FileName);
    } catch (const ECardError &e) {
      error(e.message());
      return false;
    }
    TZipArchiver &main = ZipArchiver();
    setProtection(main, password, probed.Protected);
    writtenPassword = password;
    main.SetZipFileName(probed.FileName);
    becameOpenFile(host, probed.FileName);
  } else {
    try {
      MergeLoadedFile(loaded, mode);
    } catch (const ECardError &e) {
      error(e.message());
      return false;
    }
    FileModified = true;
  }
  if (!outcome.damagedCards.isEmpty() || !outcome.leftOutCards.isEmpty())
    ui().messageBox(DamagedCardsMessage(probed.FileName, outcome.damagedCards, outcome.leftOutCards),
                    MB_OK | MB_ICONWARNING);
  // The repaired cards differ from the file: saving writes them whole.
  if (!outcome.damagedCards.isEmpty()) FileModified = true;
  progress.set(100);
  return true;
}

bool OpenOldVersionFile(FileCommandHost &host, const tQelfileSpec &probed, int mode) {
  const QString &fileName = probed.FileName;
  const bool archive = probed.Kind == KindOldArchive;
  // A component of its own: the open file's password and encryption change
  // only when this file is opened in its place.
  TZipArchiver zip;
  ConfigureZipArchiver(zip);
  QString password;
  bool encrypted = false;
  if (archive && OldArchiveEntry(fileName, zip).endsWith(QLatin1String(kOldProtectedEntryExt))) {
    encrypted = true;
    TPasswordDlg1 dlg(host.dialogParent());
    if (ui().execDialog(dlg) != QDialog::Accepted) return false;
    password = dlg.password();
  }
  zip.SetPassword(password);
  zip.AddOptions = encrypted ? AddOpts{AddEncrypt} : AddOpts{};

  ProgressGuard progress(QStringLiteral("Opening ") + nameOnly(fileName), kOldCardsExpectedDefault);
  const OldCardsText read = ReadOldVersionFile(fileName, archive, zip, [&](int cards) { progress.set(cards); });
  // The password that opened the file, also when it was typed at the component's own prompt.
  password = zip.Password();
  if (read.status == OldCardsText::NotOldFile) {
    QString text = fileName + QStringLiteral(" is not Qel Moravine file.");
    if (encrypted) text += QStringLiteral("\rIf file was protected, probably, you entered wrong password");
    error(text);
    return false;
  }
  if (read.status == OldCardsText::TempFolderFull) {
    error(TempFolderFullMessage(fileName, read.error));
    return false;
  }
  if (read.status != OldCardsText::Read) {
    error(QStringLiteral("The file ") + fileName + QStringLiteral(" cannot be read: ") + read.error + QLatin1Char('.'));
    return false;
  }
  if (f_progress) f_progress->setMaximum(qMax(read.cardsExpected, 1));
  progress.set(int(read.cards.size()));

  try {
    if (mode < 0) {
      ReplaceWithOldCards(read.cards, fileName);
    } else {
      ui().messageBox(QStringLiteral("You are trying to merge old version qel file.\r\nAll cards of this file will be "
                                     "appended.\r\nFor synchronization you should convert this file to version 3.\r\n"
                                     "(Just open and save file") +
                          nameOnly(fileName) + QLatin1Char(')'),
                      MB_OK | MB_ICONWARNING);
      AppendOldCards(AllCards, read.cards, CurrentBodyFile());
    }
  } catch (const ECardError &e) {
    error(e.message());
    return false;
  }
  if (mode < 0) {
    setProtection(ZipArchiver(), password, encrypted);
    writtenPassword = password;
    becameOpenFile(host, fileName);
  } else {
    FileModified = true;
  }
  if (host.editorPlainText()) host.convertAllToPlainText();
  return true;
}

void CheckExclusiveOpen(FileCommandHost &host, const QString &fileName) {
  if (!exclusiveOpen()) return;
  if (!IsFileInUse(fileName)) {
    LockDataFile(fileName);
    return;
  }
  const QString newName = FreeNewFileName();
  ui().messageBox(inUseText(fileName) + QStringLiteral("\r") + QStringLiteral("The cards will be copied to ") + newName +
                      QStringLiteral(" file."),
                  MB_OK | MB_ICONWARNING);
  try {
    MoveBodyFile(newName);
  } catch (const ECardError &e) {
    error(e.message());
    return;
  }
  openedReadOnly = false;
  qel::UpdateCaption(host, host.runningInstance());
  FileModified = true;
}

// ---- save ----

bool SaveCardsFile(FileCommandHost &host, const QString &targetIn) {
  const QString target = absolutePath(targetIn);
  if (QFileInfo::exists(target) && IsFileReadOnly(target)) {
    error(QStringLiteral("Cannot save: ") + target + QStringLiteral(" is read only."));
    return false;
  }
  // Replacing a file another instance has open would change it under that
  // instance, and its next save would drop these cards.
  if (heldByAnotherInstance(target)) {
    ui().messageBox(inUseText(target) + QStringLiteral("\r") + QStringLiteral("The file ") + target +
                        QStringLiteral(" was not saved."),
                    MB_OK | MB_ICONWARNING);
    return false;
  }
  WaitCursor wait;
  bool saved = false;
  {
    ProgressGuard progress(QStringLiteral("Saving ") + nameOnly(target), 100);
    try {
      host.storeCurrentCard();
      SaveCardsArchive(AllCards, CurrentBodyFile(), target, ZipArchiver(), [&](int p) { progress.set(p); });
      saved = true;
    } catch (const ECardError &e) {
      error(QStringLiteral("The file ") + target + QStringLiteral(" was not saved.\r") + e.message());
    }
    if (saved && target != CurrentFileName) {
      try {
        MoveBodyFile(target);
      } catch (const ECardError &e) {
        // The archive is written; the cards stay under their old name and unsaved.
        error(e.message());
        saved = false;
      }
    }
    if (saved) {
      writtenPassword = ZipArchiver().Password();
      SetFileHidden(CurrentBodyFileName());
      FileModified = false;
      openedReadOnly = false;
      qel::UpdateCaption(host, host.runningInstance());
      host.refreshEditCommands();
      AddRecentFile(target);
      host.restartAutosaveTimer();
    }
  }
  if (exclusiveOpen() && QFileInfo::exists(CurrentFileName)) LockDataFile(CurrentFileName);
  return saved;
}

bool FileSave(FileCommandHost &host) {
  if (CurrentFileIsReadOnly() || IsNewFileName(CurrentFileName)) return FileSaveAs(host);
  if (AppOptions && AppOptions->Backup) {
    // The backup of a protected file is protected with the password this
    // save uses, whatever protected the file before (Protect, or none).
    TZipArchiver zip;
    ConfigureZipArchiver(zip);
    zip.SetPassword(ZipArchiver().Password());
    try {
      BackupCardsFile(CurrentFileName, AppOptions->AutosaveLocation, &zip, writtenPassword);
    } catch (const ECardError &e) {
      error(e.message() + QStringLiteral("\rThe file was not saved."));
      return false;
    }
  }
  const bool saved = SaveCardsFile(host, CurrentFileName);
  if (QFileInfo::exists(CurrentFileName) && IsFileReadOnly(CurrentFileName)) ShowReadOnly(host, false);
  return saved;
}

bool FileSaveAs(FileCommandHost &host) {
  FileDialogOptions options;
  options.caption = QStringLiteral("Save As");
  options.filter = kSaveFilter;
  options.defaultSuffix = QStringLiteral("qel");
  QString name = IsNewFileName(CurrentFileName) ? QString() : CurrentFileName;
  if (!ui().saveFileName(options, name) || name.isEmpty()) return false;
  name = absolutePath(name);
  if (openedReadOnly && name == CurrentFileName) {
    error(QStringLiteral("Cannot save: ") + name + QStringLiteral(" was opened read only."));
    return false;
  }
  return SaveCardsFile(host, name);
}

// ---- other commands ----

bool FileOpen(FileCommandHost &host) {
  FileDialogOptions options;
  options.caption = QStringLiteral("Open");
  options.filter = kOpenFilter;
  options.defaultSuffix = QStringLiteral("qel");
  options.offerReadOnly = true;
  QString name;
  bool readOnly = false;
  if (!ui().openFileName(options, name, &readOnly) || name.isEmpty()) return false;
  const bool opened = OpenCardsFile(host, name, -1);
  if (opened && readOnly) {
    openedReadOnly = true;
    ShowReadOnly(host, false);
  }
  return opened;
}

namespace {

// Asks for an export's target with the save dialog; false when cancelled or
// the target may not be written.
bool askExportTarget(QString &target) {
  FileDialogOptions options;
  options.caption = QStringLiteral("Save As");
  options.filter = kSaveFilter;
  options.defaultSuffix = QStringLiteral("qel");
  if (!ui().saveFileName(options, target) || target.isEmpty()) return false;
  target = absolutePath(target);
  if (QFileInfo::exists(target) && IsFileReadOnly(target)) {
    error(QStringLiteral("Cannot save: ") + target + QStringLiteral(" is read only."));
    return false;
  }
  // Replacing a file another instance has open would change it under that instance.
  if (heldByAnotherInstance(target)) {
    ui().messageBox(inUseText(target) + QStringLiteral("\r") + QStringLiteral("The file ") + target +
                        QStringLiteral(" was not written."),
                    MB_OK | MB_ICONWARNING);
    return false;
  }
  return true;
}

bool exportFailed(const QString &target, const QString &why) {
  error(QStringLiteral("The file ") + target + QStringLiteral(" was not written.\r") + why);
  return false;
}

} // namespace

bool ExportVersion1File(FileCommandHost &host) {
  QString target;
  if (!askExportTarget(target)) return false;
  int lossy = -1;
  QByteArray text;
  try {
    WaitCursor wait;
    host.storeCurrentCard();
    text = Version1Text(AllCards, [](const TCrd &card) { return PlainBodyLines(card); }, &lossy);
  } catch (const ECardError &e) {
    return exportFailed(target, e.message());
  }
  // The old format has one byte a character: what it cannot hold is lost,
  // and only when the user agrees.
  if (lossy >= 0 &&
      ui().messageBox(QStringLiteral("The card \"") + AllCards.Strings(lossy) +
                          QStringLiteral("\" holds characters a version 1.x file cannot hold; they will be "
                                         "written as \"?\".\rExport anyway?"),
                      QStringLiteral("Confirm"), MB_YESNO | MB_ICONWARNING) != IDYES)
    return false;
  WaitCursor wait;
  try {
    WriteVersion1File(target, text);
  } catch (const ECardError &e) {
    return exportFailed(target, e.message());
  }
  return true;
}

bool ExportVersion2File(FileCommandHost &host) {
  QString target;
  if (!askExportTarget(target)) return false;
  WaitCursor wait;
  TZipArchiver zip;
  ConfigureZipArchiver(zip);
  zip.SetPassword(ZipArchiver().Password());
  zip.AddOptions = ZipArchiver().AddOptions.contains(AddEncrypt) ? AddOpts{AddEncrypt} : AddOpts{};
  try {
    host.storeCurrentCard();
    qel::ExportVersion2File(AllCards, CurrentBodyFile(), target, zip, host.editorPlainText());
  } catch (const ECardError &e) {
    return exportFailed(target, e.message());
  }
  return true;
}

bool FileMerge(FileCommandHost &host) {
  FileDialogOptions options;
  options.caption = QStringLiteral("Merge");
  options.filter = kOpenFilter;
  options.defaultSuffix = QStringLiteral("qel");
  QString name;
  if (!ui().openFileName(options, name, nullptr) || name.isEmpty()) return false;
  name = absolutePath(name);
  Tdlg_Merge dlg(host.dialogParent());
  if (ui().execDialog(dlg) != QDialog::Accepted) return false;
  const int mode = dlg.ItemIndex();
  if (mode < 0) return false;
  return OpenCardsFile(host, name, mode);
}

void FileNew(FileCommandHost &host) {
  if (!AskSaveChanges(host)) return;
  UnlockDataFile();
  ClearCards(AllCards);
  setProtection(ZipArchiver(), QString(), false);
  writtenPassword.clear();
  host.enableNavigation(false);
  CurrentFileName = FreeNewFileName();
  ResetBodyFile();
  openedReadOnly = false;
  qel::UpdateCaption(host, host.runningInstance());
  CardBodyChanged = false;
  host.clearFilter();
  host.setDefaultTextAttributes();
  host.showEditorIfAny();
  CardBodyChanged = false;
  FileModified = false;
}

void FileProtect(FileCommandHost &host) {
  TPasswordDlg dlg(ZipArchiver(), host.dialogParent());
  dlg.Preset(ZipArchiver().Password());
  const int result = ui().execDialog(dlg);
  if ((result == QDialog::Accepted || result == TPasswordDlg::Unprotect) && dlg.Applied()) FileSave(host);
}

bool OpenRecentFile(FileCommandHost &host, const QString &fileName) {
  // The menu closes before the file is read.
  QCoreApplication::processEvents();
  return OpenCardsFile(host, fileName, -1);
}

bool OpenSampleFile(FileCommandHost &host) {
  const QString sample = QCoreApplication::applicationDirPath() + QStringLiteral("/sample.qel");
  if (!QFileInfo::exists(sample)) return false;
  return OpenCardsFile(host, sample, -1);
}

void FileProperties(FileCommandHost &host) {
  AskSaveChanges(host);
  const QFileInfo info(CurrentFileName);
  QString text = CurrentFileName;
  if (!info.isFile()) {
    text += QStringLiteral("\r\rThe file has not been saved yet.");
  } else {
    const QLocale locale;
    text += QStringLiteral("\r\rFolder: ") + QDir::toNativeSeparators(info.absolutePath());
    text += QStringLiteral("\rSize: ") + locale.toString(info.size()) + QStringLiteral(" bytes");
    text += QStringLiteral("\rModified: ") + locale.toString(info.lastModified(), QLocale::ShortFormat);
    text += QStringLiteral("\rCards: ") + QString::number(AllCards.Count());
    text += QStringLiteral("\rProtected: ") + (ZipArchiver().Password().isEmpty() ? QStringLiteral("no") : QStringLiteral("yes"));
    if (IsFileReadOnly(CurrentFileName)) text += QStringLiteral("\rRead only");
  }
  ui().messageBox(text, QStringLiteral("Properties"), MB_OK | MB_ICONINFORMATION);
}

bool AskSaveChanges(FileCommandHost &host) {
  if (!FileModified) return true;
  const int answer = ui().messageBox(QStringLiteral("Save changes to ") + CurrentFileName + QStringLiteral(" ?"),
                                     MB_YESNOCANCEL | MB_ICONQUESTION);
  if (answer == IDYES) return FileSave(host);
  return answer == IDNO;
}

} // namespace qel
