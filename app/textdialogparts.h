#pragma once
// Pieces the import and export dialogs share: a separator field where
// Ctrl+Tab types a TAB (Tab alone moves the focus), and the box that shows
// a sample of the text.

class QBoxLayout;
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

} // namespace qel
