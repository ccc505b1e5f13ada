// The topological symmetry of a level: which face mirrors which, found from two
// adjacent faces that straddle the symmetry plane.
#include "foundation/Diagnostics.h"
#include "foundation/Progress.h"
#include "foundation/ShellServices.h"
#include "mesh/object/MeshEdits.h"
#include "mesh/object/Object.h"
#include "mesh/levels/SubdivLevel.h"

#include <QCoreApplication>
#include <QString>

#include <cmath>

namespace {

constexpr uint32_t kNoMirror = 0xFFFFFFFF;
constexpr uint32_t kSide = 0x80000000;

}  // namespace

bool SubdivLevel::InitSymmetry(unsigned first, unsigned second)
{
    General::Map stack(0, "object initsymmetry data");
    // A partial level is left alone: its table stays whatever it was.
    if (m_iFaceCount != m_iTotalFaceCount || first >= m_iFaceCount || second >= m_iFaceCount)
        return false;
    if (!m_aObjectSymmetry.SetItemCount(m_iFaceCount, false)) {
        m_aObjectSymmetry.Clear();
        return false;
    }
    General::Store<unsigned int> &entry = m_aObjectSymmetry;
    entry.Fill(kNoMirror);

    const unsigned k = Corners();
    auto adjacent = [&](unsigned face, unsigned slot) {
        return WithFaces([&](const auto &faces) { return faces[face].m_iAdjacent[slot]; });
    };
    auto slotTowards = [&](unsigned face, unsigned other) {
        int slot = -1;
        for (unsigned e = 0; e < k; ++e) {
            const int32_t a = adjacent(face, e);
            if (a >= 0 && unsigned(a) / k == other)
                slot = int(e);
        }
        return slot;
    };
    const int e0 = slotTowards(first, second);
    int e1 = slotTowards(second, first);
    if (e0 < 0 || e1 < 0)
        return false;
    // The triangles of an object's own level 0 form polygons: a mirrored edge is lined up
    // with the polygon of the original edge first.
    const bool polygons = k == 3 && m_pObject && static_cast<SubdivLevel *>(m_pObject) == this;
    auto match = [&](unsigned face, unsigned slot, unsigned &mirror, unsigned &mirrorSlot) {
        if (polygons)
            m_pObject->MatchPolygonEdge(face, slot, mirror, mirrorSlot);
    };
    unsigned slot1 = unsigned(e1);
    match(first, unsigned(e0), second, slot1);
    e1 = int(slot1);
    if (!TV_CHECK(second < m_iFaceCount))
        return false;

    // The axis is the coordinate along which the two faces lie apart the most (ties go to the later axis).
    const unsigned a = k == 4 ? (unsigned(e0) + 3) % 4 : unsigned(e0);
    const unsigned b = k == 4 ? (unsigned(e1) + 2) % 4 : unsigned(e1);
    const General::Vector d = CornerPosition(second, b) - CornerPosition(first, a);
    const float dx = std::fabs(d.x), dy = std::fabs(d.y), dz = std::fabs(d.z);
    const unsigned axis = dx > dy && dx > dz ? 0 : dy > dz ? 1 : 2;

    const unsigned s = (unsigned(e0) + unsigned(e1)) % k;
    entry[first] = kSide + second * k + s;
    entry[second] = first * k + s;
    unsigned paired = first == second ? 1 : 2;
    if (stack.Add({int(first * k + unsigned(e0)), int(second * k + unsigned(e1))}) < 0) {
        entry.Fill(kNoMirror);
        return false;
    }

    General::ProgressRun progress(QStringLiteral("initializing symmetry..."), m_iFaceCount, 100);
    General::Store<unsigned int> mismatch("unknown");
    bool openEdge = false;
    while (stack.HasItems() && !mismatch.HasItems()) {
        const General::IntPair pair = stack.GetLast();
        stack.SetItemCount(stack.GetItemCount() - 1, true);
        General::Progress().Advance(2);
        const unsigned f = unsigned(pair.first) / k, g = unsigned(pair.second) / k;
        unsigned e = unsigned(pair.first) % k, e2 = unsigned(pair.second) % k;
        if (!TV_CHECK(f < m_iFaceCount && g < m_iFaceCount))
            break;
        for (unsigned step = 0; step < k; ++step) {
            // Round the face one way and round its mirror the other way.
            e = (e + 1) % k;
            e2 = (e2 + k - 1) % k;
            const int32_t a0 = adjacent(f, e), a1 = adjacent(g, e2);
            if (a0 < 0 && a1 < 0)
                continue;
            if (a0 < 0 || a1 < 0) {
                mismatch.Add(f);
                mismatch.Add(g);
                openEdge = true;
                break;
            }
            if (!TV_CHECK(unsigned(a0) < m_iFaceCount * k) || !TV_CHECK(unsigned(a1) < m_iFaceCount * k))
                continue;
            const unsigned n = unsigned(a0) / k, ne = unsigned(a0) % k;
            unsigned m = unsigned(a1) / k, me = unsigned(a1) % k;
            match(n, ne, m, me);
            if (!TV_CHECK(m < m_iFaceCount))
                continue;
            const bool nSet = entry[n] != kNoMirror, mSet = entry[m] != kNoMirror;
            if (nSet && mSet)
                continue;
            if (nSet || mSet) {
                mismatch.Add(n);
                mismatch.Add(m);
                break;
            }
            const unsigned sum = (ne + me) % k;
            entry[n] = kSide + m * k + sum;
            entry[m] = n * k + sum;
            paired += n == m ? 1 : 2;
            if (stack.Add({int(n * k + ne), int(m * k + me)}) < 0) {
                entry.Fill(kNoMirror);
                return false;
            }
        }
    }

    if (mismatch.HasItems()) {
        if (openEdge) {
            for (unsigned face : mismatch) {
                const General::Vector p = CornerPosition(face, 0);
                Log("Symmetry difference at: %f, %f, %f (%d)\n", double(p.x), double(p.y), double(p.z), int(face));
            }
        }
        MeshEdits::Get().SelectFaces(*this, mismatch);
        // Half a table would pair some faces and not others: none is paired instead.
        entry.Fill(kNoMirror);
        return false;
    }
    const unsigned iFaceCount = paired;
    TV_ASSERT(iFaceCount == m_iFaceCount);
    m_aSymmetryValues[0] = axis == 0 ? 1.0f : 0.0f;
    m_aSymmetryValues[1] = axis == 1 ? 1.0f : 0.0f;
    m_aSymmetryValues[2] = axis == 2 ? 1.0f : 0.0f;
    return true;
}

bool SubdivLevel::PrepareSymmetry()
{
    General::Map pairs(0, "unknown map");
    if (!pairs.Reserve(m_iFaceCount, false))
        return false;
    Object *object = m_pObject;
    const int levelIndex = GetLevelIndex();
    const SubdivLevel *reference = nullptr;
    if (object) {
        const SubdivLevel *base = object->GetLevel(0);
        reference = levelIndex == 0 || (base->m_eType == typeQuadric && base->m_aObjectSymmetry.HasItems())
                        ? base
                        : object->GetLevel(1);
    }
    if (!reference || reference->m_aObjectSymmetry.GetItemCount() != reference->m_iTotalFaceCount) {
        if (!m_bAxisMessage) {
            m_bAxisMessage = true;
            General::Shell().SetStatusMessage(
                QCoreApplication::translate("SubdivLevel", "Please set the topological axis for this mesh."), 1);
        }
        return false;
    }
    if (m_aSymmetry.GetItemCount() == m_iFaceCount)
        return true;

    TV_ASSERT(m_aFaceMap.GetItemCount() == 0 || m_aFaceMap.GetItemCount() == m_iFaceCount);
    const bool mapped = !m_bFull && m_aFaceMap.GetItemCount() == m_iFaceCount;
    if (mapped)
        m_aFaceMap.Sort(General::Map::kByFirst);
    const unsigned step = reference->m_eType == typeQuadric ? 4 : 3;
    for (unsigned i = 0; i < m_iFaceCount; ++i) {
        const unsigned g = mapped ? unsigned(m_aFaceMap[i].second) : i;
        unsigned corner = 0;
        bool flip = false;
        const unsigned iOGF = object->GetSymmetricFace(levelIndex, g, corner, flip);
        // A face without a mirror is no inconsistency: it simply gets no entry.
        if (iOGF == kNoMirror || !TV_CHECK(iOGF < m_iTotalFaceCount))
            continue;
        const unsigned key = i * step + corner + (flip ? kSide : 0);
        pairs.Add({int(key), int(iOGF)});
    }

    if (!m_aSymmetry.SetItemCount(m_iFaceCount, false)) {
        m_aSymmetry.Clear();
        return false;
    }
    m_aSymmetry.Fill(kNoMirror);
    if (!mapped) {
        // Mirroring is an involution: the entry stored at the mirror's place names this face.
        for (const General::IntPair &pair : pairs)
            if (TV_CHECK(unsigned(pair.second) < m_iFaceCount))
                m_aSymmetry[unsigned(pair.second)] = unsigned(pair.first);
        return true;
    }
    pairs.Sort(General::Map::kBySecond);
    m_aFaceMap.Sort(General::Map::kBySecond);
    unsigned next = 0;
    for (const General::IntPair &face : m_aFaceMap) {
        while (next < pairs.GetItemCount() && unsigned(pairs[next].second) < unsigned(face.second))
            ++next;
        if (next < pairs.GetItemCount() && pairs[next].second == face.second && unsigned(face.first) < m_iFaceCount)
            m_aSymmetry[unsigned(face.first)] = unsigned(pairs[next].first);
    }
    return true;
}
