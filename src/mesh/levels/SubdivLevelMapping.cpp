// Partial subdivision: which faces of a level are shown, and which of its faces' children
// are shown on the next finer level instead.
//
// MapFaces (on the finer level) makes the children of listed coarse faces present and
// visible, Unmap takes listed faces of a level out, logically (hidden and parked) or,
// while levels live on disk, into the swap files, and RemapFaces (on the coarse level)
// brings back the parents of listed finer faces.
#include "foundation/Progress.h"
#include "mesh/subdivision/LevelFaceBits.h"
#include "mesh/core/MeshSwitches.h"
#include "mesh/core/Octree.h"
#include "mesh/levels/SubdivLevel.h"

#include <algorithm>

using namespace LevelBits;

namespace {

constexpr unsigned kDropped = 0x7FFFFFFF;

// Lists are sorted ascending so that dropped entries gather at the end, then cut.
void DropMarked(General::Store<unsigned int> &list, unsigned marked)
{
    std::sort(list.begin(), list.end(), [](unsigned a, unsigned b) { return int(a) < int(b); });
    list.SetItemCount(list.GetItemCount() - std::min(marked, list.GetItemCount()), true);
}

// The first child of each generic face: the sum of the corner counts before it.
bool FirstChildren(const General::Store<GenericFace> &faces, General::Store<unsigned int> &first)
{
    if (!first.SetItemCount(faces.GetItemCount(), false))
        return false;
    unsigned sum = 0;
    for (unsigned i = 0; i < faces.GetItemCount(); ++i) {
        first[i] = sum;
        sum += faces[i].m_aVertices.GetItemCount();
    }
    return true;
}

}  // namespace

bool SubdivLevel::Unmap(General::Store<unsigned int> &list, bool all)
{
    if (!list.HasItems() || !m_iFaceCount)
        return true;
    m_bModified = true;
    if (!all) {
        unsigned dropped = 0;
        WithFaces([&](auto &faces) {
            for (unsigned &f : list)
                if (f >= std::min(m_iFaceCount, faces.GetItemCount()) || !IsActive(faces[f]) || !IsMapped(faces[f])) {
                    f = kDropped;
                    ++dropped;
                }
        });
        if (dropped == list.GetItemCount())
            return true;
        DropMarked(list, dropped);
    } else {
        list.Sort();
    }

    const bool generic = m_aGenericFaces.HasItems() || (m_pPrev && m_pPrev->m_aGenericFaces.HasItems());
    if (MeshSwitches::s_bLevelsOnDisk && !generic) {
        WithFaces([&](auto &faces) {
            for (unsigned f : list)
                if (f < faces.GetItemCount())
                    SetMapped(faces[f], false);
        });
        return RemoveFaces(list, true);
    }

    if (!ReloadVertices())
        return false;
    General::ProgressMeter &progress = General::Progress();
    if (MeshSwitches::s_bVerbose) {
        progress.Start(QStringLiteral("unmapping..."), 4, 4);
        Log("Unmapping %u faces from level %d\n", list.GetItemCount(), GetLevelIndex());
    }
    HideFaces(list);
    progress.Advance();
    if (m_bFull && list.GetItemCount() < m_iTotalFaceCount && !MakePartial()) {
        progress.End();
        return false;
    }
    progress.Advance();
    if (!RebuildVisibleFaces()) {
        progress.End();
        return false;
    }
    progress.Advance();
    WithFaces([&](auto &faces) {
        for (unsigned f : list)
            if (f < faces.GetItemCount())
                SetMapped(faces[f], false);
    });
    progress.Advance();
    progress.End();
    return true;
}

bool SubdivLevel::RemapFaces(General::Store<unsigned int> &list, General::Store<unsigned int> &parents, bool missingOnly,
                             bool updatePositions)
{
    if (!list.HasItems())
        return true;
    if (missingOnly && m_bFull && m_iFaceCount)
        return true;
    if (!TV_CHECK(m_pNext))
        return false;
    m_bModified = true;
    SubdivLevel &next = *m_pNext;
    const unsigned sides = Corners();
    const bool generic = m_aGenericFaces.HasItems();
    if (m_bFull && !(next.m_bFull && list.GetItemCount() >= next.m_iFaceCount) && !generic && !MakePartial())
        return false;

    // The parents, as global faces of this level.
    parents.SetItemCount(0, false);
    next.m_aFaceMap.Sort(General::Map::kByFirst);
    if (generic) {
        for (unsigned i = 0; i < m_aGenericFaces.GetItemCount(); ++i)
            if (parents.Add(i) < 0)
                return false;
    } else if (!next.m_bFull) {
        for (unsigned f : list)
            if (f < next.m_aFaceMap.GetItemCount() && parents.Add(unsigned(next.m_aFaceMap[f].second) / sides) < 0)
                return false;
        parents.RemoveDuplicates();
    } else {
        for (unsigned f : list)
            if ((!parents.HasItems() || parents.GetLast() != f / sides) && parents.Add(f / sides) < 0)
                return false;
    }

    // Parents still held are shown again; missing ones are brought back from the swap files.
    General::Store<unsigned int> toLoad("subdiv remapfaces toload");
    if (m_bFull) {
        if (m_iFaceCount && !missingOnly)
            WithFaces([&](auto &faces) {
                for (unsigned f = 0; f < std::min(m_iFaceCount, faces.GetItemCount()); ++f) {
                    SetVisible(faces[f], true);
                    SetSelected(faces[f], false);
                }
            });
    } else {
        m_aFaceMap.Sort(General::Map::kBySecond);
        unsigned dropped = 0;
        bool ok = WithFaces([&](auto &faces) {
            for (unsigned &p : parents) {
                const General::IntPair key{0, int(p)};
                const General::IntPair *found = m_aFaceMap.Find(&key);
                if (!found) {
                    if (toLoad.Add(p) < 0)
                        return false;
                    continue;
                }
                if (missingOnly) {
                    p = kDropped;
                    ++dropped;
                } else if (unsigned(found->first) < faces.GetItemCount() && !IsVisible(faces[unsigned(found->first)])) {
                    SetSelected(faces[unsigned(found->first)], false);
                    SetVisible(faces[unsigned(found->first)], true);
                }
            }
            return true;
        });
        if (!ok)
            return false;
        if (dropped)
            DropMarked(parents, dropped);
    }
    if (MeshSwitches::s_bVerbose && parents.HasItems())
        Log("Remapping %u faces to level %d\n", parents.GetItemCount(), GetLevelIndex());

    if ((toLoad.HasItems() || (m_bFull && !m_iFaceCount)) && !RestoreFaces(toLoad, true, false, nullptr, true))
        return false;
    if (m_pPrev && missingOnly && parents.HasItems() && updatePositions) {
        MakeRelative();
        const bool updated = UpdateCC(false);
        MakeAbsolute();
        if (!updated)
            return false;
    }
    return true;
}

bool SubdivLevel::MapFaces(General::Store<unsigned int> &list, bool activate, bool unmapLower, bool recalculate)
{
    if (!list.HasItems())
        return true;
    m_bModified = true;
    if (!TV_CHECK(m_pPrev && m_eType == typeQuadric))
        return false;
    SubdivLevel &prev = *m_pPrev;
    const bool generic = prev.m_aGenericFaces.HasItems();
    const unsigned sides = prev.Corners();

    // How many faces the mapping will show.
    uint64_t estimate = generic ? prev.m_aGenericFaces.GetItemCount() : 0;
    if (!generic)
        prev.WithFaces([&](auto &faces) {
            for (unsigned q : list)
                if (q < faces.GetItemCount() && IsMapped(faces[q]))
                    estimate += sides;
        });

    General::ProgressMeter &progress = General::Progress();
    progress.Start(QStringLiteral("mapping..."), 6, 6);
    if (MeshSwitches::s_bVerbose)
        Log("Mapping %llu faces upto level %d\n", (unsigned long long)estimate, GetLevelIndex());
    auto fail = [&](const char *message) {
        if (message)
            Log("%s", message);
        progress.End();
        return false;
    };
    if (m_bFull && estimate < m_iTotalFaceCount && !MakePartial())
        return fail(nullptr);

    General::Store<unsigned int> toLoad("subdiv toload");
    General::Store<unsigned int> missing("subdiv prevlevel");
    General::Store<bool> toActivate("subdiv toactivate");
    General::Store<unsigned int> firstChild("subdiv mapfaces first children");
    if (generic && !FirstChildren(prev.m_aGenericFaces, firstChild))
        return fail(nullptr);

    // Where each listed parent's children are: present, swapped out, or not made yet.
    prev.m_aFaceMap.Sort(General::Map::kByFirst);
    m_aFaceMap.Sort(General::Map::kBySecond);
    const unsigned prevFaces = prev.m_iFaceCount;
    bool ok = prev.WithFaces([&](auto &parentsStore) {
        for (unsigned q : list) {
            if (q >= prevFaces || q >= parentsStore.GetItemCount())
                continue;
            auto &parent = parentsStore[q];
            const unsigned p = prev.m_bFull || q >= prev.m_aFaceMap.GetItemCount() ? q : unsigned(prev.m_aFaceMap[q].second);
            const unsigned children = generic ? (q < prev.m_aGenericFaces.GetItemCount() ? prev.m_aGenericFaces[q].m_aVertices.GetItemCount() : 0) : sides;
            for (unsigned k = 0; k < children; ++k) {
                const unsigned child = generic ? firstChild[q] + k : p * sides + k;
                int local = -1;
                if (m_bFull) {
                    local = child < m_iFaceCount ? int(child) : -1;
                } else {
                    const General::IntPair key{0, int(child)};
                    if (const General::IntPair *found = m_aFaceMap.Find(&key))
                        local = found->first;
                }
                const bool parentMapped = generic || IsMapped(parent);
                if (local < 0 || unsigned(local) >= std::min(m_iFaceCount, m_pQuads.GetItemCount())) {
                    if (!m_bFacesRemoved) {
                        if ((!toLoad.HasItems() || toLoad.GetLast() != q) && toLoad.Add(q) < 0)
                            return false;
                    } else if (missing.Add(child) < 0 || toActivate.Add(parentMapped) < 0) {
                        return false;
                    }
                    continue;
                }
                Quad &face = m_pQuads[unsigned(local)];
                if (IsActive(face) || (activate && parentMapped)) {
                    SetActive(face, true);
                    if (parentMapped) {
                        if (face.m_iOctree >= OctreeLink::kUnlinked && m_pOctree) {
                            const int hint = face.m_iOctree == OctreeLink::kNone ? -1 : int(face.m_iOctree + 0x40000000u);
                            face.m_iOctree = OctreeLink::kNone;
                            if (!m_pOctree->InsertFace(unsigned(local), hint))
                                return false;
                        }
                        SetVisible(face, true);
                    }
                    SetSelected(face, false);
                } else if (!generic) {
                    SetMapped(parent, false);
                }
            }
        }
        return true;
    });
    if (!ok)
        return fail(nullptr);
    firstChild.Clear();
    progress.Advance();

    // Children with records in the swap files come back; those without any are made anew.
    bool loaded = false;
    if (m_bFacesRemoved && missing.HasItems()) {
        const unsigned before = m_iFaceCount;
        if (!RestoreFaces(missing, true, false, &toActivate, true))
            return fail(nullptr);
        loaded = m_iFaceCount > before;
        General::Store<unsigned int> parentsLeft("subdiv mapfaces parents");
        for (unsigned child : missing) {
            const unsigned p = child / sides;
            if ((!parentsLeft.HasItems() || parentsLeft.GetLast() != p) && parentsLeft.Add(p) < 0)
                return fail(nullptr);
        }
        if (!prev.m_bFull)
            prev.MapFaceListToLocal(parentsLeft);
        for (unsigned q : parentsLeft)
            if (q != 0xFFFFFFFFu && toLoad.Add(q) < 0)
                return fail(nullptr);
    }
    missing.Clear();
    toActivate.Clear();
    toLoad.RemoveDuplicates();
    progress.Advance();

    m_iNewVertexCount = m_iVertexCount;
    const unsigned facesBefore = m_iFaceCount;
    if (toLoad.HasItems() && activate && !Subdivide(toLoad))
        return fail(nullptr);
    // The work lists go before the positions and the new vertices are made, which is when
    // the level's memory peaks.
    toLoad.Clear();
    progress.Advance();

    MakeRelative();
    prev.m_bMappingMark = true;
    prev.WithFaces([&](auto &faces) {
        for (unsigned f : prev.m_aExtraFaces)
            if (f < faces.GetItemCount())
                SetMapped(faces[f], true);
    });
    bool sculpted = prev.m_bSculptedBelow;
    for (unsigned v = 0; v < std::min(prev.m_iVertexCount, prev.m_pVertices.GetItemCount()) && !sculpted; ++v)
        sculpted = prev.m_pVertices[v].m_iStrokeID > 0;
    if (sculpted)
        m_bSculptedBelow = true;
    if ((loaded || m_iFaceCount > facesBefore || sculpted) && !UpdateCC(false)) {
        MakeAbsolute();
        return fail(" UpdateCC failed in MapFaces\n");
    }
    progress.Advance();

    if (unmapLower && !prev.Unmap(list, false)) {
        if (prev.m_pOctree)
            prev.m_pOctree->Reset();
        MakeAbsolute();
        return fail(" Unmap failed in MapFaces\n");
    }
    list.Clear();
    if (!AddNewVertices()) {
        MakeAbsolute();
        return fail(" Cannot allocate vertex array.\n");
    }
    MakeAbsolute();
    progress.Advance();

    if (recalculate) {
        CalculateNormals(false);
        if (m_pOctree && !m_pOctree->GetRoot())
            m_pOctree->CreateRoot();
        if (!m_bSculptedBelow && m_pOctree) {
            for (unsigned f = 0; f < std::min(m_iFaceCount, m_pQuads.GetItemCount()); ++f)
                if (m_pQuads[f].m_iOctree == OctreeLink::kNone && !m_pOctree->InsertFace(f, -1))
                    return fail(nullptr);
        } else {
            BuildOctree();
        }
        if (!RebuildVisibleFaces())
            return fail(nullptr);
        FreezeLocalBorder();
    }
    progress.Advance();
    progress.End();
    return true;
}
