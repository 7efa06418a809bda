#include "settings/windowstate.h"

#include "settings/options.h"
#include "settings/printerstate.h"
#include "settings/registry2000.h"

namespace qel {

namespace {

const QString kStartUp = kProgramKey + QStringLiteral("\\StartUp");
const QString kPrinter = kProgramKey + QStringLiteral("\\Printer");

struct MarginName {
  TMarginSide side;
  const char *name;
};
const MarginName kMargins[] = {
    {msLeft, "MarginLeft"}, {msRight, "MarginRight"}, {msTop, "MarginTop"}, {msBottom, "MarginBottom"}};

template <class T> void readOptional(const TRegistry2000 &reg, const char *name, std::optional<T> &out) {
  T value{};
  bool found = false;
  if constexpr (std::is_same_v<T, bool>)
    found = reg.ReadBoolIfExists(QString::fromLatin1(name), value);
  else
    found = reg.ReadIntegerIfExists(QString::fromLatin1(name), value);
  if (found) out = value;
}

} // namespace

void SaveWindowStateRecord(const TWindowStateRecord &r, const TPrinterPageState &printer) {
  TRegistry2000 reg;
  reg.OpenKeyTolerant(kStartUp, true);
  reg.WriteInteger(QStringLiteral("WindowState"), r.WindowState);
  if (r.WindowState == TWindowStateRecord::wsNormal) {
    if (r.Left) reg.WriteInteger(QStringLiteral("Left"), *r.Left);
    if (r.Top) reg.WriteInteger(QStringLiteral("Top"), *r.Top);
    if (r.Width) reg.WriteInteger(QStringLiteral("Width"), *r.Width);
    if (r.Height) reg.WriteInteger(QStringLiteral("Height"), *r.Height);
  }
  if (r.ListWidth) reg.WriteInteger(QStringLiteral("ListWidth"), *r.ListWidth);
  if (r.ListHeight) reg.WriteInteger(QStringLiteral("ListHeight"), *r.ListHeight);
  reg.CloseKey();

  reg.OpenKeyTolerant(kOptionsKey, true);
  if (r.WordWrap) reg.WriteBool(QStringLiteral("WordWrap"), *r.WordWrap);
  if (r.LockCards) reg.WriteBool(QStringLiteral("Lock cards"), *r.LockCards);
  reg.CloseKey();

  reg.OpenKeyTolerant(kPrinter, true);
  reg.WriteBool(QStringLiteral("PageOrientation_Portrait"), printer.Portrait);
  for (const MarginName &m : kMargins) reg.WriteFloat(QString::fromLatin1(m.name), printer.MarginMm(m.side));
  reg.CloseKey();
}

TWindowStateRecord LoadWindowStateRecord(TPrinterPageState &printer) {
  TWindowStateRecord r;
  TRegistry2000 reg;
  if (reg.OpenKeyTolerant(kStartUp, false)) {
    readOptional(reg, "Left", r.Left);
    readOptional(reg, "Top", r.Top);
    readOptional(reg, "Width", r.Width);
    readOptional(reg, "Height", r.Height);
    reg.ReadIntegerIfExists(QStringLiteral("WindowState"), r.WindowState);
    readOptional(reg, "ListWidth", r.ListWidth);
    readOptional(reg, "ListHeight", r.ListHeight);
  }
  reg.CloseKey();  // the next keys are named from the root
  if (reg.OpenKeyTolerant(kOptionsKey, false)) {
    readOptional(reg, "WordWrap", r.WordWrap);
    readOptional(reg, "Lock cards", r.LockCards);
  }
  reg.CloseKey();
  if (reg.OpenKeyTolerant(kPrinter, false)) {
    reg.ReadBoolIfExists(QStringLiteral("PageOrientation_Portrait"), printer.Portrait);
    for (const MarginName &m : kMargins) {
      double mm;
      if (reg.ReadFloatIfExists(QString::fromLatin1(m.name), mm)) printer.SetMarginMm(m.side, mm);
    }
  }
  reg.CloseKey();
  return r;
}

bool ReadOptionBool(const QString &name) {
  TRegistry2000 reg;
  bool value = false;
  if (reg.OpenKeyTolerant(kOptionsKey, false)) reg.ReadBoolIfExists(name, value);
  return value;
}

} // namespace qel

namespace qel {

QRect PlaceOnScreens(const QRect &stored, const QList<QRect> &available, const QSize &minimum) {
  QRect r = stored;
  r.setWidth(std::max(r.width(), minimum.width()));
  r.setHeight(std::max(r.height(), minimum.height()));
  if (available.isEmpty()) return r;

  // Enough of the top edge to take hold of the window: its full width, up to 100 pixels.
  const int grip = std::min(r.width(), 100);
  const QRect top(r.left(), r.top(), r.width(), std::min(r.height(), 30));
  int best = 0;
  qint64 bestArea = -1;
  bool reachable = false;
  for (int i = 0; i < available.size(); ++i) {
    const QRect a = available.at(i);
    const QRect edge = top.intersected(a);
    if (!edge.isEmpty() && edge.width() >= grip) reachable = true;
    const QRect overlap = r.intersected(a);
    const qint64 area = overlap.isEmpty() ? 0 : qint64(overlap.width()) * overlap.height();
    if (area > bestArea) {
      bestArea = area;
      best = i;
    }
  }
  const QRect screen = available.at(best);
  bool shrunk = false;
  if (r.width() > screen.width()) {
    r.setWidth(std::max(screen.width(), 1));
    shrunk = true;
  }
  if (r.height() > screen.height()) {
    r.setHeight(std::max(screen.height(), 1));
    shrunk = true;
  }
  if (reachable && bestArea > 0 && !shrunk) return r;
  r.moveLeft(std::clamp(r.left(), screen.left(), screen.right() - r.width() + 1));
  r.moveTop(std::clamp(r.top(), screen.top(), screen.bottom() - r.height() + 1));
  return r;
}

} // namespace qel
