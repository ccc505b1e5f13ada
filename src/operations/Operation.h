#pragma once
// The base of every undoable edit. An operation is built when a tool starts, changes
// the scene, executes once and is written to the undo history as its type id and its
// own data; undo and redo re-create it by type id, read the data back and execute it
// again. Execute exchanges the state the operation holds with the scene's, so the same
// call undoes and redoes.

#include "foundation/OperationBuffer.h"

namespace Operations {

// The type ids that records carry and tools name (a tool's type builds its operation).
enum OperationType : int {
    kSoftBrush = 1,
    kPinch = 2,
    kMove = 3,
    kSmooth = 4,
    kSelectObject = 5,
    kSelectFace = 6,
    kHardBrush = 7,
    kPaintFreeze = 8,
    kHideObject = 9,
    kHideFace = 10,
    kDeleteObject = 11,
    kDeleteFace = 12,
    kPaintLayerMask = 13,
    kLayer = 14,
    kVertex = 15,  // also the normal averager and the flatten collector
    kLockObject = 16,
    kBulge = 17,   // a tool type only: builds a soft brush operation
    kFlatten = 18,
    kEraseBrush = 19,
    kCurve = 20,
    kTransformation = 21,
    kTranslateTool = 22,  // 22 to 24: transform tools, which build no operation
    kRotateTool = 23,
    kScaleTool = 24,
    kSketch = 25,
    kDisplace = 26,  // a displacement map applied as a new layer
};

class Operation : public General::Recordable {
public:
    Operation() = default;
    ~Operation() override = default;

    // The operation's own data in the stream's direction; read back exactly as written.
    void Serialize(Stream &stream) override {}
    // Whether there is a change to record: true once after the scene was changed, and
    // the changed flag is cleared. Overrides call this first.
    virtual bool Execute();
    // The type id; every concrete operation has one, so the base reports a fault and gives 0.
    int GetType() const override;

    bool IsChanged() const { return m_bChanged; }

protected:
    // Called whenever the operation has changed the scene and holds state to swap back.
    void SetChanged() { m_bChanged = true; }

private:
    bool m_bChanged = false;
};

// Transfers a record's item count; writing always goes on. Reading refuses (stream error flag set, false) a count
// whose items of `itemBytes` each cannot be in the bytes left, before anything is sized.
bool SerializeCount(Stream &stream, unsigned &count, uint64_t itemBytes);

}  // namespace Operations
