#pragma once
// The undoable edits of the scene's curves. The action code is the state: each Execute
// performs it and turns the operation into its inverse, so the next Execute undoes it.
//
//   1 take the curve out of the scene <-> 2 put it back where it was (records name curves
//                                        by their position in the chain)
//   3 insert a control point          <-> 4 remove it
//   6 move a control point (keeps the previous position)
//   5 draw brush stamps along the curve: a marker; the stamps are the brush operation's

#include "foundation/math/Vector.h"
#include "operations/Operation.h"

#include <vector>

namespace General {
class NURBSCurve;
}

namespace Operations {

class CurveOperation : public Operation {
public:
    enum Action { kRemoveCurve = 1, kAddCurve, kInsertPoint, kRemovePoint, kDrawOnCurve, kSetPoint };

    CurveOperation() = default;
    CurveOperation(General::NURBSCurve *curve, int action);
    // A curve taken out of the scene belongs to the operation until it goes back.
    ~CurveOperation() override;
    CurveOperation(const CurveOperation &) = delete;
    CurveOperation &operator=(const CurveOperation &) = delete;

    // The code alone for code 5; else the code, the point index and position (codes 3, 4, 6),
    // the curve's position in the scene's chain (-1 when it is out), and for codes 1 and 2
    // the position it goes back to and the curve itself. After a record of code 2 is
    // written the curve exists only there.
    void Serialize(Stream &stream) override;
    bool Execute() override;
    int GetType() const override { return kCurve; }

    // Curve parameters (or arc lengths with equal spacing) of `stamps` samples from the
    // start to the end of the curve; empty for fewer than one stamp or a curve that
    // cannot be evaluated.
    static std::vector<float> StampPositions(General::NURBSCurve &curve, int stamps, bool equalSpacing);

    General::NURBSCurve *m_pCurve = nullptr;
    int m_iAction = 0;
    General::Vector m_vPosition{0, 0, 0};
    int m_iPointIndex = -1;
    // Where a curve taken out of the chain goes back (-1: at the end).
    int m_iChainPosition = -1;

private:
    bool DrawOnCurve();
    bool IsInScene() const;
};

}  // namespace Operations
