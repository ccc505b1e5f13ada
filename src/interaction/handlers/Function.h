#pragma once
// A tool: made by a handler body on activation, it receives the mouse (positions as
// fractions 0 to 1 of the view) until its handler is released. Whether it deletes
// itself in OnEnd is its own business.

class Function {
public:
    virtual ~Function() = default;
    virtual void OnBegin(float x, float y) = 0;
    virtual void OnMove(float x, float y) = 0;
    virtual void OnEnd(float x, float y) = 0;
};
