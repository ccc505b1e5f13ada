#pragma once
// A region of space that a reader can filter by: the map extraction passes the face
// tree of its target mesh, so that only the part of a large reference mesh near the
// target is loaded. Declared here so that the readers of this layer can take it.

#include "foundation/math/Vector.h"

namespace BTree {

class Space {
public:
    virtual ~Space() = default;
    // True when the sphere meets nothing of the space.
    virtual bool IsFree(const General::Vector &point, float radius) = 0;
    // The size of the space that filter distances are measured in.
    virtual float GetRadius() = 0;
};

}  // namespace BTree
