// Strokes through the controller's input entry: the press, the moves and the release of
// the "Draw" button over a grid seen from above.
#include "StrokeFixtures.h"

#include "interaction/tools/Brusher.h"
#include "mesh/object/Layer3D.h"
#include "mesh/object/MeshEdits.h"
#include "mesh/subdivision/LevelFaceBits.h"
#include "operations/brushes/BrushOperation.h"
#include "operations/selection/SelectionHost.h"
#include "scene/SceneServices.h"

#include <QImage>

#include <cmath>

using General::Vector;

namespace {
// The distance of p from the segment a-b in the grid's plane.
float DistanceToSegment(const Vector &p, const Vector &a, const Vector &b)
{
    const Vector ab = b - a;
    const float t = std::clamp((p - a).Dot(ab) / std::max(ab.Dot(ab), 1e-12f), 0.0f, 1.0f);
    const Vector q = a + ab * t;
    return std::hypot(p.x - q.x, p.y - q.y);
}
}  // namespace

TEST_F(StrokeTest, ASoftStrokeMovesOnlyVerticesWithinTheBrushAndUndoRedoAreBitExact)
{
    const std::vector<Vector> before = Positions(*m_object);
    const std::vector<char> beforeBytes = Bytes(*m_object);
    const Vector a(2.5f, 4.2f, 0), b(5.5f, 4.2f, 0);
    Press(a);
    MoveTo(Vector(3.5f, 4.2f, 0));
    MoveTo(Vector(4.5f, 4.2f, 0));
    // The view draws the full frame the press asked for; the next sample marks only its part.
    TheCamera().m_bRegionSet = false;
    MoveTo(b);
    Release();

    const std::vector<Vector> after = Positions(*m_object);
    int moved = 0;
    for (size_t v = 0; v < after.size(); ++v) {
        if (after[v] == before[v])
            continue;
        ++moved;
        // Within the brush (size 2) of the stroke's path, and only lifted along +z.
        EXPECT_LE(DistanceToSegment(before[v], a, b), 2.0f + 1e-4f) << v;
        EXPECT_GT(after[v].z, before[v].z) << v;
        EXPECT_EQ(after[v].x, before[v].x);
    }
    EXPECT_GT(moved, 4);
    const std::vector<char> afterBytes = Bytes(*m_object);
    ASSERT_TRUE(HasUndo());
    // The last sample redrew the part of the view the brush touched, not all of it.
    const General::Rect2D region = TheCamera().m_rViewRegion;
    EXPECT_TRUE(TheCamera().m_bRegionSet);
    EXPECT_LT(region.x1 - region.x0, 1.0f);

    Interface::UndoRedo(Interface::UndoStack());
    EXPECT_EQ(Bytes(*m_object), beforeBytes);
    Interface::UndoRedo(Interface::RedoStack());
    EXPECT_EQ(Bytes(*m_object), afterBytes);
}

TEST_F(StrokeTest, WithAMirrorPlaneTheMirroredSideMovesToo)
{
    // The plane x = 4 through the grid's middle.
    m_services.planes = {{Vector(4, 0, 0), Vector(1, 0, 0)}};
    m_host.preferences.mirrorCount = 1;
    const std::vector<Vector> before = Positions(*m_object);
    Stroke({Vector(1.5f, 4.2f, 0), Vector(1.6f, 4.2f, 0), Vector(1.7f, 4.2f, 0)});
    const std::vector<Vector> after = Positions(*m_object);
    bool left = false, right = false;
    for (size_t v = 0; v < after.size(); ++v) {
        if (after[v] == before[v])
            continue;
        left = left || before[v].x < 4.0f;
        right = right || before[v].x > 4.0f;
    }
    EXPECT_TRUE(left);
    EXPECT_TRUE(right);
    // The same heights on both sides of the plane.
    EXPECT_NEAR(after[V(1, 4)].z, after[V(7, 4)].z, 1e-4f);
    EXPECT_NEAR(after[V(2, 4)].z, after[V(6, 4)].z, 1e-4f);
}

TEST_F(StrokeTest, ALockedLayerRefusesTheStrokeInRedAndChangesNothing)
{
    Layer3D *layer = m_object->CreateLayer(nullptr, nullptr);
    ASSERT_NE(layer, nullptr);
    m_object->SetActiveLayer(layer);
    layer->SetLocked(true);
    const std::vector<char> before = Bytes(*m_object);
    Recorder().statusMessages.clear();
    Recorder().statusStates.clear();
    Stroke({Vector(3.5f, 4.2f, 0), Vector(4.5f, 4.2f, 0)});
    EXPECT_EQ(Bytes(*m_object), before);
    EXPECT_FALSE(HasUndo());
    const int at = int(Recorder().statusMessages.indexOf(QStringLiteral("Could not edit locked layer!")));
    ASSERT_GE(at, 0) << Recorder().statusMessages.join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(Recorder().statusStates[size_t(at)], 2);
    EXPECT_EQ(m_interface->m_pCurrentOperation, nullptr);
}

TEST_F(StrokeTest, AStrokeThatLosesItsLayerMidwayKeepsWhatItDidUndoable)
{
    Layer3D *layer = m_object->CreateLayer(nullptr, nullptr);
    m_object->SetActiveLayer(layer);
    const std::vector<char> before = Bytes(*m_object);
    Press(Vector(3.5f, 4.2f, 0));
    MoveTo(Vector(4.0f, 4.2f, 0));
    const std::vector<char> midway = Bytes(*m_object);
    ASSERT_NE(midway, before);
    // The layer is taken to another level: it can no longer take this level's samples.
    SubdivLevel other;
    layer->m_pLockedMesh = &other;
    MoveTo(Vector(4.5f, 4.2f, 0));
    layer->m_pLockedMesh = m_object;
    EXPECT_EQ(m_interface->m_pCurrentOperation, nullptr);
    Release();
    EXPECT_EQ(Bytes(*m_object), midway);
    ASSERT_TRUE(HasUndo());
    Interface::UndoRedo(Interface::UndoStack());
    EXPECT_EQ(Bytes(*m_object), before);
}

TEST_F(StrokeTest, PressureSetsTheBrushSizeBetweenItsMinimumAndFull)
{
    m_tool.m_bPressureSize = true;
    m_tool.m_iMinSizePercent = 25;
    struct Case {
        float pressure;
        float size;
    };
    for (const Case &c : {Case{0.0f, 0.5f}, Case{1.0f, 2.0f}}) {
        Reset();
        m_interface->m_pCurrentTool = &m_tool;
        const std::vector<Vector> before = Positions(*m_object);
        Press(Vector(4.02f, 4.03f, 0), c.pressure);
        Release();
        const std::vector<Vector> after = Positions(*m_object);
        float reach = 0.0f;
        for (size_t v = 0; v < after.size(); ++v)
            if (after[v] != before[v])
                reach = std::max(reach, std::hypot(before[v].x - 4.02f, before[v].y - 4.03f));
        // The vertex at the pointer moves; none beyond the size the pressure gives.
        EXPECT_GT(after[V(4, 4)].z, before[V(4, 4)].z) << c.pressure;
        EXPECT_LT(reach, c.size + 1e-4f) << c.pressure;
    }
}

TEST_F(StrokeTest, ADeferredStrokeAppliesOnceAtTheRelease)
{
    m_tool.m_bDeferredStroke = true;
    const std::vector<char> before = Bytes(*m_object);
    Press(Vector(3.5f, 4.2f, 0));
    MoveTo(Vector(4.0f, 4.2f, 0));
    MoveTo(Vector(4.5f, 4.2f, 0));
    EXPECT_EQ(Bytes(*m_object), before);
    Release();
    EXPECT_NE(Bytes(*m_object), before);
    EXPECT_FALSE(m_interface->m_bDeferredStroke);
}

TEST_F(StrokeTest, ACurvedStrokePlacesSamplesAlongALongMove)
{
    m_tool.m_bSmoothStroke = true;
    m_interface->m_fStrokeSpacing = 0.04f;
    Press(Vector(1.5f, 4.2f, 0));
    Operations::BrushOperation *operation = m_interface->GetBrushOperation();
    ASSERT_NE(operation, nullptr);
    const std::vector<Vector> before = Positions(*m_object);
    // A jump across most of the grid: the samples between keep the path lifted.
    MoveTo(Vector(6.5f, 4.2f, 0));
    Release();
    const std::vector<Vector> after = Positions(*m_object);
    for (unsigned i = 2; i <= 6; ++i)
        EXPECT_GT(after[V(i, 4)].z, before[V(i, 4)].z) << i;
}

namespace {
// Whether two generators give the same next numbers.
bool SameNumbers(Stroke::Random a, Stroke::Random b)
{
    for (int i = 0; i < 4; ++i)
        if (a.Next() != b.Next())
            return false;
    return true;
}

// How many numbers `from` gives before it stands where `to` stands; -1 when it never does.
int Draws(Stroke::Random from, const Stroke::Random &to)
{
    for (int n = 0; n < 100000; ++n, from.Next())
        if (SameNumbers(from, to))
            return n;
    return -1;
}
}  // namespace

TEST_F(StrokeTest, StrokesDrawTheirRandomNumbersInTurnFromOneGenerator)
{
    // Reseeded per stroke, the stamps' jitter would repeat stroke after stroke.
    const Stroke::Random start = m_interface->m_cRandom;
    Stroke({Vector(4.0f, 4.2f, 0), Vector(4.3f, 4.2f, 0)});
    const Stroke::Random first = m_interface->m_cRandom;
    Stroke({Vector(4.0f, 4.2f, 0), Vector(4.3f, 4.2f, 0)});
    const Stroke::Random second = m_interface->m_cRandom;
    const int drawn = Draws(start, first);
    ASSERT_GT(drawn, 0);
    EXPECT_EQ(Draws(first, second), drawn);  // the second stroke went on where the first stopped

    // A played-back session starts from the seed, as its recorded session did.
    const QString empty = m_dir.File("empty");
    ASSERT_TRUE(m_interface->StartRecording(empty));
    EXPECT_TRUE(SameNumbers(m_interface->m_cRandom, Stroke::Random(m_interface->m_iStrokeSeed)));
    Stroke({Vector(4.0f, 4.2f, 0), Vector(4.3f, 4.2f, 0)});
    m_interface->PlayBenchmark(m_dir.File("none"));
    EXPECT_TRUE(SameNumbers(m_interface->m_cRandom, Stroke::Random(m_interface->m_iStrokeSeed)));
}

TEST_F(StrokeTest, AStrokeThroughAStampDiffersFromOneWithoutAndReplaysTheSame)
{
    // A stamp black on its left half and white on its right.
    QImage picture(16, 16, QImage::Format_Grayscale8);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            picture.setPixel(x, y, x < 8 ? qRgb(0, 0, 0) : qRgb(255, 255, 255));
    const QString file = m_dir.File("halves.png");
    ASSERT_TRUE(picture.save(file));

    const std::vector<char> before = Bytes(*m_object);
    auto strokeAndUndo = [&] {
        Stroke({Vector(3.0f, 4.2f, 0), Vector(3.5f, 4.2f, 0), Vector(4.0f, 4.2f, 0)});
        const std::vector<char> after = Bytes(*m_object);
        Interface::UndoRedo(Interface::UndoStack());
        EXPECT_EQ(Bytes(*m_object), before);
        return after;
    };
    const std::vector<char> plain = strokeAndUndo();
    ASSERT_NE(plain, before);

    ASSERT_TRUE(m_interface->m_cStamp.Load(file));
    m_interface->m_cStamp.m_bEnabled = true;
    const std::vector<char> stamped = strokeAndUndo();
    EXPECT_NE(stamped, before);
    EXPECT_NE(stamped, plain);
    // Without jitter the stamp lands alike stroke after stroke.
    EXPECT_EQ(strokeAndUndo(), stamped);

    // Switched off, the stamp leaves the stroke as it was.
    m_interface->m_cStamp.m_bEnabled = false;
    EXPECT_EQ(strokeAndUndo(), plain);
}

TEST_F(StrokeTest, AFloodSaysWhatItDid)
{
    Recorder().statusMessages.clear();
    const std::vector<char> before = Bytes(*m_object);
    m_interface->Flood(false);
    EXPECT_NE(Bytes(*m_object), before);
    EXPECT_EQ(Recorder().statusMessages.value(0), "flooding...");
    EXPECT_EQ(Recorder().statusMessages.last(), "done.");
    ASSERT_TRUE(HasUndo());

    // Two objects and no selected faces: nothing to flood, and the status bar says so.
    auto second = SubdivisionFixtures::MakeObject(*m_object);
    m_scene->AddObject(second.release());
    Recorder().statusMessages.clear();
    const std::vector<char> now = Bytes(*m_object);
    m_interface->Flood(false);
    EXPECT_EQ(Bytes(*m_object), now);
    EXPECT_EQ(Recorder().statusMessages.value(0), "flooding...");
    EXPECT_NE(Recorder().statusMessages.last(), "done.");
    EXPECT_TRUE(Recorder().statusMessages.last().startsWith("Nothing flooded")) <<
        Recorder().statusMessages.last().toStdString();
}

TEST_F(StrokeTest, FacesShownAgainArePickedAndSculpted)
{
    // Hiding takes faces out of the octree; showing them again must put them back, or picks
    // and strokes pass through them as if they were still hidden.
    struct Edits {
        Edits() { InstallUndoableSelection(); }
        ~Edits()
        {
            Operations::SelectionHost::Install(nullptr);
            SceneServices::Install(nullptr);
            MeshEdits::Install(nullptr);
        }
    } edits;
    const unsigned hidden[] = {F(3, 3), F(4, 3), F(3, 4), F(4, 4), F(0, 7)};
    const auto run = [this](const char *command, int event) {
        m_interface->m_cEventHandler.OnUserEvent(event, command);
    };
    // "redo" shows the faces by redoing an "Unhide all" that was undone.
    for (const char *how : {"Unhide all", "Unhide selected", "undo", "redo"}) {
        SCOPED_TRACE(how);
        Reset();
        for (unsigned f : hidden) {
            LevelBits::SetSelected(m_object->m_pQuads[f], true);
            ++m_object->m_iSelectedFaces;
        }
        run("Hide selected", eventActivate);
        for (unsigned f : hidden)
            ASSERT_FALSE(m_object->IsFaceVisible(f)) << f;
        if (std::strcmp(how, "Unhide selected") == 0) {
            m_interface->SelectObject(m_object, true);
            run(how, eventDeactivate);
        } else if (std::strcmp(how, "undo") == 0) {
            Interface::UndoRedo(Interface::UndoStack());
        } else {
            run("Unhide all", eventDeactivate);
            if (std::strcmp(how, "redo") == 0) {
                Interface::UndoRedo(Interface::UndoStack());
                ASSERT_FALSE(m_object->IsFaceVisible(hidden[0]));
                Interface::UndoRedo(Interface::RedoStack());
            }
        }
        for (unsigned f : hidden) {
            SCOPED_TRACE(f);
            ASSERT_TRUE(m_object->IsFaceVisible(f));
            const Vector centre = (P(m_object->m_pQuads[f].m_iIndices[0] & MeshFlags::kIndexMask) +
                                   P(m_object->m_pQuads[f].m_iIndices[2] & MeshFlags::kIndexMask)) *
                                  0.5f;
            const InputState at = At(centre);
            if (!m_host.PickInto(m_interface->m_cPicker, at.x, at.y)) {
                ADD_FAILURE() << "the pick passes through the face";
                continue;
            }
            EXPECT_EQ(m_interface->m_cPicker.GetFirstPick()->m_pMesh, m_object);
            EXPECT_EQ(m_interface->m_cPicker.GetFirstPick()->m_iFace, int(f));
            const std::vector<Vector> before = Positions(*m_object);
            Stroke({centre, centre + Vector(0.2f, 0, 0)});
            const std::vector<Vector> after = Positions(*m_object);
            bool moved = false;
            for (unsigned c = 0; c < 4; ++c) {
                const unsigned v = m_object->m_pQuads[f].m_iIndices[c] & MeshFlags::kIndexMask;
                moved = moved || after[v] != before[v];
            }
            EXPECT_TRUE(moved);
        }
    }
}
