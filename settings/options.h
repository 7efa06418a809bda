#pragma once
// The settings object: every user setting of the card-index program with its
// default, loaded from and saved to "Software\Qel Moravine\Options" under
// HKEY_CURRENT_USER. Fields are public; other parts read them directly.

#include "settings/fontvalue.h"

#include <QString>

#include <optional>
#include <variant>

namespace qel {

inline const QString kOptionsKey = QStringLiteral("Software\\Qel Moravine\\Options");

// The ranges of the numbers a user can set. The autosave period ends where
// minutes in milliseconds still fit a timer's interval.
struct TOptionRange {
  int min, max;
  int clamp(int v) const { return v < min ? min : v > max ? max : v; }
};
inline constexpr TOptionRange kAutosavePeriodRange{1, 35791};
inline constexpr TOptionRange kMRUEntriesRange{0, 99};
inline constexpr TOptionRange kSpeedDialLengthRange{1, 99};
inline constexpr TOptionRange kActionBarWidthRange{20, 2000};

// A control's value as the settings see it: a check box's check, a combo
// box's index or a spin edit's value, an edit's or a combo box's text, a
// font; a sample control holds a colour (int) and a font.
using TOptionValue = std::variant<bool, int, QString, TFont>;

// The options dialog's controls, found by name (the dialog implements it).
class TOptionsControls {
public:
  virtual ~TOptionsControls() = default;
  virtual void SetControlValue(const QString &control, const TOptionValue &value) = 0;
  // Empty when there is no such control or it holds no value of that kind.
  virtual std::optional<TOptionValue> ControlValue(const QString &control, const TOptionValue &kind) const = 0;
};

class tOptions {
public:
  tOptions();  // every default
  virtual ~tOptions() = default;

  // Whether the Options key existed. A missing or mistyped value keeps the
  // field as it is.
  bool LoadFromRegistry();
  // Writes every value; throws ERegistryException when the store cannot be written.
  void SaveToRegistry() const;

  bool operator==(const tOptions &) const = default;

  // Every field into its control of the options dialog, and back.
  void ToOptionsDialog(TOptionsControls &dialog) const;
  void FromOptionsDialog(const TOptionsControls &dialog);

  // Brings the numbers into their ranges (values from the registry may be anything).
  void ClampToRanges();

  TColor ListColor;
  TFont ListFont;
  TColor CardColor;
  TFont CardFont;
  TColor InputBoxColor;
  TFont InputBoxFont;
  bool Header;
  TColor HeaderColor;
  TFont HeaderFont;
  bool SysTray;
  bool OpenLast;
  QString DateTimeFormat;
  bool StartMinimized;
  bool MaximizeWWW;
  bool MaximizeEmail;
  bool MaximizeApp;
  bool Autosave;
  int AutosavePeriod;
  QString SpeedDialPrefix;
  int SpeedDialLength;
  bool AltEmail;
  QString AltEmailClient;
  bool AltDial;
  bool AltWWW;
  QString AltWWWClient;
  QString BeforeEmail;
  bool Backup;
  bool SavePhoneNr;
  bool StayOnTop;
  bool MinimizeOnClosing;
  int MarginUnits;
  int PrintObject;
  bool PageBreaks;
  QString DialPrefix;
  bool MRU;
  int MRUEntries;
  bool ShowClearButton;
  bool SortList;
  int ListHandlePosition;
  bool RightToLeft;
  QString HeaderText;
  QString FooterText;
  int AlHeader;
  int AlFooter;
  TFont HeaderFooterFont;
  TFont TitlesFont;
  bool HeaderLine;
  bool FooterLine;
  bool DetectPhNrFromTitle;
  QString AutosaveLocation;
  bool FilterWholeWords;
  TFont MenuFont;
  TFont ActionFont;
  int ActionBarWidth;
  bool FixedActionBar;
  bool ExclusiveOpen;
  bool ListGridlines;
  bool ListColumns;
  bool FilterFromStart;
  bool FlatScrollBars;
  bool DialLetters;
  // The program that dials, and its arguments: "%n" stands for the number and
  // "%t" for the card's title. Empty: no own dialling.
  QString DialCommand;
  bool LockToolbars;
};

// The program's one settings object, created and loaded by the main window.
extern tOptions *AppOptions;

} // namespace qel
