#pragma once
// What the scene needs of the program: the controller's current tool, the view's camera
// and the curve editing; selection and visibility edits and the emptying of the histories
// go through the undo history as the base class runs them. Preference values keep their
// defaults until the preferences carry them.

#include "operations/selection/SelectionEdits.h"

class CurveEditing;
class Tevrin;

class AppSceneServices : public Operations::SelectionSceneServices {
public:
    AppSceneServices(Tevrin &window, CurveEditing &editing) : m_rWindow(window), m_rEditing(editing) {}

    Brush *GetCurrentTool() const override;
    void RecordBenchmarkLine(const QString &line) override;
    void EndCurveEditing() override;
    // The preferences' mirror pairs in use (none while symmetry is off or tangent).
    int GetMirrorPlaneCount() const override;
    void GetMirrorPlane(int index, General::Vector &point, General::Vector &normal) const override;
    bool GetLocalMirror() const override;
    Camera *GetViewCamera() const override;
    void SetViewCamera(Camera *camera) override;
    void ReleasePropertyWindows() override;
    // The import may have sized the tools to the mesh: open preferences windows and brush
    // pages show the values the tools now have.
    void ImportFinished() override;
    // The bookmarks of every tray, in tray order.
    std::vector<CameraBookmark> GetCameraBookmarks() const override;
    void StoreCameraBookmark(const QString &tray, const QString &item, const Camera &camera) override;
    // The displacement operations go with their scene; map-extraction nodes are not kept
    // with a scene.
    void DeleteSceneNodes(Scene &scene) override;
    void MoveSceneNodes(Scene &from, Scene &to) override;
    void WriteSceneNodes(Stream &stream, Scene &scene, int kind, bool wholeScene) override;
    bool ReadSceneNode(Stream &stream, Scene &scene, int kind) override;

private:
    Tevrin &m_rWindow;
    CurveEditing &m_rEditing;
};
