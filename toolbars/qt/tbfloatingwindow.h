#pragma once
// The small tool window a floating dockable window lives in: a frameless
// top-level window of the parent form (X11 lets the program place it) that
// draws its own frame, small caption and close button. A press on the
// caption drags the window (back into a dock, or elsewhere), a double
// click docks it again, the frame's bands and corners size it, the close
// button hides it. It is shown only while the visibility rule says so
// (its form shown and not minimised, the application active), stays above
// its form or above all windows, and hands activation to its form.

#include "toolbars/core/tbfloating.h"

#include <QPointer>
#include <QWidget>

namespace qel::toolbars {

class TTbrCustomDockableWindow;

// The pointer over a part of the frame: the sizing arrows over its bands
// and corners, the arrow elsewhere.
Qt::CursorShape SizingCursor(TTbrFrameHit hit);
inline bool IsSizingHit(TTbrFrameHit hit) { return hit >= FrameHitLeft && hit <= FrameHitBottomRight; }

class TTbrFloatingWindowParent : public QWidget {
public:
  // A tool window of `parentForm` (which keeps it above itself).
  explicit TTbrFloatingWindowParent(QWidget *parentForm);
  ~TTbrFloatingWindowParent() override;

  QWidget *ParentForm() const { return FParentForm; }
  // The dockable window inside, or none.
  TTbrCustomDockableWindow *DockableWindow() const;

  // Moves the frame's top left to `pos` (screen), as a move of the user's:
  // a themed frame snaps to the work area's edges first.
  void MoveTo(const QPoint &pos);
  // Shows or hides the frame by the dockable window's visibility rule.
  void ApplyVisibilityRule();
  // Stays above all windows (fmOnTopOfAllForms) or just above its form.
  void SetOnTopOfAll(bool onTop);
  bool CloseHover() const { return FCloseHover; }
  bool ClosePressed() const { return FClosePressed; }

  // The frame's parts at `point` (frame coordinates).
  TTbrFrameHit HitTest(const QPoint &point) const;

protected:
  // Where a move to `proposed` (same size) puts the frame; as asked here.
  virtual QPoint SnapMove(const QRect &proposed) { return proposed.topLeft(); }
  // Draws the frame around the dockable window.
  virtual void PaintFrame(QPainter &painter);
  virtual void CloseHoverChanged() { update(); }

  void paintEvent(QPaintEvent *event) override;
  void mousePressEvent(QMouseEvent *event) override;
  void mouseDoubleClickEvent(QMouseEvent *event) override;
  void mouseMoveEvent(QMouseEvent *event) override;
  void mouseReleaseEvent(QMouseEvent *event) override;
  void leaveEvent(QEvent *event) override;
  void keyPressEvent(QKeyEvent *event) override;
  void closeEvent(QCloseEvent *event) override;
  void moveEvent(QMoveEvent *event) override;
  bool event(QEvent *event) override;
  bool eventFilter(QObject *watched, QEvent *event) override;

private:
  void SetCloseHover(bool hover);
  void ActivateParentForm();
  QPointer<QWidget> FParentForm;
  bool FOnTopOfAll = false;
  bool FCloseHover = false;
  bool FClosePressed = false;
};

} // namespace qel::toolbars
