#pragma once
// Removing objects from the scene and bringing them back, undoable. While the objects are
// out of the scene the operation owns them; its record carries them whole, so an undo
// re-creates them. Objects are named by scene position, and a restore puts each object
// back at the position it had, so later records that name positions stay right.

#include "operations/Operation.h"

#include <cstdint>
#include <memory>
#include <vector>

class Object;

namespace Operations {

class DeleteObjectOperation final : public Operation {
public:
    DeleteObjectOperation();
    // The objects to delete, by their current scene positions.
    explicit DeleteObjectOperation(const std::vector<Object *> &objects);
    ~DeleteObjectOperation() override;

    // Position count and positions (4 bytes each), removed-object count (4 bytes), then
    // each removed object's record. A damaged record is refused with the stream's error
    // flag set and leaves the operation holding nothing.
    void Serialize(Stream &stream) override;
    // Without removed objects held: takes the objects at the recorded positions out of
    // the scene. With them: puts each back at its recorded position. False when a
    // position names no object (nothing is changed then).
    bool Execute() override;
    int GetType() const override { return kDeleteObject; }

    std::vector<int32_t> m_aPositions;  // ascending
    std::vector<std::unique_ptr<Object>> m_aRemoved;  // in position order while out of the scene
};

}  // namespace Operations
