#pragma once
// The handler bodies that turn the mouse buttons into tools: painting and rectangle
// selection, the manipulator's preset drags, and the placement drags of the stencil, the
// image plane and the current curve.

class EventHandler;
class Interface;

void InstallToolHandlers(EventHandler &handlers, Interface &controller);
