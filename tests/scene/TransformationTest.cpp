#include "foundation/Stream.h"
#include "mesh/core/PickInfo.h"
#include "mesh/object/MeshHost.h"
#include "scene/SceneGlobals.h"
#include "scene/Transformation.h"
#include "support/MeshFixtures.h"
#include "support/RecordingShell.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

using General::Vector;

namespace {

void ExpectNear(const Vector &a, const Vector &b, float tolerance = 1e-4f)
{
    EXPECT_NEAR(a.x, b.x, tolerance);
    EXPECT_NEAR(a.y, b.y, tolerance);
    EXPECT_NEAR(a.z, b.z, tolerance);
}

// A mesh placed by a real transformation.
class TransformedMesh : public Mesh {
public:
    TransformedMesh() : m_cTransformation(this) {}
    Placement *GetPlacement() override { return &m_cTransformation; }
    Transformation m_cTransformation;
};

struct EventLog : General::Node {
    General::AttributePointer<General::Node> m_aWatched{QStringLiteral("watched")};
    int changes = 0;
    void AttributeChanged(General::Attribute *, int event) override { changes += event == General::Attribute::kNodeChanged; }
};

// Counts the redraws the node asks of the view.
struct RedrawCounter : MeshHost {
    RedrawCounter() { MeshHost::Install(this); }
    ~RedrawCounter() override { MeshHost::Install(nullptr); }
    void Redraw() override { ++redraws; }
    int redraws = 0;
};

}  // namespace

TEST(Transformation, DefaultsAndRegistry)
{
    InitializeSceneGlobals();
    const General::TypeInfo *record = General::TypeInfo::Find(QStringLiteral("Transformation"));
    ASSERT_EQ(record, &Transformation::s_typeInfo);
    General::Node *node = record->Create(1);
    auto *t = dynamic_cast<Transformation *>(node);
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->GetScale(), Vector(1, 1, 1));
    EXPECT_EQ(t->GetFullMatrix(), General::Matrix());
    EXPECT_TRUE(t->IsModified());
    EXPECT_TRUE(t->m_bSeen);
    EXPECT_EQ(t->GetAttributeCount(), 6);  // THIS and the five of its own
    delete node;
}

TEST(Transformation, AttributesDriveTheMatrices)
{
    Transformation t;
    t.m_aScale.SetValue(Vector(2, 3, 4));
    t.m_aTranslate.SetValue(Vector(1, 2, 3));
    ExpectNear(t.LocalToWorld(Vector(1, 1, 1), 1.0f), Vector(3, 5, 7));
    ExpectNear(t.LocalToWorld(Vector(1, 1, 1), 0.0f), Vector(2, 3, 4));
    ExpectNear(t.GetPosition(), Vector(1, 2, 3));
    ExpectNear(t.GetInverseLocalMatrix().Transform(Vector(3, 5, 7), 1.0f), Vector(1, 1, 1));

    t.m_aRotate.SetValue(Vector(90, 0, 0));
    General::Matrix expected;
    expected.SetRotation(90 * 3.1415f / 180, 0, 0);
    for (int i = 0; i < 16; ++i)
        EXPECT_NEAR(t.m_mRotation.m[i], expected.m[i], 1e-6f) << i;
    ExpectNear(t.GetUp(), Vector(0, 0, -3), 1e-3f);  // y turned onto -z (row vectors), scaled by 3
}

TEST(Transformation, PivotChangesNoMatrix)
{
    auto mesh = fixtures::MakeCube();
    Transformation t(mesh.get());
    t.SetTranslate(Vector(5, 0, 0));
    const General::Matrix full = t.GetFullMatrix();
    EventLog log;
    log.m_aWatched.SetPointer(&t, true);
    t.m_aPivot.SetValue(Vector(1, 2, 3));
    t.m_aCenterPivot.SetValue(1);
    EXPECT_EQ(t.GetFullMatrix(), full);
    EXPECT_EQ(t.m_aPivot.GetValue(), Vector(0.5f, 0.5f, 0.5f));
    EXPECT_GE(log.changes, 2);
}

TEST(Transformation, AUsersChangeRedrawsTheView)
{
    auto mesh = fixtures::MakeCube();
    Transformation t(mesh.get());
    RedrawCounter view;
    General::AttributeInstance<Vector> *const changes[] = {&t.m_aTranslate, &t.m_aRotate, &t.m_aScale, &t.m_aPivot};
    for (General::AttributeInstance<Vector> *attribute : changes) {
        const int before = view.redraws;
        attribute->SetValue(Vector(1, 2, 3));
        EXPECT_EQ(view.redraws, before + 1) << attribute->GetName().toStdString();
    }
    ExpectNear(t.GetPosition(), Vector(1, 2, 3));
    // "Center Pivot" redraws through the pivot it sets.
    const int before = view.redraws;
    t.m_aCenterPivot.SetValue(1);
    EXPECT_EQ(view.redraws, before + 1);
    // The program's own quiet setters leave redrawing to their callers.
    t.SetTranslate(Vector(0, 0, 0));
    t.SetScale(Vector(1, 1, 1));
    t.SetRotate(Vector(0, 0, 0));
    EXPECT_EQ(view.redraws, before + 1);
}

TEST(Transformation, AddTranslateAndAssignMoveTheNode)
{
    Transformation t;
    t.SetTranslate(Vector(1, 2, 3));
    t.AddTranslate(Vector(10, 20, 30));
    EXPECT_EQ(t.m_aTranslate.GetValue(), Vector(11, 22, 33));
    ExpectNear(t.GetPosition(), Vector(11, 22, 33));
    ExpectNear(t.GetInverseLocalMatrix().Transform(Vector(11, 22, 33), 1.0f), Vector(0, 0, 0));

    RedrawCounter view;
    EXPECT_EQ(t.m_aScale.Assign(2, 2, 2), Vector(2, 2, 2));
    ExpectNear(t.LocalToWorld(Vector(1, 0, 0), 0.0f), Vector(2, 0, 0));
    EXPECT_EQ(view.redraws, 1);
    EXPECT_EQ(t.m_aScale.Assign(3, 3, 3, true), Vector(3, 3, 3));
    EXPECT_EQ(view.redraws, 1);
    General::AttributeInstance<bool> flag(QStringLiteral("flag"));
    EXPECT_TRUE(flag.Assign(true));
    EXPECT_TRUE(flag.GetValue());
}

TEST(Transformation, InversesAreComputedOnceUntilAChange)
{
    Transformation t;
    t.SetScale(Vector(2, 2, 2));
    const General::Matrix &inverse = t.GetInverseLocalMatrix();
    EXPECT_TRUE(t.m_bInverseFullValid);
    t.m_mInverseFull.m[0] = 42.0f;  // a cached value is returned as it is
    EXPECT_EQ(t.GetInverseLocalMatrix().m[0], 42.0f);
    EXPECT_EQ(&t.GetInverseLocalMatrix(), &inverse);
    t.SetScale(Vector(4, 4, 4));
    EXPECT_NEAR(t.GetInverseLocalMatrix().m[0], 0.25f, 1e-6f);
    EXPECT_NEAR(t.GetInverseWorldMatrix().m[5], 0.25f, 1e-6f);
}

TEST(Transformation, RotateByReadsTheAnglesBackInDegrees)
{
    Transformation t;
    t.RotateBy(Vector(0.5f, 0, 0));
    EXPECT_NEAR(t.m_aRotate.GetValue().x, 0.5f * 0.31831926f * 180.0f, 1e-3f);
    Transformation turned;
    turned.RotateAround(Vector(0, 0, 1), 0.25f);
    const Vector right = turned.GetRight();
    EXPECT_NEAR(right.z, 0.0f, 1e-5f);
    EXPECT_NEAR(right.x, std::cos(0.25f), 1e-4f);
    ExpectNear(turned.GetForward(), Vector(0, 0, -1));
}

TEST(Transformation, StreamFormAndVersions)
{
    TempDir dir;
    Transformation t;
    t.SetScale(Vector(2, 1, 1));
    t.SetRotate(Vector(10, 20, 30));
    t.SetTranslate(Vector(-1, 0, 4));
    t.m_aPivot.SetValue(Vector(7, 7, 7), true);
    {
        Stream out(dir.File("t.bin"), true);
        ASSERT_TRUE(t.Serialize(out));
    }
    const QByteArray bytes = TempDir::Read(dir.File("t.bin"));
    EXPECT_EQ(bytes.size(), 4 + 5 + 8 * 64 + 4 * 12);
    Transformation back;
    {
        Stream in(dir.File("t.bin"), false);
        ASSERT_TRUE(back.Serialize(in));
    }
    EXPECT_EQ(back.GetFullMatrix(), t.GetFullMatrix());
    EXPECT_EQ(back.m_aRotate.GetValue(), t.m_aRotate.GetValue());
    EXPECT_EQ(back.m_aPivot.GetValue(), Vector(7, 7, 7));

    // Version 213 has no pivot, 210 no rotation either: the record is shorter and the values stay.
    for (int version : {213, 210}) {
        QByteArray old = bytes.left(4 + 5 + 8 * 64 + 12 * (version >= 211 ? 3 : 2));
        std::memcpy(old.data(), &version, 4);
        TempDir::Write(dir.File("old.bin"), old);
        Transformation loaded;
        Stream in(dir.File("old.bin"), false);
        ASSERT_TRUE(loaded.Serialize(in));
        EXPECT_EQ(in.BytesLeft(), 0u);
        EXPECT_EQ(loaded.GetFullMatrix(), t.GetFullMatrix());
        EXPECT_EQ(loaded.m_aPivot.GetValue(), Vector(0, 0, 0));
        EXPECT_EQ(loaded.m_aRotate.GetValue(), version >= 211 ? t.m_aRotate.GetValue() : Vector(0, 0, 0));
    }
}

TEST(Transformation, ScaledObjectNormals)
{
    auto mesh = fixtures::MakeCube<TransformedMesh>();
    mesh->m_cTransformation.m_aScale.SetValue(Vector(2, 1, 1));
    mesh->CalculateNormals(false);
    Vector expected(0.25f, 1, 1);
    expected.Normalize();
    ExpectNear(UnpackNormal(mesh->m_pVertices[7].m_aNormal), expected);
}

TEST(Transformation, SymmetricPickOfARotatedObject)
{
    auto mesh = fixtures::MakeGridCube<TransformedMesh>(4);
    fixtures::BuildMirrorTable(*mesh);
    Transformation &t = mesh->m_cTransformation;
    t.SetScale(Vector(1.5f, 0.5f, 2));
    t.SetRotate(Vector(30, 45, 10));
    t.SetTranslate(Vector(3, -2, 8));
    for (unsigned f = 0; f < mesh->m_iFaceCount; f += 3) {
        const Vector local = mesh->CornerPosition(f, 1) * 0.3f + mesh->CornerPosition(f, 3) * 0.7f;
        PickInfo pick;
        pick.m_pMesh = mesh.get();
        pick.m_iFace = int(f);
        pick.m_vPosition = t.LocalToWorld(local, 1.0f);
        PickInfo mirrored;
        pick.GetSymmetric(mirrored);
        ExpectNear(mirrored.m_vPosition, t.LocalToWorld(Vector(-local.x, local.y, local.z), 1.0f), 1e-3f);
    }
}
