// One soft-brush dab touching about 1k, 10k and 100k vertices on sheets of about 1M and
// 6M quads (25M with TEVRIN_BENCH_LARGE=1, as memory allows): the time per dab and the
// share of it that the normal update takes. A dab's cost must follow the vertices it
// touches, not the level's size. One thread.
// Three figures: an isolated dab (a whole stroke of one sample at a random place, so its
// start and end are paid each time; the end's share is printed too), a dab inside a
// stroke (one operation, samples along a path at the brush's spacing), as a person paints,
// and the walks alone: the floor a dab's three region walks set, with the bytes of the
// records they read.
#include "mesh/core/FaceVisitor.h"
#include "mesh/core/Mesh.h"
#include "mesh/core/PickInfo.h"
#include "operations/brushes/StrokeSegment.h"
#include "operations/brushes/VertexBrushes.h"
#include "operations/normals/NormalAverager.h"
#include "operations/normals/NormalUpdater.h"
#include "scene/Brush.h"
#include "support/MeshFixtures.h"
#include "MemoryFloor.h"

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

// Samples along rows of the sheet, the brush's spacing apart: a stroke ends (untimed) when
// its row is done and the next starts on another row.
class RowStrokes {
public:
    explicit RowStrokes(DabCase &c) : m_case(c), m_step(c.tool.GetSize() * float(c.tool.m_iSpacing) / 100.0f) {}
    // The last stroke ends here, after the timed loop.
    ~RowStrokes() { m_op.reset(); }

    // The next sample's pick; a new stroke first when the row is done.
    PickInfo Next(benchmark::State &state)
    {
        if (m_op && m_x > float(m_case.side) * 0.75f) {
            state.PauseTiming();
            m_op.reset();
            state.ResumeTiming();
        }
        if (!m_op) {
            state.PauseTiming();
            m_segment = std::make_unique<Operations::StrokeSegment>();
            m_op = std::make_unique<Operations::SoftBrushOperation>(&m_case.tool, m_segment.get(), 0);
            m_x = float(m_case.side) * 0.25f;
            m_y = std::floor(m_case.across(m_case.random));
            state.ResumeTiming();
        }
        PickInfo pick = PickAt(m_case.mesh, m_case.side, std::floor(m_x), m_y);
        pick.m_vPosition.x = m_x;
        m_x += m_step;
        return pick;
    }
    // The sample's dab.
    void Dab(PickInfo &pick) { m_op->AddPoint(&pick, m_case.tool.GetSize(), 1.0f, Vector(0, 0, 0)); }
    const Operations::StrokeSegment &Segment() const { return *m_segment; }

private:
    DabCase &m_case;
    const float m_step;
    std::unique_ptr<Operations::StrokeSegment> m_segment;
    std::unique_ptr<Operations::SoftBrushOperation> m_op;
    float m_x = 0.0f, m_y = 0.0f;
};

// Dabs inside one stroke, as a person paints.
void BM_SoftDabInStroke(benchmark::State &state)
{
    DabCase c(state, 13);
    double dabSeconds = 0.0;
    {
        RowStrokes strokes(c);
        for (auto _ : state) {
            PickInfo pick = strokes.Next(state);
            const auto start = std::chrono::steady_clock::now();
            strokes.Dab(pick);
            const auto end = std::chrono::steady_clock::now();
            dabSeconds += std::chrono::duration<double>(end - start).count();
        }
    }
    const double dabs = double(state.iterations());
    state.counters["dab_us"] = dabSeconds / dabs * 1e6;
    std::printf("dab in a stroke: sheet %ux%u, ~%u vertices: %.1f us per dab\n", c.side, c.side, c.touched,
                dabSeconds / dabs * 1e6);
}

// --- the walks alone ---------------------------------------------------------------------
// Every dab walks its region three times: the vertex walk, then the normal update's two
// walks (each needs what the one before wrote). The visitors below do only what decides
// how far each walk goes, so the three of them give the floor under a dab's time.
// They are replayed just before the stroke's own dab at the same place, with the segment
// that dab will use: the records hold the stamps and the cache holds what the dab before
// left, as for the dab itself. The dab then runs as usual (untimed: the replay warmed its
// region), and the dabs in between are timed as the dab the walks are set against.

// The vertex walk: a vertex is in when the falloff at its pre-stroke place is above 0,
// as the kernels weigh it (a bare mesh has no placement to transform by).
class ReachWalk : public VertexVisitor {
public:
    explicit ReachWalk(Operations::StrokeSegment &segment) : m_segment(segment) {}
    float GetWeight(Mesh &mesh, unsigned face, unsigned vertex) override
    {
        if (!mesh.IsFaceVisible(face))
            return 0.0f;
        const Vertex &original = mesh.OriginalVertex(vertex);
        m_bRestored = &original != mesh.m_pVertices.GetBuffer() + vertex;
        return m_segment.GetFalloff(original.m_vPosition, false);
    }
    // Called right after the weighing of the same vertex, when its weight is above 0.
    void ProcessVertex(Mesh &, unsigned, unsigned, float) override
    {
        ++m_iReached;
        m_iRestored += m_bRestored;
    }

    unsigned m_iReached = 0;
    unsigned m_iRestored = 0;  // vertices in that have a restore entry (their stamp is there)

private:
    Operations::StrokeSegment &m_segment;
    bool m_bRestored = false;
};

// The normal update's first walk: faces with a corner the vertex walk stamped. Their other
// corners are marked with this walk's stamp: the second walk takes every face that has a
// corner of a face taken here, as the updater's slots tell it.
class MarkWalk : public FaceVisitor {
public:
    bool IsFaceAffected(Mesh &mesh, unsigned face) override
    {
        m_iFace = face;
        m_iCount = mesh.FaceCorners(face, m_aCorners);
        const int32_t walked = int32_t(mesh.m_iStamp - 1);
        for (unsigned c = 0; c < m_iCount; ++c)
            if (mesh.VertexStrokeID(m_aCorners[c]) == walked)
                return true;
        return false;
    }
    void ProcessFace(Mesh &mesh, unsigned face) override
    {
        if (face != m_iFace)
            m_iCount = mesh.FaceCorners(face, m_aCorners);
        const int32_t walked = int32_t(mesh.m_iStamp - 1);
        for (unsigned c = 0; c < m_iCount; ++c)
            if (int32_t &stamp = mesh.VertexStrokeID(m_aCorners[c]); stamp != walked && stamp != walked + 1) {
                stamp = walked + 1;
                ++m_iMarked;
            }
    }

    unsigned m_iMarked = 0;

private:
    unsigned m_iFace = ~0u, m_iCount = 0;
    unsigned m_aCorners[4] = {};
};

// The normal update's second walk: faces with a corner stamped by either walk before.
class HoldWalk : public FaceVisitor {
public:
    bool IsFaceAffected(Mesh &mesh, unsigned face) override
    {
        unsigned corners[4];
        const unsigned n = mesh.FaceCorners(face, corners);
        const uint32_t first = mesh.m_iStamp - 2;
        for (unsigned c = 0; c < n; ++c)
            if (uint32_t(mesh.VertexStrokeID(corners[c])) - first < 2) {
                ++m_iFaces;
                return true;
            }
        return false;
    }
    void ProcessFace(Mesh &, unsigned) override {}

    unsigned m_iFaces = 0;
};

struct WalkCounts {
    unsigned reached = 0, restored = 0, held = 0, faces = 0;
};

// The three walks from `face` with `segment` as the dab there will have it; adds each
// walk's seconds to `seconds`.
void ReplayWalks(Mesh &mesh, unsigned face, Operations::StrokeSegment segment, WalkCounts &counts,
                 double (&seconds)[3])
{
    ReachWalk reach(segment);
    MarkWalk mark;
    HoldWalk hold;
    const auto start = std::chrono::steady_clock::now();
    mesh.CollectVertices(face, reach);
    const auto reached = std::chrono::steady_clock::now();
    mesh.CollectFaces(face, mark, false);
    const auto marked = std::chrono::steady_clock::now();
    mesh.CollectFaces(face, hold, false);
    const auto end = std::chrono::steady_clock::now();
    counts = {reach.m_iReached, reach.m_iRestored, reach.m_iReached + mark.m_iMarked, hold.m_iFaces};
    seconds[0] += std::chrono::duration<double>(reached - start).count();
    seconds[1] += std::chrono::duration<double>(marked - reached).count();
    seconds[2] += std::chrono::duration<double>(end - marked).count();
}

// Advances a copy of the stroke's segment as the stroke's next sample will.
class SegmentStep : public Operations::BrushOperation {
public:
    SegmentStep(Brush *tool, Operations::StrokeSegment *segment) : BrushOperation(tool, segment, 0) {}
    // The stroke's restore records belong to the stroke's own operation.
    ~SegmentStep() override { m_aTargets.clear(); }
};

Operations::StrokeSegment NextSegment(const Operations::StrokeSegment &segment, Brush &tool, PickInfo &pick)
{
    Operations::StrokeSegment next = segment;
    SegmentStep(&tool, &next).AddPoint(&pick, tool.GetSize(), 1.0f, Vector(0, 0, 0));
    return next;
}

// After the dab: no record keeps a replayed stamp, and the dab's own walks stamped as many
// faces and vertices as the replay did, and made a restore entry for each weighed vertex
// that had none. The scans run outside any timing.
bool ReplayMatchesDab(Mesh &mesh, uint32_t replayStamp, const WalkCounts &counts, unsigned restoredBefore)
{
    const uint32_t dabStamp = replayStamp + 3;
    unsigned faces = 0, held = 0, left = 0;
    mesh.WithFaces([&](const auto &records) {
        for (unsigned f = 0; f < mesh.m_iFaceCount; ++f) {
            faces += records[f].m_iStamp == dabStamp + 2;
            left += records[f].m_iStamp - replayStamp < 3;
        }
    });
    for (unsigned v = 0; v < mesh.m_iVertexCount; ++v) {
        const uint32_t stamp = uint32_t(mesh.VertexStrokeID(v));
        held += stamp == dabStamp + 1;
        left += stamp - replayStamp < 3;
    }
    return left == 0 && faces == counts.faces && held == counts.held &&
           mesh.m_iRestoreCount - restoredBefore == counts.reached - counts.restored;
}

// Dabs inside one stroke, as BM_SoftDabInStroke makes them (same rows, same places): every
// other dab has its walks replayed first and timed, the others are timed whole.
void BM_WalksAlone(benchmark::State &state)
{
    DabCase c(state, 13);
    const unsigned side = c.side, touched = c.touched;
    Mesh &mesh = c.mesh;
    unsigned sample = 0, checked = 0;
    double walkSeconds[3] = {}, dabSeconds = 0.0;
    uint64_t faces = 0, held = 0, restored = 0;
    RowStrokes strokes(c);
    for (auto _ : state) {
        PickInfo pick = strokes.Next(state);
        if (sample++ % 2 == 0) {
            const Operations::StrokeSegment next = NextSegment(strokes.Segment(), c.tool, pick);
            const uint32_t replayStamp = mesh.m_iStamp;
            const unsigned restoredBefore = mesh.m_iRestoreCount;
            WalkCounts counts;
            ReplayWalks(mesh, unsigned(pick.m_iFace), next, counts, walkSeconds);
            faces += counts.faces;
            held += counts.held;
            restored += counts.restored;
            strokes.Dab(pick);
            // The first few replays are compared with their dabs (the scans evict the caches).
            if (checked < 3) {
                ++checked;
                state.PauseTiming();
                const bool same = ReplayMatchesDab(mesh, replayStamp, counts, restoredBefore);
                state.ResumeTiming();
                if (!same) {
                    state.SkipWithError("the replayed walks reach other records than the dab's");
                    break;
                }
            }
        } else {
            const auto start = std::chrono::steady_clock::now();
            strokes.Dab(pick);
            const auto end = std::chrono::steady_clock::now();
            dabSeconds += std::chrono::duration<double>(end - start).count();
        }
    }
    const double walks = double((sample + 1) / 2), dabs = double(sample / 2);
    if (walks == 0 || dabs == 0)
        return;
    const double walkUs = (walkSeconds[0] + walkSeconds[1] + walkSeconds[2]) / walks * 1e6;
    const double dabUs = dabSeconds / dabs * 1e6;
    state.counters["walks_us"] = walkUs;
    state.counters["dab_us"] = dabUs;
    state.counters["walks_share"] = walkUs / dabUs;
    // The floor: a plain copy of the bytes the walks read, in this run.
    const double bytes = double(faces) / walks * sizeof(Quad) + double(held) / walks * sizeof(Vertex) +
                         double(restored) / walks * sizeof(StoredVertexInfo);
    const double floorUs = bench::PlainCopyMicroseconds(size_t(bytes));
    state.counters["floor_us"] = floorUs;
    std::printf("memory floor: a plain copy of the %.0f KB the walks read takes %.1f us; dab in a stroke / floor = "
                "%.1f, walks / floor = %.1f\n",
                bytes / 1024.0, floorUs, dabUs / floorUs, walkUs / floorUs);
    std::printf("walks alone: sheet %ux%u, ~%u vertices: %.1f us per dab (vertex walk %.1f, normal walks %.1f + %.1f), "
                "%.0f%% of a dab in a stroke (%.1f us); region %.0f faces (%.0f KB), %.0f vertices (%.0f KB), "
                "%.0f of them with restore entries (%.0f KB)\n",
                side, side, touched, walkUs, walkSeconds[0] / walks * 1e6, walkSeconds[1] / walks * 1e6,
                walkSeconds[2] / walks * 1e6, 100.0 * walkUs / dabUs, dabUs, double(faces) / walks,
                double(faces) / walks * sizeof(Quad) / 1024.0, double(held) / walks,
                double(held) / walks * sizeof(Vertex) / 1024.0, double(restored) / walks,
                double(restored) / walks * sizeof(StoredVertexInfo) / 1024.0);
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
BENCHMARK(BM_WalksAlone)->Apply(Sizes)->Unit(benchmark::kMicrosecond)->Iterations(400);

}  // namespace

BENCHMARK_MAIN();
