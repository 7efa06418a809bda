#pragma once
// A settings object with every field away from its default, for the tests
// of the settings and of the options dialog.

#include "settings/options.h"

namespace qel::test {

// Every field away from its default.
inline tOptions changedOptions() {
  tOptions o;
  auto font = [](const char *name, int size, TColor color, TFontStyles style, int charset) {
    TFont f;
    f.Name = QString::fromUtf8(name);
    f.Size = size;
    f.Color = color;
    f.Style = style;
    f.Charset = charset;
    return f;
  };
  o.ListHandlePosition = 1;
  o.ListColor = 0x010203;
  o.ListFont = font("List Face", 11, 0x0000FF, fsItalic, 0);
  o.CardColor = clNone;
  o.CardFont = font("Card Face", 12, int(0xFF000012u), fsUnderline, 238);
  o.InputBoxColor = 0x00FF00;
  o.InputBoxFont = font("Input Face", 13, 0x111111, 0, 204);
  o.Header = false;
  o.HeaderColor = 0x222222;
  o.HeaderFont = font("Header Face", 14, 0x333333, fsStrikeOut, 161);
  o.SysTray = false;
  o.OpenLast = false;
  o.DateTimeFormat = "dd.mm.yyyy hh:nn";
  o.StartMinimized = true;
  o.MaximizeWWW = true;
  o.MaximizeEmail = true;
  o.MaximizeApp = true;
  o.Autosave = true;
  o.AutosavePeriod = 3;
  o.SpeedDialPrefix = "Tel:";
  o.SpeedDialLength = 9;
  o.AltEmail = true;
  o.AltEmailClient = "/usr/bin/mail client";
  o.AltDial = true;
  o.AltWWW = true;
  o.AltWWWClient = "/usr/bin/browser";
  o.BeforeEmail = "mailto:";
  o.Backup = false;
  o.SavePhoneNr = false;
  o.StayOnTop = true;
  o.MinimizeOnClosing = true;
  o.MarginUnits = 1;
  o.PrintObject = 3;
  o.PageBreaks = false;
  o.DialPrefix = "0,";
  o.MRU = false;
  o.MRUEntries = 6;
  o.ShowClearButton = false;
  o.SortList = false;
  o.RightToLeft = true;
  o.HeaderText = "&f - page &p \"quoted\" \\ back";
  o.FooterText = QStringLiteral("\u00e9t\u00e9 &d");
  o.AlHeader = 2;
  o.AlFooter = 1;
  o.HeaderFooterFont = font("HF Face", 8, 0x444444, fsBold | fsItalic, 2);
  o.TitlesFont = font("Titles Face", 16, 0x555555, 0, 0);
  o.HeaderLine = false;
  o.FooterLine = true;
  o.DetectPhNrFromTitle = true;
  o.AutosaveLocation = "/home/u/backups";
  o.FilterWholeWords = true;
  o.MenuFont = font("Menu Face", 10, 0x666666, fsUnderline | fsStrikeOut, 128);
  o.ActionFont = font("Action Face", 7, 0x777777, kAllFontStyles, 255);
  o.ActionBarWidth = 222;
  o.FixedActionBar = true;
  o.ExclusiveOpen = false;
  o.ListGridlines = true;
  o.ListColumns = true;
  o.FilterFromStart = true;
  o.FlatScrollBars = false;
  o.DialLetters = true;
  o.DialCommand = "/usr/bin/dialer --to %n \"%t\"";
  o.LockToolbars = true;
  return o;
}

} // namespace qel::test
