// A window of themed docks, a menu bar, docked horizontal and vertical
// toolbars (one too long for its row, so it shows its chevron) and a context
// menu on the client area: what the themed item set looks like on this
// desktop, for looking at and driving by hand (xdotool under Xvfb). Edit
// boxes sit in the File menu and at the end of the long toolbar (so in its
// chevron's popup); a right click on a toolbar's frame shows the toolbar
// menu, floating too.
//   QEL_SHOWCASE_PALETTE=dark   a dark application palette
//   F12                         switches between the light and the dark palette
#include "toolbars/paint/pixelimagelist.h"
#include "toolbars/paint/thmedititem.h"
#include "toolbars/qt/thmqtwatcher.h"
#include "toolbars/qt/thmwindows.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QPainter>
#include <QShortcut>
#include <QVBoxLayout>

using namespace qel::toolbars;

namespace {

QPalette DarkPalette() {
  QPalette p;
  p.setColor(QPalette::Window, QColor(0x35, 0x37, 0x3B));
  p.setColor(QPalette::WindowText, QColor(0xE8, 0xE8, 0xE8));
  p.setColor(QPalette::Base, QColor(0x24, 0x26, 0x29));
  p.setColor(QPalette::Text, QColor(0xE8, 0xE8, 0xE8));
  p.setColor(QPalette::Button, QColor(0x3C, 0x3F, 0x44));
  p.setColor(QPalette::ButtonText, QColor(0xE8, 0xE8, 0xE8));
  p.setColor(QPalette::Highlight, QColor(0x2F, 0x6F, 0xB5));
  p.setColor(QPalette::HighlightedText, Qt::white);
  p.setColor(QPalette::Light, QColor(0x5A, 0x5E, 0x64));
  p.setColor(QPalette::Midlight, QColor(0x4A, 0x4D, 0x52));
  p.setColor(QPalette::Mid, QColor(0x2C, 0x2E, 0x31));
  p.setColor(QPalette::Dark, QColor(0x22, 0x23, 0x26));
  p.setColor(QPalette::Shadow, QColor(0x10, 0x10, 0x10));
  p.setColor(QPalette::Disabled, QPalette::WindowText, QColor(0x80, 0x80, 0x80));
  p.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(0x80, 0x80, 0x80));
  p.setColor(QPalette::Disabled, QPalette::Text, QColor(0x80, 0x80, 0x80));
  return p;
}

QImage Glyph(const QColor &color, const QString &letter) {
  QImage glyph(16, 16, QImage::Format_ARGB32);
  glyph.fill(Qt::transparent);
  QPainter p(&glyph);
  p.fillRect(1, 1, 14, 14, color);
  p.setPen(Qt::white);
  QFont font = p.font();
  font.setPixelSize(11);
  font.setBold(true);
  p.setFont(font);
  p.drawText(QRect(0, 0, 16, 16), Qt::AlignCenter, letter);
  return glyph;
}

template <typename T = TThmItem>
T *Add(TTbrCustomItem *parent, const QString &caption, int image = -1, TShortCut shortCut = 0) {
  auto *item = new T;
  item->SetCaption(caption);
  item->SetImageIndex(image);
  item->SetShortCut(shortCut);
  parent->Add(item);
  return item;
}

void Separator(TTbrCustomItem *parent) { parent->Add(new TThmSeparatorItem); }

class TClientArea : public QWidget {
public:
  TThmPopupMenu Menu;

protected:
  void paintEvent(QPaintEvent *) override {
    QPainter p(this);
    p.fillRect(rect(), palette().color(QPalette::Base));
    p.setPen(palette().color(QPalette::Text));
    p.drawText(rect(), Qt::AlignCenter, "Right-click for the context menu");
  }
  void contextMenuEvent(QContextMenuEvent *event) override { Menu.Popup(event->globalPos().x(), event->globalPos().y()); }
};

} // namespace

int main(int argc, char **argv) {
  QApplication app(argc, argv);
  if (qEnvironmentVariable("QEL_SHOWCASE_PALETTE") == "dark")
    QApplication::setPalette(DarkPalette());
  TQtThemeWatcher watcher;
  StartThemedItems();

  TTbrPixelImageList glyphs(16, 16);
  const QStringList letters = {"N", "O", "S", "X", "C", "P", "B", "I", "U", "A", "F"};
  const QList<QColor> colors = {QColor(0x2E, 0x7D, 0x32), QColor(0x15, 0x65, 0xC0), QColor(0x6A, 0x1B, 0x9A),
                                QColor(0xC6, 0x28, 0x28), QColor(0x00, 0x83, 0x8F), QColor(0xEF, 0x6C, 0x00)};
  for (int i = 0; i < letters.size(); ++i)
    glyphs.Add(Glyph(colors[i % colors.size()], letters[i]));

  QWidget form;
  form.setWindowTitle("Themed toolbars");
  form.resize(720, 480);
  auto *frame = new TTbrDockFrame(&form, &MakeThemedDock);
  auto *layout = new QVBoxLayout(&form);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(frame);
  auto *client = new TClientArea;
  frame->SetCentralWidget(client);

  // The menu bar.
  auto *menuBar = new TThmToolbar(frame);
  menuBar->setObjectName("MainMenu");
  menuBar->SetMenuBar(true);
  menuBar->Items()->SetSubMenuImages(&glyphs);
  auto *file = Add<TThmSubmenuItem>(menuBar->Items(), "&File");
  Add(file, "&New", 0, MakeShortCut(Qt::Key_N, Qt::ControlModifier));
  Add(file, "&Open...", 1, MakeShortCut(Qt::Key_O, Qt::ControlModifier));
  Add(file, "&Save", 2, MakeShortCut(Qt::Key_S, Qt::ControlModifier))->SetEnabled(false);
  Separator(file);
  auto *find = new TThmEditItem;
  find->SetEditCaption("Find:");
  find->SetText("cards");
  file->Add(find);
  Separator(file);
  auto *recent = Add<TThmSubmenuItem>(file, "&Recent files");
  Add(recent, "&1 cards.qel");
  Add(recent, "&2 recipes.qel");
  Separator(file);
  Add(file, "E&xit");
  auto *edit = Add<TThmSubmenuItem>(menuBar->Items(), "&Edit");
  Add(edit, "Cu&t", 3, MakeShortCut(Qt::Key_X, Qt::ControlModifier));
  Add(edit, "&Copy", 4, MakeShortCut(Qt::Key_C, Qt::ControlModifier));
  Add(edit, "&Paste", 5, MakeShortCut(Qt::Key_V, Qt::ControlModifier));
  Add(edit, "Paste &special...")->SetEnabled(false);
  Separator(edit);
  Add(edit, "&Word wrap")->SetChecked(true);
  Add(edit, "&Read only", 6)->SetChecked(true);
  auto *view = Add<TThmSubmenuItem>(menuBar->Items(), "&View");
  Add(view, "&Toolbar")->SetChecked(true);
  Add(view, "&Status bar");
  menuBar->SetCurrentDock(frame->DockTop());

  // A horizontal toolbar: glyph buttons, a split button, a drop-down and a
  // button with its own font.
  auto *standard = new TThmToolbar(frame);
  standard->setObjectName("Standard");
  standard->Items()->SetSubMenuImages(&glyphs);
  standard->SetDockRow(1);
  Add(standard->Items(), "New", 0);
  Add(standard->Items(), "Open", 1);
  Add(standard->Items(), "Save", 2)->SetEnabled(false);
  Separator(standard->Items());
  Add(standard->Items(), "Bold", 6)->SetChecked(true);
  Add(standard->Items(), "Italic", 7);
  auto *colour = Add<TThmSubmenuItem>(standard->Items(), "Colour", 9);
  colour->SetDropdownCombo(true);
  Add(colour, "Red");
  Add(colour, "Green");
  auto *size = Add<TThmSubmenuItem>(standard->Items(), "Size");
  size->SetOptions(tboDropdownArrow);
  Add(size, "Small");
  Add(size, "Large");
  auto *fontSize = Add(standard->Items(), "Font size");
  fontSize->FontSettings().SetBold(TTriState::tsFalse);
  fontSize->FontSettings().SetSize(90);
  fontSize->FontSettings().SetColor(0x000080);
  standard->SetCurrentDock(frame->DockTop());

  // A long toolbar beside it: too long for the row, so it shows its chevron.
  auto *cards = new TThmToolbar(frame);
  cards->setObjectName("Cards");
  cards->SetDockRow(1);
  cards->SetDockPos(400);
  for (const char *caption : {"Add", "Rename", "Delete", "Duplicate", "Lock", "Colour", "Sort", "Find", "Replace"})
    Add(cards->Items(), caption);
  auto *filter = new TThmEditItem;
  filter->SetText("filter");
  cards->Items()->Add(filter);
  cards->SetCurrentDock(frame->DockTop());

  // A vertical toolbar: turned captions.
  auto *format = new TThmToolbar(frame);
  format->setObjectName("Format");
  format->Items()->SetSubMenuImages(&glyphs);
  Add(format->Items(), "Align", 9);
  Add(format->Items(), "Indent");
  Separator(format->Items());
  Add(format->Items(), "Bullets")->SetChecked(true);
  Add(format->Items(), "Font", 10);
  format->SetCurrentDock(frame->DockLeft());

  // The toolbars' own menu, on a right click on a frame.
  TThmPopupMenu toolbarMenu;
  for (TThmToolbar *bar : {menuBar, standard, cards, format}) {
    Add(toolbarMenu.Items(), bar->objectName())->SetChecked(true);
    bar->SetPopupMenu(&toolbarMenu);
  }

  // The context menu of the client area.
  client->Menu.SetImages(&glyphs);
  Add(client->Menu.Items(), "Cu&t", 3);
  Add(client->Menu.Items(), "&Copy", 4);
  Add(client->Menu.Items(), "&Paste", 5)->SetEnabled(false);
  Separator(client->Menu.Items());
  Add(client->Menu.Items(), "&Select all")->SetChecked(true);

  const QPalette light = QApplication::palette();
  auto *switchPalette = new QShortcut(QKeySequence(Qt::Key_F12), &form);
  QObject::connect(switchPalette, &QShortcut::activated, [&] {
    static bool dark = qEnvironmentVariable("QEL_SHOWCASE_PALETTE") == "dark";
    dark = !dark;
    QApplication::setPalette(dark ? DarkPalette() : light);
  });
  form.show();
  frame->ArrangeDocks();
  const int result = app.exec();
  StopThemedItems();
  return result;
}
