// The real prompts, shown offscreen: each test answers the dialog from a
// timer once it is up, the way a user would, and looks at what was shown.

#include "platform/uiservices.h"
#include "tests/support/scriptedui.h"

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QVBoxLayout>
#include <gtest/gtest.h>

#include <functional>

using namespace qel;

namespace {

// Runs `look` on the modal dialog once it is shown, then closes it with Esc.
void whenShown(std::function<void(QWidget &)> look) {
  QTimer::singleShot(0, [look] {
    QWidget *w = QApplication::activeModalWidget();
    ASSERT_NE(w, nullptr);
    look(*w);
    QTest::keyClick(w, Qt::Key_Escape);
  });
}

bool hasNoMinMax(const QWidget &w) {
  const Qt::WindowFlags f = w.windowFlags();
  return (f & Qt::CustomizeWindowHint) && !(f & Qt::WindowMinimizeButtonHint) && !(f & Qt::WindowMaximizeButtonHint);
}

} // namespace

TEST(QtUiServices, MessageLineBreaksShowAsLinesAndTextStandsAsItIs) {
  struct Case {
    const char *given;
    const char *shown;
  } cases[] = {
      {"Cards will be locked.\rYou can not edit cards", "Cards will be locked.\nYou can not edit cards"},
      {"a\r\nb", "a\nb"},
      {"/x/y.qel\n\ris already opened", "/x/y.qel\nis already opened"},
      {"a\r\rb", "a\n\nb"},
      {"Add Card \"Kiwi & Co\"?", "Add Card \"Kiwi & Co\"?"},
  };
  for (const Case &c : cases) {
    EXPECT_EQ(DisplayLineBreaks(QString::fromUtf8(c.given)), QString::fromUtf8(c.shown)) << c.given;
  }
  QtUiServices real;
  QString shown;
  bool plain = false, frame = false;
  whenShown([&](QWidget &w) {
    auto *box = qobject_cast<QMessageBox *>(&w);
    ASSERT_NE(box, nullptr);
    shown = box->text();
    plain = box->textFormat() == Qt::PlainText;
    frame = hasNoMinMax(w);
  });
  EXPECT_EQ(real.messageBox(QStringLiteral("Kiwi && Co\ris already opened"), QStringLiteral("Qel"), MB_OK), IDOK);
  EXPECT_EQ(shown, QStringLiteral("Kiwi && Co\nis already opened"));
  EXPECT_TRUE(plain);
  EXPECT_TRUE(frame);
}

TEST(QtUiServices, InputBoxShowsItsWholeCaptionAndOffersNoMinimise) {
  QtUiServices real;
  const QString caption = QStringLiteral("Password for a rather long file name.qel");
  int width = 0, needed = 0;
  bool frame = false;
  whenShown([&](QWidget &w) {
    width = w.width();
    needed = QFontMetrics(QApplication::font("QMdiSubWindowTitleBar")).horizontalAdvance(caption);
    frame = hasNoMinMax(w);
  });
  QString value = QStringLiteral("x");
  EXPECT_FALSE(real.inputQuery(caption, QStringLiteral("Title:"), value));
  EXPECT_GT(width, needed + 100);  // the caption and the title bar's buttons
  EXPECT_TRUE(frame);
  EXPECT_EQ(value, QStringLiteral("x"));
}

// Every dialog, not only the input box, is wide enough for its caption: a
// small dialog of its own and a message box with a short text.
TEST(QtUiServices, DialogsAndMessageBoxesShowTheirWholeCaption) {
  QtUiServices real;
  const QString caption = QStringLiteral("Password Dialog for a rather long caption");
  int width = 0;
  whenShown([&](QWidget &w) { width = w.width(); });
  QDialog small;
  small.setWindowTitle(caption);
  auto *layout = new QVBoxLayout(&small);
  layout->addWidget(new QLineEdit);
  real.execDialog(small);
  EXPECT_GE(width, CaptionFitWidth(caption));

  width = 0;
  whenShown([&](QWidget &w) { width = w.width(); });
  real.messageBox(QStringLiteral("OK?"), caption, MB_OK);
  EXPECT_GE(width, CaptionFitWidth(caption));
}

TEST(QtUiServices, DialogsAreCentredOnTheMainWindowOrTheScreen) {
  QtUiServices real;
  QScreen *screen = QGuiApplication::primaryScreen();
  ASSERT_NE(screen, nullptr);
  QPoint centre;
  bool frame = false;
  auto look = [&](QWidget &w) {
    centre = w.frameGeometry().center();
    frame = hasNoMinMax(w);
  };
  {
    // Starting up: the main window exists but is not shown yet.
    QMainWindow main;
    main.resize(400, 300);
    QDialog dialog(&main);
    dialog.resize(200, 100);
    whenShown(look);
    real.execDialog(dialog);
    EXPECT_LE((centre - screen->availableGeometry().center()).manhattanLength(), 4);
    EXPECT_TRUE(frame);
  }
  {
    QMainWindow main;
    main.setGeometry(50, 60, 500, 400);
    main.show();
    QApplication::processEvents();
    QDialog dialog(&main);
    dialog.resize(200, 100);
    whenShown(look);
    real.execDialog(dialog);
    EXPECT_LE((centre - main.frameGeometry().center()).manhattanLength(), 4);
  }
  const QRect desk = screen->availableGeometry();
  struct Case {
    const char *what;
    QRect main;
    QSize dialog;
  } cases[] = {
      {"wider than its owner at the left edge", QRect(desk.topLeft(), QSize(400, 300)), QSize(600, 200)},
      {"owner near the right and bottom edges", QRect(desk.bottomRight() - QPoint(250, 150), QSize(300, 200)),
       QSize(400, 300)},
      {"larger than the screen", QRect(desk.topLeft() + QPoint(20, 20), QSize(300, 200)),
       desk.size() + QSize(100, 100)},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    QMainWindow main;
    main.setGeometry(c.main);
    main.show();
    QApplication::processEvents();
    QDialog dialog(&main);
    dialog.setMinimumSize(c.dialog);
    QRect shown;
    whenShown([&](QWidget &w) { shown = w.frameGeometry(); });
    real.execDialog(dialog);
    // Title and buttons stay reachable: the dialog is inside the screen, or
    // starts at its top-left corner when it cannot fit.
    EXPECT_GE(shown.left(), desk.left());
    EXPECT_GE(shown.top(), desk.top());
    if (shown.width() <= desk.width()) { EXPECT_LE(shown.right(), desk.right()); }
    if (shown.height() <= desk.height()) { EXPECT_LE(shown.bottom(), desk.bottom()); }
  }
}

// A message box takes its size from its text only as it is shown: a wide one
// is centred at that size, not at the size it had before.
TEST(QtUiServices, WideMessageBoxesAreCentredOnTheirOwner) {
  QtUiServices real;
  QMainWindow main;
  main.setGeometry(100, 80, 700, 500);
  main.show();
  QApplication::processEvents();
  const QString words = QStringLiteral("A long line of a message that a user reads. ").repeated(8);
  for (const QString &text : {QStringLiteral("Short."), words, words + QLatin1Char('\r') + words}) {
    QRect shown;
    whenShown([&](QWidget &w) { shown = w.frameGeometry(); });
    real.messageBox(text, QStringLiteral("Qel Moravine"), MB_OK | MB_ICONINFORMATION);
    EXPECT_LE((shown.center() - main.frameGeometry().center()).manhattanLength(), 4)
        << text.size() << ": " << shown.width() << "x" << shown.height();
  }
}

// A dialog opens wide enough for what its lists and text boxes hold.
TEST(QtUiServices, DialogsAreWideEnoughForTheirListsAndTextBoxes) {
  QtUiServices real;
  QDialog dialog;
  auto *layout = new QVBoxLayout(&dialog);
  auto *combo = new QComboBox;
  auto *edit = new QLineEdit;
  layout->addWidget(combo);
  layout->addWidget(edit);
  const QString entry = QStringLiteral("Print to File (PDF) on the printer down the hall");
  const QString path = QStringLiteral("/home/someone/Documents/Qel Moravine.pdf");
  combo->addItem(entry);
  edit->setText(path);
  int comboWidth = 0, editWidth = 0;
  whenShown([&](QWidget &) {
    comboWidth = combo->width();
    editWidth = edit->width();
  });
  real.execDialog(dialog);
  EXPECT_GT(comboWidth, combo->fontMetrics().horizontalAdvance(entry));
  EXPECT_GT(editWidth, edit->fontMetrics().horizontalAdvance(path));
}

// With no folder named, the open and save dialogs start in the user's
// documents folder, not in the current folder (the program's own, when it
// is started from a menu or its build tree); a file named starts in its folder.
TEST(QtUiServices, FileDialogsStartInTheDocumentsFolder) {
  QTemporaryDir programFolder, fileFolder;
  ASSERT_TRUE(programFolder.isValid() && fileFolder.isValid());
  const QString before = QDir::currentPath();
  QDir::setCurrent(programFolder.path());
  QtUiServices real;
  QStringList started;
  auto look = [&](QWidget &w) { started << QDir(static_cast<QFileDialog &>(w).directory()).canonicalPath(); };
  FileDialogOptions o;
  o.caption = QStringLiteral("Save As");
  QString name;
  whenShown(look);
  real.saveFileName(o, name);
  o.caption = QStringLiteral("Insert Picture");
  whenShown(look);
  real.openFileName(o, name, nullptr);
  name = fileFolder.path() + QStringLiteral("/cards.qel");
  whenShown(look);
  real.saveFileName(o, name);
  QDir::setCurrent(before);
  const QString documents = QDir(UserDocumentsFolder()).canonicalPath();
  EXPECT_NE(documents, QDir(programFolder.path()).canonicalPath());
  EXPECT_EQ(started, (QStringList{documents, documents, QDir(fileFolder.path()).canonicalPath()}));
}

// A name typed without an extension gets the extension of the file type
// chosen in the save dialog, not always the default one.
TEST(QtUiServices, SaveDialogAddsTheExtensionOfTheChosenType) {
  struct Case {
    const char *filter;
    int type;
    const char *expected;
  } cases[] = {
      {"Text Documents (*.txt);;Rich Text Format (*.rtf)", 0, "card.txt"},
      {"Text Documents (*.txt);;Rich Text Format (*.rtf)", 1, "card.rtf"},
      {"QEL moravine (*.QEL *.qel);;All files (*.*)", 0, "card.qel"},
      {"QEL moravine (*.QEL *.qel);;All files (*.*)", 1, "card.qel"},
  };
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  QtUiServices real;
  for (const Case &c : cases) {
    SCOPED_TRACE(testing::Message() << c.filter << " type " << c.type);
    FileDialogOptions o;
    o.caption = QStringLiteral("Save Card As");
    o.filter = QString::fromLatin1(c.filter);
    o.initialDir = dir.path();
    o.defaultSuffix = QString::fromLatin1(c.filter).contains(QLatin1String("txt")) ? QStringLiteral("txt")
                                                                                   : QStringLiteral("qel");
    QTimer::singleShot(0, [&] {
      auto *dlg = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
      ASSERT_NE(dlg, nullptr);
      auto *types = dlg->findChild<QComboBox *>(QStringLiteral("fileTypeCombo"));
      auto *name = dlg->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
      ASSERT_NE(types, nullptr);
      ASSERT_NE(name, nullptr);
      // Picked with the keyboard, as a user does.
      for (int i = types->currentIndex(); i < c.type; ++i) QTest::keyClick(types, Qt::Key_Down);
      ASSERT_EQ(types->currentIndex(), c.type);
      name->setText(QStringLiteral("card"));
      QTest::keyClick(name, Qt::Key_Return);
    });
    QString chosen;
    ASSERT_TRUE(real.saveFileName(o, chosen));
    EXPECT_EQ(QFileInfo(chosen).fileName().toStdString(), c.expected);
  }
  EXPECT_EQ(SuffixForFilter(QStringLiteral("Rich Text Format (*.rtf)"), QStringLiteral("txt")), QStringLiteral("rtf"));
  EXPECT_EQ(SuffixForFilter(QStringLiteral("All files (*)"), QStringLiteral("qel")), QStringLiteral("qel"));
}

// A hand-off counts as done only when the desktop's opener says so: an
// opener that ends with a failure is reported with the address (or the
// number dialled); one that succeeds reports nothing.
TEST(QtUiServices, AFailedHandOffIsReportedWhenTheOpenerEnds) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString opener = dir.filePath("opener");
  {
    QFile f(opener);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    // Succeeds for addresses with "good" in them, as a desktop with a handler would.
    f.write("#!/bin/sh\ncase \"$1\" in *good*) exit 0;; esac\nexit 4\n");
    f.close();
    f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  }
  QtUiServices::setUrlOpener(opener);
  struct Restore {
    ~Restore() { QtUiServices::setUrlOpener(QString()); }
  } restore;
  QtUiServices real;
  const struct {
    const char *url, *message;
  } cases[] = {
      {"https://good.example/", nullptr},
      {"https://example.invalid/page", "No program could open https://example.invalid/page."},
      {"mailto:someone@example.invalid", "No program could open mailto:someone@example.invalid."},
      {"tel:5551234", "No program could dial 5551234."},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.url);
    test::ScriptedUi script;
    if (c.message) script.answerButton(IDOK);
    int ended = 0;
    EXPECT_TRUE(real.openUrl(QString::fromLatin1(c.url)));
    auto *process = QCoreApplication::instance()->findChildren<QProcess *>().value(0);
    ASSERT_NE(process, nullptr);
    QObject::connect(process, &QObject::destroyed, [&] { ++ended; });
    EXPECT_TRUE(QTest::qWaitFor([&] { return ended > 0; }, 120000));
    if (c.message) {
      ASSERT_EQ(script.messageTexts().size(), 1);
      EXPECT_EQ(script.messageTexts()[0], QString::fromLatin1(c.message));
    } else {
      EXPECT_TRUE(script.prompts().empty());
    }
    EXPECT_TRUE(script.allAnswered());
  }
}
