#pragma once
// The modeless progress window of a print or preview run. It has no buttons:
// a run cannot be cancelled from it.

#include <QDialog>

class QLabel;

namespace qel {

class TRichPrntProgDlg : public QDialog {
  Q_OBJECT
public:
  explicit TRichPrntProgDlg(QWidget *parent = nullptr);

  QLabel *lblStatus;
  QLabel *lblTitle;
  QLabel *lblPageNumDesc;
  QLabel *lblPageNumber;
};

} // namespace qel
