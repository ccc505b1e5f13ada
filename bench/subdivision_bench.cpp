// Uniform Catmull-Clark subdivision to 8 to 25 million faces: our level creation (faces,
// adjacency, index maps and positions, level by level as mapping builds them) against
// OpenSubdiv's TopologyRefiner + PrimvarRefiner in its default setup making the same levels.
// Each side runs in a child process of its own, so that its peak resident memory is its own.
// Figures, per face of the last level: the peak bytes allocated through operator new
// (*_B_per_face), the peak resident growth (*_rss_B_per_face) and, for ours, the bytes
// that the held levels keep by container (q quads, v vertices, cc Catmull-Clark positions,
// vmap vertex maps, other) and the peak beyond them (transient). The ratios are ours /
// OpenSubdiv's: of wall time (ours_over_osd) and of the processor time of all threads
// (cpu_ours_over_osd), which a busy machine disturbs less.
// Targets: ours_over_osd at most 0.5 with one thread (run pinned: taskset -c N); at most
// 120 bytes per face of peak memory with every level held. Our level creation splits large
// levels over the processors the process may run on (the peer runs on one): pinned to one
// core it runs on one thread, pinned to several (taskset -c 6,7) it shows the threaded figure.
// Run: build/bench/bench/subdivision_bench --benchmark_counters_tabular=true
// For profiling: TEVRIN_BENCH_STEPS=1 prints our time per step of each level and the kernel
// time; TEVRIN_BENCH_SIDE=ours runs our side alone (under perf record, say).
#include "mesh/core/MeshSwitches.h"
#include "mesh/levels/SubdivLevel.h"
#include "platform/SystemMemory.h"

#include <opensubdiv/far/primvarRefiner.h>
#include <opensubdiv/far/topologyDescriptor.h>

#include <benchmark/benchmark.h>

#include <malloc.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <memory>
#include <new>
#include <random>
#include <string>
#include <vector>

// --- allocation accounting -------------------------------------------------------------

namespace {
std::atomic<int64_t> s_current{0}, s_peak{0};

void *Counted(void *p)
{
    if (!p)
        throw std::bad_alloc();
    const int64_t now = s_current += int64_t(malloc_usable_size(p));
    int64_t peak = s_peak.load();
    while (now > peak && !s_peak.compare_exchange_weak(peak, now)) {
    }
    return p;
}

void *Counted(size_t size) { return Counted(std::malloc(size ? size : 1)); }

void Uncounted(void *p)
{
    if (!p)
        return;
    s_current -= int64_t(malloc_usable_size(p));
    std::free(p);
}

// Peak bytes above what was allocated when the measurement started.
class PeakMeter {
public:
    PeakMeter() : m_iStart(s_current.load()) { s_peak = m_iStart; }
    int64_t Peak() const { return s_peak.load() - m_iStart; }

private:
    int64_t m_iStart;
};
}  // namespace

void *operator new(size_t size) { return Counted(size); }
void *operator new[](size_t size) { return Counted(size); }
void *operator new(size_t size, const std::nothrow_t &) noexcept
{
    try {
        return Counted(size);
    } catch (...) {
        return nullptr;
    }
}
void *operator new[](size_t size, const std::nothrow_t &) noexcept
{
    try {
        return Counted(size);
    } catch (...) {
        return nullptr;
    }
}
// Aligned allocations count too.
void *operator new(size_t size, std::align_val_t align)
{
    const size_t a = size_t(align);
    return Counted(std::aligned_alloc(a, (std::max<size_t>(size, 1) + a - 1) / a * a));
}
void *operator new(size_t size, std::align_val_t align, const std::nothrow_t &) noexcept
{
    try {
        return operator new(size, align);
    } catch (...) {
        return nullptr;
    }
}
void operator delete(void *p, std::align_val_t) noexcept { Uncounted(p); }
void operator delete(void *p, size_t, std::align_val_t) noexcept { Uncounted(p); }
void operator delete(void *p) noexcept { Uncounted(p); }
void operator delete[](void *p) noexcept { Uncounted(p); }
void operator delete(void *p, size_t) noexcept { Uncounted(p); }
void operator delete[](void *p, size_t) noexcept { Uncounted(p); }

// --- meshes ----------------------------------------------------------------------------

namespace {

using General::Vector;

struct QuadMesh {
    std::vector<Vector> positions;
    std::vector<std::array<int, 4>> quads;
};

// A torus of rings × segments quads.
QuadMesh Torus(int rings, int segments)
{
    QuadMesh mesh;
    for (int i = 0; i < rings; ++i)
        for (int j = 0; j < segments; ++j) {
            const float u = 2.0f * 3.14159265f * float(i) / float(rings), v = 2.0f * 3.14159265f * float(j) / float(segments);
            mesh.positions.emplace_back((3.0f + std::cos(v)) * std::cos(u), (3.0f + std::cos(v)) * std::sin(u), std::sin(v));
        }
    auto at = [&](int i, int j) { return ((i + rings) % rings) * segments + (j + segments) % segments; };
    for (int i = 0; i < rings; ++i)
        for (int j = 0; j < segments; ++j)
            mesh.quads.push_back({at(i, j), at(i + 1, j), at(i + 1, j + 1), at(i, j + 1)});
    return mesh;
}

// A jittered torus of triangles, each split into three quads: vertices of valence 3, 4
// and 6 everywhere. 40 × 42 cells give 10,080 quads.
QuadMesh Irregular(int rings, int segments)
{
    const QuadMesh grid = Torus(rings, segments);
    QuadMesh mesh;
    std::mt19937 random(11);
    std::uniform_real_distribution<float> jitter(-0.05f, 0.05f);
    for (const Vector &p : grid.positions)
        mesh.positions.emplace_back(p.x + jitter(random), p.y + jitter(random), p.z + jitter(random));
    std::map<std::pair<int, int>, int> points;  // each edge gets one point
    auto edgePoint = [&](int a, int b) {
        auto [it, fresh] = points.emplace(std::make_pair(std::min(a, b), std::max(a, b)), int(mesh.positions.size()));
        if (fresh)
            mesh.positions.push_back((mesh.positions[size_t(a)] + mesh.positions[size_t(b)]) * 0.5f);
        return it->second;
    };
    for (const auto &q : grid.quads)
        for (const std::array<int, 3> t : {std::array<int, 3>{q[0], q[1], q[2]}, std::array<int, 3>{q[0], q[2], q[3]}}) {
            const int e0 = edgePoint(t[0], t[1]), e1 = edgePoint(t[1], t[2]), e2 = edgePoint(t[2], t[0]);
            mesh.positions.push_back((mesh.positions[size_t(t[0])] + mesh.positions[size_t(t[1])] +
                                      mesh.positions[size_t(t[2])]) *
                                     (1.0f / 3.0f));
            const int c = int(mesh.positions.size() - 1);
            mesh.quads.push_back({t[0], e0, c, e2});
            mesh.quads.push_back({e0, t[1], e1, c});
            mesh.quads.push_back({c, e1, t[2], e2});
        }
    return mesh;
}

std::unique_ptr<SubdivLevel> MakeBase(const QuadMesh &mesh)
{
    auto level = std::make_unique<SubdivLevel>(unsigned(mesh.quads.size()), unsigned(mesh.positions.size()), 0, 0, true);
    for (unsigned v = 0; v < mesh.positions.size(); ++v) {
        level->m_pVertices[v] = Vertex{};
        level->m_pVertices[v].m_vPosition = mesh.positions[v];
    }
    for (unsigned f = 0; f < mesh.quads.size(); ++f) {
        Quad q{};
        q.m_iOctree = 0xFFFFFFFFu;
        for (unsigned c = 0; c < 4; ++c) {
            q.m_iIndices[c] = unsigned(mesh.quads[f][c]) | 0x80000000u;  // visible, active, mapped
            q.m_iAdjacent[c] = -1;
            q.m_iTCI[c] = int32_t(0x80000000u);
        }
        level->m_pQuads[f] = q;
    }
    level->CalculateAdjacency();
    return level;
}

double Seconds(std::chrono::steady_clock::duration d) { return std::chrono::duration<double>(d).count(); }

// Ours: one level after another, as mapping builds them (subdivision, positions, vertices).
unsigned OurLevels(SubdivLevel &base, int levels)
{
    // TEVRIN_BENCH_STEPS=1 prints the time of each step of each level to stderr.
    static const bool steps = std::getenv("TEVRIN_BENCH_STEPS") != nullptr;
    auto now = [] { return std::chrono::steady_clock::now(); };
    auto kernel = [] {
        rusage usage{};
        getrusage(RUSAGE_SELF, &usage);
        return double(usage.ru_stime.tv_sec) * 1e3 + double(usage.ru_stime.tv_usec) * 1e-3;
    };
    const double k0 = kernel();
    SubdivLevel *lower = &base;
    for (int l = 0; l < levels; ++l) {
        const auto t0 = now();
        SubdivLevel *next = lower->GetNextLevel(true);
        General::Store<unsigned int> all("bench faces");
        all.SetItemCount(lower->m_iFaceCount, false);
        for (unsigned f = 0; f < lower->m_iFaceCount; ++f)
            all[f] = f;
        next->m_iNewVertexCount = next->m_iVertexCount;
        const auto t1 = now();
        if (!next->Subdivide(all))
            std::abort();
        // As mapping does: the list goes once the faces are made, before the level's memory peaks.
        all.Clear();
        const auto t2 = now();
        if (!next->UpdateCC(false))
            std::abort();
        const auto t3 = now();
        if (!next->AddNewVertices())
            std::abort();
        next->MakeAbsolute();
        const auto t4 = now();
        if (steps)
            std::fprintf(stderr, "level %d: start %.1f ms, split %.1f ms, positions %.1f ms, vertices %.1f ms\n", l + 1,
                         Seconds(t1 - t0) * 1e3, Seconds(t2 - t1) * 1e3, Seconds(t3 - t2) * 1e3,
                         Seconds(t4 - t3) * 1e3);
        lower = next;
    }
    if (steps)
        std::fprintf(stderr, "kernel time: %.1f ms\n", kernel() - k0);
    return lower->m_iFaceCount;
}

struct Point {
    float x, y, z;
    void Clear() { x = y = z = 0; }
    void AddWithWeight(const Point &p, float w)
    {
        x += p.x * w;
        y += p.y * w;
        z += p.z * w;
    }
};

using namespace OpenSubdiv;

std::unique_ptr<Far::TopologyRefiner> MakeRefiner(const QuadMesh &mesh)
{
    std::vector<int> counts(mesh.quads.size(), 4), indices;
    for (const auto &q : mesh.quads)
        indices.insert(indices.end(), q.begin(), q.end());
    Far::TopologyDescriptor descriptor;
    descriptor.numVertices = int(mesh.positions.size());
    descriptor.numFaces = int(mesh.quads.size());
    descriptor.numVertsPerFace = counts.data();
    descriptor.vertIndicesPerFace = indices.data();
    Sdc::Options options;
    options.SetVtxBoundaryInterpolation(Sdc::Options::VTX_BOUNDARY_EDGE_AND_CORNER);
    using Factory = Far::TopologyRefinerFactory<Far::TopologyDescriptor>;
    return std::unique_ptr<Far::TopologyRefiner>(
        Factory::Create(descriptor, Factory::Options(Sdc::SCHEME_CATMARK, options)));
}

// The reference: refine the topology uniformly, then interpolate the positions level by level.
unsigned TheirLevels(Far::TopologyRefiner &refiner, const QuadMesh &mesh, int levels, std::vector<Point> &points)
{
    refiner.RefineUniform(Far::TopologyRefiner::UniformOptions(levels));
    points.resize(size_t(refiner.GetNumVerticesTotal()));
    for (size_t v = 0; v < mesh.positions.size(); ++v)
        points[v] = {mesh.positions[v].x, mesh.positions[v].y, mesh.positions[v].z};
    Far::PrimvarRefiner primvars(refiner);
    Point *source = points.data();
    for (int l = 1; l <= levels; ++l) {
        Point *destination = source + refiner.GetLevel(l - 1).GetNumVertices();
        primvars.Interpolate(l, source, destination);
        source = destination;
    }
    return unsigned(refiner.GetLevel(levels).GetNumFaces());
}

int64_t ResidentBytes()
{
    std::ifstream statm("/proc/self/statm");
    long long size = 0, resident = 0;
    statm >> size >> resident;
    return int64_t(resident) * int64_t(sysconf(_SC_PAGESIZE));
}

// User and system time of the process so far (all its threads).
double ProcessSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
}

int64_t PeakResidentBytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return int64_t(usage.ru_maxrss) * 1024;
}

// What one side reports from its child process.
struct SideResult {
    double seconds = 0;
    double cpuSeconds = 0;  // user + system, all threads: steadier than wall time on a busy machine
    int64_t peakNew = 0;       // bytes through operator new above the start
    int64_t peakResident = 0;  // resident bytes above the start
    unsigned faces = 0;
    // Ours: bytes the levels hold when done, by container: quads, vertices, Catmull-Clark
    // positions, vertex maps, the rest.
    double held[5] = {};
    bool ok = false;
};

// Runs `side` in a child process and hands back what it measured (ok false when the child failed).
template <class Side>
SideResult InChild(Side &&side)
{
    int pipes[2];
    if (pipe(pipes) != 0)
        return {};
    const pid_t pid = fork();
    if (pid == 0) {
        close(pipes[0]);
        const SideResult result = side();
        const bool sent = write(pipes[1], &result, sizeof result) == ssize_t(sizeof result);
        _exit(sent ? 0 : 1);
    }
    close(pipes[1]);
    SideResult result;
    if (pid < 0 || read(pipes[0], &result, sizeof result) != ssize_t(sizeof result))
        result = {};
    close(pipes[0]);
    if (pid > 0)
        waitpid(pid, nullptr, 0);
    return result;
}

SideResult Ours(const QuadMesh &mesh, int levels)
{
    SideResult result;
    auto base = MakeBase(mesh);
    const int64_t resident = ResidentBytes();
    PeakMeter meter;
    const double c0 = ProcessSeconds();
    const auto t0 = std::chrono::steady_clock::now();
    result.faces = OurLevels(*base, levels);
    result.seconds = Seconds(std::chrono::steady_clock::now() - t0);
    result.cpuSeconds = ProcessSeconds() - c0;
    result.peakNew = meter.Peak();
    result.peakResident = PeakResidentBytes() - resident;
    for (SubdivLevel *level = base->GetNextLevel(false); level; level = level->GetNextLevel(false)) {
        const double parts[4] = {double(level->m_pQuads.GetBlockSize()), double(level->m_pVertices.GetBlockSize()),
                                 double(level->m_aCCPositions.GetBlockSize()),
                                 double(level->m_aVertexMap.GetBlockSize())};
        for (int i = 0; i < 4; ++i)
            result.held[i] += parts[i];
        result.held[4] += double(level->m_aFaceMap.GetBlockSize() + level->m_pTCs.GetBlockSize() +
                                 level->m_aExtraFaces.GetBlockSize() + level->m_pTriangles.GetBlockSize());
    }
    result.ok = true;
    return result;
}

SideResult Theirs(const QuadMesh &mesh, int levels)
{
    SideResult result;
    auto refiner = MakeRefiner(mesh);
    std::vector<Point> points;
    const int64_t resident = ResidentBytes();
    PeakMeter meter;
    const double c0 = ProcessSeconds();
    const auto t0 = std::chrono::steady_clock::now();
    result.faces = TheirLevels(*refiner, mesh, levels, points);
    result.seconds = Seconds(std::chrono::steady_clock::now() - t0);
    result.cpuSeconds = ProcessSeconds() - c0;
    result.peakNew = meter.Peak();
    result.peakResident = PeakResidentBytes() - resident;
    benchmark::DoNotOptimize(points.data());
    result.ok = true;
    return result;
}

void Compare(benchmark::State &state, const QuadMesh &mesh, int levels)
{
    MeshSwitches::s_bVerbose = false;
    double ours = 0, theirs = 0, oursCpu = 0, theirsCpu = 0;
    int64_t ourPeak = 0, theirPeak = 0, ourResident = 0, theirResident = 0;
    SideResult last;
    for (auto _ : state) {
        const SideResult a = InChild([&] { return Ours(mesh, levels); });
        // TEVRIN_BENCH_SIDE=ours leaves the peer out, for profiling ours alone (the ratio is then 1).
        static const bool oursOnly =
            std::getenv("TEVRIN_BENCH_SIDE") && std::string(std::getenv("TEVRIN_BENCH_SIDE")) == "ours";
        const SideResult b = oursOnly ? a : InChild([&] { return Theirs(mesh, levels); });
        if (!a.ok || !b.ok) {
            state.SkipWithError("a side failed");
            return;
        }
        if (a.faces != b.faces) {
            state.SkipWithError("the two subdivisions made different numbers of faces");
            return;
        }
        ours += a.seconds;
        theirs += b.seconds;
        oursCpu += a.cpuSeconds;
        theirsCpu += b.cpuSeconds;
        ourPeak = std::max(ourPeak, a.peakNew);
        theirPeak = std::max(theirPeak, b.peakNew);
        ourResident = std::max(ourResident, a.peakResident);
        theirResident = std::max(theirResident, b.peakResident);
        last = a;
    }
    const double n = double(state.iterations()), faces = double(last.faces);
    state.counters["faces"] = faces;
    state.counters["ours_s"] = ours / n;
    state.counters["osd_s"] = theirs / n;
    state.counters["ours_over_osd"] = ours / theirs;
    state.counters["cpu_ours_over_osd"] = oursCpu / theirsCpu;
    state.counters["ours_B_per_face"] = double(ourPeak) / faces;
    state.counters["osd_B_per_face"] = double(theirPeak) / faces;
    state.counters["ours_rss_MB"] = double(ourResident) / 1048576.0;
    state.counters["osd_rss_MB"] = double(theirResident) / 1048576.0;
    state.counters["ours_rss_B_per_face"] = double(ourResident) / faces;
    state.counters["osd_rss_B_per_face"] = double(theirResident) / faces;
    const char *names[5] = {"q_B", "v_B", "cc_B", "vmap_B", "other_B"};
    double held = 0;
    for (int i = 0; i < 5; ++i) {
        state.counters[names[i]] = last.held[i] / faces;
        held += last.held[i];
    }
    // What the peak holds beyond the levels themselves: work tables alive at the peak.
    state.counters["transient_B"] = (double(ourPeak) - held) / faces;
}

void TorusTo8M(benchmark::State &state)
{
    static const QuadMesh mesh = Torus(32, 64);  // 2,048 quads; 6 levels: 8,388,608 faces
    Compare(state, mesh, 6);
}

void IrregularTo10M(benchmark::State &state)
{
    static const QuadMesh mesh = Irregular(40, 42);  // 10,080 quads; 5 levels: 10,321,920 faces
    Compare(state, mesh, 5);
}

void TorusTo25M(benchmark::State &state)
{
    // Each side holds about 4 GiB at its peak; on a shared machine with less free the case is left out.
    if (Platform::QueryMemoryStatus().availablePhysical < (uint64_t(12) << 30)) {
        state.SkipWithError("less than 12 GiB of memory free");
        return;
    }
    static const QuadMesh mesh = Torus(48, 128);  // 6,144 quads; 6 levels: 25,165,824 faces
    Compare(state, mesh, 6);
}

}  // namespace

BENCHMARK(TorusTo8M)->Unit(benchmark::kMillisecond)->Iterations(2)->UseRealTime();
BENCHMARK(IrregularTo10M)->Unit(benchmark::kMillisecond)->Iterations(2)->UseRealTime();
BENCHMARK(TorusTo25M)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

BENCHMARK_MAIN();
