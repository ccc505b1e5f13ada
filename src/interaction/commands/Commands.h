#pragma once
// The command bodies of the handler table, installed group by group into it by name.

class EventHandler;
class Interface;

namespace Commands {

void InstallFaceCommands(EventHandler &handlers, Interface &controller);
void InstallLevelCommands(EventHandler &handlers, Interface &controller);
void InstallHideLockCommands(EventHandler &handlers, Interface &controller);
// The file, map and window commands.
void InstallFileCommands(EventHandler &handlers, Interface &controller);
// Tool and falloff choice, brush size and strength steps, "Temporary smooth".
void InstallBrushCommands(EventHandler &handlers, Interface &controller);

inline void InstallObjectCommands(EventHandler &handlers, Interface &controller)
{
    InstallFaceCommands(handlers, controller);
    InstallLevelCommands(handlers, controller);
    InstallHideLockCommands(handlers, controller);
    InstallFileCommands(handlers, controller);
}

// The display flags of the view, the materials' textures, the stencil, the stamp, the
// brush's surface switches and the video-memory drawing.
void InstallViewToggleCommands(EventHandler &handlers, Interface &owner);
// Orbit, pan, roll, zoom, the 2D picture and the light direction.
void InstallCameraCommands(EventHandler &handlers, Interface &owner);
// Mirror modes, topological symmetry, selection growth, focus, UVs, octrees, undo and redo.
void InstallSymmetryCommands(EventHandler &handlers, Interface &owner);
// Creating, finishing, drawing on, closing and duplicating curves.
void InstallCurveCommands(EventHandler &handlers);
// The four gizmo presets on the first target object.
void InstallManipulatorCommands(EventHandler &handlers, Interface &owner);

}  // namespace Commands
