#pragma once

class QAbstractItemView;

namespace platform {

// A list marks the focus on its current entry; a list with no current
// entry (an empty one) would show no mark at all. Called at the end of the
// list's paintEvent, this frames the whole list instead, as the style
// frames a focused entry, and only then.
void paintFocusWithoutEntry(QAbstractItemView* view);

} // namespace platform
