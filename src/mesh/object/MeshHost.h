#pragma once
// What the mesh model needs of the layers above it: the scene's objects and level ids,
// the interface controller's active object and redraw, the 3D view's texture switch and
// OpenGL context, the panels that show layers, objects and materials, and a few
// preferences. The application installs its implementation; until then (and in tests
// that install none) every call answers as a program without a scene or a view would.

#include "foundation/Installable.h"

#include <QString>

class Object;
class SubdivLevel;

class MeshHost : public General::Installable<MeshHost> {
public:
    virtual ~MeshHost() = default;

    // --- scene --------------------------------------------------------------
    virtual bool HasScene() const { return false; }
    // The scene's objects, in list order.
    virtual int GetObjectCount() const { return 0; }
    virtual Object *GetObjectAt(int index) const { return nullptr; }
    // The scene's packed id of a level (object position × 65536 + level index), -1 for none.
    virtual int GetMeshId(const SubdivLevel *level) const { return -1; }
    // The level of a packed id; null for -1 or an unknown id.
    virtual SubdivLevel *GetMeshById(int id) const { return nullptr; }

    // --- interface controller ------------------------------------------------
    virtual Object *GetActiveObject() const { return nullptr; }
    virtual void SetActiveObject(Object *object) {}
    // Adds the object to the selection (or takes it out) and makes the active object follow.
    virtual void SelectObject(Object *object, bool select) {}
    // The object leaves the scene (destroyed, or taken out by a deletion that can be undone):
    // the selection, the active object and the hover hit let go of it.
    virtual void ForgetObject(Object *object) {}
    // Repaints the 3D view over its whole area.
    virtual void Redraw() {}

    // --- panels ------------------------------------------------------------
    virtual void RefreshLayerList() {}
    virtual void RefreshObjectInfo() {}
    // Every open properties window that shows a material shows it again.
    virtual void ShowMaterialProperties() {}

    // --- 3D view -----------------------------------------------------------
    // The view's texture display switch.
    virtual bool TextureDisplay() const { return true; }
    // Makes the view's OpenGL context current; false when there is none.
    virtual bool MakeViewContextCurrent() { return false; }

    // --- preferences -----------------------------------------------------------
    // "MaximumTextureSize": the largest side of an uploaded texture tile.
    virtual int MaximumTextureSize() const { return 2048; }
    // The texture folder text, remembered by the texture file attribute (not owned).
    virtual QString *TextureFolder();
    // Whether the layer list shows the active layer's weights in the mask.
    virtual bool ShowLayerWeights() const { return false; }
};
