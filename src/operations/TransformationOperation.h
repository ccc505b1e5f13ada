#pragma once
// A move, turn or scaling of an object through its transformation node, undoable. The
// operation holds translate, scale and rotate values; each Execute swaps them with the
// node's, so the same call undoes and redoes. The transform manipulator records one at
// the end of a drag with the values it kept from before the drag.

#include "foundation/math/Vector.h"
#include "operations/Operation.h"

class Object;
class Transformation;

class TransformationOperation : public Operations::Operation {
public:
    // Zero values, no object: the form a record is read into.
    TransformationOperation() = default;
    // The values for the node; the object that owns it is remembered by its scene position.
    TransformationOperation(Transformation &transformation, const General::Vector &translate,
                            const General::Vector &rotate, const General::Vector &scale);

    // 40 bytes: object position, translate, scale, rotate (three floats each).
    void Serialize(Stream &stream) override;
    // Swaps the values with the node of the object at the recorded position (the node is
    // made when the object has none). False, and nothing changed, when there is no such
    // object or a value is not finite.
    bool Execute() override;
    int GetType() const override { return Operations::kTransformation; }

    // The object's scale went from `from` to `to`: when that changed its proportions, every
    // level's vertex normals are rescaled by the squared ratios (from / to), so that the
    // change back rescales them back. Nothing when a component is 0 on either side.
    static void RescaleNormals(Object &object, const General::Vector &from, const General::Vector &to);

    int m_iObject = -1;
    General::Vector m_vTranslate{0, 0, 0};
    General::Vector m_vScale{0, 0, 0};
    General::Vector m_vRotate{0, 0, 0};
};
