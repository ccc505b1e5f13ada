// Topology of large generated quad meshes: our adjacency, normals and octree build
// side by side with a halfedge library building its topology and vertex normals from
// the same vertex and index arrays. Time per build and live heap bytes per face; the
// time ratios are printed after the runs.
#include "mesh/core/Mesh.h"
#include "mesh/core/Octree.h"

#include <OpenMesh/Core/IO/MeshIO.hh>
#include <OpenMesh/Core/Mesh/PolyMesh_ArrayKernelT.hh>
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <malloc.h>
#include <memory>
#include <new>
#include <string>
#include <vector>

// --- live heap bytes: the allocator's own count of what the process holds ------------
// Every allocation counts, whichever way it was made: plain and aligned `new` (the
// stores' records ask for their alignment), `aligned_alloc` (large-page blocks) and
// blocks the allocator maps on its own.

namespace {

int64_t LiveBytes()
{
    const struct mallinfo2 info = mallinfo2();
    return int64_t(info.uordblks + info.hblkhd);
}

}  // namespace

namespace {

// --- the shared input ------------------------------------------------------------

struct GridInput {
    unsigned side = 0;
    std::vector<float> positions;  // x, y, z per vertex
    std::vector<unsigned> quads;   // four corners per face, counter-clockwise
};

// A side × side sheet of quads on a gentle wave, so that normals differ from face to face.
const GridInput &Grid(unsigned side)
{
    static std::map<unsigned, GridInput> grids;
    GridInput &grid = grids[side];
    if (grid.side == side)
        return grid;
    grid.side = side;
    const unsigned row = side + 1;
    grid.positions.reserve(size_t(row) * row * 3);
    for (unsigned j = 0; j < row; ++j)
        for (unsigned i = 0; i < row; ++i) {
            grid.positions.push_back(float(i));
            grid.positions.push_back(float(j));
            grid.positions.push_back(3.0f * std::sin(float(i) * 0.01f) * std::cos(float(j) * 0.013f));
        }
    grid.quads.reserve(size_t(side) * side * 4);
    for (unsigned j = 0; j < side; ++j)
        for (unsigned i = 0; i < side; ++i) {
            const unsigned a = j * row + i;
            grid.quads.insert(grid.quads.end(), {a, a + 1, a + row + 1, a + row});
        }
    return grid;
}

// Fills a mesh from the arrays, as an importer does.
void Fill(Mesh &mesh, const GridInput &grid)
{
    const unsigned vertices = unsigned(grid.positions.size() / 3), faces = unsigned(grid.quads.size() / 4);
    mesh.m_eType = Mesh::typeQuadric;
    mesh.m_iVertexCount = vertices;
    mesh.m_iFaceCount = mesh.m_iPolygonCount = faces;
    mesh.m_pVertices.SetItemCount(vertices, false);
    mesh.m_pQuads.SetItemCount(faces, false);
    Vertex *v = mesh.m_pVertices.GetBuffer();
    for (unsigned i = 0; i < vertices; ++i) {
        v[i] = Vertex{};
        v[i].m_vPosition = General::Vector(grid.positions[3 * i], grid.positions[3 * i + 1], grid.positions[3 * i + 2]);
    }
    Quad *q = mesh.m_pQuads.GetBuffer();
    for (unsigned f = 0; f < faces; ++f) {
        q[f] = Quad{};
        q[f].m_iOctree = OctreeLink::kNone;
        for (unsigned c = 0; c < 4; ++c) {
            q[f].m_iIndices[c] = grid.quads[4 * f + c];
            q[f].m_iTCI[c] = -1;
        }
        q[f].m_iIndices[0] |= MeshFlags::kBit31;
    }
}

using PolyMesh = OpenMesh::PolyMesh_ArrayKernelT<>;

void SetCounters(benchmark::State &state, unsigned faces, int64_t bytes)
{
    state.counters["faces"] = double(faces);
    state.counters["bytes/face"] = double(bytes) / double(faces);
    state.counters["faces/s"] = benchmark::Counter(double(faces), benchmark::Counter::kIsIterationInvariantRate);
}

// Ours: from the arrays to adjacency and vertex normals.
void TevrinAdjacencyNormals(benchmark::State &state)
{
    const GridInput &grid = Grid(unsigned(state.range(0)));
    int64_t bytes = 0;
    for (auto _ : state) {
        const int64_t before = LiveBytes();
        auto mesh = std::make_unique<Mesh>();
        Fill(*mesh, grid);
        mesh->CalculateAdjacency();
        mesh->CalculateNormals(false);
        benchmark::DoNotOptimize(mesh->m_iOpenEdges);
        bytes = LiveBytes() - before;
        state.PauseTiming();
        mesh.reset();
        state.ResumeTiming();
    }
    SetCounters(state, unsigned(grid.quads.size() / 4), bytes);
}

// Ours: adjacency, normals and the octree over all faces.
void TevrinAdjacencyNormalsOctree(benchmark::State &state)
{
    const GridInput &grid = Grid(unsigned(state.range(0)));
    int64_t bytes = 0;
    for (auto _ : state) {
        const int64_t before = LiveBytes();
        auto mesh = std::make_unique<Mesh>();
        Fill(*mesh, grid);
        mesh->CalculateAdjacency();
        mesh->CalculateNormals(false);
        mesh->BuildOctree();
        benchmark::DoNotOptimize(mesh->m_pOctree->GetCubeCount());
        bytes = LiveBytes() - before;
        state.PauseTiming();
        mesh.reset();
        state.ResumeTiming();
    }
    SetCounters(state, unsigned(grid.quads.size() / 4), bytes);
}

// The halfedge library: from the same arrays to its topology and vertex normals.
void OpenMeshTopologyNormals(benchmark::State &state)
{
    const GridInput &grid = Grid(unsigned(state.range(0)));
    int64_t bytes = 0;
    for (auto _ : state) {
        const int64_t before = LiveBytes();
        auto mesh = std::make_unique<PolyMesh>();
        const size_t vertices = grid.positions.size() / 3, faces = grid.quads.size() / 4;
        mesh->reserve(vertices, faces * 2 + vertices, faces);
        std::vector<PolyMesh::VertexHandle> handles(vertices);
        for (size_t i = 0; i < vertices; ++i)
            handles[i] = mesh->add_vertex(
                PolyMesh::Point(grid.positions[3 * i], grid.positions[3 * i + 1], grid.positions[3 * i + 2]));
        std::vector<PolyMesh::VertexHandle> corners(4);
        for (size_t f = 0; f < faces; ++f) {
            for (unsigned c = 0; c < 4; ++c)
                corners[c] = handles[grid.quads[4 * f + c]];
            mesh->add_face(corners);
        }
        mesh->request_face_normals();
        mesh->request_vertex_normals();
        mesh->update_normals();
        benchmark::DoNotOptimize(mesh->n_edges());
        bytes = LiveBytes() - before;
        state.PauseTiming();
        handles.clear();
        handles.shrink_to_fit();
        mesh.reset();
        state.ResumeTiming();
    }
    SetCounters(state, unsigned(grid.quads.size() / 4), bytes);
}

// 1000² = 1M faces, 2000² = 4M faces.
BENCHMARK(TevrinAdjacencyNormals)->Arg(1000)->Arg(2000)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(OpenMeshTopologyNormals)->Arg(1000)->Arg(2000)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(TevrinAdjacencyNormalsOctree)->Arg(1000)->Arg(2000)->Unit(benchmark::kMillisecond)->Iterations(3);

// Keeps each run's time so that the ratios can be printed at the end.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run> &runs) override
    {
        for (const Run &run : runs)
            times[run.benchmark_name()] = run.GetAdjustedRealTime();
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> times;
};

}  // namespace

int main(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    for (const char *size : {"1000", "2000"}) {
        const auto ours = reporter.times.find(std::string("TevrinAdjacencyNormals/") + size + "/iterations:3");
        const auto theirs = reporter.times.find(std::string("OpenMeshTopologyNormals/") + size + "/iterations:3");
        if (ours != reporter.times.end() && theirs != reporter.times.end())
            std::printf("%sM faces: halfedge build / our adjacency + normals = %.2f (above 1: ours is faster)\n",
                        size[0] == '1' ? "1" : "4", theirs->second / ours->second);
    }
    benchmark::Shutdown();
    return 0;
}
