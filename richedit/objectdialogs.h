#pragma once
// The editor's own Paste Special and Object Properties dialogs. Objects are
// data here (no object server runs them), so both dialogs offer only what
// can be done with data: pasting a clipboard format, and reading what an
// embedded object is.

#include <QDialog>
#include <QStringList>

class QListWidget;
class QLabel;

namespace qel {

// "Paste Special": the formats the clipboard offers, by name; the result
// text of the chosen one says what the paste gives.
class TPasteSpecialDlg : public QDialog {
  Q_OBJECT
public:
  // `names` and `results` pair up, in the order offered.
  TPasteSpecialDlg(QWidget *parent, const QStringList &names, const QStringList &results);
  // The chosen entry, -1 when none.
  int SelectedIndex() const;

private:
  void showResult();
  QListWidget *lb_PasteAs_ = nullptr;
  QLabel *lbl_Result_ = nullptr;
  QStringList results_;
};

// What the Object Properties dialog shows of one object.
struct ObjectInfo {
  QString typeName;    // the object's class, "Object" when it names none
  QString location;    // "<card title> - <application title>", or the application title
  bool isLink = false;
  QString linkSource;  // shown for a link; empty when the body does not name it
};

// "<type> Properties": read-only; for a link its source, with update, open
// source and change source disabled, and break link answered with a message.
class TObjectPropertiesDlg : public QDialog {
  Q_OBJECT
public:
  TObjectPropertiesDlg(QWidget *parent, const ObjectInfo &info);
};

} // namespace qel
