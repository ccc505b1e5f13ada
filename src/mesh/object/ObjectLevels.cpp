// The object's level commands: stepping regions up and down, going to a level, subdividing,
// removing the top level, moving levels to disk and back, and importing coordinates.
#include "foundation/Memory.h"
#include "foundation/Progress.h"
#include "foundation/ShellServices.h"
#include "mesh/object/Layer3D.h"
#include "mesh/subdivision/LevelFaceBits.h"
#include "mesh/core/MeshSwitches.h"
#include "mesh/object/Object.h"
#include "mesh/object/ShownSelection.h"
#include "mesh/core/Octree.h"

#include <QCoreApplication>

using namespace LevelBits;

namespace {

constexpr unsigned kDropped = 0x7FFFFFFF;

QString Tr(const char *text) { return QCoreApplication::translate("Object", text); }

void Refuse(const char *text) { General::Shell().SetStatusMessage(Tr(text), 2); }

void Done()
{
    Log("done\n");
    General::Shell().SetStatusMessage(QStringLiteral("done"), 0);
}

void ClearSelection(SubdivLevel &level)
{
    level.WithFaces([](auto &faces) {
        for (auto &face : faces)
            SetSelected(face, false);
    });
    level.m_iSelectedFaces = 0;
}

// Every visible face of the level gets its mapped mark.
void MarkVisible(SubdivLevel &level)
{
    level.WithFaces([&](auto &faces) {
        for (unsigned f = 0; f < std::min(level.m_iFaceCount, faces.GetItemCount()); ++f)
            if (IsVisible(faces[f]))
                SetMapped(faces[f], true);
    });
}

// Drops the entries marked 0x7FFFFFFF or 0xFFFFFFFF from a sorted list.
void DropMarked(General::Store<unsigned int> &list)
{
    std::sort(list.begin(), list.end());
    unsigned kept = list.GetItemCount();
    while (kept && list[kept - 1] >= kDropped)
        --kept;
    list.SetItemCount(kept, true);
}

// The first level with selected faces, else the highest.
SubdivLevel &WorkingLevel(Object &object)
{
    SubdivLevel *level = &object;
    while (level->m_pNext && !HasShownSelection(*level))
        level = level->m_pNext;
    return *level;
}

// A polygon base is split whole: it must hold every face, and works through its polygons.
bool FullEnough(Object &object, SubdivLevel &level, const char *refusal)
{
    if (&level != &object || object.m_eType != Mesh::typeTriangular || object.m_iPolygonCount == 0 ||
        object.m_iPolygonCount == object.m_iTotalFaceCount)
        return true;
    if (object.m_iFaceCount != object.m_iTotalFaceCount) {
        Refuse(refusal);
        return false;
    }
    if (!object.m_aGenericFaces.HasItems())
        object.ConvertToGenericMesh();
    return true;
}

bool ListFaces(SubdivLevel &level, General::Store<unsigned int> &list, bool load)
{
    if (!list.Reserve(level.m_iSelectedFaces ? level.m_iSelectedFaces : level.m_iFaceCount, false))
        return false;
    level.CreateFaceList(list, load);
    return true;
}

// Going to the level `index` of the chain.
bool GoToLevel(Object &object, int index)
{
    AssertFailed(__FILE__, __LINE__, "false", nullptr);
    const int current = SubdivLevel::GetLevelIndex(object.m_pActiveLevel ? object.m_pActiveLevel : &object);
    const int top = SubdivLevel::GetLevelIndex(object.GetHighestLevel());
    if (index > top || index < 0 || index == current)
        return false;
    Log("Changing level on %s from %d to %d\n", object.GetObjectName().toLocal8Bit().constData(), current, index);

    // The change needs room for 24 bytes per face of the top level. The trial asks the
    // program's own counter and limit: an allocation the system overcommits proves nothing.
    const uint64_t needed = uint64_t(object.GetHighestLevel()->m_iTotalFaceCount) * 24;
    if (needed > General::GetAvailableMemory()) {
        Log(" Change level: Memory trial failed.\n");
        return false;
    }
    SubdivLevel &target = *object.GetLevel(index);
    for (int i = current; i > index; --i) {
        SubdivLevel &level = *object.GetLevel(i);
        level.m_aCCPositions.Fill(General::Vector(0, 0, 0));
        if (!level.UpdateCCPositions(true))
            return false;
    }

    // The target shows its whole worked region; swapped-out worked faces come back first.
    if (target.m_bFacesRemoved) {
        General::Store<unsigned int> all("object changelevel prevlevel");
        if (!target.RestoreFaces(all, true, true, nullptr, true))
            return false;
    }
    General::Store<unsigned int> list("object changelevel list");
    target.m_aFaceIndexTable.Clear();
    target.m_iHiddenFaces = 0;
    bool ok = target.WithFaces([&](auto &faces) {
        for (unsigned f = 0; f < std::min(target.m_iFaceCount, faces.GetItemCount()); ++f) {
            auto &face = faces[f];
            if (IsActive(face)) {
                if (list.Add(f) < 0)
                    return false;
                const uint32_t link = face.m_iOctree;
                if (link >= OctreeLink::kUnlinked && link != OctreeLink::kNone && target.m_pOctree) {
                    face.m_iOctree = OctreeLink::kNone;
                    if (!target.m_pOctree->InsertFace(f, int(link + 0x40000000u)))
                        return false;
                }
                SetVisible(face, true);
            } else {
                ++target.m_iHiddenFaces;
            }
            SetMapped(face, true);
        }
        return true;
    });
    if (!ok || !target.RebuildVisibleFaces())
        return false;

    for (int i = current + 1; i <= index; ++i) {
        SubdivLevel &level = *object.GetLevel(i);
        if (!level.m_iFaceCount)
            continue;
        level.MakeRelative();
        level.m_aCCPositions.Fill(General::Vector(0, 0, 0));
        if (!level.UpdateCCPositions(false)) {
            level.MakeAbsolute();
            target.Unmap(list, false);
            return false;
        }
        level.MakeAbsolute();
    }

    target.CalculateNormals(false);
    object.m_pActiveLevel = &target;
    target.FreezeLocalBorder();

    // The levels below hide the ancestors of the target's worked faces, the levels above
    // their descendants.
    General::Store<unsigned int> globals("object changelevel correctfacelist");
    target.WithFaces([&](auto &faces) {
        for (unsigned f = 0; f < std::min(target.m_iFaceCount, faces.GetItemCount()); ++f)
            if (IsActive(faces[f]))
                globals.Add(f);
    });
    target.MapFaceListToGlobal(globals);
    DropMarked(globals);
    General::Store<unsigned int> walk("object changelevel copy");
    for (unsigned g : globals)
        walk.Add(g);
    for (SubdivLevel *level = target.m_pPrev; level; level = level->m_pPrev) {
        const unsigned sides = level->Corners();
        for (unsigned &g : walk)
            g /= sides;
        walk.RemoveDuplicates();
        General::Store<unsigned int> local("object changelevel correctfacelist2");
        for (unsigned g : walk)
            local.Add(g);
        if (!level->m_bFull)
            level->MapFaceListToLocal(local);
        DropMarked(local);
        level->Unmap(local, false);
    }
    walk.Take(globals);
    for (SubdivLevel *level = target.m_pNext; level; level = level->m_pNext) {
        const unsigned sides = level->m_pPrev->Corners();
        General::Store<unsigned int> children("object changelevel children");
        for (unsigned g : walk)
            for (unsigned k = 0; k < sides; ++k)
                children.Add(g * sides + k);
        walk.Take(children);
        General::Store<unsigned int> local("object changelevel correctfacelist2");
        for (unsigned g : walk)
            local.Add(level->m_bFull && g >= level->m_iFaceCount ? kDropped : g);
        if (!level->m_bFull)
            level->MapFaceListToLocal(local);
        DropMarked(local);
        level->Unmap(local, false);
    }
    Log("done\n");
    return true;
}

// The level a step starts from: the lowest (up) or highest (down) level with a selection,
// else the active level. Without a selection the highest level is not the one to step up from.
SubdivLevel &StepLevel(Object &object, bool up)
{
    SubdivLevel *level = up ? &object : object.GetHighestLevel();
    while (!HasShownSelection(*level) && (up ? level->m_pNext : level->m_pPrev))
        level = up ? level->m_pNext : level->m_pPrev;
    if (!HasShownSelection(*level))
        level = object.m_pActiveLevel ? object.m_pActiveLevel : &object;
    return *level;
}

// Stepping the listed faces of that level up to the level above.
bool StepUp(Object &object)
{
    SubdivLevel &level = StepLevel(object, true);
    if (!level.m_pNext) {
        Refuse("Cannot step up: there is no level above the one shown");
        return false;
    }
    Log("Level up on %s\n", object.GetObjectName().toLocal8Bit().constData());
    if (!FullEnough(object, level, "ERROR: Cannot change level on this mesh as it is not full"))
        return false;
    General::Store<unsigned int> list("object changelevel");
    if (!ListFaces(level, list, true) || !level.ReloadLowerLevel(list, false)) {
        ClearSelection(level);
        Refuse("Cannot step up: the faces of the level above could not be loaded");
        return false;
    }
    // The faces shown on the level above are the ones "Unhide all" gives back once hidden.
    MarkVisible(level);
    MarkVisible(*level.m_pNext);
    SubdivLevel *active = object.m_pActiveLevel ? object.m_pActiveLevel : &object;
    if (&level == active && level.m_pNext && level.m_pNext->m_iHiddenFaces < level.m_pNext->m_iFaceCount)
        object.m_pActiveLevel = level.m_pNext;
    Done();
    return true;
}

// Stepping the selected (or the active) level down to the level below.
bool StepDown(Object &object)
{
    SubdivLevel *level = &StepLevel(object, false);
    if (!level->m_pPrev) {
        Refuse("Cannot step down: there is no level below the one shown");
        return false;
    }
    Log("Level down on %s\n", object.GetObjectName().toLocal8Bit().constData());
    General::Store<unsigned int> list("object changelevel facelist");
    if (!ListFaces(*level, list, false))
        return false;
    if (list.HasItems() && list.GetItemCount() != level->m_iTotalFaceCount) {
        Refuse("You need to level down fully to mixed levels!");
        return false;
    }
    if (!level->LevelDownFaces(list)) {
        ClearSelection(*level);
        return false;
    }
    MarkVisible(*level);
    MarkVisible(*level->m_pPrev);
    SubdivLevel *active = object.m_pActiveLevel ? object.m_pActiveLevel : &object;
    while (active->m_pPrev && active->m_iHiddenFaces >= active->m_iFaceCount)
        active = active->m_pPrev;
    object.m_pActiveLevel = active;
    Done();
    return true;
}

}  // namespace

bool Object::ChangeLevel(int value, bool relative)
{
    if (!relative)
        return GoToLevel(*this, value);
    return value > 0 ? StepUp(*this) : StepDown(*this);
}

bool Object::Subdivide()
{
    SubdivLevel *level = &WorkingLevel(*this);
    while (level->m_pPrev && level->m_iFaceCount == level->m_iHiddenFaces)
        level = level->m_pPrev;
    if (!FullEnough(*this, *level, "ERROR: Cannot subdivide this mesh as it is not full"))
        return false;
    Log("Subdivide %s\n", m_sName.toLocal8Bit().constData());
    General::Store<unsigned int> list("object subdiv facelist");
    SubdivLevel *active = m_pActiveLevel ? m_pActiveLevel : this;
    const bool atOrBelowActive = level->GetLevelIndex() <= active->GetLevelIndex();
    const bool listed = ListFaces(*level, list, true) && list.HasItems();
    if (!listed || !level->ReloadLowerLevel(list, true)) {
        ClearSelection(*level);
        return false;
    }
    if (level->m_aExtraFaces.HasItems()) {
        level->RemoveFaces(level->m_aExtraFaces, true);
        level->m_aExtraFaces.Clear();
    }
    MarkVisible(*level);
    if (atOrBelowActive && level == active && level->m_pNext &&
        level->m_pNext->m_iHiddenFaces < level->m_pNext->m_iFaceCount)
        m_pActiveLevel = level->m_pNext;
    Done();
    return true;
}

bool Object::RemoveHighestLevel()
{
    SubdivLevel *top = GetHighestLevel();
    if (top == (m_pActiveLevel ? m_pActiveLevel : this)) {
        Refuse("You cannot remove the active level!");
        return false;
    }
    const bool hidden = top->WithFaces([&](auto &faces) {
        for (unsigned f = 0; f < std::min(top->m_iFaceCount, faces.GetItemCount()); ++f)
            if (IsActive(faces[f]) && IsMapped(faces[f]) && !IsVisible(faces[f]))
                return true;
        return false;
    });
    if (hidden) {
        Refuse("Error: The highest level cannot be deleted because one or more of its faces are hidden.\n"
               "Please unhide these faces, step down, and try again.");
        return false;
    }
    top->DropLayerData();
    top->m_pPrev->SetNextLevel(nullptr);
    return true;
}

void Object::MoveLevelsToDisk()
{
    if (m_bLevelsOnDisk)
        return;
    Log("Moving levels to disk on %s\n", m_sName.toLocal8Bit().constData());
    m_bLevelsOnDisk = true;
    MeshSwitches::s_bLevelsOnDisk = true;
    for (SubdivLevel *level = this; level; level = level->m_pNext) {
        General::Store<unsigned int> list("unknown");
        level->WithFaces([&](auto &faces) {
            for (unsigned f = 0; f < std::min(level->m_iFaceCount, faces.GetItemCount()); ++f)
                if (IsActive(faces[f]) && !IsMapped(faces[f]))
                    list.Add(f);
        });
        if (list.HasItems())
            level->RemoveFaces(list, true);
    }
}

void Object::MoveLevelsToRAM()
{
    if (!m_bLevelsOnDisk)
        return;
    Log("Moving levels to RAM on %s\n", m_sName.toLocal8Bit().constData());
    m_bLevelsOnDisk = false;
    MeshSwitches::s_bLevelsOnDisk = false;
    for (SubdivLevel *level = this; level; level = level->m_pNext) {
        General::Store<unsigned int> all("unknown");
        level->RestoreFaces(all, true, true, nullptr, false);
        // Faces that are shown and mapped stay shown; the rest wait for their level to be worked on.
        level->WithFaces([&](auto &faces) {
            for (unsigned f = 0; f < std::min(level->m_iFaceCount, faces.GetItemCount()); ++f)
                if (!IsMapped(faces[f]))
                    SetVisible(faces[f], false);
        });
        level->RebuildVisibleFaces();
        level->FreezeLocalBorder();
    }
}

void Object::ImportUV(Object *source, int mode, float tolerance)
{
    if (!source || (mode != 0 && mode != 2))
        return;
    for (int i = 0; i < LevelCount(); ++i) {
        SubdivLevel *to = GetLevel(i), *from = source->GetLevel(i);
        if (!to || !from || to->m_eType != from->m_eType)
            continue;
        const unsigned n = to->Corners();
        if (mode == 0) {
            if (to->m_iFaceCount != from->m_iFaceCount || from->m_iTCCount != from->m_pTCs.GetItemCount())
                continue;
            General::Store<TC> tcs("meh texture coordinates");
            if (!tcs.SetItemCount(from->m_iTCCount, false))
                continue;
            std::copy(from->m_pTCs.begin(), from->m_pTCs.end(), tcs.begin());
            to->m_pTCs.Take(tcs);
            to->m_iTCCount = from->m_iTCCount;
            to->WithFaces([&](auto &faces) {
                from->WithFaces([&](auto &theirs) {
                    for (unsigned f = 0; f < std::min(to->m_iFaceCount, faces.GetItemCount()); ++f)
                        for (unsigned c = 0; c < n; ++c)
                            faces[f].m_iTCI[c] = theirs[f].m_iTCI[c];
                });
            });
            continue;
        }
        General::Store<TC> tcs("meh texture coordinates");
        if (!tcs.SetItemCount(from->m_pTCs.GetItemCount(), false))
            continue;
        std::copy(from->m_pTCs.begin(), from->m_pTCs.end(), tcs.begin());
        to->m_pTCs.Take(tcs);
        to->m_iTCCount = to->m_pTCs.GetItemCount();
        const float limit = tolerance * tolerance;
        unsigned matched = 0;
        General::ProgressMeter &progress = General::Progress();
        progress.Start(QStringLiteral("importing UV..."), from->m_iFaceCount, 100);
        to->WithFaces([&](auto &faces) {
            for (auto &face : faces)
                for (unsigned c = 0; c < n; ++c)
                    face.m_iTCI[c] = 0;
            from->WithFaces([&](auto &theirs) {
                for (unsigned s = 0; s < std::min(from->m_iFaceCount, theirs.GetItemCount()); ++s) {
                    for (unsigned t = 0; t < std::min(to->m_iFaceCount, faces.GetItemCount()); ++t) {
                        unsigned r = 0;
                        for (; r < n; ++r) {
                            bool all = true;
                            for (unsigned k = 0; k < n && all; ++k) {
                                const General::Vector d = to->CornerPosition(t, k) - from->CornerPosition(s, (k + r) % n);
                                all = d.Dot(d) <= limit;
                            }
                            if (all)
                                break;
                        }
                        if (r == n)
                            continue;
                        for (unsigned k = 0; k < n; ++k)
                            faces[t].m_iTCI[k] = theirs[s].m_iTCI[(k + r) % n];
                        ++matched;
                        break;
                    }
                    progress.Advance();
                }
            });
        });
        Log("Total: %d faces, matched: %d\n", int(to->m_iFaceCount), int(matched));
        progress.End();
    }
}
