#pragma once
// Where an edit of the mesh model hands the vertex changes it computed, instead of
// making them itself: the operations layer's vertex operation collects them, then
// executes and records them for undo.

#include "foundation/math/Vector.h"

class VertexChanges {
public:
    // The new value of a vertex of the level (its position, or its offset in a target layer).
    virtual void AddVertexChange(unsigned vertex, const General::Vector &value) = 0;

protected:
    ~VertexChanges() = default;
};
