#pragma once
// The settings object: every user setting of the card-index program with its
// default, loaded from and saved to "Software\Qel Moravine\Options" under
// HKEY_CURRENT_USER. Fields are public; other parts read them directly.

#include "settings/fontvalue.h"

#include <QString>

namespace qel {

inline const QString kOptionsKey = QStringLiteral("Software\\Qel Moravine\\Options");

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
  bool LockToolbars;
};

// The program's one settings object, created and loaded by the main window.
extern tOptions *AppOptions;

} // namespace qel
