#pragma once

#include <QIcon>
#include <QPixmap>

namespace qova::desktop {

// The program's icons by resource number: 128 (seven green bars on black, also
// the window icon), 131 to 137 (the same with bar 1 to 7 missing, so that shown
// in turn a gap runs from left to right) and 138 (the bars in red). They are
// drawn, not loaded, so they stay sharp at every size a tray or a title bar asks
// for. An unknown number gives a null icon, as a missing resource would.
QIcon IconForResource(int iconId);

// One picture of that icon, `size` pixels square; null for an unknown number.
QPixmap IconPixmap(int iconId, int size);

} // namespace qova::desktop
