// Stepping regions of an object between two levels. Both levels are written to snapshot
// files first ("/tempL" for the lower, "/tempH" for the higher) and read back when a step
// fails, so that a step either happens or leaves the levels as they were.
#include "foundation/Globals.h"
#include "foundation/ShellServices.h"
#include "mesh/object/Layer3D.h"
#include "mesh/subdivision/LevelFaceBits.h"
#include "mesh/core/MeshSwitches.h"
#include "mesh/object/Object.h"
#include "mesh/levels/SubdivLevel.h"

#include <QCoreApplication>
#include <QFile>

using namespace LevelBits;

namespace {

constexpr unsigned kDropped = 0x7FFFFFFF;

QString SnapshotName(const char *which)
{
    return General::Shell().TempFolder() + QLatin1String(which) + General::InstanceSuffix() + QStringLiteral(".tmp");
}

void ReportNoMemory()
{
    if (MeshSwitches::s_bVerbose)
        General::Shell().CriticalMessage(
            QCoreApplication::translate("SubdivLevel", "Not enough memory to complete this operation."));
}

// Writes both levels; false (files removed, marks kept) when either cannot be written whole.
bool SaveSnapshots(SubdivLevel &lower, SubdivLevel &higher)
{
    const bool lowerModified = lower.m_bModified, higherModified = higher.m_bModified;
    lower.m_bModified = false;
    higher.m_bModified = false;
    const bool ok = lower.SaveLevelFile(SnapshotName("/tempL"));
    General::Shell().ProcessEvents();
    if (ok && higher.SaveLevelFile(SnapshotName("/tempH"))) {
        General::Shell().ProcessEvents();
        return true;
    }
    QFile::remove(SnapshotName("/tempL"));
    QFile::remove(SnapshotName("/tempH"));
    lower.m_bModified = lowerModified;
    higher.m_bModified = higherModified;
    Log(" Cannot write the level snapshots\n");
    if (MeshSwitches::s_bVerbose)
        General::Shell().CriticalMessage(QCoreApplication::translate("SubdivLevel", "Cannot write temp files"));
    return false;
}

void RemoveSnapshots()
{
    QFile::remove(SnapshotName("/tempL"));
    QFile::remove(SnapshotName("/tempH"));
}

// Reads the levels back from the snapshots (either may be null); false when one could not be read.
bool Rollback(SubdivLevel *lower, SubdivLevel *higher)
{
    bool ok = true;
    if (higher)
        ok = higher->LoadLevelFile(SnapshotName("/tempH")) && ok;
    if (lower)
        ok = lower->LoadLevelFile(SnapshotName("/tempL")) && ok;
    RemoveSnapshots();
    if (!ok)
        Log(" A level could not be read back from its snapshot\n");
    return ok;
}

// Local indices of the listed global faces of a level, ascending; faces it lacks are left out.
void ToLocal(SubdivLevel &level, General::Store<unsigned int> &list)
{
    if (level.m_bFull) {
        for (unsigned &f : list)
            if (f >= level.m_iFaceCount)
                f = kDropped;
    } else {
        level.MapFaceListToLocal(list);
        for (unsigned &f : list)
            if (f == 0xFFFFFFFFu)
                f = kDropped;
    }
    std::sort(list.begin(), list.end(), [](unsigned a, unsigned b) { return int(a) < int(b); });
    unsigned kept = list.GetItemCount();
    while (kept && list[kept - 1] == kDropped)
        --kept;
    list.SetItemCount(kept, true);
    TV_ASSERT(kept == 0 || list[kept - 1] != kDropped);
}

}  // namespace

void SubdivLevel::DropLayerData()
{
    if (!m_pObject)
        return;
    for (Layer3D *layer = m_pObject->GetFirstLayer(); layer; layer = layer->GetNextInTree())
        layer->RemoveLevelData(this);
}

bool SubdivLevel::ReloadLowerLevel(General::Store<unsigned int> &faces, bool activate)
{
    if (m_aGenericFaces.HasItems() && faces.GetItemCount() != m_iFaceCount)
        return false;
    if (!faces.HasItems())
        return false;
    const bool hadNext = m_pNext != nullptr;
    SubdivLevel *higher = GetNextLevel(true);
    if (!higher)
        return false;
    auto dropNew = [&]() {
        if (!hadNext && higher->m_iFaceCount == 0 && !higher->m_bFacesRemoved) {
            higher->DropLayerData();
            SetNextLevel(nullptr);
        }
    };
    if (!SaveSnapshots(*this, *higher)) {
        dropNew();
        return false;
    }
    m_bMappingMark = false;
    if (higher->MapFaces(faces, activate, true, true)) {
        m_bMappingMark = false;
        RemoveSnapshots();
        if (faces.HasItems())
            Unmap(faces, false);
        if (!higher->m_bNormalsValid)
            higher->CalculateNormals(false);
        if (!hadNext && m_pObject)
            m_pObject->SetActiveLayer(m_pObject->GetActiveLayer());
        return true;
    }
    ReportNoMemory();
    const bool reload = m_bMappingMark;
    if (reload && MeshSwitches::s_bVerbose)
        Log(" Reloading lower level\n");
    Rollback(reload ? this : nullptr, higher);
    m_bMappingMark = false;
    dropNew();
    return false;
}

bool SubdivLevel::LevelDownFaces(General::Store<unsigned int> &faces)
{
    if (!m_pPrev || !faces.HasItems())
        return false;
    SubdivLevel &prev = *m_pPrev;
    if (!SaveSnapshots(prev, *this))
        return false;
    auto fail = [&](const char *message, bool higher) {
        ReportNoMemory();
        if (message)
            Log("%s", message);
        Rollback(&prev, higher ? this : nullptr);
        return false;
    };

    const unsigned prevFaces = prev.m_iFaceCount;
    General::Store<unsigned int> parents("subdiv leveldownfaces prevlevel");
    if (!prev.RemapFaces(faces, parents, false, true)) {
        ReloadVertices();
        return fail(nullptr, false);
    }
    if (!UpdateCC(true))
        return fail("Cannot update CC in LevelDownFaces\n", true);
    faces.Clear();
    if (MeshSwitches::s_bLevelsOnDisk) {
        prev.SaveVerticesToDisk();
        prev.SaveFacesToDisk();
    }

    // The descendants of the parents leave this level and every finer one that holds faces.
    General::Store<unsigned int> globals("subdiv leveldownfaces globals");
    // Children of polygons are numbered by polygon corners: a step down from them takes everything.
    const bool everything = !parents.HasItems() || prev.m_aGenericFaces.HasItems();
    unsigned sides = prev.Corners();
    if (!everything)
        for (unsigned p : parents)
            for (unsigned k = 0; k < sides; ++k)
                globals.Add(p * sides + k);
    for (SubdivLevel *level = this; level; level = level->m_pNext) {
        if (level != this) {
            bool holding = false;
            for (SubdivLevel *above = level; above && !holding; above = above->m_pNext)
                holding = above->m_iFaceCount != 0;
            if (!holding)
                break;
        }
        General::Store<unsigned int> local("subdiv leveldownfaces correctfaceslist");
        if (everything) {
            for (unsigned f = 0; f < level->m_iFaceCount; ++f)
                local.Add(f);
        } else {
            for (unsigned g : globals)
                local.Add(g);
            ToLocal(*level, local);
        }
        if (!level->Unmap(local, false))
            return fail(nullptr, true);
        level->FreezeLocalBorder();
        // The next level's faces to take: the children of these.
        General::Store<unsigned int> children("subdiv leveldownfaces children");
        for (unsigned g : globals)
            for (unsigned k = 0; k < 4; ++k)
                children.Add(g * 4 + k);
        globals.Take(children);
        sides = 4;
    }

    if (MeshSwitches::s_bLevelsOnDisk && (!prev.ReloadVertices() || !prev.ReloadFaces() || !ReloadVertices()))
        return fail(nullptr, true);
    if (!prev.RelinkFaces(prevFaces, true))
        return fail(nullptr, true);
    prev.FreezeLocalBorder();
    RemoveSnapshots();
    return true;
}

bool SubdivLevel::CreateLevel(General::Store<unsigned int> &globals, bool neighbours)
{
    if (!m_pPrev)
        return true;
    SubdivLevel &prev = *m_pPrev;
    // A level above polygons is made whole at once.
    if (prev.m_aGenericFaces.HasItems())
        return m_iFaceCount == m_iTotalFaceCount;
    const unsigned sides = prev.Corners();
    General::Store<unsigned int> toCreate("subdiv createlevel tocreate");
    General::Store<unsigned int> missing("subdiv createlevel prevlist");
    prev.m_aFaceMap.Sort(General::Map::kBySecond);
    auto localOnPrev = [&](unsigned parent) {
        if (prev.m_bFull)
            return parent < prev.m_iFaceCount ? parent : 0xFFFFFFFFu;
        const General::IntPair key{0, int(parent)};
        const General::IntPair *found = prev.m_aFaceMap.Find(&key);
        return found ? unsigned(found->first) : 0xFFFFFFFFu;
    };
    bool ok = prev.WithFaces([&](auto &faces) {
        for (unsigned g : globals) {
            const unsigned parent = g / sides, local = localOnPrev(parent);
            if (local == 0xFFFFFFFFu) {
                if (missing.Add(parent) < 0)
                    return false;
            } else if (!toCreate.HasItems() || toCreate.GetLast() != local) {
                SetMapped(faces[local], true);
                if (toCreate.Add(local) < 0)
                    return false;
            }
        }
        return true;
    });
    if (!ok)
        return false;

    // Missing parents come back from the swap file, or are made from their own parents.
    auto bringBack = [&](General::Store<unsigned int> &list, bool withNeighbours) {
        list.RemoveDuplicates();
        General::Store<unsigned int> wanted("subdiv createlevel wanted");
        for (unsigned g : list)
            if (wanted.Add(g) < 0)
                return false;
        if (!prev.RestoreFaces(list, false, false, nullptr, true) || !prev.CreateLevel(list, withNeighbours))
            return false;
        list.Take(wanted);
        return true;
    };
    if (missing.HasItems()) {
        if (!bringBack(missing, false))
            return false;
        prev.m_aFaceMap.Sort(General::Map::kBySecond);
        for (unsigned parent : missing) {
            const unsigned local = localOnPrev(parent);
            TV_ASSERT(local != 0xFFFFFFFFu);
            toCreate.Add(local);
        }
        missing.Clear();
    }
    if (neighbours) {
        prev.WithFaces([&](const auto &faces) {
            for (unsigned f = 0; f < std::min(prev.m_iFaceCount, faces.GetItemCount()); ++f) {
                if (!IsActive(faces[f]))
                    continue;
                for (int32_t entry : faces[f].m_iAdjacent)
                    if (entry != -1 && uint32_t(entry) >= kAbsentNeighbour)
                        missing.Add((uint32_t(entry) - kAbsentNeighbour) / sides);
            }
        });
        if (missing.HasItems() && !bringBack(missing, true))
            return false;
    }
    toCreate.Remove(0xFFFFFFFFu);
    toCreate.RemoveDuplicates();
    return MapFaces(toCreate, true, false, false);
}
