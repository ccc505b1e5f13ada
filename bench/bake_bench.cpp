// Rays per second of the texel evaluation on a synthetic pair (a flat low sheet of 16 × 16
// quads and a high sheet of 512 × 512 quads displaced by a smooth bump), at 1024² and
// 2048² texels, with one and two threads. The peer casts the same segments into the same
// high triangles with Embree 3 and keeps the hit nearest the segment's centre (two rays
// from the centre, outwards and inwards, each as long as half the segment).
// Run: build/bench/bench/bake_bench --benchmark_counters_tabular=true
#include "mapping/Mapper.h"
#include "mapping/MappingGlobals.h"
#include "mesh/object/Object.h"

#include <benchmark/benchmark.h>
#include <embree3/rtcore.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <memory>
#include <cstdio>
#include <thread>
#include <vector>

namespace {

using General::Vector;
using MapExtraction::MapBuffer;
using MapExtraction::Mapper;

constexpr float kSearch = 0.3f;

float Bump(float x, float y) { return 0.05f * std::sin(6.2831853f * x) * std::cos(6.2831853f * y); }

template <class M>
std::unique_ptr<M> Sheet(unsigned n, bool bumpy)
{
    auto mesh = std::make_unique<M>();
    mesh->m_eType = Mesh::typeQuadric;
    mesh->m_iVertexCount = mesh->m_iTCCount = (n + 1) * (n + 1);
    mesh->m_iFaceCount = mesh->m_iPolygonCount = n * n;
    mesh->m_pVertices.SetItemCount(mesh->m_iVertexCount, false);
    mesh->m_pTCs.SetItemCount(mesh->m_iTCCount, false);
    mesh->m_pQuads.SetItemCount(mesh->m_iFaceCount, false);
    for (unsigned j = 0; j <= n; ++j)
        for (unsigned i = 0; i <= n; ++i) {
            const float x = float(i) / float(n), y = float(j) / float(n);
            Vertex v{};
            v.m_vPosition = Vector(x, y, bumpy ? Bump(x, y) : 0.0f);
            mesh->m_pVertices[j * (n + 1) + i] = v;
            mesh->m_pTCs[j * (n + 1) + i] = TC{x, y};
        }
    for (unsigned j = 0; j < n; ++j)
        for (unsigned i = 0; i < n; ++i) {
            const unsigned a = j * (n + 1) + i;
            const unsigned c[4] = {a, a + 1, a + n + 2, a + n + 1};
            Quad q{};
            q.m_iOctree = OctreeLink::kNone;
            for (unsigned k = 0; k < 4; ++k) {
                q.m_iIndices[k] = c[k];
                q.m_iAdjacent[k] = -1;
                q.m_iTCI[k] = int32_t(c[k]);
            }
            q.m_iIndices[0] |= MeshFlags::kBit31;
            mesh->m_pQuads[j * n + i] = q;
        }
    mesh->m_iTotalFaceCount = mesh->m_iFaceCount;
    mesh->m_iTotalVertexCount = mesh->m_iVertexCount;
    mesh->CalculateAdjacency();
    mesh->CalculateNormals(false);
    return mesh;
}

struct Pair {
    Pair()
    {
        InitializeMappingGlobals();
        low = Sheet<SubdivLevel>(16, false);
        high = Sheet<Object>(512, true);
        high->GetBTree();
    }
    std::unique_ptr<SubdivLevel> low;
    std::unique_ptr<Object> high;
};

Pair &SharedPair()
{
    static Pair pair;
    return pair;
}

// A mapper with the maps, the face index table and the region set up, ready to evaluate.
std::unique_ptr<Mapper> ReadyMapper(unsigned size)
{
    Pair &pair = SharedPair();
    auto mapper = std::make_unique<Mapper>();
    mapper->m_aSearchDistance.SetValue(kSearch, true);
    mapper->m_aRayCenter.SetValue(2, true);
    mapper->m_aCreateNormalMap.SetValue(true, true);
    mapper->m_aCreateDisplacementMap.SetValue(true, true);
    mapper->SetupSearch();
    mapper->m_pWorkingMesh = pair.low.get();
    mapper->m_aHighMeshes.Add(pair.high.get());
    mapper->m_eWorkingDisplacementType = MapExtraction::mapFloat;
    mapper->m_cNormalMap.Allocate(size, size, MapBuffer::typeFloat, 3);
    mapper->m_cDisplacementMap.Allocate(size, size, MapBuffer::typeFloat, 1);
    mapper->m_aFaceIndexTable.SetItemCount(size * size, false);
    mapper->m_aFaceIndexTable.Fill(Mapper::kNoFace);
    mapper->m_iMapWidth = mapper->m_iMapHeight = size;
    mapper->PrepareMatrices();
    mapper->ProcessFaces(1, 0, false, 0);
    return mapper;
}

// The calling thread's time on a processor and its time waiting in the run queue for
// one, in seconds (zero where the system does not keep them).
struct ThreadTimes {
    double running = 0, waiting = 0;
    static ThreadTimes Now()
    {
        ThreadTimes times;
        if (FILE *file = std::fopen("/proc/thread-self/schedstat", "r")) {
            unsigned long long run = 0, wait = 0;
            if (std::fscanf(file, "%llu %llu", &run, &wait) == 2)
                times = ThreadTimes{1e-9 * double(run), 1e-9 * double(wait)};
            std::fclose(file);
        }
        return times;
    }
};

// Runs `work(id)` on one thread, or on two at once, in every iteration (`prepare()`
// first) and reports the rate. Each thread's time on a processor and in the run queue is
// summed too: the larger running time against one thread's is the speed-up the work
// allows, the waiting is what other processes took, and rays per running second compare
// two sides measured under different load.
template <class Prepare, class Work>
void RunThreads(benchmark::State &state, unsigned size, unsigned threads, Prepare &&prepare, Work &&work)
{
    ThreadTimes spent[2];
    const auto timed = [&](unsigned id) {
        const ThreadTimes start = ThreadTimes::Now();
        work(id);
        const ThreadTimes end = ThreadTimes::Now();
        spent[id].running += end.running - start.running;
        spent[id].waiting += end.waiting - start.waiting;
    };
    for (auto _ : state) {
        prepare();
        if (threads == 1) {
            timed(0);
        } else {
            std::thread worker(timed, 1);
            timed(0);
            worker.join();
        }
    }
    const double n = double(state.iterations()), rays = double(size) * size * n;
    const double running = std::max(spent[0].running, spent[1].running);
    state.counters["rays/s"] = benchmark::Counter(rays, benchmark::Counter::kIsRate);
    state.counters["running ms"] = 1e3 * running / n;
    state.counters["waiting ms"] = 1e3 * std::max(spent[0].waiting, spent[1].waiting) / n;
    if (running > 0)
        state.counters["rays/running s"] = rays / running;
}

void TexelEvaluation(benchmark::State &state)
{
    const unsigned size = unsigned(state.range(0));
    const unsigned threads = unsigned(state.range(1));
    auto mapper = ReadyMapper(size);
    RunThreads(
        state, size, threads, [&] { mapper->m_iNextRow = 0; }, [&](unsigned id) { mapper->EvaluateRows(false, id); });
    // How much of the tree a ray walks.
    const double rays = double(size) * size * double(state.iterations());
    const Mapper::Statistics *stats = mapper->m_aThreadStatistics;
    state.counters["spheres/ray"] = double(stats[0].m_iSpheres + stats[1].m_iSpheres) / rays;
    state.counters["faces/ray"] = double(stats[0].m_iFaces + stats[1].m_iFaces) / rays;
    mapper->m_aHighMeshes.Clear();
}

struct EmbreeScene {
    EmbreeScene()
    {
        Pair &pair = SharedPair();
        device = rtcNewDevice("threads=1");
        scene = rtcNewScene(device);
        RTCGeometry geometry = rtcNewGeometry(device, RTC_GEOMETRY_TYPE_TRIANGLE);
        const Object &high = *pair.high;
        auto *vertices = static_cast<float *>(rtcSetNewGeometryBuffer(
            geometry, RTC_BUFFER_TYPE_VERTEX, 0, RTC_FORMAT_FLOAT3, 3 * sizeof(float), high.m_iVertexCount));
        for (unsigned v = 0; v < high.m_iVertexCount; ++v) {
            const Vector &p = high.m_pVertices[v].m_vPosition;
            vertices[3 * v] = p.x;
            vertices[3 * v + 1] = p.y;
            vertices[3 * v + 2] = p.z;
        }
        auto *indices = static_cast<unsigned *>(rtcSetNewGeometryBuffer(
            geometry, RTC_BUFFER_TYPE_INDEX, 0, RTC_FORMAT_UINT3, 3 * sizeof(unsigned), 2 * high.m_iFaceCount));
        for (unsigned f = 0; f < high.m_iFaceCount; ++f) {
            for (unsigned h = 0; h < 2; ++h)
                for (unsigned k = 0; k < 3; ++k)
                    indices[6 * f + 3 * h + k] = high.FaceVertexIndex(f, BTree::kQuadHalves[h][k]);
        }
        rtcCommitGeometry(geometry);
        rtcAttachGeometry(scene, geometry);
        rtcReleaseGeometry(geometry);
        rtcCommitScene(scene);
    }
    ~EmbreeScene()
    {
        rtcReleaseScene(scene);
        rtcReleaseDevice(device);
    }
    RTCDevice device;
    RTCScene scene;
};

// The same segments as the mapper: from each covered texel's low point along its normal.
float CastRows(RTCScene scene, const Mapper &mapper, unsigned size, unsigned stride, unsigned first)
{
    const Mesh &low = *mapper.m_pWorkingMesh;
    float sum = 0.0f;
    RTCIntersectContext context;
    rtcInitIntersectContext(&context);
    for (unsigned y = first; y < size; y += stride)
        for (unsigned x = 0; x < size; ++x) {
            const uint32_t triangle = mapper.m_aFaceIndexTable[y * size + x];
            if (triangle == Mapper::kNoFace)
                continue;
            // The low sheet is flat: the point is the texel centre, the normal its face's.
            const unsigned face = triangle / 2;
            const Vector n = UnpackNormal(low.m_pVertices[low.FaceVertexIndex(face, 0)].m_aNormal);
            const Vector p((x + 0.5f) / float(size), (y + 0.5f) / float(size), 0.0f);
            float nearest = INFINITY;
            for (float sign : {1.0f, -1.0f}) {
                RTCRayHit hit{};
                hit.ray.org_x = p.x;
                hit.ray.org_y = p.y;
                hit.ray.org_z = p.z;
                hit.ray.dir_x = n.x * sign;
                hit.ray.dir_y = n.y * sign;
                hit.ray.dir_z = n.z * sign;
                hit.ray.tnear = 0.0f;
                hit.ray.tfar = std::min(nearest, kSearch * 0.5f);
                hit.ray.mask = ~0u;
                hit.hit.geomID = RTC_INVALID_GEOMETRY_ID;
                rtcIntersect1(scene, &context, &hit);
                if (hit.hit.geomID != RTC_INVALID_GEOMETRY_ID)
                    nearest = std::min(nearest, hit.ray.tfar);
            }
            sum += std::isfinite(nearest) ? nearest : 0.0f;
        }
    return sum;
}

void EmbreePeer(benchmark::State &state)
{
    const unsigned size = unsigned(state.range(0));
    const unsigned threads = unsigned(state.range(1));
    static EmbreeScene embree;
    auto mapper = ReadyMapper(size);
    RunThreads(
        state, size, threads, [] {},
        [&](unsigned id) { benchmark::DoNotOptimize(CastRows(embree.scene, *mapper, size, threads, id)); });
    mapper->m_aHighMeshes.Clear();
}

}  // namespace

BENCHMARK(TexelEvaluation)->ArgsProduct({{1024, 2048}, {1, 2}})->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(EmbreePeer)->ArgsProduct({{1024, 2048}, {1, 2}})->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_MAIN();
