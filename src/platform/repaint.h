#pragma once

class QWidget;

// Painting during long synchronous work. The copy run never returns to the
// event loop, so it paints what it changed itself; painting costs more than
// a small copy, so changes are painted at most once per display frame.
namespace platform::repaint {

// Marks the widget changed and paints every changed widget at once if a
// frame (about 1/30 s) has passed since the last paint.
void soon(QWidget* widget);

// Paints every changed widget now: before a dialog opens, before a long
// copy starts, and at the end.
void now();

// Forgets a widget that is about to be destroyed.
void forget(QWidget* widget);

} // namespace platform::repaint
