#include "CameraFixtures.h"

#include "mesh/core/Octree.h"
#include "scene/camera/Camera.h"
#include "scene/picking/FrustumSelector.h"
#include "support/LooseOctree.h"
#include "support/MeshFixtures.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <set>

using General::Vector;

namespace {

// A camera looking at `target` from `position`, set up as a frame would be.
void Aim(Camera &camera, bool orthographic, const Vector &position, const Vector &target)
{
    camera.m_aOrthographic.SetValue(orthographic);
    camera.SetTranslate(position);
    camera.m_vTarget = target;
    camera.LookAt(target, Vector(0, 1, 0));
    camera.m_aViewport[2] = 800;
    camera.m_aViewport[3] = 600;
    camera.m_fAspect = 800.0f / 600.0f;
    camera.m_mModelView = camera.GetInverseLocalMatrix();
    camera.m_mProjection = camera.GetProjectionMatrix(false);
}

// Keeps the faces whose own box the frustum accepts, as a drawing pass would see them.
class FaceCollector : public Octree::FrustumSelector {
public:
    void VisitFace(Mesh &mesh, unsigned face) override
    {
        AABB box;
        mesh.AddFaceToAABB(box, face, false);
        if (TestBox(box) != 1)
            faces.insert(face);
    }
    std::set<unsigned> faces;
};

}  // namespace

TEST(FrustumSelector, AcceptsWhatTheCameraSeesAndRejectsWhatItDoesNot)
{
    RecordingCameraHost host;
    fixtures::TestPlacement identity(Vector(1, 1, 1), Vector(0, 0, 0));
    std::mt19937 random(3);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    for (bool orthographic : {false, true}) {
        SCOPED_TRACE(orthographic);
        Camera camera;
        Aim(camera, orthographic, Vector(30, 40, 200), Vector(0, 0, 0));
        for (int r = 0; r < 6; ++r) {
            const float left = unit(random) * 0.5f, top = unit(random) * 0.5f;
            const float right = left + 0.1f + unit(random) * 0.4f, bottom = top + 0.1f + unit(random) * 0.4f;
            Octree::FrustumSelector frustum;
            frustum.SetRectangle(camera, left, top, right, bottom, 0.0f);
            frustum.SetObjectSpace(identity);
            for (const auto &plane : frustum.m_aPlanes)
                ASSERT_TRUE(std::isfinite(plane.distance) && std::isfinite(plane.normal.Length()));
            int inside = 0, outside = 0;
            for (int i = 0; i < 400; ++i) {
                const float spread = i % 2 ? 300.0f : 80.0f;
                const Vector p = Vector(unit(random) - 0.5f, unit(random) - 0.5f, unit(random) - 0.5f) * spread;
                const Vector s = camera.WorldToScreen(p, true);
                const float fx = (s.x + 1) * 0.5f, fy = 1 - (s.y + 1) * 0.5f;
                const bool inFront = (p - camera.GetPosition()).Dot(camera.GetForward()) > 0.0f;
                const int answer = frustum.TestBox(AABB(p, p + Vector(1e-3f, 1e-3f, 1e-3f)));
                if (inFront && fx > left + 0.01f && fx < right - 0.01f && fy > top + 0.01f && fy < bottom - 0.01f &&
                    s.z < 0.99f) {
                    EXPECT_EQ(answer, 2) << p.x << " " << p.y << " " << p.z;
                    ++inside;
                } else if (!inFront || fx < left - 0.01f || fx > right + 0.01f || fy < top - 0.01f ||
                           fy > bottom + 0.01f) {
                    EXPECT_EQ(answer, 1) << p.x << " " << p.y << " " << p.z;
                    ++outside;
                }
            }
            EXPECT_GT(inside, 0);
            EXPECT_GT(outside, 0);
        }
    }
}

TEST(FrustumSelector, OctreeSelectionEqualsBruteForce)
{
    RecordingCameraHost host;
    for (float loose : {0.0f, 1.0f}) {
        SCOPED_TRACE(loose);
        auto mesh = fixtures::MakeWavySheet(160, 160, 9);
        BuildLooseOctree(*mesh, loose);
        // The sheet is placed, so the corners really travel into its space.
        fixtures::TestPlacement placement(Vector(2, 2, 2), Vector(-160, -160, 0));
        std::mt19937 random(17);
        std::uniform_real_distribution<float> unit(0.0f, 1.0f);
        for (bool orthographic : {false, true}) {
            Camera camera;
            Aim(camera, orthographic, Vector(40, 100, 400), Vector(unit(random) * 50, 0, 0));
            for (int r = 0; r < 4; ++r) {
                const float left = unit(random) * 0.6f, top = unit(random) * 0.6f;
                FaceCollector viaTree;
                viaTree.SetRectangle(camera, left, top, left + 0.3f, top + 0.3f, r == 3 ? 2.0f : 0.0f);
                viaTree.SetObjectSpace(placement);
                mesh->m_pOctree->Traverse(viaTree, nullptr, 0);
                FaceCollector all = viaTree;
                all.faces.clear();
                for (unsigned f = 0; f < mesh->m_iFaceCount; ++f)
                    all.VisitFace(*mesh, f);
                EXPECT_EQ(viaTree.faces, all.faces) << orthographic << " " << r;
                EXPECT_LT(viaTree.m_iTests, int(mesh->m_iFaceCount) / 4);  // the tree does cull
            }
        }
    }
}

TEST(FrustumSelector, WithoutAnActiveCameraTheSelectorStaysEmpty)
{
    RecordingCameraHost host;
    Octree::FrustumSelector frustum;
    frustum.SetRectangle(0, 0, 1, 1, 0);
    EXPECT_EQ(frustum.m_aCorners[0], Vector(0, 0, 0));
}
