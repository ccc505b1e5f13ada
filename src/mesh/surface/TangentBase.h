#pragma once
// One tangent frame per buffer vertex.

#include "foundation/math/Vector.h"

namespace General {

struct Base {
    Vector m_vTangent;
    Vector m_vNormal;
    Vector m_vBinormal;
};

}  // namespace General
