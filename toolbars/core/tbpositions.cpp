#include "toolbars/core/tbpositions.h"

#include <algorithm>

namespace qel::toolbars {

namespace {

const QString kRev = QStringLiteral("Rev");
const QString kVisible = QStringLiteral("Visible");
const QString kDockedTo = QStringLiteral("DockedTo");
const QString kLastDock = QStringLiteral("LastDock");
const QString kDockRow = QStringLiteral("DockRow");
const QString kDockPos = QStringLiteral("DockPos");
const QString kFloatLeft = QStringLiteral("FloatLeft");
const QString kFloatTop = QStringLiteral("FloatTop");

} // namespace

TTbrPositionCallbacks PositionCallbacks(TTbrSettingsStore &store) {
  TTbrPositionCallbacks c;
  c.ReadString = [&store](const QString &section, const QString &name, const QString &defaultValue) {
    return store.ReadString(section, name, defaultValue);
  };
  c.ReadInteger = [&store](const QString &section, const QString &name, int defaultValue) {
    bool ok = false;
    const int value = store.ReadString(section, name, QString()).trimmed().toInt(&ok);
    return ok ? value : defaultValue;
  };
  c.WriteString = [&store](const QString &section, const QString &name, const QString &value) {
    store.WriteString(section, name, value);
  };
  c.WriteInteger = [&store](const QString &section, const QString &name, int value) {
    store.WriteString(section, name, QString::number(value));
  };
  return c;
}

bool SaveWindowPosition(const TTbrWindowPosition &w, const TTbrPositionCallbacks &c) {
  if (w.Name.isEmpty())
    throw ETbrPositionError(SNoWindowName);
  QString dockedTo;
  if (w.Floating) {
    dockedTo = QString::fromLatin1(FloatingMark);
  } else if (!w.Docked) {
    return false;
  } else if (w.DockAllowsDrag) {
    if (w.DockName.isEmpty())
      throw ETbrPositionError(SNoDockName);
    dockedTo = w.DockName;
  }
  // A dock that forbids dragging leaves "DockedTo" empty: the window stays
  // where the form puts it.
  c.WriteInteger(w.Name, kRev, PositionsRev);
  c.WriteInteger(w.Name, kVisible, w.Visible ? 1 : 0);
  c.WriteString(w.Name, kDockedTo, dockedTo);
  c.WriteString(w.Name, kLastDock, w.LastDock);
  c.WriteInteger(w.Name, kDockRow, w.DockRow);
  c.WriteInteger(w.Name, kDockPos, w.DockPos);
  c.WriteInteger(w.Name, kFloatLeft, w.FloatPos.x());
  c.WriteInteger(w.Name, kFloatTop, w.FloatPos.y());
  return true;
}

int FindDockEntry(const QList<TTbrDockEntry> &docks, const QString &name) {
  for (int i = 0; i < docks.size(); ++i)
    if (docks[i].Name.compare(name, Qt::CaseInsensitive) == 0)
      return i;
  return -1;
}

int ClampStoredDockRow(int row, int windowCount) { return std::clamp(row, 0, std::max(windowCount, 1)); }

int ClampStoredDockPos(int pos) { return std::clamp(pos, -MaxStoredDockPos, MaxStoredDockPos); }

TTbrPositionLoad LoadWindowPosition(const TTbrWindowPosition &current, const QList<TTbrDockEntry> &docks,
                                    int windowCount, const TTbrPositionCallbacks &c) {
  if (current.Name.isEmpty())
    throw ETbrPositionError(SNoWindowName);
  const QString &section = current.Name;
  TTbrPositionLoad load;
  if (c.ReadInteger(section, kRev, 0) != PositionsRev)
    return load;
  load.Skip = false;
  load.Visible = c.ReadInteger(section, kVisible, current.Visible ? 1 : 0) != 0;
  const QString dockedTo = c.ReadString(section, kDockedTo, QString());
  if (dockedTo.isEmpty())
    return load;
  if (dockedTo == QLatin1String(FloatingMark)) {
    load.Place = TTbrPositionLoad::Floating;
  } else {
    const int dock = FindDockEntry(docks, dockedTo);
    // A dock that is gone, or one that holds its windows fast: the window
    // keeps the place the form gave it.
    if (dock < 0 || !docks[dock].AllowDrag)
      return load;
    load.Place = TTbrPositionLoad::Docked;
    load.Dock = dock;
  }
  load.DockRow = ClampStoredDockRow(c.ReadInteger(section, kDockRow, current.DockRow), windowCount);
  load.DockPos = ClampStoredDockPos(c.ReadInteger(section, kDockPos, current.DockPos));
  load.FloatPos = QPoint(c.ReadInteger(section, kFloatLeft, 0), c.ReadInteger(section, kFloatTop, 0));
  if (load.Place == TTbrPositionLoad::Floating)
    load.LastDock = FindDockEntry(docks, c.ReadString(section, kLastDock, QString()));
  return load;
}

} // namespace qel::toolbars
