#pragma once
// Where dockable windows were left, kept between runs: per window whether
// it is visible, the dock it is in (with its row and place), where it
// floats and its last dock. The values go through four callbacks (read and
// write an integer or a string, named within a section = the window's
// name), so one pair of routines serves any store; the registry binds them
// to the program's registry, tests to memory.
//
// This part works on plain records; toolbars/qt/tbdockpositions.h walks a
// form's docks and windows and applies what is read.

#include "toolbars/core/tbsettings.h"

#include <QList>
#include <QPoint>
#include <QString>

#include <functional>
#include <stdexcept>

namespace qel::toolbars {

struct TTbrPositionCallbacks {
  std::function<int(const QString &section, const QString &name, int defaultValue)> ReadInteger;
  std::function<QString(const QString &section, const QString &name, const QString &defaultValue)> ReadString;
  std::function<void(const QString &section, const QString &name, int value)> WriteInteger;
  std::function<void(const QString &section, const QString &name, const QString &value)> WriteString;
};

// The callbacks on a settings store: integers as decimal text, read back
// with the default when missing or not a number.
TTbrPositionCallbacks PositionCallbacks(TTbrSettingsStore &store);

// A position could not be saved or loaded.
class ETbrPositionError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};
inline constexpr const char *SNoWindowName = "Cannot save dockable window's position because Name property is not set";
inline constexpr const char *SNoDockName =
    "Cannot save dockable window's position because DockedTo's Name property not set";

// The revision written with every window; other values are not ours.
inline constexpr int PositionsRev = 2000;
// "DockedTo" of a floating window.
inline constexpr const char *FloatingMark = "+";

// A window as saved and as found at load.
struct TTbrWindowPosition {
  QString Name;
  bool Visible = true;
  bool Floating = false;
  bool Docked = false;
  QString DockName;            // the dock it is in
  bool DockAllowsDrag = true;  // that dock lets windows be dragged off
  QString LastDock;            // empty when none
  int DockRow = 0, DockPos = -1;
  QPoint FloatPos;
};

// A dock of the form as a load sees it.
struct TTbrDockEntry {
  QString Name;
  bool AllowDrag = true;
};

// Writes one window's values; false when it is neither docked nor floating
// (not written). Raises ETbrPositionError for a window or dock without a name.
bool SaveWindowPosition(const TTbrWindowPosition &window, const TTbrPositionCallbacks &callbacks);

// What a load makes of one window's values.
struct TTbrPositionLoad {
  bool Skip = true;          // no values of ours ("Rev" is not 2000): nothing changes
  bool Visible = true;       // applied unless Skip
  enum TPlace { Stay, Docked, Floating } Place = Stay;
  int Dock = -1;             // the dock's index (Place == Docked)
  int DockRow = 0, DockPos = -1;
  QPoint FloatPos;
  int LastDock = -1;         // Place == Floating: the index of a dock named "LastDock", or -1
};

// Stored rows and places are kept within these: a damaged or hand-edited
// value must not put a window out of sight (or make the dock's layout walk
// billions of empty rows).
inline constexpr int MaxStoredDockPos = 32767;
int ClampStoredDockRow(int row, int windowCount);
int ClampStoredDockPos(int pos);

// Reads one window's values: `current` supplies the defaults, `docks` the
// form's docks (names compared without regard to case), `windowCount` the
// number of dockable windows on the form (no row beyond it is needed).
// Raises ETbrPositionError for a window without a name.
TTbrPositionLoad LoadWindowPosition(const TTbrWindowPosition &current, const QList<TTbrDockEntry> &docks,
                                    int windowCount, const TTbrPositionCallbacks &callbacks);

// The index of the dock named `name` (without regard to case), or -1.
int FindDockEntry(const QList<TTbrDockEntry> &docks, const QString &name);

} // namespace qel::toolbars
