// One stroke sample through the controller, with a mirror plane: the pick under the
// pointer and its mirrored pick through the scene's octrees, both dabs of a soft brush of
// about 10k vertices, their normals, and the screen region to redraw (no OpenGL draws),
// on sheets of about 1M and 6M quads. Set against the dabs alone in the same run: the same
// two AddPoint calls with picks made beforehand. The machinery (picking, pressure, stamp
// frame, region) should add at most 30 % to the dabs. One thread.
// TEVRIN_BENCH_QUICK=1 runs a small sheet and brush only, as a smoke test.
#include "interaction/Interface.h"
#include "interaction/undo/OperationFactory.h"
#include "mesh/core/PickInfo.h"
#include "mesh/object/Object.h"
#include "operations/brushes/StrokeSegment.h"
#include "operations/brushes/VertexBrushes.h"
#include "scene/Brush.h"
#include "scene/Scene.h"
#include "scene/SceneGlobals.h"
#include "scene/SceneServices.h"
#include "scene/camera/Camera.h"
#include "support/MeshFixtures.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <vector>

using General::Vector;

namespace {

constexpr int kView = 1000;  // the view's side in pixels

bool Quick() { return std::getenv("TEVRIN_BENCH_QUICK") != nullptr; }

// The view: picks through the scene's octrees under the active camera, nothing drawn.
class BenchInteraction : public InteractionServices {
public:
    bool HasView() const override { return true; }
    int GetViewWidth() const override { return kView; }
    int GetViewHeight() const override { return kView; }
    PickHit Pick(float x, float y) override
    {
        PickHit hit;
        Interface *controller = Interface::Get();
        if (controller && PickInto(controller->m_cPicker, x, y))
            hit.mesh = controller->m_cPicker.GetFirstPick()->m_pMesh;
        return hit;
    }
    bool PickInto(Picker &picker, float x, float y) override
    {
        picker.Clear();
        Scene *scene = Scene::GetCurrent();
        Camera *camera = scene->m_pActiveCamera;
        Vector nearPoint, farPoint;
        if (!camera->UnProject(x, y, 0.0f, nearPoint) || !camera->UnProject(x, y, 1.0f, farPoint))
            return false;
        scene->Pick(picker, nearPoint, farPoint, 0, 0);
        return picker.GetPickCount() > 0;
    }
    StrokePreferences GetStrokePreferences() const override
    {
        StrokePreferences preferences;
        preferences.mirrorCount = 1;
        return preferences;
    }
};

// One mirror plane across the sheet's middle.
class BenchScene : public SceneServices {
public:
    int GetMirrorPlaneCount() const override { return 1; }
    void GetMirrorPlane(int, Vector &point, Vector &normal) const override
    {
        point = Vector(m_fMiddle, 0, 0);
        normal = Vector(1, 0, 0);
    }
    float m_fMiddle = 0.0f;
};

// A scene with one sheet object seen from straight above, and the controller over it.
struct Setup {
    explicit Setup(unsigned side) : side(side)
    {
        InitializeSceneGlobals();
        services.m_fMiddle = float(side) / 2.0f;
        SceneServices::Install(&services);
        InteractionServices::Install(&host);
        RegisterBrushOperations();
        scene = std::make_unique<Scene>();
        auto sheet = fixtures::MakeWavySheet<Object>(side, side, 1);
        sheet->CalculateAdjacency();
        sheet->CalculateNormals(false);
        object = sheet.get();
        scene->AddObject(sheet.release());
        Scene::BuildOctrees(object);
        scene->CreateDefaultCameras();
        Camera &camera = *scene->m_pActiveCamera;
        const float c = float(side) / 2.0f;
        camera.SetTranslate(Vector(c, c, float(side) * 1.2f));
        camera.m_vTarget = Vector(c, c, 0);
        camera.LookAt(camera.m_vTarget, Vector(0, 1, 0));
        camera.m_aViewport[2] = camera.m_aViewport[3] = kView;
        camera.m_fAspect = 1.0f;
        camera.m_mModelView = camera.GetInverseLocalMatrix();
        camera.m_mProjection = camera.GetProjectionMatrix(false);
        controller = std::make_unique<Interface>();
        tool.m_bSharedSize = false;
        tool.m_aPairs[0] = Brush::Pair{std::sqrt((Quick() ? 1000.0f : 10000.0f) / 3.14159265f), 0.01f};
        tool.m_iDirection = 7;
        controller->m_pCurrentTool = &tool;
    }
    ~Setup()
    {
        controller.reset();
        scene.reset();
        InteractionServices::Install(nullptr);
        SceneServices::Install(nullptr);
    }
    // The view pixel over a sheet point.
    void Pixel(float x, float y, float &px, float &py) const
    {
        scene->m_pActiveCamera->Project(Vector(x, y, 0), px, py);
    }

    const unsigned side;
    BenchScene services;
    BenchInteraction host;
    std::unique_ptr<Scene> scene;
    Object *object = nullptr;
    std::unique_ptr<Interface> controller;
    Brush tool{"Bench", Operations::kSoftBrush};
};

Setup &GetSetup(unsigned side)
{
    static std::unique_ptr<Setup> setup;
    if (!setup || setup->side != side) {
        setup.reset();  // one sheet in memory at a time
        setup = std::make_unique<Setup>(side);
    }
    return *setup;
}

// Rows across the left half of the sheet at a quarter of the radius per sample; the
// mirror plane gives each sample its twin on the right half.
class Path {
public:
    Path(const Setup &setup) : m_side(float(setup.side)), m_step(setup.tool.GetSize() * 0.25f)
    {
        m_y = m_side * 0.2f;
        m_x = m_side * 0.1f;
    }
    // The next sample's place; true when it starts a new row (a new stroke).
    bool Next(float &x, float &y)
    {
        bool restart = false;
        if (m_x > m_side * 0.4f) {
            m_x = m_side * 0.1f;
            m_y += m_step * 8.0f;
            if (m_y > m_side * 0.8f)
                m_y = m_side * 0.2f;
            restart = true;
        }
        x = m_x;
        y = m_y;
        m_x += m_step;
        return restart || m_first ? (m_first = false, true) : false;
    }

private:
    float m_side, m_step, m_x = 0.0f, m_y = 0.0f;
    bool m_first = true;
};

std::map<unsigned, double> s_sampleMicroseconds, s_dabMicroseconds;

void Report(unsigned side)
{
    if (!s_sampleMicroseconds.count(side) || !s_dabMicroseconds.count(side))
        return;
    const double sample = s_sampleMicroseconds[side], dabs = s_dabMicroseconds[side];
    std::printf("sheet %ux%u: sample %.1f us, dabs alone %.1f us: the machinery adds %.1f %%\n", side, side, sample,
                dabs, (sample / dabs - 1.0) * 100.0);
}

// The whole sample through the controller: pointer, picks, dabs, normals, region.
void BM_StrokeSample(benchmark::State &state)
{
    Setup &setup = GetSetup(unsigned(state.range(0)));
    Interface &controller = *setup.controller;
    Path path(setup);
    double seconds = 0.0;
    for (auto _ : state) {
        float x = 0, y = 0, px = 0, py = 0;
        const bool restart = path.Next(x, y);
        setup.Pixel(x, y, px, py);
        if (restart) {
            controller.FinishOperation();
            controller.UpdateMousePosition(px, py);
            controller.StrokeInput(true, 0);
            continue;
        }
        const auto start = std::chrono::steady_clock::now();
        controller.UpdateMousePosition(px, py);
        controller.StrokeInput(false, 0);
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
    controller.FinishOperation();
    // Only the moves were timed; presses start the rows.
    const double samples = double(state.iterations()) * (1.0 - 1.0 / 9.0);
    s_sampleMicroseconds[setup.side] = seconds / samples * 1e6;
    state.counters["sample_us"] = s_sampleMicroseconds[setup.side];
}

// The same two dabs per sample (the pick and its mirror), with picks made beforehand.
void BM_DabsAlone(benchmark::State &state)
{
    Setup &setup = GetSetup(unsigned(state.range(0)));
    Path path(setup);
    std::unique_ptr<Operations::SoftBrushOperation> operation;
    Picker picker;
    double seconds = 0.0;
    for (auto _ : state) {
        float x = 0, y = 0, px = 0, py = 0;
        const bool restart = path.Next(x, y);
        setup.Pixel(x, y, px, py);
        setup.host.PickInto(picker, px, py);
        if (restart || !operation) {
            operation.reset();
            operation = std::make_unique<Operations::SoftBrushOperation>(nullptr, nullptr, 0);
            operation->SetStroke(&setup.tool, std::make_unique<Operations::StrokeSegment>());
        }
        const float size = setup.tool.GetSize();
        const auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < picker.GetPickCount(); ++i)
            operation->AddPoint(picker.GetPick(i), size, 1.0f, Vector(0, 0, 0));
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
    if (operation)
        operation->Execute();
    operation.reset();
    const double samples = double(state.iterations()) * (1.0 - 1.0 / 9.0);
    s_dabMicroseconds[setup.side] = seconds / samples * 1e6;
    state.counters["dabs_us"] = s_dabMicroseconds[setup.side];
    Report(setup.side);
}

}  // namespace

int main(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    // Both figures of one sheet before the next sheet is built.
    const std::vector<int64_t> sides = Quick() ? std::vector<int64_t>{200} : std::vector<int64_t>{1000, 2450};
    for (const int64_t side : sides) {
        benchmark::RegisterBenchmark("BM_StrokeSample", BM_StrokeSample)
            ->Arg(side)
            ->Unit(benchmark::kMicrosecond)
            ->Iterations(900);
        benchmark::RegisterBenchmark("BM_DabsAlone", BM_DabsAlone)
            ->Arg(side)
            ->Unit(benchmark::kMicrosecond)
            ->Iterations(900);
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
