#pragma once
// Every change to an object's sculpt layers, undoable. The operation carries an action
// code; each Execute performs the action and turns the operation into its inverse (a new
// code, or swapped values), so the next Execute undoes it and the one after redoes it.
//
//   1 delete        <-> 2 insert        3 flatten  <-> 4 unflatten
//   5 merge         <-> 6 unmerge       7 duplicate -> 1 (undo deletes the copy)
//   8 select, 9 transparency, 10 visibility, 11 rename: swap their value
//  12 bake the transparency <-> 13 restore it
//  14 move a layer (with its sub-layers) to another place in the tree: swaps the places
//
// The codes that take a layer out or bake it (1, 3, 5, 12) keep its vertex records of
// every level; their inverses (2, 4, 6, 13) put them back.

#include "foundation/Containers.h"
#include "mesh/object/LayerLevel.h"
#include "operations/Operation.h"

#include <QString>

#include <vector>

class Layer3D;
class Object;
class SubdivLevel;

namespace Operations {

class LayerOperation : public Operation {
public:
    enum Action {
        kDelete = 1, kInsert, kFlatten, kUnflatten, kMerge, kUnmerge, kDuplicate,
        kSelect, kTransparency, kVisibility, kRename, kBakeTransparency, kRestoreTransparency, kMoveLayer
    };

    LayerOperation() = default;
    LayerOperation(Object *object, int action, Layer3D *layer, float transparency);
    LayerOperation(Object *object, int action, Layer3D *layer, bool visible);
    LayerOperation(Object *object, int action, Layer3D *layer, const QString &name);
    // Action 14: moves `layer` into the sub-layers of `parent` (the top-level list when
    // null) at list position `position` from the head (the bottom-most layer).
    LayerOperation(Object *object, Layer3D *layer, Layer3D *parent, int position);

    // Action, transparency, visibility, name, object position, layer index; for a move the
    // place (the parent's index counted without the moved layer, and the position); for the
    // codes that put records back, the index of the level the layer was locked to (-1 for
    // none) and the records of every level. A record whose counts do
    // not fit the bytes left sets the stream's error flag and carries no records.
    void Serialize(Stream &stream) override;
    // False when the action could not be done (the code then stays).
    bool Execute() override;
    int GetType() const override { return kLayer; }

    int GetAction() const { return m_iAction; }
    Layer3D *GetLayer() const { return m_pLayer; }
    // Why the last Execute failed; empty after one that succeeded.
    const QString &GetFailure() const { return m_sFailure; }

private:
    using Records = std::vector<LayerLevel::VertexData>;

    // What a removed layer needs to come back: its neighbour, name, strength, visibility, level.
    void KeepLayer();
    bool StoreData();
    bool LoadData(Layer3D *layer);
    // A new layer after the kept neighbour, with the kept records, level and strength.
    Layer3D *Recreate(bool hidden);
    bool HasData() const;
    bool Move();
    // A record read back names its layers by index; they are looked up as it runs.
    void ResolveLayers();

    bool m_bRefresh = true;
    Layer3D *m_pLayer = nullptr;
    Object *m_pObject = nullptr;
    SubdivLevel *m_pBoundLevel = nullptr;
    std::vector<Records> m_aData;
    float m_fTransparency = 1.0f;
    bool m_bVisible = true;
    int m_iAction = 0;
    QString m_sName;
    Layer3D *m_pMoveParent = nullptr;
    int m_iMovePosition = 0;
    bool m_bResolveLayers = false;
    int m_iLayerIndex = -1;
    int m_iParentIndex = -1;
    QString m_sFailure;
};

}  // namespace Operations
