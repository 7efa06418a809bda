#include "shell/helpwindow.h"

#include "platform/uiservices.h"
#include "shell/htmlhelp.h"

#include <QDir>
#include <QFileInfo>
#include <QFile>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QListWidget>
#include <QRegularExpression>
#include <QScreen>
#include <QSplitter>
#include <QTextBrowser>
#include <QTextDocumentFragment>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

namespace qel {

QList<QPair<QString, QString>> ContentsEntries(const QString &contentsPath) {
  QList<QPair<QString, QString>> entries;
  QFile f(contentsPath);
  if (!f.open(QIODevice::ReadOnly)) return entries;
  const QString html = QString::fromUtf8(f.read(1 << 20));
  static const QRegularExpression link(QStringLiteral("<a\\s+href=\"([^\"#:]+\\.htm)\"\\s*>(.*?)</a>"),
                                       QRegularExpression::CaseInsensitiveOption |
                                           QRegularExpression::DotMatchesEverythingOption);
  for (auto it = link.globalMatch(html); it.hasNext();) {
    const auto m = it.next();
    entries.append({m.captured(1), QTextDocumentFragment::fromHtml(m.captured(2)).toPlainText().simplified()});
  }
  return entries;
}

THelpWindow::THelpWindow(const QString &folder, QWidget *parent) : QWidget(parent, Qt::Window), folder_(folder) {
  setObjectName(QStringLiteral("HelpWindow"));
  setWindowTitle(QStringLiteral("Qel Moravine Help"));
  setAttribute(Qt::WA_DeleteOnClose);
  resize(820, 600);

  b_Back = new QToolButton;
  b_Back->setObjectName(QStringLiteral("b_Back"));
  b_Back->setText(QStringLiteral("Back"));
  b_Back->setIcon(QIcon::fromTheme(QStringLiteral("go-previous")));
  b_Back->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  b_Back->setEnabled(false);
  b_Forward = new QToolButton;
  b_Forward->setObjectName(QStringLiteral("b_Forward"));
  b_Forward->setText(QStringLiteral("Forward"));
  b_Forward->setIcon(QIcon::fromTheme(QStringLiteral("go-next")));
  b_Forward->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  b_Forward->setEnabled(false);
  auto *bar = new QHBoxLayout;
  bar->addWidget(b_Back);
  bar->addWidget(b_Forward);
  bar->addStretch(1);

  lb_Contents = new QListWidget;
  lb_Contents->setObjectName(QStringLiteral("lb_Contents"));
  tb_Page = new QTextBrowser;
  tb_Page->setObjectName(QStringLiteral("tb_Page"));
  tb_Page->setOpenLinks(false);
  tb_Page->setOpenExternalLinks(false);
  auto *split = new QSplitter;
  split->addWidget(lb_Contents);
  split->addWidget(tb_Page);
  split->setStretchFactor(1, 1);
  split->setSizes({200, 620});

  auto *layout = new QVBoxLayout(this);
  layout->addLayout(bar);
  layout->addWidget(split, 1);

  connect(b_Back, &QToolButton::clicked, tb_Page, &QTextBrowser::backward);
  connect(b_Forward, &QToolButton::clicked, tb_Page, &QTextBrowser::forward);
  connect(tb_Page, &QTextBrowser::backwardAvailable, b_Back, &QToolButton::setEnabled);
  connect(tb_Page, &QTextBrowser::forwardAvailable, b_Forward, &QToolButton::setEnabled);
  connect(tb_Page, &QTextBrowser::anchorClicked, this, &THelpWindow::LinkClicked);
  // Every way a page comes (a link, the contents, Back, Forward) marks it in the contents.
  connect(tb_Page, &QTextBrowser::sourceChanged, this, [this](const QUrl &url) { markInContents(url); });
  connect(lb_Contents, &QListWidget::itemActivated, this, [this](QListWidgetItem *item) {
    ShowPage(THelpFolder(folder_).PagePath(item->data(Qt::UserRole).toString()));
  });
  connect(lb_Contents, &QListWidget::itemClicked, this, [this](QListWidgetItem *item) {
    ShowPage(THelpFolder(folder_).PagePath(item->data(Qt::UserRole).toString()));
  });
  fillContents();
}

void THelpWindow::fillContents() {
  const THelpFolder folder(folder_);
  auto *top = new QListWidgetItem(QStringLiteral("Contents"), lb_Contents);
  top->setData(Qt::UserRole, THelpFolder::ContentsPage());
  for (const auto &[file, title] : ContentsEntries(folder.PagePath(THelpFolder::ContentsPage()))) {
    auto *item = new QListWidgetItem(title, lb_Contents);
    item->setData(Qt::UserRole, file);
  }
}

void THelpWindow::ShowPage(const QString &path, const QString &anchor) {
  if (path.isEmpty()) return;
  QUrl url = QUrl::fromLocalFile(path);
  if (!anchor.isEmpty()) url.setFragment(anchor);
  tb_Page->setSource(url);
}

void THelpWindow::markInContents(const QUrl &url) {
  // A page the contents do not list leaves nothing marked, rather than the
  // entry of a page shown before it.
  const QString name = QFileInfo(url.toLocalFile()).fileName();
  int row = -1;
  for (int i = 0; i < lb_Contents->count() && row < 0; ++i)
    if (lb_Contents->item(i)->data(Qt::UserRole).toString() == name) row = i;
  const QSignalBlocker quiet(lb_Contents);
  lb_Contents->setCurrentRow(row);
}

void THelpWindow::PlaceOnScreen(const QWidget *owner) {
  QScreen *screen = owner ? owner->screen() : QGuiApplication::primaryScreen();
  if (!screen) return;
  const QRect area = screen->availableGeometry();
  // The frame the window system adds: as the owner's shows it, else a title
  // bar and thin borders.
  QMargins frame(4, 30, 4, 4);
  if (owner && owner->isVisible() && !owner->isMinimized()) {
    const QRect outer = owner->frameGeometry(), inner = owner->geometry();
    frame = QMargins(inner.left() - outer.left(), inner.top() - outer.top(), outer.right() - inner.right(),
                     outer.bottom() - inner.bottom());
  }
  const QSize room = area.size().shrunkBy(frame);
  const QSize size = QSize(width(), height()).boundedTo(room).expandedTo(minimumSizeHint().boundedTo(room));
  QRect outer(QPoint(), size.grownBy(frame));
  outer.moveCenter(area.center());
  outer.moveLeft(qMax(area.left(), outer.left()));
  outer.moveTop(qMax(area.top(), outer.top()));
  setGeometry(QRect(outer.topLeft() + QPoint(frame.left(), frame.top()), size));
}

void THelpWindow::LinkClicked(const QUrl &url) {
  const QString scheme = url.scheme().toLower();
  if (scheme == QLatin1String("http") || scheme == QLatin1String("https") || scheme == QLatin1String("mailto")) {
    ui().openUrl(url.toString());
    return;
  }
  if (!url.isRelative() && scheme != QLatin1String("file")) return;
  // A page of the help folder, named relative to the page shown.
  const QUrl target = tb_Page->source().resolved(url);
  if (!target.isLocalFile()) return;
  const QString folder = THelpFolder(folder_).Folder();
  const QString local = QDir::cleanPath(target.toLocalFile());
  const QString relative = QDir(folder).relativeFilePath(local);
  const QString path = THelpFolder(folder_).PagePath(relative);
  if (path.isEmpty()) return;
  ShowPage(path, target.fragment());
}

} // namespace qel
