#include "toolbars/core/thmnexus.h"

namespace qel::toolbars {

namespace {
TThmNexus *CurrentNexus = nullptr;
}

TThmNexus *ThemeNexus() { return CurrentNexus; }
void SetThemeNexus(TThmNexus *nexus) { CurrentNexus = nexus; }

TThmNexus::TThmNexus(const QString &themeName) : FTheme(GetTheme(themeName)) { AddThemeNotification(this); }

TThmNexus::~TThmNexus() {
  RemoveThemeNotification(this);
  try {
    ReleaseTheme(FTheme);
  } catch (const EThemeError &) {
    // The registry was emptied first (program end): nothing is left to give back.
  }
}

int TThmNexus::Add(TThmListener *control) {
  if (const qsizetype at = FControls.indexOf(control); at >= 0)
    return int(at);
  FControls.append(control);
  return int(FControls.size() - 1);
}

void TThmNexus::Remove(TThmListener *control) { FControls.removeAll(control); }

void TThmNexus::Dispatch(TThmMessage &message) {
  if (message.Msg != ThemeChangeMessage)
    return;
  // A copy: a control may come or go while it handles the change; one that
  // went is skipped.
  const QList<TThmListener *> controls = FControls;
  for (TThmListener *control : controls) {
    if (!FControls.contains(control))
      continue;
    TThmMessage relay{ThemeChangeRelay, message.WParam, 0, 0};
    control->Dispatch(relay);
  }
}

} // namespace qel::toolbars
