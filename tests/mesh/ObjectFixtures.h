#pragma once
// What the object, layer and material tests share: a host that records what the mesh
// model asked of the layers above, a stand-in for the scene's transformation node, and
// objects built in code.
#include "foundation/attributes/AttributeInstance.h"
#include "foundation/Node.h"
#include "foundation/Stream.h"
#include "mesh/object/Layer3D.h"
#include "mesh/object/LayerLevel.h"
#include "mesh/surface/Material.h"
#include "mesh/core/MeshGlobals.h"
#include "mesh/object/MeshHost.h"
#include "mesh/object/Object.h"
#include "mesh/core/Placement.h"
#include "support/MeshFixtures.h"
#include "support/RecordingShell.h"
#include "support/TempDir.h"

#include <QByteArray>

#include <memory>
#include <vector>

namespace fixtures {

// Installed for its lifetime; answers as a scene holding `objects` would.
class RecordingMeshHost : public MeshHost {
public:
    RecordingMeshHost() { MeshHost::Install(this); }
    ~RecordingMeshHost() override { MeshHost::Install(nullptr); }

    bool HasScene() const override { return scene; }
    int GetObjectCount() const override { return scene ? int(objects.size()) : 0; }
    Object *GetObjectAt(int index) const override { return objects.at(size_t(index)); }
    int GetMeshId(const SubdivLevel *level) const override
    {
        for (size_t i = 0; scene && level && i < objects.size(); ++i)
            if (const_cast<SubdivLevel *>(level)->GetBaseLevel() == objects[i])
                return int(i) * 65536 + level->GetLevelIndex();
        return -1;
    }
    SubdivLevel *GetMeshById(int id) const override
    {
        if (!scene || id < 0 || size_t(id >> 16) >= objects.size())
            return nullptr;
        return objects[size_t(id >> 16)]->GetLevel(id & 0xFFFF);
    }
    Object *GetActiveObject() const override { return active; }
    void SetActiveObject(Object *object) override { active = object; }
    void SelectObject(Object *object, bool select) override { selected.push_back({object, select}); }
    void Redraw() override { ++redraws; }
    void RefreshLayerList() override { ++layerListRefreshes; }
    void RefreshObjectInfo() override { ++objectInfoRefreshes; }
    void ShowMaterialProperties() override { ++materialShows; }
    bool TextureDisplay() const override { return textures; }
    int MaximumTextureSize() const override { return maximumTextureSize; }
    bool ShowLayerWeights() const override { return layerWeights; }

    bool scene = false;
    std::vector<Object *> objects;
    Object *active = nullptr;
    std::vector<std::pair<Object *, bool>> selected;
    int redraws = 0, layerListRefreshes = 0, objectInfoRefreshes = 0, materialShows = 0;
    bool textures = true;
    int maximumTextureSize = 2048;
    bool layerWeights = false;
};

// The scene's transformation as far as objects see it: "Translate", "Rotate" and
// "Scale", a matrix of scale then translation, and a record of the three vectors.
class TestTransformation : public General::Node, public Placement {
public:
    static General::TypeInfo s_typeInfo;
    const General::TypeInfo *GetTypeInfo() const override { return &s_typeInfo; }

    General::Vector GetScale() const override { return m_aScale.GetValue(); }
    const General::Matrix &GetFullMatrix() override
    {
        m_mFull.SetIdentity();
        const General::Vector s = m_aScale.GetValue(), t = m_aTranslate.GetValue();
        m_mFull(0, 0) = s.x;
        m_mFull(1, 1) = s.y;
        m_mFull(2, 2) = s.z;
        m_mFull(3, 0) = t.x;
        m_mFull(3, 1) = t.y;
        m_mFull(3, 2) = t.z;
        return m_mFull;
    }
    const General::Matrix &GetInverseLocalMatrix() override
    {
        m_mInverse = GetFullMatrix();
        m_mInverse.Invert();
        return m_mInverse;
    }
    bool Serialize(Stream &stream) override
    {
        stream << m_aTranslate << m_aRotate << m_aScale;
        return !stream.HasError();
    }
    void SetSubject(Mesh *subject) override { m_pSubject = subject; }

    General::AttributeInstance<General::Vector> m_aTranslate{QStringLiteral("Translate")};
    General::AttributeInstance<General::Vector> m_aRotate{QStringLiteral("Rotate")};
    General::AttributeInstance<General::Vector> m_aScale{QStringLiteral("Scale")};
    Mesh *m_pSubject = nullptr;

    TestTransformation() { m_aScale.SetValue(General::Vector(1, 1, 1), true); }

private:
    General::Matrix m_mFull, m_mInverse;
};

inline constinit General::TypeInfo TestTransformation::s_typeInfo{&General::Node::s_typeInfo, "Transformation",
                                                                  &General::CreateNodes<TestTransformation>};

// Registers the mesh model's classes and the stand-in transformation; gives the global
// material list its default material while the fixture lives. Swap files go to a private
// folder, so that tests running side by side never share them.
class ModelFixture {
public:
    ModelFixture()
    {
        Recorder().tempFolder = m_swapFolder.Path();
        InitializeMeshGlobals();
        General::TypeInfo::Register(TestTransformation::s_typeInfo);
        Surface::InitMaterials();
    }
    ~ModelFixture()
    {
        Surface::Materials().Clear();
        General::TypeInfo::Unregister(TestTransformation::s_typeInfo);
    }

private:
    TempDir m_swapFolder;
};

// Sets texture coordinate i of the mesh to tcs[i].
inline void SetTCs(Mesh &mesh, const std::vector<std::pair<float, float>> &tcs)
{
    mesh.m_iTCCount = unsigned(tcs.size());
    mesh.m_pTCs.SetItemCount(mesh.m_iTCCount, false);
    for (unsigned i = 0; i < tcs.size(); ++i)
        mesh.m_pTCs[i] = TC{tcs[i].first, tcs[i].second};
}

// A w × h grid of unit quads in the xy plane, texture coordinates (x / w, y / h) scaled by
// `uvScale`, made into level `into`.
template <class M>
void FillGrid(M &into, unsigned w, unsigned h, float uvScale = 1.0f)
{
    std::vector<General::Vector> positions;
    std::vector<std::pair<float, float>> tcs;
    for (unsigned j = 0; j <= h; ++j)
        for (unsigned i = 0; i <= w; ++i) {
            positions.emplace_back(float(i), float(j), 0.0f);
            tcs.emplace_back(uvScale * float(i) / float(w), uvScale * float(j) / float(h));
        }
    SetVertices(into, positions);
    into.m_eType = Mesh::typeQuadric;
    into.m_iFaceCount = into.m_iPolygonCount = w * h;
    into.m_pQuads.SetItemCount(into.m_iFaceCount, false);
    for (unsigned j = 0; j < h; ++j)
        for (unsigned i = 0; i < w; ++i) {
            const unsigned a = j * (w + 1) + i;
            const unsigned corners[4] = {a, a + 1, a + w + 2, a + w + 1};
            Quad q{};
            q.m_iOctree = OctreeLink::kNone;
            for (unsigned c = 0; c < 4; ++c) {
                q.m_iIndices[c] = corners[c];
                q.m_iAdjacent[c] = -1;
                q.m_iTCI[c] = int32_t(corners[c]);
            }
            q.m_iIndices[0] |= MeshFlags::kBit31;
            into.m_pQuads[j * w + i] = q;
        }
    into.m_iTotalFaceCount = into.m_iFaceCount;
    into.m_iTotalVertexCount = into.m_iVertexCount;
    SetTCs(into, tcs);
}

// An object that is a w × h grid, with `levels` - 1 further grid levels above it.
inline std::unique_ptr<Object> MakeGridObject(unsigned w, unsigned h, int levels = 1)
{
    auto object = std::make_unique<Object>();
    FillGrid(*object, w, h);
    SubdivLevel *below = object.get();
    for (int i = 1; i < levels; ++i) {
        auto *level = new SubdivLevel;
        FillGrid(*level, w << i, h << i);
        below->SetNextLevel(level);
        below = level;
    }
    return object;
}

inline General::Vector Position(const Mesh &mesh, unsigned vertex) { return mesh.m_pVertices[vertex].m_vPosition; }

}  // namespace fixtures
