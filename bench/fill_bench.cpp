// Filling the view's vertex arrays from a 2M-face quad level, chunk by chunk, for each
// family of the fill table, against a plain loop that copies the same vertex data into
// the same arrays (no flags, no checks) in the same run. Faces per second for each; the
// ratio fill / plain copy is printed after the runs.
#include "mesh/core/Mesh.h"
#include "viewport/fill/FillBuffer.h"
#include "viewport/fill/FillSettings.h"
#include "viewport/fill/FillVariants.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <memory>
#include <string>

namespace {

constexpr unsigned kSide = 1415;  // 2,002,225 quads

// A side × side sheet of quads on a wave with vertex and face normals and a texture
// coordinate per vertex; one face in a hundred hidden, one in fifty selected, one in
// thirty frozen, and a face index table of every face.
Mesh &Level()
{
    static std::unique_ptr<Mesh> mesh;
    if (mesh)
        return *mesh;
    mesh = std::make_unique<Mesh>();
    const unsigned row = kSide + 1, vertices = row * row, faces = kSide * kSide;
    mesh->m_eType = Mesh::typeQuadric;
    mesh->m_iVertexCount = mesh->m_iTCCount = vertices;
    mesh->m_iFaceCount = mesh->m_iPolygonCount = faces;
    mesh->m_pVertices.SetItemCount(vertices, false);
    mesh->m_pTCs.SetItemCount(vertices, false);
    mesh->m_pQuads.SetItemCount(faces, false);
    mesh->m_aFaceIndexTable.SetItemCount(faces, false);
    for (unsigned j = 0; j < row; ++j)
        for (unsigned i = 0; i < row; ++i) {
            Vertex v{};
            const float x = float(i), y = float(j);
            v.m_vPosition = General::Vector(x, y, 3.0f * std::sin(x * 0.01f) * std::cos(y * 0.013f));
            PackNormal(General::Vector(std::sin(x * 0.02f), std::cos(y * 0.03f), 1.0f).Normalized(), v.m_aNormal);
            v.m_cFreeze = uint8_t(i % 7 == 0 ? 255 : 0);
            mesh->m_pVertices[j * row + i] = v;
            mesh->m_pTCs[j * row + i] = TC{x / float(kSide), y / float(kSide)};
        }
    for (unsigned j = 0; j < kSide; ++j)
        for (unsigned i = 0; i < kSide; ++i) {
            const unsigned f = j * kSide + i, a = j * row + i;
            const unsigned corners[4] = {a, a + 1, a + row + 1, a + row};
            Quad q{};
            q.m_iOctree = OctreeLink::kNone;
            for (unsigned c = 0; c < 4; ++c) {
                q.m_iIndices[c] = corners[c];
                q.m_iTCI[c] = int32_t(corners[c]);
                q.m_iAdjacent[c] = -1;
            }
            q.m_aNormal[2] = 32767;
            if (f % 100 != 0)
                q.m_iIndices[0] |= MeshFlags::kBit31;
            else
                ++mesh->m_iHiddenFaces;
            if (f % 50 == 1) {
                q.m_iIndices[1] |= MeshFlags::kBit31;
                ++mesh->m_iSelectedFaces;
            }
            if (f % 30 == 2) {
                q.m_iFreeze = 128;
                ++mesh->m_iFrozenFaces;
            }
            mesh->m_pQuads[f] = q;
            mesh->m_aFaceIndexTable[f] = int(f);
        }
    return *mesh;
}

FillBuffer &Buffer()
{
    static FillBuffer buffer;
    return buffer;
}

void Record(benchmark::State &state)
{
    state.SetItemsProcessed(int64_t(Level().m_iFaceCount) * int64_t(state.iterations()));
    state.counters["faces/s"] =
        benchmark::Counter(double(Level().m_iFaceCount), benchmark::Counter::kIsIterationInvariantRate);
}

// One whole level through fill table entry `entry`.
void BM_Fill(benchmark::State &state)
{
    const unsigned entry = unsigned(state.range(0));
    Mesh &mesh = Level();
    FillBuffer &buffer = Buffer();
    FillSettings settings;
    for (auto _ : state) {
        for (unsigned first = 0; first < mesh.m_iFaceCount; first += FillBuffer::kMaxFaces) {
            buffer.Prime(&mesh, (entry & 1) != 0);
            buffer.m_iFirstFace = int(first);
            buffer.m_iEndFace = int(std::min(mesh.m_iFaceCount, first + FillBuffer::kMaxFaces));
            buffer.m_bColorsUsed = (entry & 2) != 0;
            FillVariants::Table()[entry](buffer, settings);
            benchmark::DoNotOptimize(buffer.m_iVertexCount);
            benchmark::ClobberMemory();
        }
    }
    Record(state);
}

// The same arrays written by a loop with nothing to decide: positions, normals (vertex
// normals for `Smooth`), one colour per face for `Colors`, texture coordinates for `TCs`.
template <bool Smooth, bool Colors, bool TCs>
void PlainCopy(benchmark::State &state)
{
    Mesh &mesh = Level();
    FillBuffer &buffer = Buffer();
    const Vertex *vertices = mesh.m_pVertices.GetBuffer();
    const Quad *quads = mesh.m_pQuads.GetBuffer();
    const TC *tc = mesh.m_pTCs.GetBuffer();
    for (auto _ : state) {
        for (unsigned first = 0; first < mesh.m_iFaceCount; first += FillBuffer::kMaxFaces) {
            const unsigned end = std::min(mesh.m_iFaceCount, first + FillBuffer::kMaxFaces);
            General::Vector *p = buffer.m_aPositions.GetBuffer();
            FillBuffer::Normal *n = buffer.m_aNormals.GetBuffer();
            uint32_t *c = buffer.m_aColors.GetBuffer();
            TC *t = buffer.m_aTexCoords.GetBuffer();
            unsigned out = 0;
            for (unsigned f = first; f < end; ++f, out += 4) {
                const Quad &q = quads[f];
                for (unsigned k = 0; k < 4; ++k) {
                    const Vertex &v = vertices[q.m_iIndices[k] & MeshFlags::kIndexMask];
                    p[out + k] = v.m_vPosition;
                    const int16_t *normal = Smooth ? v.m_aNormal : q.m_aNormal;
                    n[out + k] = FillBuffer::Normal{normal[0], normal[1], normal[2]};
                    if constexpr (TCs)
                        t[out + k] = tc[q.m_iTCI[k]];
                    if constexpr (Colors)
                        c[out + k] = 0xFFCCCCCCu;
                }
            }
            benchmark::DoNotOptimize(out);
            benchmark::ClobberMemory();
        }
    }
    Record(state);
}

// The families: every flag alone, the common pairs and all of them.
void Families(benchmark::internal::Benchmark *b)
{
    for (int entry : {0, 1, 2, 3, 4, 8, 16, 32, 33, 35, 63})
        b->Arg(entry);
}

}  // namespace

BENCHMARK(BM_Fill)->Apply(Families)->Unit(benchmark::kMillisecond);
// Named by the fill entry whose arrays they write.
BENCHMARK_TEMPLATE(PlainCopy, false, false, false)->Name("BM_PlainCopy/0")->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(PlainCopy, true, false, false)->Name("BM_PlainCopy/1")->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(PlainCopy, false, true, false)->Name("BM_PlainCopy/2")->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(PlainCopy, true, true, false)->Name("BM_PlainCopy/3")->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(PlainCopy, false, false, true)->Name("BM_PlainCopy/32")->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(PlainCopy, true, false, true)->Name("BM_PlainCopy/33")->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(PlainCopy, true, true, true)->Name("BM_PlainCopy/35")->Unit(benchmark::kMillisecond);

// Prints fill / plain-copy ratios of faces per second after the runs: each entry is set
// against the plain copy that writes the same arrays.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run> &runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run &run : runs) {
            if (run.run_type != Run::RT_Iteration)
                continue;
            const auto it = run.counters.find("faces/s");
            if (it != run.counters.end())
                m_rates[run.benchmark_name()].push_back(it->second.value);
        }
    }
    void Finalize() override
    {
        ConsoleReporter::Finalize();
        std::printf("\nfill / plain copy of the same arrays (median faces per second over the repetitions), %u faces, buffers %.2f MB each:\n",
                    kSide * kSide, double(FillBuffer::kMaxVertices) * (12 + 6 + 4 + 8) / 1e6);
        for (int entry : {0, 1, 2, 3, 4, 8, 16, 32, 33, 35, 63}) {
            const int plain = entry & 35;
            const auto fill = m_rates.find("BM_Fill/" + std::to_string(entry));
            const auto copy = m_rates.find("BM_PlainCopy/" + std::to_string(plain));
            if (fill == m_rates.end() || copy == m_rates.end())
                continue;
            std::printf("  entry %2d vs plain copy %2d: %.2f\n", entry, plain, Median(fill->second) / Median(copy->second));
        }
    }

private:
    // Over every repetition of a run, not its last one.
    static double Median(std::vector<double> rates)
    {
        std::sort(rates.begin(), rates.end());
        return rates[rates.size() / 2];
    }

    std::map<std::string, std::vector<double>> m_rates;
};

int main(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    Level();
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
