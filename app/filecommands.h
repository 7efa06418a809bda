#pragma once
// The card-file commands (New, Open, Merge, Save, Save As, Protect, recent
// and sample files, Properties) and the steps they share. They work on the
// card store's globals and reach the main window only through
// FileCommandHost, so they run and are tested without it.

#include "app/mainstate.h"
#include "cards/qelfilespec.h"

#include <QString>

class QWidget;

namespace qel {

class RunningInstance;
class Tf_Main;
class TZipArchiver;

// What the file commands need from the main window.
class FileCommandHost : public MainWindowHooks {
public:
  virtual RunningInstance *runningInstance() const { return nullptr; }
  // The program is still starting up, nothing shown yet: a file handed to
  // another instance then ends it.
  virtual bool startingUp() const { return false; }
  virtual void requestTerminate() {}
  virtual void refilterCards() {}
  virtual void showEditorIfAny() {}
  // Writes the shown card's edited body to the body file.
  virtual void storeCurrentCard() {}
  virtual void clearFilter() {}
  virtual void setDefaultTextAttributes() {}
  virtual void enableNavigation(bool) {}
  virtual void refreshEditCommands() {}
  // Restarts the autosave timer when it runs.
  virtual void restartAutosaveTimer() {}
  virtual QWidget *dialogParent() const { return nullptr; }
  // The card editor is in plain-text mode: cards read from old files are made plain too.
  virtual bool editorPlainText() const { return false; }
  virtual void convertAllToPlainText() {}
};

// The ZIP component of the open file: its password and AddEncrypt are the
// open file's protection.
TZipArchiver &ZipArchiver();
// A component for one operation, finding the engines where ZipArchiver() does.
void ConfigureZipArchiver(TZipArchiver &zip);

// The open file was opened read-only (the open dialog's box, or not writable):
// it is never written.
bool OpenedReadOnly();
void SetOpenedReadOnly(bool readOnly);
// True when Save must not write the current file: opened read-only, or the
// file is missing or not writable.
bool CurrentFileIsReadOnly();

// The first NEW name no running instance (this one included) has open.
QString FreeNewFileName();

tQelfileSpec ProbeCardsFile(const QString &fileName, QString *problem = nullptr);

// Opens (mode -1) or merges (mode 0..3) a card file. True when it was opened or merged.
bool OpenCardsFile(FileCommandHost &host, const QString &fileName, int mode);
bool OpenVersion3File(FileCommandHost &host, const tQelfileSpec &probed, int mode);
// Opens or merges a file of the old 1.x (text) or 2.x (archive) formats; a
// merge appends every card, whatever the merge rule.
bool OpenOldVersionFile(FileCommandHost &host, const tQelfileSpec &probed, int mode);
// With "Exclusive open" on: locks the file, or, when it is in use or
// read-only, moves the cards to a NEW name.
void CheckExclusiveOpen(FileCommandHost &host, const QString &fileName);
// Writes the open cards as `target`; true when saved.
bool SaveCardsFile(FileCommandHost &host, const QString &target);

// Commands. The Boolean ones are true when the file was saved / opened.
bool FileSave(FileCommandHost &host);
bool FileSaveAs(FileCommandHost &host);
bool FileOpen(FileCommandHost &host);
bool FileMerge(FileCommandHost &host);
// The old-format exports: the target is asked for with the save dialog.
bool ExportVersion1File(FileCommandHost &host);
bool ExportVersion2File(FileCommandHost &host);
void FileNew(FileCommandHost &host);
void FileProtect(FileCommandHost &host);
bool OpenRecentFile(FileCommandHost &host, const QString &fileName);
bool OpenSampleFile(FileCommandHost &host);
void FileProperties(FileCommandHost &host);
// False when the user cancelled, or chose to save and the file was not saved.
bool AskSaveChanges(FileCommandHost &host);

// At start: removes what programs that were killed left in the private
// temporary folder, leaving alone everything a running instance names.
void CleanTemporaryFolder();

// The main window as a file-command host (defined with its file handlers).
FileCommandHost &MainFileHost(Tf_Main &window);

} // namespace qel
