#pragma once
// What a tray button hands the controller: a tool, a falloff curve, a stamp or a stencil
// image. Kept to the few calls the trays make; the tools and image brushes read the
// current stamp and stencil files from here.

#include <QString>

class Brush;

namespace TrayTargets {

// The controller's tool choice and falloff choice, then a redraw; nothing for a null tool
// or without a controller.
void ApplyTool(Brush *tool);
void SelectFalloff(int index);
// The image file in use for stamps and stencils; "OFF" (or empty) is none.
void SetStamp(const QString &file);
void SetStencil(const QString &file);
QString CurrentStamp();
QString CurrentStencil();

}  // namespace TrayTargets
