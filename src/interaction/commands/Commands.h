#pragma once
// The command bodies of the handler table, installed group by group on the event handler.

class EventHandler;
class Interface;

// The display flags of the view, the materials' textures, the stencil, the stamp, the
// brush's surface switches and the video-memory drawing.
void InstallViewToggleCommands(EventHandler &handlers, Interface &owner);
// Orbit, pan, roll, zoom, the 2D picture and the light direction.
void InstallCameraCommands(EventHandler &handlers, Interface &owner);
// Mirror modes, topological symmetry, selection growth, focus, UVs, octrees, undo and redo.
void InstallSymmetryCommands(EventHandler &handlers, Interface &owner);
// Creating, finishing, drawing on, closing and duplicating curves.
void InstallCurveCommands(EventHandler &handlers);
