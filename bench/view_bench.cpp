// Frame time of a 2M-triangle level through each draw path of the 3D view (buffer
// objects, fill buffers, point cloud, octree immediate mode) against a bare loop of
// glDrawElements over the same buffer objects in the same run. Needs a display: run it
// under xvfb-run. The ratio of each path to the bare loop is printed after the runs.
#include "mesh/buffers/BufferEntryPoints.h"
#include "mesh/buffers/BufferObject.h"
#include "mesh/core/Mesh.h"
#include "mesh/core/Octree.h"
#include "scene/SceneGlobals.h"
#include "scene/camera/Camera.h"
#include "viewport/view/SceneView.h"

#include <QApplication>

#include <benchmark/benchmark.h>

#include <GL/gl.h>

#include <cmath>
#include <malloc.h>
#include <unistd.h>
#include <cstdio>
#include <map>
#include <memory>
#include <string>

namespace {

constexpr unsigned kSide = 1000;  // 1000 × 1000 quads, each two triangles: 2,000,000 triangles

struct Setup {
    std::unique_ptr<Mesh> level;
    std::unique_ptr<Camera> camera;
    std::unique_ptr<SceneView> view;
};

// A wavy sheet of triangles seen whole by the camera.
std::unique_ptr<Mesh> MakeLevel()
{
    auto mesh = std::make_unique<Mesh>();
    const unsigned row = kSide + 1, vertices = row * row, faces = 2 * kSide * kSide;
    mesh->m_eType = Mesh::typeTriangular;
    mesh->m_iVertexCount = vertices;
    mesh->m_iFaceCount = mesh->m_iPolygonCount = faces;
    mesh->m_pVertices.SetItemCount(vertices, false);
    mesh->m_pTriangles.SetItemCount(faces, false);
    for (unsigned j = 0; j < row; ++j)
        for (unsigned i = 0; i < row; ++i) {
            Vertex v{};
            const float x = float(i) / float(kSide) - 0.5f, y = float(j) / float(kSide) - 0.5f;
            v.m_vPosition = General::Vector(x, y, 0.02f * std::sin(x * 40.0f) * std::cos(y * 30.0f));
            PackNormal(General::Vector(0.1f * std::sin(x * 9.0f), 0.1f * std::cos(y * 7.0f), 1.0f).Normalized(), v.m_aNormal);
            mesh->m_pVertices[j * row + i] = v;
        }
    for (unsigned j = 0; j < kSide; ++j)
        for (unsigned i = 0; i < kSide; ++i) {
            const unsigned a = j * row + i;
            const unsigned corners[2][3] = {{a, a + 1, a + row + 1}, {a, a + row + 1, a + row}};
            for (unsigned t = 0; t < 2; ++t) {
                Triangle tri{};
                tri.m_iOctree = OctreeLink::kNone;
                for (unsigned c = 0; c < 3; ++c) {
                    tri.m_iIndices[c] = corners[t][c];
                    tri.m_iAdjacent[c] = -1;
                }
                tri.m_iIndices[0] |= MeshFlags::kBit31;
                tri.m_aNormal[2] = 32767;
                mesh->m_pTriangles[2 * (j * kSide + i) + t] = tri;
            }
        }
    // The video buffers are cut from floods over neighbouring faces: without adjacency each
    // triangle would make a buffer of its own (2M buffers, gigabytes of driver memory).
    mesh->CalculateAdjacency();
    return mesh;
}

// Resident megabytes of the process, for the set-up's account of where its memory goes.
double ResidentMB()
{
    long pages = 0, resident = 0;
    if (std::FILE *f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2)
            resident = 0;
        std::fclose(f);
    }
    return double(resident) * double(sysconf(_SC_PAGESIZE)) / 1e6;
}

// Megabytes the allocator holds for the process (the rest of what is resident is mapped by
// others: the OpenGL driver, shared libraries).
double HeapMB()
{
    const struct mallinfo2 info = mallinfo2();
    return double(info.uordblks + info.hblkhd) / 1e6;
}

Setup &Get()
{
    static Setup setup;
    if (setup.view)
        return setup;
    double before = ResidentMB(), heapBefore = HeapMB();
    const auto step = [&](const char *what) {
        const double now = ResidentMB(), heap = HeapMB();
        std::printf("set-up: %-26s resident %+9.1f MB (%.1f MB), heap %+9.1f MB\n", what, now - before, now,
                    heap - heapBefore);
        before = now;
        heapBefore = heap;
    };
    setup.level = MakeLevel();
    step("level");
    setup.camera = std::make_unique<Camera>();
    setup.camera->SetTranslate(General::Vector(0.0f, 0.0f, 2.5f));
    setup.camera->LookAt(General::Vector(0, 0, 0), General::Vector(0, 1, 0));
    setup.view = std::make_unique<SceneView>(setup.camera.get());
    setup.view->resize(800, 800);
    setup.view->show();
    setup.view->grabFramebuffer();  // makes the context and installs the buffer entry points
    setup.view->makeCurrent();
    step("view and its context");
    setup.level->BuildOctree();
    step("octree");
    // The buffers are made and uploaded once, outside the timed frames.
    setup.level->RecreateBuffers(true);
    step("buffer objects made");
    for (unsigned i = 0, n = setup.level->m_aBuffers.GetItemCount(); i < n; ++i)
        setup.level->m_aBuffers[i].Upload();
    glFinish();
    step("buffer objects uploaded");
    return setup;
}

// The view's state for a frame: camera matrices, lights, modes; then the path, then a finish.
template <class Draw>
void Frame(benchmark::State &state, Draw draw)
{
    Setup &s = Get();
    if (!BufferEntryPoints::Get().IsComplete()) {
        state.SkipWithError("no OpenGL buffer objects (run under xvfb-run)");
        return;
    }
    s.view->makeCurrent();
    for (auto _ : state) {
        s.view->m_iVisiblePolys = 0;
        s.view->BeginDraw(General::Color(1, 1, 1, 1), nullptr, true, true);
        glColor3f(0.8f, 0.8f, 0.8f);
        draw(s);
        SceneView::EndDraw(false);
        glFinish();
    }
    state.counters["drawn"] = double(s.view->m_iVisiblePolys);
    state.counters["triangles/s"] =
        benchmark::Counter(double(s.level->m_iFaceCount) * double(state.iterations()), benchmark::Counter::kIsRate);
}

void BM_BufferObjects(benchmark::State &state)
{
    Frame(state, [](Setup &s) {
        s.level->RecreateBuffers(true);
        s.view->DrawMeshBufferObjects(*s.level);
    });
}

// The same buffers (positions, colours, indices) drawn with nothing around the draw calls
// but their binds and pointers.
void BM_BareDrawElements(benchmark::State &state)
{
    Frame(state, [](Setup &s) {
        const BufferEntryPoints &gl = BufferEntryPoints::Get();
        glEnableClientState(GL_VERTEX_ARRAY);
        glEnableClientState(GL_NORMAL_ARRAY);
        glEnableClientState(GL_COLOR_ARRAY);
        for (unsigned i = 0, n = s.level->m_aBuffers.GetItemCount(); i < n; ++i) {
            const BufferObject &b = s.level->m_aBuffers[i];
            gl.m_pBindBuffer(GL_ARRAY_BUFFER, b.m_iAttributeBuffer);
            glColorPointer(4, GL_UNSIGNED_BYTE, GLsizei(b.m_iStride), nullptr);
            gl.m_pBindBuffer(GL_ARRAY_BUFFER, b.m_iPositionBuffer);
            glVertexPointer(3, GL_FLOAT, sizeof(BufferObject::DVertex), nullptr);
            glNormalPointer(GL_SHORT, sizeof(BufferObject::DVertex),
                            reinterpret_cast<const void *>(offsetof(BufferObject::DVertex, m_aNormal)));
            gl.m_pBindBuffer(GL_ELEMENT_ARRAY_BUFFER, b.m_iIndexBuffer);
            glDrawElements(GL_TRIANGLES, GLsizei(b.GetIndexCount()), GL_UNSIGNED_SHORT, nullptr);
            s.view->m_iVisiblePolys += int32_t(b.m_iPrimitiveCount);
        }
        gl.m_pBindBuffer(GL_ARRAY_BUFFER, 0);
        gl.m_pBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
        glDisableClientState(GL_VERTEX_ARRAY);
        glDisableClientState(GL_NORMAL_ARRAY);
        glDisableClientState(GL_COLOR_ARRAY);
    });
}

void BM_FillBuffers(benchmark::State &state)
{
    Frame(state, [](Setup &s) { s.view->DrawMeshBuffered(*s.level); });
}

void BM_Points(benchmark::State &state)
{
    Frame(state, [](Setup &s) { s.view->DrawMeshPoints(*s.level); });
}

void BM_OctreeImmediate(benchmark::State &state)
{
    Frame(state, [](Setup &s) {
        s.camera->m_rViewRegion = General::Rect2D(0, 0, 1, 1);
        s.view->DrawMeshThroughOctree(*s.level);
    });
}

}  // namespace

// A frame of these takes seconds under a software renderer: several frames each, interleaved
// repetitions, so that a burst of load on the machine does not fall on one side only.
BENCHMARK(BM_BareDrawElements)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_BufferObjects)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_BareDrawElements)->Name("BM_BareDrawElements/again")->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_BufferObjects)->Name("BM_BufferObjects/again")->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_FillBuffers)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Points)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OctreeImmediate)->Unit(benchmark::kMillisecond);

namespace {

// Prints each path's frame time over the bare loop's after the runs.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run> &runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run &run : runs)
            if (run.run_type == Run::RT_Iteration && !run.error_occurred) {
                std::string name = run.benchmark_name();
                name = name.substr(0, name.find("/iterations:"));
                m_times[name] = run.GetAdjustedRealTime();
            }
    }
    void Finalize() override
    {
        ConsoleReporter::Finalize();
        const auto bare = m_times.find("BM_BareDrawElements");
        if (bare == m_times.end())
            return;
        std::printf("\nframe time over the bare glDrawElements loop (%u triangles):\n", 2 * kSide * kSide);
        const auto again = m_times.find("BM_BareDrawElements/again");
        for (const auto &[name, time] : m_times) {
            // A repetition is set against the bare loop's repetition.
            const bool repeated = name.size() > 6 && name.compare(name.size() - 6, 6, "/again") == 0;
            const double base = repeated && again != m_times.end() ? again->second : bare->second;
            std::printf("  %-28s %.2f\n", name.c_str(), time / base);
        }
    }

private:
    std::map<std::string, double> m_times;
};

}  // namespace

int main(int argc, char **argv)
{
    InitializeSceneGlobals();
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    // The GL objects go while the context is there, the widget before the application.
    Setup &s = Get();
    s.view->makeCurrent();
    s.level.reset();
    s.view.reset();
    s.camera.reset();
    return 0;
}
