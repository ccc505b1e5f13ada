// Rasterising the low-mesh triangles into the face index table, evaluating the covered
// texels on the calling thread and at most one worker, and edge bleeding.
#include "foundation/Diagnostics.h"
#include "foundation/ShellServices.h"
#include "mapping/Mapper.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <memory>
#include <vector>

namespace MapExtraction {

namespace {

using General::Vector;

// Twice the signed area of (a, b, p).
float EdgeFunction(const TC &a, const TC &b, float u, float v) { return (b.u - a.u) * (v - a.v) - (b.v - a.v) * (u - a.u); }

}  // namespace

void Thread::run()
{
    if (m_ePhase == phaseRasterise)
        m_cMapper.ProcessFaces(m_iStride, m_iFirst, false, m_iThreadId);
    else
        m_cMapper.EvaluateRows(false, m_iThreadId);
}

unsigned Mapper::FrameIndex(unsigned face, unsigned corner) const
{
    const Mesh &mesh = *m_pWorkingMesh;
    const unsigned n = mesh.Corners();
    switch (m_iFrameMode) {
    case 0:
        return mesh.FaceVertexIndex(face, corner);
    case 1:
        return mesh.WithFaces([&](const auto &faces) { return unsigned(faces[face].m_iTCI[corner]); });
    case 2:
        return face * n + corner;
    default:
        return face * n + corner < m_aFrameCorners.GetItemCount() ? m_aFrameCorners[face * n + corner] : 0xFFFFFFFFu;
    }
}

void Mapper::TriangleCorners(unsigned triangle, unsigned corners[3]) const
{
    const bool quads = m_pWorkingMesh->m_eType == Mesh::typeQuadric;
    const unsigned *c = quads ? BTree::kQuadHalves[triangle & 1] : nullptr;
    for (unsigned k = 0; k < 3; ++k)
        corners[k] = quads ? c[k] : k;
}

const TC &Mapper::CornerTC(unsigned face, unsigned corner) const { return m_pWorkingMesh->GetFaceTC(face, corner); }

void Mapper::FillTriangle(Statistics &stats, const unsigned corners[3], unsigned face, unsigned triangle)
{
    const TC a = CornerTC(face, corners[0]), b = CornerTC(face, corners[1]), c = CornerTC(face, corners[2]);
    // A triangle without area in texture space covers no texel.
    if (EdgeFunction(a, b, c.u, c.v) == 0.0f)
        return;
    const unsigned width = m_iMapWidth, height = m_iMapHeight;
    const float minU = std::min({a.u, b.u, c.u}), maxU = std::max({a.u, b.u, c.u});
    const float minV = std::min({a.v, b.v, c.v}), maxV = std::max({a.v, b.v, c.v});
    const float tileU = float(m_iTileU), tileV = float(m_iTileV);
    const auto first = [](float value, unsigned size) {
        return unsigned(std::clamp(std::floor(value * float(size)), 0.0f, float(size)));
    };
    const auto last = [](float value, unsigned size) {
        return unsigned(std::clamp(std::ceil(value * float(size)), 0.0f, float(size)));
    };
    const unsigned x0 = first(minU - tileU, width), x1 = last(maxU - tileU, width);
    const unsigned y0 = first(minV - tileV, height), y1 = last(maxV - tileV, height);
    uint32_t *table = m_aFaceIndexTable.begin();
    for (unsigned y = y0; y < y1; ++y) {
        const float v = TexelV(y);
        if (v < minV || v > maxV || v < m_fRegionVMin || v > m_fRegionVMax)
            continue;
        for (unsigned x = x0; x < x1; ++x) {
            const float u = TexelU(x);
            if (u < minU || u > maxU || u < m_fRegionUMin || u > m_fRegionUMax)
                continue;
            const float e0 = EdgeFunction(a, b, u, v), e1 = EdgeFunction(b, c, u, v), e2 = EdgeFunction(c, a, u, v);
            // Either winding; a centre on an edge is inside.
            if (!((e0 >= 0 && e1 >= 0 && e2 >= 0) || (e0 <= 0 && e1 <= 0 && e2 <= 0)))
                continue;
            ++stats.m_iPixels;
            // The lowest triangle index owns a texel that several cover, whichever
            // thread gets there first.
            std::atomic_ref<uint32_t> entry(table[size_t(y) * width + x]);
            uint32_t current = entry.load(std::memory_order_relaxed);
            while (triangle < current && !entry.compare_exchange_weak(current, triangle, std::memory_order_relaxed)) {
            }
        }
    }
}

void Mapper::ClearRegionEntries()
{
    const unsigned width = m_iMapWidth, height = m_iMapHeight;
    for (unsigned y = 0; y < height; ++y) {
        const float v = TexelV(y);
        if (v < m_fRegionVMin || v > m_fRegionVMax)
            continue;
        for (unsigned x = 0; x < width; ++x) {
            const float u = TexelU(x);
            if (u >= m_fRegionUMin && u <= m_fRegionUMax)
                m_aFaceIndexTable[y * width + x] = kNoFace;
        }
    }
}

bool Mapper::ReportProgress()
{
    const uint64_t done = uint64_t(m_cFinished.available());
    if (done <= m_iProgressNext)
        return true;
    m_iProgressNext += m_iProgressStep;
    General::Shell().ProgressSet(done);
    General::Shell().ProcessEvents();
    if (General::Shell().TakeCancelRequest() || m_bStopRequested) {
        m_bCancelled = true;
        return false;
    }
    return true;
}

bool Mapper::ProcessFaces(unsigned stride, unsigned first, bool mainThread, unsigned threadId)
{
    Mesh &mesh = *m_pWorkingMesh;
    Statistics &stats = m_aThreadStatistics[threadId & 1];
    const bool quads = mesh.m_eType == Mesh::typeQuadric;
    for (unsigned f = first; f < mesh.m_iFaceCount; f += stride) {
        if (m_bCancelled.load(std::memory_order_relaxed))
            return false;
        if (!FaceWanted(f)) {
            m_cFinished.release();
            continue;
        }
        for (unsigned half = 0; half < (quads ? 2u : 1u); ++half) {
            const unsigned triangle = quads ? 2 * f + half : f;
            unsigned corners[3];
            TriangleCorners(triangle, corners);
            FillTriangle(stats, corners, f, triangle);
        }
        m_cFinished.release();
        if (mainThread && !ReportProgress())
            return false;
    }
    return true;
}

void Mapper::TriangleData::Load(const Mapper &mapper, unsigned index)
{
    const Mesh &mesh = *mapper.m_pWorkingMesh;
    triangle = index;
    const unsigned face = mesh.m_eType == Mesh::typeQuadric ? index / 2 : index;
    unsigned order[3], vertices[3], frames[3];
    mapper.TriangleCorners(index, order);
    for (unsigned k = 0; k < 3; ++k) {
        uv[k] = mapper.CornerTC(face, order[k]);
        vertices[k] = mesh.FaceVertexIndex(face, order[k]);
        frames[k] = mapper.FrameIndex(face, order[k]);
    }
    mapper.LoadCorners(vertices, frames, corners);
    // The corners of a quad's second half run against the face's winding.
    mesh.GetFaceNormal(corners.m_vFaceNormal, face);
}

float Mapper::TexelU(unsigned x) const { return (float(x) + 0.5f) / float(m_iMapWidth) + float(m_iTileU); }

float Mapper::TexelV(unsigned y) const { return (float(y) + 0.5f) / float(m_iMapHeight) + float(m_iTileV); }

void Mapper::EvaluateWith(unsigned x, unsigned y, unsigned triangle, unsigned threadId)
{
    TriangleData data;
    data.Load(*this, triangle);
    EvaluateWith(x, y, TexelU(x), TexelV(y), data, threadId);
}

void Mapper::EvaluateWith(unsigned x, unsigned y, float u, float v, const TriangleData &data, unsigned threadId)
{
    const TC *uv = data.uv;
    Vector solved(u - uv[0].u, v - uv[0].v, 0.0f);
    solved.SolveInBasis(Vector(uv[1].u - uv[0].u, uv[1].v - uv[0].v, 0.0f),
                        Vector(uv[2].u - uv[0].u, uv[2].v - uv[0].v, 0.0f));
    const float weights[3] = {1.0f - solved.x - solved.y, solved.x, solved.y};
    EvaluateTexel(x, y, weights, data.corners, threadId);
}

bool Mapper::EvaluateRows(bool mainThread, unsigned threadId)
{
    const unsigned width = m_iMapWidth, height = m_iMapHeight;
    // Neighbouring texels mostly share their triangle: its corners are read once.
    TriangleData data;
    for (;;) {
        if (m_bCancelled.load(std::memory_order_relaxed))
            return false;
        const unsigned y = m_iNextRow.fetch_add(1, std::memory_order_relaxed);
        if (y >= height)
            break;
        const float v = TexelV(y);
        if (v >= m_fRegionVMin && v <= m_fRegionVMax) {
            const uint32_t *row = m_aFaceIndexTable.begin() + size_t(y) * width;
            for (unsigned x = 0; x < width; ++x) {
                const uint32_t entry = row[x];
                if (entry == kNoFace)
                    continue;
                // Texels of the region only: a split tile evaluates each part once.
                const float u = TexelU(x);
                if (u < m_fRegionUMin || u > m_fRegionUMax)
                    continue;
                if (entry != data.triangle)
                    data.Load(*this, entry);
                EvaluateWith(x, y, u, v, data, threadId);
            }
        }
        m_cFinished.release();
        if (mainThread && !ReportProgress())
            return false;
    }
    return true;
}

bool Mapper::RunShares(Thread::Phase phase, unsigned count)
{
    const unsigned n = unsigned(std::clamp(m_iWorkers, 1, 2));
    m_cFinished.acquire(m_cFinished.available());
    m_iProgressStep = std::max(1u, count / 100);
    m_iProgressNext = m_iProgressStep;
    General::Shell().ProgressStart(phase == Thread::phaseRasterise ? QStringLiteral("map extraction...")
                                                                   : QStringLiteral("evaluating texels..."),
                                   count);
    m_iNextRow = 0;
    std::vector<std::unique_ptr<Thread>> workers;
    for (unsigned i = 0; i + 1 < n; ++i) {
        workers.push_back(std::make_unique<Thread>(*this, phase, n, i + 1, i));
        workers.back()->start(QThread::InheritPriority);
    }
    const bool ok = phase == Thread::phaseRasterise ? ProcessFaces(n, 0, true, n - 1) : EvaluateRows(true, n - 1);
    if (!ok)
        m_bCancelled = true;
    for (auto &worker : workers)
        worker->wait();
    General::Shell().ProgressEnd();
    return ok && !m_bCancelled;
}

void Mapper::SetupTexel(unsigned x, unsigned y, unsigned triangle)
{
    Mesh &mesh = *m_pWorkingMesh;
    const unsigned width = m_iMapWidth;
    if (mesh.m_eType == Mesh::typeQuadric) {
        const float u = TexelU(x);
        const float v = TexelV(y);
        unsigned quad = triangle / 2;
        bool moved = false;
        for (int step = 0; step < 10 && StepToNeighbourQuad(mesh, u, v, quad); ++step)
            moved = true;
        if (moved)
            triangle = 2 * quad;
    }
    m_aFaceIndexTable[y * width + x] = triangle;
    ++m_aThreadStatistics[0].m_iFilled;
    EvaluateWith(x, y, triangle, 0);
}

void Mapper::BleedEdges()
{
    const unsigned width = m_iMapWidth, height = m_iMapHeight;
    if (!width || !height)
        return;
    for (uint32_t &entry : m_aFaceIndexTable)
        if (entry != kNoFace)
            entry |= kCoveredBefore;
    const bool displacement = m_aCreateDisplacementMap.GetValue() && m_cDisplacementMap.GetChannelCount();
    static const int kNeighbours[8][2] = {{-1, 0}, {0, 1}, {0, -1}, {1, 0}, {1, -1}, {1, 1}, {-1, -1}, {-1, 1}};
    // Only texels of the current region, grown from texels of the region.
    const auto inRegion = [&](int x, int y) {
        const float u = TexelU(unsigned(x));
        const float v = TexelV(unsigned(y));
        return u >= m_fRegionUMin && u <= m_fRegionUMax && v >= m_fRegionVMin && v <= m_fRegionVMax;
    };
    m_aThreadStatistics[0] = Statistics{};
    for (unsigned x = 0; x < width; ++x)
        for (unsigned y = 0; y < height; ++y) {
            if (m_aFaceIndexTable[y * width + x] != kNoFace || !inRegion(int(x), int(y)))
                continue;
            if (displacement && m_cDisplacementMap.GetValue(x, y, 0) != 0.0f)
                continue;
            for (const auto &d : kNeighbours) {
                const int nx = int(x) + d[0], ny = int(y) + d[1];
                if (nx < 0 || ny < 0 || nx >= int(width) || ny >= int(height) || !inRegion(nx, ny))
                    continue;
                const uint32_t entry = m_aFaceIndexTable[unsigned(ny) * width + unsigned(nx)];
                if (entry == kNoFace || !(entry & kCoveredBefore))
                    continue;
                SetupTexel(x, y, entry & ~kCoveredBefore);
                break;
            }
        }
    for (uint32_t &entry : m_aFaceIndexTable)
        if (entry != kNoFace)
            entry &= ~kCoveredBefore;
    m_cRegionStatistics.Add(m_aThreadStatistics[0]);
    m_aThreadStatistics[0] = Statistics{};
}

}  // namespace MapExtraction
