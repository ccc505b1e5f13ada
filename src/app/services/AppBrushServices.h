#pragma once
// What brush strokes read of the controller and the view: the pointer, the camera and the
// redraw. The brush preferences keep their defaults until the preferences carry them.

#include "operations/brushes/BrushServices.h"

class AppBrushServices : public Operations::BrushServices {
public:
    void GetPointerPosition(float &x, float &y) const override;
    Camera *GetActiveCamera() const override;
    void Redraw() override;
};
