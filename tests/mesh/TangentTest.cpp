#include "mesh/core/Mesh.h"
#include "mesh/surface/TangentConfig.h"
#include "support/MeshFixtures.h"
#include "support/RecordBytes.h"
#include "support/RecordingShell.h"
#include "support/StreamAtVersion.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

using General::Vector;
using Surface::TangentConfig;

namespace {

void ExpectNear(const Vector &actual, const Vector &expected, const char *what)
{
    EXPECT_NEAR(actual.x, expected.x, 1e-5f) << what;
    EXPECT_NEAR(actual.y, expected.y, 1e-5f) << what;
    EXPECT_NEAR(actual.z, expected.z, 1e-5f) << what;
}

// Texture coordinate i of the mesh is (u, v) of entry i; corners use their vertex's.
void SetTCs(Mesh &mesh, const std::vector<std::pair<float, float>> &tcs)
{
    mesh.m_iTCCount = unsigned(tcs.size());
    mesh.m_pTCs.SetItemCount(mesh.m_iTCCount, false);
    for (unsigned i = 0; i < tcs.size(); ++i)
        mesh.m_pTCs[i] = TC{tcs[i].first, tcs[i].second};
}

void SetNormals(Mesh &mesh, const Vector &normal)
{
    for (unsigned i = 0; i < mesh.m_iVertexCount; ++i)
        PackNormal(normal, mesh.m_pVertices[i].m_aNormal);
}

// A unit quad in the xy plane, u along +x and v along +y, normals +z.
std::unique_ptr<Mesh> FlatQuad()
{
    auto mesh = fixtures::MakeQuads({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}, {{0, 1, 2, 3}});
    SetTCs(*mesh, {{0, 0}, {1, 0}, {1, 1}, {0, 1}});
    SetNormals(*mesh, Vector(0, 0, 1));
    return mesh;
}

}  // namespace

TEST(Tangents, FlatQuadGivesTheTextureAxes)
{
    auto mesh = FlatQuad();
    TangentConfig config;
    mesh->CalculateTangents(config);
    EXPECT_EQ(mesh->m_iIndexMode, TangentConfig::kIndexTC);
    ASSERT_EQ(mesh->m_aTNB.GetItemCount(), 4u);
    for (const General::Base &frame : mesh->m_aTNB) {
        ExpectNear(frame.m_vTangent, Vector(1, 0, 0), "tangent");
        ExpectNear(frame.m_vNormal, Vector(0, 0, 1), "normal");
        ExpectNear(frame.m_vBinormal, Vector(0, 1, 0), "binormal");
    }
    EXPECT_EQ(Recorder().progressTexts, QStringList{"calculating tangents..."});
    EXPECT_EQ(Recorder().progressEnds, 1);
}

TEST(Tangents, OrientationSettles)
{
    // B · (T × N) is -1 on the flat quad: right handed already, left handed flips B.
    const struct {
        int orientation;
        Vector binormal;
    } cases[] = {
        {TangentConfig::kOrientationAny, Vector(0, 1, 0)},
        {TangentConfig::kRightHanded, Vector(0, 1, 0)},
        {TangentConfig::kLeftHanded, Vector(0, -1, 0)},
    };
    for (const auto &c : cases) {
        auto mesh = FlatQuad();
        TangentConfig config;
        config.m_aOrientation.SetValue(c.orientation);
        mesh->CalculateTangents(config);
        ExpectNear(mesh->m_aTNB[0].m_vBinormal, c.binormal, config.m_aOrientation.AsString().toLatin1());
        ExpectNear(mesh->m_aTNB[0].m_vTangent, Vector(1, 0, 0), "tangent");
    }
}

TEST(Tangents, SwitchFlipAndDerive)
{
    const struct {
        const char *name;
        void (*set)(TangentConfig &);
        Vector t, n, b;
    } cases[] = {
        {"switch", [](TangentConfig &c) { c.m_aSwitchTangentWithBinormal.SetValue(true); }, {0, 1, 0}, {0, 0, 1}, {1, 0, 0}},
        {"flip normal", [](TangentConfig &c) { c.m_aFlipNormal.SetValue(true); }, {1, 0, 0}, {0, 0, -1}, {0, 1, 0}},
        {"flip tangent", [](TangentConfig &c) { c.m_aFlipTangent.SetValue(true); }, {-1, 0, 0}, {0, 0, 1}, {0, 1, 0}},
        {"flip binormal", [](TangentConfig &c) { c.m_aFlipBinormal.SetValue(true); }, {1, 0, 0}, {0, 0, 1}, {0, -1, 0}},
        // The derived axes follow the cross products: N = T × B, T = B × N, B = N × T.
        {"derive normal", [](TangentConfig &c) { c.m_aDeriveAxis.SetValue(TangentConfig::kDeriveNormal); }, {1, 0, 0}, {0, 0, 1}, {0, 1, 0}},
        {"derive tangent", [](TangentConfig &c) { c.m_aDeriveAxis.SetValue(TangentConfig::kDeriveTangent); }, {1, 0, 0}, {0, 0, 1}, {0, 1, 0}},
        {"derive binormal", [](TangentConfig &c) { c.m_aDeriveAxis.SetValue(TangentConfig::kDeriveBinormal); }, {1, 0, 0}, {0, 0, 1}, {0, 1, 0}},
    };
    for (const auto &c : cases) {
        auto mesh = FlatQuad();
        TangentConfig config;
        c.set(config);
        mesh->CalculateTangents(config);
        ExpectNear(mesh->m_aTNB[2].m_vTangent, c.t, c.name);
        ExpectNear(mesh->m_aTNB[2].m_vNormal, c.n, c.name);
        ExpectNear(mesh->m_aTNB[2].m_vBinormal, c.b, c.name);
    }
}

TEST(Tangents, OrthogonalisationAndShortestAxis)
{
    // A sheared quad: u runs along x, v along (1, 1, 0), so the raw binormal is not
    // perpendicular to the tangent.
    auto mesh = fixtures::MakeQuads({{0, 0, 0}, {1, 0, 0}, {2, 1, 0}, {1, 1, 0}}, {{0, 1, 2, 3}});
    SetTCs(*mesh, {{0, 0}, {1, 0}, {1, 1}, {0, 1}});
    SetNormals(*mesh, Vector(0, 0, 1));

    TangentConfig plain;
    mesh->CalculateTangents(plain);
    const float s = std::sqrt(0.5f);
    ExpectNear(mesh->m_aTNB[0].m_vBinormal, Vector(s, s, 0), "raw binormal");

    TangentConfig toTangent;
    toTangent.m_aOrthogonalizeBinormalToTangent.SetValue(true);
    mesh->CalculateTangents(toTangent);
    // T × (B × T) with unit T keeps the part of B across T; it is not normalised again.
    ExpectNear(mesh->m_aTNB[0].m_vBinormal, Vector(0, s, 0), "orthogonalised binormal");

    // Equal sums derive the tangent: T = B × N.
    TangentConfig shortest;
    shortest.m_aDeriveAxis.SetValue(TangentConfig::kDeriveShortest);
    mesh->CalculateTangents(shortest);
    ExpectNear(mesh->m_aTNB[0].m_vTangent, Vector(s, -s, 0), "derived tangent");
}

TEST(Tangents, IndexSourcesSizeTheFrames)
{
    // A cube whose texture coordinates are shared by pairs of positions (0 and 7 both use tc 0).
    auto cube = fixtures::MakeCube();
    SetTCs(*cube, {{0, 0}, {1, 0}, {0, 1}, {1, 1}});
    cube->WithFaces([](auto &faces) {
        for (auto &face : faces)
            for (int &tc : face.m_iTCI)
                tc = int(unsigned(tc) % 4u);
    });
    const struct {
        int source;
        unsigned frames;
        unsigned cornerTable;
    } cases[] = {
        {TangentConfig::kIndexPosition, 8, 0},
        {TangentConfig::kIndexTC, 4, 0},
        {TangentConfig::kIndexGlobal, 24, 0},
        {3, 24, 24},
    };
    for (const auto &c : cases) {
        TangentConfig config;
        config.m_aIndexSource.SetValue(c.source, true);
        cube->CalculateTangents(config);
        EXPECT_EQ(cube->m_iIndexMode, c.source);
        EXPECT_EQ(cube->m_aTNB.GetItemCount(), c.frames) << c.source;
        EXPECT_EQ(cube->m_aCornerIndexTable.GetItemCount(), c.cornerTable) << c.source;
        if (c.cornerTable)
            EXPECT_EQ(cube->m_aCornerIndexTable[23], 23u);
    }
}

TEST(Tangents, DegenerateAndMissingCoordinates)
{
    // No texture coordinates: the frames stay as they were.
    auto bare = fixtures::MakeQuads({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}, {{0, 1, 2, 3}});
    bare->m_aTNB.SetItemCount(1, false);
    bare->m_aTNB[0] = General::Base{{1, 2, 3}, {4, 5, 6}, {7, 8, 9}};
    TangentConfig config;
    bare->CalculateTangents(config);
    EXPECT_EQ(bare->m_aTNB[0].m_vNormal, Vector(4, 5, 6));
    EXPECT_TRUE(Recorder().progressTexts.isEmpty());

    // All texture coordinates equal: no direction at all, which normalises to (0, 1, 0).
    auto flat = FlatQuad();
    SetTCs(*flat, {{0.5f, 0.5f}, {0.5f, 0.5f}, {0.5f, 0.5f}, {0.5f, 0.5f}});
    TangentConfig none;
    none.m_aOrthogonalizeTangentToNormal.SetValue(false);
    flat->CalculateTangents(none);
    ExpectNear(flat->m_aTNB[0].m_vTangent, Vector(0, 1, 0), "tangent");
    ExpectNear(flat->m_aTNB[0].m_vBinormal, Vector(0, 1, 0), "binormal");
}

TEST(Tangents, BadLookupModeAndIndicesAreRefused)
{
    Recorder().ExpectAssertionFailures();
    auto mesh = FlatQuad();
    TangentConfig config;
    config.m_aIndexSource.SetValue(7, true);  // as a corrupt record may leave it
    EXPECT_THROW(mesh->CalculateTangents(config), General::Error);

    // A texture index past the store is reported and skipped; the rest is computed.
    auto stray = FlatQuad();
    stray->m_pQuads[0].m_iTCI[2] = 99;
    TangentConfig position;
    position.m_aIndexSource.SetValue(TangentConfig::kIndexPosition, true);
    stray->CalculateTangents(position);
    EXPECT_TRUE(Recorder().LogContains("Assertion failed"));
    EXPECT_EQ(Recorder().progressEnds, 1);
}

TEST(TangentConfigPresets, PresetsSetValuesAndLockTheOthers)
{
    TangentConfig config;
    config.m_aPreset.SetValue(TangentConfig::kQuorra);
    EXPECT_TRUE(config.m_aFlipBinormal.GetValue());
    EXPECT_TRUE(config.m_aOrthogonalizeBinormalToNormal.GetValue());
    EXPECT_EQ(config.m_aDeriveAxis.GetValue(), TangentConfig::kDeriveShortest);
    for (int i = 0; i < TangentConfig::kAttributeCount; ++i) {
        General::Attribute *attribute = config.GetConfigAttribute(i);
        EXPECT_EQ(attribute->IsReadOnly(), attribute != &config.m_aPreset) << attribute->GetName().toStdString();
    }

    config.m_aPreset.SetValue(TangentConfig::kVarnel);
    EXPECT_FALSE(config.m_aFlipBinormal.GetValue());  // the only difference between the two

    config.m_aPreset.SetValue(TangentConfig::kCustom);
    for (int i = 0; i < TangentConfig::kAttributeCount; ++i)
        EXPECT_FALSE(config.GetConfigAttribute(i)->IsReadOnly());
    EXPECT_EQ(config.m_aDeriveAxis.GetValue(), TangentConfig::kDeriveShortest);  // kept
}

TEST(TangentConfigPresets, ChangesTellTheOwner)
{
    TangentConfig config;
    // A watch of THIS hears the content change of event 3.
    struct Watcher : General::Node {
        General::AttributePointer<General::Node> m_aTarget{QStringLiteral("target")};
        int m_iChanges = 0;
        void AttributeChanged(General::Attribute *, int event) override
        {
            m_iChanges += event == General::Attribute::kNodeChanged;
        }
    } watcher;
    watcher.m_aTarget.SetValue(&config);
    config.m_aFlipNormal.SetValue(true);
    config.m_aPreset.SetValue(TangentConfig::kVarnel);
    EXPECT_EQ(watcher.m_iChanges, 2);
    EXPECT_EQ(config.m_aFlipNormal.GetTooltip(), "Invert normal");
}

TEST(TangentConfigRecord, RoundTripsAtEveryVersionGate)
{
    TempDir dir;
    for (int v : {100, 127, 128, 129, 130, 202, 203, 204, 205, 206, 225, 226, 228}) {
        SCOPED_TRACE(v);
        TangentConfig stored;
        stored.m_aOrthogonalizeTangentToNormal.SetValue(false, true);
        stored.m_aOrthogonalizeBinormalToNormal.SetValue(true, true);
        stored.m_aOrthogonalizeBinormalToTangent.SetValue(true, true);
        stored.m_aOrthogonalizeTangentToBinormal.SetValue(true, true);
        stored.m_aDeriveAxis.SetValue(TangentConfig::kDeriveNormal, true);
        stored.m_aPreset.SetValue(TangentConfig::kQuorra, true);
        stored.m_aSwitchTangentWithBinormal.SetValue(true, true);
        stored.m_aIndexSource.SetValue(TangentConfig::kIndexGlobal, true);
        stored.m_aFlipNormal.SetValue(true, true);
        stored.m_aFlipBinormal.SetValue(true, true);
        stored.m_aUseVertexNormals.SetValue(false, true);
        stored.m_aOrientation.SetValue(TangentConfig::kLeftHanded, true);
        {
            StreamAtVersion stream(dir.File("config"), v);
            ASSERT_TRUE(stored.Serialize(stream));
        }
        const int size = 4 + (v < 206 ? 3 : 8) + 1 + (v > 127 ? 4 : 0) + (v >= 129 && v <= 205 ? 4 : 0) +
                         (v > 225 ? 3 : 4) + (v > 129 ? 4 : 0) + (v > 202 ? 1 : 0) + (v > 203 ? 4 : 0);
        EXPECT_EQ(TempDir::Read(dir.File("config")).size(), 4 + size);

        TangentConfig read;
        Stream stream(dir.File("config"), false);
        ASSERT_TRUE(read.Serialize(stream));
        EXPECT_EQ(stream.BytesLeft(), 0u);
        EXPECT_FALSE(read.m_aOrthogonalizeTangentToNormal.GetValue());
        EXPECT_TRUE(read.m_aOrthogonalizeBinormalToNormal.GetValue());
        EXPECT_TRUE(read.m_aOrthogonalizeBinormalToTangent.GetValue());
        EXPECT_TRUE(read.m_aOrthogonalizeTangentToBinormal.GetValue());
        EXPECT_EQ(read.m_aDeriveAxis.GetValue(), v >= 206 ? TangentConfig::kDeriveNormal : TangentConfig::kDeriveNone);
        EXPECT_EQ(read.m_aPreset.GetValue(), v >= 206 ? TangentConfig::kQuorra : TangentConfig::kCustom);
        EXPECT_TRUE(read.m_aSwitchTangentWithBinormal.GetValue());
        EXPECT_EQ(read.m_aIndexSource.GetValue(), v > 127 ? TangentConfig::kIndexGlobal : TangentConfig::kIndexTC);
        EXPECT_TRUE(read.m_aFlipNormal.GetValue());
        EXPECT_FALSE(read.m_aFlipTangent.GetValue());
        EXPECT_TRUE(read.m_aFlipBinormal.GetValue());
        EXPECT_EQ(read.m_aUseVertexNormals.GetValue(), v <= 202);
        EXPECT_EQ(read.m_aOrientation.GetValue(), v > 203 ? TangentConfig::kLeftHanded : TangentConfig::kOrientationAny);
    }
}

TEST(TangentConfigRecord, BytesFollowTheTable)
{
    TempDir dir;
    for (int v : {228, 150}) {
        SCOPED_TRACE(v);
        TangentConfig stored;
        stored.m_aOrthogonalizeTangentToNormal.SetValue(false, true);
        stored.m_aOrthogonalizeBinormalToNormal.SetValue(true, true);
        stored.m_aDeriveAxis.SetValue(2, true);
        stored.m_aPreset.SetValue(0, true);
        stored.m_aSwitchTangentWithBinormal.SetValue(true, true);
        stored.m_aIndexSource.SetValue(2, true);
        stored.m_aFlipTangent.SetValue(true, true);
        stored.m_aFlipBinormal.SetValue(true, true);
        stored.m_aUseVertexNormals.SetValue(false, true);
        stored.m_aOrientation.SetValue(2, true);

        Bytes b;
        // Binormal to normal, binormal to tangent, tangent to binormal, tangent to normal.
        b.U8(1).U8(0).U8(0).U8(0);
        if (v >= 206)
            b.I32(2).I32(0);  // "Derive Axis", "Preset"
        else
            b.U8(0).U8(0).U8(0);
        b.U8(1).I32(2);  // "Switch Tangent With Binormal", "Index Source"
        if (v <= 205)
            b.I32(0);
        if (v > 225)
            b.U8(0).U8(1).U8(1);  // flip normal, tangent, binormal
        else
            b.I32(2 | 4);
        b.I32(0);  // reserved
        if (v > 202)
            b.U8(0).I32(2);  // "Use Vertex Normals", "Orientation"
        EXPECT_EQ(WrittenAt(stored, v, dir.File("config")).toHex().toStdString(), b.Get().toHex().toStdString());

        TangentConfig read;
        auto stream = ReadingAt(v, b.Get(), dir.File("config"));
        ASSERT_TRUE(read.Serialize(*stream));
        EXPECT_EQ(stream->BytesLeft(), 0u);
        EXPECT_TRUE(read.m_aOrthogonalizeBinormalToNormal.GetValue());
        EXPECT_FALSE(read.m_aOrthogonalizeTangentToNormal.GetValue());
        EXPECT_EQ(read.m_aDeriveAxis.GetValue(), v >= 206 ? 2 : 0);
        EXPECT_TRUE(read.m_aSwitchTangentWithBinormal.GetValue());
        EXPECT_EQ(read.m_aIndexSource.GetValue(), 2);
        EXPECT_FALSE(read.m_aFlipNormal.GetValue());
        EXPECT_TRUE(read.m_aFlipTangent.GetValue());
        EXPECT_TRUE(read.m_aFlipBinormal.GetValue());
        EXPECT_EQ(read.m_aUseVertexNormals.GetValue(), v <= 202);
        EXPECT_EQ(read.m_aOrientation.GetValue(), v > 203 ? 2 : 0);
    }
}
