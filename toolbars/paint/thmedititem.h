#pragma once
// The themed edit box item: a TTbrEditItem painted through the active
// theme's edit box, with its own font settings, text alignment, password
// character, read-only editing, an optional picture at the left of the box
// and a change event that follows every keystroke while the user edits.
// Its viewer measures and places the box by the theme's metrics; drop-down
// and combo box items build on both (buttons at the right of the box, keys
// of their own in the editor).

#include "toolbars/core/tbedititem.h"
#include "toolbars/paint/thmitems.h"

#include <QChar>
#include <QFont>
#include <QPointer>

#include <functional>

namespace qel::toolbars {

class TThmEditItem;
class TThmEditItemViewer;

enum class TAlignment { taLeftJustify, taRightJustify, taCenter };

// What a themed edit item sets up on its in-place editor and what its
// viewer may do with it while the user edits. The themed line editor
// (toolbars/qt/thmedit.h) implements it; the items know no widgets.
class TThmEditControl {
public:
  virtual ~TThmEditControl() = default;
  virtual void SetEditAlignment(TAlignment value) = 0;
  // #0: the text is shown as typed.
  virtual void SetPasswordChar(QChar value) = 0;
  virtual void SetEditReadOnly(bool value) = 0;
  virtual QFont EditFont() const = 0;
  // The font and text colour (ThmNoColor: the desktop's) the editor shows.
  virtual void SetEditFont(const QFont &font, TColor color) = 0;
  virtual QString EditText() const = 0;
  virtual void SetEditText(const QString &text) = 0;
  virtual void SelectAllText() = 0;
  // Selects `length` characters from `start`.
  virtual void SetEditSelection(int start, int length) = 0;
};

// Sender, and the text as it stands.
using TThmEditChange = std::function<void(TThmEditItem *sender, const QString &text)>;

class TThmEditItem : public TTbrEditItem {
public:
  TThmEditItem();

  // Applied to the box's text and to the editor; a change resizes.
  TFontSettings &FontSettings() { return FFontSettings; }
  const TFontSettings &FontSettings() const { return FFontSettings; }
  void SetFontSettings(const TFontSettings &value) { FFontSettings.Assign(value); }
  TAlignment Alignment() const { return FAlignment; }
  void SetAlignment(TAlignment value);
  QChar PasswordChar() const { return FPasswordChar; }
  void SetPasswordChar(QChar value);
  bool ReadOnly() const { return FReadOnly; }
  void SetReadOnly(bool value) { FReadOnly = value; }
  // A picture of the item's image list at the left of the box.
  bool ShowImage() const { return FShowImage; }
  void SetShowImage(bool value);
  // Every change of the editor's text while the user edits.
  const TThmEditChange &OnChange() const { return FOnChange; }
  void SetOnChange(TThmEditChange handler) { FOnChange = std::move(handler); }

  // The themed box, except in a vertical view without
  // tboUseEditWhenVertical, where the item shows as a themed button.
  TTbrViewerFactory ViewerClass(TTbrView *view) const override;
  bool NeedsViewerRecreate(TTbrItemViewer *viewer) const override;
  int PopupWindowClass() const override { return pwcThemed; }
  // The themed placement; a list popup makes no popup sound.
  bool PlacePopup(TTbrPopupPlacement &data, const TTbrPopupParentView &parent) override;
  // Sets the editor up (alignment, password character, all text selected,
  // read-only, the font settings) before OnBeginEdit.
  void FireBeginEdit(TTbrEditItemViewer *viewer, QObject *editControl) override;
  void EditTextChanged(TTbrEditItemViewer *viewer, const QString &text) override;
  // An edit that kept nothing (Esc, the text refused, left without accepting
  // on leave) puts back the text it began with when OnChange handlers
  // stored the typed text meanwhile, and tells OnChange so.
  void EditEnded(TTbrEditItemViewer *viewer, const TTbrEditSession &session) override;
  bool EditKeyPressed(TTbrEditItemViewer *viewer, int key, Qt::KeyboardModifiers modifiers) override;

  // The text changed: `control` is the editor it was typed in, or null for
  // a change made by the program. Fires OnChange.
  virtual void DoChange(TThmEditControl *control, const QString &text);
  // The picture shown with ShowImage.
  virtual int GetImageIndex() const { return ImageIndex(); }

protected:
  // Whether `view` shows the box (else a button).
  bool ShowsEditBox(const TTbrView *view) const;

private:
  TFontSettings FFontSettings;
  TThmEditChange FOnChange;
  TAlignment FAlignment = TAlignment::taLeftJustify;
  QChar FPasswordChar;
  bool FReadOnly = false;
  bool FShowImage = false;
};

class TThmEditItemViewer : public TTbrEditItemViewer {
public:
  TThmEditItemViewer(TTbrView *view, TTbrCustomItem *item, int groupLevel)
      : TTbrEditItemViewer(view, item, groupLevel) {}

  TThmEditItem *ThemedItem() const { return static_cast<TThmEditItem *>(Item); }

  void MeasureSize(const TTbrTextMeasure &measure, bool bold, int &width, int &height) override;
  bool IsToolbarSize() const override;
  bool IsToolbarStyle() const override;
  // 46 (combo box) for an item with a drop-down part, else editable text.
  int AccessibleRole() const override;
  TTbrEditControlClass EditControlClass() const override { return TTbrEditControlClass::tbecThemedEdit; }
  QRect EditBoxRect() const override;
  bool Paint(TCanvas &canvas, const QRect &clientAreaRect, bool isHoverItem, bool isPushed,
             bool useDisabledShadow) override;

  // A key pressed in the editor comes here first: true takes it.
  virtual bool HandleEditMessage(int key, Qt::KeyboardModifiers modifiers);
  // The editor's text changed: the item's DoChange.
  virtual void EditChanged(const QString &text);
  // The item's state for painting.
  virtual ItemPaintInfo GetItemInfo(bool isHoverItem, bool isPushed) const;
  // The buttons of the box (none here).
  virtual EditBoxInfo GetEditInfo() const;
  // Room for the picture at the left of the box.
  virtual int LeftButtonWidth() const;
  // Room for a button at the right of the box.
  virtual int RightButtonWidth() const { return 0; }
  virtual bool ShowImage() const { return ThemedItem()->ShowImage(); }

  // The editor of the edit running now; null between edits.
  TThmEditControl *EditControl() const { return Session() && FEditObject ? FEditControl : nullptr; }
  // Where the item's label (EditCaption) ends and the box begins in menus:
  // the label's text width + metric 34, or 0 without a label or in toolbar style.
  int ThemedCaptionWidth() const;
  // The image column of menus in the view's font.
  int ImageColumn() const;

private:
  friend class TThmEditItem;
  void SetEditControl(QObject *object, TThmEditControl *control);

  QPointer<QObject> FEditObject;
  TThmEditControl *FEditControl = nullptr;
};

} // namespace qel::toolbars
