#pragma once
// The theme-change relay: the one listener of the theme manager that passes
// every theme change on, synchronously and in registration order, to the
// themed toolbars and docks, and that holds the theme they paint with.

#include "toolbars/core/thmthemes.h"

#include <QList>
#include <QString>

namespace qel::toolbars {

// What the relay sends its controls; WParam is the theme change's reason
// (tcm::), LParam 0.
inline constexpr int ThemeChangeRelay = 0x53A;

class TThmNexus : public TThmListener {
public:
  // Takes a reference on the named theme and listens to the theme manager.
  explicit TThmNexus(const QString &themeName);
  ~TThmNexus() override;
  TThmNexus(const TThmNexus &) = delete;
  TThmNexus &operator=(const TThmNexus &) = delete;

  TThmThemeBase *Theme() const { return FTheme; }

  // A control already registered keeps its place; the answer is its index.
  int Add(TThmListener *control);
  void Remove(TThmListener *control);
  const QList<TThmListener *> &Controls() const { return FControls; }

  void Dispatch(TThmMessage &message) override;

private:
  TThmThemeBase *FTheme = nullptr;
  QList<TThmListener *> FControls;
};

// The relay of the themed item set while it is started (nullptr before).
TThmNexus *ThemeNexus();
void SetThemeNexus(TThmNexus *nexus);

} // namespace qel::toolbars
