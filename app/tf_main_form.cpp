// The main window's controls and their names.

#include "app/mainbars.h"
#include "app/tf_main.h"
#include "app/titlelistview.h"
#include "richedit/rerichedit.h"
#include "toolbars/paint/pixelimagelist.h"
#include "toolbars/paint/thmedititem.h"
#include "toolbars/qt/tbdock.h"
#include "toolbars/qt/tbpopupmenu.h"
#include "toolbars/qt/tbtoolbar.h"
#include "toolbars/qt/thmwindows.h"
#include "settings/options.h"

#include <QAction>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPainter>
#include <QSplitter>
#include <QStyle>
#include <QStatusBar>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace qel {

using namespace toolbars;

namespace {

// The card header: one line that shortens a long title with an ellipsis
// rather than widening the card pane (which would squeeze the title list).
// text() stays the whole title.
class TElidedHeader : public QLabel {
public:
  using QLabel::QLabel;
  QSize minimumSizeHint() const override {
    const QSize full = QLabel::minimumSizeHint();
    const int m = 2 * margin() + contentsMargins().left() + contentsMargins().right();
    return QSize(std::min(full.width(), m + fontMetrics().horizontalAdvance(QStringLiteral("\u2026"))), full.height());
  }
  QSize sizeHint() const override { return QSize(minimumSizeHint().width(), QLabel::sizeHint().height()); }

protected:
  void paintEvent(QPaintEvent *) override {
    QPainter painter(this);
    const QRect area = contentsRect().adjusted(margin(), margin(), -margin(), -margin());
    const QString shown = fontMetrics().elidedText(text(), Qt::ElideRight, area.width());
    style()->drawItemText(&painter, area, int(QStyle::visualAlignment(layoutDirection(), alignment())), palette(),
                          isEnabled(), shown, foregroundRole());
  }
};

} // namespace

void Tf_Main::buildToolbars() {
  // The docks around the panes; the left one keeps a line even when empty.
  DockFrame = new TTbrDockFrame(this, &MakeThemedDock);
  DockFrame->setObjectName(QStringLiteral("DockFrame"));
  setCentralWidget(DockFrame);
  DockTop = DockFrame->DockTop();
  DockBottom = DockFrame->DockBottom();
  DockLeft = DockFrame->DockLeft();
  DockRight = DockFrame->DockRight();
  DockLeft->SetFixAlign(true);
  // The rows are laid out once, when every item is on its toolbar.
  DockTop->LockArrange();
  loopHost_ = std::make_unique<TMainLoopHost>([this](const QString &hint) { SetApplicationHint(hint); });

  int row = 0;
  auto makeBar = [&](const char *name, const char *caption, bool newRow) {
    auto *bar = new TThmToolbar(this);
    bar->setObjectName(QString::fromLatin1(name));
    bar->SetCaption(QString::fromLatin1(caption));
    bar->DockMode = dmCannotFloat;
    bar->View()->BeginUpdate();
    bar->Items()->SetSubMenuImages(actions_->images());
    bar->SetLoopHost(loopHost_.get());
    if (newRow) ++row;
    bar->SetDockRow(row);
    bar->SetCurrentDock(DockTop);
    return bar;
  };
  Toolbar_Menu = makeBar("Toolbar_Menu", "Menu", false);
  Toolbar_Menu->SetMenuBar(true);
  Toolbar_Menu->SetProcessShortCuts(true);
  actions_->buildMenus(Toolbar_Menu->Items());
  Toolbar_Standard = makeBar("Toolbar_Standard", "Standard", true);
  actions_->buildStandardToolbar(Toolbar_Standard->Items());
  Toolbar_Navigation = makeBar("Toolbar_Navigation", "Navigation", false);
  actions_->buildNavigationToolbar(Toolbar_Navigation->Items());
  Toolbar_formatting = makeBar("Toolbar_formatting", "Formatting", true);
  actions_->buildFormattingToolbar(Toolbar_formatting->Items());
  Toolbar_Actions = makeBar("Toolbar_Actions", "Actions", false);
  // The action text: typed text counts also when the user clicks elsewhere.
  e_Action = new TThmEditItem;
  e_Action->SetName(QStringLiteral("e_Action"));
  e_Action->SetCaption(QStringLiteral("Action Text"));
  // The box's own label: shown beside it in menus only, and its name to screen readers.
  e_Action->SetEditCaption(QStringLiteral("Action Text"));
  e_Action->SetHint(QStringLiteral("Action Text"));
  e_Action->SetEditWidth(150);
  e_Action->SetExtendedAccept(true);
  e_Action->FontSettings().SetBold(TTriState::tsTrue);
  e_Action->FontSettings().SetColor(clNavy);
  Toolbar_Actions->Items()->Add(e_Action);
  actions_->buildActionsToolbar(Toolbar_Actions->Items());
  buildFormattingControls();

  // Every command's shortcut works wherever the focus is in the window: the
  // menu entries' own commands as well, now that no Qt menu holds them.
  addActions(actions_->commands());

  buildToolbarsMenu();
  for (TTbrDock *dock : {DockTop, DockBottom, DockLeft, DockRight}) dock->SetPopupMenu(pm_Toolbars.get());
}

void Tf_Main::finishToolbars() {
  // Shown as a form loads its toolbars: a narrow window hides the buttons
  // from the end, not the ones the command groups added last.
  for (TTbrCustomToolbar *bar : BarsOf(this)) {
    bar->View()->RecreateAllViewers();
    bar->View()->EndUpdate();
    bar->ArrangeSelf();
  }
  DockTop->UnlockArrange();
}

QList<TTbrCustomToolbar *> Tf_Main::OptionalToolbars() const {
  return {Toolbar_Standard, Toolbar_Navigation, Toolbar_formatting, Toolbar_Actions};
}

void Tf_Main::buildToolbarsMenu() {
  pm_Toolbars = std::make_unique<TThmPopupMenu>();
  pm_Toolbars->SetLoopHost(loopHost_.get());
  TTbrCustomItem *root = pm_Toolbars->Items();
  root->SetName(QStringLiteral("pm_Toolbars"));
  QList<TTbrCustomItem *> shown;
  for (TTbrCustomToolbar *bar : OptionalToolbars()) {
    auto *item = new TThmItem;
    item->SetName(QStringLiteral("pm_") + bar->objectName());
    item->SetCaption(bar->Caption());
    item->SetHint(QStringLiteral("Shows or hides the ") + bar->Caption() + QStringLiteral(" toolbar"));
    item->SetOnClick([bar](TTbrCustomItem *) { bar->setVisible(bar->isHidden()); });
    root->Add(item);
    shown << item;
  }
  root->Add(NewSeparator());
  auto *lock = new TThmItem;
  lock->SetName(QStringLiteral("pm_LockToolbars"));
  lock->SetCaption(QStringLiteral("&Lock the Toolbars"));
  lock->SetHint(QStringLiteral("Keeps the toolbars where they are"));
  lock->SetOnClick([this](TTbrCustomItem *) {
    const bool locked = DockTop->AllowDrag();
    if (AppOptions) AppOptions->LockToolbars = locked;
    SetDocksAllowDrag(!locked);
  });
  root->Add(lock);
  // The checks show how things stand when the menu opens.
  pm_Toolbars->OnPopup = [this, shown, lock](TTbrPopupMenu *) {
    const QList<TTbrCustomToolbar *> bars = OptionalToolbars();
    for (int i = 0; i < bars.size(); ++i) shown[i]->SetChecked(!bars[i]->isHidden());
    lock->SetChecked(!DockTop->AllowDrag());
  };
}

void Tf_Main::SetApplicationHint(const QString &hint) {
  if (!StatusBar) return;
  if (hint.isEmpty())
    StatusBar->clearMessage();
  else
    StatusBar->showMessage(hint);
}

void Tf_Main::buildForm() {
  setObjectName(QStringLiteral("f_Main"));
  resize(788, 657);

  actions_ = std::make_unique<MainActions>(this);
  buildToolbars();

  // List pane: the filter box above the title list.
  ListPanel = new QWidget;
  ListPanel->setObjectName(QStringLiteral("ListPanel"));
  auto *listLayout = new QVBoxLayout(ListPanel);
  listLayout->setContentsMargins(0, 0, 0, 0);
  listLayout->setSpacing(2);
  pn_filterbox = new QWidget(ListPanel);
  pn_filterbox->setObjectName(QStringLiteral("pn_filterbox"));
  auto *filterLayout = new QHBoxLayout(pn_filterbox);
  filterLayout->setContentsMargins(0, 0, 0, 0);
  filterLayout->setSpacing(0);
  pn_Filter = new QWidget(pn_filterbox);
  pn_Filter->setObjectName(QStringLiteral("pn_Filter"));
  pn_Filter->setFixedWidth(25);
  auto *spacerLayout = new QHBoxLayout(pn_Filter);
  spacerLayout->setContentsMargins(0, 0, 0, 0);
  b_Filter = new QToolButton(pn_Filter);
  b_Filter->setObjectName(QStringLiteral("b_Filter"));
  b_Filter->setText(QStringLiteral("\u2715"));
  b_Filter->setToolTip(QStringLiteral("Clear Filter"));
  b_Filter->setEnabled(false);
  spacerLayout->addWidget(b_Filter);
  e_record = new QLineEdit(pn_filterbox);
  e_record->setObjectName(QStringLiteral("e_record"));
  // Bold yellow on maroon until the options give the filter edit a look of their own.
  {
    QFont font(QStringLiteral("Tahoma"));
    font.setBold(true);
    e_record->setFont(font);
    QPalette pal = e_record->palette();
    pal.setColor(QPalette::Base, QColor(0x80, 0x00, 0x00));
    pal.setColor(QPalette::Text, QColor(0xFF, 0xFF, 0x00));
    e_record->setPalette(pal);
  }
  e_record->setPlaceholderText(QString());
  e_record->setClearButtonEnabled(false);
  filterLayout->addWidget(pn_Filter);
  filterLayout->addWidget(e_record, 1);
  lw_List = new TitleListView(ListPanel);
  lw_List->setObjectName(QStringLiteral("lw_List"));
  lw_List->setSelectionMode(QAbstractItemView::ExtendedSelection);
  lw_List->setUniformItemSizes(true);  // no per-item measuring with many thousands of titles
  lw_List->setEditTriggers(QAbstractItemView::EditKeyPressed);
  listLayout->addWidget(pn_filterbox);
  listLayout->addWidget(lw_List, 1);

  // Card pane: the header above the editor; without a card the caption shows through.
  pn_Card = new QFrame;
  pn_Card->setObjectName(QStringLiteral("pn_Card"));
  pn_Card->setFrameShape(QFrame::StyledPanel);
  auto *cardLayout = new QVBoxLayout(pn_Card);
  cardLayout->setContentsMargins(0, 0, 0, 0);
  cardLayout->setSpacing(0);
  pn_Header = new TElidedHeader(pn_Card);
  pn_Header->setObjectName(QStringLiteral("pn_Header"));
  pn_Header->setTextFormat(Qt::PlainText);
  pn_Header->setMargin(3);
  pn_Header->setAutoFillBackground(true);
  pn_CardCaption = new QLabel(QStringLiteral("No card selected"), pn_Card);
  pn_CardCaption->setObjectName(QStringLiteral("pn_CardCaption"));
  pn_CardCaption->setAlignment(Qt::AlignCenter);
  m_Card = new TReRichEdit(pn_Card);
  m_Card->setObjectName(QStringLiteral("m_Card"));
  // A hit of Find or Replace is shown while their dialog has the focus, and a
  // coloured selection keeps its highlight when the focus goes elsewhere.
  m_Card->SetHideSelection(false);
  m_RTFbuffer = new TReRichEdit(pn_Card);
  m_RTFbuffer->setObjectName(QStringLiteral("m_RTFbuffer"));
  m_RTFbuffer->hide();
  cardLayout->addWidget(pn_Header);
  cardLayout->addWidget(m_Card, 1);
  cardLayout->addWidget(pn_CardCaption, 1);
  pn_CardCaption->hide();

  Splitter = new QSplitter(Qt::Horizontal);
  Splitter->setObjectName(QStringLiteral("Splitter"));
  Splitter->addWidget(ListPanel);
  Splitter->addWidget(pn_Card);
  Splitter->setStretchFactor(1, 1);
  Splitter->setSizes({240, 548});
  Splitter->setChildrenCollapsible(false);
  DockFrame->SetCentralWidget(Splitter);

  StatusBar = statusBar();
  StatusBar->setObjectName(QStringLiteral("StatusBar"));
  const int widths[4] = {100, 120, 120, 80};
  for (int i = 0; i < 4; ++i) {
    StatusPanels[i] = new QLabel;
    StatusPanels[i]->setObjectName(QStringLiteral("StatusPanel%1").arg(i));
    StatusPanels[i]->setMinimumWidth(widths[i]);
    StatusBar->addWidget(StatusPanels[i], i == 3 ? 1 : 0);
  }

  Timer = new QTimer(this);
  Timer->setObjectName(QStringLiteral("Timer"));
  Timer->setInterval(60000);

  e_record->setFocus();
}

} // namespace qel
