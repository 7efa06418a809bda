// Stored positions of dockable windows: the values written for a window,
// and what a load makes of stored values (the form's docks: DockTop,
// DockLeft, and Locked, which holds its windows fast).

#include "toolbars/core/tbpositions.h"

#include <QStringList>

#include <gtest/gtest.h>

#include "tests/toolbars/toolbartest.h"

using namespace qel::toolbars;

namespace {

const QList<TTbrDockEntry> kDocks = {{"DockTop", true}, {"DockLeft", true}, {"Locked", false}};

TTbrWindowPosition Window(const QString &name = "Bar") {
  TTbrWindowPosition w;
  w.Name = name;
  w.Docked = true;
  w.DockName = "DockTop";
  w.DockRow = 1;
  w.DockPos = 40;
  return w;
}

QString Saved(const TTbrWindowPosition &w) {
  TTbrMemorySettings store;
  if (!SaveWindowPosition(w, PositionCallbacks(store)))
    return "(not written)";
  QStringList values;
  for (const QString &name : store.ValueNames(w.Name))
    values << name + "=" + store.ReadString(w.Name, name, QString());
  return values.join(' ');
}

TEST(Positions, SavedValues) {
  EXPECT_EQ(Saved(Window()),
            "Rev=2000 Visible=1 DockedTo=DockTop LastDock= DockRow=1 DockPos=40 FloatLeft=0 FloatTop=0");
  TTbrWindowPosition hidden = Window();
  hidden.Visible = false;
  hidden.LastDock = "DockTop";
  EXPECT_EQ(Saved(hidden),
            "Rev=2000 Visible=0 DockedTo=DockTop LastDock=DockTop DockRow=1 DockPos=40 FloatLeft=0 FloatTop=0");
  // A dock that forbids dragging: "DockedTo" empty, so the next load leaves it.
  TTbrWindowPosition locked = Window();
  locked.DockAllowsDrag = false;
  EXPECT_EQ(Saved(locked).section(' ', 2, 2), "DockedTo=");
  TTbrWindowPosition floating = Window();
  floating.Docked = false;
  floating.Floating = true;
  floating.FloatPos = QPoint(300, -20);
  EXPECT_EQ(Saved(floating),
            "Rev=2000 Visible=1 DockedTo=+ LastDock= DockRow=1 DockPos=40 FloatLeft=300 FloatTop=-20");
  TTbrWindowPosition nowhere = Window();
  nowhere.Docked = false;
  EXPECT_EQ(Saved(nowhere), "(not written)");
}

TEST(Positions, NamesAreRequired) {
  TTbrMemorySettings store;
  try {
    SaveWindowPosition(Window(""), PositionCallbacks(store));
    FAIL();
  } catch (const ETbrPositionError &e) {
    EXPECT_STREQ(e.what(), SNoWindowName);
  }
  TTbrWindowPosition noDock = Window();
  noDock.DockName.clear();
  try {
    SaveWindowPosition(noDock, PositionCallbacks(store));
    FAIL();
  } catch (const ETbrPositionError &e) {
    EXPECT_STREQ(e.what(), SNoDockName);
  }
  EXPECT_TRUE(store.ValueNames("Bar").isEmpty());
  EXPECT_THROW(LoadWindowPosition(Window(""), kDocks, 3, PositionCallbacks(store)), ETbrPositionError);
}

// "skip", "stay", "dock D row@pos", "float x,y last L", each with " hidden"
// when the window is to be hidden.
QString Loaded(const QString &stored) {
  TTbrMemorySettings store;
  for (const QString &pair : stored.split(' ', Qt::SkipEmptyParts))
    store.WriteString("Bar", pair.section('=', 0, 0), pair.section('=', 1));
  const TTbrPositionLoad l = LoadWindowPosition(Window(), kDocks, 3, PositionCallbacks(store));
  if (l.Skip)
    return "skip";
  QString out;
  switch (l.Place) {
  case TTbrPositionLoad::Stay:
    out = "stay";
    break;
  case TTbrPositionLoad::Docked:
    out = QStringLiteral("dock %1 %2@%3").arg(l.Dock).arg(l.DockRow).arg(l.DockPos);
    break;
  case TTbrPositionLoad::Floating:
    out = QStringLiteral("float %1,%2 last %3").arg(l.FloatPos.x()).arg(l.FloatPos.y()).arg(l.LastDock);
    break;
  }
  return l.Visible ? out : out + " hidden";
}

TEST(Positions, LoadedValues) {
  const struct {
    const char *stored, *expected;
  } cases[] = {
      {"", "skip"}, // no "Rev": the window keeps its place
      {"Rev=1999 DockedTo=DockLeft", "skip"},
      {"Rev=2000", "stay"},
      {"Rev=2000 Visible=0", "stay hidden"},
      {"Rev=2000 DockedTo=DockLeft DockRow=0 DockPos=7", "dock 1 0@7"},
      {"Rev=2000 DockedTo=docktop DockRow=2 DockPos=5", "dock 0 2@5"}, // names without regard to case
      {"Rev=2000 DockedTo=DockTop DockRow=x DockPos=", "dock 0 1@40"},  // not numbers: the current values
      {"Rev=2000 DockedTo=DockTop", "dock 0 1@40"},
      {"Rev=2000 DockedTo=Gone DockRow=0", "stay"},   // a dock that no longer exists
      {"Rev=2000 DockedTo=Locked DockRow=0", "stay"}, // one that holds its windows fast
      {"Rev=2000 Visible=0 DockedTo=Gone", "stay hidden"},
      // Far outside any sensible range: a row the form can fill, a place on the screen.
      {"Rev=2000 DockedTo=DockTop DockRow=2000000000 DockPos=-2147483648", "dock 0 3@-32767"},
      {"Rev=2000 DockedTo=DockTop DockRow=-5 DockPos=99999999", "dock 0 0@32767"},
      {"Rev=2000 DockedTo=+ FloatLeft=300 FloatTop=-20 LastDock=dockleft", "float 300,-20 last 1"},
      {"Rev=2000 DockedTo=+ LastDock=Gone", "float 0,0 last -1"},
  };
  for (const auto &c : cases)
    EXPECT_EQ(Loaded(c.stored), c.expected) << c.stored;
}

} // namespace
