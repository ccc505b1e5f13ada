#pragma once
// The tool of one brush stroke: it hands the press, the moves and, for a deferred stroke,
// the release to the controller's stroke, which reads the pointer and pressure itself.

#include "interaction/handlers/Function.h"

class Brusher : public Function {
public:
    // 0 normal, 2 inverse, 1 toggle.
    explicit Brusher(int mode) : m_iMode(mode) {}

    void OnBegin(float x, float y) override;
    void OnMove(float x, float y) override;
    void OnEnd(float x, float y) override;

    int GetMode() const { return m_iMode; }

private:
    int m_iMode;
};
