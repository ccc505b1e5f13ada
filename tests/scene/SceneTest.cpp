#include "SceneFixtures.h"

#include "foundation/curves/NURBSCurve.h"
#include "mesh/core/Octree.h"
#include "mesh/surface/Material.h"
#include "scene/SceneMeshHost.h"
#include "scene/SelectionSet.h"
#include "scene/camera/Camera.h"
#include "scene/camera/Light.h"
#include "scene/picking/Picker.h"
#include "scene/Transformation.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <tuple>

using General::Vector;

namespace {

class SceneContainer : public SceneTestBase {
protected:
    // Three objects of three levels each.
    void AddThreeObjects()
    {
        for (int i = 0; i < 3; ++i)
            m_scene->AddObject(MakeLeveledObject({2, 8, 32}).release());
    }
};

TEST_F(SceneContainer, PackedIdsNameLevelsByObjectPositionAndLevel)
{
    AddThreeObjects();
    ASSERT_EQ(m_scene->m_iSerial, 0);
    SubdivLevel *level = m_scene->GetObject(2)->GetLevel(2);
    EXPECT_EQ(m_scene->GetMeshId(level), (2 << 16) + 2);
    EXPECT_EQ(m_scene->GetMeshById((2 << 16) + 2), level);
    EXPECT_EQ(m_scene->GetMeshById(1 << 16), m_scene->GetObject(1));
    EXPECT_EQ(m_scene->GetMeshId(nullptr), -1);
    for (int id : {-1, 3 << 16, (0 << 16) + 3})
        EXPECT_EQ(m_scene->GetMeshById(id), nullptr) << id;

    // The head is position 0 whatever it remembers; an object outside gives its remembered position.
    m_scene->GetObject(0)->m_iRememberedPosition = 5;
    EXPECT_EQ(m_scene->GetObjectIndex(m_scene->GetObject(0)), 0);
    auto outside = MakeLeveledObject({2});
    outside->m_iRememberedPosition = 7;
    EXPECT_EQ(m_scene->GetObjectIndex(outside.get()), 7);
    EXPECT_EQ(m_scene->GetMeshId(outside.get()), 7 << 16);
    EXPECT_EQ(m_scene->GetObject(3), nullptr);
}

TEST_F(SceneContainer, IdsOfLaterScenesDecodeInTheirOwnScene)
{
    auto later = std::make_unique<Scene>();
    for (int serial : {1, 200}) {
        Scene::s_iCounter = serial;
        Scene scratch;
        ASSERT_EQ(Scene::GetCurrent(), &scratch);
        for (int i = 0; i < 3; ++i)
            scratch.AddObject(MakeLeveledObject({2, 8, 32}).release());
        for (int p = 0; p < 3; ++p)
            for (int l = 0; l < 3; ++l) {
                SubdivLevel *level = scratch.GetObject(p)->GetLevel(l);
                const int id = scratch.GetMeshId(level);
                EXPECT_NE(id, -1);
                EXPECT_EQ(scratch.GetMeshById(id), level) << serial << " " << p << " " << l;
            }
        // Another scene's id names nothing here.
        EXPECT_EQ(scratch.GetMeshById((1 << 16) + 1), nullptr);
    }
    // Destroying a scene hands "current" back to the one before it.
    EXPECT_EQ(Scene::GetCurrent(), later.get());
    later.reset();
    EXPECT_EQ(Scene::GetCurrent(), m_scene.get());
}

TEST_F(SceneContainer, TheMeshHostAnswersFromTheCurrentScene)
{
    AddThreeObjects();
    SceneMeshHost host;
    EXPECT_TRUE(host.HasScene());
    EXPECT_EQ(host.GetObjectCount(), 3);
    EXPECT_EQ(host.GetObjectAt(1), m_scene->GetObject(1));
    SubdivLevel *level = m_scene->GetObject(1)->GetLevel(2);
    EXPECT_EQ(host.GetMeshById(host.GetMeshId(level)), level);
    m_scene.reset();
    EXPECT_FALSE(host.HasScene());
    EXPECT_EQ(host.GetMeshById(2), nullptr);
}

TEST_F(SceneContainer, ClearingKeepsTheFirstLightAndMakesTheDefaultCameras)
{
    for (int i = 0; i < 3; ++i)
        m_scene->AddLight(new Light);
    Light *first = m_scene->m_pLights;
    m_scene->CreateDefaultCameras();
    AddThreeObjects();
    m_scene->AddCurve(new General::NURBSCurve(2));
    m_scene->CreateSelectionSet("set", false);
    m_scene->m_sFileName = "scene.tev";
    m_scene->m_bModified = true;

    m_scene->Clear(true);
    EXPECT_EQ(m_scene->m_pLights, first);
    EXPECT_EQ(first->m_pNext, nullptr);
    EXPECT_EQ(m_scene->m_pCurrentLight, nullptr);  // it was the last light added
    EXPECT_EQ(m_scene->m_iLightCount, 3);
    EXPECT_EQ(m_scene->m_iCameraCount, 8);
    const char *names[] = {"Perspective", "Top", "Side", "Front"};
    const Vector positions[] = {{0, 200, 500}, {0.01f, 500, 0}, {500, 0, 0}, {0, 0, 500}};
    int i = 0;
    for (Camera *camera = m_scene->m_pCameras; camera; camera = camera->m_pNext.get(), ++i) {
        ASSERT_LT(i, 4);
        EXPECT_EQ(camera->m_sCameraName, QLatin1String(names[i]));
        EXPECT_EQ(camera->m_aTranslate.GetValue().y, positions[i].y);
        EXPECT_EQ(camera->m_aOrthographic.GetValue(), i > 0);
    }
    EXPECT_EQ(i, 4);
    EXPECT_EQ(m_scene->m_pActiveCamera, m_scene->m_pCameras);
    EXPECT_EQ(m_services.viewCamera, m_scene->m_pCameras);
    EXPECT_EQ(m_scene->m_pObjects, nullptr);
    EXPECT_EQ(m_scene->m_pCurves, nullptr);
    EXPECT_EQ(m_scene->m_pSelectionSets, nullptr);
    EXPECT_TRUE(m_scene->m_sFileName.isEmpty());
    EXPECT_FALSE(m_scene->m_bModified);

    m_scene->Clear(false);
    EXPECT_EQ(m_scene->m_pCameras, nullptr);
    EXPECT_EQ(m_scene->m_pActiveCamera, nullptr);
    EXPECT_EQ(m_services.viewCamera, nullptr);
    EXPECT_EQ(m_scene->m_pLights, nullptr);
    EXPECT_EQ(m_scene->m_iCameraCount, 0);
    EXPECT_EQ(m_scene->m_iLightCount, 0);
    EXPECT_EQ(Surface::Materials().Count(), 1);
    EXPECT_EQ(m_services.historyClears, 2);
    EXPECT_EQ(m_services.curveEditEnds, 2);
}

TEST_F(SceneContainer, AScratchSceneLeavesTheProgramsMaterialsAndHistory)
{
    m_scene->Clear(false);  // the main scene's default material
    m_services.historyClears = 0;
    Surface::Material *material = Surface::Materials().First();
    ASSERT_NE(material, nullptr);
    m_scene->AddObject(MakeLeveledObject({2}).release());
    {
        Scene scratch;
        scratch.AddObject(MakeLeveledObject({3}).release());
        scratch.AddLight(new Light);
    }
    EXPECT_EQ(Surface::Materials().First(), material);
    EXPECT_EQ(m_scene->m_pObjects->GetMaterial(), material);
    EXPECT_EQ(m_services.historyClears, 0);
    EXPECT_EQ(Scene::GetCurrent(), m_scene.get());
}

TEST_F(SceneContainer, MergingTakesObjectsAndCurvesButNotCameras)
{
    m_scene->AddObject(MakeLeveledObject({2}).release());
    m_scene->AddCurve(new General::NURBSCurve(2));
    {
        Scene other;
        other.AddObject(MakeLeveledObject({3}).release());
        other.AddObject(MakeLeveledObject({4}).release());
        other.AddCurve(new General::NURBSCurve(3));
        other.AddCamera(new Camera);
        m_scene->Merge(other);
        EXPECT_EQ(other.m_pObjects, nullptr);
        EXPECT_EQ(other.m_pCurves, nullptr);
        EXPECT_NE(other.m_pCameras, nullptr);
    }
    ASSERT_EQ(m_scene->GetObjectCount(), 3);
    EXPECT_EQ(m_scene->GetObject(2)->m_iFaceCount, 4u);
    ASSERT_NE(m_scene->m_pCurves->GetNext(), nullptr);
    EXPECT_EQ(m_scene->m_pCurves->GetNext()->GetDegree(), 3);
    EXPECT_EQ(m_scene->m_pCameras, nullptr);
}

TEST_F(SceneContainer, ImportUnitsScaleEveryLevel)
{
    const std::vector<std::pair<int, float>> units = {{0, 0.1f}, {1, 1.0f}, {2, 100.0f}, {3, 2.54f}, {9, 1.0f}};
    for (const auto &[unit, factor] : units) {
        m_services.unit = unit;
        auto object = MakeLeveledObject({2, 8});
        Scene::ApplyImportUnits(object.get());
        EXPECT_FLOAT_EQ(object->m_pVertices[2].m_vPosition.x, factor) << unit;
        EXPECT_FLOAT_EQ(object->GetLevel(1)->m_pVertices[3].m_vPosition.y, factor) << unit;
    }
}

TEST_F(SceneContainer, BuildingOctreesMovesTheBarEveryFiftiethOfTheFaces)
{
    EXPECT_FALSE(m_scene->HasOctree());
    m_scene->AddObject(MakeLeveledObject({120}).release());
    m_scene->AddObject(MakeLeveledObject({30}).release());
    Recorder().Clear();
    Scene::BuildOctrees(m_scene->m_pObjects);
    std::vector<uint64_t> expected;
    for (uint64_t count = 3; count < 120; count += 2)
        expected.push_back(count);
    for (uint64_t count = 1; count <= 30; ++count)  // step 0: every face
        expected.push_back(count);
    EXPECT_EQ(Recorder().progressValues, expected);
    EXPECT_EQ(Recorder().progressTexts, QStringList({"building octree...", "building octree..."}));
    EXPECT_EQ(Recorder().statusMessages, QStringList({"building octree", "done."}));
    ASSERT_TRUE(m_scene->HasOctree());
    EXPECT_EQ(m_scene->m_pObjects->m_pOctree->m_fLooseOffset, 1.0f);
    for (unsigned f = 0; f < 120; ++f)
        EXPECT_GE(m_scene->m_pObjects->FaceCube(f), 0) << f;
}

TEST_F(SceneContainer, MirrorPlanesGiveEveryReflectionUnmirroredFirst)
{
    m_services.planes = {{Vector(0, 0, 0), Vector(1, 0, 0)}, {Vector(0, 2, 0), Vector(0, 1, 0)}};
    std::vector<int> masks;
    std::vector<Vector> starts;
    m_scene->MirrorSegments(Vector(1, 1, 5), Vector(1, 1, -5), 0, 0, [&](const Vector &start, const Vector &, int mask) {
        masks.push_back(mask);
        starts.push_back(start);
    });
    EXPECT_EQ(masks, (std::vector<int>{0, 2, 1, 3}));
    ASSERT_EQ(starts.size(), 4u);
    EXPECT_EQ(starts[1].y, 3.0f);  // reflected in y = 2
    EXPECT_EQ(starts[2].x, -1.0f);  // reflected in x = 0
    EXPECT_EQ(starts[3].x, -1.0f);
    EXPECT_EQ(starts[3].y, 3.0f);

    // Local planes live in the space of the first hit's object.
    m_services.planes.resize(1);
    m_services.localMirror = true;
    General::Matrix shift;
    shift.SetRow(3, Vector(4, 0, 0));  // row vectors: the translation is the last row
    starts.clear();
    m_scene->MirrorSegments(
        Vector(1, 1, 5), Vector(1, 1, -5), 0, 0,
        [&](const Vector &start, const Vector &, int) { starts.push_back(start); }, [&] { return &shift; });
    ASSERT_EQ(starts.size(), 2u);
    EXPECT_EQ(starts[1].x, 7.0f);  // reflected in x = 4
}

TEST_F(SceneContainer, PickingHitsEveryPlacedObjectOncePerMirror)
{
    Object &front = *MakeLeveledObject({4}).release();
    Object &back = *MakeLeveledObject({4}).release();
    m_scene->AddObject(&front);
    m_scene->AddObject(&back);
    static_cast<Transformation *>(back.GetTransformation())->SetTranslate(Vector(0, 0, -1));
    Scene::BuildOctrees(m_scene->m_pObjects);
    m_services.planes = {{Vector(2, 0, 0), Vector(1, 0, 0)}};

    // A tool that keeps one pick per freeze state gets the nearest hit of each batch.
    Picker picker;
    m_scene->Pick(picker, Vector(1.3f, 0.6f, 5), Vector(1.3f, 0.6f, -5), 0, 0);
    ASSERT_EQ(picker.GetPickCount(), 2);
    EXPECT_EQ(picker.GetPick(1)->m_iTag, 1);

    m_services.restarts = true;
    picker.Clear();
    m_scene->Pick(picker, Vector(1.3f, 0.6f, 5), Vector(1.3f, 0.6f, -5), 0, 0);
    ASSERT_EQ(picker.GetPickCount(), 4);
    // The unmirrored batch, nearest first, then the batch reflected in x = 2.
    const std::vector<std::tuple<Mesh *, unsigned, int>> expected = {
        {&front, 1, 0}, {&back, 1, 0}, {&front, 2, 1}, {&back, 2, 1}};
    for (int i = 0; i < 4; ++i) {
        const PickInfo &pick = *picker.GetPick(i);
        EXPECT_EQ(pick.m_pMesh, std::get<0>(expected[size_t(i)])) << i;
        EXPECT_EQ(unsigned(pick.m_iFace), std::get<1>(expected[size_t(i)])) << i;
        EXPECT_EQ(pick.m_iTag, std::get<2>(expected[size_t(i)])) << i;
    }
    EXPECT_LT(picker.GetPick(0)->m_fDistance, picker.GetPick(1)->m_fDistance);
}

}  // namespace
