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
};

// Stored names and the order in which they are loaded and saved.
const Field kFields[] = {
    {"ListHandlePosition", &tOptions::ListHandlePosition},
    {"ListColor", &tOptions::ListColor},
    {"List", &tOptions::ListFont},
    {"CardColor", &tOptions::CardColor},
    {"Card", &tOptions::CardFont},
    {"InputBoxColor", &tOptions::InputBoxColor},
    {"InputBox", &tOptions::InputBoxFont},
    {"Header", &tOptions::Header},
    {"HeaderColor", &tOptions::HeaderColor},
    {"Header", &tOptions::HeaderFont},
    {"SysTray", &tOptions::SysTray},
    {"OpenLast", &tOptions::OpenLast},
    {"DateTime Format", &tOptions::DateTimeFormat},
    {"StartMinimized", &tOptions::StartMinimized},
    {"Maximize WWW", &tOptions::MaximizeWWW},
    {"Maximize email", &tOptions::MaximizeEmail},
    {"Maximize App", &tOptions::MaximizeApp},
    {"Autosave", &tOptions::Autosave},
    {"Autosave period", &tOptions::AutosavePeriod},
    {"Speed Dial Prefix", &tOptions::SpeedDialPrefix},
    {"Speed dial length", &tOptions::SpeedDialLength},
    {"Alt email", &tOptions::AltEmail},
    {"Alt email client", &tOptions::AltEmailClient},
    {"Alt dial", &tOptions::AltDial},
    {"Alt WWW", &tOptions::AltWWW},
    {"Alt WWW client", &tOptions::AltWWWClient},
    {"Before email", &tOptions::BeforeEmail},
    {"Backup", &tOptions::Backup},
    {"Save Phone Nr", &tOptions::SavePhoneNr},
    {"Stay on top", &tOptions::StayOnTop},
    {"Minimize on closing", &tOptions::MinimizeOnClosing},
    {"Margin units", &tOptions::MarginUnits},
    {"Print object", &tOptions::PrintObject},
    {"Page breaks", &tOptions::PageBreaks},
    {"Dial prefix", &tOptions::DialPrefix},
    {"MRU", &tOptions::MRU},
    {"MRU entries", &tOptions::MRUEntries},
    {"Show Clear button", &tOptions::ShowClearButton},
    {"Sort list", &tOptions::SortList},
    {"Right to Left", &tOptions::RightToLeft},
    {"Header text", &tOptions::HeaderText},
    {"Footer text", &tOptions::FooterText},
    {"Al Header", &tOptions::AlHeader},
    {"Al Footer", &tOptions::AlFooter},
    {"HeaderFooter", &tOptions::HeaderFooterFont},
    {"TitlesFont", &tOptions::TitlesFont},
    {"Header line", &tOptions::HeaderLine},
    {"Footer line", &tOptions::FooterLine},
    {"Detect PhNr From Title", &tOptions::DetectPhNrFromTitle},
    {"Autosave location", &tOptions::AutosaveLocation},
    {"Filter whole words", &tOptions::FilterWholeWords},
    {"MenuFont", &tOptions::MenuFont},
    {"ActionFont", &tOptions::ActionFont},
    {"ActionBar width", &tOptions::ActionBarWidth},
    {"Fixed ActionBar", &tOptions::FixedActionBar},
    {"Exclusive open", &tOptions::ExclusiveOpen},
    {"List gridlines", &tOptions::ListGridlines},
    {"List columns", &tOptions::ListColumns},
    {"Filter from Start", &tOptions::FilterFromStart},
    {"Flat scroll bars", &tOptions::FlatScrollBars},
    {"Dial letters", &tOptions::DialLetters},
    {"Lock Toolbars", &tOptions::LockToolbars},
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
