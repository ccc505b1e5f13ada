#pragma once
// Showing and hiding, locking and unlocking whole objects, undoable. Each record names an
// object by its scene position and holds the flag it is to take; Execute swaps the flag
// with the object's, so the same call undoes and redoes.

#include "operations/Operation.h"

#include <cstdint>
#include <vector>

class Object;

namespace Operations {

class ObjectStateOperation : public Operation {
public:
    struct ObjectState {
        int32_t object = -1;  // position in the scene's object list
        uint8_t state = 0;
    };

    // Adds a record for the object at its current scene position.
    void Add(Object &object, bool state);

    // Count (4 bytes), then 8 bytes per record: position, state byte, 3 bytes of padding.
    void Serialize(Stream &stream) override;
    // Swaps every record's state with its object's flag; records that name no object are
    // passed over. Always true.
    bool Execute() override;

    std::vector<ObjectState> m_aStates;

protected:
    virtual bool &Flag(Object &object) const = 0;
};

// The shown flag (1 = drawn).
class HideObjectOperation final : public ObjectStateOperation {
public:
    int GetType() const override { return kHideObject; }

protected:
    bool &Flag(Object &object) const override;
};

// The locked flag (1 = brushes refuse the object).
class LockObjectOperation final : public ObjectStateOperation {
public:
    int GetType() const override { return kLockObject; }

protected:
    bool &Flag(Object &object) const override;
};

}  // namespace Operations
