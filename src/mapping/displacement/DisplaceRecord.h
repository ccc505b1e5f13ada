#pragma once
// The undo record of one displacement run: the layer it made on a level and the level's
// vertex records from before the run. Execute exchanges the held vertex records with the
// level's and takes the layer out (keeping its offsets) or puts it back, so one undo gives
// the level back exactly as it was and a redo exactly as the run left it.

#include "mesh/core/MeshRecords.h"
#include "mesh/object/LayerLevel.h"
#include "operations/Operation.h"

#include <vector>

class Layer3D;
class Object;
class SubdivLevel;

namespace Displacement {

class DisplaceRecord : public Operations::Operation {
public:
    DisplaceRecord() = default;
    // The level as it was before the run, which made `layer` on it since.
    DisplaceRecord(Object *object, SubdivLevel *level, std::vector<Vertex> before);
    // Takes the layer's records and position: the run has finished it.
    void TakeLayer(Layer3D *layer);

    // Object position, level index, layer index, whether the layer is in place, its name,
    // its records and the held vertex records. A record that does not fit the bytes left
    // sets the stream's error flag and holds nothing.
    void Serialize(Stream &stream) override;
    // False (nothing changed) when the object, level or layer is not where the record says.
    bool Execute() override;
    int GetType() const override { return Operations::kDisplace; }

    bool IsApplied() const { return m_bApplied; }

private:
    Object *m_pObject = nullptr;
    int m_iLevel = -1;
    int m_iLayer = -1;
    bool m_bApplied = true;
    QString m_sName;
    std::vector<LayerLevel::VertexData> m_aRecords;
    std::vector<Vertex> m_aVertices;
};

}  // namespace Displacement
