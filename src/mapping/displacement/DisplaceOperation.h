#pragma once
// Applies displacement maps to an object as a new sculpt layer named "Displacement": the
// object is subdivided first when it has one level, texture space is cut into unit tiles,
// each tile's map (named by a mask) is sampled at the vertices whose texture coordinates
// lie in the tile, and each vertex moves along its normal by the sampled value. A run is
// one undoable action. The node keeps its settings in attributes, edited in its panel.

#include "foundation/attributes/AttributeEnumeration.h"
#include "foundation/attributes/AttributeFilename.h"
#include "foundation/attributes/AttributePointer.h"
#include "foundation/EventGate.h"
#include "foundation/Node.h"
#include "mesh/object/Object.h"

#include <cstdint>
#include <memory>
#include <vector>

class Scene;
class Stream;

namespace Displacement {

class DisplaceRecord;

struct Tile {
    uint32_t m_iNumber = 0;
    uint8_t m_bExcluded = 0;  // in the grid, but not in the user's list
};

struct VertexInfo {
    uint32_t m_iVertex;
    uint32_t m_iGlobalVertex;
    float m_fMask;
    float m_fDisplacement;
    int m_iSamples;
};

class DisplaceOperation : public General::Node {
public:
    static General::TypeInfo s_typeInfo;
    // Channel codes of "Use Displacement Channel" and "Use Mask Channel", by item.
    enum Channel { kRed, kGreen, kBlue, kAlpha, kNone };

    DisplaceOperation();
    ~DisplaceOperation() override;

    const General::TypeInfo *GetTypeInfo() const override { return &s_typeInfo; }
    QString GetName() const override { return m_aNodeName.GetValue(); }
    // Besides the settings' dependants: "Start Operation" runs, and "Delete Operation"
    // deletes the node, after the run when one is in progress. Both act here, the last
    // step of a gate's notification, so nothing touches the node after it is gone.
    void AttributeChanged(General::Attribute *attribute, int event) override;

    // The settings in the stream's direction; a record that cannot be read whole sets the
    // stream's error flag and yields false.
    bool Serialize(Stream &stream);

    // --- the operations a scene file carries ---------------------------------------
    // Writes a byte 1 and the record of each operation of `scene`; the caller ends the list.
    static void WriteSceneOperations(Stream &stream, const Scene &scene);
    // Makes an operation of `scene` from the record that follows; false (and none made)
    // when the record cannot be read.
    static bool ReadSceneOperation(Stream &stream, Scene &scene);
    // Deletes the operations of `scene`, which is being emptied.
    static void DeleteSceneOperations(const Scene &scene);
    // Gives the operations of `from` to `to`, which takes over its contents.
    static void MoveSceneOperations(const Scene &from, Scene &to);

    // Rebuilds the tile list from the target's texture coordinates and "Use Tile Range".
    void BuildTileList();
    // The mask with "%u", "%v", "%i" (4 digits), "%x" and "%y" replaced.
    QString ExpandMask(const QString &mask, uint32_t tile, int x, int y) const;
    // The displacement; throws General::Error on a refusal. The run is recorded as one
    // undoable action; its record stays reachable through LastRecord until the next run.
    void Run();

    const std::vector<Tile> &GetTiles() const { return m_aTiles; }
    bool IsFloatMap() const { return m_bFloatMap; }
    bool IsRunning() const { return m_bRunning; }
    DisplaceRecord *LastRecord() const { return m_pLastRecord.get(); }
    int GetRows() const { return m_iRows; }

    General::AttributeInstance<QString> m_aNodeName;
    General::AttributePointer<Object> m_aTargetMesh;
    General::AttributeInstance<int> m_aDisplaceToLevel;
    General::AttributeInstance<bool> m_aSmoothTCs;
    General::AttributeInstance<int> m_aFinalFaceCount;
    General::AttributeFilename m_aDisplacementMap;
    General::AttributeInstance<float> m_aDisplacementMinimum;
    General::AttributeInstance<float> m_aDisplacementMaximum;
    General::AttributeEnumeration m_aDisplacementChannel;
    General::AttributeFilename m_aMaskMap;
    General::AttributeEnumeration m_aMaskChannel;
    General::AttributeInstance<int> m_aURange;
    General::AttributeInstance<int> m_aInitialTile;
    General::AttributeInstance<QString> m_aTileRange;
    General::EventGate m_aStart;
    General::EventGate m_aDelete;
    // The scene the operation is saved with and goes with; none for an operation of its own.
    Scene *m_pScene = nullptr;

private:
    static QString DefaultName();
    void SetDisabled(General::Attribute &attribute, bool disabled);
    // Probes "Displacement Map" for 32-bit samples and enables the range to match.
    void ProbeFloatMap(const QString &file);
    void UpdateFloatFlags();
    void UpdateFaceCount();
    // Runs from the gate: refusals are shown, never thrown on.
    void Start();
    // The level the run displaces, subdividing a one-level target first.
    SubdivLevel *PrepareLevel(Object &object);

    std::vector<Tile> m_aTiles;
    int m_iOffsetX = 0, m_iOffsetY = 0;
    // Tile rows of the last tile list: what "%v" names.
    int m_iRows = 1;
    bool m_bFloatMap = false;
    bool m_bReady = false;
    bool m_bRunning = false;
    bool m_bDeleteRequested = false;
    std::unique_ptr<DisplaceRecord> m_pLastRecord;
};

}  // namespace Displacement
