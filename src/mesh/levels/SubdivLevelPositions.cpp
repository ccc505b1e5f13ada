// The Catmull-Clark store of a level: the positions its vertices take from the level
// below, to which a relative level adds its own detail.
#include "mesh/subdivision/CatmullClarkPositions.h"
#include "mesh/core/MeshSwitches.h"
#include "mesh/levels/SubdivLevel.h"

namespace {

// A level with no level below holds its positions as they are, whatever its flag says.
bool IsAbsolute(const SubdivLevel &level) { return level.m_bAbsolute || !level.m_pPrev; }

// Makes the parents of the level's faces present on the level below, carries the level's
// own changes down when asked, computes the store, and takes out again the parents that
// had to be brought back.
bool ComputePositions(SubdivLevel &level, bool adjust, bool smooth)
{
    if (!level.m_pPrev || !level.m_iFaceCount)
        return true;
    SubdivLevel &prev = *level.m_pPrev;
    if (!IsAbsolute(prev))
        AssertFailed(__FILE__, __LINE__, "m_pPrev->m_bAbsolute", nullptr);
    General::Store<unsigned int> restored("subdiv updateccpositions nf2");
    if (!(level.m_bFull && prev.m_bFull) && prev.m_iFaceCount && !prev.m_aGenericFaces.HasItems()) {
        General::Store<unsigned int> all("subdiv updateccpositions nf");
        bool ok = all.SetItemCount(level.m_iFaceCount, false);
        for (unsigned f = 0; ok && f < level.m_iFaceCount; ++f)
            all[f] = f;
        if (!ok || !prev.RemapFaces(all, restored, true, !adjust)) {
            Log("Cannot calculate CC data!\n");
            return false;
        }
    }
    if (MeshSwitches::s_bVerbose)
        Log(" Calculating CC positions on level %d\n", level.GetLevelIndex());
    if (adjust) {
        level.PropagateToLowerLevel();
        if (prev.m_iPropagatedCount && prev.m_pPrev && !prev.UpdateCC(true))
            return false;
    }
    if (!CatmullClarkPositions(level, smooth).Compute()) {
        Log(" Cannot calculate CC positions on level %d: a work table failed\n", level.GetLevelIndex());
        return false;
    }

    if (restored.HasItems()) {
        prev.MapFaceListToLocal(restored);
        restored.Remove(0xFFFFFFFFu);
        // The positions are right, but the level below would keep faces shown that belong
        // hidden: the caller must know.
        if (restored.HasItems() && !prev.Unmap(restored, true)) {
            Log(" Cannot take the faces used for the positions out of level %d again\n", prev.GetLevelIndex());
            return false;
        }
    }
    return true;
}

}  // namespace

bool SubdivLevel::UpdateCC(bool adjust)
{
    if (!m_pPrev)
        return true;
    if (!IsAbsolute(*m_pPrev))
        AssertFailed(__FILE__, __LINE__, "m_pPrev->m_bAbsolute", nullptr);
    // The level below changed in more than one stroke since it was last in step: bring this
    // level's own positions up to date before its changes are carried down.
    if (!m_bFull && adjust && m_pPrev->m_iPropagationStamp + 1 < m_pPrev->m_iStamp) {
        MakeRelative();
        const bool ok = UpdateCC(false);
        MakeAbsolute();
        if (!ok)
            return false;
    }
    if (MeshSwitches::s_bSmoothPositions)
        return UpdateCCPositions(adjust);
    if (m_bAbsolute != adjust)
        AssertFailed(__FILE__, __LINE__, "m_bAbsolute == bAdjust", nullptr);
    return ComputePositions(*this, adjust, false);
}

bool SubdivLevel::UpdateCCPositions(bool adjust)
{
    TV_ASSERT(m_eType == typeQuadric);
    return ComputePositions(*this, adjust, true);
}
