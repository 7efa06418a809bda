// The main window's controls and their names.

#include "app/tf_main.h"
#include "richedit/rerichedit.h"

#include <QAction>
#include <QFontComboBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenuBar>
#include <QSplitter>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace qel {

void Tf_Main::buildForm() {
  setObjectName(QStringLiteral("f_Main"));
  resize(788, 657);

  actions_ = std::make_unique<MainActions>(this);
  addActions(actions_->all().values());

  // Menu bar and toolbars, built from the same action objects.
  menuBar()->setObjectName(QStringLiteral("Toolbar_Menu"));
  actions_->buildMenus(menuBar());
  for (const char *n : {"GoToIndex1"}) addAction(actions_->item(QString::fromLatin1(n)));

  Toolbar_Standard = addToolBar(QStringLiteral("Standard"));
  Toolbar_Standard->setObjectName(QStringLiteral("Toolbar_Standard"));
  actions_->buildStandardToolbar(Toolbar_Standard);
  // The toolbar items the other command groups refer to by name.
  if (QWidget *lock = Toolbar_Standard->widgetForAction(actions_->get(QStringLiteral("a_Lock"))))
    lock->setObjectName(QStringLiteral("b_Lock"));
  if (QWidget *open = Toolbar_Standard->widgetForAction(actions_->get(QStringLiteral("a_FileOpen"))))
    open->setObjectName(QStringLiteral("b_Open"));
  Toolbar_Navigation = addToolBar(QStringLiteral("Navigation"));
  Toolbar_Navigation->setObjectName(QStringLiteral("Toolbar_Navigation"));
  actions_->buildNavigationToolbar(Toolbar_Navigation);
  addToolBarBreak();
  Toolbar_formatting = addToolBar(QStringLiteral("Formatting"));
  Toolbar_formatting->setObjectName(QStringLiteral("Toolbar_formatting"));
  actions_->buildFormattingToolbar(Toolbar_formatting);
  buildFormattingControls();
  Toolbar_Actions = addToolBar(QStringLiteral("Actions"));
  Toolbar_Actions->setObjectName(QStringLiteral("Toolbar_Actions"));
  e_Action = new QLineEdit(Toolbar_Actions);
  e_Action->setObjectName(QStringLiteral("e_Action"));
  e_Action->setReadOnly(true);
  e_Action->setFixedWidth(160);
  Toolbar_Actions->addWidget(e_Action);
  actions_->buildActionsToolbar(Toolbar_Actions);

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
  lw_List = new QListView(ListPanel);
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
  pn_Header = new QLabel(pn_Card);
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
  setCentralWidget(Splitter);

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
