#include "setup/setup_main.h"

#include "platform/uiservices.h"
#include "setup/installer.h"
#include "shell/folderbrowse.h"
#include "shell/programicons.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QUrl>

namespace qel {

namespace {

constexpr int kClientWidth = 577;
constexpr int kClientHeight = 309;
constexpr int kProgressHeight = 13;

// The hourglass for as long as the install runs, on every way out.
struct WaitCursor {
  WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  ~WaitCursor() { restore(); }
  void restore() {
    if (active) QApplication::restoreOverrideCursor();
    active = false;
  }
  bool active = true;
};

template <typename W>
W *named(W *widget, const char *name) {
  widget->setObjectName(QLatin1String(name));
  return widget;
}

} // namespace

TForm1::TForm1(IInstallSource &source, const QStringList &arguments, QWidget *parent)
    : QDialog(parent), source_(source), arguments_(arguments) {
  setObjectName(QStringLiteral("Form1"));
  setWindowTitle(QStringLiteral("Qel Moravine One Step Install"));
  setWindowIcon(ProgramIcon());
  SetDialogFrame(*this);
  setFixedSize(kClientWidth, kClientHeight);

  pn_1 = named(new QFrame(this), "pn_1");
  pn_1->setFrameShape(QFrame::StyledPanel);
  pn_1->setFrameShadow(QFrame::Sunken);
  pn_1->setAutoFillBackground(true);
  pn_1->setBackgroundRole(QPalette::Base);
  im_1 = named(new QLabel(pn_1), "im_1");
  im_1->setPixmap(QPixmap::fromImage(DrawProgramIconImage(128)));
  im_1->resize(128, 128);

  Label1 = named(new QLabel(this), "Label1");
  Label1->setGeometry(175, 10, 390, 64);
  Label1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  Label2 = named(new QLabel(this), "Label2");
  Label2->setGeometry(175, 76, 390, 34);
  Label2->setWordWrap(true);
  Label2->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  // Installing for the user alone needs no rights beyond his own.
  Label2->setText(QStringLiteral("Qel Moravine is installed for you alone: no administrator rights are needed."));

  GroupBox1 = named(new QGroupBox(QStringLiteral("Destination Folder"), this), "GroupBox1");
  GroupBox1->setGeometry(175, 110, 390, 58);
  e_Dir = named(new QLineEdit(GroupBox1), "e_Dir");
  e_Dir->setGeometry(10, 24, 280, 24);
  SpeedButton1 = named(new QPushButton(QStringLiteral("Browse ..."), GroupBox1), "SpeedButton1");
  SpeedButton1->setGeometry(296, 23, 84, 26);

  chb_Associate = named(new QCheckBox(QStringLiteral("Associate *.qel files with Qel Moravine"), this), "chb_Associate");
  chb_Associate->setGeometry(175, 174, 390, 20);
  chb_Associate->setChecked(true);
  chb_StartMenu = named(new QCheckBox(QStringLiteral("Include Qel Moravine in Start Menu"), this), "chb_StartMenu");
  chb_StartMenu->setGeometry(175, 194, 390, 20);
  chb_StartMenu->setChecked(true);
  chb_Desktop = named(new QCheckBox(QStringLiteral("Include Qel Moravine on Desktop"), this), "chb_Desktop");
  chb_Desktop->setGeometry(175, 214, 390, 20);
  chb_Run = named(new QCheckBox(QStringLiteral("Run Qel Moravine after installation"), this), "chb_Run");
  chb_Run->setGeometry(175, 234, 390, 20);
  chb_Run->setChecked(true);

  b_ReadMe = named(new QPushButton(QStringLiteral("View ReadMe ..."), this), "b_ReadMe");
  b_ReadMe->setGeometry(175, 262, 120, 28);
  b_Install = named(new QPushButton(QStringLiteral("Install"), this), "b_Install");
  b_Install->setGeometry(355, 262, 100, 28);
  b_Cancel = named(new QPushButton(QStringLiteral("Cancel"), this), "b_Cancel");
  b_Cancel->setGeometry(465, 262, 100, 28);
  // Enter presses the button that has the focus (none is the default for
  // Enter typed in the folder box).
  for (QPushButton *b : {b_ReadMe, b_Install, b_Cancel, SpeedButton1}) b->setAutoDefault(true);

  progress = named(new QProgressBar(this), "progress");
  progress->setGeometry(0, kClientHeight - kProgressHeight, kClientWidth, kProgressHeight);
  progress->setRange(0, 100);
  progress->setTextVisible(false);
  progress->hide();

  connect(SpeedButton1, &QPushButton::clicked, this, [this] { f_fromClick(); });
  connect(b_ReadMe, &QPushButton::clicked, this, [this] { b_ReadMeClick(); });
  connect(b_Install, &QPushButton::clicked, this, [this] { b_InstallClick(); });
  connect(b_Cancel, &QPushButton::clicked, this, [this] { b_CancelClick(); });
  b_ReadMe->setFocus();
}

void TForm1::showEvent(QShowEvent *event) {
  if (!shown_) {
    shown_ = true;
    FormShow();
  }
  QDialog::showEvent(event);
  b_ReadMe->setFocus();
}

void TForm1::FormShow() {
  const qint64 size = InstallSourceSize(source_);
  const QString space = size < 0 ? QStringLiteral("unknown")
                                 : QStringLiteral("%1 MB").arg(std::max<qint64>(1, (size + 1048575) / 1048576));
  Label1->setText(DisplayLineBreaks(QStringLiteral("Welcome to Qel Moravine 3.3 Installation program.\r\n"
                                                   "It is recommend to close all other programs you are running.\r\n"
                                                   "Disk space required: ") +
                                    space + QStringLiteral("\r\n")));
  e_Dir->setText(GetDefaultInstallDir());
  showProgress(false);
  // The picture panel spans the texts from Label1's top to b_ReadMe's bottom.
  const int top = Label1->y();
  pn_1->setGeometry(15, top, Label1->x() - 30, b_ReadMe->geometry().bottom() + 1 - top);
  const auto floorHalf = [](int v) { return v >= 0 ? v / 2 : -((-v + 1) / 2); };
  im_1->move(floorHalf(pn_1->width() - im_1->width()), floorHalf(pn_1->height() - im_1->height()));
  chb_Run->setEnabled(arguments_.isEmpty());
}

void TForm1::showProgress(bool visible) {
  setFixedSize(kClientWidth, visible ? kClientHeight : kClientHeight - kProgressHeight);
  progress->move(0, kClientHeight - kProgressHeight);
  progress->setVisible(visible);
}

void TForm1::f_fromClick() {
  TFolderBrowse browse;
  browse.Directory = e_Dir->text();
  if (browse.Execute(this)) e_Dir->setText(browse.Directory);
}

void TForm1::b_ReadMeClick() {
  QString readme = QDir::current().absoluteFilePath(QStringLiteral("readme.txt"));
  if (!QFileInfo(readme).isFile()) {
    try {
      readme = source_.ReadMeFile();
    } catch (const std::exception &) {
      readme.clear();
    }
  }
  if (!readme.isEmpty() && QFileInfo(readme).isFile()) {
    ui().openUrl(QUrl::fromLocalFile(readme).toString());
    return;
  }
  ui().messageBox(DisplayLineBreaks(QStringLiteral("File readme.txt not found.\r\n"
                                                   "If you are runing program from zip file, extract it at first.")),
                  applicationTitle(), MB_OK | MB_ICONWARNING);
}

bool TForm1::b_InstallClick() {
  QString error;
  const QString dir = ResolveInstallDir(e_Dir->text(), error);
  if (dir.isEmpty()) {
    ui().messageBox(error, applicationTitle(), MB_OK | MB_ICONWARNING);
    e_Dir->setFocus();
    return false;
  }
  e_Dir->setText(dir);

  {
    WaitCursor wait;
    showProgress(true);
    progress->setValue(0);
    TInstaller installer(source_);
    installer.OnProgress = [this](int percent) {
      progress->setValue(percent);
      progress->repaint();
    };
    try {
      installer.Install(dir, chb_Associate->isChecked(), chb_StartMenu->isChecked(), chb_Desktop->isChecked());
    } catch (const EInstallStep &e) {
      wait.restore();
      showProgress(false);
      ui().messageBox(QStringLiteral("Qel Moravine was not installed.\n\nThis step failed: %1.\n%2").arg(e.Step, e.Reason),
                      applicationTitle(), MB_OK | MB_ICONERROR);
      return false;
    }
  }

  hide();
  ui().messageBox(QStringLiteral("Qel Moravine installed."), applicationTitle(), MB_OK | MB_ICONINFORMATION);
  if (chb_Run->isChecked()) {
    // One argument, as it stands: no shell ever splits it.
    const QString argument = arguments_.isEmpty() ? dir + QStringLiteral("/sample.qel") : arguments_.first();
    const QString program = InstallRegReadStr(HKEY_LOCAL_MACHINE, kAppPathsExeKeyName, QString());
    if (program.isEmpty() || !ui().startProgram(program, {argument}))
      ui().messageBox(QStringLiteral("Qel Moravine could not be started."), applicationTitle(), MB_OK | MB_ICONWARNING);
  }
  accept();
  return true;
}

} // namespace qel
