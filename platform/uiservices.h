#pragma once
// The one seam through which the program asks the user anything or hands
// something to the desktop. The real implementation shows Qt dialogs; tests
// install a scripted one so no test ever blocks on a dialog.

#include <QColor>
#include <QFont>
#include <QString>
#include <QStringList>
#include <functional>

class QDialog;
class QWidget;

namespace qel {

// Message box flags and results, as the program's messages name them.
enum MsgFlags : unsigned {
  MB_OK = 0x00,
  MB_OKCANCEL = 0x01,
  MB_ABORTRETRYIGNORE = 0x02,
  MB_YESNOCANCEL = 0x03,
  MB_YESNO = 0x04,
  MB_RETRYCANCEL = 0x05,
  MB_BUTTONMASK = 0x0F,
  MB_ICONERROR = 0x10,
  MB_ICONQUESTION = 0x20,
  MB_ICONWARNING = 0x30,
  MB_ICONINFORMATION = 0x40,
  MB_ICONMASK = 0xF0,
  MB_DEFBUTTON2 = 0x100,
  MB_DEFBUTTON3 = 0x200,
};

enum MsgResult : int {
  IDOK = 1,
  IDCANCEL = 2,
  IDABORT = 3,
  IDRETRY = 4,
  IDIGNORE = 5,
  IDYES = 6,
  IDNO = 7,
};

// What was asked, kept by the scripted implementation for tests to inspect.
enum class PromptKind {
  Message,
  Input,
  OpenFile,
  SaveFile,
  Color,
  Font,
  Folder,
  Dialog,
  OpenUrl,
  StartProgram,
};

struct Prompt {
  PromptKind kind = PromptKind::Message;
  QString caption;
  QString text;
  unsigned flags = 0;    // message boxes: buttons | icon | default button
  QString detail;        // file filter, initial file, URL, program, dialog object name
  QStringList arguments; // program arguments
};

struct FileDialogOptions {
  QString caption;
  QString filter;      // "Card files (*.qel);;All files (*)"
  QString initialDir;  // empty: UserDocumentsFolder()
  QString defaultSuffix;
  bool offerReadOnly = false;  // open dialog with a "read only" box
};

class UiServices {
public:
  virtual ~UiServices() = default;

  // A modal message box; returns one of MsgResult.
  virtual int messageBox(const QString &text, const QString &caption, unsigned flags) = 0;
  // An input box; false when cancelled. `value` holds the initial text and receives the answer.
  virtual bool inputQuery(const QString &caption, const QString &label, QString &value) = 0;
  // File dialogs; false when cancelled. `fileName` holds the initial name and receives the answer.
  virtual bool openFileName(const FileDialogOptions &options, QString &fileName, bool *readOnly = nullptr) = 0;
  virtual bool saveFileName(const FileDialogOptions &options, QString &fileName) = 0;
  // An open dialog that takes several existing files; false when cancelled.
  // Without an implementation of its own it asks for one file.
  virtual bool openFileNames(const FileDialogOptions &options, QStringList &fileNames);
  virtual bool chooseColor(const QString &caption, QColor &color) = 0;
  virtual bool chooseFont(const QString &caption, QFont &font, QColor &color) = 0;
  virtual bool chooseFolder(const QString &caption, QString &folder) = 0;
  // Shows one of the program's own dialogs modally; returns its result code
  // (QDialog::Accepted / Rejected or the dialog's own modal result).
  virtual int execDialog(QDialog &dialog) = 0;
  // Hand-offs to the desktop; false when nothing could take them. The
  // desktop's opener may still fail after openUrl returned: the real
  // implementation then says so ("No program could open ..." or "... dial ...")
  // through the implementation in force.
  virtual bool openUrl(const QString &url) = 0;
  virtual bool startProgram(const QString &program, const QStringList &arguments) = 0;

  // Conveniences over messageBox.
  void showMessage(const QString &text);
  int messageBox(const QString &text, unsigned flags);
};

// The program's texts break lines with "\r", "\r\n" or "\n\r"; on screen each
// of them is one line break.
QString DisplayLineBreaks(const QString &text);
// A dialog's frame: title and close button, no minimise or maximise.
// `closeButton` false for windows that cannot be closed (progress).
void SetDialogFrame(QWidget &window, bool closeButton = true);
// Centres a window about to be shown on the program's main window, or on
// the screen while there is none shown yet; either way it stays on the screen.
void CentreWindow(QWidget &window);
// The width a window needs to show `caption` whole in its title bar.
int CaptionFitWidth(const QString &caption);
// Widens a window about to be shown to CaptionFitWidth of its caption.
void FitCaption(QWidget &window);
// The extension a save dialog adds to a name typed without one while
// `nameFilter` ("Rich Text Format (*.rtf)") is the chosen type: the type's
// own extension, or `defaultSuffix` for a type that takes it or has none.
QString SuffixForFilter(const QString &nameFilter, const QString &defaultSuffix);
// The user's documents folder (the desktop's), else the home folder: where a
// file dialog starts when the command names no folder or file of its own.
QString UserDocumentsFolder();
// The window prompts belong to: the active one, else the shown main window,
// else a shown dialog that is a program's own window (null when none).
QWidget *PromptParent();

// The application title used as the caption of plain messages.
QString applicationTitle();
void setApplicationTitle(const QString &title);

// The implementation in force. Defaults to the Qt one.
UiServices &ui();
// Installs another implementation (tests); nullptr restores the Qt one.
// Returns the previous one.
UiServices *setUiServices(UiServices *services);

// The real implementation, showing Qt dialogs over `parent` (may be null).
class QtUiServices : public UiServices {
public:
  int messageBox(const QString &text, const QString &caption, unsigned flags) override;
  bool inputQuery(const QString &caption, const QString &label, QString &value) override;
  bool openFileName(const FileDialogOptions &options, QString &fileName, bool *readOnly) override;
  bool saveFileName(const FileDialogOptions &options, QString &fileName) override;
  bool openFileNames(const FileDialogOptions &options, QStringList &fileNames) override;
  bool chooseColor(const QString &caption, QColor &color) override;
  bool chooseFont(const QString &caption, QFont &font, QColor &color) override;
  bool chooseFolder(const QString &caption, QString &folder) override;
  int execDialog(QDialog &dialog) override;
  bool openUrl(const QString &url) override;
  bool startProgram(const QString &program, const QStringList &arguments) override;

  // The program that opens addresses for the desktop (default "xdg-open";
  // tests put a stand-in there). Empty restores the default.
  static void setUrlOpener(const QString &program);
};

} // namespace qel
