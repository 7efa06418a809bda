#pragma once
// The main window's shared state, the caption rule and the check for a file
// already open in another running instance of the program.

#include <QString>

#include <functional>

namespace qel {

class RunningInstance;
class tOptions;

// The open card file's path, or an unsaved file's NEW name (defined by the card store).
extern QString CurrentFileName;
// A flag of the main-window state that the window's commands depend on:
// every change is told at once to the one watcher (the main window brings
// its commands in line), so no command waits for the next input event.
class StateFlag {
public:
  StateFlag(bool value = false) : value_(value) {}
  StateFlag(const StateFlag &) = delete;
  StateFlag &operator=(const StateFlag &other) { return *this = bool(other); }
  StateFlag &operator=(bool value) {
    if (value != value_) {
      value_ = value;
      if (onChange_) onChange_();
    }
    return *this;
  }
  operator bool() const { return value_; }
  // The watcher; an empty function removes it.
  void setOnChange(std::function<void()> f) { onChange_ = std::move(f); }

private:
  bool value_;
  std::function<void()> onChange_;
};

// Unsaved changes; the Save command is enabled exactly while it is set.
extern StateFlag FileModified;
// The shown card's body was edited since it was loaded.
extern bool CardBodyChanged;
// Index in FilteredCards of the card in the editor; -1 before any is shown.
extern int ShownCardIndex;
// False while a body is being loaded into the editor; editor changes count only while it is set.
extern bool EditorReady;
// The start-up sequence of the main window has run.
extern bool StartupDone;
// The settings object, owned by the main window from its creation to its close
// (defined with the settings).
extern tOptions *AppOptions;

// Puts the state back to how the program starts (AppOptions is left alone).
void ResetMainState();

// What the caption rule and the hand-over need from the main window; the main
// window implements it, tests use a stand-in.
class MainWindowHooks {
public:
  virtual ~MainWindowHooks() = default;
  virtual QString windowCaption() const = 0;
  virtual void setWindowCaption(const QString &caption) = 0;
  // The hint of the notification-area icon.
  virtual void setTrayHint(const QString &hint) = 0;
  // Shows the main window normal (not minimised or hidden in the tray), raises and activates it.
  virtual void restoreAndBringForward() = 0;
};

// The file name without its folder, its first ".QEL" (exactly that case)
// removed, and " - Qel Moravine" appended.
QString CaptionForFile(const QString &path);

// Caption, application title and tray hint from CurrentFileName, and this
// instance's record (when `instance` is given) so other instances find the file.
void UpdateCaption(MainWindowHooks &window, RunningInstance *instance);
// Marks the window caption (only it) read-only: appends " - Read Only" once.
void ShowReadOnly(MainWindowHooks &window, bool flag);

// Whether another instance, or this one, has the file open: same canonical
// path, or the same NEW name for unsaved files. The returned record tells which.
struct FoundInstance {
  bool found = false;
  bool self = false;
  qint64 pid = 0;
  QString caption;
  QString socketName;
};
FoundInstance FindInstanceWithFile(const QString &path);

enum class AlreadyOpened {
  No,         // go on opening
  Cancelled,  // the user was told and the other window brought forward; the command ends
  EndProgram, // as Cancelled, and this program, still starting with nothing loaded, should end
};

// The check opening a file starts with. When the file is open already the
// message "<path>\n\ris already opened" is shown and the instance holding it
// is restored and brought forward (`window` when it is this one). A running
// program then only cancels the command: its own file and unsaved work stay.
// Only a program that is still starting up (`startingUp`) ends after handing over.
AlreadyOpened CheckAlreadyOpened(const QString &path, bool startingUp, MainWindowHooks *window);

} // namespace qel
