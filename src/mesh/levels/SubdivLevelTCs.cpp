// Texture coordinates of the faces that a subdivision adds to a level: each new corner is
// interpolated in its parent on the level below, and neighbouring corners share one
// texture coordinate wherever their parents have no seam between them.
#include "mesh/subdivision/LevelFaceBits.h"
#include "mesh/subdivision/PolygonNeighbours.h"
#include "mesh/core/MeshSwitches.h"
#include "mesh/levels/SubdivLevel.h"

using namespace LevelBits;

namespace {

constexpr uint32_t kNoTC = MeshFlags::kNoTC;

// Where child corners lie inside their parent: (s, t) in a quad, (a, b) in a triangle.
constexpr float kQuadPlace[4][4][2] = {{{0, 0}, {0.5f, 0}, {0.5f, 0.5f}, {0, 0.5f}},
                                       {{0.5f, 0}, {1, 0}, {1, 0.5f}, {0.5f, 0.5f}},
                                       {{0, 0.5f}, {0.5f, 0.5f}, {0.5f, 1}, {0, 1}},
                                       {{0.5f, 0.5f}, {1, 0.5f}, {1, 1}, {0.5f, 1}}};
constexpr float kThird = 0.3333f;
constexpr float kTrianglePlace[3][4][2] = {{{0, 0}, {0.5f, 0}, {kThird, kThird}, {0, 0.5f}},
                                           {{0.5f, 0}, {1, 0}, {0.5f, 0.5f}, {kThird, kThird}},
                                           {{0, 0.5f}, {kThird, kThird}, {0.5f, 0.5f}, {0, 1}}};

// Weights of the parent's corners at a place.
void Weights(unsigned sides, const float *place, float *w)
{
    if (sides == 4) {
        const float s = place[0], t = place[1];
        w[0] = (1 - t) * (1 - s);
        w[1] = (1 - t) * s;
        w[2] = t * s;
        w[3] = t * (1 - s);
    } else {
        w[0] = 1 - place[0] - place[1];
        w[1] = place[0];
        w[2] = place[1];
        w[3] = 0;
    }
}

// While the new corners are made, a new texture coordinate is held as the ones' complement
// of its place among the new ones (above 0x80000000, which means none).
bool IsNew(uint32_t tci) { return tci > kNoTC; }

}  // namespace

bool SubdivLevel::UpdateTCs(const General::Store<unsigned int> &parents, unsigned firstNew)
{
    if (firstNew > m_iFaceCount || m_iTCCount != m_pTCs.GetItemCount()) {
        AssertFailed(__FILE__, __LINE__, "!(iStartFaceIndex > m_iFaceCount || m_iTCCount != m_pTCs.GetItemCount())",
                     nullptr);
        return false;
    }
    if (!TV_CHECK(m_pPrev && m_eType == typeQuadric))
        return false;
    SubdivLevel &prev = *m_pPrev;
    const unsigned faceCount = std::min(m_iFaceCount, m_pQuads.GetItemCount());

    // --- level 1 of a polygon mesh ---------------------------------------------------
    if (prev.m_aGenericFaces.HasItems()) {
        const unsigned polygons = prev.m_aGenericFaces.GetItemCount();
        const unsigned prevTCs = prev.m_pTCs.GetItemCount();
        unsigned children = 0;
        for (const GenericFace &g : prev.m_aGenericFaces)
            children += g.m_aVertices.GetItemCount();
        if (firstNew + uint64_t(children) > faceCount)
            return TV_CHECK(false);
        General::Store<TC> tcs("subdiv newtc");
        General::Store<int> edges("subdiv tc edges");
        const PolygonNeighbours neighbours(prev);
        if (!neighbours.IsUsable() || !tcs.Reserve(prevTCs + polygons, false) ||
            !edges.SetItemCount(children, false))
            return false;
        for (unsigned t = 0; t < prevTCs; ++t)
            tcs.Add(prev.m_pTCs[t]);
        edges.Fill(-1);
        auto tcOf = [&](unsigned index) { return index < prevTCs ? prev.m_pTCs[index] : TC{0, 0}; };
        // The centres come first, one per polygon, so that polygon j's centre is entry
        // prevTCs + j; the edge midpoints follow in the order they are made.
        bool valid = true;
        for (unsigned j = 0; j < polygons; ++j) {
            const GenericFace &poly = prev.m_aGenericFaces[j];
            const unsigned n = poly.m_aVertices.GetItemCount();
            TC centre{0, 0};
            if (poly.m_aTCIndices.GetItemCount() >= n && n) {
                for (unsigned k = 0; k < n; ++k) {
                    centre.u += tcOf(poly.m_aTCIndices[k]).u;
                    centre.v += tcOf(poly.m_aTCIndices[k]).v;
                }
                centre.u *= 1.0f / float(n);
                centre.v *= 1.0f / float(n);
            }
            tcs.Add(centre);
        }
        for (unsigned j = 0; j < polygons; ++j) {
            const GenericFace &poly = prev.m_aGenericFaces[j];
            const unsigned n = poly.m_aVertices.GetItemCount();
            if (poly.m_aTCIndices.GetItemCount() < n) {
                valid = false;
                continue;
            }
            const unsigned b = neighbours.FirstChild(j);
            for (unsigned k = 0; k < n; ++k) {
                Quad &child = m_pQuads[firstNew + b + k];
                child.m_iTCI[0] = int32_t(poly.m_aTCIndices[k]);
                child.m_iTCI[2] = int32_t(prevTCs + j);
                if (edges[b + k] == -1) {
                    const TC a = tcOf(poly.m_aTCIndices[k]), c = tcOf(poly.m_aTCIndices[(k + 1) % n]);
                    const int index = tcs.Add(TC{0.5f * (a.u + c.u), 0.5f * (a.v + c.v)});
                    if (index < 0)
                        return false;
                    edges[b + k] = index;
                    // The neighbour shares the midpoint unless a seam runs along the edge.
                    unsigned h = 0, e = 0;
                    if (neighbours.Across(j, k, h, e)) {
                        const GenericFace &other = prev.m_aGenericFaces[h];
                        const unsigned m = other.m_aVertices.GetItemCount();
                        if (other.m_aTCIndices.GetItemCount() >= m &&
                            (other.m_aTCIndices[e] == poly.m_aTCIndices[k] ||
                             (other.m_aTCIndices[e] == poly.m_aTCIndices[(k + 1) % n] &&
                              other.m_aTCIndices[(e + 1) % m] == poly.m_aTCIndices[k])))
                            edges[neighbours.FirstChild(h) + e] = index;
                    }
                }
                child.m_iTCI[1] = edges[b + k];
                m_pQuads[firstNew + b + (k + 1) % n].m_iTCI[3] = edges[b + k];
            }
        }
        m_pTCs.Take(tcs);
        m_iTCCount = m_pTCs.GetItemCount();
        if (MeshSwitches::s_bSmoothTCs)
            SmoothTCs(1.0f);
        return valid || TV_CHECK(false);
    }

    // --- other levels: children of quads or triangles ------------------------------------
    const unsigned sides = prev.Corners();
    const unsigned existing = m_iTCCount;
    m_aFaceMap.Sort(General::Map::kByFirst);
    prev.m_aFaceMap.Sort(General::Map::kBySecond);
    auto globalOf = [&](unsigned f) { return m_bFull || f >= m_aFaceMap.GetItemCount() ? f : unsigned(m_aFaceMap[f].second); };
    // The parent of a face of this level as a local face of the level below, or -1.
    auto parentOf = [&](unsigned f) -> int {
        const unsigned g = globalOf(f) / sides;
        if (prev.m_bFull)
            return g < prev.m_iFaceCount ? int(g) : -1;
        const General::IntPair key{0, int(g)};
        const General::IntPair *found = prev.m_aFaceMap.Find(&key);
        return found ? found->first : -1;
    };
    auto prevCorner = [&](unsigned face, unsigned corner, uint32_t &tci, unsigned &vertex) {
        prev.WithFaces([&](auto &faces) {
            tci = uint32_t(faces[face].m_iTCI[corner]);
            vertex = CornerVertex(faces[face], corner);
        });
    };
    // The coordinate a corner of face f has so far; only new faces hold new coordinates.
    auto tcValue = [&](uint32_t tci, unsigned f, const General::Store<TC> &fresh, TC &out) {
        if (tci < existing) {
            out = m_pTCs[tci];
            return true;
        }
        if (f >= firstNew && IsNew(tci) && ~tci < fresh.GetItemCount()) {
            out = fresh[~tci];
            return true;
        }
        return false;
    };
    // The corner vertex of face f that its parent shares at the place of corner c: whether the
    // two parents carry the same texture index wherever the vertex takes its coordinate from.
    auto noSeam = [&](int parentA, int parentB, unsigned childA, unsigned cornerA) {
        const float *place = sides == 4 ? kQuadPlace[childA][cornerA] : kTrianglePlace[childA][cornerA];
        float w[4];
        Weights(sides, place, w);
        for (unsigned k = 0; k < sides; ++k) {
            if (w[k] == 0)
                continue;
            uint32_t tciA = 0;
            unsigned vertex = 0;
            prevCorner(unsigned(parentA), k, tciA, vertex);
            bool matched = false;
            for (unsigned m = 0; m < sides && !matched; ++m) {
                uint32_t tciB = 0;
                unsigned vertexB = 0;
                prevCorner(unsigned(parentB), m, tciB, vertexB);
                matched = vertexB == vertex && tciB == tciA;
            }
            if (!matched)
                return false;
        }
        return true;
    };

    General::Store<TC> fresh("subdiv newtc");
    unsigned handled = 0;
    bool failed = false;
    for (unsigned f = 0; f < faceCount; ++f) {
        for (unsigned c = 0; c < 4; ++c) {
            Quad &face = m_pQuads[f];
            if (uint32_t(face.m_iTCI[c]) != kNoTC)
                continue;
            ++handled;
            if (f < firstNew)
                continue;
            const unsigned o = (f - firstNew) / sides, child = (f - firstNew) % sides;
            if (o >= parents.GetItemCount()) {
                AssertFailed(__FILE__, __LINE__, "!(iOFI >= aPrevFaces.GetItemCount())", nullptr);
                face.m_iTCI[c] = 0;
                failed = true;
                continue;
            }
            const unsigned parent = parents[o];
            if (parent >= prev.m_iFaceCount) {
                AssertFailed(__FILE__, __LINE__, "!(aPrevFaces[iOFI] >= m_pPrev->m_iFaceCount)", nullptr);
                face.m_iTCI[c] = 0;
                failed = true;
                continue;
            }
            const float *place = sides == 4 ? kQuadPlace[child][c] : kTrianglePlace[child][c];
            float w[4];
            Weights(sides, place, w);
            TC value{0, 0};
            for (unsigned k = 0; k < sides; ++k) {
                uint32_t tci = 0;
                unsigned vertex = 0;
                prevCorner(parent, k, tci, vertex);
                if (tci >= prev.m_pTCs.GetItemCount()) {
                    failed = w[k] != 0 || failed;
                    continue;
                }
                value.u += w[k] * prev.m_pTCs[tci].u;
                value.v += w[k] * prev.m_pTCs[tci].v;
            }

            // Look around the vertex, one way and then the other, for a corner to share.
            const unsigned vertex = CornerVertex(face, c);
            uint32_t shared = kNoTC;
            for (int direction = 0; direction < 2 && shared == kNoTC; ++direction) {
                unsigned at = f, corner = c;
                for (unsigned steps = 0; steps < 64; ++steps) {
                    const unsigned slot = direction == 0 ? corner : (corner + 3) % 4;
                    const int32_t entry = m_pQuads[at].m_iAdjacent[slot];
                    if (entry < 0 || unsigned(entry) / 4 >= faceCount)
                        break;
                    const unsigned next = unsigned(entry) / 4, s = unsigned(entry) % 4;
                    const unsigned nextCorner = direction == 0 ? (s + 1) % 4 : s;
                    if (next == f)
                        break;
                    if (CornerVertex(m_pQuads[next], nextCorner) != vertex) {
                        AssertFailed(__FILE__, __LINE__,
                                     "!(int(m_pQuads[iFace].m_iIndices[iCorner]) != int(m_pQuads[iF].m_iIndices[iC]))",
                                     nullptr);
                        break;
                    }
                    const uint32_t tci = uint32_t(m_pQuads[next].m_iTCI[nextCorner]);
                    TC other;
                    if (tci != kNoTC && tcValue(tci, next, fresh, other) && other.u == value.u && other.v == value.v) {
                        const int parentA = int(parent), parentB = next >= firstNew && (next - firstNew) / sides < parents.GetItemCount()
                                                                        ? int(parents[(next - firstNew) / sides])
                                                                        : parentOf(next);
                        if (parentB < 0 || parentA == parentB || noSeam(parentA, parentB, child, c)) {
                            shared = tci;
                            break;
                        }
                    }
                    at = next;
                    corner = nextCorner;
                }
            }
            if (shared != kNoTC) {
                face.m_iTCI[c] = int32_t(shared);
                continue;
            }
            const int index = fresh.Add(value);
            if (index < 0) {
                m_pTCs.Clear();
                m_iTCCount = 0;
                return false;
            }
            face.m_iTCI[c] = int32_t(~uint32_t(index));
        }
    }
    TV_ASSERT(handled == parents.GetItemCount() * sides * 4);

    const unsigned added = fresh.GetItemCount();
    if (!m_pTCs.SetItemCount(existing + added, true)) {
        // No room for the new coordinates: the new corners point at the first one, and say so.
        for (unsigned f = firstNew; f < faceCount; ++f)
            for (int32_t &tci : m_pQuads[f].m_iTCI)
                if (IsNew(uint32_t(tci)))
                    tci = 0;
        return false;
    }
    for (unsigned i = 0; i < added; ++i)
        m_pTCs[existing + i] = fresh[i];
    for (unsigned f = firstNew; f < faceCount; ++f)
        for (int32_t &tci : m_pQuads[f].m_iTCI)
            if (IsNew(uint32_t(tci))) {
                tci = int32_t(existing + ~uint32_t(tci));
                TV_ASSERT(uint32_t(tci) < existing + added);
            }
    m_iTCCount = existing + added;
    if (MeshSwitches::s_bVerbose)
        Log(" Updated texture coordinates (%u new item)\n", added);
    if (MeshSwitches::s_bSmoothTCs)
        SmoothTCs(1.0f);
    return !failed;
}
