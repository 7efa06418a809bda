#include "settings/options.h"

#include "settings/registry2000.h"

#include <variant>

namespace qel {

tOptions *AppOptions = nullptr;

namespace {

using Member = std::variant<int tOptions::*, bool tOptions::*, QString tOptions::*, TFont tOptions::*>;

struct Field {
  const char *name;
  Member member;
  const char *control;  // the options dialog's control that shows the field
};

// Stored names, the order in which they are loaded and saved, and the controls.
const Field kFields[] = {
    {"ListHandlePosition", &tOptions::ListHandlePosition, "cb_ListPosition"},
    {"ListColor", &tOptions::ListColor, "l_sample_records"},
    {"List", &tOptions::ListFont, "l_sample_records"},
    {"CardColor", &tOptions::CardColor, "m_sample_card"},
    {"Card", &tOptions::CardFont, "m_sample_card"},
    {"InputBoxColor", &tOptions::InputBoxColor, "e_sample_record"},
    {"InputBox", &tOptions::InputBoxFont, "e_sample_record"},
    {"Header", &tOptions::Header, "chb_Header"},
    {"HeaderColor", &tOptions::HeaderColor, "pn_Sample_Header"},
    {"Header", &tOptions::HeaderFont, "pn_Sample_Header"},
    {"SysTray", &tOptions::SysTray, "chb_SystemTray"},
    {"OpenLast", &tOptions::OpenLast, "chb_OpenLast"},
    {"DateTime Format", &tOptions::DateTimeFormat, "cb_DTformat"},
    {"StartMinimized", &tOptions::StartMinimized, "chb_minimize"},
    {"Maximize WWW", &tOptions::MaximizeWWW, "chb_Maximize_WWW"},
    {"Maximize email", &tOptions::MaximizeEmail, "chb_Maximize_email"},
    {"Maximize App", &tOptions::MaximizeApp, "chb_Maximize_App"},
    {"Autosave", &tOptions::Autosave, "chb_AutoSave"},
    {"Autosave period", &tOptions::AutosavePeriod, "e_Autosave"},
    {"Speed Dial Prefix", &tOptions::SpeedDialPrefix, "e_Autodial"},
    {"Speed dial length", &tOptions::SpeedDialLength, "e_Autodial_min"},
    {"Alt email", &tOptions::AltEmail, "chb_Altemail"},
    {"Alt email client", &tOptions::AltEmailClient, "e_altemail"},
    {"Alt dial", &tOptions::AltDial, "chb_AltDial"},
    {"Alt WWW", &tOptions::AltWWW, "chb_AltWWW"},
    {"Alt WWW client", &tOptions::AltWWWClient, "e_AltWWW"},
    {"Before email", &tOptions::BeforeEmail, "e_mailto"},
    {"Backup", &tOptions::Backup, "chb_backup"},
    {"Save Phone Nr", &tOptions::SavePhoneNr, "chb_savephonenr"},
    {"Stay on top", &tOptions::StayOnTop, "chb_stayOnTop"},
    {"Minimize on closing", &tOptions::MinimizeOnClosing, "chb_MinimizeOnClosing"},
    {"Margin units", &tOptions::MarginUnits, "cb_units"},
    {"Print object", &tOptions::PrintObject, "cb_PrintObject"},
    {"Page breaks", &tOptions::PageBreaks, "chb_PageBreaks"},
    {"Dial prefix", &tOptions::DialPrefix, "e_DialPrefix"},
    {"MRU", &tOptions::MRU, "cb_MRU"},
    {"MRU entries", &tOptions::MRUEntries, "e_MRU"},
    {"Show Clear button", &tOptions::ShowClearButton, "cb_ShowClear"},
    {"Sort list", &tOptions::SortList, "cb_Sort"},
    {"Right to Left", &tOptions::RightToLeft, "chb_RightToLeft"},
    {"Header text", &tOptions::HeaderText, "e_Header"},
    {"Footer text", &tOptions::FooterText, "e_Footer"},
    {"Al Header", &tOptions::AlHeader, "cb_AlHeader"},
    {"Al Footer", &tOptions::AlFooter, "cb_AlFooter"},
    {"HeaderFooter", &tOptions::HeaderFooterFont, "fd_Headers"},
    {"TitlesFont", &tOptions::TitlesFont, "fd_Titles"},
    {"Header line", &tOptions::HeaderLine, "chb_HeaderLine"},
    {"Footer line", &tOptions::FooterLine, "chb_FooterLine"},
    {"Detect PhNr From Title", &tOptions::DetectPhNrFromTitle, "chb_DetectPhNrFromTitle"},
    {"Autosave location", &tOptions::AutosaveLocation, "e_BakLocation"},
    {"Filter whole words", &tOptions::FilterWholeWords, "chb_FilterWholeWords"},
    {"MenuFont", &tOptions::MenuFont, "fd_Menu"},
    {"ActionFont", &tOptions::ActionFont, "fd_Action"},
    {"ActionBar width", &tOptions::ActionBarWidth, "e_ActionWidth"},
    {"Fixed ActionBar", &tOptions::FixedActionBar, "chb_ActionWidth"},
    {"Exclusive open", &tOptions::ExclusiveOpen, "chb_Exclusive"},
    {"List gridlines", &tOptions::ListGridlines, "chb_ListGridlines"},
    {"List columns", &tOptions::ListColumns, "chb_ListColumns"},
    {"Filter from Start", &tOptions::FilterFromStart, "chb_FilterFromStart"},
    {"Flat scroll bars", &tOptions::FlatScrollBars, "chb_FlatScrollBars"},
    {"Dial letters", &tOptions::DialLetters, "chb_DialLetters"},
    {"Dial command", &tOptions::DialCommand, "e_DialCommand"},
    {"Lock Toolbars", &tOptions::LockToolbars, "chb_LockToolbars"},
};

template <class... F> struct Overload : F... { using F::operator()...; };
template <class... F> Overload(F...) -> Overload<F...>;

TFont boldFont(TColor color) {
  TFont f = DefaultFont();
  f.Color = color;
  f.Style = fsBold;
  return f;
}

} // namespace

tOptions::tOptions()
    : ListColor(clInfoBk), ListFont(DefaultFont()), CardColor(clWindow), CardFont(DefaultFont()),
      InputBoxColor(clMaroon), InputBoxFont(boldFont(clYellow)), Header(true), HeaderColor(clTeal),
      HeaderFont(boldFont(clWhite)), SysTray(true), OpenLast(true), DateTimeFormat(QStringLiteral("yyyy-mmm-dd")),
      StartMinimized(false), MaximizeWWW(false), MaximizeEmail(false), MaximizeApp(false), Autosave(false),
      AutosavePeriod(10), SpeedDialLength(6), AltEmail(false), AltDial(false), AltWWW(false), Backup(true),
      SavePhoneNr(true), StayOnTop(false), MinimizeOnClosing(false), MarginUnits(0), PrintObject(0), PageBreaks(true),
      MRU(true), MRUEntries(5), ShowClearButton(true), SortList(true), ListHandlePosition(0), RightToLeft(false),
      AlHeader(0), AlFooter(0), HeaderFooterFont(DefaultFont()), HeaderLine(true), FooterLine(false),
      DetectPhNrFromTitle(false), FilterWholeWords(false), MenuFont(DefaultFont()), ActionFont(DefaultFont()),
      ActionBarWidth(150), FixedActionBar(false), ExclusiveOpen(true), ListGridlines(false), ListColumns(false),
      FilterFromStart(false), FlatScrollBars(true), DialLetters(false), LockToolbars(false) {
  TitlesFont = DefaultFont();
  TitlesFont.Name = QStringLiteral("Arial");
  TitlesFont.Size = 11;
  TitlesFont.Style = fsBold;
}

void tOptions::ToOptionsDialog(TOptionsControls &dialog) const {
  for (const Field &f : kFields) {
    const QString control = QString::fromLatin1(f.control);
    std::visit([&](auto m) { dialog.SetControlValue(control, TOptionValue(this->*m)); }, f.member);
  }
}

void tOptions::FromOptionsDialog(const TOptionsControls &dialog) {
  for (const Field &f : kFields) {
    const QString control = QString::fromLatin1(f.control);
    std::visit(
        [&](auto m) {
          using T = std::decay_t<decltype(this->*m)>;
          const std::optional<TOptionValue> v = dialog.ControlValue(control, TOptionValue(T{}));
          if (v && std::holds_alternative<T>(*v)) this->*m = std::get<T>(*v);
        },
        f.member);
  }
}

void tOptions::ClampToRanges() {
  AutosavePeriod = kAutosavePeriodRange.clamp(AutosavePeriod);
  MRUEntries = kMRUEntriesRange.clamp(MRUEntries);
  SpeedDialLength = kSpeedDialLengthRange.clamp(SpeedDialLength);
  ActionBarWidth = kActionBarWidthRange.clamp(ActionBarWidth);
}

bool tOptions::LoadFromRegistry() {
  TRegistry2000 reg;
  const bool existed = reg.OpenKeyTolerant(kOptionsKey, false);
  if (existed) {
    for (const Field &f : kFields) {
      const QString name = QString::fromUtf8(f.name);
      std::visit(Overload{
                     [&](int tOptions::*m) { reg.ReadIntegerIfExists(name, this->*m); },
                     [&](bool tOptions::*m) { reg.ReadBoolIfExists(name, this->*m); },
                     [&](QString tOptions::*m) { reg.ReadStringIfExists(name, this->*m); },
                     [&](TFont tOptions::*m) { ReadFontFromRegistry(reg, name, this->*m); },
                 },
                 f.member);
    }
  }
  reg.CloseKey();
  return existed;
}

void tOptions::SaveToRegistry() const {
  TRegistry2000 reg;
  reg.OpenKeyTolerant(kOptionsKey, true);
  for (const Field &f : kFields) {
    const QString name = QString::fromUtf8(f.name);
    std::visit(Overload{
                   [&](int tOptions::*m) { reg.WriteInteger(name, this->*m); },
                   [&](bool tOptions::*m) { reg.WriteBool(name, this->*m); },
                   [&](QString tOptions::*m) { reg.WriteString(name, this->*m); },
                   [&](TFont tOptions::*m) { WriteFontToRegistry(reg, name, this->*m); },
               },
               f.member);
  }
  reg.CloseKey();
}

} // namespace qel
