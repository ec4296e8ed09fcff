#pragma once

class QLabel;
class QProgressBar;
class QString;
class QWidget;

// Painting during long synchronous work. The copy run never returns to the
// event loop, so it paints what it changed itself; painting costs more than
// a small copy, so changes are painted at most once per display frame.
namespace platform::repaint {

// Marks the widget changed and paints every changed widget at once if a
// frame (about 1/30 s) has passed since the last paint.
void soon(QWidget* widget);

// A progress bar's new value, taken by the bar with the next paint (at
// most a frame from now, and at once by now()); until then value() reads
// the one before. Setting it directly would paint the bar at once whenever
// its look changes, outside the frame limit, and costs more than a small
// copy.
void setValue(QProgressBar* bar, int value);

// A label's new text, taken by the label with the next paint, as
// setValue() does for a bar: a label shown per file would otherwise lay out
// its text and tell the accessibility bus once per file.
void setText(QLabel* label, const QString& text);

// Paints every changed widget now (progress values taken first): before a
// dialog opens, before a long copy starts, and at the end.
void now();

// Forgets a widget that is about to be destroyed.
void forget(QWidget* widget);

} // namespace platform::repaint
