#pragma once
// Texts and numbers that many parts of the program share.

#include <QColor>

namespace General {

// Help pages are looked up below this folder.
inline constexpr char kHelpFolder[] = "help/whatsthis";
// Drag-and-drop types of tree-widget items and of tray items.
inline constexpr char kTreeItemDragType[] = "application/x-treewidgetitem";
inline constexpr char kTrayItemDragType[] = "application/x-trayitem";
// The kinds of tray items, by their tray kind number.
inline constexpr const char *kTrayItemKinds[] = {"Stamp", "Stencil", "Camera Bookmark", "Tool", "Falloff"};
// The image browser's thumbnail cache folder.
inline constexpr char kThumbnailFolder[] = ".thumbs";

// The background of the panels.
inline constexpr QColor kPanelColor{131, 163, 176, 255};

// The build revision, shown as "%s (rev. %d)" in the main window's title and the about box.
int BuildRevision();

}  // namespace General
