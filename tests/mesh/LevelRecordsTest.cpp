// The records a subdivision leaves on its levels, pinned as a hash per fixture: any change
// to how levels are made (order of vertices, flag bits, adjacency words, positions, index
// maps, totals) shows here, so that work on the speed of level creation cannot change a level.
#include "SubdivisionFixtures.h"
#include "support/ByteHash.h"
#include "support/RecordingShell.h"
#include "support/TempDir.h"

#include "foundation/Threads.h"

#include <gtest/gtest.h>

#include <sched.h>

#include <cmath>
#include <functional>
#include <string>

using namespace SubdivisionFixtures;

namespace {

// Every level above the base: counts, totals, faces, vertices, positions from below and index maps.
uint64_t LevelsHash(SubdivLevel &base)
{
    ByteHash hash;
    for (SubdivLevel *level = base.GetNextLevel(false); level; level = level->GetNextLevel(false)) {
        for (uint32_t value : {level->m_iFaceCount, level->m_iVertexCount, level->m_iTotalFaceCount,
                               level->m_iTotalVertexCount, level->m_iGlobalVertexBound, level->m_iOpenEdges,
                               level->m_iCreatedFaces, level->m_iNewVertexCount, uint32_t(level->m_bFull)})
            hash.Add(value);
        hash.Add(level->m_pQuads, level->m_iFaceCount);
        hash.Add(level->m_pVertices, level->m_iVertexCount);
        hash.Add(level->m_aCCPositions, level->m_aCCPositions.GetItemCount());
        hash.Add(level->m_aFaceMap, level->m_aFaceMap.GetItemCount());
        hash.Add(level->m_aVertexMap, level->m_aVertexMap.GetItemCount());
    }
    return hash.Value();
}

struct Case {
    const char *name;
    std::function<std::unique_ptr<SubdivLevel>()> make;
    std::function<bool(SubdivLevel &)> subdivide;
    uint64_t expected;
};

bool FullLevels(SubdivLevel &base, int levels)
{
    SubdivLevel *level = &base;
    for (int l = 0; l < levels; ++l, level = level->GetNextLevel(false))
        if (!Subdivide(*level))
            return false;
    return true;
}

// A torus of rings × segments quads with a few faces left out: edges that wrap around join
// faces far apart in face order, and the holes give open edges.
std::unique_ptr<SubdivLevel> MakeHoledTorus(unsigned rings, unsigned segments)
{
    std::vector<Vector> positions;
    std::vector<Polygon> faces;
    for (unsigned i = 0; i < rings; ++i)
        for (unsigned j = 0; j < segments; ++j) {
            const float u = 6.2831853f * float(i) / float(rings), v = 6.2831853f * float(j) / float(segments);
            positions.emplace_back((3.0f + std::cos(v)) * std::cos(u), (3.0f + std::cos(v)) * std::sin(u), std::sin(v));
        }
    auto at = [&](unsigned i, unsigned j) { return (i % rings) * segments + j % segments; };
    for (unsigned i = 0; i < rings; ++i)
        for (unsigned j = 0; j < segments; ++j)
            if ((i * 7 + j * 3) % 97 != 0)
                faces.push_back({at(i, j), at(i + 1, j), at(i + 1, j + 1), at(i, j + 1)});
    return MakeBase(positions, faces);
}

// Runs `work` with the process held to its first processor, then gives the processors back.
template <class Work>
bool OnOneProcessor(Work &&work)
{
    cpu_set_t all, one;
    if (sched_getaffinity(0, sizeof all, &all) != 0)
        return false;
    CPU_ZERO(&one);
    for (int cpu = 0; cpu < CPU_SETSIZE; ++cpu)
        if (CPU_ISSET(cpu, &all)) {
            CPU_SET(cpu, &one);
            break;
        }
    if (sched_setaffinity(0, sizeof one, &one) != 0)
        return false;
    work();
    return sched_setaffinity(0, sizeof all, &all) == 0;
}

}  // namespace

// Large levels are split in parallel ranges of faces: the records must not depend on how
// many processors did the work, across the seams between the ranges too.
TEST(LevelRecordsTest, ParallelSplitMakesTheSameLevels)
{
    if (General::AvailableThreads() < 2)
        GTEST_SKIP() << "one processor only";
    TempDir dir;
    Recorder().tempFolder = dir.Path();
    uint64_t alone = 0, together = 0;
    // About 71,000 faces: enough for the split to use more than one range.
    ASSERT_TRUE(OnOneProcessor([&] {
        auto base = MakeHoledTorus(240, 300);
        ASSERT_TRUE(FullLevels(*base, 1));
        alone = LevelsHash(*base);
    }));
    auto base = MakeHoledTorus(240, 300);
    ASSERT_TRUE(FullLevels(*base, 1));
    together = LevelsHash(*base);
    EXPECT_EQ(alone, together);
    EXPECT_GT(General::ParallelParts(base->m_iFaceCount, 1u << 15), 1u);
}

TEST(LevelRecordsTest, LevelsKeepTheirRecords)
{
    TempDir dir;
    Recorder().tempFolder = dir.Path();
    const Case cases[] = {
        {"closed cube, 4 levels", MakeJitteredCube, [](SubdivLevel &b) { return FullLevels(b, 4); }, 0x90e0e23f9b3117f3ull},
        {"open grid, 4 levels", MakeOpenGrid, [](SubdivLevel &b) { return FullLevels(b, 4); }, 0x60ff5dd41832e73full},
        {"L grid, 3 levels", MakeLGrid, [](SubdivLevel &b) { return FullLevels(b, 3); }, 0x033338e11b279e0aull},
        {"triangles, 3 levels", MakeTriangles, [](SubdivLevel &b) { return FullLevels(b, 3); }, 0x7b3d6f255691558cull},
        {"polygons, 3 levels", MakePrism, [](SubdivLevel &b) { return FullLevels(b, 3); }, 0xb2e92cb536b478c2ull},
        {"disc of 5, 3 levels", [] { return MakeDisc(5); }, [](SubdivLevel &b) { return FullLevels(b, 3); }, 0xb1490188f6dd8988ull},
        // Partial levels: some faces first, the rest in a second call, then a partial level above.
        {"cube in parts",
         MakeJitteredCube,
         [](SubdivLevel &b) {
             if (!Subdivide(b) || !Subdivide(*b.GetNextLevel(false), {0, 1, 2, 7, 9}))
                 return false;
             SubdivLevel &second = *b.GetNextLevel(false)->GetNextLevel(false);
             return Subdivide(*b.GetNextLevel(false), {3, 4, 5, 6, 8, 20}) && Subdivide(second, {0, 2, 5, 11});
         },
         0x5985bbe331cf0a65ull},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        auto base = c.make();
        ASSERT_TRUE(c.subdivide(*base));
        EXPECT_EQ(LevelsHash(*base), c.expected) << std::hex << LevelsHash(*base);
    }
}
