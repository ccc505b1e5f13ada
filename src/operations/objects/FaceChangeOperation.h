#pragma once
// What the face operations share: per level, named by packed mesh id, the faces and the
// byte each record holds (the wanted state before an Execute, the replaced one after).

#include "operations/Operation.h"

#include <cstdint>
#include <vector>

class SubdivLevel;

namespace Operations {

class FaceChangeOperation : public Operation {
public:
    struct FaceChange {
        uint32_t face = 0;
        uint8_t wanted = 0;
    };
    struct MeshChanges {
        int32_t mesh = -1;  // packed mesh id
        std::vector<FaceChange> faces;
    };

    // Adds a record for the face on the level (a level's records are kept together).
    void Add(SubdivLevel &level, unsigned face, bool wanted);

    // Id count and ids (4 bytes each); then per id its record count (4 bytes) and 8 bytes
    // per record: face, byte, 3 bytes of padding. A damaged record is refused with the
    // stream's error flag set and leaves no records.
    void Serialize(Stream &stream) override;

    std::vector<MeshChanges> m_aMeshes;
};

}  // namespace Operations
