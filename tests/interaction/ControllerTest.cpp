#include "InteractionFixtures.h"

#include "foundation/curves/NURBSCurve.h"
#include "interaction/InteractionMeshHost.h"
#include "mesh/object/MeshHost.h"
#include "mesh/object/Object.h"
#include "mesh/surface/Material.h"
#include "operations/objects/DeleteObjectOperation.h"
#include "scene/camera/Camera.h"
#include "support/MeshFixtures.h"

#include <memory>

using Controller = InteractionTest;

TEST_F(Controller, SelectionKeepsEachObjectOnceNewestFirst)
{
    Object a;
    Object b;
    m_interface->SelectObject(&a, true);
    m_interface->SelectObject(&a, true);
    EXPECT_EQ(m_interface->m_lSelection, QList<Object *>{&a});
    EXPECT_EQ(m_host.layerRefreshes, 1);  // made active once
    EXPECT_EQ(m_host.shown.size(), 2u);   // shown in the properties both times

    m_interface->SelectObject(&b, true);
    EXPECT_EQ(m_interface->m_lSelection, (QList<Object *>{&b, &a}));
    EXPECT_EQ(m_interface->m_pActiveObject, &b);
    m_interface->SelectObject(&b, false);
    EXPECT_EQ(m_interface->m_lSelection, QList<Object *>{&a});
    EXPECT_EQ(m_interface->m_pActiveObject, &b);  // deselecting does not change the active object

    const int refreshes = m_host.objectListRefreshes;
    m_interface->SelectObject(&b, false);  // not selected: only shown
    EXPECT_EQ(m_host.objectListRefreshes, refreshes);
    EXPECT_EQ(m_host.shown.back(), &b);
    m_interface->SelectObject(nullptr, true);
    EXPECT_EQ(m_interface->m_lSelection.size(), 1);
    m_interface->SelectObject(nullptr, false);
    EXPECT_TRUE(m_interface->m_lSelection.isEmpty());
}

TEST_F(Controller, ActiveObjectGetsAMaterialAndRefreshesOnlyOnChange)
{
    if (!Surface::Materials().First())
        Surface::InitMaterials();
    Object a;
    m_interface->SetActiveObject(&a);
    EXPECT_EQ(a.GetMaterial(), Surface::Materials().First());
    m_interface->SetActiveObject(&a);
    EXPECT_EQ(m_host.objectListRefreshes, 1);
    EXPECT_EQ(m_host.layerRefreshes, 1);
    m_interface->SetActiveObject(nullptr);
    EXPECT_EQ(m_interface->m_pActiveObject, nullptr);
}

TEST_F(Controller, PickSnapsOntoTheCurrentCurveBelowSixtyPixels)
{
    // A horizontal line across the 200 x 100 view at y = 20 (curve space is view pixels here).
    auto *curve = new General::NURBSCurve(1);
    curve->InsertControlPoint(General::Vector(0.0f, 20.0f, 0.0f), -1);
    curve->InsertControlPoint(General::Vector(200.0f, 20.0f, 0.0f), -1);
    m_scene->AddCurve(curve);
    m_scene->m_pCurrentCurve = curve;

    const struct {
        float y;
        float pickedY;
    } cases[] = {{79.0f, 20.0f}, {80.0f, 80.0f}, {20.0f, 20.0f}};
    for (const auto &c : cases) {
        m_host.picks.clear();
        m_interface->UpdateMousePosition(100.0f, c.y);
        ASSERT_EQ(m_host.picks.size(), 1u);
        EXPECT_NEAR(m_host.picks[0].x, 100.0f, 0.01f) << c.y;
        EXPECT_NEAR(m_host.picks[0].y, c.pickedY, 0.01f) << c.y;
        EXPECT_FLOAT_EQ(m_interface->m_fMouseY, c.y / 100.0f);  // the stored position is not snapped
    }
    // A curve being edited does not pull the cursor.
    curve->SetBeingEdited(true);
    m_host.picks.clear();
    m_interface->UpdateMousePosition(100.0f, 30.0f);
    EXPECT_NEAR(m_host.picks[0].y, 30.0f, 0.01f);
}

TEST_F(Controller, MousePositionDeltaHoverAndRepaint)
{
    m_interface->UpdateMousePosition(50.0f, 50.0f);
    m_interface->UpdateMousePosition(100.0f, 25.0f);
    EXPECT_FLOAT_EQ(m_interface->m_fDeltaX, 0.25f);
    EXPECT_FLOAT_EQ(m_interface->m_fDeltaY, -0.25f);
    EXPECT_EQ(m_host.repaints, 2);

    m_interface->m_bHoverSuspended = true;  // as while the brush size is dragged
    m_interface->m_bRepaintSuppressed = true;
    m_interface->UpdateMousePosition(10.0f, 10.0f);
    EXPECT_EQ(m_host.picks.size(), 2u);
    EXPECT_EQ(m_host.repaints, 2);
    EXPECT_FALSE(m_interface->m_bRepaintSuppressed);
}

TEST_F(Controller, SelectionFollowsTheMouseWhenAskedTo)
{
    Object a;
    Object b;
    m_host.followMouse = true;
    m_host.nextHit = {&a, &a};
    m_interface->UpdateMousePosition(10.0f, 10.0f);
    EXPECT_EQ(m_interface->m_lSelection, QList<Object *>{&a});
    m_host.nextHit = {&b, &b};
    m_interface->UpdateMousePosition(20.0f, 10.0f);
    EXPECT_EQ(m_interface->m_lSelection, QList<Object *>{&b});
    m_host.nextHit = {};
    m_interface->UpdateMousePosition(30.0f, 10.0f);
    EXPECT_TRUE(m_interface->m_lSelection.isEmpty());

    m_host.followMouse = false;
    m_host.nextHit = {&a, &a};
    m_interface->UpdateMousePosition(10.0f, 10.0f);
    EXPECT_TRUE(m_interface->m_lSelection.isEmpty());
}

TEST_F(Controller, RedrawResetsTheViewRegionOnlyWithACamera)
{
    m_scene->m_pActiveCamera->SetViewRegion(General::Rect2D(0.2f, 0.2f, 0.4f, 0.4f), false);
    Interface::Redraw();
    EXPECT_EQ(m_host.repaints, 1);
    EXPECT_TRUE(m_scene->m_pActiveCamera->m_rViewRegion == General::Rect2D(0, 0, 1, 1));
    m_scene->m_pActiveCamera = nullptr;
    Interface::Redraw();
    EXPECT_EQ(m_host.repaints, 1);
}

// Objects that leave the scene leave the selection, the active object and the hover hit:
// a deleted object must not be reachable by object commands.
TEST_F(Controller, AnObjectLeavingTheSceneIsForgotten)
{
    InteractionMeshHost meshHost;
    MeshHost::Install(&meshHost);
    auto a = std::make_unique<Object>();
    Object b;
    m_interface->SelectObject(&b, true);
    m_interface->SelectObject(a.get(), true);
    m_interface->m_cHit.object = a.get();
    a.reset();
    EXPECT_EQ(m_interface->m_lSelection, QList<Object *>{&b});
    EXPECT_EQ(m_interface->m_pActiveObject, nullptr);
    EXPECT_EQ(m_interface->m_cHit.object, nullptr);

    // An undoable deletion takes the object out while the operation still holds it.
    for (int i = 0; i < 2; ++i)
        m_scene->AddObject(fixtures::MakeQuads<Object>({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}},
                                                       {{0, 1, 2, 3}})
                               .release());
    Object *first = m_scene->GetObject(0);
    Object *second = m_scene->GetObject(1);
    m_interface->SelectObject(first, true);
    m_interface->SelectObject(second, true);
    Operations::DeleteObjectOperation deletion({second});
    deletion.Execute();
    EXPECT_EQ(m_scene->GetObjectCount(), 1);
    EXPECT_EQ(m_interface->m_lSelection, (QList<Object *>{first, &b}));
    EXPECT_EQ(m_interface->m_pActiveObject, nullptr);  // it was the active one
    m_interface->SelectObject(nullptr, false);
    MeshHost::Install(nullptr);
}
