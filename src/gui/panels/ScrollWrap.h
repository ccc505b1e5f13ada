#pragma once
// Every page of a tab panel but the 3D view is a scroll area around its tool window.

#include <QColor>

class QScrollArea;
class QWidget;

namespace GUI {

// A new scroll area without parent: viewport in `colour`, no frame, widget-resizable, no
// keyboard focus, holding `widget` when given.
QScrollArea *WrapInScrollArea(QWidget *widget, const QColor &colour);
// The tool window a page hosts: the scroll area's widget, or the page itself.
QWidget *HostedWindow(QWidget *page);

}  // namespace GUI
