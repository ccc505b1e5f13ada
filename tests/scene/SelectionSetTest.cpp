#include "SceneFixtures.h"

#include "foundation/Stream.h"
#include "scene/SelectionSet.h"
#include "scene/camera/Camera.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <QByteArray>

#include <algorithm>
#include <cstring>

namespace {

class SelectionSets : public SceneTestBase {
protected:
    Object &Add(const std::vector<unsigned> &faces, bool triangleBase = false)
    {
        Object *object = MakeLeveledObject(faces, triangleBase).release();
        m_scene->AddObject(object);
        return *object;
    }
};

TEST_F(SelectionSets, ASetRecordsTheSelectedFacesOfEveryLevelOnce)
{
    Object &a = Add({6, 24});
    Object &b = Add({4});
    SelectFace(a, 1);
    SelectFace(*a.GetLevel(1), 20);
    SelectFace(*a.GetLevel(1), 3);
    SelectionSet *set = m_scene->CreateSelectionSet("first", true);
    ASSERT_EQ(set->m_aEntries.size(), 2u);  // b has no selected face
    EXPECT_EQ(set->m_aEntries[0]->level, &a);
    EXPECT_EQ(set->m_aEntries[1]->level, a.GetLevel(1));
    EXPECT_EQ(std::vector<unsigned>(set->m_aEntries[1]->faces.begin(), set->m_aEntries[1]->faces.end()),
              (std::vector<unsigned>{3, 20}));
    EXPECT_EQ(set->GetName(), QLatin1String("first"));
    EXPECT_FALSE(set->m_bActive);

    SelectFace(b, 2);
    EXPECT_EQ(m_scene->CreateSelectionSet("first", true), set);
    EXPECT_EQ(set->m_aEntries.size(), 2u);
    SelectionSet *second = m_scene->CreateSelectionSet("second", false);
    EXPECT_EQ(m_scene->m_pSelectionSets, second);
    EXPECT_EQ(second->m_pNext, set);
    EXPECT_TRUE(second->m_aEntries.empty());
}

TEST_F(SelectionSets, SelectingASetCarriesItsFacesToEveryLevel)
{
    // Quads: level 2 face 37 is face 9 of level 1, face 2 of level 0 and faces 148 to 151 of level 3.
    Object &quads = Add({6, 24, 96, 384});
    SelectionSet *set = m_scene->CreateSelectionSet("quads", false);
    set->AddLevel(quads.GetLevel(2))->faces.Add(37);
    // Triangles and polygons at the base have three children per face.
    Object &triangles = Add({4, 12, 48}, true);
    SelectionSet::Entry *entry = set->AddLevel(triangles.GetLevel(1));
    entry->faces.Add(7);
    SelectionSet *other = m_scene->CreateSelectionSet("other", false);
    other->m_bActive = true;

    m_scene->SelectSetFaces(set);
    EXPECT_EQ(SelectedFaces(quads), (std::vector<unsigned>{2}));
    EXPECT_EQ(SelectedFaces(*quads.GetLevel(1)), (std::vector<unsigned>{9}));
    EXPECT_EQ(SelectedFaces(*quads.GetLevel(2)), (std::vector<unsigned>{37}));
    EXPECT_EQ(SelectedFaces(*quads.GetLevel(3)), (std::vector<unsigned>{148, 149, 150, 151}));
    EXPECT_EQ(SelectedFaces(triangles), (std::vector<unsigned>{2}));
    EXPECT_EQ(SelectedFaces(*triangles.GetLevel(1)), (std::vector<unsigned>{7}));
    EXPECT_EQ(SelectedFaces(*triangles.GetLevel(2)), (std::vector<unsigned>{28, 29, 30, 31}));
    EXPECT_EQ(quads.GetLevel(3)->m_iSelectedFaces, 4u);
    EXPECT_EQ(m_services.selections.size(), 1u);  // one edit for the whole set
    EXPECT_TRUE(set->m_bActive);
    EXPECT_FALSE(other->m_bActive);
}

TEST_F(SelectionSets, HiddenAndMissingFacesAreLeftOut)
{
    Object &object = Add({4, 16});
    SubdivLevel &one = *object.GetLevel(1);
    one.m_pQuads[5].m_iIndices[0] &= ~MeshFlags::kBit31;  // hidden
    SelectionSet *set = m_scene->CreateSelectionSet("set", false);
    set->AddLevel(&object)->faces.Add(1);
    set->m_aEntries[0]->faces.Add(9);  // past the level's faces
    m_scene->SelectSetFaces(set);
    EXPECT_EQ(SelectedFaces(object), (std::vector<unsigned>{1}));
    EXPECT_EQ(SelectedFaces(one), (std::vector<unsigned>{4, 6, 7}));

    // A partial level records and finds its faces by their numbers in the whole level.
    m_scene->ClearSelection();
    ASSERT_TRUE(one.MakePartial());
    one.m_aFaceMap[2].second = 40;
    SelectFace(one, 2);
    SelectionSet *partial = m_scene->CreateSelectionSet("partial", true);
    ASSERT_EQ(partial->m_aEntries.size(), 1u);
    EXPECT_EQ(partial->m_aEntries[0]->faces[0], 40u);
    m_scene->ClearSelection();
    m_scene->SelectSetFaces(partial);
    EXPECT_EQ(SelectedFaces(one), (std::vector<unsigned>{2}));
    EXPECT_TRUE(SelectedFaces(object).empty());  // face 10 of level 0 does not exist
}

// The faces of a level that have a corner at the point.
std::vector<unsigned> FacesWithCornerAt(const SubdivLevel &level, const General::Vector &point)
{
    std::vector<unsigned> faces;
    for (unsigned f = 0; f < level.m_iFaceCount; ++f)
        for (unsigned c = 0; c < level.Corners(); ++c)
            if ((level.CornerPosition(f, c) - point).Length() < 1e-4f) {
                faces.push_back(f);
                break;
            }
    return faces;
}

TEST_F(SelectionSets, SetsOnAPolygonBaseFollowItsChildrenThroughSaveAndLoad)
{
    // A quad, a triangle and a pentagon in the plane z = 0: six triangles on level 0.
    Object *object = m_scene->Import(QStringLiteral(TEVRIN_TEST_DATA "/obj/assimp_mixed.obj"), true, false, true);
    ASSERT_NE(object, nullptr);
    ASSERT_EQ(object->m_iFaceCount, 6u);
    ASSERT_TRUE(object->Subdivide());
    ASSERT_TRUE(object->Subdivide());
    SubdivLevel &one = *object->GetLevel(1), &two = *object->GetLevel(2);
    ASSERT_EQ(one.m_iFaceCount, 12u);
    ASSERT_EQ(two.m_iFaceCount, 48u);
    // The pentagon's triangles are the last three; its centre is a corner of each of its
    // children on level 1, and the triangle's centre of each of the triangle's.
    const auto centre = [&](unsigned first, unsigned last) {
        std::vector<General::Vector> corners;
        for (unsigned t = first; t <= last; ++t)
            for (unsigned c = 0; c < 3; ++c)
                if (std::find(corners.begin(), corners.end(), object->CornerPosition(t, c)) == corners.end())
                    corners.push_back(object->CornerPosition(t, c));
        General::Vector sum(0, 0, 0);
        for (const General::Vector &corner : corners)
            sum = sum + corner;
        return sum * (1.0f / float(corners.size()));
    };
    const General::Vector pentagon = centre(3, 5), triangle = centre(2, 2);
    const std::vector<unsigned> pentagonChildren = FacesWithCornerAt(one, pentagon);
    const std::vector<unsigned> triangleChildren = FacesWithCornerAt(one, triangle);
    ASSERT_EQ(pentagonChildren.size(), 5u);
    ASSERT_EQ(triangleChildren.size(), 3u);

    // One face of level 2 under the pentagon, and the triangle on level 0.
    const unsigned grandchild = pentagonChildren[1] * 4 + 2;
    SelectionSet *set = m_scene->CreateSelectionSet("mixed", false);
    set->AddLevel(&two)->faces.Add(grandchild);
    set->AddLevel(object)->faces.Add(2);
    // Every level shown, nothing selected (subdividing leaves the faces it worked on
    // flagged), so that the set's faces show on each level.
    const auto showAll = [](Object &o) {
        for (SubdivLevel *level = &o; level; level = level->m_pNext) {
            level->WithFaces([&](auto &records) {
                for (unsigned f = 0; f < level->m_iFaceCount; ++f) {
                    records[f].m_iIndices[1] &= ~MeshFlags::kBit31;
                    records[f].m_iIndices[0] |= MeshFlags::kBit31;
                }
            });
            level->m_iSelectedFaces = level->m_iHiddenFaces = 0;
        }
    };
    showAll(*object);
    m_scene->SelectSetFaces(set);
    EXPECT_EQ(SelectedFaces(*object), (std::vector<unsigned>{2, 3, 4, 5}));
    std::vector<unsigned> level1 = triangleChildren;
    level1.push_back(pentagonChildren[1]);
    std::sort(level1.begin(), level1.end());
    EXPECT_EQ(SelectedFaces(one), level1);
    std::vector<unsigned> level2{grandchild};
    for (unsigned f : triangleChildren)
        for (unsigned k = 0; k < 4; ++k)
            level2.push_back(f * 4 + k);
    std::sort(level2.begin(), level2.end());
    EXPECT_EQ(SelectedFaces(two), level2);

    // Recorded from the selection, saved and loaded, the set selects the same faces.
    SelectionSet *recorded = m_scene->CreateSelectionSet("recorded", true);
    showAll(*object);
    m_scene->SelectSetFaces(recorded);
    const std::vector<std::vector<unsigned>> before = {SelectedFaces(*object), SelectedFaces(one), SelectedFaces(two)};
    EXPECT_EQ(before[2].size(), 32u);  // the pentagon's and the triangle's children
    TempDir dir;
    ASSERT_TRUE(m_scene->Save(dir.File("mixed.tev"), true));
    ASSERT_TRUE(m_scene->Load(dir.File("mixed.tev"), false, true));
    Object &loaded = *m_scene->GetObject(0);
    showAll(loaded);
    recorded = m_scene->m_pSelectionSets;
    ASSERT_EQ(recorded->m_sSetName, QLatin1String("recorded"));
    m_scene->SelectSetFaces(recorded);
    const std::vector<std::vector<unsigned>> after = {SelectedFaces(loaded), SelectedFaces(*loaded.GetLevel(1)),
                                                      SelectedFaces(*loaded.GetLevel(2))};
    EXPECT_EQ(after, before);
}

TEST_F(SelectionSets, ClearingDeselectsEverythingAndDropsTheObjectSelection)
{
    Object &object = Add({4, 16});
    SelectFace(object, 0);
    SelectFace(*object.GetLevel(1), 15);
    SelectionSet *set = m_scene->CreateSelectionSet("set", true);
    set->m_bActive = true;
    m_scene->ClearSelection();
    EXPECT_TRUE(SelectedFaces(object).empty());
    EXPECT_TRUE(SelectedFaces(*object.GetLevel(1)).empty());
    EXPECT_EQ(object.GetLevel(1)->m_iSelectedFaces, 0u);
    EXPECT_FALSE(set->m_bActive);
    EXPECT_FALSE(m_scene->HasSelectedFaces());
}

TEST_F(SelectionSets, ALevelThatGoesLeavesItsSetsAndEmptySetsGo)
{
    Object &object = Add({4, 16, 64});
    SelectionSet *both = m_scene->CreateSelectionSet("both", false);
    both->AddLevel(&object);
    both->AddLevel(object.GetLevel(2));
    SelectionSet *only = m_scene->CreateSelectionSet("only", false);
    only->AddLevel(object.GetLevel(2));

    object.GetLevel(1)->SetNextLevel(nullptr);  // level 2 is destroyed
    EXPECT_EQ(m_scene->m_pSelectionSets, both);
    EXPECT_EQ(both->m_pNext, nullptr);
    ASSERT_EQ(both->m_aEntries.size(), 1u);
    EXPECT_EQ(both->m_aEntries[0]->level, &object);

    // A set outside the chain can be removed too.
    auto *loose = new SelectionSet("loose");
    m_scene->RemoveSelectionSet(loose);
    EXPECT_EQ(m_scene->m_pSelectionSets, both);
}

TEST_F(SelectionSets, RectangleSelectionSelectsTogglesAndTakesWholeLevels)
{
    // Identity matrices: view x = (world x + 1) / 2, view y = (1 - world y) / 2.
    auto *camera = new Camera;
    camera->m_mModelView = General::Matrix();
    camera->m_mProjection = General::Matrix();
    m_scene->AddCamera(camera);
    m_scene->m_pActiveCamera = camera;
    // Eight faces of width 0.25 from x = -1: centres at view x 0.0625, 0.1875, ...
    Object &object = Add({8});
    for (unsigned v = 0; v < object.m_iVertexCount; ++v) {
        Vertex &vertex = object.m_pVertices[v];
        vertex.m_vPosition = General::Vector(vertex.m_vPosition.x * 0.25f - 1.0f, vertex.m_vPosition.y * 0.5f, 0);
    }
    object.GetAABB(true);
    SelectFace(object, 1);

    m_scene->SelectFacesInRectangle(false, 1, 0.1f, 0.0f, 0.4f, 1.0f);  // toggles faces 1 to 2
    EXPECT_EQ(SelectedFaces(object), (std::vector<unsigned>{2}));
    m_scene->SelectFacesInRectangle(false, 0, 0.0f, 0.0f, 0.2f, 1.0f);
    EXPECT_EQ(SelectedFaces(object), (std::vector<unsigned>{0, 1, 2}));
    m_scene->SelectFacesInRectangle(false, 2, 0.15f, 0.0f, 0.2f, 1.0f);
    EXPECT_EQ(SelectedFaces(object), (std::vector<unsigned>{0, 2}));
    // A rectangle above the faces selects nothing.
    m_scene->SelectFacesInRectangle(false, 0, 0.0f, 0.0f, 1.0f, 0.2f);
    EXPECT_EQ(SelectedFaces(object), (std::vector<unsigned>{0, 2}));

    // Whole level: the first face inside gives its toggled state to every visible face.
    object.m_pQuads[7].m_iIndices[0] &= ~MeshFlags::kBit31;
    m_scene->SelectFacesInRectangle(true, 1, 0.4f, 0.0f, 0.5f, 1.0f);  // face 3 was not selected
    EXPECT_EQ(SelectedFaces(object), (std::vector<unsigned>{0, 1, 2, 3, 4, 5, 6}));
    m_scene->SelectFacesInRectangle(true, 1, 0.3f, 0.0f, 0.5f, 1.0f);  // face 2 first, now selected
    EXPECT_TRUE(SelectedFaces(object).empty());
}

TEST_F(SelectionSets, ARectangleSelectsTheFacesDrawnInsideItWithALargerOffscreenBuffer)
{
    // A 10 x 10 grid of unit faces seen from above by a 400 x 300 view that draws into the
    // lower-left part of a 512 x 512 buffer, with the matrices its frame leaves.
    constexpr unsigned kN = 10;
    Object *grid = fixtures::MakeGrid<Object>(kN).release();
    grid->GetAABB(true);
    m_scene->AddObject(grid);
    auto *camera = new Camera;
    m_scene->AddCamera(camera);
    m_scene->m_pActiveCamera = camera;
    camera->SetTranslate(General::Vector(5.0f, 5.0f, 20.0f));
    camera->LookAt(General::Vector(5.0f, 5.0f, 0.0f), General::Vector(0, 1, 0));
    camera->m_fAspect = 400.0f / 300.0f;
    camera->m_mModelView = camera->GetInverseLocalMatrix();

    // Where each face centre lands in the picture the view shows, top row 0.
    camera->m_mProjection = camera->GetProjectionMatrix(false);
    std::vector<General::Vector> drawn;
    for (unsigned f = 0; f < grid->m_iFaceCount; ++f) {
        const General::Vector centre(float(f % kN) + 0.5f, float(f / kN) + 0.5f, 0.0f);
        const General::Vector ndc =
            camera->m_mProjection.ProjectPoint(camera->m_mModelView.Transform(centre, 1.0f), 1.0f);
        drawn.emplace_back(ndc.x * 0.5f + 0.5f, 0.5f - ndc.y * 0.5f, 0.0f);
    }
    camera->m_fWidthRatio = 400.0f / 512.0f;
    camera->m_fHeightRatio = 300.0f / 512.0f;
    camera->m_mProjection = camera->GetProjectionMatrix(true);

    struct Case {
        const char *what;
        float x1, y1, x2, y2;
        enum { kAll, kSome, kNone } holds;
    } cases[] = {
        {"whole view", 0.0f, 0.0f, 1.0f, 1.0f, Case::kAll},   {"left half", 0.0f, 0.0f, 0.5f, 1.0f, Case::kSome},
        {"top half", 0.0f, 0.0f, 1.0f, 0.5f, Case::kSome},    {"lower right corner", 0.6f, 0.6f, 1.0f, 1.0f, Case::kSome},
        {"middle band", 0.2f, 0.45f, 0.8f, 0.7f, Case::kSome}, {"empty space", 0.0f, 0.0f, 0.08f, 1.0f, Case::kNone},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        m_scene->ClearSelection();
        std::vector<unsigned> expected;
        for (unsigned f = 0; f < grid->m_iFaceCount; ++f)
            if (drawn[f].x >= c.x1 && drawn[f].x <= c.x2 && drawn[f].y >= c.y1 && drawn[f].y <= c.y2)
                expected.push_back(f);
        const size_t all = grid->m_iFaceCount;
        ASSERT_EQ(c.holds == Case::kAll, expected.size() == all);
        ASSERT_EQ(c.holds == Case::kNone, expected.empty());
        m_scene->SelectFacesInRectangle(false, 0, c.x1, c.y1, c.x2, c.y2);
        EXPECT_EQ(SelectedFaces(*grid), expected);
    }
}

TEST_F(SelectionSets, HidingEverythingAndShowingMarkedFacesAgain)
{
    Object &a = Add({4, 16});
    Object &b = Add({2});
    m_scene->HideFaces(true, &a);
    EXPECT_EQ(a.m_iHiddenFaces, 4u);
    EXPECT_EQ(a.GetLevel(1)->m_iHiddenFaces, 16u);
    EXPECT_EQ(b.m_iHiddenFaces, 0u);

    // Showing brings back the hidden faces that carry both marks (active and mapped).
    SubdivLevel &one = *a.GetLevel(1);
    for (unsigned f : {3u, 9u})
        one.m_pQuads[f].m_iIndices[2] |= MeshFlags::kBit31, one.m_pQuads[f].m_iIndices[3] |= MeshFlags::kBit31;
    one.m_pQuads[4].m_iIndices[2] |= MeshFlags::kBit31;  // one mark only
    m_scene->HideFaces(false, nullptr);
    EXPECT_EQ(one.m_iHiddenFaces, 14u);
    EXPECT_TRUE(one.IsFaceVisible(3));
    EXPECT_TRUE(one.IsFaceVisible(9));
    EXPECT_FALSE(one.IsFaceVisible(4));
    EXPECT_EQ(a.m_iHiddenFaces, 4u);
    ASSERT_EQ(m_services.visibilities.size(), 2u);
    EXPECT_EQ(m_services.visibilities[1].targets.front().level, &one);  // highest level first
}

// Little-endian record bytes, written field by field.
QByteArray Int(int value) { return QByteArray(reinterpret_cast<const char *>(&value), 4); }
QByteArray Text(const char *text) { return Int(int(std::strlen(text))) + QByteArray(text); }

TEST_F(SelectionSets, RecordsReadBackAgainstTheScene)
{
    Object &object = Add({4, 16});
    TempDir dir;
    const QString path = dir.File("sets.str");
    // Two sets: "a" with level 1 of object 0 holding faces 3 and 5; "b" with an id of no level.
    const QByteArray body = Text("a") + Int(1) + Int(1) + Int(2) + Int(3) + Int(5) + Text("b") + Int(1) + Int(9 << 16) +
                            Int(0);
    TempDir::Write(path, Int(Stream::kCurrentVersion) + body);
    SelectionSet first;
    first.m_pNext = new SelectionSet;
    {
        Stream stream(path, false);
        ASSERT_TRUE(first.Serialize(stream, *m_scene));
        EXPECT_EQ(stream.BytesLeft(), 0u);
    }
    EXPECT_EQ(first.GetName(), QLatin1String("a"));
    ASSERT_EQ(first.m_aEntries.size(), 1u);
    EXPECT_EQ(first.m_aEntries[0]->level, object.GetLevel(1));
    EXPECT_EQ(first.m_aEntries[0]->faces[1], 5u);
    EXPECT_EQ(first.m_pNext->m_sSetName, QLatin1String("b"));
    EXPECT_EQ(first.m_pNext->m_aEntries[0]->level, nullptr);

    // Written back, the bytes are the same but for the entry without a level, which says so.
    {
        Stream stream(path, true);
        ASSERT_TRUE(first.Serialize(stream, *m_scene));
    }
    EXPECT_EQ(TempDir::Read(path).mid(4), body.chopped(8) + Int(-1) + Int(0));

    const std::vector<std::pair<const char *, QByteArray>> damaged = {
        {"cut in the name", Text("abc").left(5)},
        {"negative entry count", Text("a") + Int(-1)},
        {"entry count past the end", Text("a") + Int(1000)},
        {"face count past the end", Text("a") + Int(1) + Int(0) + Int(50) + Int(1)},
        {"cut after the id", Text("a") + Int(1) + Int(0)},
    };
    for (const auto &[what, bytes] : damaged) {
        TempDir::Write(path, Int(Stream::kCurrentVersion) + bytes);
        SelectionSet set("keep");
        set.AddLevel(&object)->faces.Add(1);
        Stream stream(path, false);
        EXPECT_FALSE(set.Serialize(stream, *m_scene)) << what;
        EXPECT_TRUE(stream.HasError()) << what;
        EXPECT_EQ(set.m_sSetName, QLatin1String("keep")) << what;
        ASSERT_EQ(set.m_aEntries.size(), 1u) << what;
        EXPECT_EQ(set.m_aEntries[0]->faces[0], 1u) << what;
    }
}

TEST_F(SelectionSets, TheRegistryMakesSets)
{
    const General::TypeInfo *record = General::TypeInfo::Find("SelectionSet");
    ASSERT_NE(record, nullptr);
    std::unique_ptr<General::Node> node(record->Create());
    EXPECT_EQ(node->GetTypeInfo(), &SelectionSet::s_typeInfo);
    EXPECT_TRUE(static_cast<SelectionSet *>(node.get())->m_sSetName.isEmpty());
}

}  // namespace
