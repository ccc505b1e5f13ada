#pragma once
// How an object is placed in the world, as far as the mesh model reads it. The
// scene's Transformation implements it, so the mesh model never sees the scene.

#include "foundation/Matrix.h"
#include "foundation/Vector.h"

class Placement {
public:
    // The "Scale" values.
    virtual General::Vector GetScale() const = 0;
    // Mesh space to world space.
    virtual const General::Matrix &GetFullMatrix() = 0;
    // World space to mesh space.
    virtual const General::Matrix &GetInverseLocalMatrix() = 0;

protected:
    ~Placement() = default;
};
