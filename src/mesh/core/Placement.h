#pragma once
// How an object is placed in the world, as far as the mesh model reads it. The
// scene's Transformation implements it, so the mesh model never sees the scene.

#include "foundation/Diagnostics.h"
#include "foundation/math/Matrix.h"
#include "foundation/math/Vector.h"

class Mesh;
class Stream;

class Placement {
public:
    // The "Scale" values.
    virtual General::Vector GetScale() const = 0;
    // Mesh space to world space.
    virtual const General::Matrix &GetFullMatrix() = 0;
    // World space to mesh space.
    virtual const General::Matrix &GetInverseLocalMatrix() = 0;
    // The placement's own record in the stream's direction (an object's record embeds it);
    // a placement that has none refuses.
    virtual bool Serialize(Stream &stream)
    {
        TV_ASSERT(false);
        return false;
    }
    // The mesh the placement moves, which its pivot commands measure.
    virtual void SetSubject(Mesh *subject) {}

protected:
    ~Placement() = default;
};
