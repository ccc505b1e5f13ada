#pragma once
// What a tray button hands the controller: a tool, a falloff curve, a stamp or a stencil
// image. Kept to the few calls the trays make; the stamp and stencil themselves live on
// the controller. Without a controller nothing happens.

#include <QString>

class Brush;

namespace TrayTargets {

// The controller's tool choice and falloff choice, then a redraw; nothing for a null tool
// or without a controller.
void ApplyTool(Brush *tool);
void SelectFalloff(int index);
// The controller's SetStamp and SetStencil; "OFF" switches the image off.
void SetStamp(const QString &file);
void SetStencil(const QString &file);
// The file of the stamp or stencil that is on; empty when it is off.
QString CurrentStamp();
QString CurrentStencil();

}  // namespace TrayTargets
