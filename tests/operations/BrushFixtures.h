#pragma once
// What the brush tests share: brush services with settable preferences, a flat grid
// object in a fresh main scene, and picks and tools made in code.

#include "SubdivisionFixtures.h"
#include "mesh/core/MeshRecords.h"
#include "mesh/core/PickInfo.h"
#include "mesh/object/Object.h"
#include "operations/brushes/BrushServices.h"
#include "operations/brushes/StrokeSegment.h"
#include "scene/Brush.h"
#include "scene/SceneFixtures.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <vector>

class TestBrushServices : public Operations::BrushServices {
public:
    TestBrushServices() { Install(this); }
    ~TestBrushServices() override { Install(nullptr); }

    int GetBrushRate() const override { return rate; }
    float GetPressureDropFraction() const override { return drop; }
    General::Volume *GetSketchVolume() const override { return volume; }
    void Redraw() override { ++redraws; }
    int GetSymmetryMode() const override { return symmetry; }
    General::Vector GetSymmetryAxis() const override { return axis; }
    bool GetWorldSpaceSymmetry() const override { return worldSpace; }
    void GetPointerPosition(float &x, float &y) const override
    {
        x = pointerX;
        y = pointerY;
    }

    int rate = 40;
    float drop = 0.75f;
    General::Volume *volume = nullptr;
    int redraws = 0;
    int symmetry = 0;
    General::Vector axis{1, 0, 0};
    bool worldSpace = true;
    float pointerX = 0.0f, pointerY = 0.0f;
};

// A scene holding one object: a flat n × n grid of unit quads in z = 0 with its corner at
// the origin, normals +z. Vertex (i, j) is j × (n + 1) + i; face (i, j) is j × n + i.
class BrushTestBase : public SceneTestBase {
protected:
    static constexpr unsigned kN = 8;

    void SetUp() override
    {
        SceneTestBase::SetUp();
        Recorder().tempFolder = m_dir.Path();
        m_segment = Operations::StrokeSegment();
        std::vector<General::Vector> points;
        for (unsigned j = 0; j <= kN; ++j)
            for (unsigned i = 0; i <= kN; ++i)
                points.emplace_back(float(i), float(j), 0.0f);
        std::vector<SubdivisionFixtures::Polygon> quads;
        for (unsigned j = 0; j < kN; ++j)
            for (unsigned i = 0; i < kN; ++i) {
                const unsigned a = j * (kN + 1) + i;
                quads.push_back({a, a + 1, a + kN + 2, a + kN + 1});
            }
        auto object = SubdivisionFixtures::MakeObject(*SubdivisionFixtures::MakeBase(points, quads));
        object->CalculateNormals(false);
        m_object = object.get();
        m_scene->AddObject(object.release());
        m_tool.m_aPairs[0] = Brush::Pair{2.0f, 10.0f};
        m_tool.m_aPairs[1] = m_tool.m_aPairs[0];
        m_tool.m_bSharedSize = false;
        m_tool.m_falloff = General::NURBSCurve(3);  // no sampled curve: the falloff is linear
        m_tool.m_iDirection = 7;                     // +z
    }

    // A fresh scene and grid within one test.
    void Reset()
    {
        TearDown();
        SetUp();
    }

    static unsigned V(unsigned i, unsigned j) { return j * (kN + 1) + i; }
    static unsigned F(unsigned i, unsigned j) { return j * kN + i; }
    General::Vector P(unsigned vertex) const { return m_object->m_pVertices[vertex].m_vPosition; }
    std::vector<General::Vector> Positions(const Mesh &mesh) const
    {
        std::vector<General::Vector> p;
        for (unsigned v = 0; v < mesh.m_iVertexCount; ++v)
            p.push_back(mesh.m_pVertices[v].m_vPosition);
        return p;
    }

    // A pick of `face` at `position` (the object is unplaced, so world = mesh space).
    static PickInfo Pick(Mesh *mesh, unsigned face, const General::Vector &position, int side = 0)
    {
        PickInfo pick;
        pick.m_pMesh = mesh;
        pick.m_iFace = int(face);
        pick.m_vPosition = position;
        pick.m_iTag = side;
        return pick;
    }

    // The face of `mesh` whose centre lies nearest to `point`.
    static unsigned FaceAt(Mesh &mesh, const General::Vector &point)
    {
        unsigned best = 0;
        float bestDistance = 1e30f;
        for (unsigned f = 0; f < mesh.m_iFaceCount; ++f) {
            General::Vector c(0, 0, 0);
            for (unsigned k = 0; k < mesh.Corners(); ++k)
                c += mesh.CornerPosition(f, k);
            const float d = (c * (1.0f / float(mesh.Corners())) - point).Length();
            if (d < bestDistance) {
                bestDistance = d;
                best = f;
            }
        }
        return best;
    }

    TempDir m_dir;
    TestBrushServices m_brushServices;
    Object *m_object = nullptr;
    Brush m_tool{"Test", 1};
    Operations::StrokeSegment m_segment;
};
