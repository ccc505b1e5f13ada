#pragma once
// The rubber band: selects the faces (or, with the object-selection brush, the objects)
// inside the rectangle dragged in the view. With any other brush the gesture does nothing.

#include "interaction/handlers/Function.h"

class RectangleSelector : public Function {
public:
    // 0 selects, 1 toggles, 2 unselects.
    explicit RectangleSelector(int mode) : m_iMode(mode) {}
    ~RectangleSelector() override;

    void OnBegin(float x, float y) override;
    void OnMove(float x, float y) override {}
    void OnEnd(float x, float y) override;

    // Whether the band is being drawn; its start corner (view units 0 to 1).
    bool IsActive() const { return m_fStartX != -1.0f; }
    float GetStartX() const { return m_fStartX; }
    float GetStartY() const { return m_fStartY; }
    int GetMode() const { return m_iMode; }

private:
    float m_fStartX = -1.0f;
    float m_fStartY = 0.0f;
    bool m_bFaces = false;  // started with the face-selection brush
    int m_iMode;
};
