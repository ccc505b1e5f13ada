// Deleting 1k, 10k and 100k faces of a level of 1M quads, and restoring them (undo), as one
// pair of Executes of the face deletion. The level's octree is rebuilt once per Execute,
// a fixed cost of the level's size; beyond it the cost must follow the faces deleted
// (about the same time per face at every count), not their count times the level's size.
// Argument 0 is the same pair with nothing to delete, which leaves the octree alone: the
// cost of the visible-face table and counts. DeleteAndRestorePartial does the same on a
// level that holds half of its faces: its face map follows every move, and the restore
// joins neighbours by global index after one sort of the map. One thread.
#include "mesh/object/Object.h"
#include "operations/objects/DeleteFaceOperation.h"
#include "scene/Scene.h"
#include "scene/SceneGlobals.h"
#include "support/MeshFixtures.h"
#include "MemoryFloor.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <memory>

namespace {

constexpr unsigned kSide = 1000;  // 1M faces

Scene &GetScene()
{
    static std::unique_ptr<Scene> scene;
    if (!scene) {
        InitializeSceneGlobals();
        scene = std::make_unique<Scene>();
        auto object = fixtures::MakeWavySheet<Object>(kSide, kSide, 1);
        object->CalculateAdjacency();
        scene->AddObject(object.release());
        // The same sheet as a level holding every other face of a level of 2M.
        auto partial = fixtures::MakeWavySheet<Object>(kSide, kSide, 1);
        partial->CalculateAdjacency();
        partial->m_bFull = false;
        partial->m_iTotalFaceCount = 2 * partial->m_iFaceCount;
        for (unsigned i = 0; i < partial->m_iFaceCount; ++i)
            partial->m_aFaceMap.Add({int(i), int(2 * i)});
        scene->AddObject(partial.release());
        Scene::BuildOctrees(scene->m_pObjects);
    }
    return *scene;
}

void Run(benchmark::State &state, SubdivLevel &level)
{
    const unsigned count = unsigned(state.range(0));
    Operations::DeleteFaceOperation op;
    // Spread over the level: every deletion moves a face from the end into the freed slot.
    for (unsigned i = 0; i < count; ++i)
        op.Add(level, unsigned(uint64_t(i) * level.m_iFaceCount / count), false);
    if (!count)
        op.Add(level, level.m_iFaceCount + 1, false);  // names no face: nothing is deleted
    double seconds = 0.0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        op.Execute();
        op.Execute();
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
    state.counters["faces"] = double(level.m_iFaceCount);
    if (count && state.iterations()) {
        // The floor: each Execute's octree pass reads every face record, and each deleted
        // face is read and written once each way.
        const size_t bytes = 2 * size_t(level.m_iFaceCount) * sizeof(Quad) + 4 * size_t(count) * sizeof(Quad);
        const double floorUs = bench::PlainCopyMicroseconds(bytes, 7);
        const double pairUs = seconds / double(state.iterations()) * 1e6;
        state.counters["floor_ms"] = floorUs / 1000.0;
        std::printf("%u faces of %u: delete and restore %.2f ms; a plain copy of the %.1f MB they touch %.2f ms; "
                    "ratio %.1f\n",
                    count, level.m_iFaceCount, pairUs / 1000.0, double(bytes) / 1e6, floorUs / 1000.0, pairUs / floorUs);
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * count);
}

void DeleteAndRestore(benchmark::State &state) { Run(state, *GetScene().GetObject(0)); }
void DeleteAndRestorePartial(benchmark::State &state) { Run(state, *GetScene().GetObject(1)); }

}  // namespace

BENCHMARK(DeleteAndRestore)->Arg(0)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(DeleteAndRestorePartial)->Arg(0)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(5);

BENCHMARK_MAIN();
