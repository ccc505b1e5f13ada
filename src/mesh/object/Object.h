#pragma once
// One sculptable item of the scene. An Object is a SubdivLevel and at the same time
// level 0 of its own chain of levels (the finer levels hang from m_pNext). On top of the
// level it keeps what belongs to the item as a whole: its material and transformation,
// the visible and locked flags, the level that tools edit and display, and the tree of
// sculpt layers with the active layer.

#include "foundation/attributes/AttributePointer.h"
#include "mesh/surface/Material.h"
#include "mesh/levels/SubdivLevel.h"

class Layer3D;
class Placement;

class Object : public SubdivLevel {
public:
    static General::TypeInfo s_typeInfo;
    const General::TypeInfo *GetTypeInfo() const override { return &s_typeInfo; }

    Object();
    // A stand-alone copy of a mesh (a level, say): its faces, vertices and texture
    // coordinates, and the placement of the mesh's object.
    explicit Object(const Mesh &source);
    // Stores sized for an importer to fill (quad store when `quads`, else triangle store);
    // throws std::bad_alloc, after freeing what it took, when memory is refused.
    Object(unsigned faceCount, unsigned vertexCount, unsigned normalCount, unsigned tcCount, bool quads);
    // Leaves the interface without an active object when it was this one, and frees the
    // transformation, the removed-object chain and the layers.
    ~Object() override;

    // The registry factory: one object for a count below 2, else an array of count objects.
    static General::Node *Create(int count) { return General::CreateNodes<Object>(count); }

    // A change of the material rebuilds the partitions of every level.
    void AttributeChanged(General::Attribute *attribute, int event) override;
    // "name (n levels)".
    QString GetName() const override;
    // The name in the form of the class `typeInfo` names: the object form above for the
    // Object record, the level form ("name (level: 0, faces: n)") for any other.
    QString GetName(const General::TypeInfo *typeInfo) const;
    void SetObjectName(const QString &name) { m_sName = name; }

    Placement *GetPlacement() override;
    // The transformation node, made on first use.
    General::Node *GetTransformation();
    Surface::Material *GetMaterial() const { return m_aMaterial.GetValue(); }

    // Level `index` of the chain (0 is the object); null past the top.
    SubdivLevel *GetLevel(int index) const;
    int LevelCount() const;
    bool HasSelectedFaces() const;
    AABB GetWorldAABB(bool recalculate);
    // Carries the changes of the active level down to the base level.
    void PropagateToLowerLevels();
    // The mirror of `face` of level `levelIndex`, or 0xFFFFFFFF. Writes the mirror's
    // corner offset and whether the face is on the marked side (both untouched without a mirror).
    unsigned GetSymmetricFace(int levelIndex, unsigned face, unsigned &corner, bool &side) const;
    // Lines up the polygon of a mirrored triangle edge with the polygon of the original
    // edge on a polygon (triangle) level 0, and moves the mirror edge with it.
    void MatchPolygonEdge(unsigned face, unsigned slot, unsigned &mirrorFace, unsigned &mirrorSlot);

    // --- level commands ------------------------------------------------------------
    // With `relative`, value > 0 steps the selected faces (or the active level) up and
    // value <= 0 steps them down; without, value is the index of the level to make active.
    // False when refused or when a step fails.
    bool ChangeLevel(int value, bool relative);
    // Subdivides the selected faces, or every face, of the chosen level into the level above.
    bool Subdivide();
    using SubdivLevel::Subdivide;
    // Deletes the highest level with every layer's data for it; refused for the active level.
    bool RemoveHighestLevel();
    // Swaps the worked faces that finer levels show instead out to the levels' files, and back.
    void MoveLevelsToDisk();
    void MoveLevelsToRAM();
    // Copies texture coordinates level by level from another object: mode 0 face by face
    // (same topology), mode 2 by matching corner positions within `tolerance`.
    void ImportUV(Object *source, int mode, float tolerance);

    // The object record in the stream's direction. False when it could not be transferred
    // or does not hold together (the stream's error flag is then set).
    bool Serialize(Stream &stream);

    // --- importing a mesh as a layer ------------------------------------------------
    // Makes the difference between `imported` and this object, both at their active
    // levels, a new layer named after the imported object: vertices are paired by vertex
    // id (mode 0) or by texture coordinates closer than `tolerance` (mode 1), and the
    // level takes the imported shape. With `isolate` the other visible layers locked to
    // the level are left out of the measure. A refusal (status bar, error colour) leaves
    // the object as it was. True when the layer was made.
    bool ImportLayer(Object &imported, int mode, bool isolate, float tolerance);

    // --- sculpt layers ----------------------------------------------------------
    // A new layer (a duplicate of `source` when given) after `after`, or at the head.
    Layer3D *CreateLayer(Layer3D *after, Layer3D *source);
    // Hides, unlinks and frees a layer with its sub-layers; refused (status bar) for a
    // layer locked to a level that is not the active one.
    void DeleteLayer(Layer3D *layer);
    // Merges source into target, then unlinks and frees source.
    void MergeLayer(Layer3D *source, Layer3D *target);
    // Unlinks and frees without touching the mesh.
    void DestroyLayer(Layer3D *layer);
    void UnlinkLayer(Layer3D *layer);
    void SetActiveLayer(Layer3D *layer);
    Layer3D *GetActiveLayer() const { return m_pActiveLayer; }
    Layer3D *GetFirstLayer() const { return m_pLayers; }
    // Depth-first numbering.
    int LayerCount() const;
    Layer3D *GetLayerByIndex(int index) const;
    int GetLayerIndex(const Layer3D *layer) const;

    Object *m_pNextRemoved = nullptr;  // owned: objects an object deletion keeps for undo
    Object *m_pNextObject = nullptr;   // the scene's chain (also an import's objects, in file order)
    int32_t m_iRememberedPosition = -1;  // the scene position a deletion kept for undo
    bool m_bVisible = true;
    bool m_bLocked = false;
    bool m_bFrozen = false;  // the "frozen" check box: picks remember it, brushes spare frozen objects
    General::AttributePointer<Surface::Material> m_aMaterial;
    Layer3D *m_pLayers = nullptr;
    Layer3D *m_pActiveLayer = nullptr;
    Layer3D *m_pSecondLayer = nullptr;
    int32_t m_iReserved = -1;
    bool m_bLevelsOnDisk = false;
    int32_t m_iLayerNumber = 0;  // the number of the next layer's name; never reused
    SubdivLevel *m_pActiveLevel = nullptr;
    General::AttributePointer<General::Node> m_aTransformation;

protected:
    void ApplyLegacyObjectState(const LegacyObjectState &state) override;

private:
    void Init();
    // Sets every material of the global list with that identifier in turn (the last one stays).
    void SelectMaterial(int identifier);
    // Top-level layer `index` from the head; null when there is none.
    Layer3D *GetTopLevelLayer(int index) const;
    // Clears the object's references to `layer` and its sub-layers before they go.
    void ForgetLayer(const Layer3D *layer);
    void FreeLayers();
};
