#pragma once
// "Dial": the modeless window of the program's own dialling. It shows whom
// and which number the dial command calls while the call lasts; "Hang Up" or
// closing the window in any way ends the call.

#include <QDialog>

class QLabel;
class QPushButton;

namespace qel {

class TDialLine;

class Tdlg_Dial : public QDialog {
  Q_OBJECT
public:
  explicit Tdlg_Dial(QWidget *parent = nullptr);
  ~Tdlg_Dial() override;

  // Dials `number` for the card titled `title` with the dial command
  // `command` ("%n" the number, "%t" the title) and shows the window.
  void Dial(const QString &command, const QString &title, const QString &number);
  void HangUp();
  TDialLine &Line() { return *line_; }

  QLabel *lbl_ID = nullptr;
  QLabel *lbl_PhoneNr = nullptr;
  QLabel *lbl_State = nullptr;  // why there is no call, or how it ended
  QPushButton *OKBtn = nullptr;

protected:
  void closeEvent(QCloseEvent *e) override;
  void done(int result) override;

private:
  void setState(const QString &text);
  // Grows the window to what its texts need.
  void fitToTexts();
  TDialLine *line_ = nullptr;
};

} // namespace qel
