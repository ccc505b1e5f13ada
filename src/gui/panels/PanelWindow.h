#pragma once
// How a panel floats beside the main window: as a tool window, which the window manager
// keeps above its main window (a click on the main window must not bury it), with the
// usual buttons of a title bar.

#include <Qt>

namespace GUI {

inline constexpr Qt::WindowFlags kFloatingPanelFlags = Qt::Tool | Qt::WindowTitleHint | Qt::WindowMinimizeButtonHint |
                                                       Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint;

}  // namespace GUI
