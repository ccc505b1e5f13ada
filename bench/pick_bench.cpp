// Pick rays on generated sheets of 1M and 16M quads: our picker walking the level's
// octree against Embree 3 on the same quads and the same segments, one thread each.
// Our picker finds every face along the segment; Embree runs twice: its nearest hit
// alone (rtcIntersect1 as it is) and every hit (a filter that records each hit and
// rejects it, so that traversal goes on), the like-for-like side. Prints microseconds
// per ray (median and 99th percentile) and the ratios of the medians, and checks on
// the 1M sheet that octree picks equal picks over every face and Embree's every hit.
// Floor figures beside them: a warm pick (each ray picked twice, the second timed, so
// that what it reads is in cache), our timed picks split into those that made face
// copies and the rest, and what a ray's walk does: cubes tested, faces visited, levels
// descended and the cache lines it reads.
#include "mesh/core/Octree.h"
#include "scene/picking/Picker.h"
#include "support/LooseOctree.h"
#include "support/MeshFixtures.h"

#include <benchmark/benchmark.h>
#include <embree3/rtcore.h>
#include <embree3/rtcore_builder.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <map>
#include <memory>
#include <random>
#include <set>
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

// Every repetition's picks join the same pool: the printed figures and ratios are over all
// repetitions, not the last one.
std::map<std::string, std::vector<double>> g_samples;

void Keep(const std::string &key, const std::vector<double> &us)
{
    if (us.empty())
        return;
    std::vector<double> &pool = g_samples[key];
    pool.insert(pool.end(), us.begin(), us.end());
    std::vector<double> copy = pool;
    g_timings[key] = Summarise(copy);
}

// Times `pick` on every ray of the sheet, once per iteration, and keeps the median and
// 99th percentile under `side`/size. `pick` says whether it made derived data (face
// copies): those rays are kept apart as well, under `side`First and `side`Later. A warm
// side picks each ray once untimed, then times the same pick again.
template <class Pick>
void TimeRays(benchmark::State &state, const char *side, bool warm, Pick pick)
{
    Sheet &sheet = GetSheet(unsigned(state.range(0)));
    std::vector<double> us, first, later;
    for (auto _ : state)
        for (const Segment &ray : sheet.rays) {
            if (warm)
                pick(sheet, ray);
            const double t0 = Now();
            const bool made = pick(sheet, ray);
            const double t = Now() - t0;
            us.push_back(t);
            (made ? first : later).push_back(t);
        }
    const std::string size = '/' + std::to_string(state.range(0));
    Keep(side + size, us);
    const Timings t = Summarise(us);
    if (!first.empty()) {
        Keep(side + std::string("First") + size, first);
        Keep(side + std::string("Later") + size, later);
    }
    state.counters["us/ray median"] = t.median;
    state.counters["us/ray p99"] = t.p99;
}

bool PickOurs(Picker &picker, Sheet &sheet, const Segment &ray)
{
    Octree::Octree &octree = *sheet.mesh->m_pOctree;
    const uint64_t copies = octree.GetCopiesMade();
    picker.Clear();
    picker.Pick(octree, ray.start, ray.end, 0, false, false, false, 0);
    benchmark::DoNotOptimize(picker.GetFirstPick());
    return octree.GetCopiesMade() != copies;
}

void Ours(benchmark::State &state)
{
    Picker picker;
    TimeRays(state, "Ours", false, [&](Sheet &sheet, const Segment &ray) { return PickOurs(picker, sheet, ray); });
}

void OursWarm(benchmark::State &state)
{
    Picker picker;
    TimeRays(state, "OursWarm", true, [&](Sheet &sheet, const Segment &ray) { return PickOurs(picker, sheet, ray); });
}

bool PickEmbree(Sheet &sheet, const Segment &ray)
{
    const RTCRayHit hit = EmbreePick(sheet.scene, ray);
    benchmark::DoNotOptimize(hit.hit.primID);
    return false;
}

void Embree(benchmark::State &state) { TimeRays(state, "Embree", false, PickEmbree); }

void EmbreeWarm(benchmark::State &state) { TimeRays(state, "EmbreeWarm", true, PickEmbree); }

void EmbreeEveryHit(benchmark::State &state)
{
    std::vector<std::pair<float, unsigned>> hits;
    hits.reserve(64);
    TimeRays(state, "EmbreeAll", false, [&](Sheet &sheet, const Segment &ray) {
        EmbreePickAll(sheet.scene, ray, hits);
        benchmark::DoNotOptimize(hits.data());
        return false;
    });
}

// What one ray's walk does: counts from the picker, and from a walk over the same layout
// with the picker's node test, the levels it descends and the cache lines it reads.
struct WalkCounts {
    double tests = 0, visited = 0, levels = 0, nodes = 0, nodeLines = 0, recordLines = 0, faceLines = 0;
    double atInner = 0;  // faces visited at cubes with children of their own: those straddling a centre plane
    double inReached = 0;  // faces in the groups of four whose box the segment reaches
};

void AddLines(std::set<uintptr_t> &lines, const void *begin, size_t bytes)
{
    if (!bytes)
        return;
    const auto from = reinterpret_cast<uintptr_t>(begin) / 64;
    const auto to = (reinterpret_cast<uintptr_t>(begin) + bytes - 1) / 64;
    for (uintptr_t line = from; line <= to; ++line)
        lines.insert(line);
}

WalkCounts CountWalk(Octree::Octree &octree, const Segment &ray)
{
    WalkCounts counts;
    Picker picker;
    picker.Pick(octree, ray.start, ray.end, 0, false, false, false, 0);
    counts.tests = picker.m_iTests;
    counts.visited = picker.m_iVisited;
    const Octree::WalkNode *nodes = octree.GetWalkNodes();
    if (!nodes)
        return counts;
    // The picker's node test: slabs by the inverse, the far end widened.
    float origin[3], inverse[3];
    for (int axis = 0; axis < 3; ++axis) {
        origin[axis] = (&ray.start.x)[axis];
        const float inv = 1.0f / ((&ray.end.x)[axis] - origin[axis]);
        inverse[axis] = std::fabs(inv) < 1e30f ? inv : 1e30f;
    }
    // A box as eight words: minimum x, y, z, then maximum x, y, z.
    const auto reaches = [&](const float *box) {
        float low = 0.0f, high = 1.0f;
        for (int axis = 0; axis < 3; ++axis) {
            const float t0 = (box[axis] - origin[axis]) * inverse[axis];
            const float t1 = (box[3 + axis] - origin[axis]) * inverse[axis];
            low = std::max(low, std::min(t0, t1));
            high = std::min(high, std::max(t0, t1));
        }
        return low <= high * 1.00001f;
    };
    std::set<uintptr_t> nodeLines, recordLines, faceLines;
    std::vector<std::pair<uint32_t, int>> stack;
    AddLines(nodeLines, &nodes[0], sizeof(Octree::WalkNode));
    if (reaches(nodes[0].m_aMin))
        stack.emplace_back(0, 1);
    while (!stack.empty()) {
        const auto [at, level] = stack.back();
        stack.pop_back();
        counts.levels = std::max(counts.levels, double(level));
        ++counts.nodes;
        const Octree::WalkNode &node = nodes[at];
        AddLines(nodeLines, &nodes[node.m_iFirstChild], node.m_iChildCount * sizeof(Octree::WalkNode));
        for (uint32_t k = 0; k < node.m_iChildCount; ++k)
            if (reaches(nodes[node.m_iFirstChild + k].m_aMin))
                stack.emplace_back(node.m_iFirstChild + k, level + 1);
        if (const Octree::CubeFaces *copy = octree.GetFaceCopy(at)) {
            AddLines(recordLines, copy, sizeof(Octree::CubeFaces));
            if (!copy->GetsSubtree())
                counts.atInner += copy->GetCount();
            if (copy->GetCount())
                for (unsigned g = 0; g < copy->GetGroups(); ++g) {
                    // Every group's box, and the corners of the groups reached.
                    AddLines(faceLines, copy->GetGroupBox(g), 8 * sizeof(float));
                    if (!reaches(copy->GetGroupBox(g)))
                        continue;
                    counts.inReached += std::min(4u, copy->GetCount() - 4 * g);
                    AddLines(faceLines, copy->GetGroupCorner(g, 0, 0), size_t(copy->GetCorners()) * 12 * sizeof(float));
                }
        }
    }
    counts.nodeLines = double(nodeLines.size());
    counts.recordLines = double(recordLines.size());
    counts.faceLines = double(faceLines.size());
    return counts;
}

size_t WalkNodeCount(Octree::Octree &octree)
{
    const Octree::WalkNode *nodes = octree.GetWalkNodes();
    size_t count = 0;
    for (std::vector<uint32_t> stack{0}; nodes && !stack.empty(); ++count) {
        const Octree::WalkNode &node = nodes[stack.back()];
        stack.pop_back();
        for (uint32_t k = 0; k < node.m_iChildCount; ++k)
            stack.push_back(node.m_iFirstChild + k);
    }
    return count;
}

double Median(std::vector<double> values) { return Summarise(values).median; }

double Mean(const std::vector<double> &values)
{
    double sum = 0;
    for (const double v : values)
        sum += v;
    return sum / double(values.size());
}

// Embree does not count what rtcIntersect1 visits. Its builder is public, though: a
// four-wide tree that it builds over the same quads' boxes (at most four quads a leaf,
// as its quad leaves hold), walked for every hit with our node test, shows how many
// boxes and faces a ray needs in a tree of that shape.
struct BuiltNode {
    bool leaf = false;
    unsigned count = 0;
    RTCBounds bounds[4];
    BuiltNode *child[4] = {};
    unsigned faces[4] = {};
};

void *CreateNode(RTCThreadLocalAllocator allocator, unsigned childCount, void *)
{
    auto *node = new (rtcThreadLocalAlloc(allocator, sizeof(BuiltNode), 32)) BuiltNode;
    node->count = childCount;
    return node;
}

void SetChildren(void *node, void **children, unsigned childCount, void *)
{
    for (unsigned k = 0; k < childCount; ++k)
        static_cast<BuiltNode *>(node)->child[k] = static_cast<BuiltNode *>(children[k]);
}

void SetBounds(void *node, const RTCBounds **bounds, unsigned childCount, void *)
{
    for (unsigned k = 0; k < childCount; ++k)
        static_cast<BuiltNode *>(node)->bounds[k] = *bounds[k];
}

void *CreateLeaf(RTCThreadLocalAllocator allocator, const RTCBuildPrimitive *primitives, size_t count, void *)
{
    auto *leaf = new (rtcThreadLocalAlloc(allocator, sizeof(BuiltNode), 32)) BuiltNode;
    leaf->leaf = true;
    leaf->count = unsigned(std::min<size_t>(count, 4));
    for (unsigned k = 0; k < leaf->count; ++k)
        leaf->faces[k] = primitives[k].primID;
    return leaf;
}

void PrintBuiltTreeCounts(unsigned side)
{
    Sheet &sheet = GetSheet(side);
    Mesh &mesh = *sheet.mesh;
    std::vector<RTCBuildPrimitive> primitives(mesh.m_iFaceCount);
    for (unsigned f = 0; f < mesh.m_iFaceCount; ++f) {
        AABB box;
        mesh.AddFaceToAABB(box, f, true);
        primitives[f] = {box.m_vMin.x, box.m_vMin.y, box.m_vMin.z, 0, box.m_vMax.x, box.m_vMax.y, box.m_vMax.z, f};
    }
    RTCBVH bvh = rtcNewBVH(sheet.device);
    RTCBuildArguments arguments = rtcDefaultBuildArguments();
    arguments.maxBranchingFactor = 4;
    arguments.maxLeafSize = 4;
    arguments.sahBlockSize = 4;  // leaves priced in blocks of four, as four-quad leaves are
    arguments.bvh = bvh;
    arguments.primitives = primitives.data();
    arguments.primitiveCount = primitives.size();
    arguments.primitiveArrayCapacity = primitives.size();
    arguments.createNode = CreateNode;
    arguments.setNodeChildren = SetChildren;
    arguments.setNodeBounds = SetBounds;
    arguments.createLeaf = CreateLeaf;
    const auto *root = static_cast<const BuiltNode *>(rtcBuildBVH(&arguments));
    std::vector<double> tests, visited, levels, reached;
    for (const Segment &ray : sheet.rays) {
        float origin[3], inverse[3];
        for (int axis = 0; axis < 3; ++axis) {
            origin[axis] = (&ray.start.x)[axis];
            const float inv = 1.0f / ((&ray.end.x)[axis] - origin[axis]);
            inverse[axis] = std::fabs(inv) < 1e30f ? inv : 1e30f;
        }
        const auto reaches = [&](const RTCBounds &box) {
            const float lower[3] = {box.lower_x, box.lower_y, box.lower_z};
            const float upper[3] = {box.upper_x, box.upper_y, box.upper_z};
            float low = 0.0f, high = 1.0f;
            for (int axis = 0; axis < 3; ++axis) {
                const float t0 = (lower[axis] - origin[axis]) * inverse[axis];
                const float t1 = (upper[axis] - origin[axis]) * inverse[axis];
                low = std::max(low, std::min(t0, t1));
                high = std::min(high, std::max(t0, t1));
            }
            return low <= high * 1.00001f;
        };
        double rayTests = 0, rayVisited = 0, rayLevels = 0, rayNodes = 0;
        std::vector<std::pair<const BuiltNode *, int>> stack;
        if (root)
            stack.emplace_back(root, 1);
        while (!stack.empty()) {
            const auto [node, level] = stack.back();
            stack.pop_back();
            rayLevels = std::max(rayLevels, double(level));
            ++rayNodes;
            if (node->leaf) {
                rayVisited += node->count;
                continue;
            }
            rayTests += node->count;
            for (unsigned k = 0; k < node->count; ++k)
                if (reaches(node->bounds[k]))
                    stack.emplace_back(node->child[k], level + 1);
        }
        tests.push_back(rayTests);
        visited.push_back(rayVisited);
        levels.push_back(rayLevels);
        reached.push_back(rayNodes);
    }
    rtcReleaseBVH(bvh);
    std::printf("%uM faces: the same counts in a four-wide tree from Embree's builder (leaves of at most four "
                "quads): %.0f (%.1f) box tests, %.0f (%.1f) nodes and leaves reached, %.0f (%.1f) faces visited, "
                "%.0f (%.1f) levels descended\n",
                side * side / 1000000, Median(tests), Mean(tests), Median(reached), Mean(reached), Median(visited),
                Mean(visited), Median(levels), Mean(levels));
}

void PrintWalkCounts(unsigned side)
{
    Sheet &sheet = GetSheet(side);
    Octree::Octree &octree = *sheet.mesh->m_pOctree;
    std::vector<double> tests, visited, levels, reached, nodeLines, recordLines, faceLines, atInner, inReached;
    for (const Segment &ray : sheet.rays) {
        const WalkCounts c = CountWalk(octree, ray);
        atInner.push_back(c.atInner);
        inReached.push_back(c.inReached);
        reached.push_back(c.nodes);
        tests.push_back(c.tests);
        visited.push_back(c.visited);
        levels.push_back(c.levels);
        nodeLines.push_back(c.nodeLines);
        recordLines.push_back(c.recordLines);
        faceLines.push_back(c.faceLines);
    }
    std::printf("%uM faces: %d cubes, %zu walk nodes, tree depth %d\n", side * side / 1000000, octree.GetCubeCount(),
                WalkNodeCount(octree), octree.m_iDeepest - octree.GetRoot()->m_iDepth);
    std::printf("%uM faces: per ray, median (mean): %.0f (%.1f) cube tests, %.0f (%.1f) nodes reached, "
                "%.0f (%.1f) faces visited, "
                "%.0f (%.1f) node levels descended; cache lines read: %.0f (%.1f) of nodes, %.0f (%.1f) of copy "
                "records, %.0f (%.1f) of face copies; of the faces visited, %.0f (%.1f) lie at cubes with children and %.0f "
                "(%.1f) in face groups whose box the segment reaches\n",
                side * side / 1000000, Median(tests), Mean(tests), Median(reached), Mean(reached), Median(visited),
                Mean(visited), Median(levels), Mean(levels), Median(nodeLines), Mean(nodeLines), Median(recordLines), Mean(recordLines),
                Median(faceLines), Mean(faceLines), Median(atInner), Mean(atInner), Median(inReached),
                Mean(inReached));
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
BENCHMARK(OursWarm)->Arg(1000)->Arg(4000)->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(Embree)->Arg(1000)->Arg(4000)->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(EmbreeWarm)->Arg(1000)->Arg(4000)->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(EmbreeEveryHit)->Arg(1000)->Arg(4000)->Iterations(3)->Unit(benchmark::kMillisecond);

int main(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    for (const char *size : {"1000", "4000"}) {
        const auto found = [&](const char *side) { return g_timings.find(side + std::string("/") + size); };
        const auto ours = found("Ours");
        const auto theirs = found("Embree");
        const auto all = found("EmbreeAll");
        if (ours == g_timings.end() || theirs == g_timings.end() || all == g_timings.end())
            continue;
        const unsigned side = unsigned(std::atoi(size));
        const unsigned millions = side * side / 1000000;
        std::printf("%uM faces: us per ray, ours (every hit) median %.2f p99 %.2f; Embree nearest hit median %.2f "
                    "p99 %.2f; Embree every hit median %.2f p99 %.2f\n",
                    millions, ours->second.median, ours->second.p99, theirs->second.median, theirs->second.p99,
                    all->second.median, all->second.p99);
        std::printf("%uM faces: ours / Embree nearest hit = %.2f (median), %.2f (p99); "
                    "ours / Embree every hit = %.2f (median), %.2f (p99)\n",
                    millions, ours->second.median / theirs->second.median, ours->second.p99 / theirs->second.p99,
                    ours->second.median / all->second.median, ours->second.p99 / all->second.p99);
        const auto first = found("OursFirst");
        const auto later = found("OursLater");
        if (first != g_timings.end() && later != g_timings.end())
            std::printf("%uM faces: ours, picks that made face copies: median %.2f p99 %.2f; the other picks: "
                        "median %.2f p99 %.2f (ratio to Embree nearest hit %.2f)\n",
                        millions, first->second.median, first->second.p99, later->second.median, later->second.p99,
                        later->second.median / theirs->second.median);
        const auto oursWarm = found("OursWarm");
        const auto theirsWarm = found("EmbreeWarm");
        if (oursWarm != g_timings.end() && theirsWarm != g_timings.end())
            std::printf("%uM faces: warm (each ray picked twice, the second timed): ours median %.2f p99 %.2f, "
                        "Embree nearest hit median %.2f p99 %.2f; ours warm / Embree nearest hit = %.2f (warm), "
                        "%.2f (as timed above)\n",
                        millions, oursWarm->second.median, oursWarm->second.p99, theirsWarm->second.median,
                        theirsWarm->second.p99, oursWarm->second.median / theirsWarm->second.median,
                        oursWarm->second.median / theirs->second.median);
        PrintWalkCounts(side);
        PrintBuiltTreeCounts(side);
        Check(side, side == 1000);
    }
    benchmark::Shutdown();
    return 0;
}
