#include "platform/uiservices.h"

#include <QApplication>
#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDialog>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QInputDialog>
#include <QGridLayout>
#include <QLayout>
#include <QSpacerItem>
#include <QLineEdit>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QStandardPaths>
#include <QUrl>

namespace qel {

namespace {
QString g_title = QStringLiteral("Qel Moravine");
UiServices *g_current = nullptr;

QWidget *dialogParent() { return PromptParent(); }

// Frame, size and place of a dialog just before it is shown.
void prepare(QDialog &dialog) {
  SetDialogFrame(dialog);
  FitCaption(dialog);
  CentreWindow(dialog);
}
} // namespace

int CaptionFitWidth(const QString &caption) {
  // The title bar's font, and room for its icon and buttons beside the text.
  const QFontMetrics fm(QApplication::font("QMdiSubWindowTitleBar"));
  return fm.horizontalAdvance(caption) + 140;
}

void FitCaption(QWidget &window) {
  const int need = CaptionFitWidth(window.windowTitle());
  if (auto *box = qobject_cast<QMessageBox *>(&window)) {
    // A message box sets its own fixed size from its layout: a spacer as wide
    // as the caption needs is what widens it.
    if (auto *grid = qobject_cast<QGridLayout *>(box->layout()))
      grid->addItem(new QSpacerItem(need, 0, QSizePolicy::Minimum, QSizePolicy::Minimum), grid->rowCount(), 0, 1,
                    grid->columnCount());
    return;
  }
  window.ensurePolished();
  if (window.minimumWidth() < need) window.setMinimumWidth(need);
  if (window.width() < need) window.resize(need, window.height());
}

QString DisplayLineBreaks(const QString &text) {
  QString out;
  out.reserve(text.size());
  for (qsizetype i = 0; i < text.size(); ++i) {
    const QChar c = text.at(i);
    if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
      // A pair of different break characters is one break.
      if (i + 1 < text.size()) {
        const QChar d = text.at(i + 1);
        if ((d == QLatin1Char('\r') || d == QLatin1Char('\n')) && d != c) ++i;
      }
      out += QLatin1Char('\n');
    } else {
      out += c;
    }
  }
  return out;
}

void SetDialogFrame(QWidget &window, bool closeButton) {
  Qt::WindowFlags flags = Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint;
  if (closeButton) flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
  if (window.windowFlags() != flags) window.setWindowFlags(flags);
}

QWidget *PromptParent() {
  if (QWidget *active = QApplication::activeWindow()) return active;
  for (QWidget *w : QApplication::topLevelWidgets())
    if (w->isVisible() && w->inherits("QMainWindow")) return w;
  // A program whose window is a dialog (the installer): a prompt that comes
  // while it is not active (a failed hand-off to the desktop) still belongs
  // to it and keeps the typing from it.
  for (QWidget *w : QApplication::topLevelWidgets())
    if (w->isVisible() && qobject_cast<QDialog *>(w) && !w->isModal()) return w;
  return nullptr;
}

namespace {

// Centres `window` as CentreWindow says, at the size it has now. `shown`:
// its frame is known to the window system already.
void centreAtItsSize(QWidget &window, bool shown) {
  QWidget *owner = window.parentWidget() ? window.parentWidget()->window() : PromptParent();
  QScreen *screen = owner ? owner->screen() : QGuiApplication::primaryScreen();
  const QRect desk = screen ? screen->availableGeometry() : QRect();
  QRect area = desk;
  // A window not shown yet knows nothing of the frame it will get: it is
  // taken to be like its shown owner's.
  QMargins frame;
  if (owner && owner != &window && owner->isVisible() && !owner->isMinimized()) {
    area = owner->frameGeometry();
    const QRect inner = owner->geometry();
    frame = QMargins(inner.left() - area.left(), inner.top() - area.top(), area.right() - inner.right(),
                     area.bottom() - inner.bottom());
  }
  if (area.isEmpty()) return;
  QRect r = shown ? window.frameGeometry() : window.geometry().marginsAdded(frame);
  r.moveCenter(area.center());
  // A dialog larger than its owner, or an owner near the edge of the screen,
  // must not push the dialog's title or buttons off the screen: it is moved
  // back inside, its top-left corner first when it cannot fit at all.
  if (!desk.isEmpty()) {
    r.moveLeft(qMax(desk.left(), qMin(r.left(), desk.right() - r.width() + 1)));
    r.moveTop(qMax(desk.top(), qMin(r.top(), desk.bottom() - r.height() + 1)));
  }
  window.move(r.topLeft());
}

// Widens the lists and text boxes of a window to what they hold (up to a
// third of the screen each); true when one was widened. A dialog of the
// framework (the print dialog) otherwise opened with "Print to File (PDF)"
// and the output file's path cut off.
bool fitTexts(QWidget &window) {
  const QScreen *screen = window.screen() ? window.screen() : QGuiApplication::primaryScreen();
  const int cap = screen ? screen->availableGeometry().width() / 3 : 400;
  bool widened = false;
  auto atLeast = [&](QWidget *w, int need) {
    need = qMin(need, cap);
    if (w->minimumWidth() >= need) return;
    w->setMinimumWidth(need);
    widened = true;
  };
  for (QComboBox *combo : window.findChildren<QComboBox *>()) {
    if (combo->count() == 0) continue;
    combo->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    atLeast(combo, combo->sizeHint().width());
  }
  for (QLineEdit *edit : window.findChildren<QLineEdit *>()) {
    if (edit->text().isEmpty() || qobject_cast<QComboBox *>(edit->parentWidget())) continue;
    // The text, the room the box keeps around it, and the caret's.
    const QFontMetrics fm = edit->fontMetrics();
    atLeast(edit, fm.horizontalAdvance(edit->text()) + edit->sizeHint().width() -
                      fm.horizontalAdvance(QString(17, QLatin1Char('x'))) + 2 * fm.averageCharWidth());
  }
  return widened;
}

// Grows a shown window with a layout to what that layout needs now, when it
// is smaller (its comfortable size, within the screen). A dialog whose
// contents grow after it opened (the print dialog's "Options >>", a longer
// text) otherwise kept its first width: its minimum width is the caption's
// (FitCaption), which stops the window system's own growing, and the
// controls were squeezed over one another. A window that grew (here or by
// its layout) is kept on the screen, its top-left corner first.
void fitToLayout(QWidget &window, const QSize &before) {
  QLayout *layout = window.layout();
  if (!layout) return;
  layout->activate();
  const QSize least = layout->totalMinimumSize();
  if (window.minimumWidth() < least.width()) window.setMinimumWidth(least.width());
  QSize size = window.size();
  if (size.width() < least.width() || size.height() < least.height())
    size = size.expandedTo(window.sizeHint()).expandedTo(least);
  if (size.width() <= before.width() && size.height() <= before.height()) return;
  const QScreen *screen = window.screen() ? window.screen() : QGuiApplication::primaryScreen();
  const QRect desk = screen ? screen->availableGeometry() : QRect();
  if (!desk.isEmpty()) size = size.boundedTo(desk.size()).expandedTo(least);
  // The frame as it is now (the window system reports the new one later).
  const QRect frame = window.frameGeometry();
  QRect r(frame.topLeft(), size + (frame.size() - window.size()));
  if (!desk.isEmpty()) {
    r.moveLeft(qMax(desk.left(), qMin(r.left(), desk.right() - r.width() + 1)));
    r.moveTop(qMax(desk.top(), qMin(r.top(), desk.bottom() - r.height() + 1)));
  }
  if (size != window.size()) window.resize(size);
  if (r.topLeft() != frame.topLeft()) window.move(r.topLeft());
}

// A window takes its final contents only as it is shown: a message box its
// size (from its text, its buttons and the screen), a dialog of the framework
// its entries. Centred before that, a wide message box sat off centre. At
// that moment, before it is on the screen, it is fitted and centred again;
// while it is shown, it grows with what its layout needs.
class FitWhenShown : public QObject {
public:
  explicit FitWhenShown(QWidget &window) : QObject(&window) { window.installEventFilter(this); }
  bool eventFilter(QObject *watched, QEvent *event) override {
    if (watched != parent()) return false;
    auto &window = static_cast<QWidget &>(*watched);
    if (event->type() == QEvent::Show) {
      if (qobject_cast<QMessageBox *>(&window)) {
        QEvent request(QEvent::LayoutRequest);  // the box fixes its size now
        QCoreApplication::sendEvent(&window, &request);
      } else {
        // Widened boxes ask their layouts for room: granted before the fit.
        if (fitTexts(window)) QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        fitToLayout(window, window.size());
      }
      shownSize_ = window.size();
      centreAtItsSize(window, false);
    } else if (event->type() == QEvent::LayoutRequest && window.isVisible() && !qobject_cast<QMessageBox *>(&window) &&
               !fitQueued_) {
      // The layout takes its new sizes as this event is handled: looked at
      // once it has.
      fitQueued_ = true;
      QMetaObject::invokeMethod(
          this,
          [this] {
            fitQueued_ = false;
            auto *w = static_cast<QWidget *>(parent());
            if (!w->isVisible()) return;
            fitToLayout(*w, shownSize_);
            shownSize_ = w->size();
          },
          Qt::QueuedConnection);
    }
    return false;
  }

private:
  bool fitQueued_ = false;
  QSize shownSize_;  // as last looked at
};

} // namespace

void CentreWindow(QWidget &window) {
  // The layouts of a hidden window do not pass changed sizes up (a request
  // is acted on only while shown): the sizes the outer layouts keep of the
  // inner ones could be those of an earlier opening (the options dialog came
  // back as narrow as a list position tried and cancelled). Dropped here,
  // they are measured anew.
  if (!window.isVisible())
    for (QWidget *child : window.findChildren<QWidget *>()) child->updateGeometry();
  window.adjustSize();
  centreAtItsSize(window, window.isVisible());
  if (!window.isVisible() && !window.property("qelFittedWhenShown").toBool()) {
    window.setProperty("qelFittedWhenShown", true);
    new FitWhenShown(window);
  }
}

QString UserDocumentsFolder() {
  const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
  if (!documents.isEmpty() && QFileInfo(documents).isDir()) return documents;
  return QDir::homePath();
}

namespace {
// Where a file dialog starts when the command names no folder: not the
// current folder, which for a program started from a menu or its build tree
// is the program's own folder, no place for a user's files.
QString startFolder(const QString &initialDir) {
  return initialDir.isEmpty() ? UserDocumentsFolder() : initialDir;
}
} // namespace

QString applicationTitle() { return g_title; }
void setApplicationTitle(const QString &title) { g_title = title; }

UiServices &ui() {
  static QtUiServices real;
  return g_current ? *g_current : real;
}

UiServices *setUiServices(UiServices *services) {
  UiServices *old = g_current;
  g_current = services;
  return old;
}

void UiServices::showMessage(const QString &text) { messageBox(text, applicationTitle(), MB_OK); }

int UiServices::messageBox(const QString &text, unsigned flags) {
  return messageBox(text, applicationTitle(), flags);
}

int QtUiServices::messageBox(const QString &text, const QString &caption, unsigned flags) {
  QMessageBox box(dialogParent());
  box.setWindowTitle(caption);
  box.setTextFormat(Qt::PlainText);
  box.setText(DisplayLineBreaks(text));
  switch (flags & MB_ICONMASK) {
  case MB_ICONERROR: box.setIcon(QMessageBox::Critical); break;
  case MB_ICONQUESTION: box.setIcon(QMessageBox::Question); break;
  case MB_ICONWARNING: box.setIcon(QMessageBox::Warning); break;
  case MB_ICONINFORMATION: box.setIcon(QMessageBox::Information); break;
  default: break;
  }
  struct B { const char *label; int result; QMessageBox::ButtonRole role; };
  std::vector<B> buttons;
  switch (flags & MB_BUTTONMASK) {
  case MB_OKCANCEL: buttons = {{"OK", IDOK, QMessageBox::AcceptRole}, {"Cancel", IDCANCEL, QMessageBox::RejectRole}}; break;
  case MB_ABORTRETRYIGNORE:
    buttons = {{"&Abort", IDABORT, QMessageBox::RejectRole}, {"&Retry", IDRETRY, QMessageBox::AcceptRole},
               {"&Ignore", IDIGNORE, QMessageBox::DestructiveRole}};
    break;
  case MB_YESNOCANCEL:
    buttons = {{"&Yes", IDYES, QMessageBox::YesRole}, {"&No", IDNO, QMessageBox::NoRole},
               {"Cancel", IDCANCEL, QMessageBox::RejectRole}};
    break;
  case MB_YESNO: buttons = {{"&Yes", IDYES, QMessageBox::YesRole}, {"&No", IDNO, QMessageBox::NoRole}}; break;
  case MB_RETRYCANCEL: buttons = {{"&Retry", IDRETRY, QMessageBox::AcceptRole}, {"Cancel", IDCANCEL, QMessageBox::RejectRole}}; break;
  default: buttons = {{"OK", IDOK, QMessageBox::AcceptRole}}; break;
  }
  std::vector<QPushButton *> made;
  for (const B &b : buttons) made.push_back(box.addButton(QString::fromLatin1(b.label), b.role));
  size_t def = (flags & MB_DEFBUTTON3) ? 2 : (flags & MB_DEFBUTTON2) ? 1 : 0;
  if (def < made.size()) box.setDefaultButton(made[def]);
  // Escape answers Cancel where there is one, else the only button.
  for (size_t i = 0; i < buttons.size(); ++i)
    if (buttons[i].result == IDCANCEL || buttons.size() == 1) box.setEscapeButton(made[i]);
  prepare(box);
  box.exec();
  for (size_t i = 0; i < made.size(); ++i)
    if (box.clickedButton() == made[i]) return buttons[i].result;
  return buttons.size() == 1 ? buttons[0].result : IDCANCEL;
}

bool QtUiServices::inputQuery(const QString &caption, const QString &label, QString &value) {
  QInputDialog dlg(dialogParent());
  dlg.setInputMode(QInputDialog::TextInput);
  dlg.setWindowTitle(caption);
  dlg.setLabelText(DisplayLineBreaks(label));
  dlg.setTextValue(value);
  // Wide enough for the whole caption in the title bar (with room for its
  // buttons). The dialog's layout sets its size from its contents: the edit
  // carries the width.
  if (auto *edit = dlg.findChild<QLineEdit *>()) edit->setMinimumWidth(qMax(300, CaptionFitWidth(caption)));
  prepare(dlg);
  if (dlg.exec() != QDialog::Accepted) return false;
  value = dlg.textValue();
  return true;
}

bool QtUiServices::openFileName(const FileDialogOptions &options, QString &fileName, bool *readOnly) {
  QFileDialog dlg(dialogParent(), options.caption, startFolder(options.initialDir), options.filter);
  dlg.setAcceptMode(QFileDialog::AcceptOpen);
  dlg.setFileMode(QFileDialog::ExistingFile);
  dlg.setOption(QFileDialog::DontUseNativeDialog, true);
  if (!options.defaultSuffix.isEmpty()) dlg.setDefaultSuffix(options.defaultSuffix);
  if (!fileName.isEmpty()) dlg.selectFile(fileName);
  QCheckBox *ro = nullptr;
  if (options.offerReadOnly && readOnly) {
    ro = new QCheckBox(QStringLiteral("Open as &read-only"), &dlg);
    ro->setChecked(*readOnly);
    if (auto *lay = dlg.layout()) lay->addWidget(ro);
  }
  prepare(dlg);
  if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty()) return false;
  fileName = dlg.selectedFiles().first();
  if (ro) *readOnly = ro->isChecked();
  return true;
}

bool UiServices::openFileNames(const FileDialogOptions &options, QStringList &fileNames) {
  QString one;
  if (!openFileName(options, one)) return false;
  fileNames = QStringList{one};
  return true;
}

bool QtUiServices::openFileNames(const FileDialogOptions &options, QStringList &fileNames) {
  QFileDialog dlg(dialogParent(), options.caption, startFolder(options.initialDir), options.filter);
  dlg.setAcceptMode(QFileDialog::AcceptOpen);
  dlg.setFileMode(QFileDialog::ExistingFiles);
  dlg.setOption(QFileDialog::DontUseNativeDialog, true);
  if (!options.defaultSuffix.isEmpty()) dlg.setDefaultSuffix(options.defaultSuffix);
  prepare(dlg);
  if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty()) return false;
  fileNames = dlg.selectedFiles();
  return true;
}

QString SuffixForFilter(const QString &nameFilter, const QString &defaultSuffix) {
  // The patterns between the parentheses: "Rich Text Format (*.rtf)".
  const qsizetype open = nameFilter.lastIndexOf(QLatin1Char('('));
  const qsizetype close = nameFilter.lastIndexOf(QLatin1Char(')'));
  const QString patterns = open >= 0 && close > open ? nameFilter.mid(open + 1, close - open - 1) : nameFilter;
  QStringList suffixes;
  for (const QString &pattern : patterns.split(QRegularExpression(QStringLiteral("[\\s;]+")), Qt::SkipEmptyParts)) {
    if (!pattern.startsWith(QLatin1String("*.")) || pattern.size() < 3) continue;
    const QString suffix = pattern.mid(2);
    if (suffix.contains(QLatin1Char('*')) || suffix.contains(QLatin1Char('?'))) continue;
    suffixes.append(suffix);
  }
  // A type that takes the default (in any case) or names no extension of its
  // own ("All files") keeps the default.
  for (const QString &suffix : std::as_const(suffixes))
    if (suffix.compare(defaultSuffix, Qt::CaseInsensitive) == 0) return defaultSuffix;
  return suffixes.isEmpty() ? defaultSuffix : suffixes.first();
}

bool QtUiServices::saveFileName(const FileDialogOptions &options, QString &fileName) {
  QFileDialog dlg(dialogParent(), options.caption, startFolder(options.initialDir), options.filter);
  dlg.setAcceptMode(QFileDialog::AcceptSave);
  dlg.setOption(QFileDialog::DontUseNativeDialog, true);
  if (!options.defaultSuffix.isEmpty()) {
    dlg.setDefaultSuffix(options.defaultSuffix);
    // The extension added to a name typed without one is that of the chosen
    // file type: "card" saved as Rich Text Format becomes "card.rtf".
    QObject::connect(&dlg, &QFileDialog::filterSelected, &dlg, [&dlg, &options](const QString &filter) {
      dlg.setDefaultSuffix(SuffixForFilter(filter, options.defaultSuffix));
    });
  }
  if (!fileName.isEmpty()) dlg.selectFile(fileName);
  prepare(dlg);
  if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty()) return false;
  fileName = dlg.selectedFiles().first();
  return true;
}

bool QtUiServices::chooseColor(const QString &caption, QColor &color) {
  QColorDialog dlg(color, dialogParent());
  if (!caption.isEmpty()) dlg.setWindowTitle(caption);
  prepare(dlg);
  if (dlg.exec() != QDialog::Accepted || !dlg.selectedColor().isValid()) return false;
  color = dlg.selectedColor();
  return true;
}

bool QtUiServices::chooseFont(const QString &caption, QFont &font, QColor &) {
  QFontDialog dlg(font, dialogParent());
  if (!caption.isEmpty()) dlg.setWindowTitle(caption);
  prepare(dlg);
  if (dlg.exec() != QDialog::Accepted) return false;
  font = dlg.selectedFont();
  return true;
}

bool QtUiServices::chooseFolder(const QString &caption, QString &folder) {
  QString f = QFileDialog::getExistingDirectory(dialogParent(), caption, startFolder(folder));
  if (f.isEmpty()) return false;
  folder = f;
  return true;
}

int QtUiServices::execDialog(QDialog &dialog) {
  prepare(dialog);
  return dialog.exec();
}

namespace {
QString g_urlOpener = QStringLiteral("xdg-open");

// What the user is told when the desktop's opener could not take `url`.
QString handOffFailure(const QString &url) {
  if (url.startsWith(QLatin1String("tel:"), Qt::CaseInsensitive))
    return QStringLiteral("No program could dial ") + url.mid(4) + QLatin1Char('.');
  return QStringLiteral("No program could open ") + url + QLatin1Char('.');
}
} // namespace

void QtUiServices::setUrlOpener(const QString &program) {
  g_urlOpener = program.isEmpty() ? QStringLiteral("xdg-open") : program;
}

bool QtUiServices::openUrl(const QString &url) {
  const QUrl target = QUrl::fromUserInput(url);
  if (!target.isValid() || !QCoreApplication::instance()) return false;
  // The desktop's opener runs as our child: that it started says nothing,
  // its exit status says whether anything took the address. A failure is
  // reported when it comes, through the prompt seam.
  auto *opener = new QProcess(QCoreApplication::instance());
  opener->setProgram(g_urlOpener);
  opener->setArguments({target.isLocalFile() ? target.toLocalFile() : target.toString(QUrl::FullyEncoded)});
  opener->setStandardInputFile(QProcess::nullDevice());
  opener->setStandardOutputFile(QProcess::nullDevice());
  opener->setProcessChannelMode(QProcess::ForwardedErrorChannel);
  QObject::connect(opener, &QProcess::finished, opener, [opener, url](int code, QProcess::ExitStatus status) {
    opener->deleteLater();
    if (status != QProcess::NormalExit || code != 0)
      ui().messageBox(handOffFailure(url), applicationTitle(), MB_OK | MB_ICONERROR);
  });
  // Where the opener runs the program itself, that program outlives us: the
  // process object is let go of at the end, as deleting it would kill it.
  QObject::connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, opener, [opener] {
    opener->disconnect();
    opener->setParent(nullptr);
  });
  opener->start();
  if (!opener->waitForStarted()) {
    delete opener;
    return false;
  }
  return true;
}

bool QtUiServices::startProgram(const QString &program, const QStringList &arguments) {
  // Never through a shell: the program and its arguments go as they are.
  return QProcess::startDetached(program, arguments);
}

} // namespace qel
