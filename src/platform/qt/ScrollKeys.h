#pragma once
// The scrolling keys of the views: Page Up and Page Down by a page, the arrows
// by a line, Home to the top-left and End to the bottom-right corner.

class QAbstractScrollArea;

namespace zel {

// Scrolls the area for the key; false when the key is not a scrolling key.
bool ScrollByKey(QAbstractScrollArea& area, int key);

} // namespace zel
