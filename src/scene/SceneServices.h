#pragma once
// What the scene needs of the layers above it: preference values, the interaction
// layer's curve editing, undo history and current tool, the 3D view's camera, and the
// map-extraction nodes that belong to a scene. The application installs its
// implementation; until then every call answers as a program without those layers would.
//
// Face selection and visibility changes go through the undo history: the scene describes
// the change and hands it here. Without an installed history the change is made directly.

#include "foundation/Installable.h"
#include "foundation/math/Vector.h"

#include <QString>

#include <utility>
#include <vector>

class Brush;
class Camera;
class Scene;
class Stream;
class SubdivLevel;

// A camera bookmark as the trays hold it: the tray's name, the item's name and the camera
// the item keeps (owned by the tray item).
struct CameraBookmark {
    QString tray;
    QString item;
    const Camera *camera = nullptr;
};

// One face edit across levels: per level, the faces and the state each is to take.
struct FaceEdit {
    struct Target {
        SubdivLevel *level;
        std::vector<std::pair<unsigned, bool>> faces;
    };
    std::vector<Target> targets;

    // A new target for the level, which the following faces go to.
    Target &AddTarget(SubdivLevel *level) { return targets.emplace_back(Target{level, {}}); }
};

class SceneServices : public General::Installable<SceneServices> {
public:
    virtual ~SceneServices() = default;

    // --- preferences ----------------------------------------------------------------
    // The linear unit of imports: 0 millimetre, 1 centimetre, 2 metre, 3 inch.
    virtual int GetLinearUnit() const { return 1; }
    // The mirror planes that picking reflects through, as point and normal.
    virtual int GetMirrorPlaneCount() const { return 0; }
    virtual void GetMirrorPlane(int index, General::Vector &point, General::Vector &normal) const {}
    // Whether mirror planes live in the space of the picked object.
    virtual bool GetLocalMirror() const { return false; }
    // Whether picks hit back faces too.
    virtual bool GetTwoSidedPick() const { return false; }
    // Whether the camera frames the first import into an empty scene, and every import.
    virtual bool GetFrameFirstImport() const { return true; }
    virtual bool GetFrameEveryImport() const { return false; }
    // The tool size after the first import, as a fraction of the mesh's largest side.
    virtual float GetImportSizeFactor() const { return 0.1f; }
    // Whether a scene file's tool records replace the program's tools (benchmark runs only).
    virtual bool GetLoadTools() const { return false; }
    // Adds one line to the benchmark script being recorded; nothing when none is.
    virtual void RecordBenchmarkLine(const QString &line) {}

    // --- interaction ------------------------------------------------------------------
    // Whether the current tool restarts its stroke at every sample (its restart flag).
    virtual bool CurrentToolRestarts() const { return false; }
    // The tool that brushes use now; null when there is none.
    virtual Brush *GetCurrentTool() const { return nullptr; }
    // Ends and drops the curve editing state, if any.
    virtual void EndCurveEditing() {}
    // Empties the undo and redo histories; false when none was emptied (so by default,
    // where no history is installed).
    virtual bool ClearHistory() { return false; }
    // Runs the selection edit (state true = selected) through the undo history.
    virtual void ExecuteSelection(const FaceEdit &edit);
    // Runs the visibility edit (state true = shown) through the undo history.
    virtual void ExecuteVisibility(const FaceEdit &edit);

    // --- 3D view ----------------------------------------------------------------------
    virtual Camera *GetViewCamera() const { return nullptr; }
    virtual void SetViewCamera(Camera *camera) {}
    // Transfers the live view's stored toggles when a scene file is to carry them
    // (benchmark runs only); false lets the scene transfer a default view's record instead.
    virtual bool SerializeLiveView(Stream &stream) { return false; }

    // --- camera bookmarks of the trays ------------------------------------------------
    virtual std::vector<CameraBookmark> GetCameraBookmarks() const { return {}; }
    // Finds or makes the tray and its bookmark item, and gives the item this camera.
    virtual void StoreCameraBookmark(const QString &tray, const QString &item, const Camera &camera) {}

    // Every open properties window lets go of the node it shows.
    virtual void ReleasePropertyWindows() {}
    // After an import: an open preferences window shows the new values and an open
    // properties window its tool page.
    virtual void ImportFinished() {}

    // --- nodes that belong to a scene ------------------------------------------------
    // Deletes the displacement nodes and the map-extraction nodes of the scene.
    virtual void DeleteSceneNodes(Scene &scene) {}
    // Points the map-extraction nodes of `from` at `to`.
    virtual void MoveSceneNodes(Scene &from, Scene &to) {}
    // The scene file's node lists: kind 0 the displacement nodes, kind 1 the map-extraction
    // nodes. Writing puts a byte 1 and the record of each node to be written (with
    // wholeScene off, only the map-extraction node picked in the node view); the caller
    // ends the list. Reading makes one node of the kind for `scene` from the record that
    // follows; false refuses the file.
    virtual void WriteSceneNodes(Stream &stream, Scene &scene, int kind, bool wholeScene) {}
    virtual bool ReadSceneNode(Stream &stream, Scene &scene, int kind) { return false; }
};

inline SceneServices &SceneHost() { return SceneServices::Get(); }
