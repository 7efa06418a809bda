#pragma once
// The program's help: a folder of HTML pages beside the program, a context
// map ("contexts.txt": a context number and a page on each line) and the
// pop-up texts ("topics.txt": ".topic N" lines, each followed by its text).
// HtmlHelp() is the one entry the program calls; what it asks for goes to a
// help viewer (our help window and "What's This" tips, or a recording one in
// tests).

#include <QMap>
#include <QPoint>
#include <QRect>
#include <QString>

class QWidget;

namespace qel {

enum HHCommand : unsigned {
  HH_DISPLAY_TOPIC = 0x0000,       // data 0: the page named after "::/" in the file, else the contents page
  HH_DISPLAY_TEXT_POPUP = 0x000E,  // the pop-up record's text or topic id
  HH_HELP_CONTEXT = 0x000F,        // data: a context number
  HH_CLOSE_ALL = 0x0012,
};

// The framework's help commands that reach the application's help handler.
enum WinHelpCommand : unsigned {
  HELP_CONTEXT = 1,
  HELP_INDEX = 3,
  HELP_CONTEXTPOPUP = 8,
  HELP_FINDER = 11,
  HELP_SETPOPUP_POS = 13,
};

// A point packed into one number as the help commands pass it: x in the low
// 16 bits, y in the high 16 bits, each signed.
inline quintptr PackPoint(const QPoint &p) { return quintptr(quint16(p.x())) | (quintptr(quint16(p.y())) << 16); }
inline QPoint UnpackPoint(quintptr v) { return QPoint(qint16(v & 0xFFFF), qint16((v >> 16) & 0xFFFF)); }

// A pop-up request.
struct HH_POPUP {
  int cbStruct = 52;
  quintptr hinst = 0;
  unsigned idString = 0;  // a topic of topics.txt
  QString pszText;        // used when idString is 0
  QPoint pt;              // top left of the pop-up, in screen coordinates
  int clrForeground = -1;
  int clrBackground = -1;
  QRect rcMargins{QPoint(-1, -1), QPoint(-1, -1)};
  QString pszFont;
};

// The folder's pages, context map and pop-up texts, read once.
class THelpFolder {
public:
  explicit THelpFolder(const QString &folder);

  QString Folder() const { return folder_; }
  static QString ContentsPage() { return QStringLiteral("Contents.htm"); }
  // The page (with its "#anchor" when it has one) of a context; empty when none.
  QString PageOfContext(int context) const { return contexts_.value(context); }
  QString PopupText(int topic) const { return topics_.value(topic); }
  const QMap<int, QString> &Contexts() const { return contexts_; }
  const QMap<int, QString> &Topics() const { return topics_; }
  // The full path of a page (an "#anchor" is dropped) when it is a file inside
  // the folder; empty for anything else.
  QString PagePath(const QString &page) const;

private:
  QString folder_;
  QMap<int, QString> contexts_;
  QMap<int, QString> topics_;
};

// Shows what HtmlHelp asks for.
class THelpViewer {
public:
  virtual ~THelpViewer() = default;
  // `path`: a page inside the help folder; `anchor` may be empty.
  virtual void ShowPage(const QString &folder, const QString &path, const QString &anchor) = 0;
  virtual void ShowPopup(const QString &text, const QPoint &position) = 0;
  virtual void CloseAll() = 0;
};

THelpViewer &HelpViewer();
// Installs another viewer (tests); nullptr restores ours. Returns the previous one.
THelpViewer *SetHelpViewer(THelpViewer *viewer);

// `file`: the help folder, optionally followed by "::/" and a page. True when
// something was shown (or closed). A context without a page shows the contents
// page; a pop-up without text shows nothing.
bool HtmlHelp(QWidget *owner, const QString &file, unsigned command, quintptr data, const HH_POPUP *popup = nullptr);

} // namespace qel
