#pragma once
// The map extraction engine: the settings of Info plus the state of one run. A run
// checks the settings, then bakes the maps tile by tile: each region of a tile gets its
// face tree, its coverage is rasterised from the low-mesh faces (either winding), every
// covered texel is evaluated by casting a segment along the low surface normal into the
// high meshes, the covered area is grown by edge bleeding, and the maps are saved.
//
// Work is shared between the calling thread and at most one worker. A texel covered by
// several triangles belongs to the lowest triangle index, and it is evaluated only after
// every triangle has been rasterised, so the maps do not depend on thread timing.

#include "foundation/Containers.h"
#include "foundation/math/Matrix.h"
#include "foundation/math/Vector.h"
#include "mapping/BTree.h"
#include "mapping/BoxTree.h"
#include "mapping/Info.h"
#include "mapping/MapBuffer.h"
#include "mapping/MapOutput.h"
#include "mapping/MapProgress.h"
#include "mesh/object/Object.h"
#include "mesh/surface/TangentBase.h"

#include <QSemaphore>
#include <QThread>

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

namespace MapExtraction {

class Mapper;

// One worker's share of a region: every stride-th face from `first`, or the rows it takes.
class Thread : public QThread {
public:
    enum Phase { phaseRasterise, phaseEvaluate };
    Thread(Mapper &mapper, Phase phase, unsigned stride, unsigned first, unsigned threadId)
        : m_cMapper(mapper), m_ePhase(phase), m_iStride(stride), m_iFirst(first), m_iThreadId(threadId)
    {
    }

protected:
    void run() override;

private:
    Mapper &m_cMapper;
    Phase m_ePhase;
    unsigned m_iStride, m_iFirst, m_iThreadId;
};

class Mapper : public Info {
public:
    static General::TypeInfo s_typeInfo;
    const General::TypeInfo *GetTypeInfo() const override { return &s_typeInfo; }

    static constexpr uint32_t kNoFace = 0xFFFFFFFFu;
    static constexpr uint32_t kCoveredBefore = 0x40000000u;
    // Regions are quartered at most this often below a tile; far smaller than any texel
    // count that makes sense, and it ends a split that memory can never satisfy.
    static constexpr int kMaxSplitDepth = 8;

    Mapper();
    ~Mapper() override;

    // The "Start" gate runs a whole extraction and reports it.
    void HandleEvent(General::EventGate *gate) override;
    // Validates the settings and runs the extraction; true on success. Refusals before
    // the run are thrown as General::Error (code 1); failures of the run are logged.
    bool Start();
    // Prepares the meshes and runs every tile; true on success.
    bool Prepare();

    bool ProcessRegion(float uMin, float vMin, float uMax, float vMax, bool newMaps);
    // Releases the high surface's trees and processes the four quarters into the current maps.
    bool SplitRegion(float uMin, float vMin, float uMax, float vMax);
    // Rasterises the coverage of every stride-th face from `first` into the face index
    // table; false when the user cancelled.
    bool ProcessFaces(unsigned stride, unsigned first, bool mainThread, unsigned threadId);
    // Evaluates every covered texel of the rows it takes from m_iNextRow, one row at a
    // time, until none is left: a thread that gets less of the processor takes fewer rows.
    bool EvaluateRows(bool mainThread, unsigned threadId);
    void BleedEdges();

    // --- texel evaluation --------------------------------------------------------------
    // The corners of a low triangle as the evaluation reads them, read once for the
    // texels the triangle covers: positions, unpacked normals, and frames where the
    // corner has one.
    struct TexelCorners {
        General::Vector m_aPosition[3], m_aNormal[3];
        // The face's unit normal: the search direction where the corners' normals cancel.
        General::Vector m_vFaceNormal;
        General::Base m_aFrame[3];
        bool m_aHasFrame[3];
    };
    void LoadCorners(const unsigned vertices[3], const unsigned frames[3], TexelCorners &corners) const;
    // Evaluates texel (x, y) from the low triangle with the given corners and barycentric
    // weights, writing the chosen hit into the maps.
    void EvaluateTexel(unsigned x, unsigned y, const float weights[3], const TexelCorners &corners,
                       unsigned threadId);
    // The same from the corner vertices and corner frame indices.
    void EvaluateTexel(unsigned x, unsigned y, const float weights[3], const unsigned vertices[3],
                       const unsigned frames[3], unsigned threadId);
    // The faces of the low mesh with a corner inside the UV region (borders inclusive).
    static bool CollectRegionFaces(Mesh &mesh, General::Store<unsigned int> &faces, float uMin, float vMin,
                                   float uMax, float vMax, bool selectedOnly);
    // One step of the walk to the quad that holds texture point (s, t); false when the
    // point lies inside `quad`, beyond an open edge or beyond a UV seam.
    static bool StepToNeighbourQuad(const Mesh &mesh, float s, float t, unsigned &quad);

    // Sets up the search from the settings, as a run does: half-range and ray centre.
    void SetupSearch();
    // Reads the placements of the working and the high meshes once, before threads
    // share them (a placement may be made on first use), and boxes the high trees.
    void PrepareMatrices();
    // The steps the low mesh would be subdivided by, from its largest UV face.
    int SubdivisionSteps(float extent) const;
    // Bytes a region of `faces` low faces needs after `steps` subdivisions.
    static uint64_t EstimateRegionMemory(unsigned faces, int steps);

    // Statistics of one region, kept per thread and summed when the threads are done.
    // Each on its own cache line: the threads count into them for every texel.
    struct alignas(64) Statistics {
        uint64_t m_iPixels = 0, m_iSpheres = 0, m_iFaces = 0, m_iFilled = 0, m_iHits = 0, m_iMisses = 0,
                 m_iWritten = 0;
        float m_fMin = 0.0f, m_fMax = 0.0f;
        // The largest distance of a hit from the low surface, displacement map or not.
        float m_fLargest = 0.0f;
        bool m_bRange = false;
        void Add(const Statistics &o);
    };

    // --- run state -----------------------------------------------------------------------
    int m_iWorkers = 1;
    int m_iSubdivisionSteps = 0;
    float m_fRangeHi = 0.0f, m_fRangeLo = 0.0f, m_fRayCenter = 0.5f;
    float m_fDisplacementScale = 1.0f;
    bool m_bSkipNormal = false, m_bSkipDisplacement = false;
    int m_eWorkingDisplacementType = map8Bit;
    float m_fRegionUMin = 0, m_fRegionVMin = 0, m_fRegionUMax = 1, m_fRegionVMax = 1;

    MapBuffer m_cNormalMap;
    MapBuffer m_cDisplacementMap;
    General::Store<uint32_t> m_aFaceIndexTable{"map extraction face index table"};
    unsigned m_iMapWidth = 0, m_iMapHeight = 0;
    // The next row EvaluateRows takes; zero before the threads start.
    std::atomic<unsigned> m_iNextRow{0};
    // The levels that form the high surface, each with its face tree.
    General::Store<Mesh *> m_aHighMeshes{"mapper hipoly objects"};
    // The level being mapped, and the mesh the texels are evaluated on: the level itself,
    // or the finest level of a subdivided working copy of the region.
    Mesh *m_pLowMesh = nullptr;
    Mesh *m_pWorkingMesh = nullptr;
    MapOutput m_cOutput;
    int m_iLastSavedTile = -1;
    Statistics m_aThreadStatistics[2];
    Statistics m_cRegionStatistics;
    // Where a tile's run ended early: the message of the last failure.
    QString m_sFailure;
    // The run failed because no face of the high mesh file lies within the search distance
    // of the low mesh: the search distance is what to change.
    bool m_bHighOutOfReach = false;
    // The faces of the high mesh file when a region found none of them near it.
    uint64_t m_iHighFacesOutOfReach = 0;
    // What a run that succeeded must still tell the person, one sentence each: maps that
    // stay flat, texels most of which found no surface, tiles skipped without a map.
    QStringList m_aNotices;
    // Regions processed, and how many were split, for the tests and the report.
    unsigned m_iRegionsDone = 0, m_iRegionsSplit = 0;
    // Rays cast and rays that met the high surface, over the whole run, and the largest
    // distance of a hit from the low surface.
    uint64_t m_iRunRays = 0, m_iRunHits = 0;
    float m_fRunLargest = 0.0f;
    // The text that reports a run that succeeded: the notices, when there are any, follow
    // the finish (and the displacement range, when asked).
    QString FinishedText(bool withRange) const;
    // Where the rows of the run go; null for none. Not owned.
    MapProgress *m_pProgress = nullptr;

    // Asks a run to stop at its next progress step (any thread); the run then fails.
    void RequestStop() { m_bStopRequested = true; }
    bool IsRunning() const { return m_bRunning; }

protected:
    // Memory the region estimate is measured against.
    virtual uint64_t AvailableMemory() const;

private:
    void ReleaseHighMeshes();
    // Adds the notices of a run that succeeded: flat maps, most texels missed.
    void NoteSurprises();
    bool CollectHighMeshes();
    // When the low mesh is a level of the high object: the index of the level above it
    // (possibly past the object's top); otherwise -1.
    int OwnLevelsFrom() const;
    // The faces of "Selection Set", each set level with a tree over its listed faces.
    bool CollectSelectionSet();
    bool HasHighSource() const;
    // Subdivides a working copy of the listed low faces (the region and its rings) by the
    // run's steps; false when memory or the subdivision refuses.
    bool BuildWorkingMesh(General::Store<unsigned int> &faces, float uMin, float vMin, float uMax, float vMax);
    void ReleaseWorkingMesh();
    static bool GrowSupport(Mesh &mesh, General::Store<unsigned int> &faces);
    // Whether face `f` of the working mesh is rasterised ("Extract Selected Low Res.
    // Faces Only" looks at the selection of the face's ancestor on the low level).
    bool FaceWanted(unsigned f) const;
    // Empties the face index table for the texels of the current region.
    void ClearRegionEntries();
    // The high surface from "Load Mesh From File", only the part near the region: 1 done,
    // 2 none of it near the region (every ray misses), 0 short of memory (split), -1 failed.
    int ImportHighMesh();
    // Frames of the working mesh in the mapper's own storage: the mesh's lookup mode and
    // frames, which the view shares, stay as they were.
    void CalculateFrames();
    unsigned FrameIndex(unsigned face, unsigned corner) const;
    // The corners of triangle `index` in the order of the barycentric weights.
    void TriangleCorners(unsigned triangle, unsigned corners[3]) const;
    const TC &CornerTC(unsigned face, unsigned corner) const;
    void FillTriangle(Statistics &stats, const unsigned corners[3], unsigned face, unsigned triangle);
    // The corners of one triangle of the working mesh, as the evaluation reads them.
    struct TriangleData {
        unsigned triangle = kNoFace;
        TC uv[3];
        TexelCorners corners;
        void Load(const Mapper &mapper, unsigned index);
    };
    // Evaluates (x, y) from `triangle`, the barycentric weights solved from its UVs.
    void EvaluateWith(unsigned x, unsigned y, unsigned triangle, unsigned threadId);
    // The same at texture point (u, v), the texel's centre.
    void EvaluateWith(unsigned x, unsigned y, float u, float v, const TriangleData &data, unsigned threadId);
    // The texture coordinates of texel centres in the current tile.
    float TexelU(unsigned x) const;
    float TexelV(unsigned y) const;
    void SetupTexel(unsigned x, unsigned y, unsigned triangle);
    bool RunShares(Thread::Phase phase, unsigned count);
    // The calling thread's share shows the finished count and honours a cancel request:
    // false once the user cancelled.
    bool ReportProgress();
    // One part of a tile: its face tree, the memory check (splitting when short), the
    // high surface, rasterising and evaluating.
    bool ProcessPart(float uMin, float vMin, float uMax, float vMax, int depth);
    bool SplitRegionAt(float uMin, float vMin, float uMax, float vMax, int depth);

    std::unique_ptr<BTree::Tree> m_pRegionTree;
    General::Matrix m_mLowFull, m_mLowInverse;
    std::vector<General::Matrix> m_aHighFull, m_aHighInverse;
    // Placements that are the identity, whose transforms a texel skips: mostly all of them.
    bool m_bLowIdentity = true;
    std::vector<uint8_t> m_aHighIdentity;
    // The high meshes are levels of one object, finest first: the first that a ray meets
    // decides the texel.
    bool m_bFinestLevelFirst = false;
    // The tree of each high mesh, read once before the workers start.
    std::vector<const BTree::Tree *> m_aHighTrees;
    // The boxes over each high tree that the texel search walks; empty where memory
    // refused them (the tree's spheres serve then).
    std::vector<BTree::BoxTree> m_aHighBoxes;
    // Trees the mapper built itself (selection-set faces), by high mesh; null where the
    // mesh's own tree serves.
    std::vector<std::unique_ptr<BTree::Tree>> m_aOwnedTrees;
    std::unique_ptr<Object> m_pWorkingCopy;
    // Per face of the working copy: rasterised or not (empty: every face).
    std::vector<uint8_t> m_aWantedFaces;
    uint64_t m_iLowMeshMemory = 0;
    General::Store<General::Base> m_aFrames{"mapper tangent frames"};
    General::Store<unsigned int> m_aFrameCorners{"mapper frame corners"};
    int m_iFrameMode = 0;
    Object *m_pImported = nullptr;
    QSemaphore m_cFinished;
    std::atomic<bool> m_bCancelled{false};
    std::atomic<bool> m_bStopRequested{false};
    bool m_bRunning = false;
    // Tiles of the run and tiles begun so far, for the progress rows.
    unsigned m_iTileCount = 0, m_iTilesBegun = 0;
    // Counts the tiles the run will process.
    unsigned CountTiles() const;
    uint64_t m_iProgressNext = 0, m_iProgressStep = 1;
    friend class Thread;
};

}  // namespace MapExtraction
