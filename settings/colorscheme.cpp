#include "settings/colorscheme.h"

#include "platform/inifile.h"
#include "settings/registry2000.h"

#include <QFileInfo>

namespace qel {

namespace {

struct Section {
  const char *name;
  TSampleLook TSchemeLooks::*look;
};
const Section kSections[] = {
    {"Filter", &TSchemeLooks::Filter},
    {"List", &TSchemeLooks::List},
    {"Header", &TSchemeLooks::Header},
    {"Card", &TSchemeLooks::Card},
};

} // namespace

QStringList PredefinedSchemeNames() {
  return {QStringLiteral("simple"), QStringLiteral("colorful 1 (high color palette)"),
          QStringLiteral("gray 1 (high color palette)"), QStringLiteral("colorful 2 (256 color palette)"),
          QStringLiteral("scheme 1"), QStringLiteral("scheme 2")};
}

void ApplyPredefinedScheme(const QString &text, TSchemeLooks &l) {
  l.List.Color = clWindow;
  l.List.Font.Color = clWindowText;
  l.Filter.Color = clWindow;
  l.Filter.Font.Color = clBlack;
  l.Filter.Font.Style = fsBold;
  l.Card.Color = clWindow;
  l.Card.Font.Color = clBlack;
  l.Header.Color = clBtnFace;
  l.Header.Font.Color = clBlack;
  l.Header.Font.Style = 0;
  auto has = [&](const char *name) { return text.contains(QString::fromLatin1(name)); };
  if (has("colorful 1")) {
    l.List.Color = clInfoBk;
    l.Filter.Color = clMaroon;
    l.Filter.Font.Color = clYellow;
  } else if (has("gray 1")) {
    l.List.Color = 0xDDDDDD;
    l.Card.Color = 0xEFEFEF;
    l.Filter.Color = 0x585858;
    l.Filter.Font.Color = clWhite;
  } else if (has("colorful 2")) {
    l.List.Color = clSilver;
    l.Filter.Color = clMaroon;
    l.Filter.Font.Color = clYellow;
  } else if (has("scheme 1")) {
    l.List.Color = clInfoBk;
    l.Filter.Color = clMaroon;
    l.Filter.Font.Color = clYellow;
    l.Header.Color = clTeal;
    l.Header.Font.Color = clWhite;
    l.Header.Font.Style = fsBold;
  } else if (has("scheme 2")) {
    l.List.Color = 0xA6C9F0;
    l.Filter.Color = clNavy;
    l.Filter.Font.Color = clYellow;
    l.Header.Color = clGray;
    l.Header.Font.Color = clWhite;
    l.Header.Font.Style = fsBold;
  }
}

void SaveSchemeFile(const QString &fileName, const TSchemeLooks &looks) {
  TIniFile ini(fileName);
  for (const Section &s : kSections) {
    const QString section = QString::fromLatin1(s.name);
    const TSampleLook &look = looks.*(s.look);
    WriteFontToIni(ini, section, look.Font);
    ini.WriteInteger(section, QStringLiteral("Color"), look.Color);
  }
  ini.UpdateFile();
}

bool LoadSchemeFile(const QString &fileName, TSchemeLooks &looks, QString *error) {
  if (!QFileInfo(fileName).isFile()) {
    if (error) *error = QStringLiteral("The file ") + fileName + QStringLiteral(" does not exist.");
    return false;
  }
  const TIniFile ini(fileName);
  if (!ini.LoadError().isEmpty()) {
    if (error) *error = ini.LoadError();
    return false;
  }
  for (const Section &s : kSections) {
    const QString section = QString::fromLatin1(s.name);
    TSampleLook &look = looks.*(s.look);
    TFont font = look.Font;
    ReadFontFromIni(ini, section, font);
    if (!IsKnownColor(font.Color)) font.Color = look.Font.Color;
    if (font.Name.trimmed().isEmpty()) font.Name = look.Font.Name;
    look.Font = font;
    const TColor color = ini.ReadInteger(section, QStringLiteral("Color"), look.Color);
    if (IsKnownColor(color)) look.Color = color;
  }
  return true;
}

} // namespace qel
