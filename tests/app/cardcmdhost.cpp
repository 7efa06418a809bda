// A second running program for the card clipboard tests.
//   qel_cardcmd_host copy <folder>
// makes a card file of three cards in <folder>, selects "alpha" and "charlie"
// in its list, copies them through the card clipboard file and prints "copied".
#include "app/mainstate.h"
#include "app/tf_main.h"
#include "cards/bodyfile.h"
#include "cards/crd.h"
#include "platform/uiservices.h"

#include <QApplication>
#include <QDialog>
#include <QItemSelectionModel>
#include <QListView>

#include <cstdio>

namespace {

class NoUi : public qel::UiServices {
public:
  int messageBox(const QString &text, const QString &, unsigned) override {
    std::fprintf(stderr, "unexpected message: %s\n", text.toUtf8().constData());
    return qel::IDCANCEL;
  }
  bool inputQuery(const QString &, const QString &, QString &) override { return false; }
  bool openFileName(const qel::FileDialogOptions &, QString &, bool *) override { return false; }
  bool saveFileName(const qel::FileDialogOptions &, QString &) override { return false; }
  bool chooseColor(const QString &, QColor &) override { return false; }
  bool chooseFont(const QString &, QFont &, QColor &) override { return false; }
  bool chooseFolder(const QString &, QString &) override { return false; }
  int execDialog(QDialog &) override { return QDialog::Rejected; }
  bool openUrl(const QString &) override { return false; }
  bool startProgram(const QString &, const QStringList &) override { return false; }
};

} // namespace

int main(int argc, char **argv) {
  QApplication app(argc, argv);
  const QStringList args = app.arguments();
  if (args.size() < 3 || args.at(1) != QLatin1String("copy")) return 2;
  NoUi noUi;
  qel::setUiServices(&noUi);
  qel::ResetMainState();
  qel::CurrentFileName = args.at(2) + QStringLiteral("/host.qel");
  qel::ResetBodyFile();
  int result = 1;
  {
    qel::Tf_Main window;
    struct Spec {
      const char *title;
      QByteArray body;
      qint32 color;
      const char *phone;
    } specs[] = {
        {"alpha", "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\r\n\\f0 plain {\\b bold}\\par\r\n}\r\n", 0x0000FF, "555 0101"},
        {"bravo", "bravo body\r\n", qel::kNoColor, ""},
        {"charlie", "<TITLE>not a title\r\ncharlie body\r\n", qel::kNoColor, "+1 212"},
    };
    double created = 45000;
    for (const Spec &s : specs) {
      auto card = std::make_shared<qel::TCrd>(created += 1, QStringLiteral("host-uid"));
      card->Title = QString::fromLatin1(s.title);
      card->Color = s.color;
      card->Phone = QString::fromLatin1(s.phone);
      card->LastOpen = 45100;
      card->StoreBodyBytes(s.body);
      qel::AllCards.AddCrd(card);
    }
    window.RefilterCards();
    QItemSelectionModel *sm = window.lw_List->selectionModel();
    sm->clearSelection();
    for (int i = 0; i < qel::FilteredCards.Count(); ++i)
      if (qel::FilteredCards.Strings(i) != QLatin1String("bravo"))
        sm->select(window.lw_List->model()->index(i, 0), QItemSelectionModel::Select);
    window.lw_List->setFocus();
    window.EditCopyExecute();
    std::printf("copied\n");
    std::fflush(stdout);
    result = 0;
  }
  qel::DeleteBodyFile();
  return result;
}
