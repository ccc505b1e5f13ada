// One soft-brush dab touching about 1k, 10k and 100k vertices on sheets of about 1M and
// 6M quads (25M with TEVRIN_BENCH_LARGE=1, as memory allows): the time per dab and the
// share of it that the normal update takes. A dab's cost must follow the vertices it
// touches, not the level's size. One thread.
// Two figures: an isolated dab (a whole stroke of one sample at a random place, so its
// start and end are paid each time; the end's share is printed too), and a dab inside a
// stroke (one operation, samples along a path at the brush's spacing), as a person paints.
#include "mesh/core/PickInfo.h"
#include "operations/brushes/StrokeSegment.h"
#include "operations/brushes/VertexBrushes.h"
#include "operations/normals/NormalAverager.h"
#include "operations/normals/NormalUpdater.h"
#include "scene/Brush.h"
#include "support/MeshFixtures.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <random>

using General::Vector;

namespace {

Mesh &GetSheet(unsigned side)
{
    static std::map<unsigned, std::unique_ptr<Mesh>> sheets;
    auto &slot = sheets[side];
    if (!slot) {
        sheets.clear();  // one sheet in memory at a time
        auto mesh = fixtures::MakeWavySheet(side, side, 1);
        mesh->CalculateAdjacency();
        mesh->CalculateNormals(false);
        // A level always has its octree: every dab re-places the faces it moved.
        mesh->BuildOctree();
        sheets[side] = std::move(mesh);
    }
    return *sheets[side];
}

// The dab's radius for about `vertices` vertices of a unit grid.
float RadiusFor(unsigned vertices) { return std::sqrt(float(vertices) / 3.14159265f); }

// What both figures start from: the sheet of the case, a soft brush for its vertex count,
// and places drawn across the middle of the sheet.
struct DabCase {
    DabCase(const benchmark::State &state, unsigned seed)
        : side(unsigned(state.range(0))), touched(unsigned(state.range(1))), mesh(GetSheet(side)), random(seed),
          across(float(side) * 0.25f, float(side) * 0.75f)
    {
        tool.m_bSharedSize = false;
        tool.m_aPairs[0] = Brush::Pair{RadiusFor(touched), 0.01f};
        tool.m_iDirection = 7;
    }

    const unsigned side, touched;
    Mesh &mesh;
    Brush tool{"Bench", Operations::kSoftBrush};
    std::mt19937 random;
    std::uniform_real_distribution<float> across;
};

// The pick of the sheet's face under (x, y): its corner's height stands for the hit's.
PickInfo PickAt(Mesh &mesh, unsigned side, float x, float y)
{
    PickInfo pick;
    pick.m_pMesh = &mesh;
    pick.m_iFace = int(unsigned(y) * side + unsigned(x));
    pick.m_vPosition = Vector(x + 0.5f, y + 0.5f, mesh.CornerPosition(unsigned(pick.m_iFace), 0).z);
    return pick;
}

void BM_SoftDab(benchmark::State &state)
{
    DabCase c(state, 11);  // the same dab places in every run
    const unsigned side = c.side, touched = c.touched;
    Mesh &mesh = c.mesh;
    Brush &tool = c.tool;

    double normalSeconds = 0.0, dabSeconds = 0.0, endSeconds = 0.0;
    for (auto _ : state) {
        const float x = std::floor(c.across(c.random)), y = std::floor(c.across(c.random));
        PickInfo pick = PickAt(mesh, side, x, y);
        Operations::StrokeSegment segment;
        auto start = std::chrono::steady_clock::now();
        std::chrono::steady_clock::time_point added;
        {
            Operations::SoftBrushOperation op(&tool, &segment, 0);
            op.AddPoint(&pick, tool.GetSize(), 1.0f, Vector(0, 0, 0));
            added = std::chrono::steady_clock::now();
        }
        auto end = std::chrono::steady_clock::now();
        dabSeconds += std::chrono::duration<double>(end - start).count();
        endSeconds += std::chrono::duration<double>(end - added).count();

        // The normal update alone over the same region, for its share.
        state.PauseTiming();
        Operations::StrokeSegment region;
        region.Start(pick.m_vPosition, tool.GetSize());
        Operations::NormalAverager stamp(&mesh, &tool, &region, unsigned(pick.m_iFace));
        state.ResumeTiming();
        start = std::chrono::steady_clock::now();
        AABB box;
        Operations::NormalUpdater::UpdateNormals(mesh, unsigned(pick.m_iFace), box, false);
        end = std::chrono::steady_clock::now();
        normalSeconds += std::chrono::duration<double>(end - start).count();
    }
    const double dabs = double(state.iterations());
    state.counters["dab_us"] = dabSeconds / dabs * 1e6;
    state.counters["normals_share"] = normalSeconds / dabSeconds;
    state.counters["end_share"] = endSeconds / dabSeconds;
    std::printf("isolated dab: sheet %ux%u, ~%u vertices: %.1f us per dab, normals %.0f%%, stroke end %.0f%% of it\n",
                side, side, touched, dabSeconds / dabs * 1e6, 100.0 * normalSeconds / dabSeconds,
                100.0 * endSeconds / dabSeconds);
}

// Dabs inside one stroke: samples along rows of the sheet, the brush's spacing apart; a
// stroke ends (untimed) when its row is done and the next starts on another row.
void BM_SoftDabInStroke(benchmark::State &state)
{
    DabCase c(state, 13);
    const unsigned side = c.side, touched = c.touched;
    Mesh &mesh = c.mesh;
    Brush &tool = c.tool;
    const float step = tool.GetSize() * float(tool.m_iSpacing) / 100.0f;

    std::unique_ptr<Operations::StrokeSegment> segment;
    std::unique_ptr<Operations::SoftBrushOperation> op;
    float x = 0.0f, y = 0.0f;
    double dabSeconds = 0.0;
    for (auto _ : state) {
        if (!op || x > float(side) * 0.75f) {
            state.PauseTiming();
            op.reset();
            segment = std::make_unique<Operations::StrokeSegment>();
            op = std::make_unique<Operations::SoftBrushOperation>(&tool, segment.get(), 0);
            x = float(side) * 0.25f;
            y = std::floor(c.across(c.random));
            state.ResumeTiming();
        }
        PickInfo pick = PickAt(mesh, side, std::floor(x), y);
        pick.m_vPosition.x = x;
        const auto start = std::chrono::steady_clock::now();
        op->AddPoint(&pick, tool.GetSize(), 1.0f, Vector(0, 0, 0));
        const auto end = std::chrono::steady_clock::now();
        dabSeconds += std::chrono::duration<double>(end - start).count();
        x += step;
    }
    op.reset();  // the last stroke's end, after the timed loop
    const double dabs = double(state.iterations());
    state.counters["dab_us"] = dabSeconds / dabs * 1e6;
    std::printf("dab in a stroke: sheet %ux%u, ~%u vertices: %.1f us per dab\n", side, side, touched,
                dabSeconds / dabs * 1e6);
}

void Sizes(benchmark::internal::Benchmark *b)
{
    std::vector<int64_t> sides = {1000, 2450};
    if (const char *large = std::getenv("TEVRIN_BENCH_LARGE"); large && *large == '1')
        sides.push_back(5000);
    for (int64_t side : sides)
        for (int64_t touched : {1000, 10000, 100000})
            b->Args({side, touched});
}

BENCHMARK(BM_SoftDab)->Apply(Sizes)->Unit(benchmark::kMicrosecond)->Iterations(200);
BENCHMARK(BM_SoftDabInStroke)->Apply(Sizes)->Unit(benchmark::kMicrosecond)->Iterations(200);

}  // namespace

BENCHMARK_MAIN();
