#pragma once
// Pieces the import and export dialogs share: a separator field where
// Ctrl+Tab types a TAB (Tab alone moves the focus), the box that shows a
// sample of the text, and the picture panel at the left.

class QBoxLayout;
class QFrame;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QString;
class QWidget;

namespace qel {

// From now on Ctrl+Tab (and Ctrl+Shift+Tab) in `edit` inserts a TAB character.
void LetCtrlTabTypeATab(QLineEdit *edit);

// A titled, read-only, unwrapped sample box named "m_Sample", added to `layout`
// with all the room left over.
QPlainTextEdit *AddSampleBox(QWidget *parent, QBoxLayout *layout, const QString &title);

// The picture panel "pn_1" holding the picture "im_1", made in `dialog`
// outside its layout `layout`, which leaves the room for it at the left.
void AddPicturePanel(QWidget *dialog, QBoxLayout *layout, QFrame *&pn_1, QLabel *&im_1);
// Places the panel from `top`'s top to `bottom`'s bottom, 15 pixels from the
// dialog's left and 15 short of `top`'s left, with the picture in its middle.
void PlacePicturePanel(QFrame *pn_1, QLabel *im_1, const QWidget *top, const QWidget *bottom);

} // namespace qel
