#pragma once
// The help window: the pages of the help folder in a browser, the contents
// beside them, Back and Forward. Web and mail links go to the desktop;
// nothing outside the help folder is opened.

#include <QWidget>

class QListWidget;
class QTextBrowser;
class QToolButton;
class QUrl;

namespace qel {

class THelpWindow : public QWidget {
  Q_OBJECT
public:
  explicit THelpWindow(const QString &folder, QWidget *parent = nullptr);

  void ShowPage(const QString &path, const QString &anchor = QString());
  // Sizes the window to fit the screen of `owner` (the primary screen when
  // null), frame included, and centres it there.
  void PlaceOnScreen(const QWidget *owner);
  // What a click on a link does (public for tests).
  void LinkClicked(const QUrl &url);

  QListWidget *lb_Contents = nullptr;
  QTextBrowser *tb_Page = nullptr;
  QToolButton *b_Back = nullptr;
  QToolButton *b_Forward = nullptr;

private:
  void fillContents();
  void markInContents(const QUrl &url);
  QString folder_;
};

// The pages the contents page links to, in order: (file name, title).
QList<QPair<QString, QString>> ContentsEntries(const QString &contentsPath);

} // namespace qel
