#pragma once
// Everything a scene file holds apart from the global tool and material lists: the chain
// of objects, the cameras and the active camera, the lights and the current light, the
// curves and the curve being edited, and the chain of selection sets. One scene is
// current at a time; a new scene becomes current and hands that back when it goes, so
// the short-lived scenes of loading leave the main one in place.
//
// Every chain is owned by the scene. Levels are named across the scene by packed ids:
// ((serial × 256 + object position) × 65536) + level index, so the main scene (serial 0)
// has the position in the upper and the level in the lower 16 bits.

#include "foundation/math/Vector.h"
#include "mesh/core/MeshWatcher.h"

#include <QString>

#include <functional>
#include <vector>

class Camera;
class Light;
class Mesh;
class Object;
class Picker;
class SelectionSet;
class Stream;
class SubdivLevel;
struct SceneFileExtras;
namespace General {
class Matrix;
class NURBSCurve;
}

class Scene final : public MeshWatcher {
public:
    Scene();
    // Makes the previous scene current again, then deletes everything it holds; the
    // program's materials and undo history stay.
    ~Scene();
    Scene(const Scene &) = delete;
    Scene &operator=(const Scene &) = delete;

    // The current scene; null before the first one.
    static Scene *GetCurrent() { return s_pCurrent; }

    // --- chains ---------------------------------------------------------------
    Camera *AddCamera(Camera *camera);
    // Appends the light and makes it the current light.
    void AddLight(Light *light);
    void AddCurve(General::NURBSCurve *curve);
    // Appends an object (and any objects chained behind it) at the end of the object chain.
    void AddObject(Object *object);
    // The object at that position (0 = head); null past the end.
    Object *GetObject(int position) const;
    // The object's position; for an object outside the chain, its remembered position.
    int GetObjectIndex(const Object *object) const;
    int GetObjectCount() const;

    // --- packed mesh ids --------------------------------------------------------
    // -1 for null.
    int GetMeshId(const Mesh *mesh) const;
    // The id the level will have once `objects` alone make the scene (as a file written
    // with only them has it); -1 when its object is not among them.
    int GetMeshId(const Mesh *mesh, const std::vector<Object *> &objects) const;
    // The level of an id this scene gave; null for -1, another scene's id, or one past the end.
    SubdivLevel *GetMeshById(int id) const;

    bool HasSelectedFaces() const;
    // Whether the first object's octree has its root cube.
    bool HasOctree() const;

    // --- whole scene ---------------------------------------------------------------
    // Perspective (active), Top, Side and Front, after any cameras already there.
    void CreateDefaultCameras();
    // Without keepDefaults: everything goes. With it: the first light stays and four
    // default cameras are made again.
    void Clear(bool keepDefaults);
    // Takes the other scene's objects and curves (appended after ours).
    void Merge(Scene &other);
    // Shown length per stored centimetre in the preferences' linear unit (millimetre 10,
    // centimetre 1, metre 0.01, inch 0.3937).
    static float LinearUnitScale();
    // Scales every level of an imported object to the preferences' linear unit.
    static void ApplyImportUnits(Object *object);
    // Inserts every face of every object from `first` on into its octree, with progress.
    static void BuildOctrees(Object *first);
    // Visits the segment once per combination of the preferences' mirror planes, the
    // unmirrored branch first; bit d of the mask marks a reflection in plane d. With the
    // local-mirror preference, `localFrame` gives the matrix of the space the planes live in
    // (the object of the first hit so far; null for world space). Picking runs through it.
    using SegmentVisit = std::function<void(const General::Vector &start, const General::Vector &end, int mask)>;
    using LocalFrame = std::function<const General::Matrix *()>;
    void MirrorSegments(General::Vector start, General::Vector end, int depth, int mask, const SegmentVisit &visit,
                        const LocalFrame &localFrame = {}) const;
    // Picks the world segment through the octree of every level of every object, once per
    // mirror combination (the mask is each pick's tag); one scene pick forms one batch.
    void Pick(Picker &picker, General::Vector start, General::Vector end, int depth, int mirrorMask);

    // --- mesh files ------------------------------------------------------------------
    // Imports an OBJ (or, with `bio`, a binary level) file; the first new object, chained to
    // the others in file order, or null after a message. Without `prepare` the objects
    // are only scaled to the linear unit (OBJ) and handed back, not added. With it they get
    // adjacency, normals and octrees and join the scene, whose camera frames them and whose
    // tool size follows them when the scene had no objects. Without `addToScene` the scene
    // is replaced, but only once the file was read: a failed import leaves it as it was.
    Object *Import(const QString &file, bool addToScene, bool bio, bool prepare);
    // Writes the levels as groups of one level file (or one file per level, named
    // "<folder>/<base>_<object>_<level>.<suffix>"): OBJ text for the suffix "obj" in any
    // case, else binary. regenerate and texCoords go to each level's export. False when a
    // file cannot be written; files already written stay.
    bool ExportLevels(const QString &file, bool perLevelFiles, bool regenerate, bool texCoords,
                      const std::vector<SubdivLevel *> &levels);
    // Writes every level of every object (or only levels with selected faces, and of them
    // the selected faces) as groups of one OBJ file. False when it cannot be written.
    bool ExportFaces(const QString &file, bool selectedOnly);

    // --- selection sets and scene-wide face selection -------------------------------
    // The set of that name, or a new one at the head of the chain (filled with the
    // selected faces of every level when `fill`).
    SelectionSet *CreateSelectionSet(const QString &name, bool fill);
    // Unlinks the set (it need not be in the chain) and deletes it alone.
    void RemoveSelectionSet(SelectionSet *set);
    // Selects the set's faces on their levels and every coarser and finer level, as one edit.
    void SelectSetFaces(SelectionSet *set);
    // Deselects every face of every level, as one edit.
    void ClearSelection();
    // Makes the face selection exactly the visible faces of `levels` and the faces of
    // `sets`, as one edit; when that is the selection already, nothing is recorded.
    void SelectOnly(const std::vector<SubdivLevel *> &levels, const std::vector<SelectionSet *> &sets);
    // Drops the level from every set; a set left empty is deleted.
    void RemoveMeshFromSelectionSets(Mesh *mesh);
    // Selects (mode 0), toggles (1) or deselects (2) the visible faces whose centres the
    // active camera shows inside the rectangle (view coordinates 0 to 1); with wholeLevel
    // one face inside gives its value to every visible face of its level.
    void SelectFacesInRectangle(bool wholeLevel, int mode, float x1, float y1, float x2, float y2);
    // Hides every face (hideAll), or shows the hidden faces again; on every object or one.
    void HideFaces(bool hideAll, Object *only);

    void MeshDestroyed(Mesh &mesh) override { RemoveMeshFromSelectionSets(&mesh); }

    // --- scene files ------------------------------------------------------------------
    // The scene record in the stream's direction. What a load brings for the program
    // rather than the scene (tools, camera bookmarks) is applied once the record has
    // been read whole. False (stream error flag set) on a short or inconsistent record.
    bool Serialize(Stream &stream);
    // Writes the scene to `file`, or to the scene name when it is empty; a name ending in
    // ".tev" becomes a zip archive whose entry 0 is the stream, anything else a plain
    // stream. The new file replaces the old one only once it is complete, so a failed
    // save leaves the old one as it was. With wholeScene off only objects with selected
    // faces are written.
    bool Save(const QString &sceneName, bool wholeScene, const QString &file = QString());
    // Reads `file` (or the scene name), a zip archive or a plain stream, into a new
    // scene; only a complete read replaces this scene (or merges into it), so a bad file
    // changes nothing. useCamera makes the loaded active camera the view's camera.
    bool Load(const QString &sceneName, bool merge, bool useCamera, const QString &file = QString());

    // --- members ---------------------------------------------------------------
    Object *m_pObjects = nullptr;
    Camera *m_pCameras = nullptr;
    Camera *m_pActiveCamera = nullptr;
    Light *m_pLights = nullptr;
    Light *m_pCurrentLight = nullptr;
    General::NURBSCurve *m_pCurves = nullptr;
    General::NURBSCurve *m_pCurrentCurve = nullptr;
    float m_fAmbientLevel = 0.0f;
    bool m_bModified = false;
    QString m_sFileName;
    SelectionSet *m_pSelectionSets = nullptr;
    Scene *m_pPrevious = nullptr;
    int m_iSerial = 0;
    int m_iCameraCount = 0;
    int m_iLightCount = 0;
    int m_iObjectCount = 0;
    int m_iCurveCount = 0;

private:
    // The chains, and the nodes of this scene; with keepDefaults the first light stays
    // and the default cameras are made again.
    void DeleteContents(bool keepDefaults);
    // Replaces this scene's contents with the other's, which is left empty.
    void TakeContents(Scene &other);
    bool SerializeRecord(Stream &stream, SceneFileExtras &extras);
    // `written`: the objects the record holds, in record order; `wholeScene`: the stream's
    // flag as the record began.
    bool SerializeChains(Stream &stream, SceneFileExtras &extras, const std::vector<Object *> &written,
                         bool wholeScene);
    bool SavePlain(const QString &target, bool wholeScene);
    // Writes the stream into `file` (created or truncated); true when every byte reached it.
    // `target`: the file the person saved to, which a failed write is reported under.
    bool WriteStream(const QString &file, const QString &target, bool wholeScene);
    bool LoadPlain(const QString &sceneName, const QString &file, bool merge, bool useCamera);
    void DeleteObjects();
    void PickObjects(Picker &picker, const General::Vector &start, const General::Vector &end, int mask);
    void DeleteCameras();
    void DeleteLights(bool keepFirst);

    static Scene *s_pCurrent;

public:
    // The serial the next scene takes; the first scene of a run, the main one, takes 0.
    static int s_iCounter;
};
