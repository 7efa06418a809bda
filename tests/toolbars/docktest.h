#pragma once
// What the dock tests share: toolbars docked by row and place, and the rows
// a dock shows written out so a failure reads as the layout.

#include "tests/toolbars/toolbartest.h"
#include "toolbars/qt/tbdock.h"
#include "toolbars/qt/tbtoolbar.h"

#include <QStringList>

namespace qel::toolbars::test {

// A toolbar of buttons with the given captions, docked in `dock` at `row`, `pos`.
inline TTbrCustomToolbar *DockedBar(TTbrDock *dock, const QString &name, const QStringList &captions, int row,
                                    int pos) {
  auto *bar = new TTbrCustomToolbar(dock->window());
  bar->setObjectName(name);
  for (const QString &caption : captions)
    Add(bar->Items(), caption);
  bar->SetDockRow(row);
  bar->SetDockPos(pos);
  bar->SetCurrentDock(dock);
  return bar;
}

// "name:row@pos" for each shown window of the dock, by row and place.
inline QString DockRows(TTbrDock *dock, QChar separator = QLatin1Char(' ')) {
  QStringList words;
  for (int i = 0; i < dock->VisibleMemberCount(); ++i) {
    TTbrCustomDockableWindow *w = dock->VisibleMember(i);
    words << QStringLiteral("%1:%2@%3").arg(w->objectName()).arg(w->ArrangedRow).arg(w->ArrangedPos);
  }
  return words.join(separator);
}

}  // namespace qel::toolbars::test
