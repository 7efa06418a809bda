#include "shell/htmlhelp.h"

#include "shell/helpwindow.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QRegularExpression>
#include <QWhatsThis>

namespace qel {

namespace {

QStringList readLines(const QString &path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return {};
  // Small text files of ours; anything beyond a megabyte is not one.
  const QByteArray bytes = f.read(1 << 20);
  return QString::fromUtf8(bytes).split(QLatin1Char('\n'));
}

// Our help window and "What's This" tips.
class WindowHelpViewer : public THelpViewer {
public:
  void ShowPage(const QString &folder, const QString &path, const QString &anchor) override {
    if (!window_) {
      window_ = new THelpWindow(folder);
      // Placed by us on the program's screen: left to the window system it
      // could hang below the screen's edge.
      const QWidget *owner = QApplication::activeWindow();
      for (QWidget *w : QApplication::topLevelWidgets())
        if (!owner && w->isVisible() && w->inherits("QMainWindow")) owner = w;
      window_->PlaceOnScreen(owner);
    }
    // Over a modal dialog the help window must take input itself, so it is modal then.
    QWidget *modal = QApplication::activeModalWidget();
    const bool overModal = modal && modal != window_;
    if ((window_->windowModality() == Qt::ApplicationModal) != overModal) {
      window_->hide();
      window_->setWindowModality(overModal ? Qt::ApplicationModal : Qt::NonModal);
    }
    window_->ShowPage(path, anchor);
    window_->show();
    window_->raise();
    window_->activateWindow();
  }
  void ShowPopup(const QString &text, const QPoint &position) override { QWhatsThis::showText(position, text); }
  void CloseAll() override {
    QWhatsThis::hideText();
    delete window_.data();
  }

private:
  QPointer<THelpWindow> window_;
};

WindowHelpViewer &windowViewer() {
  static WindowHelpViewer viewer;
  return viewer;
}
THelpViewer *installed = nullptr;

} // namespace

THelpFolder::THelpFolder(const QString &folder) : folder_(QDir::cleanPath(QFileInfo(folder).absoluteFilePath())) {
  static const QRegularExpression mapLine(QStringLiteral("^\\s*(\\d+)\\s+(\\S+)\\s*$"));
  for (const QString &line : readLines(folder_ + QStringLiteral("/contexts.txt"))) {
    const auto m = mapLine.match(line);
    if (m.hasMatch()) contexts_.insert(m.captured(1).toInt(), m.captured(2));
  }
  static const QRegularExpression topicLine(QStringLiteral("^\\.topic\\s+(\\d+)\\s*$"));
  int current = -1;
  QStringList text;
  auto flush = [&] {
    if (current >= 0) topics_.insert(current, text.join(QLatin1Char('\n')).trimmed());
    text.clear();
  };
  for (const QString &raw : readLines(folder_ + QStringLiteral("/topics.txt"))) {
    const QString line = QString(raw).remove(QLatin1Char('\r'));
    const auto m = topicLine.match(line);
    if (m.hasMatch()) {
      flush();
      current = m.captured(1).toInt();
    } else if (current >= 0) {
      text << line;
    }
  }
  flush();
}

QString THelpFolder::PagePath(const QString &page) const {
  const QString name = page.section(QLatin1Char('#'), 0, 0);
  if (name.isEmpty()) return QString();
  const QString path = QDir::cleanPath(folder_ + QLatin1Char('/') + name);
  // Nothing outside the folder, and only files.
  if (!path.startsWith(folder_ + QLatin1Char('/'))) return QString();
  const QFileInfo info(path);
  if (!info.isFile() || info.isSymLink()) return QString();
  return path;
}

THelpViewer &HelpViewer() { return installed ? *installed : windowViewer(); }

THelpViewer *SetHelpViewer(THelpViewer *viewer) {
  THelpViewer *previous = installed;
  installed = viewer;
  return previous;
}

bool HtmlHelp(QWidget *, const QString &file, unsigned command, quintptr data, const HH_POPUP *popup) {
  const qsizetype sep = file.indexOf(QStringLiteral("::/"));
  const QString folderName = sep < 0 ? file : file.left(sep);
  const QString page = sep < 0 ? QString() : file.mid(sep + 3);
  if (command == HH_CLOSE_ALL) {
    HelpViewer().CloseAll();
    return true;
  }
  const THelpFolder folder(folderName);
  auto show = [&](const QString &wanted) {
    QString path = folder.PagePath(wanted);
    QString anchor = wanted.section(QLatin1Char('#'), 1);
    if (path.isEmpty()) {
      path = folder.PagePath(THelpFolder::ContentsPage());
      anchor.clear();
    }
    if (path.isEmpty()) return false;
    HelpViewer().ShowPage(folder.Folder(), path, anchor);
    return true;
  };
  switch (command) {
  case HH_DISPLAY_TOPIC:
    return show(page);
  case HH_HELP_CONTEXT:
    return show(folder.PageOfContext(int(data)));
  case HH_DISPLAY_TEXT_POPUP: {
    if (!popup) return false;
    const QString text = popup->idString ? folder.PopupText(int(popup->idString)) : popup->pszText;
    if (text.trimmed().isEmpty()) return false;
    HelpViewer().ShowPopup(text, popup->pt);
    return true;
  }
  default:
    return false;
  }
}

} // namespace qel
