#pragma once
// The looks of the title list the options choose: lines under the rows
// ("List gridlines", one column only) and flat scroll bars.

class QListView;
class QScrollBar;

namespace qel {

void ApplyTitleListLook(QListView &list, bool gridLines, bool flatScrollBars);

// Whether `bar` is drawn flat: one plain colour each for the groove, the
// buttons and the thumb, a thin line around the last two, no relief.
bool IsFlatScrollBar(const QScrollBar &bar);

} // namespace qel
