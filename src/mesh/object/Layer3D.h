#pragma once
// A sculpt layer of an object: for each subdivision level a LayerLevel of per-vertex
// offsets. The mesh positions always equal the base positions plus, for every visible
// layer, offset × weight × effective strength; every operation here keeps that sum by
// applying differences. A layer locked to a level (m_pLockedMesh) is applied and edited
// on that level only, and only while it is the object's active level.
//
// Layers form a tree: siblings are linked by m_pNext and m_pPrev, sub-layers hang from
// m_pFirstChild. They are numbered depth first (a layer, its sub-layers, its following
// siblings).

#include <QString>

class LayerLevel;
class Object;
class Stream;
class SubdivLevel;

class Layer3D {
public:
    // Sub-layers deeper than this are refused when read: real trees are shallow, and the
    // reading and freeing of a tree recurse once per depth.
    static constexpr int kMaxDepth = 64;

    // A layer with data for every existing level of the object. With a source (duplicating
    // a layer) it takes the source's lock, strength and records and then shows itself,
    // adding its offsets to the mesh once.
    Layer3D(Object *object, Layer3D *source);
    // Frees the level data, the sub-layers and the following siblings.
    ~Layer3D();
    Layer3D(const Layer3D &) = delete;
    Layer3D &operator=(const Layer3D &) = delete;

    // Pushes new empty data for `level` on the front of the list (made sure the level has
    // its swap files first); false when it cannot be made.
    bool CreateLevelData(SubdivLevel *level);
    // Unlocks the layer from `level` and drops the front entry when it is that level's.
    void RemoveLevelData(SubdivLevel *level);
    LayerLevel *GetLevel(const SubdivLevel *level) const;

    // Takes an unlocked layer to `level`; a layer locked to another level refuses (status bar).
    bool LockToLevel(SubdivLevel *level);
    void SetLocked(bool locked) { m_bLocked = locked; }
    bool IsLocked() const { return m_bLocked; }
    // Index of the level the layer is locked to; -1 when none.
    int GetLevelIndex() const;

    // Changes the strength; with `apply` the mesh follows (when the layer is visible).
    // `force` re-applies an unchanged strength. Sub-layers follow.
    void SetTransparency(float value, bool apply, bool force);
    void SetVisible(bool visible);
    bool IsVisible() const { return m_bVisible; }
    // Folds weights and strengths into the offsets: the shape stays, every weight and strength becomes 1.
    void BakeStrength();
    // Adds other's records × factor to this layer's, level by level; false, with this layer
    // unchanged, when memory for the merged records is refused.
    bool Merge(Layer3D *other, float factor);

    // The stored record (with its sub-layers) in the stream's direction; false when it
    // could not be transferred or does not hold together.
    bool Serialize(Stream &stream);

    // Strength × the strength of every ancestor.
    float GetEffectiveStrength() const;
    const QString &GetName() const { return m_sName; }
    void SetName(const QString &name) { m_sName = name; }
    float GetStrength() const { return m_fStrength; }
    Object *GetOwner() const { return m_pObject; }
    // The next layer in depth-first order; null after the last.
    Layer3D *GetNextInTree() const;
    // Whether `layer` is `root` or one of its sub-layers (false for null).
    static bool IsInSubtree(const Layer3D *layer, const Layer3D *root);

    SubdivLevel *m_pLockedMesh = nullptr;
    Layer3D *m_pNext = nullptr;
    Layer3D *m_pPrev = nullptr;
    Layer3D *m_pFirstChild = nullptr;
    Layer3D *m_pParent = nullptr;

private:
    // Applies the layer's data × factor to its locked level; refused (status bar, false)
    // when that level is not the object's active level.
    bool ApplyData(float factor);
    void FreeLevelData();
    bool SerializeTree(Stream &stream, int depth);

    QString m_sName;
    float m_fStrength = 0.0f;
    bool m_bVisible = true;
    bool m_bLocked = false;
    LayerLevel *m_pLevelData = nullptr;  // newest level first
    Object *m_pObject;
    float m_fPrevStrength = 0.0f;
};
