// The main window's file commands: they wire the menu items and toolbar
// buttons to the card-file commands of filecommands.cpp.

#include "app/filecommands.h"
#include "app/pending.h"
#include "app/tf_main.h"

#include <QAction>
#include <QTimer>

namespace qel {

namespace {

class MainWindowFileHost : public FileCommandHost {
public:
  explicit MainWindowFileHost(Tf_Main &w) : w_(w) {}

  QString windowCaption() const override { return w_.windowCaption(); }
  void setWindowCaption(const QString &caption) override { w_.setWindowCaption(caption); }
  void setTrayHint(const QString &hint) override { w_.setTrayHint(hint); }
  void restoreAndBringForward() override { w_.restoreAndBringForward(); }

  RunningInstance *runningInstance() const override { return w_.instance(); }
  // The start-up sequence runs before the window is first shown.
  bool startingUp() const override { return !w_.isVisible(); }
  void requestTerminate() override { w_.requestTerminate(); }
  void refilterCards() override { w_.RefilterCards(); }
  void showEditorIfAny() override { w_.ShowEditorIfAny(); }
  void storeCurrentCard() override { pending::StoreCurrentCard(w_); }
  void clearFilter() override { w_.ClearFilter(); }
  void setDefaultTextAttributes() override { pending::SetDefaultTextAttributes(w_); }
  void enableNavigation(bool enable) override {
    for (const char *name : {"ac_First", "ac_Previous", "ac_Next", "ac_Last"})
      if (QAction *a = w_.actions()[QString::fromLatin1(name)]) a->setEnabled(enable);
  }
  void refreshEditCommands() override { w_.UpdateEditMenu(); }
  void restartAutosaveTimer() override {
    if (w_.Timer && w_.Timer->isActive()) {
      w_.Timer->stop();
      w_.Timer->start();
    }
  }
  QWidget *dialogParent() const override { return &w_; }
  bool editorPlainText() const override { return w_.m_Card && w_.m_Card->PlainText(); }
  void convertAllToPlainText() override { w_.ConvertAllToPlainText(); }

private:
  Tf_Main &w_;
};

} // namespace

FileCommandHost &MainFileHost(Tf_Main &window) {
  // One host per window; the program has one main window at a time.
  static Tf_Main *owner = nullptr;
  static std::unique_ptr<MainWindowFileHost> host;
  if (owner != &window || !host) {
    host = std::make_unique<MainWindowFileHost>(window);
    owner = &window;
  }
  return *host;
}

void Tf_Main::wireFileCommands() {
  MainActions &a = *actions_;
  a.wire(QStringLiteral("a_FileNew"), this, [this] { a_FileNewExecute(); });
  a.wire(QStringLiteral("a_FileOpen"), this, [this] { a_FileOpenExecute(); });
  a.wire(QStringLiteral("a_FileSave"), this, [this] { a_FileSaveExecute(); });
  a.wire(QStringLiteral("a_FileProperties"), this, [this] { a_FilePropertiesExecute(); });
  a.wire(QStringLiteral("SaveAs1"), this, [this] { SaveAs1Click(); });
  a.wire(QStringLiteral("Merge1"), this, [this] { Merge1Click(); });
  a.wire(QStringLiteral("Protect1"), this, [this] { Protect1Click(); });
  a.wire(QStringLiteral("ExportV1"), this, [this] { Version16Click(); });
  a.wire(QStringLiteral("ExportV2"), this, [this] { Version2Click(); });
}

bool Tf_Main::AskSaveChanges() { return qel::AskSaveChanges(MainFileHost(*this)); }
void Tf_Main::a_FileSaveExecute() { FileSave(MainFileHost(*this)); }
void Tf_Main::a_FileNewExecute() { FileNew(MainFileHost(*this)); }
bool Tf_Main::OpenCardsFile(const QString &path, int mode) { return qel::OpenCardsFile(MainFileHost(*this), path, mode); }
void Tf_Main::OpenSamplefile1Click() { OpenSampleFile(MainFileHost(*this)); }
void Tf_Main::a_FileOpenExecute() { FileOpen(MainFileHost(*this)); }
void Tf_Main::SaveAs1Click() { FileSaveAs(MainFileHost(*this)); }
void Tf_Main::Merge1Click() { FileMerge(MainFileHost(*this)); }
void Tf_Main::Protect1Click() { FileProtect(MainFileHost(*this)); }
void Tf_Main::Version16Click() { ExportVersion1File(MainFileHost(*this)); }
void Tf_Main::Version2Click() { ExportVersion2File(MainFileHost(*this)); }
void Tf_Main::a_FilePropertiesExecute() { FileProperties(MainFileHost(*this)); }

} // namespace qel
