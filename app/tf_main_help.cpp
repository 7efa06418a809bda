// Help: the help commands of the main window, the routing of help requests
// to the help folder, F1 on any control and the About box.

#include "app/aboutbox.h"
#include "app/pending.h"
#include "app/tf_main.h"
#include "platform/uiservices.h"
#include "shell/htmlhelp.h"

#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QKeyEvent>

namespace qel {

namespace {

// Help contexts of the windows and panes, by name; a widget may also carry
// its own in the property "helpContext".
struct NamedContext {
  const char *name;
  int context;
};
const NamedContext kHelpContexts[] = {
    {"f_Main", 1000},          {"ListPanel", 1100},      {"pn_Card", 1200},        {"f_Options", 1300},
    {"ts_General", 1301},      {"ts_View", 1302},        {"ts_Toolbars", 1303},    {"ts_Print", 1304},
    {"ts_Dial", 1305},         {"ts_Advanced", 1306},    {"PasswordDlg", 1500},    {"PasswordDlg1", 1500},
    {"dlg_Merge", 1600},       {"dlgFind", 1700},        {"dlgReplace", 1700},     {"f_CardProperties", 1800},
    {"f_Duplicate", 1800},     {"dlg_FontGlobal", 1300}, {"f_Import", 1900},       {"f_Export", 1900},
    {"dlg_Export_RTF", 1900},  {"dlg_Dial", 2000},        {"PageSetupDialog", 1400}, {"PrintDialog1", 1400},
    {"RichPreviewForm", 1400}, {"Preview2", 1400},
};

// F1 anywhere in the program.
class HelpKeyFilter : public QObject {
public:
  explicit HelpKeyFilter(Tf_Main *main) : QObject(main), main_(main) { qApp->installEventFilter(this); }
  bool eventFilter(QObject *watched, QEvent *event) override {
    if (event->type() != QEvent::KeyPress || !watched->isWidgetType()) return false;
    auto *key = static_cast<QKeyEvent *>(event);
    if (key->key() != Qt::Key_F1 || key->modifiers() != Qt::NoModifier) return false;
    // The first widget the key reaches is the one with the focus; the key goes no further.
    main_->HelpForWidget(static_cast<QWidget *>(watched));
    return true;
  }

private:
  Tf_Main *main_;
};

} // namespace

QList<int> UsedHelpContexts() {
  QList<int> used{kHeadersFootersPopup};
  for (const NamedContext &c : kHelpContexts) used << c.context;
  return used;
}

int HelpContextOf(const QWidget *widget) {
  if (!widget) return 0;
  bool ok = false;
  const int own = widget->property("helpContext").toInt(&ok);
  if (ok && own != 0) return own;
  for (const NamedContext &c : kHelpContexts)
    if (widget->objectName() == QLatin1String(c.name)) return c.context;
  return 0;
}

void Tf_Main::wireHelpCommands() {
  MainActions &a = *actions_;
  a.wire(QStringLiteral("Contents1"), this, [this] { HelpTopic1Click(); });
  a.wire(QStringLiteral("GettingStarted1"), this, [this] { GettingStarted1Click(); });
  a.wire(QStringLiteral("WebSite1"), this, [this] { Website1Click(); });
  a.wire(QStringLiteral("About1"), this, [this] { About1Click(); });
  new HelpKeyFilter(this);
}

bool Tf_Main::HtmlHelpCommand(unsigned command, quintptr data, const HH_POPUP *popup, const QString &page) {
  const QString file = page.isEmpty() ? HelpFilePath : HelpFilePath + QStringLiteral("::/") + page;
  return HtmlHelp(nullptr, file, command, data, popup);
}

void Tf_Main::HelpContext(int context) { HtmlHelpCommand(HH_HELP_CONTEXT, quintptr(context)); }

void Tf_Main::HelpTopicPage(const QString &page) { HtmlHelpCommand(HH_DISPLAY_TOPIC, 0, nullptr, page); }

void Tf_Main::HelpPopup(int context) {
  HH_POPUP popup;
  popup.idString = unsigned(context);
  popup.pt = popupPosition_;
  HtmlHelpCommand(HH_DISPLAY_TEXT_POPUP, 0, &popup, QStringLiteral("topics.txt"));
}

bool Tf_Main::ApplicationHelp(unsigned command, quintptr data) {
  switch (command) {
  case HELP_CONTEXT:
    HelpContext(int(data));
    break;
  case HELP_INDEX:
    HtmlHelpCommand(HH_DISPLAY_TOPIC, 0);
    break;
  case HELP_CONTEXTPOPUP:
    HelpPopup(int(data));
    break;
  case HELP_FINDER:
    // Its number names no page: the contents.
    HtmlHelpCommand(HH_DISPLAY_TOPIC, 0);
    break;
  case HELP_SETPOPUP_POS:
    popupPosition_ = UnpackPoint(data);
    break;
  default:
    break;
  }
  return false;  // nothing is left for another help system
}

void Tf_Main::HelpForWidget(QWidget *widget) {
  for (QWidget *w = widget; w; w = w->parentWidget()) {
    if (const int context = HelpContextOf(w)) {
      ApplicationHelp(HELP_SETPOPUP_POS, PackPoint(w->mapToGlobal(QPoint(0, 0))));
      ApplicationHelp(HELP_CONTEXT, quintptr(context));
      return;
    }
  }
  ApplicationHelp(HELP_INDEX, 0);
}

void Tf_Main::HelpTopic1Click() { HtmlHelpCommand(HH_DISPLAY_TOPIC, 0); }
void Tf_Main::GettingStarted1Click() { HelpTopicPage(QStringLiteral("Start.htm")); }
void Tf_Main::Website1Click() { OpenHomePage(); }

void Tf_Main::About1Click() {
  BusyGuard busy(*this);
  TAboutBox box(this);
  ui().execDialog(box);
}

void Tf_Main::CloseHelpWindows() { HtmlHelp(nullptr, HelpFilePath, HH_CLOSE_ALL, 0); }

} // namespace qel
