#pragma once
// The handler bodies that turn the mouse buttons into tools: painting and rectangle
// selection, the manipulator's preset drags, and the placement drags of the stencil, the
// image plane and the current curve.

class EventHandler;
class Function;
class Interface;

void InstallToolHandlers(EventHandler &handlers, Interface &controller);

// A new painting tool (brusher true) or rectangle selector in that mode, owned by the
// controller until its release; null when it cannot be made.
Function *MakeGestureTool(Interface &controller, bool brusher, int mode);
