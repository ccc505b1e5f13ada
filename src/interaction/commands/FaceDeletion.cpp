#include "interaction/commands/FaceDeletion.h"

#include "foundation/Diagnostics.h"
#include "foundation/ShellServices.h"
#include "interaction/Interface.h"
#include "interaction/commands/CommandSupport.h"
#include "interaction/commands/TargetRule.h"
#include "operations/objects/DeleteFaceOperation.h"
#include "operations/objects/DeleteObjectOperation.h"
#include "mesh/object/ShownSelection.h"

#include <algorithm>
#include <vector>

namespace Commands {

namespace {

const char *const kPartialOnDisk = "Cannot delete if any level is partially on disk!";

// How many faces of level n one base face stands for: 1 on the base level, then the
// base face's corners, then four children per step.
uint64_t FacesPerBase(unsigned baseCorners, int n)
{
    uint64_t count = 1;
    for (int i = 0; i < n; ++i)
        count *= i == 0 ? baseCorners : 4u;
    return count;
}

enum class Collected { kFaces, kWhole, kRefused };

// Adds the object's selected faces, expanded to every level, to the operation; or tells
// that the object goes whole, or that the command must end.
Collected CollectObject(Object &object, Operations::DeleteFaceOperation &operation)
{
    const unsigned baseCorners = object.Corners();
    std::vector<unsigned> bases;
    int levels = 0;
    for (SubdivLevel *level = &object; level; level = level->m_pNext, ++levels) {
        const unsigned total = level->m_iTotalFaceCount ? level->m_iTotalFaceCount : level->m_iFaceCount;
        if (!HasShownSelection(*level))
            continue;
        if (level->m_iSelectedFaces >= total)
            return Collected::kWhole;
        General::Store<unsigned int> selected("deletefaces list");
        if (!selected.Reserve(level->m_iSelectedFaces, false))
            return Collected::kRefused;
        for (unsigned f = 0; f < level->m_iFaceCount; ++f)
            if (level->IsFaceSelected(f))
                selected.Add(f);
        level->MapFaceListToGlobal(selected);
        const uint64_t per = FacesPerBase(baseCorners, levels);
        for (unsigned global : selected)
            if (global != 0xFFFFFFFFu)
                bases.push_back(unsigned(global / per));
    }
    std::sort(bases.begin(), bases.end());
    bases.erase(std::unique(bases.begin(), bases.end()), bases.end());
    if (bases.empty())
        return Collected::kFaces;

    int n = 0;
    for (SubdivLevel *level = &object; level; level = level->m_pNext, ++n) {
        const bool baseOrder = level->m_bFull || !level->m_aFaceMap.HasItems();
        if (baseOrder && !level->m_iFaceCount && level->m_bFull) {
            General::Shell().SetStatusMessage(Tr(kPartialOnDisk), 2);
            return Collected::kRefused;
        }
        const uint64_t per = FacesPerBase(baseCorners, n);
        General::Store<unsigned int> faces("deletefaces list");
        if (!faces.Reserve(unsigned(std::min<uint64_t>(bases.size() * per, 0xFFFFFFFFu)), false))
            return Collected::kRefused;
        for (unsigned base : bases)
            for (uint64_t c = 0; c < per; ++c)
                faces.Add(unsigned(uint64_t(base) * per + c));
        level->MapFaceListToLocal(faces);
        for (unsigned face : faces) {
            if (face == 0xFFFFFFFFu || face >= level->m_iFaceCount) {
                General::Shell().CriticalMessage(Tr(kPartialOnDisk));
                return Collected::kRefused;
            }
        }
        for (unsigned face : faces)
            operation.Add(*level, face, false);
    }
    return Collected::kFaces;
}

// After its faces went, the object's emptied top levels go too: the active level steps
// down past each level with no face left to show, and a level with no face at all is
// removed. The object's own levels only; true when a level was changed.
bool ClearEmptiedTopLevels(Object &object)
{
    if (object.m_aGenericFaces.HasItems())
        return false;
    bool changed = false;
    SubdivLevel *top = object.GetHighestLevel();
    while (top != &object && top->m_iFaceCount <= top->m_iHiddenFaces) {
        // Nothing of the level is shown: the level below becomes the one tools work on.
        SubdivLevel *below = top->m_pPrev;
        if (object.m_pActiveLevel == top)
            object.m_pActiveLevel = below;
        changed = true;
        if (!top->m_iFaceCount && object.GetHighestLevel() == top)
            object.RemoveHighestLevel();
        top = below;
    }
    return changed;
}

}  // namespace

void DeleteFaces(Interface &controller, Scene &scene)
{
    if (InteractionHost().RemoveSelectedCurvePoint())
        return;
    Log("Delete selected faces\n");
    General::Shell().SetStatusMessage(Tr("deleting..."), 0);
    const Targets targets = FindTargets(controller, scene);
    Operations::DeleteFaceOperation faces;
    std::vector<Object *> whole;
    if (targets.anySelectedFaces || targets.underMouse) {
        for (Object *object : targets.objects) {
            if (!targets.anySelectedFaces) {
                whole.push_back(object);
                continue;
            }
            // The object's face records go into a scratch operation first, so that an
            // object that goes whole leaves none behind.
            Operations::DeleteFaceOperation own;
            switch (CollectObject(*object, own)) {
            case Collected::kRefused:
                ClearWorkingLists(scene);
                return;
            case Collected::kWhole:
                whole.push_back(object);
                break;
            case Collected::kFaces:
                for (auto &mesh : own.m_aMeshes)
                    faces.m_aMeshes.push_back(std::move(mesh));
                break;
            }
        }
    }
    // Faces first, while the mesh ids still name the objects' places; undo brings the
    // objects back before it restores the faces.
    bool recorded = false;
    if (!faces.m_aMeshes.empty()) {
        recorded = RunAction(faces);
        ClearWorkingLists(scene);
        bool levelsChanged = false;
        for (Object *object = scene.m_pObjects; object; object = object->m_pNextObject)
            levelsChanged = ClearEmptiedTopLevels(*object) || levelsChanged;
        // Deleted faces wait past the end of their levels for an undo; a level change may
        // overwrite them, so the records that name them go.
        if (levelsChanged) {
            Interface::ClearHistory();
            recorded = false;
        }
    }
    if (!whole.empty()) {
        Operations::DeleteObjectOperation objects(whole);
        RunAction(objects, recorded ? 1 : 0);
    }
    InteractionHost().RefreshObjectList();
    General::Shell().SetStatusMessage(Tr("done."), 0);
    controller.m_cHit = PickHit();
}

}  // namespace Commands
