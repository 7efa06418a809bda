#pragma once
// How the user left the main window, as a plain record: position and size,
// the list pane's size, word wrap, the card lock, and the printer's page
// state. Stored under "StartUp", "Options" and "Printer" of
// "Software\Qel Moravine"; the main window fills it and applies it.

#include <QString>

#include <optional>

namespace qel {

class TPrinterPageState;

inline const QString kProgramKey = QStringLiteral("Software\\Qel Moravine");

struct TWindowStateRecord {
  enum State { wsNormal = 0, wsMinimized = 1, wsMaximized = 2 };
  int WindowState = wsNormal;
  // Each value is absent when it was not stored (or stored with another type).
  std::optional<int> Left, Top, Width, Height;  // written only in the normal state
  std::optional<int> ListWidth, ListHeight;
  std::optional<bool> WordWrap, LockCards;
};

// Writes "StartUp" and the "Options" values of the record, and the printer's
// orientation and margins (in millimetres) under "Printer". Throws
// ERegistryException when the store cannot be written.
void SaveWindowStateRecord(const TWindowStateRecord &record, const TPrinterPageState &printer);
// Reads what is stored; a missing or mistyped value stays absent, and a
// printer value that is missing, mistyped or unusable keeps the printer's own.
TWindowStateRecord LoadWindowStateRecord(TPrinterPageState &printer);

// One boolean of the Options key; false when missing.
bool ReadOptionBool(const QString &name);

} // namespace qel

#include <QList>
#include <QRect>

namespace qel {

// Where a stored window rectangle may go: its size shrunk to the screen and
// kept from `minimum` up, and, when too little of its top edge lies on any of
// the `available` screen areas to grab it, moved onto the screen it overlaps
// most (the first screen when it overlaps none).
QRect PlaceOnScreens(const QRect &stored, const QList<QRect> &available, const QSize &minimum);

} // namespace qel
