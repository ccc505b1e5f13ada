// A session recorded in the running window and played back in it: the playback runs
// without the event loop, yet its strokes must meet the mesh where the live ones did.
#include "WindowFixture.h"

#include "app/services/AppInteractionServices.h"
#include "interaction/Interface.h"
#include "mesh/core/MeshRecords.h"
#include "mesh/object/Object.h"
#include "scene/Brush.h"
#include "scene/Scene.h"
#include "viewport/view/SceneView.h"

#include <QApplication>
#include <QFile>
#include <QTest>

#include <vector>

namespace {

// Each vertex's position and normal of the object's active level.
std::vector<char> MeshBytes(Scene &scene)
{
    std::vector<char> bytes;
    const Object *object = scene.m_pObjects;
    const SubdivLevel *level = object && object->m_pActiveLevel ? object->m_pActiveLevel : object;
    for (unsigned v = 0; level && v < level->m_iVertexCount; ++v) {
        const Vertex &vertex = level->m_pVertices[v];
        const char *p = reinterpret_cast<const char *>(&vertex.m_vPosition);
        bytes.insert(bytes.end(), p, p + sizeof(vertex.m_vPosition));
        p = reinterpret_cast<const char *>(vertex.m_aNormal);
        bytes.insert(bytes.end(), p, p + sizeof(vertex.m_aNormal));
    }
    return bytes;
}

class PlaybackTest : public apptest::MainWindowTest {
protected:
    SceneView &View() { return *m_window->GetView(); }
    Interface &Controller() { return *m_window->GetInterface(); }
    bool OnMesh(QPoint at) { return InteractionHost().Pick(float(at.x()), float(at.y())).object != nullptr; }

    // `count` short horizontal strokes whose ends lie on the mesh, apart from each other.
    std::vector<QPoint> FindStrokes(int count)
    {
        std::vector<QPoint> starts;
        const QRect view = View().rect();
        for (int y = view.top() + 20; y < view.bottom() - 20 && int(starts.size()) < count; y += 7)
            for (int x = view.left() + 20; x < view.right() - 40 && int(starts.size()) < count; x += 9) {
                const QPoint at(x, y);
                bool apart = true;
                for (const QPoint &other : starts)
                    apart = apart && (other - at).manhattanLength() > 60;
                if (apart && OnMesh(at) && OnMesh(at + QPoint(20, 3)))
                    starts.push_back(at);
            }
        return starts;
    }
    void Stroke(QPoint from)
    {
        const QPoint to = from + QPoint(20, 3);
        // Events sent to the view alone: a pointer warped through the X server would move
        // it again at a time of the server's choosing.
        QMouseEvent hover(QEvent::MouseMove, from, View().mapToGlobal(from), Qt::NoButton, Qt::NoButton,
                          Qt::NoModifier);
        QApplication::sendEvent(&View(), &hover);
        QTest::mousePress(&View(), Qt::LeftButton, {}, from);
        for (int step = 1; step <= 4; ++step) {
            const QPoint at = from + (to - from) * step / 4;
            QMouseEvent move(QEvent::MouseMove, at, View().mapToGlobal(at), Qt::NoButton, Qt::LeftButton,
                             Qt::NoModifier);
            QApplication::sendEvent(&View(), &move);
            QApplication::processEvents();
        }
        QTest::mouseRelease(&View(), Qt::LeftButton, {}, to);
        QApplication::processEvents();
    }
    void NewScene()
    {
        m_window->GetScene()->m_bModified = false;  // nothing to ask about
        Controller().NewScene();
        Settle();
    }
};

}  // namespace

TEST_F(PlaybackTest, ThreeStrokesAndAnUndoPlayBackTwiceToTheLiveSessionsMesh)
{
    REQUIRE_WINDOW_GL();
    Build();
    apptest::WriteTorus(File("torus.obj"), 24, 16);
    Brush *soft = Brush::Find(QStringLiteral("Soft"));
    ASSERT_NE(soft, nullptr);
    Controller().ApplyTrayItem(soft, false);
    soft->SetSize(2.0f);
    Scene &scene = *m_window->GetScene();

    ASSERT_TRUE(Controller().StartRecording(File("benchmark")));
    Controller().OpenFile(true, File("torus.obj"), 0);
    Settle();
    const std::vector<char> imported = MeshBytes(scene);
    ASSERT_FALSE(imported.empty());
    const std::vector<QPoint> starts = FindStrokes(3);
    ASSERT_EQ(starts.size(), 3u) << "too little of the mesh in view";
    for (const QPoint &start : starts)
        Stroke(start);
    QTest::keyClick(m_window.get(), Qt::Key_Z, Qt::ControlModifier);
    const std::vector<char> live = MeshBytes(scene);
    ASSERT_NE(live, imported);
    // The recorder goes on writing while the copy plays.
    ASSERT_TRUE(QFile::copy(File("benchmark"), File("session")));

    for (int pass = 0; pass < 2; ++pass) {
        NewScene();
        ASSERT_EQ(scene.GetObjectCount(), 0) << pass;
        Controller().PlayBenchmark(File("session"));
        ASSERT_EQ(scene.GetObjectCount(), 1) << pass;
        EXPECT_TRUE(MeshBytes(scene) != imported) << "no stroke met the mesh in pass " << pass;
        EXPECT_TRUE(MeshBytes(scene) == live) << "pass " << pass;
    }
}
