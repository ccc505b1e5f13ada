#pragma once
// What the scene tests share: scene services that record what the scene asked of the
// layers above (and apply face edits the way the default does), and objects whose
// levels are built by hand so that every level holds visible faces.
#include "mesh/core/MeshRecords.h"
#include "mesh/object/Object.h"
#include "scene/Scene.h"
#include "scene/SceneGlobals.h"
#include "scene/SceneServices.h"
#include "support/MeshFixtures.h"
#include "support/RecordingShell.h"

#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <vector>

class RecordingSceneServices : public SceneServices {
public:
    RecordingSceneServices() { Install(this); }
    ~RecordingSceneServices() override { Install(nullptr); }

    int GetLinearUnit() const override { return unit; }
    int GetMirrorPlaneCount() const override { return int(planes.size()); }
    void GetMirrorPlane(int index, General::Vector &point, General::Vector &normal) const override
    {
        point = planes[size_t(index)].first;
        normal = planes[size_t(index)].second;
    }
    bool GetLocalMirror() const override { return localMirror; }
    bool GetTwoSidedPick() const override { return twoSided; }
    bool CurrentToolRestarts() const override { return restarts; }
    bool ClearHistory() override
    {
        ++historyClears;
        return true;
    }
    void EndCurveEditing() override { ++curveEditEnds; }
    void ExecuteSelection(const FaceEdit &edit) override
    {
        selections.push_back(edit);
        SceneServices::ExecuteSelection(edit);
    }
    void ExecuteVisibility(const FaceEdit &edit) override
    {
        visibilities.push_back(edit);
        SceneServices::ExecuteVisibility(edit);
    }
    Camera *GetViewCamera() const override { return viewCamera; }
    void SetViewCamera(Camera *camera) override { viewCamera = camera; }
    void RecordBenchmarkLine(const QString &line) override { benchmarkLines.push_back(line); }

    int unit = 1;
    bool localMirror = false;
    bool twoSided = true;
    bool restarts = false;
    std::vector<std::pair<General::Vector, General::Vector>> planes;
    int historyClears = 0;
    int curveEditEnds = 0;
    std::vector<FaceEdit> selections;
    std::vector<FaceEdit> visibilities;
    Camera *viewCamera = nullptr;
    std::vector<QString> benchmarkLines;
};

// A row of `count` unit faces along x in the plane z = 0: face f covers x from f to f + 1
// and y from 0 to 1. Every face is visible.
template <class M>
std::unique_ptr<M> MakeRow(unsigned count, bool quads = true)
{
    std::vector<General::Vector> points;
    for (unsigned i = 0; i <= count; ++i) {
        points.emplace_back(float(i), 0.0f, 0.0f);
        points.emplace_back(float(i), 1.0f, 0.0f);
    }
    if (!quads) {
        std::vector<std::array<unsigned, 3>> triangles;
        for (unsigned f = 0; f < count; ++f)
            triangles.push_back({2 * f, 2 * f + 2, 2 * f + 1});
        return fixtures::MakeTriangles<M>(points, triangles);
    }
    std::vector<std::array<unsigned, 4>> faces;
    for (unsigned f = 0; f < count; ++f)
        faces.push_back({2 * f, 2 * f + 2, 2 * f + 3, 2 * f + 1});
    return fixtures::MakeQuads<M>(points, faces);
}

// An object with one level per count (level 0 first); level 0 of triangles when asked.
inline std::unique_ptr<Object> MakeLeveledObject(const std::vector<unsigned> &faces, bool triangleBase = false)
{
    auto object = MakeRow<Object>(faces[0], !triangleBase);
    SubdivLevel *top = object.get();
    for (size_t i = 1; i < faces.size(); ++i) {
        SubdivLevel *level = MakeRow<SubdivLevel>(faces[i]).release();
        top->SetNextLevel(level);
        top = level;
    }
    return object;
}

inline void SelectFace(SubdivLevel &level, unsigned face)
{
    level.WithFaces([&](auto &records) { records[face].m_iIndices[1] |= MeshFlags::kBit31; });
    ++level.m_iSelectedFaces;
}

// The selected faces of a level, in order.
inline std::vector<unsigned> SelectedFaces(const SubdivLevel &level)
{
    std::vector<unsigned> faces;
    for (unsigned f = 0; f < level.m_iFaceCount; ++f)
        if (level.IsFaceSelected(f))
            faces.push_back(f);
    return faces;
}

// A fresh main scene (serial 0) with recording services for each test.
class SceneTestBase : public testing::Test {
protected:
    void SetUp() override
    {
        InitializeSceneGlobals();
        Scene::s_iCounter = 0;
        m_scene = std::make_unique<Scene>();
    }
    void TearDown() override { m_scene.reset(); }

    RecordingSceneServices m_services;
    std::unique_ptr<Scene> m_scene;
};
