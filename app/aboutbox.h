#pragma once
// The About box: the program's name, version and a link to its home page.

#include <QDialog>

class QLabel;

namespace qel {

// The program's home page, opened by "Web site ..." and the About box's link.
inline const QString kHomePageUrl = QStringLiteral("https://qel-moravine.example.org/");
void OpenHomePage();

class TAboutBox : public QDialog {
  Q_OBJECT
public:
  explicit TAboutBox(QWidget *parent = nullptr);

  QLabel *ProgramIcon = nullptr;
  QLabel *ProductName = nullptr;
  QLabel *lbl_Version = nullptr;
  QLabel *lbl_HomePage = nullptr;

protected:
  void showEvent(QShowEvent *e) override;
};

} // namespace qel
