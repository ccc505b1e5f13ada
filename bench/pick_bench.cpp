// Pick rays on generated sheets of 1M and 16M quads: our picker walking the level's
// octree against Embree 3 on the same quads and the same segments, one thread each.
// Our picker finds every face along the segment; Embree runs twice: its nearest hit
// alone (rtcIntersect1 as it is) and every hit (a filter that records each hit and
// rejects it, so that traversal goes on), the like-for-like side. Prints microseconds
// per ray (median and 99th percentile) and the ratios of the medians, and checks on
// the 1M sheet that octree picks equal picks over every face and Embree's every hit.
#include "mesh/core/Octree.h"
#include "scene/picking/Picker.h"
#include "support/LooseOctree.h"
#include "support/MeshFixtures.h"

#include <benchmark/benchmark.h>
#include <embree3/rtcore.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

using General::Vector;

namespace {

struct Segment {
    Vector start, end;
};

struct Sheet {
    std::unique_ptr<Mesh> mesh;
    std::vector<Segment> rays;
    RTCDevice device = nullptr;
    RTCScene scene = nullptr;
};

// Built once per size and kept for both sides.
Sheet &GetSheet(unsigned side)
{
    static std::map<unsigned, std::unique_ptr<Sheet>> sheets;
    auto &slot = sheets[side];
    if (slot)
        return *slot;
    slot = std::make_unique<Sheet>();
    Sheet &s = *slot;
    s.mesh = fixtures::MakeWavySheet(side, side, 1);
    Mesh &mesh = *s.mesh;
    BuildLooseOctree(mesh, 1.0f);
    std::mt19937 random(7);
    std::uniform_real_distribution<float> across(0.0f, float(side));
    std::uniform_real_distribution<float> tilt(-3.0f, 3.0f);
    for (int i = 0; i < 2000; ++i) {
        const Vector start(across(random), across(random), 20.0f);
        s.rays.push_back({start, start + Vector(tilt(random), tilt(random), -40.0f)});
    }

    s.device = rtcNewDevice("threads=2");
    s.scene = rtcNewScene(s.device);
    // The every-hit side hands its filter through the intersect context.
    rtcSetSceneFlags(s.scene, RTC_SCENE_FLAG_CONTEXT_FILTER_FUNCTION);
    RTCGeometry geometry = rtcNewGeometry(s.device, RTC_GEOMETRY_TYPE_QUAD);
    auto *vertices = static_cast<float *>(rtcSetNewGeometryBuffer(geometry, RTC_BUFFER_TYPE_VERTEX, 0,
                                                                   RTC_FORMAT_FLOAT3, 3 * sizeof(float),
                                                                   mesh.m_iVertexCount));
    for (unsigned v = 0; v < mesh.m_iVertexCount; ++v) {
        const Vector &p = mesh.m_pVertices[v].m_vPosition;
        vertices[3 * v] = p.x;
        vertices[3 * v + 1] = p.y;
        vertices[3 * v + 2] = p.z;
    }
    auto *indices = static_cast<unsigned *>(rtcSetNewGeometryBuffer(geometry, RTC_BUFFER_TYPE_INDEX, 0,
                                                                    RTC_FORMAT_UINT4, 4 * sizeof(unsigned),
                                                                    mesh.m_iFaceCount));
    for (unsigned f = 0; f < mesh.m_iFaceCount; ++f)
        for (unsigned c = 0; c < 4; ++c)
            indices[4 * f + c] = mesh.FaceVertexIndex(f, c);
    rtcCommitGeometry(geometry);
    rtcAttachGeometry(s.scene, geometry);
    rtcReleaseGeometry(geometry);
    rtcCommitScene(s.scene);
    return s;
}

RTCRayHit MakeRay(const Segment &ray)
{
    RTCRayHit hit{};
    hit.ray.org_x = ray.start.x;
    hit.ray.org_y = ray.start.y;
    hit.ray.org_z = ray.start.z;
    const Vector d = ray.end - ray.start;
    hit.ray.dir_x = d.x;
    hit.ray.dir_y = d.y;
    hit.ray.dir_z = d.z;
    hit.ray.tnear = 0.0f;
    hit.ray.tfar = 1.0f;
    hit.ray.mask = 0xFFFFFFFF;
    hit.hit.geomID = RTC_INVALID_GEOMETRY_ID;
    return hit;
}

// Embree's nearest hit along the segment (t from 0 at the start to 1 at the end).
RTCRayHit EmbreePick(RTCScene scene, const Segment &ray)
{
    RTCIntersectContext context;
    rtcInitIntersectContext(&context);
    RTCRayHit hit = MakeRay(ray);
    rtcIntersect1(scene, &context, &hit);
    return hit;
}

// A context that carries where the filter records its hits.
struct CollectContext {
    RTCIntersectContext base;  // first, so that the filter's context pointer is this record's
    std::vector<std::pair<float, unsigned>> *hits;
};

// Records the hit (distance, quad) and rejects it, so that the traversal looks on.
void CollectHit(const RTCFilterFunctionNArguments *args)
{
    auto *context = reinterpret_cast<CollectContext *>(args->context);
    for (unsigned i = 0; i < args->N; ++i) {
        if (!args->valid[i])
            continue;
        context->hits->emplace_back(RTCRayN_tfar(args->ray, args->N, i), RTCHitN_primID(args->hit, args->N, i));
        args->valid[i] = 0;
    }
}

// Every hit Embree finds along the segment, sorted by distance.
void EmbreePickAll(RTCScene scene, const Segment &ray, std::vector<std::pair<float, unsigned>> &hits)
{
    hits.clear();
    CollectContext context;
    rtcInitIntersectContext(&context.base);
    context.base.filter = CollectHit;
    context.hits = &hits;
    RTCRayHit hit = MakeRay(ray);
    rtcIntersect1(scene, &context.base, &hit);
    std::sort(hits.begin(), hits.end());
}

struct Timings {
    double median = 0, p99 = 0;
};
std::map<std::string, Timings> g_timings;

Timings Summarise(std::vector<double> &us)
{
    std::sort(us.begin(), us.end());
    return {us[us.size() / 2], us[std::min(us.size() - 1, us.size() * 99 / 100)]};
}

double Now()
{
    return std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// Times `pick` on every ray of the sheet, once per iteration, and keeps the median and
// 99th percentile under `side`/size.
template <class Pick>
void TimeRays(benchmark::State &state, const char *side, Pick pick)
{
    Sheet &sheet = GetSheet(unsigned(state.range(0)));
    std::vector<double> us;
    for (auto _ : state)
        for (const Segment &ray : sheet.rays) {
            const double t0 = Now();
            pick(sheet, ray);
            us.push_back(Now() - t0);
        }
    const Timings t = Summarise(us);
    std::string key = side;
    key += '/';
    key += std::to_string(state.range(0));
    g_timings[key] = t;
    state.counters["us/ray median"] = t.median;
    state.counters["us/ray p99"] = t.p99;
}

void Ours(benchmark::State &state)
{
    Picker picker;
    TimeRays(state, "Ours", [&](Sheet &sheet, const Segment &ray) {
        picker.Clear();
        picker.Pick(*sheet.mesh->m_pOctree, ray.start, ray.end, 0, false, false, false, 0);
        benchmark::DoNotOptimize(picker.GetFirstPick());
    });
}

void Embree(benchmark::State &state)
{
    TimeRays(state, "Embree", [](Sheet &sheet, const Segment &ray) {
        const RTCRayHit hit = EmbreePick(sheet.scene, ray);
        benchmark::DoNotOptimize(hit.hit.primID);
    });
}

void EmbreeEveryHit(benchmark::State &state)
{
    std::vector<std::pair<float, unsigned>> hits;
    hits.reserve(64);
    TimeRays(state, "EmbreeAll", [&](Sheet &sheet, const Segment &ray) {
        EmbreePickAll(sheet.scene, ray, hits);
        benchmark::DoNotOptimize(hits.data());
    });
}

// The nearest hit of both sides must agree, and the octree must find what every face finds.
void Check(unsigned side, bool bruteForce)
{
    Sheet &sheet = GetSheet(side);
    int mismatches = 0, hits = 0, bruteMismatches = 0, allMismatches = 0;
    std::vector<std::pair<float, unsigned>> every;
    for (size_t i = 0; i < sheet.rays.size(); ++i) {
        const Segment &ray = sheet.rays[i];
        Picker picker;
        picker.Pick(*sheet.mesh->m_pOctree, ray.start, ray.end, 0, false, false, false, 0);
        const RTCRayHit hit = EmbreePick(sheet.scene, ray);
        const bool theirs = hit.hit.geomID != RTC_INVALID_GEOMETRY_ID;
        const PickInfo *ours = picker.GetFirstPick();
        hits += ours != nullptr;
        if (theirs != (ours != nullptr) || (ours && std::fabs(ours->m_fDistance - hit.ray.tfar) > 1e-4f))
            ++mismatches;
        if (bruteForce) {
            // Every hit of both, face by face with distances to within float noise
            // (the two compute them differently), and both in distance order.
            EmbreePickAll(sheet.scene, ray, every);
            std::vector<std::pair<unsigned, float>> a, b;
            bool sorted = true;
            for (int k = 0; k < picker.GetPickCount(); ++k) {
                a.emplace_back(unsigned(picker.GetPick(k)->m_iFace), picker.GetPick(k)->m_fDistance);
                sorted = sorted && (k == 0 || picker.GetPick(k - 1)->m_fDistance <= picker.GetPick(k)->m_fDistance);
            }
            for (const auto &[t, face] : every)
                b.emplace_back(face, t);
            std::sort(a.begin(), a.end());
            std::sort(b.begin(), b.end());
            bool same = sorted && a.size() == b.size();
            for (size_t k = 0; same && k < a.size(); ++k)
                same = a[k].first == b[k].first && std::fabs(a[k].second - b[k].second) <= 1e-4f;
            allMismatches += !same;
        }
        if (bruteForce && i < 20) {
            Picker all;
            all.SetSegment(ray.start, ray.end);
            for (unsigned f = 0; f < sheet.mesh->m_iFaceCount; ++f)
                all.VisitFace(*sheet.mesh, f);
            std::vector<std::pair<int, float>> a, b;
            for (int k = 0; k < picker.GetPickCount(); ++k)
                a.emplace_back(picker.GetPick(k)->m_iFace, picker.GetPick(k)->m_fDistance);
            for (int k = 0; k < all.GetPickCount(); ++k)
                b.emplace_back(all.GetPick(k)->m_iFace, all.GetPick(k)->m_fDistance);
            std::sort(a.begin(), a.end());
            std::sort(b.begin(), b.end());
            bruteMismatches += a != b;
        }
    }
    {
        Picker counter;
        for (const Segment &ray : sheet.rays)
            counter.Pick(*sheet.mesh->m_pOctree, ray.start, ray.end, 0, false, false, false, 0);
        std::printf("%uM faces: %d cubes, tree depth %d; per ray %.1f cube tests, %.1f faces visited\n",
                    side * side / 1000000, sheet.mesh->m_pOctree->GetCubeCount(),
                    sheet.mesh->m_pOctree->m_iDeepest - sheet.mesh->m_pOctree->GetRoot()->m_iDepth,
                    double(counter.m_iTests) / double(sheet.rays.size()),
                    double(counter.m_iVisited) / double(sheet.rays.size()));
    }
    std::printf("%uM faces: %d of %zu rays hit; nearest hit differs from Embree on %d rays", side * side / 1000000,
                hits, sheet.rays.size(), mismatches);
    if (bruteForce)
        std::printf("; octree picks differ from picks over every face on %d of 20 rays"
                    "; every hit differs from Embree's every hit on %d rays",
                    bruteMismatches, allMismatches);
    std::printf("\n");
}

}  // namespace

BENCHMARK(Ours)->Arg(1000)->Arg(4000)->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(Embree)->Arg(1000)->Arg(4000)->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(EmbreeEveryHit)->Arg(1000)->Arg(4000)->Iterations(3)->Unit(benchmark::kMillisecond);

int main(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    for (const char *size : {"1000", "4000"}) {
        const auto ours = g_timings.find(std::string("Ours/") + size);
        const auto theirs = g_timings.find(std::string("Embree/") + size);
        const auto all = g_timings.find(std::string("EmbreeAll/") + size);
        if (ours == g_timings.end() || theirs == g_timings.end() || all == g_timings.end())
            continue;
        const unsigned side = unsigned(std::atoi(size));
        std::printf("%uM faces: us per ray, ours (every hit) median %.2f p99 %.2f; Embree nearest hit median %.2f "
                    "p99 %.2f; Embree every hit median %.2f p99 %.2f\n",
                    side * side / 1000000, ours->second.median, ours->second.p99, theirs->second.median,
                    theirs->second.p99, all->second.median, all->second.p99);
        std::printf("%uM faces: ours / Embree nearest hit = %.2f (median), %.2f (p99); "
                    "ours / Embree every hit = %.2f (median), %.2f (p99)\n",
                    side * side / 1000000, ours->second.median / theirs->second.median,
                    ours->second.p99 / theirs->second.p99, ours->second.median / all->second.median,
                    ours->second.p99 / all->second.p99);
        Check(side, side == 1000);
    }
    benchmark::Shutdown();
    return 0;
}
