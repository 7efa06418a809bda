#pragma once
// How an edit item looks when no one edits it: in menus its label, then the
// box (a sunken ring while it is selected, a thin frame, the field) with the
// committed text in it. The editor that replaces it while the user edits
// sits on the field.

#include "toolbars/paint/canvas.h"
#include "toolbars/paint/plainview.h"

namespace qel::toolbars {

class TTbrEditItemViewer;

// Paints the viewer in its bounds (client coordinates) with the canvas's font.
void PaintEditItemViewer(TCanvas &canvas, const TTbrEditItemViewer &viewer, bool selected,
                         const TPlainViewColors &colors);

} // namespace qel::toolbars
